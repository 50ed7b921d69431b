// The Control Panel side of the applet: the exported entry point dispatches each message to
// the current applet object, whose hooks answer it.
#pragma once

#include "winapi.h"

class ControlPanelApplet {
 public:
  ControlPanelApplet();
  virtual ~ControlPanelApplet();
  ControlPanelApplet(const ControlPanelApplet&) = delete;
  ControlPanelApplet& operator=(const ControlPanelApplet&) = delete;

  virtual LONG OnDblClk(HWND window, UINT appletIndex, LONG_PTR appletData);
  virtual LONG OnExit();
  virtual LONG OnGetCount();
  virtual LONG OnInit();
  virtual LONG OnNewInquire(UINT appletIndex, NEWCPLINFOA* info);
  virtual LONG OnSelect(UINT appletIndex, LONG_PTR appletData);
  virtual LONG OnStop(UINT appletIndex, LONG_PTR appletData);

  // The applet object the entry point calls: the one constructed last.
  static ControlPanelApplet* current;

 protected:
  // Fills the record with the icon and the name and description of the string table.
  static void FillInquiry(NEWCPLINFOA* info, HICON icon, UINT nameId, UINT textId);
};

extern "C" LONG APIENTRY CPlApplet(HWND window, UINT message, LPARAM lParam1, LPARAM lParam2);
