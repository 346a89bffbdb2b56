#!/usr/bin/env bash
# A real captured workload, end to end, on a server of its own (its log
# prefix is "%m %c "): pgbench's tables are initialised and copied; pgbench
# -c 4 -j 2 -t 200 runs its built-in transactions with log_statement = all;
# tarnwick-log turns that part of the server log into a replay log, which
# tarnwick replays with --clients=4 on the copy, logged the same way, and
# once more with --protocol=prepared on a second copy.
# Checks: the same statement count, no failure, each original session's
# statements in their order on one replay session, and pgbench's own
# consistency on the copy (balances against the history's deltas).
#   pgbench_replay_test.sh TARNWICK TARNWICK_LOG PG_TEST_SERVER
set -euo pipefail
tarnwick=$1
tarnwick_log=$2
pg_test_server=$3
for tool in pgbench psql python3; do
  command -v "$tool" >/dev/null || { echo "no $tool: skipped"; exit 77; }
done

work=$(mktemp -d /tmp/tarnwick-pgbench.XXXXXX)
chmod 755 "$work"
cleanup() { "$pg_test_server" stop "$work/pg" >/dev/null 2>&1 || true; rm -rf "$work"; }
trap cleanup EXIT
PGTEST_SERVER_SETTINGS="-c log_line_prefix='%m %c '" "$pg_test_server" start "$work/pg" >"$work/env"
set -a
. "$work/env"
set +a
server=(-h "$PGTEST_HOST" -p "$PGTEST_PORT" -U "$PGTEST_USER")
log=$PGTEST_DIR/server.log
logged=(-c log_statement=all -c log_disconnections=on)

psql -X -q "${server[@]}" -d "$PGTEST_USER" -c 'create database bench' -c 'create database bench_copy'
pgbench -i -q -s 1 "${server[@]}" bench >/dev/null 2>&1
psql -X -q "${server[@]}" -d "$PGTEST_USER" -c 'drop database bench_copy' -c 'create database bench_copy template bench' \
  -c 'create database bench_prepared template bench'

# The part of the server log a command writes.
log_of() {  # output-file command...
  local out=$1 start
  shift
  start=$(stat -c %s "$log")
  "$@"
  sleep 0.5  # the last disconnection lines
  tail -c +"$((start + 1))" "$log" >"$out"
}
log_of "$work/pgbench.log" env PGOPTIONS="${logged[*]}" \
  pgbench -n -c 4 -j 2 -t 200 "${server[@]}" bench >"$work/pgbench.out" 2>&1
"$tarnwick_log" "$work/pgbench.log" "$work/run.SQL.log.1" 2>"$work/capture.err"
cat "$work/capture.err"

log_of "$work/replay.log" env PGOPTIONS="${logged[*]}" \
  "$tarnwick" --host="$PGTEST_HOST" --port="$PGTEST_PORT" --user="$PGTEST_USER" --dbname=bench_copy \
  --mode=w --silent --clients=4 --speed=0 --report="$work/report.json" --sql="$work/run.SQL.log.1"
"$tarnwick_log" "$work/replay.log" "$work/replayed.SQL.log.1" 2>/dev/null

# The same replay once more, with prepared statements, on a copy of its own.
log_of "$work/prepared.log" env PGOPTIONS="${logged[*]}" \
  "$tarnwick" --host="$PGTEST_HOST" --port="$PGTEST_PORT" --user="$PGTEST_USER" --dbname=bench_prepared \
  --mode=w --silent --clients=4 --speed=0 --protocol=prepared --report="$work/prepared.json" \
  --sql="$work/run.SQL.log.1"

totals() {  # database
  psql -X -qAt "${server[@]}" -d "$1" -c "select (select sum(abalance) from pgbench_accounts),
    (select sum(bbalance) from pgbench_branches), (select sum(tbalance) from pgbench_tellers),
    (select sum(delta) from pgbench_history), (select count(*) from pgbench_history)"
}

python3 - "$work" "$(totals bench)" "$(totals bench_copy)" "$(totals bench_prepared)" <<'PY'
import json, struct, sys
work, original, copy, prepared = sys.argv[1:5]

def sessions(path):
    data = open(path, "rb").read()
    assert data[:4] == b"TWL1", path
    at, found = 8, {}
    while at < len(data):
        session, length = struct.unpack_from("<II", data, at)
        text = data[at + 8:at + 8 + length].split(b"\0")[0].decode()
        found.setdefault(session, []).append(text)
        at += 8 + length
    return found

captured = sessions(work + "/run.SQL.log.1")
replayed = sessions(work + "/replayed.SQL.log.1")
report = json.load(open(work + "/report.json"))
count = sum(len(s) for s in captured.values())
errors = []
# pgbench's 4 clients (7 statements each of 200 transactions) and the
# connection that reads the scale.
if count < 4 * 200 * 7:
    errors.append(f"captured {count} statements")
if report["statements"] != count or report["run"] != count or report["failed"] != 0:
    errors.append(f"report: {report['statements']} statements, {report['run']} run, "
                  f"{report['failed']} failed, against {count} captured")

def in_order(wanted, sequence):
    it = iter(sequence)
    return all(any(text == other for other in it) for text in wanted)

for number, wanted in captured.items():
    if not any(in_order(wanted, seq) for seq in replayed.values()):
        errors.append(f"session {number}: its {len(wanted)} statements are not in order on one replay session")
a, b, t, delta, rows = (int(v or 0) for v in copy.split("|"))
if not (a == b == t == delta) or rows != 800:
    errors.append(f"the copy is not consistent: {copy}")
if copy != original:
    errors.append(f"the copy ({copy}) differs from the original ({original})")
report = json.load(open(work + "/prepared.json"))
if report["run"] != count or report["failed"] != 0 or report["settings"]["protocol"] != "prepared":
    errors.append(f"prepared: {report['run']} run, {report['failed']} failed")
executed = open(work + "/prepared.log").read().count("execute tarnwick_")
if executed < count // 2:
    errors.append(f"prepared: only {executed} statements ran prepared")
if prepared != original:
    errors.append(f"the copy replayed with prepared statements ({prepared}) differs from the original ({original})")
print(f"{count} statements in {len(captured)} sessions captured and replayed; copy: {copy}")
if errors:
    print("\n".join(errors))
    sys.exit(1)
PY
