#!/usr/bin/env bash
# Installs what building and testing need on Debian 12, if it is not there yet (needs root).
set -euo pipefail

packages=(cmake ninja-build g++ googletest libgtest-dev
          g++-mingw-w64-i686 mingw-w64-tools wine wine32:i386 xvfb imagemagick x11-utils zip python3 fonts-wine
          locales)
# The locales of the Wine runs (scripts/wine-env): Wine takes the Windows locale from the name,
# but the character set of file names and command lines from the Linux locale, and without it
# falls back to ASCII ("C:\Treiber für Norvo" could not be reached).
locales=(en_US.UTF-8 de_DE.UTF-8 de_CH.UTF-8 de_AT.UTF-8)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
missing_locales=()
for l in "${locales[@]}"; do
  locale -a 2>/dev/null | grep -qx "${l%.UTF-8}.utf8" || missing_locales+=("$l")
done
[ ${#missing[@]} -eq 0 ] && [ ${#missing_locales[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]} ${missing_locales[*]}"
if [ "$(id -u)" -ne 0 ]; then
  echo "Run as root (or with sudo) to install these packages and locales." >&2
  exit 1
fi
if [ ${#missing[@]} -gt 0 ]; then
  dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
if [ ${#missing_locales[@]} -gt 0 ]; then
  for l in "${missing_locales[@]}"; do
    grep -q "^$l UTF-8" /etc/locale.gen || sed -i "s/^# *$l UTF-8/$l UTF-8/" /etc/locale.gen
    grep -q "^$l UTF-8" /etc/locale.gen || echo "$l UTF-8" >>/etc/locale.gen
  done
  locale-gen >/dev/null
fi
