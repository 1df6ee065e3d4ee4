#!/bin/sh
# The exporter requiring a verified client certificate over TLS 1.3, met by curl as clients fail: plain HTTP,
# no client certificate, one from an unknown issuer, no trust in the exporter's certificate, TLS 1.2 only.
# Each failure is counted under its reason, and the page stays clean for promtool.
# Usage: tls-failures-counted.sh EXPORTER FOLDER
set -eu
exporter=$1
folder=$(mktemp -d "$2/tls-failures.XXXXXX")
pid=
cleanup() {
    [ -z "$pid" ] || kill "$pid" 2>/dev/null || true
    wait 2>/dev/null || true
    rm -rf "$folder"
}
trap cleanup EXIT
address=127.0.242.1 port=20745
cd "$folder"
certificate() { # NAME [OPTION...]
    name=$1
    shift
    openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:P-256 -nodes -days 2 -subj "/CN=$name" \
        -keyout "$name.key" -out "$name.pem" "$@" 2>/dev/null
}
certificate server -addext "subjectAltName=IP:$address"
certificate ca
certificate stranger
openssl req -newkey ec -pkeyopt ec_paramgen_curve:P-256 -nodes -subj /CN=client -keyout client.key \
    -out client.csr 2>/dev/null
openssl x509 -req -in client.csr -CA ca.pem -CAkey ca.key -CAcreateserial -days 2 -out client.pem 2>/dev/null
printf 'tls_server_config:\n  cert_file: server.pem\n  key_file: server.key\n  client_ca_file: ca.pem\n' >web.yml
printf '  client_auth_type: RequireAndVerifyClientCert\n  min_version: TLS13\n' >>web.yml
setsid "$exporter" --listen "$address:$port" --web.config.file web.yml </dev/null >exporter.out 2>&1 &
pid=$!

url="https://$address:$port/metrics"
good() {
    curl -s --cacert server.pem --cert client.pem --key client.key "$@" "$url"
}
tries=0
until good -o /dev/null -f; do
    tries=$((tries + 1))
    if [ "$tries" -gt 50 ]; then
        echo "the exporter did not answer over TLS within 10 s" >&2
        cat exporter.out >&2
        exit 1
    fi
    sleep 0.2
done
curl -s -o /dev/null "http://$address:$port/metrics" || true
curl -s -o /dev/null --cacert server.pem "$url" || true
curl -s -o /dev/null --cacert server.pem --cert stranger.pem --key stranger.key "$url" || true
curl -s -o /dev/null --cert client.pem --key client.key "$url" || true
good -o /dev/null --tls-max 1.2 || true
good >metrics.txt || true

failed=0
for reason in plain-http no-client-certificate bad-client-certificate certificate-refused version; do
    grep -qxF "vantrex_exporter_tls_failures_total{reason=\"$reason\"} 1" metrics.txt || {
        echo "not counted once: $reason" >&2
        failed=1
    }
done
grep -qxF 'vantrex_exporter_tls_failures_total{reason="other"} 0' metrics.txt || {
    echo "a failure counted under other" >&2
    failed=1
}
promtool check metrics <metrics.txt >&2 || failed=1
[ "$failed" -eq 0 ] || { grep tls_failures metrics.txt; cat exporter.out; } >&2
exit "$failed"
