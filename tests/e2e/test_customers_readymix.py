"""Ready-mix customers (kind 6) and sites (kind 7) through dbfimport-cli: new
customer codes, the old-to-new code map carried from the customer step to the
site step of one invocation, dates, numbers, read back with dbfread."""

import datetime

from dbfharness import (listed_rows, make_standard_table, read_rows, record, run_cli,
                        tabledir, write_export)  # noqa: F401  (tabledir is a fixture)

CUSTOMER_WIDTH = 738
SITE_WIDTH = 259
ZERO_DATE = datetime.date(1899, 12, 30)


def rm_customer(old_code, name, more=None):
    """A ready-mix customer line; `more` holds byte position -> text."""
    fields = {1: old_code, 8: name}
    fields.update(more or {})
    return record(CUSTOMER_WIDTH, {k: v for k, v in fields.items() if v != ''})


def rm_site(old_code, number, name, more=None):
    fields = {1: old_code, 8: number, 12: name}
    fields.update(more or {})
    return record(SITE_WIDTH, {k: v for k, v in fields.items() if v != ''})


def at(**positions):
    """at(p393='2003') -> {393: '2003'}: byte positions as keyword names."""
    return {int(k[1:]): v for k, v in positions.items()}


def write(directory, name, records, trailer=True, folder='files'):
    """Writes an export file under the test's own folder; a second file of the
    same kind (the same name) goes to another folder."""
    where = directory.parent / folder
    where.mkdir(exist_ok=True)
    return write_export(where / name, records, trailer=trailer)


def make_tables(directory):
    make_standard_table(directory, 'vdrs110')
    make_standard_table(directory, 'vdrs160')


def test_customers_get_series_codes_and_every_column(tabledir):
    make_tables(tabledir)
    full = rm_customer('1A0001', '대한레미콘(주)', at(
        p39='박대표', p50='123', p53='45', p55='67890', p61='800101', p67='1234567',
        p75='135', p78='080', p86='서울특별시 강남구 테헤란로 123', p147='02-555-1234',
        p211='제조업', p232='레미콘', p393='2003', p397='05', p399='17',
        p434='대한건설', p465='최부장', p476='111', p479='22', p481='33333',
        p512='경기도 수원시 팔달구', p573='031-222-3333', p637='건설', p658='토목',
        p679='두번째 블록 메모'))
    records = [
        full,
        rm_customer('2B0002', '이층건설'),
        rm_customer('1C0003', '삼일상사'),
        rm_customer('9D0004', '구공건재'),
        rm_customer(' E0005', '공백코드'),
    ]
    code, out, err = run_cli(tabledir, ('6', write(tabledir, '레미콘거래처.txt', records)))
    assert (code, err) == (0, '')
    assert len(listed_rows(out)) == 5

    rows = read_rows(tabledir, 'vdrs110')
    # flag 1 takes the 1-series; anything else, a blank included, the 2-series
    assert [r['D11_CODE'] for r in rows] == ['100001', '200001', '100002', '200002', '200003']
    r = rows[0]
    assert (r['D11_CNAME'], r['D11_NAME'], r['D11_CNO'], r['D11_JMNO'], r['D11_POST']) == \
        ('대한레미콘(주)', '박대표', '123-45-67890', '800101-1234567', '135-080')
    assert (r['D11_ADDR'], r['D11_TEL'], r['D11_UPTAE'], r['D11_JONG']) == \
        ('서울특별시 강남구 테헤란로 123', '02-555-1234', '제조업', '레미콘')
    assert r['D11_SDATE'] == datetime.date(2003, 5, 17)
    assert (r['Y11_CNAME'], r['Y11_NAME'], r['Y11_CNO'], r['Y11_ADDR'], r['Y11_TEL']) == \
        ('대한건설', '최부장', '111-22-33333', '경기도 수원시 팔달구', '031-222-3333')
    assert (r['Y11_UPTAE'], r['Y11_JONG'], r['Y11_SURYU']) == ('건설', '토목', '두번째 블록 메모')

    # blank numbers are always joined: dashes only
    blank = rows[1]
    assert (blank['D11_CNO'], blank['D11_JMNO'], blank['D11_POST'], blank['Y11_CNO']) == \
        ('--', '-', '-', '--')
    assert blank['D11_SDATE'] == ZERO_DATE


def test_start_date_without_month_or_day_is_the_zero_date(tabledir):
    make_tables(tabledir)
    records = [
        rm_customer('100001', '월없음', at(p393='2003', p397='00', p399='17')),
        rm_customer('100002', '일없음', at(p393='2003', p397='05', p399='00')),
        rm_customer('100003', '일공백', at(p393='2003', p397='05')),
        rm_customer('100004', '한자리', at(p393='2004', p397=' 3', p399=' 9')),
    ]
    code, _, err = run_cli(tabledir, ('6', write(tabledir, '레미콘거래처.txt', records)))
    assert (code, err) == (0, '')
    dates = [r['D11_SDATE'] for r in read_rows(tabledir, 'vdrs110')]
    assert dates == [ZERO_DATE, ZERO_DATE, ZERO_DATE, datetime.date(2004, 3, 9)]


def test_impossible_start_date_ends_the_run_keeping_rows_before(tabledir):
    make_tables(tabledir)
    records = [
        rm_customer('100001', '정상', at(p393='2003', p397='05', p399='17')),
        rm_customer('100002', '이상한날짜', at(p393='2003', p397='13', p399='40')),
        rm_customer('100003', '못감'),
    ]
    code, out, err = run_cli(tabledir, ('6', write(tabledir, '레미콘거래처.txt', records)))
    assert code == 1
    assert '2번째 줄' in err
    assert [r['D11_CNAME'] for r in read_rows(tabledir, 'vdrs110')] == ['정상']
    assert len(listed_rows(out)) == 1


def test_customers_then_sites_in_one_invocation(tabledir):
    make_tables(tabledir)
    customers = [
        rm_customer('1A0001', '가나건설'),
        rm_customer('2B0002', '다라산업'),
        rm_customer('2B0002', '중복코드'),   # the first item of an old code wins
    ]
    sites = [
        rm_site('1A0001', '023', '강남현장', at(
            p54='02-111-2222', p111='2004', p115='03', p117='15', p120='2004',
            p124='12', p126='31', p170='095', p173='5', p238='A', p240='12.5',
            p250='1.5')),
        rm_site('', '024', '이어지는현장'),             # blank code: same customer
        rm_site('2B0002', '   ', '번호없는현장', at(p170='100', p240='   7')),
        rm_site('XX9999', '025', '모르는거래처현장'),    # not in the map
        rm_site('', '026', '계속모르는현장'),
        rm_site('1A0001', '027', '마지막줄현장', at(p115='00', p117='10',
                                                      p124='05', p126='  ')),
    ]
    code, out, err = run_cli(
        tabledir,
        ('6', write(tabledir, '레미콘거래처.txt', customers)),
        ('7', write(tabledir, '레미콘현장.txt', sites, trailer=False)))
    assert (code, err) == (0, '')

    rows = read_rows(tabledir, 'vdrs160')
    # every line of the site file, the last one included
    assert len(rows) == len(sites)
    assert [(r['D11_CODE'], r['D11_CNAME'], r['D16_CODE'], r['D16_CNAME']) for r in rows] == [
        ('100001', '가나건설', '1023', '강남현장'),
        ('100001', '가나건설', '1024', '이어지는현장'),
        ('200001', '다라산업', '1', '번호없는현장'),
        ('', '', '1025', '모르는거래처현장'),
        ('', '', '1026', '계속모르는현장'),
        ('100001', '가나건설', '1027', '마지막줄현장'),
    ]
    first = rows[0]
    assert (first['D16_TELE'], first['D16_GUBUN']) == ('02-111-2222', 'A')
    assert (first['D16_SDATE'], first['D16_ODATE']) == \
        (datetime.date(2004, 3, 15), datetime.date(2004, 12, 31))
    assert (first['D16_PRIPER'], first['D16_KIRO'], first['D16_TIME']) == (95.5, 12.5, 1.5)
    # blank numeric texts are 0; a whole part without tenths is still read
    assert (rows[1]['D16_PRIPER'], rows[1]['D16_KIRO'], rows[1]['D16_TIME']) == (0, 0, 0)
    assert (rows[2]['D16_PRIPER'], rows[2]['D16_KIRO']) == (100, 7)
    # month or day 00 or blank: the zero date
    assert (rows[1]['D16_SDATE'], rows[1]['D16_ODATE']) == (ZERO_DATE, ZERO_DATE)
    assert (rows[5]['D16_SDATE'], rows[5]['D16_ODATE']) == (ZERO_DATE, ZERO_DATE)

    # the site step lists every line of its file
    site_list = listed_rows(out)[-len(sites):]
    assert [p for p, _, _ in site_list] == list(range(1, len(sites) + 1))


def test_current_customer_starts_empty_in_every_site_run(tabledir):
    make_tables(tabledir)
    customers = [rm_customer('1A0001', '가나건설')]
    first_sites = write(tabledir, '레미콘현장.txt', [rm_site('1A0001', '001', '첫현장')],
                        trailer=False)
    second_sites = write(tabledir, '레미콘현장.txt', [rm_site('', '002', '다른파일현장')],
                         trailer=False, folder='second')
    code, _, err = run_cli(tabledir,
                           ('6', write(tabledir, '레미콘거래처.txt', customers)),
                           ('7', first_sites), ('7', second_sites))
    assert (code, err) == (0, '')
    rows = read_rows(tabledir, 'vdrs160')
    assert [(r['D11_CODE'], r['D16_CNAME']) for r in rows] == \
        [('100001', '첫현장'), ('', '다른파일현장')]


def test_sites_without_customer_step_have_no_customer(tabledir):
    make_tables(tabledir)
    sites = [rm_site('1A0001', '001', '고아현장'), rm_site('', '002', '고아현장2')]
    code, _, err = run_cli(tabledir, ('7', write(tabledir, '레미콘현장.txt', sites, trailer=False)))
    assert (code, err) == (0, '')
    assert [(r['D11_CODE'], r['D11_CNAME']) for r in read_rows(tabledir, 'vdrs160')] == \
        [('', ''), ('', '')]


def test_second_customer_run_restarts_codes_and_replaces_the_map(tabledir):
    make_tables(tabledir)
    first = write(tabledir, '레미콘거래처.txt',
                  [rm_customer('1A0001', '첫파일1'), rm_customer('1A0002', '첫파일2')])
    second = write(tabledir, '레미콘거래처.txt', [rm_customer('1Z0009', '둘째파일')],
                   folder='second')
    sites = write(tabledir, '레미콘현장.txt',
                  [rm_site('1A0002', '001', '옛지도현장'), rm_site('1Z0009', '002', '새지도현장')],
                  trailer=False)
    code, _, err = run_cli(tabledir, ('6', first), ('6', second), ('7', sites))
    assert (code, err) == (0, '')
    assert [r['D11_CODE'] for r in read_rows(tabledir, 'vdrs110')] == \
        ['100001', '100002', '100001']
    # the first file's old codes are gone from the map after the second run
    assert [(r['D11_CODE'], r['D11_CNAME']) for r in read_rows(tabledir, 'vdrs160')] == \
        [('', ''), ('100001', '둘째파일')]


def test_impossible_site_date_ends_the_run_keeping_rows_before(tabledir):
    make_tables(tabledir)
    sites = [
        rm_site('', '001', '정상현장', at(p111='2004', p115='03', p117='15')),
        rm_site('', '002', '이상현장', at(p111='2004', p115='13', p117='40')),
        rm_site('', '003', '못간현장'),
    ]
    code, out, err = run_cli(tabledir, ('7', write(tabledir, '레미콘현장.txt', sites,
                                                   trailer=False)))
    assert code == 1
    assert '2번째 줄' in err
    assert [r['D16_CNAME'] for r in read_rows(tabledir, 'vdrs160')] == ['정상현장']
    assert len(listed_rows(out)) == 1


def test_missing_tables_give_their_messages_and_write_nothing(tabledir):
    make_standard_table(tabledir, 'vdrs160')
    code, out, err = run_cli(tabledir, ('6', write(tabledir, '레미콘거래처.txt',
                                                   [rm_customer('100001', '거래처')])))
    assert code == 1
    assert '거래처 테이블이 없습니다.' in err and '테이블을 확인하고 다시 시도하십시오.' in err
    assert listed_rows(out) == []

    other = tabledir.parent / 'db2'
    other.mkdir()
    make_standard_table(other, 'vdrs110')
    code, out, err = run_cli(other, ('7', write(other, '레미콘현장.txt',
                                                [rm_site('', '001', '현장')])))
    assert code == 1
    assert '현장 테이블이 없습니다.' in err
    assert listed_rows(out) == []
