#!/usr/bin/env bash
# The batch entry of rptcarry on a copy of the demo installation: a report with and
# without the print program, the selection checks (exit code 2) and a print file that
# cannot be created. Usage: batch_report.sh BUILD_DIR SOURCE_DIR
set -uo pipefail
build="$(cd "$1" && pwd)"
source_dir="$(cd "$2" && pwd)"
rptcarry="$build/bin/rptcarry"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

"$source_dir/scripts/demo-install.sh" "$build" "$work/demo" >/dev/null 2>&1 ||
  { echo "FAIL: demo installation"; exit 1; }
export ORBROOT="$work/demo/" ORBEXE="$work/demo/EXE/" ORBTMP="$work/demo/TMP/"
print_file="$work/demo/TMP/orbprint.tmp"

# A fake print program that records that it ran and what it found.
rm -f "$work/demo/EXE/ORBPRINT" "$work/demo/EXE/orbprint"
cat > "$work/demo/EXE/ORBPRINT" <<SCRIPT
#!/usr/bin/env bash
echo "ran \$# \$(head -c 6 "$print_file")" > "$work/printed"
exit 3
SCRIPT
chmod +x "$work/demo/EXE/ORBPRINT"

run() {  # expected_code args...
  local expected="$1"; shift
  "$rptcarry" "$@" >"$work/out" 2>"$work/err"
  local code=$?
  [ "$code" -eq "$expected" ] || fail "rptcarry $* gave exit code $code, expected $expected ($(cat "$work/err"))"
}

# A whole report; the print program is started with no arguments, its exit code unused.
run 0 --date 31/12/2026 --from 1 --to 9999
head -c 16 "$print_file" | grep -q "^DEVICEPANTALLA" || fail "print file does not start with the device line"
grep -q "TOTAL" "$print_file" || fail "print file holds no total"
[ "$(tr -d '\r' < "$print_file" | grep -c '^PAGE 66 $')" -ge 1 ] || fail "no page line"
grep -q "^ran 0 DEVICE" "$work/printed" 2>/dev/null || fail "print program not started on the file"

# Without the print program.
rm -f "$work/printed"
run 0 --date 31/12/2026 --from 1 --to 9999 --no-print-program
[ ! -e "$work/printed" ] || fail "print program started despite --no-print-program"

# A print program that cannot be started: the report still ends well.
rm -f "$work/demo/EXE/ORBPRINT"
run 0 --date 31/12/2026 --from 1 --to 9999

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
[ ! -e "$print_file" ] || fail "a refused selection wrote a print file"

# A print file that cannot be created: a message naming it, exit code 1.
ORBTMP="$work/no-such-dir/" run 1 --date 31/12/2026 --from 1 --to 9999 --no-print-program
grep -q "orbprint.tmp" "$work/err" || fail "no message naming the print file"

if [ "$failures" -ne 0 ]; then
  echo "$failures failure(s)"
  exit 1
fi
echo "batch report: all checks passed"
