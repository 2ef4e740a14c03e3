#!/usr/bin/env bash
# Benchmarks (figures, not tests), all in one run:
#  - the size of Quillanor.exe and of quillanor-report in every build;
#  - the peak memory and time of a replay of the largest saved report that
#    --replay reads (tools/bench/replay_memory.cpp);
#  - start-up of Quillanor.exe until its dialog is ready, against a bare
#    dialog program under the same Wine (tools/bench/startup.sh): with the
#    demonstration drives and with three drives that answer at once,
#    ROUNDS runs of each taken in turn (default 11), the medians and the
#    median of the turns' ratios. It runs where 32-bit Windows
#    programs run: on this machine, or in the QEMU guest of guest-run.sh;
#  - quillanor-report (all drives, and --detail per drive) against wodim
#    -prcap, against sg_get_config with sdparm, and about the disc against
#    dvd+rw-mediainfo and cd-info, on QEMU's drives, SG_IO calls (and CD-ROM ioctls) and
#    wall time counted by an LD_PRELOAD shim (tools/qemu/sgio_count.c), in a
#    bare guest (tools/qemu/sgio-bench.sh; QUILLANOR_BENCH_ROUNDS, default 5).
#   scripts/bench.sh [ROUNDS]
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/common.sh
rounds="${1:-11}"
jobs="${QUILLANOR_JOBS:-2}"
scripts/setup-debian.sh
QUILLANOR_APT_OPTIONS=--no-install-recommends install_missing wodim sg3-utils sdparm libcdio-utils dvd+rw-tools gcc libc6-dev >/dev/null
for preset in native win32 win64; do
  cmake --preset "$preset" >/dev/null
done
cmake --build build/native -j "$jobs" --target quillanor-report replay_memory >/dev/null
for preset in win32 win64; do
  cmake --build "build/$preset" -j "$jobs" --target Quillanor quillanor-report startup_bench bare_dialog wnaspi32 uidriver >/dev/null
done

echo "== sizes"
for preset in win32 win64; do
  printf '  %s Quillanor.exe: %s bytes\n' "$preset" "$(stat -c %s "build/$preset/app/Quillanor.exe")"
  printf '  %s quillanor-report.exe: %s bytes\n' "$preset" "$(stat -c %s "build/$preset/app/report/quillanor-report.exe")"
done
stripped=$(mktemp)
strip -o "$stripped" build/native/app/report/quillanor-report
printf '  native quillanor-report: %s bytes (%s stripped)\n' "$(stat -c %s build/native/app/report/quillanor-report)" \
  "$(stat -c %s "$stripped")"
rm -f "$stripped"
echo "== memory"
build/native/tools/replay_memory build/native/app/report/quillanor-report
# The guests' own lines are left out; grep finding none is no failure.
quiet() { grep -v '^guest' || true; }

if choose_prefix; then
  scripts/wine-prefix.sh
  tools/bench/startup.sh "$rounds"
else
  echo "== (this machine executes no 32-bit code: the start-up runs in the QEMU guest)"
  scripts/guest-run.sh tools/bench/startup.sh "$rounds" | quiet
fi

echo "== quillanor-report against wodim -prcap, in a bare QEMU guest with seven drives"
out=build/bench
rm -rf "$out" && mkdir -p "$out"
echo "${QUILLANOR_BENCH_ROUNDS:-5}" >"$out/rounds"
gcc -shared -fPIC -O2 -Wall -Wextra -Werror -o "$out/sgio_count.so" tools/qemu/sgio_count.c -ldl
QUILLANOR_GUEST_TIMEOUT=600 scripts/guest-run.sh --bare "$out" --drives \
  --with-libs /usr/bin/quillanor-report=build/native/app/report/quillanor-report \
  --with-libs /usr/bin/wodim=/usr/bin/wodim --with-libs /usr/bin/sg_get_config=/usr/bin/sg_get_config \
  --with-libs /usr/bin/sdparm=/usr/bin/sdparm --with-libs /usr/bin/cd-info=/usr/bin/cd-info \
  --with-libs /usr/bin/dvd+rw-mediainfo=/usr/bin/dvd+rw-mediainfo --file "/lib/sgio_count.so=$out/sgio_count.so" \
  tools/qemu/sgio-bench.sh | quiet
python3 tools/qemu/bench_table.py "$out"
