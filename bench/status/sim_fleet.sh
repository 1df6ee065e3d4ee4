# shellcheck shell=bash disable=SC2034,SC2154  # variables of the scripts that source this one
# Sourced by the status figure scripts, from the top of the repository: the programs of the build folder
# given as the script's first argument (default build/normal), a work folder, and simulated fleets that
# answer NTP on $ntp_port and end with the script. STATUS names another vantrex-status to measure against
# the same simulator (an older build, side by side).
build=${1:-build/normal}
sim=$build/sim/vantrex-sim
status=${STATUS:-$build/status/vantrex-status}
work=$(mktemp -d)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

start_sim() { # ADDRESS_OR_RANGE [OPTION...]
    local range=$1
    shift
    rm -f "$work/sim-ready"
    "$sim" --address "$range" --ntp-port "$ntp_port" --ready --exit-with-parent "$@" >"$work/sim-ready" &
    pids+=($!)
    sim_pid=$!
    for _ in $(seq 300); do grep -q ready "$work/sim-ready" 2>/dev/null && return; sleep 0.1; done
    echo "vantrex-sim did not start on $range" >&2
    exit 1
}
# Ends the last simulator started: one with a socket per port on 0.0.0.0 takes its ports on every
# address, so the next fleet could not bind beside it.
stop_sim() {
    kill "$sim_pid"
    wait "$sim_pid" || true
}

# N devices from 127.SECOND.0.1 upwards, counting on through .0 and .255 as the simulator's ranges do:
# the range for the simulator, and the list, one address a line.
fleet_range() { # SECOND N
    awk -v s="$1" -v n="$2" 'BEGIN { last = n; printf "127.%d.0.1-127.%d.%d.%d\n", s, s, last / 256, last % 256 }'
}
fleet_list() { # SECOND N
    awk -v s="$1" -v n="$2" 'BEGIN { for (i = 1; i <= n; ++i) printf "127.%d.%d.%d\n", s, i / 256, i % 256 }'
}

# The CPU time, user and system, that a process has used so far, in seconds.
cpu_seconds() { # PID
    awk -v hz="$(getconf CLK_TCK)" '{print ($14+$15)/hz}' "/proc/$1/stat"
}

# The peaks of a running process until it ends, sampled every 20 ms, written to FILE when it has ended:
# descriptors, threads and resident memory (VmHWM, KiB); often enough to see a race's second socket.
sample_peaks() { # PID FILE
    local pid=$1 fds threads rss peak_fds=0 peak_threads=0 peak_rss=0
    while [ -d "/proc/$pid" ]; do
        # Between its end and its reaping the process is still there, without descriptors to list.
        fds=$(find "/proc/$pid/fd" -mindepth 1 -maxdepth 1 2>/dev/null | wc -l || true)
        threads=$(awk '/^Threads:/ {print $2}' "/proc/$pid/status" 2>/dev/null || echo 0)
        rss=$(awk '/^VmHWM:/ {print $2}' "/proc/$pid/status" 2>/dev/null || echo 0)
        [ "${fds:-0}" -gt "$peak_fds" ] && peak_fds=$fds
        [ "${threads:-0}" -gt "$peak_threads" ] && peak_threads=$threads
        [ "${rss:-0}" -gt "$peak_rss" ] && peak_rss=$rss
        sleep 0.02
    done
    echo "$peak_fds $peak_threads $peak_rss" >"$2"
}
