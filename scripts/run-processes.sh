#!/usr/bin/env bash
# Finds and stops the processes one run of a script started, wherever they
# went: a script exports TICKWELL_RUN_ID, and every process it starts, also
# those that leave its process group (setsid Xvfb, the wineserver, Wine's
# services), inherits it in its environment.
#
# Usage: scripts/run-processes.sh list ID   the PIDs that carry ID, one a line
#        scripts/run-processes.sh stop ID   stops them (TERM, then KILL after 5 s)
# The caller and this script itself carry the ID too and are left out.
set -uo pipefail
command=${1:-}
id=${2:-}
if [ -z "$id" ] || { [ "$command" != list ] && [ "$command" != stop ]; }; then
  echo "usage: $0 list|stop ID" >&2
  exit 2
fi
marker="TICKWELL_RUN_ID=$id"

# The parent PID of a process (after the name in brackets, which may hold
# blanks).
parent_of() {
  local stat
  stat=$(cat "/proc/$1/stat" 2>/dev/null) || return 1
  stat=${stat##*) }
  set -- $stat
  echo "$2"
}

carriers() {
  local dir pid parent
  for dir in /proc/[0-9]*; do
    pid=${dir#/proc/}
    [ "$pid" = $$ ] || [ "$pid" = "$PPID" ] && continue
    parent=$(parent_of "$pid") || continue
    [ "$parent" = $$ ] && continue  # this script's own pipelines
    # Kernel threads and processes that end meanwhile have no environment.
    if { tr '\0' '\n' <"$dir/environ"; } 2>/dev/null | grep -qxF "$marker"; then
      echo "$pid"
    fi
  done
}

if [ "$command" = list ]; then
  carriers
  exit 0
fi

alive() {  # the PIDs given that still run (zombies have ended)
  local pid state
  for pid in "$@"; do
    state=$(cat "/proc/$pid/stat" 2>/dev/null) || continue
    state=${state##*) }
    [ "${state%% *}" = Z ] || echo "$pid"
  done
}

# Two rounds, for processes that start others while they are stopped (a
# wineserver's services): TERM, up to 5 s for them to end, then KILL.
for _ in 1 2; do
  pids=$(carriers)
  [ -z "$pids" ] && exit 0
  # shellcheck disable=SC2086
  kill -TERM $pids 2>/dev/null
  for _ in $(seq 50); do
    # shellcheck disable=SC2086
    [ -z "$(alive $pids)" ] && break
    sleep 0.1
  done
  # shellcheck disable=SC2086
  pids=$(alive $pids)
  # shellcheck disable=SC2086
  [ -n "$pids" ] && kill -KILL $pids 2>/dev/null
  sleep 0.2
done
exit 0
