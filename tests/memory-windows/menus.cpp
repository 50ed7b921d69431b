// Menus of the in-memory machine: a dialog's system menu, addressed by its window's handle.
#include <algorithm>
#include <cstring>

#include "windowing.h"

using memory::Win;

HMENU WINAPI GetSystemMenu(HWND window, BOOL revert) {
  memory::Window* w = memory::CalledWin(window);
  if (!w || !(w->style & WS_SYSMENU)) return nullptr;
  if (revert) {
    w->hasSystemMenu = false;
    return nullptr;
  }
  if (!w->hasSystemMenu) {
    w->systemMenu = {{MF_STRING, SC_MOVE, "&Move"}, {MF_SEPARATOR, 0, ""}, {MF_STRING, SC_CLOSE, "&Close\tAlt+F4"}};
    w->hasSystemMenu = true;
  }
  return reinterpret_cast<HMENU>(window);
}

namespace {
std::vector<memory::MenuItem>* MenuItems(HMENU menu) {
  memory::Window* w = Win(reinterpret_cast<HWND>(menu));
  return w && w->hasSystemMenu ? &w->systemMenu : nullptr;
}
memory::MenuItem* FindItem(HMENU menu, UINT id, UINT flags) {
  auto* items = MenuItems(menu);
  if (!items) return nullptr;
  if (flags & MF_BYPOSITION) return id < items->size() ? &(*items)[id] : nullptr;
  for (auto& item : *items)
    if (!(item.flags & MF_SEPARATOR) && item.id == id) return &item;
  return nullptr;
}
}  // namespace

BOOL WINAPI AppendMenuA(HMENU menu, UINT flags, UINT_PTR id, LPCSTR item) {
  auto* items = MenuItems(menu);
  if (!items) return FALSE;
  items->push_back(memory::MenuItem{flags, (flags & MF_SEPARATOR) ? 0 : id, item && !(flags & MF_SEPARATOR) ? item : ""});
  return TRUE;
}

int WINAPI GetMenuItemCount(HMENU menu) {
  auto* items = MenuItems(menu);
  return items ? static_cast<int>(items->size()) : -1;
}

UINT WINAPI GetMenuItemID(HMENU menu, int position) {
  memory::MenuItem* item = FindItem(menu, static_cast<UINT>(position), MF_BYPOSITION);
  if (!item) return static_cast<UINT>(-1);
  return (item->flags & MF_SEPARATOR) ? 0 : static_cast<UINT>(item->id);
}

UINT WINAPI GetMenuState(HMENU menu, UINT id, UINT flags) {
  memory::MenuItem* item = FindItem(menu, id, flags);
  return item ? (item->flags & (MF_SEPARATOR | MF_GRAYED | MF_DISABLED)) : static_cast<UINT>(-1);
}

int WINAPI GetMenuStringA(HMENU menu, UINT id, LPSTR text, int max, UINT flags) {
  memory::MenuItem* item = FindItem(menu, id, flags);
  if (!item) {
    SetLastError(1456L);  // ERROR_MENU_ITEM_NOT_FOUND, as under Wine
    return 0;
  }
  if (!text || max <= 0) return static_cast<int>(item->text.size());
  size_t n = std::min(item->text.size(), static_cast<size_t>(max - 1));
  std::memcpy(text, item->text.data(), n);
  text[n] = 0;
  return static_cast<int>(n);
}
