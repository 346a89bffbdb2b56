#!/usr/bin/env bash
# The client's own instructions a statement, counted by callgrind, against
# pgbench's on the same work, in one run on the test PostgreSQL. A figure
# is the instructions executed in the program's own binary (tarnwick's, or
# pgbench's), start-up included, divided by the statements; libpq and the C
# library are shown apart, since both clients use them.
#   1. select 1, one client, pipelines of 8 (pgbench: \startpipeline with 8
#      statements, -M extended);
#   2. a select/insert log (select by key, insert into an unlogged table),
#      one client, --protocol=prepared (pgbench -M prepared).
# Callgrind runs the threads one at a time, so one client measures the
# client's work without the scheduling of eight.
# Usage: bench/compare/instructions.sh [N]   (N statements, default 20000)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
n=${1:-20000}

if [[ -z "${PGTEST_PORT:-}" ]]; then
  "$root/scripts/install-deps.sh"
  command -v valgrind >/dev/null || { echo "instructions.sh: valgrind is not installed" >&2; exit 1; }
  cmake -S "$root" -B "$root/build" -G Ninja >/dev/null
  cmake --build "$root/build" --target tarnwick tarnwick-log >/dev/null
  exec "$root/scripts/with-pg-test-server" "$0" "$n"
fi
tarnwick=$root/build/app/tarnwick
tarnwick_log=$root/build/app/tarnwick-log
pgbench=$(ls /usr/lib/postgresql/*/bin/pgbench 2>/dev/null | sort -V | tail -n 1)
work=$(mktemp -d /tmp/tarnwick-instructions.XXXXXX)
trap 'rm -rf "$work"' EXIT
chmod 755 "$work"
server=(-h "$PGTEST_HOST" -p "$PGTEST_PORT" -U "$PGTEST_USER")
keys=10000
psql -X -q "${server[@]}" -d "$PGTEST_USER" -c "drop table if exists bench_kv, bench_ins;
  create unlogged table bench_kv (id int primary key, v text);
  insert into bench_kv select i, 'value ' || i from generate_series(1, $keys) i;
  create unlogged table bench_ins (id int, v text);" >/dev/null

awk -v n="$n" 'BEGIN { for (i = 0; i < n; i++) print "select 1;" }' >"$work/one.sql"
awk -v n="$n" -v keys="$keys" 'BEGIN { srand(7); for (i = 0; i < n; i++) { k = int(rand() * keys) + 1
    if (i % 2 == 0) printf "select v from bench_kv where id = %d;\n", k
    else printf "insert into bench_ins values (%d, '\''x'\'');\n", k } }' >"$work/mix.sql"
"$tarnwick_log" "$work/one.sql" "$work/one.SQL.log.1" 2>/dev/null
"$tarnwick_log" "$work/mix.sql" "$work/mix.SQL.log.1" 2>/dev/null
{ echo '\startpipeline'; for _ in 1 2 3 4 5 6 7 8; do echo 'select 1;'; done; echo '\endpipeline'; } >"$work/pipe.sql"
printf '\\set k random(1, %d)\nselect v from bench_kv where id = :k;\ninsert into bench_ins values (:k, '"'"'x'"'"');\n' \
  "$keys" >"$work/mix_pgbench.sql"
chmod 644 "$work"/*.sql

# count NAME COMMAND...: "own libpq libc" instructions a statement.
count() {
  local out="$work/$1.callgrind" own
  shift
  own=$(basename "$1")
  valgrind --tool=callgrind --callgrind-out-file="$out" "$@" >/dev/null 2>&1
  callgrind_annotate --threshold=100 "$out" 2>/dev/null | python3 -c '
import re, sys
own, n = sys.argv[1], int(sys.argv[2])
sums = {"own": 0, "libpq": 0, "libc": 0}
for line in sys.stdin:
    m = re.match(r"\s*([\d,]+) .*\[([^\]]*)\]\s*$", line)
    if not m:
        continue
    count, obj = int(m.group(1).replace(",", "")), m.group(2)
    if obj.endswith("/" + own):
        sums["own"] += count
    elif "libpq" in obj:
        sums["libpq"] += count
    elif "libc.so" in obj:
        sums["libc"] += count
print("%.0f %.0f %.0f" % (sums["own"] / n, sums["libpq"] / n, sums["libc"] / n))' "$own" "$n"
}
ours=("$tarnwick" --host="$PGTEST_HOST" --port="$PGTEST_PORT" --user="$PGTEST_USER" --silent)
read -r one_own one_pq one_c < <(count one "${ours[@]}" --mode=r --clients=1 --pipeline=8 --sql="$work/one.SQL.log.1")
read -r mix_own mix_pq mix_c < <(count mix "${ours[@]}" --mode=w --clients=1 --protocol=prepared --sql="$work/mix.SQL.log.1")
read -r pone_own pone_pq pone_c < <(count pone "$pgbench" -n -c 1 -j 1 "${server[@]}" -M extended -t $((n / 8)) \
  -f "$work/pipe.sql" "$PGTEST_USER")
read -r pmix_own pmix_pq pmix_c < <(count pmix "$pgbench" -n -c 1 -j 1 "${server[@]}" -M prepared -t $((n / 2)) \
  -f "$work/mix_pgbench.sql" "$PGTEST_USER")

row() {  # title own pq c peer-own peer-pq peer-c
  printf "  %-30s tarnwick %6d  pgbench %6d  ratio %.2f   (libpq %d / %d, libc %d / %d)\n" \
    "$1" "$2" "$5" "$(awk -v a="$2" -v b="$5" 'BEGIN { print (b > 0 ? a / b : 0) }')" "$3" "$6" "$4" "$7"
}
echo "instructions of the client's own code a statement, $n statements, one client"
row "select 1, pipelines of 8" "$one_own" "$one_pq" "$one_c" "$pone_own" "$pone_pq" "$pone_c"
row "select/insert, prepared" "$mix_own" "$mix_pq" "$mix_c" "$pmix_own" "$pmix_pq" "$pmix_c"
