"""scripts/run-samples.sh without a display: a fresh sample database, every
sample imported by dbfimport-cli in one run, the row counts printed."""

import os
import re
import subprocess

import pytest

import dbfharness as h

SCRIPT = h.SOURCE_DIR / 'scripts' / 'run-samples.sh'


def run_script(db, *args):
    env = {k: v for k, v in os.environ.items() if k not in ('DISPLAY', 'WAYLAND_DISPLAY')}
    env.update(SAMPLE_DB=str(db), DBFIMPORT_BIN=str(h.BIN_DIR))
    done = subprocess.run(['bash', str(SCRIPT), *args], capture_output=True, env=env,
                          timeout=300)
    return done.returncode, done.stdout.decode('utf-8'), done.stderr.decode('utf-8')


def printed_counts(out):
    counts = {}
    for line in out.split('rows per table', 1)[1].splitlines():
        match = re.fullmatch(r'(\w+)\s+(\d+)', line.strip())
        if match:
            counts[match.group(1)] = int(match.group(2))
    return counts


def test_without_display_imports_every_sample_into_a_fresh_database(tmp_path):
    db = tmp_path / 'sample-db'
    code, out, err = run_script(db)
    if h.NOT_READY in out + err:
        pytest.xfail('not every import is built yet')
    assert code == 0, err
    assert 'no display' in out or 'not built' in out
    counts = printed_counts(out)
    tables = [name[:-4] for name, _ in h.sample_database_tables()]
    assert sorted(counts) == sorted(tables)
    for table in tables:
        assert counts[table] == len(h.read_rows(db, table)) > 0, table
    for name in ('G거래처.txt', '레미콘계산서.txt'):   # the samples sit beside the tables
        assert (db / name).read_bytes() == (h.SAMPLES_DIR / name).read_bytes()
    # a second run starts again from empty tables instead of adding to them
    (db / 'leftover.txt').write_text('x')
    code, again, err = run_script(db)
    assert code == 0, err
    assert printed_counts(again) == counts
    assert not (db / 'leftover.txt').exists()


def test_unknown_option_is_a_usage_error(tmp_path):
    code, out, err = run_script(tmp_path / 'db', '--bogus')
    assert code == 2 and 'usage' in err
    assert not (tmp_path / 'db').exists()
