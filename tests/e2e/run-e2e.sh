#!/bin/sh
# Runs the end-to-end suite for the Vexa.exe of one Windows build folder:
#   tests/e2e/run-e2e.sh HOST_BUILD WIN_BUILD
# HOST_BUILD holds the far side (target vexa-farside), WIN_BUILD the
# Vexa.exe, winevtest.drv, vmidi_driver_test.exe and vexa_e2e_harness.exe of
# one architecture. A prefix of its own (WIN_BUILD/e2e-prefix) gets the
# virtual driver as its audio driver "vtest"; the far side listens on a port
# the system picks, so two runs can go at the same time. Set VEXA_E2E_WIRE=0
# to run the cable without MIDI's 3125 bytes per second.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
host=$(cd "$1" && pwd)
win=$(cd "$2" && pwd)
shift 2

farside=$(find "$host" -name vexa-farside -type f | head -n 1)
vexa=$(find "$win" -name Vexa.exe -type f | head -n 1)
driver=$(find "$win" -name winevtest.drv -type f | head -n 1)
drivertest=$(find "$win" -name vmidi_driver_test.exe -type f | head -n 1)
harness=$(find "$win" -name vexa_e2e_harness.exe -type f | head -n 1)
for f in "$farside" "$vexa" "$driver" "$drivertest" "$harness"; do
    if [ -z "$f" ]; then
        echo "run-e2e: missing a program; build vexa-farside in $host and Vexa winevtest vmidi_driver_test vexa_e2e_harness in $win" >&2
        exit 2
    fi
done

prefix="$win/e2e-prefix"
. "$root/tools/wine-env.sh"
vexa_wine_env "$prefix"
unset DISPLAY
"$root/tools/wine-prefix.sh" create "$prefix"

loader=$(vexa_wine_loader "$vexa")
if [ "$loader" = "$VEXA_WINE" ]; then
    cp "$driver" "$prefix/drive_c/windows/syswow64/winevtest.drv"
else
    cp "$driver" "$prefix/drive_c/windows/system32/winevtest.drv"
fi
# A fresh run: no settings left from the last one.
cat >"$prefix/e2e-settings.reg" <<'REG'
REGEDIT4

[HKEY_CURRENT_USER\Software\Wine\Drivers]
"Audio"="vtest"

[-HKEY_CURRENT_USER\Software\Bramwick\Vexa]
REG
"$VEXA_WINE64" regedit /S "$prefix/e2e-settings.reg" >/dev/null 2>&1
"$VEXA_WINESERVER" -k 2>/dev/null || true
"$VEXA_WINESERVER" -w 2>/dev/null || true

files="$prefix/drive_c/vexa-e2e"
mkdir -p "$files"
rm -f "$files/port"
"$farside" --port-file "$files/port" --files "$files" >"$files/farside.log" 2>&1 &
farside_pid=$!
cleanup() {
    kill "$farside_pid" 2>/dev/null || true
    "$root/tools/wine-prefix.sh" stop "$prefix"
}
trap cleanup EXIT INT TERM
for _ in $(seq 1 100); do
    [ -s "$files/port" ] && break
    sleep 0.1
done
if [ ! -s "$files/port" ]; then
    echo "run-e2e: the far side did not start" >&2
    cat "$files/farside.log" >&2
    exit 2
fi
VEXA_VMIDI_PORT=$(cat "$files/port")
VEXA_VMIDI_WIRE=${VEXA_E2E_WIRE:-1}
export VEXA_VMIDI_PORT VEXA_VMIDI_WIRE
echo "run-e2e: $(basename "$vexa") ($(file -b "$vexa" | cut -d, -f1)), far side on port $VEXA_VMIDI_PORT"

status=0
echo "== the virtual driver through winmm"
"$loader" "$drivertest" || status=1
echo "== scenarios"
# Wine's drive Z: is the Unix root.
vexa_windows="Z:$(printf '%s' "$vexa" | tr / '\\')"
"$loader" "$harness" "$vexa_windows" 'C:\vexa-e2e' "$@" || status=1
echo "== far side"
cat "$files/farside.log"
exit $status
