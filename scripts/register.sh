#!/usr/bin/env bash
# The installer's side of the desktop integration, as regsvr32 is on Windows:
# calls DllRegisterServer of libzembrolt.so, which adds the "Zembrolt
# Utility..." launcher to the application menus; with -u calls
# DllUnregisterServer instead, which removes the launcher and the "Find with
# Zembrolt" actions from the file managers' menus (the program's first start
# adds those). Installs what is missing and builds the program, the library and
# the command (zbregister) first. BUILD_DIR picks the build folder (build by
# default).
#
#   bash scripts/register.sh        register
#   bash scripts/register.sh -u     unregister
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${BUILD_DIR:-build}
bash scripts/install-deps.sh
BUILD_TARGET=zembrolt_runtime bash scripts/build.sh
cmake --build "$build_dir" --target zbregister
exec "./$build_dir/app/zbregister" "$@"
