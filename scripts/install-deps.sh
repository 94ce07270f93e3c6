#!/usr/bin/env bash
# Installs every Debian 12 package Zembrolt builds, tests or runs with.
# Idempotent: packages already present are left alone, and apt is only
# consulted when something is missing.
set -euo pipefail

packages=(
  # toolchain and build
  build-essential cmake ninja-build pkg-config git clang-format
  # tests and benchmarks (the window layout test measures its texts in DejaVu Sans)
  googletest libgtest-dev libgmock-dev libbenchmark-dev zip bzip2 libarchive-tools
  fonts-dejavu-core
  # archive tools: test archives (arj, gcab) and the decoding bench (unar, cabextract)
  arj gcab unar cabextract
  # windows and thumbnails
  qt6-base-dev qt6-base-dev-tools libgl-dev
  # archive and file-detail readers
  zlib1g-dev libbz2-dev libmspack-dev libpoppler-cpp-dev
  # thumbnail decoders
  libpng-dev libjpeg-dev libgif-dev libtiff-dev
  # video frames, duplicate hashes, update check
  libavformat-dev libavcodec-dev libswscale-dev libavutil-dev
  libxxhash-dev libcurl4
  # global hot key and its tests
  libx11-dev libxtst-dev xvfb
  # desktop integration: opening and printing files, and the checks of what we write
  xdg-utils cups-client desktop-file-utils
  # fuzzing
  clang libclang-rt-14-dev
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then
  SUDO="sudo"
fi

echo "install-deps: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y --no-install-recommends "${missing[@]}"
