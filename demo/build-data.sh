#!/usr/bin/env bash
# build-data.sh ORBDATA TARGET_DIR: creates the demo installation's data files in
# TARGET_DIR/DADES from the dictionaries in TARGET_DIR/ddf (written by the data tool when
# the installation has none) and the CSV files in demo/data.
set -euo pipefail
orbdata="$1"
target="$2"
data="$(dirname "$0")/data"
mkdir -p "$target/DADES" "$target/ddf"
import() {  # KIND FILE
  local file="$target/DADES/$2.dat"
  local dictionary="$target/ddf/$2.xdf"
  [ -s "$dictionary" ] || "$orbdata" dictionary "$1" "$dictionary"
  rm -f "$file"
  "$orbdata" create "$file" "$dictionary"
  "$orbdata" import "$1" "$file" "$data/$1.csv"
}
import owners PropietV
import properties FinquesV
import units DepartaV
import collections CobramV
import payments PagamV
