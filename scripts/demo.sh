#!/usr/bin/env bash
# Installs what is missing, builds the program and starts it against the test archive server
# with the bundled sample record file.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake --preset release >/dev/null
cmake --build --preset release -j"$(nproc)" --target korvalis
exec build/release/app/korvalis
