#!/bin/sh
# Runs the Windows test program EXE with --gtest_filter=FILTER under Wine (EMULATOR...) with the screen at
# DPI dots per inch, which Wine takes from the user's LogPixels; the prefix goes back to its default
# after, however the test ended. The window tests take turns, so no other window sees the change.
# Usage: at-dpi.sh DPI EXE FILTER EMULATOR...
set -u
dpi=$1 exe=$2 filter=$3
shift 3
key='HKCU\Control Panel\Desktop'
trap '"$@" reg delete "$key" /v LogPixels /f >/dev/null 2>&1' EXIT
"$@" reg add "$key" /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null || exit 1
VANTREX_TEST_DPI=$dpi "$@" "$exe" --gtest_filter="$filter"
status=$?
exit "$status"
