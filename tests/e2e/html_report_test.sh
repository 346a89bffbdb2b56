#!/usr/bin/env bash
# The HTML reports in a real browser: a run's report, the merge of two runs
# and their comparison, each opened in headless Chromium. Checks: the page
# names nothing outside itself, the browser logs no console message and no
# uncaught error, the document it parsed holds every plot, plot line, table
# and row that the file has (no text broke the markup), and the run's
# report renders to a screenshot at a laptop's width.
#   html_report_test.sh TARNWICK [SCREENSHOT.png]
# With a second argument the screenshot is kept there.
set -euo pipefail
tarnwick=$1
chromium=$(command -v chromium || true)
[[ -n $chromium ]] || { echo "no chromium: skipped"; exit 77; }

work=$(mktemp -d /tmp/tarnwick-html.XXXXXX)
trap 'rm -rf "$work"' EXIT

# Inserts and queries whose shapes hold < and &, and an insert in every
# thirty that fails.
{
  echo "create table item (id int primary key, name text);"
  for i in $(seq 1 300); do
    echo "insert into item values ($i, 'n<$i>&');"
    echo "select name from item where id < $i and name <> 'a&b';"
    if (( i % 30 == 0 )); then echo "insert into item values (1, 'again');"; fi
  done
} >"$work/load.sql"
# Exit code 4: statements failed, as they should.
run() { "$tarnwick" --host=sqlite::memory: --mode=w --silent --clients=2 --sql="$work/load.sql" "$@" >/dev/null || [[ $? -eq 4 ]]; }
run --report="$work/a.json"
run --report="$work/b.json"
run --report="$work/run.html"
"$tarnwick" --merge-reports="$work/a.json,$work/b.json" --report="$work/merged.html"
"$tarnwick" --compare-reports="$work/a.json,$work/b.json" --report="$work/compare.html" >/dev/null

browser() {  # profile arguments...
  local profile=$work/profile-$1
  shift
  mkdir "$profile"
  timeout 120 "$chromium" --headless --no-sandbox --disable-gpu --disable-quic --no-first-run \
    --disable-background-networking --disable-component-update --disable-sync \
    --user-data-dir="$profile" "$@"
}

failed=0
for page in run merged compare; do
  file=$work/$page.html
  if grep -Eq 'https?:|src=|url\(|@import|<script|<link' "$file"; then
    echo "$page.html names something outside itself"
    failed=1
  fi
  browser "$page" --enable-logging=stderr --v=0 --dump-dom "file://$file" >"$work/$page.dom" 2>"$work/$page.log"
  if grep -E 'CONSOLE|Uncaught' "$work/$page.log"; then
    echo "$page.html: the browser logged the lines above"
    failed=1
  fi
  for element in '<svg' '<path' '<table' '<tr'; do
    in_file=$(grep -o "$element" "$file" | wc -l)
    in_page=$(grep -o "$element" "$work/$page.dom" | wc -l)
    if (( in_file == 0 || in_file != in_page )); then
      echo "$page.html: $in_file $element in the file, $in_page in the parsed page"
      failed=1
    fi
  done
done

browser shot --hide-scrollbars --window-size=1280,2000 --screenshot="$work/run.png" "file://$work/run.html" \
  >/dev/null 2>&1
size=$(stat -c %s "$work/run.png" 2>/dev/null || echo 0)
if (( size < 20000 )); then
  echo "the screenshot of the run's report is $size bytes"
  failed=1
fi
if [[ $# -ge 2 ]]; then cp "$work/run.png" "$2"; fi
exit $failed
