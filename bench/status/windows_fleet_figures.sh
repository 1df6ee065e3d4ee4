#!/usr/bin/env bash
# vantrex-status.exe under Wine against one simulator of 200 devices (127.3.0.1 to 127.3.0.200, loopback
# only): the wall time of one device and of all 200 (three runs each, Wine's start included in both),
# and whether the 200 give the same JSON as the Linux build (the check the Windows stage's test makes,
# over the whole fleet).
# Usage: bench/status/windows_fleet_figures.sh [LINUX_BUILD_DIR [WINDOWS_BUILD_DIR]]
#        (defaults build/normal and build/windows; run inside a network namespace of its own)
set -euo pipefail
cd "$(dirname "$0")/../.."
windows_build=${2:-build/windows}
ntp_port=12132
source bench/status/sim_fleet.sh
exe=$windows_build/status/vantrex-status.exe
export WINEPREFIX=${WINEPREFIX:-$PWD/$windows_build/wine-prefix} WINEDEBUG=-all
wine=/usr/lib/wine/wine64

wall() { # COMMAND...: seconds, the command's output thrown away
    local start end
    start=$(date +%s.%N)
    "$@" >/dev/null || true
    end=$(date +%s.%N)
    awk -v a="$start" -v b="$end" 'BEGIN {printf "%.2f", b - a}'
}

start_sim "$(fleet_range 3 200)"
fleet_list 3 200 >"$work/fleet"
# The comparison script reads its devices from a table of simulator lines.
sed "s/.*/--address & --ntp-port $ntp_port/" "$work/fleet" >"$work/table"
"$wine" wineboot >/dev/null 2>&1 || true
for _ in 1 2 3; do
    one=$(wall "$wine" "$exe" --json --ntp-port "$ntp_port" 127.3.0.1)
    all=$(wall "$wine" "$exe" --json --ntp-port "$ntp_port" --from "$work/fleet")
    echo "Wine: one device $one s, 200 devices $all s, ratio $(awk -v a="$all" -v b="$one" 'BEGIN {printf "%.2f", a / b}')"
done
echo "Linux: one device $(wall "$status" --json --ntp-port "$ntp_port" 127.3.0.1) s," \
     "200 devices $(wall "$status" --json --ntp-port "$ntp_port" --from "$work/fleet") s"
sh tests/status/same-json-under-wine.sh "$work/table" "$status" "$exe" "$wine"
