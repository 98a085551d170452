#!/usr/bin/env bash
# Batch download against the local test archive server (1 MB pages, 50 ms latency per request):
# `krv batch` with three slots (location look-up plus image for each page) against
# `curl --parallel --parallel-max 3` fetching the same image addresses directly, in one run.
# Then the save window's bulk commands on 99,999 rows (offscreen) against awk writing a save
# list of the same size. Then the storage estimate of ESTIMATE pages at 50 ms latency as the
# program makes it (four size queries at once) against the same estimate asking one size at a
# time, alternating in one run (target: at most 0.3). Prints the times and the ratios (below 1:
# faster than the peer).
# Usage: bench/batch/run.sh [BUILD_DIR] [PAGES] [ESTIMATE]
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${1:-build/release}
pages=${2:-200}
estimate_pages=${3:-1000}
cmake --build "$build" --target korvalis_archive_server krv korvalis_save_list_bench \
  korvalis_estimate_bench >/dev/null
work=$(mktemp -d)
trap 'kill "${archive_server_pid:-}" 2>/dev/null || true; rm -rf "$work"' EXIT
. scripts/archive-server.sh
start_archive_server "$build" "$work" --page-bytes 1000000 --fault latency=50
krv="$build/tools/krv/krv"
film=004010312
stem=TH-1977-53409-1402-98-  # the film's image APIDs in the sample catalogue

: >"$work/curl.cfg"
for page in $(seq 1 "$pages"); do
  printf 'url = "%s/das/v2/%s%05d/dist.jpg"\noutput = "%s/curl/%05d.jpg"\n' \
    "$KORVALIS_ARCHIVE_URL" "$stem" "$page" "$work" "$page" >>"$work/curl.cfg"
done
mkdir -p "$work/curl" "$work/krv"
# Warm the server's page cache so both runs get ready pages.
curl -s --cacert "$KORVALIS_CA_FILE" --parallel --parallel-max 3 -K "$work/curl.cfg" 2>/dev/null
rm -f "$work"/curl/*

"$krv" list "$film" 1 "$pages" "$work/list.krl" --names "$work/krv" 'p[3]'
start=$(date +%s.%N)
"$krv" batch "$work/list.krl" >"$work/batch.out"
krv_time=$(echo "$(date +%s.%N) - $start" | bc)
start=$(date +%s.%N)
curl -s --cacert "$KORVALIS_CA_FILE" --parallel --parallel-max 3 -K "$work/curl.cfg" 2>/dev/null
curl_time=$(echo "$(date +%s.%N) - $start" | bc)
ok=$(grep -c $'\tOK$' "$work/batch.out" || true)
printf '%s pages of 1 MB, 50 ms latency: krv batch %.3f s (%s OK), curl --parallel-max 3 %.3f s, ratio %.2f\n' \
  "$pages" "$krv_time" "$ok" "$curl_time" "$(echo "$krv_time / $curl_time" | bc -l)"

# 99,999 rows in the window, against awk writing a list of the same shape.
start=$(date +%s.%N)
awk -v dir="$work" 'BEGIN { for (p = 1; p <= 99999; p++)
  printf "004010312_%05d\t%s/Seite_%05d.jpg\t \t0\t2\r\n", p, dir, p }' >"$work/awk.krl"
awk_time=$(echo "$(date +%s.%N) - $start" | bc)
QT_QPA_PLATFORM=offscreen "$build/bench/batch/korvalis_save_list_bench" "$work" |
  while read -r step seconds; do
    printf '99,999 rows, %s: %.3f s (target 1 s), ratio to awk writing the list %.2f\n' \
      "$step" "$seconds" "$(echo "$seconds / $awk_time" | bc -l)"
  done
cmp -s <(sed 's/\r$//' "$work/awk.krl" | cut -f1) <(sed 's/\r$//' "$work/bench.krl" | cut -f1) ||
  echo "note: the references of the two lists differ" >&2

# The estimate: four size queries at once against one at a time, same engine, same server.
"$build/bench/batch/korvalis_estimate_bench" "$estimate_pages" |
  while read -r one four ratio; do
    printf '%s sizes, 50 ms latency: estimate (4 at once) %.3f s, one at a time %.3f s, ratio %.2f (target 0.3)\n' \
      "$estimate_pages" "$four" "$one" "$ratio"
  done
