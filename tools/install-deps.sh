#!/bin/sh
# Installs everything Vexa needs to build and test on Debian 12: the native
# tool chain, GoogleTest, SQLite, clang (for the fuzzer), mingw-w64 for the
# Windows exes, Wine (64- and 32-bit) with Xvfb to run them, NSIS and zip
# for the packages (tools/package.sh), and python3-markdown, which makes the
# user guide's HTML page (the program's help) at build time. Then it fetches
# Debian's own source package of SQLite, from which the Windows builds make
# their static library (cmake/VexaSqlite.cmake), into
# $VEXA_SQLITE_SOURCE_ROOT (by default ~/.cache/vexa/sqlite3), outside the
# repository. Idempotent: packages already present are left alone, and a
# source already unpacked is not fetched again.
set -eu

SUDO=""
if [ "$(id -u)" != "0" ]; then SUDO="sudo"; fi

PACKAGES="cmake ninja-build g++ clang libclang-rt-14-dev libgtest-dev libgmock-dev googletest libbenchmark-dev \
libsqlite3-dev tcl dpkg-dev \
mingw-w64 g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix \
wine64 wine32:i386 fonts-wine xvfb x11-apps imagemagick python3 python3-markdown file nsis zip"

export DEBIAN_FRONTEND=noninteractive
updated=0

missing=""
for p in $PACKAGES; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing="$missing $p"
    fi
done

if [ -n "$missing" ]; then
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
        $SUDO dpkg --add-architecture i386
    fi
    $SUDO apt-get update -q
    updated=1
    # shellcheck disable=SC2086
    $SUDO apt-get install -y -q --no-install-recommends $missing
fi

# SQLite's source, as Debian ships it. apt-get source needs a deb-src entry;
# when none exists, one is made for the very archive the binary packages come
# from (the deb stanzas of debian.sources, as deb-src), in a file of its own.
sqlite_root=${VEXA_SQLITE_SOURCE_ROOT:-$HOME/.cache/vexa/sqlite3}
if ! ls "$sqlite_root"/sqlite3-*/tool/mksqlite3c.tcl >/dev/null 2>&1; then
    sources=/etc/apt/sources.list.d/debian.sources
    if ! grep -rqsE '^(Types:.*deb-src|deb-src )' /etc/apt/sources.list /etc/apt/sources.list.d/; then
        if [ ! -f "$sources" ]; then
            echo "install-deps: no deb-src entry and no $sources to make one from" >&2
            exit 1
        fi
        sed 's/^Types:[[:space:]]*deb[[:space:]]*$/Types: deb-src/' "$sources" |
            $SUDO tee /etc/apt/sources.list.d/vexa-debian-src.sources >/dev/null
        updated=0
    fi
    if [ "$updated" = 0 ]; then $SUDO apt-get update -q; fi
    rm -rf "$sqlite_root.partial"
    mkdir -p "$sqlite_root.partial"
    # Unpacked beside, then moved into place, so that an interrupted fetch
    # never looks like a complete source.
    (cd "$sqlite_root.partial" && apt-get source -q sqlite3)
    rm -rf "$sqlite_root"
    mv "$sqlite_root.partial" "$sqlite_root"
fi
