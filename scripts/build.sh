#!/usr/bin/env bash
# The main job: builds the Windows deliverables (build/windows/norvo.cpl) and reports them.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake --preset windows >/dev/null
cmake --build --preset windows --target norvo
echo
echo "Built:"
for f in build/windows/norvo.cpl; do
  printf '  %-28s %7d bytes  imports: %s\n' "$f" "$(stat -c %s "$f")" \
    "$(i686-w64-mingw32-objdump -p "$f" | awk '/DLL Name/{print $3}' | tr '\n' ' ')"
done
