#!/usr/bin/python3
"""The G vehicle import written with python3-dbf, for comparison with
dbfimport-cli: the same file, the same fields cut by byte, one row appended
at a time to carno. Prints "seconds: S" and "peak_kb: K".

    python_vehicles.py make-file FILE LINES   write a vehicle export file
    python_vehicles.py make-table DIR         create an empty carno.dbf in DIR
    python_vehicles.py import DIR FILE        import FILE into DIR/carno.dbf
"""
import os
import re
import resource
import sys
import time

import dbf

CARNO = 'cno C(4); car_num C(12); owner C(10); name C(8); car_cap N(5,1); car_use L; car_wt F(8,2)'
OWNERS = ['김철수', '이영희', '(주)한빛', '박민수', '대한운수']


def make_file(path, lines):
    records = []
    for i in range(lines - 1):
        line = bytearray(b" " * 41)
        line[0:3] = b'%03d' % (i % 1000)
        line[4:16] = ('서울%02d가%04d' % (i % 100, i % 10000)).encode('cp949')
        line[17:17 + 8] = OWNERS[i % len(OWNERS)].encode('cp949').ljust(8)
        line[28:34] = ('덤프%02d' % (i % 100)).encode('cp949')
        line[39:41] = b'%2d' % (5 + i % 20)
        records.append(bytes(line))
    records.append('합계 {}건'.format(lines - 1).encode('cp949'))
    with open(path, 'wb') as handle:
        handle.write(b'\r\n'.join(records) + b'\r\n')


def make_table(directory):
    table = dbf.Table(os.path.join(directory, 'carno.dbf'), CARNO, dbf_type='vfp',
                      codepage=0x79)
    table.open(dbf.READ_WRITE)
    table.close()


def cut(record, start, length):
    # whole CP949 characters only, like the importer
    data = record[start - 1:start - 1 + length]
    return data.decode('cp949', 'ignore').strip(' ')


NUMBER = re.compile(r'^[+-]?(\d+\.?\d*|\.\d+)')


def leading_number(text):
    match = NUMBER.match(re.sub(r'[ \t\n]', '', text))
    return float(match.group(0)) if match else 0.0


def run_import(directory, path):
    started = time.perf_counter()
    with open(path, 'rb') as handle:
        lines = re.split(rb'\r\n?', handle.read())
    if lines and lines[-1] == b'':
        lines.pop()
    table = dbf.Table(os.path.join(directory, 'carno.dbf'))
    table.open(dbf.READ_WRITE)
    for record in lines[:-1]:
        table.append({'cno': '1' + cut(record, 1, 3), 'car_num': cut(record, 5, 12),
                      'owner': cut(record, 18, 10), 'name': cut(record, 29, 8),
                      'car_cap': leading_number(cut(record, 40, 2)),
                      'car_wt': 0.0})
    table.close()
    seconds = time.perf_counter() - started
    print('seconds: %.3f' % seconds)
    print('peak_kb: %d' % resource.getrusage(resource.RUSAGE_SELF).ru_maxrss)


def main():
    command = sys.argv[1]
    if command == 'make-file':
        make_file(sys.argv[2], int(sys.argv[3]))
    elif command == 'make-table':
        make_table(sys.argv[2])
    elif command == 'import':
        run_import(sys.argv[2], sys.argv[3])
    else:
        sys.exit(__doc__)


if __name__ == '__main__':
    main()
