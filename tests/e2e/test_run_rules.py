"""Rules several kinds share, each parametrised over the kinds it applies to."""
import datetime

import pytest

from harness import BIN, column, find_table, linux_only, listed, make_table, missing, read_rows, run_cli, snapshot, write_export
from test_kinds import HELD_CODE_KINDS, KINDS, TABLE, import_table, item, prepare, rec, run, tables

DATED = (2, 3, 4, 5, 8, 9, 10)
MONTHLY = (2, 3, 4, 8, 9, 10)
PROBE = {'LD_PRELOAD': str(BIN / 'libfsync_probe.so')}


def main_rows(tmp_path, kind, date='20040315'):
    return read_rows(tmp_path / 'db', tables(kind, date)[0])


def refused(tmp_path, kind, result, line, fragment, date='20040315'):
    """The check found the record of `line` and nothing was written."""
    code, out, err = result
    problem = next((l for l in err.splitlines() if f': {line}번째 줄: ' in l), '')
    assert (code, out, len(main_rows(tmp_path, kind, date))) == (1, '', 0) and fragment in problem, err
    assert err.endswith('검사에서 문제를 찾아 아무것도 가져오지 않았습니다. 파일을 고친 뒤 다시 실행하십시오.\n')


@pytest.mark.parametrize('kind', DATED)
def test_a_missing_dated_table_refuses_the_file_naming_the_line(tmp_path, kind):
    prepare(tmp_path / 'db', kind)
    table = tables(kind, '20040501')[0] + '.dbf'
    result = run(tmp_path, kind, [rec(kind), rec(kind, '20040501'), rec(kind)])
    refused(tmp_path, kind, result, 2, f'({table})' if kind == 2 else f'{table} 테이블이 없습니다.')


PADDED = ([(k, ' 3', '15', KINDS[k].tables[0].replace('YYMM', '043/')) for k in MONTHLY] +
          [(k, '03', ' 5', datetime.date(2004, 3, 5)) for k in MONTHLY] +
          [(5, ' 3', '15', 'so043/5'), (5, '03', ' 5', 'so04035')])


@pytest.mark.parametrize('kind, month, day, outcome', PADDED)
def test_a_month_or_day_padded_with_a_space(tmp_path, kind, month, day, outcome):
    prepare(tmp_path / 'db', kind)
    result = run(tmp_path, kind, [rec(kind), rec(kind, m=month, d=day)])
    if isinstance(outcome, str):  # the date names no table
        refused(tmp_path, kind, result, 2, outcome)
    else:
        assert (result[0], result[2], main_rows(tmp_path, kind)[1][KINDS[kind].date_column]) == (0, '', outcome)


# Where the record's date names the table, a month or day of 0 is a problem of the date, never a table name.
ZERO_DATES = [(k, m, dd, '날짜에 월 또는 일이 없습니다') for k in (2, 3, 4, 5, 8, 9, 10)
              for m, dd in (('00', '15'), ('03', '00'), ('  ', '  '))]


@pytest.mark.parametrize('kind, month, day, fragment', ZERO_DATES)
def test_a_zero_month_or_day_refuses_the_file(tmp_path, kind, month, day, fragment):
    prepare(tmp_path / 'db', kind)
    result = run(tmp_path, kind, [rec(kind), rec(kind, m=month, d=day), rec(kind)])
    refused(tmp_path, kind, result, 2, fragment.strip('\n').split('\n')[0])


@pytest.mark.parametrize('kind', DATED + (6, 7))
def test_an_impossible_date_refuses_the_file_naming_its_line(tmp_path, kind):
    prepare(tmp_path / 'db', kind, '20040228', '20040230')
    result = run(tmp_path, kind, [rec(kind, '20040228'), rec(kind, '20040230'), rec(kind, '20040228')])
    refused(tmp_path, kind, result, 2, '날짜', '20040228')
    assert '테이블이 없습니다' not in result[2]


CONVERSIONS = [
    (1, {'cap': '12'}, "CAR_CAP에 값 '12'"),  # the table's column is one digit wide
    (2, {'price': '12a00'}, "단가 '12a00'"), (2, {'amount': ''}, "금액 ''"),
    (2, {'vat': '99999999999'}, "부가세 '99999999999'"), (3, {'a2': '3000000000'}, "둘째 금액 '3000000000'"),
    (4, {'price0': '15OOO'}, "단가 '15OOO'"), (4, {'no': 'A'}, "계산서번호 'A'"),
    (5, {'no': '1A2'}, "번호 '1A2'"), (5, {'no': ''}, "번호 ''"),
    (8, {'serial': '032768'}, "일련번호 '032768'"), (8, {'serial': ''}, "일련번호 ''"),
    (8, {'price': '5만원'}, "단가 '5만원'"), (8, {'amount': ''}, "금액 ''"),
    (8, {'vat': '3000000000'}, "부가세 '3000000000'"), (9, {'a1': '오천'}, "첫째 금액 '오천'"),
    (9, {'a2': ''}, "둘째 금액 ''"), (9, {'a2': '2147483648'}, "둘째 금액 '2147483648'"),
    (10, {'vat0': '3O000'}, "부가세 '3O000'"), (10, {'no': 'ABC'}, "계산서번호 'ABC'")]


@pytest.mark.parametrize('kind, values, fragment', CONVERSIONS)
def test_a_bad_value_refuses_the_file_naming_line_field_and_text(tmp_path, kind, values, fragment):
    prepare(tmp_path / 'db', kind)
    if kind == 1:
        make_table(tmp_path / 'db', 'carno', 'cno C(4); car_num C(12); owner C(10); name C(8); car_cap N(1,0)')
    # the check goes on past a bad record: every record the run would end on is named
    result = run(tmp_path, kind, [rec(kind), rec(kind, **values), rec(kind, **values)])
    refused(tmp_path, kind, result, 2, fragment)
    refused(tmp_path, kind, result, 3, fragment)


HALVES = [(2, dict(price='1234.5', amount='1235.5', vat='-2.5'), {'D31_PRI': [1234], 'D31_AMT': [1236],
                                                                   'D31_VAT': [-2]}),
          (3, dict(a1='1234.5', a2='-2.5'), {'D32_AMT': [1234, -2], 'D32_TOTAL': [1234, -2]}),
          (8, dict(serial='0802.5', price='-1.5', amount='0.5', vat='3.5'), {'NO': [802], 'D31_PRI': [-2],
                                                                           'D31_AMT': [0], 'D31_VAT': [4]}),
          (9, dict(a1='1234.5', a2='1235.5'), {'D32_AMT': [1234, 1236], 'D32_TOTAL': [1234, 1236]})] + [
          (k, dict(**item(0, '', '1', '', '1234.5', '-2.5', '1235.5'), tamount='0.5', tvat='1.5'),
           {'D31_PRI': [1234], 'D31_AMT': [1236], 'D31_VAT': [-2], 'AMT1': [0], 'VAT1': [2]}) for k in (4, 10)]


@pytest.mark.parametrize('kind, values, expected', HALVES)
def test_whole_numbers_round_halves_to_even(tmp_path, kind, values, expected):
    prepare(tmp_path / 'db', kind)
    assert run(tmp_path, kind, [rec(kind, **values)])[0] == 0
    rows = [row for table in tables(kind) for row in read_rows(tmp_path / 'db', table)]
    assert {c: [r[c] for r in rows if c in r] for c in expected} == expected


@pytest.mark.parametrize('kind', KINDS)
def test_a_copy_of_an_imported_file_needs_again_and_then_appends(tmp_path, kind):
    prepare(tmp_path / 'db', kind)
    listing = (0, f'1\t성공\t{rec(kind).decode("cp949")}\n')
    assert run(tmp_path, kind, [rec(kind)])[:2] == listing
    copy = write_export(tmp_path / 'copy' / KINDS[kind].file, [rec(kind)], trailer=kind != 7)
    code, out, err = run_cli(tmp_path / 'db', (kind, copy))
    assert (code, out, '이미 가져온 파일입니다 (' in err, len(main_rows(tmp_path, kind))) == (1, '', True, 1), err
    assert run_cli(tmp_path / 'db', (kind, copy), '--again')[:2] == listing
    rows = main_rows(tmp_path, kind)
    assert len(rows) == 2 and rows[0] == rows[1]


@pytest.mark.parametrize('kind', KINDS)
def test_the_last_line_is_a_trailer_except_in_the_site_file(tmp_path, kind):
    prepare(tmp_path / 'db', kind)
    site = kind == 7
    for lines in (1, 2):  # a file of one line holds nothing but its trailer
        code, out, err = run(tmp_path, kind, [rec(kind)] * lines, trailer=False)
        assert (code, err, len(listed(out))) == (0, '', lines - 1 + site)
    assert len(main_rows(tmp_path, kind)) == 1 + 2 * site


@pytest.mark.parametrize('kind, message', [(0, '(vdrs110.dbf).\n'), (1, missing('차량')), (6, missing('거래처')),
                                           (7, missing('현장'))])
def test_a_missing_fixed_table_ends_the_run_before_anything_is_written(tmp_path, kind, message):
    if kind == 0:
        make_table(tmp_path / 'db', 'vdrs160')
    (tmp_path / 'db').mkdir(exist_ok=True)
    before = snapshot(tmp_path / 'db')
    # a G customer with a site: the site table stays as it was too
    code, out, err = run(tmp_path, kind, [rec(kind, s1='현장') if kind == 0 else rec(kind)] * 2)
    assert (code, out) == (1, '') and message.replace('\n', ' ', 1).strip() in err
    assert snapshot(tmp_path / 'db') == before


OTHER = {8: 9, 9: 10, 10: 8}


@pytest.mark.parametrize('kind', HELD_CODE_KINDS)
def test_the_held_customer_code(tmp_path, kind):
    prepare(tmp_path / 'db', kind)
    prepare(tmp_path / 'db', OTHER[kind], customers=False)
    names = ["O'Neil 건설", '', '대한%', '', '한빛산업(주)']  # a name is matched literally
    steps = [(kind, [rec(kind, name=n) for n in names]),
             (6, [rec(6, old='2X0001', name='신규건설')]),  # appended while the lookup has the table open
             (kind, [rec(kind, name=n) for n in ('', '신규건설')]),
             (OTHER[kind], [rec(OTHER[kind], name='')])]  # each kind holds a code of its own
    code, _, err = run_cli(tmp_path / 'db', *[(k, write_export(tmp_path / str(i) / KINDS[k].file, records))
                                              for i, (k, records) in enumerate(steps)])
    assert (code, err) == (3, '파일의 3번째 줄: 거래처 "대한%"을(를) 거래처 테이블(vdrs110)에서 찾을 수 없습니다.\n')
    assert column(tmp_path / 'db', tables(kind)[0], 'D11_CODE') == \
        ['100007', '100007', '', '', '200003', '200003', '200001']
    assert column(tmp_path / 'db', tables(OTHER[kind])[0], 'D11_CODE') == ['']


@pytest.mark.parametrize('kind', HELD_CODE_KINDS)
def test_an_unreadable_customer_table_is_reported_for_every_record(tmp_path, kind):
    prepare(tmp_path / 'db', kind, customers=False)
    code, out, err = run(tmp_path, kind, [rec(kind), rec(kind, name='')])
    assert (code, len(listed(out))) == (3, 2)
    assert [line[:11] for line in err.splitlines()] == ['파일의 1번째 줄: ', '파일의 2번째 줄: ']
    assert err.count('(vdrs110.dbf)') == 2 and [r['D11_CODE'] for r in main_rows(tmp_path, kind)] == ['', '']


@linux_only('LD_PRELOAD')
@pytest.mark.parametrize('kind', TABLE)
def test_every_written_table_reaches_the_disk(tmp_path, kind):
    log = tmp_path / 'synced'
    assert import_table(tmp_path, kind, env={**PROBE, 'FSYNC_PROBE_LOG': str(log)})[1] == 0
    written = {str(find_table(tmp_path / 'db', t).resolve()) for t, (_, rows) in TABLE[kind][1].items() if rows}
    assert written <= set(log.read_text().splitlines() if log.exists() else [])


@linux_only('LD_PRELOAD')
def test_a_failed_flush_ends_the_run_early_and_the_steps_after_it_do_not_run(tmp_path):
    prepare(tmp_path / 'db', 1)
    first, later = (write_export(tmp_path / d / KINDS[1].file, [rec(1, code=c)] * 2) for d, c in (('a', '001'), ('b', '002')))
    code, out, err = run_cli(tmp_path / 'db', (1, first), (1, later), env={**PROBE, 'FSYNC_PROBE_FAIL': '1'})
    assert code == 1 and err.startswith('테이블을 디스크에 기록하지 못했습니다') and '/carno.' in err
    assert (len(listed(out)), len(read_rows(tmp_path / 'db', 'carno'))) == (2, 2)
