#!/usr/bin/env bash
# The unit tests, and the golden cases that convert whole copybooks (the
# examples, the map and the layout cases), under valgrind memcheck: any
# invalid read or write, use of uninitialised memory or bad free fails the
# run (a golden run then exits 99 or writes to stderr).
# Usage: tests/valgrind.sh [build folder, default build] [golden case regex]
set -euo pipefail
build="${1:-build}"
cases="${2:-GoldenCase.Matches/(examples|map|layout)_}"
memcheck="valgrind --tool=memcheck --error-exitcode=99 --leak-check=no --quiet"
$memcheck "$build/unit_tests" --gtest_brief=1
RECFORGE_RUNNER="$memcheck" ctest --test-dir "$build" --output-on-failure -j2 -R "$cases"
echo "valgrind memcheck: no errors"
