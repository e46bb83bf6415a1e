#!/bin/bash
# Times the ready-mix daily sales import (kind 8) of 32 766 records and the
# totals line, each record looking its customer up by name, against a customer
# table of 100 000 and of 1 000 customers (best of several runs, each into a
# fresh sample database); writes the figures to docs/bench-lookup.md.
# Usage: daily_sales_bench.sh [directory holding dbfimport-cli and bench_daily_sales_data]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/.." && pwd)
bin_dir=${1:-$root/build/bin}
runs=${BENCH_RUNS:-5}
records=32766

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
declare -A best
for customers in 100000 1000; do
  for run in $(seq "$runs"); do
    rm -rf "$work/db" "$work/journal" && mkdir "$work/journal"
    "$bin_dir/dbfimport-cli" --make-sample-db "$work/db" >/dev/null
    "$bin_dir/bench_daily_sales_data" "$work/db" "$customers" "$root/samples/레미콘일일판매.txt" \
      "$work/레미콘일일판매.txt" "$records"
    start=$(date +%s%N)
    "$bin_dir/dbfimport-cli" --db "$work/db" --journal "$work/journal" "8:$work/레미콘일일판매.txt" >"$work/out.txt"
    ms=$(( ($(date +%s%N) - start) / 1000000 ))
    saved=$(grep -c '성공' "$work/out.txt" || true)
    echo "$customers customers, run $run: $ms ms, $saved records saved"
    if [[ "$saved" -ne "$records" ]]; then echo "expected $records saved records" >&2; exit 1; fi
    if [[ -z "${best[$customers]:-}" || "$ms" -lt "${best[$customers]}" ]]; then best[$customers]=$ms; fi
  done
done
ratio=$(awk -v a="${best[100000]}" -v b="${best[1000]}" 'BEGIN { printf "%.2f", a / b }')
echo "best: ${best[100000]} ms against 100 000 customers, ${best[1000]} ms against 1 000: ${ratio}x"

mkdir -p "$root/docs"
cat >"$root/docs/bench-lookup.md" <<REPORT
# Customer lookup benchmark (ready-mix daily sales, command line)

$records daily sales records and the totals line, every record naming a customer
found by name in \`vdrs110\`, checked and then imported with \`dbfimport-cli 8:...\` into a
fresh sample database (the check looks every customer up as well); measured by \`bench/daily_sales_bench.sh\` on $(date -u +%Y-%m-%d), $(nproc) cores,
$(awk -F': ' '/model name/ {print $2; exit}' /proc/cpuinfo), load average $(cut -d' ' -f1-3 /proc/loadavg).

| customers in vdrs110 | wall time (best of $runs) |
|---|---|
| 100 000 | ${best[100000]} ms |
| 1 000 | ${best[1000]} ms |

Ratio: ${ratio}x.
REPORT
