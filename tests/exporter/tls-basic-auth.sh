#!/bin/sh
# The exporter with a web configuration file, tried with the clients that will meet it: curl over TLS with
# basic auth (the right password, a wrong one, an unknown user, none, a first login beside a flood of
# guesses from another address, plain HTTP to the TLS port),
# /-/ready, POST /-/reload taking a changed user list, and Debian's Prometheus scraping over TLS with basic
# auth as its scrape configuration gives them (tls_config, basic_auth).
# Usage: tls-basic-auth.sh EXPORTER FOLDER
set -eu
exporter=$1
folder=$(mktemp -d "$2/tls-basic-auth.XXXXXX")
pids=
cleanup() {
    for pid in $pids; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$folder"
}
trap cleanup EXIT
address=127.0.241.1 port=20743 server=127.0.241.2:20790 guesser=127.0.241.3
cd "$folder"
# Clients check the address against the certificate's subjectAltName.
openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:P-256 -nodes -days 2 -subj /CN=vantrex-test \
    -addext "subjectAltName=IP:$address" -keyout server.key -out server.pem 2>/dev/null
# htpasswd -nbBC 4: prom's password is "secret", other's "pass".
prom='$2y$04$h4GA8jw04u09RW2yfmZHee1LdU1drAY.x93F/8p01TkeKPfczpBgi'
other='$2y$04$rh7BaLIacokmqW4ZC5MHDOL6JGeMhZsuzDrqDaA4BF6FflnfC586y'
printf 'tls_server_config:\n  cert_file: server.pem\n  key_file: server.key\n  min_version: TLS12\nbasic_auth_users:\n  prom: %s\n  other: %s\n' \
    "$prom" "$other" >web.yml
setsid "$exporter" --listen "$address:$port" --web.config.file web.yml --web.enable-lifecycle </dev/null \
    >exporter.out 2>&1 &
pids="$pids $!"

url="https://$address:$port"
# The status curl gets for a path, with the options given before it; 000 when no answer came.
status() {
    path=$1
    shift
    curl -s -o /dev/null -w '%{http_code}' --cacert server.pem "$@" "$url$path" || true
}
tries=0
until [ "$(status /-/healthy -u prom:secret)" = 200 ]; do
    tries=$((tries + 1))
    if [ "$tries" -gt 50 ]; then
        echo "the exporter did not answer over TLS within 10 s" >&2
        cat exporter.out >&2
        exit 1
    fi
    sleep 0.2
done

failed=0
expect() {
    if [ "$1" != "$2" ]; then
        echo "$3: $1, not $2" >&2
        failed=1
    fi
}
expect "$(status /metrics -u prom:secret)" 200 "the right password"
expect "$(status /metrics -u prom:wrong)" 401 "a wrong password"
expect "$(status /metrics -u stranger:secret)" 401 "an unknown user"
expect "$(status /metrics)" 401 "no authorization"
expect "$(status /-/ready -u prom:secret)" 200 "/-/ready with no device to read"
curl -s --cacert server.pem -D headers.txt -o /dev/null "$url/metrics" || true
grep -qi '^WWW-Authenticate: Basic realm="vantrex-exporter"' headers.txt || {
    echo "a 401 without its WWW-Authenticate field" >&2
    failed=1
}
curl -s --cacert server.pem -u prom:secret "$url/metrics" >metrics.txt || true
for family in process_cpu_seconds_total process_open_fds vantrex_exporter_config_last_reload_successful \
    'vantrex_exporter_scrape_errors_total{reason="unauthorized"} 4'; do
    grep -qF "$family" metrics.txt || {
        echo "/metrics lacks $family" >&2
        failed=1
    }
done
# A flood of guesses from one address: a first login from another is still checked and let in.
(
    for _ in $(seq 100); do
        [ -e flood-ends ] && break
        curl -s --parallel --parallel-max 20 --interface "$guesser" --cacert server.pem -u prom:guess \
            -o /dev/null -o /dev/null -o /dev/null -o /dev/null -o /dev/null \
            "$url/metrics" "$url/metrics" "$url/metrics" "$url/metrics" "$url/metrics" 2>/dev/null || true
    done
) &
flood=$!
pids="$pids $flood"
tries=0
until curl -s --cacert server.pem -u prom:secret "$url/metrics" |
    grep -q '^vantrex_exporter_scrape_errors_total{reason="busy"} [1-9]' || [ "$tries" -gt 100 ]; do
    tries=$((tries + 1))
    sleep 0.05
done
expect "$(status /metrics -u other:pass)" 200 "a first login beside a flood of guesses"
touch flood-ends
wait "$flood"

# Plain HTTP to the TLS port gets no page, and the log names the client's mistake.
expect "$(curl -s -o /dev/null -w '%{http_code}' "http://$address:$port/metrics" || true)" 000 "plain HTTP"
grep -q "spoke plain HTTP to a TLS port" exporter.out || {
    echo "no log line for plain HTTP to the TLS port" >&2
    failed=1
}

# A changed user list, taken by POST /-/reload: the user taken out is refused from then on.
printf 'tls_server_config:\n  cert_file: server.pem\n  key_file: server.key\nbasic_auth_users:\n  other: %s\n' \
    "$other" >web.yml
expect "$(status /-/reload -u prom:secret -X POST)" 200 "POST /-/reload"
tries=0
until [ "$(status /metrics -u other:pass)" = 200 ] || [ "$tries" -gt 50 ]; do
    tries=$((tries + 1))
    sleep 0.2
done
expect "$(status /metrics -u other:pass)" 200 "the user kept after the reload"
expect "$(status /metrics -u prom:secret)" 401 "the removed user after the reload"

# Prometheus scrapes it over TLS with basic auth.
cat >prometheus.yml <<CONFIG
global: {scrape_interval: 1s, scrape_timeout: 1s}
scrape_configs:
  - job_name: vantrex_tls
    scheme: https
    tls_config: {ca_file: $folder/server.pem}
    basic_auth: {username: other, password: pass}
    static_configs: [{targets: ['$address:$port']}]
CONFIG
setsid prometheus --config.file=prometheus.yml --storage.tsdb.path=data --web.listen-address="$server" \
    </dev/null >prometheus.out 2>&1 &
pids="$pids $!"
up() {
    curl -sf --get "http://$server/api/v1/query" --data-urlencode 'query=up{job="vantrex_tls"}' |
        jq -r '.data.result | if length == 1 then .[0].value[1] else empty end' 2>/dev/null || true
}
tries=0
until [ "$(up)" = 1 ] || [ "$tries" -gt 60 ]; do
    tries=$((tries + 1))
    sleep 0.5
done
expect "$(up)" 1 "Prometheus' scrape over TLS with basic auth"
[ "$failed" -eq 0 ] || cat exporter.out >&2
exit "$failed"
