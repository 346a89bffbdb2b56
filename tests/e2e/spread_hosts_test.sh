#!/usr/bin/env bash
# Reads spread over a primary and its streaming standby: a server of its
# own and a standby made with pg_basebackup -R. A read-only replay with
# --clients=4 --spread-hosts over both runs statements on each server
# (pg_stat_database's commits on each) and shows a row per server in the
# report, and so does a pool's spread over both; writes sent the same way fail on the standby with its read-only
# error, counted and not hidden. The reads split over three processes
# started together (--start-at) and merged add up to the three reports:
# counts and every histogram bucket.
#   spread_hosts_test.sh TARNWICK TARNWICK_LOG PG_TEST_SERVER
set -euo pipefail
tarnwick=$1
tarnwick_log=$2
pg_test_server=$3
for tool in psql python3 pg_basebackup; do
  command -v "$tool" >/dev/null || [[ -x /usr/lib/postgresql/15/bin/$tool ]] || { echo "no $tool: skipped"; exit 77; }
done

work=$(mktemp -d /tmp/tarnwick-spread.XXXXXX)
chmod 755 "$work"
cleanup() { "$pg_test_server" stop "$work/pg" >/dev/null 2>&1 || true; rm -rf "$work"; }
trap cleanup EXIT
"$pg_test_server" start "$work/pg" >"$work/env"
set -a
. "$work/env"
set +a
primary=(-h "$PGTEST_HOST" -p "$PGTEST_PORT" -U "$PGTEST_USER" -d "$PGTEST_USER")
psql -X -q "${primary[@]}" -c 'create table kv (id int primary key, v text)' \
  -c "insert into kv select i, 'v' || i from generate_series(1, 1000) i"
"$pg_test_server" standby "$work/pg" >"$work/standby.env"
. "$work/standby.env"
standby=(-h "$PGTEST_HOST" -p "$PGTEST_STANDBY_PORT" -U "$PGTEST_USER" -d "$PGTEST_USER")
for _ in $(seq 1 100); do
  [[ $(psql -X -qAt "${standby[@]}" -c 'select count(*) from kv' 2>/dev/null) == 1000 ]] && break
  sleep 0.1
done

commits() {  # psql-arguments...
  psql -X -qAt "$@" -c "select xact_commit from pg_stat_database where datname = current_database()"
}
both="host=$PGTEST_HOST,$PGTEST_HOST port=$PGTEST_PORT,$PGTEST_STANDBY_PORT user=$PGTEST_USER dbname=$PGTEST_USER"
awk 'BEGIN { for (i = 0; i < 400; i++) printf "select v from kv where id = %d;\n", i % 1000 + 1 }' >"$work/reads.sql"
awk 'BEGIN { for (i = 0; i < 40; i++) printf "insert into kv values (%d, '\''new'\'');\n", 2000 + i }' >"$work/writes.sql"
"$tarnwick_log" "$work/reads.sql" "$work/reads.SQL.log.1" 2>/dev/null
"$tarnwick_log" "$work/writes.sql" "$work/writes.SQL.log.1" 2>/dev/null

before_primary=$(commits "${primary[@]}")
before_standby=$(commits "${standby[@]}")
"$tarnwick" --host="$both" --silent --clients=4 --spread-hosts --report="$work/reads.json" \
  --sql="$work/reads.SQL.log.1"
sleep 0.7  # the statistics reach pg_stat_database about every half second
after_primary=$(commits "${primary[@]}")
after_standby=$(commits "${standby[@]}")

# The pool's sessions spread the same way.
"$tarnwick" --host="$both" --silent --sessions=4 --statements=8 --spread-hosts --report="$work/pool.json" \
  --sql="$work/reads.SQL.log.1"

set +e
"$tarnwick" --host="$both" --mode=w --silent --clients=2 --spread-hosts --report="$work/writes.json" \
  --sql="$work/writes.SQL.log.1" 2>"$work/writes.err"
writes_exit=$?
set -e

split -n l/3 -d "$work/reads.sql" "$work/part_"
start=$(( $(date +%s) + 2 ))
for part in 00 01 02; do
  "$tarnwick_log" "$work/part_$part" "$work/part_$part.SQL.log.1" 2>/dev/null
  "$tarnwick" --host="$both" --silent --clients=2 --start-at="$start" --report="$work/part_$part.json" \
    --sql="$work/part_$part.SQL.log.1" &
done
wait
"$tarnwick" --merge-reports="$work/part_00.json,$work/part_01.json,$work/part_02.json" --report="$work/merged.json"

python3 - "$work" "$before_primary" "$after_primary" "$before_standby" "$after_standby" "$writes_exit" <<'PY'
import json, sys
work, bp, ap, bs, as_, writes_exit = sys.argv[1], *map(int, sys.argv[2:])
errors = []
reads = json.load(open(work + "/reads.json"))
if reads["run"] != 400 or reads["failed"] != 0:
    errors.append(f"reads: {reads['run']} run, {reads['failed']} failed")
# Statements go to the client with the least waiting, so each server runs
# about half: how near depends on timing, not on the spread.
servers = reads["servers"]
if len(servers) != 2 or any(s["statements"] < 100 for s in servers) or \
        sum(s["statements"] for s in servers) != 400:
    errors.append(f"reads: servers {servers}")
# Each server committed what it ran (and a few statements of the clients' own).
if ap - bp < 100 or as_ - bs < 100 or (ap - bp) + (as_ - bs) < 400:
    errors.append(f"commits on the primary {ap - bp}, on the standby {as_ - bs}")
pool = json.load(open(work + "/pool.json"))
if pool["run"] != 400 or [s["statements"] for s in pool["servers"]] != [200, 200]:
    errors.append(f"pool: {pool['run']} run, servers {pool['servers']}")
writes = json.load(open(work + "/writes.json"))
messages = [e["message"] for e in writes["errors"]]
if writes["run"] != 20 or writes["failed"] != 20 or writes_exit != 4:
    errors.append(f"writes: {writes['run']} run, {writes['failed']} failed, exit {writes_exit}")
if not any("read-only transaction" in m for m in messages):
    errors.append(f"writes: errors {messages}")
parts = [json.load(open(f"{work}/part_0{i}.json")) for i in range(3)]
merged = json.load(open(work + "/merged.json"))
if merged["run"] != sum(p["run"] for p in parts) or merged["run"] != 400 or len(merged["hosts"]) != 3:
    errors.append(f"merged: {merged['run']} run over {len(merged['hosts'])} runs")
for kind in ("query", "other"):
    buckets = {}
    for p in parts:
        for index, count in p["histograms"][kind]["buckets"]:
            buckets[index] = buckets.get(index, 0) + count
    if {i: c for i, c in merged["histograms"][kind]["buckets"]} != buckets:
        errors.append(f"merged {kind} buckets differ from the runs' sums")
if any(p["start"] is None or p["start"]["late_seconds"] > 1.5 for p in parts):
    errors.append(f"starts: {[p['start'] for p in parts]}")
print(f"reads: primary +{ap - bp} commits, standby +{as_ - bs}; writes: {writes['run']} run, "
      f"{writes['failed']} failed on the standby")
if errors:
    print("\n".join(errors))
    sys.exit(1)
PY
