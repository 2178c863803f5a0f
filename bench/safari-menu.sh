#!/usr/bin/env bash
# Rebuild time of the Safari submenu from parsed trees, with every section on,
# on generated Safari files.
#
# Usage: bench/safari-menu.sh [scale ...]   (default: large)
set -euo pipefail
cd "$(dirname "$0")/.."

source bench/common.sh
bench=build/release/bin/trellis-bench-safari-menu
[ -x "$bench" ] || cmake --build --preset release --target trellis-bench-safari-menu >/dev/null

for scale in "${@:-large}"; do
  out="$work/$scale"
  python3 "$generator" --out "$out" --scale "$scale" --only safari --now 2024-05-01T12:00:00Z --quiet
  printf '%-8s ' "$scale"
  "$bench" "$out/safari/Bookmarks.plist" "$out/safari/TopSites.plist" \
    "$out/safari/History.db" "$out/safari/LastSession.plist" 20
done
