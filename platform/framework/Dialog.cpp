#include "Dialog.h"

#include <utility>

#include "module.h"

namespace {
// Dialogs that are running, innermost last; a modal loop nests, so this is a stack.
std::vector<std::pair<HWND, Dialog*>>& Running() {
  static std::vector<std::pair<HWND, Dialog*>> running;
  return running;
}

Dialog* Find(HWND window) {
  for (auto& entry : Running())
    if (entry.first == window) return entry.second;
  return nullptr;
}
}  // namespace

Control::Control(Dialog& owner, int controlId) : id(controlId) { owner.controls.push_back(this); }

LRESULT Control::Send(UINT message, WPARAM wParam, LPARAM lParam) const {
  return SendMessageA(handle, message, wParam, lParam);
}

void Control::SetText(LPCSTR text) const { SetWindowTextA(handle, text); }

std::string Control::Text() const {
  int length = GetWindowTextLengthA(handle);
  std::string text(static_cast<size_t>(length) + 1, '\0');
  int copied = GetWindowTextA(handle, &text[0], length + 1);
  text.resize(copied > 0 ? static_cast<size_t>(copied) : 0);
  return text;
}

void Control::Enable(BOOL enable) const { EnableWindow(handle, enable); }

Dialog::Dialog(UINT id, HWND parentWindow) : templateId(id), parent(parentWindow) {}

Dialog::~Dialog() = default;

INT_PTR Dialog::DoModal() {
  // Trackbars belong to the common controls, whose classes must be registered first.
  if (registerClasses) registerClasses();
  HWND owner = parent ? parent : GetActiveWindow();
  return DialogBoxParamA(CurrentModule(), MAKEINTRESOURCEA(templateId), owner, Procedure,
                         reinterpret_cast<LPARAM>(this));
}

void Dialog::EndDialog(INT_PTR result) { ::EndDialog(window, result); }

void Dialog::SetIcon(HICON icon) const {
  SendMessageA(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
  SendMessageA(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
}

BOOL Dialog::OnInitDialog() { return TRUE; }
void Dialog::OnOK() { EndDialog(IDOK); }
void Dialog::OnCancel() { EndDialog(IDCANCEL); }
bool Dialog::OnCommand(WORD, WORD) { return false; }
bool Dialog::OnMessage(UINT, WPARAM, LPARAM) { return false; }

INT_PTR CALLBACK Dialog::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    Dialog* dialog = reinterpret_cast<Dialog*>(lParam);
    dialog->window = window;
    Running().emplace_back(window, dialog);
    for (Control* control : dialog->controls) control->handle = GetDlgItem(window, control->id);
    return dialog->OnInitDialog();
  }
  Dialog* dialog = Find(window);
  if (!dialog) return FALSE;
  switch (message) {
    case WM_COMMAND: {
      WORD id = LOWORD(wParam), code = HIWORD(wParam);
      if (dialog->OnCommand(id, code)) return TRUE;
      if (code == BN_CLICKED && id == IDOK) {
        dialog->OnOK();
        return TRUE;
      }
      if (code == BN_CLICKED && id == IDCANCEL) {
        dialog->OnCancel();
        return TRUE;
      }
      return FALSE;
    }
    case WM_DESTROY: {
      auto& running = Running();
      for (auto it = running.begin(); it != running.end(); ++it) {
        if (it->first == window) {
          running.erase(it);
          break;
        }
      }
      for (Control* control : dialog->controls) control->handle = nullptr;
      dialog->window = nullptr;
      return FALSE;
    }
  }
  return dialog->OnMessage(message, wParam, lParam) ? TRUE : FALSE;
}
