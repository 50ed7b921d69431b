// Modal dialogs on a dialog template, in the style of the classic Win32 class frameworks: one
// class per template, controls reached through members bound by id, and command handlers bound
// to a control id and notification code in a table of the derived class.
#pragma once

#include <string>
#include <vector>

#include "winapi.h"

class Dialog;

// A control of a dialog, bound by its id when the dialog is initialised.
class Control {
 public:
  explicit Control(int controlId) : id(controlId) {}
  HWND Handle() const { return handle; }
  LRESULT Send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;
  void SetText(LPCSTR text) const;
  std::string Text() const;
  void Enable(BOOL enable) const;

  const int id;

 private:
  friend class Dialog;
  HWND handle = nullptr;
};

class Dialog {
 public:
  Dialog(UINT templateId, HWND parent);
  virtual ~Dialog();
  Dialog(const Dialog&) = delete;
  Dialog& operator=(const Dialog&) = delete;

  // Runs the dialog modally. Without a parent window it is owned by the window that is active
  // when it starts, which takes no input until the dialog ends. Returns the value given to
  // EndDialog, or -1 if the dialog could not be created.
  INT_PTR DoModal();
  void EndDialog(INT_PTR result);
  HWND Handle() const { return window; }

 protected:
  // A command handler bound to a control id and notification code.
  template <class D>
  struct Command {
    WORD id;
    WORD code;
    void (D::*handler)();
  };
  template <class D, size_t N>
  bool Dispatch(const Command<D> (&table)[N], WORD id, WORD code) {
    for (const Command<D>& entry : table) {
      if (entry.id == id && entry.code == code) {
        (static_cast<D*>(this)->*entry.handler)();
        return true;
      }
    }
    return false;
  }

  void Bind(Control& control) { controls.push_back(&control); }

  virtual BOOL OnInitDialog();  // after the controls are bound; TRUE lets the system set the focus
  virtual void OnOK();          // IDOK: Enter or the OK button
  virtual void OnCancel();      // IDCANCEL: Esc, the close box or the Cancel button
  // Command handlers of the derived class; true when the command was handled.
  virtual bool OnCommand(WORD id, WORD code);
  // Any other message; true when handled, so that the system's default processing is skipped.
  virtual bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam);

 private:
  static INT_PTR CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  UINT templateId;
  HWND parent;
  HWND window = nullptr;
  std::vector<Control*> controls;
};
