#!/bin/sh
# Runs a test program beside the stand-in notification service, on the session bus of its environment
# (a private one: the test runs this under dbus-run-session). The program finds the service's log in
# VANTREX_NOTIFICATION_LOG; the service stops when the program ends.
# Usage: notification-bus.sh SERVICE_SCRIPT PROGRAM [ARGUMENT...]
set -eu
service=$1
shift
work=$(mktemp -d "${TMPDIR:-/tmp}/notification-bus-XXXXXX")
export VANTREX_NOTIFICATION_LOG="$work/notifications.jsonl"
# Debian's python3-dbus and python3-gi belong to Debian's interpreter, which a python3 on PATH may not be.
/usr/bin/python3 "$service" "$VANTREX_NOTIFICATION_LOG" >"$work/ready" 2>"$work/stderr" &
service_pid=$!
trap 'kill "$service_pid" 2>/dev/null || true; wait "$service_pid" 2>/dev/null || true; rm -rf "$work"' EXIT

# The service says "ready" once it owns its name on the bus; 10 s is ample on a busy machine.
tries=0
until grep -qx ready "$work/ready"; do
    if ! kill -0 "$service_pid" 2>/dev/null || [ "$tries" -ge 100 ]; then
        echo "notification-bus.sh: the notification service did not start" >&2
        cat "$work/stderr" >&2
        exit 1
    fi
    tries=$((tries + 1))
    sleep 0.1
done

status=0
"$@" || status=$?
exit "$status"
