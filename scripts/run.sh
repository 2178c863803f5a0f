#!/usr/bin/env bash
# Sets up the machine, builds Trellis and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
cmake --preset release
cmake --build --preset release
exec build/release/bin/trellis "$@"
