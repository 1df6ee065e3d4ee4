#!/bin/sh
# vantrex-status.exe --watch under Wine ends with exit status 0 soon after Ctrl+C, which Wine delivers to
# the console handler when the process gets SIGINT. The device is the fixture's first one (TABLE), a
# healthy one.
# Usage: ctrl-c-ends-watch-under-wine.sh TABLE WINDOWS_STATUS EMULATOR...
set -eu
table=$1 windows=$2
shift 2
folder=$(mktemp -d)
status=
cleanup() {
    [ -z "$status" ] || kill -KILL "$status" 2>/dev/null || true
    rm -rf "$folder"
}
trap cleanup EXIT

address=$(sed -n '1s/^--address \([0-9.]*\) .*/\1/p' "$table")
"$@" "$windows" --watch 1 --no-ntp "$address" >"$folder/watch.out" &
status=$!
# Ctrl+C after a healthy record (a reading takes about 3 s), so that the exit status says how it ended.
tries=0
until grep -q "^$address *OK" "$folder/watch.out"; do
    tries=$((tries + 1))
    [ "$tries" -le 200 ] || { echo "no healthy record within 20 s:" >&2; cat "$folder/watch.out" >&2; exit 1; }
    sleep 0.1
done
kill -INT "$status"
tries=0
while kill -0 "$status" 2>/dev/null; do
    tries=$((tries + 1))
    [ "$tries" -le 50 ] || { echo "still watching 5 s after Ctrl+C" >&2; exit 1; }
    sleep 0.1
done
set +e
wait "$status"
exit_status=$?
set -e
status=
[ "$exit_status" -eq 0 ] || { echo "exit status $exit_status after Ctrl+C" >&2; exit 1; }
echo "ended after Ctrl+C within $((tries * 100)) ms"
