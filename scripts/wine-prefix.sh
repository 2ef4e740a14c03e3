#!/usr/bin/env bash
# Creates (once) and starts the project's Wine prefix, so that the first
# test does not pay for it and time out.
set -euo pipefail
export WINEPREFIX="${QUILLANOR_WINEPREFIX:-$HOME/.quillanor-wine}"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "wine: creating the prefix $WINEPREFIX (this takes a while)"
fi
wineboot -i >/dev/null 2>&1 || { echo "wine: wineboot failed" >&2; exit 1; }
wineserver -w
# A program of each width must run, or every Windows test would fail for
# a reason that has nothing to do with the program.
wine cmd /c exit 0 >/dev/null 2>&1 || { echo "wine: cannot run a 32-bit program" >&2; exit 1; }
