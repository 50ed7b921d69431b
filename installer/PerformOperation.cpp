// The INF-driven installation and removal, and the small functions that serve it.
#include <string>

#include "Names.h"
#include "OperationDialog.h"

namespace {

// What one operation holds open, released in this order when it ends, on every path.
struct OperationResources {
  PVOID context = nullptr;
  HSPFILEQ queue = nullptr;
  HINF inf = INVALID_HANDLE_VALUE;
  HKEY key = nullptr;
  OperationResources() = default;
  OperationResources(const OperationResources&) = delete;
  OperationResources& operator=(const OperationResources&) = delete;
  ~OperationResources() { Release(); }
  void Release() {
    if (context) SetupTermDefaultQueueCallback(context);
    if (queue && queue != INVALID_HANDLE_VALUE) SetupCloseFileQueue(queue);
    if (inf != INVALID_HANDLE_VALUE) SetupCloseInfFile(inf);
    if (key) RegCloseKey(key);
    context = nullptr;
    queue = nullptr;
    inf = INVALID_HANDLE_VALUE;
    key = nullptr;
  }
};

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

// The Control Panel of the system directory: a control.exe beside the installer must not run.
std::string ControlPanelCommand() {
  char directory[MAX_PATH];
  UINT length = GetSystemDirectoryA(directory, MAX_PATH);
  std::string program = length > 0 && length < MAX_PATH ? std::string(directory) + "\\control.exe" : "control.exe";
  if (program.find(' ') != std::string::npos) program = "\"" + program + "\"";
  return program + " " + kAppletFileName;
}

// SetupAPI's codes for a missing or malformed part of an INF file have no system text; the
// user reads ours, followed by the code.
const char* InfProblemText(DWORD code) {
  switch (code) {
    case ERROR_EXPECTED_SECTION_NAME:
      return "The INF file does not begin with a section name.";
    case ERROR_BAD_SECTION_NAME_LINE:
      return "The INF file has a malformed section name.";
    case ERROR_SECTION_NAME_TOO_LONG:
      return "A section name in the INF file is too long.";
    case ERROR_GENERAL_SYNTAX:
      return "The INF file has a syntax error.";
    case ERROR_WRONG_INF_STYLE:
      return "The INF file is not a Windows 4 style INF file.";
    case ERROR_SECTION_NOT_FOUND:
      return "The INF file lacks a section that this operation needs.";
    case ERROR_LINE_NOT_FOUND:
      return "The INF file lacks a line that this operation needs.";
    case ERROR_BAD_SERVICE_INSTALLSECT:
      return "The INF file's service installation section is not valid.";
  }
  return nullptr;
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

// "Error 0xE0000101": the code as eight upper-case hexadecimal digits.
std::string ErrorNumber(DWORD code) {
  char number[32];
  wsprintfA(number, "Error 0x%.8X", static_cast<unsigned>(code));
  return number;
}

// What the user reads for an error code: for a missing or malformed part of the INF file a plain
// text of our own with the code, otherwise the system's text, or the code alone when the system
// has none.
std::string ErrorText(DWORD code) {
  if (const char* own = InfProblemText(code)) return std::string(own) + " (" + ErrorNumber(code) + ")";
  // A system text may hold %1-style inserts for which there are no arguments here: they are
  // shown as they stand rather than failing the call.
  LPSTR text = nullptr;
  DWORD length = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                nullptr, code, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
                                reinterpret_cast<LPSTR>(&text), 0, nullptr);
  std::string message = length && text ? std::string(text) : ErrorNumber(code);
  if (text) LocalFree(text);
  return message;
}

// The state the Service Control Manager reports for a service; 0 when it cannot tell (the
// service is not installed, say).
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

// Whether a state means that the driver is loaded: running, or on its way to or from it.
bool Loaded(DWORD state) { return state != 0 && state != SERVICE_STOPPED; }

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

void ReportLastError(HWND owner) {
  DWORD code = GetLastError();
  if (code == ERROR_CANCELLED) return;
  std::string message = ErrorText(code);
  MessageBoxA(owner, message.c_str(), kCaption, MB_ICONEXCLAMATION);
  OutputDebugStringA(message.c_str());
}

namespace {

// The section's files and registry entries, the file queue (the installer queues nothing itself)
// and the section's services; a failure is reported with its reason. False when a step failed.
bool ProcessSection(HWND page, OperationResources& held, const char* section, const std::string& sourceDirectory) {
  held.queue = SetupOpenFileQueue();
  if (!held.queue || held.queue == INVALID_HANDLE_VALUE) {
    ReportLastError(page);
    return false;
  }
  held.context = SetupInitDefaultQueueCallbackEx(page, nullptr, 0, 0, nullptr);
  if (!held.context) {
    ReportLastError(page);
    return false;
  }
  if (!SetupInstallFromInfSectionA(page, held.inf, section, SPINST_REGISTRY | SPINST_FILES, held.key,
                                   sourceDirectory.c_str(), SP_COPY_NOSKIP, InstallQueueCallback, held.context, nullptr,
                                   nullptr) ||
      !SetupCommitFileQueueA(page, held.queue, InstallQueueCallback, held.context) ||
      !SetupInstallServicesFromInfSectionA(held.inf, section, 0)) {
    ReportLastError(page);
    return false;
  }
  return true;
}

// After a failed run that had asked a running driver to stop: the driver is started again when
// it stopped. Returns what the closing message adds about it.
std::string RestartOldDriver(const std::string& name) {
  if (Loaded(ServiceState(name))) return "\n\nThe driver that was running before is still running.";
  if (StartServiceByName(name)) return "\n\nThe driver that was running before is running again.";
  return "\n\nThe driver that was running before has been stopped and could not be started again.\nReason: " +
         ErrorText(GetLastError());
}

}  // namespace

int OperationDialog::PerformOperation() {
  const char* section = installSelected ? "Install" : "Uninstall";
  std::string keyPath = kServicesKey + driverName;
  OperationResources held;
  driverStarted = FALSE;
  oldDriverNote.clear();

  held.inf = SetupOpenInfFileA(infPath.c_str(), nullptr, INF_STYLE_WIN4, nullptr);
  if (held.inf == INVALID_HANDLE_VALUE) {
    OutputDebugStringA(infPath.c_str());
    std::string message = "'" + infPath + "' is not a valid INF file!";
    MessageBoxA(Handle(), message.c_str(), kCaption, MB_ICONEXCLAMATION);
    return 0;
  }

  char keyClass[] = "Ports";
  DWORD disposition;
  if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, keyPath.c_str(), 0, keyClass, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr,
                      &held.key, &disposition) != ERROR_SUCCESS) {
    held.key = nullptr;
    MessageBoxA(Handle(), "Cant open key", kCaption, MB_ICONEXCLAMATION);
    return 0;
  }

  // A stop request without waiting, whose answer is not needed: a driver that is not installed
  // or not running needs no stop, and one that keeps running is found by the start request
  // below (ERROR_SERVICE_ALREADY_RUNNING). Whether the driver ran before it, and still runs
  // after it, decides what a failure and a removal must say.
  bool ranBefore = Loaded(ServiceState(driverName));
  StopServiceByName(driverName);
  bool runsOn = ranBefore && Loaded(ServiceState(driverName));

  if (!ProcessSection(Handle(), held, section, sourceDirectory)) {
    // A failed run must not leave the machine with fewer working ports than it had.
    if (ranBefore) oldDriverNote = RestartOldDriver(driverName);
    return 0;
  }
  // A removed driver that did not stop stays loaded until the computer restarts.
  if (!installSelected && runsOn) driverWasRunning = TRUE;

  if (installSelected) {
    if (StartServiceByName(driverName)) {
      driverStarted = TRUE;
    } else {
      DWORD code = GetLastError();
      if (code == ERROR_SERVICE_ALREADY_RUNNING) {
        driverWasRunning = TRUE;
      } else {
        char message[128];
        wsprintfA(message, "The device was installed correctly but could not be started\n[Error: 0x%.8X]",
                  static_cast<unsigned>(code));
        MessageBoxA(Handle(), message, kCaption, MB_ICONINFORMATION);
      }
    }
  }
  held.Release();
  // The operation is complete whether or not the Control Panel opens.
  WinExec(ControlPanelCommand().c_str(), SW_SHOWNORMAL);
  return 1;
}
