# Sourced by the window-test runners: starts a private X server (Xvfb, 1600 x 1000) with its
# files in $work, sets xvfb to its process and exports DISPLAY; ends the script with a message
# naming $runner when the server does not come up within 30 s.
Xvfb -displayfd 3 -screen 0 1600x1000x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb=$!
for _ in $(seq 300); do
  [ -s "$work/display" ] && break
  sleep 0.1
done
[ -s "$work/display" ] || { echo "$runner: Xvfb did not start" >&2; exit 1; }
DISPLAY=":$(cat "$work/display")"
export DISPLAY
