#!/usr/bin/env bash
# Sets everything up and runs every test: installs the Debian packages,
# configures, builds and runs CTest. Exits non-zero on any failure.
# ZEMBROLT_SANITIZE=ON runs the same under AddressSanitizer and UBSan.
set -euo pipefail
cd "$(dirname "$0")"
bash scripts/install-deps.sh
unset BUILD_TARGET  # the tests need everything built
if [ "${ZEMBROLT_SANITIZE:-OFF}" = "ON" ]; then
  export BUILD_DIR=${BUILD_DIR:-build-sanitize}
  export BUILD_TYPE=${BUILD_TYPE:-RelWithDebInfo}
  bash scripts/build.sh -DZEMBROLT_SANITIZE=ON
else
  export BUILD_DIR=${BUILD_DIR:-build}
  bash scripts/build.sh
fi
export QT_QPA_PLATFORM=offscreen
ctest --test-dir "$BUILD_DIR" --output-on-failure --parallel "$(nproc)" --timeout 600
