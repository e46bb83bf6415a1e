"""Ready-mix daily sales file (kind 8): one row per record into the monthly
sales table k31_YYMM, the customer code found by name in vdrs110, through
dbfimport-cli, read back with dbfread."""

import datetime

import dbf

from dbfharness import (field, listed_rows, make_standard_table, read_rows, record, run_cli,
                        tabledir, write_export)  # noqa: F401  (tabledir is a fixture)

WIDTH = 371
ZERO_DATE = datetime.date(1899, 12, 30)  # day 0 of the date serial

CUSTOMERS = [('100001', '대한건설'), ('200003', '한빛산업(주)'), ('100007', "O'Neil 건설"),
             ('100009', '대한건설')]  # a second 대한건설: the first stored wins


def rm_sale(serial='000101', date='20040315', site='005', status='정상', category='상품',
            name='대한건설', site_name='강남아파트', item='25-210-15',
            quantity=('00006', '50'), price='52000', amount='338000', vat='33800',
            second_date=''):
    """A record of 레미콘일일판매.txt; dates are YYYYMMDD."""
    fields = {1: serial, 8: date[:4], 12: date[4:6], 14: date[6:8], 24: site, 37: status,
              46: category, 102: name, 133: site_name, 164: item,
              179: quantity[0], 184: quantity[1], 187: field(price, 8, 'right'),
              196: field(amount, 12, 'right'), 209: field(vat, 11, 'right')}
    if second_date:
        fields.update({326: second_date[:4], 330: second_date[4:6], 332: second_date[6:8]})
    return record(WIDTH, {k: v for k, v in fields.items() if v != ''})


def add_customers(directory, customers=CUSTOMERS):
    table = dbf.Table(str(make_standard_table(directory, 'vdrs110')))
    table.open(dbf.READ_WRITE)
    for code, name in customers:
        table.append({'d11_code': code, 'd11_cname': name})
    table.close()


def prepare(directory, tables=('k31_0403', 'k31_0404')):
    add_customers(directory)
    for table in tables:
        make_standard_table(directory, table)


def sales_file(directory, records, folder='files'):
    place = directory.parent / folder
    place.mkdir(exist_ok=True)
    return write_export(place / '레미콘일일판매.txt', records)


def import_sales(directory, records, tables=('k31_0403', 'k31_0404')):
    prepare(directory, tables)
    return run_cli(directory, ('8', sales_file(directory, records)))


def test_daily_sales_with_lookups_codes_and_the_month_switch(tabledir):
    records = [
        rm_sale('000101', '20040331', '005', '정상', '상품', '대한건설', '강남아파트',
                '25-210-15', ('00006', '50'), '52000', '338000', '33800'),
        rm_sale('000102', '20040401', '', '금월미판', '', '한빛산업(주)', '분당상가',
                '25-240-15', ('00012', '00'), '54000', '648000', '64800'),
        # a continuation line without a name carries the code of the line before
        rm_sale('000103', '20040331', '017', '', '임가공', '', '분당상가', '25-240-15',
                ('00001', '25'), '54000', '67500', '6750'),
        rm_sale('000104', '20040315', '017', '전월미판', '자가소비 기증', "O'Neil 건설",
                '일산공장', '40-180-8', ('00100', '00'), '48000', '4800000', '480000',
                second_date='20040227'),
        rm_sale('000105', '20040316', '100', '정상', '상품기증', '대한건설', '', '',
                ('', ''), '0', '0', '0'),
        rm_sale('000106', '20040317', '100', '정상', '기타', '대한건설', '', '',
                ('', '5'), '1', '1', '0'),
    ]
    code, out, err = import_sales(tabledir, records)
    assert (code, err) == (0, '')
    assert [(p, s) for p, s, _ in listed_rows(out)] == [(i, '성공') for i in range(1, 7)]

    march = read_rows(tabledir, 'k31_0403')
    april = read_rows(tabledir, 'k31_0404')
    columns = ('NO', 'D31_MGCODE', 'D11_CODE', 'D16_CODE', 'BALHAENG', 'D31_CHGB', 'D11_CNAME',
               'D16_CNAME', 'D14_NAME', 'D31_QTY', 'D31_PRI', 'D31_AMT', 'D31_VAT')
    assert [tuple(r[c] for c in columns) for r in march] == [
        (101, '1', '100001', '1005', 1, '2', '대한건설', '강남아파트', '25-210-15', 6.5,
         52000, 338000, 33800),
        (103, '2', '200003', '1017', 1, '3', '', '분당상가', '25-240-15', 1.25,
         54000, 67500, 6750),
        (104, '1', '100007', '1017', 1, '4', "O'Neil 건설", '일산공장', '40-180-8', 100.0,
         48000, 4800000, 480000),
        (105, '1', '100001', '1100', 1, '2', '대한건설', '', '', 0.0, 0, 0, 0),
        # a category holding none of the four words leaves the column blank
        (106, '1', '100001', '1100', 1, '', '대한건설', '', '', 0.5, 1, 1, 0),
    ]
    # a blank site number gives 1; "금월미판" gives 2; a blank category gives 1
    assert [tuple(r[c] for c in columns) for r in april] == [
        (102, '2', '200003', '1', 2, '1', '한빛산업(주)', '분당상가', '25-240-15', 12.0,
         54000, 648000, 64800)]

    dates = [(r['D31_DATE'], r['BAL_DATE']) for r in march]
    # last month's unsold sale: the record date picks the table and is D31_date,
    # the second date is the issue date
    assert dates == [(datetime.date(2004, 3, 31), datetime.date(2004, 3, 31)),
                     (datetime.date(2004, 3, 31), datetime.date(2004, 3, 31)),
                     (datetime.date(2004, 3, 15), datetime.date(2004, 2, 27)),
                     (datetime.date(2004, 3, 16), datetime.date(2004, 3, 16)),
                     (datetime.date(2004, 3, 17), datetime.date(2004, 3, 17))]


def test_unsold_last_month_without_a_second_date_gets_the_zero_date(tabledir):
    code, _, err = import_sales(tabledir, [rm_sale(status='전월미판', second_date='20040200')])
    assert (code, err) == (0, '')
    row = read_rows(tabledir, 'k31_0403')[0]
    assert row['D31_DATE'] == datetime.date(2004, 3, 15)
    assert row['BAL_DATE'] == ZERO_DATE


def test_a_name_not_found_empties_the_held_code(tabledir):
    records = [rm_sale('000201', name='대한건설'),
               rm_sale('000202', name='없는회사'),
               rm_sale('000203', name=''),
               rm_sale('000204', name='한빛산업(주)')]
    code, out, err = import_sales(tabledir, records)
    assert code == 3  # imported, but a message was shown
    assert '없는회사' in err and '2번째 줄' in err
    rows = read_rows(tabledir, 'k31_0403')
    # never the previous customer's code for money of another customer
    assert [(r['NO'], r['D11_CODE'], r['D31_MGCODE']) for r in rows] == [
        (201, '100001', '1'), (202, '', ''), (203, '', ''), (204, '200003', '2')]
    assert len(listed_rows(out)) == 4


def test_held_code_outlives_the_run_and_is_kept_apart_from_collections(tabledir):
    prepare(tabledir)
    make_standard_table(tabledir, 'k32_0403')
    first = sales_file(tabledir, [rm_sale('000301', name='한빛산업(주)')], 'first')
    second = sales_file(tabledir, [rm_sale('000302', name='')], 'second')
    collections = write_export(tabledir.parent / '레미콘수금.txt', [record(225, {
        1: '2004', 5: '03', 7: '15', 64: field('1000', 12, 'right'),
        77: field('0', 12, 'right')})])
    code, _, err = run_cli(tabledir, ('8', first), ('8', second), ('9', collections))
    assert (code, err) == (0, '')
    assert [r['D11_CODE'] for r in read_rows(tabledir, 'k31_0403')] == ['200003', '200003']
    # the collection import holds a code of its own, still empty
    assert [r['D11_CODE'] for r in read_rows(tabledir, 'k32_0403')] == ['']


def test_a_missing_month_shows_its_message_and_keeps_the_rows_before(tabledir):
    records = [rm_sale('000401', '20040330'), rm_sale('000402', '20040331'),
               rm_sale('000403', '20040501'), rm_sale('000404', '20040331')]
    code, out, err = import_sales(tabledir, records)
    assert code == 1
    assert err.strip() == 'k31_0405.dbf 테이블이 없습니다.\n테이블을 확인하고 다시 시도하십시오.'
    assert [r['NO'] for r in read_rows(tabledir, 'k31_0403')] == [401, 402]
    assert len(listed_rows(out)) == 2


def test_a_month_padded_with_a_space_gives_the_missing_table_message(tabledir):
    code, _, err = import_sales(tabledir, [rm_sale('000501', '20040305'),
                                           rm_sale('000502', '2004 315')])
    assert code == 1
    assert 'k31_043/.dbf 테이블이 없습니다.' in err
    assert [r['NO'] for r in read_rows(tabledir, 'k31_0403')] == [501]


def test_a_record_without_month_or_day_ends_the_run(tabledir):
    for number, date in enumerate(('20040015', '20040300', '2004    ')):
        directory = tabledir.parent / f'db{number}'
        directory.mkdir()
        code, out, err = import_sales(directory, [rm_sale('000601'), rm_sale('000602', date),
                                                  rm_sale('000603')])
        assert code == 1
        assert '파일의 2번째 줄' in err and '월 또는 일이 없습니다' in err
        assert [r['NO'] for r in read_rows(directory, 'k31_0403')] == [601]
        assert len(listed_rows(out)) == 1


def test_conversion_failures_name_line_field_and_text(tabledir):
    cases = [({'serial': '032768'}, '일련번호', '032768'), ({'serial': ''}, '일련번호', ''),
             ({'price': '5만원'}, '단가', '5만원'), ({'amount': ''}, '금액', ''),
             ({'vat': '3000000000'}, '부가세', '3000000000')]
    for number, (bad, label, text) in enumerate(cases):
        directory = tabledir.parent / f'db{number}'
        directory.mkdir()
        code, out, err = import_sales(directory, [rm_sale('000701'), rm_sale(**bad)])
        assert code == 1, bad
        assert '파일의 2번째 줄' in err and label in err and text in err, err
        assert [r['NO'] for r in read_rows(directory, 'k31_0403')] == [701]


def test_whole_numbers_round_halves_to_even(tabledir):
    code, _, err = import_sales(tabledir, [
        rm_sale('000801', price='1234.5', amount='1235.5', vat='0.5'),
        rm_sale(' 802.5', price='-1.5', amount='2.5', vat='3.49')])
    assert (code, err) == (0, '')
    rows = read_rows(tabledir, 'k31_0403')
    assert [(r['NO'], r['D31_PRI'], r['D31_AMT'], r['D31_VAT']) for r in rows] == \
        [(801, 1234, 1236, 0), (802, -2, 2, 3)]


def test_an_unreadable_customer_table_is_reported_for_every_record(tabledir):
    # no vdrs110: each lookup says so, also for a blank name; the sales still
    # go in, without a customer code rather than with a wrong one
    make_standard_table(tabledir, 'k31_0403')
    path = sales_file(tabledir, [rm_sale('000901', name='대한건설'), rm_sale('000902', name='')])
    code, out, err = run_cli(tabledir, ('8', path))
    assert code == 3
    assert '파일의 1번째 줄' in err and '파일의 2번째 줄' in err and err.count('vdrs110') >= 2
    rows = read_rows(tabledir, 'k31_0403')
    assert [(r['NO'], r['D11_CODE'], r['D31_MGCODE']) for r in rows] == [(901, '', ''),
                                                                         (902, '', '')]
    assert len(listed_rows(out)) == 2
