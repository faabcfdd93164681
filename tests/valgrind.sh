#!/usr/bin/env bash
# The unit tests and the golden cases under valgrind memcheck: any invalid
# read or write, use of uninitialised memory or bad free fails the run.
# Usage: tests/valgrind.sh [build folder, default build]
set -euo pipefail
build="${1:-build}"
memcheck=(valgrind --tool=memcheck --error-exitcode=99 --leak-check=no --quiet)
"${memcheck[@]}" "$build/unit_tests" --gtest_brief=1
# Each recforge run of the golden cases is checked; the shell tools that
# make big inputs are not.
"${memcheck[@]}" --trace-children=yes \
  --trace-children-skip='*/sh,*/bash,*/head,*/tr,*/yes,*/printf,*/cat,*/cmp,*/seq,*/rm,*/sed,*/ln,*/mkdir,*/timeout' \
  "$build/golden_tests" --gtest_brief=1
echo "valgrind memcheck: no errors"
