#!/usr/bin/env bash
# Creates (once) and starts the project's Wine prefix, so that the first
# test does not pay for it and time out.
#   wine-prefix.sh        a prefix for 32-bit and 64-bit programs
#   wine-prefix.sh --64   a 64-bit prefix made through the 64-bit loader
#                         alone, for machines that execute no 32-bit code
set -euo pipefail
. "$(dirname "$0")/common.sh"
QUILLANOR_WINE_ASPI=no wine_environment
# Wine draws the buttons of a window's frame in Marlett, which a prefix
# started through the 64-bit loader alone does not find among Wine's own
# fonts: a copy in the prefix's Fonts folder, where every loader looks.
marlett() {
  local fonts="$WINEPREFIX/drive_c/windows/Fonts"
  if [ -d "$fonts" ] && [ ! -f "$fonts/marlett.ttf" ] && [ -f /usr/share/wine/fonts/marlett.ttf ]; then
    cp /usr/share/wine/fonts/marlett.ttf "$fonts/"
  fi
  return 0
}
# The guest of scripts/guest-run.sh made its prefix ready and keeps one
# wineserver running, which "wineserver -w" below would wait for forever.
[ "${QUILLANOR_PREFIX_READY:-}" = "$WINEPREFIX" ] && { marlett; exit 0; }
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "wine: creating the prefix $WINEPREFIX (this takes a while)"
fi
if [ "${1:-}" = --64 ]; then
  loader=$(wine64_loader) || { echo "wine: no 64-bit loader" >&2; exit 1; }
  export WINELOADER="$loader"
  "$loader" wineboot -i >/dev/null 2>&1 || { echo "wine: wineboot failed" >&2; exit 1; }
  wineserver -w
  "$loader" cmd /c exit 0 >/dev/null 2>&1 || { echo "wine: cannot run a 64-bit program" >&2; exit 1; }
  marlett
  exit 0
fi
wineboot -i >/dev/null 2>&1 || { echo "wine: wineboot failed" >&2; exit 1; }
wineserver -w
# A program of each width must run, or every Windows test would fail for
# a reason that has nothing to do with the program.
wine cmd /c exit 0 >/dev/null 2>&1 || { echo "wine: cannot run a 32-bit program" >&2; exit 1; }
"$(wine64_loader)" cmd /c exit 0 >/dev/null 2>&1 || { echo "wine: cannot run a 64-bit program" >&2; exit 1; }
marlett
