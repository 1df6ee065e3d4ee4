#!/usr/bin/env bash
# The fleet on one event loop: vantrex-status with default options under the common limit of 1,024 open
# files, one device against 1,000 (one vantrex-sim on 127.0.176.1 to 127.0.179.250, loopback only): wall
# time, the most descriptors and threads seen (sampled every 20 ms from /proc), and how many read OK.
# Usage: bench/status/fleet_loop_figures.sh [BUILD_DIR]   (default build/normal); RUNS runs each (default 3)
set -euo pipefail
cd "$(dirname "$0")/../.."
runs=${RUNS:-3}
ntp_port=12176
source bench/status/sim_fleet.sh

# Runs vantrex-status under the limit with the given arguments; prints wall time, peaks and OK count.
measure() { # ARGUMENTS...
    local start end peak_fds=0 peak_threads=0 fds threads
    start=$(date +%s.%N)
    prlimit --nofile=1024 "$status" --ntp-port "$ntp_port" "$@" >"$work/out" 2>"$work/err" &
    local pid=$!
    while kill -0 "$pid" 2>/dev/null; do
        fds=$(ls "/proc/$pid/fd" 2>/dev/null | wc -l) || fds=0
        threads=$(awk '/Threads/{print $2}' "/proc/$pid/status" 2>/dev/null) || threads=0
        ((fds > peak_fds)) && peak_fds=$fds
        ((${threads:-0} > peak_threads)) && peak_threads=$threads
        sleep 0.02
    done
    wait "$pid" || true
    end=$(date +%s.%N)
    echo "$(echo "$end - $start" | bc) s wall, peak $peak_fds descriptors, $peak_threads threads," \
         "$(grep -c ' OK ' "$work/out") of $(wc -l <"$work/out") OK $(head -c 200 "$work/err")"
    grep -v ' OK ' "$work/out" | head -3 || true
}

start_sim 127.0.176.1-127.0.179.250
for octet in 176 177 178 179; do seq -f "127.0.$octet.%g" 1 250; done >"$work/fleet"

echo "== one device, default options, nofile=1024"
for _ in $(seq "$runs"); do measure 127.0.176.1; done
echo "== $(wc -l <"$work/fleet") devices, default options, nofile=1024"
for _ in $(seq "$runs"); do measure --from "$work/fleet"; done
