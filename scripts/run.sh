#!/usr/bin/env bash
# Installs what is missing, builds Zembrolt and starts it; the arguments go
# to the program (a folder to search in, for example). BUILD_DIR picks the
# build folder (build by default).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh
exec "./${BUILD_DIR:-build}/app/zembrolt" "$@"
