#!/usr/bin/env bash
# demo-install.sh BUILD_DIR TARGET_DIR: copies the demo installation from demo/ into
# TARGET_DIR (replacing it) and installs the companion programs into its EXE directory.
set -euo pipefail
cd "$(dirname "$0")/.."
build="$1"
target="$2"
rm -rf "$target"
mkdir -p "$target"
cp -a demo/. "$target/"
mkdir -p "$target/EXE" "$target/TMP" "$target/DADES"
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
