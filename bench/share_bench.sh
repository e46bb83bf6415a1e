#!/bin/bash
# The cost of an import on a file share: the system calls on the table, memo,
# index and journal files per imported row (counted by an LD_PRELOAD shim), and
# the wall time when every call on the table folder takes SHARE_DELAY_US more
# (default 300 microseconds, a round trip on a LAN), for the 32 766-record
# vehicle file and the 32 766-record ready-mix daily sales file with its
# customer lookup (1 000 customers). Writes docs/bench-share.md.
# Usage: share_bench.sh [directory holding dbfimport-cli, bench_daily_sales_data, libshare_shim.so]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/.." && pwd)
bin_dir=$(cd "${1:-$root/build/bin}" && pwd)
delay=${SHARE_DELAY_US:-300}
records=${BENCH_RECORDS:-32766}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
work=$(cd "$work" && pwd -P)

# Makes the table folder and export file of one kind; prints "kind:file".
prepare() {
  rm -rf "$work/db" "$work/journal" && mkdir -p "$work/journal"
  case $1 in
    vehicles)
      mkdir "$work/db"
      /usr/bin/python3 "$here/python_vehicles.py" make-table "$work/db"
      /usr/bin/python3 "$here/python_vehicles.py" make-file "$work/G차량.txt" $((records + 1))
      echo "1:$work/G차량.txt" ;;
    daily-sales)
      "$bin_dir/dbfimport-cli" --make-sample-db "$work/db" >/dev/null
      "$bin_dir/bench_daily_sales_data" "$work/db" 1000 "$root/samples/레미콘일일판매.txt" \
        "$work/레미콘일일판매.txt" "$records"
      echo "8:$work/레미콘일일판매.txt" ;;
  esac
}

# Runs one import under the shim; prints "calls milliseconds".
measure() {
  local step=$1 slow=$2
  start=$(date +%s%N)
  SHARE_SHIM_DIRS="$work/db:$work/journal" SHARE_SHIM_SLOW_DIRS="$slow" SHARE_SHIM_DELAY_US="$delay" \
    SHARE_SHIM_REPORT="$work/calls.txt" LD_PRELOAD="$bin_dir/libshare_shim.so" \
    "$bin_dir/dbfimport-cli" --db "$work/db" --journal "$work/journal" "$step" >/dev/null
  ms=$(( ($(date +%s%N) - start) / 1000000 ))
  echo "$(awk '{s += $2} END {print s}' "$work/calls.txt") $ms"
}

declare -A result
for kind in vehicles daily-sales; do
  read -r calls local_ms < <(measure "$(prepare $kind)" "")
  cp "$work/calls.txt" "$work/calls-$kind.txt"
  read -r _ share_ms < <(measure "$(prepare $kind)" "$work/db")
  per_row=$(awk -v c="$calls" -v r="$records" 'BEGIN { printf "%.3f", c / r }')
  result[$kind]="| $kind | $records | $calls | $per_row | $local_ms ms | $share_ms ms |"
  echo "$kind: $calls calls ($per_row a row), ${local_ms} ms locally, ${share_ms} ms with ${delay} us a call"
  tr '\n' ' ' <"$work/calls-$kind.txt"; echo
done

mkdir -p "$root/docs"
cat >"$root/docs/bench-share.md" <<REPORT
# Imports on a file share (command line)

Measured by \`bench/share_bench.sh\` on $(date -u +%Y-%m-%d), $(nproc) cores,
$(awk -F': ' '/model name/ {print $2; exit}' /proc/cpuinfo), load average $(cut -d' ' -f1-3 /proc/loadavg).
An LD_PRELOAD shim (\`bench/share_shim.c\`) counts every system call on the files of the table
folder and of the journal folder (open, close, read, write, pread, pwrite, lseek, fcntl, flock,
fstat, stat, ftruncate, fsync, opendir, readdir), and in the second run delays each call on the
table folder by ${delay} microseconds, as a share does with a round trip per call. Each import is
checked and then imported into a fresh table folder with its run journal.

| import | records | calls | calls a row | local | ${delay} us a call |
|---|---|---|---|---|---|
${result[vehicles]}
${result[daily-sales]}

Calls by kind, vehicles: $(tr '\n' ' ' <"$work/calls-vehicles.txt")

Calls by kind, daily sales: $(tr '\n' ' ' <"$work/calls-daily-sales.txt")
REPORT
