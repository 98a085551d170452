#!/bin/sh
# Colour reduction of `krv convert` against ImageMagick on a page-sized photo of handwriting
# (grey) and a colour page: PSNR of each reduced file against the original, and the time of
# each conversion (decode, reduce, encode as PNG), in one run. Each conversion runs twice;
# the faster run counts.
# usage: bench/save/run.sh BUILD_DIR [WORK_DIR]
set -eu
build=${1:?usage: run.sh BUILD_DIR [WORK_DIR]}
krv=$build/tools/krv/krv
here=$(cd "$(dirname "$0")" && pwd)
work=${2:-$(mktemp -d)}
IM=${IM_CONVERT:-convert}
[ -f "$work/handwriting.jpg" ] && [ -f "$work/colour.jpg" ] || "$here/make_pages.sh" "$work"

now() { date +%s%N; }
# Runs a command twice and prints the faster time in milliseconds.
best_ms() {
  best=
  for _ in 1 2; do
    t0=$(now)
    "$@" >/dev/null 2>&1
    t1=$(now)
    t=$(((t1 - t0) / 1000000))
    if [ -z "$best" ] || [ "$t" -lt "$best" ]; then best=$t; fi
  done
  echo "$best"
}
psnr() { compare -metric PSNR "$1" "$2" null: 2>&1 | awk '{print $1}'; }
# Depth and colour count of a PNG as identify reads it back.
readback() { identify -format '%[png:IHDR.bit-depth-orig]-bit %k colours' "$1"; }

printf '%-12s %5s  %9s %9s %8s  %9s %9s %8s  %s\n' page colours "krv dB" "IM dB" "dB gain" \
  "krv ms" "IM ms" speedup "krv file"
for page in handwriting colour; do
  in=$work/$page.jpg
  for depth in 1 4 8; do
    colours=$((1 << depth))
    ours=$work/$page-krv-$depth.png
    theirs=$work/$page-im-$depth.png
    if [ "$depth" = 1 ]; then
      set -- "$IM" "$in" -monochrome "$theirs"
    else
      set -- "$IM" "$in" -dither FloydSteinberg -colors "$colours" "$theirs"
    fi
    t_im=$(best_ms "$@")
    t_krv=$(best_ms "$krv" convert "$in" "$ours" --depth "$depth")
    p_krv=$(psnr "$in" "$ours")
    p_im=$(psnr "$in" "$theirs")
    printf '%-12s %5s  %9s %9s %8s  %9s %9s %8s  %s\n' "$page" "$colours" "$p_krv" "$p_im" \
      "$(echo "$p_krv $p_im" | awk '{printf "%+.2f", $1 - $2}')" "$t_krv" "$t_im" \
      "$(echo "$t_im $t_krv" | awk '{printf "%.1fx", $1 / ($2 > 0 ? $2 : 1)}')" \
      "$(readback "$ours")"
  done
done
echo "load average: $(cut -d' ' -f1-3 /proc/loadavg)"
