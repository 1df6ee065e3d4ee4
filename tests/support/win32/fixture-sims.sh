#!/bin/sh
# Starts or stops the simulated devices of the Windows link tests: one native vantrex-sim per line of
# the table (its options), logging to FOLDER/ADDRESS.log. Runs on the Linux build machine as a CTest
# fixture, since a Windows test program under Wine cannot start a Linux program itself.
# Usage: fixture-sims.sh start|stop SIM TABLE FOLDER
set -eu
action=$1 sim=$2 table=$3 folder=$4

stop() {
    [ -f "$folder/pids" ] || return 0
    while read -r pid; do
        kill "$pid" 2>/dev/null || true
    done <"$folder/pids"
    rm -f "$folder/pids"
}

address_of() {
    # shellcheck disable=SC2086 # the options are words on purpose
    set -- $1
    while [ $# -gt 1 ]; do
        [ "$1" = "--address" ] && { echo "$2"; return; }
        shift
    done
}

start() {
    stop
    mkdir -p "$folder"
    started=""
    while read -r options; do
        case "$options" in
        *"--telnet-port 23"*) [ "$(id -u)" -eq 0 ] || continue ;; # the tests skip port 23 without root
        esac
        address=$(address_of "$options")
        rm -f "$folder/$address.log" "$folder/$address.out"
        # shellcheck disable=SC2086
        setsid "$sim" $options --ready --log "$folder/$address.log" \
            </dev/null >"$folder/$address.out" 2>"$folder/$address.err" &
        echo $! >>"$folder/pids"
        started="$started $address"
    done <"$table"
    # Every sim says it is ready within 10 s, or the fixture fails and the tests that need it do not run.
    # The sims are waited for by name: a sim's output file is made by its own process, and may not exist
    # yet when this loop starts.
    for address in $started; do
        out="$folder/$address.out"
        tries=0
        until grep -qs "vantrex-sim ready" "$out"; do
            tries=$((tries + 1))
            if [ "$tries" -gt 100 ]; then
                echo "no ready line in $out:" >&2
                cat "${out%.out}.err" >&2
                stop
                exit 1
            fi
            sleep 0.1
        done
    done
}

case "$action" in
start) start ;;
stop) stop ;;
*) echo "usage: $0 start|stop SIM TABLE FOLDER" >&2; exit 2 ;;
esac
