# Sourced by the scripts that need the test archive server (the demo, the screenshot tool, the
# archive benchmark); defines start_archive_server.
#
# start_archive_server BUILD_DIR WORK_DIR [SERVER OPTION ...]
#   Makes a certificate of its own in WORK_DIR (kept when it exists), starts the server of
#   BUILD_DIR over HTTPS with the sample catalogue and the options given, waits until it reports
#   its port and exports KORVALIS_ARCHIVE_URL, KORVALIS_SITE_URL and KORVALIS_CA_FILE for it.
#   Sets archive_server_pid and archive_port; the caller stops the server (kill
#   "$archive_server_pid"). Returns 1 when the server does not come up.
start_archive_server() {
  local build=$1 work=$2
  shift 2
  local root
  root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
  mkdir -p "$work"
  if [ ! -f "$work/cert.pem" ]; then
    # HTTPS stays verified: the programs trust this certificate through KORVALIS_CA_FILE.
    openssl req -x509 -newkey rsa:2048 -nodes -days 3650 -subj /CN=localhost \
      -addext subjectAltName=DNS:localhost,IP:127.0.0.1 \
      -keyout "$work/key.pem" -out "$work/cert.pem" >/dev/null 2>&1
  fi
  "$build/tools/archive_server/korvalis_archive_server" --cert "$work/cert.pem" \
    --key "$work/key.pem" --catalogue "$root/data/Beispiel.catalogue.tsv" "$@" \
    >"$work/server.out" &
  archive_server_pid=$!
  archive_port=""
  local _
  for _ in $(seq 1 100); do
    archive_port=$(awk '/^ready /{print $2}' "$work/server.out" 2>/dev/null || true)
    [ -n "$archive_port" ] && break
    kill -0 "$archive_server_pid" 2>/dev/null || break
    sleep 0.1
  done
  if [ -z "$archive_port" ]; then
    echo "the test archive server did not report ready" >&2
    return 1
  fi
  export KORVALIS_ARCHIVE_URL="https://localhost:$archive_port"
  export KORVALIS_SITE_URL="https://localhost:$archive_port/"
  export KORVALIS_CA_FILE
  KORVALIS_CA_FILE="$(cd "$work" && pwd)/cert.pem"
}
