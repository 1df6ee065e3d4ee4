#!/usr/bin/env bash
# Figures of vantrex-exporter served as an SRE serves it, over TLS with basic auth (bcrypt of cost 10), in
# fleet mode with 1,000 simulated devices whose faults flap (the first 500 lose and regain their GPS lock every
# FLAP_SECONDS, default 15; the other 500 drop a fifth of their NTP answers):
#   1. the soak: scraped every second by curl for SOAK_SECONDS (default 1200), and by Prometheus over TLS with
#      basic auth as well (PROMETHEUS=0 leaves it out); every curl scrape's status and time, and the exporter's
#      resident memory, threads and descriptors every 10 s; how many scrapes were answered, by curl and by
#      Prometheus;
#   2. /metrics p50 and p99 over SCRAPES scrapes (default 1,000) each way, one after the other: a new TLS
#      connection with basic auth for each, taking the page uncompressed and gzip-compressed (as Prometheus
#      asks) in turns; then all on one kept connection, gzip-compressed;
#   3. wrong passwords from 4 addresses, as fast as curl sends them, for FLOOD_SECONDS (default 30): how they
#      were answered, the exporter's CPU meanwhile, the granted scraper's times (a gzip scrape every 0.2 s on a
#      new connection, paced by curl),
#      and how long the first login of another user, from a fifth address, took.
# The machine's load average is printed at the start and the end of each: the figures are only as quiet as
# the machine was. Loopback only (127.0.60.x to 127.0.66.x); with this many addresses, run it in a network
# of its own:
#   unshare -n bash -c "ip link set lo up && bench/exporter/tls_soak_figures.sh [BUILD_DIR]"
set -euo pipefail
cd "$(dirname "$0")/../.."
soak_seconds=${SOAK_SECONDS:-1200}
scrapes=${SCRAPES:-1000}
flap_seconds=${FLAP_SECONDS:-15}
prometheus=${PROMETHEUS:-1}
ntp_port=12160
source bench/status/sim_fleet.sh
exporter=$build/exporter/vantrex-exporter
address=127.0.66.1 port=12720 prometheus_address=127.0.66.2:12790
url="https://$address:$port"

load() { cut -d' ' -f1-3 /proc/loadavg; }
sample() { # PID
    echo "rss_kb=$(awk '/VmRSS/{print $2}' "/proc/$1/status") threads=$(awk '/Threads/{print $2}' "/proc/$1/status")" \
         "fds=$(find "/proc/$1/fd" -mindepth 1 -maxdepth 1 | wc -l)"
}
quantile() { # FILE FRACTION
    sort -g "$1" | awk -v q="$2" '{v[NR]=$1} END {i=int(q*NR+0.999999); if (i<1) i=1; printf "%.1f ms", v[i]*1000}'
}
# Returns once FILE holds a line with TEXT (read as it is written, not asked again and again); false after
# SECONDS.
await_line() { # FILE TEXT SECONDS
    timeout "$3" grep -q -m1 -F "$2" <(tail -n +1 --pid=$$ -f "$1")
}
scrape() { # [CURL_OPTION...]: prints the status and the seconds the scrape took
    curl -s -o /dev/null --max-time 10 --cacert "$work/server.pem" -u scraper:soak-password "$@" \
        -w '%{http_code} %{time_total}\n' "$url/metrics" || true
}

make_work_files() {
    openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:P-256 -nodes -days 2 -subj /CN=vantrex-soak \
        -addext "subjectAltName=IP:$address" -keyout "$work/server.key" -out "$work/server.pem" 2>/dev/null
    # Cost 10, as htpasswd -B makes it by default.
    local hash
    hash=$(python3 -W ignore -c \
        'import crypt; print(crypt.crypt("soak-password", crypt.mksalt(crypt.METHOD_BLOWFISH, rounds=1024)))')
    printf 'tls_server_config:\n  cert_file: %s\n  key_file: %s\nbasic_auth_users:\n  scraper: %s\n  late: %s\n' \
        "$work/server.pem" "$work/server.key" "$hash" "$hash" >"$work/web.yml"
    awk 'BEGIN { for (n = 60 * 256 + 1; n < 60 * 256 + 1001; ++n) printf "127.0.%d.%d\n", n / 256, n % 256 }' \
        >"$work/fleet"
}

make_work_files
# The simulator's ranges count on through .0 and .255: 500 addresses each.
start_sim 127.0.60.1-127.0.61.244
flapping_sim=$sim_pid
start_sim 127.0.61.245-127.0.63.232 --ntp-loss 20
: >"$work/exporter.log" # there before anything waits on it
prlimit --nofile="$(ulimit -Hn)" "$exporter" --listen "$address:$port" --ntp-port "$ntp_port" --from "$work/fleet" \
    --web.config.file "$work/web.yml" 2>"$work/exporter.log" &
pids+=($!)
exporter_pid=$!
# The exporter logs when it listens, and when /-/ready turns 200: every listed device's first reading is
# on the page.
await_line "$work/exporter.log" 'msg=listening' 10 || { echo "the exporter did not listen" >&2; exit 1; }
await_line "$work/exporter.log" 'msg="ready:' 240 || echo "not every device read within 240 s" >&2
up=$(curl -s --cacert "$work/server.pem" -u scraper:soak-password "$url/metrics" | grep -c '^vantrex_up{.*} 1$' || true)
echo "$up of 1000 devices up; $(sample "$exporter_pid"); load $(load)"

(while sleep "$flap_seconds"; do kill -USR1 "$flapping_sim"; done) &
pids+=($!)
if [ "$prometheus" = 1 ]; then
    cat >"$work/prometheus.yml" <<CONFIG
global: {scrape_interval: 1s, scrape_timeout: 1s}
scrape_configs:
  - job_name: soak
    scheme: https
    tls_config: {ca_file: $work/server.pem}
    basic_auth: {username: scraper, password: soak-password}
    static_configs: [{targets: ['$address:$port']}]
CONFIG
    prometheus --config.file="$work/prometheus.yml" --storage.tsdb.path="$work/prometheus-data" \
        --web.listen-address="$prometheus_address" >"$work/prometheus.out" 2>&1 &
    pids+=($!)
fi

echo "== soak: scraped every second for $soak_seconds s over TLS with basic auth"
: >"$work/soak-scrapes"
started=$(date +%s)
for second in $(seq "$soak_seconds"); do
    scrape >>"$work/soak-scrapes"
    [ $((second % 10)) -eq 0 ] && echo "$(($(date +%s) - started)) s: $(sample "$exporter_pid")"
    # One scrape a second, however long the scrape took.
    sleep "$(awk -v s="$started" -v n="$second" -v now="$(date +%s.%N)" 'BEGIN {d = s + n - now; print (d > 0 ? d : 0)}')"
done | tee "$work/soak-samples"
echo "samples every 10 s: rss_kb min/max $(grep -o 'rss_kb=[0-9]*' "$work/soak-samples" | cut -d= -f2 | sort -n | sed -n '1p;$p' | paste -sd/)," \
     "threads min/max $(grep -o 'threads=[0-9]*' "$work/soak-samples" | cut -d= -f2 | sort -n | sed -n '1p;$p' | paste -sd/)," \
     "fds min/max $(grep -o 'fds=[0-9]*' "$work/soak-samples" | cut -d= -f2 | sort -n | sed -n '1p;$p' | paste -sd/)"
echo "curl: $(grep -c '^200 ' "$work/soak-scrapes") of $(wc -l <"$work/soak-scrapes") scrapes answered 200;" \
     "p50 $(awk '{print $2}' "$work/soak-scrapes" >"$work/soak-times" && quantile "$work/soak-times" 0.5)," \
     "p99 $(quantile "$work/soak-times" 0.99); load $(load)"
if [ "$prometheus" = 1 ]; then
    query() {
        curl -sf --get "http://$prometheus_address/api/v1/query" --data-urlencode "query=$1" |
            jq -r '.data.result[0].value[1] // "none"'
    }
    range="$((soak_seconds))s"
    echo "Prometheus: $(query "sum_over_time(up{job=\"soak\"}[$range])") of" \
         "$(query "count_over_time(up{job=\"soak\"}[$range])") scrapes up;" \
         "the longest took $(query "max_over_time(scrape_duration_seconds{job=\"soak\"}[$range])") s"
fi
echo "exporter's refusals and drops: $(curl -s --cacert "$work/server.pem" -u scraper:soak-password "$url/metrics" |
    grep -E '^vantrex_exporter_(scrape_errors_total|connections_refused_total|answers_dropped_total)' |
    grep -v ' 0$' | tr '\n' ' ')"

echo "== /metrics over $scrapes scrapes each way, one after the other; load $(load)"
# p50, p99 and the longest of the answered scrapes' times in FILE ("STATUS SECONDS" lines); unanswered: 999 s.
latencies() { # FILE
    awk '{print $1 == 200 ? $2 : 999}' "$1" >"$1.seconds"
    echo "$(grep -c '^200 ' "$1") of $(wc -l <"$1") answered; p50 $(quantile "$1.seconds" 0.5)," \
         "p99 $(quantile "$1.seconds" 0.99), max $(quantile "$1.seconds" 1)"
}
# Each scrape a new TLS connection, taking the page as it is and gzip-compressed (as Prometheus asks),
# in turns so that both meet the same moments of the machine's load.
for _ in $(seq "$scrapes"); do
    scrape >>"$work/latency-plain"
    scrape --compressed >>"$work/latency-gzip"
done
echo "new connection, uncompressed ($(curl -s --cacert "$work/server.pem" -u scraper:soak-password "$url/metrics" |
    wc -c) bytes): $(latencies "$work/latency-plain")"
echo "new connection, gzip ($(curl -s --cacert "$work/server.pem" -u scraper:soak-password -H 'Accept-Encoding: gzip' \
    "$url/metrics" | wc -c) bytes): $(latencies "$work/latency-gzip")"
# One kept connection for every scrape, as Prometheus keeps its own.
urls=()
for _ in $(seq "$scrapes"); do urls+=(-o /dev/null "$url/metrics"); done
curl -s --compressed --cacert "$work/server.pem" -u scraper:soak-password -w '%{http_code} %{time_total}\n' \
    "${urls[@]}" >"$work/latency-kept" || true
echo "one kept connection, gzip: $(latencies "$work/latency-kept")"
echo "$(sample "$exporter_pid"); load $(load)"

flood_seconds=${FLOOD_SECONDS:-30}
echo "== wrong passwords from 4 addresses for $flood_seconds s beside the granted scraper; load $(load)"
cpu_before=$(cpu_seconds "$exporter_pid")
guessers=()
# Each guesser says on this pipe when its first guess was answered; held open here, so that it never ends
# between two of them.
mkfifo "$work/flooding"
exec 3<>"$work/flooding"
for guesser in 11 12 13 14; do
    (
        end=$((SECONDS + flood_seconds))
        guess() {
            curl -s -o /dev/null --cacert "$work/server.pem" -u scraper:guess --interface "127.0.66.$guesser" \
                -w '%{http_code}\n' "$url/metrics" || true
        }
        guess
        echo "$guesser" >&3
        while [ "$SECONDS" -lt "$end" ]; do guess; done
    ) >"$work/guesses.$guesser" &
    pids+=($!)
    guessers+=($!)
done
for _ in 11 12 13 14; do
    read -r -t 30 _ <&3 || { echo "the flood did not start within 30 s" >&2; exit 1; }
done
first_login=$(curl -s -o /dev/null --cacert "$work/server.pem" -u late:soak-password --interface 127.0.66.20 \
    -w '%{http_code} %{time_total}' "$url/metrics" || true)
# A new connection for each scrape (the exporter closes it), five a second, paced by curl.
flood_scrapes=()
for _ in $(seq $(((flood_seconds - 3) * 5))); do flood_scrapes+=(-o /dev/null "$url/metrics"); done
curl -s --compressed --rate 5/s -H 'Connection: close' --max-time "$flood_seconds" \
    --cacert "$work/server.pem" -u scraper:soak-password -w '%{http_code} %{time_total}\n' \
    "${flood_scrapes[@]}" >>"$work/latency-flood" || true
wait "${guessers[@]}"
cpu_after=$(cpu_seconds "$exporter_pid")
cat "$work"/guesses.* | sort | uniq -c | awk '{printf "%s answered %s; ", $1, $2}'
echo "the exporter used $(awk -v a="$cpu_before" -v b="$cpu_after" -v s="$flood_seconds" \
    'BEGIN {printf "%.0f%%", (b - a) / s * 100}') of a core"
echo "first login of another user meanwhile: status and seconds $first_login"
echo "granted scraper meanwhile: $(latencies "$work/latency-flood"); load $(load)"
