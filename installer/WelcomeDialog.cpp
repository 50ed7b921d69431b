#include "WelcomeDialog.h"

#include "module.h"
#include "resource.h"

WelcomeDialog::WelcomeDialog(HWND parent)
    : Dialog(IDD_WELCOME, parent), icon(LoadIconA(CurrentModule(), MAKEINTRESOURCEA(IDI_INSTALLER))) {}

BOOL WelcomeDialog::OnInitDialog() {
  Dialog::OnInitDialog();
  SetIcon(icon);
  return TRUE;
}
