# Sourced: gives the Windows programs a display, a Wine prefix and a wine server of their own for
# a sequence of runs, so that sequences side by side share none of them. The display is a virtual
# one, or the caller's when NORVO_USE_DISPLAY=1 and one is set; the prefix a copy of the prepared
# one (norvo_wine_private). norvo_display_stop ends the server and the display and removes the
# copy.
source "$(dirname "${BASH_SOURCE[0]}")/wine-env"

norvo_display_start() {
  if [ "${NORVO_USE_DISPLAY:-0}" = 1 ] && [ -n "${DISPLAY:-}" ]; then
    norvo_xvfb_pid=""
  else
    # The server takes the first free display number and writes it when it is ready.
    local number
    number="$(mktemp)"
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$number" >/dev/null 2>&1 &
    norvo_xvfb_pid=$!
    for _ in $(seq 100); do [ -s "$number" ] && break; sleep 0.1; done
    export DISPLAY=":$(cat "$number")"
    rm -f "$number"
    [ "$DISPLAY" != : ] || { echo "no virtual display" >&2; return 1; }
  fi
  norvo_wine_private
  # The server's output and the first program's go nowhere, since the background services
  # inherit them and would hold a caller's pipe open.
  wineserver -p >/dev/null 2>&1 </dev/null || true
  wine cmd /c exit >/dev/null 2>&1 || true
}

norvo_display_stop() {
  wineserver -k 2>/dev/null || true
  wineserver -w 2>/dev/null || true
  [ -n "${norvo_xvfb_pid:-}" ] && kill "$norvo_xvfb_pid" 2>/dev/null || true
  norvo_wine_discard
}
