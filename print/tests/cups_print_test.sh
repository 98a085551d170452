#!/bin/sh
# Prints through a CUPS scheduler of the test's own (configuration, spool and sockets in a
# temporary folder, reached through CUPS_SERVER; the machine's printing setup is not touched),
# with `krv print` and through the print window, and reads the printed PDF back: an A4 page in
# the expected orientation, one image, and the image's top-left corner at the margins to within
# a device pixel. Without a scheduler the test is skipped (exit 77), except in CI where it fails.
set -eu
KRV=$1
DRIVER=$2

unavailable() {
  echo "cups_print_test: $1" >&2
  if [ "${CI:-}" = "true" ]; then exit 1; fi
  exit 77
}
command -v cupsd >/dev/null 2>&1 || [ -x /usr/sbin/cupsd ] || unavailable "cupsd is not installed"
CUPSD=$(command -v cupsd || echo /usr/sbin/cupsd)

WORK=$(mktemp -d)
CUPSD_PID=""
cleanup() {
  if [ -n "$CUPSD_PID" ]; then kill "$CUPSD_PID" 2>/dev/null || true; wait "$CUPSD_PID" 2>/dev/null || true; fi
  rm -rf "$WORK"
}
trap cleanup EXIT
# Filters run as the scheduler's unprivileged user when it runs as root; they must reach the spool.
chmod 755 "$WORK"
mkdir -p "$WORK/spool/tmp" "$WORK/cache" "$WORK/state" "$WORK/logs" "$WORK/out" "$WORK/client" \
  "$WORK/home"
chmod 777 "$WORK/out"

cat > "$WORK/cupsd.conf" <<CONF
Listen $WORK/cups.sock
LogLevel warn
Browsing No
WebInterface No
DefaultAuthType None
<Policy default>
  <Limit All>
    Order allow,deny
    Allow all
  </Limit>
</Policy>
<Location />
  Order allow,deny
  Allow all
</Location>
CONF
{
  echo "FileDevice Yes"
  echo "ServerRoot $WORK"
  echo "RequestRoot $WORK/spool"
  echo "TempDir $WORK/spool/tmp"
  echo "CacheDir $WORK/cache"
  echo "StateDir $WORK/state"
  echo "ErrorLog $WORK/logs/error_log"
  echo "AccessLog $WORK/logs/access_log"
  echo "PageLog $WORK/logs/page_log"
  if [ "$(id -u)" -ne 0 ]; then
    echo "User $(id -un)"
    echo "Group $(id -gn)"
  fi
} > "$WORK/cups-files.conf"

# A 300 dpi A4 printer that takes PDF and passes it on unchanged (gziptoany copies its input),
# writing to a file: the printed job is exactly what the program sent.
make_ppd() {
  cat <<PPD
*PPD-Adobe: "4.3"
*FormatVersion: "4.3"
*FileVersion: "1.0"
*LanguageVersion: English
*LanguageEncoding: ISOLatin1
*PCFileName: "KRVTEST.PPD"
*Manufacturer: "Korvalis"
*Product: "($1)"
*ModelName: "$1"
*ShortNickName: "$1"
*NickName: "$1"
*PSVersion: "(3010.000) 0"
*LanguageLevel: "3"
*ColorDevice: True
*DefaultColorSpace: RGB
*FileSystem: False
*Throughput: "1"
*LandscapeOrientation: Plus90
*TTRasterizer: Type42
*cupsVersion: 2.4
*cupsFilter2: "application/pdf application/pdf 0 gziptoany"
*OpenUI *PageSize/Media Size: PickOne
*OrderDependency: 10 AnySetup *PageSize
*DefaultPageSize: A4
*PageSize A4/A4: "<</PageSize[595 842]>>setpagedevice"
*CloseUI: *PageSize
*OpenUI *PageRegion: PickOne
*OrderDependency: 10 AnySetup *PageRegion
*DefaultPageRegion: A4
*PageRegion A4/A4: "<</PageSize[595 842]>>setpagedevice"
*CloseUI: *PageRegion
*DefaultImageableArea: A4
*ImageableArea A4/A4: "0 0 595 842"
*DefaultPaperDimension: A4
*PaperDimension A4/A4: "595 842"
*OpenUI *Resolution/Resolution: PickOne
*OrderDependency: 10 AnySetup *Resolution
*DefaultResolution: 300dpi
*Resolution 300dpi/300 dpi: "<</HWResolution[300 300]>>setpagedevice"
*CloseUI: *Resolution
PPD
}
make_ppd "Korvalis Test PDF" > "$WORK/pdf.ppd"
make_ppd "Korvalis Test Laser" > "$WORK/laser.ppd"

"$CUPSD" -f -c "$WORK/cupsd.conf" -s "$WORK/cups-files.conf" > "$WORK/logs/cupsd.out" 2>&1 &
CUPSD_PID=$!
export CUPS_SERVER="$WORK/cups.sock"
# The user's own options (default printer, orientation) go to the test's folders: the home
# folder's .cups for a user, CUPS_SERVERROOT for root.
export CUPS_SERVERROOT="$WORK/client" HOME="$WORK/home"
unset PRINTER LPDEST || true
tries=0
# lpstat -r can exit 0 before the scheduler listens: wait for its socket and its own words.
until [ -S "$WORK/cups.sock" ] && LC_ALL=C lpstat -r 2>/dev/null | grep -q "scheduler is running"; do
  tries=$((tries + 1))
  if [ $tries -gt 100 ] || ! kill -0 "$CUPSD_PID" 2>/dev/null; then
    cat "$WORK/logs/cupsd.out" "$WORK/logs/error_log" 2>/dev/null >&2 || true
    unavailable "the test's own cupsd could not be started"
  fi
  sleep 0.1
done
lpadmin -p Korvalis_PDF -E -v "file://$WORK/out/pdf-printer.out" -P "$WORK/pdf.ppd"
lpadmin -p Buero -E -v "file://$WORK/out/buero.out" -P "$WORK/laser.ppd"
lpadmin -d Buero

# Waits for the scheduler to finish every job and for the output file, then moves it to $2.
take_output() {
  tries=0
  while [ -n "$(lpstat -o 2>/dev/null)" ] || [ ! -s "$1" ]; do
    tries=$((tries + 1))
    [ $tries -le 300 ] || { echo "no printed output in $1" >&2; exit 1; }
    sleep 0.1
  done
  mv "$1" "$2"
}

# Bounding box of the non-white pixels of a grey PGM as "left top right bottom", and the grey
# value at (x, y).
ink_box() {
  python3 - "$1" <<'PY'
import sys
data = open(sys.argv[1], 'rb').read()
magic, w, h, maxval = data.split(None, 4)[:4]
w, h = int(w), int(h)
px = data[len(data) - w * h:]
xs = [x for y in range(h) for x in range(w) if px[y * w + x] < 200]
ys = [y for y in range(h) for x in range(w) if px[y * w + x] < 200]
print(min(xs), min(ys), max(xs), max(ys)) if xs else print("none")
PY
}

# The test image: 600 x 400, dark blue, with a black 60 x 60 mark in its top-left corner.
convert -size 600x400 xc:'rgb(40,60,160)' -fill black -draw "rectangle 0,0 59,59" "$WORK/page.png"

# 15 mm at 300 dpi (the printer's resolution): round(15 x 2479 / 210) = 177 device pixels.
MARGIN=177
check_page() { # PDF ORIENTATION(portrait|landscape)
  pdfinfo "$1" > "$WORK/info.txt"
  grep -q "Pages: *1$" "$WORK/info.txt"
  size=$(sed -n 's/^Page size: *\([0-9.]*\) x \([0-9.]*\) pts.*/\1 \2/p' "$WORK/info.txt")
  w=${size% *}; h=${size#* }
  case "$2" in
    portrait) [ "${w%.*}" -ge 594 ] && [ "${w%.*}" -le 596 ] && [ "${h%.*}" -ge 841 ] && [ "${h%.*}" -le 842 ] ;;
    landscape) [ "${w%.*}" -ge 841 ] && [ "${w%.*}" -le 842 ] && [ "${h%.*}" -ge 594 ] && [ "${h%.*}" -le 596 ] ;;
  esac || { echo "$1: page size $size is not A4 $2" >&2; exit 1; }
  [ "$(pdfimages -list "$1" | tail -n +3 | wc -l)" -eq 1 ] || { echo "$1: not one image" >&2; exit 1; }
  # The corner region at the printer's resolution.
  pdftoppm -r 300 -gray -x $((MARGIN - 20)) -y $((MARGIN - 20)) -W 80 -H 80 "$1" "$WORK/corner"
  set -- $(ink_box "$WORK/corner-1.pgm")
  [ "$1" -ge 19 ] && [ "$1" -le 21 ] && [ "$2" -ge 19 ] && [ "$2" -le 21 ] || {
    echo "image corner at ($(( $1 + MARGIN - 20 )), $(( $2 + MARGIN - 20 ))), expected ($MARGIN, $MARGIN)" >&2
    exit 1
  }
  rm -f "$WORK"/corner-1.pgm
}
# Grey value at (x, y) of a 300 dpi rendering.
grey_at() {
  pdftoppm -r 300 -gray -x "$2" -y "$3" -W 1 -H 1 "$1" "$WORK/dot"
  od -An -tu1 -v "$WORK/dot-1.pgm" | tr -s ' ' '\n' | tail -n 1
}

# krv printers: both entries, the default marked.
"$KRV" printers > "$WORK/printers.txt"
grep -qx "\* Buero,Korvalis Test Laser,file://$WORK/out/buero.out" "$WORK/printers.txt"
grep -qx "  Korvalis_PDF,Korvalis Test PDF,file://$WORK/out/pdf-printer.out" "$WORK/printers.txt"

# krv print on the default printer, 15 mm margins: portrait, the mark in the corner.
"$KRV" print "$WORK/page.png"
take_output "$WORK/out/buero.out" "$WORK/krv.pdf"
check_page "$WORK/krv.pdf" portrait
[ "$(grey_at "$WORK/krv.pdf" $((MARGIN + 5)) $((MARGIN + 5)))" -lt 30 ]

# krv print --turned: the image's top-right corner (blue, not the black mark) at the margins and
# its top-left corner (the mark) at the bottom-left. Turned, the printable area is
# round(2479 x 297 / 210 - 354) = 3152 by 2479 - 354 = 2125; the 600 x 400 image is limited by
# the first, so its 600 columns run 3152 pixels down the sheet.
"$KRV" print "$WORK/page.png" --printer Korvalis_PDF --margins 15,15,15,15 --turned
take_output "$WORK/out/pdf-printer.out" "$WORK/krv-turned.pdf"
check_page "$WORK/krv-turned.pdf" portrait
[ "$(grey_at "$WORK/krv-turned.pdf" $((MARGIN + 5)) $((MARGIN + 5)))" -gt 40 ]
[ "$(grey_at "$WORK/krv-turned.pdf" $((MARGIN + 5)) $((MARGIN + 3152 - 5)))" -lt 30 ]
# krv leaves the user's default alone.
lpstat -d | grep -q "destination: Buero$"

# The window: the PDF printer chosen in the list is printed on (portrait) and handed back as
# the window's choice; the user's default printer stays as it was.
"$DRIVER" cups "$WORK/page.png" Korvalis_PDF > "$WORK/driver.txt"
grep -qx "page 2479 3508" "$WORK/driver.txt"
grep -qx "chosen Korvalis_PDF" "$WORK/driver.txt"
take_output "$WORK/out/pdf-printer.out" "$WORK/window.pdf"
check_page "$WORK/window.pdf" portrait
[ "$(grey_at "$WORK/window.pdf" $((MARGIN + 5)) $((MARGIN + 5)))" -lt 30 ]
lpstat -d | grep -q "destination: Buero$"
[ -s "$WORK/home/.cups/lpoptions" ] || [ -s "$WORK/client/lpoptions" ]

# The window, turned, on the PDF printer: the question is asked, Yes prints the unturned image
# (mark at the corner) on a landscape sheet, and the printer keeps landscape.
"$DRIVER" cups "$WORK/page.png" Korvalis_PDF --turn > "$WORK/driver-turned.txt"
grep -qx "message: PDF-Datei erstellen... / Ausgabe drehen (Landscape)?" "$WORK/driver-turned.txt"
take_output "$WORK/out/pdf-printer.out" "$WORK/window-landscape.pdf"
check_page "$WORK/window-landscape.pdf" landscape
[ "$(grey_at "$WORK/window-landscape.pdf" $((MARGIN + 5)) $((MARGIN + 5)))" -lt 30 ]
lpoptions -p Korvalis_PDF | grep -q "orientation-requested=4"

# No printer at all: krv says so.
lpadmin -x Buero
lpadmin -x Korvalis_PDF
if "$KRV" printers 2> "$WORK/err.txt"; then exit 1; fi
grep -q "No printer installed" "$WORK/err.txt"
echo "cups print: all checks passed"
