"""Shared helpers of the end-to-end tests.

Export records are built byte by byte (CP949), tables are made with
python3-dbf and read back with python3-dbfread: both are independent of the
program under test, so a test compares the program with another writer and
reader of the same file format.

    rec = record(45, {1: '001', 5: '12가3456'})
    write_export(tmp / 'G차량.txt', [rec, rec2])
    make_standard_table(tmp, 'carno')
    code, out, err = run_cli(tmp, '1:' + str(tmp / 'G차량.txt'))
    rows = read_rows(tmp, 'carno')
"""

import os
import pathlib
import re
import subprocess

import dbf
import dbfread
import pytest

ENCODING = 'cp949'
SOURCE_DIR = pathlib.Path(os.environ.get(
    'DBFIMPORT_SOURCE', pathlib.Path(__file__).resolve().parents[2]))
BIN_DIR = pathlib.Path(os.environ.get('DBFIMPORT_BIN', SOURCE_DIR / 'build' / 'bin'))
TABLES_FILE = SOURCE_DIR / 'samples' / 'tables.txt'
SAMPLES_DIR = SOURCE_DIR / 'samples'

# Table kinds of make_table and python3-dbf's name for each.
KINDS = {'vfp': 'vfp', 'fox': 'fp', 'db3': 'db3'}
CP949_MARK_VFP = 0x79   # code page mark Visual FoxPro writes for 949
CP949_MARK_DOS = 0x4E   # the dBASE-style mark for 949


def _bytes(value):
    return value if isinstance(value, bytes) else str(value).encode(ENCODING)


def record(width, fields):
    """One fixed-width record: {1-based start byte: text or bytes}, the rest
    spaces. Fields are placed in order of their start, so a value longer than
    its field runs into the next one and is overwritten by it (a way to build
    malformed records on purpose). Raises ValueError past `width`."""
    line = bytearray(b' ' * width)
    for start, value in sorted(fields.items()):
        data = _bytes(value)
        end = start - 1 + len(data)
        if start < 1 or end > width:
            raise ValueError(f'field at {start} ({data!r}) does not fit in {width} bytes')
        line[start - 1:end] = data
    return bytes(line)


def field(value, length, align='left'):
    """A text or number placed in a field of `length` bytes (numbers right
    aligned, like the export files). Raises ValueError if it does not fit."""
    data = _bytes(value)
    if len(data) > length:
        raise ValueError(f'{data!r} is longer than {length} bytes')
    pad = b' ' * (length - len(data))
    return data + pad if align == 'left' else pad + data


def write_export(path, records, trailer=True):
    """Writes the records joined with CR LF; with `trailer` a last summary
    line follows (the importers never import the last line). Returns path."""
    lines = [_bytes(r) for r in records]
    if trailer:
        lines.append(f'합계 {len(records)}건'.encode(ENCODING))
    pathlib.Path(path).write_bytes(b'\r\n'.join(lines) + b'\r\n')
    return pathlib.Path(path)


# ---- tables -------------------------------------------------------------

def parse_tables(path=TABLES_FILE):
    """The schema file: {pattern: [(name, type, length, decimals, nullable)]}.
    A block starts with 'table <pattern>'; '#' starts a comment."""
    tables, current = {}, None
    for raw in pathlib.Path(path).read_text(encoding='utf-8').splitlines():
        line = raw.split('#', 1)[0].split()
        if not line:
            continue
        if line[0] == 'make':
            continue
        if line[0] == 'table':
            current = tables.setdefault(line[1], [])
        else:
            name, ftype, length, decimals = line[0], line[1], int(line[2]), int(line[3])
            current.append((name, ftype, length, decimals, line[4:] == ['null']))
    return tables


def sample_database_tables(path=TABLES_FILE):
    """The tables of the sample database: [(file name, 'vfp' or 'fox2')]."""
    made = []
    for raw in pathlib.Path(path).read_text(encoding='utf-8').splitlines():
        line = raw.split('#', 1)[0].split()
        if line and line[0] == 'make':
            made.append((line[1], line[2]))
    return made


def pattern_of(name, tables=None):
    """The schema pattern a concrete table name belongs to (k31_0403 ->
    k31_YYMM, so040315 -> soYYMMDD), or None."""
    tables = tables or parse_tables()
    for pattern in tables:
        regex = re.escape(pattern).replace('YYMMDD', r'\d{6}').replace('YYMM', r'\d{4}')
        if re.fullmatch(regex, name, re.IGNORECASE):
            return pattern
    return None


def field_string(columns, kind='vfp'):
    """python3-dbf field string of schema columns."""
    parts = []
    for name, ftype, length, decimals, nullable in columns:
        if ftype in 'CNF':
            size = f'({length},{decimals})' if ftype in 'NF' else f'({length})'
        else:
            size = ''
        null = ' NULL' if nullable and kind == 'vfp' else ''
        parts.append(f'{name} {ftype}{size}{null}')
    return '; '.join(parts)


def make_table(directory, name, fields, kind='vfp', codepage=None):
    """Creates <directory>/<name>.dbf (name's case kept) with python3-dbf.
    fields is python3-dbf's field string ('a C(10); b N(12,2); c D NULL')."""
    if codepage is None:
        codepage = CP949_MARK_VFP if kind == 'vfp' else CP949_MARK_DOS
    path = pathlib.Path(directory) / f'{name}.dbf'
    table = dbf.Table(str(path), fields, dbf_type=KINDS[kind], codepage=codepage)
    table.open(dbf.READ_WRITE)
    table.close()
    return path


def make_standard_table(directory, name, kind='vfp'):
    """Creates a table of the sample database (vdrs110, carno, k31_0403,
    so040315 ...) with its columns from samples/tables.txt. A FoxPro 2 or
    dBASE III table drops the columns its format cannot hold."""
    tables = parse_tables()
    pattern = pattern_of(name, tables)
    if pattern is None:
        raise KeyError(f'{name} is not a table of {TABLES_FILE}')
    allowed = {'vfp': 'CNFDLMTIBY', 'fox': 'CNFDLM', 'db3': 'CNDLM'}[kind]
    columns = [c for c in tables[pattern] if c[1] in allowed]
    return make_table(directory, name, field_string(columns, kind), kind)


def find_table(directory, name):
    """The path of <name>.dbf in directory, matched without regard to case."""
    wanted = f'{name}.dbf'.lower()
    for entry in pathlib.Path(directory).iterdir():
        if entry.name.lower() == wanted:
            return entry
    raise FileNotFoundError(f'no table {name} in {directory}')


def _open(directory, name):
    # strict decoding: a half character or a foreign code page in a text
    # column is a fault, not something to paper over
    return dbfread.DBF(str(find_table(directory, name)), encoding=ENCODING,
                       char_decode_errors='strict', ignore_missing_memofile=False)


def _visible(row):
    # the hidden null-flag column of Visual FoxPro tables is no user column;
    # names in upper case whatever case the writer stored them in
    return {k.upper(): v for k, v in row.items() if k.upper() != '_NULLFLAGS'}


def read_rows(directory, name):
    """Every non-deleted row as a dict (python3-dbfread, cp949), in order.
    Column names in upper case."""
    return [_visible(row) for row in _open(directory, name)]


def read_deleted_rows(directory, name):
    return [_visible(row) for row in _open(directory, name).deleted]


def raw_header(directory, name):
    """((version, record count, header length, record length), ends_with_1A)."""
    data = find_table(directory, name).read_bytes()
    header = (data[0], int.from_bytes(data[4:8], 'little'),
              int.from_bytes(data[8:10], 'little'), int.from_bytes(data[10:12], 'little'))
    return header, data.endswith(b'\x1a')


# ---- the program ----------------------------------------------------------

def cli_path():
    return BIN_DIR / 'dbfimport-cli'


def run_cli(dbdir, *steps, timeout=120):
    """Runs dbfimport-cli --db dbdir STEP... (steps are 'KIND:FILE' texts or
    (kind, path) pairs). Returns (returncode, stdout, stderr) as text."""
    args = [str(cli_path())]
    if dbdir is not None:
        args += ['--db', str(dbdir)]
    for step in steps:
        args.append(f'{step[0]}:{step[1]}' if isinstance(step, tuple) else str(step))
    done = subprocess.run(args, capture_output=True, timeout=timeout)
    return (done.returncode, done.stdout.decode('utf-8', 'replace'),
            done.stderr.decode('utf-8', 'replace'))


def listed_rows(stdout):
    """The CLI's record list: [(position, status, record text)]."""
    rows = []
    for line in stdout.splitlines():
        parts = line.split('\t', 2)
        if len(parts) == 3 and parts[0].isdigit():
            rows.append((int(parts[0]), parts[1], parts[2]))
    return rows


NOT_READY = '아직 준비되지 않았습니다'


@pytest.fixture
def tabledir(tmp_path):
    """An empty table directory for one test."""
    directory = tmp_path / 'db'
    directory.mkdir()
    return directory
