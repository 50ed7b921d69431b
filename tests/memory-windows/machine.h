// The in-memory machine behind tests/memory-windows/winapi.h: what tests use to lay out its state
// (registry, files, resources) and to act as the user on its modal dialogs and message boxes.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "winapi.h"

namespace memory {

struct ServiceBehaviour;

// Back to a fresh machine: empty registry, files and windows, no scripted user, no records.
// Loaded resource modules stay loaded, with any overridden strings put back.
void Reset();
// A hook Reset runs first, while the machine still holds what the test did (its message boxes).
void OnReset(std::function<void()> hook);

// ---- registry ----
// A key the current user may only read: opening or creating it with write access is refused
// with ERROR_ACCESS_DENIED, as an access control list would.
void SetKeyReadOnly(HKEY root, const std::string& path, bool readOnly);
// Every value set or deleted since the last reset, in order, as "key path\\value name" below
// the hive; a deletion starts with "-".
const std::vector<std::string>& RegistryWrites();
// After the next succeedFirst value writes (sets and deletes) succeed, the following failCount
// fail with error, as a full registry or a failing disk would; then writes succeed again. A
// further call plans more failures after those.
void FailRegistryWrites(int succeedFirst, int failCount, DWORD error);
// The same for value reads (RegQueryValueExA).
void FailRegistryReads(int succeedFirst, int failCount, DWORD error);
void ForgetRegistryWrites();
// Handles opened with RegOpenKeyExA/RegCreateKeyExA and not yet closed.
int OpenKeyCount();
// Global memory blocks allocated and not yet freed.
int LiveGlobalBlocks();

// ---- files ----
extern const char* const kSystemDirectory;  // what GetSystemDirectoryA reports
// Another system directory until the next reset; an empty one makes GetSystemDirectoryA fail.
void SetSystemDirectory(const std::string& path);
void PutFile(const std::string& path, std::vector<BYTE> versionInfo = {});
void RemoveFile(const std::string& path);
bool FileExists(const std::string& path);
void PutTextFile(const std::string& path, const std::string& text);
std::string FileText(const std::string& path);
// A file in use: it can be neither deleted nor overwritten (ERROR_SHARING_VIOLATION).
void LockFile(const std::string& path, bool locked);
// A delayed MoveFileExA that cannot write the restart's list fails without setting the last
// error, as Wine's does (Windows sets the registry's error).
void DelayedMovesFailSilently(bool silent);
// GetFileVersionInfoA of the file fails with error while its size call still succeeds, as when
// the file changes between the two calls.
void FailVersionRead(const std::string& path, DWORD error);

// ---- the running program ----
void SetModulePath(const std::string& path);  // what GetModuleFileNameA(NULL) reports
const std::vector<std::string>& Executed();   // WinExec command lines, in order
const std::vector<std::string>& DebugOutput();  // OutputDebugStringA texts, in order

// ---- SetupAPI ----
// A service that an INF adds takes this behaviour (the installed driver's), SERVICE_STOPPED.
void ServiceDefaults(const std::string& name, ServiceBehaviour behaviour);
// The next prompt for a missing source file is answered as by a user who browsed to the file
// in another folder: FILEOP_NEWPATH with that folder.
void MediaFoundIn(const std::string& folder);
// INF handles, file queues and queue callback contexts not yet released.
int OpenSetupObjects();

// A VS_VERSIONINFO block as a resource compiler lays it out: string tables named by their
// language and code page ("040904B0") holding name/value pairs.
using StringTable = std::pair<std::string, std::vector<std::pair<std::string, std::string>>>;
std::vector<BYTE> BuildVersionInfo(const std::vector<StringTable>& tables);

// ---- services ----
// How a service of the in-memory Service Control Manager behaves. Pending states last for a
// number of status queries, so that a test decides how many polls a stop or start takes.
struct ServiceBehaviour {
  DWORD state = SERVICE_STOPPED;
  int queriesToStart = 0;     // status queries answered with SERVICE_START_PENDING after a start
  int queriesToStop = 0;      // ... with SERVICE_STOP_PENDING after a stop
  DWORD stopError = 0;        // ControlService fails with this (a driver that can't be stopped)
  DWORD startError = 0;       // StartServiceA fails with this
  bool disabled = false;      // StartServiceA fails with ERROR_SERVICE_DISABLED
  std::function<void()> onRunning;  // when the service reaches SERVICE_RUNNING
  std::function<void()> onStopped;  // when it reaches SERVICE_STOPPED
};
void AddService(const std::string& name, ServiceBehaviour behaviour);
void RemoveService(const std::string& name);
ServiceBehaviour* FindService(const std::string& name);  // nullptr if not installed
void DenyServiceManager(bool deny);  // OpenSCManagerA fails with ERROR_ACCESS_DENIED
// A successful CloseServiceHandle sets the last error to ERROR_SUCCESS, as a system's may (the
// call does not promise to keep it).
void ServiceHandleClosesSetError(bool set);
// Every Service Control Manager call and Sleep, in order, as "OpenSCManagerA", "OpenServiceA norvo",
// "QueryServiceStatus norvo", "StartServiceA norvo", "ControlService norvo 1",
// "CloseServiceHandle norvo", "CloseServiceHandle manager", "Sleep 500".
const std::vector<std::string>& ServiceCalls();
int OpenServiceHandles();
DWORD Clock();  // milliseconds slept so far

// ---- devices ----
// A device in the Win32 device namespace ("\\.\COM5" opens "COM5").
void AddDevice(const std::string& name);
void RemoveDevice(const std::string& name);
// While held by another program, an exclusive open fails with ERROR_ACCESS_DENIED.
void HoldDevice(const std::string& name, bool held);
struct DeviceOpen {
  std::string path;
  DWORD access, share, disposition, flags;
};
const std::vector<DeviceOpen>& DeviceOpens();
int OpenDeviceHandles();

// ---- privileges and restart ----
void SetShutdownPrivilegeHeld(bool held);  // whether the user may enable SeShutdownPrivilege
void DenyProcessToken(bool deny);
struct RestartRequest {
  UINT flags;
  DWORD reason;
  bool privilegeEnabled;
};
const std::vector<RestartRequest>& RestartRequests();
int LiveLocalBlocks();  // buffers FormatMessageA allocated and LocalFree has not freed

// ---- resource modules ----
// Loads a compiled resource file (.res, as windres -O res writes it) as a module; the last
// module loaded is the one CurrentModule() reports.
HINSTANCE LoadModule(const std::string& resPath);
void OverrideString(HINSTANCE module, UINT id, const std::string& text);
// The user's locale, as Regional Settings set it, until the next reset (U.S. English after it);
// the thread's locale, which chooses the language of resources, starts as this one.
void SetUserLocale(LCID locale);
// The raw data of a resource, or an empty vector: in the language asked for (as FindResourceEx
// finds it), or without one in the language the thread's locale chooses (as FindResource).
std::vector<BYTE> ResourceData(HINSTANCE module, LPCSTR type, LPCSTR name,
                               LANGID language = MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL));
// The ordinal names of the resources of a type that the module has in the language.
std::vector<WORD> ResourceOrdinals(HINSTANCE module, LPCSTR type, LANGID language);
// Every non-empty string of the module's string table in the language, by id, as LoadStringA
// gives it.
std::map<UINT, std::string> Strings(HINSTANCE module, LANGID language);
// A string of the module's own version resource, from the U.S. English/Unicode table
// ("040904B0"), or "<none>".
std::string ModuleVersionString(HINSTANCE module, const std::string& name);

// A dialog template as the resource compiler wrote it (DLGTEMPLATE or DLGTEMPLATEEX).
struct TemplateItem {
  int id;
  std::string cls;   // "Button", "Static", "ComboBox", ... or the class name given
  std::string text;
  WORD titleOrdinal; // a resource ordinal in place of a text (icons)
  short x, y, cx, cy;
  DWORD style, exStyle;
};
struct DialogTemplate {
  bool extended;
  DWORD style, exStyle;
  short x, y, cx, cy;
  std::string caption;
  WORD pointSize;
  std::string font;
  std::vector<TemplateItem> items;
};
// Throws if the module has no such dialog or the template is malformed. The language as for
// ResourceData.
DialogTemplate ReadDialogTemplate(HINSTANCE module, UINT id, LANGID language = MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL));
DialogTemplate ParseDialogTemplate(const std::vector<BYTE>& data);

// ---- the user ----
// Acts on one running modal dialog or message box the way a person at the keyboard would.
class DialogUser {
 public:
  explicit DialogUser(HWND dialog) : dialog_(dialog) {}
  HWND Handle() const { return dialog_; }
  HWND Item(int id) const;
  std::string Caption() const;
  std::string Text(int id) const;
  bool Enabled(int id) const;
  bool Visible() const;
  int Checked(int id) const;
  std::vector<std::string> Items(int comboId) const;
  int Selection(int comboId) const;
  LONG Position(int sliderId) const;
  std::vector<LONG> Ticks(int sliderId) const;
  HWND Focus() const;
  bool Ended() const;

  void Click(int id);                  // a mouse click on a button; refused if it is disabled
  void Choose(int comboId, int index); // picks an entry from a drop-down list
  void Drag(int sliderId, LONG pos);   // drags a trackbar's thumb to pos and lets go
  void SliderKey(int sliderId, int vk);// an arrow, Page or Home/End key on a focused trackbar
  void Key(int vk);                    // Enter or Esc on the dialog
  void CloseBox();                     // the close box in the caption
  void SystemMenu(UINT command);       // a command chosen from the system menu

 private:
  HWND dialog_;
};

// Scripts the user: each modal dialog that opens takes the next script in the queue, which
// must be for a dialog with that caption, and must end the dialog. A message box takes the
// next script only if it is a message box script with the box's caption; otherwise the box is
// answered with its default button. Every box is recorded.
void OnDialog(const std::string& caption, std::function<void(DialogUser&)> script);
void OnMessageBox(const std::string& caption, std::function<void(DialogUser&)> script);
size_t PendingScripts();

struct MessageBoxRecord {
  HWND owner;
  std::string text;
  std::string caption;
  UINT type;
  int answer;
};
const std::vector<MessageBoxRecord>& MessageBoxes();

}  // namespace memory
