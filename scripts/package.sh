#!/usr/bin/env bash
# Makes what a user installs, in build/:
#   vantrex-config_VERSION_amd64.deb          optimised build with Debian's hardening flags, its files checked
#                                             (ctest -L package) and the package checked with lintian
#   vantrex-config-VERSION-windows-x64.zip    optimised build with mingw-w64, without the tests
# VERSION is the project version in the top CMakeLists.txt. Installs what is missing first.
# Usage: scripts/package.sh                        both builds, then both packages
#        scripts/package.sh --from LINUX WINDOWS    the packages of two builds made already, with
#                                                   VANTREX_PACKAGE=ON and with mingw-w64 (scripts/test.sh)
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/packages.sh
source scripts/build-flags.sh
scripts/install-deps.sh "${BUILD_PACKAGES[@]}" "${MINGW_PACKAGES[@]}" "${PACKAGE_PACKAGES[@]}"

jobs=$(nproc)
export LC_ALL=C

# Runs CPack for the build in $1 and moves the one package it makes into build/.
pack() {
    local build=$1 out="$1/cpack-out"
    rm -rf "${out}"
    cpack --config "${build}/CPackConfig.cmake" -B "${out}" >/dev/null
    find "${out}" -maxdepth 1 -type f \( -name '*.deb' -o -name '*.zip' \) -exec mv -t build {} +
}

# The builds of scripts/test.sh without their tests; CPack strips the programs it packs.
debian_build() {
    local build=$1
    cmake -S . -B "${build}" -G Ninja "${NORMAL_CONFIGURATION[@]}" -DVANTREX_BUILD_TESTS=OFF \
        -DVANTREX_BUILD_BENCH=OFF >/dev/null
    cmake --build "${build}" -j "${jobs}"
}

debian_package() {
    local build=$1
    echo "=== Debian package ==="
    ctest --test-dir "${build}" -L package --output-on-failure -j "${jobs}"
    pack "${build}"
    local deb
    deb=$(ls build/vantrex-config_*_amd64.deb)
    # Errors fail the script; warnings are shown for the release notes to explain.
    lintian --fail-on error "${deb}"
    echo "${deb}"
}

windows_build() {
    local build=$1
    cmake -S . -B "${build}" -G Ninja "${WINDOWS_CONFIGURATION[@]}" -DVANTREX_BUILD_TESTS=OFF >/dev/null
    cmake --build "${build}" -j "${jobs}"
}

windows_zip() {
    local build=$1
    echo "=== Windows zip ==="
    pack "${build}"
    ls build/vantrex-config-*-windows-x64.zip
}

linux_build=build/package-linux
windows_build=build/package-windows
if [ "${1:-}" = --from ]; then
    linux_build=$2
    windows_build=$3
else
    set_configurations
    debian_build "${linux_build}"
    windows_build "${windows_build}"
fi
mkdir -p build
rm -f build/vantrex-config_*_amd64.deb build/vantrex-config-*-windows-x64.zip
debian_package "${linux_build}"
windows_zip "${windows_build}"
