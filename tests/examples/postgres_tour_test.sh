#!/usr/bin/env bash
# The PostgreSQL tour against the test server (PGTEST_HOST, PGTEST_PORT,
# PGTEST_USER from scripts/with-pg-test-server): its output must be
# examples/postgres_tour.expected byte for byte, standard error the
# server's notices (as psql shows them) and the one note about the skipped
# psql command, the exit code 0. Exit code 77 (a
# skip) when no server was started.
set -euo pipefail
binary=$1
examples=$2
if [[ -z "${PGTEST_HOST:-}" ]]; then
  echo "no PostgreSQL test server"
  exit 77
fi
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cd "$examples"
# A schema an earlier run left would change the first notice.
PGOPTIONS='-c client_min_messages=warning' psql -X -q -h "$PGTEST_HOST" -p "$PGTEST_PORT" \
  -U "$PGTEST_USER" -d "$PGTEST_USER" -c 'drop schema if exists tour cascade' >/dev/null
status=0
"$binary" --host="$PGTEST_HOST" --port="$PGTEST_PORT" --user="$PGTEST_USER" --mode=w \
  --sql=postgres_tour.sql >"$scratch/out" 2>"$scratch/err" || status=$?
[[ $status -eq 0 ]] || { echo "exit code $status"; exit 1; }
cat >"$scratch/err.expected" <<'EXPECTED'
NOTICE:  schema "tour" does not exist, skipping
Skipping client command in 'postgres_tour.sql' line 41: \echo done
NOTICE:  drop cascades to 2 other objects
DETAIL:  drop cascades to table stock
drop cascades to function count_change()
EXPECTED
diff -u "$scratch/err.expected" "$scratch/err"
diff -u postgres_tour.expected "$scratch/out"
echo "postgres tour: ok"
