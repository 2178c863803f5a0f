#!/usr/bin/env bash
# Checks how the executable and the browser module fit together, which no
# test executable can: tests load the module into themselves, not into the
# application.
#  - The executable needs no web engine library, so an idle Trellis maps none.
#  - The module sits next to the executable, where the application looks.
#  - Every symbol the module leaves undefined is exported by the executable
#    or by a library the module needs; otherwise it would not load.
set -euo pipefail
executable=$1
module=$2

if readelf -d "$executable" | grep NEEDED | grep -E 'WebEngine|Quick|Qml'; then
    echo "FAIL: $executable links the web engine"
    exit 1
fi

if [ "$(dirname "$executable")" != "$(dirname "$module")" ]; then
    echo "FAIL: $module is not next to $executable"
    exit 1
fi

defined=$(mktemp)
trap 'rm -f "$defined"' EXIT
{
    nm -D --defined-only --format=just-symbols "$executable"
    ldd "$module" | awk '$3 ~ /^\// { print $3 }' | while read -r library; do
        nm -D --defined-only --format=just-symbols "$library"
    done
} | sed 's/@.*//' | sort -u >"$defined"

missing=$(nm -D --undefined-only --format=just-symbols "$module" | sed 's/@.*//' | sort -u |
    comm -23 - "$defined" | grep -v -E '^(__gmon_start__|_ITM_.*|__cxa_finalize)$' || true)
if [ -n "$missing" ]; then
    echo "FAIL: the module needs symbols that nothing exports:"
    echo "$missing" | c++filt
    exit 1
fi
echo "PASS: the executable links no web engine; the module beside it resolves"
