# Shared set-up of the end-to-end scripts that run the batch entry on a copy of the demo.
# Sourced as: source demo_harness.bash BUILD_DIR SOURCE_DIR
# Gives: build, source_dir, rptcarry, work (removed at exit), failures and fail, and a
# fresh demo installation under $work/demo that ORBROOT, ORBEXE and ORBTMP point to.
build="$(cd "$1" && pwd)"
source_dir="$(cd "$2" && pwd)"
rptcarry="$build/bin/rptcarry"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

"$source_dir/scripts/demo-install.sh" "$build" "$work/demo" >/dev/null 2>&1 ||
  { echo "FAIL: demo installation"; exit 1; }
export ORBROOT="$work/demo/" ORBEXE="$work/demo/EXE/" ORBTMP="$work/demo/TMP/"
