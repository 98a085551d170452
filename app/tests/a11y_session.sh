#!/usr/bin/env bash
# Runs the real program as a user of assistive technology meets it: a private X server (Xvfb)
# under openbox, a session bus with the accessibility bus on it (at-spi2-core), the test archive
# server, and the program with Qt's accessibility bridge switched on, showing the sample record
# file. Then runs the check given (a script that walks the accessibility tree or types keys)
# with these in its environment:
#   DISPLAY, DBUS_SESSION_BUS_ADDRESS   the X server and the session bus
#   KORVALIS_PID                       the program
#   KORVALIS_WORK                      a folder of the run's own (the program's settings,
#                                      state and page cache are below it; out/ is empty)
# The check's exit status is the run's; the program must still be running at the end.
# Usage: a11y_session.sh BUILD_DIR CHECK [ARGUMENTS...]
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "$1" && pwd)
shift

work=$(mktemp -d)
export KORVALIS_WORK=$work
pids=()
cleanup() {
  local status=$?
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do
    kill "${pids[i]}" 2>/dev/null || true
  done
  # Each process ends before its files go (the scheduler still writes its cache on the way out).
  for pid in "${pids[@]}"; do
    for _ in $(seq 50); do
      kill -0 "$pid" 2>/dev/null || break
      sleep 0.1
    done
  done
  if ((status != 0)); then
    for log in "$work"/*.log; do
      [ -s "$log" ] && { echo "--- $(basename "$log")"; tail -n 20 "$log"; }
    done
  fi
  rm -rf "$work" || true
  exit "$status"
}
trap cleanup EXIT INT TERM

# The session's own home, runtime and config folders: the accessibility bus puts its socket
# there, the program its settings.
export HOME=$work/home XDG_RUNTIME_DIR=$work/run XDG_CONFIG_HOME=$work/config \
  XDG_STATE_HOME=$work/state XDG_CACHE_HOME=$work/cache
mkdir -p "$HOME" "$XDG_RUNTIME_DIR" "$work/out"
chmod 700 "$XDG_RUNTIME_DIR"

Xvfb -displayfd 3 -screen 0 1600x1000x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
pids+=($!)
for _ in $(seq 100); do
  [ -s "$work/display" ] && break
  sleep 0.1
done
[ -s "$work/display" ] || { echo "a11y_session: Xvfb did not start" >&2; exit 1; }
export DISPLAY=":$(cat "$work/display")"

openbox --sm-disable >"$work/openbox.log" 2>&1 &
pids+=($!)
for _ in $(seq 100); do
  xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id" && break
  sleep 0.1
done

# The session bus, then the accessibility bus it starts (org.a11y.Bus) with its registry.
eval "$(dbus-launch --sh-syntax)"
pids+=("$DBUS_SESSION_BUS_PID")
launcher=/usr/libexec/at-spi-bus-launcher
[ -x "$launcher" ] || { echo "a11y_session: $launcher is missing (at-spi2-core)" >&2; exit 1; }
"$launcher" --launch-immediately >"$work/at-spi.log" 2>&1 &
pids+=($!)
for _ in $(seq 100); do
  dbus-send --session --print-reply --dest=org.a11y.Bus /org/a11y/bus org.a11y.Bus.GetAddress \
    >/dev/null 2>&1 && break
  sleep 0.1
done
dbus-send --session --print-reply --dest=org.a11y.Bus /org/a11y/bus org.a11y.Bus.GetAddress \
  >/dev/null || { echo "a11y_session: the accessibility bus did not start" >&2; exit 1; }

# A printing scheduler of the session's own with one printer that writes to a file, so the
# print window opens (reached through CUPS_SERVER; the machine's printing setup is untouched).
mkdir -p "$work/cups/spool/tmp" "$work/cups/cache" "$work/cups/state" "$work/cups/logs" \
  "$work/cups/client"
chmod 755 "$work" "$work/cups"
cat >"$work/cups/cupsd.conf" <<CONF
Listen $work/cups/cups.sock
LogLevel warn
Browsing No
WebInterface No
DefaultAuthType None
<Location />
  Order allow,deny
  Allow all
</Location>
CONF
cat >"$work/cups/cups-files.conf" <<CONF
FileDevice Yes
ServerRoot $work/cups
RequestRoot $work/cups/spool
TempDir $work/cups/spool/tmp
CacheDir $work/cups/cache
StateDir $work/cups/state
ErrorLog $work/cups/logs/error_log
AccessLog $work/cups/logs/access_log
PageLog $work/cups/logs/page_log
CONF
if [ "$(id -u)" -ne 0 ]; then
  printf 'User %s\nGroup %s\n' "$(id -un)" "$(id -gn)" >>"$work/cups/cups-files.conf"
fi
"$(command -v cupsd || echo /usr/sbin/cupsd)" -f -c "$work/cups/cupsd.conf" \
  -s "$work/cups/cups-files.conf" >"$work/cupsd.log" 2>&1 &
pids+=($!)
export CUPS_SERVER=$work/cups/cups.sock CUPS_SERVERROOT=$work/cups/client
for _ in $(seq 100); do
  [ -S "$CUPS_SERVER" ] && LC_ALL=C lpstat -r 2>/dev/null | grep -q "scheduler is running" && break
  sleep 0.1
done
lpadmin -p Buero -E -v "file://$work/cups/printed.out" -m raw >>"$work/cupsd.log" 2>&1
lpadmin -d Buero >>"$work/cupsd.log" 2>&1

. "$root/scripts/archive-server.sh"
start_archive_server "$build" "$work/server" --exit-with-parent $$
pids+=("$archive_server_pid")

QT_QPA_PLATFORM=xcb QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 QT_ACCESSIBILITY=1 \
  "$build/app/korvalis" "$root/data/Beispiel.krv" >"$work/program.log" 2>&1 &
export KORVALIS_PID=$!
pids+=("$KORVALIS_PID")

status=0
"$@" || status=$?
if ! kill -0 "$KORVALIS_PID" 2>/dev/null; then
  echo "a11y_session: the program ended during the check" >&2
  status=1
fi
exit "$status"
