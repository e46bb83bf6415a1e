"""G collection file (kind 3): one row per non-zero amount into the monthly
collection table k32_YYMM of the record's date, through dbfimport-cli, read
back with dbfread."""

import datetime

from dbfharness import (field, listed_rows, make_standard_table, read_rows, record, run_cli,
                        tabledir, write_export)  # noqa: F401  (tabledir is a fixture)

WIDTH = 70


def g_collection(date='20040315', customer='012', name='대한건설', first='150000', second='0'):
    """A record of G수금.txt; date is YYYYMMDD (month or day may be padded)."""
    fields = {1: date[:4], 5: date[4:6], 7: date[6:8], 9: customer, 23: name,
              47: field(first, 12, 'right'), 59: field(second, 12, 'right')}
    return record(WIDTH, {k: v for k, v in fields.items() if v.strip() != ''})


def import_collections(directory, records, tables=('k32_0403', 'k32_0404')):
    for table in tables:
        make_standard_table(directory, table)
    path = write_export(directory.parent / 'G수금.txt', records)
    return run_cli(directory, ('3', path))


def rows_of(directory, table):
    return [(r['D32_DATE'], r['D11_CODE'], r['D11_CNAME'], r['D32_CGUBUN'], r['D32_AMT'],
             r['D32_TOTAL']) for r in read_rows(directory, table)]


def test_one_row_per_non_zero_amount_in_the_month_of_the_date(tabledir):
    records = [
        g_collection('20040331', '012', '대한건설', '150000', '0'),
        g_collection('20040331', '045', '한빛산업(주)', '0', '50000'),
        g_collection('20040401', '012', '대한건설', '30000', '20000'),
        g_collection('20040330', '077', '무거래상사', '0', ''),
        g_collection('20040315', '', '현금손님', '-5000', '1234.5'),
        g_collection('20040316', '103', "O'Neil 상사", '1235.5', '0.4'),
    ]
    code, out, err = import_collections(tabledir, records)
    assert (code, err) == (0, '')
    # every record is listed, also the one that gave no row
    assert [(p, s) for p, s, _ in listed_rows(out)] == [(i, '성공') for i in range(1, 7)]

    march = datetime.date(2004, 3, 31)
    assert rows_of(tabledir, 'k32_0403') == [
        (march, '100012', '대한건설', '1', 150000, 150000),
        (march, '100045', '한빛산업(주)', '2', 50000, 50000),
        # negative amounts give rows; a blank customer number gives 100
        (datetime.date(2004, 3, 15), '100', '현금손님', '1', -5000, -5000),
        (datetime.date(2004, 3, 15), '100', '현금손님', '2', 1234, 1234),
        # halves to even; 0.4 is not zero, so it gives a row that rounds to 0
        (datetime.date(2004, 3, 16), '100103', "O'Neil 상사", '1', 1236, 1236),
        (datetime.date(2004, 3, 16), '100103', "O'Neil 상사", '2', 0, 0),
    ]
    april = datetime.date(2004, 4, 1)
    assert rows_of(tabledir, 'k32_0404') == [
        (april, '100012', '대한건설', '1', 30000, 30000),
        (april, '100012', '대한건설', '2', 20000, 20000),
    ]
    # the detail columns of the ready-mix collections stay blank
    first = read_rows(tabledir, 'k32_0403')[0]
    assert (first['D32_SI'], first['D32_B_POSI']) == ('', '')


def test_a_missing_month_shows_its_message_and_keeps_the_rows_before(tabledir):
    records = [g_collection('20040331', first='1000'), g_collection('20040501', first='2000'),
               g_collection('20040331', first='3000')]
    code, out, err = import_collections(tabledir, records)
    assert code == 1
    assert err.strip() == 'k32_0405.dbf 테이블이 없습니다.\n테이블을 확인하고 다시 시도하십시오.'
    assert [r[4] for r in rows_of(tabledir, 'k32_0403')] == [1000]
    assert len(listed_rows(out)) == 1


def test_dates_that_name_no_table_show_the_missing_table_message(tabledir):
    # blank date fields give the bare prefix; a month padded with a space
    # gives 2004/3/15 and so the name k32_043/
    for number, (date, name) in enumerate((('        ', 'k32_'), ('2004 315', 'k32_043/'))):
        directory = tabledir.parent / f'db{number}'
        directory.mkdir()
        code, _, err = import_collections(directory, [g_collection('20040310'),
                                                      g_collection(date)])
        assert code == 1
        assert err.startswith(f'{name}.dbf 테이블이 없습니다.\n'), err
        assert len(rows_of(directory, 'k32_0403')) == 1


def test_a_day_padded_with_a_space_still_finds_its_table_and_date(tabledir):
    code, _, err = import_collections(tabledir, [g_collection('200403 5')])
    assert (code, err) == (0, '')
    assert [r[0] for r in rows_of(tabledir, 'k32_0403')] == [datetime.date(2004, 3, 5)]


def test_an_amount_out_of_range_ends_the_run_before_any_row_of_its_record(tabledir):
    records = [g_collection('20040310', first='1000'),
               g_collection('20040311', customer='045', first='2000', second='3000000000')]
    code, out, err = import_collections(tabledir, records)
    assert code == 1
    assert '파일의 2번째 줄' in err and '둘째 금액' in err and '3000000000' in err
    # the record's first amount is not written alone
    assert [(r[1], r[4]) for r in rows_of(tabledir, 'k32_0403')] == [('100012', 1000)]
    assert len(listed_rows(out)) == 1


def test_an_impossible_date_ends_the_run_through_the_error_path(tabledir):
    records = [g_collection('20040430'), g_collection('20040431', customer='045')]
    code, _, err = import_collections(tabledir, records)
    assert code == 1
    assert '파일의 2번째 줄' in err
    assert [r[1] for r in rows_of(tabledir, 'k32_0404')] == ['100012']
