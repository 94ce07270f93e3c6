#!/usr/bin/env bash
# Times the search engine (zb_search) against well-known tools on one tree and
# prints a table of result counts, mean wall times and ratios.
#
#   bench/compare.sh <tree> [pattern] [word]
#   bench/compare.sh --archives <corpus> [word]
#   bench/compare.sh --pdfs <corpus> [word]
#   bench/compare.sh --real <tree> [copies]
#
#   pattern  name search; without '*' or '?' it is looked for anywhere in the
#            name (default: report)
#   word     one-word content search (default: zembroltneedle)
#
# The AND/OR query uses the marker words of zb_make_tree: {alpha & beta} | gamma.
#
# With --archives only the archive section runs, on a corpus made by
# zb_make_tree --archives: the word searched inside the ZIP and TAR.GZ files,
# zb_search (archives are searched by default) against ugrep -z, once ignoring
# case and once matching it.
#
# With --pdfs only the PDF section runs, on a corpus made by zb_make_pdfs:
# the word searched in the page text of every document, zb_search against
# pdfgrep (poppler-based as well), once matching case and once ignoring it.
#
# With --real the searches run on a real source tree (bench/README.md says
# how to unpack Debian's linux-source-6.1 into /tmp): one word with and
# without case, an AND/OR expression, one thread, the thread counts, and a
# name search on `copies` (a folder holding several copies of the tree; the
# tree itself when left out). Every command runs once per round, the rounds
# interleave the commands, and the table gives each command's median with
# zb_search's time divided by the other tool's. The load average before and
# after is printed too: on a busy machine the figures mean little.
#
# Environment: ZB_SEARCH (the zb_search binary; default
# build/bench/zb_search, or $BUILD_DIR/bench/zb_search), RUNS (timed runs per
# command, default 3), OUT (folder for the hyperfine JSON files and the table;
# default a new folder under /tmp), ROUNDS (--real: interleaved rounds,
# default 5), WORD, EXPR, UGREP_EXPR, NAME (--real: the queries; defaults
# spin_lock_irqsave, '{mutex_lock & kfree} | rcu_read_lock', the same for
# ugrep --bool, and '*mm*').
#
# fd-find, ripgrep, ugrep, pdfgrep and hyperfine are installed with apt-get when
# missing.
# A tool that cannot be installed is left out of the table; without hyperfine
# the times come from a plain loop (one warm-up run, then RUNS timed runs).
#
# Comparing like with like: zb_search also scans every file that does not
# match as UTF-16 text (a second pass), so its content rows do more work than
# grep's. The rows marked "+zip" also search inside ZIP archives (zb_search's
# default, ugrep -z); all others look at files as they lie on disk, where a
# stored ZIP's members are plain bytes that grep finds in the ZIP file itself.
# zb_search ignores case unless --case; grep, rg and ugrep match case unless -i.
set -euo pipefail

usage() {
    echo "usage: $0 <tree> [pattern] [word]" >&2
    echo "       $0 --archives <corpus> [word]" >&2
    echo "       $0 --pdfs <corpus> [word]" >&2
    echo "       $0 --real <tree> [copies]" >&2
    exit 2
}

mode=tree
if [ "${1:-}" = "--real" ]; then
    mode=real
    shift
    if [ $# -lt 1 ] || [ $# -gt 2 ]; then usage; fi
    tree=$1
    copies=${2:-$1}
    [ -d "$copies" ] || { echo "$0: $copies is not a folder" >&2; exit 2; }
    copies=$(cd "$copies" && pwd)
elif [ "${1:-}" = "--archives" ] || [ "${1:-}" = "--pdfs" ]; then
    mode=${1#--}
    shift
    if [ $# -lt 1 ] || [ $# -gt 2 ]; then usage; fi
    tree=$1
    word=${2:-zembroltneedle}
else
    if [ $# -lt 1 ] || [ $# -gt 3 ]; then usage; fi
    tree=$1
    pattern=${2:-report}
    word=${3:-zembroltneedle}
fi
[ -d "$tree" ] || { echo "$0: $tree is not a folder" >&2; exit 2; }
tree=$(cd "$tree" && pwd)

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
zb=${ZB_SEARCH:-$repo/${BUILD_DIR:-build}/bench/zb_search}
[ -x "$zb" ] || { echo "$0: $zb not found; build the bench targets or set ZB_SEARCH" >&2; exit 2; }
runs=${RUNS:-3}
out=${OUT:-$(mktemp -d "${TMPDIR:-/tmp}/zb-compare.XXXXXX")}
mkdir -p "$out"

have() { command -v "$1" >/dev/null 2>&1; }

install_missing() {
    local missing=()
    have fdfind || missing+=(fd-find)
    have rg || missing+=(ripgrep)
    have ugrep || missing+=(ugrep)
    have pdfgrep || missing+=(pdfgrep)
    have hyperfine || missing+=(hyperfine)
    [ ${#missing[@]} -eq 0 ] && return 0
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo=sudo
    echo "Installing ${missing[*]} ..." >&2
    if ! { $sudo apt-get update -qq &&
        $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null; }; then
        echo "$0: could not install ${missing[*]}; their rows are left out" >&2
    fi
}

# Mean wall seconds of a shell command over $runs runs after one warm-up run.
# The output goes through a pipe, never straight to /dev/null: grep and ugrep
# notice /dev/null and stop at the first match.
measure() {
    local cmd=$1 json=$2
    if have hyperfine; then
        hyperfine --style none --warmup 1 --runs "$runs" --ignore-failure --output=pipe \
            --export-json "$json" "$cmd" >/dev/null 2>&1
        sed -n 's/^ *"mean": *\([0-9.eE+-]*\),*$/\1/p' "$json" | head -n 1
    else
        bash -c "$cmd" 2>&1 | cat >/dev/null || true
        local start end i
        start=$(date +%s.%N)
        for ((i = 0; i < runs; i++)); do bash -c "$cmd" 2>&1 | cat >/dev/null || true; done
        end=$(date +%s.%N)
        awk -v s="$start" -v e="$end" -v n="$runs" 'BEGIN { printf "%.6f", (e - s) / n }'
    fi
}

q() { printf '%q' "$1"; }

# Rows of the table.
sections=() labels=() counts=() means=() rss=() refs=()
row=0
section=""
ref_mean=""

# run_tool LABEL COMMAND: one row for a tool that lists one match per line.
run_tool() {
    local label=$1 cmd=$2 tool=${2%% *}
    if ! have "$tool"; then
        return 0
    fi
    local count mean
    count=$(bash -c "$cmd" 2>/dev/null | wc -l || true)
    mean=$(measure "$cmd" "$out/$row.json")
    add_row "$label" "$count" "$mean" "-" ""
}

# run_zb LABEL ARGS [ref]: one row for zb_search; "ref" makes it the row the
# section's ratios are taken against.
run_zb() {
    local label=$1 args=$2 is_ref=${3:-}
    local cmd report count peak mean
    cmd="$(q "$zb") $(q "$tree") $args"
    report=$(bash -c "$cmd" 2>&1 >/dev/null || true)
    count=$(sed -n 's/^results \([0-9]*\).*/\1/p' <<<"$report")
    peak=$(sed -n 's/^peak RSS \([0-9]*\) KB.*/\1/p' <<<"$report")
    mean=$(measure "$cmd" "$out/$row.json")
    [ -n "$is_ref" ] && ref_mean=$mean
    add_row "$label" "${count:-?}" "$mean" "$(awk -v k="${peak:-0}" 'BEGIN { printf "%.1f", k / 1024 }')" "$is_ref"
}

add_row() {
    sections[row]=$section
    labels[row]=$1
    counts[row]=$2
    means[row]=$3
    rss[row]=$4
    refs[row]=$5
    row=$((row + 1))
}

# Fills in the section's ratios once its reference row is known.
section_ratios=()
close_section() {
    local i
    for ((i = 0; i < row; i++)); do
        if [ "${sections[i]}" = "$section" ]; then
            section_ratios[i]=$(awk -v r="$ref_mean" -v m="${means[i]}" \
                'BEGIN { if (r == "" || m == "" || m == 0) print "-"; else printf "%.2f", r / m }')
        fi
    done
    ref_mean=""
}

# --real: each command once per round, the rounds interleaving the commands,
# so that a change of load falls on all of them alike; medians of the rounds.
real_mode() {
    local rounds=${ROUNDS:-5}
    local word=${WORD:-spin_lock_irqsave}
    local expr=${EXPR:-'{mutex_lock & kfree} | rcu_read_lock'}
    local uexpr=${UGREP_EXPR:-'(mutex_lock kfree)|rcu_read_lock'}
    local name=${NAME:-'*mm*'}
    local Z T C W n i r
    Z=$(q "$zb")
    T=$(q "$tree")
    C=$(q "$copies")
    W=$(q "$word")
    declare -A cmd count rss
    local ids=()
    add() {
        local tool=${2%% *}
        [ "$tool" = "$Z" ] || have "$tool" || return 0
        ids+=("$1")
        cmd[$1]=$2
    }
    add zb_case "$Z $T --text $W --case --no-archives"
    add rg_case "rg -l -F -uuu $W $T"
    add grep_case "grep -rlF $W $T"
    add zb_any "$Z $T --text $W --no-archives"
    add rg_any "rg -l -i -F -uuu $W $T"
    add grep_any "grep -rliF $W $T"
    add zb_bool "$Z $T --regex --text $(q "$expr") --case --no-archives"
    add ugrep_bool "ugrep -l -r -F --files --bool $(q "$uexpr") $T"
    for n in 1 2 4 8; do
        add "zb_t$n" "$Z $T --text $W --case --no-archives --threads $((n - 1))"
        add "rg_j$n" "rg -j$n -l -F -uuu $W $T"
    done
    add zb_name "$Z $C --name $(q "$name") --no-archives"
    add find_name "find $C -iname $(q "$name")"
    add fd_name "fdfind -u -i --glob $(q "$name") $C"

    echo "Load before: $(uptime)"
    echo "Warming the cache and counting the answers ..."
    find "$copies" "$tree" >/dev/null 2>&1 || true
    grep -rqF "zb-warm-up-$$-not-present" "$tree" || true
    for i in "${ids[@]}"; do
        if [ "${i%%_*}" = zb ]; then
            local report
            report=$(bash -c "${cmd[$i]}" 2>&1 >/dev/null || true)
            count[$i]=$(sed -n 's/^results \([0-9]*\).*/\1/p' <<<"$report")
            rss[$i]=$(sed -n 's/^peak RSS \([0-9]*\) KB.*/\1/p' <<<"$report")
        else
            count[$i]=$(bash -c "${cmd[$i]}" 2>/dev/null | wc -l || true)
        fi
        : >"$out/$i.times"
    done
    for ((r = 1; r <= rounds; r++)); do
        echo "  round $r of $rounds (load $(cut -d' ' -f1-3 /proc/loadavg))"
        for i in "${ids[@]}"; do
            measure_once "${cmd[$i]}" "$out/$i.json" >>"$out/$i.times"
        done
    done
    echo "Load after: $(uptime)"
    echo

    median() { sort -g "$out/$1.times" | awk '{ v[NR] = $1 } END { if (NR == 0) print ""; else if (NR % 2) print v[(NR + 1) / 2]; else print (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
    declare -A med
    for i in "${ids[@]}"; do med[$i]=$(median "$i"); done
    ratio() { awk -v a="${med[$1]:-}" -v b="${med[$2]:-}" 'BEGIN { if (a == "" || b == "" || b == 0) print "-"; else printf "%.2f", a / b }'; }
    secs() { [ -n "${med[$1]:-}" ] && printf '%.3f s' "${med[$1]}" || printf 'failed'; }
    line() { # search zb-id tool-label tool-id
        [ -n "${cmd[$4]:-}" ] || return 0
        printf '%-44s %9s %7s   %-26s %9s %7s %8s\n' "$1" "$(secs "$2")" "${count[$2]:-?}" "$3" \
            "$(secs "$4")" "${count[$4]:-?}" "$(ratio "$2" "$4")"
    }
    local table="$out/table.txt"
    {
        echo "Tree: $tree; names: $copies; $rounds interleaved rounds, medians"
        printf '%-44s %9s %7s   %-26s %9s %7s %8s\n' search zb_search results "other tool" time results "zb/tool"
        line "one word, case kept: --text $word --case" zb_case "rg -l -F -uuu" rg_case
        line "" zb_case "grep -rlF" grep_case
        line "one word, any case: --text $word" zb_any "rg -l -i -F -uuu" rg_any
        line "" zb_any "grep -rliF" grep_any
        line "AND/OR: --regex --text '$expr' --case" zb_bool "ugrep --files --bool" ugrep_bool
        line "one thread: --threads 0" zb_t1 "rg -j1 -l -F -uuu" rg_j1
        line "" zb_t1 "grep -rlF" grep_case
        for n in 2 4 8; do
            line "$n threads in all: --threads $((n - 1))" "zb_t$n" "rg -j$n -l -F -uuu" "rg_j$n"
        done
        line "name --name '$name' --no-archives" zb_name "find -iname" find_name
        line "" zb_name "fdfind -u -i --glob" fd_name
        echo
        echo "zb_search 1 thread / 8 threads: $(ratio zb_t1 zb_t8) x;" \
            "rg -j1 / -j8: $(ratio rg_j1 rg_j8) x"
        for i in zb_case zb_bool zb_name; do
            echo "zb_search peak RSS ($i): ${rss[$i]:-?} KB for ${count[$i]:-?} results"
        done
    } | tee "$table"
    echo "Table saved as $table"
}

# One timed run of a shell command; its wall seconds. The output goes through
# a pipe (see measure).
measure_once() {
    local cmd=$1 json=$2
    if have hyperfine; then
        hyperfine --style none --runs 1 --ignore-failure --output=pipe \
            --export-json "$json" "$cmd" >/dev/null 2>&1
        sed -n 's/^ *"mean": *\([0-9.eE+-]*\),*$/\1/p' "$json" | head -n 1
    else
        local start end
        start=$(date +%s.%N)
        bash -c "$cmd" 2>&1 | cat >/dev/null || true
        end=$(date +%s.%N)
        awk -v s="$start" -v e="$end" 'BEGIN { printf "%.6f\n", e - s }'
    fi
}

install_missing

if [ "$mode" = real ]; then
    real_mode
    exit 0
fi

echo "Tree: $tree ($(stat -f -c %T "$tree") file system)"
echo "Counting the tree and warming the cache ..."
files=$(find "$tree" -type f | wc -l)
folders=$(find "$tree" -mindepth 1 -type d | wc -l)
grep -rqF "zb-warm-up-$$-not-present" "$tree" || true
echo "  $files files, $folders folders; $runs timed runs per command; JSON in $out"
echo

T=$(q "$tree")
W=$(q "$word")

tree_sections() {
    local glob
    case $pattern in
    *'*'* | *'?'*) glob=$pattern ;;
    *) glob="*$pattern*" ;;
    esac

    section="name $glob"
    run_tool "find -iname" "find $T -iname $(q "$glob")"
    run_tool "fdfind -u -i -g" "fdfind -u -i -g $(q "$glob") $T"
    run_zb "zb_search --name --no-archives" "--name $(q "$pattern") --no-archives" ref
    run_zb "zb_search --name (+zip)" "--name $(q "$pattern")"
    close_section

    section="text $word"
    run_tool "grep -rlF" "grep -rlF $W $T"
    run_tool "grep -rliF" "grep -rliF $W $T"
    run_tool "grep -rlwF" "grep -rlwF $W $T"
    run_tool "rg -l -uuu -F" "rg -l -uuu -F $W $T"
    run_tool "ugrep -l -r -F" "ugrep -l -r -F $W $T"
    run_tool "ugrep -z -l -r -F -i (+zip)" "ugrep -z -l -r -F -i $W $T"
    run_zb "zb_search --text --case --no-archives" "--text $W --case --no-archives" ref
    run_zb "zb_search --text --no-archives" "--text $W --no-archives"
    run_zb "zb_search --text --word --case --no-archives" "--text $W --word --case --no-archives"
    run_zb "zb_search --text (+zip)" "--text $W"
    close_section

    section="text {alpha & beta} | gamma"
    run_tool "ugrep -l -r -F --files --bool" "ugrep -l -r -F --files --bool '(alpha beta)|gamma' $T"
    run_tool "ugrep -z -l -r -F -i --files --bool (+zip)" \
        "ugrep -z -l -r -F -i --files --bool '(alpha beta)|gamma' $T"
    run_zb "zb_search --regex --case --no-archives" \
        "--regex --text '{alpha & beta} | gamma' --case --no-archives" ref
    run_zb "zb_search --regex (+zip)" "--regex --text '{alpha & beta} | gamma'"
    close_section
}

# The word inside archives: every member is decompressed and scanned. ugrep -z
# lists each matching member as archive{member}; zb_search lists the members
# (and an archive file whose own compressed bytes happen to match). The -J1
# row is ugrep on one thread, as zb_search reads the members.
archive_sections() {
    section="archives $word"
    run_tool "ugrep -z -l -r -F -i" "ugrep -z -l -r -F -i $W $T"
    run_tool "ugrep -z -l -r -F -i -J1 (one thread)" "ugrep -z -l -r -F -i -J1 $W $T"
    run_zb "zb_search --text" "--text $W" ref
    close_section

    section="archives $word, case"
    run_tool "ugrep -z -l -r -F" "ugrep -z -l -r -F $W $T"
    run_zb "zb_search --text --case" "--text $W --case" ref
    close_section
}

# The word in the page text of PDF documents: both tools render every page
# through poppler and list the documents whose text holds the word.
pdf_sections() {
    section="pdf text $word, case"
    run_tool "pdfgrep -r -l" "pdfgrep -r -l $W $T"
    run_zb "zb_search --text --case" "--text $W --case" ref
    close_section

    section="pdf text $word"
    run_tool "pdfgrep -r -l -i" "pdfgrep -r -l -i $W $T"
    run_zb "zb_search --text" "--text $W" ref
    close_section
}

case $mode in
archives) archive_sections ;;
pdfs) pdf_sections ;;
*) tree_sections ;;
esac

table="$out/table.txt"
{
    printf '%-30s %-44s %10s %10s %8s %8s\n' section command results "mean s" "RSS MB" "zb/tool"
    last=""
    for ((i = 0; i < row; i++)); do
        s=${sections[i]}
        [ "$s" = "$last" ] && s=""
        last=${sections[i]}
        label=${labels[i]}
        [ -n "${refs[i]}" ] && label="$label *"
        mean=${means[i]:+$(printf '%.3f' "${means[i]}")}
        printf '%-30s %-44s %10s %10s %8s %8s\n' "$s" "$label" "${counts[i]}" "${mean:-failed}" \
            "${rss[i]}" "${section_ratios[i]}"
    done
    echo
    echo "* the zb_search row each section's ratios are taken against (its time / the row's time;"
    echo "  below 1 means zb_search is faster). RSS is zb_search's peak resident memory."
} | tee "$table"
echo "Table saved as $table"
