#!/usr/bin/env bash
# Sets up the machine, builds Trellis with warnings as errors and runs every test.
# Usage: scripts/test.sh [preset]   (ci by default; asan and tsan for the sanitizer builds)
set -euo pipefail
cd "$(dirname "$0")/.."
preset="${1:-ci}"

bash scripts/install-deps.sh
bash scripts/check-format.sh
cmake --preset "$preset"
cmake --build --preset "$preset"
ctest --preset "$preset"
