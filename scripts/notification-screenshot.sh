#!/usr/bin/env bash
# Saves docs/linux-notification.png: on a virtual display, the window connected to the simulated device
# beside a real notification daemon (dunst) showing the alarm the window raised when the device lost its
# GPS lock. Everything runs on a private session bus and on 127.0.163.10, and stops again.
# Usage: scripts/notification-screenshot.sh
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/packages.sh
shot_name=notification-screenshot
EXTRA_SHOT_PACKAGES=("${NOTIFICATION_DEMO_PACKAGES[@]}")
source scripts/linux-shots.sh
on_exit() { [ ! -s "$work/bus.pid" ] || kill "$(cat "$work/bus.pid")" 2>/dev/null || true; }

address=127.0.163.10
shot=$PWD/docs/linux-notification.png
start_sim "$address"
# Room for the window and, to its right, the notification.
start_display 880x550

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
    icon_path = $PWD/resources
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
wait_for window_shown || fail "the window did not open"
# Without a window manager the window opens in the middle, where the notification would cover it.
xdotool windowmove "$(window_shown | head -n1)" 10 10
# Both lamps are read within a few refreshes of the second getdate answer.
wait_for getdates 3 || fail "the window did not read the device"

kill -USR1 "$sim_pid"
dunst_shows() { xdotool search --onlyvisible --class Dunst; }
wait_for dunst_shows || fail "no notification appeared"
# The window's lamp turns red on the refresh that raised the alarm; one more frame for both to settle.
sleep 1
xwd -root -silent | xwdtopnm 2>/dev/null | pnmtopng >"$shot"
echo "$shot_name: saved $shot"
