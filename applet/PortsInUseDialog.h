#pragma once

#include "Dialog.h"

// "Norvo Setup": some ports are open. "Re&try" ends with IDOK; "&Apply later", Esc and the
// close box with IDCANCEL; "&Restart Window" asks Windows to restart, then ends with IDCANCEL.
class PortsInUseDialog : public Dialog {
 public:
  explicit PortsInUseDialog(HWND parent = nullptr);
  ~PortsInUseDialog() override;

  void RestartWindows();

 protected:
  void OnCancel() override;
  bool OnCommand(WORD id, WORD code) override;
};
