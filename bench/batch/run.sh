#!/usr/bin/env bash
# Batch download against the local test archive server (small pages, 20 ms latency per request,
# by default): `krv batch` with three slots (location look-up plus image for each page) against
# `curl --parallel --parallel-max 3` fetching the same image addresses directly, in one run,
# and the peak memory of `krv batch` over all the pages against its peak over the first 200
# (target: at most 1.2x, memory flat). Then the save window's bulk commands on 99,999 rows
# (offscreen) against awk writing a save list of the same size, and scrolling through the list.
# Then the storage estimate of ESTIMATE pages at 50 ms latency as the program makes it (four
# size queries at once) against the same estimate asking one size at a time, alternating in one
# run (target: at most 0.3). Prints the times and the ratios (below 1: faster than the peer).
# Usage: bench/batch/run.sh [BUILD_DIR] [PAGES] [PAGE_BYTES] [LATENCY_MS] [ESTIMATE]
#   PAGES default 2000; PAGE_BYTES 0 (the pages as encoded, about 30 kB); LATENCY_MS 20;
#   ESTIMATE 1000. The earlier figures of 200 pages of 1 MB at 50 ms:
#   bench/batch/run.sh build/release 200 1000000 50
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${1:-build/release}
pages=${2:-2000}
page_bytes=${3:-0}
latency=${4:-20}
estimate_pages=${5:-1000}
cmake --build "$build" --target korvalis_archive_server krv korvalis_save_list_bench \
  korvalis_estimate_bench >/dev/null
work=$(mktemp -d)
trap 'kill "${archive_server_pid:-}" 2>/dev/null || true; rm -rf "$work"' EXIT
film=004010312
stem=TH-1977-53409-1402-98-  # the film's image APIDs
# A catalogue whose film has as many pages as the run asks for (the sample's films end earlier).
printf '%s\t00001\t%05d\t%s00001\n' "$film" "$((pages > 596 ? pages : 596))" "$stem" >"$work/catalogue.tsv"
. scripts/archive-server.sh
start_archive_server "$build" "$work" --catalogue "$work/catalogue.tsv" --page-bytes "$page_bytes" \
  --fault "latency=$latency" --exit-with-parent $$
krv="$build/tools/krv/krv"

: >"$work/curl.cfg"
for page in $(seq 1 "$pages"); do
  printf 'url = "%s/das/v2/%s%05d/dist.jpg"\noutput = "%s/curl/%05d.jpg"\n' \
    "$KORVALIS_ARCHIVE_URL" "$stem" "$page" "$work" "$page" >>"$work/curl.cfg"
done
mkdir -p "$work/curl" "$work/krv"
# Warm the server's page cache so both runs get ready pages.
curl -s --cacert "$KORVALIS_CA_FILE" --parallel --parallel-max 3 -K "$work/curl.cfg" 2>/dev/null
page_size=$(stat -c %s "$work/curl/00001.jpg")
rm -f "$work"/curl/*

"$krv" list "$film" 1 "$pages" "$work/list.krl" --names "$work/krv" 'p[4]'
start=$(date +%s.%N)
/usr/bin/time -f '%M' -o "$work/peak_all" "$krv" batch "$work/list.krl" >"$work/batch.out"
krv_time=$(echo "$(date +%s.%N) - $start" | bc)
start=$(date +%s.%N)
curl -s --cacert "$KORVALIS_CA_FILE" --parallel --parallel-max 3 -K "$work/curl.cfg" 2>/dev/null
curl_time=$(echo "$(date +%s.%N) - $start" | bc)
ok=$(grep -c $'\tOK$' "$work/batch.out" || true)
printf '%s pages of %s bytes, %s ms latency: krv batch %.3f s (%s OK), curl --parallel-max 3 %.3f s, ratio %.2f (target 1.2)\n' \
  "$pages" "$page_size" "$latency" "$krv_time" "$ok" "$curl_time" "$(echo "$krv_time / $curl_time" | bc -l)"
# The same batch over the first 200 pages only: the peak memory should not grow with the pages.
if ((pages > 200)); then
  rm -f "$work"/krv/*
  "$krv" list "$film" 1 200 "$work/list200.krl" --names "$work/krv" 'p[4]'
  /usr/bin/time -f '%M' -o "$work/peak_200" "$krv" batch "$work/list200.krl" >/dev/null
  peak_all=$(tail -n 1 "$work/peak_all")
  peak_200=$(tail -n 1 "$work/peak_200")
  printf 'krv batch peak memory: %s pages %d kB, 200 pages %d kB, ratio %.2f (target 1.2)\n' \
    "$pages" "$peak_all" "$peak_200" "$(echo "$peak_all / $peak_200" | bc -l)"
fi
rm -rf "$work/krv" "$work/curl"

# 99,999 rows in the window, against awk writing a list of the same shape.
start=$(date +%s.%N)
awk -v dir="$work" 'BEGIN { for (p = 1; p <= 99999; p++)
  printf "004010312_%05d\t%s/Seite_%05d.jpg\t \t0\t2\r\n", p, dir, p }' >"$work/awk.krl"
awk_time=$(echo "$(date +%s.%N) - $start" | bc)
QT_QPA_PLATFORM=offscreen "$build/bench/batch/korvalis_save_list_bench" "$work" |
  while read -r step seconds; do
    if [ "$step" = scroll_100 ]; then
      printf '99,999 rows, scrolling: %.1f ms per jump and repaint (100 jumps through the list)\n' \
        "$(echo "$seconds * 10" | bc -l)"
      continue
    fi
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
