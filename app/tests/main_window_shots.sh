#!/usr/bin/env bash
# Takes screenshots of the main window with a page from the test archive server under Xvfb.
#   app/tests/main_window_shots.sh BUILD_DIR OUT_DIR [SCALE]
# SCALE (for example 1.5) becomes QT_SCALE_FACTOR. Needs the targets main_window_shots and
# korvalis_archive_server built in BUILD_DIR.
set -euo pipefail
build=$1
out=$2
scale=${3:-1}
src="$(cd "$(dirname "$0")/../.." && pwd)"
work=$(mktemp -d)
trap 'kill "${server_pid:-}" 2>/dev/null || true; wait 2>/dev/null || true; rm -rf "$work"' EXIT

openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=localhost \
  -addext subjectAltName=DNS:localhost,IP:127.0.0.1 \
  -keyout "$work/key.pem" -out "$work/cert.pem" >/dev/null 2>&1
"$build/tools/archive_server/korvalis_archive_server" --cert "$work/cert.pem" \
  --key "$work/key.pem" --catalogue "$src/data/Beispiel.catalogue.tsv" >"$work/ready" &
server_pid=$!
port=""
for _ in $(seq 1 100); do
  port=$(awk '/^ready /{print $2}' "$work/ready" 2>/dev/null || true)
  [ -n "$port" ] && break
  sleep 0.1
done
[ -n "$port" ] || { echo "the test archive server did not report ready" >&2; exit 1; }

export KORVALIS_ARCHIVE_URL="https://localhost:$port"
export KORVALIS_SITE_URL="https://localhost:$port/"
export KORVALIS_CA_FILE="$work/cert.pem"
export QT_QPA_PLATFORM=xcb
export QT_SCALE_FACTOR="$scale"
xvfb-run -a -s "-screen 0 1600x1200x24" "$build/app/tests/main_window_shots" "$out"
