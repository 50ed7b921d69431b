#include "SerialBoardApplet.h"

#include "PortConfigDialog.h"
#include "module.h"
#include "resource.h"

SerialBoardApplet::~SerialBoardApplet() = default;

// Each double-click runs a fresh dialog that reads the driver's settings anew. The host's
// window is not made the owner.
LONG SerialBoardApplet::OnDblClk(HWND, UINT, LONG_PTR) {
  PortConfigDialog dialog;
  dialog.DoModal();
  return 0;
}

LONG SerialBoardApplet::OnNewInquire(UINT, NEWCPLINFOA* info) {
  FillInquiry(info, LoadIconA(CurrentModule(), MAKEINTRESOURCEA(IDI_APPLET)), IDS_APPLET_NAME, IDS_APPLET_INFO);
  return 0;
}
