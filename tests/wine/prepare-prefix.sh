#!/usr/bin/env bash
# Makes a fresh Wine prefix for one test run:  prepare-prefix.sh <x86_64|i686> <prefix> <bin dir>
set -euo pipefail
trap 'echo "prepare-prefix.sh: line $LINENO: \"$BASH_COMMAND\" failed (exit $?)" >&2' ERR
source "$(dirname "$0")/../../scripts/wine-arch.sh"
arch=$1; export WINEPREFIX=$2; bin=$3
export WINEDEBUG=-all
qv_make_fresh_prefix "$arch"
# The component as an installer would register it, and the host-library stand-in (it serves
# the project object, ProgID "QvStandIn.Project", and registers the environment's interface
# library qvmodcat.tlb), each by the regsvr32 of the architecture under test.
for dll in QvModCat2.dll QVObjMgr.DLL; do
  [ -f "$bin/$dll" ] || continue
  status=0
  qv_wine "$arch" regsvr32 /s "$(qv_windows_path "$bin/$dll")" || status=$?
  if [ $status != 0 ]; then
    echo "prepare-prefix.sh: regsvr32 /s $bin/$dll exited $status in $WINEPREFIX" >&2
    exit 1
  fi
done
true
