#!/usr/bin/env bash
# Plants each fault of scripts/mutants.txt, one at a time, in a scratch copy
# of the committed sources, rebuilds, runs the native unit tests, and prints
# each verdict and the score: a figure of how many faults the tests catch,
# not a test (the test command does not run it).
#   scripts/mutants.sh [FIRST [LAST]]   only the faults numbered FIRST to LAST
set -uo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
list=scripts/mutants.txt
scratch=$(mktemp -d /tmp/quillanor-mutants.XXXXXX)
trap 'rm -rf "$scratch"' EXIT
jobs="${QUILLANOR_JOBS:-2}"

git ls-files -z | tar --null -T - -cf - | tar -xf - -C "$scratch"
build="$scratch/build"
# lld links the test programs once a fault in a fraction of the time.
cmake -S "$scratch" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_EXE_LINKER_FLAGS=-fuse-ld=lld \
  >"$scratch/configure.log" 2>&1 ||
  { cat "$scratch/configure.log"; exit 1; }
tests="unit_tests version_tests"
# shellcheck disable=SC2086  # the targets are words
cmake --build "$build" -j "$jobs" --target $tests >"$scratch/build.log" 2>&1 || { tail -n 30 "$scratch/build.log"; exit 1; }
for t in $tests; do
  "$build/tests/$t" >/dev/null 2>&1 || { echo "mutants: $t fails without any fault planted"; exit 1; }
done

first=${1:-1}
last=${2:-100000}
caught=0 missed=0 equivalent=0 unbuilt=0 number=0
while IFS=$'\t' read -r file text replacement why; do
  case $file in ''|'#'*) continue ;; esac
  number=$((number + 1))
  [ "$number" -lt "$first" ] || [ "$number" -gt "$last" ] && continue
  # Plant: the text must stand exactly once in the file.
  if ! python3 - "$scratch/$file" "$text" "$replacement" <<'PY'
import sys
path, text, replacement = sys.argv[1], sys.argv[2].replace("\\n", "\n"), sys.argv[3].replace("\\n", "\n")
source = open(path).read()
if source.count(text) != 1:
    sys.exit(1)
open(path + ".orig", "w").write(source)
open(path, "w").write(source.replace(text, replacement))
PY
  then
    echo "$number ERROR $file: the text is not there exactly once"
    exit 1
  fi
  verdict=missed
  # shellcheck disable=SC2086
  if ! cmake --build "$build" -j "$jobs" --target $tests >"$scratch/build.log" 2>&1; then
    verdict=unbuilt
  else
    # The first failure is the verdict: the rest of the run would only
    # repeat it. Most faults fail a test of the quick suites; the report's,
    # slow for its schema checks, runs only for those that pass the rest.
    for t in $tests; do
      for filter in -ReportTest.* ReportTest.*; do
        [ "$verdict" = caught ] && break
        timeout 300 "$build/tests/$t" --gtest_fail_fast --gtest_filter="$filter" >/dev/null 2>&1 || verdict=caught
      done
    done
  fi
  mv "$scratch/$file.orig" "$scratch/$file"
  touch "$scratch/$file"  # newer than the fault's objects, so that it is rebuilt
  if [ "$verdict" = missed ] && [ -n "${why:-}" ]; then verdict=equivalent; fi
  case $verdict in
    caught) caught=$((caught + 1)) ;;
    missed) missed=$((missed + 1)) ;;
    equivalent) equivalent=$((equivalent + 1)) ;;
    unbuilt) unbuilt=$((unbuilt + 1)) ;;
  esac
  printf '%2d %-10s %s: %s\n' "$number" "$verdict" "$file" "$replacement"
  [ "$verdict" = equivalent ] && printf '              (%s)\n' "$why"
done <"$list"
# The restored sources rebuild as they were.
# shellcheck disable=SC2086
cmake --build "$build" -j "$jobs" --target $tests >/dev/null 2>&1
counted=$((caught + missed))
echo "mutants: $caught of $counted caught, $missed missed, $equivalent that cannot be told apart, $unbuilt that did not build"
[ "$missed" -eq 0 ]
