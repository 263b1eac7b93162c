#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, preset `fuzz`) and runs each on its seed corpus for a
# bounded time. New inputs go to a scratch corpus, not into the repository; a crash fails the
# run and its input is left in <build>/artifacts/ to be added to tests/fuzz/<target>/ as a
# regression file once fixed.
#   scripts/fuzz.sh [seconds per target]     (default 60)
# TORVEX_FUZZ_BUILD names another build folder than build/fuzz.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
seconds=${1:-60}
build=${TORVEX_FUZZ_BUILD:-build/fuzz}

cmake --preset fuzz -B "$build" >/dev/null
cmake --build "$build"
bin=$build/fuzz
artifacts=$build/artifacts
mkdir -p "$artifacts"
report=$build/summary.txt
: > "$report"
status=0
for target in "$bin"/fuzz_*; do
    name=$(basename "$target")
    seeds=tests/fuzz/$name
    work=$(mktemp -d)
    log=$build/$name.log
    echo "fuzzing $name for ${seconds}s"
    if ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
        "$target" "$work" "$seeds" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
        -artifact_prefix="$artifacts/$name-" -print_final_stats=1 >"$log" 2>&1; then
        runs=$(grep -m1 '^stat::number_of_executed_units' "$log" | awk '{print $2}')
        echo "$name: ${runs:-?} executions, no crash" | tee -a "$report"
    else
        echo "$name: FAILED (see $log and $artifacts)" | tee -a "$report"
        tail -40 "$log"
        status=1
    fi
    rm -rf "$work"
done
exit $status
