#!/usr/bin/env bash
# Times the thumbnail library against ImageMagick on the same corpus, in the
# default thumbnail box (128) and the largest (256), JPEG and PNG apart.
#
#   build/bench/zb_thumb_bench make /tmp/zbthumbs          # 200 JPEG + 200 PNG files
#   bench/thumb_compare.sh /tmp/zbthumbs [build]
#
# ImageMagick is not one of the project's packages: install it for the
# comparison only (apt-get install --no-install-recommends imagemagick).
# It runs as one process per picture, as a thumbnailer would, with the size
# hint that lets libjpeg decode at a reduced scale; its per-image time
# includes its start-up, measured apart on a 1 x 1 picture.
set -euo pipefail
corpus=${1:?usage: thumb_compare.sh CORPUS [BUILD_DIR]}
build=${2:-build}
tool=$build/bench/zb_thumb_bench
magick=/usr/bin/convert
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

"$magick" -size 1x1 xc:white "$out/one.png"
start=$(date +%s%N)
for _ in $(seq 20); do "$magick" "$out/one.png" -thumbnail 1x1 "$out/t.png"; done
echo "ImageMagick start-up: $(( ($(date +%s%N) - start) / 20000000 )) ms per process"

for box in 128 256; do
  for ext in jpg png; do
    echo "zbthumb     $ext box $box: $("$tool" run "$corpus" --box "$box" --ext "$ext")"
    hint=()
    if [ "$ext" = jpg ]; then hint=(-define "jpeg:size=$((2 * box))x$((2 * box))"); fi
    count=0
    peak=0
    start=$(date +%s%N)
    for file in "$corpus"/*."$ext"; do
      kib=$( { /usr/bin/time -f %M "$magick" "${hint[@]}" "$file" -thumbnail "${box}x${box}" "$out/t.png"; } 2>&1 | tail -1)
      if [ "$kib" -gt "$peak" ]; then peak=$kib; fi
      count=$((count + 1))
    done
    elapsed=$(( ($(date +%s%N) - start) / 1000000 ))
    echo "ImageMagick $ext box $box: $count files, mean $((elapsed / count)) ms, total $((elapsed / 1000)) s, peak memory $((peak / 1024)) MiB"
  done
done
