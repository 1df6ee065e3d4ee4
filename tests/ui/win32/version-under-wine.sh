#!/bin/sh
# vantrex-config.exe, a program without a console of its own, answers --version on the standard output it
# was given, with no window, and ends with status 0.
# Usage: version-under-wine.sh EXE VERSION EMULATOR...
set -eu
exe=$1 version=$2
shift 2
answer=$("$@" "$exe" --version | tr -d '\r')
[ "$answer" = "vantrex-config $version" ] || { echo "--version answers: $answer" >&2; exit 1; }
