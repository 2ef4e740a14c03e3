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
run detail.json /usr/bin/quillanor-report-static --detail --json
run detail.txt /usr/bin/quillanor-report-static --detail

# Peers nobody here wrote, on every drive: the features (sg_get_config), the
# capabilities page (sdparm) and the drive's own summary (cd-drive).
for block in /sys/class/block/sr*; do
  [ -e "$block" ] || continue
  node=/dev/${block##*/}
  run "sg_get_config-${node#/dev/}.txt" sg_get_config "$node"
  run "sdparm-${node#/dev/}.txt" sdparm --long --page=cms "$node"
  run "cd-drive-${node#/dev/}.txt" cd-drive -i "$node"
  # The disc: its TOC and disc information (dvd+rw-mediainfo, cd-info,
  # wodim -toc).
  run "dvd+rw-mediainfo-${node#/dev/}.txt" dvd+rw-mediainfo "$node"
  run "cd-info-${node#/dev/}.txt" cd-info --no-header --no-device-info --no-cddb --no-analyze "$node"
  run "wodim-${node#/dev/}.txt" wodim -toc dev="$node"
done
