#!/usr/bin/env bash
# Builds everything and runs every test: the Linux build (warnings as errors)
# with its unit and integration tests, the same under AddressSanitizer +
# UndefinedBehaviorSanitizer and under ThreadSanitizer, the fuzzers for a
# bounded time, the Windows build with its unit tests under Wine, the
# end-to-end tests of both programs under Xvfb, and the Debian package and
# the Windows installer (installed, started and removed under Wine).
#
# When it ends, passed or failed, it stops every process it started (virtual
# displays, the wineserver and Wine's services, weather servers, programs)
# and checks that none is left; --keep leaves them running (the Wine server
# then stays warm for the next run).
#
# The Windows tests run under the Wine this kernel can start: where it runs
# 32-bit programs, the shipped 32-bit build under the 32-bit Wine; elsewhere
# the same sources built for 64-bit Windows (the win64 preset, with its
# 64-bit installer) under the 64-bit Wine, while the 32-bit build makes the
# shipped programs and their installer only.
#
# Usage: scripts/test.sh [--keep]   (as root: installs what is missing)
#        FUZZ_SECONDS=60 scripts/test.sh   (the fuzzers run 30 s each by default)
#        TICKWELL_WINE_BITS=64 scripts/test.sh   (the 64-bit Windows runs on any
#          kernel)
#        TICKWELL_WINDOWS_TESTS=all scripts/test.sh   (under the 64-bit Wine,
#          every unit test, not only those of what differs on Windows)
#        TICKWELL_TEST_PORTS=27000 scripts/test.sh   (the first of the ports
#          the stand-in servers of run.sh, wine_run.sh's classic runs and the
#          package tests listen on; 18080 by default)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
jobs=$(nproc)
fuzz_seconds=${FUZZ_SECONDS:-30}
keep=0
for argument in "$@"; do
  case $argument in
    --keep) keep=1 ;;
    # Kept for old command lines: the 64-bit runs are the default where
    # they are needed.
    --windows64) ;;
    *) echo "usage: scripts/test.sh [--keep]" >&2; exit 2 ;;
  esac
done
# The servers of the end-to-end and package tests listen from here on.
ports=${TICKWELL_TEST_PORTS:-18080}
export TICKWELL_E2E_PORT=${TICKWELL_E2E_PORT:-$ports}
export TICKWELL_E2E_WINE_PORT=${TICKWELL_E2E_WINE_PORT:-$((ports + 1))}
package_port=${TICKWELL_PACKAGE_PORT:-$((ports + 400))}

step() { printf '\n=== %s (%ss)\n' "$1" "$SECONDS"; }
# The programs of a configured build's tests (ctest options narrow them): a
# test is named after its program, or name.N for the Nth share of one.
test_programs() {
  ctest --preset "$@" -N 2>/dev/null | sed -n 's/^ *Test *#[0-9]*: //p' | sed 's/\.[0-9]*$//' | sort -u
}

# Every process this run starts carries this mark in its environment, also
# those that leave the process group, so the end of the run finds them all.
export TICKWELL_RUN_ID="test-$$-$(date +%s)"
finish() {
  local status=$?
  trap - EXIT
  if [ "$keep" = 1 ]; then
    echo "--keep: processes started by this run are left running"
    exit "$status"
  fi
  "$root/scripts/run-processes.sh" stop "$TICKWELL_RUN_ID"
  local left
  left=$("$root/scripts/run-processes.sh" list "$TICKWELL_RUN_ID")
  if [ -n "$left" ]; then
    echo "=== Processes started by this run are still running:"
    # shellcheck disable=SC2086
    ps -o pid=,args= -p $(echo $left | tr ' ' ',') || true
    [ "$status" = 0 ] && status=1
  else
    printf '\n=== Stopped every process this run started; none of them is left\n'
  fi
  exit "$status"
}
trap finish EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

step "Installing what is missing"
scripts/install-deps.sh all

# The end-to-end tests' trees of the classic program (build/e2e and
# build/win64-e2e or build/win32-e2e) differ from the main builds only in
# the fetch library and the program's own file: through a compiler cache of
# this checkout's own (build/ccache) they compile just those. A launcher the
# caller set (CMAKE_CXX_COMPILER_LAUNCHER) is kept as it is.
if [ -z "${CMAKE_CXX_COMPILER_LAUNCHER:-}" ] && command -v ccache >/dev/null; then
  export CMAKE_C_COMPILER_LAUNCHER=ccache CMAKE_CXX_COMPILER_LAUNCHER=ccache
  export CCACHE_DIR=$root/build/ccache CCACHE_BASEDIR=$root CCACHE_NOHASHDIR=1
fi

# The Windows program is 32-bit, and so is the Wine that runs it. A kernel
# that runs 64-bit programs only (its log says IA-32 emulation is off) can
# start that Wine only through qemu's user-mode emulator, which is too slow
# for these tests and crashes in some of them; there the same sources,
# built for 64-bit Windows, run under the 64-bit Wine. TICKWELL_WINE_BITS=64
# (or 32) in the environment chooses instead.
wine_bits=${TICKWELL_WINE_BITS:-}
why="chosen by TICKWELL_WINE_BITS"
if [ -z "$wine_bits" ]; then
  why="this kernel runs 32-bit programs"
  wine_bits=32
  if dmesg 2>/dev/null | grep -iE 'IA-32 emulation off|32-bit emulation disabled' >/dev/null ||
    grep -qx enabled /proc/sys/fs/binfmt_misc/qemu-i386 2>/dev/null ||
    ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
    wine_bits=64
    why="this kernel runs no 32-bit programs"
  fi
fi
wine_program=/usr/lib/wine/wine
[ "$wine_bits" = 64 ] && wine_program=/usr/lib/wine/wine64
wine_version=$("$wine_program" --version 2>/dev/null) || {
  echo "test: $wine_program does not start: the Windows tests cannot run" >&2
  exit 1
}
export TICKWELL_WINE_BITS=$wine_bits
win_preset=win$wine_bits
if [ "$wine_bits" = 64 ]; then
  echo "test: Windows tests: the 64-bit build under the 64-bit Wine ($wine_program, $wine_version): $why"
else
  echo "test: Windows tests: the 32-bit build under the 32-bit Wine ($wine_program, $wine_version): $why"
fi
# Data recorded by others is read from beside the checkout when it is there.
if [ ! -d "$root/../shared/reference" ]; then
  echo "test: no $(cd "$root/.." && pwd)/shared/reference beside the checkout: the tests of recorded answers skip"
fi

step "Linux build"
cmake --preset linux >/dev/null
cmake --build --preset linux -j"$jobs"
step "Linux unit and integration tests"
ctest --preset linux -j"$jobs"

step "Platform-free code with the mingw-w64 i686 compiler, and the Windows build"
cmake --preset win32 >/dev/null
if [ "$wine_bits" = 32 ]; then
  cmake --build --preset win32 -j"$jobs"
else
  # The shipped programs and their installer; the tests are built and run
  # for 64-bit below.
  cmake --build --preset win32 -j"$jobs" --target tickwell tickwell-demo windows-installer
fi
scripts/check-windows-exe.sh build/win32/tickwell.exe
scripts/check-windows-exe.sh build/win32/tickwell-demo.exe
# Under the 64-bit Wine the unit tests of what differs on Windows run (those
# labelled windows: the desktop, WinINet, registry, threads and the
# platform's rules), the platform-free ones having run natively;
# TICKWELL_WINDOWS_TESTS=all runs every unit test there too.
windows_tests=()
if [ "$wine_bits" = 64 ]; then
  [ "${TICKWELL_WINDOWS_TESTS:-}" = all ] || windows_tests=(-L windows)
  step "The same sources with the mingw-w64 x86-64 compiler: the Windows tests and the 64-bit installer"
  cmake --preset win64 >/dev/null
  # shellcheck disable=SC2046
  cmake --build --preset win64 -j"$jobs" --target tickwell tickwell-demo windows-installer \
    $(test_programs win64 "${windows_tests[@]}")
fi
step "Windows unit tests under the ${wine_bits}-bit Wine"
ctest --preset "$win_preset" -j"$jobs" "${windows_tests[@]}"

step "AddressSanitizer and UndefinedBehaviorSanitizer build"
cmake --preset asan >/dev/null
# The test programs, and the program and fake the close test below runs.
# shellcheck disable=SC2046
cmake --build --preset asan -j"$jobs" --target tickwell tickwell-nws-fake \
  $(test_programs asan)
ctest --preset asan -j"$jobs"
step "Closing the live program while requests are in flight, 200 times (sanitizer build)"
python3 tests/e2e/close_stress_e2e.py --build build/asan --closes 200 --parallel 8

step "ThreadSanitizer build: the concurrency tests"
cmake --preset tsan >/dev/null
# Only the tests labelled concurrency are built: each test program is its own
# target.
# shellcheck disable=SC2046
cmake --build --preset tsan -j"$jobs" --target $(test_programs tsan -L concurrency)
TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" ctest --preset tsan -L concurrency -j"$jobs"

step "Fuzzing the page parsers (${fuzz_seconds}s each), and beside them the differential fuzzer"
# The differential fuzzer builds and runs beside the others (each build
# compiles one file at a time); its output follows theirs.
mkdir -p build
fuzz/differential.sh "$fuzz_seconds" >build/fuzz-differential.log 2>&1 &
differential=$!
fuzz_status=0
scripts/fuzz.sh "$fuzz_seconds" || fuzz_status=$?
differential_status=0
wait "$differential" || differential_status=$?
step "Differential fuzzing: the parsers against their plain reference (${fuzz_seconds}s)"
cat build/fuzz-differential.log
if [ "$fuzz_status" != 0 ] || [ "$differential_status" != 0 ]; then
  echo "test: fuzzing found a fault (see above)" >&2
  exit 1
fi

# The end-to-end and package tests mostly wait on their programs, servers
# and timers: the Linux program's run beside the Windows programs' (their
# ports, displays, Wine prefixes and build trees are their own), and the
# Linux side's output follows the Windows side's.
step "End-to-end and package tests under Xvfb: the Linux program, and beside it the Windows programs under the ${wine_bits}-bit Wine"
mkdir -p build/e2e-shots build/e2e-logs
(
  tests/e2e/run.sh --screenshot build/e2e-shots/linux.png
  TICKWELL_PACKAGE_PORT=$package_port tests/package/deb_test.sh --screenshot build/package-shots/deb.png
  echo "test: the Linux side ended at ${SECONDS}s"
) >build/e2e-logs/linux.log 2>&1 &
linux_side=$!
windows_status=0
{
  tests/e2e/wine_run.sh --screenshot build/e2e-shots/windows.png &&
    TICKWELL_PACKAGE_PORT=$((package_port + 1)) tests/package/windows_installer_test.sh \
      --screenshot build/package-shots/windows.png
} || windows_status=$?
echo "test: the Windows side ended at ${SECONDS}s"
linux_status=0
wait "$linux_side" || linux_status=$?
step "The Linux program's end-to-end tests and the Debian package (run beside the above)"
cat build/e2e-logs/linux.log
if [ "$windows_status" != 0 ] || [ "$linux_status" != 0 ]; then
  echo "test: end-to-end or package tests failed: Windows side $windows_status, Linux side $linux_status" >&2
  exit 1
fi
step "The two programs draw readouts, lamp and ticker frame alike"
tests/e2e/compare_windows.py build/e2e-shots/linux.png build/e2e-shots/windows.png
file build/win32/tickwell-setup-*.exe build/win64/tickwell-setup-*-x64.exe 2>/dev/null || true

step "All tests passed"
