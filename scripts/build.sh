#!/usr/bin/env bash
# Configures and builds the project for both Windows architectures:
#   build/x86_64  (built and tested under Wine)
#   build/i686    (built and linked only: 32-bit Wine is not available here)
# Usage: scripts/build.sh [x86_64|i686|all] [target...]   (no target: everything)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
arches=${1:-all}
shift || true
targets=()
for target in "$@"; do targets+=(--target "$target"); done
[ "$arches" = all ] && arches="x86_64 i686"
for arch in $arches; do
  dir=$root/build/$arch
  if [ ! -f "$dir/build.ninja" ]; then
    cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-mingw-$arch.cmake" >/dev/null
  fi
  cmake --build "$dir" "${targets[@]}" -- -k 0 | grep -vE '^(\[[0-9]+/[0-9]+\] |ninja: no work to do)' || true
  test "${PIPESTATUS[0]}" -eq 0
done
