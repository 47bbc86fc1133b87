#!/usr/bin/env bash
# Brings a Debian machine to the point where the project builds and its tests run.
# Idempotent and quiet: prints nothing when everything is already in place.
set -euo pipefail

packages=(g++-mingw-w64-x86-64 g++-mingw-w64-i686 mingw-w64-tools wine wine64 libwine-dev
          msitools googletest cmake ninja-build python3)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
if [ "$(id -u)" -ne 0 ]; then
  command -v sudo >/dev/null || { echo "setup: root or sudo is needed to install: ${missing[*]}" >&2; exit 1; }
  sudo="sudo"
fi

log=$(mktemp)
trap 'rm -f "$log"' EXIT
# A mirror can be briefly out of step for one index while the lists we need are fine:
# retry the update, then let the install decide whether we have what we need.
for attempt in 1 2 3; do
  if $sudo apt-get update -qq >>"$log" 2>&1; then break; fi
  sleep $((attempt * 5))
done
if ! DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}" >>"$log" 2>&1; then
  # A retried update sometimes helps the install that follows it.
  $sudo apt-get update -qq >>"$log" 2>&1 || true
  if ! DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}" >>"$log" 2>&1; then
    cat "$log" >&2
    echo "setup: could not install: ${missing[*]}" >&2
    exit 1
  fi
fi
