# shellcheck shell=bash
# Shared by the scripts that take screenshots of vantrex-config.exe under Wine: builds the simulated device
# and the Windows window, then offers a virtual display, the device, a Wine prefix per resolution and the
# window connected to the device. Sourced from the repository's root by a script with `set -euo pipefail`;
# everything started here is stopped when that script ends.
source scripts/packages.sh

scripts/install-deps.sh "${BUILD_PACKAGES[@]}" "${WINDOWS_PACKAGES[@]}" "${DEMO_PACKAGES[@]}"
cmake -S . -B build/normal -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build/normal -j "$(nproc)" --target vantrex-sim
cmake -S . -B build/windows -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-w64-x86_64.cmake" >/dev/null
cmake --build build/windows -j "$(nproc)" --target vantrex-config
exe=$PWD/build/windows/ui/win32/vantrex-config.exe

work=$(mktemp -d)
pids=()
prefixes=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
    for prefix in "${prefixes[@]}"; do WINEPREFIX=$prefix /usr/lib/wine/wineserver64 -k 2>/dev/null || true; done
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# Central European Time, so that the local line differs from UTC; in the POSIX form, which both Wine and
# the program's C runtime read (the runtime takes no zone names).
export TZ=CET-1CEST,M3.5.0,M10.5.0/3

# One virtual display for every shot; Xvfb picks a free number.
start_display() {
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
    pids+=($!)
    for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
    DISPLAY=":$(tr -d '\n' <"$work/display")"
    export DISPLAY
}

# start_sim ADDRESS [OPTION...]: the device on a loopback address of its own, at a fixed time so that the
# shots can be compared; what it says on stderr goes to $work/sim.err.
start_sim() {
    sim_address=$1
    shift
    build/normal/sim/vantrex-sim --address "$sim_address" --telnet-port 0 --time 1796644800 --firmware 2.4.1 \
        --log "$work/sim.log" --ready --exit-with-parent "$@" >"$work/sim.out" 2>"$work/sim.err" &
    pids+=($!)
    for _ in $(seq 100); do grep -q 'vantrex-sim ready' "$work/sim.out" && break; sleep 0.1; done
    grep -q 'vantrex-sim ready' "$work/sim.out" || {
        echo "the simulated device did not start:" >&2
        cat "$work/sim.err" >&2
        exit 1
    }
}

getdates() {
    grep -c ' getdate$' "$work/sim.log" || true
}

# Waits until the device has answered count more time readings (at most 15 s).
wait_for_getdates() {
    local until=$(($(getdates) + $1))
    for _ in $(seq 150); do
        [ "$(getdates)" -ge "$until" ] && break
        sleep 0.1
    done
}

# use_prefix DPI: a Wine prefix of its own whose LogPixels is DPI. Wine draws the window frame itself (no
# window manager), as Windows would.
use_prefix() {
    local dpi=$1
    export WINEPREFIX="$PWD/build/windows-screenshot-prefixes/$dpi-dpi"
    prefixes+=("$WINEPREFIX")
    mkdir -p "$WINEPREFIX"
    # Without a display and without the .NET and HTML runtimes a fresh prefix asks nothing.
    DISPLAY='' WINEDLLOVERRIDES='mscoree,mshtml=' WINEDEBUG=-all /usr/lib/wine/wine64 wineboot \
        </dev/null >/dev/null 2>&1
    WINEDEBUG=-all /usr/lib/wine/wine64 reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD \
        /d "$dpi" /f >/dev/null 2>&1
    WINEDEBUG=-all /usr/lib/wine/wine64 reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ \
        /d N /f >/dev/null 2>&1
    # Wine's desktop process takes the display of the server's first window; start afresh with ours.
    /usr/lib/wine/wineserver64 -k 2>/dev/null || true
    /usr/lib/wine/wineserver64 -w
}

# Opens the window connected to the device; once the time is on the screen, window_pid is its process
# and window its X window.
open_window() {
    local before
    before=$(getdates)
    WINEDEBUG=-all /usr/lib/wine/wine64 "$exe" "$sim_address" --connect &
    window_pid=$!
    pids+=("$window_pid")
    # The time reaches the screen within one refresh (250 ms) of the second time answer.
    for _ in $(seq 150); do
        [ "$(getdates)" -ge $((before + 2)) ] && break
        sleep 0.1
    done
    sleep 1
    # shellcheck disable=SC2034 # for the script that sources this one
    window=$(xdotool search --name '^VANTREX Configuration$' | head -n1)
}

close_window() {
    kill "$window_pid" # the picture is taken; the window keeps nothing
    wait "$window_pid" || true
    /usr/lib/wine/wineserver64 -k 2>/dev/null || true
}
