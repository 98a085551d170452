#!/bin/sh
# Writes PDFs with `krv pdf` from JPEG, PNG, BMP and TIFF inputs, one and several at a time, and checks them with qpdf and
# poppler: structure, page size, a rendered page that is not blank, and the JPEG embedded unchanged.
set -eu
KRV=$1
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
cd "$WORK"
printf 'nothing' > bad.jpg
convert -size 640x480 gradient:navy-orange in.png
convert in.png in.bmp
convert in.png in.tif
convert in.png -quality 85 in.jpg
for f in in.jpg in.png in.bmp in.tif; do
  "$KRV" pdf "$f" "$f.pdf"
  qpdf --check "$f.pdf" >/dev/null
  pdfinfo "$f.pdf" | grep -q "595.28 x 841.89"
  pdftoppm -r 15 -gray "$f.pdf" page
  # A blank page renders with a single grey level.
  [ "$(tail -c +16 page-1.pgm | od -An -tu1 -v | tr -s ' ' '\n' | sort -u | wc -l)" -gt 3 ]
  rm -f page-1.pgm
done
# The JPEG stream is byte-identical to the input file.
qpdf --show-object=5 --raw-stream-data in.jpg.pdf > stream.bin
cmp stream.bin in.jpg
"$KRV" pdf in.jpg land.pdf --landscape --margins 5,5,5,5
pdfinfo land.pdf | grep -q "841.89 x 595.28"
"$KRV" pdf in.jpg orig.pdf --original
pdfinfo orig.pdf | grep -q "640 x 480 pts"
# Several images: one page each in order, an outline entry per page named after its file, the
# options applied to every page.
cp in.jpg "Köslin_001.jpg"
convert -size 300x500 gradient:white-black -quality 90 tall.jpg
"$KRV" pdf "Köslin_001.jpg" in.png tall.jpg several.pdf
qpdf --check several.pdf >/dev/null
pdfinfo several.pdf | grep -q "^Pages: *3$"
qpdf --json=2 several.pdf > several.json
python3 - several.json <<'PY'
import json, sys
doc = json.load(open(sys.argv[1], encoding="utf-8"))
titles = [entry["title"] for entry in doc["outlines"]]
assert titles == ["Köslin_001", "in", "tall"], titles
PY
"$KRV" pdf in.jpg tall.jpg orig2.pdf --original
pdfinfo -f 1 -l 2 orig2.pdf | grep -q "Page    1 size: *640 x 480 pts"
pdfinfo -f 1 -l 2 orig2.pdf | grep -q "Page    2 size: *300 x 500 pts"
"$KRV" pdf in.jpg tall.jpg land2.pdf --landscape
[ "$(pdfinfo -f 1 -l 2 land2.pdf | grep -c '841.89 x 595.28')" -eq 2 ]
# A refused image among several writes nothing.
if "$KRV" pdf in.jpg bad.jpg tall.jpg none.pdf 2>/dev/null; then exit 1; fi
[ ! -e none.pdf ]
# Refusals: usage and unreadable input.
if "$KRV" pdf in.jpg out.pdf --margins 1,2; then exit 1; fi
if "$KRV" pdf bad.jpg bad.pdf; then exit 1; fi
[ ! -e bad.pdf ]
echo "krv pdf: all checks passed"
