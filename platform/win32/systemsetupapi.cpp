// The SetupAPI functions the installer calls, forwarded to the system folder's SETUPAPI.DLL,
// which is loaded by its full path. A program that imports a DLL by name gets the first one the
// system finds, and Windows NT looks in the program's own folder first (SETUPAPI.DLL is not one
// of NT 4.0's known DLLs): a setupapi.dll beside norvoinst.exe, on a download folder or a share,
// would run in an administrator's process. winapi.h declares these functions without dllimport,
// so that the calls of the logic come here.
#include "systemsetupapi.h"

#include <string>

#include "FrameworkStrings.h"
#include "Message.h"
#include "System.h"
#include "winapi.h"

namespace {

// The functions, in the order of their names below.
enum Function {
  kOpenInfFile,
  kCloseInfFile,
  kOpenFileQueue,
  kCloseFileQueue,
  kCommitFileQueue,
  kInitDefaultQueueCallbackEx,
  kTermDefaultQueueCallback,
  kDefaultQueueCallback,
  kInstallFromInfSection,
  kInstallServicesFromInfSection,
  kPromptReboot,
  kFindFirstLine,
  kFindNextLine,
  kGetFieldCount,
  kGetStringField,
  kFunctions
};
const char* const kNames[kFunctions] = {
    "SetupOpenInfFileA",
    "SetupCloseInfFile",
    "SetupOpenFileQueue",
    "SetupCloseFileQueue",
    "SetupCommitFileQueueA",
    "SetupInitDefaultQueueCallbackEx",
    "SetupTermDefaultQueueCallback",
    "SetupDefaultQueueCallbackA",
    "SetupInstallFromInfSectionA",
    "SetupInstallServicesFromInfSectionA",
    "SetupPromptReboot",
    "SetupFindFirstLineA",
    "SetupFindNextLine",
    "SetupGetFieldCount",
    "SetupGetStringFieldA",
};

struct Library {
  bool tried = false;
  std::string path;  // the file loaded, or tried
  DWORD error = ERROR_SUCCESS;
  FARPROC functions[kFunctions] = {};
};

Library& SetupApi() {
  static Library library;
  return library;
}

// Loads the DLL and finds every function, once; false, with the reason in error, when the
// directory, the file or a function cannot be had. The DLLs it imports in turn are searched for
// in its own folder first, not in the program's (LOAD_WITH_ALTERED_SEARCH_PATH).
bool Load(Library& library) {
  if (library.tried) return library.error == ERROR_SUCCESS;
  library.tried = true;
  std::string directory = SystemDirectory();
  library.path = directory + "\\SETUPAPI.DLL";
  if (directory.empty()) {
    library.error = ERROR_PATH_NOT_FOUND;
    return false;
  }
  HMODULE module = LoadLibraryExA(library.path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
  for (int i = 0; module && i < kFunctions; ++i) {
    library.functions[i] = GetProcAddress(module, kNames[i]);
    if (!library.functions[i]) break;
  }
  if (!module || !library.functions[kFunctions - 1]) {
    library.error = GetLastError();
    if (library.error == ERROR_SUCCESS) library.error = ERROR_PROC_NOT_FOUND;
    if (module) FreeLibrary(module);
    return false;
  }
  return true;
}

// The function to call, or nullptr with the last error set to why it cannot be had.
template <class F>
F* Entry(Function function) {
  Library& library = SetupApi();
  if (!Load(library)) {
    SetLastError(library.error);
    return nullptr;
  }
  // Through void (*)(), the generic function pointer type, as GetProcAddress's FARPROC is not.
  return reinterpret_cast<F*>(reinterpret_cast<void (*)()>(library.functions[function]));
}

}  // namespace

bool LoadSetupApi() {
  Library& library = SetupApi();
  if (Load(library)) return true;
  ShowMessage(nullptr, IDS_SYSTEM_FILE_NOT_LOADED, IDS_SYSTEM_FILE_CAPTION, MB_ICONSTOP,
              {SystemText(library.error).c_str(), library.path.c_str()});
  return false;
}

extern "C" {

HINF WINAPI SetupOpenInfFileA(PCSTR file, PCSTR infClass, DWORD style, PUINT errorLine) {
  auto call = Entry<decltype(SetupOpenInfFileA)>(kOpenInfFile);
  return call ? call(file, infClass, style, errorLine) : INVALID_HANDLE_VALUE;
}

VOID WINAPI SetupCloseInfFile(HINF inf) {
  if (auto call = Entry<decltype(SetupCloseInfFile)>(kCloseInfFile)) call(inf);
}

HSPFILEQ WINAPI SetupOpenFileQueue() {
  auto call = Entry<decltype(SetupOpenFileQueue)>(kOpenFileQueue);
  return call ? call() : INVALID_HANDLE_VALUE;
}

WINBOOL WINAPI SetupCloseFileQueue(HSPFILEQ queue) {
  auto call = Entry<decltype(SetupCloseFileQueue)>(kCloseFileQueue);
  return call ? call(queue) : FALSE;
}

WINBOOL WINAPI SetupCommitFileQueueA(HWND owner, HSPFILEQ queue, PSP_FILE_CALLBACK_A callback, PVOID context) {
  auto call = Entry<decltype(SetupCommitFileQueueA)>(kCommitFileQueue);
  return call ? call(owner, queue, callback, context) : FALSE;
}

PVOID WINAPI SetupInitDefaultQueueCallbackEx(HWND owner, HWND progress, UINT message, DWORD reserved1,
                                             PVOID reserved2) {
  auto call = Entry<decltype(SetupInitDefaultQueueCallbackEx)>(kInitDefaultQueueCallbackEx);
  return call ? call(owner, progress, message, reserved1, reserved2) : nullptr;
}

VOID WINAPI SetupTermDefaultQueueCallback(PVOID context) {
  if (auto call = Entry<decltype(SetupTermDefaultQueueCallback)>(kTermDefaultQueueCallback)) call(context);
}

UINT WINAPI SetupDefaultQueueCallbackA(PVOID context, UINT notification, UINT_PTR param1, UINT_PTR param2) {
  auto call = Entry<decltype(SetupDefaultQueueCallbackA)>(kDefaultQueueCallback);
  return call ? call(context, notification, param1, param2) : FILEOP_ABORT;
}

WINBOOL WINAPI SetupInstallFromInfSectionA(HWND owner, HINF inf, PCSTR section, UINT flags, HKEY key, PCSTR source,
                                           UINT copyFlags, PSP_FILE_CALLBACK_A callback, PVOID context,
                                           HDEVINFO devices, PSP_DEVINFO_DATA device) {
  auto call = Entry<decltype(SetupInstallFromInfSectionA)>(kInstallFromInfSection);
  return call ? call(owner, inf, section, flags, key, source, copyFlags, callback, context, devices, device) : FALSE;
}

WINBOOL WINAPI SetupInstallServicesFromInfSectionA(HINF inf, PCSTR section, DWORD flags) {
  auto call = Entry<decltype(SetupInstallServicesFromInfSectionA)>(kInstallServicesFromInfSection);
  return call ? call(inf, section, flags) : FALSE;
}

INT WINAPI SetupPromptReboot(HSPFILEQ queue, HWND owner, WINBOOL scanOnly) {
  auto call = Entry<decltype(SetupPromptReboot)>(kPromptReboot);
  return call ? call(queue, owner, scanOnly) : -1;
}

WINBOOL WINAPI SetupFindFirstLineA(HINF inf, PCSTR section, PCSTR key, PINFCONTEXT context) {
  auto call = Entry<decltype(SetupFindFirstLineA)>(kFindFirstLine);
  return call ? call(inf, section, key, context) : FALSE;
}

WINBOOL WINAPI SetupFindNextLine(PINFCONTEXT contextIn, PINFCONTEXT contextOut) {
  auto call = Entry<decltype(SetupFindNextLine)>(kFindNextLine);
  return call ? call(contextIn, contextOut) : FALSE;
}

DWORD WINAPI SetupGetFieldCount(PINFCONTEXT context) {
  auto call = Entry<decltype(SetupGetFieldCount)>(kGetFieldCount);
  return call ? call(context) : 0;
}

WINBOOL WINAPI SetupGetStringFieldA(PINFCONTEXT context, DWORD index, PSTR buffer, DWORD size, PDWORD required) {
  auto call = Entry<decltype(SetupGetStringFieldA)>(kGetStringField);
  return call ? call(context, index, buffer, size, required) : FALSE;
}

}  // extern "C"
