#pragma once

#include "Dialog.h"

// The first page: "&Next >" ends it with IDOK; "Cancel" and the close box with IDCANCEL.
class WelcomeDialog : public Dialog {
 public:
  explicit WelcomeDialog(HWND parent = nullptr);

  HICON icon;

 protected:
  BOOL OnInitDialog() override;
};
