#!/usr/bin/env bash
# Builds the programs, lays out the demo installation in build/demo and runs the module on it.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/packages.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DORB_BUILD_TESTS=OFF >/dev/null
cmake --build build
scripts/demo-install.sh build build/demo
export ORBROOT="$PWD/build/demo/" ORBEXE="$PWD/build/demo/EXE/" ORBTMP="$PWD/build/demo/TMP/"
exec build/bin/rptcarry "$@"
