#!/usr/bin/env bash
# Runs every fuzz target of fuzz/ for the given seconds, starting from its seed corpus in the
# repository. New inputs go to <build>/corpus/<name>, crashes to <build>/artifacts/.
# Fails when any target crashes, reports a sanitizer error or breaks one of its checks.
set -uo pipefail
build=${1:?build folder}
seconds=${2:-30}
timeout=${FUZZ_TIMEOUT:-5}
max_len=${FUZZ_MAX_LEN:-262144}
here=$(cd "$(dirname "$0")/.." && pwd)
# The targets write their data files for every input; a memory-backed folder keeps syncs cheap.
if [ -z "${TMPDIR:-}" ] && [ -d /dev/shm ] && [ -w /dev/shm ]; then
    export TMPDIR=/dev/shm
fi
failed=()
for source in "$here"/fuzz/fuzz_*.cpp; do
    name=$(basename "$source" .cpp)
    program="$build/fuzz/$name"
    seeds="$here/fuzz/corpus/$name"
    work="$build/corpus/$name"
    mkdir -p "$work" "$build/artifacts"
    echo "== $name: $seconds s"
    # An input that takes longer than $timeout s fails the run as a crash does; inputs may grow to
    # max_len bytes, so that a reader slower than linear in its input is caught.
    if ! "$program" -max_total_time="$seconds" -timeout="$timeout" -max_len="$max_len" -len_control=20 \
        -rss_limit_mb=2048 -print_final_stats=1 \
        -artifact_prefix="$build/artifacts/$name-" "$work" "$seeds" > "$build/$name.log" 2>&1; then
        tail -n 60 "$build/$name.log"
        failed+=("$name")
    else
        grep -E '^(stat::number_of_executed_units|stat::new_units_added)' "$build/$name.log" || true
    fi
done
if [ ${#failed[@]} -gt 0 ]; then
    echo "Fuzzing failed: ${failed[*]} (inputs in $build/artifacts)"
    exit 1
fi
echo "Fuzzing: every target ran $seconds s without a failure"
