#!/usr/bin/env bash
# Tests the Linux report against emulated drives: a bare QEMU guest
# (scripts/guest-run.sh --bare: Debian's kernel, software emulation, so no
# KVM is needed) with seven CD drives on PIIX IDE, AHCI, virtio-scsi and USB (usb-storage,
# uas) runs
# the static quillanor-report --json and plain, with and without --detail,
# and with --probe, and eight peers on the same drives: sg_get_config,
# sdparm, cd-drive, about the disc cd-info, dvd+rw-mediainfo and wodim -toc,
# and on the probe's sector of each CD sg_raw and cd-read
# (tools/qemu/linux-report.sh). tools/qemu/check_linux_report.py checks the
# answers on the host, the report against the peers, and that --replay of
# each saved report prints the same report again.
#
# Everything generated goes to build/qemu. Ends with one line
# "N passed, M failed"; exits non-zero when a check failed or the test could
# not run. QUILLANOR_REPORT_STATIC uses that program instead of building the
# native preset's.
set -uo pipefail
cd "$(dirname "$0")/.." || exit 1
out=build/qemu
rm -rf "$out" && mkdir -p "$out"

checks() { python3 tools/qemu/check_linux_report.py "$out" --guest-status "$1" --report "$report"; }
cannot_run() {
  echo "qemu-test: $1"
  checks "$1"
  exit 1
}

. scripts/common.sh
QUILLANOR_APT_OPTIONS=--no-install-recommends install_missing sg3-utils sdparm libcdio-utils dvd+rw-tools wodim >/dev/null ||
  cannot_run "could not install the peers (sg3-utils, sdparm, libcdio-utils, dvd+rw-tools, wodim)"
report="${QUILLANOR_REPORT_STATIC:-}"
if [ -z "$report" ]; then
  # Built here, so a stale program is never tested.
  if [ ! -f build/native/CMakeCache.txt ]; then
    cmake --preset native >"$out/build.log" 2>&1 || cannot_run "the native preset does not configure (see $out/build.log)"
  fi
  cmake --build build/native -j "${QUILLANOR_JOBS:-2}" --target quillanor-report-static >"$out/build.log" 2>&1 ||
    cannot_run "quillanor-report does not build (see $out/build.log)"
  report=build/native/app/report/quillanor-report-static
fi
[ -x "$report" ] || cannot_run "$report does not exist"

echo "qemu-test: a bare guest with seven drives runs the static report"
scripts/guest-run.sh --bare "$out" --drives --file "/usr/bin/quillanor-report-static=$report" \
  --with-libs /usr/bin/sg_get_config=/usr/bin/sg_get_config --with-libs /usr/bin/sdparm=/usr/bin/sdparm \
  --with-libs /usr/bin/cd-drive=/usr/bin/cd-drive --with-libs /usr/bin/cd-info=/usr/bin/cd-info \
  --with-libs /usr/bin/dvd+rw-mediainfo=/usr/bin/dvd+rw-mediainfo --with-libs /usr/bin/wodim=/usr/bin/wodim \
  --with-libs /usr/bin/sg_raw=/usr/bin/sg_raw --with-libs /usr/bin/cd-read=/usr/bin/cd-read \
  tools/qemu/linux-report.sh
status=$?
case $status in
  0) checks 0 ;;
  *) checks "the guest could not run the report (status $status): $(tail -n 3 "$out/command.log" 2>/dev/null)" ;;
esac
