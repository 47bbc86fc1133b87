#!/usr/bin/env bash
# Builds and runs the catalog benchmark under Wine in a prefix of its own
# (build/x86_64/bench-prefix).  Arguments go to catalog_bench (--packages, --files, ...).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/build.sh" x86_64
export WINEPREFIX=$root/build/x86_64/bench-prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
[ -f "$WINEPREFIX/system.reg" ] || wineboot -i >/dev/null 2>&1
status=0
wine "$root/build/x86_64/bin/catalog_bench.exe" "$@" || status=$?
wineserver -k 2>/dev/null || true
exit $status
