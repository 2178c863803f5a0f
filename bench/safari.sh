#!/usr/bin/env bash
# Times trellis-inspect reading Safari's History.db against the sqlite3 shell
# running the same query on the same file, and reading Bookmarks.plist and
# History.plist against plistutil converting them to XML; checks that both
# sides count the same visits of History.db.
#
# Usage: bench/safari.sh [scale ...]   (default: medium)
# Needs a release build (scripts/run.sh or cmake --preset release), the
# sqlite3 shell and plistutil (libplist-utils), and the corpus generator
# beside the repository (../shared/corpus).
set -euo pipefail
cd "$(dirname "$0")/.."

source bench/common.sh
query="SELECT history_items.url, history_items.visit_count, history_visits.visit_time, history_visits.title FROM history_items INNER JOIN history_visits ON history_visits.history_item = history_items.id ORDER BY history_visits.visit_time DESC;"

printf '%-8s %-15s %10s %12s %12s %8s\n' scale file rows baseline_s inspect_s ratio
for scale in "${@:-medium}"; do
  out="$work/$scale"
  python3 "$generator" --out "$out" --scale "$scale" --only safari --now 2024-05-01T12:00:00Z --quiet
  history="$out/safari/History.db"
  rows=$(sqlite3 "$history" "SELECT count(*) FROM history_items INNER JOIN history_visits ON history_visits.history_item = history_items.id")
  items=$("$inspect" safari-history "$history" | python3 -c '
import json, sys
history, most_visited = json.load(sys.stdin)
print(sum(len(day["children"]) for day in history["children"]))')
  if [ "$items" != "$rows" ]; then
    echo "$scale: trellis-inspect read $items visits, sqlite3 counts $rows" >&2
    exit 1
  fi
  sqlite_time=$(best_of_three sqlite3 "$history" "$query")
  inspect_time=$(best_of_three "$inspect" safari-history "$history")
  printf '%-8s %-15s %10s %12.3f %12.3f %8.1f\n' "$scale" History.db "$rows" "$sqlite_time" \
    "$inspect_time" "$(echo "$inspect_time / $sqlite_time" | bc -l)"

  for pair in "Bookmarks.plist safari-bookmarks" "History.plist safari-history"; do
    set -- $pair
    plist="$out/safari/$1"
    plist_time=$(best_of_three plistutil -i "$plist" -o "$work/converted.xml")
    inspect_time=$(best_of_three "$inspect" "$2" "$plist")
    printf '%-8s %-15s %10s %12.3f %12.3f %8.1f\n' "$scale" "$1" - "$plist_time" \
      "$inspect_time" "$(echo "$inspect_time / $plist_time" | bc -l)"
  done
done
