"""The bundled samples: the generator makes exactly the committed files; scripts/run-samples.sh
imports all of them into a fresh sample database with no message, and every table then matches
its committed digest (DBFIMPORT_UPDATE_DIGESTS=1 writes the digests anew); --make-sample-db never
overwrites a file and makes tables other programs read and write."""
import hashlib
import os
import pathlib
import subprocess

import pytest

from harness import BIN, SAMPLES, SOURCE, add_rows, read_rows, run_cli

DIGESTS = pathlib.Path(__file__).with_name('sample_tables.sha256')


def digest(path):
    data = bytearray(path.read_bytes())
    if path.suffix.lower() == '.dbf':
        data[1:4] = bytes(3)  # the date of the last update
    return hashlib.sha256(data).hexdigest()


def test_the_generator_makes_the_committed_samples(tmp_path):
    subprocess.run(['/usr/bin/python3', SAMPLES / 'make_samples.py', tmp_path], check=True, capture_output=True)
    made = {p.name: p.read_bytes() for p in tmp_path.iterdir()}
    assert len(made) == 11 and made == {name: (SAMPLES / name).read_bytes() for name in made}


def test_every_sample_imports_and_every_table_matches_its_digest(tmp_path):
    done = subprocess.run(['bash', SOURCE / 'scripts' / 'run-samples.sh', '--no-window'], capture_output=True,
                          env={**os.environ, 'SAMPLE_DB': str(tmp_path / 'db'), 'DBFIMPORT_BIN': str(BIN)})
    assert (done.returncode, done.stderr.decode()) == (0, '')
    tables = {p.name: digest(p) for p in sorted((tmp_path / 'db').iterdir())
              if p.suffix.lower() in ('.dbf', '.fpt')}
    if os.environ.get('DBFIMPORT_UPDATE_DIGESTS'):
        DIGESTS.write_text(''.join(f'{sha}  {name}\n' for name, sha in tables.items()))
    assert tables == {name: sha for sha, name in (line.split() for line in DIGESTS.read_text().splitlines())}


@pytest.mark.parametrize('existing', ['k57_0403.dbf', 'CARNO.FPT', 'vdrs110.cdx'])  # any case, any table file
def test_make_sample_db_never_overwrites_a_file(tmp_path, existing):
    (tmp_path / existing).write_bytes(b'keep')
    code, _, err = run_cli(None, '--make-sample-db', str(tmp_path))
    assert (code, existing in err, '이미 있습니다' in err) == (1, True, True)
    assert [(p.name, p.read_bytes()) for p in tmp_path.iterdir()] == [(existing, b'keep')]


def test_make_sample_db_makes_tables_other_programs_read_and_write(tmp_path):
    assert run_cli(None, '--make-sample-db', str(tmp_path / 'new' / 'db'))[0] == 0
    made = sorted((tmp_path / 'new' / 'db').glob('*.[dD][bB][fF]'))
    assert len(made) == 13
    for path in made:
        add_rows(path.parent, path.stem, [{}])
        assert len(read_rows(path.parent, path.stem)) == 1, path.name
