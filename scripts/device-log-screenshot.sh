#!/usr/bin/env bash
# Saves docs/linux-device-log.png: on a virtual display, the device log window of the window connected
# to the simulated device, after the device lost its GPS lock for a few seconds and regained it.
# Everything runs on 127.0.163.11 with a journal of its own, and stops again.
# Usage: scripts/device-log-screenshot.sh
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/packages.sh

scripts/install-deps.sh "${BUILD_PACKAGES[@]}" "${DEMO_PACKAGES[@]}"
cmake -S . -B build/normal -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build/normal -j "$(nproc)" --target vantrex-config vantrex-sim

address=127.0.163.11
shot=$PWD/docs/linux-device-log.png
work=$(mktemp -d)
pids=()
# Stops the last started first, so that no client outlives its display.
cleanup() {
    for ((i = ${#pids[@]} - 1; i >= 0; i--)); do
        kill "${pids[i]}" 2>/dev/null || true
        wait "${pids[i]}" 2>/dev/null || true
    done
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

fail() {
    echo "device-log-screenshot: $1" >&2
    exit 1
}

# Runs "$@" every 0.1 s until it succeeds, for at most 10 s.
wait_for() {
    for _ in $(seq 100); do
        "$@" >/dev/null 2>&1 && return 0
        sleep 0.1
    done
    return 1
}

build/normal/sim/vantrex-sim --address "$address" --telnet-port 0 --log "$work/sim.log" --ready \
    --exit-with-parent >"$work/sim.out" &
sim_pid=$!
pids+=("$sim_pid")
wait_for grep -q 'vantrex-sim ready' "$work/sim.out" || fail "the simulated device did not start"

export XDG_RUNTIME_DIR="$work/xdg" XDG_CONFIG_HOME="$work/config" XDG_STATE_HOME="$work/state"
mkdir -m 700 "$XDG_RUNTIME_DIR"
display=:$((90 + RANDOM % 100))
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp -noreset >/dev/null 2>&1 &
pids+=($!)
export DISPLAY=$display
wait_for xdpyinfo || fail "the virtual display did not start"
xsetroot -solid '#4a6274'

build/normal/ui/qt/vantrex-config "$address" --connect &
pids+=($!)
window_shown() { xdotool search --onlyvisible --name '^VANTREX Configuration$'; }
wait_for window_shown || fail "the window did not open"
getdates() { [ "$(grep -c ' getdate$' "$work/sim.log" 2>/dev/null || true)" -ge "$1" ]; }
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
echo "device-log-screenshot: saved $shot"
