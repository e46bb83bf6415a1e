"""dbfimport-cli --make-sample-db: the empty sample tables, checked byte by
byte against samples/tables.txt and opened by python3-dbf and
python3-dbfread as independent readers and writers."""

import os

import dbf
import pytest

import dbfharness as h

FOXPRO2_TYPES = set('CNFDLM')


def descriptors(path):
    """(name, type, length, decimals, flags) of every column in the header."""
    data = path.read_bytes()
    header_length = int.from_bytes(data[8:10], 'little')
    columns = []
    for at in range(32, header_length, 32):
        if data[at] == 0x0D:
            break
        name = data[at:at + 11].split(b'\0', 1)[0].decode('ascii')
        columns.append((name, chr(data[at + 11]), data[at + 16], data[at + 17], data[at + 18]))
    return columns


@pytest.fixture(scope='module')
def sample_db(tmp_path_factory):
    directory = tmp_path_factory.mktemp('made') / 'new' / 'db'   # parents are made too
    code, out, err = h.run_cli(None, '--make-sample-db', directory)
    assert code == 0, err
    return directory


def test_every_listed_table_is_made_with_its_file_name(sample_db):
    listed = [name for name, _ in h.sample_database_tables()]
    made = {p.name for p in sample_db.iterdir() if p.suffix.lower() == '.dbf'}
    assert made == set(listed)
    assert 'K57_0403.DBF' in made, 'an upper-case file name'


@pytest.mark.parametrize('name,fmt', h.sample_database_tables())
def test_header_and_columns_follow_the_table_list(sample_db, name, fmt):
    path = sample_db / name
    (version, count, header_length, record_length), _ = h.raw_header(sample_db, name[:-4])
    data = path.read_bytes()
    assert count == 0
    assert version == (0x30 if fmt == 'vfp' else 0xF5)
    assert data[29] == (0x79 if fmt == 'vfp' else 0x4E)
    expected = h.parse_tables()[h.pattern_of(name[:-4])]
    columns = [c for c in descriptors(path) if c[0] != '_NullFlags']
    assert [(n, t, l, d) for n, t, l, d, _ in columns] == \
           [(n.upper(), t, l, d) for n, t, l, d, _ in expected]
    assert [bool(f & 0x02) for *_, f in columns] == [nullable for *_, nullable in expected]
    assert record_length == 1 + sum(c[2] for c in descriptors(path))
    has_memo = any(t == 'M' for _, t, *_ in expected)
    memo = path.with_suffix('.FPT' if name.endswith('.DBF') else '.fpt')
    assert memo.exists() == has_memo
    if fmt == 'fox2':
        assert {t for _, t, *_ in expected} <= FOXPRO2_TYPES


def test_tables_open_in_the_independent_readers(sample_db):
    for name, _ in h.sample_database_tables():
        assert h.read_rows(sample_db, name[:-4]) == []
    table = dbf.Table(str(sample_db / 'vdrs110.dbf'))
    table.open(dbf.READ_WRITE)
    table.append({'d11_code': '100001', 'd11_cname': '시험건설'})
    table.close()
    assert [r['D11_CNAME'] for r in h.read_rows(sample_db, 'vdrs110')] == ['시험건설']


@pytest.mark.parametrize('existing', ['k57_0403.dbf',    # same table, other case
                                      'CARNO.FPT',       # a memo file left alone
                                      'vdrs110.cdx'])    # an index left alone
def test_existing_table_files_are_never_overwritten(tmp_path, existing):
    directory = tmp_path / 'db'
    directory.mkdir()
    (directory / existing).write_bytes(b'keep me')
    (directory / 'notes.txt').write_bytes(b'other files are no obstacle')
    code, out, err = h.run_cli(None, '--make-sample-db', directory)
    assert code == 1
    assert '이미 있습니다' in err and existing in err
    assert (directory / existing).read_bytes() == b'keep me'
    assert sorted(os.listdir(directory)) == sorted([existing, 'notes.txt']), 'nothing is made'


def test_directory_with_other_files_is_used(tmp_path):
    directory = tmp_path / 'db'
    directory.mkdir()
    (directory / 'G차량.txt').write_bytes(b'001')
    code, out, err = h.run_cli(None, '--make-sample-db', directory)
    assert code == 0, err
    assert (directory / 'carno.dbf').exists()


def test_directory_that_cannot_be_made_is_reported(tmp_path):
    blocker = tmp_path / 'file'
    blocker.write_text('not a directory')
    code, out, err = h.run_cli(None, '--make-sample-db', blocker / 'db')
    assert code == 1
    assert str(blocker) in err


@pytest.mark.parametrize('name,fmt', h.sample_database_tables())
def test_test_tables_and_sample_tables_have_the_same_columns(sample_db, tmp_path, name, fmt):
    """The tests make their tables with python3-dbf from the same list; both
    writers must agree, or a test would exercise other tables than the demo.
    (python3-dbf cannot give B and Y columns decimals: those are left out.)"""
    made = h.make_standard_table(tmp_path, name[:-4], kind='vfp' if fmt == 'vfp' else 'fox')

    def columns(path):
        return [(n.upper(), t, l, 0 if t in 'BY' else d, bool(f & 0x02))
                for n, t, l, d, f in descriptors(path) if n.upper() != '_NULLFLAGS']
    assert columns(made) == columns(sample_db / name)
