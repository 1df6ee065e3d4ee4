#!/bin/sh
# Starts or stops the virtual display (Xvfb) that the Windows window tests open their windows on under
# Wine: Xvfb picks a free display number itself and the number goes to FOLDER/display, which
# on-display.sh reads. Runs on the Linux build machine as a CTest fixture.
# Usage: fixture-display.sh start|stop FOLDER
set -eu
action=$1 folder=$2

stop() {
    [ -f "$folder/pid" ] || return 0
    kill "$(cat "$folder/pid")" 2>/dev/null || true
    rm -f "$folder/pid" "$folder/display"
}

start() {
    stop
    mkdir -p "$folder"
    rm -f "$folder/number"
    # 1024 x 768 holds the window at 144 dpi too.
    setsid Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$folder/number" \
        </dev/null >/dev/null 2>"$folder/xvfb.err" &
    echo $! >"$folder/pid"
    tries=0
    until [ -s "$folder/number" ]; do
        tries=$((tries + 1))
        if [ "$tries" -gt 100 ]; then
            echo "Xvfb did not start:" >&2
            cat "$folder/xvfb.err" >&2
            stop
            exit 1
        fi
        sleep 0.1
    done
    echo ":$(tr -d '\n' <"$folder/number")" >"$folder/display"
}

case "$action" in
start) start ;;
stop) stop ;;
*) echo "usage: $0 start|stop FOLDER" >&2; exit 2 ;;
esac
