#!/bin/sh
# Usage: check-unit.sh SYSTEMD_ANALYZE UNIT PROGRAM
# systemd's own checks of the service UNIT, with its ExecStart pointed at the built PROGRAM: verify wants
# the program it starts to exist, and the package is not installed when its checks run.
set -eu
analyze=$1
unit=$2
program=$3
folder=$(mktemp -d)
trap 'rm -rf "$folder"' EXIT
sed "s|^ExecStart=/usr/bin/[^ ]*|ExecStart=$program|" "$unit" >"$folder/$(basename "$unit")"
# The manual page it names is made by the same build, not installed yet. A setting systemd cannot read
# is only a warning to verify, which still ends well: any word from it fails the check.
output=$("$analyze" verify --man=no "$folder/$(basename "$unit")" 2>&1) || status=$?
if [ -n "$output" ] || [ "${status:-0}" -ne 0 ]; then
    printf '%s\n' "$output" >&2
    exit 1
fi
