"""Delivery slips (kind 5) through dbfimport-cli: one row per delivery in the
daily table soYYMMDD, the codes built from the record, the check columns, the
daily table switch and the failures, read back with dbfread."""

import datetime

from dbfharness import (field, listed_rows, make_standard_table, read_rows, record, run_cli,
                        tabledir, write_export)  # noqa: F401  (tabledir is a fixture)

WIDTH = 191
MISSING = '테이블이 없습니다.'
CHECK_AND_RETRY = '테이블을 확인하고 다시 시도하십시오.'


def slip(date, number, customer='023', site='1', vehicle='045', volume=('006', '5'),
         check='', saho='(주)한라건설', hyun='송도 현장', plate=('경기12가', '3456'),
         name='김철수', time='0930', mix=('07', '25-240'), s_ger='비고', s_hyun='인천 연수구 송도동'):
    """One delivery: date = (yy, mm, dd) texts; the rest as the export holds them."""
    yy, mm, dd = date
    fields = {1: yy, 3: mm, 5: dd, 7: field(number, 3, 'right'), 11: customer,
              15: field(saho, 20), 36: site, 38: field(hyun, 20), 59: vehicle,
              63: field(plate[0], 8), 72: field(plate[1], 4), 77: field(name, 8), 86: time,
              90: '출하', 96: mix[0], 99: field(mix[1], 8), 108: field(volume[0], 3, 'right'),
              112: volume[1], 113: '배합 정상 출하', 133: field(s_ger, 10),
              144: field(s_hyun, 40), 185: field(check, 6)}
    return record(WIDTH, {k: v for k, v in fields.items() if v != ''})


def run(directory, records, name='S0240115.txt', trailer=True):
    path = write_export(directory.parent / name, records, trailer=trailer)
    return run_cli(directory, ('5', path))


def numbers(directory, table):
    return [r['CONO'] for r in read_rows(directory, table)]


def test_slips_of_one_day_with_every_column(tabledir):
    make_standard_table(tabledir, 'so240115')
    records = [
        slip(('24', '01', '15'), '1', check='검사'),
        slip(('24', '01', '15'), '2', customer='107', site='3', vehicle='112',
             volume=('', ''), saho='동서건설', hyun='광교 아파트', plate=('서울34나', '7890'),
             name='이영희', time='1405', mix=('12', '25-210'), s_ger='', s_hyun=''),
        slip(('24', '01', '15'), '13', check=' 재검 '),
    ]
    code, out, err = run(tabledir, records)
    assert (code, err) == (0, '')
    assert [(p, s) for p, s, _ in listed_rows(out)] == [(1, '성공'), (2, '성공'), (3, '성공')]

    rows = read_rows(tabledir, 'so240115')
    first = rows[0]
    assert (first['DATE'], first['CONO'], first['SCODE'], first['SAHO']) == \
        (datetime.date(2024, 1, 15), 1, '100023', '(주)한라건설')
    assert (first['HCODE'], first['HYUN'], first['CNO'], first['CAR_NUM'], first['NAME']) == \
        ('0231', '송도 현장', '1045', '경기12가-3456', '김철수')
    assert (first['TIME'], first['BCODE'], first['BHAP'], first['LUBE']) == \
        ('0930', '107', '25-240', 6.5)
    assert (first['S_GER'], first['S_HYUN'], first['CHEK_CONT'], first['CHEK']) == \
        ('비고', '인천 연수구 송도동', '검사', 1)

    second = rows[1]
    assert (second['CONO'], second['SCODE'], second['HCODE'], second['CNO'], second['BCODE']) == \
        (2, '100107', '1073', '1112', '112')
    assert (second['CAR_NUM'], second['TIME'], second['LUBE']) == ('서울34나-7890', '1405', 0)
    # no check content: both check columns keep their blanks
    assert (second['CHEK_CONT'], second['CHEK']) == ('', 0)
    # the check content is trimmed
    assert (rows[2]['CONO'], rows[2]['CHEK_CONT'], rows[2]['CHEK']) == (13, '재검', 1)


def test_days_switch_tables_and_back(tabledir):
    make_standard_table(tabledir, 'so240115')
    make_standard_table(tabledir, 'so240116')
    records = [slip(('24', '01', '15'), '1'), slip(('24', '01', '16'), '2'),
               slip(('24', '01', '16'), '3'), slip(('24', '01', '15'), '4')]
    code, out, err = run(tabledir, records)
    assert (code, err) == (0, '')
    assert numbers(tabledir, 'so240115') == [1, 4]
    assert numbers(tabledir, 'so240116') == [2, 3]
    assert [r['DATE'] for r in read_rows(tabledir, 'so240116')] == \
        [datetime.date(2024, 1, 16)] * 2


def test_two_digit_years_are_widened_by_the_2029_window(tabledir):
    make_standard_table(tabledir, 'so291231')
    make_standard_table(tabledir, 'so300101')
    records = [slip(('29', '12', '31'), '1'), slip(('30', '01', '01'), '2')]
    code, out, err = run(tabledir, records)
    assert (code, err) == (0, '')
    assert [r['DATE'] for r in read_rows(tabledir, 'so291231')] == [datetime.date(2029, 12, 31)]
    assert [r['DATE'] for r in read_rows(tabledir, 'so300101')] == [datetime.date(1930, 1, 1)]


def test_missing_daily_table_ends_the_run_and_keeps_the_days_before(tabledir):
    make_standard_table(tabledir, 'so240115')
    records = [slip(('24', '01', '15'), '1'), slip(('24', '01', '15'), '2'),
               slip(('24', '01', '16'), '3'), slip(('24', '01', '15'), '4')]
    code, out, err = run(tabledir, records)
    assert code == 1
    assert 'so240116.dbf ' + MISSING in err and CHECK_AND_RETRY in err
    assert [p for p, _, _ in listed_rows(out)] == [1, 2]
    assert numbers(tabledir, 'so240115') == [1, 2]


def test_a_date_that_names_no_table_gets_the_missing_table_message(tabledir):
    make_standard_table(tabledir, 'so240115')
    records = [slip(('24', '01', '15'), '1'), slip(('24', ' 1', '15'), '2')]
    code, out, err = run(tabledir, records)
    assert code == 1
    # "24/1/15" -> characters 4-5 "1/", 7-8 "5"
    assert 'so241/5.dbf ' + MISSING in err
    assert numbers(tabledir, 'so240115') == [1]


def test_impossible_date_ends_the_run_through_the_error_path(tabledir):
    make_standard_table(tabledir, 'so240115')
    make_standard_table(tabledir, 'so240230')
    records = [slip(('24', '01', '15'), '1'), slip(('24', '02', '30'), '2')]
    code, out, err = run(tabledir, records)
    assert code == 1
    assert '2번째 줄' in err and MISSING not in err
    assert [p for p, _, _ in listed_rows(out)] == [1]
    assert numbers(tabledir, 'so240115') == [1]
    assert read_rows(tabledir, 'so240230') == []


def test_blank_or_non_numeric_number_ends_the_run_naming_line_and_text(tabledir):
    make_standard_table(tabledir, 'so240115')
    for bad in ('', '1A2'):
        records = [slip(('24', '01', '15'), '5'), slip(('24', '01', '15'), bad)]
        code, out, err = run(tabledir, records)
        assert code == 1, bad
        assert '2번째 줄' in err and '번호' in err and f"'{bad}'" in err
        assert [p for p, _, _ in listed_rows(out)] == [1]
    assert numbers(tabledir, 'so240115') == [5, 5]


def test_last_line_is_not_imported_and_other_names_are_refused(tabledir):
    make_standard_table(tabledir, 'so240115')
    records = [slip(('24', '01', '15'), '1'), slip(('24', '01', '15'), '2')]
    code, out, err = run(tabledir, records, trailer=False)
    assert (code, err) == (0, '')
    assert numbers(tabledir, 'so240115') == [1]
    code, out, err = run(tabledir, records, name='SO240115.txt', trailer=False)   # letter O, not zero
    assert code == 1
    assert numbers(tabledir, 'so240115') == [1]
    code, out, err = run(tabledir, records, name='s0240115.txt', trailer=False)
    assert code == 0
    assert numbers(tabledir, 'so240115') == [1, 1]
