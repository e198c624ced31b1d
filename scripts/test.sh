#!/usr/bin/env bash
# Builds everything and runs every test: the Linux build (warnings as errors)
# with its unit and integration tests, the same under AddressSanitizer +
# UndefinedBehaviorSanitizer and under ThreadSanitizer, the fuzzers for a
# bounded time, the Windows build with its unit tests under Wine, the
# end-to-end tests of both programs under Xvfb, and the Debian package and
# the Windows installer.
#
# When it ends, passed or failed, it stops every process it started (virtual
# displays, the wineserver and Wine's services, weather servers, programs)
# and checks that none is left; --keep leaves them running (the Wine server
# then stays warm for the next run).
#
# On a kernel that runs no 32-bit programs, --windows64 also builds the same
# sources for 64-bit Windows and runs the Windows end-to-end tests under the
# 64-bit Wine (about ten more minutes from cold: two builds and a new Wine
# prefix).
#
# Usage: scripts/test.sh [--keep] [--windows64]   (as root: installs what is missing)
#        FUZZ_SECONDS=60 scripts/test.sh   (the fuzzers run 30 s each by default)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
jobs=$(nproc)
fuzz_seconds=${FUZZ_SECONDS:-30}
keep=0
windows64=0
for argument in "$@"; do
  case $argument in
    --keep) keep=1 ;;
    --windows64) windows64=1 ;;
    *) echo "usage: scripts/test.sh [--keep] [--windows64]" >&2; exit 2 ;;
  esac
done

step() { printf '\n=== %s (%ss)\n' "$1" "$SECONDS"; }

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

# The Windows program is 32-bit, and so is the Wine that runs it. A kernel
# that runs 64-bit programs only (its log says IA-32 emulation is off) can
# start that Wine only through qemu's user-mode emulator, which is too slow
# for these tests and crashes in some of them; there the Windows program and
# its tests are built and checked, but not run.
windows_runs=1
if dmesg 2>/dev/null | grep -iE 'IA-32 emulation off|32-bit emulation disabled' >/dev/null ||
  grep -qx enabled /proc/sys/fs/binfmt_misc/qemu-i386 2>/dev/null ||
  ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
  windows_runs=0
  echo "test: this kernel runs no 32-bit programs: the Windows tests are built, not run under Wine"
fi

step "Linux build"
cmake --preset linux >/dev/null
cmake --build --preset linux -j"$jobs"
step "Linux unit and integration tests"
ctest --preset linux -j"$jobs"

step "Platform-free code with the mingw-w64 i686 compiler, and the Windows build"
cmake --preset win32 >/dev/null
if [ "$windows_runs" = 1 ]; then
  cmake --build --preset win32 -j"$jobs"
else
  # The tests that cannot run here are built only where they are Windows
  # tests: the platform-free ones were compiled for Linux already.
  # shellcheck disable=SC2046
  cmake --build --preset win32 -j"$jobs" --target tickwell tickwell-demo \
    $(cd tests/unit && ls win32_*_test.cpp | sed 's/\.cpp$//')
fi
scripts/check-windows-exe.sh build/win32/tickwell.exe
scripts/check-windows-exe.sh build/win32/tickwell-demo.exe
if [ "$windows_runs" = 1 ]; then
  step "Windows unit tests under Wine"
  ctest --preset win32 -j"$jobs"
fi

step "AddressSanitizer and UndefinedBehaviorSanitizer build"
cmake --preset asan >/dev/null
cmake --build --preset asan -j"$jobs"
ctest --preset asan -j"$jobs"
step "Closing the live program while requests are in flight, 200 times (sanitizer build)"
python3 tests/e2e/close_stress_e2e.py --build build/asan --closes 200 --parallel 8

step "ThreadSanitizer build: the concurrency tests"
cmake --preset tsan >/dev/null
# Only the tests labelled concurrency are built: each test is its own target.
# shellcheck disable=SC2046
cmake --build --preset tsan -j"$jobs" --target \
  $(ctest --preset tsan -N -L concurrency | sed -n 's/^ *Test *#[0-9]*: //p')
TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" ctest --preset tsan -L concurrency -j"$jobs"

step "Fuzzing the page parsers (${fuzz_seconds}s each)"
scripts/fuzz.sh "$fuzz_seconds"
step "Differential fuzzing: the parsers against their plain reference (${fuzz_seconds}s)"
fuzz/differential.sh "$fuzz_seconds"

step "End-to-end tests under Xvfb (Linux program and Windows program under Wine)"
mkdir -p build/e2e-shots
tests/e2e/run.sh --screenshot build/e2e-shots/linux.png
if [ "$windows_runs" = 1 ]; then
  tests/e2e/wine_run.sh --screenshot build/e2e-shots/windows.png
  step "The two programs draw readouts, lamp and ticker frame alike"
  tests/e2e/compare_windows.py build/e2e-shots/linux.png build/e2e-shots/windows.png
elif [ "$windows64" = 1 ]; then
  # The same sources built for 64-bit Windows run under the 64-bit Wine,
  # which this kernel can start: the Windows end-to-end tests, the window on
  # a dense screen included (wine_run.sh builds what it needs).
  step "End-to-end tests of the Windows programs built for 64-bit, under the 64-bit Wine"
  TICKWELL_WINE_BITS=64 tests/e2e/wine_run.sh --screenshot build/e2e-shots/windows64.png
  tests/e2e/compare_windows.py build/e2e-shots/linux.png build/e2e-shots/windows64.png
fi

step "Packages: the Debian package and the Windows installer (under Wine)"
tests/package/deb_test.sh --screenshot build/package-shots/deb.png
if [ "$windows_runs" = 1 ]; then
  tests/package/windows_installer_test.sh --screenshot build/package-shots/windows.png
else
  cmake --build --preset win32 --target windows-installer >/dev/null
  file build/win32/tickwell-setup-*.exe
fi

step "All tests passed"
