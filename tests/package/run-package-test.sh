#!/bin/sh
# The package stage of tools/test.sh: makes both packages from a Windows
# build folder with tools/package.sh, then, in a throwaway Wine prefix:
#   - the zip unpacked into a folder of its own: its Vexa.exe starts and
#     shows its window, its vexa-cli.exe runs;
#   - the setup program run silently (/S): the installed files, the shortcut,
#     the uninstall entry and "Open with" are checked, the installed Vexa.exe
#     starts and shows its window, the installed vexa-cli.exe reads the
#     installed examples;
#   - the uninstaller run silently: everything installed is gone, the
#     program's settings key is still there.
# The checks on the Windows side are vexa_install_check.exe of the build.
#   run-package-test.sh WINDOWS_BUILD_DIR WORK_DIR
set -eu
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "${1:?usage: run-package-test.sh WINDOWS_BUILD_DIR WORK_DIR}" && pwd)
work=${2:?usage: run-package-test.sh WINDOWS_BUILD_DIR WORK_DIR}
check="$build/tests/package/vexa_install_check.exe"
[ -f "$check" ] || { echo "missing $check: build the Windows stage first" >&2; exit 1; }

rm -rf "$work"
mkdir -p "$work"
work=$(cd "$work" && pwd)
"$root/tools/package.sh" --from "$build" --dist "$work/dist"
version=$(cat "$build/version.txt")
zip_file=$(ls "$work/dist/Vexa-$version"-win*.zip)
setup=$(ls "$work/dist/Vexa-$version"-*setup.exe)
name=$(basename "$zip_file" .zip)

# Wine turns Start-menu shortcuts and file associations into desktop menu
# entries under the user's home: keep those in the throwaway folder.
export HOME="$work/home" XDG_DATA_HOME="$work/home/.local/share" XDG_CONFIG_HOME="$work/home/.config"
mkdir -p "$HOME"
prefix="$work/prefix"
"$root/tools/wine-prefix.sh" create "$prefix"
trap '"$root/tools/wine-prefix.sh" stop "$prefix"' EXIT
export WINEPREFIX="$prefix"
run() { "$root/tools/wine-run.sh" "$prefix" "$@"; }
settle() { /usr/lib/wine/wineserver64 -w; }  # every process of the prefix ended
winpath() { printf 'Z:%s' "$(printf '%s' "$1" | tr / '\\')"; }
fail() { echo "package test: $*" >&2; exit 1; }

cli_reads_examples() {  # folder holding vexa-cli.exe and examples/
    out=$(run "$1/vexa-cli.exe" --version | tr -d '\r')
    [ "$(echo "$out" | head -n 1)" = "vexa-cli (Vexa) $version" ] || fail "$1: --version said: $out"
    out=$(run "$1/vexa-cli.exe" identify "$(winpath "$1/examples/jx10-night-session.syx")" | tr -d '\r')
    case "$out" in *"JX-10 bulk dump, 16846 bytes, M-64C") ;; *) fail "$1: identify said: $out" ;; esac
}

echo "-- the zip"
python3 -m zipfile -e "$zip_file" "$work/unpacked"
portable="$work/unpacked/$name"
VEXA_PORTABLE_DIR=$(winpath "$portable") run "$check" --gtest_filter='Portable.*'
cli_reads_examples "$portable"
settle

echo "-- silent install"
# A settings value of the user's that the uninstaller must keep.
run reg add 'HKCU\Software\Bramwick\Vexa' /v PackageTest /t REG_SZ /d kept /f >/dev/null
run "$setup" /S
settle
run "$check" --gtest_filter='Installed.*'
installed=$(find "$prefix/drive_c/users" -path '*/AppData/Local/Programs/Vexa' -type d | head -n 1)
[ -n "$installed" ] || fail "no install folder under the prefix's users"
cli_reads_examples "$installed"
settle

echo "-- silent uninstall"
# The uninstaller copies itself to the temporary folder and runs from there,
# so the one started here ends at once: wait for the whole prefix.
run "$installed/Uninstall.exe" /S
settle
run "$check" --gtest_filter='Removed.*'
echo "package test passed"
