#!/usr/bin/env bash
# Line coverage of the product code by the whole test suite, with gcov.
# Usage: tests/coverage.sh   (builds in build-coverage)
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build-coverage -DCMAKE_BUILD_TYPE=Debug \
  -DCMAKE_CXX_FLAGS="--coverage -O0" -DCMAKE_EXE_LINKER_FLAGS="--coverage" > /dev/null
cmake --build build-coverage -j2 > /dev/null
find build-coverage -name '*.gcda' -delete
ctest --test-dir build-coverage -j2 > /dev/null || { echo "tests failed"; exit 1; }
objects="build-coverage/CMakeFiles/recforge_core.dir"
total=0 covered=0
for dir in cs driver source parser layout writer; do
  for gcda in "$objects/$dir"/*.gcda; do
    line=$(cd "$(dirname "$gcda")" && gcov -n "$(basename "$gcda")" 2>/dev/null |
           awk -v src="$dir/" '/^File/ {keep = index($0, src) && !index($0, "/usr/")} keep && /^Lines executed/ {print; exit}')
    [ -n "$line" ] || continue
    percent=$(echo "$line" | sed -E 's/Lines executed:([0-9.]+)% of ([0-9]+)/\1/')
    lines=$(echo "$line" | sed -E 's/Lines executed:([0-9.]+)% of ([0-9]+)/\2/')
    name="$dir/$(basename "$gcda" .cpp.gcda).cpp"
    printf '%-32s %6s%% of %5d lines\n' "$name" "$percent" "$lines"
    total=$((total + lines))
    covered=$(awk -v c="$covered" -v p="$percent" -v l="$lines" 'BEGIN {printf "%d", c + p * l / 100 + 0.5}')
  done
done
awk -v c="$covered" -v t="$total" 'BEGIN {printf "product line coverage: %.1f%% (%d of %d lines)\n", 100 * c / t, c, t}'
