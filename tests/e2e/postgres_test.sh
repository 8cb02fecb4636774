#!/usr/bin/env bash
# The data on a PostgreSQL server, end to end: the demo's data files copied to the test
# server (ORB_TEST_POSTGRES) with orbdata copy, the batch report printed from there
# byte for byte as from the SQLite files, the data tool with its usual arguments on the
# server, the copy back, and the refusals (bad connection string, server down, password
# refused, a database without data files): a message naming the server, never the
# password, a non-zero exit and nothing written. Usage: postgres_test.sh BUILD SOURCE
set -uo pipefail
build="$(cd "$1" && pwd)"
source_dir="$(cd "$2" && pwd)"
if [ -z "${ORB_TEST_POSTGRES:-}" ]; then
  echo "SKIP: ORB_TEST_POSTGRES names no server"
  exit 0
fi
rptcarry="$build/bin/rptcarry"
orbdata="$build/bin/orbdata"
work="$(mktemp -d)"
schema="e2e_$$"
psql_run() { psql -X -q -h "$(sed -n 's/.*host=\([^ ]*\).*/\1/p' <<<"$ORB_TEST_POSTGRES")" \
                  -U orb -d orbtest -c "$1" >/dev/null 2>&1; }
trap 'psql_run "DROP SCHEMA IF EXISTS $schema CASCADE"; rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

psql_run "CREATE SCHEMA $schema" || { echo "FAIL: cannot make a schema"; exit 1; }
psql_run "CREATE SCHEMA ${schema}_empty" || true
server="$ORB_TEST_POSTGRES options='-csearch_path=$schema'"

"$source_dir/scripts/demo-install.sh" "$build" "$work/demo" >/dev/null 2>&1 ||
  { echo "FAIL: demo installation"; exit 1; }
export ORBROOT="$work/demo/" ORBEXE="$work/demo/EXE/" ORBTMP="$work/demo/TMP/"
print_file="$work/demo/TMP/orbprint.tmp"
report() { "$rptcarry" --date 31/12/2026 --from 1 --to 9999 --no-print-program; }

report 2>"$work/err" || fail "the report on SQLite files: $(cat "$work/err")"
cp "$print_file" "$work/sqlite.prn"

"$orbdata" copy "$work/demo" "$server" >"$work/out" 2>&1 || fail "copy to the server: $(cat "$work/out")"
grep -q "5 data files" "$work/out" || fail "copy did not report 5 files: $(cat "$work/out")"

# The same report, from the server: through ORBDATABASE and through Vora.ini.
rm -f "$print_file"
ORBDATABASE="$server" report 2>"$work/err" || fail "the report on the server: $(cat "$work/err")"
cmp -s "$work/sqlite.prn" "$print_file" || fail "the report from the server differs"
cp "$work/demo/Vora.ini" "$work/Vora.ini.orig"
printf '\r\n[Dades]\r\nServidor=%s\r\n' "$server" >>"$work/demo/Vora.ini"
rm -f "$print_file"
report 2>"$work/err" || fail "the report with [Dades] Servidor: $(cat "$work/err")"
cmp -s "$work/sqlite.prn" "$print_file" || fail "the report through Vora.ini differs"
"$rptcarry" --session >"$work/session"
grep -q "^DataFiles: PostgreSQL server .*Vora.ini" "$work/session" ||
  fail "--session does not show the server: $(grep DataFiles "$work/session")"
cp "$work/Vora.ini.orig" "$work/demo/Vora.ini"

# The data tool on the server with today's arguments: a data file inside ORBROOT.
export ORBDATABASE="$server"
"$orbdata" stat "$work/demo/DADES/PropietV.dat" >"$work/stat" 2>&1 || fail "stat on the server"
grep -q "^records: " "$work/stat" || fail "stat shows no record count: $(cat "$work/stat")"
printf 'property,date,amount,state\n9001,2026-01-05,1234,\n9001,2026-02-05,99,P\n' >"$work/pay.csv"
"$orbdata" import payments "$work/demo/DADES/PagamX.dat" "$work/pay.csv" >/dev/null 2>&1 ||
  fail "import into a new file on the server"
[ "$("$orbdata" dump "$work/demo/DADES/pagamx" | wc -l)" -eq 2 ] ||
  fail "the imported file does not hold its 2 records (names without regard to case)"
[ ! -e "$work/demo/DADES/PagamX.dat" ] || fail "the import wrote a SQLite file"
# An import the server refuses half-way (a second, unique key on the owner's name,
# which the import does not check ahead) leaves the file as it was: empty, then with
# the one record of the import that went through.
"$orbdata" dictionary owners "$work/owners.xdf" >/dev/null 2>&1 || fail "dictionary owners"
python3 - "$work/owners.xdf" <<'PY'
import sys
path = sys.argv[1]
data = bytearray(open(path, 'rb').read())
data[6] = 2                                   # two keys
data += bytes([3, 0, 30]) + bytes(13)         # the name: position 3, 30 bytes, unique
data[0:2] = (len(data) - 2).to_bytes(2, 'little')
open(path, 'wb').write(data)
PY
printf 'code,name,tax_id,properties\n1,A,,\n2,A,,\n' >"$work/own.csv"
"$orbdata" import --dictionary "$work/owners.xdf" owners "$work/demo/DADES/PropietX.dat" \
  "$work/own.csv" >/dev/null 2>"$work/err" && fail "an import of a repeated unique key succeeded"
[ "$("$orbdata" dump "$work/demo/DADES/PropietX" | wc -l)" -eq 0 ] ||
  fail "a refused import into a new file left records"
printf 'code,name,tax_id,properties\n1,A,,\n' >"$work/own.csv"
"$orbdata" import owners "$work/demo/DADES/PropietX.dat" "$work/own.csv" >/dev/null 2>&1 ||
  fail "import of one owner"
before=$("$orbdata" dump "$work/demo/DADES/PropietX")
printf 'code,name,tax_id,properties\n2,B,,\n3,C,,\n4,B,,\n' >"$work/own.csv"
"$orbdata" import owners "$work/demo/DADES/PropietX.dat" "$work/own.csv" >/dev/null \
  2>"$work/err" && fail "an import refused half-way succeeded"
grep -q "own.csv:4:.*nothing was imported" "$work/err" || fail "the refusal: $(cat "$work/err")"
[ "$("$orbdata" dump "$work/demo/DADES/PropietX")" = "$before" ] ||
  fail "an import refused half-way left records behind"
unset ORBDATABASE

# Back to a folder: the same records.
"$orbdata" copy "$server" "$work/back" >"$work/out" 2>&1 || fail "copy back: $(cat "$work/out")"
for f in PropietV FinquesV DepartaV CobramV PagamV; do
  cmp -s <("$orbdata" dump "$work/demo/DADES/$f.dat") <("$orbdata" dump "$work/back/DADES/$f.dat") ||
    fail "$f differs after the round trip"
done
# All or nothing: a folder that holds one of the files already gets none.
rm "$work/back/DADES/CobramV.dat"
before=$(ls -R "$work/back" | md5sum)
"$orbdata" copy "$server" "$work/back" >/dev/null 2>"$work/err" && fail "copy over existing files succeeded"
[ "$(ls -R "$work/back" | md5sum)" = "$before" ] || fail "a refused copy wrote files"

# Refusals: a message naming the server, never the password; exit 1; no print file.
check_refused() {  # description connection-string
  rm -f "$print_file"
  ORBDATABASE="$2" report >"$work/out" 2>"$work/err"
  local code=$?
  [ "$code" -ne 0 ] || fail "$1: exit code 0"
  grep -q "PostgreSQL server" "$work/err" || fail "$1: the message names no server: $(cat "$work/err")"
  if grep -q "orb-secret\|wrongpass" "$work/err"; then fail "$1: the message shows the password"; fi
  [ ! -e "$print_file" ] || fail "$1: a print file was written"
}
host="$(sed -n 's/.*host=\([^ ]*\).*/\1/p' <<<"$ORB_TEST_POSTGRES")"
check_refused "bad connection string" "hots=$host dbname=orbtest password=wrongpass"
check_refused "server down" "host=$work/nowhere dbname=orbtest password=wrongpass"
check_refused "password refused" "host=$host user=orbpw password=wrongpass dbname=orbtest"
check_refused "no data files" "$ORB_TEST_POSTGRES options='-csearch_path=${schema}_empty'"
grep -q "holds no data files" "$work/err" || fail "no data files: $(cat "$work/err")"
psql_run "DROP SCHEMA IF EXISTS ${schema}_empty CASCADE"

if [ "$failures" -gt 0 ]; then
  echo "$failures failure(s)"
  exit 1
fi
echo "postgres end to end: all checks passed"
