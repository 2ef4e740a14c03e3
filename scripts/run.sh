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
# QUILLANOR_DEMO=yes shows the demonstration drives on a machine with drives
# too (the test command runs it so).
# On a machine that executes no 32-bit code the window is the 64-bit
# program; the demonstration drives, which need ASPI and so a 32-bit
# program, are then shown in a QEMU guest (scripts/guest-run.sh), headless.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
. scripts/common.sh
jobs="${QUILLANOR_JOBS:-2}"

# One line a step, so that the long ones (the first build, the first Wine
# prefix) are not taken for a hang.
step() { echo "run: $*"; }
quiet() { "$@" >/dev/null 2>build/run/step.log || { cat build/run/step.log >&2; exit 1; }; }
mkdir -p build/run

drives=no
ls /dev/sr[0-9]* >/dev/null 2>&1 && [ "${QUILLANOR_DEMO:-}" != yes ] && drives=yes
step "checking what running needs on this machine"
# Only what running needs here: the cross compiler of the window that runs,
# Wine, a virtual display; the Linux report where there are drives; the
# 32-bit compiler and QEMU where the demonstration drives need the guest.
needs=(cmake ninja-build python3 wine wine64 xvfb imagemagick)
if choose_prefix; then
  preset=win32
  needs+=(g++-mingw-w64-i686-win32 wine32:i386)
else
  preset=win64
  needs+=(g++-mingw-w64-x86-64-win32)
  [ "$drives" = no ] && needs+=(g++-mingw-w64-i686-win32 wine32:i386 qemu-system-x86)
fi
[ "$drives" = yes ] && needs+=(g++)
QUILLANOR_APT_OPTIONS=--no-install-recommends install_missing "${needs[@]}"
# The program, the emulated ASPI library and the UI driver, without the tests.
build_window() {
  step "building Quillanor.exe ($1, build/$1)"
  quiet cmake --preset "$1" -DQUILLANOR_TOOLS=ON
  quiet cmake --build --preset "$1" -j "$jobs" --target Quillanor uidriver wnaspi32
}
# The window's text as a Unix terminal shows it: no CR, no trailing blanks.
plain() { tr -d '\r' | sed 's/[[:blank:]]*$//'; }
if [ "$preset" = win64 ] && [ "$drives" = no ]; then
  if [ "${QUILLANOR_IA32:-}" = no ]; then
    echo "run: QUILLANOR_IA32=no takes the way of a machine that executes no 32-bit code: the"
  else
    echo "run: this machine executes no 32-bit code and has no optical drive; the"
  fi
  echo "     demonstration drives need the 32-bit program, so it runs in a QEMU guest, headless"
  build_window win32
  step "starting the QEMU guest (a minute or more)"
  scripts/guest-run.sh bash -c '
    . scripts/common.sh; scripts/wine-prefix.sh; QUILLANOR_WINE_ASPI=yes wine_environment
    cp build/win32/tools/wnaspi32/WNASPI32.dll build/win32/app/
    wine_version build/win32 Quillanor.exe win98
    export QUILLANOR_ASPI_PROFILE=$(winpath "$PWD/tools/profiles/demo.profile")
    bmp=$PWD/build/run/quillanor.bmp
    cd build/win32/app && wine "${wine_desktop[@]}" ../tools/uidriver/uidriver.exe Quillanor.exe --screenshot "$(winpath "$bmp")"' |
    plain | grep -v '^screenshot: '
  convert build/run/quillanor.bmp build/run/quillanor.png 2>/dev/null && rm -f build/run/quillanor.bmp &&
    echo "screenshot: $root/build/run/quillanor.png"
  exit 0
fi

step "making the Wine prefix ready ($QUILLANOR_WINEPREFIX)"
if [ "$preset" = win32 ]; then
  scripts/wine-prefix.sh
else
  export QUILLANOR_WINE_LOADER=64
  scripts/wine-prefix.sh --64
fi
wine_environment
wine=("$root/scripts/wine-run")
build_window "$preset"
app_dir="$root/build/$preset/app"
cp "build/$preset/tools/wnaspi32/WNASPI32.dll" "$app_dir/"

if [ "$drives" = yes ]; then
  echo "run: this machine's optical drives, as quillanor-report sees them through SG_IO:"
  # The report alone, in a build of its own (the tests' build keeps its tests).
  quiet cmake -S . -B build/run/report -G Ninja -DBUILD_TESTING=OFF
  quiet cmake --build build/run/report -j "$jobs" --target quillanor-report
  build/run/report/app/report/quillanor-report || echo "run: quillanor-report ended with status $?"
  echo "run: and in the window, under Wine, through pass-through"
  wine_version "build/$preset" Quillanor.exe
  python3 tools/winecd/fixture.py --wine "${wine[0]}" --all
else
  echo "run: this machine has no optical drive; showing the demonstration drives"
  echo "     of the emulated ASPI library (tools/profiles/demo.profile), as on Windows 98"
  wine_version "build/$preset" Quillanor.exe win98
  # Exported: scripts/wine-run builds the Wine environment anew from it.
  export QUILLANOR_WINE_ASPI=yes
  wine_environment
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
bmp="$root/build/run/quillanor.bmp"
(cd "$app_dir" && "${wine[@]}" "${wine_desktop[@]}" "$root/build/$preset/tools/uidriver/uidriver.exe" Quillanor.exe --screenshot "$(winpath "$bmp")") |
  plain | sed "s|screenshot: .*|screenshot: $root/build/run/quillanor.png|"
convert "$bmp" "$root/build/run/quillanor.png" 2>/dev/null && rm -f "$bmp"
