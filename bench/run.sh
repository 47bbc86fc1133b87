#!/usr/bin/env bash
# Builds and runs the catalog benchmark under Wine, in a prefix of its own where the component
# is registered as an installer would register it:
#   bench/run.sh [--sizes 100,500,2000] [--quick] [--lookups K] [--rebuild-pool]
# QV_BENCH_BUILD names an existing build folder to use (default: build/x86_64 through
# scripts/build.sh).  The prefix is <build>/bench-prefix.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
if [ -n "${QV_BENCH_BUILD:-}" ]; then
  build=$QV_BENCH_BUILD
  cmake --build "$build" --target catalog_bench -- -j2 | { grep -vE '^\[[0-9]+/[0-9]+\] ' || true; }
else
  build=$root/build/x86_64
  "$root/scripts/build.sh" x86_64
fi
export WINEPREFIX=$build/bench-prefix WINEDEBUG=${WINEDEBUG:--all} WINEDLLOVERRIDES="mscoree,mshtml="
[ -f "$WINEPREFIX/system.reg" ] || { wineboot -i >/dev/null 2>&1; wineserver -w; }
# The benchmark reaches the catalog through the registration, as the environment does.
wine regsvr32 /s "$(winepath -w "$build/bin/QvModCat2.dll")"
status=0
wine "$build/bin/catalog_bench.exe" "$@" || status=$?
wineserver -k 2>/dev/null || true
exit $status
