#pragma once

#include "Dialog.h"

// The About box from the configuration dialog's system menu; OK, Esc and the close box end it.
class AboutDialog : public Dialog {
 public:
  explicit AboutDialog(HWND parent = nullptr);
};
