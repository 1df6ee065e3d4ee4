# shellcheck shell=bash disable=SC2034,SC2154  # variables of the scripts that source this one
# Sourced by the status figure scripts, from the top of the repository: the programs of the build folder
# given as the script's first argument (default build/normal), a work folder, and simulated fleets that
# answer NTP on $ntp_port and end with the script.
build=${1:-build/normal}
sim=$build/sim/vantrex-sim
status=$build/status/vantrex-status
work=$(mktemp -d)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

start_sim() { # ADDRESS_OR_RANGE
    "$sim" --address "$1" --ntp-port "$ntp_port" --ready --exit-with-parent >"$work/sim-ready" &
    pids+=($!)
    for _ in $(seq 100); do grep -q ready "$work/sim-ready" 2>/dev/null && return; sleep 0.1; done
    echo "vantrex-sim did not start on $1" >&2
    exit 1
}
