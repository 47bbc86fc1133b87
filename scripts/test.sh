#!/usr/bin/env bash
# Sets up the machine if needed, builds both architectures and runs every test under Wine.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
"$root/scripts/build.sh" all
cd "$root/build/x86_64"
ctest --output-on-failure -j2 "$@"
