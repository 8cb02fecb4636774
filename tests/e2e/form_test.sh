#!/usr/bin/env bash
# The selection form end to end: the real program inside tmux on a copy of the demo
# installation. A closing date and two owner codes are typed, the confirmation is
# answered S, and the print file must equal the batch entry's for the same selection;
# Escape then ends the program with exit code 0 and the terminal as it was. Once in a
# Catalan session and once in a Spanish one.
# Usage: form_test.sh BUILD_DIR SOURCE_DIR
set -uo pipefail
source "$(dirname "$0")/tmux_harness.bash" "$1" "$2" form
print_file="$root/TMP/orbprint.tmp"
# A print program that only notes that it ran, so that nothing waits for a printer.
rm -f "$root/EXE/ORBPRINT" "$root/EXE/orbprint"
printf '#!/bin/sh\necho ran >> "%s"\n' "$work/printed" > "$root/EXE/ORBPRINT"
chmod +x "$root/EXE/ORBPRINT"

# run_form LANGUAGE DATE_LABEL FROM TO
run_form() {
  local language="$1" date_label="$2" from="$3" to="$4"
  sed -i "s/^Idioma=.*/Idioma=$language\r/" "$root/TMP/VoraTerm.ini"
  rm -f "$print_file" "$work/printed" "$work/exit_code" "$work/stty_before" "$work/stty_after"
  tmux kill-session -t "$tmux_session" 2>/dev/null
  tmux new-session -d -s "$tmux_session" -x 100 -y 30 \
    "stty -g > '$work/stty_before'; cd '$work';
     ORBROOT='$root/' ORBEXE='$root/EXE/' ORBTMP='$root/TMP/' '$rptcarry';
     echo \$? > '$work/exit_code'; stty -g > '$work/stty_after'; echo FORM-TEST-DONE; sleep 60"
  wait_for "$date_label" || { fail "$language: the selection form did not appear"; pane; return; }
  # Date over the session date; the owner fields start with the cursor after the value.
  tmux send-keys -t "$tmux_session" "31/12/2026" Enter
  tmux send-keys -t "$tmux_session" BSpace "$from" Enter
  tmux send-keys -t "$tmux_session" BSpace BSpace BSpace BSpace "$to" Enter
  wait_for "Confirm" || { fail "$language: no confirmation window"; pane; return; }
  tmux send-keys -t "$tmux_session" "S" Enter
  wait_for_file "$work/printed" || fail "$language: the print program was not started"
  wait_for "$date_label" || fail "$language: the form did not come back after the report"
  sleep 0.3
  [ -s "$print_file" ] && cp "$print_file" "$work/form_print" || fail "$language: no print file"
  tmux send-keys -t "$tmux_session" Escape
  sleep 0.5
  tmux send-keys -t "$tmux_session" Escape
  wait_for "FORM-TEST-DONE" || { fail "$language: the program did not end on Escape"; pane; return; }
  [ "$(cat "$work/exit_code")" = "0" ] || fail "$language: exit code $(cat "$work/exit_code")"
  cmp -s "$work/stty_before" "$work/stty_after" || fail "$language: terminal settings not restored"
  pane | grep -qF "$date_label" && fail "$language: the form is still on the terminal"

  # The batch entry for the same selection in the same session.
  ORBROOT="$root/" ORBEXE="$root/EXE/" ORBTMP="$root/TMP/" \
    "$rptcarry" --date 31/12/2026 --from "$from" --to "$to" --no-print-program ||
    fail "$language: batch entry failed"
  cmp -s "$print_file" "$work/form_print" ||
    fail "$language: the form's print file differs from the batch entry's"
  grep -q "TOTAL" "$work/form_print" || fail "$language: the print file holds no total"
}

run_form CAT "Data de tancament:" 1 20
run_form SPA "Fecha de cierre:" 21 57
grep -q "PROPIETARIO" "$work/form_print" || fail "SPA: the report is not in Spanish"

[ "$failures" -eq 0 ] && echo "form_test: all passed"
exit $((failures > 0))
