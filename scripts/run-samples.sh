#!/bin/bash
# Builds dbfimport, makes a fresh sample table database with the bundled
# sample export files beside its tables, and opens the window on it. Without
# a display it imports every sample with dbfimport-cli instead, in the order
# of the walkthrough, and prints what was written.
#
#   scripts/run-samples.sh              set up, build, run
#   scripts/run-samples.sh --no-window  the same, but never open the window
#
# Environment: SAMPLE_DB  the database directory (default out/sample-db;
#                         it is removed and made again)
#              DBFIMPORT_BIN  directory of already built programs: no set-up
#                         and no build (used by the tests)
#              DBFIMPORT_RUNNER  runs them: "wine" for the Windows build
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
DB="${SAMPLE_DB:-$ROOT/out/sample-db}"
WANT_WINDOW=yes
case "${1:-}" in
  --no-window) WANT_WINDOW=no ;;
  "") ;;
  *) echo "usage: $0 [--no-window]" >&2; exit 2 ;;
esac

# The walkthrough: G customers, vehicles, sales, collections, invoices,
# slips, then ready-mix customers, sites, daily sales, collections, invoices.
# Ready-mix sites need the customer codes of the same program run, and the
# ready-mix sales, collections and invoices find their customers by name.
STEPS=(
  "0:G거래처.txt" "1:G차량.txt" "2:G판매.txt" "3:G수금.txt" "4:GSS0403.txt"
  "5:S0040315.txt" "6:레미콘거래처.txt" "7:레미콘현장.txt" "8:레미콘일일판매.txt"
  "9:레미콘수금.txt" "10:레미콘계산서.txt"
)

if [[ -n "${DBFIMPORT_BIN:-}" ]]; then
  BIN="$DBFIMPORT_BIN"
else
  bash "$ROOT/scripts/setup.sh"
  cmake -S "$ROOT" -B "$ROOT/build"
  targets=(dbfimport-cli)
  if grep -qx 'DBFIMPORT_WITH_WINDOW:BOOL=ON' "$ROOT/build/CMakeCache.txt"; then
    targets+=(dbfimport)
  fi
  cmake --build "$ROOT/build" -j2 --target "${targets[@]}"
  BIN="$ROOT/build/bin"
fi

CLI=("$BIN/dbfimport-cli")
if [[ -n "${DBFIMPORT_RUNNER:-}" ]]; then
  read -r -a CLI <<< "$DBFIMPORT_RUNNER"
  CLI+=("$BIN/dbfimport-cli.exe")
fi

echo "== 예제 데이터베이스 / sample database: $DB"
rm -rf -- "$DB"
"${CLI[@]}" --make-sample-db "$DB"
for step in "${STEPS[@]}"; do
  cp -- "$ROOT/samples/${step#*:}" "$DB/"
done

if [[ "$WANT_WINDOW" == yes && ( -n "${DISPLAY:-}" || -n "${WAYLAND_DISPLAY:-}" ) \
      && -x "$BIN/dbfimport" ]]; then
  echo "== 창을 엽니다 / opening the window (files in $DB)"
  cd "$DB"
  exec "$BIN/dbfimport" --db "$DB"
fi

if [[ "$WANT_WINDOW" == yes ]]; then
  if [[ -x "$BIN/dbfimport" ]]; then
    echo "== 화면이 없어 창을 열 수 없습니다 / no display available for the window:"
  else
    echo "== 창 프로그램이 빌드되지 않았습니다 / the window program was not built:"
  fi
  echo "   예제를 명령행으로 들여옵니다 / importing the samples with dbfimport-cli"
fi

ARGS=()
for step in "${STEPS[@]}"; do
  ARGS+=("${step%%:*}:$DB/${step#*:}")
done
echo "== dbfimport-cli --db $DB ${ARGS[*]}"
status=0
"${CLI[@]}" --db "$DB" "${ARGS[@]}" || status=$?

echo "== 테이블별 행 수 / rows per table"
/usr/bin/python3 - "$DB" <<'EOF'
import pathlib
import sys

import dbfread

for path in sorted(pathlib.Path(sys.argv[1]).iterdir(), key=lambda p: p.name.lower()):
    if path.suffix.lower() == '.dbf':
        rows = len(dbfread.DBF(str(path), encoding='cp949', load=False))
        print(f'{path.stem:<10} {rows:>4}')
EOF
echo "== 종료 상태 / exit status of dbfimport-cli: $status"
exit "$status"
