#!/usr/bin/env bash
# Benchmarks (figures, not tests): start-up time of Quillanor.exe with the
# demonstration drives against a bare dialog program, under the same Wine,
# and the size of each build's program.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
. scripts/common.sh
scripts/setup-debian.sh
for preset in win32 win64; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "${QUILLANOR_JOBS:-2}" --target Quillanor startup_bench bare_dialog wnaspi32 >/dev/null
done
scripts/wine-prefix.sh
wine_environment
export WINEDLLOVERRIDES="$QUILLANOR_WINE_OVERRIDES;wnaspi32=n"
export QUILLANOR_ASPI_PROFILE
QUILLANOR_ASPI_PROFILE=$(winpath "$root/tools/profiles/demo.profile")
wine reg add 'HKCU\Software\Wine\AppDefaults\Quillanor.exe' /v Version /d win98 /f >/dev/null 2>&1
cp build/win32/tools/wnaspi32/WNASPI32.dll build/win32/app/

. scripts/xvfb.sh
xvfb_pid=""
if [ -z "${DISPLAY:-}" ]; then
  start_xvfb 71 79
  [ -n "$xvfb_pid" ] || { echo "bench: Xvfb could not start" >&2; exit 1; }
fi
trap 'wine reg delete "HKCU\Software\Wine\AppDefaults\Quillanor.exe" /v Version /f >/dev/null 2>&1; wineserver -k >/dev/null 2>&1; [ -z "$xvfb_pid" ] || kill $xvfb_pid' EXIT

echo "== win32, Windows 98 mode, demonstration drives (five drives on two adapters, one answering after 300 ms)"
(cd build/win32/app && wine ../tools/bench/startup_bench.exe Quillanor.exe ../tools/bench/bare_dialog.exe "${1:-7}")
echo "== win32, Windows 98 mode, three drives answering at once (tools/profiles/window.profile)"
QUILLANOR_ASPI_PROFILE=$(winpath "$root/tools/profiles/window.profile")
(cd build/win32/app && wine ../tools/bench/startup_bench.exe Quillanor.exe ../tools/bench/bare_dialog.exe "${1:-7}")
echo "== sizes"
for preset in win32 win64; do
  printf '  %s Quillanor.exe: %s bytes\n' "$preset" "$(stat -c %s build/$preset/app/Quillanor.exe)"
done
