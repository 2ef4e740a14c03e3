#!/bin/bash
# Runs in the guest of scripts/guest-run.sh --drives (see
# scripts/window-road-test.sh): reads QEMU's drives through SG_IO on its
# own, lists them to Wine as CD-ROM interfaces, then lets the UI driver read
# the real 32-bit and 64-bit window and runs the report under Wine and on
# Linux. Everything lands in build/window-road for the host to check.
root=$PWD
out=build/window-road
rm -rf "$out"
mkdir -p "$out"
. scripts/common.sh
scripts/wine-prefix.sh  # the guest's prefix is ready: this adds what it lacks
wine_environment

python3 tools/qemu/sgio_read.py >"$out/drives.json" 2>"$out/drives.stderr"
mapfile -t nodes < <(python3 -c 'import json, sys; [print(d["node"]) for d in json.load(open(sys.argv[1]))["drives"]]' "$out/drives.json")
# Wine's pass-through answers "Invalid function" for a drive behind a USB
# bridge: Wine is given the drives attached directly.
direct=()
for node in "${nodes[@]}"; do
  case $(readlink -f "/sys/class/block/${node#/dev/}/device") in */usb*) ;; *) direct+=("$node") ;; esac
done
python3 tools/winecd/fixture.py "${direct[@]}" >"$out/fixture.txt" 2>&1
echo $? >"$out/fixture.status"
# The pass-through road: the version Wine reports by default.
wine_version build/win32 Quillanor.exe

for width in 32 64; do
  loader=
  [ "$width" = 64 ] && loader=64
  build="$root/build/win$width"
  (cd "$build/app" && QUILLANOR_WINE_LOADER=$loader timeout 600 "$root/scripts/wine-run" "${wine_desktop[@]}" \
      "$build/tools/uidriver/uidriver.exe" Quillanor.exe --screenshot "$(winpath "$root/$out/window$width.bmp")") \
    >"$out/window$width.txt" 2>"$out/window$width.stderr"
  echo $? >"$out/window$width.status"
  QUILLANOR_WINE_LOADER=$loader timeout 300 scripts/wine-run "$build/app/report/quillanor-report.exe" --json \
    >"$out/report$width.json" 2>"$out/report$width.stderr"
  echo $? >"$out/report$width.status"
done
timeout 120 build/native/app/report/quillanor-report --json >"$out/linux-report.json" 2>"$out/linux-report.stderr"
echo $? >"$out/linux-report.status"

# The report's detail, on Linux, for every drive and for one.
report=build/native/app/report/quillanor-report
timeout 120 "$report" --detail --json >"$out/detail.json" 2>"$out/detail.stderr"
echo $? >"$out/detail.status"
timeout 120 "$report" --detail >"$out/detail.txt" 2>&1
# Drive 3 in SCSI address order: its srN depends on the order the kernel
# probed the buses in, which the USB hosts make vary.
timeout 120 "$report" --detail --json --device "${nodes[3]}" >"$out/device.json" 2>"$out/device.stderr"
echo $? >"$out/device.status"
