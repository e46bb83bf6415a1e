"""The run journal through the command line: undo (rows read back by dbfread), a damaged line, two
clerks appending to one journal folder at once (every line checked with zlib's CRC-32)."""
import collections
import os
import random
import subprocess
import zlib

import dbf
import dbfread
import pytest

from harness import BIN, add_rows, run_cli, write_export
from test_kinds import prepare, rec

CLI = str(BIN / 'dbfimport-cli')


def cli(tmp_path, *args):  # the journal in its default place below XDG_STATE_HOME
    return run_cli(tmp_path / 'db', *args, env={'XDG_STATE_HOME': str(tmp_path)})


def live(db, name):  # the rows dbfread shows: deleted ones left out
    return [dict(row) for row in dbfread.DBF(str(db / f'{name}.dbf'), encoding='cp949')]


def vehicles(tmp_path, codes, folder='files'):
    return write_export(tmp_path / folder / 'G차량.txt', [rec(1, code=code) for code in codes])


def journal(folder):  # [[run id, type, values...]], each line's CRC checked
    entries = []
    for line in (folder / 'journal.log').read_bytes().split(b'\n')[1:]:
        crc, body = line.split(b'\t', 1)
        assert int(crc, 16) == zlib.crc32(body), line
        entries.append([field.decode('utf-8', 'replace') for field in body.split(b'\t')])
    return entries


def test_undo_restores_every_table_but_a_row_changed_since_and_changes_nothing_the_second_time(tmp_path):
    db = tmp_path / 'db'
    prepare(db, 0)
    add_rows(db, 'vdrs110', [{'d11_code': '900', 'd11_cname': '기존'}])
    before = live(db, 'vdrs110')
    path = write_export(tmp_path / 'files' / 'G거래처.txt', [rec(0, no=f'{n:03d}', s1='현장', s3='끝') for n in (1, 2)])
    assert cli(tmp_path, (0, path))[0] == 0
    table = dbf.Table(str(db / 'vdrs160.dbf')).open(dbf.READ_WRITE)
    dbf.write(table[1], d16_cname='바뀜')  # another program
    table.close()
    changed = live(db, 'vdrs160')[1:2]
    for deleted, gone in ((5, 0), (0, 5)):
        code, out, err = cli(tmp_path, '--undo')
        assert (code, err, out.split(': ', 1)[1]) == (3, '', f'행 {deleted}개를 지웠고, {gone}개는 이미 없었습니다.\n'
                                                      '다음 행은 가져온 뒤에 바뀌어 지우지 않았습니다:\n- vdrs160 2번째 행\n')
        assert [live(db, 'vdrs110'), live(db, 'vdrs160')] == [before, changed]
    run = cli(tmp_path, '--runs')[1].split('\t')
    assert run[2:7] == [str(db), '골재 · 거래처', str(path), 'vdrs110 2, vdrs160 4', '완료'] and run[7][:4] == '되돌림 '
    assert cli(tmp_path, (0, path))[0] == 0  # undone: imported again without --again


@pytest.mark.parametrize('seed', range(3))
def test_a_run_killed_at_a_random_row_and_undone_removes_exactly_the_rows_it_saved(tmp_path, seed):
    db, table = tmp_path / 'db', tmp_path / 'db' / 'carno.dbf'
    prepare(db, 1)
    add_rows(db, 'carno', [{'cno': '999'}])
    before = live(db, 'carno')
    path = vehicles(tmp_path, [f'{n % 1000:03d}' for n in range(30000)])
    stop = table.stat().st_size + random.Random(seed).randrange(1, 29000) * int.from_bytes(table.read_bytes()[10:12], 'little')
    env = {**os.environ, 'XDG_STATE_HOME': str(tmp_path)}
    program = subprocess.Popen([CLI, '--db', db, f'1:{path}'], stdout=subprocess.DEVNULL, env=env)
    while table.stat().st_size < stop and program.poll() is None:
        pass
    program.kill()
    program.wait()
    assert cli(tmp_path, '--undo')[0] == 0 and live(db, 'carno') == before


def test_a_damaged_journal_line_is_a_warning_and_a_changed_file_is_no_earlier_import(tmp_path):
    prepare(tmp_path / 'db', 1)
    path = vehicles(tmp_path, ['001'])
    assert cli(tmp_path, (1, path))[0] == 0
    log = tmp_path / 'dbfimport' / 'journal.log'
    log.write_bytes(log.read_bytes().replace(b'\trow\t', b'\tRow\t'))
    vehicles(tmp_path, ['001', '002'])
    assert cli(tmp_path, (1, path))[::2] == (0, f'작업 기록 {log}의 3번째 줄이 손상되어 건너뛰었습니다.\n')


def test_two_clerks_importing_at_once_into_one_journal_folder_lose_no_entry(tmp_path):
    db, shared = tmp_path / 'db', tmp_path / 'shared'
    prepare(db, 1)
    shared.mkdir()
    files = [vehicles(tmp_path, [f'{clerk}{n % 100:02d}' for n in range(15000)], f'clerk{clerk}') for clerk in (1, 2)]
    programs = [subprocess.Popen([CLI, '--db', db, '--journal', shared, f'1:{path}'], stdout=subprocess.DEVNULL)
                for path in files]
    assert [program.wait() for program in programs] == [0, 0]
    entries = journal(shared)
    assert collections.Counter(entry[1] for entry in entries) == {'start': 2, 'row': 30000, 'end': 2}
    assert sorted(int(entry[3]) for entry in entries if entry[1] == 'row') == list(range(1, 30001))
    for run in {entry[0] for entry in entries}:
        assert run_cli(db, '--journal', str(shared), '--undo', run)[0] == 0
    assert live(db, 'carno') == []
