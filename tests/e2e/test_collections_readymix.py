"""Ready-mix collection file (kind 9): one row per positive amount into the
monthly collection table k32_YYMM, numbered within the record, the customer
code found by name in vdrs110, through dbfimport-cli, read back with dbfread."""

import datetime

import dbf

from dbfharness import (field, listed_rows, make_standard_table, read_rows, record, run_cli,
                        tabledir, write_export)  # noqa: F401  (tabledir is a fixture)

WIDTH = 225
ZERO_DATE = datetime.date(1899, 12, 30)  # day 0 of the date serial

CUSTOMERS = [('100001', '대한건설'), ('200003', '한빛산업(주)'), ('100007', "O'Neil 건설")]


def rm_collection(date='20040315', name='대한건설', first='150000', second='0',
                  text='', number='', first_detail='', second_detail=''):
    """A record of 레미콘수금.txt; dates are YYYYMMDD."""
    fields = {1: date[:4], 5: date[4:6], 7: date[6:8], 33: name,
              64: field(first, 12, 'right'), 77: field(second, 12, 'right'),
              121: text, 132: number}
    for start, date_field in ((145, first_detail), (154, second_detail)):
        if date_field:
            fields.update({start: date_field[:4], start + 4: date_field[4:6],
                           start + 6: date_field[6:8]})
    return record(WIDTH, {k: v for k, v in fields.items() if v.strip() != ''})


def import_collections(directory, records, tables=('k32_0403', 'k32_0404')):
    table = dbf.Table(str(make_standard_table(directory, 'vdrs110')))
    table.open(dbf.READ_WRITE)
    for code, name in CUSTOMERS:
        table.append({'d11_code': code, 'd11_cname': name})
    table.close()
    for name in tables:
        make_standard_table(directory, name)
    path = write_export(directory.parent / '레미콘수금.txt', records)
    return run_cli(directory, ('9', path))


def main_columns(row):
    return (row['D32_DATE'], row['D11_CODE'], row['D11_CNAME'], row['D32_CGUBUN'],
            row['D32_SI'], row['D32_AMT'], row['D32_TOTAL'])


def detail_columns(row):
    return (row['D32_B_POSI'], row['D32_B_NO'], row['D32_B_WDAY'], row['D32_B_ODAY'])


def test_rows_for_positive_amounts_numbered_within_their_record(tabledir):
    records = [
        rm_collection('20040331', '대한건설', '150000', '0'),
        rm_collection('20040331', '한빛산업(주)', '0', '50000', '신한은행', '12-345-6789',
                      '20040331', '20040630'),
        rm_collection('20040401', "O'Neil 건설", '30000', '20000', '어음', '가나12345678',
                      '20040401', '20040731'),
        rm_collection('20040315', '대한건설', '-5000', '0'),
        rm_collection('20040316', '', '0', '0'),
        rm_collection('20040317', '', '1234.5', '1235.5', '당좌', '', '', ''),
    ]
    code, out, err = import_collections(tabledir, records)
    assert (code, err) == (0, '')
    # records without a row are listed too
    assert [(p, s) for p, s, _ in listed_rows(out)] == [(i, '성공') for i in range(1, 7)]

    march = read_rows(tabledir, 'k32_0403')
    d31 = datetime.date(2004, 3, 31)
    d17 = datetime.date(2004, 3, 17)
    assert [main_columns(r) for r in march] == [
        (d31, '100001', '대한건설', '1', '1', 150000, 150000),
        (d31, '200003', '한빛산업(주)', '2', '1', 50000, 50000),
        # a blank name carries the code held from the record before; halves to even
        (d17, '100001', '', '1', '1', 1234, 1234),
        (d17, '100001', '', '2', '2', 1236, 1236),
    ]
    # only the second amount's row carries the details; blank detail dates
    # are the zero date
    assert march[0]['D32_B_POSI'] == '' and march[0]['D32_B_NO'] in ('', None)
    assert march[0]['D32_B_WDAY'] == ZERO_DATE and march[0]['D32_B_ODAY'] == ZERO_DATE
    assert detail_columns(march[1]) == ('신한은행', '12-345-6789', d31, datetime.date(2004, 6, 30))
    assert march[3]['D32_B_POSI'] == '당좌'
    assert march[3]['D32_B_WDAY'] == ZERO_DATE and march[3]['D32_B_ODAY'] == ZERO_DATE

    april = read_rows(tabledir, 'k32_0404')
    d01 = datetime.date(2004, 4, 1)
    assert [main_columns(r) for r in april] == [
        (d01, '100007', "O'Neil 건설", '1', '1', 30000, 30000),
        (d01, '100007', "O'Neil 건설", '2', '2', 20000, 20000),
    ]
    assert april[0]['D32_B_POSI'] == '' and april[0]['D32_B_WDAY'] == ZERO_DATE
    assert detail_columns(april[1]) == ('어음', '가나12345678', d01, datetime.date(2004, 7, 31))


def test_a_name_not_found_empties_the_held_code(tabledir):
    records = [rm_collection('20040310', '한빛산업(주)', '1000'),
               rm_collection('20040311', '(주)없는회사', '2000'),
               rm_collection('20040312', '', '3000'),
               rm_collection('20040313', '대한건설', '4000')]
    code, out, err = import_collections(tabledir, records)
    assert code == 3  # imported, but a message was shown
    assert '(주)없는회사' in err and '2번째 줄' in err
    assert [(r['D11_CODE'], r['D32_AMT']) for r in read_rows(tabledir, 'k32_0403')] == [
        ('200003', 1000), ('', 2000), ('', 3000), ('100001', 4000)]
    assert len(listed_rows(out)) == 4


def test_a_missing_month_shows_its_message_and_keeps_the_rows_before(tabledir):
    records = [rm_collection('20040331', first='1000'), rm_collection('20040501', first='2000'),
               rm_collection('20040331', first='3000')]
    code, out, err = import_collections(tabledir, records)
    assert code == 1
    assert err.strip() == 'k32_0405.dbf 테이블이 없습니다.\n테이블을 확인하고 다시 시도하십시오.'
    assert [r['D32_AMT'] for r in read_rows(tabledir, 'k32_0403')] == [1000]
    assert len(listed_rows(out)) == 1


def test_a_month_padded_with_a_space_gives_the_missing_table_message(tabledir):
    code, _, err = import_collections(tabledir, [rm_collection('20040305'),
                                                 rm_collection('2004 315')])
    assert code == 1
    assert 'k32_043/.dbf 테이블이 없습니다.' in err
    assert len(read_rows(tabledir, 'k32_0403')) == 1


def test_a_record_without_month_or_day_ends_the_run(tabledir):
    for number, date in enumerate(('20040015', '20040300', '        ')):
        directory = tabledir.parent / f'db{number}'
        directory.mkdir()
        code, out, err = import_collections(directory, [
            rm_collection('20040301', first='1000'), rm_collection(date, first='2000'),
            rm_collection('20040302', first='3000')])
        assert code == 1
        assert '파일의 2번째 줄' in err and '월 또는 일이 없습니다' in err
        assert [r['D32_AMT'] for r in read_rows(directory, 'k32_0403')] == [1000]
        assert len(listed_rows(out)) == 1


def test_a_blank_or_bad_amount_ends_the_run_before_any_row_of_its_record(tabledir):
    cases = [({'first': '5000', 'second': ''}, '둘째 금액', ''),
             ({'first': '오천', 'second': '100'}, '첫째 금액', '오천'),
             ({'first': '100', 'second': '2147483648'}, '둘째 금액', '2147483648')]
    for number, (bad, label, text) in enumerate(cases):
        directory = tabledir.parent / f'db{number}'
        directory.mkdir()
        code, out, err = import_collections(directory, [
            rm_collection('20040301', first='1000'), rm_collection('20040302', **bad)])
        assert code == 1, bad
        assert '파일의 2번째 줄' in err and label in err and text in err, err
        assert [r['D32_AMT'] for r in read_rows(directory, 'k32_0403')] == [1000]
        assert len(listed_rows(out)) == 1
