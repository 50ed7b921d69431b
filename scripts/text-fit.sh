#!/usr/bin/env bash
# The robot's fit measurements as a table, from what the last Wine runs left beside their
# screenshots (run them first: ctest --preset windows -R wine_): for each dialog and message
# box photographed, in English and German at 96 and 120 dpi, its text with the least width to
# spare, as its width x height in pixels in the room its control gives it. Dialogs that several
# runs photographed alike are listed once.
set -euo pipefail
cd "$(dirname "$0")/../build/windows/screenshots"
for folder in . 120dpi de de/120dpi; do
  language=en
  [[ $folder == de* ]] && language=de
  for fit in "$folder"/*.fit; do
    [ -e "$fit" ] || continue
    echo "$language $(cat "$fit")"
  done | sort -u
done
