"""Support of the end-to-end tests: export records built at their byte positions, tables made
with python3-dbf from samples/tables.txt, rows read back with python3-dbfread (strict CP949), and
runs of dbfimport-cli. Both libraries are independent of the program under test.

As a script, for the window tests and window/screenshot.sh:
    harness.py make DIR NAME   makes a table of the sample database (python3-dbf)
    harness.py rows DIR NAME   prints its rows as JSON (python3-dbfread)
"""
import atexit
import datetime
import json
import os
import pathlib
import re
import shutil
import subprocess
import sys
import tempfile

import dbf
import dbfread
import pytest

SOURCE = pathlib.Path(os.environ.get('DBFIMPORT_SOURCE', pathlib.Path(__file__).resolve().parents[2]))
BIN = pathlib.Path(os.environ.get('DBFIMPORT_BIN', SOURCE / 'build' / 'bin'))
SAMPLES = SOURCE / 'samples'
# The programs under test: the Linux build, or the Windows build run through
# DBFIMPORT_RUNNER (DBFIMPORT_RUNNER=wine DBFIMPORT_BIN=build-windows/bin):
# the same tests, the tables read back on the Linux side either way.
RUNNER = os.environ.get('DBFIMPORT_RUNNER', '').split()
ON_WINDOWS = bool(RUNNER)
CLI = str(BIN / ('dbfimport-cli.exe' if ON_WINDOWS else 'dbfimport-cli'))
# Only a guard against a hung program: under Wine every file call is slower.
TIMEOUT = 600 if ON_WINDOWS else 120


def cli_command(*args):
    """The command line that runs dbfimport-cli with `args`."""
    return [*RUNNER, CLI, *args]


def linux_only(reason):
    """Marks a test that needs what only Linux has (signals, LD_PRELOAD, FIFOs, terminals)."""
    return pytest.mark.skipif(ON_WINDOWS, reason=f'Linux only: {reason}')


def real_path(path):
    """A folder's real path as the program names it: under Wine, on drive Z: with backslashes."""
    return 'Z:' + str(path).replace('/', '\\') if ON_WINDOWS else str(path)


ZERO_DATE = datetime.date(1899, 12, 30)
# What dbfread reads from a column of a new row the import did not set.
BLANK = {'C': '', 'M': ' ', 'D': ZERO_DATE, 'T': datetime.datetime(1899, 12, 30), 'L': None}
FILLER = b'|'  # every byte a layout does not read: a field moved onto it shows
# The programs under test keep their run journal here, never in the user's state folder.
os.environ['XDG_STATE_HOME'] = tempfile.mkdtemp(prefix='dbfimport-state-')
atexit.register(shutil.rmtree, os.environ['XDG_STATE_HOME'], True)


def state_home(folder):
    """The environment that puts the journal's default folder, <folder>/dbfimport, in `folder`."""
    return {'XDG_STATE_HOME': str(folder), **({'LOCALAPPDATA': str(folder)} if ON_WINDOWS else {})}


os.environ.update(state_home(os.environ['XDG_STATE_HOME']))


def missing(table):
    return f'{table} 테이블이 없습니다.\n테이블을 확인하고 다시 시도하십시오.\n'


def cp949(value):
    return value if isinstance(value, bytes) else str(value).encode('cp949')


def full(text, length):
    """text padded with ASCII to exactly `length` bytes: a value that fills its field."""
    return (cp949(text) + b'0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ' * 2)[:length].decode('cp949')


def groups(first, stride, fields):
    """The fields of four item groups: name + group number -> (start, length)."""
    return {f'{name}{g}': (first + stride * g + offset, length)
            for g in range(4) for name, (offset, length) in fields.items()}


def record(layout, width, **values):
    """`width` bytes: each field of layout {name: (start, length)} holds its value left-aligned
    and blank-padded (blanks when not given), every other byte the filler."""
    line = bytearray(FILLER * width)
    for name, (start, length) in layout.items():
        data = cp949(values.pop(name, ''))
        if len(data) > length:
            raise ValueError(f'{name}: {data!r} is longer than {length} bytes')
        line[start - 1:start - 1 + length] = data.ljust(length)
    if values:
        raise KeyError(f'not in the layout: {sorted(values)}')
    return bytes(line)


def write_export(path, records, trailer=True, end=b'\r\n'):
    """The records joined with CR LF (or `end`), with a totals line after them when `trailer`."""
    lines = [cp949(r) for r in records] + ([cp949(f'합계 {len(records)}건')] if trailer else [])
    path = pathlib.Path(path)
    path.parent.mkdir(parents=True, exist_ok=True)
    path.write_bytes(end.join(lines) + end)
    return path


def schema():
    """samples/tables.txt: {name pattern: [(column, type, length, decimals, nullable)]}."""
    tables, current = {}, None
    for line in (SAMPLES / 'tables.txt').read_text(encoding='utf-8').splitlines():
        words = line.split('#', 1)[0].split()
        if words and words[0] == 'table':
            current = tables.setdefault(words[1], [])
        elif words and words[0] != 'make':
            current.append((words[0], words[1], int(words[2]), int(words[3]), words[4:] == ['null']))
    return tables


def make_table(directory, name, fields=None):
    """A Visual FoxPro table (code page 949) <directory>/<name>.dbf with python3-dbf: the columns
    of samples/tables.txt (k31_0403 matches k31_YYMM), or a python3-dbf field string."""
    if fields is None:
        pattern = next(p for p in schema() if re.fullmatch(
            p.replace('YYMMDD', r'\d{6}').replace('YYMM', r'\d{4}'), name, re.IGNORECASE))
        fields = '; '.join(f'{c} {t}' + (f'({n},{d})' if t in 'NF' else f'({n})' if t == 'C' else '')
                           + (' NULL' if null else '') for c, t, n, d, null in schema()[pattern])
    path = pathlib.Path(directory) / f'{name}.dbf'
    path.parent.mkdir(parents=True, exist_ok=True)
    dbf.Table(str(path), fields, dbf_type='vfp', codepage=0x79).open(dbf.READ_WRITE).close()
    return path


def add_rows(directory, name, rows):
    """Appends rows ({column: value}) with python3-dbf (whose `with` leaves the count one short)."""
    table = dbf.Table(str(find_table(directory, name))).open(dbf.READ_WRITE)
    for row in rows:
        table.append(row)
    table.close()


def find_table(directory, name):
    wanted = f'{name}.dbf'.lower()
    return next(p for p in pathlib.Path(directory).iterdir() if p.name.lower() == wanted)


def read_table(directory, name):
    """dbfread's view of a table that must be valid for other programs: the header counts
    exactly the records the file holds (an end mark may follow)."""
    path = find_table(directory, name)
    data = path.read_bytes()
    count, header, length = (int.from_bytes(data[a:b], 'little') for a, b in ((4, 8), (8, 10), (10, 12)))
    if len(data) not in (header + count * length, header + count * length + 1):
        raise AssertionError(f'{path.name}: header counts {count} records, file holds {len(data)} bytes')
    table = dbfread.DBF(str(path), encoding='cp949', char_decode_errors='strict',
                        ignore_missing_memofile=False)
    if len(table) + len(table.deleted) != count:
        raise AssertionError(f'{path.name}: header counts {count} records, dbfread finds {len(table)}')
    return table


def snapshot(db):
    """Every file of a table folder with its bytes."""
    return sorted((p.name, p.read_bytes()) for p in pathlib.Path(db).iterdir())


def read_rows(directory, name):
    """Every row as {COLUMN: value}, the hidden null flags of Visual FoxPro left out."""
    return [{k.upper(): v for k, v in row.items() if k.upper() != '_NULLFLAGS'}
            for row in read_table(directory, name)]


def column(directory, name, col):
    return [row[col] for row in read_rows(directory, name)]


def blank_row(directory, name):
    """The row of a record whose columns all kept the blank a new row gets."""
    return {f.name.upper(): BLANK.get(f.type, 0) for f in read_table(directory, name).fields
            if f.name.upper() != '_NULLFLAGS'}


def run_cli(db, *steps, env=None):
    """dbfimport-cli [--db db] STEP...; steps are (kind, path) pairs or arguments.
    Returns (exit status, stdout, stderr) as text."""
    args = cli_command(*(['--db', str(db)] if db else []))
    args += [f'{s[0]}:{s[1]}' if isinstance(s, tuple) else s for s in steps]
    env = {**os.environ, **(env or {})}
    if ON_WINDOWS and 'XDG_STATE_HOME' in env:
        env['LOCALAPPDATA'] = env['XDG_STATE_HOME']
    done = subprocess.run(args, capture_output=True, timeout=TIMEOUT, env=env)
    return done.returncode, done.stdout.decode(), done.stderr.decode()


def listed(out):
    """The record list on stdout: [(position, status, record text)]."""
    return [(int(p), s, t) for p, s, t in (line.split('\t', 2) for line in out.splitlines())]


def main(command, directory, name):
    if command == 'make':
        make_table(directory, name)
    elif command == 'rows':
        print(json.dumps(read_rows(directory, name), ensure_ascii=False, default=str))
    else:
        raise SystemExit(f'unknown command {command}')


if __name__ == '__main__':
    main(*sys.argv[1:4])
