#!/bin/bash
# Runs the append benchmark of the table layer and the same appends with
# python3-dbf in one run, and prints both figures and their ratio.
# Usage: run_append_bench.sh [directory holding bench_append]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
bin_dir=${1:-$here/../build/bin}

echo "== table layer (bench_append)"
ours=$("$bin_dir/bench_append")
echo "$ours"
echo "== python3-dbf"
theirs=$(/usr/bin/python3 "$here/python_append.py")
echo "$theirs"

rate() { awk -v key="$1" 'index($0, key) == 1 { print $NF }' <<<"$2"; }
echo "== ratio"
awk -v a="$(rate 'rows/s:' "$ours")" -v b="$(rate 'rows/s:' "$theirs")" \
  'BEGIN { printf "wall clock: table layer %d rows/s, python3-dbf %d rows/s: %.1f times as fast\n", a, b, a / b }'
awk -v a="$(rate 'rows per cpu second:' "$ours")" -v b="$(rate 'rows per cpu second:' "$theirs")" \
  'BEGIN { printf "cpu time:   table layer %d rows/s, python3-dbf %d rows/s: %.1f times as fast\n", a, b, a / b }'
