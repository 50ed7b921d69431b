// The one applet of the module: "Norvo", which opens the configuration dialog.
#pragma once

#include "ControlPanelApplet.h"

class SerialBoardApplet : public ControlPanelApplet {
 public:
  ~SerialBoardApplet() override;
  LONG OnDblClk(HWND window, UINT appletIndex, LONG_PTR appletData) override;
  LONG OnNewInquire(UINT appletIndex, NEWCPLINFOA* info) override;
};
