#!/usr/bin/env bash
# build-data.sh ORBDATA TARGET_DIR: creates the demo installation's data files in
# TARGET_DIR/DADES from the dictionaries in TARGET_DIR/ddf and the CSV files in demo/data.
set -euo pipefail
orbdata="$1"
target="$2"
data="$(dirname "$0")/data"
mkdir -p "$target/DADES"
import() {  # KIND FILE
  local file="$target/DADES/$2.dat"
  rm -f "$file"
  "$orbdata" create "$file" "$target/ddf/$2.xdf"
  "$orbdata" import "$1" "$file" "$data/$1.csv"
}
import owners PropietV
import properties FinquesV
import units DepartaV
import collections CobramV
import payments PagamV
