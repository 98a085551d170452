#!/usr/bin/env bash
# Installs what is missing, builds and runs every test:
#  1. the core libraries' tests in an address/undefined-behaviour build,
#  2. the transfer engine's tests in a thread-sanitizer build,
#  3. the fuzz targets of the parsers, each for a short time (clang, libFuzzer),
#  4. every test (cores, windows, network, PDF readers) in the release build.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh

jobs=$(nproc)

echo "== address/undefined-behaviour build: core tests"
cmake --preset asan >/dev/null
cmake --build --preset asan -j"$jobs"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --preset asan -j"$jobs" -L core

echo "== thread-sanitizer build: tests of the threaded code"
cmake --preset tsan >/dev/null
# Only the programs whose tests carry the tsan label (threads: transfer engine, monitor, the
# viewer's band workers).
cmake --build --preset tsan -j"$jobs" --target app_core_tests korvalis_archive_engine_test viewer_core_tests \
  korvalis_archive_address_test korvalis_archive_server
TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" ctest --preset tsan -j"$jobs" -L tsan

echo "== fuzz build: parsers of untrusted input"
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j"$jobs" --target korvalis_fuzzers
ctest --preset fuzz -j"$jobs" -L fuzz

echo "== release build: every test"
cmake --preset release >/dev/null
cmake --build --preset release -j"$jobs"
ctest --preset release -j"$jobs"
