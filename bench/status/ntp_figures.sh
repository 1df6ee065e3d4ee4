#!/usr/bin/env bash
# NTP figures of vantrex-status against one simulator, loopback only (127.5.0.1 upwards): a device whose
# NTP round trip is DELAY_MS (default 2500) read with the default options; LOSSY devices (default 10000)
# whose NTP path loses LOSS percent (default 10) each way at that round trip; then SIZE devices (default
# 30000; 0: none) under prlimit --nofile=LIMIT (default 20000), with the load average before and after: how
# many NTP checks were answered, the NTP failures by text, and the devices not OK. A simulator with more
# addresses than its descriptors allow sockets for takes its ports on every loopback address, and other
# engineers' tests use them too: run this in a network namespace of its own, as below.
# Usage: unshare -n sh -c 'ip link set lo up && bench/status/ntp_figures.sh [BUILD_DIR]'
set -euo pipefail
cd "$(dirname "$0")/../.."
size=${SIZE:-30000}
limit=${LIMIT:-20000}
delay_ms=${DELAY_MS:-2500}
lossy=${LOSSY:-10000}
loss=${LOSS:-10}
ntp_port=12133
source bench/status/sim_fleet.sh

# The NTP results of a --json run in FILE, answered or the failure, counted.
ntp_results() { # FILE
    jq -r 'if .ntp.answered then "NTP answered" else "NTP \(.ntp.failure)" end' "$1" | sort | uniq -c | sort -rn | head -5
}

echo "== one device, NTP round trip $delay_ms ms"
start_sim "$(fleet_range 5 1)" --ntp-delay "$delay_ms"
"$status" --json --ntp-port "$ntp_port" "$(fleet_list 5 1)" >"$work/out" || true
stop_sim
jq -r '"\(.status) \(.failure // ""): NTP delay \(.ntp.delay_seconds) s, offset \(.ntp.offset_seconds) s"' "$work/out"

echo "== $lossy devices, NTP round trip $delay_ms ms, $loss % lost each way"
start_sim "$(fleet_range 5 "$lossy")" --max-connections 1000000 --ntp-delay "$delay_ms" --ntp-loss "$loss"
fleet_list 5 "$lossy" >"$work/fleet"
prlimit --nofile="$limit:$limit" "$status" --json --ntp-port "$ntp_port" --from "$work/fleet" >"$work/out" || true
stop_sim
ntp_results "$work/out"

[ "$size" -gt 0 ] || exit 0
echo "== $size devices, nofile $limit, load average before: $(cut -d' ' -f1-3 /proc/loadavg)"
start_sim "$(fleet_range 5 "$size")" --max-connections 1000000
fleet_list 5 "$size" >"$work/fleet"
start=$(date +%s.%N)
exit_status=0
prlimit --nofile="$limit:$limit" "$status" --json --ntp-port "$ntp_port" --from "$work/fleet" \
    >"$work/out" 2>"$work/err" || exit_status=$?
end=$(date +%s.%N)
stop_sim
echo "exit status $exit_status, $(awk -v a="$start" -v b="$end" 'BEGIN {printf "%.1f", b - a}') s wall," \
     "$(grep -c '"status":"OK"' "$work/out" || true) of $size OK; load average after: $(cut -d' ' -f1-3 /proc/loadavg)"
ntp_results "$work/out"
jq -r 'select(.status != "OK") | "\(.status) \(.failure // .problems[0].text // "")"' "$work/out" |
    sort | uniq -c | sort -rn | head -5
# In a namespace of its own these count only this run's datagrams, the simulator's and vantrex-status's.
echo "UDP in this namespace: $(awk '/^Udp:/ {print}' /proc/net/snmp | tr '\n' ' ')"
[ ! -s "$work/err" ] || echo "stderr: $(head -c 300 "$work/err")"
