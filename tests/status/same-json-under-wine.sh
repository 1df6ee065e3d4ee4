#!/bin/sh
# vantrex-status.exe under Wine must give the same JSON Lines and exit status as the Linux build, for the
# devices that the fixture runs from TABLE and for one where nothing listens. Every field must be alike
# except the times and offsets, which depend on the moment (those must be present on both or on neither,
# and plausible: the device clocks run on real time; one device's NTP serves it 2 s ahead), and the words of
# an NTP refusal (below).
# Usage: same-json-under-wine.sh TABLE NATIVE_STATUS WINDOWS_STATUS EMULATOR...
set -eu
table=$1 native=$2 windows=$3
shift 3
folder=$(mktemp -d)
trap 'rm -rf "$folder"' EXIT

nothing_listens=127.0.40.99
addresses=$(sed -n 's/^--address \([0-9.]*\) .*/\1/p' "$table")
ntp_port=$(sed -n 's/.* --ntp-port \([0-9]*\).*/\1/p' "$table" | head -n 1)
# Long enough for a telnet reading under Wine on a busy machine; the silent device takes all of it.
options="--json --timeout 8 --ntp-port $ntp_port"

run() {
    name=$1
    shift
    # shellcheck disable=SC2086 # the options and addresses are words on purpose
    set +e
    "$@" $options $addresses $nothing_listens >"$folder/$name.jsonl"
    echo $? >"$folder/$name.exit"
    set -e
}
run native "$native"
run windows "$@" "$windows"

timing='.device_time, .device_time_unix, .offset_seconds, .round_trip_seconds, .ntp_shell_seconds,
        .ntp.time, .ntp.time_unix, .ntp.offset_seconds, .ntp.delay_seconds,
        .ntp.reference_time, .ntp.reference_time_unix, .ntp.age_seconds'
plausible='now as $now
    | [(.device_time_unix, .ntp.time_unix, .ntp.reference_time_unix | numbers | . - $now | fabs < 60),
       (.offset_seconds | numbers | fabs < 1),
       (.ntp.offset_seconds, .ntp_shell_seconds | numbers | fabs < 3),
       (.round_trip_seconds, .ntp.delay_seconds | numbers | . >= 0 and . < 2),
       (.ntp.age_seconds | numbers | . >= 0 and . < 60),
       (.device_time, .ntp.time, .ntp.reference_time | strings | test("^[0-9]{4}-[0-9]{2}-[0-9]{2}T[0-9]{2}:[0-9]{2}:[0-9.]+Z$")),
       (if .reachable then .device_time_unix and .offset_seconds and .round_trip_seconds else true end),
       (if .ntp.answered then .ntp.time_unix and .ntp.offset_seconds and .ntp.delay_seconds else true end)]
    | all'
# A problem's text carries the figures it judged, which depend on the moment too: only its words must agree.
words='.problems |= map(.text |= gsub("[0-9][0-9.]*(e[-+]?[0-9]+)?"; "N") | .value |= type)'
# A fleet's NTP checks share one datagram socket. Linux tells which peer's port refused a request; Wine
# (8.0) drops that report for a socket shared by many peers and refuses to ask the kernel for it, so there
# the check ends in its time-out as "no answer". Only those words may differ; the status does not.
refusal='s/ (port unreachable)//g'
failed=0
for name in native windows; do
    sed "$refusal" "$folder/$name.jsonl" | jq -c "($timing) |= type | $words" >"$folder/$name.fields"
    if ! jq -e -s "length > 0 and (map($plausible) | all)" "$folder/$name.jsonl" >/dev/null; then
        echo "implausible times or offsets from the $name build:" >&2
        cat "$folder/$name.jsonl" >&2
        failed=1
    fi
done
if ! diff -u "$folder/native.fields" "$folder/windows.fields" >&2; then
    failed=1
fi
if [ "$(cat "$folder/native.exit")" != "$(cat "$folder/windows.exit")" ]; then
    echo "exit status: native $(cat "$folder/native.exit"), Windows $(cat "$folder/windows.exit")" >&2
    failed=1
fi
[ "$failed" -eq 0 ] && echo "$(wc -l <"$folder/native.fields") devices alike, exit status $(cat "$folder/native.exit")"
exit "$failed"
