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

ours_rate=$(awk '/^rows\/s:/ {print $2}' <<<"$ours")
theirs_rate=$(awk '/^rows\/s:/ {print $2}' <<<"$theirs")
echo "== ratio"
awk -v a="$ours_rate" -v b="$theirs_rate" \
  'BEGIN { printf "table layer %d rows/s, python3-dbf %d rows/s: %.1f times as fast\n", a, b, a / b }'
