#!/usr/bin/env bash
# Makes what a user installs, in build/:
#   vantrex-config_VERSION_amd64.deb          Release build with Debian's hardening flags, its files checked
#                                             (ctest -L package) and the package checked with lintian
#   vantrex-config-VERSION-windows-x64.zip    Release build with mingw-w64, without the tests
# VERSION is the project version in the top CMakeLists.txt. Installs what is missing first.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/packages.sh
scripts/install-deps.sh "${BUILD_PACKAGES[@]}" "${MINGW_PACKAGES[@]}" "${PACKAGE_PACKAGES[@]}"

jobs=$(nproc)
# Dates in the manual pages, the changelog and the metainfo are the last commit's, not the build's.
export SOURCE_DATE_EPOCH
SOURCE_DATE_EPOCH=$(git log -1 --format=%ct 2>/dev/null || date +%s)
export LC_ALL=C

# Runs CPack for the build in $1 and moves the one package it makes into build/.
pack() {
    local build=$1 out="$1/cpack-out"
    rm -rf "${out}"
    cpack --config "${build}/CPackConfig.cmake" -B "${out}" >/dev/null
    find "${out}" -maxdepth 1 -type f \( -name '*.deb' -o -name '*.zip' \) -exec mv -t build {} +
}

debian_package() {
    local build=build/package-linux
    echo "=== Debian package ==="
    # Debian's hardening (fortified functions, immediate binding), less the debug info that is stripped.
    local hardening=(env DEB_BUILD_MAINT_OPTIONS=hardening=+all DEB_CXXFLAGS_MAINT_STRIP=-g dpkg-buildflags)
    cmake -S . -B "${build}" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVANTREX_PACKAGE=ON \
        -DVANTREX_BUILD_TESTS=OFF -DVANTREX_BUILD_BENCH=OFF \
        -DCMAKE_CXX_FLAGS="$("${hardening[@]}" --get CPPFLAGS) $("${hardening[@]}" --get CXXFLAGS)" \
        -DCMAKE_EXE_LINKER_FLAGS="$("${hardening[@]}" --get LDFLAGS)" >/dev/null
    cmake --build "${build}" -j "${jobs}"
    ctest --test-dir "${build}" -L package --output-on-failure -j "${jobs}"
    pack "${build}"
    local deb
    deb=$(ls build/vantrex-config_*_amd64.deb)
    # Errors fail the script; warnings are shown for the release notes to explain.
    lintian --fail-on error "${deb}"
    echo "${deb}"
}

windows_zip() {
    local build=build/package-windows
    echo "=== Windows zip ==="
    cmake -S . -B "${build}" -G Ninja -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-w64-x86_64.cmake" -DVANTREX_BUILD_TESTS=OFF >/dev/null
    cmake --build "${build}" -j "${jobs}"
    pack "${build}"
    ls build/vantrex-config-*-windows-x64.zip
}

mkdir -p build
rm -f build/vantrex-config_*_amd64.deb build/vantrex-config-*-windows-x64.zip
debian_package
windows_zip
