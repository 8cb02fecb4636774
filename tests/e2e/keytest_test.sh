#!/usr/bin/env bash
# keytest_test.sh BUILD_DIR SOURCE_DIR: runs rptcarry --keytest inside tmux, types keys
# with send-keys and reads the screen back: each key must show the code the forms
# expect, Escape twice must end it with exit code 0 (SIGTERM with 128 + 15), and the
# terminal must be given back as it was (cursor shown, mouse reporting off, keypad mode
# off, main screen).
# Also prints the processor time the program used while waiting for a key.
set -euo pipefail
build="$(cd "$1" && pwd)"
program="$build/bin/rptcarry"
if ! command -v tmux >/dev/null; then
  echo "tmux not installed: key test skipped"
  exit 0
fi

work="$(mktemp -d)"
socket="orb-keytest-$$"
tmx() { tmux -L "$socket" -f "$work/tmux.conf" "$@"; }
cleanup() {
  tmx kill-server 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

cat >"$work/tmux.conf" <<'CONF'
set -g escape-time 10
set -g default-terminal tmux-256color
CONF
term=tmux-256color
infocmp "$term" >/dev/null 2>&1 || term=xterm-256color

# The shell stays after the program so that the terminal's state can be read.
tmx -u new-session -d -s keytest -x 100 -y 30 \
  "env TERM=$term '$program' --keytest; echo \$? >'$work/status'; exec sleep 600"
session=keytest
screen() { tmx capture-pane -p -t "$session"; }
wait_for() {  # wait_for TEXT: up to 5 s for TEXT on the screen
  for _ in $(seq 50); do
    screen | grep -qF -- "$1" && return 0
    sleep 0.1
  done
  return 1
}
wait_for "Prova del teclat" || { screen; fail "the key test screen did not appear"; exit 1; }

# Idle processor time over 5 s (utime + stime of the process, in clock ticks).
pid="$(pgrep -P "$(tmx display -p -t keytest '#{pane_pid}')" | head -1 || true)"
ticks() { awk '{ print $14 + $15 }' "/proc/$pid/stat"; }
if [ -n "$pid" ] && [ -r "/proc/$pid/stat" ]; then
  before="$(ticks)"
  sleep 5
  after="$(ticks)"
  echo "idle CPU while waiting for a key: $((after - before)) ticks of 1/$(getconf CLK_TCK) s in 5 s"
fi

expect_key() {  # expect_key TMUX-KEY LINE
  tmx send-keys -t "$session" "$1"
  wait_for "$2" || fail "$1 should show '$2'"
}
expect_key F1 "tecla 3b00   ShiftState 0000"
expect_key S-F3 "tecla 3d00   ShiftState 0010 Shift"
expect_key C-Right "tecla 4d00   ShiftState 0008 Ctrl"
expect_key M-f "tecla 2100   ShiftState 0002 Alt"
expect_key Home "tecla 4700   ShiftState 0000"
expect_key "ç" "tecla 87     ShiftState 0000"
expect_key DC "tecla 5300   ShiftState 0000"
# A mouse press and release at row 5, column 12, as the terminal reports them (SGR form).
tmx send-keys -t keytest -H $(printf '\033[<0;12;5M\033[<0;12;5m' | od -An -tx1)
wait_for "premut esquerre      fila 5 columna 12" || fail "mouse press not shown"
wait_for "deixat anar esquerre fila 5 columna 12" || fail "mouse release not shown"

# Waits for the program to end and checks its exit code and the terminal's state.
check_restored() {  # check_restored STATUS-FILE WHAT [EXIT-CODE]
  local expected="${3:-0}"
  for _ in $(seq 50); do
    [ -s "$1" ] && break
    sleep 0.1
  done
  local status state
  status="$(cat "$1" 2>/dev/null || echo none)"
  state="$(tmx display -p -t "$session" \
    'cursor=#{cursor_flag} mouse=#{mouse_any_flag} keypad=#{keypad_flag} alternate=#{alternate_on}')"
  [ "status=$status $state" = "status=$expected cursor=1 mouse=0 keypad=0 alternate=0" ] ||
    fail "$2: status=$status $state (expected exit code $expected and the terminal given back)"
}

tmx send-keys -t keytest Escape
sleep 0.2
tmx send-keys -t keytest Escape
check_restored "$work/status" "after Escape twice"

# The other terminal description, ended by SIGTERM while it waits.
session=keyterm
tmx -u new-session -d -s keyterm -x 100 -y 30 \
  "env TERM=xterm-256color '$program' --keytest; echo \$? >'$work/status2'; exec sleep 600"
wait_for "Prova del teclat" || fail "the key test screen did not appear under xterm-256color"
expect_key F12 "tecla 5800   ShiftState 0000"
expect_key C-S-Up "tecla 4800   ShiftState 0018 Shift+Ctrl"
pid="$(pgrep -P "$(tmx display -p -t keyterm '#{pane_pid}')" | head -1 || true)"
[ -n "$pid" ] && kill -TERM "$pid"
check_restored "$work/status2" "after SIGTERM" $((128 + 15))

if [ "$failures" -ne 0 ]; then
  echo "--- screen ---"; screen
  exit 1
fi
echo "key test passed"
