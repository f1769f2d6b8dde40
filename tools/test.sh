#!/bin/sh
# Builds and runs every test of Vexa on Debian 12, installing what is
# missing first:
#   host        native build: unit tests, vexa-cli tests, the benchmarks run
#   asan        the same tests under AddressSanitizer and UBSan
#   tsan        the same tests under ThreadSanitizer
#   fuzz        the ImportBank and the synthesizer-side fuzz targets for a
#               bounded time each (clang)
#   win32/win64 the i686 and x86_64 Windows builds, tests run under Wine
#   e2e         the real Vexa.exe against scripted synthesizers through a
#               virtual MIDI driver under Wine, for both exes
# Build folders go under build/ (or $VEXA_BUILD_ROOT). Stages can be chosen:
#   tools/test.sh [host] [asan] [tsan] [win32] [win64] [fuzz] [e2e]
set -eu

root=$(cd "$(dirname "$0")/.." && pwd)
build=${VEXA_BUILD_ROOT:-$root/build}
jobs=${VEXA_JOBS:-$(nproc)}
fuzz_seconds=${VEXA_FUZZ_SECONDS:-60}
synth_fuzz_seconds=${VEXA_SYNTH_FUZZ_SECONDS:-30}
stages=${*:-host asan tsan win32 win64 fuzz e2e}
case " $stages " in *" e2e "*) want_e2e=1 ;; *) want_e2e=0 ;; esac
e2e_pids=""

"$root/tools/install-deps.sh"

started=$(date +%s)
stamp() { echo "== $1 ($(( $(date +%s) - started )) s)"; }

configure_and_build() {  # dir, cmake arguments...
    dir=$1
    shift
    cmake -S "$root" -B "$dir" -G Ninja "$@" >"$dir.configure.log" 2>&1 ||
        { cat "$dir.configure.log"; return 1; }
    cmake --build "$dir" -j "$jobs"
}

run_ctest() {  # dir
    ctest --test-dir "$1" --output-on-failure -j "$jobs"
}

# The end-to-end run of one Windows build is mostly paced waiting (a JX-10
# transmit alone takes 48.75 s), so it starts in the background as soon as
# that build has passed its tests, and the later stages run meanwhile.
start_e2e() {  # win32 | win64
    [ "$want_e2e" = 1 ] || return 0
    [ -d "$build/host" ] || { echo "e2e needs the host stage" >&2; exit 1; }
    "$root/tests/e2e/run-e2e.sh" "$build/host" "$build/$1" >"$build/e2e-$1.log" 2>&1 &
    e2e_pids="$e2e_pids $1:$!"
}

# A failing stage ends the script; end-to-end runs still going end with it.
trap 'for e in $e2e_pids; do kill "${e#*:}" 2>/dev/null || true; done' EXIT

mkdir -p "$build"
for stage in $stages; do
    stamp "$stage"
    case "$stage" in
    host)
        configure_and_build "$build/host"
        run_ctest "$build/host"
        # Figures to read, not pass/fail: idle CPU, Stop latency, ring rate.
        "$build/host/tests/bench/vexa_benchmarks" --benchmark_color=false
        ;;
    asan)
        configure_and_build "$build/asan" -DVEXA_SANITIZE=address -DVEXA_BENCHMARKS=OFF
        ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 run_ctest "$build/asan"
        ;;
    tsan)
        configure_and_build "$build/tsan" -DVEXA_SANITIZE=thread -DVEXA_BENCHMARKS=OFF
        TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" run_ctest "$build/tsan"
        ;;
    fuzz)
        # Only the fuzz targets are built here (run-fuzz.sh builds them).
        CC=clang CXX=clang++ cmake -S "$root" -B "$build/fuzz" -G Ninja -DVEXA_FUZZ=ON \
            -DVEXA_BENCHMARKS=OFF >"$build/fuzz.configure.log" 2>&1 ||
            { cat "$build/fuzz.configure.log"; exit 1; }
        "$root/tests/fuzz/run-fuzz.sh" "$build/fuzz" "$fuzz_seconds" import_fuzz
        "$root/tests/fuzz/run-fuzz.sh" "$build/fuzz" "$synth_fuzz_seconds" synth_fuzz
        ;;
    win32)
        configure_and_build "$build/win32" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake"
        run_ctest "$build/win32"
        start_e2e win32
        ;;
    win64)
        configure_and_build "$build/win64" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-x86_64.cmake"
        run_ctest "$build/win64"
        start_e2e win64
        ;;
    e2e)
        # Waits for the runs started after the Windows stages; named on its
        # own, it runs both against existing build folders.
        if [ -z "$e2e_pids" ]; then
            for need in host win32 win64; do
                [ -d "$build/$need" ] || { echo "e2e needs the $need stage first" >&2; exit 1; }
            done
            start_e2e win32
            start_e2e win64
        fi
        rc=0
        for entry in $e2e_pids; do
            arch=${entry%%:*}
            wait "${entry#*:}" || { rc=1; echo "end-to-end tests failed for $arch" >&2; }
            echo "-- $arch --"
            cat "$build/e2e-$arch.log"
        done
        [ $rc -eq 0 ] || exit 1
        ;;
    *)
        echo "unknown stage: $stage" >&2
        exit 2
        ;;
    esac
done
stamp "all tests passed"
