#!/usr/bin/env bash
# The layer check itself: it passes a tree whose includes point down and fails one that
# includes upwards or sideways.
set -euo pipefail
check=$(dirname "$0")/check_layers.sh
tree=$(mktemp -d)
trap 'rm -rf "$tree"' EXIT
mkdir -p "$tree/src/platform" "$tree/src/core" "$tree/src/ui" "$tree/src/report" "$tree/src/app" "$tree/tools/x"
echo '#include "platform/a.h"' > "$tree/src/core/b.h"
echo '#include "core/b.h"' > "$tree/src/ui/c.h"
printf '#include "ui/c.h"\n#include <vector>\n' > "$tree/src/app/d.cc"
echo '#include "app/d.h"' > "$tree/tools/x/main.cc"
bash "$check" "$tree" >/dev/null || { echo "a tree that points down was refused"; exit 1; }

echo '#include "app/program.h"' > "$tree/src/core/up.h"
if bash "$check" "$tree" 2>/dev/null; then echo "an upward include passed"; exit 1; fi
rm "$tree/src/core/up.h"

echo '  #  include "report/r.h"' > "$tree/src/ui/side.cc"
if bash "$check" "$tree" 2>/dev/null; then echo "an include between ui and report passed"; exit 1; fi
echo "the layer check accepts and refuses as it should"
