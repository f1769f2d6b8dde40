#!/bin/sh
# Runs a fuzz target over its seed corpus for a number of seconds and fails
# on any finding: import_fuzz (ImportBank and FindBanks, files up to 1 MiB)
# or synth_fuzz (the synthesizer's side of every transfer).
#   tests/fuzz/run-fuzz.sh BUILD_DIR SECONDS [import_fuzz|synth_fuzz]
# BUILD_DIR is a build folder configured with CC=clang CXX=clang++
# -DVEXA_FUZZ=ON; the target (import_fuzz when none is named) is built there
# if needed. New inputs go to a scratch corpus, so the committed seeds stay
# as they are; a crashing input is kept under BUILD_DIR/fuzz-findings/.
set -eu

if [ $# -lt 2 ] || [ $# -gt 3 ]; then
    echo "usage: $0 BUILD_DIR SECONDS [import_fuzz|synth_fuzz]" >&2
    exit 2
fi
build_dir=$1
seconds=$2
target=${3:-import_fuzz}
here=$(cd "$(dirname "$0")" && pwd)

case "$target" in
import_fuzz)
    seeds=$here/seeds
    options="-max_len=1048576"
    ;;
synth_fuzz)
    # The simulated MIDI system keeps allocations across runs (its queues
    # and buffers), which the per-run leak check would mistake for leaks
    # and pay for on every run; leaks are ASan's business in the other
    # stages.
    seeds=$here/synth-seeds
    options="-max_len=12000 -detect_leaks=0"
    ;;
*)
    echo "run-fuzz: unknown target $target" >&2
    exit 2
    ;;
esac

cmake --build "$build_dir" --target "$target" -j2
fuzzer=$build_dir/tests/fuzz/$target
findings=$build_dir/fuzz-findings
mkdir -p "$findings"
corpus=$(mktemp -d)
trap 'rm -rf "$corpus"' EXIT

status=0
# shellcheck disable=SC2086
"$fuzzer" -max_total_time="$seconds" $options -timeout=10 -rss_limit_mb=2048 \
    -print_final_stats=1 -artifact_prefix="$findings/" "$corpus" "$seeds" || status=$?
if [ "$status" -ne 0 ]; then
    echo "run-fuzz: $target failed (status $status); inputs in $findings" >&2
    exit 1
fi
echo "run-fuzz: $target, no findings in $seconds s"
