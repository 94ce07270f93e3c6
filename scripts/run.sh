#!/usr/bin/env bash
# Installs what is missing, builds what running needs (the program and what it
# loads, not the tests) and starts Zembrolt; the arguments go to the program
# (a folder to search in, for example). BUILD_DIR picks the build folder
# (build by default).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
BUILD_TARGET=zembrolt_runtime bash scripts/build.sh
exec "./${BUILD_DIR:-build}/app/zembrolt" "$@"
