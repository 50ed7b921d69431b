// Dialogs of the in-memory machine: the dialog manager's default processing, modal runs from a
// template (with the scripted user in place of a message loop) and the dialog item calls.
#include <algorithm>

#include "windowing.h"

namespace memory {
namespace {

HWND DefaultButton(Window* dialog) {
  for (HWND h : dialog->children) {
    Window* c = Win(h);
    if (IsButton(c) && ButtonType(c) == BS_DEFPUSHBUTTON) return h;
  }
  return nullptr;
}

}  // namespace

// The dialog manager's processing of what the dialog procedure left unhandled.
LRESULT DefDialogProc(Window* w, UINT message, WPARAM wParam, LPARAM lParam) {
  bool handled;
  LRESULT text = TextMessage(w, message, wParam, lParam, &handled);
  if (handled) return text;
  switch (message) {
    case WM_SYSCOMMAND:
      if ((wParam & 0xFFF0) == SC_CLOSE) SendMessageA(w->handle, WM_CLOSE, 0, 0);
      return 0;
    case WM_CLOSE: {
      HWND cancel = GetDlgItem(w->handle, IDCANCEL);
      if (!cancel || IsWindowEnabled(cancel))
        PostMessageA(w->handle, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), reinterpret_cast<LPARAM>(cancel));
      return 0;
    }
    case WM_SETICON: {
      int which = wParam == ICON_BIG ? 1 : 0;
      HICON previous = w->icons[which];
      w->icons[which] = reinterpret_cast<HICON>(lParam);
      return reinterpret_cast<LRESULT>(previous);
    }
    case WM_GETICON:
      return reinterpret_cast<LRESULT>(w->icons[wParam == ICON_BIG ? 1 : 0]);
    case DM_GETDEFID:
      if (HWND def = DefaultButton(w)) return MAKELONG(GetDlgCtrlID(def), DC_HASDEFID);
      return 0;
  }
  return 0;
}

// Runs an already created dialog modally: owner disabled, scripted user, owner enabled again.
INT_PTR RunModal(Window* dialog, HWND owner, LPARAM initParam, bool messageBox) {
  Desktop& desk = Desk();
  HWND handle = dialog->handle;
  dialog->owner = owner;
  HWND previousFocus = desk.focus;
  bool disabledOwner = owner && IsWindowEnabled(owner);
  if (disabledOwner) EnableWindow(owner, FALSE);
  struct Cleanup {
    HWND handle, owner, previousFocus;
    bool disabledOwner;
    ~Cleanup() {
      Desktop& d = Desk();
      if (Window* w = Win(handle)) {
        if (w->proc) w->proc(handle, WM_DESTROY, 0, 0);
        auto it = std::find(d.modal.begin(), d.modal.end(), handle);
        if (it != d.modal.end()) d.modal.erase(it);
        Destroy(handle);
      }
      if (disabledOwner && Win(owner)) EnableWindow(owner, TRUE);
      d.posted.clear();
      d.focus = Win(previousFocus) ? previousFocus : nullptr;
    }
  } cleanup{handle, owner, previousFocus, disabledOwner};

  HWND firstTab = nullptr;
  for (HWND h : dialog->children) {
    Window* c = Win(h);
    if ((c->style & WS_TABSTOP) && c->enabled && (c->style & WS_VISIBLE)) {
      firstTab = h;
      break;
    }
  }
  desk.modal.push_back(handle);
  if (dialog->proc && dialog->proc(handle, WM_INITDIALOG, reinterpret_cast<WPARAM>(firstTab), initParam)) {
    if (Win(firstTab)) desk.focus = firstTab;
  }
  Pump();
  if (!Win(handle)->ended) {
    dialog->visible = true;
    RunScript(dialog, messageBox);
  }
  return Win(handle)->result;
}

}  // namespace memory

using memory::Desk;
using memory::Win;

INT_PTR WINAPI DialogBoxParamA(HINSTANCE instance, LPCSTR templateName, HWND owner, DLGPROC proc, LPARAM initParam) {
  const std::vector<BYTE>* data = memory::FindResourceData(instance, RT_DIALOG, templateName);
  if (!data) {
    SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
    return -1;
  }
  memory::Window* dialog = memory::CreateFromTemplate(instance, *data);
  if (!dialog) {
    SetLastError(1407L);  // ERROR_CANNOT_FIND_WND_CLASS
    return -1;
  }
  dialog->proc = proc;
  return memory::RunModal(dialog, owner, initParam, false);
}

BOOL WINAPI EndDialog(HWND dialog, INT_PTR result) {
  memory::Window* w = Win(dialog);
  if (!w || !memory::IsDialog(w)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  w->ended = true;
  w->result = result;
  w->visible = false;
  return TRUE;
}

HWND WINAPI GetDlgItem(HWND dialog, int id) {
  memory::Window* w = Win(dialog);
  if (!w) return nullptr;
  for (HWND h : w->children)
    if (Win(h)->id == id) return h;
  SetLastError(1421L);  // ERROR_CONTROL_ID_NOT_FOUND
  return nullptr;
}

int WINAPI GetDlgCtrlID(HWND window) {
  memory::Window* w = memory::CalledWin(window);
  return w ? w->id : 0;
}

LRESULT WINAPI SendDlgItemMessageA(HWND dialog, int id, UINT message, WPARAM wParam, LPARAM lParam) {
  HWND item = GetDlgItem(dialog, id);
  return item ? SendMessageA(item, message, wParam, lParam) : 0;
}

BOOL WINAPI SetDlgItemTextA(HWND dialog, int id, LPCSTR text) {
  HWND item = GetDlgItem(dialog, id);
  return item ? SetWindowTextA(item, text) : FALSE;
}

UINT WINAPI GetDlgItemTextA(HWND dialog, int id, LPSTR text, int max) {
  HWND item = GetDlgItem(dialog, id);
  if (!item) {
    if (max > 0) text[0] = 0;
    return 0;
  }
  return static_cast<UINT>(GetWindowTextA(item, text, max));
}
