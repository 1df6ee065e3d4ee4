#!/usr/bin/env bash
# Installs what is missing, builds, starts the simulated device on 127.0.0.1 and opens the window with
# the address filled in and Connect pressed. Without a display the window runs on a virtual display,
# a screenshot is saved once the device time is shown, and the window is closed again.
# Usage: scripts/demo.sh [--keep] [--restart]
#   --keep: leave the virtual-display window running until Ctrl+C
#   --restart: on the virtual display, also give the device the address 127.0.0.2 and save a second
#              screenshot while the window counts down through the device's restart
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/packages.sh

keep=0
restart=0
for option in "$@"; do
    case $option in
    --keep) keep=1 ;;
    --restart) restart=1 ;;
    *) echo "usage: scripts/demo.sh [--keep] [--restart]" >&2; exit 2 ;;
    esac
done

scripts/install-deps.sh "${BUILD_PACKAGES[@]}" "${DEMO_PACKAGES[@]}"
cmake -S . -B build/normal -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build/normal -j "$(nproc)" --target vantrex-config vantrex-sim

work=$(mktemp -d)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# Port 23 needs privileges; without them the shell port alone carries the demo.
telnet_port=23
[ "$(id -u)" -eq 0 ] || telnet_port=0

# The device follows an address change to 127.0.0.2 after a long downtime, so that the countdown shows.
build/normal/sim/vantrex-sim --address 127.0.0.1 --shell-port 5316 --telnet-port "$telnet_port" \
    --follow-address --downtime 60 --log "$work/sim.log" --ready --exit-with-parent >"$work/sim.out" &
pids+=($!)
for _ in $(seq 100); do
    grep -q 'vantrex-sim ready' "$work/sim.out" && break
    kill -0 "${pids[0]}" 2>/dev/null || break
    sleep 0.1
done
if ! grep -q 'vantrex-sim ready' "$work/sim.out"; then
    echo "demo: the simulated device did not start" >&2
    exit 1
fi
ports="5316"
[ "$telnet_port" -eq 0 ] || ports="5316 and 23"
echo "demo: simulated device listening on 127.0.0.1, ports $ports"

if [ -n "${DISPLAY:-}" ]; then
    build/normal/ui/qt/vantrex-config 127.0.0.1 --connect
    exit 0
fi

# No display: a virtual one, a screenshot once the device time is on screen.
export XDG_RUNTIME_DIR="$work/xdg"
mkdir -m 700 "$XDG_RUNTIME_DIR"
display=:$((90 + RANDOM % 100))
Xvfb "$display" -screen 0 800x600x24 -nolisten tcp >/dev/null 2>&1 &
pids+=($!)
export DISPLAY=$display
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done

build/normal/ui/qt/vantrex-config 127.0.0.1 --connect &
window_pid=$!
pids+=($window_pid)

# The first time answer reaches the screen within one display refresh (250 ms) of the second getdate
# answer; wait for that in the device's log, bounded.
for _ in $(seq 100); do
    [ "$(grep -c ' getdate$' "$work/sim.log" 2>/dev/null || true)" -ge 2 ] && break
    sleep 0.1
done
sleep 0.5
window=$(xdotool search --name '^VANTREX Configuration$' | head -n1)
shot=$PWD/build/demo-screenshot.png
xwd -id "$window" -silent | xwdtopnm 2>/dev/null | pnmtopng >"$shot"
echo "demo: screenshot saved to $shot"

# Replaces the text of the edit at x, y (window coordinates of the laid-out window at 96 dpi).
type_into() {
    xdotool mousemove --window "$window" "$1" "$2" click --repeat 3 1
    xdotool key --window "$window" ctrl+a
    xdotool type --window "$window" "$3"
}

if [ "$restart" -eq 1 ]; then
    type_into 90 333 127.0.0.2
    type_into 90 370 255.0.0.0
    type_into 90 407 127.0.0.1
    xdotool mousemove --window "$window" 379 370 click 1
    # The confirmation is the only other window; Yes is its default button.
    for _ in $(seq 50); do
        question=$(xdotool search --name '^Confirm$' | head -n1 || true)
        [ -n "$question" ] && break
        sleep 0.1
    done
    if [ -z "$question" ]; then
        echo "demo: the confirmation did not appear" >&2
        exit 1
    fi
    xdotool windowfocus --sync "$question" key Return
    for _ in $(seq 100); do
        grep -q ' address ' "$work/sim.log" && break
        sleep 0.1
    done
    sleep 3
    restart_shot=$PWD/build/demo-restart.png
    xwd -id "$window" -silent | xwdtopnm 2>/dev/null | pnmtopng >"$restart_shot"
    echo "demo: restart countdown saved to $restart_shot"
fi

if [ "$keep" -eq 1 ]; then
    echo "demo: window running on virtual display $display; Ctrl+C stops everything"
    wait "$window_pid"
else
    # The demo is over: end the window process (it keeps no state).
    kill -TERM "$window_pid"
    wait "$window_pid" || true
fi
