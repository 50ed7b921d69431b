#!/usr/bin/env bash
# Installs what building and testing need on Debian 12, if it is not there yet (needs root).
set -euo pipefail

packages=(cmake ninja-build g++ googletest libgtest-dev
          g++-mingw-w64-i686 mingw-w64-tools wine wine32:i386 xvfb imagemagick x11-utils zip python3 fonts-wine)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
if [ "$(id -u)" -ne 0 ]; then
  echo "Run as root (or with sudo) to install these packages." >&2
  exit 1
fi
dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386
apt-get update -qq
DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
