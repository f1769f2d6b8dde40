#!/bin/sh
# Makes the two Windows packages of Vexa from the i686 (32-bit) release
# build, on Debian 12, installing what is missing first:
#   dist/Vexa-<version>-win32.zip    the portable form: unpack anywhere, run
#   dist/Vexa-<version>-setup.exe    the per-user installer (NSIS)
# Both carry Vexa.exe, vexa-cli.exe, README.md, LICENSE.txt, the user guide
# (docs/: the Markdown, and the HTML page with its pictures that the
# program's help opens) and the example banks (examples/). The version is the CMake
# project's.
#   tools/package.sh [--from BUILD_DIR] [--dist DIR]
# Without --from it configures and builds its own release build in
# $VEXA_BUILD_ROOT/package-win32 (default build/package-win32); --from takes
# an existing Windows build folder instead (the test suite's package stage
# uses the win32 stage's). A 64-bit (x86_64) build folder gives the same
# packages for 64-bit Windows, named -win64, with a 64-bit setup program:
# the test suite uses them on machines that cannot run 32-bit programs.
# --dist names the output folder (default dist/).
set -eu

root=$(cd "$(dirname "$0")/.." && pwd)
build_root=${VEXA_BUILD_ROOT:-$root/build}
jobs=${VEXA_JOBS:-$(nproc)}
build=""
dist="$root/dist"
while [ $# -gt 0 ]; do
    case "$1" in
    --from) build=${2:?--from needs a build folder}; shift 2 ;;
    --dist) dist=${2:?--dist needs a folder}; shift 2 ;;
    *) echo "usage: tools/package.sh [--from BUILD_DIR] [--dist DIR]" >&2; exit 2 ;;
    esac
done

"$root/tools/install-deps.sh"

if [ -z "$build" ]; then
    build="$build_root/package-win32"
    mkdir -p "$build_root"
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" \
        -DBUILD_TESTING=OFF -DVEXA_BENCHMARKS=OFF >"$build.configure.log" 2>&1 ||
        { cat "$build.configure.log"; exit 1; }
    cmake --build "$build" --target Vexa vexa-cli -j "$jobs"
fi

vexa="$build/app/win32/Vexa.exe"
cli="$build/tools/vexa-cli.exe"
case "$(file -b "$vexa" 2>/dev/null)" in
"PE32 executable"*) arch=win32 target=x86-unicode strip=i686-w64-mingw32-strip ;;
"PE32+ executable"*) arch=win64 target=amd64-unicode strip=x86_64-w64-mingw32-strip ;;
*) echo "package.sh: $vexa is missing or not a Windows exe" >&2; exit 1 ;;
esac
[ -f "$cli" ] || { echo "package.sh: missing $cli" >&2; exit 1; }
[ -f "$build/version.txt" ] || { echo "package.sh: no version.txt in $build" >&2; exit 1; }
version=$(cat "$build/version.txt")
name="Vexa-$version-$arch"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
stage="$work/$name"
mkdir -p "$stage/docs" "$stage/examples"
cp "$vexa" "$cli" "$stage/"
# The exes lose their debug information (a RelWithDebInfo build folder
# given with --from carries it); the code is the same.
"$strip" "$stage/Vexa.exe" "$stage/vexa-cli.exe"
cp "$root/README.md" "$stage/README.md"
cp "$root/LICENSE" "$stage/LICENSE.txt"
cp "$root/docs/user-guide.md" "$stage/docs/"
# The help page that Help > Help Topics opens, made by the build beside
# Vexa.exe; its pictures are the ones copied next.
guide_html="$build/app/win32/docs/user-guide.html"
[ -f "$guide_html" ] || { echo "package.sh: missing $guide_html (python3-markdown; tools/install-deps.sh)" >&2; exit 1; }
cp "$guide_html" "$stage/docs/"
for picture in "$root"/docs/*.png; do
    [ -f "$picture" ] && cp "$picture" "$stage/docs/"
done
cp "$root"/examples/* "$stage/examples/"

mkdir -p "$dist"
dist=$(cd "$dist" && pwd)
zip_file="$dist/$name.zip"
setup_file="$dist/Vexa-$version-setup.exe"
[ "$arch" = win32 ] || setup_file="$dist/Vexa-$version-$arch-setup.exe"
rm -f "$zip_file" "$setup_file"
(cd "$work" && zip -q -r -X -9 "$zip_file" "$name")

# The installer's file list, one line per file and folder, so that the
# uninstaller removes exactly what the installer put there.
files_nsh="$work/files.nsh"
winpath() { printf '%s' "$1" | tr / '\\'; }  # a/b -> a\b
{
    echo '!macro InstallFiles'
    (cd "$stage" && find . -type d | sort) | while read -r dir; do
        rel=${dir#.}
        rel=${rel#/}
        if [ -z "$rel" ]; then
            printf '    SetOutPath "$INSTDIR"\n'
        else
            printf '    SetOutPath "$INSTDIR\\%s"\n' "$(winpath "$rel")"
        fi
        (cd "$stage/$rel" && find . -maxdepth 1 -type f | sort) | while read -r f; do
            printf '    File "%s"\n' "$stage/${rel:+$rel/}${f#./}"
        done
    done
    printf '    SetOutPath "$INSTDIR"\n'
    echo '!macroend'
    echo '!macro UninstallFiles'
    (cd "$stage" && find . -type f | sort) | while read -r f; do
        printf '    Delete "$INSTDIR\\%s"\n' "$(winpath "${f#./}")"
    done
    (cd "$stage" && find . -mindepth 1 -type d | sort -r) | while read -r dir; do
        printf '    RMDir "$INSTDIR\\%s"\n' "$(winpath "${dir#./}")"
    done
    echo '!macroend'
} >"$files_nsh"

makensis -V2 -NOCD -DVERSION="$version" -DTARGET="$target" -DSTAGE="$stage" -DFILES="$files_nsh" \
    -DOUTFILE="$setup_file" -DICON="$root/app/win32/vexa.ico" "$root/packaging/vexa.nsi"

for f in "$zip_file" "$setup_file"; do
    echo "$f ($(stat -c %s "$f") bytes)"
done
