#!/usr/bin/env bash
# Builds the optimised tree and runs every benchmark in one go, printing the tables (Markdown);
# a copy goes to <build>/bench-results.md and the programs' own messages to
# <build>/bench-stderr.log. The whole run takes about ten minutes.
#   scripts/bench.sh [build-dir]      (default: the release preset, build/release)
# TORVEX_BENCH_IDLE_SECONDS sets each idle window (default 30 s), TORVEX_BENCH_USE_CYCLES the
# simulated use of the window (default 1000 cycles of three page switches and 21 hovers).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"

scripts/deps.sh
if [[ $# -eq 0 ]]; then
    build=build/release
    cmake --preset release >/dev/null
else
    build=$1
    cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build "$build" -j "$(nproc)" --target bench-programs >/dev/null

export TORVEX_BENCH_IDLE_SECONDS=${TORVEX_BENCH_IDLE_SECONDS:-30}
export QT_QPA_PLATFORM=offscreen # the session harness starts its own X server for the window
export DBUS_SESSION_BUS_ADDRESS=disabled:
loadavg() { cut -d' ' -f1-3 /proc/loadavg; }

out="$build/bench-results.md"
status=0
{
    echo "# torvex benchmarks, $(date -u '+%Y-%m-%d %H:%M UTC')"
    echo
    echo "$(nproc) cores, $(uname -sr), $(git rev-parse --short HEAD 2>/dev/null || echo '?')," \
        "load average $(loadavg) at the start."
    for harness in torvex-bench-device torvex-bench-download torvex-bench-paint torvex-bench-window \
        torvex-bench-session; do
        [[ -x "$build/bin/$harness" ]] || continue
        echo
        "$build/bin/$harness" || { echo "**$harness failed (status $?)**"; status=1; }
        echo
        echo "_Load average after $harness: $(loadavg)._"
    done
    exit $status
} 2>"$build/bench-stderr.log" | tee "$out"
exit "${PIPESTATUS[0]}"
