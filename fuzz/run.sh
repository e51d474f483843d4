#!/usr/bin/env bash
# Runs every fuzz target for a bounded time, one after the other, each from
# its seed corpus in fuzz/corpus/<target>/. The corpus is copied first, so the
# inputs the fuzzer adds never land in the repository.
#
#   fuzz/run.sh SECONDS [BUILD_FOLDER]
#
# BUILD_FOLDER (default build-fuzz) is a tree configured with
# -DQUILLMARK_BUILD_FUZZERS=ON. Inputs that crash or break a property are kept
# in BUILD_FOLDER/fuzz-findings/<target>/; the script fails if any target does.
set -uo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
seconds="${1:?usage: fuzz/run.sh SECONDS [BUILD_FOLDER]}"
build="$(cd "${2:-$root/build-fuzz}" && pwd)"

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"

failed=()
for seeds in "$root"/fuzz/corpus/*/; do
    target="$(basename "$seeds")"
    binary="$build/fuzz/$target"
    if [ ! -x "$binary" ]; then
        echo "missing $binary; configure with -DQUILLMARK_BUILD_FUZZERS=ON and build" >&2
        exit 2
    fi
    findings="$build/fuzz-findings/$target"
    mkdir -p "$work/$target" "$findings"
    cp "$seeds"* "$work/$target/"
    echo "== $target, ${seconds}s"
    "$binary" "$work/$target" -max_total_time="$seconds" -print_final_stats=1 \
        -artifact_prefix="$findings/" >"$work/$target.log" 2>&1
    status=$?
    grep -E '^(#[0-9]+ +DONE|INFO: Seed|stat::number_of_executed_units|stat::average_exec_per_sec)' "$work/$target.log"
    if [ "$status" -ne 0 ]; then
        tail -n 60 "$work/$target.log"
        failed+=("$target")
    fi
done

if [ ${#failed[@]} -gt 0 ]; then
    echo "fuzzing found faults in: ${failed[*]} (inputs in $build/fuzz-findings/)" >&2
    exit 1
fi
echo "fuzzing: no faults"
