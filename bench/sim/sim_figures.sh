#!/usr/bin/env bash
# Whether one simulator keeps up with a fleet polled as a monitoring tool polls it, loopback only
# (127.4.0.1 upwards): for each size in SIZES (default "1000 10000"), one shell connection per address and
# a getdate on each once a second for SECONDS_POLLED (default 30), from poll_clients.py in CLIENTS
# processes (default 4, so that the clients keep the pace); the answers' latency,
# and the simulator's CPU, descriptors, threads and resident memory meanwhile. The simulator gets
# descriptors up to LIMIT (default 20000); with more addresses than that allows sockets for it takes one
# socket per port on 0.0.0.0, whose ports it then holds on every loopback address: run this alone, inside
# /work/tools/isolated.
# Usage: bench/sim/sim_figures.sh [BUILD_DIR]   (default build/normal)
set -euo pipefail
cd "$(dirname "$0")/../.."
sizes=${SIZES:-1000 10000}
seconds=${SECONDS_POLLED:-30}
limit=${LIMIT:-20000}
clients=${CLIENTS:-4}
ntp_port=12132
source bench/status/sim_fleet.sh

cpu_seconds() { # PID
    awk -v hz="$(getconf CLK_TCK)" '{print ($14+$15)/hz}' "/proc/$1/stat"
}
sample() { # PID
    echo "$(find "/proc/$1/fd" -mindepth 1 -maxdepth 1 | wc -l) descriptors," \
         "$(awk '/^Threads:/ {print $2}' "/proc/$1/status") threads," \
         "$(awk '/^VmRSS:/ {printf "%.0f", $2 / 1024}' "/proc/$1/status") MB resident"
}

for size in $sizes; do
    echo "== $size devices polled every second for $seconds s"
    start_sim "$(fleet_range 4 "$size")" --telnet-port 0 --max-connections 1000000
    (ulimit -n "$limit" && exec /usr/bin/python3 bench/sim/poll_clients.py 127.4.0.1 "$size" 5316 "$seconds" "$clients") \
        >"$work/polled" 2>"$work/connected" &
    client_pid=$!
    pids+=("$client_pid")
    for _ in $(seq 1200); do grep -q connected "$work/connected" && break; sleep 0.1; done
    before=$(cpu_seconds "$sim_pid")
    sleep "$seconds"
    after=$(cpu_seconds "$sim_pid")
    echo "simulator: $(awk -v a="$before" -v b="$after" -v s="$seconds" 'BEGIN {printf "%.1f%%", (b - a) / s * 100}')" \
         "of a core; $(sample "$sim_pid")"
    wait "$client_pid" || true
    echo "clients: $(cat "$work/polled")"
    stop_sim
done
