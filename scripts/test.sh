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
if ! (source scripts/wine-env && norvo_wine_runs); then
  echo "This machine cannot execute 32-bit x86 programs: Wine cannot run here, and the Windows tests"
  echo "that need it report themselves skipped; the image audit still runs."
fi
ctest --preset windows
