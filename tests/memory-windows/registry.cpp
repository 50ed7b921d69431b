// The registry of the in-memory machine: keys in a tree, subkeys enumerated in the order NT
// keeps them (sorted without regard to case), handles that remember the access they were
// opened with, and the error codes of the real calls.
#include <algorithm>
#include <cctype>
#include <cstring>
#include <deque>
#include <map>
#include <memory>
#include <vector>

#include "internal.h"

namespace memory {
namespace {

// Orders as Upper(a) < Upper(b) would, without making the two copies.
struct CaseLess {
  bool operator()(const std::string& a, const std::string& b) const {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
      return std::toupper(static_cast<unsigned char>(x)) < std::toupper(static_cast<unsigned char>(y));
    });
  }
};

struct Value {
  std::string name;
  DWORD type;
  std::vector<BYTE> data;
};

struct Key {
  std::string name;
  std::string keyClass;
  Key* parent = nullptr;
  bool readOnly = false;
  bool deleted = false;
  std::map<std::string, std::shared_ptr<Key>, CaseLess> subkeys;
  std::vector<Value> values;

  Value* FindValue(const std::string& valueName) {
    for (Value& v : values)
      if (SameText(v.name, valueName)) return &v;
    return nullptr;
  }
};

struct Handle {
  std::shared_ptr<Key> key;
  REGSAM access;
};

// Calls of one kind that succeed, then fail with an error code, in the order they were planned.
struct Failures {
  int succeedFirst;
  int failCount;
  DWORD error;
};

struct Registry {
  std::map<HKEY, std::shared_ptr<Key>> roots;
  std::map<HKEY, Handle> handles;
  std::vector<std::string> writes;
  uintptr_t nextHandle = 0x1000;
  std::deque<Failures> writeFailures, readFailures;
};

Registry& Reg() {
  static Registry registry;
  return registry;
}

const REGSAM kWriteRights = KEY_SET_VALUE | KEY_CREATE_SUB_KEY | KEY_CREATE_LINK | DELETE | WRITE_DAC | WRITE_OWNER;

bool IsRoot(HKEY key) {
  return key == HKEY_CLASSES_ROOT || key == HKEY_CURRENT_USER || key == HKEY_LOCAL_MACHINE || key == HKEY_USERS;
}

// The key a handle stands for and the access it carries; predefined roots carry all access.
bool Resolve(HKEY key, std::shared_ptr<Key>* node, REGSAM* access) {
  Registry& reg = Reg();
  if (IsRoot(key)) {
    std::shared_ptr<Key>& root = reg.roots[key];
    if (!root) root = std::make_shared<Key>();
    *node = root;
    *access = KEY_ALL_ACCESS;
    return true;
  }
  auto it = reg.handles.find(key);
  if (it == reg.handles.end()) return false;
  *node = it->second.key;
  *access = it->second.access;
  return true;
}

std::vector<std::string> SplitPath(LPCSTR path) {
  std::vector<std::string> parts;
  if (!path) return parts;
  std::string part;
  for (const char* p = path;; ++p) {
    if (*p == '\\' || *p == 0) {
      if (!part.empty()) parts.push_back(part);
      part.clear();
      if (*p == 0) break;
    } else {
      part += *p;
    }
  }
  return parts;
}

// The 8-bit calls convert a key's path in a buffer of the thread's that holds 260 characters:
// a longer path fails with ERROR_MORE_DATA before any key is looked at, as under Wine.
bool PathTooLong(LPCSTR path) { return path && std::strlen(path) > 260; }

// ERROR_SUCCESS, or the error of a read or write that a test made fail.
LSTATUS ScriptedResult(std::deque<Failures>& plan) {
  while (!plan.empty() && plan.front().failCount <= 0) plan.pop_front();
  if (plan.empty()) return ERROR_SUCCESS;
  Failures& next = plan.front();
  if (next.succeedFirst > 0) {
    --next.succeedFirst;
    return ERROR_SUCCESS;
  }
  --next.failCount;
  return static_cast<LSTATUS>(next.error);
}

HKEY NewHandle(const std::shared_ptr<Key>& key, REGSAM access) {
  Registry& reg = Reg();
  HKEY handle = reinterpret_cast<HKEY>(reg.nextHandle);
  reg.nextHandle += 4;
  reg.handles[handle] = Handle{key, access};
  return handle;
}

}  // namespace

void ResetRegistry() {
  Registry& reg = Reg();
  reg.roots.clear();
  reg.handles.clear();
  reg.writes.clear();
  reg.writeFailures.clear();
  reg.readFailures.clear();
}

const std::vector<std::string>& RegistryWrites() { return Reg().writes; }
void ForgetRegistryWrites() { Reg().writes.clear(); }

void FailRegistryWrites(int succeedFirst, int failCount, DWORD error) {
  Reg().writeFailures.push_back(Failures{succeedFirst, failCount, error});
}
void FailRegistryReads(int succeedFirst, int failCount, DWORD error) {
  Reg().readFailures.push_back(Failures{succeedFirst, failCount, error});
}

std::string PathOf(const Key* key) {
  std::string path;
  for (; key && key->parent; key = key->parent) path = key->name + (path.empty() ? "" : "\\" + path);
  return path;
}

int OpenKeyCount() { return static_cast<int>(Reg().handles.size()); }

void SetKeyReadOnly(HKEY root, const std::string& path, bool readOnly) {
  HKEY key = nullptr;
  if (RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_QUERY_VALUE, nullptr, &key, nullptr) != ERROR_SUCCESS)
    return;
  Reg().handles[key].key->readOnly = readOnly;
  RegCloseKey(key);
}

}  // namespace memory

using memory::Reg;

LSTATUS WINAPI RegOpenKeyExA(HKEY key, LPCSTR subKey, DWORD, REGSAM desired, PHKEY result) {
  std::shared_ptr<memory::Key> node;
  REGSAM access;
  if (!result) return ERROR_INVALID_PARAMETER;
  if (memory::PathTooLong(subKey)) return ERROR_MORE_DATA;  // the handle left as it was
  *result = nullptr;  // on every other failure, as the system does
  if (!memory::Resolve(key, &node, &access)) return ERROR_INVALID_HANDLE;
  for (const std::string& part : memory::SplitPath(subKey)) {
    auto it = node->subkeys.find(part);
    if (it == node->subkeys.end()) return ERROR_FILE_NOT_FOUND;
    node = it->second;
  }
  if (node->deleted) return ERROR_FILE_NOT_FOUND;
  if (node->readOnly && (desired & memory::kWriteRights)) return ERROR_ACCESS_DENIED;
  *result = memory::NewHandle(node, desired);
  return ERROR_SUCCESS;
}

LSTATUS WINAPI RegCreateKeyExA(HKEY key, LPCSTR subKey, DWORD, LPSTR keyClass, DWORD, REGSAM desired,
                               const SECURITY_ATTRIBUTES*, PHKEY result, LPDWORD disposition) {
  std::shared_ptr<memory::Key> node;
  REGSAM access;
  if (!result) return ERROR_INVALID_PARAMETER;
  if (memory::PathTooLong(subKey)) return ERROR_MORE_DATA;  // the handle left as it was
  *result = nullptr;  // on every other failure, as under Wine
  if (!memory::Resolve(key, &node, &access)) return ERROR_INVALID_HANDLE;
  if (node->deleted) return ERROR_FILE_NOT_FOUND;
  bool created = false;
  for (const std::string& part : memory::SplitPath(subKey)) {
    auto it = node->subkeys.find(part);
    if (it == node->subkeys.end()) {
      if (node->readOnly) return ERROR_ACCESS_DENIED;
      auto child = std::make_shared<memory::Key>();
      child->name = part;
      child->parent = node.get();
      if (keyClass) child->keyClass = keyClass;
      it = node->subkeys.emplace(part, child).first;
      created = true;
    }
    node = it->second;
  }
  if (node->readOnly && (desired & memory::kWriteRights)) return ERROR_ACCESS_DENIED;
  *result = memory::NewHandle(node, desired);
  if (disposition) *disposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
  return ERROR_SUCCESS;
}

LSTATUS WINAPI RegEnumKeyExA(HKEY key, DWORD index, LPSTR name, LPDWORD nameChars, LPDWORD, LPSTR keyClass,
                             LPDWORD classChars, PFILETIME lastWrite) {
  std::shared_ptr<memory::Key> node;
  REGSAM access;
  if (!memory::Resolve(key, &node, &access)) return ERROR_INVALID_HANDLE;
  if (!(access & KEY_ENUMERATE_SUB_KEYS)) return ERROR_ACCESS_DENIED;
  if (!name || !nameChars) return ERROR_INVALID_PARAMETER;
  if (index >= node->subkeys.size()) return ERROR_NO_MORE_ITEMS;
  auto it = node->subkeys.begin();
  std::advance(it, index);
  const std::string& found = it->second->name;
  if (found.size() >= *nameChars) return ERROR_MORE_DATA;
  std::memcpy(name, found.c_str(), found.size() + 1);
  *nameChars = static_cast<DWORD>(found.size());
  if (keyClass && classChars) {
    const std::string& cls = it->second->keyClass;
    if (cls.size() >= *classChars) return ERROR_MORE_DATA;
    std::memcpy(keyClass, cls.c_str(), cls.size() + 1);
    *classChars = static_cast<DWORD>(cls.size());
  }
  if (lastWrite) *lastWrite = FILETIME{0, 0};
  return ERROR_SUCCESS;
}

LSTATUS WINAPI RegQueryValueExA(HKEY key, LPCSTR valueName, LPDWORD, LPDWORD type, LPBYTE data,
                                LPDWORD dataBytes) {
  std::shared_ptr<memory::Key> node;
  REGSAM access;
  if (data && !dataBytes) return ERROR_INVALID_PARAMETER;
  // Before anything can fail, as Wine does: the type becomes REG_NONE (NT leaves an undefined
  // value there) and a size query without a buffer starts from 0.
  if (type) *type = REG_NONE;
  if (dataBytes && !data) *dataBytes = 0;
  if (!memory::Resolve(key, &node, &access)) return ERROR_INVALID_HANDLE;
  if (!(access & KEY_QUERY_VALUE)) return ERROR_ACCESS_DENIED;
  if (LSTATUS failed = memory::ScriptedResult(Reg().readFailures)) return failed;
  memory::Value* value = node->FindValue(valueName ? valueName : "");
  if (!value) return ERROR_FILE_NOT_FOUND;
  if (type) *type = value->type;
  DWORD size = static_cast<DWORD>(value->data.size());
  if (!dataBytes) return ERROR_SUCCESS;
  if (data) {
    if (*dataBytes < size) {
      *dataBytes = size;
      return ERROR_MORE_DATA;
    }
    if (size) std::memcpy(data, value->data.data(), size);
  }
  *dataBytes = size;
  return ERROR_SUCCESS;
}

LSTATUS WINAPI RegSetValueExA(HKEY key, LPCSTR valueName, DWORD, DWORD type, const BYTE* data, DWORD dataBytes) {
  std::shared_ptr<memory::Key> node;
  REGSAM access;
  if (!memory::Resolve(key, &node, &access)) return ERROR_INVALID_HANDLE;
  if (!(access & KEY_SET_VALUE)) return ERROR_ACCESS_DENIED;
  if (node->deleted) return 1018L;  // ERROR_KEY_DELETED
  if (LSTATUS failed = memory::ScriptedResult(Reg().writeFailures)) return failed;
  std::string name = valueName ? valueName : "";
  std::vector<BYTE> bytes(data, data + (data ? dataBytes : 0));
  // Like NT, the 8-bit call stores a string given without its terminating NUL with one.
  bool text = type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
  if (text && !bytes.empty() && bytes.back() != 0) bytes.push_back(0);
  Reg().writes.push_back(memory::PathOf(node.get()) + "\\" + name);
  if (memory::Value* value = node->FindValue(name)) {
    value->type = type;
    value->data = bytes;
  } else {
    node->values.push_back(memory::Value{name, type, bytes});
  }
  return ERROR_SUCCESS;
}

LSTATUS WINAPI RegDeleteValueA(HKEY key, LPCSTR valueName) {
  std::shared_ptr<memory::Key> node;
  REGSAM access;
  if (!memory::Resolve(key, &node, &access)) return ERROR_INVALID_HANDLE;
  if (!(access & KEY_SET_VALUE)) return ERROR_ACCESS_DENIED;
  std::string name = valueName ? valueName : "";
  auto& values = node->values;
  auto it = std::find_if(values.begin(), values.end(), [&](const memory::Value& v) { return memory::SameText(v.name, name); });
  if (it == values.end()) return ERROR_FILE_NOT_FOUND;
  if (LSTATUS failed = memory::ScriptedResult(Reg().writeFailures)) return failed;
  Reg().writes.push_back("-" + memory::PathOf(node.get()) + "\\" + name);
  values.erase(it);
  return ERROR_SUCCESS;
}

LSTATUS WINAPI RegDeleteKeyA(HKEY key, LPCSTR subKey) {
  std::shared_ptr<memory::Key> node;
  REGSAM access;
  if (!memory::Resolve(key, &node, &access)) return ERROR_INVALID_HANDLE;
  std::vector<std::string> parts = memory::SplitPath(subKey);
  if (parts.empty()) return ERROR_INVALID_PARAMETER;
  for (const std::string& part : parts) {
    auto it = node->subkeys.find(part);
    if (it == node->subkeys.end()) return ERROR_FILE_NOT_FOUND;
    node = it->second;
  }
  if (!node->subkeys.empty() || node->readOnly) return ERROR_ACCESS_DENIED;
  node->deleted = true;
  node->parent->subkeys.erase(node->name);
  return ERROR_SUCCESS;
}

LSTATUS WINAPI RegCloseKey(HKEY key) {
  if (memory::IsRoot(key)) return ERROR_SUCCESS;
  return Reg().handles.erase(key) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}
