#!/usr/bin/env bash
# Figures of one vantrex-status run (--json) against one simulator serving the whole fleet, loopback only
# (127.1.0.1 upwards), for each fleet size in SIZES (default "1 1000 10000"): wall time, ratio to one
# device, devices OK, and the peak descriptors, threads and resident memory of vantrex-status (sampled
# from /proc every 20 ms). One device and 1,000 run under prlimit --nofile=1024 with default options;
# 10,000 with the limit at LIMIT (default 20000) and --parallel PARALLEL_10000 (default: none given).
# The simulator's CPU time over the run is given too: it must keep up. Then, for the same fleet, --watch 1:
# seconds from the start until the first report in which every device is OK, and its ratio to one device.
# A simulator with more addresses than its descriptors allow sockets for takes its ports on every
# loopback address: run this alone, inside /work/tools/isolated or a network namespace of its own.
# Usage: bench/status/fleet_figures.sh [BUILD_DIR]   (default build/normal)
set -euo pipefail
cd "$(dirname "$0")/../.."
sizes=${SIZES:-1 1000 10000}
limit=${LIMIT:-20000}
parallel_10000=${PARALLEL_10000:-}
ntp_port=12131
source bench/status/sim_fleet.sh

# --watch 1 on the fleet: seconds until the first report of every device OK (at most 120 s).
watch_all_ok() { # SIZE NOFILE OPTIONS...
    local size=$1 nofile=$2 lines ok seconds=none
    shift 2
    start=$(date +%s.%N)
    prlimit --nofile="$nofile:$nofile" "$status" --json --watch 1 --ntp-port "$ntp_port" "$@" --from "$work/fleet" \
        >"$work/watch" 2>/dev/null &
    local watcher=$!
    for _ in $(seq 1200); do
        lines=$(wc -l <"$work/watch")
        ok=$(head -n $((lines / size * size)) "$work/watch" | tail -n "$size" | grep -c '"status":"OK"' || true)
        if [ "$lines" -ge "$size" ] && [ "$ok" = "$size" ]; then
            seconds=$(awk -v a="$start" -v b="$(date +%s.%N)" 'BEGIN {printf "%.2f", b - a}')
            break
        fi
        sleep 0.1
    done
    kill "$watcher"
    wait "$watcher" || true
    [ -n "$one_watch" ] || one_watch=$seconds
    echo "--watch 1: every device OK in a report $seconds s after the start," \
         "ratio $(awk -v a="$seconds" -v b="$one_watch" 'BEGIN {printf "%.2f", a / b}') to one device"
}

one_wall=
one_watch=
for size in $sizes; do
    echo "== $size device(s)"
    nofile=1024
    options=()
    if [ "$size" -gt 1000 ]; then
        nofile=$limit
        [ -z "$parallel_10000" ] || options=(--parallel "$parallel_10000")
    fi
    # The simulator gets every descriptor there is: a connection each, and its sockets or one per port.
    start_sim "$(fleet_range 1 "$size")" --max-connections 1000000
    fleet_list 1 "$size" >"$work/fleet"
    sim_before=$(cpu_seconds "$sim_pid")
    start=$(date +%s.%N)
    prlimit --nofile="$nofile:$nofile" "$status" --json --ntp-port "$ntp_port" "${options[@]}" --from "$work/fleet" \
        >"$work/out" 2>"$work/err" &
    status_pid=$!
    sample_peaks "$status_pid" "$work/peaks" &
    sampler=$!
    exit_status=0
    wait "$status_pid" || exit_status=$?
    end=$(date +%s.%N)
    wait "$sampler"
    sim_after=$(cpu_seconds "$sim_pid")
    wall=$(awk -v a="$start" -v b="$end" 'BEGIN {printf "%.2f", b - a}')
    [ -n "$one_wall" ] || one_wall=$wall
    read -r fds threads rss <"$work/peaks"
    echo "nofile $nofile ${options[*]}: exit status $exit_status, $wall s wall," \
         "ratio $(awk -v a="$wall" -v b="$one_wall" 'BEGIN {printf "%.1f", a / b}') to one device," \
         "$(grep -c '"status":"OK"' "$work/out" || true) of $size OK"
    echo "vantrex-status peaks: $fds descriptors ($(awk -v a="$fds" -v b="$size" 'BEGIN {printf "%.2f", a / b}')" \
         "a device), $threads threads, $((rss / 1024)) MB resident; the simulator used" \
         "$(awk -v a="$sim_before" -v b="$sim_after" 'BEGIN {printf "%.1f", b - a}') s of CPU; load average" \
         "$(cut -d' ' -f1-3 /proc/loadavg) at the end"
    echo "read over: $(jq -r '.link // "none"' "$work/out" | sort | uniq -c | tr '\n' ' ')"
    # What the others were, counted by status and failure (or first problem).
    jq -r 'select(.status != "OK") | "\(.status) \(.failure // .problems[0].text // "")"' "$work/out" |
        sort | uniq -c | sort -rn | head -5
    [ ! -s "$work/err" ] || echo "stderr: $(head -c 300 "$work/err")"
    watch_all_ok "$size" "$nofile" "${options[@]}"
    stop_sim
done
