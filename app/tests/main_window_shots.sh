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
trap 'kill "${archive_server_pid:-}" 2>/dev/null || true; wait 2>/dev/null || true; rm -rf "$work"' EXIT

. "$src/scripts/archive-server.sh"
start_archive_server "$build" "$work"
export QT_QPA_PLATFORM=xcb
export QT_SCALE_FACTOR="$scale"
xvfb-run -a -s "-screen 0 1600x1200x24" "$build/app/tests/main_window_shots" "$out"
