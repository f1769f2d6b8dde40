# Sourced (". tools/wine-env.sh") by every script that runs Windows programs
# under Wine, so the prefix settings, the loaders and the debug and DLL
# settings are decided once. Debian's Wine: the loaders live in
# /usr/lib/wine, the 32-bit one runs PE32 programs, the 64-bit one PE32+.
#   vexa_wine_env PREFIX   exports WINEPREFIX, WINEDEBUG, WINEDLLOVERRIDES
#   vexa_wine_loader EXE   prints the loader that runs EXE
# Knows nothing of Vexa's programs or of what a prefix holds.

VEXA_WINE=/usr/lib/wine/wine
VEXA_WINE64=/usr/lib/wine/wine64
VEXA_WINESERVER=/usr/lib/wine/wineserver64

# Wine's own messages stay off unless the caller asked for some; Mono and
# Gecko are never installed (they would be offered at the first start).
vexa_wine_env() {
    WINEPREFIX=$1
    WINEDEBUG=${WINEDEBUG:--all}
    WINEDLLOVERRIDES="mscoree,mshtml="
    export WINEPREFIX WINEDEBUG WINEDLLOVERRIDES
}

vexa_wine_loader() {
    case "$(file -b "$1")" in
    "PE32 "*) echo "$VEXA_WINE" ;;
    *) echo "$VEXA_WINE64" ;;
    esac
}
