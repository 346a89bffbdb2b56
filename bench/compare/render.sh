#!/usr/bin/env bash
# Rendering a whole result as a framed table, to /dev/null, for N rows of
# three columns (N = 20,000, 200,000 and 2,000,000 by default):
#   a) SQLite, in memory: tarnwick --host=sqlite::memory: against
#      sqlite3 -box, both running
#        with recursive c(i) as (select 1 union all select i+1 from c
#        where i < N) select i, hex(randomblob(16)), datetime('now') from c
#   b) the throw-away PostgreSQL: tarnwick against psql (aligned, its
#      default; and with \set FETCH_COUNT 1000, which keeps 1000 rows at a
#      time), all running
#        select i, md5(i::text), now()::text from generate_series(1, N) i
# Both renderers see the whole result before writing it (the widths come
# from every row). tarnwick runs with --page-size=N, so the page holds
# every row, and --answers-limit=N+1: at the limit the engine is stopped
# and the count line reads "result truncated to", so the limit stays
# above the rows.
# Each time is the best of 3 runs (wall seconds; CPU seconds of that run
# beside it, as the machine may be shared); each peak RSS is the largest of
# the 3. Peak RSS is ru_maxrss of the child as Python's getrusage
# (RUSAGE_CHILDREN) reports it, which keeps the high-water mark across exec:
# it never goes below the RSS of the forked Python itself, shown as the
# floor (a peak marked * is within 1 MiB of it, and says little). The
# growth per row, (peak at N - peak at the size before) / (N - the size
# before), one row before the first size, shows how memory follows the
# page, next to the bytes of text a row has.
# Ends with one line per size: tarnwick over sqlite3 -box, both on SQLite.
# Usage: bench/compare/render.sh [path/to/tarnwick]   (SIZES="20000 200000 2000000")
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
tarnwick=$(realpath "${1:-$root/build/app/tarnwick}")
sizes=${SIZES:-20000 200000 2000000}

if [[ -z "${PGTEST_PORT:-}" ]]; then
  exec "$root/scripts/with-pg-test-server" "$0" "$tarnwick"
fi
for tool in "$tarnwick" sqlite3 psql; do
  command -v "$tool" >/dev/null || { echo "render.sh: $tool is missing" >&2; exit 1; }
done

work=$(mktemp -d /tmp/tarnwick-render.XXXXXX)
trap 'rm -rf "$work"' EXIT

. "$here/measure.sh"

# Best wall time of 3 runs with that run's CPU time, and the largest peak.
best_of_3() {
  local best="" cpu="" peak=0 t r c
  for _ in 1 2 3; do
    read -r t r c < <(measure "$@")
    if [[ -z $best ]] || awk -v a="$t" -v b="$best" 'BEGIN { exit !(a < b) }'; then
      best=$t
      cpu=$c
    fi
    ((r > peak)) && peak=$r
  done
  echo "$best $cpu $peak"
}

sqlite_query() { echo "with recursive c(i) as (select 1 union all select i+1 from c where i < $1) select i, hex(randomblob(16)), datetime('now') from c"; }
pg_query() { echo "select i, md5(i::text), now()::text from generate_series(1, $1) i"; }
pg=(--host="$PGTEST_HOST" --port="$PGTEST_PORT" --user="$PGTEST_USER")
psql_cmd=(psql -X -h "$PGTEST_HOST" -p "$PGTEST_PORT" -U "$PGTEST_USER" -d "$PGTEST_USER")

ours_sqlite() {  # rows
  echo "$(sqlite_query "$1");" >"$work/sqlite.sql"
  best_of_3 "$tarnwick" --host=sqlite::memory: --page-size="$1" --answers-limit=$(($1 + 1)) --sql="$work/sqlite.sql"
}
ours_pg() {  # rows
  echo "$(pg_query "$1");" >"$work/pg.sql"
  best_of_3 "$tarnwick" "${pg[@]}" --page-size="$1" --answers-limit=$(($1 + 1)) --sql="$work/pg.sql"
}

# The bytes of text of the rows (the sum of the cells' lengths), per row.
text_per_row_sqlite() {
  sqlite3 :memory: "select sum(length(i) + 32 + length(datetime('now'))) * 1.0 / $1 from (with recursive c(i) as (select 1 union all select i+1 from c where i < $1) select i from c)"
}
text_per_row_pg() {
  "${psql_cmd[@]}" -A -t -c "select sum(length(i::text) + 32 + length(now()::text))::float8 / $1 from generate_series(1, $1) i"
}

read -r _ _ floor < <(best_of_3 /bin/true)
# The peaks of one row, where the growth of the first size starts.
read -r _ _ last_ours < <(ours_sqlite 1)
read -r _ _ last_box < <(best_of_3 sqlite3 -box :memory: "$(sqlite_query 1)")
read -r _ _ last_ours_pg < <(ours_pg 1)
read -r _ _ last_psql < <(best_of_3 "${psql_cmd[@]}" -c "$(pg_query 1)")
read -r _ _ last_fetch < <(best_of_3 "${psql_cmd[@]}" -c '\set FETCH_COUNT 1000' -c "$(pg_query 1)")

row() {  # name rows seconds cpu peak-KiB rows-before peak-KiB-before
  awk -v name="$1" -v n="$2" -v t="$3" -v c="$4" -v p="$5" -v n0="$6" -v p0="$7" -v floor="$floor" 'BEGIN {
    printf "  %-28s %8.3f s  %8.3f CPU s  %9.1f MiB%s  %7.1f bytes/row\n", name, t, c, p / 1024,
      p - floor < 1024 ? "*" : " ", (p - p0) * 1024 / (n - n0) }'
}

printf 'Peak RSS floor (the forked Python, /bin/true): %.1f MiB\n' "$(awk -v f="$floor" 'BEGIN { print f / 1024 }')"
printf '%-30s %10s  %14s  %13s  %s\n' "" "best wall" "its CPU" "peak RSS" "growth per row"
summary=()
before=1
for n in $sizes; do
  read -r ot oc op < <(ours_sqlite "$n")
  read -r st sc sp < <(best_of_3 sqlite3 -box :memory: "$(sqlite_query "$n")")
  read -r pt pc pp < <(ours_pg "$n")
  read -r at ac ap < <(best_of_3 "${psql_cmd[@]}" -c "$(pg_query "$n")")
  read -r ft fc fp < <(best_of_3 "${psql_cmd[@]}" -c '\set FETCH_COUNT 1000' -c "$(pg_query "$n")")
  printf '%d rows: SQLite, %.1f bytes of text a row\n' "$n" "$(text_per_row_sqlite "$n")"
  row "tarnwick" "$n" "$ot" "$oc" "$op" "$before" "$last_ours"
  row "sqlite3 -box" "$n" "$st" "$sc" "$sp" "$before" "$last_box"
  printf '%d rows: PostgreSQL, %.1f bytes of text a row\n' "$n" "$(text_per_row_pg "$n")"
  row "tarnwick" "$n" "$pt" "$pc" "$pp" "$before" "$last_ours_pg"
  row "psql (aligned)" "$n" "$at" "$ac" "$ap" "$before" "$last_psql"
  row "psql (FETCH_COUNT 1000)" "$n" "$ft" "$fc" "$fp" "$before" "$last_fetch"
  before=$n
  last_ours=$op last_box=$sp last_ours_pg=$pp last_psql=$ap last_fetch=$fp
  summary+=("$(awk -v n="$n" -v ot="$ot" -v st="$st" -v op="$op" -v sp="$sp" 'BEGIN {
    printf "rows %d: time %.2fx sqlite3 -box, memory %.2fx", n, ot / st, op / sp }')")
done
printf '%s\n' "${summary[@]}"
