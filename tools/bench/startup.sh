#!/usr/bin/env bash
# The start-up benchmark of scripts/bench.sh: Quillanor.exe (win32, Windows
# 98 mode, the emulated ASPI library) against the bare dialog program, with
# the demonstration drives and with three drives that answer at once. Runs
# where 32-bit Windows programs run: on the machine, or in the guest.
#   startup.sh ROUNDS
set -uo pipefail
cd "$(dirname "$0")/../.." || exit 1
root=$(pwd)
. scripts/common.sh
QUILLANOR_WINE_ASPI=yes wine_environment
. scripts/xvfb.sh
xvfb_pid=""
if [ -z "${DISPLAY:-}" ]; then
  start_xvfb 71 79
  [ -n "$xvfb_pid" ] || { echo "bench: Xvfb could not start" >&2; exit 1; }
fi
cp build/win32/tools/wnaspi32/WNASPI32.dll build/win32/app/
# Both in Windows 98 mode: Wine then starts a program with its 16-bit
# subsystem, a cost that is Wine's, not the program's.
wine_version build/win32 Quillanor.exe win98
wine_version build/win32 bare_dialog.exe win98
for profile in demo window; do
  case $profile in
    demo) echo "== win32, Windows 98 mode, demonstration drives (five drives on two adapters, one answering after 300 ms)" ;;
    window) echo "== win32, Windows 98 mode, three drives answering at once (tools/profiles/window.profile)" ;;
  esac
  QUILLANOR_ASPI_PROFILE=$(winpath "$root/tools/profiles/$profile.profile") \
    bash -c 'cd build/win32/app && wine ../tools/bench/startup_bench.exe Quillanor.exe ../tools/bench/bare_dialog.exe "$1"' _ "$1" |
    grep -v '^size of'
done
wine_version build/win32 Quillanor.exe
wine_version build/win32 bare_dialog.exe
[ -z "$xvfb_pid" ] || kill "$xvfb_pid"
