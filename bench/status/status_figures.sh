#!/usr/bin/env bash
# Figures of vantrex-status against vantrex-sim, loopback only (127.0.30.x to 127.0.32.x):
#   1. time to a complete reading of one device (three runs);
#   2. 200 devices with --parallel 200: wall time and peak resident memory;
#   3. --watch on 50 devices for WATCH_SECONDS (default 120): memory, threads, descriptors and CPU
#      sampled at 10 s and at the end; extrapolate the growth per 10 minutes from them.
# Usage: bench/status/status_figures.sh [BUILD_DIR]   (default build/normal)
set -euo pipefail
cd "$(dirname "$0")/../.."
watch_seconds=${WATCH_SECONDS:-120}
ntp_port=12130
source bench/status/sim_fleet.sh

sample() { # PID
    local pid=$1
    echo "rss_kb=$(awk '/VmRSS/{print $2}' "/proc/$pid/status") threads=$(awk '/Threads/{print $2}' "/proc/$pid/status")" \
         "fds=$(ls "/proc/$pid/fd" | wc -l) cpu_s=$(awk -v hz="$(getconf CLK_TCK)" '{print ($14+$15)/hz}' "/proc/$pid/stat")"
}

echo "== one device"
start_sim 127.0.30.1
for _ in 1 2 3; do
    /usr/bin/time -f "%e s wall, %M KB peak RSS" "$status" --ntp-port "$ntp_port" 127.0.30.1 >/dev/null
done

echo "== 200 devices, --parallel 200"
start_sim 127.0.31.1-127.0.31.200
seq -f "127.0.31.%g" 1 200 >"$work/fleet200"
/usr/bin/time -f "%e s wall, %M KB peak RSS" "$status" --ntp-port "$ntp_port" --parallel 200 --from "$work/fleet200" \
    >"$work/fleet200.out" || true
echo "$(grep -c ' OK ' "$work/fleet200.out") of 200 OK"

echo "== --watch 5 on 50 devices for ${watch_seconds} s"
start_sim 127.0.32.1-127.0.32.50
seq -f "127.0.32.%g" 1 50 >"$work/fleet50"
"$status" --ntp-port "$ntp_port" --watch 5 --from "$work/fleet50" >"$work/watch.out" &
watcher=$!
pids+=("$watcher")
sleep 10
echo "at 10 s:  $(sample "$watcher")"
sleep $((watch_seconds - 10))
echo "at ${watch_seconds} s: $(sample "$watcher")"
kill -INT "$watcher"
wait "$watcher" && echo "watch ended with exit status 0 on SIGINT"
echo "$(grep -c ' OK ' "$work/watch.out") OK records, $(grep -vc ' OK ' "$work/watch.out" || true) others"
