#!/usr/bin/env bash
# The selection form waiting for a key while another program keeps updating the owners'
# file: the file's log stays at its usual size (the form holds no read snapshot over
# the wait), and the report the form then prints is the batch entry's for the same
# selection, as the updater left the file.
# Usage: idle_form_test.sh BUILD_DIR SOURCE_DIR
set -uo pipefail
source "$(dirname "$0")/tmux_harness.bash" "$1" "$2" idle
writer="$build/bin/bench_idle_wal"
[ -x "$writer" ] || skip "$writer has not been built"
print_file="$root/TMP/orbprint.tmp"
rm -f "$root/EXE/ORBPRINT" "$root/EXE/orbprint"
printf '#!/bin/sh\necho ran >> "%s"\n' "$work/printed" > "$root/EXE/ORBPRINT"
chmod +x "$root/EXE/ORBPRINT"
owners="$root/DADES/PropietV.dat"
limit=$((16 * 1024 * 1024))

tmux new-session -d -s "$tmux_session" -x 100 -y 30 \
  "cd '$work'; ORBROOT='$root/' ORBEXE='$root/EXE/' ORBTMP='$root/TMP/' '$rptcarry';
   echo \$? > '$work/exit_code'; echo IDLE-TEST-DONE; sleep 60"
wait_for "Data de tancament:" || { fail "the selection form did not appear"; pane; exit 1; }
# On the owner field, the owners' list (F4) opened and closed, then the form waits.
tmux send-keys -t "$tmux_session" "31/12/2026" Enter
sleep 0.3
tmux send-keys -t "$tmux_session" F4
sleep 0.5
tmux send-keys -t "$tmux_session" Escape
sleep 0.5

"$writer" --rewrite "$owners" 4 > "$work/writer" 2>&1 || fail "the writer failed: $(cat "$work/writer")"
largest=$(sed -n 's/.*largest log \([0-9]*\) bytes.*/\1/p' "$work/writer")
[ -n "$largest" ] && [ "$largest" -lt "$limit" ] ||
  fail "the owners' log grew to ${largest:-?} bytes beside the idle form ($(cat "$work/writer"))"

# The form goes on: the rest of the selection, confirmed.
tmux send-keys -t "$tmux_session" BSpace "1" Enter
tmux send-keys -t "$tmux_session" BSpace BSpace BSpace BSpace "9999" Enter
wait_for "Confirm" || { fail "no confirmation window"; pane; exit 1; }
tmux send-keys -t "$tmux_session" "S" Enter
wait_for_file "$work/printed" || fail "the print program was not started"
wait_for "Data de tancament:" || fail "the form did not come back after the report"
sleep 0.3
cp "$print_file" "$work/form_print" 2>/dev/null || fail "no print file"
tmux send-keys -t "$tmux_session" Escape
sleep 0.5
tmux send-keys -t "$tmux_session" Escape
wait_for "IDLE-TEST-DONE" || { fail "the program did not end on Escape"; pane; }
[ "$(cat "$work/exit_code" 2>/dev/null)" = "0" ] || fail "exit code $(cat "$work/exit_code" 2>/dev/null)"

ORBROOT="$root/" ORBEXE="$root/EXE/" ORBTMP="$root/TMP/" \
  "$rptcarry" --date 31/12/2026 --from 1 --to 9999 --no-print-program || fail "batch entry failed"
cmp -s "$print_file" "$work/form_print" || fail "the form's report differs from the batch entry's"

[ "$failures" -eq 0 ] && echo "idle_form_test: all passed ($(cat "$work/writer"))"
exit $((failures > 0))
