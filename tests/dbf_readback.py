# Reads a table written by the table layer with python3-dbfread and python3-dbf
# and compares it with the reference rows and the rows the test appended.
# argv: table path, fixture name ("" for none), JSON list of expected appended
# rows (only the listed columns are compared), and "both" to check with
# python3-dbf too (it cannot read Visual FoxPro null flags as FoxPro numbers
# them). Prints OK or what differs.
import datetime
import decimal
import json
import os
import sys

import dbfread

path, fixture, appended = sys.argv[1], sys.argv[2], json.loads(sys.argv[3])
with_python_dbf = len(sys.argv) > 4 and sys.argv[4] == "both"


def norm(value):
    if isinstance(value, (datetime.date, datetime.datetime)):
        return value.isoformat()
    if isinstance(value, decimal.Decimal):
        return str(value)
    if isinstance(value, bytes):
        return value.hex()
    return value


table = dbfread.DBF(path, encoding="cp949", char_decode_errors="strict", load=True)
rows = [{k: norm(v) for k, v in r.items()} for r in table.records]
deleted = [{k: norm(v) for k, v in r.items()} for r in table.deleted]
problems = []
start = 0
if fixture:
    here = os.environ.get("FIXTURES_DIR")
    with open(os.path.join(here, "expected.json"), encoding="utf-8") as f:
        reference = json.load(f)[fixture]
    start = len(reference["records"])
    if rows[:start] != reference["records"]:
        problems.append("reference rows changed: %r" % rows[:start])
    if deleted != reference["deleted"]:
        problems.append("deleted rows changed: %r" % deleted)
new = rows[start:]
if len(new) != len(appended):
    problems.append("expected %d appended rows, dbfread sees %d: %r" % (len(appended), len(new), new))
for i, (got, want) in enumerate(zip(new, appended)):
    for key, value in want.items():
        if got.get(key) != value:
            problems.append("row %d column %s: dbfread reads %r, expected %r" % (i, key, got.get(key), value))

# python3-dbf: the record count and every character column of the new rows.
if with_python_dbf:
    import dbf

    t = dbf.Table(path, codepage="cp949")
    t.open(dbf.READ_ONLY)
    try:
        if len(t) != len(rows) + len(deleted):
            problems.append("python3-dbf counts %d rows, expected %d" % (len(t), len(rows) + len(deleted)))
        live = [r for r in t if not dbf.is_deleted(r)]
        for i, want in enumerate(appended):
            record = live[start + i]
            for key, value in want.items():
                if t.field_info(key.lower())[0] == ord("C"):
                    got = record[key.lower()].rstrip()
                    if got != value:
                        problems.append("python3-dbf row %d column %s: %r, expected %r" % (i, key, got, value))
    finally:
        t.close()

print("OK" if not problems else "\n".join(problems))
