#!/bin/sh
# Runs one Windows program in the given Wine prefix and passes on its exit
# code: wine-run.sh PREFIX PROGRAM.exe [ARGS...]. A 32-bit program goes to
# the 32-bit loader. The wineserver is left running for the next test; the
# cleanup fixture (wine-prefix.sh stop) ends it.
set -eu
. "$(dirname "$0")/wine-env.sh"
vexa_wine_env "$1"
shift
unset DISPLAY
exec "$(vexa_wine_loader "$1")" "$@"
