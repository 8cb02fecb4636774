#!/usr/bin/env bash
# The batch report over a data directory the user may only read (a snapshot, a backup
# mount, a read-only share): the same report, byte for byte, as over the writable one,
# with or without the lock side files, and nothing written into the directory. Root may
# write anywhere, so as root the report runs as the user nobody (setpriv).
# Usage: read_only_data_test.sh BUILD_DIR SOURCE_DIR
set -uo pipefail
build="$(cd "$1" && pwd)"
source_dir="$(cd "$2" && pwd)"
rptcarry="$build/bin/rptcarry"
work="$(mktemp -d)"
trap 'chmod -R u+w "$work"; rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

as_reader=()
if [ "$(id -u)" -eq 0 ]; then
  if ! command -v setpriv >/dev/null; then
    echo "SKIP: running as root without setpriv, a read-only directory cannot be tried"
    exit 0
  fi
  as_reader=(setpriv --reuid=65534 --regid=65534 --clear-groups)
fi

"$source_dir/scripts/demo-install.sh" "$build" "$work/demo" >/dev/null 2>&1 ||
  { echo "FAIL: demo installation"; exit 1; }
export ORBROOT="$work/demo/" ORBEXE="$work/demo/EXE/" ORBTMP="$work/demo/TMP/"
print_file="$work/demo/TMP/orbprint.tmp"
chmod 755 "$work"
chmod -R a+rwX "$work/demo/TMP"

run() {  # expected_code
  "${as_reader[@]}" "$rptcarry" --date 31/12/2026 --from 1 --to 9999 --no-print-program \
    >"$work/out" 2>"$work/err"
  local code=$?
  [ "$code" -eq "$1" ] || fail "rptcarry gave exit code $code, expected $1 ($(cat "$work/err"))"
}

run 0
cp "$print_file" "$work/writable"
grep -q "TOTAL" "$work/writable" || fail "the report over the writable directory holds no total"

read_only() { chmod a-w "$work/demo/DADES"/* && chmod a-w "$work/demo/DADES"; }
writable() { chmod u+w "$work/demo/DADES" "$work/demo/DADES"/*; }

# Read-only, the lock side files there.
read_only
ls -la "$work/demo/DADES" | sed 1d | awk '{print $1, $5, $9}' > "$work/before"
rm -f "$print_file"
run 0
cmp -s "$print_file" "$work/writable" || fail "the report over the read-only directory differs"
[ -s "$work/err" ] && fail "messages over the read-only directory: $(cat "$work/err")"
ls -la "$work/demo/DADES" | sed 1d | awk '{print $1, $5, $9}' > "$work/after"
cmp -s "$work/before" "$work/after" || fail "the read-only directory changed: $(diff "$work/before" "$work/after")"

# Read-only, without lock side files.
writable
rm -f "$work/demo/DADES"/*.lck
read_only
rm -f "$print_file"
run 0
cmp -s "$print_file" "$work/writable" || fail "the report without lock side files differs"
ls "$work/demo/DADES" | grep -q '\.lck$\|-wal$\|-shm$' && fail "files were left in the read-only directory"

if [ "$failures" -ne 0 ]; then
  echo "$failures failure(s)"
  exit 1
fi
echo "read-only data directory: all checks passed"
