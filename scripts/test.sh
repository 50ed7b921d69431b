#!/usr/bin/env bash
# Every test: the host unit tests (in-memory platform, ASan/UBSan), then the Windows build and
# its tests under 32-bit Wine, side by side as the presets say, each Wine test on a virtual
# display, in a prefix and with a wine server of its own.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh

cmake --preset host >/dev/null
cmake --build --preset host
ctest --preset host

cmake --preset windows >/dev/null
cmake --build --preset windows
ctest --preset windows
