#!/bin/sh
# Usage: check-manpage.sh PROGRAM PAGE
# Every long option that PROGRAM --help names must show in its manual page PAGE as a reader sees it:
# help2man takes the options from the help text's layout and would drop one it misreads without a word.
set -eu
program=$1
page=$2
shown=$(MANWIDTH=250 man --nh --nj -l "$page" | col -b)
missing=0
for option in $("$program" --help | grep -o -- '--[a-z][a-z0-9-]*' | sort -u); do
    if ! printf '%s\n' "$shown" | grep -qF -- "$option"; then
        echo "${page}: ${option} is missing" >&2
        missing=1
    fi
done
exit "$missing"
