#!/usr/bin/env bash
# Tests the Linux report against emulated drives: boots Debian's kernel under
# QEMU (software emulation, so no KVM is needed) with five CD drives on PIIX
# IDE, AHCI and virtio-scsi, runs quillanor-report --json and plain inside,
# checks the answers on the host (tools/qemu/check_report.py) and, in the same
# guest, measures the report against wodim -prcap (figures only).
#
# Everything generated goes to build/qemu; the kernel and busybox packages are
# kept in $QUILLANOR_QEMU_CACHE (default ~/.cache/quillanor-qemu) so that a
# clean clone does not download them again. Ends with one line
# "N passed, M failed"; exits non-zero when a check failed or the test could
# not run.
#
# Environment: QUILLANOR_REPORT_STATIC / QUILLANOR_REPORT_DYNAMIC use these
# programs instead of building the native preset's; QUILLANOR_BENCH_ROUNDS
# (default 5, 0 for none); QUILLANOR_QEMU_TIMEOUT (seconds, default 180);
# QUILLANOR_JOBS (build jobs, default 2).
set -uo pipefail
cd "$(dirname "$0")/.." || exit 1
work=build/qemu
rounds="${QUILLANOR_BENCH_ROUNDS:-5}"
limit="${QUILLANOR_QEMU_TIMEOUT:-180}"
expected_drives=5
mkdir -p "$work"
rm -f "$work/console.log" "$work"/*.txt "$work"/*.json "$work"/*.status

# Every way of not getting to run the guest ends here: the checks still run
# (and fail) so the count always covers the same cases.
checks() {
  python3 tools/qemu/check_report.py --console "$work/console.log" --out "$work" --qemu-status "$1"
}
cannot_run() {
  echo "qemu-test: $1"
  checks "$1"
  exit 1
}

# --- host packages, installed only when missing
. scripts/common.sh
QUILLANOR_APT_OPTIONS=--no-install-recommends install_missing qemu-system-x86 wodim gcc libc6-dev python3 >/dev/null ||
  cannot_run "could not install the QEMU test's packages"
command -v qemu-system-x86_64 >/dev/null || cannot_run "qemu-system-x86_64 is not installed"
command -v python3 >/dev/null || { echo "qemu-test: python3 is missing"; echo "0 passed, 1 failed"; exit 1; }

. scripts/qemu-kernel.sh
guest_kernel "$work" || cannot_run "$guest_error"

# --- the programs under test
report_static="${QUILLANOR_REPORT_STATIC:-}"
report_dynamic="${QUILLANOR_REPORT_DYNAMIC:-}"
if [ -z "$report_static" ] || [ -z "$report_dynamic" ]; then
  # Build them, so a stale program is never tested.
  if [ ! -f build/native/CMakeCache.txt ]; then
    cmake --preset native >"$work/build.log" 2>&1 || cannot_run "the native preset does not configure (see $work/build.log)"
  fi
  cmake --build build/native -j "${QUILLANOR_JOBS:-2}" --target quillanor-report quillanor-report-static \
    >"$work/build.log" 2>&1 || cannot_run "quillanor-report does not build (see $work/build.log)"
  report_static="${report_static:-build/native/app/report/quillanor-report-static}"
  report_dynamic="${report_dynamic:-build/native/app/report/quillanor-report}"
fi
for program in "$report_static" "$report_dynamic"; do
  [ -x "$program" ] || cannot_run "$program does not exist"
done

gcc -shared -fPIC -O2 -Wall -Wextra -Werror -o "$work/sgio_count.so" tools/qemu/sgio_count.c -ldl ||
  cannot_run "the SG_IO counting shim does not compile"

# sg is not needed by the report, but real systems load it next to sr_mod:
# the report must list each drive once all the same.
python3 tools/qemu/initramfs.py --out "$work/initramfs.gz" --busybox "$busybox" --init tools/qemu/init \
  --modules-dir "$modules_dir" \
  --module ata_piix --module ahci --module virtio_pci --module virtio_scsi --module sr_mod --module sg \
  --file "/usr/bin/quillanor-report-static=$report_static" \
  --with-libs "/usr/bin/quillanor-report=$report_dynamic" \
  --with-libs /usr/bin/wodim=/usr/bin/wodim \
  --file "/lib/sgio_count.so=$work/sgio_count.so" || cannot_run "the initramfs could not be built"

guest_drives "$work"

echo "qemu-test: booting $kernel_version under QEMU (TCG), $expected_drives drives, $rounds benchmark rounds"
started=$(date +%s)
timeout --kill-after=10 "$limit" qemu-system-x86_64 -machine pc -accel tcg -m 512 -smp 1 \
  -nographic -nodefaults -no-reboot -monitor none -serial "file:$work/console.log" \
  -kernel "$vmlinuz" -initrd "$work/initramfs.gz" \
  -append "console=ttyS0 quiet panic=-1 quillanor.drives=$expected_drives quillanor.bench=$rounds" \
  "${drives[@]}" </dev/null >"$work/qemu.stderr" 2>&1
status=$?
echo "qemu-test: QEMU ended after $(($(date +%s) - started)) s with status $status; console in $work/console.log"
case $status in
  0|124) qemu_status=$status ;;
  137) qemu_status=124 ;;  # killed after ignoring the timeout's TERM
  *) qemu_status="QEMU exited with status $status: $(grep -v '^$' "$work/qemu.stderr" | tail -n 1)" ;;
esac
checks "$qemu_status"
