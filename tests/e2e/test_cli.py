"""dbfimport-cli: arguments, exit statuses, the record list and the progress line."""
import os
import pty
import shutil
import subprocess

import pytest

from harness import CLI, RUNNER, cli_command, column, linux_only, listed, make_table, read_rows, run_cli, write_export
from test_kinds import rec

USAGE = 'dbfimport-cli [--db DIR] [--journal DIR] [--check [--preview N]] [--force] [--again] KIND:FILE'
WRONG_FILE = '파일을 잘못 선택하셨습니다.\n다시 파일을 선택하십시오.\n'  # then what the kind expects


@pytest.fixture
def db(tmp_path):
    make_table(tmp_path / 'db', 'carno')
    return tmp_path / 'db'


def vehicles(folder, name='G차량.txt', count=2):
    return write_export(folder / name, [rec(1, code=f'{i:03}') for i in range(1, count + 1)])


@pytest.mark.parametrize('args', [[], ['11:{f}'], ['-1:{f}'], ['x:{f}'], ['+1:{f}'], ['{f}'], ['1:'], ['1:{d}/'],
                                  ['--db'], ['--frobnicate', '1:{f}'], ['--db', '{d}', '--db', '{d}', '1:{f}'],
                                  ['--make-sample-db', '{d}', '1:{f}'], ['--undo', '1:{f}'], ['--runs', '--undo'],
                                  ['--runs', '--again'], ['--journal']])
def test_usage_errors_exit_2_with_the_usage(db, args):
    f = vehicles(db.parent)
    code, out, err = run_cli(None, *[a.format(f=f, d=db) for a in args])
    assert (code, out, USAGE in err) == (2, '', True)
    assert read_rows(db, 'carno') == []


def test_help_exits_0():
    code, out, err = run_cli(None, '--help')
    assert (code, err, USAGE in out, '종료 상태' in out) == (0, '', True, True)


@pytest.mark.parametrize('kind, name, fits', [(0, 'G차량.txt', False), (4, 'gss0403.txt', True)])  # every rule: unit tests
def test_a_wrong_file_name_refuses_the_step_and_the_steps_after(db, kind, name, fits):
    path = write_export(db.parent / name, [rec(kind)], trailer=False)  # one line: nothing to import
    code, out, err = run_cli(db, (kind, path), (1, vehicles(db.parent)))
    assert (code, len(listed(out))) == ((0, 2) if fits else (1, 0))
    assert err == '' if fits else err.startswith(WRONG_FILE)


def test_steps_share_one_run_and_list_their_records_from_1(db):
    other = db.parent / 'a:b'  # a step splits at its first colon
    code, out, err = run_cli(db, (1, vehicles(db.parent)), f'1:{vehicles(other, count=1)}')
    assert (code, err, [(p, s) for p, s, _ in listed(out)]) == (0, '', [(1, '성공'), (2, '성공'), (1, '성공')])
    assert column(db, 'carno', 'CNO') == ['1001', '1002', '1001']


@pytest.mark.parametrize('name', ['G차량.txt', 'nowhere/G차량.txt'])  # empty, missing
def test_a_file_that_cannot_be_loaded_is_named(db, name):
    (db.parent / 'G차량.txt').write_bytes(b'')
    code, out, err = run_cli(db, (1, db.parent / name))
    assert (code, out, f"파일 '{db.parent / name}'" in err) == (1, '', True)


def test_a_table_directory_that_cannot_be_opened_is_named_twice(tmp_path):
    missing = tmp_path / 'nowhere'
    code, out, err = run_cli(missing, (1, vehicles(tmp_path)))
    lines = err.splitlines()
    assert (code, out, len(lines), str(missing) in lines[0]) == (1, '', 3, True)
    assert lines[1].endswith(f": 테이블 폴더 '{missing}'에 연결되어 있지 않습니다. 폴더를 확인하고 프로그램을 다시 시작하십시오.")


def test_an_index_not_kept_current_is_named_after_the_run_exit_3(db):
    (db / 'CARNO.NTX').write_bytes(b'')  # a Clipper index beside the table
    code, out, err = run_cli(db, (1, vehicles(db.parent)))
    assert (code, len(listed(out)), len(read_rows(db, 'carno'))) == (3, 2, 2)
    assert err.startswith('행을 추가한 테이블의 다음 색인은 갱신하지 않았습니다.\n- carno의 CARNO.NTX')


def test_a_structural_index_that_is_missing_refuses_the_file(db):
    header = bytearray((db / 'carno.dbf').read_bytes())
    header[28] |= 1  # the table says it has a structural index, but there is none
    (db / 'carno.dbf').write_bytes(header)
    code, out, err = run_cli(db, (1, vehicles(db.parent)))
    assert (code, out, read_rows(db, 'carno')) == (1, '', []) and 'carno.cdx' in err


def test_record_text_is_escaped_on_stdout(db):
    path = db.parent / 'G차량.txt'
    path.write_bytes(b'001\tA\\B C ' + '김'.encode('cp949') + b' ' * 29 + b'\r\nend\r\n')
    assert run_cli(db, (1, path)) == (0, '1\t성공\t001\\tA\\\\B C 김' + ' ' * 29 + '\n', '')


@linux_only('file names in CP949 bytes: a Windows file name is UTF-16')
def test_cp949_file_names_pass(db):
    path = os.fsencode(db.parent) + b'/G' + '차량'.encode('cp949') + b'.txt'
    with open(path, 'wb') as handle:
        handle.write(rec(1, code='009') + b'\r\nend\r\n')
    done = subprocess.run(cli_command('--db', str(db), b'1:' + path), capture_output=True)
    assert (done.returncode, done.stderr, column(db, 'carno', 'CNO')) == (0, b'', ['1009'])


def test_without_db_the_tables_beside_the_program_are_used(tmp_path):
    home, elsewhere = tmp_path / 'app', tmp_path / 'elsewhere'
    make_table(home, 'carno')
    elsewhere.mkdir()
    shutil.copy(CLI, home)
    done = subprocess.run([*RUNNER, str(home / os.path.basename(CLI)), f'1:{vehicles(tmp_path)}'], cwd=elsewhere,
                          capture_output=True)
    assert (done.returncode, len(read_rows(home, 'carno')), list(elsewhere.iterdir())) == (0, 2, [])


# Under Wine the terminal is a console: Korean reaches it through WriteConsoleW.
def test_progress_goes_to_stderr_only_on_a_terminal(db):
    leader, follower = pty.openpty()
    done = subprocess.run(cli_command('--db', str(db), f'1:{vehicles(db.parent, count=3)}'), stdout=subprocess.PIPE,
                          stderr=follower)
    os.close(follower)
    shown = b''
    while chunk := readable(leader):
        shown += chunk
    os.close(leader)
    assert (done.returncode, len(listed(done.stdout.decode()))) == (0, 3)
    assert '전체레코드수 : 4' in shown.decode() and '데이터 인서트 3/3 (100%)' in shown.decode()


def readable(fd):
    try:
        return os.read(fd, 4096)
    except OSError:  # the terminal's other side is closed: all was read
        return b''
