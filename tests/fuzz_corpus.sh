#!/usr/bin/env bash
# Seeds a fuzz corpus folder from the test copybooks and the examples: four
# option bytes (all zero: default options) and the copybook; the inputs
# again with a CSV and a JSON map, and COPY of the target's two members.
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
for copybook in "$root"/tests/inputs/*.cpy; do
  for map in '\010' '\014'; do
    n=$((n + 1))
    { printf "\\0\\0$map\\0"; cat "$copybook"; } > "$corpus/seed-$n"
  done
done
printf '\040\0\034\0       01 R.\n           COPY NEST.\n           COPY MEM.\n' > "$corpus/seed-copy"
