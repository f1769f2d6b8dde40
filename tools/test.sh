#!/bin/sh
# Builds and runs every test of Vexa on Debian 12, installing what is
# missing first:
#   host        native build: unit tests, vexa-cli tests, the benchmarks run
#               (the library's on a generated folder of 10 000 files)
#   asan        the unit tests under AddressSanitizer and UBSan
#   tsan        the tests where threads meet (worker, MIDI, transfers) under
#               ThreadSanitizer
#   fuzz        the ImportBank and the synthesizer-side fuzz targets for a
#               bounded time each (clang)
#   win32/win64 the i686 and x86_64 Windows builds, tests run under Wine (the
#               portable layers' programs in one of the two: the i686 one
#               where it runs)
#   e2e         the real Vexa.exe against scripted synthesizers through a
#               virtual MIDI driver under Wine, for both exes
#   package     the zip and the setup program made from the win32 build (the
#               win64 one where 32-bit programs cannot run), and the install,
#               start and uninstall cycle under Wine
# Each stage configures with the CMakePresets.json preset of its name; the
# folders go under build/ (or $VEXA_BUILD_ROOT). Stages can be chosen:
#   tools/test.sh [host] [asan] [tsan] [win32] [win64] [fuzz] [e2e] [package]
set -eu

root=$(cd "$(dirname "$0")/.." && pwd)
build=${VEXA_BUILD_ROOT:-$root/build}
jobs=${VEXA_JOBS:-$(nproc)}
fuzz_seconds=${VEXA_FUZZ_SECONDS:-60}
synth_fuzz_seconds=${VEXA_SYNTH_FUZZ_SECONDS:-30}
# The Windows stages come early so that their end-to-end runs, mostly paced
# waiting, overlap the sanitizer and fuzz stages instead of ending the run.
stages=${*:-host win32 win64 asan tsan fuzz package e2e}
case " $stages " in *" e2e "*) want_e2e=1 ;; *) want_e2e=0 ;; esac
e2e_pids=""

"$root/tools/install-deps.sh"

# Some machines' kernels cannot run 32-bit Linux programs, and Wine's 32-bit
# loader with them: there the i686 build is built but not run, and says so;
# the x86_64 build runs the same tests.
can_run_32bit=1
/usr/lib/wine/wine --version >/dev/null 2>&1 || can_run_32bit=0
skip_32bit_notice() {
    echo "NOTICE: this machine cannot run 32-bit programs (Wine's 32-bit loader fails);"
    echo "NOTICE: the i686 exes are built, its tests and end-to-end run are skipped."
}

started=$(date +%s)
stamp() { echo "== $1 ($(( $(date +%s) - started )) s)"; }

configure() {  # preset [cmake option ...]: the folder is $build/PRESET
    preset=$1
    shift
    cmake -S "$root" --preset "$preset" -B "$build/$preset" "$@" >"$build/$preset.configure.log" 2>&1 ||
        { cat "$build/$preset.configure.log"; return 1; }
}

configure_and_build() {  # preset [target ...]: all targets when none is named
    preset=$1
    shift
    configure "$preset" $configure_options
    configure_options=""
    if [ $# -eq 0 ]; then
        cmake --build "$build/$preset" -j "$jobs"
    else
        cmake --build "$build/$preset" -j "$jobs" --target "$@"
    fi
}

configure_options=""  # for the next configure_and_build only

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
        configure_and_build host
        run_ctest "$build/host"
        # Figures to read, not pass/fail: idle CPU, Stop latency, ring rate;
        # the library index's first index, update and search.
        "$build/host/tests/bench/vexa_benchmarks" --benchmark_color=false
        "$build/host/tests/bench/vexa_library_benchmarks" --benchmark_color=false
        ;;
    # The sanitizer stages build only the test programs they run
    # (vexa_tests), with lighter optimisation (cmake/VexaSanitizers.cmake).
    asan)
        configure_and_build asan vexa_tests
        ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 run_ctest "$build/asan"
        ;;
    tsan)
        configure_and_build tsan vexa_tests
        TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" run_ctest "$build/tsan"
        ;;
    fuzz)
        # Only the fuzz targets are built here (run-fuzz.sh builds them).
        configure fuzz
        "$root/tests/fuzz/run-fuzz.sh" "$build/fuzz" "$fuzz_seconds" import_fuzz
        "$root/tests/fuzz/run-fuzz.sh" "$build/fuzz" "$synth_fuzz_seconds" synth_fuzz
        ;;
    win32)
        if [ "$can_run_32bit" = 1 ]; then
            configure_and_build win32
            run_ctest "$build/win32"
            start_e2e win32
        else
            # Where nothing 32-bit runs, the exes show that the i686 build
            # compiles; the x86_64 stage builds and runs every test.
            configure_and_build win32 Vexa vexa-cli
            skip_32bit_notice
        fi
        ;;
    win64)
        # The portable layers' test programs have run under Wine in the
        # i686 build (32-bit sizes are where Windows and Linux part); here
        # they run only where that build could not run them.
        configure_options="-DVEXA_WINE_PORTABLE_TESTS=ON"
        case "$can_run_32bit: $stages " in
        "1:"*" win32 "*) configure_options="-DVEXA_WINE_PORTABLE_TESTS=OFF" ;;
        esac
        configure_and_build win64
        run_ctest "$build/win64"
        start_e2e win64
        ;;
    package)
        # The packages of the win32 build; on a machine whose kernel cannot
        # run 32-bit programs (Wine's 32-bit loader fails) the same packages
        # made from the win64 build.
        arch=win32
        if [ "$can_run_32bit" = 0 ]; then
            arch=win64
            echo "This machine cannot run 32-bit programs: packages of the win64 build tested."
        fi
        [ -d "$build/$arch" ] || { echo "package needs the $arch stage first" >&2; exit 1; }
        cmake --build "$build/$arch" --target Vexa vexa-cli vexa_install_check -j "$jobs"
        "$root/tests/package/run-package-test.sh" "$build/$arch" "$build/package-test"
        ;;
    e2e)
        # Waits for the runs started after the Windows stages; named on its
        # own, it runs both against existing build folders.
        if [ -z "$e2e_pids" ]; then
            for need in host win32 win64; do
                [ -d "$build/$need" ] || { echo "e2e needs the $need stage first" >&2; exit 1; }
            done
            if [ "$can_run_32bit" = 1 ]; then start_e2e win32; else skip_32bit_notice; fi
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
