#include "OperationHelpers.h"

#include <utility>

#include "Message.h"
#include "resource.h"

namespace {

// One service request: the manager and the service are opened for it and closed after it,
// keeping the request's last error for the caller.
template <class Request>
BOOL RequestService(const std::string& name, Request request) {
  SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
  SC_HANDLE service = OpenServiceA(manager, name.c_str(), SERVICE_ALL_ACCESS);
  BOOL result = service ? request(service) : FALSE;
  DWORD error = GetLastError();
  if (service) CloseServiceHandle(service);
  if (manager) CloseServiceHandle(manager);
  SetLastError(error);
  return result;
}

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

// A source file that is missing, and how often the user was asked for it. Where the system asks,
// the answer "try again at the same place" means "the disk is in now"; some SetupAPI
// implementations give that answer without asking anyone, so that the copy would be retried for
// ever. A file is asked for at most kMaxMediaPrompts times in a row; then the copy is given up.
const int kMaxMediaPrompts = 5;
struct MissingSource {
  std::string file;
  int prompts = 0;
  // Whether a file may be asked for once more; counts that request.
  bool AskAgain(const std::string& missing) {
    if (missing != file) {
      file = missing;
      prompts = 0;
    }
    return prompts++ < kMaxMediaPrompts;
  }
} missingSource;

}  // namespace

BOOL StartServiceByName(const std::string& name) {
  return RequestService(name, [](SC_HANDLE service) { return StartServiceA(service, 0, nullptr); });
}

BOOL StopServiceByName(const std::string& name) {
  return RequestService(name, [](SC_HANDLE service) {
    SERVICE_STATUS status;
    return ControlService(service, SERVICE_CONTROL_STOP, &status);
  });
}

UINT CALLBACK InstallQueueCallback(PVOID context, UINT notification, UINT_PTR param1, UINT_PTR param2) {
  if (notification == SPFILENOTIFY_DELETEERROR) return FILEOP_SKIP;
  if (notification == SPFILENOTIFY_ENDCOPY) missingSource = MissingSource();
  if (notification == SPFILENOTIFY_NEEDMEDIA) {
    const auto* media = reinterpret_cast<const SOURCE_MEDIA_A*>(param1);
    std::string file =
        std::string(media->SourcePath ? media->SourcePath : "") + "\\" + (media->SourceFile ? media->SourceFile : "");
    if (!missingSource.AskAgain(file)) {
      // The file is still not there: the operation fails for that reason, not in an endless loop.
      missingSource = MissingSource();
      SetLastError(ERROR_FILE_NOT_FOUND);
      return FILEOP_ABORT;
    }
  }
  UINT answer = SetupDefaultQueueCallbackA(context, notification, param1, param2);
  // Skipped, cancelled or found elsewhere: the next request for it is a new one.
  if (notification == SPFILENOTIFY_NEEDMEDIA && answer != FILEOP_DOIT) missingSource = MissingSource();
  return answer;
}

DWORD ServiceState(const std::string& name) {
  DWORD state = 0;
  RequestService(name, [&state](SC_HANDLE service) {
    SERVICE_STATUS status;
    if (!QueryServiceStatus(service, &status)) return FALSE;
    state = status.dwCurrentState;
    return TRUE;
  });
  return state;
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
