#!/usr/bin/env bash
# Runs a Windows program under Wine in the given prefix, with the loader of the architecture
# under test and in a working directory of its own (see qv_wine_apart):
#   wine-run.sh <x86_64|i686> <prefix> <program> [args]
# Never touches ~/.wine.  Debug channels are off so test output stays readable.
set -euo pipefail
source "$(dirname "$0")/../../scripts/wine-arch.sh"
arch=$1; export WINEPREFIX=$2; shift 2
export WINEDEBUG=-all
qv_wine_apart "$arch" "$@"
