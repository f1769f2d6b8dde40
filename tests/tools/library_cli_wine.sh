#!/bin/sh
# vexa-cli.exe's library commands under Wine, on a folder made here: two
# M-16C images (2048 bytes, 55h at byte 159, the first tone's name at byte
# 160 and a data byte of 01h at 171, every other byte zero) hold the same
# sounds, so the search finds the named tone in two places. Checks that the
# Windows build's SQLite works.
#   library_cli_wine.sh PREFIX VEXA-CLI.EXE
set -eu
prefix=$1
exe=$2
run="$(dirname "$0")/../../tools/wine-run.sh"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/sounds/sub"
{
    head -c 159 /dev/zero
    printf '\125WINE TONE  \001'
    head -c $((2048 - 172)) /dev/zero
} >"$work/sounds/a.c16"
cp "$work/sounds/a.c16" "$work/sounds/sub/b.c16"
db="Z:$work/library.db"

fail() {
    printf 'library_cli_wine: %s\n' "$1" >&2
    exit 1
}

"$run" "$prefix" "$exe" library add "Z:$work/sounds" --db "$db" >"$work/add.txt" ||
    fail "add failed: $(cat "$work/add.txt")"
grep -q '^2 files: 2 read' "$work/add.txt" || fail "add said: $(cat "$work/add.txt")"
"$run" "$prefix" "$exe" library search "wine tone" --db "$db" >"$work/search.txt" ||
    fail "search failed"
lines=$(grep -c . "$work/search.txt")
[ "$lines" = 1 ] || fail "search printed $lines lines: $(cat "$work/search.txt")"
grep -q "^WINE TONE	tone	2	Z:.*a\.c16#1:T1" "$work/search.txt" ||
    fail "search said: $(cat "$work/search.txt")"
"$run" "$prefix" "$exe" library search nothing --db "$db" >"$work/none.txt" || fail "no match failed"
[ ! -s "$work/none.txt" ] || fail "no match printed: $(cat "$work/none.txt")"
echo "library_cli_wine: passed"
