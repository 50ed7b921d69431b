// The trackbar of the in-memory machine's common controls, which InitCommonControls registers.
#include <algorithm>

#include "windowing.h"

namespace memory {

LONG Clamp(const Window* s, LONG pos) { return std::max(s->rangeMin, std::min(s->rangeMax, pos)); }

LRESULT TrackbarProc(Window* w, UINT message, WPARAM, LPARAM lParam) {
  LONG value = static_cast<LONG>(lParam);
  switch (message) {
    case TBM_GETPOS:
      return w->position;
    case TBM_GETRANGEMIN:
      return w->rangeMin;
    case TBM_GETRANGEMAX:
      return w->rangeMax;
    case TBM_SETPOS:
      w->position = Clamp(w, value);
      return 0;
    case TBM_SETRANGEMIN:
      w->rangeMin = value;
      if (w->position < w->rangeMin) w->position = w->rangeMin;
      return 0;
    case TBM_SETRANGEMAX:
      w->rangeMax = value;
      if (w->position > w->rangeMax) w->position = w->rangeMax;
      return 0;
    case TBM_SETRANGE:
      w->rangeMin = static_cast<short>(LOWORD(lParam));
      w->rangeMax = static_cast<short>(HIWORD(lParam));
      w->position = Clamp(w, w->position);
      return 0;
    case TBM_SETTIC:
      if (value < w->rangeMin || value > w->rangeMax) return FALSE;
      w->ticks.push_back(value);
      std::sort(w->ticks.begin(), w->ticks.end());
      return TRUE;
    case TBM_CLEARTICS:
      w->ticks.clear();
      return 0;
    case TBM_GETNUMTICS:
      return (w->style & TBS_NOTICKS) ? 0 : static_cast<LRESULT>(w->ticks.size() + 2);
    case TBM_GETTIC: {
      size_t i = static_cast<size_t>(value);
      return i < w->ticks.size() ? w->ticks[i] : -1;
    }
    case TBM_GETLINESIZE:
      return 1;
    case TBM_GETPAGESIZE:
      return std::max<LONG>(1, (w->rangeMax - w->rangeMin) / 5);
  }
  return 0;
}

}  // namespace memory

using memory::Desk;

void WINAPI InitCommonControls(void) { Desk().commonControls = true; }
