#!/usr/bin/env bash
# Builds Quillanor.exe and runs it under Wine.
#  - With an optical drive, quillanor-report (the Linux build) first prints
#    each drive and its rows; then the window reaches the drives as on
#    Windows 2000 and later, through pass-through: the drives are listed to
#    Wine as CD-ROM interfaces (tools/winecd/fixture.py).
#  - Without one, it runs as on Windows 98 with the emulated ASPI library
#    and its demonstration drives, and says so.
#  - Without a display, it runs on a virtual one and prints what the window
#    shows (each drive and its rows), with the path of a screenshot.
# On a machine that executes no 32-bit code the window is the 64-bit
# program; the demonstration drives, which need ASPI and so a 32-bit
# program, are then shown in a QEMU guest (scripts/guest-run.sh), headless.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
. scripts/common.sh
jobs="${QUILLANOR_JOBS:-2}"

scripts/setup-debian.sh
if choose_prefix; then
  preset=win32
  scripts/wine-prefix.sh
else
  preset=win64
  export QUILLANOR_WINE_LOADER=64
  scripts/wine-prefix.sh --64
fi
wine_environment
wine=("$root/scripts/wine-run")

drives=no
ls /dev/sr[0-9]* >/dev/null 2>&1 && drives=yes
if [ "$preset" = win64 ] && [ "$drives" = no ]; then
  echo "run: this machine executes no 32-bit code and has no optical drive; the demonstration"
  echo "     drives need the 32-bit program, so it runs in a QEMU guest, headless"
  cmake --preset win32 >/dev/null
  cmake --build --preset win32 -j "$jobs" --target Quillanor uidriver wnaspi32 >/dev/null
  mkdir -p build/run
  scripts/guest-run.sh bash -c '
    . scripts/common.sh; QUILLANOR_WINE_ASPI=yes wine_environment
    cp build/win32/tools/wnaspi32/WNASPI32.dll build/win32/app/
    wine_version build/win32 Quillanor.exe win98
    export QUILLANOR_ASPI_PROFILE=$(winpath "$PWD/tools/profiles/demo.profile")
    bmp=$PWD/build/run/quillanor.bmp
    cd build/win32/app && wine ../tools/uidriver/uidriver.exe Quillanor.exe --screenshot "$(winpath "$bmp")"' |
    grep -v '^screenshot: '
  convert build/run/quillanor.bmp build/run/quillanor.png 2>/dev/null && rm -f build/run/quillanor.bmp &&
    echo "screenshot: $root/build/run/quillanor.png"
  exit 0
fi

cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" -j "$jobs" --target Quillanor uidriver wnaspi32 >/dev/null
app_dir="$root/build/$preset/app"
cp "build/$preset/tools/wnaspi32/WNASPI32.dll" "$app_dir/"

if [ "$drives" = yes ]; then
  echo "run: this machine's optical drives, as quillanor-report sees them through SG_IO:"
  cmake --preset native >/dev/null
  cmake --build --preset native -j "$jobs" --target quillanor-report >/dev/null
  build/native/app/report/quillanor-report || echo "run: quillanor-report ended with status $?"
  echo "run: and in the window, under Wine, through pass-through"
  wine_version "build/$preset" Quillanor.exe
  python3 tools/winecd/fixture.py --wine "${wine[0]}" --all
else
  echo "run: this machine has no optical drive; showing the demonstration drives"
  echo "     of the emulated ASPI library (tools/profiles/demo.profile), as on Windows 98"
  wine_version "build/$preset" Quillanor.exe win98
  QUILLANOR_WINE_ASPI=yes wine_environment
  export QUILLANOR_ASPI_PROFILE
  QUILLANOR_ASPI_PROFILE=$(winpath "$root/tools/profiles/demo.profile")
fi

if [ -n "${DISPLAY:-}" ]; then
  cd "$app_dir" && exec "${wine[@]}" ./Quillanor.exe
fi

# No display: a virtual one, and the window read out as text.
. scripts/xvfb.sh
start_xvfb 81 89
[ -n "$xvfb_pid" ] || { echo "run: Xvfb could not start" >&2; exit 1; }
trap 'wineserver -k >/dev/null 2>&1; wineserver -w >/dev/null 2>&1; kill $xvfb_pid 2>/dev/null || true' EXIT
echo "run: no display; running headless and reading the window"
mkdir -p "$root/build/run"
bmp="$root/build/run/quillanor.bmp"
(cd "$app_dir" && "${wine[@]}" "$root/build/$preset/tools/uidriver/uidriver.exe" Quillanor.exe --screenshot "$(winpath "$bmp")") |
  sed "s|screenshot: .*|screenshot: $root/build/run/quillanor.png|"
convert "$bmp" "$root/build/run/quillanor.png" 2>/dev/null && rm -f "$bmp"
