#!/usr/bin/env bash
# Figures of vantrex-exporter against vantrex-sim, loopback only (127.0.60.x to 127.0.64.x):
#   1. 200 concurrent /probe requests against 200 devices: all answered, wall time against one probe;
#   2. fleet mode with 1,000 devices: /metrics latency (p50, p99 of SCRAPES scrapes, default 300), resident
#      memory, threads, descriptors, and CPU while idle between scrapes (IDLE_SECONDS, default 60);
#   3. the fleet with 1,000 clients trickling their requests and 10,000 idle connections at once
#      (slow_clients.py, SLOW_SECONDS, default 60): /metrics latency (p50, p99 of SCRAPES scrapes), threads
#      and descriptors before and while they are there;
#   4. the fleet scraped every second for SOAK_SECONDS (default 600): memory, threads and descriptors at
#      its start and end;
#   5. fleets of each size in SIZES (default "1000 10000") from one simulator (127.2.0.1 upwards): threads
#      and descriptors once every device is up, CPU while idle over SIZE_IDLE_SECONDS (default 30), and
#      /metrics p50 and p99 of SCRAPES scrapes; the simulator's CPU meanwhile, as it answers every device's
#      poll. It runs first: a simulator with more addresses than its descriptors allow sockets for takes its
#      ports on every loopback address, so run the script alone, inside /work/tools/isolated.
#   6. a fleet of 1,000 devices with one /probe in flight to a silent device: threads and descriptors, and
#      /metrics p50 and p99 of SCRAPES scrapes meanwhile, all on the exporter's one loop;
#   7. half-sent request heads (FLOOD_HEADS, default 6,000, from 10 addresses, each opened again after its
#      408) against --max-connections 5000, while 500 scrapes run one after the other: how many succeed.
# STAGES chooses among them (default "sizes probes fleet slow soak inflight flood"; slow and soak need
# fleet).
# Usage: bench/exporter/exporter_figures.sh [BUILD_DIR]   (default build/normal)
set -euo pipefail
cd "$(dirname "$0")/../.."
stages=" ${STAGES:-sizes probes fleet slow soak inflight flood} "
sizes=${SIZES:-1000 10000}
size_idle_seconds=${SIZE_IDLE_SECONDS:-30}
scrapes=${SCRAPES:-300}
idle_seconds=${IDLE_SECONDS:-60}
soak_seconds=${SOAK_SECONDS:-600}
slow_seconds=${SLOW_SECONDS:-60}
flood_heads=${FLOOD_HEADS:-6000}
ntp_port=12160
source bench/status/sim_fleet.sh
exporter=$build/exporter/vantrex-exporter

sample() { # PID
    local pid=$1
    echo "rss_kb=$(awk '/VmRSS/{print $2}' "/proc/$pid/status") threads=$(awk '/Threads/{print $2}' "/proc/$pid/status")" \
         "fds=$(ls "/proc/$pid/fd" | wc -l) load=$(cut -d' ' -f1 /proc/loadavg)"
}
# Says whether a figure is within its target: "met" or "MISSED".
judge() { # WHAT VALUE LIMIT
    awk -v what="$1" -v v="$2" -v limit="$3" 'BEGIN {printf "%s %s, target <= %s: %s\n", what, v, limit, v <= limit ? "met" : "MISSED"}'
}
# The figure of one sample: "fds", "threads".
field() { # SAMPLE NAME
    sed -n "s/.*$2=\([0-9]*\).*/\1/p" <<<"$1"
}
start_exporter() { # LISTEN ARGUMENTS...
    local listen=$1
    shift
    # As many descriptors as allowed: a quarter of them for client connections.
    prlimit --nofile="$(ulimit -Hn)" "$exporter" --listen "$listen" --ntp-port "$ntp_port" "$@" 2>/dev/null &
    pids+=($!)
    exporter_pid=$!
    for _ in $(seq 100); do curl -sf "http://$listen/-/healthy" >/dev/null && return; sleep 0.1; done
    echo "vantrex-exporter did not start on $listen" >&2
    exit 1
}
# The nth of the sorted numbers in FILE, n given as a fraction.
quantile() { # FILE FRACTION
    sort -g "$1" | awk -v q="$2" '{v[NR]=$1} END {i=int(q*NR+0.999999); if (i<1) i=1; printf "%.1f ms", v[i]*1000}'
}
milliseconds() { # QUANTILE_TEXT
    echo "${1% ms}"
}
wanted() { # STAGE
    [[ "$stages" == *" $1 "* ]]
}
# Waits up to a few minutes until the exporter at LISTEN reports COUNT devices up; prints how many are.
wait_until_up() { # LISTEN COUNT
    local up=0
    for _ in $(seq 1200); do
        up=$(curl -sf "http://$1/metrics" | grep -c '^vantrex_up{.*} 1$' || true)
        [ "$up" -ge "$2" ] && break
        sleep 0.2
    done
    echo "$up"
}
# Waits (at most 30 s) until the process's CPU use has settled: two seconds in a row that cost the same
# within a hundredth of a second, so that the idle figure does not count the tail of the work before it.
wait_until_settled() { # PID
    local before last=-1 used
    for _ in $(seq 30); do
        before=$(cpu_seconds "$1")
        sleep 1
        used=$(awk -v a="$before" -v b="$(cpu_seconds "$1")" 'BEGIN {printf "%.2f", b - a}')
        awk -v a="$used" -v b="$last" 'BEGIN {exit !(a - b <= 0.01 && b - a <= 0.01)}' && return
        last=$used
    done
}
scrape_latencies() { # LISTEN COUNT
    for _ in $(seq "$2"); do
        curl -sf -o /dev/null -w '%{time_total}\n' "http://$1/metrics" || echo 999
    done
}
percent_of_core() { # CPU_SECONDS_BEFORE CPU_SECONDS_AFTER SECONDS
    awk -v a="$1" -v b="$2" -v s="$3" 'BEGIN {printf "%.1f%%", (b - a) / s * 100}'
}

if wanted sizes; then
    for size in $sizes; do
        echo "== fleet mode, $size devices from one simulator"
        start_sim "$(fleet_range 2 "$size")" --max-connections 1000000
        fleet_list 2 "$size" >"$work/sized-fleet"
        start_exporter 127.3.0.1:12717 --from "$work/sized-fleet"
        echo "$(wait_until_up 127.3.0.1:12717 "$size") of $size devices up; $(sample "$exporter_pid")"
        wait_until_settled "$exporter_pid" # the checks' answers drain first
        exporter_before=$(cpu_seconds "$exporter_pid")
        sim_before=$(cpu_seconds "$sim_pid")
        sleep "$size_idle_seconds"
        echo "idle for ${size_idle_seconds} s:" \
             "$(percent_of_core "$exporter_before" "$(cpu_seconds "$exporter_pid")" "$size_idle_seconds") of a core;" \
             "the simulator $(percent_of_core "$sim_before" "$(cpu_seconds "$sim_pid")" "$size_idle_seconds")"
        up_sample=$(sample "$exporter_pid")
        scrape_latencies 127.3.0.1:12717 "$scrapes" >"$work/sized-latency"
        echo "/metrics over $scrapes scrapes: p50 $(quantile "$work/sized-latency" 0.5)," \
             "p99 $(quantile "$work/sized-latency" 0.99); $(sample "$exporter_pid")"
        judge "descriptors with every device up" "$(field "$up_sample" fds)" $((size * 11 / 10 + 100))
        judge "/metrics p99 (ms)" "$(milliseconds "$(quantile "$work/sized-latency" 0.99)")" 50
        kill "$exporter_pid"
        wait "$exporter_pid" || true
        stop_sim
    done
fi

if wanted probes; then
    echo "== 200 concurrent probes, 200 devices"
    start_sim 127.0.64.1-127.0.64.200
    start_exporter 127.0.64.251:12716 --allow 127.0.64.0/24 --max-probes 256
    probe_url() { echo "http://127.0.64.251:12716/probe?target=127.0.64.$1"; }
    for device in 1 2 3; do
        /usr/bin/time -f "one probe: %e s" curl -sf -o /dev/null "$(probe_url "$device")"
    done
    # One client making all the requests at once: 200 processes of their own would compete with the exporter.
    requests=()
    for device in $(seq 200); do requests+=(-o "$work/probe.$device" "$(probe_url "$device")"); done
    start=$(date +%s.%N)
    curl -s --parallel --parallel-immediate --parallel-max 200 "${requests[@]}" || true
    end=$(date +%s.%N)
    grep -l '^vantrex_probe_success 1$' "$work"/probe.* >"$work/probes" || true
    echo "200 probes at once: $(wc -l <"$work/probes") succeeded," \
         "$(awk -v a="$start" -v b="$end" 'BEGIN{printf "%.2f", b-a}') s wall"
fi

if wanted fleet; then
    echo "== fleet mode, 1,000 devices"
    start_sim 127.0.60.1-127.0.63.232
    # The simulator's range counts on through .0 and .255: 1,000 addresses.
    awk 'BEGIN { for (n = 60 * 256 + 1; n < 60 * 256 + 1001; ++n) printf "127.0.%d.%d\n", n / 256, n % 256 }' \
        >"$work/fleet"
    echo "$(wc -l <"$work/fleet") devices listed"
    start_exporter 127.0.64.250:12716 --from "$work/fleet"
    fleet_pid=$exporter_pid
    echo "$(wait_until_up 127.0.64.250:12716 1000) devices up; $(sample "$fleet_pid")"
    scrape_latencies 127.0.64.250:12716 "$scrapes" >"$work/latency"
    echo "/metrics over $scrapes scrapes: p50 $(quantile "$work/latency" 0.5), p99 $(quantile "$work/latency" 0.99)," \
         "$(curl -sf http://127.0.64.250:12716/metrics | wc -c) bytes"
    wait_until_settled "$fleet_pid" # the scrapes' answers drain first
    before=$(cpu_seconds "$fleet_pid")
    sleep "$idle_seconds"
    after=$(cpu_seconds "$fleet_pid")
    echo "idle for ${idle_seconds} s: $(percent_of_core "$before" "$after" "$idle_seconds") of a core; $(sample "$fleet_pid")"
fi

if wanted slow; then
    echo "== 1,000 trickling clients and 10,000 idle connections, fleet of 1,000"
    before="$(sample "$fleet_pid")"
    (ulimit -n "$(ulimit -Hn)" && exec /usr/bin/python3 bench/exporter/slow_clients.py 127.0.64.250 12716 1000 10000 \
        "$slow_seconds") >"$work/slow" 2>"$work/slow-connected" &
    slow_pid=$!
    pids+=("$slow_pid")
    # The scrapes start once every idle client has tried its connection (at most a minute).
    for _ in $(seq 600); do grep -q connected "$work/slow-connected" && break; sleep 0.1; done
    during="$(sample "$fleet_pid")"
    for _ in $(seq "$scrapes"); do
        curl -sf -o /dev/null -w '%{time_total}\n' http://127.0.64.250:12716/metrics || echo 999
        sleep 0.1
    done >"$work/slow-latency"
    echo "before: $before; with the clients: $during"
    echo "/metrics over $scrapes scrapes meanwhile: p50 $(quantile "$work/slow-latency" 0.5)," \
         "p99 $(quantile "$work/slow-latency" 0.99)"
    wait "$slow_pid" || true
    echo "clients: $(cat "$work/slow")"
    echo "after they left: $(sample "$fleet_pid")"
fi

if wanted soak; then
    echo "== fleet scraped every second for ${soak_seconds} s"
    echo "at start: $(sample "$fleet_pid")"
    for second in $(seq "$soak_seconds"); do
        curl -sf -o /dev/null http://127.0.64.250:12716/metrics || echo "scrape $second failed"
        [ $((second % 60)) -eq 0 ] && echo "at ${second} s: $(sample "$fleet_pid")"
        sleep 1
    done
fi

if wanted inflight; then
    echo "== fleet of 1,000 with one /probe in flight"
    [ -n "${fleet_pid:-}" ] && kill "$fleet_pid" && wait "$fleet_pid" 2>/dev/null || true
    start_sim 127.0.60.1-127.0.63.232
    awk 'BEGIN { for (n = 60 * 256 + 1; n < 60 * 256 + 1001; ++n) printf "127.0.%d.%d\n", n / 256, n % 256 }' \
        >"$work/inflight-fleet"
    fleet_sim_pid=$sim_pid
    start_sim 127.0.65.1 --silent
    start_exporter 127.0.64.249:12718 --from "$work/inflight-fleet" --allow 127.0.65.0/24
    echo "$(wait_until_up 127.0.64.249:12718 1000) devices up; $(sample "$exporter_pid")"
    curl -sf -o /dev/null -H 'X-Prometheus-Scrape-Timeout-Seconds: 30' \
        "http://127.0.64.249:12718/probe?target=127.0.65.1" &
    probe_pid=$!
    for _ in $(seq 100); do
        curl -sf http://127.0.64.249:12718/metrics | grep -q '^vantrex_exporter_probes_in_flight 1$' && break
        sleep 0.1
    done
    in_flight=$(sample "$exporter_pid")
    echo "probe in flight: $in_flight"
    scrape_latencies 127.0.64.249:12718 "$scrapes" >"$work/inflight-latency"
    echo "/metrics over $scrapes scrapes meanwhile: p50 $(quantile "$work/inflight-latency" 0.5)," \
         "p99 $(quantile "$work/inflight-latency" 0.99); $(sample "$exporter_pid")"
    judge "threads with a probe in flight" "$(field "$in_flight" threads)" 2
    kill "$probe_pid" 2>/dev/null || true
    kill "$exporter_pid"
    wait "$exporter_pid" || true
    stop_sim
    kill "$fleet_sim_pid"
    wait "$fleet_sim_pid" || true
fi

if wanted flood; then
    echo "== $flood_heads half-sent heads from 10 addresses against --max-connections 5000, 500 scrapes"
    start_exporter 127.0.64.248:12719 --max-connections 5000
    (ulimit -n "$(ulimit -Hn)" && exec /usr/bin/python3 bench/exporter/half_heads.py 127.0.64.248 12719 \
        "$flood_heads" 600) >"$work/flood" 2>"$work/flood-connected" &
    flood_pid=$!
    pids+=("$flood_pid")
    for _ in $(seq 600); do grep -q connected "$work/flood-connected" && break; sleep 0.1; done
    echo "flood connected: $(sample "$exporter_pid")"
    # A scraper, one scrape after the other, each with Prometheus's default limit of 10 s.
    answered=0
    for _ in $(seq 500); do
        curl -sf -o /dev/null --max-time 10 http://127.0.64.248:12719/metrics && answered=$((answered + 1))
    done
    echo "$answered of 500 scrapes answered"
    kill "$flood_pid"
    wait "$flood_pid" || true
    echo "after: $(sample "$exporter_pid"); $(curl -sf http://127.0.64.248:12719/metrics |
        grep -E '^vantrex_exporter_(connections_refused_total|scrape_errors_total\{reason="timeout"\})' | tr '\n' ' ')"
    kill "$exporter_pid"
    wait "$exporter_pid" || true
fi
