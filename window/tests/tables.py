"""Table helper of the window tests, on the end-to-end tests' harness.

    tables.py make DIR NAME     creates a sample-database table (python3-dbf)
    tables.py rows DIR NAME     prints the rows as JSON (python3-dbfread, strict
                                CP949) after checking the header's record count
                                against the file size
"""

import json
import os
import pathlib
import sys

SOURCE = pathlib.Path(os.environ.get('DBFIMPORT_SOURCE', pathlib.Path(__file__).resolve().parents[2]))
sys.path.insert(0, str(SOURCE / 'tests' / 'e2e'))

import dbfharness  # noqa: E402


def rows(directory, name):
    (version, count, header_length, record_length), has_end = dbfharness.raw_header(directory, name)
    size = dbfharness.find_table(directory, name).stat().st_size
    # A table closed properly holds exactly its counted records (and may end with 0x1A).
    expected = header_length + count * record_length
    if size not in (expected, expected + 1):
        raise SystemExit(f'header counts {count} records but the file holds {size} bytes')
    listed = dbfharness.read_rows(directory, name)
    if len(listed) != count:
        raise SystemExit(f'header counts {count} records, the reader found {len(listed)}')
    print(json.dumps(listed, ensure_ascii=False, default=str))


def main():
    command, directory, name = sys.argv[1:4]
    if command == 'make':
        dbfharness.make_standard_table(directory, name)
    elif command == 'rows':
        rows(directory, name)
    else:
        raise SystemExit(f'unknown command {command}')


if __name__ == '__main__':
    main()
