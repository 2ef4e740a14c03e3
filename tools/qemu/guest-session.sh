#!/bin/bash
# Runs in the guest of scripts/guest-run.sh, chrooted into the host's root:
# makes 32-bit Wine ready (its prefix made once into the shared cache, then
# used through an overlay so that no run changes it), starts Xvfb, runs the
# command the host left in build/guest/command and leaves its exit status
# in build/guest/status.
#   guest-session.sh PROJECT CACHE
project=$1
cache=$2
export PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin
export HOME=/root LANG=C.UTF-8
cd "$project" || exit 1
. scripts/common.sh
guest="$project/build/guest"
rm -f "$guest/status"

started=$(date +%s)
store="$cache/prefix"
version=$(wine --version 2>/dev/null)
if [ "$(cat "$store/.quillanor-wine" 2>/dev/null)" != "$version" ]; then
  echo "guest: making the 32-bit Wine prefix once, into $store"
  rm -rf "$store"
  if ! QUILLANOR_WINEPREFIX="$store" scripts/wine-prefix.sh; then
    echo "guest: the Wine prefix could not be made"
    echo 1 >"$guest/status"
    exit 1
  fi
  echo "$version" >"$store/.quillanor-wine"
  echo "guest: prefix made in $(($(date +%s) - started)) s"
fi
prefix=/root/.quillanor-wine-guest
mkdir -p /tmp/prefix/upper /tmp/prefix/work "$prefix"
mount -t overlay overlay -o "lowerdir=$store,upperdir=/tmp/prefix/upper,workdir=/tmp/prefix/work" "$prefix" || {
  echo "guest: cannot lay the prefix overlay"
  echo 1 >"$guest/status"
  exit 1
}
export QUILLANOR_WINEPREFIX="$prefix"
wine_environment
# One wineserver for the whole session, not one per command.
wineserver -p
export QUILLANOR_PREFIX_READY="$prefix"
wine cmd /c exit 0 >/dev/null 2>&1 || echo "guest: 32-bit Wine cannot start a program"
echo "guest: 32-bit Wine ready after $(($(date +%s) - started)) s"

. scripts/xvfb.sh
start_xvfb 90 99
[ -n "$xvfb_pid" ] || echo "guest: Xvfb could not start"

# Through a pipe: on the console's terminal Wine would draw its output with
# cursor controls.
echo "guest: running the command"
ran=$(date +%s)
bash "$guest/command" 2>&1 | cat
status=${PIPESTATUS[0]}
echo "guest: the command ended with status $status after $(($(date +%s) - ran)) s"
wineserver -k >/dev/null 2>&1
echo "$status" >"$guest/status"
sync
exit "$status"
