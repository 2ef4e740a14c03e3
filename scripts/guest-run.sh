#!/usr/bin/env bash
# Runs a command where 32-bit Windows programs can run whatever this machine
# executes: in a QEMU guest (software emulation) booted with Debian's kernel,
# whose root is this machine's root (shared read-only, with a tmpfs overlay
# on top), with the project folder and a cache folder shared writable at
# their own paths, 32-bit Wine ready in a prefix of its own and Xvfb started.
#
#   guest-run.sh [--drives] COMMAND [ARG...]
#
# COMMAND runs in the project folder; its output comes here. --drives gives
# the guest the CD drives of the report's QEMU test. Exits with COMMAND's
# status, or 125 when the guest could not run it.
#
# The Wine prefix is made in the first guest (some minutes) and kept in
# $QUILLANOR_GUEST_CACHE (default ~/.cache/quillanor-wine32); each run then
# lays a throw-away overlay on it. QUILLANOR_GUEST_TIMEOUT bounds the guest
# (seconds, default 3000).
set -uo pipefail
cd "$(dirname "$0")/.." || exit 125
root=$(pwd)
work=build/guest
cache="${QUILLANOR_GUEST_CACHE:-$HOME/.cache/quillanor-wine32}"
limit="${QUILLANOR_GUEST_TIMEOUT:-3000}"

fail() { echo "guest-run: $1" >&2; exit 125; }

with_drives=no
if [ "${1:-}" = --drives ]; then
  shift
  with_drives=yes
fi
[ $# -gt 0 ] || fail "usage: guest-run.sh [--drives] COMMAND [ARG...]"
case "$root$cache" in
  *[[:space:]]*) fail "the project and cache paths must not hold blanks (they travel on the kernel command line)" ;;
esac

. scripts/common.sh
QUILLANOR_APT_OPTIONS=--no-install-recommends install_missing qemu-system-x86 >/dev/null ||
  fail "could not install qemu-system-x86"
command -v qemu-system-x86_64 >/dev/null || fail "qemu-system-x86_64 is not installed"
. scripts/qemu-kernel.sh
guest_kernel "$work" || fail "$guest_error"
drives=()
[ "$with_drives" = yes ] && guest_drives "$work"

mkdir -p "$work" "$cache"
# One guest at a time uses the cache: two would make the prefix together.
exec 9>"$cache/.lock"
flock -w "$limit" 9 || fail "another guest held $cache/.lock for $limit s"
python3 tools/qemu/initramfs.py --out "$work/initramfs.gz" --busybox "$busybox" --init tools/qemu/chroot-init \
  --modules-dir "$modules_dir" \
  --module virtio_pci --module 9p --module 9pnet_virtio --module overlay \
  --module ata_piix --module ahci --module virtio_scsi --module sr_mod --module sg >/dev/null ||
  fail "the initramfs could not be built"

{
  printf 'cd %q || exit 125\n' "$root"
  printf '%q ' "$@"
  echo
} >"$work/command"
rm -f "$work/status"

# plain "-cpu max" crashes 64-bit Wine in the guest; without SMAP it runs.
started=$(date +%s)
timeout --kill-after=10 "$limit" qemu-system-x86_64 -machine pc -accel tcg,thread=multi -cpu max,-smap \
  -m 4096 -smp "${QUILLANOR_GUEST_CPUS:-2}" \
  -nographic -nodefaults -no-reboot -monitor none -serial stdio -fw_cfg name=etc/sercon-port,string=0 \
  -kernel "$vmlinuz" -initrd "$work/initramfs.gz" \
  -append "console=ttyS0 quiet loglevel=1 panic=-1 quillanor.project=$root quillanor.cache=$cache" \
  -virtfs "local,path=/,mount_tag=hostroot,security_model=passthrough,readonly=on,multidevs=remap" \
  -virtfs "local,path=$root,mount_tag=project,security_model=passthrough,multidevs=remap" \
  -virtfs "local,path=$cache,mount_tag=cache,security_model=passthrough,multidevs=remap" \
  "${drives[@]}" </dev/null 2>"$work/qemu.stderr" | tr -d '\r' | grep --line-buffered -v '^\[ *[0-9.]*\] reboot: '
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
