#!/usr/bin/env bash
# Sets up the machine if needed, builds the component, registers it in a Wine prefix of its
# own (build/x86_64/demo-prefix), makes the demo catalog from the text in demo/ and tours it
# with the qvmodcat inspector.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
"$root/scripts/build.sh" x86_64 QvModCat2 QvAppServices Keyfile QVObjMgr msmbuild qvmodcat
build=$root/build/x86_64
export WINEPREFIX=$build/demo-prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  wineboot -i >/dev/null 2>&1
fi
# The component as an installer registers it, and the host-library stand-in.
wine regsvr32 /s "$(winepath -w "$build/bin/QvModCat2.dll")"
wine regsvr32 /s "$(winepath -w "$build/bin/QVObjMgr.DLL")"

# The product folder: gallery descriptors and lookup files from demo/product, packages built
# by msmbuild from demo/packages.
product=$build/demo/product
"$root/demo/make-product.sh" "$WINEPREFIX" "$build/bin" "$product" >/dev/null

# What the environment's application services report, through the stand-ins' registry key.
folder=$(winepath -w "$product")
key='HKCU\Software\Quorvane\Showloom\StandIn'
text() { wine reg add "$key" /v "$1" /t REG_SZ /d "$2" /f >/dev/null; }
number() { wine reg add "$key" /v "$1" /t REG_DWORD /d "$2" /f >/dev/null; }
text ProductFolder "$folder"
text SearchPathList "$folder\\Modules,$folder\\Vendor"
text ExtraSearchPathList ""
text ModulesIniFolder "$folder"
text FilesIniFolder "$folder"
text ExcludedFilePatterns ""
text PreferredLanguage ""
number MatchVersion 0
number MatchFolder 0
number ActiveProjectType 0
wine reg delete "$key" /v ModuleFolder0 /f >/dev/null 2>&1 || true

qvmodcat=$build/bin/qvmodcat.exe
# Runs one step of the tour; "not found" (1) is an answer, an error (2) ends the demo.
step() {
  local shown=() argument
  for argument in "$@"; do
    if [[ $argument =~ [^A-Za-z0-9._:/=-] ]]; then shown+=("'$argument'"); else shown+=("$argument"); fi
  done
  printf '\n$ qvmodcat %s\n' "${shown[*]}"
  local code=0
  wine "$qvmodcat" "$@" || code=$?
  [ "$code" -le 1 ] || exit "$code"
}

echo "Demo catalog in $folder: packages in Modules and Vendor, gallery descriptors in"
echo "ObjectGallery, display names in modules.ini, file owners in FilesToModules.ini."
step list
step show Acme.Viewer:0 --language 1031 --resolve
step find-file '[SystemFolder]viewer.dll' --in-folder --language 1033
step --project-type 1 find-file '<WINSYSDIR>\viewer.dll' --language 1036
step deps Borealis.Charts:1033
wineserver -k 2>/dev/null || true
