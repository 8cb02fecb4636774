#!/usr/bin/env bash
# A data file that cannot be read to the end of the report, end to end: on a copy of the
# demo installation one collection in the middle of the collections' file is damaged (its
# record cut short, which the record manager reports as an I/O error). The month-end run
# then ends with exit code 1 and says which file could not be read and why; the print
# program is not started, the export is not put in place and nothing is mailed. With the
# file mended the same run prints and exits 0.
# Usage: read_failure_test.sh BUILD_DIR SOURCE_DIR
set -uo pipefail
source "$(dirname "$0")/demo_harness.bash" "$1" "$2"
collections="$work/demo/DADES/CobramV.dat"
[ -f "$collections" ] || { echo "FAIL: the demo has no collections' file"; exit 1; }

# Print and mail programs that only leave a mark.
rm -f "$work/demo/EXE/ORBPRINT"
printf '#!/bin/sh\ntouch "%s"\n' "$work/printed" > "$work/demo/EXE/ORBPRINT"
printf '#!/bin/sh\ncat >/dev/null\ntouch "%s"\n' "$work/mailed" > "$work/sendmail"
chmod +x "$work/demo/EXE/ORBPRINT" "$work/sendmail"
export ORBSENDMAIL="$work/sendmail"

month_end() {
  "$rptcarry" --date 31/12/2026 --from 1 --to 9999 --statements "$work/out" \
    --export "$work/out/rossec.csv" --mail "$work/demo/contacts.csv" >"$work/out.txt" 2>"$work/err"
}

# The second collection of the first unit of the middle owner's first property (a record
# the report reaches by stepping along the collections' key), cut short; the record as
# it was is kept to mend the file afterwards.
python3 - "$collections" "$source_dir/demo/data/owners.csv" "$work/kept" <<'PY' ||
import csv, sqlite3, sys
owners = sorted(csv.DictReader(open(sys.argv[2], encoding="utf-8")), key=lambda o: int(o["code"]))
prop = int(owners[len(owners) // 2]["properties"].split(";")[0].split(":")[0])
def packed(code):
    digits = "%04d" % code
    return bytes(0x80 | int(digits[i:i + 2]) for i in (0, 2))
unit = packed(prop) + packed(1)
db = sqlite3.connect(sys.argv[1])
image, data = db.execute("SELECT image, data FROM key0 WHERE substr(data, 1, 4) = ? "
                         "ORDER BY image, position LIMIT 1 OFFSET 1", (unit,)).fetchone()
open(sys.argv[3], "wb").write(data)
db.execute("UPDATE key0 SET data = substr(data, 1, 3) WHERE image = ? AND data = ?", (image, data))
db.commit()
PY
  { echo "FAIL: cannot damage the file"; exit 1; }

month_end
code=$?
[ "$code" -eq 1 ] || fail "a damaged collection gave exit code $code, expected 1 ($(cat "$work/err"))"
grep -q "cannot read the data file .*DADES.CobramV (stepping to the next record): I/O error (status 2); the report was not finished" "$work/err" ||
  fail "the failed read is not told: $(cat "$work/err")"
[ ! -e "$work/printed" ] || fail "the print program was started on an unfinished report"
[ ! -e "$work/mailed" ] || fail "statements were mailed from an unfinished report"
[ ! -e "$work/out/rossec.csv" ] || fail "the export of an unfinished report was put in place"
grep -q "mail: nothing sent" "$work/err" || fail "the mailing's outcome is not told: $(cat "$work/err")"

# Mended, the same run goes through.
python3 - "$collections" "$work/kept" <<'PY' || fail "cannot mend the file"
import sqlite3, sys
db = sqlite3.connect(sys.argv[1])
db.execute("UPDATE key0 SET data = ? WHERE length(data) = 3", (open(sys.argv[2], "rb").read(),))
db.commit()
PY
month_end
code=$?
[ "$code" -eq 0 ] || fail "the mended file gave exit code $code ($(cat "$work/err"))"
[ -e "$work/printed" ] || fail "the print program was not started on the whole report"
[ -e "$work/out/rossec.csv" ] || fail "the export of the whole report is missing"

[ "$failures" -eq 0 ] && echo "read_failure_test: all passed"
exit $((failures > 0))
