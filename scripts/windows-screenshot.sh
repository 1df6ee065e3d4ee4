#!/usr/bin/env bash
# Screenshots of the native Windows window under Wine on a virtual display, connected to the simulated
# device: one at 96 dpi and one at 144 dpi (a 150% screen), each in a Wine prefix of its own whose
# LogPixels says so (scripts/wine-shots.sh).
# Usage: scripts/windows-screenshot.sh [OUTPUT_FOLDER]   (default build/windows-screenshots)
set -euo pipefail
cd "$(dirname "$0")/.."
output=${1:-build/windows-screenshots}
source scripts/wine-shots.sh
mkdir -p "$output"

start_display
start_sim 127.0.47.1

# Shoots the window at dpi into FILE.
shoot() {
    local dpi=$1 file=$2
    use_prefix "$dpi"
    open_window
    xwd -id "$window" -silent | xwdtopnm 2>/dev/null | pnmtopng >"$file"
    xdotool getwindowgeometry "$window" | sed -n 's/^ *Geometry: /'"$dpi"' dpi: window /p'
    close_window
}

shoot 96 "$output/windows-screenshot.png"
shoot 144 "$output/windows-screenshot-144dpi.png"
echo "screenshots saved to $output"
