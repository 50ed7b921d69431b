#include "PortsInUseDialog.h"

#include "resource.h"

namespace {
// ExitWindowsEx: a restart in which programs are asked to close, not forced...
const UINT kRestartFlags = EWX_REBOOT;
// ...and its second argument, reserved on NT 4.0 (later systems read a reason code from it).
const DWORD kRestartReserved = 0xFFFF;
}  // namespace

PortsInUseDialog::PortsInUseDialog(HWND parent) : Dialog(IDD_PORTS_IN_USE, parent) {}

PortsInUseDialog::~PortsInUseDialog() = default;

void PortsInUseDialog::OnCancel() { EndDialog(IDCANCEL); }

bool PortsInUseDialog::OnCommand(WORD id, WORD code) {
  static const Command<PortsInUseDialog> commands[] = {
      {IDC_RESTART_WINDOWS, BN_CLICKED, &PortsInUseDialog::RestartWindows},
  };
  return Dispatch(commands, id, code);
}

// Enables the shutdown privilege and asks for a restart in which programs are asked to close,
// not forced. Nothing is reported: without the right, or when a program refuses, the stored
// settings simply wait for the driver's next start.
void PortsInUseDialog::RestartWindows() {
  HANDLE token = nullptr;
  OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token);
  TOKEN_PRIVILEGES privileges;
  privileges.PrivilegeCount = 1;
  privileges.Privileges[0].Luid = LUID{0, 0};
  LookupPrivilegeValueA(nullptr, SE_SHUTDOWN_NAME, &privileges.Privileges[0].Luid);
  privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
  TOKEN_PRIVILEGES previous;  // 16 bytes, not used afterwards
  DWORD returned = 0;
  AdjustTokenPrivileges(token, FALSE, &privileges, sizeof previous, &previous, &returned);
  ExitWindowsEx(kRestartFlags, kRestartReserved);
  if (token) CloseHandle(token);
  EndDialog(IDCANCEL);
}
