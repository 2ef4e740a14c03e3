#!/usr/bin/env bash
# Builds the fuzz targets (libFuzzer, AddressSanitizer, UndefinedBehavior-
# Sanitizer, clang) and runs each over its seed corpus, one after the other.
# Exits non-zero when a target finds anything.
#   scripts/fuzz.sh [SECONDS]       a short run: SECONDS per target (default 60)
#   scripts/fuzz.sh --long [RUNS] [TARGET...]
#                                   a long run: RUNS executions per target
#                                   (default 10 million), then the corpus it
#                                   grew merged, minimised, into fuzz/corpus/;
#                                   prints each target's figures
set -euo pipefail
cd "$(dirname "$0")/.."
long=no
if [ "${1:-}" = --long ]; then
  long=yes
  runs="${2:-10000000}"
  shift $(( $# >= 2 ? 2 : 1 ))
else
  seconds="${1:-${QUILLANOR_FUZZ_SECONDS:-60}}"
  shift $(( $# >= 1 ? 1 : 0 ))
fi
jobs="${QUILLANOR_JOBS:-2}"

runtime=$(ls /usr/lib/llvm-*/lib/clang/*/lib/linux/libclang_rt.fuzzer-x86_64.a 2>/dev/null | head -n 1 || true)
if ! command -v clang++ >/dev/null || [ -z "$runtime" ]; then
  . scripts/common.sh
  install_missing clang libclang-rt-14-dev
fi

# One target per decoder of drive answers and per reader of files, and the
# whole report.
targets="${*:-archive pe_version drive_detail features performance inquiry medium probe replay report}"
targets_built=$(for t in $targets; do printf '%s_fuzz ' "$t"; done)
build=build/fuzz
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=clang \
  -DCMAKE_CXX_COMPILER=clang++ -DQUILLANOR_FUZZ=ON -DBUILD_TESTING=OFF >"$build.log" 2>&1 || { cat "$build.log"; exit 1; }
# shellcheck disable=SC2086  # the targets are words
cmake --build "$build" -j "$jobs" --target $targets_built >>"$build.log" 2>&1 || { tail -n 40 "$build.log"; exit 1; }
rm -f "$build.log"

for target in $targets; do
  found="$build/corpus-$target"  # what the run adds; the committed seeds stay as they are
  mkdir -p "$found" "fuzz/corpus/$target"
  # Whole reports from small descriptions, drive answers of up to 8 KB (the
  # length fields alone reach further), files of up to 64 KB.
  case $target in
    report) max_len=2048 ;;
    drive_detail|features|performance|inquiry|medium) max_len=8192 ;;
    *) max_len=65536 ;;
  esac
  if [ "$long" = yes ]; then
    limit=(-runs="$runs")
    echo "=== fuzz $target for $runs executions"
  else
    limit=(-max_total_time="$seconds")
    echo "=== fuzz $target for ${seconds}s"
  fi
  started=$(date +%s)
  "$build/fuzz/${target}_fuzz" "${limit[@]}" -timeout=10 -rss_limit_mb=2048 -max_len=$max_len \
    -print_final_stats=1 -artifact_prefix="$build/$target-" "$found" "fuzz/corpus/$target" 2>"$build/$target.log" ||
    { tail -n 60 "$build/$target.log"; echo "fuzz $target: FAILED (input saved under $build/$target-*)"; exit 1; }
  grep -E '^(stat::number_of_executed_units|Done)' "$build/$target.log" || true
  if [ "$long" = yes ]; then
    # The figures: executions, time, coverage (edges and features) at the end.
    coverage=$(grep -E '^#[0-9]+.*(DONE|REDUCE|NEW|pulse).*cov:' "$build/$target.log" | tail -n 1 |
      sed -n 's/.*cov: \([0-9]*\) ft: \([0-9]*\).*/\1 edges, \2 features/p')
    echo "figures $target: $(grep '^stat::number_of_executed_units' "$build/$target.log" | sed 's/.*: //') executions" \
      "in $(($(date +%s) - started)) s, coverage $coverage, findings 0"
    # What the run grew: only the inputs that reach something the corpus
    # does not are added; the named seeds stay.
    "$build/fuzz/${target}_fuzz" -merge=1 -max_len=$max_len "fuzz/corpus/$target" "$found" \
      >>"$build/$target.log" 2>&1
    echo "corpus $target: $(ls "fuzz/corpus/$target" | wc -l) inputs"
  fi
  echo "fuzz $target: nothing found"
done
