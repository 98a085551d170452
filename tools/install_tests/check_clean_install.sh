#!/usr/bin/env bash
# Installs the Debian package into a Debian 12 that has never seen the project and runs it there:
#   tools/install_tests/check_clean_install.sh BUILD_DIR
# Builds the package (cpack -G DEB), makes a minimal Debian 12 root with mmdebstrap (essential
# packages, apt and man-db) from this machine's package sources, installs the package with apt
# (no recommended packages: what it declares must suffice) and runs inside the root:
# krv --version, krv --help, man -w krv, korvalis --version, and korvalis on the offscreen
# platform with the installed sample record file for three seconds. Fails on a missing library,
# platform plugin or translation, or on such a complaint in the program's output.
# Downloads the packages from the configured mirrors, so it is not part of the CI run (label
# install-clean). Exit status 77 (skipped) when mmdebstrap is missing; scripts/install-deps.sh
# installs it.
set -euo pipefail
build=$(cd "$1" && pwd)
src="$(cd "$(dirname "$0")/../.." && pwd)"
command -v mmdebstrap >/dev/null || {
  echo "SKIP: mmdebstrap is not installed (scripts/install-deps.sh installs it)"
  exit 77
}
command -v cpack >/dev/null || { echo "FAIL: cpack is missing" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

version=$(sed -n 's/.*kProgramVersion = "\(.*\)";/\1/p' "$src/app/app_state_init.h")
(cd "$work" && cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/package" >"$work/cpack.log" 2>&1) ||
  { tail -20 "$work/cpack.log" >&2; echo "FAIL: cpack -G DEB" >&2; exit 1; }
deb=$(ls "$work"/package/korvalis_*.deb | head -1)
echo "package $(basename "$deb"): Installed-Size $(dpkg-deb -f "$deb" Installed-Size) kB"
echo "Depends: $(dpkg-deb -f "$deb" Depends)"

# This machine's package sources (the files apt reads; disabled ones end otherwise).
sources=()
for file in /etc/apt/sources.list /etc/apt/sources.list.d/*.list /etc/apt/sources.list.d/*.sources; do
  [ -s "$file" ] && grep -qE '^[[:space:]]*(deb|Types:)' "$file" && sources+=("$file")
done
((${#sources[@]})) || { echo "FAIL: no package sources configured" >&2; exit 1; }

# The checks run inside the root; they write their findings and never stop the root's making.
cat >"$work/inside.sh" <<'EOF'
set -u
version=$1
failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}
export LANG=C.UTF-8 HOME=/root XDG_RUNTIME_DIR=/tmp/runtime
# The archive's addresses point at a closed port: no request leaves the machine.
export KORVALIS_ARCHIVE_URL=https://127.0.0.1:9 KORVALIS_SITE_URL=https://127.0.0.1:9/
mkdir -p -m 700 "$XDG_RUNTIME_DIR"
out=$(krv --version 2>&1) || fail "krv --version exits with $?"
[ "$out" = "krv $version" ] || fail "krv --version prints '$out'"
out=$(krv --help 2>&1) || fail "krv --help exits with $?"
grep -q '^  krv ' <<<"$out" || fail "krv --help lists no command"
out=$(man -w krv 2>&1) || fail "man -w krv exits with $?: $out"
[ "$out" = /usr/share/man/man1/krv.1.gz ] || fail "man -w krv finds '$out'"
out=$(QT_QPA_PLATFORM=offscreen korvalis --version 2>&1) || fail "korvalis --version exits with $?"
[ "$out" = "korvalis $version" ] || fail "korvalis --version prints '$out'"
for program in /usr/bin/korvalis /usr/bin/krv /usr/libexec/korvalis/krv-print; do
  missing=$(ldd "$program" | grep 'not found')
  [ -z "$missing" ] || fail "$program misses libraries: $missing"
done
# The German texts of the toolkit's dialogs; the program goes on without them silently.
qm=$(ls /usr/share/qt6/translations/qt_de.qm /usr/share/qt6/translations/qtbase_de.qm 2>/dev/null)
[ -n "$qm" ] || fail "the toolkit's German translations are not installed"
# Three seconds of the program with the sample: still running then (timeout ends it, 124).
QT_QPA_PLATFORM=offscreen timeout 3 korvalis /usr/share/korvalis/Beispiel.krv >/tmp/run.log 2>&1
status=$?
[ "$status" = 124 ] || fail "korvalis with the sample ended after less than 3 s with status $status"
echo "--- output of korvalis with the sample (3 s):"
cat /tmp/run.log
echo "---"
complaints=$(grep -iE 'shared librar|shared object|cannot load|could not load|could not find|platform plugin|no such file|not found|missing|translation|fontconfig|QFont' /tmp/run.log)
[ -z "$complaints" ] || fail "complaints in the program's output: $complaints"
echo "failures=$failures"
EOF

echo "making the Debian 12 root from: ${sources[*]}"
start=$SECONDS
status=0
mmdebstrap --variant=apt --include=man-db \
  --customize-hook="copy-in '$deb' '$work/inside.sh' /tmp" \
  --customize-hook="chroot \"\$1\" env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends /tmp/$(basename "$deb") >'$work/apt.log' 2>&1" \
  --customize-hook="chroot \"\$1\" dpkg-query -W -f='\${Installed-Size}\n' > '$work/sizes.txt'" \
  --customize-hook="chroot \"\$1\" bash /tmp/inside.sh '$version' >'$work/inside.log' 2>&1 || true" \
  bookworm "$work/root" "${sources[@]}" >"$work/mmdebstrap.log" 2>&1 || status=$?
echo "root made and package installed in $((SECONDS - start)) s (mmdebstrap exit status $status)"
if [ "$status" != 0 ]; then
  tail -30 "$work/mmdebstrap.log" >&2
  [ -s "$work/apt.log" ] && tail -30 "$work/apt.log" >&2
  echo "FAIL: the root was not made or apt could not install the package" >&2
  exit 1
fi
grep -E '^(Need to get|After this operation|[0-9]+ upgraded)' "$work/apt.log" || true
echo "the whole root: $(awk '{s += $1} END {print int(s / 1024)}' "$work/sizes.txt") MB installed, $(wc -l <"$work/sizes.txt") packages"
cat "$work/inside.log"
grep -qx 'failures=0' "$work/inside.log" || { echo "FAIL: the installed package does not run cleanly" >&2; exit 1; }
echo "clean install on Debian 12: all checks passed"
