#!/usr/bin/env bash
# Statements per second of the client library against its peers, measured
# in one run on a throw-away PostgreSQL server (scripts/pg-test-server):
#   (a) N "select 1" one by one through ql_query, against a plain libpq
#       PQexec loop, in one process that runs on the program's own
#       allocator as tarnwick does (libpq's allocations included, so the
#       PQexec loop has it too);
#   (b) the same N in batches of 64 over 8 sessions, against
#       pgbench -n -c 8 -j 2 -M prepared on a script of the same statement,
#       and against pgbench sending 8 statements per pipeline.
# Usage: bench/compare/ql_client.sh [N]   (N defaults to 100000)
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
n=${1:-100000}

"$root/scripts/install-deps.sh"
cmake -S "$root" -B "$root/build-bench" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTARNWICK_BUILD_TESTS=OFF >/dev/null
cmake --build "$root/build-bench" --target ql_client_compare >/dev/null

env_lines=$("$root/scripts/pg-test-server" start)
dir=$(sed -n 's/^PGTEST_DIR=//p' <<<"$env_lines")
trap '"$root/scripts/pg-test-server" stop "$dir"' EXIT
eval "$env_lines"

work=$(mktemp -d)
trap '"$root/scripts/pg-test-server" stop "$dir"; rm -rf "$work"' EXIT
chmod 755 "$work"
echo "select 1;" >"$work/plain.sql"
{
  echo '\startpipeline'
  for _ in 1 2 3 4 5 6 7 8; do echo "select 1;"; done
  echo '\endpipeline'
} >"$work/pipeline.sql"

# pgbench prints "tps = R (without initial connection time)"; one
# transaction is one pass over its script.
pgbench_rate() {
  local script=$1 per_transaction=$2 transactions=$3
  pgbench -h "$PGTEST_HOST" -p "$PGTEST_PORT" -U "$PGTEST_USER" -n -c 8 -j 2 -M prepared \
    -t "$transactions" -f "$script" "$PGTEST_USER" 2>/dev/null |
    awk -v k="$per_transaction" '/^tps = .*without initial/ { printf "%.0f\n", $3 * k }'
}

echo "running $n statements of each kind on 127.0.0.1:$PGTEST_PORT ..."
declare -A rate
while read -r name value; do rate[$name]=$value; done < <("$root/build-bench/bench/ql_client_compare" \
  "$PGTEST_HOST" "$PGTEST_PORT" "$PGTEST_USER" "$n")
rate[pgbench]=$(pgbench_rate "$work/plain.sql" 1 $((n / 8)))
rate[pgbench_pipeline]=$(pgbench_rate "$work/pipeline.sql" 8 $((n / 64)))

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
printf '(a) single:  ql_query %8d/s   libpq PQexec %8d/s   ratio %s\n' \
  "${rate[ql_single]}" "${rate[libpq_single]}" "$(ratio "${rate[ql_single]}" "${rate[libpq_single]}")"
printf '(b) pool:    ql_pool  %8d/s   pgbench      %8d/s   ratio %s\n' \
  "${rate[ql_pool]}" "${rate[pgbench]}" "$(ratio "${rate[ql_pool]}" "${rate[pgbench]}")"
printf '             ql_pool  %8d/s   pgbench pipelined %3s %8d/s   ratio %s\n' \
  "${rate[ql_pool]}" "" "${rate[pgbench_pipeline]}" "$(ratio "${rate[ql_pool]}" "${rate[pgbench_pipeline]}")"
