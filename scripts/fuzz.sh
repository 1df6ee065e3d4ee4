#!/usr/bin/env bash
# Builds the libFuzzer harnesses with clang and runs each for SECONDS (default 60), or until it has made
# RUNS executions when that comes first. The seed corpora in fuzz/corpus stay untouched: what a run
# learns goes to build/fuzz/corpus, and any crash to build/fuzz/artifacts. As many harnesses run at once
# as there are cores. Exits non-zero when one found a crash, sanitizer report or broken invariant.
# Usage: scripts/fuzz.sh [SECONDS] [RUNS]
#        scripts/fuzz.sh build    the harnesses only: scripts/test.sh builds them beside other tests, and
#                                 runs them later, when the cores are free
set -euo pipefail
cd "$(dirname "$0")/.."
build_only=no
[ "${1:-}" != build ] || build_only=yes
seconds=${1:-60}
runs=${2:--1}
source scripts/packages.sh
scripts/install-deps.sh "${FUZZ_PACKAGES[@]}"

build=build/fuzz
CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVANTREX_FUZZ=ON \
    -DVANTREX_BUILD_UI=OFF -DVANTREX_BUILD_TESTS=OFF -DVANTREX_BUILD_BENCH=OFF >/dev/null
# The list has no line end, so read reports end of file while still filling the array.
IFS=";" read -r -a harnesses <"$build/fuzz-harnesses.txt" || true
# The harnesses and what they link, not the programs of this build.
cmake --build "$build" -j "$(nproc)" --target "${harnesses[@]}"
[ "$build_only" = no ] || exit 0

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
mkdir -p "$build/artifacts" "$build/logs"

# Runs one harness; its log keeps what it printed, its status file how it ended.
fuzz_one() {
    local harness=$1 corpus="$build/corpus/$1" status=0
    mkdir -p "$corpus"
    "$build/fuzz/$harness" -max_total_time="$seconds" -runs="$runs" -print_final_stats=1 \
        -artifact_prefix="$build/artifacts/$harness-" "$corpus" "fuzz/corpus/$harness" \
        >"$build/logs/$harness.log" 2>&1 || status=$?
    echo "$status" >"$build/logs/$harness.status"
}

# As many harnesses at once as there are cores.
running=0
for harness in "${harnesses[@]}"; do
    if [ "$running" -ge "$(nproc)" ]; then
        wait -n
        running=$((running - 1))
    fi
    fuzz_one "$harness" &
    running=$((running + 1))
done
wait

printf '%-24s %12s %10s %8s %8s\n' harness executions "exec/s" cov ft
for harness in "${harnesses[@]}"; do
    log="$build/logs/$harness.log"
    if [ "$(cat "$build/logs/$harness.status")" != 0 ]; then
        tail -n 40 "$log"
        echo "fuzz: $harness failed; the input is in $build/artifacts/" >&2
        exit 1
    fi
    executions=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    speed=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log")
    coverage=$(grep -oE 'cov: [0-9]+ ft: [0-9]+' "$log" | tail -n 1 | awk '{print $2, $4}')
    printf '%-24s %12s %10s %8s %8s\n' "$harness" "$executions" "$speed" $coverage
done
echo "Fuzzing passed: ${#harnesses[@]} harnesses."
