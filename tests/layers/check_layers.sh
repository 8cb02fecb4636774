#!/usr/bin/env bash
# Fails when a source file includes a header of a layer above its own, or of a layer
# that stands beside it. The layers, lowest first; layers written together in one
# entry ("ui|report") stand side by side and may not include each other.
# Usage: check_layers.sh SOURCE_DIR
set -euo pipefail
layers=(platform core format data "ui|report" delivery app tools)
root=${1:-$(dirname "$0")/../..}

rank_of() {
  local i
  for i in "${!layers[@]}"; do
    case "|${layers[$i]}|" in *"|$1|"*) echo "$i"; return ;; esac
  done
  echo -1
}

failures=0
check_file() {
  local file=$1 layer=$2 own line target target_rank
  own=$(rank_of "$layer")
  while IFS= read -r line; do
    target=${line#*\"}
    target=${target%%/*}
    target_rank=$(rank_of "$target")
    [ "$target_rank" -lt 0 ] && continue
    if [ "$target_rank" -gt "$own" ] || { [ "$target_rank" -eq "$own" ] && [ "$target" != "$layer" ]; }; then
      echo "$file: $layer may not include ${line#*#include }" >&2
      failures=$((failures + 1))
    fi
  done < <(grep -E '^[[:space:]]*#[[:space:]]*include[[:space:]]+"' "$file" || true)
}

while IFS= read -r file; do
  rel=${file#"$root"/}
  case $rel in
    src/*) layer=${rel#src/}; layer=${layer%%/*} ;;
    tools/*) layer=tools ;;
    *) continue ;;
  esac
  check_file "$file" "$layer"
done < <(find "$root/src" "$root/tools" -type f \( -name '*.h' -o -name '*.cc' \) | sort)

if [ "$failures" -gt 0 ]; then
  echo "$failures include(s) point up or sideways; layers, lowest first: ${layers[*]}" >&2
  exit 1
fi
echo "every include points down (${layers[*]})"
