#!/bin/sh
# Makes SQLite's single-file amalgamation (sqlite3.c and sqlite3.h) from
# Debian's sqlite3 source package, which tools/install-deps.sh unpacks under
# $VEXA_SQLITE_SOURCE_ROOT (by default ~/.cache/vexa/sqlite3). The Windows
# builds compile the result with mingw-w64 (cmake/VexaSqlite.cmake); the
# native builds link Debian's libsqlite3 and never run this.
#   tools/make-sqlite-amalgamation.sh OUT_DIR
# Needs tclsh and the native C compiler: the amalgamation's generators
# (lemon, mkkeywordhash) are native helper programs built on the way.
set -eu

out=$1
root=${VEXA_SQLITE_SOURCE_ROOT:-$HOME/.cache/vexa/sqlite3}
source=""
for candidate in "$root"/sqlite3-*; do
    if [ -f "$candidate/tool/mksqlite3c.tcl" ]; then source=$candidate; fi
done
if [ -z "$source" ]; then
    echo "make-sqlite-amalgamation: no SQLite source under $root; run tools/install-deps.sh" >&2
    exit 1
fi
command -v tclsh >/dev/null || { echo "make-sqlite-amalgamation: tclsh is missing (Debian's tcl)" >&2; exit 1; }

# Built in a scratch folder beside the output; only the two finished files
# are moved into place, so a failed run never leaves half an amalgamation.
work="$out/amalgamation-build"
rm -rf "$work"
mkdir -p "$work"
cd "$work"
# The configure script's own compiler is the native one: every program it
# builds here runs on this machine. Tcl is not needed as a library.
env -u CC -u CFLAGS "$source/configure" --disable-tcl --disable-readline >configure.log 2>&1 ||
    { cat configure.log >&2; exit 1; }
make sqlite3.c >make.log 2>&1 || { tail -n 40 make.log >&2; exit 1; }
mv sqlite3.h "$out/sqlite3.h"
mv sqlite3.c "$out/sqlite3.c"
cd "$out"
rm -rf "$work"
