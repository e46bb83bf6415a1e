"""Ready-mix invoices (kind 10) through dbfimport-cli: the customer found by
name in vdrs110 and held from record to record, line rows without an item
code, summary rows, the monthly table switch and the failures, read back with
dbfread."""

import datetime

import dbf

from dbfharness import (field, listed_rows, make_standard_table, read_rows, record, run_cli,
                        tabledir, write_export)  # noqa: F401  (tabledir is a fixture)

WIDTH = 616
GROUP_BASE, GROUP_STRIDE = 223, 92
NO_ITEM = None
MISSING = '테이블이 없습니다.'

CUSTOMERS = [('100001', '대한건설(주)'), ('100002', "O'Neil 건설"), ('200001', '삼일토건'),
             ('200002', '대한건설(주)')]   # a second customer of the same name: the first wins


def mix(name='25-240-15', qty='6', dec='00', price='50000', vat='30000', amount='300000'):
    return (name, qty, dec, price, vat, amount)


def invoice(number, date, customer, items, totals=('6', '00', '300000', '30000'), code='R001'):
    """A ready-mix invoice line: date = (year, month, day) texts; items: up
    to four mix(...) or NO_ITEM; totals = (qty, dec, amount, vat)."""
    year, month, day = date
    fields = {1: field(number, 3, 'right'), 4: 'RM-2024-0001', 23: year, 27: month, 29: day,
              31: '경기 화성시 동탄면', 57: field(customer, 30), 87: '대표 김레미 / 건설업',
              606: code, 610: '발행'}
    for k, it in enumerate(items):
        if it is NO_ITEM:
            continue
        base = GROUP_BASE + GROUP_STRIDE * k
        name, qty, dec, price, vat, amount = it
        fields.update({base: field(name, 9), base + 15: field(qty, 5, 'right'),
                       base + 20: field(dec, 2), base + 23: field(price, 8, 'right'),
                       base + 45: field(vat, 11, 'right'), base + 57: field(amount, 12, 'right'),
                       base + 69: '현장'})
    tqty, tdec, tamount, tvat = totals
    fields.update({573: field(tqty, 5, 'right'), 578: field(tdec, 2),
                   581: field(tamount, 12, 'right'), 594: field(tvat, 11, 'right')})
    return record(WIDTH, {k: v for k, v in fields.items() if v != ''})


def make_customers(directory, customers=CUSTOMERS):
    path = make_standard_table(directory, 'vdrs110')
    table = dbf.Table(str(path))
    table.open(dbf.READ_WRITE)
    for code, name in customers:
        table.append({'d11_code': code, 'd11_cname': name})
    table.close()


def make_month(directory, yymm, lines=True, summary=True):
    if lines:
        make_standard_table(directory, f'K57_{yymm}')
    if summary:
        make_standard_table(directory, f'k56_{yymm}')


def export(directory, records, name='레미콘계산서.txt', trailer=True):
    return write_export(directory.parent / name, records, trailer=trailer)


def run(directory, records, **options):
    return run_cli(directory, ('10', export(directory, records, **options)))


def codes(rows):
    return [(r['D52_SI'], r['D11_CODE']) for r in rows]


def test_customers_found_by_name_and_held_for_continuation_lines(tabledir):
    make_customers(tabledir)
    make_month(tabledir, '2403')
    records = [
        invoice('101', ('2024', '03', '05'), '대한건설(주)',
                [mix(), NO_ITEM, mix('25-210-12', '12', '50', '48000', '60000', '600000')],
                ('18', '50', '900000', '90000'), code='R101'),
        invoice('102', ('2024', '03', '06'), '', [mix()]),          # same customer
        invoice('103', ('2024', '03', '07'), "O'Neil 건설", [mix()]),
        invoice('104', ('2024', '03', '08'), '삼일토건', []),       # summary only
    ]
    code, out, err = run(tabledir, records)
    assert (code, err) == (0, '')
    assert [(p, s) for p, s, _ in listed_rows(out)] == [(i, '성공') for i in (1, 2, 3, 4)]

    lines = read_rows(tabledir, 'K57_2403')
    assert codes(lines) == [(101, '100001'), (101, '100001'), (102, '100001'), (103, '100002')]
    assert [r['SERI'] for r in lines] == [1, 2, 1, 1]
    second = lines[1]
    assert (second['D31_DATE'], second['D31_MGCODE'], second['D11_CNAME']) == \
        (datetime.date(2024, 3, 5), '1', '대한건설(주)')
    assert (second['D14_NAME'], second['D31_QTY'], second['D31_PRI'], second['D31_AMT'],
            second['D31_VAT'], second['D52_YO']) == ('25-210-12', 12.5, 48000, 600000, 60000,
                                                     'R101')
    # the record carries no item code: the column keeps its blank
    assert {r['D14_CODE'] for r in lines} == {''}
    # a continuation line keeps its own (blank) name
    assert lines[2]['D11_CNAME'] == ''

    summaries = read_rows(tabledir, 'k56_2403')
    assert codes(summaries) == [(101, '100001'), (102, '100001'), (103, '100002'),
                                (104, '200001')]
    first = summaries[0]
    assert (first['QTY1'], first['AMT1'], first['VAT1'], first['D52_YO'], first['D_GUBUN']) == \
        (18.5, 900000, 90000, 'R101', '1')
    assert (first['S_DATE'], first['E_DATE'], first['D31_WDATE']) == \
        (datetime.date(2024, 3, 5),) * 3


def test_unknown_name_empties_the_held_code_instead_of_booking_another_customer(tabledir):
    make_customers(tabledir)
    make_month(tabledir, '2403')
    records = [
        invoice('1', ('2024', '03', '05'), '삼일토건', [mix()]),
        invoice('2', ('2024', '03', '05'), '없는회사', [mix()]),
        invoice('3', ('2024', '03', '06'), '', [mix()]),
        invoice('4', ('2024', '03', '07'), '대한건설(주)', [mix()]),
    ]
    code, out, err = run(tabledir, records)
    assert code == 3
    assert '없는회사' in err and '2번째 줄' in err
    assert len(listed_rows(out)) == 4
    assert codes(read_rows(tabledir, 'K57_2403')) == \
        [(1, '200001'), (2, ''), (3, ''), (4, '100001')]
    assert codes(read_rows(tabledir, 'k56_2403')) == \
        [(1, '200001'), (2, ''), (3, ''), (4, '100001')]


def test_held_code_lives_from_one_run_to_the_next(tabledir):
    make_customers(tabledir)
    make_month(tabledir, '2403')
    first = export(tabledir, [invoice('1', ('2024', '03', '05'), '삼일토건', [mix()])],
                   name='1월계산서.txt')
    second = export(tabledir, [invoice('2', ('2024', '03', '09'), '', [mix()])],
                    name='2월계산서.txt')
    code, out, err = run_cli(tabledir, ('10', first), ('10', second))
    assert (code, err) == (0, '')
    assert codes(read_rows(tabledir, 'K57_2403')) == [(1, '200001'), (2, '200001')]


def test_blank_name_before_any_lookup_gets_an_empty_code(tabledir):
    make_customers(tabledir)
    make_month(tabledir, '2403')
    code, out, err = run(tabledir, [invoice('7', ('2024', '03', '05'), '', [mix()])])
    assert (code, err) == (0, '')
    assert codes(read_rows(tabledir, 'K57_2403')) == [(7, '')]
    assert codes(read_rows(tabledir, 'k56_2403')) == [(7, '')]


def test_months_switch_and_back(tabledir):
    make_customers(tabledir)
    make_month(tabledir, '2312')
    make_month(tabledir, '2401')
    records = [
        invoice('1', ('2023', '12', '30'), '삼일토건', [mix(), mix()]),
        invoice('2', ('2024', '01', '02'), '', [mix()]),
        invoice('3', ('2023', '12', '31'), '', [mix()]),
    ]
    code, out, err = run(tabledir, records)
    assert (code, err) == (0, '')
    assert [(r['D52_SI'], r['SERI']) for r in read_rows(tabledir, 'K57_2312')] == \
        [(1, 1), (1, 2), (3, 1)]
    assert [r['D52_SI'] for r in read_rows(tabledir, 'K57_2401')] == [2]
    assert [r['D52_SI'] for r in read_rows(tabledir, 'k56_2312')] == [1, 3]
    assert [r['D52_SI'] for r in read_rows(tabledir, 'k56_2401')] == [2]


def test_missing_tables(tabledir):
    make_customers(tabledir)
    make_month(tabledir, '2403', summary=False)
    records = [
        invoice('1', ('2024', '03', '05'), '삼일토건', [mix()]),
        invoice('2', ('2024', '03', '06'), '', [mix()]),
        invoice('3', ('2024', '04', '01'), '', [mix()]),
        invoice('4', ('2024', '03', '07'), '', [mix()]),
    ]
    code, out, err = run(tabledir, records)
    assert code == 1
    # the summary table's message per record, then the line table's ends the run
    assert err.count('k56_2403.dbf ' + MISSING) == 2
    assert 'K57_2404.dbf ' + MISSING in err
    assert [p for p, _, _ in listed_rows(out)] == [1, 2]
    assert [r['D52_SI'] for r in read_rows(tabledir, 'K57_2403')] == [1, 2]


def test_zero_day_and_bad_numbers_end_the_run_naming_the_line(tabledir):
    make_customers(tabledir)
    make_month(tabledir, '2403')
    zero_day = [invoice('1', ('2024', '03', '05'), '삼일토건', [mix()]),
                invoice('2', ('2024', '03', '00'), '삼일토건', [mix()]),
                invoice('3', ('2024', '03', '06'), '삼일토건', [mix()])]
    code, out, err = run(tabledir, zero_day)
    assert code == 1
    assert '2번째 줄' in err and '월 또는 일' in err
    assert [p for p, _, _ in listed_rows(out)] == [1]

    bad_vat = [invoice('4', ('2024', '03', '07'), '삼일토건', [mix(vat='3O000')])]
    code, out, err = run(tabledir, bad_vat)
    assert code == 1
    assert '1번째 줄' in err and '부가세' in err and '3O000' in err

    # a non-numeric invoice number
    bad_number = [invoice('ABC', ('2024', '03', '08'), '삼일토건', [mix()])]
    code, out, err = run(tabledir, bad_number)
    assert code == 1
    assert '계산서번호' in err and 'ABC' in err

    assert [r['D52_SI'] for r in read_rows(tabledir, 'K57_2403')] == [1]
    assert [r['D52_SI'] for r in read_rows(tabledir, 'k56_2403')] == [1]


def test_prices_up_to_eight_digits_fit(tabledir):
    make_customers(tabledir)
    make_month(tabledir, '2403')
    records = [invoice('9', ('2024', '03', '05'), '삼일토건',
                       [mix(price='99999999', amount='999999990', vat='99999999')])]
    code, out, err = run(tabledir, records)
    assert (code, err) == (0, '')
    row = read_rows(tabledir, 'K57_2403')[0]
    assert (row['D31_PRI'], row['D31_AMT'], row['D31_VAT']) == (99999999, 999999990, 99999999)


def test_unreadable_customer_table_is_reported_per_record_and_rows_are_still_written(tabledir):
    # no vdrs110: every lookup reports it; a named customer gets no code, and
    # a blank name keeps the code held before it
    make_month(tabledir, '2403')
    records = [invoice('1', ('2024', '03', '05'), '삼일토건', [mix()]),
               invoice('2', ('2024', '03', '06'), '', [mix()])]
    code, out, err = run(tabledir, records)
    assert code == 3
    assert '1번째 줄' in err and '2번째 줄' in err
    assert len(listed_rows(out)) == 2
    assert codes(read_rows(tabledir, 'K57_2403')) == [(1, ''), (2, '')]
    assert codes(read_rows(tabledir, 'k56_2403')) == [(1, ''), (2, '')]


def test_customers_imported_earlier_in_the_same_run_are_found(tabledir):
    make_standard_table(tabledir, 'vdrs110')
    make_month(tabledir, '2403')
    customers = write_export(tabledir.parent / '레미콘거래처.txt',
                             [record(738, {1: '1A0001', 8: '한빛레미콘'}),
                              record(738, {1: '2B0002', 8: '동남건설'})])
    invoices = export(tabledir, [invoice('1', ('2024', '03', '05'), '동남건설', [mix()]),
                                 invoice('2', ('2024', '03', '05'), '한빛레미콘', [mix()])])
    code, out, err = run_cli(tabledir, ('6', customers), ('10', invoices))
    assert (code, err) == (0, '')
    assert codes(read_rows(tabledir, 'K57_2403')) == [(1, '200001'), (2, '100001')]
    assert codes(read_rows(tabledir, 'k56_2403')) == [(1, '200001'), (2, '100001')]
