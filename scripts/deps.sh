#!/usr/bin/env bash
# Installs the Debian packages listed in scripts/packages.txt that are missing.
# Runs apt-get as root, or through sudo; otherwise says what to install and fails.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
mapfile -t wanted < <(grep -v '^\s*\(#\|$\)' "$here/packages.txt")

missing=()
for p in "${wanted[@]}"; do
    status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
    [[ "$status" == "install ok installed" ]] || missing+=("$p")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

echo "torvex: installing ${#missing[@]} missing package(s): ${missing[*]}" >&2
if [[ $(id -u) -eq 0 ]]; then
    as_root=()
elif command -v sudo >/dev/null 2>&1; then
    as_root=(sudo)
else
    echo "torvex: these packages are missing and neither root nor sudo is available:" >&2
    echo "    apt-get install ${missing[*]}" >&2
    exit 1
fi
export DEBIAN_FRONTEND=noninteractive
"${as_root[@]}" apt-get update -qq
"${as_root[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
