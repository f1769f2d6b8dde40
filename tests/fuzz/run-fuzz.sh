#!/bin/sh
# Runs the ImportBank and FindBanks fuzz target over the seed corpus for a number of
# seconds and fails on any finding.
#   tests/fuzz/run-fuzz.sh BUILD_DIR SECONDS
# BUILD_DIR is a build folder configured with CC=clang CXX=clang++
# -DVEXA_FUZZ=ON; the target is built there if needed. New inputs go to a
# scratch corpus, so the committed seeds stay as they are; a crashing input
# is kept under BUILD_DIR/fuzz-findings/.
set -eu

if [ $# -ne 2 ]; then
    echo "usage: $0 BUILD_DIR SECONDS" >&2
    exit 2
fi
build_dir=$1
seconds=$2
here=$(cd "$(dirname "$0")" && pwd)

cmake --build "$build_dir" --target import_fuzz -j2
fuzzer=$build_dir/tests/fuzz/import_fuzz
findings=$build_dir/fuzz-findings
mkdir -p "$findings"
corpus=$(mktemp -d)
trap 'rm -rf "$corpus"' EXIT

status=0
"$fuzzer" -max_total_time="$seconds" -max_len=1048576 -timeout=10 -rss_limit_mb=2048 \
    -print_final_stats=1 -artifact_prefix="$findings/" "$corpus" "$here/seeds" || status=$?
if [ "$status" -ne 0 ]; then
    echo "run-fuzz: the fuzz target failed (status $status); inputs in $findings" >&2
    exit 1
fi
echo "run-fuzz: no findings in $seconds s"
