#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test in three builds: normal (also the build the Debian
# package is made from; without the tests of pure functions and of the Qt window; with the benchmarks,
# compiled and never run),
# AddressSanitizer with UndefinedBehaviorSanitizer (every test), and ThreadSanitizer (the programs whose
# tests start threads, without the window's); then a short pass of every fuzz harness, so that a crash or
# sanitizer report on the seeds or near them fails too; then the Windows build (mingw-w64),
# whose tests run under Wine against the normal build's simulator and whose programs make the zip; then
# the packages a user installs, installed and run as a user would. Each build after the first runs beside
# the tests of the build before it (the fuzz harnesses build after the ThreadSanitizer build, beside the
# same tests); the fuzz pass and the packages run beside the last tests. Ends with each stage's seconds.
# Usage: scripts/test.sh                  every stage
#        scripts/test.sh quick [TESTS]    the normal build, built incrementally, and its tests: all, or
#                                         those whose names match the CTest regular expression TESTS, or
#                                         with ctest's own options (-L LABEL, -R REGEX, -E REGEX...)
#        scripts/test.sh package          the package stage alone, from the builds of an earlier run
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/packages.sh
source scripts/build-flags.sh

jobs=$(nproc)
# A developer's compiler cache, where one is installed, serves every build of every checkout.
if command -v ccache >/dev/null; then
    export CMAKE_C_COMPILER_LAUNCHER=ccache CMAKE_CXX_COMPILER_LAUNCHER=ccache
fi
export QT_QPA_PLATFORM=offscreen
export XDG_RUNTIME_DIR
XDG_RUNTIME_DIR=$(mktemp -d)
wine_started=no
wine_display="$PWD/build/windows/wine-display"
cleanup() {
    rm -rf "$XDG_RUNTIME_DIR"
    [ "$wine_started" = no ] || /usr/lib/wine/wineserver64 -k || true
    [ "$wine_started" = no ] || sh tests/support/win32/fixture-display.sh stop "$wine_display" || true
}
trap cleanup EXIT
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1

# Seconds each stage took, printed at the end, so that a run that grows shows where. Stages run in
# background shells too, so the figures go to a file.
figures=build/stage-figures.txt
record() {
    echo "$*" >>"${figures}"
}
print_figures() {
    awk '{ seconds[$1, $2] = $3; if ($4 != "") count[$1] = $4; if (!($1 in seen)) { seen[$1]; order[++n] = $1 } }
         END { printf "%-10s %8s %8s %6s\n", "stage", "build s", "tests s", "tests"
               for (i = 1; i <= n; i++) { s = order[i]
                   printf "%-10s %8s %8s %6s\n", s, seconds[s, "build"], seconds[s, "tests"], count[s] } }' "${figures}"
}

# Configures build/NAME with the configuration in the array named CONFIGURATION (and any further options)
# and builds it.
compile() {
    local name=$1 start=$SECONDS
    local -n configuration=$2
    shift 2
    echo "=== ${name} build ==="
    cmake -S . -B "build/${name}" -G Ninja "${configuration[@]}" "$@" >/dev/null
    cmake --build "build/${name}" -j "${jobs}"
    record "${name}" build $((SECONDS - start))
}

# Runs the tests of build/NAME with the further ctest options given.
run_tests() {
    local name=$1 start=$SECONDS
    shift
    echo "=== ${name} tests ==="
    # The tests' files stay in their build, away from another checkout's tests running at the same time.
    mkdir -p "build/${name}/test-tmp"
    TEST_TMPDIR="$PWD/build/${name}/test-tmp" \
        ctest --test-dir "build/${name}" --output-on-failure --timeout 600 "$@"
    record "${name}" tests $((SECONDS - start)) "$(ctest --test-dir "build/${name}" -N "$@" |
        sed -n 's/^Total Tests: //p')"
}

# A stage that builds or fuzzes runs in the background, at a lower priority, while the tests of the stage
# before it run: those mostly wait on devices, processes and windows, and take a core first when they
# need one. Its output waits in build/NAME.log until it is done.
declare -A background_jobs=()
start_in_background() {
    local name=$1
    shift
    mkdir -p build
    (
        renice -n 10 "${BASHPID}" >/dev/null
        "$@"
    ) >"build/${name}.log" 2>&1 &
    background_jobs[${name}]=$!
}
finish_background() {
    local name=$1 status=0
    wait "${background_jobs[${name}]}" || status=$?
    cat "build/${name}.log"
    [ "${status}" -eq 0 ] || { echo "the ${name} stage failed" >&2; exit "${status}"; }
}

# A Windows program must need nothing but Windows' own DLLs; a missing one would only show under Wine.
check_windows_imports() {
    local exe foreign=0
    while IFS= read -r -d '' exe; do
        if x86_64-w64-mingw32-objdump -p "$exe" | sed -n 's/^\s*DLL Name: //p' |
            grep -viE '^(kernel32|msvcrt|ws2_32|advapi32|user32|gdi32|ntdll|comctl32|comdlg32|shell32|iphlpapi|ole32|oleacc)\.dll$'; then
            echo "${exe} needs the DLLs above, which Windows does not have" >&2
            foreign=1
        fi
    done < <(find "$1" \( -name wine-prefix -o -name CMakeFiles \) -prune -o -name '*.exe' -print0)
    return "$foreign"
}

# Wine's services start once, in a prefix of the Windows build, before that build runs the test programs
# to list their tests; they stop when the script ends.
start_wine() {
    [ "$wine_started" = no ] || return 0
    export WINEPREFIX="$PWD/build/windows/wine-prefix"
    mkdir -p "${WINEPREFIX}" # wineserver needs the folder; wineboot fills it
    wine_started=yes
    # Every Wine program of the stage gets a display, those that list tests at build time included:
    # the first one starts Wine's desktop process, which outlives it by seconds, and windows opened
    # meanwhile would land on a desktop without a display and never show.
    sh tests/support/win32/fixture-display.sh start "$wine_display"
    DISPLAY=$(cat "$wine_display/display")
    export DISPLAY
    /usr/lib/wine/wineserver64 -p
    WINEDEBUG=-all /usr/lib/wine/wine64 wineboot </dev/null >/dev/null 2>&1
}

windows_build() {
    start_wine
    compile windows WINDOWS_CONFIGURATION -DVANTREX_NATIVE_SIM="$PWD/build/normal/sim/vantrex-sim" \
        -DVANTREX_NATIVE_STATUS="$PWD/build/normal/status/vantrex-status"
    check_windows_imports build/windows
}

# The two builds that remain, one after the other, beside the AddressSanitizer tests: the longest tests
# of the run, which leave the cores time enough for both.
tsan_and_fuzz_builds() {
    compile tsan TSAN_CONFIGURATION
    local start=$SECONDS
    echo "=== fuzz build ==="
    scripts/fuzz.sh build
    record fuzz build $((SECONDS - start))
}

fuzz_stage() {
    local start=$SECONDS
    echo "=== fuzz smoke pass ==="
    scripts/fuzz.sh 5
    record fuzz tests $((SECONDS - start))
}

# The installed programs answer with the project's version, read from the installed files.
check_installed_package() {
    local version=$1
    [ "$(/usr/bin/vantrex-status --version)" = "vantrex-status ${version}" ] &&
        [ "$(/usr/bin/vantrex-config --version)" = "vantrex-config ${version}" ] &&
        [ "$(/usr/bin/vantrex-sim --version)" = "vantrex-sim ${version}" ] &&
        [ "$(/usr/bin/vantrex-exporter --version)" = "vantrex-exporter ${version}" ] &&
        [ -f /lib/systemd/system/vantrex-exporter.service ] && [ -f /etc/default/vantrex-exporter ] &&
        man -w vantrex-status && man -w vantrex-exporter
}

# Packs the normal and the Windows builds; installs the Debian package as a user does (apt-get checks its
# dependencies), runs the programs from the installed files and removes it again; unpacks the zip and runs
# its status program under Wine.
package_stage() {
    local start=$SECONDS
    echo "=== packages ==="
    scripts/package.sh --from build/normal build/windows
    local version sudo_cmd=() installed=0
    version=$(sed -n 's/^set(CPACK_PACKAGE_VERSION "\(.*\)")$/\1/p' build/normal/CPackConfig.cmake)
    [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
    echo "=== installed package ==="
    local apt_get=(env DEBIAN_FRONTEND=noninteractive apt-get -y -qq)
    "${sudo_cmd[@]}" "${apt_get[@]}" install "./build/vantrex-config_${version}_amd64.deb" >/dev/null
    check_installed_package "${version}" || installed=$?
    # Purged, not only removed: the exporter's conffile and its service state go too.
    "${sudo_cmd[@]}" "${apt_get[@]}" purge vantrex-config >/dev/null
    [ "${installed}" -eq 0 ] || { echo "the installed package does not work" >&2; return 1; }
    echo "=== Windows zip under Wine ==="
    local zip="build/vantrex-config-${version}-windows-x64.zip" unpacked=build/zip-unpacked
    unzip -l "${zip}"
    rm -rf "${unpacked}"
    unzip -q "${zip}" -d "${unpacked}"
    start_wine
    local answer
    answer=$(WINEDEBUG=-all /usr/lib/wine/wine64 \
        "${unpacked}/vantrex-config-${version}-windows-x64/vantrex-status.exe" --version)
    [ "${answer%$'\r'}" = "vantrex-status ${version}" ] ||
        { echo "vantrex-status.exe --version answers: ${answer}" >&2; return 1; }
    record package tests "$((SECONDS - start))"
}

# Each fuzz harness runs for 5 seconds, then the packages are made and tried: both need the cores or the
# package tools for well under the time the ThreadSanitizer tests take, and neither touches their build.
fuzz_and_package_stages() {
    fuzz_stage
    package_stage
}

# The everyday loop: the normal build, kept between runs, and all or a part of its tests.
quick() {
    local selection=("$@")
    [ ${#selection[@]} -eq 0 ] || [[ ${selection[0]} == -* ]] || selection=(-R "${selection[@]}")
    scripts/install-deps.sh "${BUILD_PACKAGES[@]}" "${MONITORING_PACKAGES[@]}" \
        "${NOTIFICATION_TEST_PACKAGES[@]}" "${PACKAGE_PACKAGES[@]}"
    set_configurations
    compile normal NORMAL_CONFIGURATION -DVANTREX_PURE_TESTS=ON -DVANTREX_WINDOW_TESTS=ON
    run_tests normal -j "$((jobs * 2))" "${selection[@]}"
}

mkdir -p build
rm -f "${figures}"
case "${1:-}" in
quick)
    shift
    quick "$@"
    echo "The quick loop passed."
    exit 0
    ;;
package)
    scripts/install-deps.sh "${PACKAGE_PACKAGES[@]}" "${WINDOWS_PACKAGES[@]}"
    package_stage
    echo "The package stage passed."
    exit 0
    ;;
esac

start=$SECONDS
# Everything the stages need, in one go: each apt-get run reads the package lists again.
scripts/install-deps.sh "${BUILD_PACKAGES[@]}" "${MONITORING_PACKAGES[@]}" "${NOTIFICATION_TEST_PACKAGES[@]}" \
    "${PACKAGE_PACKAGES[@]}" "${FUZZ_PACKAGES[@]}" "${WINDOWS_PACKAGES[@]}"
record install build $((SECONDS - start))
set_configurations
# The Windows tests use the normal build's simulator and status program, so it comes first; from then on
# each build runs beside the tests of the build before it.
compile normal NORMAL_CONFIGURATION
# Wine starts here, not in the background build: the window tests share its desktop and display.
start_wine
start_in_background windows windows_build
run_tests normal -j "$((jobs * 2))"
finish_background windows
start_in_background asan compile asan ASAN_CONFIGURATION
run_tests windows -j "${jobs}"
finish_background asan
# The fuzz harnesses build with clang after the ThreadSanitizer build.
start_in_background tsan tsan_and_fuzz_builds
# The sanitizer builds' tests mostly wait on sockets and processes: four at a time per core, the
# AddressSanitizer tests took 82 s instead of 142 s for a tenth more CPU time, the ThreadSanitizer tests
# half their time.
sanitizer_test_jobs=$((jobs * 4))
run_tests asan -j "${sanitizer_test_jobs}"
finish_background tsan
start_in_background fuzz-package fuzz_and_package_stages
# The window's tests need a display and never run under ThreadSanitizer: its build leaves the front end out.
run_tests tsan -j "${sanitizer_test_jobs}"
finish_background fuzz-package
echo "All builds passed."
print_figures
echo "total: ${SECONDS} s"
