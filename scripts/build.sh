#!/usr/bin/env bash
# The main job: builds the Windows deliverables and the driver package, then installs the
# package and configures a port under 32-bit Wine, on a virtual display (or on yours, when
# DISPLAY is set), leaving screenshots of every window.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake --preset windows >/dev/null
cmake --build --preset windows --target package uirobot dist
echo
echo "Built:"
for f in build/windows/package/norvoinst.exe build/windows/package/norvo.cpl; do
  printf '  %-40s %7d bytes  imports: %s\n' "$f" "$(stat -c %s "$f")" \
    "$(i686-w64-mingw32-objdump -p "$f" | awk '/DLL Name/{print $3}' | tr '\n' ' ')"
done
echo "  build/windows/package/ holds the package for the tests (with a stand-in norvo.sys)."
echo "  The disk to distribute: $(ls build/windows/dist/norvo-*.zip)"
echo
source scripts/wine-env
if ! norvo_wine_runs; then
  echo "Not done: this machine cannot execute 32-bit x86 programs, so Wine cannot install and configure" >&2
  echo "the package here. Run scripts/build.sh on a machine that can." >&2
  exit 1
fi
rm -rf build/windows/screenshots
[ -z "${DISPLAY:-}" ] || export NORVO_USE_DISPLAY="${NORVO_USE_DISPLAY:-1}"
for scenario in install configure; do
  echo "== $scenario"
  bash tests/wine/scenario.sh "$scenario" build/windows
done
echo
echo "Screenshots: build/windows/screenshots/"
ls build/windows/screenshots | sed 's/^/  /'
