#!/usr/bin/python3
"""Writes the fuzz seed corpus: the reference tables, tables made by
python3-dbf, and broken variants of them. A seed is a table file, optionally
followed by the memo separator and its memo file (see fuzz_table.cpp).

Usage: make_seed_corpus.py <reference tables dir> <corpus dir>
"""
import datetime
import os
import struct
import sys
import tempfile

import dbf

SEPARATOR = b"\n#memo#\n"


def seed(corpus, name, table, memo=None):
    with open(os.path.join(corpus, name), "wb") as out:
        out.write(table if memo is None else table + SEPARATOR + memo)


def read(path):
    with open(path, "rb") as f:
        return f.read()


def python_dbf_table(workdir, name, specs, dbf_type, rows, codepage="cp949"):
    path = os.path.join(workdir, name + ".dbf")
    t = dbf.Table(path, specs, dbf_type=dbf_type, codepage=codepage)
    t.open(dbf.READ_WRITE)
    for row in rows:
        t.append(row)
    t.close()
    memo = None
    for ext in (".fpt", ".dbt", ".FPT", ".DBT"):
        if os.path.exists(os.path.join(workdir, name + ext)):
            memo = read(os.path.join(workdir, name + ext))
    return read(path), memo


def broken_variants(table):
    """Header damage of the kinds the table layer must refuse."""
    header_len, record_len = struct.unpack_from("<HH", table, 8)
    out = {}
    out["truncated_header"] = table[:20]
    out["truncated_descriptors"] = table[:48]
    out["truncated_records"] = table[: header_len + record_len // 2]
    b = bytearray(table); struct.pack_into("<H", b, 8, 33); out["header_len_small"] = bytes(b)
    b = bytearray(table); struct.pack_into("<H", b, 8, 0xFFFF); out["header_len_huge"] = bytes(b)
    b = bytearray(table); struct.pack_into("<H", b, 10, record_len - 1); out["record_len_short"] = bytes(b)
    b = bytearray(table); struct.pack_into("<H", b, 10, 0); out["record_len_zero"] = bytes(b)
    b = bytearray(table); struct.pack_into("<I", b, 4, 0xFFFFFFFF); out["count_huge"] = bytes(b)
    b = bytearray(table); b[header_len - 1] = 0x20; out["no_terminator"] = bytes(b)
    b = bytearray(table); b[0] = 0x04; out["version_unknown"] = bytes(b)
    b = bytearray(table); b[32 + 16] = 0; out["field_len_zero"] = bytes(b)
    b = bytearray(table); b[32 + 16] = 255; out["field_len_huge"] = bytes(b)
    return out


def main():
    fixtures, corpus = sys.argv[1], sys.argv[2]
    os.makedirs(corpus, exist_ok=True)
    for base, memo_ext in (("vfp_types", ".fpt"), ("fox2_cdx", ".fpt"), ("db3_memo", ".dbt")):
        table = read(os.path.join(fixtures, base + ".dbf"))
        memo = read(os.path.join(fixtures, base + memo_ext))
        seed(corpus, "ref_" + base, table, memo)
        seed(corpus, "ref_" + base + "_no_memo", table)
        # A memo file cut inside its header.
        seed(corpus, "ref_" + base + "_memo_cut", table, memo[:6])
    with tempfile.TemporaryDirectory() as work:
        day = datetime.date(2024, 1, 15)
        db3, _ = python_dbf_table(
            work, "db3", "NAME C(6); QTY N(5,1); DAY D; OK L", "db3",
            [("ABC", 12.5, day, True), ("가나", -3.0, None, False)])
        seed(corpus, "pydbf_db3", db3)
        for name, data in broken_variants(db3).items():
            seed(corpus, "broken_db3_" + name, data)
        db3m, db3memo = python_dbf_table(
            work, "db3m", "NAME C(10); NOTE M", "db3", [("x", "hi"), ("y", "메모")])
        seed(corpus, "pydbf_db3_memo", db3m, db3memo)
        fp, fpmemo = python_dbf_table(
            work, "fp", "NAME C(10); AMT N(8,2); NOTE M; DAY D", "fp",
            [("a", 1.5, "memo one", day), ("b", -2.25, "", None)])
        seed(corpus, "pydbf_fp_memo", fp, fpmemo)
        vfp, vfpmemo = python_dbf_table(
            work, "vfp", "NAME C(4); AMT N(6,2); TS T; CNT I; RATE B; PRICE Y; NOTE M; OK L", "vfp",
            [("가", -1.5, datetime.datetime(2024, 1, 15, 13, 30), 7, 2.5, 12.34, "memo", True)])
        seed(corpus, "pydbf_vfp", vfp, vfpmemo)
        for name, data in broken_variants(vfp).items():
            seed(corpus, "broken_vfp_" + name, data, vfpmemo)
        b = bytearray(vfpmemo); b[0:4] = b"\0\0\0\0"
        seed(corpus, "broken_vfp_memo_next_free_zero", vfp, bytes(b))
        b = bytearray(vfpmemo); b[6:8] = b"\0\0"
        seed(corpus, "broken_vfp_memo_block_size_zero", vfp, bytes(b))


if __name__ == "__main__":
    main()
