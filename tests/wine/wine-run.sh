#!/usr/bin/env bash
# Runs a Windows program under Wine in the given prefix:  wine-run.sh <prefix> <program> [args]
# Never touches ~/.wine.  Debug channels are off so test output stays readable.
set -euo pipefail
prefix=$1; shift
export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
exec wine "$@"
