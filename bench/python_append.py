#!/usr/bin/python3
"""The append benchmark done with python3-dbf: the same 20-column table and the
same 32 767 rows, appended one at a time (python3-dbf writes the record and the
header on every append, without locks). Prints rows per second."""
import datetime
import os
import resource
import sys
import tempfile
import time

import dbf

ROWS = 32767
FIELDS = ("CODE C(10); NAME C(40); ADDR1 C(50); ADDR2 C(40); PHONE C(14); OWNER C(20); "
          "ITEM C(20); MEMO C(13); QTY N(10,2); PRICE N(12,0); AMOUNT N(14,0); TAX N(12,0); "
          "RATE N(6,3); SDATE D; EDATE D; SEQ I; CARNO I; WEIGHT B; DIST B; PAID L")


def row(i):
    code = "%06d" % i
    return (code, "가나 건설 " + code, "서울시 강남구 1-23", "building 4, floor 5", "02-555-0199",
            "홍길동", "25-240-15", "bench", 6.0 + (i % 100) / 4.0, 61000 + i % 1000, 366000 + i,
            36600 + i % 7, 0.125, datetime.date(2024, 1 + i % 12, 1 + i % 28),
            datetime.date(2024, 12, 31), i, i % 30000, 24.5 + i % 10, 12.75, bool(i % 2))


def main():
    with tempfile.TemporaryDirectory() as work:
        path = os.path.join(work, "bench.dbf")
        table = dbf.Table(path, FIELDS, dbf_type="vfp", codepage="cp949")
        table.open(dbf.READ_WRITE)
        start = time.perf_counter()
        cpu_start = time.process_time()
        for i in range(ROWS):
            table.append(row(i))
        table.close()
        seconds = time.perf_counter() - start
        cpu = time.process_time() - cpu_start
    print("rows: %d" % ROWS)
    print("seconds: %.3f" % seconds)
    print("rows/s: %.0f" % (ROWS / seconds))
    print("rows per cpu second: %.0f" % (ROWS / cpu))
    print("peak memory: %d kB" % resource.getrusage(resource.RUSAGE_SELF).ru_maxrss)


if __name__ == "__main__":
    sys.exit(main())
