#!/bin/sh
# Installs everything Vexa needs to build and test on Debian 12: the native
# tool chain, GoogleTest, clang (for the fuzzer), mingw-w64 for the Windows
# exes, Wine (64- and 32-bit) with Xvfb to run them, and NSIS and zip for the
# packages (tools/package.sh), and python3-markdown, which makes the user
# guide's HTML page (the program's help) at build time. Idempotent: packages
# already present are left alone, and nothing is done when all are there.
set -eu

SUDO=""
if [ "$(id -u)" != "0" ]; then SUDO="sudo"; fi

PACKAGES="cmake ninja-build g++ clang libclang-rt-14-dev libgtest-dev libgmock-dev googletest libbenchmark-dev \
mingw-w64 g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix \
wine64 wine32:i386 fonts-wine xvfb x11-apps imagemagick python3 python3-markdown file nsis zip"

missing=""
for p in $PACKAGES; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing="$missing $p"
    fi
done

if [ -z "$missing" ]; then
    exit 0
fi

if ! dpkg --print-foreign-architectures | grep -qx i386; then
    $SUDO dpkg --add-architecture i386
fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -q
# shellcheck disable=SC2086
$SUDO apt-get install -y -q --no-install-recommends $missing
