#!/usr/bin/env bash
# Figures of the fleet's race against shells that answer late, loopback only (127.0.144.x): DEVICES
# (default 50) simulated devices bring their first bytes FIRST_BYTES_MS (default 900) after the accept,
# as behind a proxy 300 ms away each way. vantrex-status --watch 2 reads them in turns (--parallel 10),
# so that every device is raced again at each turn, for WATCH_SECONDS (default 30); strace counts the
# connects to each port, and the links the devices were read over are counted from the JSON. With the
# old fixed 250 ms stagger every race opened a telnet connection; now only a device's first race may.
# Usage: bench/status/race_figures.sh [BUILD_DIR]   (default build/normal; STATUS= another vantrex-status)
set -euo pipefail
cd "$(dirname "$0")/../.."
devices=${DEVICES:-50}
first_bytes_ms=${FIRST_BYTES_MS:-900}
watch_seconds=${WATCH_SECONDS:-30}
ntp_port=12132
source bench/status/sim_fleet.sh

start_sim "127.0.144.1-127.0.144.$devices" --first-bytes-delay "$first_bytes_ms"
seq -f "127.0.144.%g" 1 "$devices" >"$work/fleet"
timeout -s INT "$watch_seconds" strace -f -qq -e trace=connect -o "$work/connects" \
    "$status" --json --no-ntp --watch 2 --parallel 10 --from "$work/fleet" >"$work/out" 2>"$work/err" || true
races=$(grep -c 'htons(5316)' "$work/connects" || true)
echo "$devices devices, first bytes after $first_bytes_ms ms, $watch_seconds s of --watch 2 --parallel 10:" \
     "$races shell connects, $(grep -c 'htons(23)' "$work/connects" || true) telnet connects;" \
     "load average $(cut -d' ' -f1-3 /proc/loadavg)"
echo "readings over: $(jq -r 'select(.status == "OK") | .link' "$work/out" | sort | uniq -c | tr '\n' ' ')"
[ ! -s "$work/err" ] || echo "stderr: $(head -c 300 "$work/err")"
