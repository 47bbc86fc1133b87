# What a long script is doing, for the person waiting: phases with the time since the first
# script of the run started (QV_STARTED, exported, so build.sh called by demo.sh counts on),
# and a build's progress on one line.  Sourced by demo.sh, build.sh and the qvmodcat launcher.
#
#   qv_phase <text>               "[ 12 s] text" on standard error
#   qv_ninja_progress <what>      filters ninja's output: its "[n/N] ..." lines become one line
#                                 "<what>: n/N, 45 s", rewritten in place at a terminal and
#                                 written at every tenth elsewhere; other lines (errors,
#                                 warnings) go on to standard output, but for cmake's "-- "
#                                 status lines when it configures again

if [ -z "${QV_STARTED:-}" ]; then
  printf -v QV_STARTED '%(%s)T' -1
  export QV_STARTED
fi

qv_elapsed() {
  local now
  printf -v now '%(%s)T' -1
  echo $((now - QV_STARTED))
}

qv_phase() { printf '[%3d s] %s\n' "$(qv_elapsed)" "$*" >&2; }

qv_ninja_progress() {
  local what=$1 line step shown=-1 terminal=false
  [ -t 2 ] && terminal=true
  while IFS= read -r line; do
    if [[ $line =~ ^\[([0-9]+)/([0-9]+)\]\  ]]; then
      step="$what: ${BASH_REMATCH[1]}/${BASH_REMATCH[2]}, $(qv_elapsed) s"
      if $terminal; then
        printf '\r\033[K%s' "$step" >&2
      elif ((BASH_REMATCH[1] * 10 / BASH_REMATCH[2] != shown)); then
        shown=$((BASH_REMATCH[1] * 10 / BASH_REMATCH[2]))
        echo "$step" >&2
      fi
    elif [[ $line != "ninja: no work to do." && $line != "-- "* ]]; then  # not cmake's chatter
      $terminal && printf '\r\033[K' >&2
      echo "$line"
    fi
  done
  if $terminal && [ -n "${step:-}" ]; then printf '\r\033[K%s\n' "$step" >&2; fi
  return 0
}
