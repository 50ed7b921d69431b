#!/usr/bin/env bash
# Makes the pictures of docs/user-guide.md from the real programs under Wine: runs the
# scenarios that docs/images/list.txt names, crops each listed screenshot to its window, and
# shows README.TXT in Wine's Notepad (docs/images/readme-notepad.png). Small palette PNGs
# without time stamps, so that an unchanged dialog gives the same file.
set -euo pipefail
cd "$(dirname "$0")/.."
list=docs/images/list.txt
scripts/setup.sh
cmake --preset windows >/dev/null
cmake --build --preset windows --target package uirobot verus >/dev/null
shots=build/windows/screenshots
rm -rf "$shots"

source scripts/display.sh
trap norvo_display_stop EXIT
norvo_display_start

# A scenario named <name>_de runs in German; applet_opens is the Control Panel's run of the
# applet alone (its About box among others). Each runs on a display and prefix of its own.
for scenario in $(awk '!/^#/ && NF { print $2 }' "$list" | awk '!seen[$0]++'); do
  echo "== $scenario"
  case "$scenario" in
    *_de) NORVO_LANGUAGE=de bash tests/wine/scenario.sh "${scenario%_de}" build/windows ;;
    applet_opens)
      bash tests/wine/applet-opens.sh build/windows/norvo.cpl build/windows/uirobot.exe build/windows/verus.dll "$shots" ;;
    *) bash tests/wine/scenario.sh "$scenario" build/windows ;;
  esac
done

# Palette PNG, no metadata.
small_png() {  # <input> <output> <convert options before the output>...
  local in="$1" out="$2"
  shift 2
  convert "$in" "$@" +repage -strip +dither -colors 256 -define png:exclude-chunks=date,time "PNG8:$out"
}

made=()
while read -r picture scenario shot; do
  case "$picture" in '' | '#'*) continue ;; esac
  source="$shots/$shot.png"
  [ -f "$source" ] || { echo "no screenshot $shot from scenario $scenario" >&2; exit 1; }
  window="$(identify -format '%c' "$source")"
  [ -n "$window" ] || { echo "screenshot $shot has no window place" >&2; exit 1; }
  small_png "$source" "docs/images/$picture" -crop "$window"
  made+=("$picture")
done <"$list"

# README.TXT as the disk has it, in Notepad, its window wide enough for 80 columns.
setup="$WINEPREFIX/drive_c/NorvoDisk"
rm -rf "$setup"
mkdir -p "$setup"
cp build/windows/README.TXT "$setup/"
for value in "iWindowPosX 0" "iWindowPosY 0" "iWindowPosDX 720" "iWindowPosDY 740"; do
  set -- $value
  wine reg add 'HKCU\Software\Microsoft\Notepad' /v "$1" /t REG_DWORD /d "$2" /f >/dev/null 2>&1
done
# Notepad of NT 4.0 shows text in Fixedsys; Wine's, given no face, takes the prefix's proportional
# Tahoma and the columns would not line up.
wine reg add 'HKCU\Software\Microsoft\Notepad' /v lfFaceName /d Fixedsys /f >/dev/null 2>&1
wine notepad 'C:\NorvoDisk\README.TXT' >/dev/null 2>&1 &
notepad=$!
sleep 4
import -display "$DISPLAY" -window root "$shots/readme-notepad.png"
kill "$notepad" 2>/dev/null || true
small_png "$shots/readme-notepad.png" docs/images/readme-notepad.png -fuzz 2% -trim
made+=(readme-notepad.png)

echo
echo "Pictures in docs/images/:"
for picture in "${made[@]}"; do
  printf '  %-28s %6d bytes  %s\n' "$picture" "$(stat -c %s "docs/images/$picture")" \
    "$(identify -format '%wx%h' "docs/images/$picture")"
done
