# The configurations of the builds that scripts/test.sh makes (sourced by the scripts). set_configurations
# needs dpkg-dev: the normal build takes Debian's hardening flags, as the Debian package is made from it.
set_configurations() {
    # Dates in the manual pages, the changelog and the metainfo are the last commit's, not the build's.
    export SOURCE_DATE_EPOCH
    SOURCE_DATE_EPOCH=$(git log -1 --format=%ct 2>/dev/null || date +%s)
    # Debian's hardening (fortified functions, stack protector, immediate binding); the optimisation and
    # debug levels are the build type's. The build path stays in the line tables, so that a debugger
    # finds the sources and one compiler cache serves every checkout.
    local hardening=(env DEB_BUILD_MAINT_OPTIONS=hardening=+all
                     DEB_CXXFLAGS_MAINT_STRIP="-g -O2 -ffile-prefix-map=${PWD}=." dpkg-buildflags)
    # Line tables only: reports and debuggers still name file and line, and a build takes a third less time
    # than with full debug information.
    local optimised=(-DCMAKE_BUILD_TYPE=RelWithDebInfo "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O2 -g1 -DNDEBUG")
    # The normal build leaves out the tests of pure functions and the Qt window's tests, which the
    # AddressSanitizer build runs; the quick loop builds them too. It compiles the benchmarks
    # (scripts/bench.sh runs them): a target that nothing compiles breaks unseen, and they are optimised as
    # bench.sh's build is, so a warning that only optimisation brings shows here too. They cost it about
    # 100 CPU-seconds, some 50 s on 2 cores.
    NORMAL_CONFIGURATION=("${optimised[@]}" -DVANTREX_SANITIZE= -DVANTREX_PACKAGE=ON -DVANTREX_PURE_TESTS=OFF
        -DVANTREX_WINDOW_TESTS=OFF -DVANTREX_BUILD_BENCH=ON
        "-DCMAKE_CXX_FLAGS=$("${hardening[@]}" --get CPPFLAGS) $("${hardening[@]}" --get CXXFLAGS)"
        "-DCMAKE_EXE_LINKER_FLAGS=$("${hardening[@]}" --get LDFLAGS)")
    # The sanitizer builds compile without optimisation, with line tables (the top CMakeLists.txt).
    ASAN_CONFIGURATION=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DVANTREX_SANITIZE=address -DVANTREX_BUILD_BENCH=OFF)
    TSAN_CONFIGURATION=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DVANTREX_SANITIZE=thread -DVANTREX_BUILD_BENCH=OFF
        -DVANTREX_BUILD_UI=OFF)
    WINDOWS_CONFIGURATION=("${optimised[@]}" "-DCMAKE_TOOLCHAIN_FILE=${PWD}/cmake/mingw-w64-x86_64.cmake")
}
