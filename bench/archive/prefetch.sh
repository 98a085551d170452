#!/usr/bin/env bash
# Steps through N pages of a film (default 10) against the local test archive server with
# 300 ms latency on every request, once with the next page fetched ahead and once without, and
# prints the time from ">>" to the page decoded and handed to the view, per step (mean, median
# and slowest), and the ratio of the means (with / without).
# Usage: bench/archive/prefetch.sh [BUILD_DIR] [N]
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${1:-build/release}
steps=${2:-10}
cmake --build "$build" --target korvalis_archive_server korvalis_archive_prefetch_bench >/dev/null
work=$(mktemp -d)
trap 'kill "${archive_server_pid:-}" 2>/dev/null || true; rm -rf "$work"' EXIT
. scripts/archive-server.sh
# A scanned page's size: 2000 x 2800 pixels.
start_archive_server "$build" "$work" --page-size 2000x2800 --fault latency=300
prefix="https://localhost:$archive_port/das/v2/"

result=$(KORVALIS_CA_FILE="$work/cert.pem" \
  "$build/bench/archive/korvalis_archive_prefetch_bench" "$prefix" "$steps")
read -r _ ahead_mean ahead_median ahead_max < <(echo "$result" | grep '^prefetch')
read -r _ plain_mean plain_median plain_max < <(echo "$result" | grep '^plain')
printf '">>" to page shown, %s steps, 300 ms per request:\n' "$steps"
printf '  with prefetch:    mean %.3f s, median %.3f s, slowest %.3f s\n' "$ahead_mean" \
  "$ahead_median" "$ahead_max"
printf '  without prefetch: mean %.3f s, median %.3f s, slowest %.3f s\n' "$plain_mean" \
  "$plain_median" "$plain_max"
printf '  ratio %.3f\n' "$(echo "$ahead_mean / $plain_mean" | bc -l)"
