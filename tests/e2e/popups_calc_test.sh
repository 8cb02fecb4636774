#!/usr/bin/env bash
# The calendar and calculator pop-ups end to end: the real program inside tmux on a copy
# of the demo installation. Alt+C, Right, F puts the day after the session's work date in
# the closing date field; Alt+X, 1 2 + 3 0 =, F types 4200 into the first owner field and
# leaves the calculator's memory file in the terminal directory. Escape twice then ends
# the program with exit code 0 and the terminal as it was.
# Usage: popups_calc_test.sh BUILD_DIR SOURCE_DIR
set -uo pipefail
source "$(dirname "$0")/tmux_harness.bash" "$1" "$2" popups
rm -f "$root/TMP/ORBCALC.TMP"

keys() { tmux send-keys -t "$tmux_session" "$@"; }

# The day after the work date of the demo session, as the calendar gives it (d/m/yyyy).
work_date="$(sed -n 's/^Data=\([0-9]\{8\}\).*/\1/p' "$root/TMP/VoraTerm.ini" | head -1)"
[ -n "$work_date" ] || { echo "FAIL: no work date in the demo session"; exit 1; }
next_day="$(date -d "$work_date + 1 day" +%-d/%-m/%Y)"
next_year="$(date -d "$work_date + 1 day" +%Y)"

tmux new-session -d -s "$tmux_session" -x 100 -y 30 \
  "stty -g > '$work/stty_before'; cd '$work';
   ORBROOT='$root/' ORBEXE='$root/EXE/' ORBTMP='$root/TMP/' '$rptcarry';
   echo \$? > '$work/exit_code'; stty -g > '$work/stty_after'; echo POPUPS-TEST-DONE; sleep 60"
wait_for "Data de tancament:" || { fail "the selection form did not appear"; pane; exit 1; }

# Calendar: the work date's quarter, one day on, chosen.
keys M-c
wait_for "DL DT DC DJ DV DS DG" || { fail "Alt+C did not open the calendar"; pane; }
keys Right
wait_for " $next_year " || fail "the calendar does not show the year of $next_day"
keys F
wait_gone "DL DT DC DJ DV DS DG" || fail "the calendar did not go away"
wait_for "Data de tancament: $next_day" ||
  { fail "the calendar did not type $next_day into the date field"; pane; }

# Calculator: 12 + 30 = 42, handed over as 4200 into the first owner field.
keys Enter
sleep 0.3
keys BSpace
keys M-x
wait_for "└────────────────────────┘" || { fail "Alt+X did not open the calculator"; pane; }
keys 1 2 + 3 0 =
wait_for "42  │" || { fail "the calculator does not show 42"; pane; }
pane | grep -qF "12 +│" || fail "the tape does not show 12 +"
pane | grep -qF "30 =│" || fail "the tape does not show 30 ="
keys F
wait_gone "└────────────────────────┘" || fail "the calculator did not go away"
wait_for "Del propietari:    4200" ||
  { fail "the calculator did not type 4200 into the owner field"; pane; }
head -1 "$root/TMP/ORBCALC.TMP" 2>/dev/null | grep -q "^1,20,42,42" ||
  fail "the calculator's memory file was not written in the terminal directory"
pane | grep -qF "Data de tancament: $next_day" || fail "the date field lost its value"

keys Escape
sleep 0.5
keys Escape
wait_for "POPUPS-TEST-DONE" || { fail "the program did not end on Escape"; pane; }
[ "$(cat "$work/exit_code" 2>/dev/null)" = "0" ] ||
  fail "exit code $(cat "$work/exit_code" 2>/dev/null)"
cmp -s "$work/stty_before" "$work/stty_after" || fail "terminal settings not restored"
[ -e "$root/TMP/WinPush.tmp" ] && fail "the window stack file was left behind"

[ "$failures" -eq 0 ] && echo "popups_calc_test: all passed"
exit $((failures > 0))
