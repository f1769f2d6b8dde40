#!/bin/bash
# Takes PNG screenshots of Vexa.exe as it looks on a screen: the main window
# with an M-64C and with an M-16C bank open, the Options dialog and the log
# window. Runs Vexa under Xvfb in a prefix of its own with Wine's X11 driver
# (not the null driver of the tests), windows unmanaged (no window manager).
#   tools/screenshots.sh OUTDIR [BUILD_DIR]
# BUILD_DIR is a Windows build folder holding Vexa.exe and the driver
# (default /work/build-shell-w32).
set -euo pipefail
out=${1:?usage: screenshots.sh OUTDIR [BUILD_DIR]}
build=${2:-/work/build-shell-w32}
here=$(cd "$(dirname "$0")/.." && pwd)
vexa=$build/app/win32/Vexa.exe
driver=$build/tests/app/win32/vexa_screenshot_driver.exe
for f in "$vexa" "$driver"; do
    [ -f "$f" ] || { echo "screenshots.sh: missing $f (build Vexa and vexa_screenshot_driver)" >&2; exit 2; }
done
mkdir -p "$out"
out=$(cd "$out" && pwd)

work=$(mktemp -d)
prefix=$work/prefix
display=:$((90 + RANDOM % 100))
xvfb_pid=
cleanup() {
    "$here/tools/wine-prefix.sh" stop "$prefix" || true
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

"$here/tools/wine-prefix.sh" create "$prefix"
export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
cat >"$work/x11.reg" <<'REG'
REGEDIT4

[HKEY_CURRENT_USER\Software\Wine\Drivers]
"Graphics"="x11"

[HKEY_CURRENT_USER\Software\Wine\X11 Driver]
"Managed"="N"
"Decorated"="N"
REG
/usr/lib/wine/wine64 regedit /S "$work/x11.reg"
/usr/lib/wine/wineserver64 -w

Xvfb "$display" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
export DISPLAY=$display
for _ in $(seq 50); do
    xdpyinfo >/dev/null 2>&1 && break || sleep 0.1
done

winpath() { echo "Z:$(echo "$1" | tr / '\\')"; }
loader=/usr/lib/wine/wine
file -b "$driver" | grep -q "PE32+" && loader=/usr/lib/wine/wine64

coproc DRIVER { "$loader" "$driver" "$(winpath "$vexa")" \
    "$(winpath "$here/examples/jx10-night-session.syx")" \
    "$(winpath "$here/examples/jx8p-studio-tones.syx")" 2>&1; }
driver_pid=$DRIVER_PID  # bash forgets it once the driver has ended
taken=0
while read -r word name x y w h <&"${DRIVER[0]}"; do
    if [ "$word" != SHOT ]; then
        echo "driver: $word $name $x $y $w $h" >&2
        continue
    fi
    /usr/bin/import -window root "$work/screen.png"
    /usr/bin/convert "$work/screen.png" -crop "${w}x${h}+${x}+${y}" +repage "$out/$name.png"
    echo "saved $out/$name.png"
    taken=$((taken + 1))
    echo next >&"${DRIVER[1]}"
done
wait "$driver_pid" || { echo "screenshots.sh: the driver failed" >&2; exit 1; }
[ "$taken" -eq 4 ] || { echo "screenshots.sh: $taken of 4 pictures taken" >&2; exit 1; }
