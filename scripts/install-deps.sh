#!/usr/bin/env bash
# Installs the Debian packages of packages.txt that are missing. Runs apt-get
# only when something is missing, so a prepared machine builds offline.
set -euo pipefail
cd "$(dirname "$0")/.."
missing=()
while read -r pkg; do
    [[ -z "$pkg" || "$pkg" == \#* ]] && continue
    status=$(dpkg-query -W -f='${db:Status-Status}' "$pkg" 2>/dev/null || true)
    [[ "$status" == "installed" ]] || missing+=("$pkg")
done < packages.txt
if ((${#missing[@]} == 0)); then
    exit 0
fi
echo "Installing: ${missing[*]}"
sudo=""
if [[ $(id -u) -ne 0 ]]; then sudo="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -q
$sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
