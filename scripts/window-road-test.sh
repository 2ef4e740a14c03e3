#!/usr/bin/env bash
# The window against drives nobody here wrote: in a QEMU guest with the
# report test's seven CD drives, the real 32-bit and 64-bit Quillanor.exe run
# under Wine on the pass-through road, the drives listed to Wine's Setup API
# by tools/winecd/fixture.py. The UI driver reads each window; the guest's
# own SG_IO reading of the drives is the reference, and quillanor-report.exe
# under Wine must agree with the Linux report. In the same guest,
# quillanor-report --detail on Linux meets the same drives.
# tools/qemu/check_window.py checks it all on the host and ends with
# "N passed, M failed"; exits non-zero when a check failed or the test could
# not run.
#
# Uses the builds of the three presets, building what is missing.
set -uo pipefail
cd "$(dirname "$0")/.." || exit 1
out=build/window-road
jobs="${QUILLANOR_JOBS:-2}"

checks() { python3 tools/qemu/check_window.py "$out" --guest-status "$1"; }
cannot_run() {
  echo "window-road: $1"
  rm -rf "$out"
  checks "$1"
  exit 1
}

for preset in native win32 win64; do
  [ -f "build/$preset/CMakeCache.txt" ] || cmake --preset "$preset" >"build/window-road-$preset.log" 2>&1 ||
    cannot_run "the $preset preset does not configure (see build/window-road-$preset.log)"
done
mkdir -p build
cmake --build build/native -j "$jobs" --target quillanor-report >build/window-road-native.log 2>&1 ||
  cannot_run "the Linux report does not build (see build/window-road-native.log)"
for preset in win32 win64; do
  cmake --build "build/$preset" -j "$jobs" --target Quillanor uidriver quillanor-report \
    >"build/window-road-$preset.log" 2>&1 || cannot_run "the $preset program does not build (see build/window-road-$preset.log)"
done
rm -f build/window-road-*.log

scripts/guest-run.sh --drives bash tools/qemu/window-road.sh
status=$?
[ "$status" -eq 0 ] || cannot_run "the guest could not run the window road (status $status)"
for width in 32 64; do
  [ -f "$out/window$width.bmp" ] && convert "$out/window$width.bmp" "$out/window$width.png" 2>/dev/null
done
checks 0
