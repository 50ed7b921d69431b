// The window table that the in-memory machine's window files share: each window's state, the
// desktop with its modal runs, scripted answers and posted messages, and the procedures by file.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "internal.h"

namespace memory {

struct MenuItem {
  UINT flags;
  UINT_PTR id;
  std::string text;
};

struct Window {
  HWND handle = nullptr;
  HWND parent = nullptr;  // the dialog, for a control
  HWND owner = nullptr;   // for a dialog
  std::string cls;        // "#32770", "Button", "Static", "ComboBox", "Edit", "msctls_trackbar32", ...
  DWORD style = 0, exStyle = 0;
  int id = 0;
  std::string text;
  bool enabled = true, visible = false;
  std::vector<HWND> children;
  // dialogs
  DLGPROC proc = nullptr;
  bool ended = false;
  INT_PTR result = 0;
  std::vector<MenuItem> systemMenu;
  bool hasSystemMenu = false;
  HICON icons[2] = {nullptr, nullptr};
  // buttons
  WPARAM check = 0;
  // drop-down lists
  std::vector<std::string> items;
  int selection = -1;
  // trackbars
  LONG rangeMin = 0, rangeMax = 100, position = 0;
  std::vector<LONG> ticks;
  // icon statics
  HICON image = nullptr;
};

struct Script {
  bool forMessageBox;
  std::string caption;
  std::function<void(DialogUser&)> run;
};

struct Posted {
  HWND window;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
};

struct Desktop {
  std::map<HWND, std::unique_ptr<Window>> windows;
  std::vector<HWND> modal;  // running modal dialogs, innermost last
  std::deque<Script> scripts;
  std::deque<Posted> posted;
  std::vector<MessageBoxRecord> boxes;
  HWND focus = nullptr;
  uintptr_t nextHandle = 0x20000;
  bool commonControls = false;
};

// windows.cpp: the window table and the posted-message queue
Desktop& Desk();
Window* Win(HWND handle);
// The window for a call on it, or nullptr with ERROR_INVALID_WINDOW_HANDLE, as the system does.
Window* CalledWin(HWND handle);
Window* NewWindow();
void Destroy(HWND handle);
void Pump();
// WM_SETTEXT, WM_GETTEXT and WM_GETTEXTLENGTH, which every window class answers alike.
LRESULT TextMessage(Window* w, UINT message, WPARAM wParam, LPARAM lParam, bool* handled);

inline bool IsDialog(const Window* w) { return w->cls == "#32770"; }
inline DWORD ButtonType(const Window* w) { return w->style & BS_TYPEMASK; }
inline bool IsButton(const Window* w) { return SameText(w->cls, "Button"); }
inline bool IsPushButton(const Window* w) {
  return IsButton(w) && (ButtonType(w) == BS_PUSHBUTTON || ButtonType(w) == BS_DEFPUSHBUTTON);
}

// dialog_templates.cpp
// Creates the dialog and its controls from a template; nullptr if a control's class is not
// registered.
Window* CreateFromTemplate(HINSTANCE instance, const std::vector<BYTE>& data);

// controls.cpp: buttons, static texts and drop-down lists
void Notify(Window* control, WORD code);
LRESULT ButtonProc(Window* w, UINT message, WPARAM wParam, LPARAM);
LRESULT ComboProc(Window* w, UINT message, WPARAM wParam, LPARAM lParam);

// trackbar.cpp
LONG Clamp(const Window* s, LONG pos);
LRESULT TrackbarProc(Window* w, UINT message, WPARAM, LPARAM lParam);

// dialogs.cpp: default dialog processing and modal runs
LRESULT DefDialogProc(Window* w, UINT message, WPARAM wParam, LPARAM lParam);
// Runs an already created dialog modally: owner disabled, scripted user, owner enabled again.
INT_PTR RunModal(Window* dialog, HWND owner, LPARAM initParam, bool messageBox);

// scripted_user.cpp: hands a shown dialog or message box to the script waiting for it
void RunScript(Window* dialog, bool messageBox);

}  // namespace memory
