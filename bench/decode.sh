#!/usr/bin/env bash
# The decode ladder: recforge --decode timed (whole runs, best of three:
# reading the data, writing the output file) beside the plain C decoder of
# ../shared/bench (cdecode.c, its best in-memory pass of three) on its own
# layout and data, in the same run; then 10^5 records of each generated
# copybook shape. Prints MB/s of data read, records/s, peak memory and the
# ratio to the C decoder.
#
#   bench/decode.sh                 RECORDS=500000 SHAPE_RECORDS=100000 SHAPE_ENTRIES=60
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
shared="${SHARED:-$root/../shared/bench}"
[ -d "$shared" ] || shared=/work/shared/bench
build="$root/build-bench"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DRECFORGE_TESTS=OFF > /dev/null
cmake --build "$build" -j2 > /dev/null
records="${RECORDS:-500000}"
shape_records="${SHAPE_RECORDS:-100000}"
shape_entries="${SHAPE_ENTRIES:-60}"
work="$(mktemp -d /tmp/recforge-decode-XXXXXX)"
trap 'rm -rf "$work"' EXIT
measure="$build/measure"

cc -O2 -I"$shared" -o "$work/cdecode" "$shared/cdecode.c"
python3 "$shared/gen_data.py" "$records" "$work/dec.bin" > /dev/null
cp "$shared/dec.cpy" "$work/dec.cpy"

# Best of three: least wall time, largest peak memory.
best_of_three() {
  local best=999999 peak=0 wall cpu kb status
  for _ in 1 2 3; do
    read -r wall cpu kb status < <(MEASURE_LOG="$work/run.log" "$measure" "$@")
    if [ "$status" != 0 ]; then
      echo "failed: $* (status $status)" >&2
      cat "$work/run.log" >&2
      return 1
    fi
    best=$(awk -v a="$wall" -v b="$best" 'BEGIN {print (a < b) ? a : b}')
    [ "$kb" -gt "$peak" ] && peak=$kb
  done
  echo "$best $peak"
}

row() {  # name bytes records wall kb [c MB/s]
  awk -v n="$1" -v b="$2" -v r="$3" -v w="$4" -v k="$5" -v c="${6:-0}" 'BEGIN {
    mb = b / w / 1e6
    printf "%-22s %9d %10.0f %8.3f %9.1f %12.0f %8.1f", n, r, b / 1e6, w, mb, r / w, k / 1024
    if (c > 0) printf " %8.2f", mb / c
    printf "\n"}'
}

printf '%-22s %9s %10s %8s %9s %12s %8s %8s\n' run records "MB in" "wall s" "MB/s" "records/s" "peak MB" "x cdecode"
c_best=$("$work/cdecode" "$work/dec.bin" 3 | awk '/^c pass/ {for (i = 1; i <= NF; i++) if ($(i + 1) == "MB/s" && $(i + 2) == "in,") v = $i; if (v > best) best = v} END {print best}')
printf '%-22s %9d %10.0f %8s %9.1f %12s %8s %8s\n' "cdecode in memory" "$records" "$(stat -c %s "$work/dec.bin" | awk '{print $1 / 1e6}')" - "$c_best" - - 1.00
bytes=$(stat -c %s "$work/dec.bin")
for form in csv jsonl; do
  read -r wall kb < <(best_of_three "$build/recforge" -i "$work/dec.cpy" --decode "$work/dec.bin" --to "$work/out.$form")
  row "dec.cpy to $form" "$bytes" "$records" "$wall" "$kb" "$c_best"
done
for shape in flat shared nested redefines conditions; do
  "$build/generate_copybook" "$shape" "$shape_entries" > "$work/$shape.cpy"
  "$build/generate_data" "$work/$shape.cpy" "$shape_records" "$work/$shape.bin" > /dev/null
  bytes=$(stat -c %s "$work/$shape.bin")
  for form in csv jsonl; do
    read -r wall kb < <(best_of_three "$build/recforge" -i "$work/$shape.cpy" --decode "$work/$shape.bin" --to "$work/out.$form")
    row "$shape to $form" "$bytes" "$shape_records" "$wall" "$kb"
  done
done
