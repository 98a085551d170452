#!/usr/bin/env bash
# The soak run: the program offscreen against the local test archive server (small pages,
# 20 ms per request) steps through pages (">>", "<<", jumps to random pages, Esc while a page
# loads) and runs batch downloads through the save window, then prints resident memory, open
# descriptors and threads after the warm-up and at the end, and the verdicts.
#   full run:   2,000 page steps and three batch runs of 500 pages; fails on a leak of
#               descriptors or threads or memory above +10 % of the warm-up figure
#   --short:    200 page steps and three batch runs of 20 pages (the test soak_short); fails on a
#               leak of descriptors or threads, memory is reported only
# The random sequence is seeded: KORVALIS_SOAK_SEED (default 23) repeats a run.
# Usage: bench/soak/run.sh [BUILD_DIR] [--short]
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$root/build/release
short=0
for arg in "$@"; do
  case "$arg" in
    --short) short=1 ;;
    *) build=$(cd "$arg" && pwd) ;;
  esac
done
soak="$build/bench/soak/korvalis_soak"
for program in "$soak" "$build/tools/archive_server/korvalis_archive_server"; do
  [ -x "$program" ] || { echo "$program is missing (build korvalis_soak and korvalis_archive_server)" >&2; exit 2; }
done

work=$(mktemp -d)
trap 'kill "${archive_server_pid:-}" 2>/dev/null || true; rm -rf "$work"' EXIT
. "$root/scripts/archive-server.sh"
start_archive_server "$build" "$work/server" --fault latency=20 --exit-with-parent $$
# The program's settings and state stay in the work folder.
export XDG_CONFIG_HOME="$work/config" XDG_STATE_HOME="$work/state" XDG_CACHE_HOME="$work/cache"
mkdir -p "$work/pages"

args=(--record "$root/data/Beispiel.krv" --catalogue "$root/data/Beispiel.catalogue.tsv"
  --work "$work/pages" --seed "${KORVALIS_SOAK_SEED:-23}")
if ((short)); then
  args+=(--pages 200 --batches 3 --batch-pages 20 --warm-up 20)
else
  args+=(--pages 2000 --batches 3 --batch-pages 500 --warm-up 100 --strict-memory)
fi
echo "load average $(cut -d' ' -f1-3 /proc/loadavg), $(nproc) processors"
start=$SECONDS
status=0
QT_QPA_PLATFORM=offscreen "$soak" "${args[@]}" || status=$?
echo "soak run: $((SECONDS - start)) s, exit status $status"
exit "$status"
