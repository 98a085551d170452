#!/usr/bin/env bash
# Starts PROGRAM FILE on the current X display, waits until its main window is mapped and the
# start-up has settled, prints the names of the program's mapped top-level windows (one a line,
# sorted) and ends the program. Used under xvfb-run by check_install.sh.
#   top_windows.sh PROGRAM FILE
set -uo pipefail
"$1" "$2" >/dev/null 2>&1 &
pid=$!
names() {
  xwininfo -root -children 2>/dev/null | sed -n 's/^ *\(0x[0-9a-f]*\) \("[^"]*"\).*/\1 \2/p' |
    while read -r id name; do
      xwininfo -id "$id" 2>/dev/null | grep -q 'Map State: IsViewable' && printf '%s\n' "$name"
    done | sort
}
# The main window appears first; a dialog asked for at start comes right after it. Wait until
# the list has stayed the same for two seconds (at most 60 seconds in all).
last="" same=0
for _ in $(seq 1 120); do
  kill -0 "$pid" 2>/dev/null || break
  now=$(names)
  if [ -n "$now" ] && [ "$now" = "$last" ]; then
    same=$((same + 1))
    [ "$same" -ge 4 ] && break
  else
    same=0
  fi
  last=$now
  sleep 0.5
done
printf '%s\n' "$last"
kill "$pid" 2>/dev/null
wait "$pid" 2>/dev/null
exit 0
