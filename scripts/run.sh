#!/usr/bin/env bash
# Installs what is needed, builds torvex and starts it. Without a TORVEX V3 mouse plugged in,
# the built-in virtual mouse stands in for it. Extra arguments go to the program.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"

scripts/deps.sh
cmake --preset release >/dev/null
cmake --build --preset release >/dev/null

bin=build/release/bin
mouse_present() {
    local d
    for d in /sys/class/hidraw/hidraw*/device/uevent; do
        [[ -r "$d" ]] && grep -qi 'HID_ID=0003:000018F8:00001286' "$d" && return 0
    done
    return 1
}
vm=()
mouse_present || vm=(--virtual-mouse)

if [[ -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" ]]; then
    # No desktop to show a window on: show the mouse through the command-line tool instead.
    echo "torvex: no display (neither DISPLAY nor WAYLAND_DISPLAY is set); showing the" \
         "command-line tool instead. Run this from a desktop session for the window." >&2
    "$bin/torvexctl" "${vm[@]}" devices
    exec "$bin/torvexctl" "${vm[@]}" show
fi
exec "$bin/torvex" "${vm[@]}" "$@"
