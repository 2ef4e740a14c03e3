# Runs in the bare guest of scripts/fault-test.sh (busybox sh, in the shared
# output folder): faults from a real kernel. Beside QEMU's seven drives,
# Linux's scsi_debug module is a CD/DVD drive (ptype=5) made to ignore
# commands (so they time out), to fail them with sense data, at every
# command and at every third, to answer slowly; then drives vanish while
# the report runs. Each run of the dynamic quillanor-report, under the
# counting shim, leaves NAME.json (or .txt), .err, .status and .shim (its
# SG_IO calls, wall time and the /dev/sr descriptors it still held when it
# wrote its output); tools/qemu/check_faults.py reads them.
debug=/sys/bus/pseudo/drivers/scsi_debug
set_fault() { echo "$2" >"$debug/$1"; }

run() {
  name=$1
  shift
  rm -f /tmp/sgio.log
  QUILLANOR_SGIO_LOG=/tmp/sgio.log LD_PRELOAD=/lib/sgio_count.so timeout 600 /usr/bin/quillanor-report "$@" \
    >"$name.out" 2>"$name.err"
  echo $? >"$name.status"
  cp /tmp/sgio.log "$name.shim" 2>/dev/null
}

# The scsi_debug drive's node, once the kernel has made it.
debug_node() {
  for block in /sys/class/block/sr*; do
    [ "$(cat "$block/device/vendor" 2>/dev/null | tr -d ' ')" = Linux ] && { echo "/dev/${block##*/}"; return; }
  done
}
wait_for_debug() {
  tries=0
  while [ -z "$(debug_node)" ] && [ "$tries" -lt 100 ]; do sleep 0.1; tries=$((tries + 1)); done
  node=$(debug_node)
  [ -n "$node" ] && [ -b "$node" ]
}
# After error recovery the kernel may have set the drive offline: back to running.
revive() { [ -n "$node" ] && echo running >"/sys/class/block/${node#/dev/}/device/state" 2>/dev/null; }

insmod /lib/modules/spare/scsi_debug.ko ptype=5 dev_size_mb=8 num_tgts=1 max_luns=1 || { echo "no scsi_debug" >faults.error; exit 1; }
wait_for_debug || { echo "no scsi_debug drive" >faults.error; exit 1; }
echo "$node" >debug-node.txt

run baseline --json --detail

# Every command ignored: it times out; then the first run once the faults
# are off, which waits for what the kernel's error recovery still does.
set_fault opts 4
set_fault every_nth 1
run timeout-all --json --detail
set_fault every_nth 0
set_fault opts 0
revive
run recovered --json --detail

# Every third command ignored, the others answered.
set_fault opts 4
set_fault every_nth 3
run timeout-every-third --json --detail
set_fault every_nth 0
set_fault opts 0
revive
run recovered-again --json --detail

# Every command answered after half a second.
set_fault ndelay 500000000
run slow --json --detail

# Drives that vanish while the report runs: the slow one deleted through
# sysfs, twice at different moments of the run, then a QEMU drive twice,
# then scsi_debug's host removed.
for victim in debug qemu; do
  for attempt in 1 2; do
    ( run "vanish-$victim-$attempt" --json --detail ) &
    reporter=$!
    sleep "0.$((attempt * 4))"
    if [ "$victim" = debug ]; then
      [ -n "$(debug_node)" ] && echo 1 >"/sys/class/block/$(debug_node | sed 's|/dev/||')/device/delete"
    else
      [ -e "/sys/class/block/sr$attempt/device/delete" ] && echo 1 >"/sys/class/block/sr$attempt/device/delete"
    fi
    wait "$reporter"
    # Bring the scsi_debug drive back for the next run.
    if [ -z "$(debug_node)" ]; then
      echo 1 >"$debug/add_host"
      wait_for_debug
    fi
    set_fault ndelay 500000000
  done
done
( run vanish-host --json --detail ) &
reporter=$!
sleep 0.8
echo -1 >"$debug/add_host"
wait "$reporter"
set_fault ndelay 0
run after --json --detail
dmesg >dmesg.txt
echo done >faults.done
