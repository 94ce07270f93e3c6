#!/usr/bin/env bash
# Times the duplicate finder (zb_dupes, rule "Match Content", no minimum size)
# against jdupes and fdupes on one tree, checks that every tool reports the
# same groups, and times the redundant-file finder's pattern walk over the
# same tree.
#
#   bench/dupes_compare.sh <tree>        # a tree made by zb_make_dup_tree
#
# Environment: ZB_DUPES (the zb_dupes binary; default build/bench/zb_dupes,
# or $BUILD_DIR/bench/zb_dupes), RUNS (timed runs per command, default 3),
# OUT (folder for the outputs and the table; default a new folder under /tmp).
#
# jdupes and fdupes are used only here and are not installed by the project's
# scripts (apt-get install jdupes fdupes); a tool that is missing is left out.
# Without hyperfine the times come from a plain loop (one warm-up run, then
# RUNS timed runs).
set -euo pipefail

[ $# -eq 1 ] || { echo "usage: $0 <tree>" >&2; exit 2; }
tree=$1
[ -d "$tree" ] || { echo "$0: $tree is not a folder" >&2; exit 2; }
tree=$(cd "$tree" && pwd)
repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
zb=${ZB_DUPES:-$repo/${BUILD_DIR:-build}/bench/zb_dupes}
[ -x "$zb" ] || { echo "$0: $zb not found; build the bench targets or set ZB_DUPES" >&2; exit 2; }
runs=${RUNS:-3}
out=${OUT:-$(mktemp -d /tmp/zb-dupes-XXXXXX)}
mkdir -p "$out"

# Groups as sorted lines: each group's paths sorted and joined by "|".
normalise() {
    python3 -c '
import sys
groups, current = [], []
for line in open(sys.argv[1], encoding="utf-8", errors="surrogateescape"):
    line = line.rstrip("\n")
    if line:
        current.append(line)
    elif current:
        groups.append("|".join(sorted(current)))
        current = []
if current:
    groups.append("|".join(sorted(current)))
print("\n".join(sorted(groups)))' "$1"
}

# Mean wall time in seconds of a command (its output to a file).
mean_time() {
    local name=$1
    shift
    if command -v hyperfine >/dev/null; then
        hyperfine --warmup 1 --runs "$runs" --export-json "$out/$name.json" \
            --output="$out/$name.timed" "$*" >/dev/null 2>&1
        python3 -c 'import json,sys; print("%.3f" % json.load(open(sys.argv[1]))["results"][0]["mean"])' \
            "$out/$name.json"
    else
        "$@" >/dev/null 2>&1
        local start end
        start=$(date +%s.%N)
        for _ in $(seq "$runs"); do "$@" >/dev/null 2>&1; done
        end=$(date +%s.%N)
        python3 -c "print('%.3f' % (($end - $start) / $runs))"
    fi
}

rows=()
reference=""
compare_tool() {
    local name=$1
    shift
    if ! command -v "$1" >/dev/null && [ ! -x "$1" ]; then
        echo "$name: not installed, left out" >&2
        return
    fi
    "$@" >"$out/$name.txt" 2>/dev/null
    normalise "$out/$name.txt" >"$out/$name.groups"
    local groups files same seconds
    groups=$(grep -c . "$out/$name.groups" || true)
    files=$(tr '|' '\n' <"$out/$name.groups" | grep -c . || true)
    if [ -z "$reference" ]; then
        reference=$out/$name.groups
        same="(reference)"
    elif cmp -s "$reference" "$out/$name.groups"; then
        same=yes
    else
        same=NO
    fi
    seconds=$(mean_time "$name" "$@")
    rows+=("$(printf '%-10s %8s %8s %6s %9s   %s' "$name" "$groups" "$files" "$same" "$seconds" "$*")")
}

# Warm the page cache once.
cat "$tree" >/dev/null 2>&1 || true
find "$tree" -type f -print0 | xargs -0 cat >/dev/null

compare_tool zb_dupes "$zb" "$tree" --print
compare_tool jdupes jdupes -r -q "$tree"
compare_tool fdupes fdupes -r -q "$tree"

{
    printf '%-10s %8s %8s %6s %9s   %s\n' tool groups files same "mean s" command
    printf '%s\n' "${rows[@]}"
    echo
    redundant=$(mean_time zb_redundant "$zb" --redundant "$tree")
    printf 'redundant-file pattern walk: %s s   %s --redundant %s\n' "$redundant" "$zb" "$tree"
} | tee "$out/table.txt"
echo "outputs in $out" >&2
