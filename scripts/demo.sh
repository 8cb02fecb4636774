#!/usr/bin/env bash
# Builds the programs, lays out the demo installation in build/demo and runs the module on it.
# Without arguments it prints the carry-over report of every owner at the demo's working
# date (a blank date takes it, as on the selection form) and shows it through the print
# program. --form runs the module as an operator does: the selection form on the terminal.
# Any other arguments go to rptcarry as they are (for example --session, or
# --date 30/06/2026 --from 1 --to 100).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/packages.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DORB_BUILD_TESTS=OFF >/dev/null
# The build's progress is shown only when it fails, so that the report is what one sees.
echo "Building the programs (a few minutes the first time)..." >&2
if ! build_log=$(cmake --build build 2>&1); then
  echo "$build_log" >&2
  exit 1
fi
scripts/demo-install.sh build build/demo
export ORBROOT="$PWD/build/demo/" ORBEXE="$PWD/build/demo/EXE/" ORBTMP="$PWD/build/demo/TMP/"
if [ $# -eq 0 ]; then
  set -- --date "" --from 1 --to 9999
elif [ "$1" = "--form" ]; then
  shift
fi
exec build/bin/rptcarry "$@"
