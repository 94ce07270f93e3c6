#!/usr/bin/env bash
# Decoding speed of the RAR 2.0, ARJ and CAB readers against the tools that
# unpack those archives, on the same archives, and a one-word search over a
# corpus that holds them.
#
#   bench/archive_decode.sh <corpus> [groups]
#
# <corpus> is a folder made by `zb_make_tree --archives N`. The text members
# of its TAR.GZ files are packed into <groups> archives of each kind (4 by
# default): RAR 2.0 (zb_make_rar), ARJ methods 1 and 4 (arj), CAB MSZIP
# (gcab -z). The archives are added to the corpus under archives-more/ (run
# it on a copy to keep the corpus as it was). Then, best of $RUNS (3) runs:
#   zb_decode_bench on each kind, reading only (as the search does) and
#   writing each member to a temporary folder     against
#   unar -o <tmp> (RAR), arj e (ARJ), cabextract -p (CAB), one call per archive
# and zb_search <corpus> --text zembroltneedle. A tool that is missing is
# skipped. Times (wall, and processor time: user + system, which a busy
# machine disturbs less) and peak RSS come from /usr/bin/time.
set -euo pipefail

corpus=${1:?usage: $0 <corpus> [groups]}
groups=${2:-4}
runs=${RUNS:-3}
build=${BUILD_DIR:-build}
bench="$build/bench"
for tool in zb_decode_bench zb_make_rar zb_search; do
    [ -x "$bench/$tool" ] || { echo "$0: $bench/$tool not built" >&2; exit 2; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/text" "$work/out"
i=0
while IFS= read -r -d '' tgz; do
    i=$((i + 1))
    mkdir -p "$work/text/$i"
    tar -xzf "$tgz" -C "$work/text/$i"
done < <(find "$corpus" -name '*.tar.gz' -print0 | sort -z)
mapfile -t files < <(cd "$work/text" && find . -type f | sed 's|^\./||' | sort)
echo "text: ${#files[@]} members, $(du -sb "$work/text" | cut -f1) bytes"

more="$corpus/archives-more"
mkdir -p "$more"
per=$(( (${#files[@]} + groups - 1) / groups ))
for ((g = 0; g < groups; g++)); do
    part=("${files[@]:g*per:per}")
    [ ${#part[@]} -gt 0 ] || continue
    (cd "$work/text" && "$OLDPWD/$bench/zb_make_rar" "$more/part$g.rar" "${part[@]}")
    if command -v arj >/dev/null; then
        (cd "$work/text" && arj a -y -m1 "$more/part$g.arj" "${part[@]}" >/dev/null)
        (cd "$work/text" && arj a -y -m4 "$more/fast$g.arj" "${part[@]}" >/dev/null)
    fi
    if command -v gcab >/dev/null; then
        (cd "$work/text" && gcab -c -z "$more/part$g.cab" "${part[@]}")
    fi
done
ls -l "$more"

# The run with the least processor time of a command: wall and processor
# seconds, peak RSS.
best() {
    local label=$1
    shift
    local bestCpu="" bestWall="" bestRss=""
    for ((r = 0; r < runs; r++)); do
        rm -rf "$work/out" && mkdir -p "$work/out"
        /usr/bin/time -f "%e %U %S %M" -o "$work/time" bash -c "$*" >/dev/null 2>&1 || true
        read -r wall user system rss < <(tail -n 1 "$work/time")
        cpu=$(awk -v u="$user" -v s="$system" 'BEGIN { printf "%.2f", u + s }')
        if [ -z "$bestCpu" ] || awk -v a="$cpu" -v b="$bestCpu" 'BEGIN { exit !(a < b) }'; then
            bestCpu=$cpu
            bestWall=$wall
            bestRss=$rss
        fi
    done
    printf '%-24s %7s s %7s s %8s KB   %s\n' "$label" "$bestWall" "$bestCpu" "$bestRss" "$*"
}

# One call per archive, as the tools take one archive at a time.
each() {
    local pattern=$1 command=$2
    local line=""
    for f in "$more"/$pattern; do
        line+="${command//@/$f}; "
    done
    echo "$line"
}

echo
echo "kind                        wall       cpu     peak RSS   command"
best "ours RAR 2.0" "$bench/zb_decode_bench $more/part*.rar"
best "ours RAR 2.0, writing" "$bench/zb_decode_bench --write $work/out $more/part*.rar"
command -v unar >/dev/null && best "unar RAR 2.0" "$(each 'part*.rar' "unar -q -f -o $work/out @")"
if command -v arj >/dev/null; then
    best "ours ARJ method 1" "$bench/zb_decode_bench $more/part*.arj"
    best "ours ARJ 1, writing" "$bench/zb_decode_bench --write $work/out $more/part*.arj"
    best "arj e method 1" "$(each 'part*.arj' "arj e -y @ $work/out/")"
    best "ours ARJ method 4" "$bench/zb_decode_bench $more/fast*.arj"
    best "ours ARJ 4, writing" "$bench/zb_decode_bench --write $work/out $more/fast*.arj"
    best "arj e method 4" "$(each 'fast*.arj' "arj e -y @ $work/out/")"
fi
if command -v gcab >/dev/null; then
    best "ours CAB MSZIP" "$bench/zb_decode_bench $more/part*.cab"
    command -v cabextract >/dev/null &&
        best "cabextract -p MSZIP" "$(each 'part*.cab' "cabextract -q -p @ >/dev/null")"
fi
echo
best "zb_search one word" "$bench/zb_search $corpus --text zembroltneedle"
"$bench/zb_search" "$corpus" --text zembroltneedle --print 2>&1 | grep -c 'archives-more' |
    sed 's/^/results in the added archives: /'
