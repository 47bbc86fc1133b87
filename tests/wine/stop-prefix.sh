#!/usr/bin/env bash
# Ends the Wine server of this test run's prefix (only that one):  stop-prefix.sh <prefix>
export WINEPREFIX=$1 WINEDEBUG=-all
wineserver -k 2>/dev/null || true
