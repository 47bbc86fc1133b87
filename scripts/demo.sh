#!/usr/bin/env bash
# Sets up the machine if needed, builds the component, registers it in a Wine prefix of its
# own (build/<arch>/demo-prefix), makes the demo catalog from the text in demo/ and tours it
# with the qvmodcat inspector, ending with its health check and the catalog's requirement graph
# (an SVG when Graphviz is there):  scripts/demo.sh [x86_64|i686]   (default x86_64)
# i686 is the component a 32-bit environment loads; it runs under 32-bit Wine.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/wine-arch.sh"
source "$root/scripts/progress.sh"
arch=${1:-x86_64}
case $arch in x86_64|i686) ;; *) echo "usage: scripts/demo.sh [x86_64|i686]" >&2; exit 2 ;; esac
qv_phase "setup: the Debian packages the project needs (scripts/setup.sh)"
"$root/scripts/setup.sh"
qv_wine_loader "$arch" >/dev/null || { echo "demo: $(qv_wine_missing_reason "$arch")" >&2; exit 1; }
qv_phase "build: the component, the stand-ins, msmbuild and qvmodcat (build/$arch)"
"$root/scripts/build.sh" "$arch" QvModCat2 QvAppServices Keyfile QVObjMgr msmbuild qvmodcat
build=$root/build/$arch
export WINEPREFIX=$build/demo-prefix WINEDEBUG=-all
# A prefix left from an earlier Wine install may not run this architecture: made again then.
if qv_prefix_ready "$arch"; then
  qv_phase "Wine prefix: build/$arch/demo-prefix is ready"
else
  qv_phase "Wine prefix: making build/$arch/demo-prefix (about half a minute)"
  qv_make_prefix "$arch"
fi
# The component as an installer registers it, and the host-library stand-in (which registers
# the environment's interface library, qvmodcat.tlb).
qv_phase "registration: regsvr32 QvModCat2.dll and the host-library stand-in QVObjMgr.DLL"
qv_wine "$arch" regsvr32 /s "$(qv_windows_path "$build/bin/QvModCat2.dll")"
qv_wine "$arch" regsvr32 /s "$(qv_windows_path "$build/bin/QVObjMgr.DLL")"

# The product folder: gallery descriptors and lookup files from demo/product, packages built
# by msmbuild from demo/packages.
qv_phase "demo catalog: packages built by msmbuild, gallery descriptors and lookup files"
product=$build/demo/product
"$root/demo/make-product.sh" "$arch" "$WINEPREFIX" "$build/bin" "$product" >/dev/null

# What the environment's application services report, through the stand-ins' registry key.
folder=$(qv_windows_path "$product")
key='HKCU\Software\Quorvane\Showloom\StandIn'
text() { qv_wine "$arch" reg add "$key" /v "$1" /t REG_SZ /d "$2" /f >/dev/null; }
number() { qv_wine "$arch" reg add "$key" /v "$1" /t REG_DWORD /d "$2" /f >/dev/null; }
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
qv_wine "$arch" reg delete "$key" /v ModuleFolder0 /f >/dev/null 2>&1 || true

qvmodcat=$build/bin/qvmodcat.exe
# Runs one step of the tour; "not found" (1) is an answer, an error (2) ends the demo.
step() {
  local shown=() argument
  for argument in "$@"; do
    if [[ $argument =~ [^A-Za-z0-9._:/=-] ]]; then shown+=("'$argument'"); else shown+=("$argument"); fi
  done
  printf '\n$ qvmodcat %s\n' "${shown[*]}"
  local code=0
  qv_wine_apart "$arch" "$qvmodcat" "$@" || code=$?
  [ "$code" -le 1 ] || exit "$code"
}

qv_phase "tour: the inspector over the demo catalog"
echo "Demo catalog in $folder ($arch component): packages in Modules and Vendor,"
echo "gallery descriptors in ObjectGallery, display names in modules.ini, file owners in"
echo "FilesToModules.ini."
step list
step show Acme.Viewer:0 --language 1031 --resolve
step find-file viewer.dll
step find-file '[SystemFolder]viewer.dll' --in-folder --language 1033
step --project-type 1 find-file '<WINSYSDIR>\viewer.dll' --language 1036
step deps Borealis.Charts:1033
step rdeps Acme.Core:0
step check

# The requirement graph, drawn by Graphviz (scripts/setup.sh installs it).
graph=$build/demo/catalog
printf '\n$ qvmodcat check --format dot > %s.dot\n' "$graph"
qv_wine_apart "$arch" "$qvmodcat" check --format dot > "$graph.dot" || [ $? -le 1 ] || exit 2
if command -v dot >/dev/null; then
  dot -Tsvg "$graph.dot" -o "$graph.svg"
  echo "$ dot -Tsvg $graph.dot -o $graph.svg    (open it in a browser)"
else
  echo "Graphviz is not installed: apt-get install graphviz, then dot -Tsvg $graph.dot -o $graph.svg"
fi
wineserver -k 2>/dev/null || true
qv_phase "done"
