# Wine by architecture, sourced by every script that starts a Windows program.
#
# Where 32-bit Wine is installed, plain `wine` is the 32-bit loader: a builtin such as cscript,
# regsvr32 or reg then runs as a 32-bit program whatever it is meant to talk to.  So nothing
# here calls `wine`; each program is started by the loader of the architecture it is for.
#
#   qv_wine_loader <arch>          the loader's path (x86_64 or i686), or fails
#   qv_windows_path <path>         the DOS path Wine gives a Unix path (drive Z: is the root)
#   qv_wine_missing_reason <arch>  one line saying why that loader is not there
#   qv_wine <arch> <program> ...   runs a program (WINEPREFIX must be set)
#   qv_wine_apart <arch> <program> ...  the same, in a working directory of its own
#   qv_prefix_ready <arch>         true when $WINEPREFIX exists and can run <arch> programs
#   qv_make_prefix <arch>          (re)makes $WINEPREFIX unless it is ready for <arch>
#   qv_make_fresh_prefix <arch>    always makes $WINEPREFIX anew

qv_wine_loader() {
  local candidates=()
  case $1 in
    x86_64) candidates=(/usr/lib/wine/wine64 /usr/lib64/wine/wine64 /opt/wine-stable/bin/wine64) ;;
    i686) candidates=(/usr/lib/wine/wine /usr/lib/i386-linux-gnu/wine/wine /opt/wine-stable/bin/wine) ;;
    *) echo "unknown architecture '$1' (x86_64 or i686)" >&2; return 2 ;;
  esac
  local candidate
  for candidate in "${candidates[@]}"; do
    # Installed is not enough: some kernels (some virtual machines among them) refuse 32-bit
    # programs, and the loader then cannot even start.
    [ -x "$candidate" ] && "$candidate" --version >/dev/null 2>&1 && { echo "$candidate"; return 0; }
  done
  # Outside Debian's layout the 64-bit loader is usually on the PATH as wine64.
  if [ "$1" = x86_64 ] && command -v wine64 >/dev/null; then command -v wine64; return 0; fi
  return 1
}

qv_wine_missing_reason() {
  local installed
  case $1 in
    i686) installed=/usr/lib/wine/wine ;;
    *) installed=/usr/lib/wine/wine64 ;;
  esac
  if [ -x "$installed" ]; then
    local refusal
    refusal=$("$installed" --version 2>&1 | tail -n 1)
    echo "$installed is installed but cannot start (${refusal##*: }): this machine's kernel" \
         "does not run $1 Linux programs"
    return 0
  fi
  case $1 in
    i686) echo "32-bit Wine is not installed (dpkg --add-architecture i386; apt-get install wine32:i386)" ;;
    *) echo "64-bit Wine is not installed (apt-get install wine64)" ;;
  esac
}

# Not `winepath`: that wrapper starts whichever loader plain `wine` is.
qv_windows_path() {
  local path
  path=$(realpath -m "$1")
  printf 'Z:%s\n' "${path//\//\\}"
}

qv_wine() {
  local loader
  loader=$(qv_wine_loader "$1") || { echo "$(qv_wine_missing_reason "$1")" >&2; return 127; }
  shift
  WINEDEBUG=${WINEDEBUG:--all} WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=} \
    "$loader" "$@"
}

# Wine's installer automation object hands the open mode of OpenDatabase to MsiOpenDatabase as
# the path of a copy to work on: every package read through it is copied to a file named "0" in
# the current directory, and two programs reading packages in one directory trip over each
# other's copy (a sharing violation: the package "cannot be opened").  Programs that may read
# packages side by side therefore each run in a scratch directory, removed afterwards.
qv_wine_apart() {
  local arch=$1 program=$2 scratch status=0
  shift 2
  case $program in */*) [ "${program#/}" != "$program" ] || program=$PWD/$program ;; esac
  # Exit 125 and a line on stderr when the scratch directory cannot be made: never an exit code
  # that the program itself could have given.
  scratch=$(mktemp -d "${TMPDIR:-/tmp}/qv-wine-run.XXXXXX") || {
    echo "qv_wine_apart: cannot make a scratch directory under ${TMPDIR:-/tmp}" >&2
    return 125
  }
  (cd "$scratch" && qv_wine "$arch" "$program" "$@") || status=$?
  rm -rf "$scratch" || echo "qv_wine_apart: could not remove $scratch" >&2
  return $status
}

# A prefix made before 32-bit Wine was installed has an empty syswow64 and cannot start a
# 32-bit program ("could not load kernel32.dll"); one made by a 32-bit-only Wine has no 64-bit
# system folder.  Both prefixes of this project are 64-bit ones, the i686 one with WoW64.
qv_prefix_ready() {
  local windows=$WINEPREFIX/drive_c/windows
  grep -q '^#arch=win64' "$WINEPREFIX/system.reg" 2>/dev/null || return 1
  [ -f "$windows/system32/kernel32.dll" ] || return 1
  [ "$1" != i686 ] || [ -f "$windows/syswow64/kernel32.dll" ]
}

qv_make_fresh_prefix() {
  if [ -d "$WINEPREFIX" ]; then
    wineserver -k 2>/dev/null || true
    rm -rf "$WINEPREFIX"
  fi
  mkdir -p "$(dirname "$WINEPREFIX")"
  WINEARCH=win64 qv_wine x86_64 wineboot -i >/dev/null 2>&1 || true
  wineserver -w
  qv_prefix_ready "$1" || {
    echo "the Wine prefix $WINEPREFIX cannot run $1 programs: $(qv_wine_missing_reason "$1")" >&2
    return 1
  }
}

qv_make_prefix() {
  qv_prefix_ready "$1" && return 0
  [ -d "$WINEPREFIX" ] && echo "remaking the Wine prefix $WINEPREFIX: it cannot run $1 programs" >&2
  qv_make_fresh_prefix "$1"
}
