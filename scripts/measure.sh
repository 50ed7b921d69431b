#!/usr/bin/env bash
# Measurements, not tests: the applet's opening time with 256 published ports against the same
# registry reads done alone, and the time of a full install, all under 32-bit Wine.
#   scripts/measure.sh suite [<jobs>...]: instead, the Windows test suite's wall time at each
# number of tests side by side (2 3 4 5 unless given), with the machine's load before each run.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
if [ "${1:-}" = suite ]; then
  shift
  levels=("$@")
  [ ${#levels[@]} -gt 0 ] || levels=(2 3 4 5)
  cmake --preset windows >/dev/null
  cmake --build --preset windows >/dev/null
  for jobs in "${levels[@]}"; do
    log="build/windows/suite-j$jobs.log" outcome=passed
    load="$(cut -d' ' -f1-3 /proc/loadavg)"
    start=$(date +%s.%N)
    ctest --preset windows -j "$jobs" >"$log" 2>&1 || outcome=FAILED
    end=$(date +%s.%N)
    echo "$jobs side by side: $(echo "$end - $start" | bc) s, $outcome (load before: $load; $log)"
  done
  exit 0
fi
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
