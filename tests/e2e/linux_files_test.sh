#!/usr/bin/env bash
# Settings, catalogue and form files saved by editors on this host (UTF-8, LF line ends)
# give the same report as the suite's code page 850 files with CR LF line ends: a
# Spanish session whose catalogue has LF line ends prints in Spanish, and the holder's
# name of a UTF-8 Vora.ini reaches the print file in code page 850.
# Usage: linux_files_test.sh BUILD_DIR SOURCE_DIR
set -uo pipefail
build="$(cd "$1" && pwd)"
source_dir="$(cd "$2" && pwd)"
rptcarry="$build/bin/rptcarry"
[ -x "$rptcarry" ] || { echo "SKIP: $rptcarry has not been built"; exit 0; }
[ -x "$build/bin/orbdata" ] || { echo "SKIP: no data tool, no demo data"; exit 0; }
command -v iconv >/dev/null || { echo "SKIP: iconv is not installed"; exit 0; }
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

"$source_dir/scripts/demo-install.sh" "$build" "$work/demo" >/dev/null 2>&1 ||
  { echo "FAIL: demo installation"; exit 1; }
root="$work/demo"
export ORBROOT="$root/" ORBEXE="$root/EXE/" ORBTMP="$root/TMP/"
print_file="$root/TMP/orbprint.tmp"

report() {  # the print file of the whole report, copied to $1
  "$rptcarry" --date 31/12/2026 --from 1 --to 9999 --no-print-program 2>"$work/err" ||
    fail "the report failed: $(cat "$work/err")"
  cp "$print_file" "$1" 2>/dev/null || : > "$1"
}
lf_only() { sed -i 's/\r$//' "$1"; }
to_utf8() { iconv -f CP850 -t UTF-8 "$1" > "$1.utf8" && mv "$1.utf8" "$1"; }

sed -i 's/^Idioma=.*/Idioma=SPA\r/' "$root/TMP/VoraTerm.ini"
report "$work/spanish"
grep -q "PROPIETARIO" "$work/spanish" || fail "the Spanish report is not in Spanish"
holder="$(sed -n 's/^Nom=\(.*\)\r$/\1/p' "$root/Vora.ini")"
grep -qF "$holder" "$work/spanish" || fail "the holder's name is not in the report"

# The catalogue with LF line ends.
lf_only "$root/LOCALE/RPTCARRY.LNG"
report "$work/catalogue_lf"
cmp -s "$work/spanish" "$work/catalogue_lf" ||
  fail "a catalogue with LF line ends changes the report ($(grep -c PROPIETARIO "$work/catalogue_lf") Spanish heads)"

# Everything in UTF-8 with LF line ends, the holder's name among it.
for file in Vora.ini TMP/Sessio.ini TMP/VoraTerm.ini LOCALE/RPTCARRY.LNG FORMS/RPTCARRY.OPN; do
  to_utf8 "$root/$file"
  lf_only "$root/$file"
done
grep -q "Mart$(printf '\xc3\xad')" "$root/Vora.ini" || fail "Vora.ini was not turned into UTF-8"
report "$work/utf8"
cmp -s "$work/spanish" "$work/utf8" || fail "UTF-8 settings and catalogue change the report"
grep -qF "$holder" "$work/utf8" || fail "the UTF-8 holder's name did not reach the report in code page 850"

# A byte-order mark before the first section, the holder's.
{ printf '\xef\xbb\xbf[Titular]\n'; grep '^Nom=\|^NIF=' "$root/Vora.ini"
  grep -v '^Nom=\|^NIF=' "$root/Vora.ini"; } > "$work/vora" && mv "$work/vora" "$root/Vora.ini"
report "$work/bom"
cmp -s "$work/spanish" "$work/bom" || fail "a byte-order mark in Vora.ini changes the report"

[ "$failures" -eq 0 ] && echo "linux_files_test: all passed"
exit $((failures > 0))
