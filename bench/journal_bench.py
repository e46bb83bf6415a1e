#!/usr/bin/python3
"""The cost of a year-old run journal: a 100-row vehicle import, the re-import guard refusing the
same file, --runs and --undo, each against an empty journal and against one of 1.25 million lines
(250 runs of 5 000 rows, about a year at 5 000 rows a day), best of several runs. Writes
docs/bench-journal.md.

    journal_bench.py BIN_DIR REPORT
"""
import os
import subprocess
import sys
import tempfile
import time
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
RUNS = int(os.environ.get('BENCH_RUNS', '5'))


def line(*fields):
    body = '\t'.join(fields).encode()
    return b'\n%08x\t' % zlib.crc32(body) + body


def year_of_runs(path, table_directory):
    with open(path, 'wb') as out:
        for run in range(250):
            rid = f'2024{run // 28 + 1:02d}{run % 28 + 1:02d}-090000-{run:06x}'
            out.write(line(rid, 'start', '2024-01-01 09:00:00', table_directory, '1', '/files/G차량.txt',
                           '4300', f'{run:064x}'))
            out.write(b''.join(line(rid, 'row', 'carno', str(n), '0123456789abcdef') for n in range(1, 5001)))
            out.write(line(rid, 'end', '2024-01-01 09:01:00', 'completed', '0'))


def seconds(command):
    start = time.perf_counter()
    subprocess.run(command, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    return time.perf_counter() - start


def measure(cli, work, name, make_journal):
    """{step: (first, best)} for one journal."""
    journal, files = os.path.join(work, name), os.path.join(work, 'files')
    os.makedirs(journal)
    db = os.path.join(work, name + '-db')
    os.makedirs(db)
    subprocess.run(['/usr/bin/python3', os.path.join(HERE, 'python_vehicles.py'), 'make-table', db], check=True)
    if make_journal:
        make_journal(os.path.join(journal, 'journal.log'), os.path.realpath(db))
    size = os.path.getsize(os.path.join(journal, 'journal.log')) if make_journal else 0
    base = [cli, '--db', db, '--journal', journal]
    steps = {'import (100 rows)': base + ['--again', f'1:{files}/G차량.txt'],
             'guard (refused)': base + [f'1:{files}/G차량.txt'],
             '--runs': [cli, '--journal', journal, '--runs'],
             '--undo': base + ['--undo']}
    figures = {}
    for step, command in steps.items():
        times = [seconds(command) for _ in range(RUNS)]
        figures[step] = (times[0], min(times))
    return size, figures


def main(bin_dir, report):
    cli = os.path.join(bin_dir, 'dbfimport-cli')
    with tempfile.TemporaryDirectory() as work:
        os.makedirs(os.path.join(work, 'files'))
        subprocess.run(['/usr/bin/python3', os.path.join(HERE, 'python_vehicles.py'), 'make-file',
                        os.path.join(work, 'files', 'G차량.txt'), '101'], check=True)
        _, empty = measure(cli, work, 'empty', None)
        size, year = measure(cli, work, 'year', year_of_runs)
        index = os.path.getsize(os.path.join(work, 'year', 'journal.idx'))
        print(f'journal of 1 250 500 lines, {size} bytes; its index {index} bytes')
    rows = []
    for step in empty:
        (e_first, e_best), (y_first, y_best) = empty[step], year[step]
        rows.append(f'| {step} | {e_best * 1000:.0f} ms | {y_best * 1000:.0f} ms | {(y_best - e_best) * 1000:+.0f} ms | '
                    f'{y_first * 1000:.0f} ms |')
        print(rows[-1])
    load = open('/proc/loadavg').read().split()[:3]
    with open(report, 'w', encoding='utf-8') as out:
        out.write(f"""# Run journal benchmark

A 100-row vehicle import into a fresh `carno` table, then the re-import guard refusing the same
file, `--runs` and `--undo` of that import, each {RUNS} times, against an empty journal and against
a journal of 1 250 500 lines ({size / 1e6:.0f} MB: 250 runs of 5 000 rows, about a year at 5 000
rows a day). Measured by `bench/journal_bench.sh` on {time.strftime('%Y-%m-%d')}, {os.cpu_count()} cores,
load average {' '.join(load)}. Wall time of the whole program, best of {RUNS}.

| step | empty journal | year-old journal | difference | year-old, first time |
|---|---|---|---|---|
""" + '\n'.join(rows) + f"""

The first import against the year-old journal reads it whole once and writes its index of runs
(`journal.idx`, {index // 1000} kB for 250 runs); every later reading starts from the index and reads
only the lines written since. The first `--undo` deletes the 100 rows; the later ones find them
deleted already and change nothing.
""")


if __name__ == '__main__':
    main(*sys.argv[1:3])
