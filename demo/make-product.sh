#!/usr/bin/env bash
# Makes the demo's product folder from the text in demo/:
#
#   demo/make-product.sh <x86_64|i686> <wine prefix> <bin folder> <product folder>
#
#   <product folder>/ObjectGallery/*.ini     gallery descriptors     (copied from demo/product)
#   <product folder>/modules.ini             display names           (copied)
#   <product folder>/FilesToModules.ini      which module delivers which file (copied)
#   <product folder>/Modules/*.msm           built by msmbuild from demo/packages/modules
#   <product folder>/Vendor/*.msm            built by msmbuild from demo/packages/vendor
#
# The folder is made afresh.  msmbuild runs under Wine in the given prefix.
set -euo pipefail
demo=$(cd "$(dirname "$0")" && pwd)
arch=$1
prefix=$2
bin=$3
product=$4
run=$demo/../tests/wine/wine-run.sh

rm -rf "$product"
mkdir -p "$product"
cp -R "$demo/product/." "$product/"
for folder in modules vendor; do
  target=Modules
  [ "$folder" = vendor ] && target=Vendor
  "$run" "$arch" "$prefix" "$bin/msmbuild.exe" --dir "$demo/packages/$folder" -o "$product/$target"
done
