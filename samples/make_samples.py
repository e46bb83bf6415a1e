#!/usr/bin/python3
"""Writes the bundled sample export files (CP949, CR LF) into samples/.

    /usr/bin/python3 samples/make_samples.py [OUTPUT_DIR]

The files are fictitious data of one small company for March/April 2004,
consistent with each other: the G sales, collections, invoices and slips
name the G customers, sites and vehicles; the ready-mix sites refer to the
old codes of the ready-mix customer file; the ready-mix sales, collections
and invoices name customers that file creates. Every file but the site file
ends with a totals line, which the import leaves out.

The output is deterministic; the generated files are committed beside this
script.
"""

import pathlib
import random
import sys

ENCODING = 'cp949'
rng = random.Random(2004)


# ---- record building -------------------------------------------------------

def enc(value):
    return value if isinstance(value, bytes) else str(value).encode(ENCODING)


def rjust(value, length):
    """A number right aligned in its field, as the export programs write them."""
    data = enc(value)
    if len(data) > length:
        raise ValueError(f'{value!r} does not fit in {length} bytes')
    return b' ' * (length - len(data)) + data


def zfill(value, length):
    return enc(str(value).zfill(length))


class Layout:
    """Named fields of one record kind: name -> (start, length), 1-based bytes."""

    def __init__(self, width, **fields):
        self.width = width
        self.fields = fields

    def build(self, **values):
        line = bytearray(b' ' * self.width)
        for name, value in values.items():
            start, length = self.fields[name]
            data = enc(value)
            if len(data) > length:
                raise ValueError(f'{name}={value!r} is longer than {length} bytes')
            line[start - 1:start - 1 + len(data)] = data
        return bytes(line)


def write(directory, name, lines, trailer=None):
    data = [enc(line) for line in lines]
    if trailer is not None:
        data.append(enc(trailer))
    path = pathlib.Path(directory) / name
    path.write_bytes(b'\r\n'.join(data) + b'\r\n')
    return path


def money(value):
    return f'{value:,}'


def vat_of(amount):
    return amount // 10


def qty_parts(qty):
    """12.5 -> ('00012', '50'): whole part and hundredths of a quantity."""
    hundredths = round(qty * 100)
    return f'{hundredths // 100:05d}', f'{hundredths % 100:02d}'


# ---- G (aggregates) master data -------------------------------------------

# number, name, sites, business reg. no, resident reg. no, representative,
# address, business type, business item
G_CUSTOMERS = [
    ('101', '(주)한빛건설', ['봉담택지조성공사', '동탄1공구', '오산세교현장'], '1248112345', '', '이한빛',
     '경기도 화성시 봉담읍 동화리 123', '건설업', '토목공사'),
    ('102', '대성토건(주)', ['평택항배후도로'], '1258154321', '', '김대성',
     '경기도 평택시 포승면 원정리 45-2', '건설업', '토목공사'),
    ('103', '우리건설', [], '1350201234', '', '최우리',
     '경기도 수원시 권선구 세류동 88', '건설업', '건축공사'),
    ('104', '청솔종합건설', ['송탄아파트신축', '서정리상가'], '1258701122', '', '박청솔',
     '경기도 평택시 서정동 301', '건설업', '건축공사'),
    # sites 1 and 3 filled, 2 blank: the rows keep their own ordinals
    ('105', '미래산업개발', ['향남공장부지', '', '발안IC연결로'], '1248609876', '', '정미래',
     '경기도 화성시 향남읍 행정리 17', '건설업', '토공사'),
    ('106', '동진건업', [], '1240533445', '', '한동진',
     '경기도 오산시 원동 550-1', '도소매', '건자재'),
    ('107', '새한토건(주)', ['안중우회도로'], '1258167788', '', '윤새한',
     '경기도 평택시 안중읍 현화리 9', '건설업', '토목공사'),
    ('108', '(주)금강개발', ['병점역사', '기안리택지'], '1358124680', '', '서금강',
     '경기도 화성시 병점동 210', '건설업', '토목,건축'),
    ('109', '태평양건설', [], '1248290001', '', '오태평',
     '경기도 용인시 기흥읍 구갈리 77', '건설업', '조경공사'),
    ('110', '김정호', ['개인주택신축'], '', '5803151234567', '김정호',
     '경기도 화성시 정남면 괘랑리 3', '', ''),
    ('111', '삼우건설산업', ['수원비행장정비'], '1240812233', '', '장삼우',
     '경기도 수원시 팔달구 인계동 1002', '건설업', '포장공사'),
    ('112', '(주)대흥', [], '1258145566', '', '임대흥',
     '경기도 안성시 공도읍 만정리 60', '제조업', '콘크리트제품'),
    ('113', '경인토건', ['의왕터널', '부곡물류단지', '반월배수로'], '1348177889', '', '조경인',
     '경기도 의왕시 오전동 45', '건설업', '토목공사'),
    ('114', '신성건설', ['진위천제방보강'], '1258311223', '', '남신성',
     '경기도 평택시 진위면 견산리 8', '건설업', '하천공사'),
    ('115', '한솔조경', [], '1240599887', '', '강한솔',
     '경기도 오산시 궐동 12-3', '건설업', '조경공사'),
    ('116', '일신건설(주)', ['영통상가신축', '매탄동빌라'], '1248122110', '', '문일신',
     '경기도 수원시 영통구 영통동 980', '건설업', '건축공사'),
    ('117', '박영수', [], '', '6207251234568', '박영수',
     '경기도 화성시 우정면 주곡리 40', '', ''),
    ('118', '(주)동원이엔씨', ['팔탄산업단지'], '1358133007', '', '홍동원',
     '경기도 화성시 팔탄면 구장리 155', '건설업', '토목공사'),
]

# code, registration, owner, driver name, capacity (tons)
G_VEHICLES = [
    ('001', '경기12가3456', '자사', '김철수', 15), ('002', '경기12가3457', '자사', '이영민', 15),
    ('003', '경기34나1021', '자사', '박상훈', 24), ('004', '경기34나1022', '자사', '최동욱', 24),
    ('005', '경기80사5501', '정만식', '정만식', 25), ('006', '경기80사5502', '오세진', '오세진', 25),
    ('007', '서울98사1234', '한기철', '한기철', 15), ('008', '인천85바7012', '윤명구', '윤명구', 24),
    ('009', '경기71아3380', '자사', '서진호', 8), ('010', '경기71아3381', '자사', '문태규', 8),
    ('011', '경기56자9012', '강성호', '강성호', 25), ('012', '경기56자9013', '조현우', '조현우', 25),
    ('013', '충남90바4410', '임재석', '임재석', 24), ('014', '경기23거6633', '자사', '남궁민', 15),
    ('015', '경기23거6634', '자사', '황보석', 15), ('016', '경기45너8120', '백승철', '백승철', 24),
]

# number, name, unit price per m3
G_ITEMS = [('01', '모래', 13000), ('02', '자갈25mm', 14500), ('03', '쇄석25mm', 12000),
           ('04', '석분', 6000), ('05', '마사토', 8000)]


def g_sites():
    """(customer number, site digit, site name) of every G site."""
    for number, _, sites, *_ in G_CUSTOMERS:
        for digit, site in enumerate(sites, start=1):
            if site:
                yield number, str(digit), site


def g_customer(number):
    return next(c for c in G_CUSTOMERS if c[0] == number)


# ---- G files -----------------------------------------------------------------

G_CUSTOMER = Layout(210, number=(1, 3), name=(5, 20), site1=(26, 20), site2=(47, 20),
                    site3=(68, 20), cno=(89, 10), jmno=(100, 13), rep=(114, 8), addr=(129, 40),
                    uptae=(170, 20), jong=(191, 20))


def g_customers_file():
    lines = []
    for number, name, sites, cno, jmno, rep, addr, uptae, jong in G_CUSTOMERS:
        sites = (sites + ['', '', ''])[:3]
        lines.append(G_CUSTOMER.build(number=number, name=name, site1=sites[0], site2=sites[1],
                                      site3=sites[2], cno=cno, jmno=jmno, rep=rep, addr=addr,
                                      uptae=uptae, jong=jong))
    return lines, f'** 거래처 합계 {len(lines)}건 **'


G_VEHICLE = Layout(41, code=(1, 3), reg=(5, 12), owner=(18, 10), name=(29, 8), cap=(40, 2))


def g_vehicles_file():
    lines = [G_VEHICLE.build(code=code, reg=reg, owner=owner, name=name, cap=rjust(cap, 2))
             for code, reg, owner, name, cap in G_VEHICLES]
    return lines, f'** 차량 합계 {len(lines)}대 **'


G_SALE = Layout(145, year=(1, 4), month=(5, 2), day=(7, 2), cust=(10, 3), item=(14, 2),
                slip=(17, 6), cname=(33, 30), iname=(64, 10), qty=(75, 5), qty_dec=(80, 2),
                price=(83, 8), amount=(92, 12), vat=(105, 11), kind=(130, 8))

# the sales, collection and invoice files run over the end of March 2004
SALE_DAYS = [(2004, 3, 26), (2004, 3, 27), (2004, 3, 29), (2004, 3, 30), (2004, 3, 31),
             (2004, 4, 1), (2004, 4, 2), (2004, 4, 3)]


def g_sales_file():
    lines, total_amount = [], 0
    customers = [c for c in G_CUSTOMERS if c[0] not in ('103', '112')]
    slip = 3100
    for year, month, day in SALE_DAYS:
        for _ in range(rng.randint(3, 5)):
            number, name = rng.choice(customers)[:2]
            item, iname, price = rng.choice(G_ITEMS)
            qty = rng.choice([6, 8, 12, 15, 24, 25]) * rng.randint(1, 4) + rng.choice([0, 0, 0.5])
            amount = round(qty * price)
            slip += rng.randint(1, 9)
            whole, dec = qty_parts(qty)
            lines.append(G_SALE.build(
                year=year, month=f'{month:02d}', day=f'{day:02d}', cust=number, item=item,
                slip=str(slip), cname=name, iname=iname, qty=whole, qty_dec=dec,
                price=rjust(price, 8), amount=rjust(amount, 12), vat=rjust(vat_of(amount), 11),
                kind=rng.choice(['외상', '외상', '외상', '현금'])))
            total_amount += amount
    return lines, f'** 판매 합계 {len(lines)}건  금액 {money(total_amount)} **'


G_COLLECTION = Layout(70, year=(1, 4), month=(5, 2), day=(7, 2), cust=(9, 3), kind=(13, 8),
                      cname=(23, 24), cash=(47, 12), bill=(59, 12))


def g_collections_file():
    plan = [  # day, customer, cash, bill (0 = blank field)
        ((2004, 3, 10), '101', 3500000, 0), ((2004, 3, 10), '104', 0, 5000000),
        ((2004, 3, 12), '102', 1200000, 800000), ((2004, 3, 15), '107', 950000, 0),
        ((2004, 3, 15), '108', 0, 2500000), ((2004, 3, 20), '110', 420000, 0),
        ((2004, 3, 22), '113', 1800000, 3000000), ((2004, 3, 25), '111', 760000, 0),
        ((2004, 3, 25), '116', -120000, 0),  # a returned overpayment
        ((2004, 3, 31), '114', 0, 1500000), ((2004, 3, 31), '118', 2200000, 0),
        ((2004, 4, 1), '101', 2000000, 0), ((2004, 4, 2), '105', 1350000, 1000000),
        ((2004, 4, 2), '109', 300000, 0), ((2004, 4, 5), '106', 0, 700000),
        ((2004, 4, 6), '115', 180000, 0), ((2004, 4, 8), '104', 2400000, 0),
        ((2004, 4, 9), '117', 95000, 0),
    ]
    lines, total = [], 0
    for (year, month, day), number, cash, bill in plan:
        kind = '현금' if bill == 0 else ('어음' if cash == 0 else '현금어음')
        lines.append(G_COLLECTION.build(
            year=year, month=f'{month:02d}', day=f'{day:02d}', cust=number, kind=kind,
            cname=g_customer(number)[1], cash=rjust(cash, 12) if cash else b'',
            bill=rjust(bill, 12) if bill else b''))
        total += cash + bill
    return lines, f'** 수금 합계 {len(lines)}건  금액 {money(total)} **'


G_INVOICE = Layout(616, number=(1, 3), cust=(5, 3), year=(17, 4), month=(21, 2), day=(23, 2),
                   cname=(51, 30), qty=(547, 5), qty_dec=(552, 2), amount=(555, 12),
                   vat=(568, 11), code=(580, 4))
G_INVOICE_GROUP = {'code': (0, 2), 'name': (3, 9), 'qty': (18, 5), 'qty_dec': (23, 2),
                   'price': (26, 8), 'vat': (48, 11), 'amount': (60, 12)}
G_INVOICE_GROUPS = [210, 297, 384, 471]


def with_groups(layout, starts, group):
    """A layout extended by fields <name><k> of item groups k = 1 to 4."""
    fields = dict(layout.fields)
    for k, start in enumerate(starts, start=1):
        for name, (offset, length) in group.items():
            fields[f'{name}{k}'] = (start + offset, length)
    return Layout(layout.width, **fields)


def invoice_items(items, with_code):
    """Field values of the item groups and the totals of one invoice."""
    values, total_qty, total_amount = {}, 0, 0
    for k, (code, name, price, qty) in enumerate(items, start=1):
        amount = round(qty * price)
        whole, dec = qty_parts(qty)
        if with_code:
            values[f'code{k}'] = code
        values.update({f'name{k}': name, f'qty{k}': whole, f'qty_dec{k}': dec,
                       f'price{k}': rjust(price, 8), f'amount{k}': rjust(amount, 12),
                       f'vat{k}': rjust(vat_of(amount), 11)})
        total_qty += qty
        total_amount += amount
    whole, dec = qty_parts(total_qty)
    values.update(qty=whole, qty_dec=dec, amount=rjust(total_amount, 12),
                  vat=rjust(sum(vat_of(round(q * p)) for _, _, p, q in items), 11))
    return values, total_amount


def g_invoices_file():
    layout = with_groups(G_INVOICE, G_INVOICE_GROUPS, G_INVOICE_GROUP)
    billed = [c for c in G_CUSTOMERS if c[0] not in ('106', '117')]
    lines, total, number = [], 0, 0
    dates = [(2004, 3, 31)] * 12 + [(2004, 4, 10)] * 4
    for (year, month, day), customer in zip(dates, billed):
        number += 1
        chosen = rng.sample(G_ITEMS, rng.randint(1, 4))
        items = [(code, name, price, rng.choice([24, 48, 60, 96, 120.5, 150]))
                 for code, name, price in chosen]
        values, amount = invoice_items(items, with_code=True)
        lines.append(layout.build(number=f'{number:03d}', cust=customer[0], year=year,
                                  month=f'{month:02d}', day=f'{day:02d}', cname=customer[1],
                                  code=rng.choice(['청구', '청구', '영수']), **values))
        total += amount
    return lines, f'** 세금계산서 {len(lines)}매  공급가액 {money(total)} **'


SLIP = Layout(191, yy=(1, 2), mm=(3, 2), dd=(5, 2), number=(7, 3), cust=(11, 3), cname=(15, 20),
              site=(36, 1), sname=(38, 20), vehicle=(59, 3), plate1=(63, 8), plate2=(72, 4),
              driver=(77, 8), time=(86, 4), mix=(96, 2), mixname=(99, 8), vol=(108, 3),
              vol_tenth=(112, 1), plant=(133, 10), addr=(144, 40), check=(185, 6))


def slips_file():
    lines, total = [], 0.0
    sites = list(g_sites())
    for day, count in ((15, 16), (16, 14)):
        minutes = 7 * 60 + 30
        for number in range(1, count + 1):
            cust, digit, site = rng.choice(sites)
            code, reg, _, driver, cap = rng.choice(G_VEHICLES)
            item, iname, _ = rng.choice(G_ITEMS)
            volume = min(cap, rng.choice([6, 8, 12, 15, 24])) + rng.choice([0, 0, 0.5])
            minutes += rng.randint(10, 35)
            tenths = round(volume * 10)
            customer = g_customer(cust)
            lines.append(SLIP.build(
                yy='04', mm='03', dd=f'{day:02d}', number=f'{number:03d}', cust=cust,
                cname=customer[1], site=digit, sname=site, vehicle=code, plate1=reg[:-4],
                plate2=reg[-4:], driver=driver, time=f'{minutes // 60:02d}{minutes % 60:02d}',
                mix=item, mixname=iname, vol=f'{tenths // 10:03d}', vol_tenth=str(tenths % 10),
                plant=rng.choice(['본사공장', '제2공장']), addr=customer[6],
                check=rng.choice(['', '', '', '', '', '확인', '회수'])))
            total += volume
    return lines, f'** 송장 {len(lines)}건  출하량 {total:.1f} **'


# ---- ready-mix master data ---------------------------------------------------

# old code, name, representative, business reg., resident reg., postal code,
# address, telephone, business type, business item, start date, second party
RM_CUSTOMERS = [
    ('100123', '(주)한라종합건설', '한성민', '1248155501', '', '445702',
     '경기도 화성시 봉담읍 상리 55-3', '031-227-1100', '건설업', '토목,건축', ('2001', '03', '15'), None),
    ('100145', '대림토건(주)', '임대림', '1358120012', '', '447020',
     '경기도 오산시 오산동 870-1', '031-372-5500', '건설업', '토목공사', ('2002', '07', '01'), None),
    ('200017', '성원건설', '조성원', '1240877210', '', '440300',
     '경기도 수원시 장안구 정자동 311', '031-244-0909', '건설업', '건축공사', ('1999', '11', '20'), None),
    ('100188', "(주)Kim's건설", '김상철', '1258199001', '', '450140',
     '경기도 평택시 비전동 600-12', '031-655-3030', '건설업', '건축공사', ('2003', '05', '17'), None),
    ('300004', '동부산업(주)', '최동부', '1348100777', '', '435050',
     '경기도 군포시 당동 45', '031-453-7700', '제조업', '콘크리트2차제품', ('2000', '02', '10'),
     ('동부산업(주) 안산공장', '최동부', '1348100778', '경기도 안산시 단원구 성곡동 1-5 시화공단',
      '031-499-1200', '제조업', '콘크리트2차제품', '공장도 단가 적용, 월말 마감')),
    ('100201', '신한건설(주)', '박신한', '1248133322', '', '445380',
     '경기도 화성시 향남읍 평리 120', '031-353-8800', '건설업', '토목공사', ('2003', '01', '06'), None),
    # a person building a house: no business number, a resident number
    ('200044', '이순자', '이순자', '', '4703212234561', '445893',
     '경기도 화성시 서신면 궁평리 71', '011-9876-5432', '', '', ('2004', '03', '02'), None),
    ('100230', '(주)보광이앤씨', '정보광', '1358166610', '', '449900',
     '경기도 용인시 기흥읍 신갈리 23', '031-286-4400', '건설업', '토목,조경', ('2002', '09', '30'), None),
    # start date not known yet: month and day 00
    ('100245', '세진종합건설', '한세진', '1240811880', '', '451800',
     '경기도 평택시 팽성읍 안정리 99', '031-692-6600', '건설업', '건축공사', ('2004', '00', '00'), None),
    (' 20051', '우성레미콘운송', '오우성', '1258122244', '', '',
     '경기도 오산시 누읍동 300', '031-375-1212', '운수업', '화물운송', ('2001', '06', '12'), None),
    ('100260', '(주)대원산업개발', '윤대원', '1348155443', '', '445850',
     '경기도 화성시 남양동 1990', '031-356-2929', '건설업', '토목공사', ('2003', '10', '21'), None),
    ('200066', '금호건업', '강금호', '1248100990', '', '447300',
     '경기도 오산시 갈곶동 8-7', '031-374-0808', '건설업', '포장공사', ('2000', '08', '08'),
     ('금호건업 수원지점', '강금호', '1248100991', '경기도 수원시 권선구 권선동 1100-1',
      '031-233-0808', '건설업', '포장공사', '계산서는 지점으로 발행')),
    ('100277', '현대주택', '서현대', '1358144770', '', '449810',
     '경기도 용인시 수지읍 풍덕천리 13', '031-262-1771', '건설업', '주택건설', ('2004', '02', '14'), None),
]

# old code (blank: the customer of the line before), site number, name,
# telephone, start date, end date, price rate, class, distance km, minutes
RM_SITES = [
    ('100123', '001', '봉담 상리 택지조성 1공구', '031-227-1101', ('2003', '11', '01'), ('2004', '12', '31'), '095', '5', 'A', '12.5', '35'),
    ('', '002', '봉담 상리 택지조성 2공구', '031-227-1102', ('2004', '02', '15'), ('', '', ''), '095', '5', 'A', '13', '38'),
    ('100145', '003', '오산 세교 진입도로', '031-372-5501', ('2004', '01', '05'), ('2004', '08', '31'), '097', '0', 'B', '8.2', '20'),
    ('200017', '004', '정자동 근린생활시설 신축', '031-244-0910', ('2004', '03', '02'), ('2004', '09', '30'), '100', '0', 'A', '18', '45'),
    ('100188', '005', '비전동 다세대주택', '031-655-3031', ('2004', '03', '10'), ('2004', '07', '15'), '098', '0', 'A', '24.5', '55'),
    ('300004', '006', '당동공장 제품생산', '031-453-7701', ('2000', '02', '10'), ('', '', ''), '090', '0', 'C', '31', '70'),
    ('', '007', '시화공단 안산공장', '031-499-1201', ('2002', '05', '20'), ('', '', ''), '090', '0', 'C', '42.5', '90'),
    ('100201', '008', '향남 평리 농로포장', '', ('2004', '03', '22'), ('2004', '05', '31'), '096', '5', 'B', '15', '40'),
    ('200044', '009', '궁평리 단독주택', '011-9876-5432', ('2004', '03', '25'), ('2004', '06', '30'), '100', '0', 'D', '36', '80'),
    ('100230', '010', '신갈 물류창고 신축', '031-286-4401', ('2004', '02', '01'), ('2004', '11', '30'), '097', '5', 'A', '27', '60'),
    ('', '011', '기흥 조경공사', '031-286-4402', ('2004', '04', '01'), ('2004', '05', '31'), '097', '5', 'A', '25', '55'),
    ('100245', '012', '안정리 상가 신축', '031-692-6601', ('2004', '03', '15'), ('2004', '10', '31'), '099', '0', 'A', '33', '75'),
    ('100260', '013', '남양 우회도로 교량', '031-356-2930', ('2003', '09', '01'), ('2005', '03', '31'), '094', '0', 'B', '21', '50'),
    ('', '014', '남양 배수펌프장', '031-356-2931', ('2004', '01', '10'), ('2004', '06', '30'), '094', '0', 'B', '22.5', '52'),
    ('200066', '015', '갈곶동 도로포장', '031-374-0809', ('2004', '03', '01'), ('2004', '04', '30'), '098', '5', 'B', '6.5', '15'),
    ('100277', '016', '풍덕천 연립주택', '031-262-1772', ('2004', '03', '05'), ('2004', '10', '15'), '100', '0', 'A', '38', '85'),
    ('100123', '017', '봉담 하수처리장', '031-227-1103', ('2004', '04', '01'), ('', '', ''), '095', '5', 'A', '11', '30'),
]

# mix name, unit price per m3
RM_MIXES = [('25-180-8', 48500), ('25-210-12', 51000), ('25-240-15', 54500), ('25-270-15', 57000),
            ('40-180-8', 47000)]


def rm_site_owners():
    """(site number, site name, customer name) with the blank old codes resolved."""
    owners, names = [], {c[0].strip(): c[1] for c in RM_CUSTOMERS}
    current = None
    for old, number, site, *_ in RM_SITES:
        if old:
            current = names[old]
        owners.append((number, site, current))
    return owners


# ---- ready-mix files ----------------------------------------------------------

RM_CUSTOMER = Layout(738, old=(1, 6), name=(8, 30), rep=(39, 10), cno=(50, 10), jmno=(61, 13),
                     post=(75, 6), addr=(86, 50), tel=(147, 15), uptae=(211, 20), jong=(232, 20),
                     year=(393, 4), month=(397, 2), day=(399, 2), name2=(434, 30), rep2=(465, 10),
                     cno2=(476, 10), addr2=(512, 60), tel2=(573, 15), uptae2=(637, 20),
                     jong2=(658, 20), suryu=(679, 60), fax=(163, 15))


def rm_customers_file():
    lines = []
    for old, name, rep, cno, jmno, post, addr, tel, uptae, jong, (y, m, d), second in RM_CUSTOMERS:
        values = dict(old=old, name=name, rep=rep, cno=cno, jmno=jmno, post=post, addr=addr,
                      tel=tel, uptae=uptae, jong=jong, year=y, month=m, day=d)
        if tel.startswith('031'):
            values['fax'] = tel[:-1] + '9'
        if second:
            values.update(zip(('name2', 'rep2', 'cno2', 'addr2', 'tel2', 'uptae2', 'jong2',
                               'suryu'), second))
        lines.append(RM_CUSTOMER.build(**values))
    return lines, f'** 레미콘 거래처 합계 {len(lines)}건 **'


RM_SITE = Layout(259, old=(1, 6), number=(8, 3), name=(12, 30), tel=(54, 15), sy=(111, 4),
                 sm=(115, 2), sd=(117, 2), oy=(120, 4), om=(124, 2), od=(126, 2), rate=(170, 3),
                 rate_tenth=(173, 1), gubun=(238, 1), kiro=(240, 9), time=(250, 10))


def rm_sites_file():
    lines = []
    for old, number, name, tel, (sy, sm, sd), (oy, om, od), rate, tenth, gubun, kiro, minutes \
            in RM_SITES:
        lines.append(RM_SITE.build(old=old, number=number, name=name, tel=tel, sy=sy, sm=sm,
                                   sd=sd, oy=oy, om=om, od=od, rate=rate, rate_tenth=tenth,
                                   gubun=gubun, kiro=rjust(kiro, 9), time=rjust(minutes, 10)))
    return lines, None  # the site import reads every line: no totals line


RM_SALE = Layout(371, serial=(1, 6), year=(8, 4), month=(12, 2), day=(14, 2), shift=(17, 5),
                 site=(24, 3), status=(37, 8), category=(46, 8), truck=(56, 12),
                 cname=(102, 30), sname=(133, 30), item=(164, 14), qty=(179, 5),
                 qty_dec=(184, 2), price=(187, 8), amount=(196, 12), vat=(209, 11),
                 y2=(326, 4), m2=(330, 2), d2=(332, 2))

RM_SALE_DAYS = [(2004, 3, 29), (2004, 3, 30), (2004, 3, 31), (2004, 4, 1), (2004, 4, 2)]


def rm_daily_sales_file():
    owners = [o for o in rm_site_owners() if o[0] not in ('011', '017')]
    april_only = [o for o in rm_site_owners() if o[0] in ('011', '017')]
    lines, serial, total = [], 0, 0
    special = {3: ('금월미판', ''), 7: ('정상', '상품'), 11: ('전월미판', ''),
               15: ('정상', '자가소비'), 19: ('정상', '기증'), 23: ('정상', '임가공')}
    for year, month, day in RM_SALE_DAYS:
        pool = owners + (april_only if month == 4 else [])
        for _ in range(rng.randint(5, 7)):
            serial += 1
            number, site, customer = rng.choice(pool)
            mix, price = rng.choice(RM_MIXES)
            qty = rng.choice([6, 6, 12, 18, 24, 30, 36, 45]) + rng.choice([0, 0, 0.5])
            amount = round(qty * price)
            status, category = special.get(serial, ('정상', ''))
            second = {}
            if status == '전월미판':  # delivered last month, billed now
                second = dict(y2='2004', m2='02', d2='27')
            lines.append(RM_SALE.build(
                serial=f'{serial:06d}', year=year, month=f'{month:02d}', day=f'{day:02d}',
                shift=rng.choice(['오전', '오후']), site=number, status=status,
                category=category, truck=rng.choice(G_VEHICLES)[1], cname=customer, sname=site,
                item=mix, qty=qty_parts(qty)[0], qty_dec=qty_parts(qty)[1],
                price=rjust(price, 8), amount=rjust(amount, 12), vat=rjust(vat_of(amount), 11),
                **second))
            total += amount
            if serial == 9:
                # a continuation line: same customer and site, no name
                serial += 1
                qty = 3.5
                amount = round(qty * price)
                lines.append(RM_SALE.build(
                    serial=f'{serial:06d}', year=year, month=f'{month:02d}', day=f'{day:02d}',
                    site=number, status='정상', item=mix, qty=qty_parts(qty)[0],
                    qty_dec=qty_parts(qty)[1], price=rjust(price, 8), amount=rjust(amount, 12),
                    vat=rjust(vat_of(amount), 11)))
                total += amount
    return lines, f'** 일일판매 합계 {len(lines)}건  금액 {money(total)} **'


RM_COLLECTION = Layout(225, year=(1, 4), month=(5, 2), day=(7, 2), old=(10, 6), cname=(33, 30),
                       cash=(64, 12), bill=(77, 12), posi=(121, 10), bno=(132, 12),
                       wy=(145, 4), wm=(149, 2), wd=(151, 2), oy=(154, 4), om=(158, 2),
                       od=(160, 2))


def rm_collections_file():
    by_name = {c[1]: c for c in RM_CUSTOMERS}
    plan = [  # date, customer, cash, bill, bank, bill number, issue date, due date
        ((2004, 3, 5), '(주)한라종합건설', 5000000, 0, '', '', None, None),
        ((2004, 3, 10), '대림토건(주)', 0, 8500000, '국민은행', '가나12345678', ('2004', '03', '10'), ('2004', '06', '10')),
        ((2004, 3, 15), "(주)Kim's건설", 3200000, 2000000, '기업은행', '다라20040315', ('2004', '03', '15'), ('2004', '05', '15')),
        ((2004, 3, 20), '성원건설', 1800000, 0, '', '', None, None),
        ((2004, 3, 25), '동부산업(주)', 0, 12000000, '신한은행', '자가00981234', ('2004', '03', '25'), ('2004', '07', '25')),
        ((2004, 3, 31), '이순자', 2750000, 0, '', '', None, None),
        ((2004, 3, 31), '(주)보광이앤씨', 0, 0, '', '', None, None),  # amounts cancelled out
        ((2004, 4, 2), '(주)대원산업개발', 4400000, 0, '', '', None, None),
        ((2004, 4, 5), '금호건업', 1000000, 3000000, '농협', '마바55001122', ('2004', '04', '05'), ('2004', '00', '00')),
        ((2004, 4, 6), '(주)한라종합건설', 0, 6000000, '하나은행', '사아77004411', ('2004', '04', '06'), ('2004', '07', '06')),
        ((2004, 4, 8), '세진종합건설', 2100000, 0, '', '', None, None),
        ((2004, 4, 9), '현대주택', 900000, 0, '', '', None, None),
        ((2004, 4, 12), "(주)Kim's건설", 1500000, 0, '', '', None, None),
        ((2004, 4, 15), '신한건설(주)', 0, 4500000, '우리은행', '차카33221100', ('2004', '04', '15'), ('2004', '08', '15')),
    ]
    lines, total = [], 0
    for (year, month, day), name, cash, bill, bank, bno, issued, due in plan:
        values = dict(year=year, month=f'{month:02d}', day=f'{day:02d}',
                      old=by_name[name][0], cname=name, cash=rjust(cash, 12),
                      bill=rjust(bill, 12), posi=bank, bno=bno)
        if issued:
            values.update(wy=issued[0], wm=issued[1], wd=issued[2])
        if due:
            values.update(oy=due[0], om=due[1], od=due[2])
        lines.append(RM_COLLECTION.build(**values))
        total += cash + bill
    return lines, f'** 수금 합계 {len(lines)}건  금액 {money(total)} **'


RM_INVOICE = Layout(616, number=(1, 3), old=(5, 6), year=(23, 4), month=(27, 2), day=(29, 2),
                    cname=(57, 30), qty=(573, 5), qty_dec=(578, 2), amount=(581, 12),
                    vat=(594, 11), code=(606, 4))
RM_INVOICE_GROUP = {'name': (0, 9), 'qty': (15, 5), 'qty_dec': (20, 2), 'price': (23, 8),
                    'vat': (45, 11), 'amount': (57, 12)}
RM_INVOICE_GROUPS = [223, 315, 407, 499]


def rm_invoices_file():
    layout = with_groups(RM_INVOICE, RM_INVOICE_GROUPS, RM_INVOICE_GROUP)
    names = [c for c in RM_CUSTOMERS if c[1] not in ('우성레미콘운송',)]
    dates = [(2004, 3, 31)] * 9 + [(2004, 4, 15)] * 3
    lines, total = [], 0
    for number, ((year, month, day), customer) in enumerate(zip(dates, names), start=1):
        chosen = rng.sample(RM_MIXES, rng.randint(1, 3))
        items = [('', mix, price, rng.choice([30, 48, 66.5, 120, 210, 360])) for mix, price in chosen]
        values, amount = invoice_items(items, with_code=False)
        lines.append(layout.build(number=f'{number:03d}', old=customer[0], year=year,
                                  month=f'{month:02d}', day=f'{day:02d}', cname=customer[1],
                                  code=rng.choice(['청구', '청구', '영수']), **values))
        total += amount
    return lines, f'** 계산서 {len(lines)}매  공급가액 {money(total)} **'


# ---- all files -------------------------------------------------------------------

FILES = [
    ('G거래처.txt', g_customers_file), ('G차량.txt', g_vehicles_file),
    ('G판매.txt', g_sales_file), ('G수금.txt', g_collections_file),
    ('GSS0403.txt', g_invoices_file), ('S0040315.txt', slips_file),
    ('레미콘거래처.txt', rm_customers_file), ('레미콘현장.txt', rm_sites_file),
    ('레미콘일일판매.txt', rm_daily_sales_file), ('레미콘수금.txt', rm_collections_file),
    ('레미콘계산서.txt', rm_invoices_file),
]


def main(argv):
    out = pathlib.Path(argv[1]) if len(argv) > 1 else pathlib.Path(__file__).resolve().parent
    out.mkdir(parents=True, exist_ok=True)
    for name, make in FILES:
        lines, trailer = make()
        path = write(out, name, lines, trailer)
        print(f'{path}: {len(lines) + (trailer is not None)} lines')


if __name__ == '__main__':
    main(sys.argv)
