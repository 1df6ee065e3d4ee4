#!/usr/bin/env bash
# Builds the benchmarks in build/bench (Release) and runs them one after the other, printing their
# figures. They talk to loopback only and start and stop their own simulated devices; run as root so
# that the port-23 link is measured too.
# Usage: scripts/bench.sh [PROGRAM...]   e.g. scripts/bench.sh bench_ui_cancel bench_ui_connect
# BENCH_BUILD_DIR chooses another build folder (default build/bench).
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/packages.sh
scripts/install-deps.sh "${BUILD_PACKAGES[@]}" "${BENCH_PACKAGES[@]}"

# The window's figures in the order of the issue notes; any other benchmark runs after them.
ui_order=(bench_ui_cancel bench_ui_startup bench_ui_connect bench_ui_second_lag bench_ui_idle_load
          bench_ui_cycles bench_ui_restart_follow bench_ui_device_log bench_ui_fleet_view)

build_dir=${BENCH_BUILD_DIR:-build/bench}

export QT_QPA_PLATFORM=offscreen
export XDG_RUNTIME_DIR XDG_STATE_HOME
XDG_RUNTIME_DIR=$(mktemp -d)
# The windows the benchmarks run keep their device log's journal there, not in the user's own.
XDG_STATE_HOME=$XDG_RUNTIME_DIR/state
trap 'rm -rf "$XDG_RUNTIME_DIR"' EXIT

cmake -S . -B "${build_dir}" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVANTREX_SANITIZE= >/dev/null
# Only the benchmark programs (they pull in the programs they run); the tests are not needed.
mapfile -t targets < <(cmake --build "${build_dir}" --target help | sed -n 's/^\(bench_[A-Za-z0-9_]*\): phony$/\1/p')
cmake --build "${build_dir}" -j "$(nproc)" --target "${targets[@]}"

programs=()
if [ $# -gt 0 ]; then
    programs=("$@")
else
    programs=("${ui_order[@]}")
    while IFS= read -r path; do
        name=$(basename "$path")
        [[ " ${ui_order[*]} " == *" ${name} "* ]] || programs+=("$name")
    done < <(find "${build_dir}/bench" -type f -name 'bench_*' -perm -u+x | sort)
fi

failed=()
for name in "${programs[@]}"; do
    path=$(find "${build_dir}/bench" -type f -name "$name" -perm -u+x | head -n 1)
    if [ -z "$path" ]; then
        echo "=== ${name}: not built ===" >&2
        failed+=("$name")
        continue
    fi
    echo "=== ${name} ==="
    "$path" || failed+=("$name")
done

# The status program's figures come from the programs themselves, run by a script of their own.
if [ $# -eq 0 ]; then
    cmake --build "${build_dir}" -j "$(nproc)" --target vantrex-status vantrex-sim
    echo "=== vantrex-status figures ==="
    bench/status/status_figures.sh "${build_dir}" || failed+=(status_figures)
    echo "=== vantrex-status NTP offset, one device alone and among 155 ==="
    bench/status/ntp_offset_figures.sh "${build_dir}" || failed+=(ntp_offset_figures)
    cmake --build "${build_dir}" -j "$(nproc)" --target vantrex-exporter
    echo "=== vantrex-exporter figures ==="
    bench/exporter/exporter_figures.sh "${build_dir}" || failed+=(exporter_figures)
fi

if [ ${#failed[@]} -gt 0 ]; then
    echo "Failed: ${failed[*]}" >&2
    exit 1
fi
echo "All benchmarks ran."
