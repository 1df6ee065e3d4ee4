# shellcheck shell=bash
# Shared by the scripts that take screenshots of the Qt window on a virtual display: builds the window
# and the simulated device, then offers the device, the display and waiting. Sourced from the
# repository's root by a script with `set -euo pipefail` that has sourced scripts/packages.sh and set
# shot_name and EXTRA_SHOT_PACKAGES first; everything started here, and every pid the script adds to
# pids, is stopped when that script ends (the last started first, so that no client outlives its
# display), then the script's own on_exit runs.
scripts/install-deps.sh "${BUILD_PACKAGES[@]}" "${DEMO_PACKAGES[@]}" "${EXTRA_SHOT_PACKAGES[@]}"
cmake -S . -B build/normal -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build/normal -j "$(nproc)" --target vantrex-config vantrex-sim

work=$(mktemp -d)
pids=()
on_exit() { :; }
cleanup() {
    for ((i = ${#pids[@]} - 1; i >= 0; i--)); do
        kill "${pids[i]}" 2>/dev/null || true
        wait "${pids[i]}" 2>/dev/null || true
    done
    on_exit
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

fail() {
    echo "$shot_name: $1" >&2
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

# Starts the simulated device on address (shell port only), logging to $work/sim.log; sets sim_pid.
start_sim() {
    build/normal/sim/vantrex-sim --address "$1" --telnet-port 0 --log "$work/sim.log" --ready \
        --exit-with-parent >"$work/sim.out" &
    sim_pid=$!
    pids+=("$sim_pid")
    wait_for grep -q 'vantrex-sim ready' "$work/sim.out" || fail "the simulated device did not start"
}

# A virtual display of the given size (WIDTHxHEIGHT) with a plain desktop, and a private user setup:
# runtime folder, settings and journal in $work. Without -noreset the server would start afresh whenever
# its last client left: the desktop colour would go, and a client connecting then fail.
start_display() {
    export XDG_RUNTIME_DIR="$work/xdg" XDG_CONFIG_HOME="$work/config" XDG_STATE_HOME="$work/state"
    mkdir -m 700 "$XDG_RUNTIME_DIR"
    local display=:$((90 + RANDOM % 100))
    Xvfb "$display" -screen 0 "$1x24" -nolisten tcp -noreset >/dev/null 2>&1 &
    pids+=($!)
    export DISPLAY=$display
    wait_for xdpyinfo || fail "the virtual display did not start"
    xsetroot -solid '#4a6274'
}

# The main window once it shows.
window_shown() { xdotool search --onlyvisible --name '^VANTREX Configuration$'; }
# True once the device has answered at least N getdate commands.
getdates() { [ "$(grep -c ' getdate$' "$work/sim.log" 2>/dev/null || true)" -ge "$1" ]; }
