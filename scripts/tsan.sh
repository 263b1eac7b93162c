#!/usr/bin/env bash
# Builds the threaded parts under ThreadSanitizer and runs their tests: the button threads and
# macro playback, the device link and its reader, the virtual mouse, and the INI store's
# cross-thread writers.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"

scripts/deps.sh
cmake --preset tsan >/dev/null
cmake --build --preset tsan --target protocol_tests torvex_device_link_tests \
    torvex_hidraw_tests common_tests
# setarch -R: TSan's shadow memory needs the fixed layout that address randomisation can break.
TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" \
    setarch "$(uname -m)" -R ctest --preset tsan -j "$(nproc)" -L 'threads|device' -R '.' \
    --no-tests=error
TSAN_OPTIONS="halt_on_error=1" setarch "$(uname -m)" -R ctest --preset tsan -j "$(nproc)" \
    -R '^(IniStore|InstanceLock)\.' --no-tests=error
