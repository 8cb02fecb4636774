#!/usr/bin/env bash
# demo-install.sh BUILD_DIR TARGET_DIR: copies the demo installation from demo/ into
# TARGET_DIR and installs the companion programs into its EXE directory. Everything is
# laid out afresh except the work directory TARGET_DIR/TMP, which keeps the files already
# there (the user's Sessio.ini and VoraTerm.ini, the calculator's memory); only missing
# ones are copied. Remove TARGET_DIR to start from scratch.
set -euo pipefail
cd "$(dirname "$0")/.."
build="$1"
target="$2"
mkdir -p "$target"
find "$target" -mindepth 1 -maxdepth 1 ! -name TMP -exec rm -rf {} +
for entry in demo/*; do
  [ "${entry##*/}" = TMP ] || cp -a "$entry" "$target/"
done
mkdir -p "$target/EXE" "$target/TMP" "$target/DADES"
for entry in demo/TMP/*; do
  [ -e "$target/TMP/${entry##*/}" ] || cp -a "$entry" "$target/TMP/"
done
for tool in orbprint orbdata; do
  if [ -x "$build/bin/$tool" ]; then
    cp "$build/bin/$tool" "$target/EXE/"
  fi
done
# Print program as the module starts it.
if [ -x "$target/EXE/orbprint" ]; then ln -sf orbprint "$target/EXE/ORBPRINT"; fi
# Data files from the demo's CSV files, when the data tool exists.
if [ -x "$build/bin/orbdata" ] && [ -x demo/build-data.sh ]; then
  demo/build-data.sh "$build/bin/orbdata" "$target"
fi
