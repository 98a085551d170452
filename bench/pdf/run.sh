#!/bin/sh
# Times `krv pdf` and the export window's path (exportPdf with the page in memory,
# pdf_export_bench) against img2pdf on the same 8 MB JPEG page, in one run, and prints time,
# peak memory and the ratios. Every output must pass qpdf --check and carry the JPEG unchanged.
# Usage: bench/pdf/run.sh [BUILD_DIR]
set -eu
here=$(cd "$(dirname "$0")" && pwd)
BUILD=${1:-$here/../../build/release}
KRV=$BUILD/tools/krv/krv
EXPORT=$BUILD/bench/pdf/pdf_export_bench
for tool in "$KRV" "$EXPORT"; do
  [ -x "$tool" ] || { echo "$tool not found (build krv and pdf_export_bench)" >&2; exit 2; }
done
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
WIDTH=3200 HEIGHT=4500
convert -size ${WIDTH}x${HEIGHT} plasma:fractal -quality 95 "$WORK/page.jpg"
SIZE=$(stat -c %s "$WORK/page.jpg")
echo "input: $SIZE bytes (${WIDTH} x ${HEIGHT})"
measure() { # name, command... -> median "seconds KiB" of five runs
  name=$1; shift
  : > "$WORK/$name.time"
  for i in 1 2 3 4 5; do /usr/bin/time -a -f "%e %M" -o "$WORK/$name.time" "$@" >/dev/null; done
  sort -n "$WORK/$name.time" | sed -n 3p
}
K=$(measure krv "$KRV" pdf "$WORK/page.jpg" "$WORK/krv.pdf")
E=$(measure export "$EXPORT" "$WORK/page.jpg" $WIDTH $HEIGHT "$WORK/export.pdf")
# The export call alone (the window already holds the page): median of five.
CALL=$(for i in 1 2 3 4 5; do "$EXPORT" "$WORK/page.jpg" $WIDTH $HEIGHT "$WORK/export.pdf"; done |
  sort -n | sed -n 3p)
I=$(measure img2pdf img2pdf "$WORK/page.jpg" -o "$WORK/img2pdf.pdf")
C=$(measure cp cp "$WORK/page.jpg" "$WORK/copy.jpg")
for f in krv export img2pdf; do
  qpdf --check "$WORK/$f.pdf" >/dev/null
done
for f in krv export; do
  qpdf --show-object=5 --raw-stream-data "$WORK/$f.pdf" | cmp - "$WORK/page.jpg"
done
set -- $K; kt=$1; km=$2
set -- $E; et=$1; em=$2
set -- $I; it=$1; im=$2
set -- $C; ct=$1; cm=$2
page=$((SIZE / 1024))
echo "krv pdf:       ${kt} s, ${km} KiB peak (median of 5)"
echo "exportPdf:     ${et} s, ${em} KiB peak (median of 5; page read into memory first)"
echo "  the call:    ${CALL} s (median of 5)"
echo "img2pdf:       ${it} s, ${im} KiB peak (median of 5)"
echo "cp:            ${ct} s, ${cm} KiB peak (median of 5)"
ratio() { echo "scale=3; $1 / $2" | bc; }
# /usr/bin/time gives hundredths; a run under 0.01 s counts as 0.01 s.
floor() { echo "if ($1 < 0.01) 0.01 else $1" | bc; }
echo "time krv/img2pdf:        $(ratio "$(floor "$kt")" "$it")   (target at most 0.1)"
echo "time exportPdf/img2pdf:  $(ratio "$(floor "$et")" "$it")   (whole process)"
echo "time export call/img2pdf: $(ratio "$CALL" "$it")   (target at most 0.1)"
echo "peak krv/page:           $(ratio "$km" "$page")   (target at most 2)"
echo "peak exportPdf/page:     $(ratio "$em" "$page")   (target at most 2)"
echo "load average: $(cut -d' ' -f1-3 /proc/loadavg)"
