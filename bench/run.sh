#!/usr/bin/env bash
# Builds and runs the catalog benchmark under Wine for both architectures, one after the other,
# each in a prefix of its own where the component is registered as an installer would register
# it (by the regsvr32 of that architecture):
#   bench/run.sh [--arch x86_64|i686|all] [--sizes 100,500,2000] [--quick] [--lookups K] [--rebuild-pool]
# QV_BENCH_BUILD names an existing build folder to use for a single architecture (its
# toolchain decides which).  The prefix is <build>/bench-prefix.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/wine-arch.sh"
arches="x86_64 i686"
arguments=()
while [ $# -gt 0 ]; do
  case $1 in
    --arch) [ "$2" = all ] || arches=$2; shift 2 ;;
    *) arguments+=("$1"); shift ;;
  esac
done
if [ -n "${QV_BENCH_BUILD:-}" ]; then
  arches=x86_64
  grep -q '^CMAKE_TOOLCHAIN_FILE.*i686' "$QV_BENCH_BUILD/CMakeCache.txt" && arches=i686
fi
status=0
for arch in $arches; do
  if ! qv_wine_loader "$arch" >/dev/null; then
    echo "== $arch benchmark SKIPPED: $(qv_wine_missing_reason "$arch")"
    continue
  fi
  if [ -n "${QV_BENCH_BUILD:-}" ]; then
    build=$QV_BENCH_BUILD
    cmake --build "$build" --target catalog_bench -- -j2 | { grep -vE '^\[[0-9]+/[0-9]+\] ' || true; }
  else
    build=$root/build/$arch
    "$root/scripts/build.sh" "$arch"
  fi
  echo "== $arch benchmark ($build)"
  export WINEPREFIX=$build/bench-prefix WINEDEBUG=${WINEDEBUG:--all}
  qv_make_prefix "$arch"
  # The benchmark reaches the catalog through the registration, as the environment does; the
  # host-library stand-in registers the environment's interface library (qvmodcat.tlb).
  qv_wine "$arch" regsvr32 /s "$(qv_windows_path "$build/bin/QvModCat2.dll")"
  qv_wine "$arch" regsvr32 /s "$(qv_windows_path "$build/bin/QVObjMgr.DLL")"
  qv_wine_apart "$arch" "$build/bin/catalog_bench.exe" "${arguments[@]}" || status=$?
  wineserver -k 2>/dev/null || true
done
exit $status
