#!/usr/bin/env bash
# A screenshot of the native Windows window's device log under Wine, opened with Ctrl+L from the window
# connected to the simulated device: the chart over ten minutes once it holds over a minute of readings,
# and the events, among them the GPS lock lost (--gps-flips, 10 s after the window connects). The device's
# clock starts at this PC's time plus 12 ms, less the sim's start-up, so that the chart shows an offset of
# a few milliseconds rather than the day since the fixed date of the other shots.
# Usage: scripts/windows-device-log-screenshot.sh [OUTPUT_FILE]   (default docs/windows-device-log.png)
set -euo pipefail
cd "$(dirname "$0")/.."
output=${1:-docs/windows-device-log.png}
source scripts/wine-shots.sh
mkdir -p "$(dirname "$output")"

start_display
now_micros=$(date +%s%6N)
ahead=$((now_micros + 12000))
# The later --time replaces start_sim's fixed one.
start_sim 127.0.47.2 --gps-flips 10000 --time "$((ahead / 1000000)).$(printf '%06d' $((ahead % 1000000)))"
use_prefix 96
# Only this shot's events: the journal of earlier shots would come back as earlier events.
rm -f "$WINEPREFIX"/drive_c/users/*/AppData/Local/VANTREX/journal.jsonl
open_window
xdotool windowfocus --sync "$window"
xdotool key ctrl+l
log=""
for _ in $(seq 100); do
    log=$(xdotool search --name '^Device log$' | head -n1) && [ -n "$log" ] && break
    sleep 0.1
done
[ -n "$log" ] || { echo "the device log did not open" >&2; exit 1; }
# The span list has the focus: one step up is ten minutes.
xdotool key Up
for _ in $(seq 150); do grep -q 'GPS lock flipped' "$work/sim.err" && break; sleep 0.1; done
grep -q 'GPS lock flipped' "$work/sim.err" || { echo "the GPS lock did not flip" >&2; exit 1; }
sleep 60
xwd -id "$log" -silent | xwdtopnm 2>/dev/null | pnmtopng >"$output"
close_window
echo "screenshot saved to $output"
