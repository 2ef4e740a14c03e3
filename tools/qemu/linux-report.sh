# Runs in the bare guest of scripts/qemu-test.sh (busybox sh, in the shared
# output folder): what the kernel saw of each drive, then the static
# quillanor-report as JSON and as text, each output with its exit status.
# tools/qemu/check_linux_report.py reads it all on the host.

# The kernel's own view: sr name, H:C:T:L, INQUIRY vendor, model, revision.
for block in /sys/class/block/sr*; do
  [ -e "$block" ] || continue
  device=$(readlink -f "$block/device")
  printf '%s|%s|%s|%s|%s\n' "${block##*/}" "${device##*/}" "$(cat "$block/device/vendor")" \
    "$(cat "$block/device/model")" "$(cat "$block/device/rev")"
done >sysfs.txt

# Each run is killed after 60 s, so a hang costs one output, not the run.
run() {
  name=$1
  shift
  timeout 60 "$@" >"$name" 2>"$name.stderr"
  echo $? >"$name.status"
}
run report.json /usr/bin/quillanor-report-static --json
run report.txt /usr/bin/quillanor-report-static
