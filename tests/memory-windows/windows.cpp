// The window table of the in-memory machine: window handles, messages sent to each window's
// class procedure, the posted-message queue, and the window state calls (text, enabling,
// visibility, focus, parent and owner).
#include <algorithm>
#include <cstring>

#include "windowing.h"

namespace memory {

Desktop& Desk() {
  static Desktop desktop;
  return desktop;
}

Window* Win(HWND handle) {
  auto it = Desk().windows.find(handle);
  return it == Desk().windows.end() ? nullptr : it->second.get();
}

Window* CalledWin(HWND handle) {
  Window* w = Win(handle);
  if (!w) SetLastError(ERROR_INVALID_WINDOW_HANDLE);
  return w;
}

Window* NewWindow() {
  auto w = std::make_unique<Window>();
  w->handle = reinterpret_cast<HWND>(Desk().nextHandle);
  Desk().nextHandle += 4;
  Window* raw = w.get();
  Desk().windows[raw->handle] = std::move(w);
  return raw;
}

void Destroy(HWND handle) {
  Window* w = Win(handle);
  if (!w) return;
  for (HWND child : w->children) Destroy(child);
  if (Desk().focus == handle) Desk().focus = nullptr;
  Desk().windows.erase(handle);
}

void Pump() {
  while (!Desk().posted.empty()) {
    Posted p = Desk().posted.front();
    Desk().posted.pop_front();
    if (Win(p.window)) SendMessageA(p.window, p.message, p.wParam, p.lParam);
  }
}

LRESULT TextMessage(Window* w, UINT message, WPARAM wParam, LPARAM lParam, bool* handled) {
  *handled = true;
  switch (message) {
    case WM_SETTEXT:
      w->text = lParam ? reinterpret_cast<LPCSTR>(lParam) : "";
      return TRUE;
    case WM_GETTEXT: {
      if (wParam == 0) return 0;
      size_t n = std::min(w->text.size(), static_cast<size_t>(wParam - 1));
      std::memcpy(reinterpret_cast<LPSTR>(lParam), w->text.data(), n);
      reinterpret_cast<LPSTR>(lParam)[n] = 0;
      return static_cast<LRESULT>(n);
    }
    case WM_GETTEXTLENGTH:
      return static_cast<LRESULT>(w->text.size());
  }
  *handled = false;
  return 0;
}

void ResetWindows() {
  Desktop& desk = Desk();
  desk.windows.clear();
  desk.modal.clear();
  desk.scripts.clear();
  desk.posted.clear();
  desk.boxes.clear();
  desk.focus = nullptr;
  desk.commonControls = false;
}

}  // namespace memory

using memory::Desk;
using memory::Win;

LRESULT WINAPI SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  memory::Window* w = Win(window);
  if (!w) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  if (memory::IsDialog(w)) {
    INT_PTR handled = w->proc ? w->proc(window, message, wParam, lParam) : FALSE;
    if (message == WM_INITDIALOG) return handled;
    if (handled) return 0;
    w = Win(window);
    return w ? memory::DefDialogProc(w, message, wParam, lParam) : 0;
  }
  if (message == WM_ENABLE) return 0;
  bool handled;
  LRESULT text = memory::TextMessage(w, message, wParam, lParam, &handled);
  if (handled) return text;
  if (memory::IsButton(w)) return memory::ButtonProc(w, message, wParam, lParam);
  if (memory::SameText(w->cls, "ComboBox")) return memory::ComboProc(w, message, wParam, lParam);
  if (memory::SameText(w->cls, TRACKBAR_CLASSA)) return memory::TrackbarProc(w, message, wParam, lParam);
  return 0;
}

BOOL WINAPI PostMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (!Win(window)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  Desk().posted.push_back(memory::Posted{window, message, wParam, lParam});
  return TRUE;
}

BOOL WINAPI SetWindowTextA(HWND window, LPCSTR text) {
  if (!Win(window)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  return static_cast<BOOL>(SendMessageA(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text)));
}

int WINAPI GetWindowTextA(HWND window, LPSTR text, int max) {
  if (!memory::CalledWin(window)) {
    if (max > 0) text[0] = 0;
    return 0;
  }
  return static_cast<int>(SendMessageA(window, WM_GETTEXT, static_cast<WPARAM>(max), reinterpret_cast<LPARAM>(text)));
}

int WINAPI GetWindowTextLengthA(HWND window) {
  return memory::CalledWin(window) ? static_cast<int>(SendMessageA(window, WM_GETTEXTLENGTH, 0, 0)) : 0;
}

BOOL WINAPI IsWindow(HWND window) { return Win(window) != nullptr; }
// The in-memory screen shows every text as soon as it is set.
BOOL WINAPI UpdateWindow(HWND window) { return IsWindow(window); }
BOOL WINAPI IsWindowEnabled(HWND window) { return memory::CalledWin(window) && Win(window)->enabled; }
BOOL WINAPI IsWindowVisible(HWND window) {
  memory::Window* w = Win(window);
  if (!w || !w->visible) return FALSE;
  return w->parent ? IsWindowVisible(w->parent) : TRUE;
}

BOOL WINAPI EnableWindow(HWND window, BOOL enable) {
  memory::Window* w = memory::CalledWin(window);
  if (!w) return FALSE;
  BOOL wasDisabled = !w->enabled;
  w->enabled = enable != FALSE;
  if (!w->enabled && Desk().focus == window) Desk().focus = nullptr;
  SendMessageA(window, WM_ENABLE, static_cast<WPARAM>(enable), 0);
  return wasDisabled;
}

HWND WINAPI GetParent(HWND window) {
  memory::Window* w = memory::CalledWin(window);
  if (!w) return nullptr;
  return w->parent ? w->parent : w->owner;
}

HWND WINAPI GetWindow(HWND window, UINT command) {
  memory::Window* w = memory::CalledWin(window);
  if (!w || command != GW_OWNER) return nullptr;
  return w->owner;
}

HWND WINAPI SetFocus(HWND window) {
  HWND previous = Desk().focus;
  if (window && (!memory::CalledWin(window) || !Win(window)->enabled)) return nullptr;
  Desk().focus = window;
  return previous;
}

HWND WINAPI GetFocus(void) { return Desk().focus; }

HWND WINAPI GetActiveWindow(void) {
  auto& modal = Desk().modal;
  for (auto it = modal.rbegin(); it != modal.rend(); ++it)
    if (Win(*it) && Win(*it)->visible) return *it;
  return nullptr;
}

LONG WINAPI GetWindowLongA(HWND window, int index) {
  memory::Window* w = memory::CalledWin(window);
  if (!w) return 0;
  if (index == GWL_STYLE) return static_cast<LONG>(w->style);
  if (index == GWL_EXSTYLE) return static_cast<LONG>(w->exStyle);
  return 0;
}
