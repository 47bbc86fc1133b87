#!/usr/bin/env bash
# Brings a Debian machine to the point where the project builds and its tests run, for both
# architectures: 64-bit Wine and, through multiarch, 32-bit Wine (wine32:i386).
# Idempotent and quiet: prints nothing when everything is already in place, one line before
# it installs.  When 32-bit Wine cannot be had (a mirror out of step) it says so and goes on:
# the i686 suite is then skipped.
set -euo pipefail

packages=(g++-mingw-w64-x86-64 g++-mingw-w64-i686 mingw-w64-tools wine wine64 libwine-dev
          msitools googletest cmake ninja-build python3 gcab graphviz)
wine32=wine32:i386

installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }

want32=false
if [ "$(dpkg --print-architecture)" = amd64 ] && ! installed "$wine32"; then want32=true; fi
missing=()
for p in "${packages[@]}"; do installed "$p" || missing+=("$p"); done
[ ${#missing[@]} -eq 0 ] && [ $want32 = false ] && exit 0

sudo=""
if [ "$(id -u)" -ne 0 ]; then
  command -v sudo >/dev/null || { echo "setup: root or sudo is needed to install: ${missing[*]} ${wine32}" >&2; exit 1; }
  sudo="sudo"
fi

log=$(mktemp)
trap 'rm -f "$log"' EXIT
if [ $want32 = true ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
  $sudo dpkg --add-architecture i386
fi
# A mirror can be briefly out of step for one index while the lists we need are fine:
# retry the update, then let the install decide whether we have what we need.
update() {
  local attempt
  for attempt in 1 2 3; do
    if $sudo apt-get update -qq >>"$log" 2>&1; then return 0; fi
    sleep $((attempt * 5))
  done
  return 0
}
install() {
  [ $# -eq 0 ] && return 0
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "$@" >>"$log" 2>&1
}
# Install, and once more after a fresh update (which sometimes helps the install after it).
install_with_retry() { install "$@" || { update; install "$@"; }; }

wanted=("${missing[@]}")
[ $want32 = true ] && wanted+=("$wine32")
echo "setup: installing ${wanted[*]} (apt-get; some minutes)" >&2
update
# One transaction first, so that the 32-bit libraries come at the same point release as the
# 64-bit ones; without the 32-bit part when that cannot be had.
if ! install_with_retry "${wanted[@]}"; then
  if [ $want32 = true ] && install_with_retry "${missing[@]}"; then
    echo "setup: 32-bit Wine ($wine32) could not be installed; the i686 suite will be skipped" >&2
    tail -n 5 "$log" >&2
  else
    cat "$log" >&2
    echo "setup: could not install: ${wanted[*]}" >&2
    exit 1
  fi
fi
