#!/usr/bin/env bash
# The NTP offset and delay vantrex-status measures for one simulated device read alone, and for the same
# device read among 155 (one vantrex-sim on 127.0.140.1 to 127.0.140.155, loopback only). The simulated
# devices keep this PC's time, so an offset that is not near 0 is time the status program added itself:
# an answer stamped later than it arrived. The device is the last of the list, the last the run looks at.
# Usage: bench/status/ntp_offset_figures.sh [BUILD_DIR]   (default build/normal); RUNS runs each (default 5)
set -euo pipefail
cd "$(dirname "$0")/../.."
runs=${RUNS:-5}
ntp_port=12145
devices=155
device=127.0.140.$devices
source bench/status/sim_fleet.sh

start_sim "127.0.140.1-$device"
seq -f "127.0.140.%g" 1 "$devices" >"$work/fleet"

# One line per run: the device's offset and delay in ms, then the worst of every device read in the run.
figures() { # JSON_LINES_FILE
    jq -rs --arg device "$device" '
        def ms: . * 1000000 | round / 1000 | tostring;
        (map(select(.ntp.answered)) | map(.ntp)) as $all
        | (map(select(.address == $device)) | first | .ntp) as $one
        | if $one.answered then "offset \($one.offset_seconds | ms) ms  delay \($one.delay_seconds | ms) ms"
          else "no answer: \($one.failure)" end
          + "   (\($all | length) answered; worst |offset| \($all | map(.offset_seconds | fabs) | max | ms) ms,"
          + " worst delay \($all | map(.delay_seconds) | max | ms) ms)"' "$1"
}

echo "== $device alone"
for _ in $(seq "$runs"); do
    "$status" --json --ntp-port "$ntp_port" "$device" >"$work/alone.json" || true
    figures "$work/alone.json"
done

echo "== $device among $devices, --parallel $devices"
for _ in $(seq "$runs"); do
    "$status" --json --ntp-port "$ntp_port" --parallel "$devices" --from "$work/fleet" >"$work/fleet.json" || true
    figures "$work/fleet.json"
done
