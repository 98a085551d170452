#!/bin/sh
# Runs a window test program on Wayland: a weston compositor of its own, with Qt's Wayland
# platform, in a runtime folder of its own. Weston runs on its X11 backend inside a private
# Xvfb server, so that it has a seat (a keyboard and a pointer) as a desktop has: its headless
# backend has none, and without a seat Wayland offers no clipboard. The test program itself
# talks Wayland only (DISPLAY is unset for it).
# Usage: weston_run.sh TEST-PROGRAM [ARGUMENTS...]
set -eu
work=$(mktemp -d)
chmod 700 "$work"
xvfb=""
compositor=""
cleanup() {
  [ -n "$compositor" ] && kill "$compositor" 2>/dev/null || true
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT INT TERM

runner=weston_run
. "$(dirname "$0")/private_xvfb.sh"

XDG_RUNTIME_DIR="$work"
export XDG_RUNTIME_DIR
weston --backend=x11-backend.so --use-pixman \
  --socket=korvalis-test --idle-time=0 --width=1600 --height=1000 >"$work/weston.log" 2>&1 &
compositor=$!
for _ in $(seq 300); do
  [ -S "$work/korvalis-test" ] && break
  sleep 0.1
done
[ -S "$work/korvalis-test" ] ||
  { cat "$work/weston.log" >&2; echo "weston_run: weston did not start" >&2; exit 1; }

env -u DISPLAY WAYLAND_DISPLAY=korvalis-test QT_QPA_PLATFORM=wayland KORVALIS_TEST_PLATFORM=wayland \
  "$@"
