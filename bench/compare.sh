#!/usr/bin/env bash
# Times every command of Quillmark on one generated list of N entries (default
# 1,000,000) against the command-line tool that does the same job on the same
# file, and prints one table. Quillmark's figures come from quillmark_bench,
# which clicks the real buttons of the real window (offscreen) and waits until
# the list view has laid out and painted the result. The last row breaks the
# first PIECES entries (default 100,000; 0 leaves the row out) up into files of
# one entry each, against split -l 1.
#
# usage: bench/compare.sh [N] [short|long]
# The profile (default short) is the kind of entries generate_list.py writes:
# short words, addresses and key=value texts, or long file paths.
# environment: RUNS (default 3, the median is shown), BUILD_DIR (default
# build-bench in the source folder), PIECES, KEEP_WORK=1 keeps the list and
# outputs, THREADS (default 0: one per core) for Quillmark's commands.
set -euo pipefail

entries=${1:-1000000}
profile=${2:-short}
pieces=${PIECES:-100000}
runs=${RUNS:-3}
threads=${THREADS:-0}
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build-bench}

echo "Building quillmark_bench in $build ..." >&2
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUILLMARK_BUILD_BENCH=ON >/dev/null
cmake --build "$build" --target quillmark_bench >/dev/null

work=$(mktemp -d "${TMPDIR:-/tmp}/quillmark-bench.XXXXXX")
if [ "${KEEP_WORK:-0}" = 1 ]; then
    echo "Work folder: $work" >&2
else
    trap 'rm -rf "$work"' EXIT
fi
list=$work/list.txt
echo "Generating $entries $profile entries ..." >&2
python3 "$root/bench/generate_list.py" "$entries" "$list" --profile "$profile"

# Runs quillmark_bench on a list with further options, its figures going to
# the file named first.
quillmark_bench() {
    local figures=$1
    shift
    if ! "$build/bench/quillmark_bench" "$@" --runs "$runs" --threads "$threads" >"$figures" 2>"$figures.log"; then
        cat "$figures.log" >&2
        echo "quillmark_bench failed" >&2
        exit 1
    fi
}

echo "Timing Quillmark ($runs runs per command) ..." >&2
quillmark_bench "$work/quillmark.txt" "$entries" --list "$list" --work "$work/app"
if [ "$pieces" -gt 0 ]; then
    head -n "$pieces" "$list" >"$work/head.txt"
    quillmark_bench "$work/pieces.txt" "$pieces" --list "$work/head.txt" --work "$work/app-pieces" \
        --only create_files --per-file 1
    sed 's/^create_files /create_files_1 /' "$work/pieces.txt" >>"$work/quillmark.txt"
fi

# The tools work on text as characters, as Quillmark does, so they get a UTF-8
# locale; sort compares bytes, as Quillmark compares code units.
export LC_ALL=C.UTF-8
tools=$work/tools
mkdir -p "$tools"

# Prints the median wall-clock seconds of $runs runs of a shell command; the
# pieces folder is emptied before each run, outside the timing.
median_seconds() {
    local command=$1 times=() start end
    for ((run = 0; run < runs; run++)); do
        rm -rf "$tools/pieces" && mkdir "$tools/pieces"
        start=$EPOCHREALTIME
        bash -c "$command"
        end=$EPOCHREALTIME
        times+=("$(awk -v s="$start" -v e="$end" 'BEGIN { printf "%.3f", e - s }')")
    done
    printf '%s\n' "${times[@]}" | sort -n | awk -v n="$runs" 'NR == int((n + 1) / 2)'
}

declare -A tool_command=(
    [load]="cat '$list' > '$tools/out'"
    [save]="sed 's/\$/\\r/' '$list' > '$tools/out'"
    [create_files]="cd '$tools/pieces' && split -l 5000 '$list'"
    [create_files_1]="cd '$tools/pieces' && split -a 5 -l 1 '$work/head.txt'"
    [upper]="sed 's/.*/\\U&/' '$list' > '$tools/out'"
    [lower]="sed 's/.*/\\L&/' '$list' > '$tools/out'"
    [replace]="sed 's/a/b/g' '$list' > '$tools/out'"
    [remove_after]="sed 's/=.*/=/' '$list' > '$tools/out'"
    [add_to_all]="sed 's/^/pre_/;s/\$/_suf/' '$list' > '$tools/out'"
    [sort]="LC_ALL=C sort '$list' > '$tools/out'"
    [prune]="awk '!seen[\$0]++' '$list' > '$tools/out'"
)
declare -A tool_name=(
    [load]="cat" [save]="sed s/\$/\\r/" [create_files]="split -l 5000"
    [create_files_1]="split -l 1" [upper]="sed \\U" [lower]="sed \\L"
    [replace]="sed s/a/b/g" [remove_after]="sed s/=.*/=/" [add_to_all]="sed pre_ _suf" [sort]="sort (C)"
    [prune]="awk !seen" [clear]="-"
)

echo "Timing the tools ..." >&2
printf '\n%s %s entries, median of %s runs' "$entries" "$profile" "$runs"
[ "$pieces" -gt 0 ] && printf '; create_files_1 on the first %s' "$pieces"
printf '\n\n'
printf '%-14s %10s  %-16s %8s %7s  %11s\n' command quillmark_s tool tool_s ratio bytes/entry
while read -r command seconds peak; do
    [[ $command == \#* ]] && continue
    if [ -n "${tool_command[$command]:-}" ]; then
        tool_seconds=$(median_seconds "${tool_command[$command]}")
        ratio=$(awk -v q="$seconds" -v t="$tool_seconds" 'BEGIN { if (t > 0) printf "%.2f", q / t; else print "-" }')
    else
        tool_seconds=-
        ratio=-
    fi
    # The one-entry pieces are timed on a shorter list, whose peak says little.
    if [ "$command" = create_files_1 ]; then
        per_entry=-
    else
        per_entry=$(awk -v p="$peak" -v n="$entries" 'BEGIN { printf "%.0f", p / n }')
    fi
    printf '%-14s %10s  %-16s %8s %7s  %11s\n' "$command" "$seconds" "${tool_name[$command]}" "$tool_seconds" \
        "$ratio" "$per_entry"
done <"$work/quillmark.txt"
