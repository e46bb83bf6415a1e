"""G vehicle file (kind 1): one carno row per record, through dbfimport-cli,
read back with dbfread."""

import datetime

from dbfharness import (listed_rows, make_standard_table, make_table, read_rows, record,
                        run_cli, tabledir, write_export)  # noqa: F401  (tabledir is a fixture)

WIDTH = 45
MISSING = '차량 테이블이 없습니다.\n테이블을 확인하고 다시 시도하십시오.\n'


def vehicle(code='', registration='', owner='', name='', capacity=''):
    fields = {1: code, 5: registration, 18: owner, 29: name, 40: capacity}
    return record(WIDTH, {k: v for k, v in fields.items() if v != ''})


def import_vehicles(directory, records, trailer=True):
    path = write_export(directory.parent / 'G차량.txt', records, trailer=trailer)
    return run_cli(directory, ('1', path))


def values(row):
    return (row['CNO'], row['CAR_NUM'], row['OWNER'], row['NAME'], row['CAR_CAP'])


def test_records_become_rows_and_the_trailer_is_not_imported(tabledir):
    make_standard_table(tabledir, 'carno')
    records = [
        vehicle('001', '서울12가3456', '김철수', '덤프1호', '15'),
        vehicle('', '경기34나5678', '(주)한빛', '믹서', ''),
        vehicle('27', 'AB-1234', '이영희', '트럭', 'x5'),
        vehicle('003', '부산가나다라', '박', '', ' 8'),
    ]
    code, out, err = import_vehicles(tabledir, records)
    assert (code, err) == (0, '')
    rows = read_rows(tabledir, 'carno')
    assert [values(r) for r in rows] == [
        ('1001', '서울12가3456', '김철수', '덤프1호', 15.0),
        ('1', '경기34나5678', '(주)한빛', '믹서', 0.0),
        ('127', 'AB-1234', '이영희', '트럭', 0.0),
        ('1003', '부산가나다라', '박', '', 8.0),
    ]
    # columns the file does not carry keep their blank defaults
    assert [r['CAR_WT'] for r in rows] == [0.0] * 4
    assert [r['CAR_USE'] for r in rows] == [None] * 4
    listed = listed_rows(out)
    assert [(p, s) for p, s, _ in listed] == [(1, '성공'), (2, '성공'), (3, '성공'), (4, '성공')]
    assert listed[0][2] == records[0].decode('cp949')


def test_fields_are_cut_by_byte_and_half_characters_dropped(tabledir):
    make_standard_table(tabledir, 'carno')
    line = bytearray(b' ' * WIDTH)
    line[0:3] = b'009'
    line[4:5] = b'A'
    line[5:17] = '가나다라마바'.encode('cp949')   # bytes 6-17: the registration (5-16) ends on a lead byte
    line[17:26] = b'A' + '김철수이'.encode('cp949')    # the owner (18-27)
    line[27:29] = '갂'.encode('cp949')  # bytes 28-29: the name (29-36) starts on its trail 'A'
    line[29:31] = b'BC'
    code, _, err = import_vehicles(tabledir, [bytes(line)])
    assert (code, err) == (0, '')
    row = read_rows(tabledir, 'carno')[0]
    assert row['CAR_NUM'] == 'A가나다라마'
    assert row['OWNER'] == 'A김철수이'
    assert row['NAME'] == 'BC'


def test_short_record_and_one_line_file(tabledir):
    make_standard_table(tabledir, 'carno')
    code, _, err = import_vehicles(tabledir, [b'05'])
    assert (code, err) == (0, '')
    assert [values(r) for r in read_rows(tabledir, 'carno')] == [('105', '', '', '', 0.0)]
    # a file of one line imports nothing: that line is the trailer
    code, out, err = import_vehicles(tabledir, [vehicle('001', 'X')], trailer=False)
    assert (code, out, err) == (0, '', '')
    assert len(read_rows(tabledir, 'carno')) == 1


def test_importing_twice_appends_again(tabledir):
    make_standard_table(tabledir, 'carno')
    records = [vehicle('001', 'A'), vehicle('002', 'B')]
    import_vehicles(tabledir, records)
    code, _, _ = import_vehicles(tabledir, records)
    assert code == 0
    assert [r['CNO'] for r in read_rows(tabledir, 'carno')] == ['1001', '1002'] * 2


def test_missing_vehicle_table_shows_its_message_and_writes_nothing(tabledir):
    code, out, err = import_vehicles(tabledir, [vehicle('001', 'A'), vehicle('002', 'B')])
    assert code == 1
    assert out == ''
    assert err == MISSING
    assert list(tabledir.iterdir()) == []


def test_failure_at_record_k_keeps_k_rows(tabledir):
    # a capacity column of one digit: the third record's 12 cannot be saved
    make_table(tabledir, 'carno', 'cno C(4); car_num C(12); owner C(10); name C(8); '
                                  'car_cap N(1,0); sdate D')
    records = [vehicle('001', 'A', capacity='5'), vehicle('002', 'B', capacity='7'),
               vehicle('003', 'C', capacity='12'), vehicle('004', 'D', capacity='1')]
    code, out, err = import_vehicles(tabledir, records)
    assert code == 1
    assert err.startswith('파일의 3번째 줄: ')
    assert 'car_cap' in err.lower()
    assert [r['CNO'] for r in read_rows(tabledir, 'carno')] == ['1001', '1002']
    assert [p for p, _, _ in listed_rows(out)] == [1, 2]
    rows = read_rows(tabledir, 'carno')
    assert rows[0]['SDATE'] == datetime.date(1899, 12, 30)
