# Sourced: gives the Windows programs a display and a running wine server for a sequence of
# runs. Uses the caller's display when NORVO_USE_DISPLAY=1 and one is set; otherwise a virtual
# one. norvo_display_stop ends both.
source "$(dirname "${BASH_SOURCE[0]}")/wine-env"

norvo_display_start() {
  if [ "${NORVO_USE_DISPLAY:-0}" = 1 ] && [ -n "${DISPLAY:-}" ]; then
    norvo_xvfb_pid=""
  else
    local n=90
    while [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ]; do n=$((n + 1)); done
    Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
    norvo_xvfb_pid=$!
    export DISPLAY=":$n"
    for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
  fi
  norvo_wine_prefix
  # One fresh server for the whole sequence (a running one belongs to another display). Its
  # output and the first program's go nowhere, since the background services inherit them and
  # would hold a caller's pipe open.
  wineserver -k 2>/dev/null || true
  wineserver -w 2>/dev/null || true
  wineserver -p >/dev/null 2>&1 </dev/null || true
  wine cmd /c exit >/dev/null 2>&1 || true
}

norvo_display_stop() {
  wineserver -k 2>/dev/null || true
  wineserver -w 2>/dev/null || true
  [ -n "${norvo_xvfb_pid:-}" ] && kill "$norvo_xvfb_pid" 2>/dev/null || true
}
