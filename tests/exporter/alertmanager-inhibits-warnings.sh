#!/bin/sh
# Debian's Alertmanager runs the shipped inhibit example on loopback and is sent the alerts one clock
# fault and one dead device raise: the warning of a problem that is CRITICAL on the same device is muted,
# as is the NTP silence of a device not reached at all; the same problem on another device, and another
# problem of the same device, are not.
# Usage: alertmanager-inhibits-warnings.sh CONFIGURATION FOLDER
set -eu
configuration=$1
folder=$(mktemp -d "$2/alertmanager-test.XXXXXX")
pid=
cleanup() {
    [ -z "$pid" ] || kill "$pid" 2>/dev/null || true
    wait 2>/dev/null || true
    rm -rf "$folder"
}
trap cleanup EXIT

amtool check-config "$configuration" >"$folder/check.out" 2>&1 || {
    cat "$folder/check.out" >&2
    exit 1
}
server=127.0.211.1:20793
# No cluster: it would listen on every address and look for peers.
prometheus-alertmanager --config.file="$configuration" --storage.path="$folder/data" \
    --web.listen-address="$server" --cluster.listen-address= >"$folder/alertmanager.out" 2>&1 &
pid=$!
tries=0
until curl -sf "http://$server/-/ready" >/dev/null; do
    tries=$((tries + 1))
    if [ "$tries" -gt 100 ]; then
        echo "Alertmanager was not ready within 20 s" >&2
        cat "$folder/alertmanager.out" >&2
        exit 1
    fi
    sleep 0.2
done

# One alert as Prometheus sends it: name, severity, device, problem code.
alert() {
    printf '{"labels": {"alertname": "%s", "severity": "%s", "address": "%s", "code": "%s", ' "$1" "$2" "$3" "$4"
    printf '"job": "vantrex_fleet", "instance": "exporter-a:9716"}}'
}
{
    printf '['
    alert VantrexOffset critical 192.0.2.1 offset
    printf ','
    alert VantrexOffset warning 192.0.2.1 offset
    printf ','
    alert VantrexNtpOffset warning 192.0.2.1 ntp-offset
    printf ','
    alert VantrexOffset warning 192.0.2.2 offset
    printf ','
    alert VantrexUnreachable critical 192.0.2.3 unreachable
    printf ','
    alert VantrexNtpUnanswered critical 192.0.2.3 ntp-unanswered
    printf ']'
} >"$folder/alerts.json"
curl -sf -H 'Content-Type: application/json' --data @"$folder/alerts.json" "http://$server/api/v2/alerts"

# The muted alerts, once Alertmanager has judged all six.
muted() {
    curl -sf "http://$server/api/v2/alerts" |
        jq -r 'if length == 6 then .[] | select(.status.state == "suppressed") |
               "\(.labels.alertname) \(.labels.severity) \(.labels.address)" else "not yet" end' | sort
}
expected='VantrexNtpUnanswered critical 192.0.2.3
VantrexOffset warning 192.0.2.1'
tries=0
until [ "$(muted)" = "$expected" ] || [ "$tries" -gt 50 ]; do
    tries=$((tries + 1))
    sleep 0.2
done
got=$(muted)
if [ "$got" != "$expected" ]; then
    printf 'muted:\n%s\nnot:\n%s\n' "$got" "$expected" >&2
    exit 1
fi
