#!/usr/bin/env bash
# Independent clients (--clients=N) against pgbench, in one run on the test
# PostgreSQL, each side in both protocols, like for like: tarnwick's plain
# SQL text against pgbench -M simple (or -M extended where pipelines need
# it), and tarnwick --protocol=prepared against pgbench -M prepared. Each
# figure is the best of 3 runs, the sides taking turns.
#   1. select 1, --clients=8 --pipeline=8, against pgbench -c 8 -j 2 with
#      pipelines of 8 (\startpipeline ... \endpipeline);
#   2. a select/insert log (single-row select by key, insert into an
#      unlogged table), --clients=8, against pgbench -c 8 -j 2 running the
#      same two statements;
#   3. the same at a fixed rate (half of the slower side's rate): tarnwick's
#      p50 latency (from the scheduled time) against pgbench -R's, both
#      prepared;
#   4. tarnwick's peak memory for a log of 50,000 and of 1,000,000
#      statements (it must not grow with the log);
#   5. a write-only log on a SQLite file database: 64 clients against 1;
#   6. rows 1 and 2, prepared, with the server on a core of its own and
#      both clients on the others (taskset), when the machine has more
#      than one core and the server is the test server this script knows.
# Next to each rate, the client's own CPU time (user + system) a statement,
# from its best run: on a machine whose cores the client shares with the
# server, a client that spends more CPU a statement leaves the server less,
# and row 6 shows what the same clients reach when they do not share.
# Usage: bench/compare/clients.sh [N]   (N statements, default 200000)
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
work=$(mktemp -d /tmp/tarnwick-clients.XXXXXX)
trap 'rm -rf "$work"' EXIT
chmod 755 "$work"
server=(-h "$PGTEST_HOST" -p "$PGTEST_PORT" -U "$PGTEST_USER")
ours=("$tarnwick" --host="$PGTEST_HOST" --port="$PGTEST_PORT" --user="$PGTEST_USER" --mode=w --silent)
psql -X -q "${server[@]}" -d "$PGTEST_USER" -c "drop table if exists bench_kv, bench_ins;
  create unlogged table bench_kv (id int primary key, v text);
  insert into bench_kv select i, 'value ' || i from generate_series(1, $keys) i;
  create unlogged table bench_ins (id int, v text);" >/dev/null

. "$here/measure.sh"

# best-of-3 LABEL COMMAND...: the fastest wall time of three runs, and the
# client's CPU seconds in that run.
declare -A best cpu
run_best() {
  local label=$1 t c
  shift
  read -r t _ c < <(measure "$@")
  if [[ -z "${best[$label]:-}" ]] || awk -v a="$t" -v b="${best[$label]}" 'BEGIN { exit !(a < b) }'; then
    best[$label]=$t
    cpu[$label]=$c
  fi
}

# 1. select 1, pipelined; read-only (the default mode), where plain reads
# may share a sync point, as a pgbench pipeline shares one.
awk -v n="$n" 'BEGIN { for (i = 0; i < n; i++) print "select 1;" }' >"$work/one.sql"
"$tarnwick_log" "$work/one.sql" "$work/one.SQL.log.1" 2>/dev/null
{ echo '\startpipeline'; for _ in 1 2 3 4 5 6 7 8; do echo 'select 1;'; done; echo '\endpipeline'; } >"$work/pipe.sql"

# 2. select/insert, as fast as they go.
awk -v n="$n" -v keys="$keys" 'BEGIN { srand(7); for (i = 0; i < n; i++) { k = int(rand() * keys) + 1
    if (i % 2 == 0) printf "select v from bench_kv where id = %d;\n", k
    else printf "insert into bench_ins values (%d, '\''x'\'');\n", k } }' >"$work/mix.sql"
"$tarnwick_log" "$work/mix.sql" "$work/mix.SQL.log.1" 2>/dev/null
cat >"$work/mix_pgbench.sql" <<SQL
\set k random(1, $keys)
select v from bench_kv where id = :k;
insert into bench_ins values (:k, 'x');
SQL
chmod 644 "$work"/*.sql
# The pgbench binary itself: the command on the PATH is a wrapper script
# whose start-up (about 50 ms) would count against pgbench.
pgbench=$(ls /usr/lib/postgresql/*/bin/pgbench 2>/dev/null | sort -V | tail -n 1)
pgbench=${pgbench:-pgbench}
pgbench_run=("$pgbench" -n -c 8 -j 2 "${server[@]}")
for _ in 1 2 3; do
  run_best one_simple "${ours[@]}" --mode=r --clients=8 --pipeline=8 --sql="$work/one.SQL.log.1"
  run_best one_prepared "${ours[@]}" --mode=r --clients=8 --pipeline=8 --protocol=prepared --sql="$work/one.SQL.log.1"
  run_best one_pg_extended "${pgbench_run[@]}" -M extended -t $((n / 64)) -f "$work/pipe.sql" "$PGTEST_USER"
  run_best one_pg_prepared "${pgbench_run[@]}" -M prepared -t $((n / 64)) -f "$work/pipe.sql" "$PGTEST_USER"
  run_best mix_simple "${ours[@]}" --clients=8 --sql="$work/mix.SQL.log.1"
  run_best mix_prepared "${ours[@]}" --clients=8 --protocol=prepared --sql="$work/mix.SQL.log.1"
  run_best mix_pg_simple "${pgbench_run[@]}" -M simple -t $((n / 16)) -f "$work/mix_pgbench.sql" "$PGTEST_USER"
  run_best mix_pg_prepared "${pgbench_run[@]}" -M prepared -t $((n / 16)) -f "$work/mix_pgbench.sql" "$PGTEST_USER"
done

# 3. At a fixed rate, for a tenth of the log: half of the lower of the two
# sides' highest rates, so that neither queues behind its own limit.
# pgbench -R schedules transactions: here each is one statement, a select
# or an insert picked at random, so that its logged latency (in µs, from
# the scheduled time) is a statement's.
rate=$(awk -v a="${best[mix_prepared]}" -v b="${best[mix_pg_prepared]}" -v n="$n" 'BEGIN { t = a > b ? a : b; printf "%d", n / t / 2 }')
head -n $((n / 10)) "$work/mix.sql" >"$work/paced.sql"
"$tarnwick_log" "$work/paced.sql" "$work/paced.SQL.log.1" 2>/dev/null
"${ours[@]}" --clients=8 --protocol=prepared --rate="$rate" --report="$work/paced.json" --sql="$work/paced.SQL.log.1" >/dev/null 2>&1
t_p50=$(python3 -c 'import json,sys; print("%.3f" % json.load(open(sys.argv[1]))["latency_ms"]["all"]["p50"])' "$work/paced.json")
printf '\\set k random(1, %d)\nselect v from bench_kv where id = :k;\n' "$keys" >"$work/select.sql"
printf '\\set k random(1, %d)\ninsert into bench_ins values (:k, '"'"'x'"'"');\n' "$keys" >"$work/insert.sql"
chmod 644 "$work/select.sql" "$work/insert.sql"
(cd "$work" && "$pgbench" -n -c 8 -j 2 -M prepared -R "$rate" -t $((n / 80)) -l "${server[@]}" \
  -f "$work/select.sql" -f "$work/insert.sql" "$PGTEST_USER" >/dev/null 2>&1)
p_p50=$(cat "$work"/pgbench_log.* | awk '{ print $3 / 1000 }' | sort -n |
  awk '{ v[NR] = $1 } END { printf "%.3f", v[int(NR * 0.5 + 0.5)] }')

# 4. Memory against the log's length.
awk 'BEGIN { for (i = 0; i < 1000000; i++) printf "select %d;\n", i % 1000 }' >"$work/long.sql"
head -n 50000 "$work/long.sql" >"$work/short.sql"
"$tarnwick_log" "$work/long.sql" "$work/long.SQL.log.1" 2>/dev/null
"$tarnwick_log" "$work/short.sql" "$work/short.SQL.log.1" 2>/dev/null
read -r _ rss_short _ < <(measure "${ours[@]}" --clients=8 --pipeline=8 --report="$work/r.json" --sql="$work/short.SQL.log.1")
read -r _ rss_long _ < <(measure "${ours[@]}" --clients=8 --pipeline=8 --report="$work/r.json" --sql="$work/long.SQL.log.1")

# 5. SQLite: 2,000 single-row inserts on a file database.
awk 'BEGIN { for (i = 0; i < 2000; i++) printf "insert into w values (%d);\n", i }' >"$work/writes.sql"
"$tarnwick_log" --dialect=sqlite "$work/writes.sql" "$work/writes.SQL.log.1" 2>/dev/null
sqlite_run() {  # clients
  rm -f "$work/w.db"
  sqlite3 "$work/w.db" 'create table w (id int)'
  measure "$tarnwick" --host="sqlite:$work/w.db" --mode=w --silent --clients="$1" --sql="$work/writes.SQL.log.1"
}
read -r s_one _ < <(sqlite_run 1)
read -r s_many _ < <(sqlite_run 64)

# 6. The server on core 0, the clients on the others. New backends take
# the postmaster's affinity; the server gets every core back at the end.
postmaster=""
if [[ -n "${PGTEST_DIR:-}" && -r "$PGTEST_DIR/data/postmaster.pid" ]]; then
  postmaster=$(head -n 1 "$PGTEST_DIR/data/postmaster.pid")
fi
cores=$(nproc)
if [[ -n "$postmaster" && $cores -gt 1 ]] && command -v taskset >/dev/null; then
  server_cores() {  # CPU list, for the postmaster and every process it started
    local pid
    for pid in "$postmaster" $(pgrep -P "$postmaster"); do taskset -a -p -c "$1" "$pid" >/dev/null 2>&1 || true; done
  }
  trap 'server_cores 0-$((cores - 1)); rm -rf "$work"' EXIT
  server_cores 0
  for _ in 1 2 3; do
    run_best one_prepared_apart taskset -c 1-$((cores - 1)) "${ours[@]}" --mode=r --clients=8 --pipeline=8 --protocol=prepared --sql="$work/one.SQL.log.1"
    run_best one_pg_prepared_apart taskset -c 1-$((cores - 1)) "${pgbench_run[@]}" -M prepared -t $((n / 64)) -f "$work/pipe.sql" "$PGTEST_USER"
    run_best mix_prepared_apart taskset -c 1-$((cores - 1)) "${ours[@]}" --clients=8 --protocol=prepared --sql="$work/mix.SQL.log.1"
    run_best mix_pg_prepared_apart taskset -c 1-$((cores - 1)) "${pgbench_run[@]}" -M prepared -t $((n / 16)) -f "$work/mix_pgbench.sql" "$PGTEST_USER"
  done
  server_cores 0-$((cores - 1))
fi

ratio_lines() {  # title ours-label peer-label peer-name
  awk -v n="$n" -v a="${best[$2]}" -v b="${best[$3]}" -v ca="${cpu[$2]}" -v cb="${cpu[$3]}" -v title="$1" -v peer="$4" 'BEGIN {
    printf "  %-34s tarnwick %9.0f/s  pgbench %9.0f/s (%s)  ratio %.2f\n", title, n / a, n / b, peer, b / a
    printf "  %-34s tarnwick %9.2f µs  pgbench %9.2f µs of the client'"'"'s CPU a statement\n", "", ca / n * 1e6, cb / n * 1e6 }'
}
echo "select 1, 8 clients, pipelines of 8 (statements a second, best of 3)"
ratio_lines "SQL text" one_simple one_pg_extended "-M extended"
ratio_lines "--protocol=prepared" one_prepared one_pg_prepared "-M prepared"
echo "select/insert, 8 clients"
ratio_lines "SQL text" mix_simple mix_pg_simple "-M simple"
ratio_lines "--protocol=prepared" mix_prepared mix_pg_prepared "-M prepared"
awk -v tp="$t_p50" -v pp="$p_p50" -v rate="$rate" -v rs="$rss_short" -v rl="$rss_long" -v s1="$s_one" -v s64="$s_many" 'BEGIN {
  printf "select/insert at %d statements/s, prepared: p50 latency from the schedule\n", rate
  printf "  tarnwick %9.3f ms\n  pgbench  %9.3f ms (-R, one statement a transaction)\n  ratio    %9.2f\n", tp, pp, (pp > 0 ? tp / pp : 0)
  printf "peak memory: %d KiB for 50,000 statements, %d KiB for 1,000,000 (%.2fx)\n", rs, rl, rl / rs
  printf "SQLite file, 2,000 inserts: 1 client %.2f s, 64 clients %.2f s (%.2fx)\n", s1, s64, s64 / s1 }'
if [[ -n "${best[one_prepared_apart]:-}" ]]; then
  echo "the server on core 0, the clients on cores 1-$((cores - 1)), 8 clients, prepared"
  ratio_lines "select 1, pipelines of 8" one_prepared_apart one_pg_prepared_apart "-M prepared"
  ratio_lines "select/insert" mix_prepared_apart mix_pg_prepared_apart "-M prepared"
fi
