#!/usr/bin/env bash
# Times the search that keeps every entry of a tree as a row against find,
# which also reads every entry's data on one thread:
#
#   bench/rows_compare.sh <tree> [tree ...]
#
#   zb_search <tree> --name '*' --no-archives
#   find <tree> -printf '%p %s %T@ %m\n' > /dev/null
#
# Archives are left closed so that both list the same entries (find also
# prints the tree itself, one line more). The cache is warmed first; then
# every command runs once per round, the rounds interleaving the commands so
# that a change of load falls on all of them alike, and the table gives each
# command's median wall time and processor time (user + system), zb_search's
# wall time divided by find's, and zb_search's memory per result. The load
# average is printed with every round: on a busy machine the figures mean
# little.
#
# Environment: ZB_SEARCH (the zb_search binary; default
# $BUILD_DIR/bench/zb_search, BUILD_DIR defaulting to build), ROUNDS
# (interleaved rounds, default 7), OUT (folder for the times and the table;
# default a new folder under /tmp).
set -euo pipefail

if [ $# -lt 1 ]; then
    echo "usage: $0 <tree> [tree ...]" >&2
    exit 2
fi
repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
zb=${ZB_SEARCH:-$repo/${BUILD_DIR:-build}/bench/zb_search}
[ -x "$zb" ] || { echo "$0: $zb not found; build zb_search or set ZB_SEARCH" >&2; exit 2; }
[ -x /usr/bin/time ] || { echo "$0: needs /usr/bin/time (apt-get install time)" >&2; exit 2; }
rounds=${ROUNDS:-7}
out=${OUT:-$(mktemp -d "${TMPDIR:-/tmp}/zb-rows.XXXXXX")}
mkdir -p "$out"

trees=()
for tree in "$@"; do
    [ -d "$tree" ] || { echo "$0: $tree is not a folder" >&2; exit 2; }
    trees+=("$(cd "$tree" && pwd)")
done

# One run of a command: "wall cpu" in seconds, appended to its file; the
# zb_search report goes to a file of its own.
run() { # id report-file command...
    local id=$1 report=$2
    shift 2
    /usr/bin/time -f '%e %U %S' -o "$out/$id.last" "$@" >/dev/null 2>"$report"
    awk '{ printf "%s %.2f\n", $1, $2 + $3 }' "$out/$id.last" >>"$out/$id.times"
}

echo "Load before: $(uptime)"
for t in "${!trees[@]}"; do
    find "${trees[$t]}" >/dev/null 2>&1 || true
    : >"$out/zb$t.times"
    : >"$out/find$t.times"
done
for ((r = 1; r <= rounds; r++)); do
    echo "  round $r of $rounds (load $(cut -d' ' -f1-3 /proc/loadavg))"
    for t in "${!trees[@]}"; do
        run "zb$t" "$out/zb$t.report" "$zb" "${trees[$t]}" --name '*' --no-archives
        run "find$t" /dev/null find "${trees[$t]}" -printf '%p %s %T@ %m\n'
    done
done
echo "Load after: $(uptime)"
echo

median() { # file column
    awk -v c="$2" '{ print $c }' "$1" | sort -g |
        awk '{ v[NR] = $1 } END { if (NR % 2) print v[(NR + 1) / 2]; else print (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}
{
    echo "$rounds interleaved rounds, medians (wall s, processor s = user + system)"
    printf '%-40s %9s %9s %9s %9s %9s %8s %s\n' tree zb_wall zb_cpu find_wall find_cpu zb/find \
        results "RSS / stored per result"
    for t in "${!trees[@]}"; do
        zw=$(median "$out/zb$t.times" 1)
        zc=$(median "$out/zb$t.times" 2)
        fw=$(median "$out/find$t.times" 1)
        fc=$(median "$out/find$t.times" 2)
        report="$out/zb$t.report"
        results=$(sed -n 's/^results \([0-9]*\).*/\1/p' "$report")
        rss=$(sed -n 's/^RSS per result \([0-9]*\).*/\1/p' "$report")
        stored=$(sed -n 's/^stored per result \([0-9]*\).*/\1/p' "$report")
        printf '%-40s %9s %9s %9s %9s %9s %8s %s / %s B\n' "${trees[$t]}" "$zw" "$zc" "$fw" "$fc" \
            "$(awk -v a="$zw" -v b="$fw" 'BEGIN { printf "%.2f", a / b }')" "$results" "$rss" "$stored"
    done
} | tee "$out/table.txt"
echo "Times and table in $out"
