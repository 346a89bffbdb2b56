#!/usr/bin/env bash
# Times the corpus of tests/corpus (PostgreSQL's regression scripts, a
# pg_dump and sqlite3 .dumps) run by psql -f / sqlite3 and by tarnwick, each
# file on a fresh database, in one run, and prints the ratio (tarnwick time /
# client time; below 1 means tarnwick is faster). Only the clients' runs are
# timed, not the making of the databases.
# Usage: bench/compare/corpus.sh [path/to/tarnwick]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
tarnwick=$(realpath "${1:-$root/build/app/tarnwick}")
if [[ -z "${PGTEST_PORT:-}" ]]; then
  exec "$root/scripts/with-pg-test-server" "$0" "$tarnwick"
fi
exec python3 "$root/tests/corpus/run_corpus.py" "$tarnwick" "$root/tests/corpus" --time
