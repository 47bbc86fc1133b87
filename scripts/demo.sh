#!/usr/bin/env bash
# Sets up the machine if needed, builds the component, registers it in a Wine prefix of its
# own (build/x86_64/demo-prefix) and shows it at work.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
"$root/scripts/build.sh" x86_64
build=$root/build/x86_64
export WINEPREFIX=$build/demo-prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  wineboot -i >/dev/null 2>&1
fi
dll=$(winepath -w "$build/bin/QvModCat2.dll")
wine regsvr32 /s "$dll"
wine cscript //nologo "$(winepath -w "$root/demo/loaded.js")" "$dll"
wineserver -k 2>/dev/null || true
