#!/usr/bin/env bash
# Builds Quillanor.exe and runs it under Wine.
#  - With an optical drive, quillanor-report (the Linux build) first prints
#    each drive and its rows; then the window reaches the drives as on Windows.
#  - Without one, it runs as on Windows 98 with the emulated ASPI library
#    and its demonstration drives, and says so.
#  - Without a display, it runs on a virtual one and prints what the window
#    shows (each drive and its rows), with the path of a screenshot.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

scripts/setup-debian.sh
cmake --preset win32 >/dev/null
cmake --build --preset win32 -j "${QUILLANOR_JOBS:-2}" --target Quillanor uidriver wnaspi32 >/dev/null
scripts/wine-prefix.sh

export WINEPREFIX="${QUILLANOR_WINEPREFIX:-$HOME/.quillanor-wine}"
export WINEDEBUG=-all
app_dir="$root/build/win32/app"
cp build/win32/tools/wnaspi32/WNASPI32.dll "$app_dir/"

winpath() { echo "Z:$1" | tr '/' '\\'; }

if ls /dev/sr[0-9]* >/dev/null 2>&1; then
  echo "run: this machine's optical drives, as quillanor-report sees them through SG_IO:"
  cmake --preset native >/dev/null
  cmake --build --preset native -j "${QUILLANOR_JOBS:-2}" --target quillanor-report >/dev/null
  build/native/app/report/quillanor-report || echo "run: quillanor-report ended with status $?"
  echo "run: and in the window, under Wine"
  wine reg delete 'HKCU\Software\Wine\AppDefaults\Quillanor.exe' /v Version /f >/dev/null 2>&1 || true
  export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
else
  echo "run: this machine has no optical drive; showing the demonstration drives"
  echo "     of the emulated ASPI library (tools/profiles/demo.profile), as on Windows 98"
  wine reg add 'HKCU\Software\Wine\AppDefaults\Quillanor.exe' /v Version /d win98 /f >/dev/null 2>&1
  export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d;wnaspi32=n"
  export QUILLANOR_ASPI_PROFILE
  QUILLANOR_ASPI_PROFILE=$(winpath "$root/tools/profiles/demo.profile")
fi

if [ -n "${DISPLAY:-}" ]; then
  cd "$app_dir" && exec wine ./Quillanor.exe
fi

# No display: a virtual one, and the window read out as text.
. scripts/xvfb.sh
start_xvfb 81 89
[ -n "$xvfb_pid" ] || { echo "run: Xvfb could not start" >&2; exit 1; }
trap 'wineserver -k >/dev/null 2>&1; wineserver -w >/dev/null 2>&1; kill $xvfb_pid 2>/dev/null || true' EXIT
echo "run: no display; running headless and reading the window"
mkdir -p "$root/build/run"
bmp="$root/build/run/quillanor.bmp"
(cd "$app_dir" && wine "$root/build/win32/tools/uidriver/uidriver.exe" Quillanor.exe --screenshot "$(winpath "$bmp")") |
  sed "s|screenshot: .*|screenshot: $root/build/run/quillanor.png|"
convert "$bmp" "$root/build/run/quillanor.png" 2>/dev/null && rm -f "$bmp"
