#!/usr/bin/env bash
# Times trellis-inspect reading a Chrome History against the sqlite3 shell
# running the same query on the same file, and checks that both count the
# same entries.
#
# Usage: bench/chrome-history.sh [scale ...]   (default: medium)
# Needs a release build (scripts/run.sh or cmake --preset release) and the
# corpus generator beside the repository (../shared/corpus).
set -euo pipefail
cd "$(dirname "$0")/.."

source bench/common.sh
query="SELECT title, url, visit_count, last_visit_time FROM urls ORDER BY last_visit_time DESC;"

printf '%-8s %10s %12s %12s %8s\n' scale rows sqlite3_s inspect_s ratio
for scale in "${@:-medium}"; do
  out="$work/$scale"
  python3 "$generator" --out "$out" --scale "$scale" --only chrome --now 2024-05-01T12:00:00Z --quiet
  history="$out/chrome/Default/History"
  rows=$(sqlite3 "$history" "SELECT count(*) FROM urls WHERE url IS NOT NULL")
  items=$("$inspect" chrome-history "$history" | python3 -c '
import json, sys
root = json.load(sys.stdin)
print(sum(len(day["children"]) for day in root["children"]))')
  if [ "$items" != "$rows" ]; then
    echo "$scale: trellis-inspect read $items entries, sqlite3 counts $rows" >&2
    exit 1
  fi
  sqlite_time=$(best_of_three sqlite3 "$history" "$query")
  inspect_time=$(best_of_three "$inspect" chrome-history "$history")
  printf '%-8s %10s %12.3f %12.3f %8.1f\n' "$scale" "$rows" "$sqlite_time" "$inspect_time" \
    "$(echo "$inspect_time / $sqlite_time" | bc -l)"
done
