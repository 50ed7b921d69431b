// Modal dialogs on a dialog template, in the style of the classic Win32 class frameworks: one
// class per template, controls reached through members that register themselves with their
// dialog, and command handlers bound to a control id and notification code in a table of the
// derived class.
#pragma once

#include <string>
#include <vector>

#include "winapi.h"

class Dialog;

// A control of a dialog: a member of the dialog's class, constructed with the dialog and the
// control's id. It registers itself with the dialog, which finds its window by that id when it
// is initialised; from then until the dialog's window is destroyed Handle() is that window,
// before and after it is NULL.
class Control {
 public:
  Control(Dialog& owner, int controlId);
  Control(const Control&) = delete;
  Control& operator=(const Control&) = delete;
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

// A push button, check box or radio button.
class Button : public Control {
 public:
  using Control::Control;
  // BST_UNCHECKED, BST_CHECKED or BST_INDETERMINATE.
  void SetCheck(WPARAM state) const { Send(BM_SETCHECK, state); }
  LRESULT GetCheck() const { return Send(BM_GETCHECK); }
};

// A drop-down list.
class ComboBox : public Control {
 public:
  using Control::Control;
  // Adds an entry; the index it took, or CB_ERR or CB_ERRSPACE.
  LRESULT AddString(LPCSTR text) const { return Send(CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text)); }
  // Selects an entry (-1: none); the index selected, or CB_ERR.
  LRESULT SetCurSel(int index) const { return Send(CB_SETCURSEL, static_cast<WPARAM>(index)); }
  // The selected entry's index, or CB_ERR when none is selected.
  LRESULT GetCurSel() const { return Send(CB_GETCURSEL); }
};

// A trackbar of the common controls. Each setter redraws the control when redraw is TRUE.
// Its dialog registers the common controls' classes before it is created; a program whose
// dialogs hold no trackbar does not load the common controls at all.
class Trackbar : public Control {
 public:
  Trackbar(Dialog& owner, int controlId);
  void SetRangeMin(LONG minimum, BOOL redraw) const { Send(TBM_SETRANGEMIN, static_cast<WPARAM>(redraw), minimum); }
  void SetRangeMax(LONG maximum, BOOL redraw) const { Send(TBM_SETRANGEMAX, static_cast<WPARAM>(redraw), maximum); }
  // A tick mark at a position within the range; the ends have theirs already.
  void SetTic(LONG position) const { Send(TBM_SETTIC, 0, position); }
  // Removes the tick marks set with SetTic.
  void ClearTics(BOOL redraw) const { Send(TBM_CLEARTICS, static_cast<WPARAM>(redraw)); }
  // Moves the thumb; a position outside the range goes to its nearer end.
  void SetPos(LONG position, BOOL redraw) const { Send(TBM_SETPOS, static_cast<WPARAM>(redraw), position); }
  LONG GetPos() const { return static_cast<LONG>(Send(TBM_GETPOS)); }
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
  // The dialog's icon in its caption and in the task list: big, then small.
  void SetIcon(HICON icon) const;

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

  virtual BOOL OnInitDialog();  // once the controls have their windows; TRUE lets the system set the focus
  virtual void OnOK();          // IDOK: Enter or the OK button
  virtual void OnCancel();      // IDCANCEL: Esc, the close box or the Cancel button
  // Command handlers of the derived class; true when the command was handled.
  virtual bool OnCommand(WORD id, WORD code);
  // Any other message; true when handled, so that the system's default processing is skipped.
  virtual bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam);

 private:
  friend class Control;
  static INT_PTR CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  UINT templateId;
  HWND parent;
  HWND window = nullptr;
  std::vector<Control*> controls;  // in the order they were constructed
  // Registers the window classes of the dialog's common controls, if it has any.
  void(WINAPI* registerClasses)() = nullptr;
  friend class Trackbar;
};

inline Trackbar::Trackbar(Dialog& owner, int controlId) : Control(owner, controlId) {
  owner.registerClasses = InitCommonControls;
}
