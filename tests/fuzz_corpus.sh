#!/usr/bin/env bash
# Seeds a fuzz corpus folder from the test copybooks and the examples: four
# option bytes (all zero: default options) and the copybook.
set -eu
root="$(cd "$(dirname "$0")/.." && pwd)"
corpus="$1"
mkdir -p "$corpus"
n=0
for copybook in "$root"/tests/layout/*.cpy "$root"/examples/*.cpy "$root"/tests/inputs/*.cpy; do
  [ -f "$copybook" ] || continue
  n=$((n + 1))
  { printf '\0\0\0\0'; cat "$copybook"; } > "$corpus/seed-$n" 2> /dev/null || rm -f "$corpus/seed-$n"
done
# The compiler-reading copybooks with the --cobol bit set.
for copybook in "$root"/tests/cobol/*.cpy; do
  n=$((n + 1))
  { printf '\040\0\0\0'; cat "$copybook"; } > "$corpus/seed-$n"
done
