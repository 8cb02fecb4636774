#!/usr/bin/env bash
# The terminal's edges, on a real terminal in tmux: a terminal whose terminfo has padding
# and no colours (TERM=vt100) gets no raw padding marks, shows the owners' list and the
# calendar highlight in reverse video and is left blank; Escape leaves the request to
# enlarge a terminal that is too small; a terminal enlarged while the form is up keeps
# nothing of the form after leaving; ESC TAB (the Linux console's Shift+Tab) moves back.
# Usage: terminal_edges_test.sh BUILD_DIR SOURCE_DIR
set -uo pipefail
source "$(dirname "$0")/tmux_harness.bash" "$1" "$2" edges
esc=$'\e'

# start COLUMNS ROWS [TERM]: the program in a fresh tmux session, its exit code noted.
start() {
  local columns="$1" rows="$2" term="${3:-}"
  rm -f "$work/exit_code"
  tmux kill-session -t "$tmux_session" 2>/dev/null
  tmux new-session -d -s "$tmux_session" -x "$columns" -y "$rows" \
    "cd '$work'; ${term:+TERM=$term} ORBROOT='$root/' ORBEXE='$root/EXE/' ORBTMP='$root/TMP/' '$rptcarry';
     echo \$? > '$work/exit_code'; echo EDGES-DONE; sleep 60"
}
ended() {  # ended WHAT: the program has ended with exit code 0
  wait_for "EDGES-DONE" || { fail "$1: the program did not end"; pane; return 1; }
  [ "$(cat "$work/exit_code")" = "0" ] || fail "$1: exit code $(cat "$work/exit_code")"
}
# The code of the owner the list highlights in reverse video, if any.
reversed_owner() {
  tmux capture-pane -e -p -t "$tmux_session" | grep -o "${esc}\[7m[0-9]\{4\} " | head -1 |
    grep -o '[0-9]\{4\}'
}
cursor_row() { tmux display-message -p -t "$tmux_session" '#{cursor_y}'; }
# until COMMAND...: until the command succeeds, for at most ten seconds.
until_true() {
  local tries=100
  while [ "$tries" -gt 0 ]; do
    "$@" && return 0
    sleep 0.1
    tries=$((tries - 1))
  done
  return 1
}
row_is() { [ "$(cursor_row)" = "$1" ]; }
row_is_not() { [ "$(cursor_row)" != "$1" ]; }
owner_reversed() { [ -n "$(reversed_owner)" ]; }
owner_reversed_other_than() { local now; now=$(reversed_owner); [ -n "$now" ] && [ "$now" != "$1" ]; }
day_reversed() { tmux capture-pane -e -p -t "$tmux_session" | grep -q "${esc}\[7m$1${esc}"; }

# A terminal without colours, whose terminfo strings carry padding.
start 100 30 vt100
wait_for "Data de tancament:" || { fail "vt100: no form"; pane; }
tmux send-keys -t "$tmux_session" Escape
if ended "vt100"; then
  pane | grep -qF '$<' && fail "vt100: padding marks printed raw: $(pane | grep -F '$<')"
  pane | grep -q "propietari" && fail "vt100: the form is left on the shell's screen"
fi

start 100 30 vt100
wait_for "Data de tancament:" || { fail "vt100: no form"; pane; }
first_row=$(cursor_row)
tmux send-keys -t "$tmux_session" Enter
until_true row_is_not "$first_row" || fail "Enter did not move to the next field"
tmux send-keys -t "$tmux_session" -H 1b 09
until_true row_is "$first_row" || fail "ESC TAB did not move back to the first field"
tmux send-keys -t "$tmux_session" Enter
until_true row_is_not "$first_row" || fail "Enter did not move to the next field again"
tmux send-keys -t "$tmux_session" F4
wait_for "CODI" || fail "vt100: no owners' list"
until_true owner_reversed || fail "vt100: the owners' list highlights no owner in reverse video"
first=$(reversed_owner)
tmux send-keys -t "$tmux_session" Down
until_true owner_reversed_other_than "$first" ||
  fail "vt100: Down did not move the reverse highlight from $first"
tmux send-keys -t "$tmux_session" Escape
wait_gone "CODI" || fail "vt100: the owners' list did not close"
tmux send-keys -t "$tmux_session" M-c
wait_for "2026" || fail "vt100: no calendar"
until_true day_reversed 31 || fail "vt100: the calendar does not show the working day in reverse video"
# Escape closes the calendar, goes back to the first field and leaves.
for _ in 1 2 3 4; do
  pane | grep -q "EDGES-DONE" && break
  tmux send-keys -t "$tmux_session" Escape
  sleep 0.5
done
ended "vt100: Escape from the calendar"

# Escape leaves the request to enlarge the terminal.
start 100 30
wait_for "Data de tancament:" || fail "small: no form"
tmux resize-window -t "$tmux_session" -x 60 -y 20
wait_for "massa petita" || fail "small: no request to enlarge the terminal"
tmux send-keys -t "$tmux_session" Escape
ended "small: Escape on the request to enlarge"

# Too small at first, then enlarged: leaving keeps nothing of the form.
start 60 20
wait_for "massa petita" || fail "enlarged: no request to enlarge the terminal"
tmux resize-window -t "$tmux_session" -x 100 -y 30
wait_for "Data de tancament:" || fail "enlarged: no form after enlarging"
tmux send-keys -t "$tmux_session" Escape
if ended "enlarged"; then
  pane | grep -q "propietari\|Data de" && fail "enlarged: pieces of the form on the shell's screen"
fi

[ "$failures" -eq 0 ] && echo "terminal_edges_test: all passed"
exit $((failures > 0))
