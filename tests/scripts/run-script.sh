#!/usr/bin/env bash
# Runs one test script under Wine's cscript of the architecture under test:
#   run-script.sh <x86_64|i686> <prefix> <script> [args...]
#
# The shared libraries (lib/*.vbs or lib/*.js by the script's extension, in name order) are put
# in front of the script in a temporary copy: Wine's VBScript has no ExecuteGlobal, so a script
# cannot load them itself.
#
# Passes when cscript exits with 0 AND the last line is the library's closing line
# ("<N> passed, 0 failed"): Wine's cscript ends a script that stops on an unhandled error
# silently with exit code 0, which must not count as a pass.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
arch=$1; prefix=$2; script=$3; shift 3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
combined=$work/$(basename "$script")
cat "$here"/lib/*."${script##*.}" "$script" > "$combined"
windows_script="Z:${combined//\//\\}"
output=$("$here/../wine/wine-run.sh" "$arch" "$prefix" cscript //nologo "$windows_script" "$@" 2>&1 | tr -d '\r')
code=$?
printf '%s\n' "$output"
if [ $code -ne 0 ]; then
  echo "cscript exited with $code"
  exit 1
fi
last=$(printf '%s\n' "$output" | grep -v '^$' | tail -n 1)
if ! [[ $last =~ ^[0-9]+\ passed,\ 0\ failed$ ]]; then
  echo "the script stopped before its end (a syntax or unhandled script error?)"
  exit 1
fi
