# Runs in the bare guest of scripts/qemu-test.sh (busybox sh, in the shared
# output folder): what the kernel saw of each drive, then the static
# quillanor-report as JSON and as text, with --detail and with --probe, each
# output with its exit status, then the peers. tools/qemu/check_linux_report.py
# reads it all on the host.

# The kernel's own view: sr name, H:C:T:L, INQUIRY vendor, model, revision.
for block in /sys/class/block/sr*; do
  [ -e "$block" ] || continue
  device=$(readlink -f "$block/device")
  printf '%s|%s|%s|%s|%s\n' "${block##*/}" "${device##*/}" "$(cat "$block/device/vendor")" \
    "$(cat "$block/device/model")" "$(cat "$block/device/rev")"
done >sysfs.txt

# How each drive is reached, as sysfs tells it: sr name, the device's path,
# its SCSI host's proc_name, the driver bound where the host hangs, the
# VPD page 80h the kernel kept (hex), and the nearest USB device above it
# (its path, IDs, strings and speed; empty when none).
for block in /sys/class/block/sr*; do
  [ -e "$block" ] || continue
  device=$(readlink -f "$block/device")
  host=$(echo "$device" | tr / '\n' | grep -x 'host[0-9]*' | tail -n 1)
  usb=${device%/*}
  while [ -n "$usb" ] && [ ! -f "$usb/idVendor" ]; do usb=${usb%/*}; done
  bound=""
  [ -e "${device%%/$host/*}/driver" ] && bound=$(readlink -f "${device%%/$host/*}/driver")
  printf '%s|%s|%s|%s|%s|%s' "${block##*/}" "$device" "$(cat "/sys/class/scsi_host/$host/proc_name" 2>/dev/null)" \
    "${bound##*/}" "$(od -An -tx1 -v "$device/vpd_pg80" 2>/dev/null | tr -d ' \n')" "$usb"
  for file in idVendor idProduct manufacturer product speed; do
    printf '|%s' "$(cat "$usb/$file" 2>/dev/null)"
  done
  echo
done >connection.txt
# Every USB device, as lsusb would list them: path, IDs, strings, speed.
for usb in /sys/bus/usb/devices/*; do
  [ -f "$usb/idVendor" ] || continue
  printf '%s' "$(readlink -f "$usb")"
  for file in idVendor idProduct manufacturer product speed; do
    printf '|%s' "$(cat "$usb/$file" 2>/dev/null)"
  done
  echo
done >usb.txt

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
run report-probe.json /usr/bin/quillanor-report-static --json --detail --probe
run report-probe.txt /usr/bin/quillanor-report-static --probe

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

# Second opinions on the sector the probe reads, on each drive with a CD
# (sg_get_config names a CD profile current): the first data track's
# (control bit 2 in wodim's TOC) 17th sector, or its last but one when it
# is shorter. sg_raw sends the probe's READ(10), READ CD (raw sector) and
# READ CD (C2 pointers), keeps the bytes and tells the CDB it sent and how
# many bytes the kernel says came (-v, on standard error);
# cd-read reads the sector in Mode 1 its own way, and dd through the
# kernel's block device (cd-read's own road on Linux, which libcdio 2.1.0
# takes for a failure after reading the bytes).
for block in /sys/class/block/sr*; do
  [ -e "$block" ] || continue
  sr=${block##*/}
  node=/dev/$sr
  grep -q '^Current profile: CD-' "sg_get_config-$sr.txt" 2>/dev/null || continue
  # wodim: "track:   1 lba:         0 (        0) 00:02:00 adr: 1 control: 4 mode: -1",
  # the lead-out last as "track:lout lba: ...".
  lba=$(awk 'sub(/^track: */, "") {
      n++; start[n] = $3; data[n] = 0
      for (i = 4; i < NF; i++) if ($i == "control:") data[n] = int($(i + 1) / 4) % 2
    }
    END {
      for (i = 1; i < n; i++) if (data[i]) {
        blocks = start[i + 1] - start[i]
        print (blocks > 17 ? start[i] + 16 : blocks > 1 ? start[i + 1] - 2 : start[i])
        exit
      }
    }' "wodim-$sr.txt")
  [ -n "$lba" ] || continue
  echo "$lba" >"sector-$sr.txt"
  address=$(printf '%02x %02x %02x %02x' $((lba >> 24 & 255)) $((lba >> 16 & 255)) $((lba >> 8 & 255)) $((lba & 255)))
  # shellcheck disable=SC2086  # the address is four words
  run "sg_raw-read-cd-$sr.txt" sg_raw -v -R -r 2352 -o "sg_raw-read-cd-$sr.bin" "$node" be 00 $address 00 00 01 f8 00 00
  # shellcheck disable=SC2086
  run "sg_raw-read-cd-c2-$sr.txt" sg_raw -v -R -r 5292 -o "sg_raw-read-cd-c2-$sr.bin" "$node" be 00 $address 00 00 02 fa 00 00
  # shellcheck disable=SC2086
  run "sg_raw-read10-$sr.txt" sg_raw -v -R -r 2048 -o "sg_raw-read10-$sr.bin" "$node" 28 00 $address 00 00 01 00
  run "cd-read-$sr.txt" cd-read --no-header -m m1f1 -s "$lba" -n 1 -o "cd-read-$sr.bin" --cdrom-device="$node"
  run "dd-$sr.txt" dd if="$node" of="dd-$sr.bin" bs=2048 skip="$lba" count=1
done
