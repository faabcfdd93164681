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
cd build-coverage/CMakeFiles/recforge_core.dir
for gcda in */*.gcda; do (cd "$(dirname "$gcda")" && gcov -n "$(basename "$gcda")" 2> /dev/null); done |
  awk -F"[:' ]+" '/^File/ {file = $2; keep = file ~ /\/(cs|driver|source|parser|layout|writer)\/[^\/]*\.cpp$/}
    keep && /^Lines executed/ {printf "%-48s %7s of %5d lines\n", file, $3, $5; c += $3 * $5 / 100; n += $5; keep = 0}
    END {printf "product line coverage: %.1f%% (%d of %d lines)\n", 100 * c / n, c + 0.5, n}'
