"""G customer file (kind 0): customer rows in vdrs110 and their construction
sites in vdrs160, through dbfimport-cli, read back with dbfread."""

from dbfharness import (listed_rows, make_standard_table, read_rows, record, run_cli,
                        tabledir, write_export)  # noqa: F401  (tabledir is a fixture)

WIDTH = 210


def g_customer(number, name, sites=('', '', ''), business='', resident='',
               representative='', address='', business_type='', business_item=''):
    fields = {1: number, 5: name, 89: business, 100: resident, 114: representative,
              129: address, 170: business_type, 191: business_item}
    for start, site in zip((26, 47, 68), sites):
        fields[start] = site
    return record(WIDTH, {k: v for k, v in fields.items() if v != ''})


def import_g_customers(directory, records, make_sites=True):
    make_standard_table(directory, 'vdrs110')
    if make_sites:
        make_standard_table(directory, 'vdrs160')
    path = write_export(directory.parent / 'G거래처.txt', records)
    return run_cli(directory, ('0', path))


def site_rows(directory):
    return [(r['D11_CODE'], r['D11_CNAME'], r['D16_CODE'], r['D16_CNAME'])
            for r in read_rows(directory, 'vdrs160')]


def test_customers_with_registration_numbers_and_their_sites(tabledir):
    records = [
        g_customer('007', '대한건설', sites=('강남아파트', '분당상가', '일산공장'),
                   business='1234567890', resident='8001011234567', representative='김철수',
                   address='서울시 강남구 역삼동 1-2', business_type='건설업',
                   business_item='토목공사'),
        g_customer('012', '한빛레미콘', representative='이영희', address='경기도 성남시'),
        g_customer('123', "O'Neil & 김 (주)", sites=('', '', '부산항만'),
                   business='98765 4321'),
    ]
    code, out, err = import_g_customers(tabledir, records)
    assert (code, err) == (0, '')
    # every line but the trailer is listed as imported, with its own text
    assert [(p, s) for p, s, _ in listed_rows(out)] == [(1, '성공'), (2, '성공'), (3, '성공')]
    assert listed_rows(out)[1][2].startswith('012 한빛레미콘')

    customers = read_rows(tabledir, 'vdrs110')
    assert [c['D11_CODE'] for c in customers] == ['100007', '100012', '100123']
    first = customers[0]
    assert (first['D11_CNAME'], first['D11_CNO'], first['D11_JMNO']) == \
        ('대한건설', '123-45-67890', '800101-1234567')
    assert (first['D11_NAME'], first['D11_ADDR'], first['D11_UPTAE'], first['D11_JONG']) == \
        ('김철수', '서울시 강남구 역삼동 1-2', '건설업', '토목공사')
    # blank numbers stay empty rather than becoming dashes
    assert (customers[1]['D11_CNO'], customers[1]['D11_JMNO']) == ('', '')
    # a filled number is split at its fixed positions whatever it holds
    assert customers[2]['D11_CNAME'] == "O'Neil & 김 (주)"
    assert customers[2]['D11_CNO'] == '987-65-4321'
    # columns the G file does not carry keep their blank values
    assert customers[1]['D11_POST'] == '' and customers[1]['Y11_CNAME'] == ''

    assert site_rows(tabledir) == [
        ('100007', '대한건설', '0071', '강남아파트'),
        ('100007', '대한건설', '0072', '분당상가'),
        ('100007', '대한건설', '0073', '일산공장'),
        ('100123', "O'Neil & 김 (주)", '1233', '부산항만'),
    ]


def test_site_rows_keep_the_ordinal_of_their_own_position(tabledir):
    records = [
        g_customer('021', '두번째세번째', sites=('', '북부현장', '남부현장')),
        g_customer('022', '첫번째만', sites=('동부현장', '', '')),
        g_customer('023', '두번째만', sites=('', '서부현장', '')),
        g_customer('024', '첫번째세번째', sites=('가현장', '', '다현장')),
    ]
    code, _, err = import_g_customers(tabledir, records)
    assert (code, err) == (0, '')
    assert [(c, n) for _, _, c, n in site_rows(tabledir)] == [
        ('0212', '북부현장'), ('0213', '남부현장'),
        ('0221', '동부현장'),
        ('0232', '서부현장'),
        ('0241', '가현장'), ('0243', '다현장'),
    ]
    # no blank site row is ever written
    assert all(name for _, _, _, name in site_rows(tabledir))


def test_short_customer_number_is_trimmed_before_the_code_is_made(tabledir):
    records = [g_customer(' 07', '짧은번호', sites=('현장하나', '', ''))]
    code, _, _ = import_g_customers(tabledir, records)
    assert code == 0
    assert [c['D11_CODE'] for c in read_rows(tabledir, 'vdrs110')] == ['10007']
    # characters 4 to 6 of the shorter code are just "07"
    assert site_rows(tabledir) == [('10007', '짧은번호', '071', '현장하나')]


def test_last_line_and_one_line_file_are_not_imported(tabledir):
    code, out, _ = import_g_customers(
        tabledir, [g_customer('001', '유일한거래처', sites=('현장', '', ''))])
    assert code == 0
    assert len(listed_rows(out)) == 1
    assert len(read_rows(tabledir, 'vdrs110')) == 1

    # a file holding a single line has nothing but its last line
    only = write_export(tabledir.parent / 'G거래처.txt',
                        [g_customer('002', '마지막줄', sites=('현장', '', ''))], trailer=False)
    code, out, _ = run_cli(tabledir, ('0', only))
    assert code == 0 and listed_rows(out) == []
    assert len(read_rows(tabledir, 'vdrs110')) == 1
    assert len(read_rows(tabledir, 'vdrs160')) == 1


def test_importing_twice_adds_every_row_again(tabledir):
    records = [g_customer('031', '반복거래처', sites=('반복현장', '', ''))]
    import_g_customers(tabledir, records)
    path = write_export(tabledir.parent / 'G거래처.txt', records)
    code, _, _ = run_cli(tabledir, ('0', path))
    assert code == 0
    assert [c['D11_CODE'] for c in read_rows(tabledir, 'vdrs110')] == ['100031', '100031']
    assert len(read_rows(tabledir, 'vdrs160')) == 2


def test_missing_site_table_reports_each_record_and_keeps_all_customers(tabledir):
    records = [
        g_customer('041', '현장있음1', sites=('현장', '', '')),
        g_customer('042', '현장없음'),
        g_customer('043', '현장있음2', sites=('', '현장', '')),
    ]
    code, out, err = import_g_customers(tabledir, records, make_sites=False)
    # a message was shown but the run went on to its end
    assert code == 3
    assert [c['D11_CODE'] for c in read_rows(tabledir, 'vdrs110')] == \
        ['100041', '100042', '100043']
    assert [s for _, s, _ in listed_rows(out)] == ['성공'] * 3
    # one message per record with sites, naming its line
    assert '파일의 1번째 줄' in err and '파일의 3번째 줄' in err
    assert '파일의 2번째 줄' not in err
    assert 'vdrs160' in err


def test_missing_customer_table_ends_the_run(tabledir):
    make_standard_table(tabledir, 'vdrs160')
    path = write_export(tabledir.parent / 'G거래처.txt',
                        [g_customer('051', '거래처', sites=('현장', '', ''))])
    code, out, err = run_cli(tabledir, ('0', path))
    assert code == 1
    assert 'vdrs110' in err
    assert listed_rows(out) == []
    assert read_rows(tabledir, 'vdrs160') == []
