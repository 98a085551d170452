#!/usr/bin/env bash
# Installs Korvalis into a staging folder and checks what a user's machine would get:
#   tools/install_tests/check_install.sh BUILD_DIR layout    the installed tree, the menu entry,
#       file types, metadata, manuals and icons by their own validators, krv run from the
#       staging folder, and the Debian package (contents, declared dependencies, apt's dry run)
#   tools/install_tests/check_install.sh BUILD_DIR program   the installed korvalis: --version
#       under the offscreen platform, and started with a record file under Xvfb it shows its
#       main window without asking for a file (an invalid file gets the question)
# BUILD_DIR must hold a complete build (korvalis, krv, the manuals).
set -euo pipefail
build=$(cd "$1" && pwd)
mode=${2:-layout}
src="$(cd "$(dirname "$0")/../.." && pwd)"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}
# expect_eq WHAT EXPECTED ACTUAL
expect_eq() {
  if [ "$2" != "$3" ]; then fail "$1: expected '$2', got '$3'"; fi
}

root="$work/root"
DESTDIR="$root" cmake --install "$build" --prefix /usr >"$work/install.log"
usr="$root/usr"
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
program_version=$(sed -n 's/.*kProgramVersion = "\(.*\)";/\1/p' "$src/app/app_state_init.h")
app_id=invalid.korvalis.korvalis

check_program() {
  # --version needs no display; the offscreen platform is set in case the program makes its
  # application object first.
  out=$(QT_QPA_PLATFORM=offscreen timeout 60 "$usr/bin/korvalis" --version) || fail "korvalis --version exits with $?"
  expect_eq "korvalis --version" "korvalis $program_version" "$out"
  QT_QPA_PLATFORM=offscreen timeout 60 "$usr/bin/korvalis" --no-such-option >/dev/null 2>&1 && rc=0 || rc=$?
  expect_eq "korvalis with an unknown option: exit code" 2 "$rc"

  # Started with a record file, the program shows its main window and no dialog; with an
  # invalid file the question "choose again?" (title "Fehler!") appears beside it.
  command -v xvfb-run >/dev/null || { fail "xvfb-run is missing"; return; }
  printf 'no record file\r\n' >"$work/Kaputt.krv"
  for case in valid invalid; do
    file="$usr/share/korvalis/Beispiel.krv"
    [ "$case" = invalid ] && file="$work/Kaputt.krv"
    windows=$(XDG_CONFIG_HOME="$work/config" XDG_STATE_HOME="$work/state" \
      KORVALIS_ARCHIVE_URL=https://127.0.0.1:9 \
      KORVALIS_SITE_URL=https://127.0.0.1:9/ xvfb-run -a -s "-screen 0 1280x1024x24" \
      bash "$src/tools/install_tests/top_windows.sh" "$usr/bin/korvalis" "$file")
    case "$case" in
      valid) expect_eq "top-level windows with the sample" '" Korvalis"' "$windows" ;;
      invalid) grep -qx '"Fehler!"' <<<"$windows" ||
        fail "an invalid record file gets no question: windows $windows" ;;
    esac
  done
}

if [ "$mode" = program ]; then
  check_program
  [ "$failures" -eq 0 ] && echo "installed program: all checks passed"
  exit $((failures > 0))
fi

# --- the installed tree
expected=(
  bin/korvalis bin/krv libexec/korvalis/krv-print
  share/korvalis/WebHelp/Index.htm share/korvalis/Beispiel.krv share/korvalis/Beispiel.catalogue.tsv
  "share/applications/$app_id.desktop" "share/metainfo/$app_id.metainfo.xml"
  "share/mime/packages/$app_id.xml"
  share/man/man1/krv.1.gz share/man/man1/korvalis.1.gz share/doc/korvalis/korvalis.conf
)
for f in "${expected[@]}"; do
  [ -f "$usr/$f" ] || fail "not installed: $f"
done
[ -x "$usr/bin/korvalis" ] && [ -x "$usr/bin/krv" ] && [ -x "$usr/libexec/korvalis/krv-print" ] ||
  fail "the programs are not executable"
cmp -s "$src/data/Beispiel.krv" "$usr/share/korvalis/Beispiel.krv" || fail "the sample differs from data/Beispiel.krv"
[ "$(find "$usr/share/korvalis/WebHelp" -name '*.htm' | wc -l)" = "$(find "$src/WebHelp" -name '*.htm' | wc -l)" ] ||
  fail "help pages missing under share/korvalis/WebHelp"
# Nothing outside the usual folders (no build leftovers, no test programs).
unexpected=$(cd "$usr" && find . -type f | grep -vE '^\./(bin/(korvalis|krv)|libexec/korvalis/krv-print|share/(korvalis|applications|metainfo|mime/packages|icons/hicolor|man/man1|doc/korvalis)/)' || true)
expect_eq "files outside the expected folders" "" "$unexpected"
for icon in apps/korvalis mimetypes/application-x-korvalis-records mimetypes/application-x-korvalis-savelist; do
  for size in 16 22 24 32 48 64 128 256; do
    png="$usr/share/icons/hicolor/${size}x${size}/$icon.png"
    file -b "$png" 2>/dev/null | grep -q "^PNG image data, $size x $size," || fail "icon $png is not a $size px PNG"
  done
  xmllint --noout "$usr/share/icons/hicolor/scalable/$icon.svg" 2>/dev/null || fail "icon $icon.svg is not well-formed"
done

# --- the validators of the desktop
desktop-file-validate "$usr/share/applications/$app_id.desktop" || fail "desktop-file-validate"
appstreamcli validate --no-net --pedantic "$usr/share/metainfo/$app_id.metainfo.xml" >"$work/appstream.log" 2>&1 ||
  { cat "$work/appstream.log" >&2; fail "appstreamcli validate"; }
grep -q '^Exec=korvalis %f$' "$usr/share/applications/$app_id.desktop" || fail "the menu entry does not pass the file"
grep -q '^MimeType=application/x-korvalis-records;$' "$usr/share/applications/$app_id.desktop" || fail "MimeType"
# The file types build a MIME database whose globs name the two extensions.
mkdir -p "$work/data"
cp -r "$usr/share/mime" "$work/data/mime"
XDG_DATA_DIRS="$work/data" update-mime-database "$work/data/mime" 2>"$work/mime.log" || fail "update-mime-database"
if [ -s "$work/mime.log" ]; then
  cat "$work/mime.log" >&2
  fail "update-mime-database warns"
fi
grep -qx 'application/x-korvalis-records:\*\.krv' "$work/data/mime/globs" || fail "no glob for .krv"
grep -qx 'application/x-korvalis-savelist:\*\.krl' "$work/data/mime/globs" || fail "no glob for .krl"

# --- manuals render without a warning and name every krv command
for page in krv korvalis; do
  warnings=$(MANWIDTH=80 man --warnings -l "$usr/share/man/man1/$page.1.gz" 2>&1 >/dev/null)
  expect_eq "warnings of $page(1)" "" "$warnings"
done
for page in krv korvalis; do
  manual=$(MANWIDTH=200 man -l "$usr/share/man/man1/$page.1.gz" 2>/dev/null)
  for word in "EXIT STATUS" ENVIRONMENT FILES KORVALIS_ARCHIVE_URL KORVALIS_SITE_URL \
    KORVALIS_CA_FILE korvalis.conf; do
    grep -q -- "$word" <<<"$manual" || fail "$page(1) does not mention $word"
  done
done
for key in archive_url site_url ca_file; do
  gzip -dc "$usr/share/man/man1/korvalis.1.gz" | grep -q "^\.B $key$" || fail "korvalis(1) does not describe $key"
done

# --- krv run from the staging folder
for program in bin/korvalis bin/krv libexec/korvalis/krv-print; do
  missing=$(ldd "$usr/$program" | grep 'not found' || true)
  expect_eq "libraries $program does not find" "" "$missing"
done
krv="$usr/bin/krv"
export XDG_CONFIG_HOME="$work/config"
expect_eq "krv --version" "krv $program_version" "$("$krv" --version)"
"$krv" --help >"$work/help.txt" || fail "krv --help exits with $?"
commands=$(sed -n 's/^  krv \([a-z]*\).*/\1/p' "$work/help.txt" | sort -u)
[ -n "$commands" ] || fail "krv --help lists no command"
for command in $commands; do
  "$krv" "$command" --help >"$work/command.txt" || fail "krv $command --help exits with $?"
  grep -q "^usage: krv $command" "$work/command.txt" || fail "krv $command --help prints no usage"
  grep -q "\\\\fB$command\\\\fP\|krv $command\b" <(gzip -dc "$usr/share/man/man1/krv.1.gz") ||
    fail "krv(1) does not describe krv $command"
done
expect_eq "krv check on the installed sample" valid "$("$krv" check "$usr/share/korvalis/Beispiel.krv")"
"$krv" tree "$usr/share/korvalis/Beispiel.krv" >"$work/tree.txt" 2>/dev/null || fail "krv tree on the sample"
[ -s "$work/tree.txt" ] || fail "krv tree on the sample lists nothing"
# The print commands run in the installed helper: without arguments it answers with its usage.
"$krv" print >/dev/null 2>"$work/print.txt" && rc=0 || rc=$?
expect_eq "krv print without arguments: exit code (from krv-print)" 2 "$rc"
grep -q "^usage: krv print" "$work/print.txt" || fail "krv print did not reach krv-print: $(cat "$work/print.txt")"
"$krv" nosuchcommand >/dev/null 2>&1 && rc=0 || rc=$?
expect_eq "krv with an unknown command: exit code" 2 "$rc"

# The installed example settings file is well formed; a damaged one is reported with its line.
mkdir -p "$XDG_CONFIG_HOME/korvalis"
sed 's/^#\(archive_url\|site_url\) = /\1 = /' "$usr/share/doc/korvalis/korvalis.conf" >"$XDG_CONFIG_HOME/korvalis/korvalis.conf"
grep -q '^archive_url = https://' "$XDG_CONFIG_HOME/korvalis/korvalis.conf" || fail "the example has no archive_url"
"$krv" check "$usr/share/korvalis/Beispiel.krv" >/dev/null 2>"$work/stderr.txt" || fail "krv check with the example settings"
expect_eq "krv's complaint about the example settings" "" "$(cat "$work/stderr.txt")"
printf '[archive]\narchive_url = https://a.example\nproxy = on\n' >"$XDG_CONFIG_HOME/korvalis/korvalis.conf"
"$krv" check "$usr/share/korvalis/Beispiel.krv" >/dev/null 2>"$work/stderr.txt" || true
expect_eq "krv's report of a damaged settings file" \
  "krv: $XDG_CONFIG_HOME/korvalis/korvalis.conf:3: unknown key 'proxy'; the built-in settings are used" \
  "$(cat "$work/stderr.txt")"
unset XDG_CONFIG_HOME

# --- the Debian package
command -v cpack >/dev/null || fail "cpack is missing"
(cd "$work" && cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/package" >"$work/cpack.log" 2>&1) ||
  { tail -20 "$work/cpack.log" >&2; fail "cpack -G DEB"; }
deb=$(ls "$work"/package/korvalis_*.deb 2>/dev/null | head -1)
if [ -z "$deb" ]; then
  fail "no package korvalis_*.deb"
else
  expect_eq "package name" "korvalis_${version}_$(dpkg --print-architecture).deb" "$(basename "$deb")"
  dpkg-deb -c "$deb" | awk '{print $6}' | sed 's|^\./|/|' >"$work/contents.txt"
  for f in "${expected[@]}"; do
    grep -qx "/usr/$f" "$work/contents.txt" || fail "not in the package: /usr/$f"
  done
  depends=$(dpkg-deb -f "$deb" Depends)
  echo "package dependencies: $depends"
  for needed in libqt6widgets6 libcurl4 libjpeg62-turbo libpng16-16 libtiff6 \
    libfontconfig1 zlib1g qt6-qpa-plugins qt6-translations-l10n ca-certificates; do
    grep -qE "(^|, )$needed( |,|$)" <<<"$depends" || fail "the package does not depend on $needed"
  done
  for field in Package Version Architecture Maintainer Description Section; do
    [ -n "$(dpkg-deb -f "$deb" "$field")" ] || fail "the package has no $field"
  done
  # Every dependency is a package Debian has, and apt resolves them (a dry run, nothing installed).
  for name in $(tr ',|' '\n\n' <<<"$depends" | sed 's/(.*//; s/ //g' | sort -u); do
    apt-cache show "$name" >/dev/null 2>&1 || fail "dependency $name is unknown to apt"
  done
  if [ "$(id -u)" = 0 ]; then
    apt-get install --simulate -qq "$deb" >"$work/apt.log" 2>&1 || { cat "$work/apt.log" >&2; fail "apt cannot install the package"; }
  fi
fi

[ "$failures" -eq 0 ] && echo "installed layout and package: all checks passed"
exit $((failures > 0))
