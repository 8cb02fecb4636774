#!/usr/bin/env bash
# Signals in the selection form end to end: the real program inside tmux on a copy of
# the demo installation, the owners' list open (so that both work files exist). SIGTERM,
# SIGHUP, SIGINT and SIGQUIT each end it with 128 + the signal number, the work files
# removed and the terminal as it was. After a run killed outright (SIGKILL, which nothing can catch)
# the next start begins with an empty window stack and leaves no work file behind.
# Usage: signals_test.sh BUILD_DIR SOURCE_DIR
set -uo pipefail
source "$(dirname "$0")/tmux_harness.bash" "$1" "$2" signals
tmp="$root/TMP"
# The first owner in code order: the list's first line once it is filled.
first_code="$(printf '%04d' "$(tail -n +2 "$source_dir/demo/data/owners.csv" | sort -t, -k1,1n | sed -n 1p | cut -d, -f1)")"

# start: the program in a fresh tmux session; its process id in $work/pid.
start() {
  rm -f "$work/pid" "$work/exit_code" "$work/stty_before" "$work/stty_after"
  tmux kill-session -t "$tmux_session" 2>/dev/null
  # The server goes when its last session does; a start that meets it going tries again.
  local attempt
  for attempt in 1 2 3; do
    tmux new-session -d -s "$tmux_session" -x 100 -y 30 \
      "stty -g > '$work/stty_before'; cd '$work';
       ORBROOT='$root/' ORBEXE='$root/EXE/' ORBTMP='$tmp/' sh -c 'echo \$\$ > \"$work/pid\"; exec \"$rptcarry\"';
       echo \$? > '$work/exit_code'; stty -g > '$work/stty_after'; echo SIGNALS-TEST-DONE; sleep 60" &&
      break
    sleep 0.5
  done
  wait_for "Data de tancament:" || { fail "the selection form did not appear"; pane; return 1; }
}

# open_list: F4 on the first owner field; both work files exist then.
open_list() {
  tmux send-keys -t "$tmux_session" Enter
  sleep 0.3
  tmux send-keys -t "$tmux_session" F4
  wait_for "$first_code  " || { fail "F4 did not open the owners' list"; pane; return 1; }
  wait_for_file "$tmp/WinPush.tmp" && wait_for_file "$tmp/Browse.tmp" ||
    { fail "the work files are not there while the list is open"; return 1; }
}

for signal in TERM HUP INT QUIT; do
  start || continue
  open_list || continue
  kill -s "$signal" "$(cat "$work/pid")"
  wait_for "SIGNALS-TEST-DONE" || { fail "SIG$signal did not end the program"; pane; continue; }
  expected=$((128 + $(kill -l "$signal")))
  [ "$(cat "$work/exit_code")" = "$expected" ] ||
    fail "SIG$signal: exit code $(cat "$work/exit_code"), expected $expected"
  [ ! -e "$tmp/WinPush.tmp" ] || fail "SIG$signal left WinPush.tmp"
  [ ! -e "$tmp/Browse.tmp" ] || fail "SIG$signal left Browse.tmp"
  cmp -s "$work/stty_before" "$work/stty_after" || fail "SIG$signal: terminal settings not restored"
done

# Killed outright: the work files stay; the next run must not build on them.
if start && open_list; then
  kill -s KILL "$(cat "$work/pid")"
  wait_for "SIGNALS-TEST-DONE" || fail "SIGKILL did not end the program"
  [ -e "$tmp/WinPush.tmp" ] || fail "SIGKILL removed WinPush.tmp (nothing to test then)"
  start && {
    tmux send-keys -t "$tmux_session" Escape
    wait_for "SIGNALS-TEST-DONE" || { fail "the program did not end on Escape"; pane; }
    [ "$(cat "$work/exit_code")" = "0" ] || fail "after SIGKILL: exit code $(cat "$work/exit_code")"
    [ ! -e "$tmp/WinPush.tmp" ] || fail "the stale window stack was built on and left behind"
    [ ! -e "$tmp/Browse.tmp" ] || fail "the stale Browse.tmp was left behind"
  }
fi

[ "$failures" -eq 0 ] && echo "signals_test: all passed"
exit $((failures > 0))
