#!/bin/bash
# Runs the window under Xvfb on a sample database after a finished vehicle
# import and saves the screen as docs/window.png (or OUTPUT). With
# QT_SCALE_FACTOR=2 in the environment the screen is twice as large. With
# SHOT=preview it shows the run's preview instead (docs/window-preview.png),
# with SHOT=history the "가져오기 기록" dialog over the window. A Windows
# build (BUILD_DIR/bin/dbfimport-window-demo.exe) runs under Wine.
#   window/screenshot.sh [BUILD_DIR [OUTPUT]]
set -euo pipefail
source_dir=$(cd "$(dirname "$0")/.." && pwd)
build_dir=${1:-$source_dir/build}
shot=${SHOT:-end}
if [ "$shot" = preview ]; then default=window-preview.png; else default=window.png; fi
output=${2:-$source_dir/docs/$default}
scale=${QT_SCALE_FACTOR:-1}
bin=$build_dir/bin
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

mkdir -p "$work/db" "$work/files" "$work/journal"
/usr/bin/python3 "$source_dir/tests/e2e/harness.py" make "$work/db" carno
/usr/bin/python3 - "$work/files/G차량.txt" <<'PY'
import sys
rows = [('001', '12가3456', '홍길동', '덤프', '15'), ('002', '서울34나5678', '김철수', '믹서', '8'),
        ('003', '경기56다7890', '이영희', '트럭', '25'), ('014', '부산12라3456', '박민수', '덤프', '15'),
        ('027', '인천78마9012', '최지우', '믹서', '6'), ('105', '대구90바1234', '정우성', '트럭', '11')]
def cut(text, width):
    data = text.encode('cp949')[:width]
    return data + b' ' * (width - len(data))
lines = [cut(c, 3) + b' ' + cut(r, 12) + b' ' + cut(o, 10) + b' ' + cut(n, 8) + b'   ' + cut(k, 2)
         for c, r, o, n, k in rows]
lines.append('합계 6건'.encode('cp949'))
open(sys.argv[1], 'wb').write(b'\r\n'.join(lines) + b'\r\n')
PY

demo=("$bin/dbfimport-window-demo")
path() { printf '%s' "$1"; }
height=520
if [ -f "$bin/dbfimport-window-demo.exe" ]; then
  # The project's Wine prefix, its server started under the screen below so
  # that its desktop draws there.
  export WINEPREFIX="${WINEPREFIX:-${DBFIMPORT_CACHE:-$HOME/.cache/dbfimport}/wine64}" WINEDEBUG=-all
  export WINEDLLOVERRIDES="mscoree,mshtml="
  wineserver -k 2>/dev/null || true
  demo=(wine "$bin/dbfimport-window-demo.exe")
  path() { printf 'Z:%s' "$1" | tr / '\\'; }  # Wine's drive Z: is the root
  height=560  # the window's frame and title bar, drawn by Wine
fi

xvfb-run -a -s "-screen 0 $((785 * scale))x$((height * scale))x24" bash -c '
  "${@:7}" --db "$1" --journal "$2" --dir "$3" --file "G차량.txt" --kind 1 --ready "$4" --shot "$5" \
    --kinds "$6" &
  demo=$!
  for i in $(seq 1 600); do [ -f "$0/ready" ] && break; sleep 0.1; done
  sleep 1
  import -window root "$0/shot.png"
  kill $demo
' "$work" "$(path "$work/db")" "$(path "$work/journal")" "$(path "$work/files")" "$(path "$work/ready")" "$shot" \
  "$(path "$work/kinds.txt")" "${demo[@]}"
if [ -f "$bin/dbfimport-window-demo.exe" ]; then wineserver -k 2>/dev/null || true; fi
cp "$work/shot.png" "$output"
echo "the kinds each option chose, the drives and the buttons:"; tr -d '\r' < "$work/kinds.txt"
echo "saved $output"
