#!/bin/sh
# Makes (create) or stops (stop) a throwaway Wine prefix for the Windows
# tests. The prefix runs with no X server (null graphics driver), never shows
# a crash dialog, and has Debian's Wine fonts copied in.
#   wine-prefix.sh create DIR | stop DIR
set -eu
action=$1
prefix=$2
. "$(dirname "$0")/wine-env.sh"
vexa_wine_env "$prefix"
WINE64=$VEXA_WINE64
WINESERVER=$VEXA_WINESERVER

case "$action" in
create)
    if [ -f "$prefix/.vexa-ready" ]; then exit 0; fi
    rm -rf "$prefix"
    mkdir -p "$prefix"
    unset DISPLAY
    "$WINE64" wineboot -i >/dev/null 2>&1 || true
    "$WINESERVER" -w
    regfile="$prefix/vexa-settings.reg"
    cat >"$regfile" <<'REG'
REGEDIT4

[HKEY_CURRENT_USER\Software\Wine\Drivers]
"Graphics"="null"
"Audio"=""

[HKEY_CURRENT_USER\Software\Wine\WineDbg]
"ShowCrashDialog"=dword:00000000

[HKEY_CURRENT_USER\Software\Wine\X11 Driver]
"Managed"="N"
REG
    "$WINE64" regedit /S "$regfile" >/dev/null 2>&1
    "$WINESERVER" -k || true
    "$WINESERVER" -w || true
    fonts="$prefix/drive_c/windows/Fonts"
    mkdir -p "$fonts"
    cp /usr/share/wine/fonts/* "$fonts"/ 2>/dev/null || true
    touch "$prefix/.vexa-ready"
    ;;
stop)
    if [ -d "$prefix" ]; then "$WINESERVER" -k 2>/dev/null || true; fi
    ;;
*)
    echo "usage: wine-prefix.sh create|stop DIR" >&2
    exit 2
    ;;
esac
