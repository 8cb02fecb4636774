#!/usr/bin/env bash
# The batch entry of rptcarry on a copy of the demo installation: a report with and
# without the print program, the selection checks (exit code 2), a print file that
# cannot be created or written whole (exit code 1), a print program that cannot be
# started or fails (exit code 4), and the work directory checked at start.
# Usage: batch_report.sh BUILD_DIR SOURCE_DIR
set -uo pipefail
source "$(dirname "$0")/demo_harness.bash" "$1" "$2"
print_file="$work/demo/TMP/orbprint.tmp"

# A fake print program that records that it ran and what it found, and ends with the
# exit code in $work/print_status (0 when there is none).
mv "$work/demo/EXE/orbprint" "$work/real_orbprint"
rm -f "$work/demo/EXE/ORBPRINT"
cat > "$work/demo/EXE/ORBPRINT" <<SCRIPT
#!/usr/bin/env bash
echo "ran \$# \$(head -c 6 "$print_file")" > "$work/printed"
exit \$(cat "$work/print_status" 2>/dev/null || echo 0)
SCRIPT
chmod +x "$work/demo/EXE/ORBPRINT"

run() {  # expected_code args...
  local expected="$1"; shift
  "$rptcarry" "$@" >"$work/out" 2>"$work/err"
  local code=$?
  [ "$code" -eq "$expected" ] || fail "rptcarry $* gave exit code $code, expected $expected ($(cat "$work/err"))"
}

# A whole report; the print program is started with no arguments.
run 0 --date 31/12/2026 --from 1 --to 9999
head -c 16 "$print_file" | grep -q "^DEVICEPANTALLA" || fail "print file does not start with the device line"
grep -q "TOTAL" "$print_file" || fail "print file holds no total"
[ "$(tr -d '\r' < "$print_file" | grep -c '^PAGE 66 $')" -ge 1 ] || fail "no page line"
grep -q "^ran 0 DEVICE" "$work/printed" 2>/dev/null || fail "print program not started on the file"
cp "$print_file" "$work/first"

# Without the print program.
rm -f "$work/printed"
run 0 --date 31/12/2026 --from 1 --to 9999 --no-print-program
[ ! -e "$work/printed" ] || fail "print program started despite --no-print-program"

# A print program that fails: exit code 4, and the message gives its status.
echo 3 > "$work/print_status"
run 4 --date 31/12/2026 --from 1 --to 9999
grep -q "ESTAT 3" "$work/err" || fail "a failing print program is not told: $(cat "$work/err")"
rm -f "$work/print_status"

# The directories may be given without their trailing separator.
ORBROOT="$work/demo" ORBEXE="$work/demo/EXE" ORBTMP="$work/demo/TMP" \
  run 0 --date 31/12/2026 --from 1 --to 9999
cmp -s "$print_file" "$work/first" || fail "directories without a separator gave another report"

# The real print program on a device that cannot be written: exit code 4, a message
# naming the file and the system's reason, in the session's language.
cp "$work/real_orbprint" "$work/demo/EXE/ORBPRINT"
cp "$work/demo/TMP/VoraTerm.ini" "$work/VoraTerm.saved"
sed -i 's|^Sortida=.*|Sortida=PDF:/nonexistent/dir/r.pdf\r|' "$work/demo/TMP/VoraTerm.ini"
run 4 --date 31/12/2026 --from 1 --to 9999
grep -q "no es pot escriure /nonexistent/dir/r.pdf: No such file or directory" "$work/err" ||
  fail "the print program's failure is not told: $(cat "$work/err")"
sed -i 's|^Sortida=.*|Sortida=PDF:r.pdf\r|' "$work/demo/TMP/VoraTerm.ini"
run 0 --date 31/12/2026 --from 1 --to 9999
grep -q "escrites a $work/demo/TMP/r.pdf" "$work/out" || fail "PDF outcome: $(cat "$work/out")"
cp "$work/VoraTerm.saved" "$work/demo/TMP/VoraTerm.ini"

# A print program that cannot be started: exit code 4 and a message naming it.
rm -f "$work/demo/EXE/ORBPRINT"
run 4 --date 31/12/2026 --from 1 --to 9999
grep -q "$work/demo/EXE/ORBPRINT: No such file or directory" "$work/err" ||
  fail "a missing print program is not told: $(cat "$work/err")"
ORBEXE= run 4 --date 31/12/2026 --from 1 --to 9999
grep -q "ORBEXE" "$work/err" || fail "an unset ORBEXE is not told: $(cat "$work/err")"

# A blank date takes the working date, as on the form (same report as 31/12/2026).
cp "$print_file" "$work/explicit"
run 0 --date "" --from 1 --to 9999 --no-print-program
cmp -s "$print_file" "$work/explicit" || fail "a blank date did not take the working date"

# From = To: one owner only.
first_owner=$(sed -n 2p "$source_dir/demo/data/owners.csv" | cut -d, -f1)
run 0 --date 31/12/2026 --from "$first_owner" --to "$first_owner" --no-print-program
[ "$(tr -d '\r' < "$print_file" | grep -c ',TOTAL ')" -eq 1 ] || fail "From = To did not give one owner"

# Refused selections: exit code 2, a message naming the field, no report.
rm -f "$print_file"
run 2 --date 31/02/2026 --from 1 --to 9999
grep -q -- "--date" "$work/err" || fail "bad date message does not name --date"
run 2 --date 10/10/1582 --from 1 --to 9999
run 2 --date 31/12/2026 --from 1a --to 9999
grep -q -- "--from" "$work/err" || fail "bad code message does not name --from"
run 2 --date 31/12/2026 --from 1 --to -5
run 2 --date 31/12/2026 --from 1.5 --to 9999
run 2 --date 31/12/2026 --from 200 --to 100
grep -q "owner range" "$work/err" || fail "reversed range message"
run 2 --date 31/12/2026 --from 1
run 2 --date 31/12/2026 --from 1 --to
run 2 --date 1/1/2026 --date 2/1/2026 --from 1 --to 2
# Longer than the form's field (4 digits): refused, not cut to owner 16.
run 2 --date 31/12/2026 --from 10016 --to 10016
grep -q -- "--from.*10016.*4 characters" "$work/err" || fail "long code: $(cat "$work/err")"
# An option that is not a batch option is refused, not ignored.
run 2 --date 31/12/2026 --from 1 --to 9999 --typo
grep -q -- "unknown option '--typo'" "$work/err" || fail "typo: $(cat "$work/err")"
run 2 --date 31/12/2026 --from 1 --to 9999 --wait soon
[ ! -e "$print_file" ] || fail "a refused selection wrote a print file"

# A work directory that is missing is refused at start, naming it.
ORBTMP="$work/no-such-dir/" run 1 --date 31/12/2026 --from 1 --to 9999 --no-print-program
grep -q "work directory $work/no-such-dir/ (ORBTMP) cannot be used" "$work/err" ||
  fail "no message naming the work directory: $(cat "$work/err")"

# A print file that cannot be created: a message naming it and why, exit code 1.
mkdir "$print_file"
run 1 --date 31/12/2026 --from 1 --to 9999 --no-print-program
grep -q "orbprint.tmp: Is a directory" "$work/err" || fail "print file: $(cat "$work/err")"
rmdir "$print_file"

# A print file cut short by a full disk: exit code 1, and the print program never runs.
if [ -c /dev/full ]; then
  cat > "$work/demo/EXE/ORBPRINT" <<SCRIPT
#!/usr/bin/env bash
echo ran > "$work/printed"
SCRIPT
  chmod +x "$work/demo/EXE/ORBPRINT"
  rm -f "$work/printed"
  ln -s /dev/full "$print_file"
  run 1 --date 31/12/2026 --from 1 --to 9999
  grep -q "No space left on device" "$work/err" || fail "full disk: $(cat "$work/err")"
  [ ! -e "$work/printed" ] || fail "the print program was started on a print file cut short"
  rm -f "$print_file"
fi

# A data file that was missing is created empty, and said so.
rm -f "$work/demo/DADES/PagamV.dat"
run 0 --date 31/12/2026 --from 1 --to 9999 --no-print-program
grep -q "PagamV was missing and has been created empty" "$work/err" ||
  fail "a created data file is not told: $(cat "$work/err")"

if [ "$failures" -ne 0 ]; then
  echo "$failures failure(s)"
  exit 1
fi
echo "batch report: all checks passed"
