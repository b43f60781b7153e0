#!/usr/bin/env bash
# Builds every target and runs every test: the unit tests (also under ASan and
# UBSan, and as 32-bit programs under qemu-i386), and the end-to-end tests
# under Wine on displays with a window manager, once against the 64-bit exe
# and once against the 32-bit one. Ends with one line: "N passed, N failed".
set -uo pipefail
cd "$(dirname "$0")/.."
logs=build/test-logs
mkdir -p "$logs"
passed=0
failed=0

# One gtest binary: add its counts; a binary that dies without a summary is one failure.
run_gtest() {
  local name=$1; shift
  echo "== $name"
  "$@" >"$logs/$name.log" 2>&1
  tally "$name" $?
}

# Counts and tells what the gtest binary behind $logs/$1.log said; $2 is its exit code.
tally() {
  local name=$1 rc=$2
  local log="$logs/$name.log"
  local p f
  p=$(sed -n 's/^\[  PASSED  \] \([0-9]*\) test.*/\1/p' "$log" | tail -n1)
  f=$(sed -n 's/^\[  FAILED  \] \([0-9]*\) test.*/\1/p' "$log" | tail -n1)
  p=${p:-0}; f=${f:-0}
  if [ "$rc" -ne 0 ] && [ "$f" -eq 0 ]; then f=1; fi
  # Each failure with what it said (expected, actual, the message), so a run
  # seen only through this summary can still be diagnosed.
  grep -E -A6 'Failure$|error:' "$log" | grep -v -E '^\[ +(OK|RUN) +\]' | head -n 80
  grep -E '^\[  FAILED  \] [A-Za-z].* \(' "$log"
  echo "   $p passed, $f failed  (log: $log)"
  passed=$((passed + p)); failed=$((failed + f))
}

# A build step counts as one check.
run_step() {
  local name=$1; shift
  local log="$logs/$name.log"
  echo "== $name"
  if "$@" >"$log" 2>&1; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1)); tail -n 30 "$log"
  fi
}

# How this machine runs Wine's 32-bit loader: "native" (the kernel's IA-32
# support), "emulated" (qemu-i386 registered in binfmt_misc: registered
# entries are tried before the kernel's own ELF loader, so an enabled entry
# means emulation even on a kernel that could run it), or "none".
win32_runs() {
  local misc=/proc/sys/fs/binfmt_misc
  if [ "$(head -n1 "$misc/status" 2>/dev/null)" = enabled ] &&
     [ "$(head -n1 "$misc/qemu-i386" 2>/dev/null)" = enabled ]; then
    echo emulated
  elif /usr/lib/wine/wine --version >/dev/null 2>&1; then
    echo native
  else
    echo none
  fi
}
# The 32-bit exe's scenarios that matter most, for machines that emulate it:
# start, detect and take a window; drag and copy; save PNG; pin; one mark of
# each tool; the resident hotkey; a second start handing over. Each checks
# pixels exactly, so a fault only a 32-bit build has (a size_t that wraps, a
# stride computed in 32 bits) fails here.
emulated_set='Harness.*'\
':OverlayE2E.DetectClickReadoutAndBackToDetection'\
':OverlayKeysE2E.ArrowsMoveAndResizeTheSelectionAndCtrlCCopiesIt'\
':OverlayKeysE2E.EnterCopiesAndCtrlSSaves'\
':FloatersE2E.PinShowsTheSelectionPixelForPixelCentred'\
':AnnotateE2E.EachToolLeavesItsMarkInTheCopiedRegion'\
':ResidentE2E.PrintScreenStartsAFreshCaptureWhileResidentAndAgainRestartsIt'\
':ResidentE2E.ASecondStartHandsItsCaptureToTheRunningCopyAndEnds'
emulated_scale=4

# The folders are layers: no folder includes a higher one, none in a cycle.
run_step layers scripts/check-layers.sh
run_step build-native make --no-print-directory build-native
run_step build-win64 make --no-print-directory build-win64
run_step build-win32 make --no-print-directory build-win32
run_step build-asan make --no-print-directory build-asan
run_step build-i686 make --no-print-directory build-i686

[ -x build/native/tests/unit/unit_tests ] && run_gtest unit build/native/tests/unit/unit_tests
[ -x build/asan/tests/unit/unit_tests ] && run_gtest unit-asan build/asan/tests/unit/unit_tests
# size_t is 32 bits there, as in the 32-bit exe.
[ -x build/i686/tests/unit/unit_tests ] && run_gtest unit-i686 qemu-i386 build/i686/tests/unit/unit_tests
[ -x build/native/bench/bench_tests ] && run_gtest bench-checks build/native/bench/bench_tests
if [ -x build/native/tests/e2e/e2e_tests ]; then
  # The primary target: the 32-bit exe (and the helper programs' 32-bit
  # builds) in a 32-bit Wine prefix. Wine's 32-bit loader is an i386 Linux
  # program: where the kernel runs it, every test runs against the 32-bit
  # exe too. Where it does not, scripts/setup.sh has registered qemu-i386
  # for i386 programs; emulated, Wine is several times slower, so the set
  # that matters most for the primary target runs, with every wait scaled.
  # The two exes' passes run side by side: each has its own Wine prefix and
  # its own X displays, and a test spends most of its time waiting on Wine,
  # so together they take little longer than one alone.
  win32_mode=$(win32_runs)
  case "$win32_mode" in
    native)
      win32_log=e2e-win32
      VELLUMO_E2E_ARCH=win32 build/native/tests/e2e/e2e_tests >"$logs/$win32_log.log" 2>&1 &
      win32_pid=$! ;;
    emulated)
      win32_log=e2e-win32-emulated
      VELLUMO_E2E_ARCH=win32 VELLUMO_E2E_TIME_SCALE=$emulated_scale \
        build/native/tests/e2e/e2e_tests --gtest_filter="$emulated_set" >"$logs/$win32_log.log" 2>&1 &
      win32_pid=$! ;;
  esac
  # A run stopped halfway stops the pass in the background too.
  [ -n "${win32_pid:-}" ] && trap 'kill "$win32_pid" 2>/dev/null' INT TERM
  run_gtest e2e-win64 env VELLUMO_E2E_ARCH=win64 build/native/tests/e2e/e2e_tests
  case "$win32_mode" in
    native|emulated)
      echo "== $win32_log"
      [ "$win32_mode" = emulated ] && echo "   (the kernel runs no 32-bit code: the 32-bit set under qemu-i386)"
      wait "$win32_pid"; tally "$win32_log" $? ;;
    *)
      echo "== e2e-win32"
      echo "   FAILED: this machine runs no 32-bit programs and qemu-i386 is not registered for them" \
           "(scripts/setup.sh says why); the 32-bit exe was not run"
      failed=$((failed + 1)) ;;
  esac
else
  echo "e2e tests were not built"; failed=$((failed + 1))
fi

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
