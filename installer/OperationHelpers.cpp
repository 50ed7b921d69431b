#include "OperationHelpers.h"

#include <utility>

#include "Message.h"
#include "System.h"
#include "resource.h"

namespace {

// SetupAPI's codes for a missing or malformed part of an INF file have no system text; the
// user reads ours, with the code. 0 for any other code.
UINT InfProblemText(DWORD code) {
  switch (code) {
    case ERROR_EXPECTED_SECTION_NAME:
      return IDS_INF_NO_SECTION_NAME;
    case ERROR_BAD_SECTION_NAME_LINE:
      return IDS_INF_BAD_SECTION_NAME;
    case ERROR_SECTION_NAME_TOO_LONG:
      return IDS_INF_LONG_SECTION_NAME;
    case ERROR_GENERAL_SYNTAX:
      return IDS_INF_SYNTAX;
    case ERROR_WRONG_INF_STYLE:
      return IDS_INF_WRONG_STYLE;
    case ERROR_SECTION_NOT_FOUND:
      return IDS_INF_NO_SECTION;
    case ERROR_LINE_NOT_FOUND:
      return IDS_INF_NO_LINE;
    case ERROR_BAD_SERVICE_INSTALLSECT:
      return IDS_INF_BAD_SERVICE_SECTION;
  }
  return 0;
}

// The text and its insert for an error code (see ErrorText). A system text is put in whole: its
// own %1-style inserts, for which there are no arguments here, stand as they are.
std::pair<UINT, std::string> ErrorMessage(DWORD code) {
  if (UINT own = InfProblemText(code)) return {own, HexCode(code)};
  return {IDS_SYSTEM_REASON, SystemText(code)};
}

}  // namespace

BOOL StartServiceByName(const std::string& name) {
  Service service(name);
  return service.Handle() && StartServiceA(service.Handle(), 0, nullptr);
}

BOOL StopServiceByName(const std::string& name) {
  Service service(name);
  SERVICE_STATUS status;
  return service.Handle() && ControlService(service.Handle(), SERVICE_CONTROL_STOP, &status);
}

std::string ErrorText(DWORD code) {
  std::pair<UINT, std::string> message = ErrorMessage(code);
  return LoadText(message.first, {message.second.c_str()});
}

void ReportLastError(HWND owner) {
  DWORD code = GetLastError();
  if (code == ERROR_CANCELLED) return;
  std::pair<UINT, std::string> message = ErrorMessage(code);
  ShowMessage(owner, message.first, IDS_CAPTION, MB_ICONEXCLAMATION, {message.second.c_str()});
  OutputDebugStringA(LoadText(message.first, {message.second.c_str()}).c_str());
}
