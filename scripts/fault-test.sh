#!/usr/bin/env bash
# Faults from a real kernel, end to end: a bare QEMU guest with QEMU's seven
# CD drives and Linux's scsi_debug module as an eighth, which is made to
# ignore commands, fail them with sense data, answer slowly, and vanish
# while the report runs (tools/qemu/faults.sh); tools/qemu/check_faults.py
# checks every run: its exit status, its time against the bound the
# commands' time-outs set, its JSON against the schema, every drive reported
# or its failure told with the reason, and no descriptor of a drive left
# open. Ends with one line "N passed, M failed".
set -uo pipefail
cd "$(dirname "$0")/.." || exit 1
out=build/faults
rm -rf "$out" && mkdir -p "$out"
checks() { python3 tools/qemu/check_faults.py "$out" --guest-status "$1"; }
cannot_run() {
  echo "fault-test: $1"
  checks "$1"
  exit 1
}
if [ ! -f build/native/CMakeCache.txt ]; then
  cmake --preset native >"$out/build.log" 2>&1 || cannot_run "the native preset does not configure"
fi
cmake --build build/native -j "${QUILLANOR_JOBS:-2}" --target quillanor-report >"$out/build.log" 2>&1 ||
  cannot_run "quillanor-report does not build (see $out/build.log)"
gcc -shared -fPIC -O2 -Wall -Wextra -Werror -o "$out/sgio_count.so" tools/qemu/sgio_count.c -ldl ||
  cannot_run "the counting shim does not compile"
echo "fault-test: a bare guest with QEMU's drives and scsi_debug's, faults injected"
QUILLANOR_GUEST_TIMEOUT="${QUILLANOR_FAULT_TIMEOUT:-900}" scripts/guest-run.sh --bare "$out" --drives \
  --with-libs /usr/bin/quillanor-report=build/native/app/report/quillanor-report \
  --file "/lib/sgio_count.so=$out/sgio_count.so" --spare-module scsi_debug tools/qemu/faults.sh
status=$?
case $status in
  0) checks 0 ;;
  *) checks "the guest could not run the faults (status $status): $(cat "$out/faults.error" 2>/dev/null)" ;;
esac
