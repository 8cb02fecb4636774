#!/usr/bin/env bash
# Builds everything with AddressSanitizer and UndefinedBehaviorSanitizer and runs every test.
# The tests of the server engine run on a throwaway PostgreSQL server in a temporary
# folder, started here (as an unprivileged user) and stopped at the end.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/packages.sh
cmake -S . -B build-test -G Ninja -DCMAKE_BUILD_TYPE=Debug -DORB_SANITIZE=ON >/dev/null
cmake --build build-test
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
pg_dir="$(mktemp -d /tmp/orbpg.XXXXXX)"
trap 'scripts/pg-server.sh stop "$pg_dir"' EXIT
ORB_TEST_POSTGRES="$(scripts/pg-server.sh start "$pg_dir")"
export ORB_TEST_POSTGRES
ctest --test-dir build-test --output-on-failure -j2 --timeout 600
