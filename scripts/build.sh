#!/usr/bin/env bash
# Configures and builds the project for both Windows architectures, build/x86_64 and build/i686
# (both are run and tested under Wine).  Fails when any build fails.
# Usage: scripts/build.sh [x86_64|i686|all] [target...]   (no target: everything)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/progress.sh"
arches=${1:-all}
shift || true
targets=()
for target in "$@"; do targets+=(--target "$target"); done
[ "$arches" = all ] && arches="x86_64 i686"
failed=()
for arch in $arches; do
  case $arch in x86_64|i686) ;; *) echo "build: unknown architecture '$arch'" >&2; exit 2 ;; esac
  dir=$root/build/$arch
  if [ ! -f "$dir/build.ninja" ]; then
    echo "build $arch: configuring build/$arch" >&2
    cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-mingw-$arch.cmake" >/dev/null
  fi
  # One progress line; errors and warnings stay.  pipefail keeps cmake's status.
  if ! cmake --build "$dir" "${targets[@]}" -- -k 0 | qv_ninja_progress "build $arch"; then
    failed+=("$arch")
  fi
done
if [ ${#failed[@]} -gt 0 ]; then
  echo "build: FAILED for ${failed[*]}" >&2
  exit 1
fi
