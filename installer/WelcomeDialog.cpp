#include "WelcomeDialog.h"

#include "module.h"
#include "resource.h"

WelcomeDialog::WelcomeDialog(HWND parent)
    : Dialog(IDD_WELCOME, parent), icon(LoadIconA(CurrentModule(), MAKEINTRESOURCEA(IDI_INSTALLER))) {}

BOOL WelcomeDialog::OnInitDialog() {
  Dialog::OnInitDialog();
  SendMessageA(Handle(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
  SendMessageA(Handle(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
  return TRUE;
}
