"""The bundled sample export files: byte-exact output of their generator,
code page 949, CR LF line ends, fixed-width records, and the consistency
the walkthrough relies on (lookups that succeed)."""

import pathlib
import subprocess

import pytest

import dbfharness as h

# file name -> record width in bytes (the totals line is free text)
WIDTHS = {'G거래처.txt': 210, 'G차량.txt': 41, 'G판매.txt': 145, 'G수금.txt': 70,
          'GSS0403.txt': 616, 'S0040315.txt': 191, '레미콘거래처.txt': 738,
          '레미콘현장.txt': 259, '레미콘일일판매.txt': 371, '레미콘수금.txt': 225,
          '레미콘계산서.txt': 616}


def lines_of(name):
    data = (h.SAMPLES_DIR / name).read_bytes()
    assert data.endswith(b'\r\n'), name
    body = data[:-2]
    assert b'\n' not in body.replace(b'\r\n', b''), f'{name}: LF without CR'
    assert b'\r' not in body.replace(b'\r\n', b''), f'{name}: CR without LF'
    return body.split(b'\r\n')


def text(line, start, length):
    return line[start - 1:start - 1 + length].decode(h.ENCODING).strip(' ')


def test_generator_reproduces_the_committed_files(tmp_path):
    script = h.SAMPLES_DIR / 'make_samples.py'
    subprocess.run(['/usr/bin/python3', str(script), str(tmp_path)], check=True,
                   capture_output=True)
    made = sorted(p.name for p in tmp_path.iterdir())
    assert made == sorted(WIDTHS)
    for name in made:
        assert (tmp_path / name).read_bytes() == (h.SAMPLES_DIR / name).read_bytes(), name


@pytest.mark.parametrize('name', sorted(WIDTHS))
def test_records_are_fixed_width_cp949(name):
    lines = lines_of(name)
    records = lines if name == '레미콘현장.txt' else lines[:-1]
    assert 10 <= len(records) <= 40, 'a few dozen lines'
    for number, line in enumerate(lines, start=1):
        line.decode(h.ENCODING)           # every line, totals included, is valid CP949
    for number, line in enumerate(records, start=1):
        assert len(line) == WIDTHS[name], f'{name} line {number}'
    if name != '레미콘현장.txt':
        assert len(lines[-1]) < WIDTHS[name] and b'**' in lines[-1], 'totals line'


def test_readymix_files_name_customers_of_the_customer_file():
    customers = lines_of('레미콘거래처.txt')[:-1]
    names = {text(l, 8, 30) for l in customers}
    codes = {text(l, 1, 6) for l in customers}
    assert "(주)Kim's건설" in names
    for line in lines_of('레미콘현장.txt'):
        assert text(line, 1, 6) in codes | {''}
    for name, start in (('레미콘일일판매.txt', 102), ('레미콘수금.txt', 33), ('레미콘계산서.txt', 57)):
        used = {text(l, start, 30) for l in lines_of(name)[:-1]}
        assert used - {''} <= names, name
        assert "(주)Kim's건설" in used, name


def test_g_files_name_customers_sites_and_vehicles_of_the_g_files():
    customers = {text(l, 1, 3): l for l in lines_of('G거래처.txt')[:-1]}
    vehicles = {text(l, 1, 3) for l in lines_of('G차량.txt')[:-1]}
    for name, start in (('G판매.txt', 10), ('G수금.txt', 9), ('GSS0403.txt', 5)):
        assert {text(l, start, 3) for l in lines_of(name)[:-1]} <= set(customers), name
    for slip in lines_of('S0040315.txt')[:-1]:
        customer = customers[text(slip, 11, 3)]
        site = int(text(slip, 36, 1))
        assert text(customer, (26, 47, 68)[site - 1], 20) == text(slip, 38, 20)
        assert text(slip, 59, 3) in vehicles


def test_dated_files_span_two_months_or_two_days():
    def months(name, year, month):
        return {text(l, year, 4) + text(l, month, 2) for l in lines_of(name)[:-1]}
    assert months('G판매.txt', 1, 5) == {'200403', '200404'}
    assert months('레미콘일일판매.txt', 8, 12) == {'200403', '200404'}
    assert months('G수금.txt', 1, 5) == {'200403', '200404'}
    assert months('레미콘수금.txt', 1, 5) == {'200403', '200404'}
    assert months('GSS0403.txt', 17, 21) == {'200403', '200404'}
    assert months('레미콘계산서.txt', 23, 27) == {'200403', '200404'}
    assert {text(l, 1, 6) for l in lines_of('S0040315.txt')[:-1]} == {'040315', '040316'}
