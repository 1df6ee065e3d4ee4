#!/usr/bin/env bash
# Debian's Prometheus with the shipped rules as they are (for: 2m) scrapes an exporter of 200 healthy
# devices and one without GPS lock, every 5 s, loopback only (127.73.x). Once VantrexGpsUnlocked fires, the
# exporter is stopped for DOWN_SECONDS (default 10, two failed scrapes) and started again; then for
# AFTER_SECONDS (default 60) the alert's state is read every second: it must stay firing throughout.
# Prints the seconds until the alert first fired, the seconds after the start until all 201 devices had
# their series, and every second the alert was not firing. RULES names other rules to compare (default the
# shipped ones).
# Usage: bench/exporter/restart_alert_figures.sh [BUILD_DIR]   (default build/normal)
set -euo pipefail
cd "$(dirname "$0")/../.."
down_seconds=${DOWN_SECONDS:-10}
after_seconds=${AFTER_SECONDS:-60}
rules=$(realpath "${RULES:-packaging/prometheus/vantrex-rules.yml}")
ntp_port=12173
source bench/status/sim_fleet.sh
exporter=$build/exporter/vantrex-exporter
listen=127.73.1.2:9716 server=127.73.1.1:20791

start_sim "$(fleet_range 73 200)" --max-connections 100000
fleet_list 73 200 >"$work/devices.txt"
start_sim 127.73.2.1 --letter V
echo 127.73.2.1 >>"$work/devices.txt"

start_exporter() {
    prlimit --nofile=20000 "$exporter" --listen "$listen" --ntp-port "$ntp_port" --from "$work/devices.txt" \
        2>>"$work/exporter.log" &
    pids+=($!)
    exporter_pid=$!
}
start_exporter
cat >"$work/prometheus.yml" <<EOF
global: {scrape_interval: 5s, scrape_timeout: 4s, evaluation_interval: 5s}
rule_files: ['$rules']
scrape_configs:
  - job_name: vantrex_fleet
    static_configs: [{targets: ['$listen']}]
EOF
prometheus --config.file="$work/prometheus.yml" --storage.tsdb.path="$work/data" --web.listen-address="$server" \
    >"$work/prometheus.log" 2>&1 &
pids+=($!)

value() { # QUERY: one number, or empty
    curl -sf --get "http://$server/api/v1/query" --data-urlencode "query=$1" |
        jq -r '.data.result | if length == 1 then .[0].value[1] else empty end' 2>/dev/null || true
}
alert='ALERTS{alertname="VantrexGpsUnlocked",alertstate="firing",address="127.73.2.1"}'
begin=$(date +%s)
until [ "$(value "$alert")" = 1 ]; do
    [ $(($(date +%s) - begin)) -lt 400 ] || { echo "the alert did not fire within 400 s" >&2; exit 1; }
    sleep 1
done
echo "VantrexGpsUnlocked firing $(($(date +%s) - begin)) s after the start"

kill "$exporter_pid"
wait "$exporter_pid" || true
sleep "$down_seconds"
started=$(date +%s.%N)
start_exporter
series=none
gaps=()
for second in $(seq "$after_seconds"); do
    if [ "$series" = none ] && [ "$(curl -sf "http://$listen/metrics" | grep -c '^vantrex_up{' || true)" = 201 ]; then
        series=$(awk -v a="$started" -v b="$(date +%s.%N)" 'BEGIN {printf "%.1f s", b - a}')
    fi
    [ "$(value "$alert")" = 1 ] || gaps+=("$second")
    sleep 1
done
echo "exporter stopped for $down_seconds s; every device's series on /metrics $series after its start"
if [ "${#gaps[@]}" -eq 0 ]; then
    echo "VantrexGpsUnlocked stayed firing for the $after_seconds s after the start"
else
    echo "VantrexGpsUnlocked not firing at second(s): ${gaps[*]}"
fi
