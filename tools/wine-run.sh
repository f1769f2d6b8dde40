#!/bin/sh
# Runs one Windows program in the given Wine prefix and passes on its exit
# code: wine-run.sh PREFIX PROGRAM.exe [ARGS...]. A 32-bit program goes to
# the 32-bit loader. The wineserver is left running for the next test; the
# cleanup fixture (wine-prefix.sh stop) ends it.
set -eu
prefix=$1
shift
export WINEPREFIX="$prefix"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY
loader=/usr/lib/wine/wine64
if file -b "$1" | grep -q "PE32 executable"; then loader=/usr/lib/wine/wine; fi
exec "$loader" "$@"
