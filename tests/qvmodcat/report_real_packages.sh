#!/usr/bin/env bash
# What qvmodcat reports on a folder of packages, as JSON for check_real_packages.py:
#
#   report_real_packages.sh <x86_64|i686> <wine prefix> <bin folder> <package folder> <report folder>
#
#   <report folder>/catalog.json          show --all --resolve over a catalog of the folder
#   <report folder>/inspect/<name>.json   inspect --resolve of each package <name>.msm
#
# The environment has no lookup files and no gallery: only the packages speak.
set -euo pipefail
arch=$1
prefix=$2
bin=$3
packages=$4
reports=$5
run=$(cd "$(dirname "$0")/../wine" && pwd)/wine-run.sh
export QV_STANDIN_KEY='Software\Quorvane\Showloom\StandInTests\qvmodcat_real'

rm -rf "$reports"
mkdir -p "$reports/inspect" "$reports/empty"
empty=$reports/empty
options=(--search-path "$packages" --extra-path "" --product-folder "$empty"
         --modules-ini "$empty" --files-ini "$empty" --exclude "" --preferred-language ""
         --no-match-version --no-match-folder --project-type 0)
qvmodcat() { "$run" "$arch" "$prefix" "$bin/qvmodcat.exe" "${options[@]}" "$@"; }

qvmodcat --json show --all --resolve > "$reports/catalog.json"
for package in "$packages"/*.msm; do
  qvmodcat --json inspect "$package" --resolve > "$reports/inspect/$(basename "$package" .msm).json"
done
echo "reports of $(ls "$reports/inspect" | wc -l) packages in $reports"
