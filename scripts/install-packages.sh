#!/usr/bin/env bash
# Installs whichever of the named Debian packages are missing, quietly:
#   scripts/install-packages.sh [--no-recommends] PACKAGE...
# Every set-up script installs through this one place.
set -euo pipefail
options=()
if [ "${1:-}" = --no-recommends ]; then options+=(--no-install-recommends); shift; fi
missing=()
for p in "$@"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
((${#missing[@]})) || exit 0
SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO=sudo
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${options[@]}" "${missing[@]}" >/dev/null
