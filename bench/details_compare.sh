#!/usr/bin/env bash
# Times the filling of every detail column over a corpus of zb_make_details,
# against the same search with the standard columns only and against exiftool
# (Debian's libimage-exiftool-perl) reading the same folder. Each command runs
# three times on a warm cache; the best process time counts.
#
#   build/bench/zb_make_details /tmp/zbdetails               # 10,000 files
#   bench/details_compare.sh /tmp/zbdetails [build]
set -euo pipefail
corpus=${1:?usage: details_compare.sh CORPUS [BUILD_DIR]}
build=${2:-build}
search=$build/bench/zb_search
# Every column a detail provider delivers, after the name.
details=1001,2,3,4,5,6,50,51,52,53,54,55,56,57,58,102,103,104,105,106,107,201,202
details+=,301,302,303,304,305,306,307,1200,1201,1202,1203,1204,1205,1206,1207,1208,1209,1210
details+=,1250,1251,1252,1253

files=$(find "$corpus" -type f | wc -l)
find "$corpus" -type f -exec cat {} + > /dev/null

# Best of three process times of a command, in milliseconds.
best_ms() {
  local best=0
  for _ in 1 2 3; do
    local start end
    start=$(date +%s%N)
    "$@" > /dev/null 2>&1
    end=$(date +%s%N)
    local ms=$(( (end - start) / 1000000 ))
    if [ "$best" -eq 0 ] || [ "$ms" -lt "$best" ]; then best=$ms; fi
  done
  echo "$best"
}

standard=$(best_ms "$search" "$corpus" --name '*')
filled=$(best_ms "$search" "$corpus" --name '*' --columns "$details")
exif=$(best_ms exiftool -fast -r "$corpus")
echo "files: $files"
echo "zb_search, standard columns: $standard ms"
echo "zb_search, every detail column: $filled ms"
echo "exiftool -fast -r: $exif ms"
echo "added cost per file: $(( (filled - standard) * 1000 / files )) us"
echo "detail search / exiftool: $(( filled * 100 / exif )) %"
