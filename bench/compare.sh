#!/usr/bin/env bash
# Times every command of Quillmark on one generated list of N entries (default
# 1,000,000) against the command-line tool that does the same job on the same
# file, and prints one table. Quillmark's figures come from quillmark_bench,
# which clicks the real buttons of the real window (offscreen) and waits until
# the list view has laid out and painted the result. The last row breaks the
# first PIECES entries (default 100,000; 0 leaves the row out) up into files of
# one entry each, against split -l 1.
#
# usage: bench/compare.sh [N] [PROFILE ...|all]
# A profile (default short) is a kind of entries generate_list.py writes:
# short words, addresses and key=value texts, long file paths, or the shapes
# of text real lists hold besides (tabs, trailing spaces, scripts that need
# shaping, emoji, combining marks); "all" is every one, short first. With
# several, each gets its table, and a summary ends the output: each
# command's seconds for each profile, and the ratio to short's.
# environment: RUNS (default 3, the median is shown), BUILD_DIR (default
# build-bench in the source folder), PIECES, KEEP_WORK=1 keeps the lists and
# outputs, THREADS (default 0: one per core) for Quillmark's commands, TOOLS=0
# leaves the command-line tools out.
set -euo pipefail

entries=${1:-1000000}
shift || true
profiles=("$@")
[ ${#profiles[@]} -eq 0 ] && profiles=(short)
all_profiles=(short long tabs trailing arabic hebrew devanagari thai cjk emoji decomposed)
[ "${profiles[*]}" = all ] && profiles=("${all_profiles[@]}")
pieces=${PIECES:-100000}
runs=${RUNS:-3}
threads=${THREADS:-0}
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build-bench}

echo "Building quillmark_bench in $build ..." >&2
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUILLMARK_BUILD_BENCH=ON >/dev/null
cmake --build "$build" --target quillmark_bench >/dev/null

top=$(mktemp -d "${TMPDIR:-/tmp}/quillmark-bench.XXXXXX")
if [ "${KEEP_WORK:-0}" = 1 ]; then
    echo "Work folder: $top" >&2
else
    trap 'rm -rf "$top"' EXIT
fi

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

# The tools work on text as characters, as Quillmark does, so they get a UTF-8
# locale; sort compares bytes, as Quillmark compares code units.
export LC_ALL=C.UTF-8

# Prints the median wall-clock seconds of $runs runs of a shell command; the
# pieces folder is emptied before each run, outside the timing.
median_seconds() {
    local command=$1 tools=$2 times=() start end
    for ((run = 0; run < runs; run++)); do
        rm -rf "$tools/pieces" && mkdir "$tools/pieces"
        start=$EPOCHREALTIME
        bash -c "$command"
        end=$EPOCHREALTIME
        times+=("$(awk -v s="$start" -v e="$end" 'BEGIN { printf "%.3f", e - s }')")
    done
    printf '%s\n' "${times[@]}" | sort -n | awk -v n="$runs" 'NR == int((n + 1) / 2)'
}

declare -A tool_name=(
    [load]="cat" [save]="sed s/\$/\\r/" [create_files]="split -l 5000"
    [create_files_1]="split -l 1" [upper]="sed \\U" [lower]="sed \\L"
    [replace]="sed s/a/b/g" [remove_after]="sed s/=.*/=/" [add_to_all]="sed pre_ _suf" [sort]="sort (C)"
    [prune]="awk !seen" [clear]="-"
)

# Times Quillmark and the tools on one profile's list and prints its table;
# Quillmark's figures stay in $top/PROFILE/quillmark.txt for the summary.
time_profile() {
    local profile=$1 work=$top/$1
    local list=$work/list.txt tools=$work/tools
    mkdir -p "$tools"
    echo "Generating $entries $profile entries ..." >&2
    python3 "$root/bench/generate_list.py" "$entries" "$list" --profile "$profile"

    echo "Timing Quillmark on $profile ($runs runs per command) ..." >&2
    quillmark_bench "$work/quillmark.txt" "$entries" --list "$list" --work "$work/app"
    if [ "$pieces" -gt 0 ]; then
        head -n "$pieces" "$list" >"$work/head.txt"
        quillmark_bench "$work/pieces.txt" "$pieces" --list "$work/head.txt" --work "$work/app-pieces" \
            --only create_files --per-file 1
        sed 's/^create_files /create_files_1 /' "$work/pieces.txt" >>"$work/quillmark.txt"
    fi

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

    [ "${TOOLS:-1}" = 0 ] || echo "Timing the tools on $profile ..." >&2
    printf '\n%s %s entries, median of %s runs' "$entries" "$profile" "$runs"
    [ "$pieces" -gt 0 ] && printf '; create_files_1 on the first %s' "$pieces"
    printf '\n\n'
    printf '%-14s %10s  %-16s %8s %7s  %11s\n' command quillmark_s tool tool_s ratio bytes/entry
    local command seconds peak tool_seconds ratio per_entry
    while read -r command seconds peak; do
        [[ $command == \#* ]] && continue
        if [ "${TOOLS:-1}" != 0 ] && [ -n "${tool_command[$command]:-}" ]; then
            tool_seconds=$(median_seconds "${tool_command[$command]}" "$tools")
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
    # The list and the tools' outputs take gigabytes at millions of entries.
    [ "${KEEP_WORK:-0}" = 1 ] || rm -rf "$list" "$tools" "$work/head.txt"
}

# Each command's seconds and peak bytes per entry on every profile, with the
# ratio to short's where short was timed: "0.412 1.3" is 0.412 s, 1.3 times
# as long as on short.
print_summary() {
    printf '\nSummary: %s entries, Quillmark seconds (and ratio to short)\n\n' "$entries"
    awk -v entries="$entries" -v profiles="${profiles[*]}" -v top="$top" '
        BEGIN {
            count = split(profiles, names, " ")
            for (p = 1; p <= count; p++) {
                file = top "/" names[p] "/quillmark.txt"
                while ((getline line < file) > 0) {
                    if (line ~ /^#/)
                        continue
                    split(line, field, " ")
                    if (!(field[1] in known)) {
                        known[field[1]] = 1
                        order[++commands] = field[1]
                    }
                    seconds[names[p], field[1]] = field[2]
                    if (field[1] != "create_files_1" && field[3] / entries > peak[names[p]])
                        peak[names[p]] = field[3] / entries
                }
            }
            printf "%-12s", "profile"
            for (c = 1; c <= commands; c++)
                printf " %14s", order[c]
            printf " %14s\n", "bytes/entry"
            for (p = 1; p <= count; p++) {
                name = names[p]
                printf "%-12s", name
                for (c = 1; c <= commands; c++) {
                    s = seconds[name, order[c]]
                    base = seconds["short", order[c]]
                    if (base > 0)
                        printf " %8.3f %4.1fx", s, s / base
                    else
                        printf " %8.3f %5s", s, "-"
                }
                if (peak["short"] > 0)
                    printf " %8.0f %4.2fx\n", peak[name], peak[name] / peak["short"]
                else
                    printf " %8.0f %5s\n", peak[name], "-"
            }
        }'
}

for profile in "${profiles[@]}"; do
    time_profile "$profile"
done
[ ${#profiles[@]} -gt 1 ] && print_summary
exit 0
