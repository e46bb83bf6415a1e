"""Sample files damaged at random, as odd files reach a clerk, each checked and then imported:
the program never crashes, exits 0, 1 or 3 as the check decided, a refused file leaves the
table folder byte-identical, and an imported one gives each table exactly the rows the check
predicted. MUTATIONS sets how many files (a release run uses thousands)."""
import os
import random
import shutil

import pytest

from harness import SAMPLES, listed, read_rows, run_cli, snapshot
from test_kinds import KINDS


@pytest.fixture(scope='module')
def base_db(tmp_path_factory):
    """The sample tables with the customers and sites in, so lookups find most names."""
    db = tmp_path_factory.mktemp('base') / 'db'
    assert run_cli(None, '--make-sample-db', str(db))[0] == 0
    steps = [(k, SAMPLES / KINDS[k].file) for k in (0, 6, 7)]
    assert run_cli(db, '--journal', str(db.parent), *steps)[0] == 0
    return db


DAMAGES = [  # each takes the file's bytes, a position in them and the random source
    lambda d, at, r: d[:at] + bytes([d[at] ^ 1 << r.randrange(8)]) + d[at + 1:],
    lambda d, at, r: d[:at] + bytes([r.randint(0x81, 0xFE), r.randrange(256)]) + d[at:],
    lambda d, at, r: d[:at] + r.choice([b'\xa2\xe8', b'\x00', b'\x1a', b'\xff', b'\x80']) + d[at:],
    lambda d, at, r: d[:at],
    lambda d, at, r: d[:at] + d[at:at + r.randint(1, 700)] + d[at:],
    lambda d, at, r: d.replace(b'\r\n', r.choice([b'\n', b'\r', b'\n\r'])),
    lambda d, at, r: d[:at] + d[at + r.randint(1, 40):],
]


def mutate(lines, rng):
    """One to four damages: flipped bytes, stray lead/trail pairs, NULs, a cut file, a doubled
    stretch, other line ends, lost bytes."""
    data = b'\r\n'.join(lines) + b'\r\n'
    for _ in range(rng.randint(1, 4)):
        data = rng.choice(DAMAGES)(data, rng.randrange(len(data) or 1), rng) or b'\r\n'
    return data


def test_damaged_sample_files_end_as_their_check_decides(tmp_path, base_db):
    rng = random.Random(949)
    outcomes = {}
    for n in range(int(os.environ.get('MUTATIONS', 150))):
        kind = rng.choice(list(KINDS))
        lines = (SAMPLES / KINDS[kind].file).read_bytes().split(b'\r\n')[:-1]
        lines = lines[:rng.randint(2, 12)] + lines[-1:]
        db, path = tmp_path / f'db{n}', tmp_path / f'f{n}' / KINDS[kind].file
        shutil.copytree(base_db, db)
        path.parent.mkdir()
        path.write_bytes(mutate(lines, rng))
        before = snapshot(db)
        check, out, err = run_cli(db, '--check', (kind, path))
        code, _, err2 = run_cli(db, '--journal', str(tmp_path), '--again', (kind, path))
        assert check in (0, 1, 3) and code == check, (n, kind, err, err2)
        if check == 1:
            assert snapshot(db) == before, (n, kind)
        else:
            predicted = {t: int(r) for _, t, r in (line.split('\t') for line in out.splitlines())}
            assert {t: len(read_rows(db, t)) - len(read_rows(base_db, t)) for t in predicted} == predicted, n
        outcomes[check] = outcomes.get(check, 0) + 1
        shutil.rmtree(db)
    print('exit statuses:', outcomes)


def test_every_lead_and_trail_pair_in_bytes_no_field_reads_is_imported_and_listed(tmp_path, base_db):
    """A vehicle record has bytes 37-39 unread: every two-byte pair sits at 37-38 of one record."""
    pairs = [bytes([lead, trail]) for lead in range(0x81, 0xFF) for trail in range(0x41, 0xFF)]
    records = [b'%03d|12\xb0\xa13456    |OWNER     |NAME    ' % (i % 1000) + pair + b'|15'
               for i, pair in enumerate(pairs)]
    path = tmp_path / 'f' / KINDS[1].file
    path.parent.mkdir()
    path.write_bytes(b'\r\n'.join(records + [b'999|TRAILER']) + b'\r\n')
    shutil.copytree(base_db, tmp_path / 'db')
    code, out, err = run_cli(tmp_path / 'db', '--journal', str(tmp_path), (1, path))
    assert (code, err, len(read_rows(tmp_path / 'db', 'carno'))) == (0, '', len(pairs))
    assert all(text.endswith('|15') and text.startswith(f'{i % 1000:03d}|12가3456')
               for i, (_, _, text) in enumerate(listed(out)))
