// SetupAPI's install actions on the in-memory machine: INF sections (read by inf.cpp) processed
// against the in-memory file system, registry and Service Control Manager, with the file
// callbacks and the default callback's prompts (as message boxes a test can answer).
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>
#include <set>
#include <stdexcept>

#include "inf.h"

namespace memory {
namespace {

struct Context {
  HWND owner;
};

struct Setup {
  std::map<HINF, Inf> infs;
  std::set<HSPFILEQ> queues;
  std::set<Context*> contexts;
  std::map<std::string, ServiceBehaviour> defaults;
  std::string mediaFoundIn;
  uintptr_t nextHandle = 0xA000;
};

Setup& Api() {
  static Setup setup;
  return setup;
}

HKEY RootOf(const std::string& name, HKEY relative) {
  std::string root = Upper(name);
  if (root == "HKR") return relative;
  if (root == "HKLM") return HKEY_LOCAL_MACHINE;
  if (root == "HKCU") return HKEY_CURRENT_USER;
  if (root == "HKCR") return HKEY_CLASSES_ROOT;
  if (root == "HKU") return HKEY_USERS;
  return nullptr;
}

void DeleteTree(HKEY root, const std::string& path) {
  HKEY key;
  if (RegOpenKeyExA(root, path.c_str(), 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return;
  for (;;) {
    char name[256];
    DWORD length = sizeof name;
    if (RegEnumKeyExA(key, 0, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    DeleteTree(key, name);
  }
  RegCloseKey(key);
  RegDeleteKeyA(root, path.c_str());
}

bool AddReg(const Inf& inf, const std::vector<Line>& section, HKEY relative) {
  for (const Line& line : section) {
    std::vector<std::string> v = line.values;
    v.resize(std::max<size_t>(v.size(), 4));
    HKEY root = RootOf(v[0], relative);
    if (!root) continue;
    DWORD flags = static_cast<DWORD>(std::strtoul(v[3].c_str(), nullptr, 0));
    HKEY key;
    if (RegCreateKeyExA(root, Substitute(inf, v[1]).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
      return false;
    if (!(flags & 0x10)) {  // FLG_ADDREG_KEYONLY
      std::string name = Substitute(inf, v[2]);
      std::vector<BYTE> data;
      DWORD type = REG_SZ;
      if ((flags & 0xFFFF0001) == 0x00010001) {  // FLG_ADDREG_TYPE_DWORD
        type = REG_DWORD;
        DWORD number = v.size() > 4 ? static_cast<DWORD>(std::strtoul(v[4].c_str(), nullptr, 0)) : 0;
        data.assign(reinterpret_cast<BYTE*>(&number), reinterpret_cast<BYTE*>(&number) + 4);
      } else if (flags & 1) {  // FLG_ADDREG_BINVALUETYPE: hexadecimal bytes
        type = REG_BINARY;
        for (size_t i = 4; i < v.size(); ++i) data.push_back(static_cast<BYTE>(std::strtoul(v[i].c_str(), nullptr, 16)));
      } else {
        if (flags & 0x00020000) type = REG_EXPAND_SZ;
        std::string text = v.size() > 4 ? Substitute(inf, v[4]) : std::string();
        data.assign(text.begin(), text.end());
        data.push_back(0);
      }
      RegSetValueExA(key, name.c_str(), 0, type, data.data(), static_cast<DWORD>(data.size()));
    }
    RegCloseKey(key);
  }
  return true;
}

void DelReg(const Inf& inf, const std::vector<Line>& section, HKEY relative) {
  for (const Line& line : section) {
    std::vector<std::string> v = line.values;
    v.resize(std::max<size_t>(v.size(), 3));
    HKEY root = RootOf(v[0], relative);
    if (!root) continue;
    std::string subkey = Substitute(inf, v[1]);
    if (line.values.size() < 3) {
      DeleteTree(root, subkey);
      continue;
    }
    HKEY key;
    if (RegOpenKeyExA(root, subkey.c_str(), 0, KEY_ALL_ACCESS, &key) == ERROR_SUCCESS) {
      RegDeleteValueA(key, Substitute(inf, v[2]).c_str());
      RegCloseKey(key);
    }
  }
}

DWORD Number(const Inf& inf, const std::vector<Line>& section, const char* key, DWORD fallback) {
  std::vector<std::string> v = Directive(inf, section, key);
  return v.empty() ? fallback : static_cast<DWORD>(std::strtoul(v[0].c_str(), nullptr, 0));
}

void SetServiceValue(HKEY key, const char* name, DWORD type, const std::string& text, DWORD number) {
  if (type == REG_DWORD)
    RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), 4);
  else
    RegSetValueExA(key, name, 0, type, reinterpret_cast<const BYTE*>(text.c_str()), static_cast<DWORD>(text.size() + 1));
}

bool AddServiceFromInf(const Inf& inf, const std::vector<std::string>& directive) {
  if (directive.size() < 3) return false;
  const std::vector<Line>* install = inf.Section(directive[2]);
  // As Wine answers an AddService whose section is missing or names no image.
  if (!install || Directive(inf, *install, "ServiceBinary").empty()) {
    SetLastError(ERROR_BAD_SERVICE_INSTALLSECT);
    return false;
  }
  const std::string& name = directive[0];
  std::string keyPath = "System\\CurrentControlSet\\Services\\" + name;
  HKEY key;
  RegCreateKeyExA(HKEY_LOCAL_MACHINE, keyPath.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
  DWORD start = Number(inf, *install, "StartType", 3);
  SetServiceValue(key, "Type", REG_DWORD, "", Number(inf, *install, "ServiceType", 1));
  SetServiceValue(key, "Start", REG_DWORD, "", start);
  SetServiceValue(key, "ErrorControl", REG_DWORD, "", Number(inf, *install, "ErrorControl", 1));
  SetServiceValue(key, "ImagePath", REG_EXPAND_SZ, Directive(inf, *install, "ServiceBinary")[0], 0);
  std::vector<std::string> display = Directive(inf, *install, "DisplayName");
  if (!display.empty()) SetServiceValue(key, "DisplayName", REG_SZ, display[0], 0);
  std::vector<std::string> group = Directive(inf, *install, "LoadOrderGroup");
  if (!group.empty()) SetServiceValue(key, "Group", REG_SZ, group[0], 0);
  RegCloseKey(key);
  ServiceBehaviour* existing = FindService(name);
  if (!existing) {
    const ServiceBehaviour* defaults = ServiceDefaultsFor(name);
    memory::AddService(name, defaults ? *defaults : ServiceBehaviour());
    existing = FindService(name);
    existing->state = SERVICE_STOPPED;
  }
  existing->disabled = start == 4;  // SERVICE_DISABLED
  return true;
}

// A service that is not there leaves its key as it is, as under Wine.
void DelService(const std::vector<std::string>& directive) {
  if (directive.empty() || !FindService(directive[0])) return;
  RemoveService(directive[0]);
  DeleteTree(HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Services\\" + directive[0]);
}

}  // namespace

void ResetSetup() {
  for (Context* context : Api().contexts) delete context;
  Api() = Setup();
}

void MediaFoundIn(const std::string& folder) { Api().mediaFoundIn = folder; }
void ServiceDefaults(const std::string& name, ServiceBehaviour behaviour) { Api().defaults[Upper(name)] = behaviour; }

const ServiceBehaviour* ServiceDefaultsFor(const std::string& name) {
  auto it = Api().defaults.find(Upper(name));
  return it == Api().defaults.end() ? nullptr : &it->second;
}

int OpenSetupObjects() {
  return static_cast<int>(Api().infs.size() + Api().queues.size() + Api().contexts.size());
}

}  // namespace memory

using memory::Api;

// As under Wine: the error line is set only for a file that could be read and is no INF, and a
// successful open clears the last error.
HINF WINAPI SetupOpenInfFileA(PCSTR fileName, PCSTR, DWORD infStyle, PUINT errorLine) {
  if (!fileName || !memory::FileExists(fileName)) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  memory::Inf inf;
  UINT line;
  DWORD error = memory::Parse(memory::FileText(fileName), &inf, &line);
  if (error == ERROR_SUCCESS && !(infStyle & INF_STYLE_WIN4)) error = ERROR_WRONG_INF_STYLE, line = 0;
  if (error != ERROR_SUCCESS) {
    if (errorLine && error != ERROR_FILE_INVALID) *errorLine = line;
    SetLastError(error);
    return INVALID_HANDLE_VALUE;
  }
  HINF handle = reinterpret_cast<HINF>(Api().nextHandle);
  Api().nextHandle += 4;
  Api().infs[handle] = inf;
  SetLastError(ERROR_SUCCESS);
  return handle;
}

void WINAPI SetupCloseInfFile(HINF inf) { Api().infs.erase(inf); }

// A line of an INF is found by its section's place among the sections and its own in the section;
// its fields come with their %names% resolved, field 0 being the key.
namespace {
const memory::Line* LineOf(const INFCONTEXT* context) {
  auto inf = Api().infs.find(context ? context->Inf : nullptr);
  if (inf == Api().infs.end() || context->Section >= inf->second.sections.size()) return nullptr;
  const auto& lines = std::next(inf->second.sections.begin(), context->Section)->second;
  return context->Line < lines.size() ? &lines[context->Line] : nullptr;
}
BOOL Answer(DWORD error) {
  SetLastError(error);
  return error == ERROR_SUCCESS;
}
}  // namespace

BOOL WINAPI SetupFindFirstLineA(HINF inf, PCSTR section, PCSTR key, PINFCONTEXT context) {
  auto it = Api().infs.find(inf);
  if (it == Api().infs.end()) return Answer(ERROR_INVALID_HANDLE);
  auto found = it->second.sections.find(memory::Upper(section ? section : ""));
  if (found == it->second.sections.end()) return Answer(ERROR_LINE_NOT_FOUND);
  for (UINT line = 0; line < found->second.size(); ++line) {
    if (key && !memory::SameText(found->second[line].key, key)) continue;
    *context = {inf, inf, static_cast<UINT>(std::distance(it->second.sections.begin(), found)), line};
    return Answer(ERROR_SUCCESS);
  }
  return Answer(ERROR_LINE_NOT_FOUND);
}

BOOL WINAPI SetupFindNextLine(PINFCONTEXT contextIn, PINFCONTEXT contextOut) {
  INFCONTEXT next = *contextIn;
  ++next.Line;
  if (!LineOf(&next)) return Answer(ERROR_LINE_NOT_FOUND);
  *contextOut = next;
  return Answer(ERROR_SUCCESS);
}

DWORD WINAPI SetupGetFieldCount(PINFCONTEXT context) {
  const memory::Line* line = LineOf(context);
  return line ? static_cast<DWORD>(line->values.size()) : 0;
}

BOOL WINAPI SetupGetStringFieldA(PINFCONTEXT context, DWORD index, PSTR buffer, DWORD size, PDWORD required) {
  const memory::Line* line = LineOf(context);
  if (!line || index > line->values.size()) return Answer(ERROR_INVALID_PARAMETER);
  std::string text = memory::Substitute(Api().infs[context->Inf], index ? line->values[index - 1] : line->key);
  if (required) *required = static_cast<DWORD>(text.size() + 1);
  if (buffer && size < text.size() + 1) return Answer(ERROR_INSUFFICIENT_BUFFER);
  if (buffer) std::memcpy(buffer, text.c_str(), text.size() + 1);
  return Answer(ERROR_SUCCESS);
}

HSPFILEQ WINAPI SetupOpenFileQueue(void) {
  HSPFILEQ queue = reinterpret_cast<HSPFILEQ>(Api().nextHandle);
  Api().nextHandle += 4;
  Api().queues.insert(queue);
  return queue;
}

BOOL WINAPI SetupCloseFileQueue(HSPFILEQ queue) { return Api().queues.erase(queue) ? TRUE : FALSE; }

PVOID WINAPI SetupInitDefaultQueueCallbackEx(HWND owner, HWND, UINT, DWORD, PVOID) {
  auto* context = new memory::Context{owner};
  Api().contexts.insert(context);
  return context;
}

void WINAPI SetupTermDefaultQueueCallback(PVOID context) {
  auto* c = static_cast<memory::Context*>(context);
  if (Api().contexts.erase(c)) delete c;
}

// The system's default answers: go ahead with every operation; a missing source file or a
// failed operation asks the user, whose Cancel aborts with ERROR_CANCELLED.
namespace {
// A prompt of the default callback. Where the copy style allows skipping, it offers Abort, Retry
// and Ignore (skip); otherwise the type given, OK or Retry with Cancel. Retry and OK go on.
UINT Ask(HWND owner, const std::string& text, const char* caption, UINT typeWithoutSkip, bool maySkip) {
  int answer = MessageBoxA(owner, text.c_str(), caption, maySkip ? MB_ABORTRETRYIGNORE : typeWithoutSkip);
  if (answer == IDRETRY || answer == IDOK) return FILEOP_DOIT;
  if (answer == IDIGNORE) return FILEOP_SKIP;
  SetLastError(ERROR_CANCELLED);
  return FILEOP_ABORT;
}
}  // namespace

UINT WINAPI SetupDefaultQueueCallbackA(PVOID context, UINT notification, UINT_PTR param1, UINT_PTR param2) {
  auto* c = static_cast<memory::Context*>(context);
  HWND owner = Api().contexts.count(c) ? c->owner : nullptr;
  switch (notification) {
    case SPFILENOTIFY_STARTQUEUE:
    case SPFILENOTIFY_STARTSUBQUEUE:
      return TRUE;
    case SPFILENOTIFY_STARTCOPY:
    case SPFILENOTIFY_STARTDELETE:
    case SPFILENOTIFY_STARTRENAME:
      return FILEOP_DOIT;
    case SPFILENOTIFY_NEEDMEDIA: {
      const auto* media = reinterpret_cast<const SOURCE_MEDIA_A*>(param1);
      // The media is there when its file is: go ahead without asking.
      if (memory::FileExists(std::string(media->SourcePath) + "\\" + media->SourceFile)) return FILEOP_DOIT;
      if (!Api().mediaFoundIn.empty()) {
        std::strncpy(reinterpret_cast<char*>(param2), Api().mediaFoundIn.c_str(), MAX_PATH - 1);
        Api().mediaFoundIn.clear();
        return FILEOP_NEWPATH;
      }
      std::string text = std::string("The file '") + media->SourceFile + "' on " + media->Description +
                         " is needed.\n\nCopy files from:\n" + media->SourcePath;
      return Ask(owner, text, "Files Needed", MB_OKCANCEL, !(media->Flags & SP_COPY_NOSKIP));
    }
    case SPFILENOTIFY_COPYERROR:
    case SPFILENOTIFY_DELETEERROR:
    case SPFILENOTIFY_RENAMEERROR: {
      const auto* paths = reinterpret_cast<const FILEPATHS_A*>(param1);
      std::string text = std::string("An error occurred on the file ") + paths->Target + " (error " +
                         std::to_string(paths->Win32Error) + ").";
      return Ask(owner, text, "File Operation Error", MB_RETRYCANCEL,
                 notification == SPFILENOTIFY_COPYERROR && !(paths->Flags & SP_COPY_NOSKIP));
    }
  }
  return 0;
}

BOOL WINAPI SetupInstallFromInfSectionA(HWND, HINF inf, PCSTR section, UINT flags, HKEY relativeKeyRoot,
                                        PCSTR sourceRootPath, UINT copyFlags, PSP_FILE_CALLBACK_A callback, PVOID context,
                                        HDEVINFO, SP_DEVINFO_DATA*) {
  auto it = Api().infs.find(inf);
  if (it == Api().infs.end()) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  const memory::Inf& parsed = it->second;
  // A section the INF lacks has nothing to install: the call succeeds, as under Wine (the
  // service call on the same section is the one that reports ERROR_SECTION_NOT_FOUND).
  static const std::vector<memory::Line> none;
  const std::vector<memory::Line>* lines = parsed.Section(section ? section : "");
  if (!lines) lines = &none;
  if ((flags & SPINST_FILES) && callback) {
    callback(context, SPFILENOTIFY_STARTQUEUE, 0, 0);
    bool done = memory::Files(parsed, *lines, sourceRootPath ? sourceRootPath : "", copyFlags, callback, context);
    DWORD error = GetLastError();
    callback(context, SPFILENOTIFY_ENDQUEUE, done, 0);
    if (!done) {
      SetLastError(error == ERROR_SUCCESS ? ERROR_CANCELLED : error);
      return FALSE;
    }
  }
  if (flags & SPINST_REGISTRY) {
    for (const std::string& name : memory::Directive(parsed, *lines, "DelReg"))
      if (const auto* del = parsed.Section(name)) memory::DelReg(parsed, *del, relativeKeyRoot);
    for (const std::string& name : memory::Directive(parsed, *lines, "AddReg"))
      if (const auto* add = parsed.Section(name))
        if (!memory::AddReg(parsed, *add, relativeKeyRoot)) return FALSE;
  }
  SetLastError(ERROR_SUCCESS);  // as under Wine
  return TRUE;
}

BOOL WINAPI SetupCommitFileQueueA(HWND, HSPFILEQ queue, PSP_FILE_CALLBACK_A, PVOID) {
  if (!Api().queues.count(queue)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  // Sections process their own files, so a queue here stays empty: committing it tells the
  // callback nothing, as under Wine.
  return TRUE;
}

BOOL WINAPI SetupInstallServicesFromInfSectionA(HINF inf, PCSTR section, DWORD) {
  auto it = Api().infs.find(inf);
  if (it == Api().infs.end()) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  const std::vector<memory::Line>* lines = it->second.Section(section ? section : "");
  if (!lines) {
    SetLastError(ERROR_SECTION_NOT_FOUND);
    return FALSE;
  }
  for (const memory::Line& line : *lines) {
    std::vector<std::string> values;
    for (const std::string& v : line.values) values.push_back(memory::Substitute(it->second, v));
    if (memory::SameText(line.key, "AddService") && !memory::AddServiceFromInf(it->second, values)) return FALSE;
    if (memory::SameText(line.key, "DelService")) memory::DelService(values);
  }
  SetLastError(ERROR_SUCCESS);  // as under Wine
  return TRUE;
}

// The system's restart prompt; "Yes" asks Windows to restart.
INT WINAPI SetupPromptReboot(HSPFILEQ, HWND owner, BOOL scanOnly) {
  if (scanOnly) return SPFILEQ_REBOOT_RECOMMENDED;
  int answer = MessageBoxA(owner,
                           "You must restart your computer before the new settings will take effect.\n\n"
                           "Do you want to restart your computer now?",
                           "System Settings Change", MB_YESNO | MB_ICONQUESTION);
  if (answer != IDYES) return SPFILEQ_REBOOT_RECOMMENDED;
  ExitWindowsEx(EWX_REBOOT, 0);
  return SPFILEQ_REBOOT_IN_PROGRESS;
}
