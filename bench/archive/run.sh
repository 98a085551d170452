#!/usr/bin/env bash
# Downloads a 5 MB page from the local test archive server N times (default 20) with the
# transfer engine and with the curl command line in the same run, sequentially and three at
# once, and prints the times and the ratios (engine / curl; below 1 means faster than curl).
# Usage: bench/archive/run.sh [BUILD_DIR] [N]
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${1:-build/release}
count=${2:-20}
cmake --build "$build" --target korvalis_archive_server korvalis_archive_fetch_bench >/dev/null
work=$(mktemp -d)
trap 'kill "$server_pid" 2>/dev/null || true; rm -rf "$work"' EXIT
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=localhost \
  -addext subjectAltName=DNS:localhost,IP:127.0.0.1 \
  -keyout "$work/key.pem" -out "$work/cert.pem" >/dev/null 2>&1
"$build/tools/archive_server/korvalis_archive_server" --cert "$work/cert.pem" \
  --key "$work/key.pem" --catalogue data/Beispiel.catalogue.tsv --page-bytes 5000000 \
  >"$work/ready" &
server_pid=$!
for _ in $(seq 1 100); do grep -q '^ready' "$work/ready" && break; sleep 0.1; done
port=$(awk '/^ready /{print $2}' "$work/ready")
url="https://localhost:$port/das/v2/TH-1951-58455-2341-36-00017/dist.jpg"
curl -s --cacert "$work/cert.pem" -o /dev/null "$url"  # warm the server's page cache

read -r _ engine_seq < <(KORVALIS_CA_FILE="$work/cert.pem" \
  "$build/bench/archive/korvalis_archive_fetch_bench" "$url" "$count" | grep sequential)
read -r _ engine_par < <(KORVALIS_CA_FILE="$work/cert.pem" \
  "$build/bench/archive/korvalis_archive_fetch_bench" "$url" "$count" | grep parallel3)
start=$(date +%s.%N)
for _ in $(seq 1 "$count"); do curl -s --cacert "$work/cert.pem" -o /dev/null "$url"; done
curl_seq=$(echo "$(date +%s.%N) - $start" | bc)
start=$(date +%s.%N)
for _ in $(seq 1 "$count"); do
  pids=()
  for _ in 1 2 3; do
    curl -s --cacert "$work/cert.pem" -o /dev/null "$url" &
    pids+=($!)
  done
  wait "${pids[@]}"  # not a bare wait: the server runs in the background too
done
curl_par=$(echo "$(date +%s.%N) - $start" | bc)
printf 'sequential x%s: engine %.3f s, curl %.3f s, ratio %.2f\n' "$count" "$engine_seq" \
  "$curl_seq" "$(echo "$engine_seq / $curl_seq" | bc -l)"
printf 'three at once x%s: engine %.3f s, curl %.3f s, ratio %.2f\n' "$count" "$engine_par" \
  "$curl_par" "$(echo "$engine_par / $curl_par" | bc -l)"
