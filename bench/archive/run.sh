#!/usr/bin/env bash
# Downloads a 5 MB page from the local test archive server with the transfer engine and with
# the curl command line in the same run, and prints the times and the ratios (engine / curl;
# below 1 means faster than curl). The anchors are curl at its strongest: sequentially, one
# curl process fetching the page N times (default 20) over one reused connection; three at
# once, one `curl --parallel --parallel-max 3` process fetching it 3 x N times, a new transfer
# starting as soon as one ends (the engine does the same: three always in flight). Each side's
# best of three rounds counts.
# Then steps through N pages of a film (2000 x 2800 pixels) against a server that takes 300 ms
# per request, once with the next page fetched ahead and once without, and prints the time
# from ">>" to the page decoded and handed to the view (mean, median and slowest step) and the
# ratio of the means (with / without). Last, the same pages shown again from the disk cache.
# Usage: bench/archive/run.sh [BUILD_DIR] [N]
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${1:-build/release}
count=${2:-20}
cmake --build "$build" --target korvalis_archive_server korvalis_archive_fetch_bench \
  korvalis_archive_prefetch_bench >/dev/null
work=$(mktemp -d)
trap 'kill "${archive_server_pid:-}" 2>/dev/null || true; rm -rf "$work"' EXIT
. scripts/archive-server.sh
start_archive_server "$build" "$work" --page-bytes 5000000
port=$archive_port
url="https://localhost:$port/das/v2/TH-1951-58455-2341-36-00017/dist.jpg"
curl -s --cacert "$work/cert.pem" -o /dev/null "$url"  # warm the server's page cache

# The same URL N (or 3 x N) times on one curl command line: one process, reused connections.
sequential_args=()
for _ in $(seq 1 "$count"); do sequential_args+=("$url" -o /dev/null); done
parallel_args=()
for _ in $(seq 1 $((3 * count))); do parallel_args+=("$url" -o /dev/null); done
# timed COMMAND...: the seconds COMMAND took.
timed() {
  local start
  start=$(date +%s.%N)
  "$@"
  echo "$(date +%s.%N) - $start" | bc
}
# min A B: the smaller of two times.
min() { echo "if ($1 < $2) $1 else $2" | bc; }
# Engine and curl take turns, three rounds; each keeps its best round, so a burst of other load
# on the machine does not decide the ratio.
engine_seq=999 engine_par=999 curl_seq=999 curl_par=999
for _ in 1 2 3; do
  result=$(KORVALIS_CA_FILE="$work/cert.pem" "$build/bench/archive/korvalis_archive_fetch_bench" \
    "$url" "$count")
  engine_seq=$(min "$engine_seq" "$(echo "$result" | awk '/^sequential/ {print $2}')")
  engine_par=$(min "$engine_par" "$(echo "$result" | awk '/^parallel3/ {print $2}')")
  curl_seq=$(min "$curl_seq" "$(timed curl -s --cacert "$work/cert.pem" "${sequential_args[@]}")")
  curl_par=$(min "$curl_par" "$(timed curl -s --cacert "$work/cert.pem" --parallel \
    --parallel-max 3 "${parallel_args[@]}" 2>/dev/null)")
done
printf 'sequential, %s downloads: engine %.3f s, curl %.3f s, ratio %.2f\n' "$count" "$engine_seq" \
  "$curl_seq" "$(echo "$engine_seq / $curl_seq" | bc -l)"
printf 'three at once, %s downloads: engine %.3f s, curl %.3f s, ratio %.2f\n' "$((3 * count))" "$engine_par" \
  "$curl_par" "$(echo "$engine_par / $curl_par" | bc -l)"

kill "$archive_server_pid"
wait "$archive_server_pid" 2>/dev/null || true
start_archive_server "$build" "$work" --page-size 2000x2800 --fault latency=300
result=$(KORVALIS_CA_FILE="$work/cert.pem" "$build/bench/archive/korvalis_archive_prefetch_bench" \
  "https://localhost:$archive_port/das/v2/" "$count")
read -r _ ahead_mean ahead_median ahead_max < <(echo "$result" | grep '^prefetch')
read -r _ plain_mean plain_median plain_max < <(echo "$result" | grep '^plain')
printf '">>" to page shown x%s, 300 ms per request:\n' "$count"
printf '  with prefetch:    mean %.3f s, median %.3f s, slowest %.3f s\n' "$ahead_mean" \
  "$ahead_median" "$ahead_max"
printf '  without prefetch: mean %.3f s, median %.3f s, slowest %.3f s\n' "$plain_mean" \
  "$plain_median" "$plain_max"
printf '  ratio %.3f\n' "$(echo "$ahead_mean / $plain_mean" | bc -l)"

# Pages revisited from the disk cache: N pages shown once (kept in a cache folder), then shown
# again by a new process, so no page is held in memory; timed from the request to the decoded
# page, with the requests the server saw meanwhile counted from its log.
kill "$archive_server_pid"
wait "$archive_server_pid" 2>/dev/null || true
start_archive_server "$build" "$work" --page-size 2000x2800 --log "$work/requests.log"
prefix="https://localhost:$archive_port/das/v2/"
KORVALIS_CA_FILE="$work/cert.pem" "$build/bench/archive/korvalis_archive_prefetch_bench" \
  "$prefix" "$count" --cache-fill "$work/cache" >/dev/null
asked=$(wc -l <"$work/requests.log")
result=$(KORVALIS_CA_FILE="$work/cert.pem" "$build/bench/archive/korvalis_archive_prefetch_bench" \
  "$prefix" "$count" --cache-revisit "$work/cache")
revisit_requests=$(($(wc -l <"$work/requests.log") - asked))
read -r _ cached_mean cached_median cached_max < <(echo "$result" | grep '^cached')
read -r _ memory_before memory_after < <(echo "$result" | grep '^memory')
printf 'page shown again from the disk cache x%s (2000 x 2800 pixels; target under 0.050 s):\n' \
  "$count"
printf '  mean %.4f s, median %.4f s, slowest %.4f s; requests to the archive: %s (target 0)\n' \
  "$cached_mean" "$cached_median" "$cached_max" "$revisit_requests"
printf '1,000 pages through the cache: resident %s KB before, %s KB after\n' "$memory_before" \
  "$memory_after"
