#!/usr/bin/env bash
# `make demo` runs the tour; its output is checked in as examples/tour.expected
# so that a change of any byte of it is seen. Standard error stays empty and
# the exit code is 0.
set -euo pipefail
binary=$1
examples=$2
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cd "$examples"
status=0
"$binary" --host=sqlite::memory: --mode=w --sql=tour.sql,after_quit.sql \
  >"$scratch/out" 2>"$scratch/err" || status=$?
[[ $status -eq 0 ]] || { echo "exit code $status"; exit 1; }
[[ ! -s "$scratch/err" ]] || { echo "standard error:"; cat "$scratch/err"; exit 1; }
diff -u tour.expected "$scratch/out"
echo "tour: ok"
