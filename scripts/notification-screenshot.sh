#!/usr/bin/env bash
# Saves docs/linux-notification.png: on a virtual display, the window connected to the simulated device
# beside a real notification daemon (dunst) showing the alarm the window raised when the device lost its
# GPS lock. Everything runs on a private session bus and on 127.0.163.10, and stops again.
# Usage: scripts/notification-screenshot.sh
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/packages.sh

scripts/install-deps.sh "${BUILD_PACKAGES[@]}" "${DEMO_PACKAGES[@]}" "${NOTIFICATION_DEMO_PACKAGES[@]}"
cmake -S . -B build/normal -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build/normal -j "$(nproc)" --target vantrex-config vantrex-sim

address=127.0.163.10
shot=$PWD/docs/linux-notification.png
work=$(mktemp -d)
pids=()
# Stops the last started first, so that no client outlives its display or its bus.
cleanup() {
    for ((i = ${#pids[@]} - 1; i >= 0; i--)); do
        kill "${pids[i]}" 2>/dev/null || true
        wait "${pids[i]}" 2>/dev/null || true
    done
    [ ! -s "$work/bus.pid" ] || kill "$(cat "$work/bus.pid")" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

fail() {
    echo "notification-screenshot: $1" >&2
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

export XDG_RUNTIME_DIR="$work/xdg" XDG_CONFIG_HOME="$work/config"
mkdir -m 700 "$XDG_RUNTIME_DIR"
display=:$((90 + RANDOM % 100))
# Room for the window and, to its right, the notification. Without -noreset the server would start
# afresh whenever its last client left: the desktop colour would go, and a client connecting then fail.
Xvfb "$display" -screen 0 880x550x24 -nolisten tcp -noreset >/dev/null 2>&1 &
pids+=($!)
export DISPLAY=$display
wait_for xdpyinfo || fail "the virtual display did not start"
xsetroot -solid '#4a6274'

# The test's bus configuration starts no installed service on demand: dunst runs as started here.
dbus-daemon --config-file=tests/ui/qt/session-bus.conf --fork --print-address=3 --print-pid=4 \
    3>"$work/bus.address" 4>"$work/bus.pid" 2>/dev/null
DBUS_SESSION_BUS_ADDRESS=$(cat "$work/bus.address")
export DBUS_SESSION_BUS_ADDRESS

# The window's icon comes from the source tree, as the package installs it under the same name.
cat >"$work/dunstrc" <<EOF
[global]
    width = 360
    origin = top-right
    offset = 12x12
    font = DejaVu Sans 9
    frame_width = 2
    padding = 10
    horizontal_padding = 10
    enable_recursive_icon_lookup = false
    icon_path = $PWD/ui/res
    min_icon_size = 48
    max_icon_size = 48
    format = "<b>%s</b>\n%b\n<i>%a</i>"
[urgency_critical]
    background = "#900000"
    foreground = "#ffffff"
    frame_color = "#ff4040"
    timeout = 0
EOF
dunst -conf "$work/dunstrc" >"$work/dunst.out" 2>&1 &
pids+=($!)
owns_notifications() {
    dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
        org.freedesktop.DBus.NameHasOwner string:org.freedesktop.Notifications | grep -q 'boolean true'
}
wait_for owns_notifications || fail "dunst did not take the notification service"

build/normal/ui/qt/vantrex-config "$address" --connect &
pids+=($!)
window_shown() { xdotool search --onlyvisible --name '^VANTREX Configuration$'; }
wait_for window_shown || fail "the window did not open"
# Without a window manager the window opens in the middle, where the notification would cover it.
xdotool windowmove "$(window_shown | head -n1)" 10 10
# Both lamps are read within a few refreshes of the second getdate answer.
getdates() { [ "$(grep -c ' getdate$' "$work/sim.log" 2>/dev/null || true)" -ge "$1" ]; }
wait_for getdates 3 || fail "the window did not read the device"

kill -USR1 "$sim_pid"
dunst_shows() { xdotool search --onlyvisible --class Dunst; }
wait_for dunst_shows || fail "no notification appeared"
# The window's lamp turns red on the refresh that raised the alarm; one more frame for both to settle.
sleep 1
xwd -root -silent | xwdtopnm 2>/dev/null | pnmtopng >"$shot"
echo "notification-screenshot: saved $shot"
