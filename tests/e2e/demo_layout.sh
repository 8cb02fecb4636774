#!/usr/bin/env bash
# scripts/demo-install.sh laid over an earlier demo: the work directory keeps the user's
# files and gets back the missing ones; the rest (data files included) comes afresh.
# Usage: demo_layout.sh BUILD_DIR SOURCE_DIR
set -uo pipefail
build="$(cd "$1" && pwd)"
source_dir="$(cd "$2" && pwd)"
[ -x "$build/bin/orbdata" ] || { echo "SKIP: the data tool has not been built"; exit 0; }
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
install_demo() {
  "$source_dir/scripts/demo-install.sh" "$build" "$work/demo" >"$work/log" 2>&1 ||
    { cat "$work/log"; echo "FAIL: demo installation"; exit 1; }
}

install_demo
demo="$work/demo"
sed -i 's/^Idioma=CAT/Idioma=GLG/' "$demo/TMP/VoraTerm.ini"
echo "memory" >"$demo/TMP/ORBCALC.TMP"
rm "$demo/TMP/Sessio.ini" "$demo/DADES/PropietV.dat" "$demo/FORMS/RPTCARRY.OPN"
echo stray >"$demo/DADES/Stray.dat"
install_demo

grep -q "^Idioma=GLG" "$demo/TMP/VoraTerm.ini" || fail "the user's VoraTerm.ini was replaced"
[ "$(cat "$demo/TMP/ORBCALC.TMP")" = memory ] || fail "the calculator's memory was lost"
cmp -s "$demo/TMP/Sessio.ini" "$source_dir/demo/TMP/Sessio.ini" || fail "the missing Sessio.ini did not come back"
[ -s "$demo/DADES/PropietV.dat" ] || fail "the owners' data file was not built again"
[ -f "$demo/FORMS/RPTCARRY.OPN" ] || fail "the form file did not come back"
[ ! -e "$demo/DADES/Stray.dat" ] || fail "a file outside the work directory survived"

if [ "$failures" -ne 0 ]; then
  echo "$failures failure(s)"
  exit 1
fi
echo "demo layout: all checks passed"
