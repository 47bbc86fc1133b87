#!/usr/bin/env bash
# Makes a fresh Wine prefix for one test run:  prepare-prefix.sh <prefix> <bin dir>
set -euo pipefail
prefix=$1
bin=$2
export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
if [ -d "$prefix" ]; then
  wineserver -k 2>/dev/null || true
  rm -rf "$prefix"
fi
mkdir -p "$(dirname "$prefix")"
wineboot -i >/dev/null 2>&1
wineserver -w
# The component is registered in the prefix the way an installer would register it.
if [ -f "$bin/QvModCat2.dll" ]; then
  wine regsvr32 /s "$(winepath -w "$bin/QvModCat2.dll")"
fi
# The host-library stand-in serves the project object (ProgID "QvStandIn.Project").
if [ -f "$bin/QVObjMgr.DLL" ]; then
  wine regsvr32 /s "$(winepath -w "$bin/QVObjMgr.DLL")"
fi
