#!/usr/bin/env bash
# A screenshot of the balloon that the native Windows window raises under Wine when the simulated device
# loses its GPS lock (--gps-flips, 5 s after the window connects): the screen from its top-left corner,
# where Wine shows its notification area on a display without a desktop, to the window.
# Usage: scripts/windows-notification-screenshot.sh [OUTPUT_FILE]   (default docs/windows-notification.png)
set -euo pipefail
cd "$(dirname "$0")/.."
output=${1:-docs/windows-notification.png}
source scripts/wine-shots.sh
mkdir -p "$(dirname "$output")"
# Room around the window on the right and below.
margin=8

start_display
start_sim 127.0.164.3 --gps-flips 5000
use_prefix 96
open_window
for _ in $(seq 150); do grep -q 'GPS lock flipped' "$work/sim.err" && break; sleep 0.1; done
grep -q 'GPS lock flipped' "$work/sim.err" || { echo "the GPS lock did not flip" >&2; exit 1; }
# The reading that shows the loss, then the balloon it raises.
wait_for_getdates 2
sleep 1
eval "$(xdotool getwindowgeometry --shell "$window")"
xwd -root -silent | xwdtopnm 2>/dev/null |
    pamcut -left 0 -top 0 -width $((X + WIDTH + margin)) -height $((Y + HEIGHT + margin)) |
    pnmtopng >"$output"
close_window
echo "screenshot saved to $output"
