#!/usr/bin/env bash
# Every test: the host unit tests (in-memory platform, ASan/UBSan), then the Windows build and
# its tests under 32-bit Wine on a virtual display.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh

cmake --preset host >/dev/null
cmake --build --preset host
ctest --preset host

cmake --preset windows >/dev/null
cmake --build --preset windows
source scripts/display.sh
trap norvo_display_stop EXIT
norvo_display_start
ctest --preset windows
