#!/usr/bin/env bash
# Sets up the machine if needed, builds both architectures and runs the whole suite under Wine
# for each: x86_64 under 64-bit Wine, i686 under 32-bit Wine, each in its own prefix.  Where
# 32-bit Wine cannot be had, the i686 suite is reported as skipped with the reason; it never
# counts as passed.  Arguments go to ctest (for example -R catalog).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/wine-arch.sh"
"$root/scripts/setup.sh"
"$root/scripts/build.sh" all
status=0
for arch in x86_64 i686; do
  if ! qv_wine_loader "$arch" >/dev/null; then
    echo "== $arch suite SKIPPED: $(qv_wine_missing_reason "$arch")"
    [ "$arch" = x86_64 ] && status=1
    continue
  fi
  echo "== $arch suite (build/$arch, Wine loader $(qv_wine_loader "$arch"))"
  (cd "$root/build/$arch" && ctest --output-on-failure -j2 "$@") || status=1
done
exit $status
