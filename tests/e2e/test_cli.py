"""dbfimport-cli: steps, exit statuses, messages and the record list."""

import shutil
import subprocess

from dbfharness import (cli_path, listed_rows, make_standard_table, read_rows, record, run_cli,
                        tabledir, write_export)  # noqa: F401  (tabledir is a fixture)

WRONG_FILE = '파일을 잘못 선택하셨습니다.\n다시 파일을 선택하십시오.\n'
MISSING_VEHICLES = '차량 테이블이 없습니다.\n테이블을 확인하고 다시 시도하십시오.\n'


def vehicle(code, registration=''):
    return record(45, {1: code, 5: registration} if registration else {1: code})


def vehicle_file(directory, name='G차량.txt', codes=('001', '002')):
    return write_export(directory / name, [vehicle(c, 'R' + c) for c in codes])


def cli(*args):
    done = subprocess.run([str(cli_path()), *map(str, args)], capture_output=True, timeout=60)
    return done.returncode, done.stdout.decode('utf-8'), done.stderr.decode('utf-8')


def test_help_explains_in_korean_and_english():
    code, out, err = cli('--help')
    assert (code, err) == (0, '')
    for text in ('사용법', 'usage', 'KIND:FILE', '--db', '종료 상태', 'exit status',
                 'G차량.txt', '계산서', '--make-sample-db'):
        assert text in out


def test_usage_errors_exit_2_with_the_usage(tmp_path):
    good = vehicle_file(tmp_path)
    for args in ([], ['11:' + str(good)], ['-1:' + str(good)], ['x:' + str(good)],
                 [str(good)], ['1:'], ['--db'], ['--frobnicate', '1:' + str(good)],
                 ['--db', str(tmp_path), '--db', str(tmp_path), '1:' + str(good)]):
        code, out, err = cli(*args)
        assert code == 2, args
        assert out == ''
        assert 'dbfimport-cli [--db DIR] KIND:FILE' in err, args


def test_wrong_file_name_refuses_and_stops_later_steps(tabledir):
    make_standard_table(tabledir, 'carno')
    good = vehicle_file(tabledir.parent)
    wrong = vehicle_file(tabledir.parent, name='g차량.txt')
    code, out, err = run_cli(tabledir, ('1', wrong), ('1', good))
    assert (code, out, err) == (1, '', WRONG_FILE)
    assert read_rows(tabledir, 'carno') == []
    # the kind decides the test, not the file's contents
    code, _, err = run_cli(tabledir, ('0', good))
    assert (code, err) == (1, WRONG_FILE)


def test_load_failure_names_the_file(tabledir):
    make_standard_table(tabledir, 'carno')
    empty = tabledir.parent / 'G차량.txt'
    empty.write_bytes(b'')
    code, out, err = run_cli(tabledir, ('1', empty))
    assert code == 1 and out == ''
    assert str(empty) in err
    code, _, err = run_cli(tabledir, ('1', tabledir.parent / 'nowhere' / 'G차량.txt'))
    assert code == 1
    assert 'nowhere/G차량.txt' in err


def test_steps_share_one_run_and_number_their_rows_from_1(tabledir):
    make_standard_table(tabledir, 'carno')
    first = vehicle_file(tabledir.parent, codes=('001', '002'))
    other = tabledir.parent / 'more'
    other.mkdir()
    second = vehicle_file(other, codes=('003',))
    code, out, err = run_cli(tabledir, ('1', first), ('1', second))
    assert (code, err) == (0, '')
    assert [(p, s) for p, s, _ in listed_rows(out)] == [(1, '성공'), (2, '성공'), (1, '성공')]
    assert [r['CNO'] for r in read_rows(tabledir, 'carno')] == ['1001', '1002', '1003']


def test_missing_table_ends_the_run_and_later_steps_do_not_run(tabledir):
    good = vehicle_file(tabledir.parent)
    code, out, err = run_cli(tabledir, ('1', good), ('1', good))
    assert (code, out, err) == (1, '', MISSING_VEHICLES)


def test_missing_table_directory_is_reported_then_named_by_the_import(tmp_path):
    good = vehicle_file(tmp_path)
    missing = tmp_path / 'no_tables_here'
    code, out, err = run_cli(missing, ('1', good))
    assert code == 1 and out == ''
    lines = err.splitlines()
    assert len(lines) == 2
    assert str(missing) in lines[0]
    assert lines[1] == (f"테이블 폴더 '{missing}'에 연결되어 있지 않습니다. "
                        '폴더를 확인하고 프로그램을 다시 시작하십시오.')


def test_index_notice_gives_exit_3(tabledir):
    make_standard_table(tabledir, 'carno')
    (tabledir / 'CARNO.NTX').write_bytes(b'')  # an index the program does not keep
    code, out, err = run_cli(tabledir, ('1', vehicle_file(tabledir.parent)))
    assert code == 3
    assert len(listed_rows(out)) == 2
    assert 'carno의 CARNO.NTX' in err and '색인' in err
    assert len(read_rows(tabledir, 'carno')) == 2


def test_missing_structural_index_refuses_rows(tabledir):
    make_standard_table(tabledir, 'carno')
    table = tabledir / 'carno.dbf'
    header = bytearray(table.read_bytes())
    header[28] |= 0x01  # the table says it has a structural index, but there is none
    table.write_bytes(bytes(header))
    code, out, err = run_cli(tabledir, ('1', vehicle_file(tabledir.parent)))
    assert code != 0
    assert 'carno.cdx' in err
    assert read_rows(tabledir, 'carno') == []


def test_tables_beside_the_program_without_db(tmp_path):
    home = tmp_path / 'app'
    home.mkdir()
    shutil.copy(cli_path(), home / 'dbfimport-cli')
    make_standard_table(home, 'carno')
    good = vehicle_file(tmp_path)
    elsewhere = tmp_path / 'elsewhere'
    elsewhere.mkdir()
    done = subprocess.run([str(home / 'dbfimport-cli'), f'1:{good}'], cwd=elsewhere,
                          capture_output=True, timeout=60)
    assert done.returncode == 0, done.stderr.decode()
    assert len(read_rows(home, 'carno')) == 2
    assert list(elsewhere.iterdir()) == []


def test_step_splits_at_the_first_colon_and_cp949_names_pass(tabledir):
    make_standard_table(tabledir, 'carno')
    odd = tabledir.parent / 'a:b'
    odd.mkdir()
    good = vehicle_file(odd)
    code, _, err = run_cli(tabledir, f'1:{good}')
    assert (code, err) == (0, '')
    # a file named on an old Korean system: its name is CP949 bytes
    raw = bytes(tabledir.parent) + b'/G' + '차량'.encode('cp949') + b'.txt'
    with open(raw, 'wb') as handle:
        handle.write(vehicle('009') + b'\r\nend\r\n')
    done = subprocess.run([str(cli_path()), '--db', str(tabledir), b'1:' + raw],
                          capture_output=True, timeout=60)
    assert done.returncode == 0, done.stderr.decode()
    assert [r['CNO'] for r in read_rows(tabledir, 'carno')][-1] == '1009'


def test_record_text_is_escaped_on_stdout(tabledir):
    make_standard_table(tabledir, 'carno')
    path = tabledir.parent / 'G차량.txt'
    # a LF alone does not end a line, so it stays inside the record
    path.write_bytes(b'001\tA\\B\nC ' + '김'.encode('cp949') + b'\r\nend\r\n')
    code, out, err = run_cli(tabledir, ('1', path))
    assert (code, err) == (0, '')
    assert out == '1\t성공\t001\\tA\\\\B\\nC 김\n'


def test_progress_goes_to_stderr_only_on_a_terminal(tabledir):
    import os
    import pty
    make_standard_table(tabledir, 'carno')
    good = vehicle_file(tabledir.parent, codes=('001', '002', '003'))
    leader, follower = pty.openpty()
    try:
        done = subprocess.run([str(cli_path()), '--db', str(tabledir), f'1:{good}'],
                              stdout=subprocess.PIPE, stderr=follower, timeout=60)
        os.close(follower)
        shown = b''
        while True:
            try:
                chunk = os.read(leader, 4096)
            except OSError:
                break
            if not chunk:
                break
            shown += chunk
    finally:
        os.close(leader)
    assert done.returncode == 0
    assert len(listed_rows(done.stdout.decode())) == 3
    text = shown.decode('utf-8')
    assert '전체레코드수 : 4' in text
    assert '데이터 인서트 3/3' in text
