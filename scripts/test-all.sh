#!/usr/bin/env bash
# Builds the presets and runs every test: natively (also under
# AddressSanitizer and UndefinedBehaviorSanitizer), and under 32-bit and
# 64-bit Wine (window tests under Xvfb), each with GCC and with clang; then the Linux report in a QEMU
# guest and the fuzzers. Ends with one line
# "N passed, N failed" over all builds; exits non-zero when anything failed
# or could not run.
#
# The 64-bit Windows tests run through Wine's 64-bit loader. The 32-bit ones
# run on this machine when it executes 32-bit code, and otherwise all of
# them in a QEMU guest that does (scripts/guest-run.sh). QUILLANOR_IA32=no
# takes the guest's way on any machine.
set -uo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
. scripts/common.sh

scripts/setup-debian.sh || { echo "setup failed"; echo "0 passed, 1 failed"; exit 1; }

if choose_prefix; then
  win32_way=host
  echo "=== 32-bit Windows programs: run by this machine, which executes 32-bit code"
else
  win32_way=guest
  if [ "${QUILLANOR_IA32:-}" = no ]; then
    echo "=== 32-bit Windows programs: run in a QEMU guest, as QUILLANOR_IA32=no asks"
  else
    echo "=== 32-bit Windows programs: run in a QEMU guest, as this machine executes no 32-bit code"
  fi
fi
export WINEPREFIX="$QUILLANOR_WINEPREFIX"

total_passed=0
total_failed=0
problems=()

note_failure() {
  problems+=("$1")
  total_failed=$((total_failed + 1))
}

# One display for every window test of the run.
. scripts/xvfb.sh
xvfb_pid=""
if [ -z "${DISPLAY:-}" ]; then
  start_xvfb 91 99
  [ -n "$xvfb_pid" ] || note_failure "Xvfb could not start"
fi
cleanup() {
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  WINEPREFIX="$QUILLANOR_WINEPREFIX" wineserver -k >/dev/null 2>&1
}
trap cleanup EXIT

prefix_kind=""
[ "$win32_way" = guest ] && prefix_kind=--64
if ! scripts/wine-prefix.sh $prefix_kind; then
  note_failure "the Wine prefix could not be made ready"
fi

jobs="${QUILLANOR_JOBS:-2}"
# Each build with GCC, and again with clang (native, and for both Windows
# targets with lld and the same mingw-w64 libraries).
for preset in native native-asan clang win32 win64 clang-win32 clang-win64; do
  echo "=== $preset: configure and build"
  if ! cmake --preset "$preset" >"build-$preset.log" 2>&1 || ! cmake --build --preset "$preset" -j "$jobs" >>"build-$preset.log" 2>&1; then
    tail -n 40 "build-$preset.log"
    note_failure "$preset: build failed (see build-$preset.log)"
    continue
  fi
  rm -f "build-$preset.log"
  results="build/$preset/results"
  rm -rf "$results" && mkdir -p "$results"
  echo "=== $preset: tests"
  # clang's 32-bit programs build warnings-clean and pass their import and
  # header checks, but they cannot run: on i686 clang 14 passes an empty
  # class argument (an iterator tag) in no stack slot and GCC in one, so a
  # member function of GCC's libstdc++ and clang's copy of the same template
  # pop different amounts off the stack (docs/development.md). Only those
  # checks run, and the line says so.
  only=()
  if [ "$preset" = clang-win32 ]; then
    only=(-R imports)
    echo "=== clang-win32: the import and header checks only; its programs cannot run (clang and GCC pass empty arguments differently on i686)"
  fi
  if [ "${preset%win32}" != "$preset" ] && [ "$win32_way" = guest ]; then
    started=$(date +%s)
    scripts/guest-run.sh bash -c "cd build/$preset && ctest ${only[*]} --output-on-failure --output-junit '$root/$results/ctest.junit.xml'"
    guest_status=$?
    echo "=== $preset: the guest ran the tests in $(($(date +%s) - started)) s"
    [ "$guest_status" -eq 125 ] && problems+=("$preset: the QEMU guest could not run the tests")
  else
    ctest --preset "$preset" "${only[@]+"${only[@]}"}" --output-junit "$root/$results/ctest.junit.xml"
  fi
  read -r p f < <(python3 scripts/count-results.py "$results/ctest.junit.xml" "$results")
  p=${p:-0}; f=${f:-1}
  echo "=== $preset: $p passed, $f failed"
  total_passed=$((total_passed + p))
  total_failed=$((total_failed + f))
  [ "$f" -gt 0 ] && problems+=("$preset: $f failed")
  # The window tests save a screenshot of the window with a drive selected.
  if [ -f "$results/window.bmp" ]; then
    convert "$results/window.bmp" "$results/window.png" 2>/dev/null && echo "screenshot: $results/window.png"
  fi
done

# Runs a test script that ends with "N passed, M failed" and adds its count.
#   counted NAME LOG SCRIPT
counted() {
  local name=$1 log=$2 p f
  shift 2
  echo "=== $name"
  "$@" 2>&1 | tee "$log"
  read -r p f < <(python3 scripts/count-results.py --line "$log")
  echo "=== $name: $p passed, $f failed"
  total_passed=$((total_passed + p))
  total_failed=$((total_failed + f))
  if [ "$f" -gt 0 ]; then problems+=("$name: $f failed (see $log)"); else rm -f "$log"; fi
}

# The README's run command as a user without a display runs it, with the
# demonstration drives (in the guest where this machine runs no 32-bit code).
counted "run command" build-run.log python3 tests/check_run.py

# The Linux report inside a bare QEMU guest with emulated drives (uses the
# native build above; builds what it needs if that failed).
counted qemu build-qemu.log scripts/qemu-test.sh
# Faults from a real kernel: drives that time out, answer slowly, vanish.
counted faults build-faults.log scripts/fault-test.sh
# The real window and the report on Wine's pass-through road, against the
# same emulated drives in a QEMU guest.
counted "window road" build-window-road.log scripts/window-road-test.sh

if [ -x scripts/fuzz.sh ]; then
  echo "=== fuzz"
  # A short run of every target; scripts/fuzz.sh alone runs them longer.
  if scripts/fuzz.sh "${QUILLANOR_FUZZ_SECONDS:-20}"; then
    total_passed=$((total_passed + $(ls fuzz/*_fuzz.cpp | wc -l)))  # a case per target
  else
    note_failure "fuzzing found a problem or could not run"
  fi
fi

for problem in "${problems[@]+"${problems[@]}"}"; do echo "problem: $problem"; done
echo "$total_passed passed, $total_failed failed"
[ "$total_failed" -eq 0 ] && [ ${#problems[@]} -eq 0 ]
