#!/usr/bin/env bash
# A load run: a replay log of N short statements (runs of 64 single-row
# selects by primary key alternating with runs of 64 inserts into an
# unlogged table) played by tarnwick with --sessions=8 --statements=64
# --silent against the test PostgreSQL, next to pgbench -n -c 8 -j 2
# -M prepared running the same two statements for the same count.
# Prints statements per second for both, the ratio, and tarnwick's peak RSS
# for a log of N/4 and of N statements (it must not grow with the log).
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

# Wall seconds and peak RSS (KiB) of a command, output thrown away.
measure() {
  python3 - "$@" <<'PY'
import resource, subprocess, sys, time
start = time.monotonic()
subprocess.run(sys.argv[1:], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=True)
elapsed = time.monotonic() - start
print(f"{elapsed:.3f} {resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss}")
PY
}

replay() {  # log
  measure "$tarnwick" --host="$PGTEST_HOST" --port="$PGTEST_PORT" --user="$PGTEST_USER" \
    --mode=w --sessions=8 --statements=64 --silent --sql="$1"
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
read -r peer _ < <(measure pgbench -n -c 8 -j 2 -M prepared -t "$per_client" \
  -h "$PGTEST_HOST" -p "$PGTEST_PORT" -U "$PGTEST_USER" -f "$work/pgbench.sql" "$PGTEST_USER")

awk -v n="$n" -v ours="$ours" -v peer="$peer" -v q="$rss_quarter" -v f="$rss_full" 'BEGIN {
  printf "replay of %d statements, 8 sessions, batches of 64\n", n
  printf "  tarnwick %9.0f statements/s\n", n / ours
  printf "  pgbench  %9.0f statements/s (-c 8 -j 2 -M prepared)\n", n / peer
  printf "  ratio    %9.2f (tarnwick rate / pgbench rate)\n", peer / ours
  printf "  tarnwick peak RSS: %d KiB for %d statements, %d KiB for %d\n", q, n / 4, f, n }'
