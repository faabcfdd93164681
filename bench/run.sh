#!/usr/bin/env bash
# Times recforge on generated copybooks of every shape on a ladder of sizes,
# best of three, beside `wc -l` (the floor: reading the file) and
# `cobc -fsyntax-only` on a program that copies the same copybook (the peer,
# up to COBC_MAX entries). Prints the table with the ratios of this run and,
# per shape, the log-log slope of recforge's CPU time against entries.
# Instructions per entry (i/entry) are counted with `perf stat` where the
# machine gives that counter, else with callgrind at 10^5 entries only
# (IPE_AT); they judge a change where CPU time is too noisy to.
# BASELINE names another recforge binary to time in the same run, beside.
#
#   bench/run.sh [SIZES...]        default: 10000 31623 100000 316228 1000000
#   COBC_MAX=100000 SHAPES="flat nested" bench/run.sh
#   BASELINE=/tmp/recforge-old bench/run.sh 100000 1000000
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$root/build-bench"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DRECFORGE_TESTS=OFF > /dev/null
cmake --build "$build" -j2 > /dev/null
sizes=("$@")
[ ${#sizes[@]} -gt 0 ] || sizes=(10000 31623 100000 316228 1000000)
shapes=(${SHAPES:-flat shared nested redefines conditions})
cobc_max="${COBC_MAX:-100000}"
ipe_at="${IPE_AT:-100000}"
baseline="${BASELINE:-}"
work="$(mktemp -d /tmp/recforge-bench-XXXXXX)"
trap 'rm -rf "$work"' EXIT
measure="$build/measure"

# Best of three runs: least wall and CPU time, largest peak memory.
best_of_three() {
  local best_wall=999999 best_cpu=999999 peak=0 wall cpu kb status
  for _ in 1 2 3; do
    read -r wall cpu kb status < <("$measure" "$@")
    [ "$status" = 0 ] || { echo "failed: $* (status $status)" >&2; return 1; }
    best_wall=$(awk -v a="$wall" -v b="$best_wall" 'BEGIN {print (a < b) ? a : b}')
    best_cpu=$(awk -v a="$cpu" -v b="$best_cpu" 'BEGIN {print (a < b) ? a : b}')
    [ "$kb" -gt "$peak" ] && peak=$kb
  done
  echo "$best_wall $best_cpu $peak"
}

# Instructions of one run, or "-" when neither counter is at hand.
perf_works=0
perf stat -x, -e instructions:u true 2>&1 | grep -q '^[0-9]' && perf_works=1
instructions() {
  local n=$1
  shift
  if [ "$perf_works" = 1 ]; then
    perf stat -x, -e instructions:u "$@" 2>&1 >/dev/null | awk -F, '/instructions/ {print $1}'
  elif [ "$n" = "$ipe_at" ] && command -v valgrind > /dev/null; then
    valgrind --tool=callgrind --callgrind-out-file=/dev/null "$@" 2>&1 >/dev/null |
      awk '/Collected/ {print $4}'
  else
    echo -
  fi
}
per_entry() { awk -v i="$1" -v n="$2" 'BEGIN {if (i == "-") print "-"; else printf "%.0f", i / n}'; }

printf '%-10s %8s %9s %9s %8s %9s %9s %9s %9s %9s %10s' shape entries "wall s" "cpu s" "peak MB" \
  "B/entry" "i/entry" "wc -l s" "x floor" "cobc s" "cobc/rf"
[ -n "$baseline" ] && printf ' %9s %9s %9s' "base cpu" "base B/e" "base i/e"
printf '\n'
for shape in "${shapes[@]}"; do
  fit=""
  for n in "${sizes[@]}"; do
    copybook="$work/$shape-$n.cpy"
    "$build/generate_copybook" "$shape" "$n" > "$copybook"
    run=(-O o -i "$copybook" -o "$work/out.fmt")
    read -r wall cpu kb < <(best_of_three "$build/recforge" "${run[@]}")
    ipe=$(per_entry "$(instructions "$n" "$build/recforge" "${run[@]}")" "$n")
    read -r wc_wall _ _ < <(best_of_three wc -l "$copybook")
    cobc_wall="-" ratio="-"
    if [ "$n" -le "$cobc_max" ] && command -v cobc > /dev/null; then
      printf '       IDENTIFICATION DIVISION.\n       PROGRAM-ID. BENCH.\n       DATA DIVISION.\n       WORKING-STORAGE SECTION.\n       COPY "%s".\n       PROCEDURE DIVISION.\n           STOP RUN.\n' \
        "$copybook" > "$work/bench.cbl"
      read -r cobc_wall _ _ status < <("$measure" timeout 300 cobc -fsyntax-only -std=ibm "$work/bench.cbl")
      if [ "$status" = 0 ]; then
        ratio=$(awk -v c="$cobc_wall" -v r="$wall" 'BEGIN {printf "%.0f", c / r}')
      else
        cobc_wall="fail"
      fi
    fi
    printf '%-10s %8d %9.3f %9.3f %8.1f %9.0f %9s %9.3f %9.1f %9s %10s' "$shape" "$n" "$wall" "$cpu" \
      "$(awk -v k="$kb" 'BEGIN {print k / 1024}')" "$(awk -v k="$kb" -v n="$n" 'BEGIN {print k * 1024 / n}')" \
      "$ipe" "$wc_wall" "$(awk -v r="$wall" -v w="$wc_wall" 'BEGIN {print (w > 0) ? r / w : 0}')" \
      "$cobc_wall" "$ratio"
    if [ -n "$baseline" ]; then
      read -r _ base_cpu base_kb < <(best_of_three "$baseline" "${run[@]}")
      printf ' %9.3f %9.0f %9s' "$base_cpu" "$(awk -v k="$base_kb" -v n="$n" 'BEGIN {print k * 1024 / n}')" \
        "$(per_entry "$(instructions "$n" "$baseline" "${run[@]}")" "$n")"
    fi
    printf '\n'
    fit+="$n $cpu"$'\n'
  done
  # Least-squares slope of log(cpu) against log(entries).
  printf '%s' "$fit" | awk -v shape="$shape" '
    $2 > 0 {x = log($1); y = log($2); n++; sx += x; sy += y; sxx += x * x; sxy += x * y}
    END {if (n > 1) printf "%-10s slope of CPU time against entries: %.3f\n", shape, (n * sxy - sx * sy) / (n * sxx - sx * sx)}'
done
