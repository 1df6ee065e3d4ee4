#!/bin/sh
# Runs a command on the virtual display of fixture-display.sh when it runs; without it (as when CTest
# lists a test program's tests at build time) on whatever DISPLAY the caller has.
# Usage: on-display.sh FOLDER COMMAND...
folder=$1
shift
if [ -s "$folder/display" ]; then
    DISPLAY=$(cat "$folder/display")
    export DISPLAY
fi
exec "$@"
