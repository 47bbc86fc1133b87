#!/usr/bin/env bash
# Makes QvModCat2.msm from a build's binaries:
#
#   tools/qvpackage/make-module.sh <x86_64|i686> <wine prefix> <bin folder> <output folder>
#
#   <output folder>/QvModCat2.msm                 the merge module
#   <output folder>/module/QvModCat2.msm.txt      its description (qvpackage, from the library
#                                                 and the component's class names)
#   <output folder>/module/QvModCat2.cab          its cabinet (gcab), the module's
#                                                 MergeModule.CABinet stream
#   <output folder>/module/QvModCat2.dll          the library it ships (stripped)
#
# msmbuild writes the module through msi.dll; the installer's own validation runs where this
# msi.dll offers it.  The output folder is made afresh.  Programs run under Wine in the prefix.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
arch=$1 prefix=$2 bin=$3 out=$4
run=$here/../../tests/wine/wine-run.sh
windows() { printf 'Z:%s' "${1//\//\\}"; }

rm -rf "$out"
mkdir -p "$out"
out=$(cd "$out" && pwd)
work=$out/module
mkdir -p "$work"
# The module ships the library without its symbols and debug information.
case $arch in
  x86_64) strip=x86_64-w64-mingw32-strip ;;
  i686) strip=i686-w64-mingw32-strip ;;
  *) echo "make-module: unknown architecture '$arch'" >&2; exit 2 ;;
esac
"$strip" --strip-all -o "$work/QvModCat2.dll" "$bin/QvModCat2.dll"
"$run" "$arch" "$prefix" "$bin/qvpackage.exe" describe "$(windows "$work/QvModCat2.dll")" -o "$(windows "$work")"
# The cabinet holds the library under its File key, the name the module's rows give it.
members=("$work"/cabinet/*)
gcab --create --nopath --zip "$work/QvModCat2.cab" "${members[@]}"
"$run" "$arch" "$prefix" "$bin/msmbuild.exe" "$(windows "$work/QvModCat2.msm.txt")" -o "$(windows "$out")"
status=0
"$run" "$arch" "$prefix" "$bin/qvpackage.exe" validate "$(windows "$out/QvModCat2.msm")" || status=$?
[ "$status" -eq 0 ] || [ "$status" -eq 3 ] || exit "$status"
echo "make-module: $out/QvModCat2.msm ($(stat -c %s "$out/QvModCat2.msm") bytes)"
