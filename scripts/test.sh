#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test in three builds: normal, AddressSanitizer with
# UndefinedBehaviorSanitizer, and ThreadSanitizer (without the tests that open a window); then a short
# pass of every fuzz harness, so that a crash or sanitizer report on the seeds or near them fails too.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/packages.sh
scripts/install-deps.sh "${BUILD_PACKAGES[@]}"

jobs=$(nproc)
export QT_QPA_PLATFORM=offscreen
export XDG_RUNTIME_DIR
XDG_RUNTIME_DIR=$(mktemp -d)
trap 'rm -rf "$XDG_RUNTIME_DIR"' EXIT
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
    ctest --test-dir "build/${name}" --output-on-failure -j "$((jobs * 2))" --timeout 600 "${filter[@]}"
}

build_and_test normal "" ""
build_and_test asan address "" -DVANTREX_BUILD_BENCH=OFF
build_and_test tsan thread window -DVANTREX_BUILD_BENCH=OFF
echo "=== fuzz smoke pass ==="
scripts/fuzz.sh 5
echo "All builds passed."
