#!/usr/bin/env bash
# A load run: a replay log of N short statements (runs of 64 single-row
# selects by primary key alternating with runs of 64 inserts into an
# unlogged table) played by tarnwick with --sessions=8 --statements=64
# --silent against the test PostgreSQL, next to pgbench -n -c 8 -j 2
# -M prepared running the same two statements for the same count.
# Prints statements per second for both, the ratio, and tarnwick's peak RSS
# for a log of N/4 and of N statements (it must not grow with the log).
# Then the cost of measuring: the same log played with --report=FILE and
# without, six times each (medians; the cost must stay within 3%),
# on the server and on the embedded engine,
# and the report's latency next to pgbench's for the same statements
# (pgbench -r per statement, and its per-transaction log for p50/p99).
# Usage: bench/compare/replay.sh [N]   (N defaults to 200000)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
n=${1:-200000}

if [[ -z "${PGTEST_PORT:-}" ]]; then
  "$root/scripts/install-deps.sh"
  cmake -S "$root" -B "$root/build" -G Ninja >/dev/null
  cmake --build "$root/build" --target tarnwick tarnwick-log >/dev/null
  exec "$root/scripts/with-pg-test-server" "$0" "$n"
fi
tarnwick=$root/build/app/tarnwick
tarnwick_log=$root/build/app/tarnwick-log
keys=10000

work=$(mktemp -d /tmp/tarnwick-replay.XXXXXX)
trap 'rm -rf "$work"' EXIT
chmod 755 "$work"
psql_cmd=(psql -X -q -h "$PGTEST_HOST" -p "$PGTEST_PORT" -U "$PGTEST_USER" -d "$PGTEST_USER")
"${psql_cmd[@]}" -c "drop table if exists bench_kv, bench_ins;
  create unlogged table bench_kv (id int primary key, v text);
  insert into bench_kv select i, 'value ' || i from generate_series(1, $keys) i;
  create unlogged table bench_ins (id int, v text);" >/dev/null

# The log: runs of 64 of each kind, so that pool batches stay full (a
# batch is sent early when a statement of the other kind arrives).
make_log() {  # count file
  awk -v n="$1" -v keys="$keys" 'BEGIN { srand(7); for (i = 0; i < n; i++) {
      k = int(rand() * keys) + 1
      if (int(i / 64) % 2 == 0) printf "select v from bench_kv where id = %d;\n", k
      else printf "insert into bench_ins values (%d, '\''x'\'');\n", k } }' >"$work/script.sql"
  "$tarnwick_log" "$work/script.sql" "$2" 2>/dev/null
}

. "$here/measure.sh"

replay() {  # log [options...]
  local log=$1
  shift
  measure "$tarnwick" --host="$PGTEST_HOST" --port="$PGTEST_PORT" --user="$PGTEST_USER" \
    --mode=w --sessions=8 --statements=64 --silent --sql="$log" "$@"
}

make_log $((n / 4)) "$work/quarter.SQL.log.1"
read -r _ rss_quarter < <(replay "$work/quarter.SQL.log.1")
make_log "$n" "$work/full.SQL.log.1"
read -r ours rss_full < <(replay "$work/full.SQL.log.1")

cat >"$work/pgbench.sql" <<SQL
\set k random(1, $keys)
select v from bench_kv where id = :k;
insert into bench_ins values (:k, 'x');
SQL
chmod 644 "$work/pgbench.sql"
per_client=$((n / 2 / 8))
# The pgbench binary itself: the command on the PATH is a wrapper script
# whose start-up (about 50 ms) would count against pgbench.
pgbench=$(ls /usr/lib/postgresql/*/bin/pgbench 2>/dev/null | sort -V | tail -n 1)
pgbench=${pgbench:-pgbench}
read -r peer _ < <(measure "$pgbench" -n -c 8 -j 2 -M prepared -t "$per_client" \
  -h "$PGTEST_HOST" -p "$PGTEST_PORT" -U "$PGTEST_USER" -f "$work/pgbench.sql" "$PGTEST_USER")

# Measuring on against off: `runner` six times without and six times with
# --report=FILE, in the order off, on, on, off (so that neither side always
# runs first on a warmer or fuller server); prints the median wall and CPU
# seconds of each (CPU time, tarnwick's own, is less disturbed by other load).
median() { tr ' ' '\n' | sed '/^$/d' | sort -n | awk '{ v[NR] = $1 } END { print (v[int((NR + 1) / 2)] + v[int(NR / 2) + 1]) / 2 }'; }
best_on_off() {  # runner report-file
  local off="" coff="" on="" con="" t c
  for _ in 1 2 3; do
    for side in off on on off; do
      if [[ $side == off ]]; then
        read -r t _ c < <("$1")
        off+=" $t"
        coff+=" $c"
      else
        read -r t _ c < <("$1" --report="$2")
        on+=" $t"
        con+=" $c"
      fi
    done
  done
  echo "$(median <<<"$off") $(median <<<"$coff") $(median <<<"$on") $(median <<<"$con")"
}
print_cost() {  # title off coff on con
  awk -v n="$n" -v title="$1" -v off="$2" -v coff="$3" -v on="$4" -v con="$5" 'BEGIN {
    printf "%s (median of 6 each)\n", title
    printf "  without --report %9.0f statements/s, %.3f CPU s\n", n / off, coff
    printf "  with --report    %9.0f statements/s, %.3f CPU s\n", n / on, con
    printf "  cost             %9.1f%% of the rate, %.1f%% more CPU time (at most 3%%)\n",
      100 * (1 - off / on), 100 * (con / coff - 1) }'
}
replay_full() { replay "$work/full.SQL.log.1" "$@"; }
read -r pg_off pg_coff pg_on pg_con < <(best_on_off replay_full "$work/report.json")

# The same on the embedded engine, where a statement costs the client a few
# microseconds and the server nothing: the worst case for the cost of
# measuring, and free of the server's noise.
awk -v n="$n" 'BEGIN { for (i = 0; i < n; i++) print (int(i / 64) % 2 == 0 ? "select 1;" : "select 2;") }' \
  >"$work/embedded.sql"
"$tarnwick_log" "$work/embedded.sql" "$work/embedded.SQL.log.1" 2>/dev/null
embedded() {  # options...
  measure "$tarnwick" --host=sqlite::memory: --sessions=1 --statements=64 --silent \
    --sql="$work/embedded.SQL.log.1" "$@"
}
read -r e_off e_coff e_on e_con < <(best_on_off embedded "$work/embedded.json")

# Instructions are not disturbed by other load at all: where valgrind is
# installed, count them for the first 20,000 statements of the embedded log.
instructions=""
if command -v valgrind >/dev/null; then
  head -n 20000 "$work/embedded.sql" >"$work/counted.sql"
  "$tarnwick_log" "$work/counted.sql" "$work/counted.SQL.log.1" 2>/dev/null
  count_instructions() {  # options...
    valgrind --tool=callgrind --callgrind-out-file=/dev/null "$tarnwick" --host=sqlite::memory: \
      --sessions=1 --statements=64 --silent --sql="$work/counted.SQL.log.1" "$@" 2>&1 >/dev/null |
      sed -n 's/.*Collected : *//p'
  }
  instructions="$(count_instructions) $(count_instructions --report="$work/counted.json")"
fi

read -r q50 q99 o50 o99 < <(python3 - "$work/report.json" <<'PY'
import json, sys
r = json.load(open(sys.argv[1]))["latency_ms"]
print(" ".join("%.3f" % r[k][p] for k in ("query", "other") for p in ("p50", "p99")))
PY
)

# pgbench's latency for the same statements: per statement (-r), and p50
# and p99 of its transactions (one select and one insert each) from its log.
(cd "$work" && "$pgbench" -n -c 8 -j 2 -M prepared -t "$per_client" -r -l \
  -h "$PGTEST_HOST" -p "$PGTEST_PORT" -U "$PGTEST_USER" -f "$work/pgbench.sql" "$PGTEST_USER" \
  >"$work/pgbench.out" 2>/dev/null)
read -r pg_select pg_insert < <(awk '/select v from bench_kv/ { s = $1 } /insert into bench_ins/ { i = $1 }
  END { print s, i }' "$work/pgbench.out")
read -r pg50 pg99 < <(cat "$work"/pgbench_log.* | awk '{ print $3 / 1000 }' | sort -n |
  awk '{ v[NR] = $1 } END { printf "%.3f %.3f\n", v[int(NR * 0.5 + 0.5)], v[int(NR * 0.99 + 0.5)] }')

awk -v n="$n" -v ours="$ours" -v peer="$peer" -v q="$rss_quarter" -v f="$rss_full" 'BEGIN {
  printf "replay of %d statements, 8 sessions, batches of 64\n", n
  printf "  tarnwick %9.0f statements/s\n", n / ours
  printf "  pgbench  %9.0f statements/s (-c 8 -j 2 -M prepared)\n", n / peer
  printf "  ratio    %9.2f (tarnwick rate / pgbench rate)\n", peer / ours
  printf "  tarnwick peak RSS: %d KiB for %d statements, %d KiB for %d\n", q, n / 4, f, n }'
print_cost "measuring on PostgreSQL" "$pg_off" "$pg_coff" "$pg_on" "$pg_con"
print_cost "measuring on the embedded engine (sqlite::memory:, select 1)" "$e_off" "$e_coff" "$e_on" "$e_con"
if [[ -n $instructions ]]; then
  awk -v off="${instructions% *}" -v on="${instructions#* }" 'BEGIN {
    printf "  instructions     %.0f without, %.0f with --report per statement: %.1f%% more\n",
      off / 20000, on / 20000, 100 * (on / off - 1) }'
fi
printf 'latency in ms, from sending to answer (tarnwick: each statement, pipelined 8 to a session;\n'
printf '  pgbench: -r averages per statement, and percentiles of its logged transactions)\n'
printf '  tarnwick select  p50 %8s  p99 %8s\n' "$q50" "$q99"
printf '  tarnwick insert  p50 %8s  p99 %8s\n' "$o50" "$o99"
printf '  pgbench select   avg %8s\n' "$pg_select"
printf '  pgbench insert   avg %8s\n' "$pg_insert"
printf '  pgbench select+insert transaction  p50 %8s  p99 %8s\n' "$pg50" "$pg99"
