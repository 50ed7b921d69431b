// The standard controls of the in-memory machine: buttons (push, check, radio, group box),
// static texts and icons (text only, answered by the window table) and drop-down lists.
#include <algorithm>
#include <cstring>

#include "windowing.h"

namespace memory {
namespace {

void CheckAutoRadio(Window* button) {
  // Unchecks the other automatic radio buttons of the button's group.
  Window* dialog = Win(button->parent);
  auto& kids = dialog->children;
  auto self = std::find(kids.begin(), kids.end(), button->handle);
  auto start = self;
  while (start != kids.begin() && !(Win(*start)->style & WS_GROUP)) --start;
  for (auto it = start; it != kids.end(); ++it) {
    Window* c = Win(*it);
    if (it != start && (c->style & WS_GROUP)) break;
    if (c != button && IsButton(c) && ButtonType(c) == BS_AUTORADIOBUTTON) c->check = BST_UNCHECKED;
  }
}

}  // namespace

void Notify(Window* control, WORD code) {
  SendMessageA(control->parent, WM_COMMAND, MAKEWPARAM(control->id, code), reinterpret_cast<LPARAM>(control->handle));
}

LRESULT ButtonProc(Window* w, UINT message, WPARAM wParam, LPARAM) {
  static const WPARAM maxState[16] = {0, 0, 1, 1, 1, 2, 2, 0, 0, 1, 0, 0, 0, 0, 0, 0};
  switch (message) {
    case BM_GETCHECK:
      return static_cast<LRESULT>(w->check);
    case BM_SETCHECK: {
      WPARAM state = std::min(wParam, maxState[ButtonType(w)]);
      w->check = state;
      if (ButtonType(w) == BS_AUTORADIOBUTTON && state == BST_CHECKED) CheckAutoRadio(w);
      return 0;
    }
    case BM_CLICK:
      switch (ButtonType(w)) {
        case BS_AUTOCHECKBOX:
          SendMessageA(w->handle, BM_SETCHECK, w->check == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED, 0);
          break;
        case BS_AUTORADIOBUTTON:
          SendMessageA(w->handle, BM_SETCHECK, BST_CHECKED, 0);
          break;
        case BS_AUTO3STATE:
          SendMessageA(w->handle, BM_SETCHECK, (w->check + 1) % 3, 0);
          break;
      }
      if (ButtonType(w) != BS_GROUPBOX) Notify(w, BN_CLICKED);
      return 0;
  }
  return 0;
}

LRESULT ComboProc(Window* w, UINT message, WPARAM wParam, LPARAM lParam) {
  int count = static_cast<int>(w->items.size());
  int index = static_cast<int>(wParam);
  switch (message) {
    case CB_ADDSTRING: {
      std::string item = reinterpret_cast<LPCSTR>(lParam);
      auto at = w->items.end();
      if (w->style & CBS_SORT)
        at = std::find_if(w->items.begin(), w->items.end(), [&](const std::string& s) { return Upper(item) < Upper(s); });
      return std::distance(w->items.begin(), w->items.insert(at, item));
    }
    case CB_GETCOUNT:
      return count;
    case CB_GETCURSEL:
      return w->selection;
    case CB_SETCURSEL:
      // -1 clears the selection; an index past the end fails and, as under Wine, keeps it.
      if (index < 0 || index >= count) {
        if (index < 0) w->selection = -1;
        return CB_ERR;
      }
      w->selection = index;
      return index;
    // An entry that is not there is refused with ERROR_INVALID_INDEX, as under Wine.
    case CB_GETLBTEXTLEN:
      if (index < 0 || index >= count) {
        SetLastError(1413L);  // ERROR_INVALID_INDEX
        return CB_ERR;
      }
      return static_cast<LRESULT>(w->items[index].size());
    case CB_GETLBTEXT:
      if (index < 0 || index >= count) {
        SetLastError(1413L);  // ERROR_INVALID_INDEX
        return CB_ERR;
      }
      std::memcpy(reinterpret_cast<LPSTR>(lParam), w->items[index].c_str(), w->items[index].size() + 1);
      return static_cast<LRESULT>(w->items[index].size());
    case CB_RESETCONTENT:
      w->items.clear();
      w->selection = -1;
      return TRUE;  // as under Wine; the documentation gives no result
  }
  return 0;
}

}  // namespace memory
