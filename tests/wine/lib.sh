# Sourced by the end-to-end scripts after they set $shots, the screenshot folder: the Wine
# prefix, a display, and helpers to lay out the driver's state in the prefix and to run the
# robot. Screenshots of another Windows version, language or dpi go to a folder of theirs.
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
source "$here/../../scripts/display.sh"
[ -z "$norvo_setting" ] || shots+="/$norvo_setting"

e2e_hosts=()

# Each case runs on a display, in a prefix (a copy of the prepared one) and with a wine server
# of its own, so that cases run side by side and none finds what another left.
e2e_begin() {
  norvo_skip_without_wine
  trap 'e2e_end; norvo_display_stop' EXIT
  norvo_display_start
  system32="$WINEPREFIX/drive_c/windows/system32"
}

# What a restart of the computer is to the prefix: the wine server ends, with every program,
# service and driver, and the volatile keys go; a new server starts the services set to start
# with the system, and wineboot's restart deletes and replaces the files the list of pending
# file operations names. Its output and the first program's go nowhere (they would hold a pipe
# open).
e2e_restart() {
  wineserver -k 2>/dev/null || true
  wineserver -w 2>/dev/null || true
  wineserver -p >/dev/null 2>&1 </dev/null || true
  wine wineboot -r >/dev/null 2>&1 || true
}

e2e_end() {
  for pid in "${e2e_hosts[@]}"; do kill "$pid" 2>/dev/null || true; done
}

# Starts a Windows program in the background, ended with the script if still running.
e2e_start() {
  wine "$@" >/dev/null 2>&1 &
  host=$!
  e2e_hosts+=("$host")
}

# Imports a registry file (REGEDIT4 text) into the prefix.
e2e_reg() {
  local file
  file="$(mktemp --suffix=.reg)"
  printf 'REGEDIT4\r\n\r\n' >"$file"
  sed 's/$/\r/' >>"$file"
  wine regedit /S "$(winepath -w "$file")" >/dev/null 2>&1
  rm -f "$file"
}

# Removes the driver as if it had never been installed: its service and key, its ports in the
# device map, its files, and port links. The device map key itself is volatile (the system makes
# it at start) and must stay.
e2e_clean() {
  # A service that runs is only marked for deletion: it is stopped first.
  wine sc stop norvo >/dev/null 2>&1 || true
  wine sc delete norvo >/dev/null 2>&1 || true
  rm -f "$WINEPREFIX"/dosdevices/com1[1-4]
  find "$system32" -maxdepth 1 -iname norvo.cpl -delete 2>/dev/null || true
  e2e_reg <<'REG'
[-HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Services\norvo]
[HKEY_LOCAL_MACHINE\HARDWARE\DEVICEMAP\SerialComm]
"NorvoP2"=-
"NorvoP9"=-
"NorvoP10"=-
"norvoP3"=-
REG
  find "$system32/drivers" -maxdepth 1 -iname norvo.sys -delete 2>/dev/null || true
  # A driver that would not stop stays loaded, its service marked for deletion, until a restart.
  if wine sc query norvo >/dev/null 2>&1; then e2e_restart; fi
}

# Plays a robot script; its screenshots go to $shots/<case>-<name>.png, and beside each the
# tightest text the robot measured in that dialog (<case>-<name>.fit). The robot expects the
# texts of the user's language: in German (de, de_CH, de_AT) those of texts-de.txt for the
# scripts' English.
e2e_robot() {
  local script="$1" case="$2" tmp texts=()
  tmp="$(mktemp -d)"
  local status=0
  [ "$NORVO_LANGUAGE" = en ] || texts=("$(winepath -w "$here/texts-${NORVO_LANGUAGE%_*}.txt")")
  wine "$robot" "$(winepath -w "$script")" "$(winepath -w "$tmp")" "${texts[@]}" | tr -d '\r' || status=$?
  mkdir -p "$shots"
  for bmp in "$tmp"/*.bmp; do
    [ -e "$bmp" ] || continue
    [ -f "${bmp%.bmp}.fit" ] && cp "${bmp%.bmp}.fit" "$shots/$case-$(basename "$bmp" .bmp).fit"
    # The current dialog's place, when the robot knew one, goes with the picture as its comment.
    local place=()
    [ -f "${bmp%.bmp}.rect" ] && place=(-set comment "$(tr -d '\r\n' <"${bmp%.bmp}.rect")")
    convert "$bmp" "${place[@]}" "$shots/$case-$(basename "$bmp" .bmp).png" 2>/dev/null || cp "$bmp" "$shots/"
  done
  rm -rf "$tmp"
  return "$status"
}

# Waits for a background Windows process to end, at most $2 seconds.
e2e_wait_exit() {
  local pid="$1" limit="${2:-15}"
  for _ in $(seq $((limit * 10))); do
    kill -0 "$pid" 2>/dev/null || { wait "$pid"; return $?; }
    sleep 0.1
  done
  echo "still running after ${limit}s" >&2
  kill "$pid" 2>/dev/null
  return 1
}

# Reads a registry value as `wine reg query` prints it ("NAME  TYPE  DATA"), or nothing.
e2e_value() {
  wine reg query "$1" /v "$2" 2>/dev/null | tr -d '\r' | awk -v name="$2" '$1 == name { $1 = ""; print substr($0, 2) }'
}

e2e_expect() {
  local what="$1" expected="$2" actual="$3"
  if [ "$expected" != "$actual" ]; then
    echo "FAIL: $what: expected \"$expected\", found \"$actual\"" >&2
    exit 1
  fi
  echo "ok: $what"
}
