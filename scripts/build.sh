#!/usr/bin/env bash
# Configures and builds Zembrolt. Release by default; extra arguments go to
# CMake (for example -DZEMBROLT_SANITIZE=ON). BUILD_DIR picks the folder,
# BUILD_TARGET one target to build instead of everything.
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${BUILD_DIR:-build}
cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=${BUILD_TYPE:-Release} "$@"
target=()
if [ -n "${BUILD_TARGET:-}" ]; then
  target=(--target "$BUILD_TARGET")
fi
cmake --build "$build_dir" --parallel "$(nproc)" "${target[@]}"
