# Sourced by the scripts that boot a QEMU guest (bash): Debian's kernel and
# a static busybox, downloaded once into $QUILLANOR_QEMU_CACHE (default
# ~/.cache/quillanor-qemu) and unpacked under the given work folder.
#
#   guest_kernel WORK    sets busybox, kernel_version, vmlinuz, modules_dir;
#                        on failure returns 1 with the reason in guest_error
#   guest_drives WORK    sets drives: QEMU's options for the seven CD drives
#                        of the guests' tests, and guest_drive_count; makes
#                        their images in WORK (returns 1 if it cannot)

qemu_cache="${QUILLANOR_QEMU_CACHE:-$HOME/.cache/quillanor-qemu}"

# Downloads a package's .deb into the cache unless it is there already.
fetch_deb() {
  local package=$1 deb sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  deb=$(ls "$qemu_cache/${package}"_*.deb 2>/dev/null | sort -V | tail -n 1)
  if [ -z "$deb" ]; then
    # apt-get download keeps the file in the current folder; refresh the
    # package lists once if they point at a version the mirror dropped.
    (cd "$qemu_cache" && { apt-get download -q "$package" >/dev/null 2>&1 ||
      { $sudo apt-get update -q >/dev/null && apt-get download -q "$package" >/dev/null 2>&1; }; })
    deb=$(ls "$qemu_cache/${package}"_*.deb 2>/dev/null | sort -V | tail -n 1)
  fi
  echo "$deb"
}

guest_kernel() {
  local work=$1 deb kernel_package kernel_deb kernel_dir old
  guest_error=""
  mkdir -p "$work" "$qemu_cache"
  # busybox: the installed static one, else the package unpacked here (it
  # conflicts with the dynamic busybox, so it is not installed for this)
  if dpkg-query -W -f='${Status}' busybox-static 2>/dev/null | grep -q "install ok installed"; then
    busybox=/bin/busybox
  else
    deb=$(fetch_deb busybox-static)
    [ -n "$deb" ] || { guest_error="could not download busybox-static"; return 1; }
    if [ ! -x "$work/busybox/bin/busybox" ]; then
      rm -rf "$work/busybox"
      dpkg-deb -x "$deb" "$work/busybox" || { guest_error="could not unpack $deb"; return 1; }
    fi
    busybox="$work/busybox/bin/busybox"
  fi

  # The kernel: the version linux-image-amd64 currently depends on.
  kernel_package=$(apt-cache depends linux-image-amd64 2>/dev/null |
    sed -n 's/^ *Depends: \(linux-image-[0-9][^ ]*-amd64\)$/\1/p' | head -n 1)
  if [ -z "$kernel_package" ]; then
    # No package lists: fall back on the newest kernel already cached.
    kernel_package=$(ls "$qemu_cache"/linux-image-[0-9]*-amd64_*.deb 2>/dev/null | sort -V | tail -n 1 |
      sed 's|.*/\(linux-image-[^_]*\)_.*|\1|')
  fi
  [ -n "$kernel_package" ] || { guest_error="cannot tell which kernel linux-image-amd64 stands for"; return 1; }
  kernel_version=${kernel_package#linux-image-}
  kernel_deb=$(fetch_deb "$kernel_package")
  [ -n "$kernel_deb" ] || { guest_error="could not download $kernel_package"; return 1; }
  # Older kernels' packages are of no further use.
  for old in "$qemu_cache"/linux-image-[0-9]*-amd64_*.deb; do
    [ -e "$old" ] && [ "$old" != "$kernel_deb" ] && rm -f "$old"
  done
  kernel_dir="$work/kernel/$kernel_version"
  if [ ! -f "$kernel_dir/.unpacked" ]; then
    rm -rf "$work/kernel"
    mkdir -p "$kernel_dir"
    dpkg-deb -x "$kernel_deb" "$kernel_dir" || { guest_error="could not unpack $kernel_deb"; return 1; }
    touch "$kernel_dir/.unpacked"
  fi
  vmlinuz="$kernel_dir/boot/vmlinuz-$kernel_version"
  modules_dir="$kernel_dir/lib/modules/$kernel_version"
  if [ ! -f "$vmlinuz" ] || [ ! -d "$modules_dir" ]; then
    guest_error="$kernel_deb holds no kernel $kernel_version"
    return 1
  fi
}

guest_drives() {
  guest_drive_count=7
  # Any multiple of 2048 bytes makes a disc; QEMU presents one larger than
  # 80 minutes of CD as a DVD. Both images are sparse: a data CD of a CD's
  # size whose first sectors hold data (tools/qemu/cd_image.py, which
  # writes it unless it is there already), and a blank single-layer DVD
  # (2295104 blocks).
  local cd="$1/data-cd.img" dvd="$1/dvd.img"
  python3 tools/qemu/cd_image.py "$cd" || return 1
  [ -f "$dvd" ] || truncate -s 4700372992 "$dvd"
  # In the SCSI address order tools/qemu/check_linux_report.py expects:
  # ata_piix loads first (hosts 0 and 1, one per channel), then ahci (hosts
  # 2-7), then virtio_scsi (host 8, targets 2 and 10), then the two USB
  # drives on xHCI, both at SuperSpeed: usb-bot (usb-storage, host 9, on
  # port 1, so enumerated first) and usb-uas (uas, host 10, on port 2).
  # The CD is in an ide-cd and in a scsi-cd, which read it differently
  # (scsi-cd refuses READ CD); the usb-uas drive stays empty.
  # The uas drive answers a serial number (VPD page 80h) that Debian's 6.1
  # kernel does not keep in sysfs for an sr device.
  # shellcheck disable=SC2054  # the commas belong to QEMU's option syntax
  drives=(
    -drive "if=none,id=disc0,file=$cd,format=raw,media=cdrom,readonly=on"
    -device ide-cd,bus=ide.0,unit=0,drive=disc0
    -device ide-cd,bus=ide.1,unit=0
    -device ahci,id=ahci0
    -drive "if=none,id=disc1,file=$dvd,format=raw,media=cdrom,readonly=on"
    -device ide-cd,bus=ahci0.0,drive=disc1
    -device virtio-scsi-pci,id=scsi0
    -drive "if=none,id=disc4,file=$cd,format=raw,media=cdrom,readonly=on"
    -device scsi-cd,bus=scsi0.0,scsi-id=2,lun=0,drive=disc4
    -drive "if=none,id=disc2,file=$dvd,format=raw,media=cdrom,readonly=on"
    -device "scsi-cd,bus=scsi0.0,scsi-id=10,lun=0,drive=disc2,vendor=QLNRTEST,product=EMULATED DRIVE,ver=4.2"
    -device qemu-xhci,id=xhci0
    -drive "if=none,id=disc3,file=$dvd,format=raw,media=cdrom,readonly=on"
    -device usb-bot,bus=xhci0.0,port=1,id=bot0
    -device scsi-cd,bus=bot0.0,scsi-id=0,lun=0,drive=disc3
    -device usb-uas,bus=xhci0.0,port=2,id=uas0
    -device scsi-cd,bus=uas0.0,scsi-id=0,lun=0,serial=QLNR-UAS-0001
  )
}
