#!/usr/bin/env bash
# Remakes the pictures of the README and of docs/development.md from the
# current build, each taken by the UI driver in Wine's virtual desktop, so
# with the frame Wine draws:
#   docs/screenshot.png       the demonstration drives, as on Windows 98
#                             (scripts/run.sh without a display)
#   docs/screenshot-qemu.png  QEMU's drives on the pass-through road
#                             (scripts/window-road-test.sh)
set -euo pipefail
cd "$(dirname "$0")/.."
DISPLAY='' scripts/run.sh >build/screenshots.log 2>&1 || { tail -n 20 build/screenshots.log; exit 1; }
cp build/run/quillanor.png docs/screenshot.png
scripts/window-road-test.sh >>build/screenshots.log 2>&1 || { tail -n 20 build/screenshots.log; exit 1; }
cp build/window-road/window32.png docs/screenshot-qemu.png
rm -f build/screenshots.log
echo "screenshots: docs/screenshot.png docs/screenshot-qemu.png"
