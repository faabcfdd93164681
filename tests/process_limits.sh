#!/usr/bin/env bash
# Runs under a signal or a process limit. Outputs are written whole or not
# at all: a run killed while it writes (SIGTERM, the file size limit) leaves
# the old file and no temporary file; of two runs writing one file at once,
# one leaves its whole file. COPY members are closed once read: a copybook
# may COPY more members than a process may have files open.
#   process_limits.sh RECFORGE GENERATE_COPYBOOK
set -u
recforge=$1 generate=$2
work=$(mktemp -d) && trap 'rm -rf "$work"' EXIT && cd "$work" || exit 1
fail() { echo "FAIL: $*"; exit 1; }
run() { "$recforge" -O o -b 2 -s S -i "$1" -o "${2:-out.fmt}" > /dev/null; }
intact() {  # the old file, and no other file beside the inputs
  [ "$(cat out.fmt)" = old ] || fail "$1: out.fmt changed"
  [ -z "$(ls -A | grep -v -e '\.cpy$' -e '^out\.fmt$')" ] || fail "$1: left $(ls -A)"
}
"$generate" flat 1200000 > big.cpy   # 40 MB of format file
"$generate" flat 100000 > flat.cpy
"$generate" shared 100000 > shared.cpy

for try in 1 2 3 4 5; do
  echo old > out.fmt
  "$recforge" -O o -b 2 -i big.cpy -o out.fmt > /dev/null & pid=$!
  until [ -s .out.fmt.?????? ] || ! kill -0 $pid 2> /dev/null; do sleep 0.005; done
  kill -TERM $pid 2> /dev/null
  wait $pid
  status=$?
  [ $status = 143 ] && break   # else it was done before the signal came
done
[ $status = 143 ] || fail "SIGTERM never came while writing"
intact SIGTERM

{ (ulimit -f 1000 && exec "$recforge" -O o -b 2 -i big.cpy -o out.fmt > /dev/null); status=$?; } 2> /dev/null
[ $status = 153 ] || fail "no SIGXFSZ"
intact "file size limit"

run flat.cpy flat.fmt && run shared.cpy shared.fmt || fail runs
for i in $(seq 12); do
  run flat.cpy & run shared.cpy & wait
  cmp -s out.fmt flat.fmt || cmp -s out.fmt shared.fmt || fail "mixed file after $i runs"
done

mkdir many && cd many || fail mkdir
{ echo '       01 R.'; for i in $(seq 1100); do echo "           COPY M$i."; echo "           05 F$i PIC X." > M$i.cpy; done; } > many.cpy
(ulimit -n 1024 && exec "$recforge" --cobol -O o -i many.cpy > /dev/null) || fail "1100 COPY members under 1024 open files"
