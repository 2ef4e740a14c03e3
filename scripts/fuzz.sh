#!/usr/bin/env bash
# Builds the fuzz targets (libFuzzer, AddressSanitizer, UndefinedBehavior-
# Sanitizer, clang) and runs each over its seed corpus for a bounded time,
# one after the other. Exits non-zero when a target finds anything.
#   scripts/fuzz.sh [seconds per target, default 60]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-${QUILLANOR_FUZZ_SECONDS:-60}}"
jobs="${QUILLANOR_JOBS:-2}"

runtime=$(ls /usr/lib/llvm-*/lib/clang/*/lib/linux/libclang_rt.fuzzer-x86_64.a 2>/dev/null | head -n 1 || true)
if ! command -v clang++ >/dev/null || [ -z "$runtime" ]; then
  apt-get install -y clang libclang-rt-14-dev >/dev/null || { apt-get update >/dev/null && apt-get install -y clang libclang-rt-14-dev >/dev/null; }
fi

# One target per decoder of drive answers and per reader of files.
targets="archive pe_version drive_detail features performance inquiry replay report"
targets_built=$(for t in $targets; do printf '%s_fuzz ' "$t"; done)
build=build/fuzz
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=clang \
  -DCMAKE_CXX_COMPILER=clang++ -DQUILLANOR_FUZZ=ON -DBUILD_TESTING=OFF >"$build.log" 2>&1 || { cat "$build.log"; exit 1; }
cmake --build "$build" -j "$jobs" --target $targets_built >>"$build.log" 2>&1 || { tail -n 40 "$build.log"; exit 1; }
rm -f "$build.log"

for target in $targets; do
  found="$build/corpus-$target"  # what the run adds; the committed seeds stay as they are
  mkdir -p "$found"
  echo "=== fuzz $target for ${seconds}s"
  # Whole reports from small descriptions; decoders and readers from answers of any size.
  max_len=65536
  [ "$target" = report ] && max_len=2048
  "$build/fuzz/${target}_fuzz" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=$max_len \
    -print_final_stats=1 -artifact_prefix="$build/$target-" "$found" "fuzz/corpus/$target" 2>"$build/$target.log" ||
    { tail -n 60 "$build/$target.log"; echo "fuzz $target: FAILED (input saved under $build/$target-*)"; exit 1; }
  grep -E '^(stat::number_of_executed_units|Done)' "$build/$target.log" || true
  echo "fuzz $target: nothing found"
done
