# Sourced by the shell tests that run simulated devices. start_ready_sim starts one in a session of its own
# and returns once it listens: the device says so on its standard output, read here through a pipe, so
# nothing is polled. Needs $folder (the test's own folder) and $pids (the processes the test stops); the
# device's standard error goes to $folder/NAME.out.
# Usage: start_ready_sim NAME SIM [OPTION...]
start_ready_sim() {
    ready_name=$1
    shift
    mkfifo "$folder/$ready_name.ready"
    setsid "$@" --ready </dev/null >"$folder/$ready_name.ready" 2>"$folder/$ready_name.out" &
    pids="$pids $!"
    # A device that ends before it listens closes the pipe: an empty line, at once.
    if [ "$(timeout 10 head -n 1 "$folder/$ready_name.ready")" != "vantrex-sim ready" ]; then
        echo "the simulated device $ready_name did not listen within 10 s" >&2
        cat "$folder/$ready_name.out" >&2
        exit 1
    fi
}
