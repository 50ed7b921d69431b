// Last error, global and local memory, the file system with version resources, and wsprintfA
// of the in-memory machine.
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
};

struct Search {
  std::vector<std::string> names;
  size_t next = 0;
};

struct System {
  DWORD lastError = 0;
  std::map<std::string, File> files;  // by upper-case path
  std::set<void*> globalBlocks;
  std::string modulePath = "C:\\Program Files\\Norvo\\norvoinst.exe";
  std::string systemDirectory = kSystemDirectory;  // empty: GetSystemDirectoryA fails
  std::vector<std::string> executed;
  std::vector<std::string> debugOutput;
  std::map<HANDLE, Search> searches;
  uintptr_t nextSearch = 0x9000;
};

System& Sys() {
  static System system;
  return system;
}

// A global block: its bytes follow this header so that GlobalLock can hand out a pointer.
struct GlobalBlock {
  int locks;
};

void AppendWord(std::vector<BYTE>& out, WORD w) {
  out.push_back(static_cast<BYTE>(w & 0xFF));
  out.push_back(static_cast<BYTE>(w >> 8));
}
void AppendWide(std::vector<BYTE>& out, const std::string& text) {
  for (unsigned char c : text) AppendWord(out, c);
  AppendWord(out, 0);
}
void Align4(std::vector<BYTE>& out) {
  while (out.size() % 4) out.push_back(0);
}
void SetWord(std::vector<BYTE>& out, size_t at, WORD w) {
  out[at] = static_cast<BYTE>(w & 0xFF);
  out[at + 1] = static_cast<BYTE>(w >> 8);
}

// One node of a version block: wLength, wValueLength, wType, key, padding, value, children.
size_t BeginNode(std::vector<BYTE>& out, const std::string& key, WORD valueLength, WORD type) {
  size_t start = out.size();
  AppendWord(out, 0);
  AppendWord(out, valueLength);
  AppendWord(out, type);
  AppendWide(out, key);
  Align4(out);
  return start;
}
void EndNode(std::vector<BYTE>& out, size_t start) { SetWord(out, start, static_cast<WORD>(out.size() - start)); }

WORD ReadWord(const BYTE* p) { return static_cast<WORD>(p[0] | (p[1] << 8)); }

std::string ReadWide(const BYTE* p, const BYTE* end, size_t* bytes) {
  std::string text;
  const BYTE* q = p;
  while (q + 1 < end && memory::ReadWord(q) != 0) {
    WORD c = memory::ReadWord(q);
    text += static_cast<char>(c < 0x100 ? c : '?');
    q += 2;
  }
  *bytes = static_cast<size_t>(q - p) + 2;
  return text;
}

size_t Aligned(size_t n) { return (n + 3) & ~static_cast<size_t>(3); }

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
  if (to != Sys().files.end() && to->second.locked) {
    *error = ERROR_SHARING_VIOLATION;
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
  if (it->second.locked) {
    *error = ERROR_SHARING_VIOLATION;
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

std::vector<BYTE> BuildVersionInfo(const std::vector<StringTable>& tables) {
  std::vector<BYTE> out;
  size_t root = BeginNode(out, "VS_VERSION_INFO", 52, 0);
  // VS_FIXEDFILEINFO: signature and structure version, the rest zero.
  const BYTE fixed[8] = {0xBD, 0x04, 0xEF, 0xFE, 0x00, 0x00, 0x01, 0x00};
  out.insert(out.end(), fixed, fixed + 8);
  out.resize(out.size() + 44, 0);
  Align4(out);
  size_t info = BeginNode(out, "StringFileInfo", 0, 1);
  for (const StringTable& table : tables) {
    size_t block = BeginNode(out, table.first, 0, 1);
    for (const auto& entry : table.second) {
      size_t str = BeginNode(out, entry.first, static_cast<WORD>(entry.second.size() + 1), 1);
      AppendWide(out, entry.second);
      EndNode(out, str);
      Align4(out);
    }
    EndNode(out, block);
  }
  EndNode(out, info);
  EndNode(out, root);
  return out;
}

}  // namespace memory

using memory::Sys;

DWORD WINAPI GetLastError(void) { return Sys().lastError; }
void WINAPI SetLastError(DWORD code) { Sys().lastError = code; }

HGLOBAL WINAPI GlobalAlloc(UINT, size_t bytes) {
  void* raw = std::calloc(1, sizeof(memory::GlobalBlock) + bytes);
  if (!raw) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
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
  if (block->locks > 0) --block->locks;
  if (block->locks == 0) SetLastError(NO_ERROR);
  return block->locks > 0;
}

HGLOBAL WINAPI GlobalFree(HGLOBAL mem) {
  if (!Sys().globalBlocks.erase(mem)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return mem;
  }
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
  if (info.empty()) {
    SetLastError(ERROR_RESOURCE_TYPE_NOT_FOUND);
    return FALSE;
  }
  std::memcpy(data, info.data(), std::min<size_t>(size, info.size()));
  return TRUE;
}

// Walks the block along a path such as "\StringFileInfo\040904B0\FileVersion"; string values are
// converted to 8-bit text in the spare half of the caller's buffer, as the real call does.
BOOL WINAPI VerQueryValueA(LPCVOID block, LPCSTR subBlock, LPVOID* buffer, PUINT length) {
  if (!block || !subBlock || !buffer) return FALSE;
  const BYTE* base = static_cast<const BYTE*>(block);
  const BYTE* node = base;
  const BYTE* nodeEnd = node + memory::ReadWord(node);
  std::vector<std::string> parts;
  std::string part;
  for (const char* p = subBlock;; ++p) {
    if (*p == '\\' || *p == 0) {
      if (!part.empty()) parts.push_back(part);
      part.clear();
      if (!*p) break;
    } else {
      part += *p;
    }
  }
  for (const std::string& wanted : parts) {
    size_t keyBytes;
    memory::ReadWide(node + 6, nodeEnd, &keyBytes);
    const BYTE* child = base + memory::Aligned(static_cast<size_t>(node - base) + 6 + keyBytes);
    WORD valueLength = memory::ReadWord(node + 2);
    WORD type = memory::ReadWord(node + 4);
    child += memory::Aligned(type == 1 ? valueLength * 2u : valueLength);
    child = base + memory::Aligned(static_cast<size_t>(child - base));
    const BYTE* found = nullptr;
    while (child + 6 <= nodeEnd) {
      WORD childLength = memory::ReadWord(child);
      if (childLength == 0) break;
      size_t nameBytes;
      std::string name = memory::ReadWide(child + 6, child + childLength, &nameBytes);
      if (memory::SameText(name, wanted)) {
        found = child;
        break;
      }
      child = base + memory::Aligned(static_cast<size_t>(child - base) + childLength);
    }
    if (!found) {
      SetLastError(ERROR_RESOURCE_TYPE_NOT_FOUND);
      return FALSE;
    }
    node = found;
    nodeEnd = node + memory::ReadWord(node);
  }
  size_t keyBytes;
  memory::ReadWide(node + 6, nodeEnd, &keyBytes);
  const BYTE* value = base + memory::Aligned(static_cast<size_t>(node - base) + 6 + keyBytes);
  WORD valueLength = memory::ReadWord(node + 2);
  if (memory::ReadWord(node + 4) != 1 || parts.empty()) {
    *buffer = const_cast<BYTE*>(value);
    if (length) *length = valueLength;
    return TRUE;
  }
  // Text: the 8-bit copy goes into the second half of the buffer at the value's offset.
  size_t total = memory::ReadWord(base);
  char* copy = reinterpret_cast<char*>(const_cast<BYTE*>(base)) + total + static_cast<size_t>(value - base) / 2;
  size_t n = 0;
  for (; n + 1 < valueLength && memory::ReadWord(value + 2 * n) != 0; ++n) {
    WORD c = memory::ReadWord(value + 2 * n);
    copy[n] = static_cast<char>(c < 0x100 ? c : '?');
  }
  copy[n] = 0;
  *buffer = copy;
  if (length) *length = static_cast<UINT>(n + 1);
  return TRUE;
}

int wsprintfA(LPSTR buffer, LPCSTR format, ...) {
  // The real call writes at most 1024 characters and a terminating NUL.
  va_list args;
  va_start(args, format);
  int n = std::vsnprintf(buffer, 1025, format, args);
  va_end(args);
  return n > 1024 ? 1024 : n;
}

// A name that does not fit is cut to the buffer's size, without a NUL, and the call returns
// that size.
DWORD WINAPI GetModuleFileNameA(HMODULE, LPSTR path, DWORD size) {
  const std::string& name = Sys().modulePath;
  if (name.size() < size) {
    std::memcpy(path, name.c_str(), name.size() + 1);
    return static_cast<DWORD>(name.size());
  }
  std::memcpy(path, name.data(), size);
  SetLastError(ERROR_INSUFFICIENT_BUFFER);
  return size;
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

UINT WINAPI WinExec(LPCSTR commandLine, UINT) {
  Sys().executed.push_back(commandLine ? commandLine : "");
  return 33;  // above 31: the program was started
}

void WINAPI OutputDebugStringA(LPCSTR text) { Sys().debugOutput.push_back(text ? text : ""); }
