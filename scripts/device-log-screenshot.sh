#!/usr/bin/env bash
# Saves docs/linux-device-log.png: on a virtual display, the device log window of the window connected
# to the simulated device, after the device lost its GPS lock for a few seconds and regained it.
# Everything runs on 127.0.163.11 with a journal of its own, and stops again.
# Usage: scripts/device-log-screenshot.sh
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/packages.sh
shot_name=device-log-screenshot
EXTRA_SHOT_PACKAGES=()
source scripts/linux-shots.sh

address=127.0.163.11
shot=$PWD/docs/linux-device-log.png
start_sim "$address"
start_display 1024x768

build/normal/ui/qt/vantrex-config "$address" --connect &
pids+=($!)
wait_for window_shown || fail "the window did not open"
wait_for getdates 3 || fail "the window did not read the device"

# The lock goes for five seconds; the chart then has a minute of readings with the gap in its strip.
kill -USR1 "$sim_pid"
sleep 5
kill -USR1 "$sim_pid"
sleep 55
xdotool windowfocus --sync "$(window_shown | head -n1)" key ctrl+l
log_shown() { xdotool search --onlyvisible --name '^Device log$'; }
wait_for log_shown || fail "the device log window did not open"
# Without a window manager nothing keeps the window beside the main one inside the screen.
xdotool windowmove "$(log_shown | head -n1)" 10 10
# The span list has the focus: its first choice, 10 minutes, shows the minute of readings widely.
xdotool windowfocus --sync "$(log_shown | head -n1)" key Home
sleep 1.5
xwd -id "$(log_shown | head -n1)" -silent | xwdtopnm 2>/dev/null | pnmtopng >"$shot"
echo "$shot_name: saved $shot"
