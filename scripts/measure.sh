#!/usr/bin/env bash
# Measurements, not tests: the applet's opening time with 256 published ports against the same
# registry reads done alone, and the time of a full install, all under 32-bit Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake --preset windows >/dev/null
cmake --build --preset windows --target package uirobot cplbench >/dev/null
source scripts/display.sh
trap norvo_display_stop EXIT
norvo_display_start
system32="$WINEPREFIX/drive_c/windows/system32"

echo "== applet opening with 256 published ports"
mkdir -p "$system32/drivers"
cp build/windows/package/norvo.sys "$system32/drivers/norvo.sys"
wine build/windows/cplbench.exe "$(winepath -w build/windows/norvo.cpl)" 256 7 | tr -d '\r'
rm -f "$system32/drivers/norvo.sys"

echo "== full install from the package (robot waits included)"
start=$(date +%s.%N)
bash tests/wine/scenario.sh install build/windows >/dev/null
end=$(date +%s.%N)
echo "install scenario: $(echo "$end - $start" | bc) s (a fresh wine server, the installer's two pages, the operation, the applet it opens)"
