#!/usr/bin/env bash
# Screenshots of the native Windows window under Wine on a virtual display, connected to the simulated
# device: one at 96 dpi and one at 144 dpi (a 150% screen), each in a Wine prefix of its own whose
# LogPixels says so. Wine draws the window frame itself (no window manager), as Windows would.
# Usage: scripts/windows-screenshot.sh [OUTPUT_FOLDER]   (default build/windows-screenshots)
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/packages.sh
output=${1:-build/windows-screenshots}

scripts/install-deps.sh "${BUILD_PACKAGES[@]}" "${WINDOWS_PACKAGES[@]}" "${DEMO_PACKAGES[@]}"
cmake -S . -B build/normal -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build/normal -j "$(nproc)" --target vantrex-sim
cmake -S . -B build/windows -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-w64-x86_64.cmake" >/dev/null
cmake --build build/windows -j "$(nproc)" --target vantrex-config
exe=$PWD/build/windows/ui/win32/vantrex-config.exe
mkdir -p "$output"

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

# One virtual display for both shots; Xvfb picks a free number.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
pids+=($!)
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=":$(tr -d '\n' <"$work/display")"

# The device on a loopback address of its own, at a fixed time so that the shots can be compared.
address=127.0.47.1
build/normal/sim/vantrex-sim --address "$address" --telnet-port 0 --time 1796644800 --firmware 2.4.1 \
    --log "$work/sim.log" --ready --exit-with-parent >"$work/sim.out" &
pids+=($!)
for _ in $(seq 100); do grep -q 'vantrex-sim ready' "$work/sim.out" && break; sleep 0.1; done
grep -q 'vantrex-sim ready' "$work/sim.out" || { echo "the simulated device did not start" >&2; exit 1; }

# Central European Time, so that the local line differs from UTC; in the POSIX form, which both Wine and
# the program's C runtime read (the runtime takes no zone names).
export TZ=CET-1CEST,M3.5.0,M10.5.0/3

# Shoots the window at dpi into FILE.
shoot() {
    local dpi=$1 file=$2
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
    local getdates_before
    getdates_before=$(grep -c ' getdate$' "$work/sim.log" || true)
    WINEDEBUG=-all /usr/lib/wine/wine64 "$exe" "$address" --connect &
    local window_pid=$!
    pids+=("$window_pid")
    # The time reaches the screen within one refresh (250 ms) of the second time answer.
    for _ in $(seq 150); do
        [ "$(grep -c ' getdate$' "$work/sim.log" || true)" -ge $((getdates_before + 2)) ] && break
        sleep 0.1
    done
    sleep 1
    local window
    window=$(xdotool search --name '^VANTREX Configuration$' | head -n1)
    xwd -id "$window" -silent | xwdtopnm 2>/dev/null | pnmtopng >"$file"
    xdotool getwindowgeometry "$window" | sed -n 's/^ *Geometry: /'"$dpi"' dpi: window /p'
    kill "$window_pid" # the picture is taken; the window keeps nothing
    wait "$window_pid" || true
    /usr/lib/wine/wineserver64 -k 2>/dev/null || true
}

shoot 96 "$output/windows-screenshot.png"
shoot 144 "$output/windows-screenshot-144dpi.png"
echo "screenshots saved to $output"
