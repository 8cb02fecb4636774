#!/usr/bin/env bash
# orbprint end to end: devices, the work directory from ORBTMP, refused files, lp through
# a stand-in, and damaged print files that must never crash it.
set -euo pipefail
build="$1"
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
grep -q "1 page(s) written to $work/orbprint.txt" "$work/msg" || fail "TXT message: $(cat "$work/msg")"

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
PATH="$work/bin:$PATH" ORBTMP="$work" "$orbprint" --device "LP:oficina"
[ "$(cat "$work/lp.args")" = "-d oficina" ] || fail "lp arguments: $(cat "$work/lp.args")"
[ "$(cat "$work/lp.in")" = "$expected" ] || fail "lp input"

# A report without lines sends nothing to the screen or the printer.
printf 'DEVICELP\r\n' > "$work/empty.tmp"
PATH="$work/bin:$PATH" "$orbprint" "$work/empty.tmp" | grep -q "nothing to print" || fail "empty report"

# Refusals: exit code not 0, message on stderr naming the file and the line.
printf 'DEVICETXT\r\nPAGE 66 \r\n 1 ,no comma\r\n' > "$work/bad.tmp"
if ORBTMP="$work" "$orbprint" "$work/bad.tmp" 2> "$work/err"; then fail "bad file accepted"; fi
grep -q "bad.tmp, line 3: not an item line" "$work/err" || fail "bad line message: $(cat "$work/err")"
if ORBTMP="$work/none" "$orbprint" 2> "$work/err"; then fail "missing file accepted"; fi
grep -q "cannot read the print file $work/none/orbprint.tmp" "$work/err" || fail "missing: $(cat "$work/err")"
printf 'DEVICELPT1\r\n' > "$work/dev.tmp"
if "$orbprint" "$work/dev.tmp" 2> "$work/err"; then fail "unknown device accepted"; fi
grep -q 'unknown device "LPT1"' "$work/err" || fail "device message: $(cat "$work/err")"

# Truncated and damaged files: an answer, never a crash (exit codes of 128 and above).
size=$(stat -c %s "$work/orbprint.tmp")
for ((n = 0; n <= size; n++)); do
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
