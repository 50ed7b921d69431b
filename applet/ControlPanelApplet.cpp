#include "ControlPanelApplet.h"

#include "Message.h"
#include "Text.h"
#include "module.h"
#include "resource.h"

ControlPanelApplet* ControlPanelApplet::current = nullptr;

ControlPanelApplet::ControlPanelApplet() { current = this; }

// The pointer is left as it is: the module is being unloaded when applet objects go.
ControlPanelApplet::~ControlPanelApplet() = default;

LONG ControlPanelApplet::OnDblClk(HWND, UINT, LONG_PTR) { return 0; }
LONG ControlPanelApplet::OnExit() { return 0; }
LONG ControlPanelApplet::OnGetCount() { return 1; }
LONG ControlPanelApplet::OnInit() { return 1; }
LONG ControlPanelApplet::OnSelect(UINT, LONG_PTR) { return 1; }
LONG ControlPanelApplet::OnStop(UINT, LONG_PTR) { return 1; }

// The raw applet answers for a module whose applet object adds nothing; this module's
// SerialBoardApplet replaces it, so the Control Panel never shows it.
LONG ControlPanelApplet::OnNewInquire(UINT, NEWCPLINFOA* info) {
  FillInquiry(info, LoadIconA(CurrentModule(), MAKEINTRESOURCEA(1)), IDS_RAW_APPLET_NAME, IDS_RAW_APPLET_INFO);
  return 0;
}

void ControlPanelApplet::FillInquiry(NEWCPLINFOA* info, HICON icon, UINT nameId, UINT textId) {
  info->dwSize = sizeof(NEWCPLINFOA);
  info->dwFlags = 0;
  info->dwHelpContext = 0;
  info->lData = 0;
  info->hIcon = icon;
  CopyText(info->szName, LoadText(nameId).c_str());
  CopyText(info->szInfo, LoadText(textId).c_str());
  CopyText(info->szHelpFile, "");
}

extern "C" LONG APIENTRY CPlApplet(HWND window, UINT message, LPARAM lParam1, LPARAM lParam2) {
  ControlPanelApplet* applet = ControlPanelApplet::current;
  switch (message) {
    case CPL_INIT:
      return applet->OnInit();
    case CPL_GETCOUNT:
      return applet->OnGetCount();
    case CPL_INQUIRE:
      return 0;
    case CPL_SELECT:
      return applet->OnSelect(static_cast<UINT>(lParam1), lParam2);
    case CPL_DBLCLK:
      return applet->OnDblClk(window, static_cast<UINT>(lParam1), lParam2);
    case CPL_STOP:
      return applet->OnStop(static_cast<UINT>(lParam1), lParam2);
    case CPL_EXIT:
      return applet->OnExit();
    case CPL_NEWINQUIRE:
      return applet->OnNewInquire(static_cast<UINT>(lParam1), reinterpret_cast<NEWCPLINFOA*>(lParam2));
    case CPL_STARTWPARMSA:
    case CPL_STARTWPARMSW:
      // Hosts that open an applet named on their command line ask this first and send
      // CPL_DBLCLK only when the answer is 0 ("not handled here").
      return 0;
    default:
      return 1;
  }
}
