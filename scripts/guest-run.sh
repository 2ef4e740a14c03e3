#!/usr/bin/env bash
# Runs a command in a QEMU guest (software emulation) booted with Debian's
# kernel, with one protocol for every guest (tools/qemu/init): the command
# is left in a shared folder, and the guest leaves its results and its exit
# status there.
#
#   guest-run.sh [--drives] COMMAND [ARG...]
#       The guest's root is this machine's root (shared read-only, with a
#       tmpfs overlay on top), the project folder and a cache folder shared
#       writable at their own paths, 32-bit Wine ready in a prefix of its
#       own and Xvfb started. COMMAND runs in the project folder; its output
#       comes here.
#   guest-run.sh --bare FOLDER [--drives] [--file /GUEST=HOST]... [--with-libs /GUEST=HOST]...
#                [--spare-module NAME]... SCRIPT
#       A bare guest: the initramfs alone with the programs and modules given
#       (as tools/qemu/initramfs.py places them) and FOLDER shared at /out, where
#       SCRIPT runs (sh, from /out) and leaves what it makes; its output goes
#       to FOLDER/command.log.
#
# --drives gives the guest the seven CD drives of the guests' tests
# (scripts/qemu-kernel.sh) and waits for them. Exits with the command's
# status, or 125 when the guest could not run it. QUILLANOR_GUEST_TIMEOUT
# bounds the guest (seconds; default 3000, 180 for a bare one).
#
# The Wine prefix is made in the first guest (some minutes) and kept in
# $QUILLANOR_GUEST_CACHE (default ~/.cache/quillanor-wine32); each run then
# lays a throw-away overlay on it.
set -uo pipefail
cd "$(dirname "$0")/.." || exit 125
root=$(pwd)
cache="${QUILLANOR_GUEST_CACHE:-$HOME/.cache/quillanor-wine32}"

fail() { echo "guest-run: $1" >&2; exit 125; }

bare=""
with_drives=no
placements=()
while [ $# -gt 0 ]; do
  case $1 in
    --bare) bare=$2; shift 2 ;;
    --drives) with_drives=yes; shift ;;
    --file|--with-libs|--spare-module) placements+=("$1" "$2"); shift 2 ;;
    *) break ;;
  esac
done
[ $# -gt 0 ] || fail "usage: guest-run.sh [--bare FOLDER] [--drives] COMMAND [ARG...]"
if [ -n "$bare" ]; then
  work=$bare
  limit="${QUILLANOR_GUEST_TIMEOUT:-180}"
  memory=512 cpus=1
else
  work=build/guest
  limit="${QUILLANOR_GUEST_TIMEOUT:-3000}"
  memory=4096 cpus="${QUILLANOR_GUEST_CPUS:-2}"
fi
case "$root$cache" in
  *[[:space:]]*) fail "the project and cache paths must not hold blanks (they travel on the kernel command line)" ;;
esac

. scripts/common.sh
QUILLANOR_APT_OPTIONS=--no-install-recommends install_missing qemu-system-x86 >/dev/null ||
  fail "could not install qemu-system-x86"
command -v qemu-system-x86_64 >/dev/null || fail "qemu-system-x86_64 is not installed"
. scripts/qemu-kernel.sh
guest_kernel build/guest-kernel || fail "$guest_error"
mkdir -p "$work"
drives=()
append="console=ttyS0 quiet loglevel=1 panic=-1"
if [ "$with_drives" = yes ]; then
  guest_drives build/guest-kernel || fail "the drives' images could not be made in build/guest-kernel"
  append="$append quillanor.drives=$guest_drive_count"
fi
rm -f "$work/status"

# The drives' adapters in the order their hosts are to be numbered.
modules=(--module virtio_pci --module 9p --module 9pnet_virtio --module ata_piix --module ahci
         --module virtio_scsi --module xhci_pci --module usb_storage --module uas --module sr_mod --module sg)
if [ -n "$bare" ]; then
  cp "$1" "$work/command" || fail "cannot copy $1 into $work"
  append="$append quillanor.mode=bare"
  shares=(-virtfs "local,path=$(cd "$work" && pwd),mount_tag=out,security_model=passthrough,multidevs=remap")
else
  mkdir -p "$cache"
  # One guest at a time uses the cache: two would make the prefix together.
  exec 9>"$cache/.lock"
  flock -w "$limit" 9 || fail "another guest held $cache/.lock for $limit s"
  modules+=(--module overlay)
  {
    printf 'cd %q || exit 125\n' "$root"
    printf '%q ' "$@"
    echo
  } >"$work/command"
  append="$append quillanor.mode=chroot quillanor.project=$root quillanor.cache=$cache"
  shares=(
    -virtfs "local,path=/,mount_tag=hostroot,security_model=passthrough,readonly=on,multidevs=remap"
    -virtfs "local,path=$root,mount_tag=project,security_model=passthrough,multidevs=remap"
    -virtfs "local,path=$cache,mount_tag=cache,security_model=passthrough,multidevs=remap"
  )
fi
python3 tools/qemu/initramfs.py --out "$work/initramfs.gz" --busybox "$busybox" --init tools/qemu/init \
  --modules-dir "$modules_dir" "${modules[@]}" "${placements[@]}" >/dev/null ||
  fail "the initramfs could not be built"

# plain "-cpu max" crashes 64-bit Wine in the guest; without SMAP it runs.
echo "guest-run: starting a QEMU guest (software emulation; at most $limit s), which says when each step ends" >&2
started=$(date +%s)
timeout --kill-after=10 "$limit" qemu-system-x86_64 -machine pc -accel tcg,thread=multi -cpu max,-smap \
  -m "$memory" -smp "$cpus" \
  -nographic -nodefaults -no-reboot -monitor none -serial stdio -fw_cfg name=etc/sercon-port,string=0 \
  -kernel "$vmlinuz" -initrd "$work/initramfs.gz" -append "$append" \
  "${shares[@]}" "${drives[@]}" </dev/null 2>"$work/qemu.stderr" | tr -d '\r' | grep -a --line-buffered -v '^\[ *[0-9.]*\] reboot: '
qemu_status=${PIPESTATUS[0]}
echo "guest-run: the guest ended after $(($(date +%s) - started)) s"
case $qemu_status in
  0) ;;
  124|137) fail "the guest did not finish within $limit s" ;;
  *) fail "QEMU exited with status $qemu_status: $(grep -v '^$' "$work/qemu.stderr" | tail -n 1)" ;;
esac
status=$(cat "$work/status" 2>/dev/null)
case $status in
  ''|*[!0-9]*) fail "the command left no status" ;;
esac
exit "$status"
