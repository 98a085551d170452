#!/usr/bin/env bash
# Installs what is missing, builds the program and starts it against the test archive server
# with the bundled sample record file. The server is stopped when the program ends.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake --preset release >/dev/null
cmake --build --preset release -j"$(nproc)" --target korvalis korvalis_archive_server

. scripts/archive-server.sh
demo_dir=build/release/demo
trap 'kill "${archive_server_pid:-}" 2>/dev/null || true; wait 2>/dev/null || true' EXIT
start_archive_server build/release "$demo_dir" --log "$demo_dir/requests.log"
echo "Test archive server on $KORVALIS_ARCHIVE_URL (requests logged to $demo_dir/requests.log)"
build/release/app/korvalis "$@"
