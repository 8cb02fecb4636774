#!/usr/bin/env bash
# orbdata's command line: what it refuses is named (the command, the option, the count
# of arguments), with the usage after it and exit code 2.
# Usage: orbdata_command_line.sh BUILD_DIR
set -uo pipefail
orbdata="$1/bin/orbdata"
[ -x "$orbdata" ] || { echo "orbdata not built"; exit 1; }
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# refused EXPECTED_MESSAGE ARGS...: exit code 2, the message, then the usage.
refused() {
  local expected="$1"; shift
  local err code
  err="$("$orbdata" "$@" 2>&1 >/dev/null)"
  code=$?
  [ "$code" -eq 2 ] || fail "orbdata $*: exit code $code, expected 2"
  [ "$(echo "$err" | head -1)" = "orbdata: $expected" ] || fail "orbdata $*: $(echo "$err" | head -1)"
  echo "$err" | grep -q "^usage:" || fail "orbdata $*: no usage after the message"
}

refused "no command given"
refused "unknown command 'bogus'" bogus
refused "unknown option '--bogus'" --bogus
refused "create takes DATAFILE DICTIONARY (1 argument given)" create x.dat
refused "dump takes DATAFILE (2 arguments given)" dump a b
refused "unknown option '--force' for stat" stat --force x.dat
"$orbdata" --help | grep -q "^usage:" || fail "--help shows no usage"

[ "$failures" -eq 0 ] && echo "orbdata command line: all passed"
exit $((failures > 0))
