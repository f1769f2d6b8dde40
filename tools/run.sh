#!/bin/sh
# Builds Vexa.exe (the 32-bit Windows program) and starts it under Wine, in a
# Wine prefix of its own under build/ that keeps the program's settings
# between runs. Uses the current X display; with none, starts Xvfb on :77
# and says so (the window is then invisible: use tools/screenshots.sh).
set -eu

root=$(cd "$(dirname "$0")/.." && pwd)
build=${VEXA_BUILD_ROOT:-$root/build}
prefix="$build/run-prefix"

"$root/tools/install-deps.sh"
cmake -S "$root" --preset win32 -B "$build/win32" >/dev/null
cmake --build "$build/win32" --target Vexa -j "$(nproc)"

. "$root/tools/wine-env.sh"
vexa_wine_env "$prefix"
if [ ! -f "$prefix/.vexa-run-ready" ]; then
    mkdir -p "$prefix"
    "$VEXA_WINE64" wineboot -i >/dev/null 2>&1 || true
    cat >"$prefix/vexa-run.reg" <<'REG'
REGEDIT4

[HKEY_CURRENT_USER\Software\Wine\WineDbg]
"ShowCrashDialog"=dword:00000000
REG
    "$VEXA_WINE64" regedit /S "$prefix/vexa-run.reg" >/dev/null 2>&1
    mkdir -p "$prefix/drive_c/windows/Fonts"
    cp /usr/share/wine/fonts/* "$prefix/drive_c/windows/Fonts/" 2>/dev/null || true
    touch "$prefix/.vexa-run-ready"
fi

if [ -z "${DISPLAY:-}" ]; then
    echo "No X display: starting Xvfb on :77 (nothing will be visible)." >&2
    Xvfb :77 -screen 0 1280x800x24 >/dev/null 2>&1 &
    export DISPLAY=:77
    sleep 1
fi

echo "Example banks to open are in $root/examples (drive Z: in the file dialog)."
status=0
exe="$build/win32/app/win32/Vexa.exe"
"$(vexa_wine_loader "$exe")" "$exe" || status=$?
"$VEXA_WINESERVER" -w 2>/dev/null || true
exit $status
