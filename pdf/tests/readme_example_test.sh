#!/bin/sh
# The README shows the example program as it is built, and the program's document reads back:
# two pages, the picture, the link to page 2 and the texts.
set -eu
EXAMPLE=$1
README=$2
SOURCE=$3
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
# The code block under "The PDF writer" is the example's source.
awk '/^## The PDF writer/ { inside = 1 } inside && /^```cpp$/ { code = 1; next }
     code && /^```$/ { exit } code { print }' "$README" > "$WORK/shown.cpp"
cmp "$WORK/shown.cpp" "$SOURCE"
cd "$WORK"
convert -size 120x90 gradient:navy-orange -quality 85 picture.jpg
for locale in C de_DE.UTF-8; do
  LC_ALL=$locale "$EXAMPLE" picture.jpg out.pdf
  qpdf --check out.pdf >/dev/null
  pdfinfo out.pdf | grep -q "^Pages: *2$"
  pdfinfo out.pdf | grep -q "^Title: *Beispiel$"
  pdfimages -list out.pdf | grep -q " 120 *90 *rgb"
  pdftotext out.pdf - | grep -q "Weiter zu Seite 2"
  pdftotext -f 2 -l 2 out.pdf - | grep -q "Grüße, 5 €."
  # The link's destination is the second page object.
  qpdf --json=2 out.pdf | python3 -c '
import json, sys
doc = json.load(sys.stdin)
objects = doc["qpdf"][1]
pages = [p["object"] for p in doc["pages"]]
links = [a for p in pages for a in objects["obj:" + p]["value"].get("/Annots", [])
         if a.get("/Subtype") == "/Link"]
assert len(links) == 1, links
assert links[0]["/Dest"][0] == pages[1], (links, pages)
'
  rm out.pdf
done
echo "readme example: all checks passed"
