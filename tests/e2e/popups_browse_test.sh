#!/usr/bin/env bash
# The owners' list and the help page end to end: the real program inside tmux on a copy
# of the demo installation. F4 on the first owner field opens the owners' list; Down
# twice and Enter put the third owner (in code order) into the field. F1 then shows the
# form's help page in its box; Escape closes it, two more leave the form, and the
# program ends with exit code 0, its work files gone and the terminal as it was.
# Usage: popups_browse_test.sh BUILD_DIR SOURCE_DIR
set -uo pipefail
source "$(dirname "$0")/tmux_harness.bash" "$1" "$2" popups

# The third owner in code order, and its name as the list shows it.
third="$(tail -n +2 "$source_dir/demo/data/owners.csv" | sort -t, -k1,1n | sed -n 3p)"
third_code="$(printf '%04d' "${third%%,*}")"
third_name="$(echo "$third" | cut -d, -f2- | sed -E 's/^"([^"]*)".*/\1/; t; s/,.*//')"
first_code="$(printf '%04d' "$(tail -n +2 "$source_dir/demo/data/owners.csv" | sort -t, -k1,1n | sed -n 1p | cut -d, -f1)")"

keys() { tmux send-keys -t "$tmux_session" "$@"; sleep 0.3; }

# 80 x 25: the help file's 80-byte records are lines of an 80-column screen.
tmux new-session -d -s "$tmux_session" -x 80 -y 25 \
  "stty -g > '$work/stty_before'; cd '$work';
   ORBROOT='$root/' ORBEXE='$root/EXE/' ORBTMP='$root/TMP/' '$rptcarry';
   echo \$? > '$work/exit_code'; stty -g > '$work/stty_after'; echo POPUPS-TEST-DONE; sleep 60"
wait_for "Data de tancament:" || { fail "the selection form did not appear"; pane; exit 1; }

keys Enter  # the date as it is; the cursor goes to the first owner field
keys F4
if wait_for "$first_code  "; then
  pane | grep -qF "CODI  NOM" || fail "the list has no heading"
  pane | grep -qF "$third_code  $third_name" || fail "the list does not show $third_code  $third_name"
  [ -e "$root/TMP/Browse.tmp" ] || fail "no Browse.tmp while the list is open"
else
  fail "F4 did not open the owners' list"; pane
fi
# The calendar over the list gives the list back with its cursor still hidden.
keys M-c
if wait_for "DL DT DC DJ DV DS DG"; then
  keys Escape
  wait_gone "DL DT DC DJ DV DS DG" || fail "the calendar over the list did not go away"
  [ "$(tmux display -p -t "$tmux_session" '#{cursor_flag}')" = "0" ] ||
    fail "the cursor shows over the list after the calendar"
else
  fail "Alt+C did not open the calendar over the list"
fi
keys Down
keys Down
keys Enter
wait_gone "CODI  NOM" || fail "the list did not close on Enter"
pane | grep -E "Del propietari: +$third_code" >/dev/null ||
  { fail "the first owner field does not hold $third_code"; pane; }
[ -e "$root/TMP/Browse.tmp" ] && fail "Browse.tmp is left after the list"

keys F1
if wait_for "RÒSSEC DE VERTICAL ENTRE PROPIETARIS"; then
  row4="$(pane | sed -n 4p)"
  [[ "$row4" == "╔"*"╗" ]] || fail "the help box does not start on row 4: '$row4'"
  pane | sed -n 22p | grep -q "^╚" || fail "the help box does not end on row 22"
else
  fail "F1 did not show the help page"; pane
fi
keys Escape
wait_gone "RÒSSEC DE VERTICAL ENTRE PROPIETARIS" || fail "Escape did not close the help page"
pane | grep -E "Del propietari: +$third_code" >/dev/null || fail "the form is not back after the help"

keys Escape
keys Escape
wait_for "POPUPS-TEST-DONE" || { fail "the program did not end on Escape"; pane; }
[ "$(cat "$work/exit_code" 2>/dev/null)" = "0" ] || fail "exit code $(cat "$work/exit_code" 2>/dev/null)"
cmp -s "$work/stty_before" "$work/stty_after" || fail "terminal settings not restored"
ls "$root/TMP" | grep -qi -e "^Browse.tmp$" -e "^WinPush.tmp$" && fail "work files left: $(ls "$root/TMP")"

[ "$failures" -eq 0 ] && echo "popups_browse_test: all passed"
exit $((failures > 0))
