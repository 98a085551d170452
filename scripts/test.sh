#!/usr/bin/env bash
# Installs what is missing, builds and runs every test, in three builds:
#  1. address/undefined-behaviour build (clang, with fuzzer instrumentation): the core
#     libraries' tests, the fuzz targets of the parsers, each for a short time, and a minute of
#     the monkey (random user actions on the assembled program; the UI is built for it only),
#  2. thread-sanitizer build: the test programs labelled tsan (threaded code),
#  3. release build: every test (cores, windows, network, PDF readers) but the monkey, which
#     ran in step 1.
# --no-install skips the package step (for machines whose packages are managed otherwise).
set -euo pipefail
cd "$(dirname "$0")/.."

install=1
for arg in "$@"; do
  case "$arg" in
    --no-install) install=0 ;;
    *)
      echo "usage: scripts/test.sh [--no-install]" >&2
      exit 2
      ;;
  esac
done
if ((install)); then
  scripts/install-deps.sh
fi

jobs=$(nproc)
logs=$(mktemp -d)
trap 'rm -rf "$logs"' EXIT
summary=()

# run_ctest NAME ARGS...: runs ctest, keeps its closing lines for the summary at the end.
run_ctest() {
  local name=$1
  shift
  local status=0
  ctest "$@" 2>&1 | tee "$logs/$name.log" || status=$?
  summary+=("== $name ($((SECONDS - step_start)) s):")
  while IFS= read -r line; do
    summary+=("   $line")
  done < <(grep -E 'tests passed|tests failed|FAILED|Total Test time|^[[:space:]]+[0-9]+ - ' "$logs/$name.log")
  if ((status != 0)); then
    print_summary
    exit "$status"
  fi
}

print_summary() {
  echo
  echo "== summary"
  printf '%s\n' "${summary[@]}"
}

echo "== address/undefined-behaviour build: core tests, fuzz targets and the monkey"
step_start=$SECONDS
cmake --preset asan >/dev/null
cmake --build --preset asan -j"$jobs" --target korvalis_asan_tests
# The 200-page batch against a rate-limited archive spends its 80 s waiting for the archive:
# it runs in the release step only.
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  run_ctest asan --preset asan -j"$jobs" -L 'core|fuzz|monkey' -E 'RateLimitedArchive'

echo "== thread-sanitizer build: the programs labelled tsan"
step_start=$SECONDS
cmake --preset tsan >/dev/null
cmake --build --preset tsan -j"$jobs" --target korvalis_tsan_tests
TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" run_ctest tsan --preset tsan -j"$jobs" -L tsan

echo "== release build: every test but the monkey"
step_start=$SECONDS
cmake --preset release >/dev/null
cmake --build --preset release -j"$jobs"
# The clean-root install downloads packages: run on its own (ctest -L install-clean). The
# monkey ran in the sanitizer step.
run_ctest release --preset release -j"$jobs" -LE 'install-clean|monkey'

print_summary
