#!/bin/bash
# Takes PNG screenshots of Vexa.exe as it looks on a screen: the main window
# with an M-64C and with an M-16C bank open (at the program's own first
# width), a selection and the Edit menu, the Choose a Bank dialog, the
# Options dialog, the log window, the About box, the Library window over the
# examples (indexed by vexa-cli.exe from BUILD_DIR), and a JX-10 bulk load
# with its progress bar. Runs Vexa under Xvfb in a prefix of its own with Wine's
# X11 driver (not the null driver of the tests), windows unmanaged (no window
# manager), at 96 DPI or the one given with --dpi (144 = 150 %).
#   tools/screenshots.sh [--dpi N] OUTDIR [BUILD_DIR [HOST_BUILD_DIR]]
# The user guide's pictures: tools/screenshots.sh docs build/win64 build/host
# BUILD_DIR is a Windows build folder holding Vexa.exe and the driver
# (vexa_screenshot_driver; default: win32 under $VEXA_BUILD_ROOT, else under
# the repository's build/). The transfer is made over the end-to-end tests'
# virtual MIDI cable: winevtest.drv from BUILD_DIR and vexa-farside from
# HOST_BUILD_DIR (default: host beside BUILD_DIR); without them that picture
# is left out. The file of several banks is the three examples one after the
# other, made in a scratch folder.
set -euo pipefail
dpi=96
if [ "${1:-}" = --dpi ]; then
    dpi=${2:?--dpi needs a number}
    shift 2
fi
out=${1:?usage: screenshots.sh [--dpi N] OUTDIR [BUILD_DIR]}
here=$(cd "$(dirname "$0")/.." && pwd)
build=${2:-${VEXA_BUILD_ROOT:-$here/build}/win32}
host_build=${3:-$(dirname "$build")/host}
vexa=$build/app/win32/Vexa.exe
driver=$build/tests/app/win32/vexa_screenshot_driver.exe
cli=$build/tools/vexa-cli.exe
for f in "$vexa" "$driver" "$cli"; do
    [ -f "$f" ] || { echo "screenshots.sh: missing $f (build Vexa, vexa-cli and vexa_screenshot_driver)" >&2; exit 2; }
done
vmidi=$build/tests/e2e/winevtest.drv
farside=$host_build/tests/e2e/vexa-farside
cable=yes
for f in "$vmidi" "$farside"; do
    [ -f "$f" ] || { echo "screenshots.sh: no $f (winevtest in BUILD_DIR, vexa-farside in HOST_BUILD_DIR): no transfer picture" >&2; cable=; }
done
mkdir -p "$out"
out=$(cd "$out" && pwd)

work=$(mktemp -d)
prefix=$work/prefix
display=:$((90 + RANDOM % 100))
xvfb_pid=
farside_pid=
cleanup() {
    "$here/tools/wine-prefix.sh" stop "$prefix" || true
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
    [ -n "$farside_pid" ] && kill "$farside_pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

"$here/tools/wine-prefix.sh" create "$prefix"
. "$here/tools/wine-env.sh"
vexa_wine_env "$prefix"
cat >"$work/x11.reg" <<'REG'
REGEDIT4

[HKEY_CURRENT_USER\Software\Wine\Drivers]
"Graphics"="x11"

[HKEY_CURRENT_USER\Software\Wine\X11 Driver]
"Managed"="N"
"Decorated"="N"
REG
# The screen's resolution, which Wine reads at start.
printf '\n[HKEY_CURRENT_USER\\Control Panel\\Desktop]\n"LogPixels"=dword:%08x\n' "$dpi" >>"$work/x11.reg"
if [ -n "$cable" ]; then
    # The virtual MIDI driver as the prefix's audio driver, and its two
    # ports in Vexa's settings, with JX-10 on channel 1 (the Options block:
    # marker, synthesizer, channel).
    loader_dir=system32
    [ "$(vexa_wine_loader "$vexa")" = "$VEXA_WINE" ] && loader_dir=syswow64
    cp "$vmidi" "$prefix/drive_c/windows/$loader_dir/winevtest.drv"
    cat >>"$work/x11.reg" <<'REG'

[HKEY_CURRENT_USER\Software\Wine\Drivers]
"Audio"="vtest"

[HKEY_CURRENT_USER\Software\Bramwick\Vexa]
"InputDevice"="Vexa Virtual MIDI In"
"OutputDevice"="Vexa Virtual MIDI Out"
"Options"=hex:01,00,00,00
REG
    rm -f "$work/port"
    "$farside" --port-file "$work/port" --files "$work" >"$work/farside.log" 2>&1 &
    farside_pid=$!
    for _ in $(seq 100); do
        [ -s "$work/port" ] && break || sleep 0.1
    done
    [ -s "$work/port" ] || { echo "screenshots.sh: the far side did not start" >&2; cat "$work/farside.log" >&2; exit 1; }
    VEXA_VMIDI_PORT=$(cat "$work/port")
    VEXA_VMIDI_WIRE=1
    export VEXA_VMIDI_PORT VEXA_VMIDI_WIRE
fi
"$VEXA_WINE64" regedit /S "$work/x11.reg"
"$VEXA_WINESERVER" -w

Xvfb "$display" -screen 0 1600x1200x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
export DISPLAY=$display
for _ in $(seq 50); do
    xdpyinfo >/dev/null 2>&1 && break || sleep 0.1
done

winpath() { echo "Z:$(echo "$1" | tr / '\\')"; }
loader=$(vexa_wine_loader "$driver")

# The library: the examples in C:\Sounds of the prefix, indexed into
# C:\Vexa\library.db, which Vexa.exe reads through VEXA_LIBRARY_DB.
mkdir -p "$prefix/drive_c/Sounds"
find "$here/examples" -maxdepth 1 -type f ! -name '*.md' -exec cp {} "$prefix/drive_c/Sounds/" \;
export VEXA_LIBRARY_DB='C:\Vexa\library.db'
"$(vexa_wine_loader "$cli")" "$cli" library add 'C:\Sounds' >/dev/null

# Three banks in one file: the JX-10 bank first, which the driver chooses.
cat "$here/examples/jx10-night-session.syx" "$here/examples/jx8p-studio-tones.syx" \
    "$here/examples/mks70-night-session.syx" >"$work/three-banks.syx"
coproc DRIVER { "$loader" "$driver" "$(winpath "$vexa")" \
    "$(winpath "$here/examples/jx10-night-session.syx")" \
    "$(winpath "$here/examples/jx8p-studio-tones.syx")" \
    "$(winpath "$work/three-banks.syx")" 2>&1; }
driver_pid=$DRIVER_PID  # bash forgets it once the driver has ended
taken=0
while read -r word name x y w h <&"${DRIVER[0]}"; do
    if [ "$word" != SHOT ]; then
        echo "driver: $word $name $x $y $w $h" >&2
        continue
    fi
    /usr/bin/import -window root "$work/screen.png"
    # Few colours on these pictures: an 8-bit palette keeps the files small.
    /usr/bin/convert "$work/screen.png" -crop "${w}x${h}+${x}+${y}" +repage -strip \
        "PNG8:$out/$name.png"
    echo "saved $out/$name.png"
    taken=$((taken + 1))
    echo next >&"${DRIVER[1]}"
done
wait "$driver_pid" || { echo "screenshots.sh: the driver failed" >&2; exit 1; }
wanted=9
[ -n "$cable" ] && wanted=10
[ "$taken" -eq "$wanted" ] || { echo "screenshots.sh: $taken of $wanted pictures taken" >&2; exit 1; }
