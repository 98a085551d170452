#!/bin/sh
# Runs a window test program on a private X server (Xvfb, 1600 x 1000) under the openbox window
# manager, so that what the window manager is told and how it stacks the windows can be read
# back (xprop). Usage: openbox_run.sh TEST-PROGRAM [ARGUMENTS...]
set -eu
work=$(mktemp -d)
xvfb=""
wm=""
cleanup() {
  [ -n "$wm" ] && kill "$wm" 2>/dev/null || true
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT INT TERM

runner=openbox_run
. "$(dirname "$0")/private_xvfb.sh"

HOME="$work" openbox --sm-disable >"$work/openbox.log" 2>&1 &
wm=$!
# The window manager is up once it names itself on the root window.
for _ in $(seq 300); do
  xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id" && break
  sleep 0.1
done
xprop -root _NET_SUPPORTING_WM_CHECK | grep -q "window id" ||
  { echo "openbox_run: openbox did not start" >&2; exit 1; }

QT_QPA_PLATFORM=xcb "$@"
