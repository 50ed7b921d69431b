// The INF-driven installation and removal, a member of OperationDialog.
#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "FileCallback.h"
#include "Message.h"
#include "Names.h"
#include "System.h"
#include "OperationDialog.h"
#include "OperationHelpers.h"
#include "resource.h"

namespace {

// What one operation holds open, released in this order when it ends, on every path.
struct OperationResources {
  PVOID context = nullptr;
  HSPFILEQ queue = nullptr;
  HINF inf = INVALID_HANDLE_VALUE;
  HKEY key = nullptr;
  // The driver's key when this operation created it and has not installed the driver: a removal
  // of a driver the machine never had, or a failed install, leaves no key behind (the system's
  // service removal leaves it when there is no service). A key that has gained subkeys cannot be
  // deleted and stays.
  std::string createdKey;
  OperationResources() = default;
  OperationResources(const OperationResources&) = delete;
  OperationResources& operator=(const OperationResources&) = delete;
  ~OperationResources() { Release(); }
  void Release() {
    if (context) SetupTermDefaultQueueCallback(context);
    if (queue && queue != INVALID_HANDLE_VALUE) SetupCloseFileQueue(queue);
    if (inf != INVALID_HANDLE_VALUE) SetupCloseInfFile(inf);
    if (key) RegCloseKey(key);
    if (!createdKey.empty()) RegDeleteKeyA(HKEY_LOCAL_MACHINE, createdKey.c_str());
    createdKey.clear();
    context = nullptr;
    queue = nullptr;
    inf = INVALID_HANDLE_VALUE;
    key = nullptr;
  }
};

// The Control Panel of the system directory: a control.exe beside the installer must not run.
std::string ControlPanelCommand() {
  std::string directory = SystemDirectory();
  std::string program = directory.empty() ? "control.exe" : directory + "\\control.exe";
  if (program.find(' ') != std::string::npos) program = "\"" + program + "\"";
  return program + " " + kAppletFileName;
}

// Whether a state means that the driver is loaded: running, or on its way to or from it.
bool Loaded(DWORD state) { return state != 0 && state != SERVICE_STOPPED; }

// A name of the INF's [Strings] section that a text still holds, unresolved (as "%Parameters%"):
// an INF cut short before or inside that section. Directory numbers ("%12%") do not count.
std::string UnresolvedName(const std::string& text) {
  for (size_t open = text.find('%'); open != std::string::npos; open = text.find('%', open + 1)) {
    size_t close = text.find('%', open + 1);
    if (close == std::string::npos) break;
    std::string name = text.substr(open + 1, close - open - 1);
    if (!name.empty() && name.find_first_not_of("0123456789") != std::string::npos) return "%" + name + "%";
    open = close;
  }
  return std::string();
}

// INF keys are ASCII; their case does not count.
bool SameText(const std::string& a, const char* b) {
  auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
  return a.size() == std::strlen(b) && std::equal(a.begin(), a.end(), b, [&](char x, char y) { return lower(x) == lower(y); });
}

// Whether a field of a line of the operation's section names another section: every field of
// its file and registry directives, the third of an AddService (the service's own section).
bool NamesSection(const std::string& key, DWORD field) {
  for (const char* list : {"CopyFiles", "DelFiles", "AddReg", "DelReg"})
    if (SameText(key, list)) return true;
  return SameText(key, "AddService") && field == 3;
}

// The INF read before anything is changed, as a damaged disk (a file cut short) leaves it: the
// operation's section and every section it names have lines, and none of their fields holds a
// name the INF does not define. On a fault, shows what is wrong and returns false.
bool CheckInf(HWND page, HINF inf, const char* operation, const std::string& infPath) {
  std::vector<std::string> sections{operation};
  for (size_t i = 0; i < sections.size(); ++i) {
    INFCONTEXT line;
    if (!SetupFindFirstLineA(inf, sections[i].c_str(), nullptr, &line)) {
      ShowMessage(page, IDS_INF_SECTION_MISSING, IDS_CAPTION, MB_ICONEXCLAMATION, {infPath.c_str(), sections[i].c_str()});
      return false;
    }
    do {
      char text[4096];
      std::string key = i == 0 && SetupGetStringFieldA(&line, 0, text, sizeof text, nullptr) ? text : "";
      for (DWORD field = 1; field <= SetupGetFieldCount(&line); ++field) {
        if (!SetupGetStringFieldA(&line, field, text, sizeof text, nullptr)) continue;
        std::string name = UnresolvedName(text);
        if (!name.empty()) {
          ShowMessage(page, IDS_INF_UNDEFINED_NAME, IDS_CAPTION, MB_ICONEXCLAMATION,
                      {infPath.c_str(), sections[i].c_str(), name.c_str()});
          return false;
        }
        // A single file to copy ("@norvo.sys") names no section.
        if (NamesSection(key, field) && *text && *text != '@') sections.push_back(text);
      }
    } while (SetupFindNextLine(&line, &line));
  }
  return true;
}

// The section's files and registry entries, the file queue (the installer queues nothing itself)
// and the section's services; a failure is reported with its reason. False when a step failed.
// The file callback's context is made here, around the default one. An install whose INF did
// not give the driver its settings key (the layout the applet relies on) fails before its
// services are touched.
bool ProcessSection(HWND page, OperationResources& held, const char* section, const std::string& sourceDirectory,
                    const std::string& parametersKey, const std::string& infPath,
                    std::unique_ptr<FileCallbackContext>& files) {
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
  files.reset(new FileCallbackContext(held.context));
  bool done = SetupInstallFromInfSectionA(page, held.inf, section, SPINST_REGISTRY | SPINST_FILES, held.key,
                                          sourceDirectory.c_str(), SP_COPY_NOSKIP, InstallQueueCallback, files.get(),
                                          nullptr, nullptr) &&
              SetupCommitFileQueueA(page, held.queue, InstallQueueCallback, files.get());
  if (done && !parametersKey.empty()) {
    HKEY parameters;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, parametersKey.c_str(), 0, KEY_QUERY_VALUE, &parameters) != ERROR_SUCCESS) {
      ShowMessage(page, IDS_NO_PARAMETERS_KEY, IDS_CAPTION, MB_ICONEXCLAMATION, {infPath.c_str(), parametersKey.c_str()});
      return false;
    }
    RegCloseKey(parameters);
  }
  if (!done || !SetupInstallServicesFromInfSectionA(held.inf, section, 0)) {
    // A copy beside a file is named, since its reason alone would point elsewhere (a file or
    // folder of that name in the way is refused as "access denied", as if rights were missing).
    if (files->blockedCopy.empty())
      ReportLastError(page);
    else
      ShowMessage(page, IDS_COPY_BESIDE_FAILED, IDS_CAPTION, MB_ICONEXCLAMATION,
                  {ErrorText(files->blockedError).c_str(), files->blockedSource.c_str(), files->blockedCopy.c_str()});
    return false;
  }
  return true;
}

// The driver's state once it is no longer on its way down, waited for with the usual 20 polls
// 500 ms apart; 0 when it cannot be told (the service is gone, say).
DWORD SettledState(const std::string& name) {
  return Service(name).Poll([](DWORD state) { return state != SERVICE_STOP_PENDING; });
}

// After a failed run that had asked a running driver to stop: the driver is started again once
// it has stopped. Returns the closing message that says how the driver is; reason gets why it
// did not start again.
UINT RestartOldDriver(const std::string& name, std::string& reason) {
  DWORD state = SettledState(name);
  DWORD error = ERROR_SERVICE_REQUEST_TIMEOUT;  // still on its way down
  if (state != SERVICE_STOP_PENDING) {
    if (Loaded(state)) return IDS_INCOMPLETE_STILL_RUNNING;
    if (StartServiceByName(name)) return IDS_INCOMPLETE_RUNNING_AGAIN;
    error = GetLastError();
  }
  reason = ErrorText(error);
  return IDS_INCOMPLETE_NOT_RESTARTED;
}

}  // namespace

int OperationDialog::PerformOperation() {
  const char* section = installSelected ? "Install" : "Uninstall";
  std::string keyPath = kServicesKey + driverName;
  OperationResources held;
  std::unique_ptr<FileCallbackContext> files;
  // The members that tell the outcome start as the page's initialisation left them: the
  // operation runs once a page.

  held.inf = SetupOpenInfFileA(infPath.c_str(), nullptr, INF_STYLE_WIN4, nullptr);
  if (held.inf == INVALID_HANDLE_VALUE) {
    OutputDebugStringA(infPath.c_str());
    ShowMessage(Handle(), IDS_INVALID_INF, IDS_CAPTION, MB_ICONEXCLAMATION, {infPath.c_str()});
    return 0;
  }
  if (!CheckInf(Handle(), held.inf, section, infPath)) return 0;

  char keyClass[] = "Ports";
  DWORD disposition;
  if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, keyPath.c_str(), 0, keyClass, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr,
                      &held.key, &disposition) != ERROR_SUCCESS) {
    held.key = nullptr;
    ShowMessage(Handle(), IDS_CANT_OPEN_KEY, IDS_CAPTION, MB_ICONEXCLAMATION);
    return 0;
  }
  if (disposition == REG_CREATED_NEW_KEY) held.createdKey = keyPath;

  // A stop request whose answer is not needed: a driver that is not installed or not running
  // needs no stop, and one that keeps running is found by the start request below
  // (ERROR_SERVICE_ALREADY_RUNNING). A driver on its way down is given the usual time to get
  // there, so that its files are free and what the page says of it is true. Whether the driver
  // ran before, and still runs after it, decides what a failure and a removal must say.
  bool ranBefore = Loaded(Service(driverName).State());
  if (ranBefore) ShowStep(IDS_STOPPING);
  StopServiceByName(driverName);
  bool runsOn = ranBefore && Loaded(SettledState(driverName));

  std::string parametersKey = installSelected ? keyPath + "\\Parameters" : std::string();
  ShowStep(installSelected ? IDS_COPYING : IDS_REMOVING);
  if (!ProcessSection(Handle(), held, section, sourceDirectory, parametersKey, infPath, files)) {
    // A failed run must not leave the machine with fewer working ports than it had: the files it
    // replaced go back before the old driver starts again.
    if (files) files->PutBack();
    if (ranBefore) closingMessage = RestartOldDriver(driverName, closingReason);
    return 0;
  }
  files->Discard();
  if (installSelected) held.createdKey.clear();
  filesAtRestart = files->restartNeeded ? TRUE : FALSE;
  if (!files->stayingFile.empty()) {
    // Everything else is done; that one file stays until the installer runs again.
    closingMessage = IDS_INCOMPLETE_FILE_STAYS;
    closingReason = ErrorText(files->stayingError);
    closingFile = files->stayingFile;
    return 0;
  }
  // A removed driver that did not stop stays loaded until the computer restarts.
  if (!installSelected && runsOn) driverWasRunning = TRUE;

  if (installSelected) {
    ShowStep(IDS_STARTING);
    if (StartServiceByName(driverName)) {
      driverStarted = TRUE;
    } else {
      DWORD code = GetLastError();
      if (code == ERROR_SERVICE_ALREADY_RUNNING) {
        driverWasRunning = TRUE;
      } else {
        ShowMessage(Handle(), IDS_NOT_STARTED, IDS_CAPTION, MB_ICONINFORMATION, {HexCode(code).c_str()});
      }
    }
  }
  held.Release();
  // The operation is complete whether or not the Control Panel opens.
  WinExec(ControlPanelCommand().c_str(), SW_SHOWNORMAL);
  return 1;
}
