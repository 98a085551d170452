#!/usr/bin/env bash
# Installs what is missing, builds the program and starts it against the test archive server
# with the bundled sample record file. The server is stopped when the program ends.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake --preset release >/dev/null
cmake --build --preset release -j"$(nproc)" --target korvalis korvalis_archive_server

# A certificate authority of its own for the local server (HTTPS stays verified).
demo_dir=build/release/demo
mkdir -p "$demo_dir"
if [ ! -f "$demo_dir/cert.pem" ]; then
  openssl req -x509 -newkey rsa:2048 -nodes -days 3650 -subj /CN=localhost \
    -addext subjectAltName=DNS:localhost,IP:127.0.0.1 \
    -keyout "$demo_dir/key.pem" -out "$demo_dir/cert.pem" >/dev/null 2>&1
fi

ready_file="$demo_dir/server.out"
build/release/tools/archive_server/korvalis_archive_server \
  --cert "$demo_dir/cert.pem" --key "$demo_dir/key.pem" \
  --catalogue data/Beispiel.catalogue.tsv --log "$demo_dir/requests.log" >"$ready_file" &
server_pid=$!
trap 'kill "$server_pid" 2>/dev/null || true; wait "$server_pid" 2>/dev/null || true' EXIT

port=""
for _ in $(seq 1 100); do
  port=$(awk '/^ready /{print $2}' "$ready_file" 2>/dev/null || true)
  [ -n "$port" ] && break
  kill -0 "$server_pid" 2>/dev/null || { echo "the test archive server did not start" >&2; exit 1; }
  sleep 0.1
done
[ -n "$port" ] || { echo "the test archive server did not report ready" >&2; exit 1; }

export KORVALIS_ARCHIVE_URL="https://localhost:$port"
export KORVALIS_SITE_URL="https://localhost:$port/"
export KORVALIS_CA_FILE="$PWD/$demo_dir/cert.pem"
echo "Test archive server on $KORVALIS_ARCHIVE_URL (requests logged to $demo_dir/requests.log)"
build/release/app/korvalis "$@"
