# Runs in the bare guest of scripts/bench.sh (busybox sh, in the shared
# output folder): each tool under the SG_IO-counting shim (sgio_count.so),
# the rounds interleaved so that every tool sees the same conditions. One
# line per run in bench.txt: tool, drive, round, exit status, whether it
# printed what it is for, and the shim's counts (one line per process).
rounds=$(cat rounds)
drives=$(cd /dev && ls sr* | sort -k1.3n)
measure() {
  rm -f /tmp/sgio.log
  QUILLANOR_SGIO_LOG=/tmp/sgio.log LD_PRELOAD=/lib/sgio_count.so timeout 60 "$@" >/tmp/bench.out 2>&1
  status=$?
}
for drive in $drives; do
  wodim "dev=/dev/$drive" -prcap >"wodim-$drive.txt" 2>&1
done
round=1
while [ "$round" -le "$rounds" ]; do
  for drive in $drives; do
    measure wodim "dev=/dev/$drive" -prcap
    printed=no
    grep -q "Drive capabilities" /tmp/bench.out && printed=yes
    echo "tool=wodim drive=$drive round=$round status=$status printed=$printed $(tr '\n' ' ' </tmp/sgio.log)"
    # The two general tools that together tell most of what --detail tells.
    # sdparm ends 5 when the drive refuses the saved values, having printed
    # the current ones: what it printed is what counts.
    measure sh -c "sg_get_config /dev/$drive; sdparm --page=cms /dev/$drive; exit 0"
    printed=no
    grep -q "Current profile" /tmp/bench.out && grep -q "capabilities and mechanical status" /tmp/bench.out && printed=yes
    echo "tool=sg_get_config+sdparm drive=$drive round=$round status=$status printed=$printed $(tr '\n' ' ' </tmp/sgio.log)"
    # The disc: dvd+rw-mediainfo (DVDs only: it leaves a CD at once) and
    # cd-info (the CD-ROM ioctls), against the report's --detail below.
    measure dvd+rw-mediainfo "/dev/$drive"
    printed=no
    grep -q "Mounted Media\|non-DVD media" /tmp/bench.out && printed=yes
    echo "tool=dvd+rw-mediainfo drive=$drive round=$round status=$status printed=$printed $(tr '\n' ' ' </tmp/sgio.log)"
    measure cd-info --no-header --no-device-info --no-cddb --no-analyze "/dev/$drive"
    printed=no
    grep -q "Track List\|DVD" /tmp/bench.out && printed=yes
    echo "tool=cd-info drive=$drive round=$round status=$status printed=$printed $(tr '\n' ' ' </tmp/sgio.log)"
    measure quillanor-report --detail --device "/dev/$drive"
    printed=no
    grep -q "Firmware revision" /tmp/bench.out && printed=yes
    echo "tool=quillanor-report-detail-one drive=$drive round=$round status=$status printed=$printed $(tr '\n' ' ' </tmp/sgio.log)"
  done
  for tool in quillanor-report quillanor-report-detail; do
    set -- quillanor-report
    [ "$tool" = quillanor-report-detail ] && set -- quillanor-report --detail
    measure "$@"
    echo "tool=$tool drive=all round=$round status=$status printed=$(grep -c '^Drive ' /tmp/bench.out) $(tr '\n' ' ' </tmp/sgio.log)"
  done
  round=$((round + 1))
done >bench.txt
