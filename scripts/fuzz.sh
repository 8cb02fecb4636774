#!/usr/bin/env bash
# Builds the fuzz targets with clang and libFuzzer (and AddressSanitizer and
# UndefinedBehaviorSanitizer) in build-fuzz, then runs each target for SECONDS (default
# 60) on a copy of its corpus, tests/fuzz/corpus/<target>. Prints per target the runs
# executed and the crashes found; each crashing input is kept in build-fuzz/crashes/
# <target>/ — once the fault is mended, copy it into the corpus as a regression case.
# Usage: scripts/fuzz.sh [SECONDS] [TARGET...]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
shift || true

if ! command -v clang++ >/dev/null; then
  echo "Installing: clang"
  sudo_cmd=""
  [ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"
  $sudo_cmd apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq clang
fi

build=build-fuzz
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_C_COMPILER=clang \
  -DCMAKE_CXX_COMPILER=clang++ -DORB_SANITIZE=ON -DORB_FUZZ=ON >/dev/null
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  mapfile -t targets < <(sed -n '/set(ORB_FUZZ_TARGETS/,/)/p' tests/fuzz/CMakeLists.txt |
    sed 's/set(ORB_FUZZ_TARGETS//; s/)//' | tr -s ' ' '\n' | grep -v '^$')
fi
nice cmake --build "$build" --target "${targets[@]/#/fuzz_}"

export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
summary=()
for target in "${targets[@]}"; do
  work="$build/fuzzing/$target"
  crashes="$build/crashes/$target"
  rm -rf "$work"
  mkdir -p "$work" "$crashes"
  cp tests/fuzz/corpus/"$target"/* "$work"/ 2>/dev/null || true
  log="$build/fuzzing/$target.log"
  set +e
  nice "$build/bin/fuzz_$target" "$work" -max_total_time="$seconds" -max_len=65536 \
    -timeout=10 -rss_limit_mb=2048 -close_fd_mask=3 -print_final_stats=1 \
    -artifact_prefix="$crashes/" >"$log" 2>&1
  status=$?
  set -e
  runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$' || true)
  found=$(find "$crashes" -type f | wc -l)
  summary+=("$(printf '%-14s runs %10s  crashes %s  (exit %s)' "$target" "${runs:-?}" "$found" "$status")")
  echo "${summary[-1]}"
done
echo
echo "Fuzzing, $seconds s per target:"
printf '%s\n' "${summary[@]}"
