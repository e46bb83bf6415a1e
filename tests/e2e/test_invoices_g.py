"""G tax invoices (kind 4) through dbfimport-cli: line rows in K57_YYMM, one
summary row per invoice in k56_YYMM, the monthly table switch, the missing
table messages and the failures that end a run, read back with dbfread."""

import datetime

from dbfharness import (field, listed_rows, make_standard_table, make_table, read_rows, record,
                        run_cli, tabledir, write_export)  # noqa: F401  (tabledir is a fixture)

WIDTH = 616
GROUP_BASE, GROUP_STRIDE = 210, 87
NO_ITEM = None
MISSING = '테이블이 없습니다.'
CHECK_AND_RETRY = '테이블을 확인하고 다시 시도하십시오.'


def item(code, name, qty, dec, price, vat, amount):
    return (code, name, qty, dec, price, vat, amount)


def invoice(number, customer, date, name, items, totals, code='0101'):
    """A G invoice line. date = (year, month, day) texts; items: up to four
    item(...) or NO_ITEM; totals = (qty, dec, amount, vat). Bytes the import
    does not read hold text of their own, as the export files do."""
    year, month, day = date
    fields = {1: field(number, 3, 'right'), 5: customer, 8: '123456789',
              17: year, 21: month, 23: day, 25: '서울 강남구 역삼동',
              51: field(name, 30), 81: '대표 홍길동 / 업태 제조 / 종목 골재',
              580: code, 584: '발행'}
    for k, it in enumerate(items):
        if it is NO_ITEM:
            continue
        base = GROUP_BASE + GROUP_STRIDE * k
        icode, iname, qty, dec, price, vat, amount = it
        fields.update({base: icode, base + 3: field(iname, 9),
                       base + 18: field(qty, 5, 'right'), base + 23: field(dec, 2),
                       base + 26: field(price, 8, 'right'),
                       base + 48: field(vat, 11, 'right'), base + 60: field(amount, 12, 'right'),
                       base + 72: '기타'})
    tqty, tdec, tamount, tvat = totals
    fields.update({547: field(tqty, 5, 'right'), 552: field(tdec, 2),
                   555: field(tamount, 12, 'right'), 568: field(tvat, 11, 'right')})
    return record(WIDTH, {k: v for k, v in fields.items() if v != ''})


def sand(qty='12', dec='50', price='15000', vat='18750', amount='187500'):
    return item('01', '모래', qty, dec, price, vat, amount)


def gravel(qty='8', dec='', price='20000', vat='16000', amount='160000'):
    return item('02', '자갈25mm', qty, dec, price, vat, amount)


def make_month(directory, yymm, lines=True, summary=True):
    if lines:
        make_standard_table(directory, f'K57_{yymm}')
    if summary:
        make_standard_table(directory, f'k56_{yymm}')


def run(directory, records, name='GSS2401.txt', trailer=True):
    path = write_export(directory.parent / name, records, trailer=trailer)
    return run_cli(directory, ('4', path))


def d(y, m, dd):
    return datetime.date(y, m, dd)


def test_invoices_give_numbered_line_rows_and_one_summary_each(tabledir):
    make_month(tabledir, '2401')
    records = [
        invoice('1', '023', ('2024', '01', '15'), '(주)한라골재', [sand(), gravel()],
                ('20', '50', '347500', '34750'), code='A001'),
        # group 2 is empty: it takes no line number
        invoice('2', '107', ('2024', '01', '20'), '동서건설', [sand(qty='', dec='50'), NO_ITEM,
                                                            gravel(qty='3', dec='25')],
                ('3', '75', '347500', '34750'), code='A002'),
        # nothing but totals: a summary row and no line row
        invoice('3', '023', ('2024', '01', '31'), '(주)한라골재', [],
                ('', '', '5000', '500'), code='A003'),
    ]
    code, out, err = run(tabledir, records)
    assert (code, err) == (0, '')
    assert [(p, s) for p, s, _ in listed_rows(out)] == [(1, '성공'), (2, '성공'), (3, '성공')]

    lines = read_rows(tabledir, 'K57_2401')
    assert [(r['D52_SI'], r['SERI'], r['D14_CODE'], r['D14_NAME']) for r in lines] == [
        (1, 1, '01', '모래'), (1, 2, '02', '자갈25mm'),
        (2, 1, '01', '모래'), (2, 2, '02', '자갈25mm')]
    first = lines[0]
    assert (first['D31_DATE'], first['D31_MGCODE'], first['D11_CODE'], first['D11_CNAME']) == \
        (d(2024, 1, 15), '1', '100023', '(주)한라골재')
    assert (first['D31_QTY'], first['D31_PRI'], first['D31_AMT'], first['D31_VAT']) == \
        (12.5, 15000, 187500, 18750)
    assert first['D52_YO'] == 'A001'
    assert lines[1]['D31_QTY'] == 8
    # a blank integer part with hundredths: ".50"
    assert (lines[2]['D31_QTY'], lines[3]['D31_QTY']) == (0.5, 3.25)
    assert {(r['D11_CODE'], r['D31_DATE'], r['D52_YO']) for r in lines[2:]} == \
        {('100107', d(2024, 1, 20), 'A002')}

    summaries = read_rows(tabledir, 'k56_2401')
    assert [(r['D52_SI'], r['D11_CODE'], r['D11_CNAME'], r['D_GUBUN']) for r in summaries] == [
        (1, '100023', '(주)한라골재', '1'), (2, '100107', '동서건설', '1'),
        (3, '100023', '(주)한라골재', '1')]
    # totals come from the record's own total fields, not from its lines
    assert [(r['QTY1'], r['AMT1'], r['VAT1'], r['D52_YO']) for r in summaries] == [
        (20.5, 347500, 34750, 'A001'), (3.75, 347500, 34750, 'A002'), (0, 5000, 500, 'A003')]
    assert [(r['S_DATE'], r['E_DATE'], r['D31_WDATE']) for r in summaries] == [
        (d(2024, 1, 15),) * 3, (d(2024, 1, 20),) * 3, (d(2024, 1, 31),) * 3]


def test_months_switch_tables_and_a_later_month_reopens_the_first(tabledir):
    make_month(tabledir, '2401')
    make_month(tabledir, '2402')
    records = [
        invoice('11', '001', ('2024', '01', '30'), '가나상사', [sand()], ('12', '50', '1', '1')),
        invoice('12', '001', ('2024', '01', '31'), '가나상사', [gravel()], ('8', '', '1', '1')),
        invoice('13', '002', ('2024', '02', '01'), '다라건재', [sand(), gravel()],
                ('20', '50', '1', '1')),
        invoice('14', '003', ('2024', '01', '05'), '마바골재', [gravel()], ('8', '', '1', '1')),
    ]
    code, out, err = run(tabledir, records)
    assert (code, err) == (0, '')
    assert len(listed_rows(out)) == 4
    assert [(r['D52_SI'], r['D31_DATE']) for r in read_rows(tabledir, 'K57_2401')] == [
        (11, d(2024, 1, 30)), (12, d(2024, 1, 31)), (14, d(2024, 1, 5))]
    assert [(r['D52_SI'], r['SERI']) for r in read_rows(tabledir, 'K57_2402')] == \
        [(13, 1), (13, 2)]
    assert [r['D52_SI'] for r in read_rows(tabledir, 'k56_2401')] == [11, 12, 14]
    assert [r['D52_SI'] for r in read_rows(tabledir, 'k56_2402')] == [13]


def test_missing_line_table_ends_the_run_and_keeps_the_rows_before(tabledir):
    make_month(tabledir, '2401')
    make_month(tabledir, '2403', lines=False)
    records = [
        invoice('1', '001', ('2024', '01', '10'), '가나상사', [sand()], ('12', '50', '1', '1')),
        invoice('2', '001', ('2024', '03', '10'), '가나상사', [sand()], ('12', '50', '1', '1')),
        invoice('3', '001', ('2024', '01', '11'), '가나상사', [sand()], ('12', '50', '1', '1')),
    ]
    code, out, err = run(tabledir, records)
    assert code == 1
    assert 'K57_2403.dbf ' + MISSING in err and CHECK_AND_RETRY in err
    assert [p for p, _, _ in listed_rows(out)] == [1]
    assert [r['D52_SI'] for r in read_rows(tabledir, 'K57_2401')] == [1]
    assert [r['D52_SI'] for r in read_rows(tabledir, 'k56_2401')] == [1]
    # the record that ended the run wrote no summary row either
    assert read_rows(tabledir, 'k56_2403') == []


def test_missing_summary_table_is_reported_per_record_and_the_run_goes_on(tabledir):
    make_month(tabledir, '2401', summary=False)
    make_month(tabledir, '2402')
    records = [
        invoice('1', '001', ('2024', '01', '10'), '가나상사', [sand(), gravel()],
                ('20', '50', '1', '1')),
        invoice('2', '001', ('2024', '01', '11'), '가나상사', [gravel()], ('8', '', '1', '1')),
        invoice('3', '002', ('2024', '02', '01'), '다라건재', [sand()], ('12', '50', '1', '1')),
    ]
    code, out, err = run(tabledir, records)
    assert code == 3
    assert err.count('k56_2401.dbf ' + MISSING) == 2
    assert 'k56_2402' not in err
    assert [p for p, _, _ in listed_rows(out)] == [1, 2, 3]
    assert [(r['D52_SI'], r['SERI']) for r in read_rows(tabledir, 'K57_2401')] == \
        [(1, 1), (1, 2), (2, 1)]
    assert [r['D52_SI'] for r in read_rows(tabledir, 'k56_2402')] == [3]


def test_conversion_failure_names_line_field_and_text_and_keeps_rows_before(tabledir):
    make_month(tabledir, '2401')
    records = [
        invoice('1', '001', ('2024', '01', '10'), '가나상사', [sand()], ('12', '50', '1', '1')),
        invoice('2', '001', ('2024', '01', '11'), '가나상사', [sand(price='15OOO')],
                ('12', '50', '1', '1')),
        invoice('3', '001', ('2024', '01', '12'), '가나상사', [sand()], ('12', '50', '1', '1')),
    ]
    code, out, err = run(tabledir, records)
    assert code == 1
    assert '2번째 줄' in err and '단가' in err and '15OOO' in err
    assert [p for p, _, _ in listed_rows(out)] == [1]
    assert [r['D52_SI'] for r in read_rows(tabledir, 'K57_2401')] == [1]
    assert [r['D52_SI'] for r in read_rows(tabledir, 'k56_2401')] == [1]


def test_quantity_without_price_ends_the_run_after_the_rows_of_earlier_groups(tabledir):
    make_month(tabledir, '2401')
    records = [
        invoice('5', '001', ('2024', '01', '10'), '가나상사',
                [sand(), NO_ITEM, gravel(price='', vat='', amount='')], ('12', '50', '1', '1')),
    ]
    code, out, err = run(tabledir, records)
    assert code == 1
    assert '1번째 줄' in err and '단가' in err
    assert listed_rows(out) == []
    # rows are saved one at a time: the first group's row stays
    assert [(r['D52_SI'], r['SERI']) for r in read_rows(tabledir, 'K57_2401')] == [(5, 1)]
    assert read_rows(tabledir, 'k56_2401') == []


def test_total_beyond_32_bits_costs_only_that_summary_row(tabledir):
    make_month(tabledir, '2401')
    records = [
        invoice('1', '001', ('2024', '01', '10'), '가나상사', [sand()],
                ('12', '50', '2147483648', '1')),
        invoice('2', '001', ('2024', '01', '11'), '가나상사', [sand()],
                ('12', '50', '2147483647', '1')),
    ]
    code, out, err = run(tabledir, records)
    assert code == 3
    assert '1번째 줄' in err and '합계금액' in err and '2147483648' in err
    assert [p for p, _, _ in listed_rows(out)] == [1, 2]
    assert [r['D52_SI'] for r in read_rows(tabledir, 'K57_2401')] == [1, 2]
    assert [(r['D52_SI'], r['AMT1']) for r in read_rows(tabledir, 'k56_2401')] == \
        [(2, 2147483647)]


def test_zero_month_or_day_ends_the_run_naming_the_line(tabledir):
    make_month(tabledir, '2401')
    for month, day in (('00', '15'), ('01', '00'), ('', '15')):
        records = [
            invoice('1', '001', ('2024', '01', '10'), '가나상사', [sand()], ('1', '', '1', '1')),
            invoice('2', '001', ('2024', month, day), '가나상사', [sand()], ('1', '', '1', '1')),
        ]
        code, out, err = run(tabledir, records)
        assert code == 1, (month, day)
        assert '2번째 줄' in err and '월 또는 일' in err
        assert [p for p, _, _ in listed_rows(out)] == [1]
    # three runs, one record each: the zero-date records wrote nothing
    assert [r['D52_SI'] for r in read_rows(tabledir, 'K57_2401')] == [1, 1, 1]
    assert [r['D52_SI'] for r in read_rows(tabledir, 'k56_2401')] == [1, 1, 1]


def test_a_date_that_names_no_table_gets_the_missing_table_message(tabledir):
    make_month(tabledir, '2401')
    # a one-digit month written "1/": the name holds a slash and names no table
    records = [
        invoice('1', '001', ('2024', '01', '10'), '가나상사', [sand()], ('1', '', '1', '1')),
        invoice('2', '001', ('2024', '1/', '15'), '가나상사', [sand()], ('1', '', '1', '1')),
    ]
    code, out, err = run(tabledir, records)
    assert code == 1
    assert 'K57_241/.dbf ' + MISSING in err
    assert [r['D52_SI'] for r in read_rows(tabledir, 'K57_2401')] == [1]


def test_last_line_is_not_imported(tabledir):
    make_month(tabledir, '2401')
    records = [
        invoice('1', '001', ('2024', '01', '10'), '가나상사', [sand()], ('1', '', '1', '1')),
        invoice('2', '001', ('2024', '01', '11'), '가나상사', [sand()], ('1', '', '1', '1')),
    ]
    code, out, err = run(tabledir, records, trailer=False)
    assert (code, err) == (0, '')
    assert [p for p, _, _ in listed_rows(out)] == [1]
    assert [r['D52_SI'] for r in read_rows(tabledir, 'K57_2401')] == [1]
    assert [r['D52_SI'] for r in read_rows(tabledir, 'k56_2401')] == [1]


def test_a_file_not_named_gss_is_refused(tabledir):
    make_month(tabledir, '2401')
    records = [invoice('1', '001', ('2024', '01', '10'), '가나상사', [sand()], ('1', '', '1', '1'))]
    code, out, err = run(tabledir, records, name='SS2401.txt')
    assert code == 1
    assert read_rows(tabledir, 'K57_2401') == []
    code, out, err = run(tabledir, records, name='gss2401.txt')
    assert code == 0
    assert len(read_rows(tabledir, 'K57_2401')) == 1


def test_summary_table_without_a_column_saves_no_half_row_and_the_run_goes_on(tabledir):
    make_month(tabledir, '2401', summary=False)
    # an older summary table without the VAT column
    make_table(tabledir, 'k56_2401', 'D11_code C(6); D11_cname C(30); d_gubun C(1); '
               'D52_si N(5,0); s_date D; e_date D; d31_wdate D; qty1 N(10,2); amt1 N(12,0); '
               'D52_yo C(4)')
    records = [
        invoice('1', '001', ('2024', '01', '10'), '가나상사', [sand()], ('12', '50', '1', '1')),
        invoice('2', '001', ('2024', '01', '11'), '가나상사', [gravel()], ('8', '', '1', '1')),
    ]
    code, out, err = run(tabledir, records)
    assert code == 3
    assert '1번째 줄' in err and '2번째 줄' in err and 'vat1' in err.lower()
    assert [p for p, _, _ in listed_rows(out)] == [1, 2]
    assert [r['D52_SI'] for r in read_rows(tabledir, 'K57_2401')] == [1, 2]
    assert read_rows(tabledir, 'k56_2401') == []
