#!/bin/sh
# Times `krv pdf` against img2pdf on the same large JPEG page (about 5 MB), in one run, and
# prints time, peak memory and the ratio. Both outputs must pass qpdf --check and render.
# Usage: bench/pdf/run.sh [path/to/krv]
set -eu
KRV=${1:-build/release/tools/krv/krv}
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
convert -size 3000x4000 plasma:fractal -quality 92 "$WORK/page.jpg"
echo "input: $(stat -c %s "$WORK/page.jpg") bytes"
measure() { # name, command...
  name=$1; shift
  /usr/bin/time -f "%e %M" -o "$WORK/$name.time" "$@" >/dev/null
  for i in 1 2 3 4; do /usr/bin/time -a -f "%e %M" -o "$WORK/$name.time" "$@" >/dev/null; done
  sort -n "$WORK/$name.time" | sed -n 3p
}
K=$(measure krv "$KRV" pdf "$WORK/page.jpg" "$WORK/krv.pdf")
I=$(measure img2pdf img2pdf "$WORK/page.jpg" -o "$WORK/img2pdf.pdf")
for f in krv img2pdf; do
  qpdf --check "$WORK/$f.pdf" >/dev/null
  pdftoppm -r 10 -f 1 -l 1 -gray "$WORK/$f.pdf" "$WORK/$f" >/dev/null
done
set -- $K; kt=$1; km=$2
set -- $I; it=$1; im=$2
echo "krv pdf:  ${kt} s, ${km} KiB peak (median of 5)"
echo "img2pdf:  ${it} s, ${im} KiB peak (median of 5)"
echo "speed ratio img2pdf/krv: $(echo "scale=2; $it / ($kt + 0.005)" | bc)"
echo "memory ratio img2pdf/krv: $(echo "scale=2; $im / $km" | bc)"
