#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test in three builds: normal, AddressSanitizer with
# UndefinedBehaviorSanitizer, and ThreadSanitizer (without the tests that open a window); then a short
# pass of every fuzz harness, so that a crash or sanitizer report on the seeds or near them fails too;
# then the Windows build (mingw-w64), whose tests run under Wine against the normal build's simulator;
# then the packages a user installs (scripts/package.sh), installed and run as a user would.
# Usage: scripts/test.sh                  every stage
#        scripts/test.sh quick [TESTS]    the normal build, built incrementally, and its tests: all, or
#                                         those whose names match the CTest regular expression TESTS, or
#                                         with ctest's own options (-L LABEL, -R REGEX, -E REGEX...)
#        scripts/test.sh package          the package stage alone
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/packages.sh
scripts/install-deps.sh "${BUILD_PACKAGES[@]}" "${MONITORING_PACKAGES[@]}" "${NOTIFICATION_TEST_PACKAGES[@]}"

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

build_and_test() {
    local name=$1 sanitize=$2 exclude=$3
    shift 3
    echo "=== ${name} build ==="
    cmake -S . -B "build/${name}" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DVANTREX_SANITIZE="${sanitize}" "$@" >/dev/null
    cmake --build "build/${name}" -j "${jobs}"
    echo "=== ${name} tests ==="
    local filter=()
    [ -n "${exclude}" ] && filter=(-LE "${exclude}")
    # The tests' files stay in their build, away from another checkout's tests running at the same time.
    mkdir -p "build/${name}/test-tmp"
    TEST_TMPDIR="$PWD/build/${name}/test-tmp" \
        ctest --test-dir "build/${name}" --output-on-failure -j "$((jobs * 2))" --timeout 600 "${filter[@]}"
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

windows_stage() {
    local build=build/windows
    echo "=== windows build ==="
    scripts/install-deps.sh "${WINDOWS_PACKAGES[@]}"
    start_wine
    cmake -S . -B "${build}" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-w64-x86_64.cmake" \
        -DVANTREX_NATIVE_SIM="$PWD/build/normal/sim/vantrex-sim" \
        -DVANTREX_NATIVE_STATUS="$PWD/build/normal/status/vantrex-status" >/dev/null
    cmake --build "${build}" -j "${jobs}"
    check_windows_imports "${build}"
    echo "=== windows tests (Wine) ==="
    ctest --test-dir "${build}" --output-on-failure -j "${jobs}" --timeout 600
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

# Installs the Debian package as a user does (apt-get checks its dependencies), runs the programs from the
# installed files and removes it again; unpacks the zip and runs its status program under Wine.
package_stage() {
    echo "=== packages ==="
    scripts/package.sh
    scripts/install-deps.sh "${WINDOWS_PACKAGES[@]}"
    local version sudo_cmd=() installed=0
    version=$(sed -n 's/^set(CPACK_PACKAGE_VERSION "\(.*\)")$/\1/p' build/package-linux/CPackConfig.cmake)
    [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
    echo "=== installed package ==="
    local apt_get=(env DEBIAN_FRONTEND=noninteractive apt-get -y -qq)
    "${sudo_cmd[@]}" "${apt_get[@]}" install "./build/vantrex-config_${version}_amd64.deb" >/dev/null
    check_installed_package "${version}" || installed=$?
    # Purged, not only removed: the exporter's conffile and its service state go too.
    "${sudo_cmd[@]}" "${apt_get[@]}" purge vantrex-config >/dev/null
    [ "${installed}" -eq 0 ] || { echo "the installed package does not work" >&2; return 1; }
    echo "=== Windows zip under Wine ==="
    local zip="build/vantrex-config-${version}-windows-x64.zip" unpacked=build/package-windows/unpacked
    unzip -l "${zip}"
    rm -rf "${unpacked}"
    unzip -q "${zip}" -d "${unpacked}"
    start_wine
    local answer
    answer=$(WINEDEBUG=-all /usr/lib/wine/wine64 \
        "${unpacked}/vantrex-config-${version}-windows-x64/vantrex-status.exe" --version)
    [ "${answer%$'\r'}" = "vantrex-status ${version}" ] ||
        { echo "vantrex-status.exe --version answers: ${answer}" >&2; return 1; }
}

# The everyday loop: one build, kept between runs, and a part of its tests.
quick() {
    local selection=("$@")
    [ ${#selection[@]} -eq 0 ] || [[ ${selection[0]} == -* ]] || selection=(-R "${selection[@]}")
    cmake -S . -B build/normal -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVANTREX_SANITIZE= >/dev/null
    cmake --build build/normal -j "${jobs}"
    mkdir -p build/normal/test-tmp
    TEST_TMPDIR="$PWD/build/normal/test-tmp" \
        ctest --test-dir build/normal --output-on-failure -j "$((jobs * 2))" --timeout 600 "${selection[@]}"
}

if [ "${1:-}" = quick ]; then
    shift
    quick "$@"
    echo "The quick loop passed."
    exit 0
fi
if [ "${1:-}" = package ]; then
    package_stage
    echo "The package stage passed."
    exit 0
fi
build_and_test normal "" ""
build_and_test asan address "" -DVANTREX_BUILD_BENCH=OFF
# The window's tests need a display and never run under ThreadSanitizer: its build leaves the front end out.
build_and_test tsan thread "" -DVANTREX_BUILD_BENCH=OFF -DVANTREX_BUILD_UI=OFF
echo "=== fuzz smoke pass ==="
scripts/fuzz.sh 5
windows_stage
package_stage
echo "All builds passed."
