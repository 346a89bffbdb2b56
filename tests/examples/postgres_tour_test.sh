#!/usr/bin/env bash
# The PostgreSQL tour against the test server (PGTEST_HOST, PGTEST_PORT,
# PGTEST_USER from scripts/with-pg-test-server): its output must be
# examples/postgres_tour.expected byte for byte, standard error the one
# note about the skipped psql command, the exit code 0. Exit code 77 (a
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
status=0
"$binary" --host="$PGTEST_HOST" --port="$PGTEST_PORT" --user="$PGTEST_USER" --mode=w \
  --sql=postgres_tour.sql >"$scratch/out" 2>"$scratch/err" || status=$?
[[ $status -eq 0 ]] || { echo "exit code $status"; exit 1; }
echo "Skipping client command in 'postgres_tour.sql' line 41: \\echo done" >"$scratch/err.expected"
diff -u "$scratch/err.expected" "$scratch/err"
diff -u postgres_tour.expected "$scratch/out"
echo "postgres tour: ok"
