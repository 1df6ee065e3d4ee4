#!/usr/bin/env bash
# Figures of vantrex-exporter's fleet on its schedule, against vantrex-sim, loopback only (127.70.x to
# 127.72.x), /metrics read every POLL seconds (default 0.2 for the restart, 2 for the others):
#   1. restart: 200 healthy devices, the exporter stopped and started again: seconds from the start until
#      every device has its series, and whether any showed vantrex_up 0 meanwhile;
#   2. turns: 2,000 healthy devices under a limit of 1,024 open files, kept for TURNS_SECONDS (default
#      180): the most devices ever stale, and the fewest up once all were;
#   3. reloads: 201 healthy devices with --parallel 10, SIGHUP every 2 s for RELOAD_SECONDS (default 30):
#      the most devices ever stale, and devices up at the end.
# STAGES chooses among them (default "restart turns reloads").
# Usage: bench/exporter/fleet_schedule_figures.sh [BUILD_DIR]   (default build/normal)
set -euo pipefail
cd "$(dirname "$0")/../.."
stages=" ${STAGES:-restart turns reloads} "
turns_seconds=${TURNS_SECONDS:-180}
reload_seconds=${RELOAD_SECONDS:-30}
ntp_port=12170
source bench/status/sim_fleet.sh
exporter=$build/exporter/vantrex-exporter

wanted() { # STAGE
    [[ "$stages" == *" $1 "* ]]
}
# Starts the exporter on LISTEN with at most NOFILE descriptors; returns once it answers.
start_exporter() { # LISTEN NOFILE ARGUMENTS...
    local listen=$1 nofile=$2
    shift 2
    prlimit --nofile="$nofile" "$exporter" --listen "$listen" --ntp-port "$ntp_port" "$@" 2>>"$work/exporter.log" &
    pids+=($!)
    exporter_pid=$!
    for _ in $(seq 200); do curl -sf "http://$listen/-/healthy" >/dev/null && return; sleep 0.05; done
    echo "vantrex-exporter did not start on $listen" >&2
    exit 1
}
stop_exporter() {
    kill "$exporter_pid"
    wait "$exporter_pid" || true
}
# Counts on one /metrics page: devices up, down, stale; "-1 -1 -1" when it gave none.
counts() { # LISTEN
    curl -sf "http://$1/metrics" 2>/dev/null |
        awk '/^vantrex_up\{.*\} 1$/ {up++} /^vantrex_up\{.*\} 0$/ {down++}
             /^vantrex_problem\{.*code="stale"\} 1$/ {stale++}
             END {if (NR == 0) print "-1 -1 -1"; else printf "%d %d %d\n", up, down, stale}'
}
# Reads /metrics every POLL seconds for SECONDS; the most stale and down at once, the fewest up once every
# one of COUNT was up, and the last counts.
watch_counts() { # LISTEN SECONDS COUNT POLL
    local end most_stale=0 most_down=0 fewest_up=-1 all_up=0 up down stale
    end=$(($(date +%s) + $2))
    while [ "$(date +%s)" -lt "$end" ]; do
        read -r up down stale < <(counts "$1")
        [ "$stale" -gt "$most_stale" ] && most_stale=$stale
        [ "$down" -gt "$most_down" ] && most_down=$down
        [ "$up" -ge "$3" ] && all_up=1
        if [ "$all_up" = 1 ] && { [ "$fewest_up" -lt 0 ] || [ "$up" -lt "$fewest_up" ]; }; then fewest_up=$up; fi
        sleep "$4"
    done
    echo "most stale at once: $most_stale; most down at once: $most_down; fewest up once all were: $fewest_up; last: up $up, down $down, stale $stale"
}

if wanted restart; then
    echo "== restart with 200 healthy devices"
    start_sim "$(fleet_range 70 200)" --max-connections 100000
    fleet_list 70 200 >"$work/restart.txt"
    listen=127.0.70.1:9716
    start_exporter "$listen" 20000 --from "$work/restart.txt"
    for _ in $(seq 300); do [ "$(counts "$listen" | cut -d' ' -f1)" = 200 ] && break; sleep 0.2; done
    echo "before the restart: $(counts "$listen") (up down stale)"
    stop_exporter
    started=$(date +%s.%N)
    start_exporter "$listen" 20000 --from "$work/restart.txt"
    first_down=none
    while :; do
        read -r up down stale < <(counts "$listen")
        now=$(date +%s.%N)
        [ "$down" -gt 0 ] && [ "$first_down" = none ] && first_down=$(awk -v a="$started" -v b="$now" 'BEGIN {printf "%.1f s", b - a}')
        [ "$up" -ge 200 ] && break
        awk -v a="$started" -v b="$now" 'BEGIN {exit !(b - a > 60)}' && { echo "not every device up within 60 s: $up"; break; }
        sleep 0.2
    done
    awk -v a="$started" -v b="$now" -v u="$up" 'BEGIN {printf "all %d devices up %.1f s after the start\n", u, b - a}'
    echo "first vantrex_up 0 seen: $first_down"
    stop_exporter
    stop_sim
fi

if wanted turns; then
    echo "== 2,000 healthy devices under a limit of 1,024 open files, for $turns_seconds s"
    start_sim "$(fleet_range 71 2000)" --max-connections 100000
    fleet_list 71 2000 >"$work/turns.txt"
    listen=127.0.71.1:9716
    start_exporter "$listen" 1024 --from "$work/turns.txt"
    watch_counts "$listen" "$turns_seconds" 2000 2
    grep 'read at once' "$work/exporter.log" | tail -1 || true
    stop_exporter
    stop_sim
fi

if wanted reloads; then
    echo "== 201 healthy devices, --parallel 10, SIGHUP every 2 s for $reload_seconds s"
    start_sim "$(fleet_range 72 201)" --max-connections 100000
    fleet_list 72 201 >"$work/reloads.txt"
    listen=127.0.72.1:9716
    start_exporter "$listen" 20000 --from "$work/reloads.txt" --parallel 10
    # Until every device has been read once, then the reloads.
    for _ in $(seq 600); do [ "$(counts "$listen" | cut -d' ' -f1)" -ge 201 ] && break; sleep 0.5; done
    echo "before the reloads: $(counts "$listen") (up down stale)"
    (
        end=$(($(date +%s) + reload_seconds))
        while [ "$(date +%s)" -lt "$end" ]; do kill -HUP "$exporter_pid"; sleep 2; done
    ) &
    watch_counts "$listen" "$((reload_seconds + 10))" 201 1
    stop_exporter
    stop_sim
fi
