"""G sales file (kind 2): one row per record into the monthly sales table
k31_YYMM of the record's date, through dbfimport-cli, read back with dbfread."""

import datetime

from dbfharness import (field, listed_rows, make_standard_table, read_rows, record, run_cli,
                        tabledir, write_export)  # noqa: F401  (tabledir is a fixture)

WIDTH = 145


def g_sale(date='20040315', customer='012', item='07', name='대한건설', item_name='25mm골재',
           quantity=('00012', '50'), price='15000', amount='187500', vat='18750', kind='외상'):
    """A record of G판매.txt; date is YYYYMMDD (month or day may be padded)."""
    fields = {1: date[:4], 5: date[4:6], 7: date[6:8], 10: customer, 14: item,
              33: name, 64: item_name, 75: quantity[0], 80: quantity[1],
              83: field(price, 8, 'right'), 92: field(amount, 12, 'right'),
              105: field(vat, 11, 'right'), 130: kind}
    return record(WIDTH, {k: v for k, v in fields.items() if v != ''})


def import_sales(directory, records, tables=('k31_0403', 'k31_0404')):
    for table in tables:
        make_standard_table(directory, table)
    path = write_export(directory.parent / 'G판매.txt', records)
    return run_cli(directory, ('2', path))


def summary(row):
    return (row['D31_DATE'], row['D11_CODE'], row['D14_CODE'], row['D11_CNAME'],
            row['D14_NAME'], row['D31_QTY'], row['D31_PRI'], row['D31_AMT'], row['D31_VAT'],
            row['D31_CHGB'])


def test_sales_go_to_the_month_of_their_date_and_back(tabledir):
    records = [
        g_sale('20040331', '012', '07', '대한건설', '25mm골재', ('00012', '50'),
               '15000', '187500', '18750', '외상'),
        g_sale('20040331', '045', '11', '한빛산업(주)', '모래', ('00003', '00'),
               '9000', '27000', '2700', '현금'),
        g_sale('20040401', '012', '07', '대한건설', '25mm골재', ('00001', '25'),
               '16000', '20000', '2000', '어음'),
        g_sale('20040330', '', '', '현금손님', '잡석', ('', ''), '0', '0', '0', ''),
        g_sale('20040315', '103', '02', "O'Neil 상사", '40mm골재', ('00100', '05'),
               '12000', '1200600', '120060', '외상특판'),
    ]
    code, out, err = import_sales(tabledir, records)
    assert (code, err) == (0, '')
    assert [(p, s) for p, s, _ in listed_rows(out)] == [(i, '성공') for i in range(1, 6)]
    assert listed_rows(out)[1][2].startswith('20040331 045')

    march = [summary(r) for r in read_rows(tabledir, 'k31_0403')]
    assert march == [
        (datetime.date(2004, 3, 31), '100012', '107', '대한건설', '25mm골재', 12.5,
         15000, 187500, 18750, '외상'),
        (datetime.date(2004, 3, 31), '100045', '111', '한빛산업(주)', '모래', 3.0,
         9000, 27000, 2700, '현금'),
        # blank customer and item numbers give empty codes; blank quantity gives 0
        (datetime.date(2004, 3, 30), '', '', '현금손님', '잡석', 0.0, 0, 0, 0, ''),
        (datetime.date(2004, 3, 15), '100103', '102', "O'Neil 상사", '40mm골재', 100.05,
         12000, 1200600, 120060, '외상특판'),
    ]
    april = [summary(r) for r in read_rows(tabledir, 'k31_0404')]
    assert april == [(datetime.date(2004, 4, 1), '100012', '107', '대한건설', '25mm골재', 1.25,
                      16000, 20000, 2000, '어음')]
    # the columns of the ready-mix sales stay blank
    first = read_rows(tabledir, 'k31_0403')[0]
    assert (first['NO'], first['D31_MGCODE'], first['D16_CODE'], first['D16_CNAME']) == \
        (0, '', '', '')


def test_a_missing_month_ends_the_run_and_keeps_the_rows_before(tabledir):
    records = [g_sale('20040330'), g_sale('20040331', customer='045'),
               g_sale('20040501', customer='099'), g_sale('20040331', customer='077')]
    code, out, err = import_sales(tabledir, records)
    assert code == 1
    assert 'k31_0405' in err and '파일의 3번째 줄' in err
    assert [r['D11_CODE'] for r in read_rows(tabledir, 'k31_0403')] == ['100012', '100045']
    assert read_rows(tabledir, 'k31_0404') == []
    assert len(listed_rows(out)) == 2


def test_a_month_padded_with_a_space_names_no_table(tabledir):
    # " 3" is trimmed to "3": 2004/3/15 gives the name k31_043/, no table
    records = [g_sale('20040305'), g_sale('2004 315', customer='045')]
    code, out, err = import_sales(tabledir, records)
    assert code == 1
    assert 'k31_043/' in err and '파일의 2번째 줄' in err
    assert [r['D11_CODE'] for r in read_rows(tabledir, 'k31_0403')] == ['100012']


def test_a_day_padded_with_a_space_still_finds_its_table_and_date(tabledir):
    code, _, err = import_sales(tabledir, [g_sale('200403 5')])
    assert (code, err) == (0, '')
    assert [r['D31_DATE'] for r in read_rows(tabledir, 'k31_0403')] == [datetime.date(2004, 3, 5)]


def test_conversion_failures_name_line_field_and_text(tabledir):
    records = [g_sale('20040310'), g_sale('20040311', customer='045'),
               g_sale('20040312', customer='099', amount='')]
    code, out, err = import_sales(tabledir, records)
    assert code == 1
    assert '파일의 3번째 줄' in err and '금액' in err
    assert [r['D11_CODE'] for r in read_rows(tabledir, 'k31_0403')] == ['100012', '100045']
    assert len(listed_rows(out)) == 2

    for bad_field, label, text in (('price', '단가', '12a00'), ('vat', '부가세', '99999999999')):
        directory = tabledir.parent / f'db_{bad_field}'
        directory.mkdir()
        code, _, err = import_sales(directory, [g_sale(), g_sale(**{bad_field: text})])
        assert code == 1
        assert '파일의 2번째 줄' in err and label in err and text in err
        assert len(read_rows(directory, 'k31_0403')) == 1


def test_whole_numbers_round_halves_to_even(tabledir):
    records = [g_sale(price='1234.5', amount='1235.5', vat='-2.5'),
               g_sale(price='0.5', amount='1.5', vat='2.4')]
    code, _, err = import_sales(tabledir, records)
    assert (code, err) == (0, '')
    rows = read_rows(tabledir, 'k31_0403')
    assert [(r['D31_PRI'], r['D31_AMT'], r['D31_VAT']) for r in rows] == \
        [(1234, 1236, -2), (0, 2, 2)]


def test_an_impossible_date_ends_the_run_through_the_error_path(tabledir):
    make_standard_table(tabledir, 'k31_0402')
    records = [g_sale('20040228'), g_sale('20040230', customer='045')]
    code, _, err = import_sales(tabledir, records)
    assert code == 1
    assert '파일의 2번째 줄' in err
    assert [r['D11_CODE'] for r in read_rows(tabledir, 'k31_0402')] == ['100012']


def test_a_file_of_one_line_writes_nothing(tabledir):
    make_standard_table(tabledir, 'k31_0403')
    path = write_export(tabledir.parent / 'G판매.txt', [g_sale()], trailer=False)
    code, out, err = run_cli(tabledir, ('2', path))
    assert (code, err, listed_rows(out)) == (0, '', [])
    assert read_rows(tabledir, 'k31_0403') == []
