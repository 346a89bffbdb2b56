#!/usr/bin/env bash
# Times tarnwick and a peer tool on the same work, in one run, and prints
# the ratio (tarnwick time / peer time; below 1 means tarnwick is faster):
#   a) a script of 200,000 INSERT statements into an in-memory SQLite
#      database, against the sqlite3 shell reading the same script
#   b) the same script on a throw-away PostgreSQL, against psql -q -f
#   c) a 200,000-row query rendered to /dev/null, against psql -c with its
#      default aligned format
# Each figure is the best of REPEAT runs (default 5); (b), about twenty
# seconds a run, of REPEAT_B runs (default 3), taken in turns with the
# peer's, since the server's state drifts over a series of runs.
# Usage: bench/compare/console.sh [path/to/tarnwick]   (make bench-compare)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
tarnwick=$(realpath "${1:-$root/build/app/tarnwick}")
rows=${ROWS:-200000}

if [[ -z "${PGTEST_PORT:-}" ]]; then
  exec "$root/scripts/with-pg-test-server" "$0" "$tarnwick"
fi

work=$(mktemp -d /tmp/tarnwick-compare.XXXXXX)
trap 'rm -rf "$work"' EXIT
script=$work/inserts.sql
{
  echo "drop table if exists bench_rows;"
  echo "create table bench_rows (id int, name text, amount real);"
  awk -v n="$rows" 'BEGIN { for (i = 1; i <= n; i++)
    printf "insert into bench_rows values (%d, '\''name %d'\'', %d.5);\n", i, i, i }'
} >"$script"
if [[ $(id -u) -eq 0 ]]; then chmod 755 "$work"; chmod 644 "$script"; fi

# Seconds taken by a command, its output thrown away.
seconds() {
  local start end
  start=$(date +%s.%N)
  "$@" >/dev/null 2>&1 </dev/null
  end=$(date +%s.%N)
  awk -v a="$start" -v b="$end" 'BEGIN { printf "%.3f", b - a }'
}

# The best of REPEAT runs (default 5) of a command: on a shared machine the
# fastest run is the one least disturbed by others.
repeat=${REPEAT:-5}
best_seconds() {
  local best="" t i
  for ((i = 0; i < repeat; i++)); do
    t=$(seconds "$@")
    best=$(awk -v a="$best" -v b="$t" 'BEGIN { print (a == "" || b < a) ? b : a }')
  done
  echo "$best"
}

report() {  # name ours peer
  awk -v name="$1" -v ours="$2" -v peer_name="$3" -v peer="$4" 'BEGIN {
    printf "%-44s tarnwick %7.3f s   %-8s %7.3f s   ratio %.2f\n", name, ours, peer_name, peer, ours / peer }'
}

pg=(--host="$PGTEST_HOST" --port="$PGTEST_PORT" --user="$PGTEST_USER")
psql_cmd=(psql -X -h "$PGTEST_HOST" -p "$PGTEST_PORT" -U "$PGTEST_USER" -d "$PGTEST_USER")

ours=$(best_seconds "$tarnwick" --host=sqlite::memory: --mode=w --quiet --sql="$script")
peer=$(best_seconds sqlite3 :memory: ".read $script")
report "a) $rows inserts, SQLite in memory" "$ours" sqlite3 "$peer"

ours=""
peer=""
for ((i = 0; i < ${REPEAT_B:-3}; i++)); do
  ours=$(repeat=1 best_seconds "$tarnwick" "${pg[@]}" --mode=w --quiet --sql="$script" | awk -v a="$ours" '{ print (a == "" || $1 < a) ? $1 : a }')
  peer=$(repeat=1 best_seconds "${psql_cmd[@]}" -q -f "$script" | awk -v a="$peer" '{ print (a == "" || $1 < a) ? $1 : a }')
done
report "b) $rows inserts, PostgreSQL" "$ours" "psql -f" "$peer"

query="select * from bench_rows order by id"
echo "$query;" >"$work/query.sql"
chmod 644 "$work/query.sql"
ours=$(best_seconds "$tarnwick" "${pg[@]}" --quiet --page-size="$rows" --answers-limit=1000000 \
  --sql="$work/query.sql")
peer=$(best_seconds "${psql_cmd[@]}" -c "$query")
report "c) $rows-row query to /dev/null, PostgreSQL" "$ours" "psql -c" "$peer"
