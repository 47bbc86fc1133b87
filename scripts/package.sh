#!/usr/bin/env bash
# Builds QvModCat2.msm, the merge module that a vendor merges into the installer of a product
# carrying the component, for each architecture: build/<arch>/package/QvModCat2.msm (with its
# description and cabinet in build/<arch>/package/module).  Sets up the machine if needed and
# builds what it takes; an architecture whose Wine is missing is skipped with the reason.
#   scripts/package.sh [x86_64|i686|all]     (default all)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/wine-arch.sh"
arches=${1:-all}
[ "$arches" = all ] && arches="x86_64 i686"
"$root/scripts/setup.sh"
status=0
for arch in $arches; do
  case $arch in x86_64|i686) ;; *) echo "usage: scripts/package.sh [x86_64|i686|all]" >&2; exit 2 ;; esac
  if ! qv_wine_loader "$arch" >/dev/null; then
    echo "package: $arch SKIPPED: $(qv_wine_missing_reason "$arch")"
    continue
  fi
  "$root/scripts/build.sh" "$arch" QvModCat2 msmbuild qvpackage
  build=$root/build/$arch
  # The tools need only msi.dll: a prefix of their own, kept between runs.
  export WINEPREFIX=$build/package-prefix WINEDEBUG=-all
  qv_make_prefix "$arch"
  "$root/tools/qvpackage/make-module.sh" "$arch" "$WINEPREFIX" "$build/bin" "$build/package" || status=1
  wineserver -k 2>/dev/null || true
done
exit $status
