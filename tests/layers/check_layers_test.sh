#!/usr/bin/env bash
# The layer check passes on the project's tree, its table is the one the
# architecture notes show, and it fails, naming the file and line, on a
# tree with includes that run upwards.
set -euo pipefail
check=$1
project=$2
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

"$check" "$project" >/dev/null || { echo "the project's own tree fails the check"; "$check" "$project"; exit 1; }

# docs/ARCHITECTURE.md shows the table the check holds.
documented=$(sed -n '/^<!-- layers:/,/^<!-- end of layers -->/p' "$project/docs/ARCHITECTURE.md" | sed '1d;$d')
if [[ "$documented" != "$("$check" --table)" ]]; then
  echo "docs/ARCHITECTURE.md's layer table differs from scripts/check-layers --table:"
  diff <(echo "$documented") <("$check" --table) || true
  exit 1
fi

mkdir -p "$scratch"/{runtime,console,support/file,ql_client/core,ql_client/postgres,session}
printf '#include "runtime/run_settings.h"\n' >"$scratch/console/fine.cpp"
printf '#include "session/execute.h"\n' >"$scratch/console/also_fine.cpp"
"$check" "$scratch" >/dev/null || { echo "downward includes were refused"; exit 1; }

printf '// a comment\n\n#include "console/driver.h"\n' >"$scratch/runtime/upward.cpp"
printf '#include "ql_client/ql_client.h"\n' >"$scratch/support/file/client.h"
printf '#include "ql_client/postgres/pg_session.h"\n' >"$scratch/ql_client/core/engine.cpp"
printf '#include "ql_client/core/outcome.h"\n' >"$scratch/session/inside.cpp"
if output=$("$check" "$scratch"); then
  echo "upward includes passed the check"; exit 1
fi
expect() {
  grep -qF "$1" <<<"$output" || { echo "missing: $1"; echo "$output"; exit 1; }
}
expect 'runtime/upward.cpp:3: includes "console/driver.h" (layer console) from layer runtime'
expect 'support/file/client.h:1: includes "ql_client/ql_client.h"'
expect 'ql_client/core/engine.cpp:1: includes "ql_client/postgres/pg_session.h"'
expect 'session/inside.cpp:1: includes "ql_client/core/outcome.h"'
expect 'check-layers: 4 include(s) against the direction of the layers'
echo "layer check: ok"
