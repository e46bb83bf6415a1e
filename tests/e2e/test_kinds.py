"""Every import kind, driven by one table: records built at their byte positions (unread bytes
hold a visible filler), imported by dbfimport-cli, every column of every row read back by
python3-dbfread (columns not listed must keep the blank of a new row). Then the rules of
single kinds."""
import collections
import datetime

import pytest

from harness import (add_rows, blank_row, column, full, groups, listed, make_table, missing,
                     read_rows, record, run_cli, write_export, ZERO_DATE)

d = datetime.date
N8, N20, N24, N30 = (full('대한건설', n) for n in (8, 20, 24, 30))
DATE = {'y': (1, 4), 'm': (5, 2), 'd': (7, 2)}
# file name, record width, layout {field: (first byte, length)}, the tables written (YYMM, YYMMDD:
# the record's date), the column of the record's date, the values of a valid record
Kind = collections.namedtuple('Kind', 'file width layout tables date_column base')
KINDS = {
    0: Kind('G거래처.txt', 210, {'no': (1, 3), 'name': (5, 20), 's1': (26, 20), 's2': (47, 20),
            's3': (68, 20), 'bno': (89, 10), 'jno': (100, 13), 'rep': (114, 8), 'addr': (129, 40),
            'type': (170, 20), 'item': (191, 20)}, ('vdrs110', 'vdrs160'), None,
            dict(no='001', name='대한건설')),
    1: Kind('G차량.txt', 41, {'code': (1, 3), 'reg': (5, 12), 'owner': (18, 10), 'name': (29, 8),
            'cap': (40, 2)}, ('carno',), None, dict(code='001', reg='12가3456')),
    2: Kind('G판매.txt', 145, {**DATE, 'cust': (10, 3), 'item': (14, 2), 'name': (33, 30),
            'iname': (64, 10), 'qty': (75, 5), 'dec': (80, 2), 'price': (83, 8), 'amount': (92, 12),
            'vat': (105, 11), 'sort': (130, 8)}, ('k31_YYMM',), 'D31_DATE',
            dict(cust='012', price='1000', amount='1000', vat='100')),
    3: Kind('G수금.txt', 70, {**DATE, 'cust': (9, 3), 'name': (23, 24), 'a1': (47, 12), 'a2': (59, 12)},
            ('k32_YYMM',), 'D32_DATE', dict(cust='012', a1='1000', a2='0')),
    4: Kind('GSS0403.txt', 616, {'no': (1, 3), 'cust': (5, 3), 'y': (17, 4), 'm': (21, 2), 'd': (23, 2),
            'name': (51, 30), **groups(210, 87, {'code': (0, 2), 'iname': (3, 9), 'qty': (18, 5),
            'dec': (23, 2), 'price': (26, 8), 'vat': (48, 11), 'amount': (60, 12)}), 'tqty': (547, 5),
            'tdec': (552, 2), 'tamount': (555, 12), 'tvat': (568, 11), 'code': (580, 4)},
            ('K57_YYMM', 'k56_YYMM'), 'D31_DATE', dict(no='1', cust='012', qty0='1', price0='1000',
            amount0='1000', vat0='100', tamount='1000', tvat='100')),
    5: Kind('S0040315.txt', 191, {'y': (1, 2), 'm': (3, 2), 'd': (5, 2), 'no': (7, 3), 'cust': (11, 3),
            'cname': (15, 20), 'site': (36, 1), 'sname': (38, 20), 'car': (59, 3), 'plate1': (63, 8),
            'plate2': (72, 4), 'driver': (77, 8), 'time': (86, 4), 'mix': (96, 2), 'mname': (99, 8),
            'vol': (108, 3), 'tenth': (112, 1), 'ger': (133, 10), 'hyun': (144, 40), 'check': (185, 6)},
            ('soYYMMDD',), 'DATE', dict(no='1', cust='023', site='1')),
    6: Kind('레미콘거래처.txt', 738, {'old': (1, 6), 'name': (8, 30), 'rep': (39, 10), 'bno1': (50, 3),
            'bno2': (53, 2), 'bno3': (55, 5), 'jno1': (61, 6), 'jno2': (67, 7), 'post1': (75, 3),
            'post2': (78, 3), 'addr': (86, 50), 'tel': (147, 15), 'type': (211, 20), 'item': (232, 20),
            'y': (393, 4), 'm': (397, 2), 'd': (399, 2), 'name2': (434, 30), 'rep2': (465, 10),
            'bno21': (476, 3), 'bno22': (479, 2), 'bno23': (481, 5), 'addr2': (512, 60),
            'tel2': (573, 15), 'type2': (637, 20), 'item2': (658, 20), 'text2': (679, 60)},
            ('vdrs110',), 'D11_SDATE', dict(old='1A0001', name='대한건설')),
    7: Kind('레미콘현장.txt', 259, {'old': (1, 6), 'no': (8, 3), 'name': (12, 30), 'tel': (54, 15),
            'y': (111, 4), 'm': (115, 2), 'd': (117, 2), 'ey': (120, 4), 'em': (124, 2), 'ed': (126, 2),
            'rate': (170, 3), 'tenth': (173, 1), 'class': (238, 1), 'dist': (240, 9), 'time': (250, 10)},
            ('vdrs160',), 'D16_SDATE', dict(no='001', name='현장')),
    8: Kind('레미콘일일판매.txt', 371, {'serial': (1, 6), 'y': (8, 4), 'm': (12, 2), 'd': (14, 2),
            'site': (24, 3), 'status': (37, 8), 'cat': (46, 8), 'name': (102, 30), 'sname': (133, 30),
            'iname': (164, 14), 'qty': (179, 5), 'dec': (184, 2), 'price': (187, 8), 'amount': (196, 12),
            'vat': (209, 11), 'y2': (326, 4), 'm2': (330, 2), 'd2': (332, 2)}, ('k31_YYMM',), 'D31_DATE',
            dict(serial='101', name='한빛산업(주)', price='1000', amount='1000', vat='100')),
    9: Kind('레미콘수금.txt', 225, {**DATE, 'name': (33, 30), 'a1': (64, 12), 'a2': (77, 12),
            'btext': (121, 10), 'bno': (132, 12), 'wy': (145, 4), 'wm': (149, 2), 'wd': (151, 2),
            'oy': (154, 4), 'om': (158, 2), 'od': (160, 2)}, ('k32_YYMM',), 'D32_DATE',
            dict(name='한빛산업(주)', a1='1000', a2='0')),
    10: Kind('레미콘계산서.txt', 616, {'no': (1, 3), 'y': (23, 4), 'm': (27, 2), 'd': (29, 2),
             'name': (57, 30), **groups(223, 92, {'iname': (0, 9), 'qty': (15, 5), 'dec': (20, 2),
             'price': (23, 8), 'vat': (45, 11), 'amount': (57, 12)}), 'tqty': (573, 5), 'tdec': (578, 2),
             'tamount': (581, 12), 'tvat': (594, 11), 'code': (606, 4)}, ('K57_YYMM', 'k56_YYMM'),
             'D31_DATE', dict(no='101', name='한빛산업(주)', qty0='1', price0='1000', amount0='1000',
             vat0='100', tamount='1000', tvat='100')),
}
# The customers the ready-mix sales, collections and invoices find by name.
CUSTOMERS = [('100001', N30), ('200003', '한빛산업(주)'), ('100007', "O'Neil 건설"),
             ('100002', '50%_할인*?'), ('100009', N30)]  # a second of one name: the first wins
HELD_CODE_KINDS = (8, 9, 10)


def at(kind, date):
    """The date fields of a record for YYYYMMDD (the slips hold a two-digit year)."""
    return {'y': date[2:4] if kind == 5 else date[:4], 'm': date[4:6], 'd': date[6:8]}


def rec(kind, date='20040315', **values):
    k = KINDS[kind]
    dated = at(kind, date) if 'y' in k.layout else {}
    return record(k.layout, k.width, **{**k.base, **dated, **values})


def item(group, *values, names=('code', 'iname', 'qty', 'dec', 'price', 'vat', 'amount')):
    """The fields of one item group (the ready-mix invoice has no item code)."""
    return {f'{n}{group}': v for n, v in zip(names[len(names) - len(values):], values)}


def tables(kind, date='20040315'):
    return [t.replace('YYMMDD', date[2:8]).replace('YYMM', date[2:6]) for t in KINDS[kind].tables]


def add_customers(db):
    make_table(db, 'vdrs110')
    add_rows(db, 'vdrs110', [{'d11_code': c, 'd11_cname': n} for c, n in CUSTOMERS])


def prepare(db, kind, *dates, customers=True):
    """The tables of `kind` for the dates (and the customer table the lookups read)."""
    for name in {t for date in dates or ['20040315'] for t in tables(kind, date)}:
        make_table(db, name)
    if kind in HELD_CODE_KINDS and customers:
        add_customers(db)


def run(tmp_path, kind, records, trailer=None, env=None):
    """Imports the records; the site file has no trailer, its last line is a record."""
    trailer = kind != 7 if trailer is None else trailer
    path = write_export(tmp_path / 'files' / KINDS[kind].file, records, trailer=trailer)
    return run_cli(tmp_path / 'db', (kind, path), env=env)


def check_rows(db, table, columns, rows):
    blank = blank_row(db, table)
    expected = [{**blank, **(r if isinstance(r, dict) else dict(zip(columns, r)))} for r in rows]
    assert read_rows(db, table) == expected, table


SALE = ('D31_DATE', 'D11_CODE', 'D14_CODE', 'D11_CNAME', 'D14_NAME', 'D31_QTY', 'D31_PRI', 'D31_AMT',
        'D31_VAT', 'D31_CHGB')
G_COLLECTION = ('D32_DATE', 'D11_CODE', 'D11_CNAME', 'D32_CGUBUN', 'D32_AMT', 'D32_TOTAL')
LINE = ('D31_DATE', 'D31_MGCODE', 'D11_CODE', 'D11_CNAME', 'D14_CODE', 'D14_NAME', 'D31_QTY',
        'D31_PRI', 'D31_AMT', 'D31_VAT', 'D52_SI', 'D52_YO', 'SERI')
SUMMARY = ('D11_CODE', 'D11_CNAME', 'D_GUBUN', 'D52_SI', 'S_DATE', 'E_DATE', 'D31_WDATE', 'QTY1',
           'AMT1', 'VAT1', 'D52_YO')
SLIP = ('DATE', 'CONO', 'SCODE', 'SAHO', 'HCODE', 'HYUN', 'CNO', 'CAR_NUM', 'NAME', 'TIME', 'BCODE',
        'BHAP', 'LUBE', 'S_GER', 'S_HYUN', 'CHEK_CONT', 'CHEK')
SITE = ('D11_CODE', 'D11_CNAME', 'D16_CODE', 'D16_CNAME', 'D16_TELE', 'D16_SDATE', 'D16_ODATE',
        'D16_PRIPER', 'D16_GUBUN', 'D16_KIRO', 'D16_TIME')
RM_SALE = ('NO', 'D31_MGCODE', 'D31_DATE', 'BAL_DATE', 'D11_CODE', 'D16_CODE', 'BALHAENG', 'D31_CHGB',
           'D11_CNAME', 'D16_CNAME', 'D14_NAME', 'D31_QTY', 'D31_PRI', 'D31_AMT', 'D31_VAT')
RM_COLLECTION = ('D32_DATE', 'D11_CODE', 'D11_CNAME', 'D32_CGUBUN', 'D32_SI', 'D32_AMT', 'D32_TOTAL',
                 'D32_B_POSI', 'D32_B_NO', 'D32_B_WDAY', 'D32_B_ODAY')
A, B, C = full('강남아파트', 20), full('25mm골재', 10), full('서울시 강남구', 40)
M15, M31, A01 = d(2004, 3, 15), d(2004, 3, 31), d(2004, 4, 1)

# kind: (records as field values, {table: (columns, expected rows)})
TABLE = {
    0: ([dict(no='007', name=N20, s1=A, s2='분당상가', s3='일산공장', bno='1234567890', jno='8001011234567',
              rep=N8, addr=C, type=full('건설업', 20), item=full('토목공사', 20)),
         dict(no='012', name='한빛레미콘', rep='이영희'),
         dict(no='123', name="O'Neil & 김 (주)", s3='부산항만', bno='98765 4321'),
         dict(no=' 07', name='짧은번호', s2='북부', s3='남부')],
        {'vdrs110': (('D11_CODE', 'D11_CNAME', 'D11_CNO', 'D11_JMNO', 'D11_NAME', 'D11_ADDR', 'D11_UPTAE',
                      'D11_JONG'),
                     [('100007', N20, '123-45-67890', '800101-1234567', N8, C, full('건설업', 20),
                       full('토목공사', 20)),
                      {'D11_CODE': '100012', 'D11_CNAME': '한빛레미콘', 'D11_NAME': '이영희'},
                      {'D11_CODE': '100123', 'D11_CNAME': "O'Neil & 김 (주)", 'D11_CNO': '987-65-4321'},
                      {'D11_CODE': '10007', 'D11_CNAME': '짧은번호'}]),
         'vdrs160': (('D11_CODE', 'D11_CNAME', 'D16_CODE', 'D16_CNAME'),
                     [('100007', N20, '0071', A), ('100007', N20, '0072', '분당상가'),
                      ('100007', N20, '0073', '일산공장'), ('100123', "O'Neil & 김 (주)", '1233', '부산항만'),
                      ('10007', '짧은번호', '072', '북부'), ('10007', '짧은번호', '073', '남부')])}),
    1: ([dict(code='001', reg=full('서울12가', 12), owner=full('김철수', 10), name=N8, cap='15'),
         dict(code='', reg='AB-1234', owner='(주)한빛', cap='x5'), dict(code='27', cap=' 8')],
        {'carno': (('CNO', 'CAR_NUM', 'OWNER', 'NAME', 'CAR_CAP'),
                   [('1001', full('서울12가', 12), full('김철수', 10), N8, 15),
                    ('1', 'AB-1234', '(주)한빛', '', 0), ('127', '12가3456', '', '', 8)])}),
    2: ([dict(**at(2, '20040331'), cust='012', item='07', name=N30, iname=B, qty='00012', dec='50',
              price='00015000', amount='000000187500', vat='00000018750', sort=full('외상', 8)),
         dict(**at(2, '20040401'), cust='045', item='11', name='한빛', iname='모래', qty='1', dec='25',
              price='16000', amount='20000', vat='2000', sort='어음'),
         dict(**at(2, '20040330'), cust='', name='현금손님', price='0', amount='0', vat='0')],
        {'k31_0403': (SALE, [(M31, '100012', '107', N30, B, 12.5, 15000, 187500, 18750, full('외상', 8)),
                             (d(2004, 3, 30), '', '', '현금손님', '', 0, 0, 0, 0, '')]),
         'k31_0404': (SALE, [(A01, '100045', '111', '한빛', '모래', 1.25, 16000, 20000, 2000, '어음')])}),
    3: ([dict(**at(3, '20040331'), cust='012', name=N24, a1='000000150000', a2='000000000000'),
         dict(**at(3, '20040331'), cust='045', name='한빛', a1='0', a2='50000'),
         dict(**at(3, '20040401'), cust='012', name='대한', a1='30000', a2='20000'),
         dict(**at(3, '20040330'), cust='077', a1='0', a2=''),
         dict(cust='', name='현금손님', a1='-5000', a2='0.4')],  # not zero: a row of 0
        {'k32_0403': (G_COLLECTION, [(M31, '100012', N24, '1', 150000, 150000),
                                     (M31, '100045', '한빛', '2', 50000, 50000),
                                     (M15, '100', '현금손님', '1', -5000, -5000),
                                     (M15, '100', '현금손님', '2', 0, 0)]),
         'k32_0404': (G_COLLECTION, [(A01, '100012', '대한', '1', 30000, 30000),
                                     (A01, '100012', '대한', '2', 20000, 20000)])}),
    4: ([dict(no='123', cust='023', name=N30, **item(0, '01', full('모래', 9), '00012', '50', '00015000',
                                                     '00000018750', '000000187500'),
              **item(1, '02', '자갈25mm', '8', '', '20000', '16000', '160000'), tqty='00020', tdec='50',
              tamount='000000347500', tvat='00000034750', code='A001'),
         dict(no='2', cust='107', name='동서', **item(0, '01', '모래', '', '50', '15000', '1875', '18750'),
              **item(3, '02', '자갈', '3', '25', '20000', '6500', '65000'), tqty='3', tdec='75',
              tamount='83750', tvat='8375', code='A002'),
         dict(no='3', **at(4, '20040401'), **item(0, *[''] * 7), tamount='5000', tvat='500',
              code='A003'),  # totals only
         dict(no='4', **item(2, '03', '석분', '1', '', '100', '10', '100'), code='A004')],
        {'K57_0403': (LINE, [(M15, '1', '100023', N30, '01', full('모래', 9), 12.5, 15000, 187500, 18750,
                              123, 'A001', 1),
                             (M15, '1', '100023', N30, '02', '자갈25mm', 8, 20000, 160000, 16000, 123, 'A001', 2),
                             (M15, '1', '100107', '동서', '01', '모래', 0.5, 15000, 18750, 1875, 2, 'A002', 1),
                             (M15, '1', '100107', '동서', '02', '자갈', 3.25, 20000, 65000, 6500, 2, 'A002', 2),
                             (M15, '1', '100012', '', '', '', 1, 1000, 1000, 100, 4, 'A004', 1),
                             (M15, '1', '100012', '', '03', '석분', 1, 100, 100, 10, 4, 'A004', 2)]),
         'k56_0403': (SUMMARY, [('100023', N30, '1', 123, M15, M15, M15, 20.5, 347500, 34750, 'A001'),
                                ('100107', '동서', '1', 2, M15, M15, M15, 3.75, 83750, 8375, 'A002'),
                                ('100012', '', '1', 4, M15, M15, M15, 0, 1000, 100, 'A004')]),
         'K57_0404': (LINE, []),
         'k56_0404': (SUMMARY, [('100012', '', '1', 3, A01, A01, A01, 0, 5000, 500, 'A003')])}),
    5: ([dict(no='001', cust='023', cname=full('(주)한라건설', 20), site='1', sname=A, car='045',
              plate1='경기12가', plate2='3456', driver=N8, time='0930', mix='07', mname=full('25-240', 8),
              vol='006', tenth='5', ger=full('비고', 10), hyun=C, check=full('검사', 6)),
         dict(**at(5, '20040316'), no='2', cust='107', site='3', car='112', plate1='서울34나', plate2='7890',
              time='1405', mix='12'),
         dict(no='13', check=' 재검 ')],
        {'so040315': (SLIP, [(M15, 1, '100023', full('(주)한라건설', 20), '0231', A, '1045', '경기12가-3456',
                              N8, '0930', '107', full('25-240', 8), 6.5, full('비고', 10), C, full('검사', 6), 1),
                             (M15, 13, '100023', '', '0231', '', '1', '-', '', '', '1', '', 0, '', '', '재검', 1)]),
         'so040316': (SLIP, [(d(2004, 3, 16), 2, '100107', '', '1073', '', '1112', '서울34나-7890', '',
                              '1405', '112', '', 0, '', '', '', 0)])}),
    6: ([dict(old='1A0001', name=N30, rep=full('박대표', 10), bno1='123', bno2='45', bno3='67890',
              jno1='800101', jno2='1234567', post1='135', post2='080', addr=full('서울 강남구', 50),
              tel=full('02-555-1234', 15), type=N20, item=full('레미콘', 20), y='2003', m='05', d='17',
              name2=full('대한건설', 30), rep2=full('최부장', 10), bno21='111', bno22='22', bno23='33333',
              addr2=full('수원시', 60), tel2=full('031', 15), type2=full('건설', 20),
              item2=full('토목', 20), text2=full('메모', 60)),
         dict(old='2B0002', name='이층', y='', m='', d=''), dict(old='1C0003', name='삼일', m='00'),
         dict(old=' E0005', name='공백', m=' 3', d=' 9')],
        {'vdrs110': (None, [
            {'D11_CODE': '100001', 'D11_CNAME': N30, 'D11_NAME': full('박대표', 10), 'D11_CNO': '123-45-67890',
             'D11_JMNO': '800101-1234567', 'D11_POST': '135-080', 'D11_ADDR': full('서울 강남구', 50),
             'D11_TEL': full('02-555-1234', 15), 'D11_UPTAE': N20, 'D11_JONG': full('레미콘', 20),
             'D11_SDATE': d(2003, 5, 17), 'Y11_CNAME': full('대한건설', 30), 'Y11_NAME': full('최부장', 10),
             'Y11_CNO': '111-22-33333', 'Y11_ADDR': full('수원시', 60), 'Y11_TEL': full('031', 15),
             'Y11_UPTAE': full('건설', 20), 'Y11_JONG': full('토목', 20), 'Y11_SURYU': full('메모', 60)},
            # blank numbers are joined all the same; month or day 0 or blank: the zero date
            {'D11_CODE': '200001', 'D11_CNAME': '이층', 'D11_CNO': '--', 'D11_JMNO': '-', 'D11_POST': '-',
             'Y11_CNO': '--'},
            {'D11_CODE': '100002', 'D11_CNAME': '삼일', 'D11_CNO': '--', 'D11_JMNO': '-', 'D11_POST': '-',
             'Y11_CNO': '--'},
            {'D11_CODE': '200002', 'D11_CNAME': '공백', 'D11_CNO': '--', 'D11_JMNO': '-', 'D11_POST': '-',
             'Y11_CNO': '--', 'D11_SDATE': d(2004, 3, 9)}])}),
    7: ([dict(old='XX9999', no='023', name=N30, tel=full('02-111-2222', 15), ey='2004', em='12', ed='31',
              rate='095', tenth='5', **{'class': 'A'}, dist='0000012.5', time='00000001.5'),
         dict(no='024', y='', m='', d=''), dict(no='', name='', rate='100', dist='   7', m='00'),
         dict(no='026', ey='2004', em='05', ed='  ')],  # the last line is a record too
        {'vdrs160': (SITE, [('', '', '1023', N30, full('02-111-2222', 15), M15, d(2004, 12, 31), 95.5, 'A',
                              12.5, 1.5),
                             ('', '', '1024', '현장', '', ZERO_DATE, ZERO_DATE, 0, '', 0, 0),
                             ('', '', '1', '', '', ZERO_DATE, ZERO_DATE, 100, '', 7, 0),
                             ('', '', '1026', '현장', '', M15, ZERO_DATE, 0, '', 0, 0)])}),
    8: ([dict(serial='000101', **at(8, '20040331'), site='005', status=full('정상', 8), cat='상품',
              name=N30, sname=full('강남', 30), iname=full('25-210-15', 14), qty='00006', dec='50',
              price='00052000', amount='000000338000', vat='00000033800'),
         dict(serial='102', **at(8, '20040401'), status='금월미판', name=''),
         dict(serial='103', site='017', cat='임가공', name=''),
         dict(serial='104', status='전월미판', cat='자가소비', name="O'Neil 건설", y2='2004', m2='02',
              d2='27'),
         dict(serial='105', cat='상품기증', name='50%_할인*?', qty='', dec='5'),
         dict(serial='106', cat='기증', status='전월미판', y2='2004', m2='02', d2='00'),
         dict(serial='107', cat='기타', y2='2004', m2='02', d2='27')],
        {'k31_0403': (RM_SALE, [
            (101, '1', M31, M31, '100001', '1005', 1, '2', N30, full('강남', 30), full('25-210-15', 14), 6.5,
             52000, 338000, 33800),
            (103, '1', M15, M15, '100001', '1017', 1, '3', '', '', '', 0, 1000, 1000, 100),
            (104, '1', M15, d(2004, 2, 27), '100007', '1', 1, '4', "O'Neil 건설", '', '', 0, 1000, 1000, 100),
            (105, '1', M15, M15, '100002', '1', 1, '2', '50%_할인*?', '', '', 0.5, 1000, 1000, 100),
            (106, '2', M15, ZERO_DATE, '200003', '1', 1, '5', '한빛산업(주)', '', '', 0, 1000, 1000, 100),
            (107, '2', M15, M15, '200003', '1', 1, '', '한빛산업(주)', '', '', 0, 1000, 1000, 100)]),
         'k31_0404': (RM_SALE, [(102, '1', A01, A01, '100001', '1', 2, '1', '', '', '', 0, 1000, 1000, 100)])}),
    9: ([dict(**at(9, '20040331'), name=N30, a1='000000150000', a2='0'),
         dict(**at(9, '20040331'), a1='0', a2='000000050000', btext=full('신한은행', 10), bno=full('12-34', 12),
              wy='2004', wm='03', wd='31', oy='2004', om='06', od='30'),
         dict(**at(9, '20040401'), name="O'Neil 건설", a1='30000', a2='20000', btext='어음', wy='2004',
              wm='04', wd='01', oy='2004', om='07', od='31'),
         dict(name='50%_할인*?', a1='-5000', a2='0'),
         dict(name='', a1='1234', a2='1236', btext='당좌')],
        {'k32_0403': (RM_COLLECTION, [
            (M31, '100001', N30, '1', '1', 150000, 150000, '', '', ZERO_DATE, ZERO_DATE),
            (M31, '200003', '한빛산업(주)', '2', '1', 50000, 50000, full('신한은행', 10), full('12-34', 12), M31,
             d(2004, 6, 30)),
            (M15, '100002', '', '1', '1', 1234, 1234, '', '', ZERO_DATE, ZERO_DATE),
            (M15, '100002', '', '2', '2', 1236, 1236, '당좌', '', ZERO_DATE, ZERO_DATE)]),
         'k32_0404': (RM_COLLECTION, [
            (A01, '100007', "O'Neil 건설", '1', '1', 30000, 30000, '', '', ZERO_DATE, ZERO_DATE),
            (A01, '100007', "O'Neil 건설", '2', '2', 20000, 20000, '어음', '', A01, d(2004, 7, 31))])}),
    10: ([dict(no='123', name=N30, **item(0, '25-210-12', '00012', '50', '00048000', '00000060000',
                                          '000000600000'),
               **item(1, '25-240-15', '6', '00', '50000', '30000', '300000'), tqty='00018', tdec='50',
               tamount='000000900000', tvat='00000090000', code='R101'),
          dict(no='2', name='', **item(0, '', '', '', '', '', ''), **item(2, '석분', '1', '', '100', '10', '100'),
               **item(3, '모래', '2', '', '200', '20', '200'), code='R102'),
          dict(no='3', name="O'Neil 건설", **at(10, '20040401'), **item(0, '', '', '', '', '', ''))],
         {'K57_0403': (LINE, [(M15, '1', '100001', N30, '', '25-210-12', 12.5, 48000, 600000, 60000, 123,
                               'R101', 1),
                              (M15, '1', '100001', N30, '', '25-240-15', 6, 50000, 300000, 30000, 123, 'R101', 2),
                              (M15, '1', '100001', '', '', '석분', 1, 100, 100, 10, 2, 'R102', 1),
                              (M15, '1', '100001', '', '', '모래', 2, 200, 200, 20, 2, 'R102', 2)]),
          'k56_0403': (SUMMARY, [('100001', N30, '1', 123, M15, M15, M15, 18.5, 900000, 90000, 'R101'),
                                 ('100001', '', '1', 2, M15, M15, M15, 0, 1000, 100, 'R102')]),
          'K57_0404': (LINE, []),
          'k56_0404': (SUMMARY, [('100007', "O'Neil 건설", '1', 3, A01, A01, A01, 0, 1000, 100, '')])}),
}


def import_table(tmp_path, kind, env=None):
    """Imports the records of TABLE[kind] into fresh tables: (records, exit status, stdout, stderr)."""
    for name in TABLE[kind][1]:
        make_table(tmp_path / 'db', name)
    if kind in HELD_CODE_KINDS:
        add_customers(tmp_path / 'db')
    records = [rec(kind, **v) for v in TABLE[kind][0]]
    return (records, *run(tmp_path, kind, records, env=env))


@pytest.mark.parametrize('kind', TABLE)
def test_records_become_rows(tmp_path, kind):
    records, code, out, err = import_table(tmp_path, kind)
    assert (code, err) == (0, '')
    assert listed(out) == [(i, '성공', r.decode('cp949')) for i, r in enumerate(records, 1)]
    for table, (columns, rows) in TABLE[kind][1].items():
        check_rows(tmp_path / 'db', table, columns, rows)


def test_g_customer_sites_without_their_table_are_reported_per_record(tmp_path):
    make_table(tmp_path / 'db', 'vdrs110')
    code, out, err = run(tmp_path, 0, [rec(0, s1='현장'), rec(0, no='002'), rec(0, no='003', s3='현장')])
    assert (code, len(listed(out))) == (3, 3)
    assert column(tmp_path / 'db', 'vdrs110', 'D11_CODE') == ['100001', '100002', '100003']
    assert [line[:11] for line in err.splitlines()] == ['파일의 1번째 줄: ', '파일의 3번째 줄: ']
    assert err.count('(vdrs160.dbf)') == 2


def test_sites_take_the_codes_of_the_customer_step_before(tmp_path):
    db = tmp_path / 'db'
    for table in ('vdrs110', 'vdrs160'):
        make_table(db, table)
    steps = [(6, [rec(6, old='1A0001', name='가나'), rec(6, old='2B0002', name='다라'),
                  rec(6, old='2B0002', name='중복')]),  # the first of an old code wins
             (7, [rec(7, old='1A0001'), rec(7), rec(7, old='2B0002'), rec(7, old='XX9999'), rec(7)]),
             (6, [rec(6, old='1Z0009', name='둘째')]),  # codes restart, the map is replaced
             (7, [rec(7), rec(7, old='1A0001'), rec(7, old='1Z0009')])]  # no customer held over
    code, _, err = run_cli(db, *[(kind, write_export(tmp_path / str(i) / KINDS[kind].file, records,
                                                     trailer=kind == 6))
                                 for i, (kind, records) in enumerate(steps)])
    assert (code, err) == (0, '')
    assert column(db, 'vdrs110', 'D11_CODE') == ['100001', '200001', '200002', '100001']
    assert [(r['D11_CODE'], r['D11_CNAME']) for r in read_rows(db, 'vdrs160')] == \
        [('100001', '가나')] * 2 + [('200001', '다라')] + [('', '')] * 4 + [('100001', '둘째')]


@pytest.mark.parametrize('kind', (4, 10))
def test_a_failing_summary_row_is_reported_and_the_run_goes_on(tmp_path, kind):
    db = tmp_path / 'db'
    prepare(db, kind, '20040315', '20040401', '20040501')
    make_table(db, 'k56_0404', 'D11_code C(6); D11_cname C(30); d_gubun C(1); D52_si N(5,0); '
               's_date D; e_date D; d31_wdate D; qty1 N(10,2); amt1 N(12,0); D52_yo C(4)')  # no vat1
    for suffix in ('dbf', 'fpt'):
        (db / f'k56_0405.{suffix}').unlink()
    records = [rec(kind, no='1', tamount='2147483648'), rec(kind, no='2'), rec(kind, '20040401', no='3'),
               rec(kind, '20040501', no='4')]
    code, out, err = run(tmp_path, kind, records)
    assert (code, len(listed(out))) == (3, 4)
    assert err.startswith("파일의 1번째 줄: 합계금액 '2147483648'")
    assert '\n파일의 3번째 줄: ' in err and 'vat1' in err.lower() and missing('k56_0405.dbf') in err
    assert [column(db, f'K57_{m}', 'D52_SI') for m in ('0403', '0404', '0405')] == [[1, 2], [3], [4]]
    assert [column(db, f'k56_{m}', 'D52_SI') for m in ('0403', '0404')] == [[2], []]

