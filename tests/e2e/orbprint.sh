#!/usr/bin/env bash
# orbprint end to end: devices, the work directory from ORBTMP, refused files, lp through
# a stand-in, messages in the session's language and the outcome left for the module,
# and damaged print files that must never crash it.
set -euo pipefail
build="$1"
source_dir="$(cd "${2:-$(dirname "$0")/../..}" && pwd)"
orbprint="$build/bin/orbprint"
[ -x "$orbprint" ] || { echo "orbprint not built"; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

# A small report: head in elite, body condensed, an accented word (code page 850).
printf 'DEVICETXT\r\nPAGE 66 \r\n*@e\r\n 1 ,CASA, 0 \r\nJUSD\r\n 12 ,P\267G   1, 2 \r\n*q\r\n 3 ,a,b, 1 \r\n' \
  > "$work/orbprint.tmp"
expected=$'CASA       P\xc3\x80G   1\n\n  a,b'

ORBTMP="$work" "$orbprint" > "$work/msg"
[ "$(cat "$work/orbprint.txt")" = "$expected" ] || fail "TXT output: $(cat -A "$work/orbprint.txt")"
grep -q "1 pàgina escrita a $work/orbprint.txt" "$work/msg" || fail "TXT message: $(cat "$work/msg")"
# The same word for the module that left the print file, in code page 850 with CR LF.
[ "$(iconv -f CP850 -t UTF-8 "$work/orbprint.msg")" = "1 pàgina escrita a $work/orbprint.txt"$'\r' ] ||
  fail "outcome file: $(cat -A "$work/orbprint.msg")"

# A Spanish session: the messages in Spanish, from the catalogue of the installation.
printf '[Sistema]\r\nIdioma=SPA\r\n' > "$work/VoraTerm.ini"
ORBROOT="$source_dir/demo/" ORBTMP="$work" "$orbprint" > "$work/msg"
grep -q "1 página escrita en $work/orbprint.txt" "$work/msg" || fail "Spanish: $(cat "$work/msg")"
ORBROOT="$source_dir/demo/" ORBTMP="$work" "$orbprint" --device "TXT:/nonexistent/dir/r.txt" \
  2> "$work/err" && fail "an unwritable output file was accepted"
grep -q "no se puede escribir /nonexistent/dir/r.txt: No such file or directory" "$work/err" ||
  fail "Spanish failure: $(cat "$work/err")"
grep -q "no se puede escribir /nonexistent/dir/r.txt" "$work/orbprint.msg" ||
  fail "failure outcome: $(cat -A "$work/orbprint.msg")"
rm "$work/VoraTerm.ini"

# A print file named on the command line leaves no outcome for a module.
rm -f "$work/orbprint.msg"
cp "$work/orbprint.tmp" "$work/named.tmp"
ORBTMP="$work" "$orbprint" "$work/named.tmp" > /dev/null
[ ! -e "$work/orbprint.msg" ] || fail "an outcome file for a named print file"

# Command-line mistakes say what was refused.
if "$orbprint" --bogus 2> "$work/err"; then fail "--bogus accepted"; fi
grep -q "unknown option '--bogus'" "$work/err" || fail "--bogus: $(cat "$work/err")"
if "$orbprint" --device 2> "$work/err"; then fail "--device without a value accepted"; fi
grep -q -- "--device needs a value" "$work/err" || fail "--device: $(cat "$work/err")"

# Screen device with stdout not a terminal: the plain text on stdout.
out=$(ORBTMP="$work" "$orbprint" --device PANTALLA)
[ "$out" = "$expected" ] || fail "screen output: $out"

# File named on the command line, relative output name inside the work directory.
cp "$work/orbprint.tmp" "$work/other.tmp"
ORBTMP="$work" "$orbprint" --device "pdf:r.pdf" "$work/other.tmp" > /dev/null
head -c 8 "$work/r.pdf" | grep -q '%PDF-1.4' || fail "PDF not written"

# Printer queue through lp (a stand-in that records its arguments and input).
mkdir "$work/bin"
printf '#!/bin/sh\necho "$@" > "%s/lp.args"\ncat > "%s/lp.in"\n' "$work" "$work" > "$work/bin/lp"
chmod +x "$work/bin/lp"
PATH="$work/bin:$PATH" ORBTMP="$work" "$orbprint" --device "LP:oficina" > /dev/null
[ "$(cat "$work/lp.args")" = "-d oficina" ] || fail "lp arguments: $(cat "$work/lp.args")"
[ "$(cat "$work/lp.in")" = "$expected" ] || fail "lp input"

# A report without lines sends nothing to the screen or the printer.
printf 'DEVICELP\r\n' > "$work/empty.tmp"
PATH="$work/bin:$PATH" "$orbprint" "$work/empty.tmp" | grep -q "no hi ha res a imprimir" || fail "empty report"

# Refusals: exit code not 0, message on stderr naming the file and the line.
printf 'DEVICETXT\r\nPAGE 66 \r\n 1 ,no comma\r\n' > "$work/bad.tmp"
if ORBTMP="$work" "$orbprint" "$work/bad.tmp" 2> "$work/err"; then fail "bad file accepted"; fi
grep -q "bad.tmp, line 3: not an item line" "$work/err" || fail "bad line message: $(cat "$work/err")"
if ORBTMP="$work/none" "$orbprint" 2> "$work/err"; then fail "missing file accepted"; fi
grep -q "no es pot llegir el fitxer d'impressió $work/none/orbprint.tmp: No such file or directory" \
  "$work/err" || fail "missing: $(cat "$work/err")"
printf 'DEVICELPT1\r\n' > "$work/dev.tmp"
if "$orbprint" "$work/dev.tmp" 2> "$work/err"; then fail "unknown device accepted"; fi
grep -q 'dispositiu desconegut "LPT1"' "$work/err" || fail "device message: $(cat "$work/err")"

# Truncated and damaged files: an answer, never a crash (exit codes of 128 and above).
# (Every cut is tested in-process; here a sample of cuts through the real program.)
size=$(stat -c %s "$work/orbprint.tmp")
step=$(( size / 50 + 1 ))
for ((n = 0; n <= size; n += step)); do
  head -c "$n" "$work/orbprint.tmp" > "$work/cut.tmp"
  set +e
  ORBTMP="$work" "$orbprint" --device "TXT:cut.txt" "$work/cut.tmp" > /dev/null 2>&1
  rc=$?
  set -e
  [ "$rc" -lt 128 ] || fail "crash on a file cut at $n bytes"
done
for i in $(seq 1 40); do
  { printf 'DEVICETXT:rnd.txt\r\n'; head -c 300 /dev/urandom; } > "$work/rnd.tmp"
  set +e
  "$orbprint" "$work/rnd.tmp" > /dev/null 2>&1
  rc=$?
  set -e
  [ "$rc" -lt 128 ] || fail "crash on random input"
done
echo "orbprint e2e: ok"
