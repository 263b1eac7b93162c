#!/usr/bin/env bash
# Installs what is needed, builds torvex and runs every test. Exit status 0 only when all pass.
#   scripts/test.sh [preset]      (default preset: release)
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
preset=${1:-release}

scripts/deps.sh
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset"
# GUI tests need no display of the user's: offscreen Qt and a private session bus.
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
export DBUS_SESSION_BUS_ADDRESS=${DBUS_SESSION_BUS_ADDRESS:-disabled:}
ctest --preset "$preset" -j "$(nproc)"
