#!/bin/sh
# Debian's Prometheus scrapes two exporters on loopback with the configuration its documentation gives: one exporter's
# /metrics in fleet mode, and the multi-target pattern (/probe?target=) split between both exporters by
# hashmod. Prometheus' own API must then give each simulated device's state (healthy, not locked, down),
# and each target must have been scraped through exactly one exporter. Prometheus loads the shipped rules
# (a copy whose `for:` waits are cut to 2 s, so that the test takes seconds, not minutes) and must fire
# the GPS alert for a device that loses its lock and the alerts of the one that is down; every query of
# the shipped dashboard must give series.
# Usage: prometheus-scrapes-exporters.sh SIM EXPORTER DOCUMENT RULES DASHBOARD FOLDER
set -eu
sim=$1 exporter=$2 document=$3 rules=$4 dashboard=$5
folder=$(mktemp -d "$6/prometheus-test.XXXXXX")
pids=
cleanup() {
    for pid in $pids; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$folder"
}
trap cleanup EXIT
. "$(dirname "$0")/../support/ready-sim.sh"

ntp_port=20125
healthy=127.0.189.10 unlocked=127.0.189.11 down=127.0.189.12 losing=127.0.189.13
first=127.0.189.1:20716 second=127.0.189.2:20716 server=127.0.189.3:20790
start() {
    name=$1
    shift
    setsid "$@" </dev/null >"$folder/$name.out" 2>&1 &
    pids="$pids $!"
}
# The devices listen before the exporters first ask: a time service asked before it listens is, rightly,
# unanswered until the next check is allowed, 16 s later, and that would fire the cut-short NTP alert.
start_ready_sim sim-healthy "$sim" --address "$healthy" --telnet-port 0 --ntp-port "$ntp_port"
start_ready_sim sim-unlocked "$sim" --address "$unlocked" --telnet-port 0 --ntp-port "$ntp_port" --letter V
# Loses its GPS lock 3 s after the exporter has connected.
start_ready_sim sim-losing "$sim" --address "$losing" --telnet-port 0 --ntp-port "$ntp_port" --gps-flips 3000
start first "$exporter" --listen "$first" --allow 127.0.189.0/28 --ntp-port "$ntp_port" --interval 1 \
    "$healthy" "$unlocked" "$down" "$losing"
start second "$exporter" --listen "$second" --allow 127.0.189.0/28 --ntp-port "$ntp_port"

sed 's/^\( *for:\) [0-9]*m$/\1 2s/' "$rules" >"$folder/rules.yml"
# The documented configuration on loopback, the fleet scraped and the rules evaluated every second.
{
    printf 'global: {scrape_interval: 1s, scrape_timeout: 1s, evaluation_interval: 1s}\n'
    sed -n '/^<!-- prometheus configuration -->$/,/^```$/p' "$document" | sed '1,2d;$d' |
        sed -e "s/exporter-a:9716/$first/; s/exporter-b:9716/$second/" \
            -e "s/192\.0\.2\.10/$healthy/; s/192\.0\.2\.11/$unlocked/; s/192\.0\.2\.12/$down/" \
            -e "s|/usr/share/vantrex-config/prometheus/vantrex-rules.yml|$folder/rules.yml|"
} >"$folder/prometheus.yml"
grep -q vantrex_probe_1 "$folder/prometheus.yml" && grep -q "$folder/rules.yml" "$folder/prometheus.yml" || {
    echo "no Prometheus configuration in $document" >&2
    exit 1
}
start prometheus prometheus --config.file="$folder/prometheus.yml" --storage.tsdb.path="$folder/data" \
    --web.listen-address="$server"

# One number from an instant query; empty while Prometheus has none.
value() {
    curl -sf --get "http://$server/api/v1/query" --data-urlencode "query=$1" |
        jq -r '.data.result | if length == 1 then .[0].value[1] else empty end' 2>/dev/null || true
}
tries=0
until [ "$(value 'count(vantrex_probe_success)')" = 3 ] && [ "$(value 'count(vantrex_up{job="vantrex_fleet"})')" = 4 ]; do
    tries=$((tries + 1))
    if [ "$tries" -gt 120 ]; then
        echo "Prometheus did not scrape every target within 60 s" >&2
        cat "$folder/prometheus.yml" >&2
        cat "$folder"/*.out >&2
        exit 1
    fi
    sleep 0.5
done

failed=0
expect() {
    got=$(value "$1")
    if [ "$got" != "$2" ]; then
        echo "$1: $got, not $2" >&2
        failed=1
    fi
}
expect "vantrex_up{job=\"vantrex_fleet\",address=\"$healthy\"}" 1
expect "vantrex_up{job=\"vantrex_fleet\",address=\"$down\"}" 0
expect "vantrex_gps_locked{job=\"vantrex_fleet\",address=\"$healthy\"}" 1
expect "vantrex_gps_locked{job=\"vantrex_fleet\",address=\"$unlocked\"}" 0
expect "vantrex_probe_success{instance=\"$healthy\"}" 1
expect "vantrex_probe_success{instance=\"$unlocked\"}" 1
expect "vantrex_probe_success{instance=\"$down\"}" 0
expect "vantrex_gps_locked{instance=\"$unlocked\",job=~\"vantrex_probe_.\"}" 0
# Through exactly one exporter: one probe job scraped each target, and both jobs have targets or not as
# the shards fell, never a target twice.
for target in "$healthy" "$unlocked" "$down"; do
    expect "count(up{instance=\"$target\"})" 1
done

# The shipped rules, loaded as they are but for their waits: the device that lost its lock raises the
# GPS alert, and the one that is down the alerts of its problems, its NTP silence included.
for alert in "VantrexGpsUnlocked $losing" "VantrexUnreachable $down" "VantrexNtpUnanswered $down"; do
    set -- $alert
    firing="ALERTS{job=\"vantrex_fleet\",alertstate=\"firing\",alertname=\"$1\",address=\"$2\"}"
    tries=0
    until [ "$(value "$firing")" = 1 ] || [ "$tries" -gt 60 ]; do
        tries=$((tries + 1))
        sleep 0.5
    done
    expect "$firing" 1
done
# By then a false alarm for the healthy device would be pending at least; which one is what a failure
# must say.
healthy_alerts="ALERTS{address=\"$healthy\"}"
expect "count($healthy_alerts)" ""
[ -z "$(value "count($healthy_alerts)")" ] ||
    curl -sf --get "http://$server/api/v1/query" --data-urlencode "query=$healthy_alerts" >&2 || true
# Every panel of the dashboard shows something.
jq -r '.. | objects | .expr? // empty' "$dashboard" >"$folder/queries"
[ -s "$folder/queries" ] || { echo "no queries in $dashboard" >&2; failed=1; }
while IFS= read -r query; do
    series=$(curl -sf --get "http://$server/api/v1/query" --data-urlencode "query=$query" | jq '.data.result | length')
    if [ "${series:-0}" -eq 0 ]; then
        echo "dashboard query gives no series: $query" >&2
        failed=1
    fi
done <"$folder/queries"
exit "$failed"
