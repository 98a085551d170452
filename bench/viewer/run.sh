#!/usr/bin/env bash
# Times the page viewer on a 6000 x 4000 page received as JPEG, against peer tools in one run:
#   display = what the user waits for when a page arrives: received JPEG bytes -> full page image
#             (exact decode), the bytes kept, the fitted display copy made (viewer_bench display;
#             painting the copy is not included) vs djpeg decoding the same file, and for
#             reference djpeg -scale 1/4 and ImageMagick -resize
#   each point operation and the quarter turn on the decoded page (viewer_bench op) vs
#             ImageMagick's nearest equivalent: convert applies it 3 times in one run, the
#             decode-only run is subtracted and the rest divided by 3 (one application
#             alone is too close to the run-to-run noise of the decode)
#   peak memory of one shown page (viewer_bench show) against the decoded page size
# Both sides use every core they find (ImageMagick through OpenMP, the viewer in bands).
# Usage: bench/viewer/run.sh [BUILD_DIR]   (a Release build with the viewer_bench target)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
build=${1:-$root/build/release}
bench="$build/bench/viewer/viewer_bench"
[ -x "$bench" ] || { echo "viewer_bench not found in $build (build the viewer_bench target)" >&2; exit 2; }
for tool in djpeg convert; do
  command -v "$tool" > /dev/null || { echo "$tool is missing (scripts/install-deps.sh)" >&2; exit 2; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
page="$work/page.jpg"
"$bench" page "$page" 6000 4000
free_w=1400
free_h=900
reps=3

# Best of $runs (default 3) wall-clock runs, in seconds.
best() {
  local best_time=""
  for _ in $(seq "${runs:-3}"); do
    local start end t
    start=$(date +%s.%N)
    "$@" > /dev/null 2>&1
    end=$(date +%s.%N)
    t=$(echo "$end - $start" | bc -l)
    if [ -z "$best_time" ] || [ "$(echo "$t < $best_time" | bc -l)" = 1 ]; then best_time=$t; fi
  done
  printf '%.4f\n' "$best_time"
}
ratio() { printf '%.2f' "$(echo "$1 / $2" | bc -l)"; }

echo "load average at the start: $(cut -d' ' -f1-3 /proc/loadavg) ($(nproc) cores)"
echo "page: 6000 x 4000 JPEG, $(stat -c %s "$page") bytes; free area ${free_w} x ${free_h}"
ours=$("$bench" display "$page" $free_w $free_h 2> "$work/display")
ours_detail=$(cat "$work/display")
# The short runs of the first comparison are taken seven times on each side: a burst of other
# work on the machine then rarely spoils all of them.
djpeg_full=$(runs=7 best djpeg -outfile /dev/null "$page")
djpeg_quarter=$(runs=7 best djpeg -scale 1/4 -outfile /dev/null "$page")
magick_resize=$(best convert "$page" -resize ${free_w}x${free_h} null:)
printf '%-26s %8s s   (decode + keep bytes + fitted copy; %s)\n' "viewer bytes -> shown" "$ours" "$ours_detail"
printf '%-26s %8s s   viewer / djpeg = %s (target <= 1.3)\n' "djpeg (full decode)" "$djpeg_full" "$(ratio "$ours" "$djpeg_full")"
printf '%-26s %8s s   viewer / djpeg -scale = %s\n' "djpeg -scale 1/4" "$djpeg_quarter" "$(ratio "$ours" "$djpeg_quarter")"
printf '%-26s %8s s   convert / viewer = %s\n' "convert -resize" "$magick_resize" "$(ratio "$magick_resize" "$ours")"

echo
echo "point operations on the page (ImageMagick: ($reps applications - decode only) / $reps):"
run_op() {
  local label=$1 ours_args=$2 magick_args=$3
  local o m repeated=()
  for _ in $(seq "$reps"); do
    # shellcheck disable=SC2206
    repeated+=($magick_args)
  done
  # shellcheck disable=SC2086
  o=$("$bench" op $ours_args "$page")
  # The decode-only time is taken again beside each operation, so a change of load between
  # the operations does not end up in the difference.
  magick_base=$(best convert "$page" null:)
  m=$(best convert "$page" "${repeated[@]}" null:)
  m=$(echo "($m - $magick_base) / $reps" | bc -l)
  printf '%-12s viewer %8.4f s   convert %8.4f s   convert / viewer = %s (target >= 3)\n' \
    "$label" "$o" "$m" "$(ratio "$m" "$o")"
}
run_op invert "invert" "-negate"
run_op mono "mono 128" "-threshold 50%"
run_op equalise "equalise" "-equalize"
run_op brightness "brightness 40" "-brightness-contrast 15x0"
run_op contrast "contrast 80" "-brightness-contrast 0x30"
run_op gamma "gamma 2.2" "-gamma 2.2"
run_op rotate "rotate 90" "-rotate 90"

echo
echo "load average at the end: $(cut -d' ' -f1-3 /proc/loadavg)"
/usr/bin/time -f '%M' -o "$work/peak" "$bench" show "$page" $free_w $free_h > /dev/null 2>&1
peak_kb=$(tail -1 "$work/peak")
decoded_kb=$((6000 * 4000 * 4 / 1024))
printf 'peak memory with the page shown: %d KB = %s x the decoded page (%d KB; target < 3)\n' \
  "$peak_kb" "$(ratio "$peak_kb" "$decoded_kb")" "$decoded_kb"
