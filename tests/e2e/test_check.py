"""The check of a whole file before its first row is written, and the command line to the end:
a file of another kind, text that is not CP949, --check, a file written to while it is read, a
closed list pipe and a stop signal."""
import signal
import subprocess

import pytest

import shlex

from harness import BIN, TIMEOUT, cli_command, linux_only, make_table, read_rows, run_cli, snapshot, write_export
from test_kinds import KINDS, prepare, rec, tables

CAPTION = {0: '골재 · 거래처', 2: '골재 · 판매', 3: '골재 · 수금', 5: '골재 · 송장', 6: '레미콘 · 거래처',
           7: '레미콘 · 현장', 8: '레미콘 · 일일판매', 9: '레미콘 · 수금'}
REFUSED = '검사에서 문제를 찾아 아무것도 가져오지 않았습니다. 파일을 고친 뒤 다시 실행하십시오.\n'


@pytest.mark.parametrize('kind, other', [(1, 2), (2, 3), (3, 0), (4, 5), (5, 6), (6, 7), (7, 8), (8, 9),
                                         (9, 0), (10, 2), (0, 8)])
def test_a_file_of_another_kind_is_refused_naming_that_kind_unless_forced(tmp_path, kind, other):
    prepare(tmp_path / 'db', kind)
    before = snapshot(tmp_path / 'db')
    path = write_export(tmp_path / 'files' / KINDS[kind].file, [rec(other)] * 3)
    code, out, err = run_cli(tmp_path / 'db', (kind, path))
    assert (code, out, snapshot(tmp_path / 'db')) == (1, '', before) and CAPTION[other] in err
    assert f'이 파일의 레코드는 대부분 {KINDS[other].width}바이트입니다' in err and '--force' in err
    assert run_cli(tmp_path / 'db', '--force', '--check', (kind, path))[2].count('--force로 그대로') == 1


@pytest.mark.parametrize('kind', KINDS)
@pytest.mark.parametrize('mark', [b'', b'\xef\xbb\xbf'])
def test_a_utf8_file_is_named_as_such_and_nothing_is_written(tmp_path, kind, mark):
    prepare(tmp_path / 'db', kind)
    before = snapshot(tmp_path / 'db')
    path = write_export(tmp_path / 'files' / KINDS[kind].file, [rec(kind)] * 2, trailer=True)
    path.write_bytes(mark + path.read_bytes().decode('cp949').encode('utf-8'))
    code, out, err = run_cli(tmp_path / 'db', (kind, path))
    assert (code, out, snapshot(tmp_path / 'db')) == (1, '', before) and '파일이 UTF-8' in err


@pytest.mark.parametrize('kind, field, stray, at', [(0, 'name', b'\xff', 0), (1, 'owner', b'A\x80B', 1),
                                                    (2, 'name', b'\xb0 ', 0), (6, 'addr', b'\xb0\x00', 0),
                                                    (8, 'sname', b'\xc9', 0), (1, 'owner', b'AB\xa2\xe8CD', 2),
                                                    (1, 'owner', b'A\x00B', 1), (8, 'sname', b'\x1a', 0)])
def test_text_that_is_not_cp949_or_holds_nul_or_0x1a_names_line_column_and_byte(tmp_path, kind, field, stray, at):
    prepare(tmp_path / 'db', kind)
    start = KINDS[kind].layout[field][0]
    code, out, err = run_cli(tmp_path / 'db', (kind, write_export(tmp_path / 'files' / KINDS[kind].file,
                                                                  [rec(kind), rec(kind, **{field: stray})])))
    assert (code, out, read_rows(tmp_path / 'db', tables(kind)[0])) == (1, '', [])
    reason = '글자가 아닌 제어 바이트' if stray[at] in (0, 0x1a) else 'CP949 글자가 아닌 바이트'
    assert f': 2번째 줄: 열 ' in err and f'({start}~' in err
    assert f'{reason} 0x{stray[at]:02X}가 있습니다 ({start + at}번째 바이트)' in err


@linux_only('LD_PRELOAD')
@pytest.mark.parametrize('at', ['read', 'close'])
def test_a_file_written_to_while_it_is_read_or_before_its_import_is_refused(tmp_path, at):
    make_table(tmp_path / 'db', 'carno')
    path = write_export(tmp_path / 'files' / 'G차량.txt', [rec(1)] * 3)
    probe = {'LD_PRELOAD': str(BIN / 'libgrow_probe.so'), 'GROW_FILE': str(path), 'GROW_AT': at}
    code, out, err = run_cli(tmp_path / 'db', (1, path), env=probe)
    assert (code, out, read_rows(tmp_path / 'db', 'carno')) == (1, '', [])
    assert err.endswith(f"파일 '{path}': 파일이 읽는 동안 바뀌었습니다. 파일을 다 쓴 뒤에 다시 실행하십시오.\n")


def big_vehicle_file(tmp_path, records=32765):
    make_table(tmp_path / 'db', 'carno')
    return write_export(tmp_path / 'files' / 'G차량.txt', [rec(1, code=f'{i % 1000:03}') for i in range(records)])


def test_a_closed_list_pipe_leaves_the_whole_import_done(tmp_path):
    path = big_vehicle_file(tmp_path, 5000)  # a list of 250 KB: far more than a pipe holds
    done = subprocess.run(['bash', '-c', f'{shlex.join(cli_command("--db", f"{tmp_path}/db", f"1:{path}"))} | head -1;'
                           ' exit ${PIPESTATUS[0]}'], capture_output=True, timeout=TIMEOUT)
    assert (done.returncode, len(done.stdout.splitlines())) == (0, 1)
    assert '목록을 끝까지 쓰지 못했습니다' in done.stderr.decode()
    assert len(read_rows(tmp_path / 'db', 'carno')) == 5000


@linux_only('SIGTERM (a console\'s Ctrl+C on Windows)')
def test_sigterm_stops_after_the_current_record_and_says_where_to_go_on(tmp_path):
    path = big_vehicle_file(tmp_path)
    process = subprocess.Popen([BIN / 'dbfimport-cli', '--db', tmp_path / 'db', f'1:{path}'],
                               stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    process.stdout.readline()  # the run has begun
    process.send_signal(signal.SIGTERM)
    out, err = process.communicate(timeout=60)
    saved = len(read_rows(tmp_path / 'db', 'carno'))
    assert process.returncode == 1 and 0 < saved < 32765
    assert f'레코드 {saved}개를 가져왔습니다 (carno {saved}행). 이어서 가져오려면 파일의 {saved + 1}번째 줄부터' in err.decode()


def test_a_check_carries_the_rows_of_earlier_steps_and_writes_nothing(tmp_path):
    db, files = tmp_path / 'db', tmp_path / 'files'
    prepare(db, 8, customers=False)
    make_table(db, 'vdrs110')
    before = snapshot(db)
    customers = write_export(files / KINDS[6].file, [rec(6, name='한빛산업(주)')])
    sales = write_export(files / KINDS[8].file, [rec(8)])  # finds the customer of the step before
    code, out, err = run_cli(db, '--check', '--preview', '1', (6, customers), (8, sales))
    assert (code, err, snapshot(db)) == (0, '', before)
    lines = [line.split('\t')[1:] for line in out.splitlines()]
    assert [line for line in lines if len(line) == 2] == [['vdrs110', '1'], ['k31_0403', '1']]
    # and each step's first record cut into its named fields
    assert ['1', '상호', '한빛산업(주)'] in lines and ['1', '거래처명', '한빛산업(주)'] in lines
