// The file system, global memory, the running program (module path, WinExec, debugger output)
// and wsprintfA of the in-memory machine; version blocks are in versions.cpp.
#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <map>
#include <set>

#include "internal.h"

namespace memory {
namespace {

struct File {
  std::string path;  // as it was created
  std::vector<BYTE> versionInfo;
  std::string text;
  bool locked = false;
  DWORD attributes = FILE_ATTRIBUTE_NORMAL;
  DWORD versionReadError = 0;  // GetFileVersionInfoA fails with it
};

struct Search {
  std::vector<std::string> names;
  size_t next = 0;
};

struct System {
  std::map<std::string, File> files;  // by upper-case path
  std::set<void*> globalBlocks;
  std::vector<BYTE> freedBytes;  // what the last global block freed held
  std::string modulePath = "C:\\Program Files\\Norvo\\norvoinst.exe";
  std::string systemDirectory = kSystemDirectory;  // empty: GetSystemDirectoryA fails
  std::vector<std::string> executed;
  std::vector<std::string> debugOutput;
  std::map<HANDLE, Search> searches;
  uintptr_t nextSearch = 0x9000;
  bool delayedMovesFailSilently = false;
};

System& Sys() {
  static System system;
  return system;
}

// A global block: its bytes follow this header so that GlobalLock can hand out a pointer.
struct GlobalBlock {
  int locks;
  size_t bytes;
};

}  // namespace

const char* const kSystemDirectory = "C:\\WINNT\\system32";

std::string Upper(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

bool SameText(const std::string& a, const std::string& b) { return Upper(a) == Upper(b); }

void ResetSystem() {
  for (void* block : Sys().globalBlocks) std::free(block);
  Sys() = System();
  // The system's own Control Panel program, which WinExec finds by its full path.
  PutFile(std::string(kSystemDirectory) + "\\control.exe");
}

void PutTextFile(const std::string& path, const std::string& text) {
  File file{path, {}, text, false};
  Sys().files[Upper(path)] = file;
}

std::string FileText(const std::string& path) {
  auto it = Sys().files.find(Upper(path));
  return it == Sys().files.end() ? std::string() : it->second.text;
}

void LockFile(const std::string& path, bool locked) {
  auto it = Sys().files.find(Upper(path));
  if (it != Sys().files.end()) it->second.locked = locked;
}

void DelayedMovesFailSilently(bool silent) { Sys().delayedMovesFailSilently = silent; }
void SetModulePath(const std::string& path) { Sys().modulePath = path; }
void SetSystemDirectory(const std::string& path) { Sys().systemDirectory = path; }
const std::vector<std::string>& Executed() { return Sys().executed; }
const std::vector<std::string>& DebugOutput() { return Sys().debugOutput; }

bool CopyMemoryFile(const std::string& source, const std::string& target, DWORD* error) {
  auto from = Sys().files.find(Upper(source));
  if (from == Sys().files.end()) {
    *error = ERROR_FILE_NOT_FOUND;
    return false;
  }
  auto to = Sys().files.find(Upper(target));
  if (to != Sys().files.end() && (to->second.locked || (to->second.attributes & FILE_ATTRIBUTE_READONLY))) {
    *error = to->second.locked ? ERROR_SHARING_VIOLATION : ERROR_ACCESS_DENIED;
    return false;
  }
  File copy = from->second;
  copy.path = target;
  copy.locked = false;
  Sys().files[Upper(target)] = copy;
  return true;
}

bool DeleteMemoryFile(const std::string& path, DWORD* error) {
  auto it = Sys().files.find(Upper(path));
  if (it == Sys().files.end()) {
    *error = ERROR_FILE_NOT_FOUND;
    return false;
  }
  if (it->second.locked || (it->second.attributes & FILE_ATTRIBUTE_READONLY)) {
    *error = it->second.locked ? ERROR_SHARING_VIOLATION : ERROR_ACCESS_DENIED;
    return false;
  }
  Sys().files.erase(it);
  return true;
}

int LiveGlobalBlocks() { return static_cast<int>(Sys().globalBlocks.size()); }

void PutFile(const std::string& path, std::vector<BYTE> versionInfo) {
  Sys().files[Upper(path)] = File{path, std::move(versionInfo), std::string(), false};
}

void RemoveFile(const std::string& path) { Sys().files.erase(Upper(path)); }

bool FileExists(const std::string& path) { return Sys().files.count(Upper(path)) != 0; }

void FailVersionRead(const std::string& path, DWORD error) {
  auto it = Sys().files.find(Upper(path));
  if (it != Sys().files.end()) it->second.versionReadError = error;
}

}  // namespace memory

using memory::Sys;

// Without GMEM_ZEROINIT a block holds what the heap left there: here the bytes of the block
// freed last, as a heap that hands back the block just freed would.
HGLOBAL WINAPI GlobalAlloc(UINT flags, size_t bytes) {
  auto* raw = static_cast<memory::GlobalBlock*>(std::calloc(1, sizeof(memory::GlobalBlock) + bytes));
  if (!raw) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  raw->bytes = bytes;
  const std::vector<BYTE>& stale = Sys().freedBytes;
  if (!(flags & GMEM_ZEROINIT) && !stale.empty()) std::memcpy(raw + 1, stale.data(), std::min(bytes, stale.size()));
  Sys().globalBlocks.insert(raw);
  return raw;
}

LPVOID WINAPI GlobalLock(HGLOBAL mem) {
  if (!Sys().globalBlocks.count(mem)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  auto* block = static_cast<memory::GlobalBlock*>(mem);
  ++block->locks;
  return block + 1;
}

BOOL WINAPI GlobalUnlock(HGLOBAL mem) {
  if (!Sys().globalBlocks.count(mem)) return FALSE;
  auto* block = static_cast<memory::GlobalBlock*>(mem);
  if (block->locks == 0) {
    SetLastError(158L);  // ERROR_NOT_LOCKED
    return FALSE;
  }
  --block->locks;
  if (block->locks == 0) SetLastError(NO_ERROR);
  return block->locks > 0;
}

HGLOBAL WINAPI GlobalFree(HGLOBAL mem) {
  if (!Sys().globalBlocks.erase(mem)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return mem;
  }
  auto* block = static_cast<memory::GlobalBlock*>(mem);
  const BYTE* bytes = reinterpret_cast<const BYTE*>(block + 1);
  Sys().freedBytes.assign(bytes, bytes + block->bytes);
  std::free(mem);
  return nullptr;
}

UINT WINAPI GetSystemDirectoryA(LPSTR buffer, UINT size) {
  const std::string& directory = Sys().systemDirectory;
  if (directory.empty()) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return 0;
  }
  UINT length = static_cast<UINT>(directory.size());
  if (!buffer || size <= length) return length + 1;
  std::memcpy(buffer, directory.c_str(), length + 1);
  return length;
}

DWORD WINAPI GetFileVersionInfoSizeA(LPCSTR path, LPDWORD handle) {
  if (handle) *handle = 0;
  auto it = Sys().files.find(memory::Upper(path ? path : ""));
  if (it == Sys().files.end()) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return 0;
  }
  if (it->second.versionInfo.empty()) {
    SetLastError(ERROR_RESOURCE_TYPE_NOT_FOUND);
    return 0;
  }
  // Like the real call, room for the block and for the 8-bit copies VerQueryValueA makes.
  return static_cast<DWORD>(it->second.versionInfo.size() * 2);
}

BOOL WINAPI GetFileVersionInfoA(LPCSTR path, DWORD, DWORD size, LPVOID data) {
  auto it = Sys().files.find(memory::Upper(path ? path : ""));
  if (it == Sys().files.end()) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return FALSE;
  }
  const std::vector<BYTE>& info = it->second.versionInfo;
  if (info.empty() || it->second.versionReadError) {
    SetLastError(info.empty() ? ERROR_RESOURCE_TYPE_NOT_FOUND : it->second.versionReadError);
    return FALSE;
  }
  std::memcpy(data, info.data(), std::min<size_t>(size, info.size()));
  return TRUE;
}


int wsprintfA(LPSTR buffer, LPCSTR format, ...) {
  // The real call's buffer is at most 1024 bytes: 1023 characters and a terminating NUL.
  va_list args;
  va_start(args, format);
  int n = std::vsnprintf(buffer, 1024, format, args);
  va_end(args);
  return n > 1023 ? 1023 : n;
}

// A name that fits ends with its NUL and clears the last error; one that does not is cut to
// the buffer's size without a NUL, which the size returned tells (as under Wine and XP).
DWORD WINAPI GetModuleFileNameA(HMODULE, LPSTR path, DWORD size) {
  const std::string& name = Sys().modulePath;
  if (size == 0) return 0;
  if (name.size() >= size) {
    std::memcpy(path, name.data(), size);
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return size;
  }
  std::memcpy(path, name.c_str(), name.size() + 1);
  SetLastError(ERROR_SUCCESS);
  return static_cast<DWORD>(name.size());
}

namespace {
void FillFindData(const std::string& path, LPWIN32_FIND_DATAA data) {
  std::memset(data, 0, sizeof *data);
  data->dwFileAttributes = 0x20;  // FILE_ATTRIBUTE_ARCHIVE
  std::string name = path.substr(path.find_last_of('\\') + 1);
  std::strncpy(data->cFileName, name.c_str(), MAX_PATH - 1);
}
}  // namespace

// The one search the programs make: one exact name (no wildcards), matched without regard to
// case as the file system does.
HANDLE WINAPI FindFirstFileA(LPCSTR pattern, LPWIN32_FIND_DATAA data) {
  auto it = Sys().files.find(memory::Upper(pattern ? pattern : ""));
  if (it == Sys().files.end()) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  FillFindData(it->second.path, data);
  HANDLE handle = reinterpret_cast<HANDLE>(Sys().nextSearch);
  Sys().nextSearch += 4;
  Sys().searches[handle] = memory::Search{{it->second.path}, 1};
  return handle;
}

BOOL WINAPI FindNextFileA(HANDLE find, LPWIN32_FIND_DATAA data) {
  auto it = Sys().searches.find(find);
  if (it == Sys().searches.end()) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (it->second.next >= it->second.names.size()) {
    SetLastError(18L /* ERROR_NO_MORE_FILES */);
    return FALSE;
  }
  FillFindData(it->second.names[it->second.next++], data);
  return TRUE;
}

BOOL WINAPI FindClose(HANDLE find) {
  if (!Sys().searches.erase(find)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  return TRUE;
}

// Programs named by a bare name are found on the path; one named by a full path must exist. A
// quoted program name ends at its closing quote; an unquoted one at the first blank where the
// name so far is a program, as CreateProcess reads a command line.
UINT WINAPI WinExec(LPCSTR commandLine, UINT) {
  std::string command = commandLine ? commandLine : "";
  auto found = [](const std::string& program) {
    return program.find('\\') == std::string::npos || memory::FileExists(program);
  };
  bool started = false;
  if (!command.empty() && command[0] == '"') {
    started = found(command.substr(1, command.find('"', 1) - 1));
  } else {
    for (size_t end = command.find(' '); !started; end = command.find(' ', end + 1)) {
      started = found(command.substr(0, end));
      if (end == std::string::npos) break;
    }
  }
  if (!started) return ERROR_FILE_NOT_FOUND;
  Sys().executed.push_back(command);
  return 33;  // above 31: the program was started
}

// A copy that succeeds clears the last error, as under Wine.
BOOL WINAPI CopyFileA(LPCSTR existing, LPCSTR newName, BOOL failIfExists) {
  DWORD error;
  if (failIfExists && memory::FileExists(newName)) {
    SetLastError(ERROR_FILE_EXISTS);
    return FALSE;
  }
  if (!memory::CopyMemoryFile(existing, newName, &error)) {
    SetLastError(error);
    return FALSE;
  }
  SetLastError(ERROR_SUCCESS);
  return TRUE;
}

BOOL WINAPI DeleteFileA(LPCSTR path) {
  DWORD error;
  if (memory::DeleteMemoryFile(path, &error)) return TRUE;
  SetLastError(error);
  return FALSE;
}

// At once, a rename that may replace a free file; delayed, an entry in the Session Manager's
// list of what the next start of the system does: the source as a native path, then the
// target ("!" before it when it is to be replaced) or an empty string for a deletion.
BOOL WINAPI MoveFileExA(LPCSTR existing, LPCSTR newName, DWORD flags) {
  if (flags & MOVEFILE_DELAY_UNTIL_REBOOT) {
    std::string entry = std::string("\\??\\") + existing + '\0';
    if (newName) entry += std::string(flags & MOVEFILE_REPLACE_EXISTING ? "!" : "") + "\\??\\" + newName;
    entry += '\0';
    HKEY key;
    LONG result = RegCreateKeyExA(HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Control\\Session Manager", 0, nullptr,
                                  REG_OPTION_NON_VOLATILE, KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr, &key, nullptr);
    if (result == ERROR_SUCCESS) {
      std::vector<char> list(64 * 1024);
      DWORD size = static_cast<DWORD>(list.size());
      DWORD type = REG_NONE;
      std::string value;
      if (RegQueryValueExA(key, "PendingFileRenameOperations", nullptr, &type, reinterpret_cast<BYTE*>(list.data()),
                           &size) == ERROR_SUCCESS &&
          type == REG_MULTI_SZ && size > 0)
        value.assign(list.data(), size - 1);  // without the list's closing NUL
      value += entry + '\0';
      result = RegSetValueExA(key, "PendingFileRenameOperations", 0, REG_MULTI_SZ,
                              reinterpret_cast<const BYTE*>(value.data()), static_cast<DWORD>(value.size()));
      RegCloseKey(key);
    }
    if (result != ERROR_SUCCESS) {
      if (!Sys().delayedMovesFailSilently) SetLastError(static_cast<DWORD>(result));
      return FALSE;
    }
    return TRUE;
  }
  auto from = Sys().files.find(memory::Upper(existing));
  if (!newName || from == Sys().files.end()) {
    SetLastError(newName ? ERROR_FILE_NOT_FOUND : ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  auto to = Sys().files.find(memory::Upper(newName));
  if (to != Sys().files.end() && !(flags & MOVEFILE_REPLACE_EXISTING)) {
    SetLastError(ERROR_ALREADY_EXISTS);
    return FALSE;
  }
  if (from->second.locked || (to != Sys().files.end() && to->second.locked)) {
    SetLastError(ERROR_SHARING_VIOLATION);
    return FALSE;
  }
  if (to != Sys().files.end() && (to->second.attributes & FILE_ATTRIBUTE_READONLY)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  memory::File moved = from->second;
  moved.path = newName;
  Sys().files.erase(from);
  Sys().files[memory::Upper(newName)] = moved;
  return TRUE;
}

// A copy keeps the read-only attribute of its source.
DWORD WINAPI GetFileAttributesA(LPCSTR path) {
  auto it = Sys().files.find(memory::Upper(path));
  if (it != Sys().files.end()) return it->second.attributes;
  SetLastError(ERROR_FILE_NOT_FOUND);
  return INVALID_FILE_ATTRIBUTES;
}

BOOL WINAPI SetFileAttributesA(LPCSTR path, DWORD attributes) {
  auto it = Sys().files.find(memory::Upper(path));
  if (it == Sys().files.end()) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return FALSE;
  }
  it->second.attributes = attributes & FILE_ATTRIBUTE_READONLY ? attributes : FILE_ATTRIBUTE_NORMAL;
  return TRUE;
}

// Without a debugger the system looks for a debug monitor's objects, finds none and leaves
// ERROR_FILE_NOT_FOUND as the last error.
void WINAPI OutputDebugStringA(LPCSTR text) {
  Sys().debugOutput.push_back(text ? text : "");
  SetLastError(ERROR_FILE_NOT_FOUND);
}
