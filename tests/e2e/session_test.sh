#!/usr/bin/env bash
# session_test.sh BUILD_DIR SOURCE_DIR: runs rptcarry --session on a copy of the demo
# installation and checks what it gathered, with the root written with a slash or a
# backslash at its end, and the exit codes of the command-line options.
set -euo pipefail
build="$(cd "$1" && pwd)"
source_dir="$(cd "$2" && pwd)"
program="$build/bin/rptcarry"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cp -a "$source_dir/demo" "$work/demo"
mkdir -p "$work/demo/EXE"

failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

expect_line() {  # expect_line OUTPUT LINE
  grep -qxF -- "$2" <<<"$1" || fail "missing line '$2'"
}

check_session() {  # check_session ROOT
  local root="$1" out rc=0
  out="$(cd "$work" && env -u WINDIR -u SYSTEMROOT -u HTTP_USER_AGENT -u HTTP_ACCEPT \
           ORBROOT="$root" ORBEXE="$work/demo/EXE/" ORBTMP="$work/demo/TMP" \
           "$program" --session)" || rc=$?
  [ "$rc" -eq 0 ] || fail "--session with ORBROOT=$root ended with exit code $rc"
  expect_line "$out" "RootDir: $root"
  expect_line "$out" "ExeDir: $work/demo/EXE/"
  expect_line "$out" "TempDir: $work/demo/TMP\\"
  expect_line "$out" "TerminalDir: TMP\\"
  expect_line "$out" "MenuTitle:  Gestió de Finques "
  expect_line "$out" "MenuName: RPTCARRY"
  expect_line "$out" "Operator: Montse Ribas i Puig"
  expect_line "$out" "Colours: 15/1 7/1 0/3 1/3 14/1"
  expect_line "$out" "WorkDate: 20261231"
  expect_line "$out" "Output: PANTALLA"
  expect_line "$out" "Language: CAT"
  expect_line "$out" "HostKind: DOS"
  expect_line "$out" "DatCaracter: /"
  expect_line "$out" "DatOrdre: DMA"
  expect_line "$out" "DecCaracter: '"
  expect_line "$out" "MilCaracter: ."
  if grep -q "does not exist\|drive prefix" <<<"$out"; then
    fail "a demo directory was reported unusable:"$'\n'"$out"
  fi
}

check_session "$work/demo/"
check_session "$work/demo\\"

# A language set in lower case on the terminal file is kept as written.
sed -i 's/^Idioma=CAT\r$/Idioma=spa\r/' "$work/demo/TMP/VoraTerm.ini"
out="$(ORBROOT="$work/demo/" ORBTMP="$work/demo/TMP/" "$program" --session)"
expect_line "$out" "Language: spa  [not a known code: Catalan]"

"$program" --help | grep -q "^Usage: rptcarry" || fail "--help shows no usage"
"$program" --version | grep -q "^rptcarry " || fail "--version shows no version"
rc=0
err="$("$program" --no-such-option 2>&1 >/dev/null)" || rc=$?
[ "$rc" -eq 2 ] || fail "unknown option ended with exit code $rc, not 2"
grep -q "unknown option '--no-such-option'" <<<"$err" || fail "unknown option gave no message"

if [ "$failures" -ne 0 ]; then
  echo "$failures check(s) failed" >&2
  exit 1
fi
echo "session e2e: all checks passed"
