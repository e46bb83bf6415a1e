#!/bin/bash
# The cost of a year-old run journal (1.25 million lines) for an import, the
# re-import guard, --runs and --undo, against an empty journal; writes the
# figures to docs/bench-journal.md.
# Usage: journal_bench.sh [directory holding dbfimport-cli]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/.." && pwd)
exec /usr/bin/python3 "$here/journal_bench.py" "${1:-$root/build/bin}" "$root/docs/bench-journal.md"
