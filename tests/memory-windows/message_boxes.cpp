// Message boxes of the in-memory machine: small modal dialogs with the text in static 0xFFFF and
// the buttons the box type asks for, as the system builds them, each recorded for the tests.
#include "windowing.h"

namespace memory {
namespace {

INT_PTR CALLBACK MessageBoxProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  if (message == WM_COMMAND && HIWORD(wParam) == BN_CLICKED) {
    int id = LOWORD(wParam);
    // Esc answers IDCANCEL only where the box has a way to cancel; a lone OK takes it as OK.
    if (GetDlgItem(dialog, id)) {
      EndDialog(dialog, id);
    } else if (id == IDCANCEL && GetDlgItem(dialog, IDOK) && !GetDlgItem(dialog, IDNO)) {
      EndDialog(dialog, IDOK);
    }
    return TRUE;
  }
  return FALSE;
}

}  // namespace

const std::vector<MessageBoxRecord>& MessageBoxes() { return Desk().boxes; }

}  // namespace memory

using memory::Desk;

int WINAPI MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
  memory::Window* box = memory::NewWindow();
  box->cls = "#32770";
  box->style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
  box->text = caption ? caption : "Error";
  box->proc = memory::MessageBoxProc;
  auto add = [&](int id, const char* label, DWORD style) {
    memory::Window* c = memory::NewWindow();
    c->parent = box->handle;
    c->id = id;
    c->cls = id == 0xFFFF ? "Static" : "Button";
    c->text = label;
    c->style = WS_CHILD | WS_VISIBLE | style;
    c->visible = true;
    box->children.push_back(c->handle);
  };
  add(0xFFFF, text ? text : "", SS_NOPREFIX);
  switch (type & MB_TYPEMASK) {
    case MB_OKCANCEL:
      add(IDOK, "OK", BS_DEFPUSHBUTTON | WS_TABSTOP);
      add(IDCANCEL, "Cancel", BS_PUSHBUTTON | WS_TABSTOP);
      break;
    case MB_ABORTRETRYIGNORE:
      add(IDABORT, "&Abort", BS_DEFPUSHBUTTON | WS_TABSTOP);
      add(IDRETRY, "&Retry", BS_PUSHBUTTON | WS_TABSTOP);
      add(IDIGNORE, "&Ignore", BS_PUSHBUTTON | WS_TABSTOP);
      break;
    case MB_YESNO:
      add(IDYES, "&Yes", BS_DEFPUSHBUTTON | WS_TABSTOP);
      add(IDNO, "&No", BS_PUSHBUTTON | WS_TABSTOP);
      break;
    case MB_RETRYCANCEL:
      add(IDRETRY, "&Retry", BS_DEFPUSHBUTTON | WS_TABSTOP);
      add(IDCANCEL, "Cancel", BS_PUSHBUTTON | WS_TABSTOP);
      break;
    default:
      add(IDOK, "OK", BS_DEFPUSHBUTTON | WS_TABSTOP);
  }
  memory::MessageBoxRecord record{owner, text ? text : "", box->text, type, 0};
  Desk().boxes.push_back(record);
  size_t index = Desk().boxes.size() - 1;
  int answer = static_cast<int>(memory::RunModal(box, owner, 0, true));
  Desk().boxes[index].answer = answer;
  return answer;
}
