// Resource modules of the in-memory machine: a compiled resource file (.res) read as the
// resource section of a module, with LoadIconA and LoadStringA on top of it.
#include <cstring>
#include <fstream>
#include <map>
#include <memory>
#include <stdexcept>

#include "internal.h"
#include "module.h"

namespace memory {
namespace {

// A resource type or name: an ordinal, or an upper-case string as the resource compiler stores it.
struct ResId {
  WORD ordinal = 0;
  std::string name;
  bool operator<(const ResId& o) const { return ordinal != o.ordinal ? ordinal < o.ordinal : name < o.name; }
};

ResId IdOf(LPCSTR id) {
  ResId r;
  if (IS_INTRESOURCE(id))
    r.ordinal = static_cast<WORD>(reinterpret_cast<ULONG_PTR>(id));
  else
    r.name = Upper(id);
  return r;
}

struct Module {
  std::map<std::pair<ResId, ResId>, std::vector<BYTE>> resources;
  std::map<UINT, std::string> strings;  // overrides
  std::map<WORD, HICON> icons;          // one shared handle per icon, as LoadIcon gives
};

struct Modules {
  std::map<HINSTANCE, std::unique_ptr<Module>> byHandle;
  HINSTANCE current = nullptr;
  uintptr_t nextHandle = 0x400000;
  uintptr_t nextIcon = 0x10000;
};

Modules& Mods() {
  static Modules modules;
  return modules;
}

Module* Find(HINSTANCE instance) {
  auto it = Mods().byHandle.find(instance);
  return it == Mods().byHandle.end() ? nullptr : it->second.get();
}

WORD Word(const std::vector<BYTE>& d, size_t at) { return static_cast<WORD>(d.at(at) | (d.at(at + 1) << 8)); }
DWORD Dword(const std::vector<BYTE>& d, size_t at) {
  return static_cast<DWORD>(Word(d, at)) | (static_cast<DWORD>(Word(d, at + 2)) << 16);
}

// Reads a type or name field of a resource header; returns the offset after it.
size_t ReadId(const std::vector<BYTE>& d, size_t at, ResId* id) {
  if (Word(d, at) == 0xFFFF) {
    id->ordinal = Word(d, at + 2);
    return at + 4;
  }
  for (; Word(d, at) != 0; at += 2) id->name += static_cast<char>(std::toupper(Word(d, at) & 0xFF));
  return at + 2;
}

}  // namespace

void ResetResources() {
  for (auto& entry : Mods().byHandle) entry.second->strings.clear();
}

HINSTANCE LoadModule(const std::string& resPath) {
  std::ifstream in(resPath, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read resource file " + resPath);
  std::vector<BYTE> d((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  auto module = std::make_unique<Module>();
  for (size_t at = 0; at + 32 <= d.size();) {
    DWORD dataSize = Dword(d, at);
    DWORD headerSize = Dword(d, at + 4);
    ResId type, name;
    size_t p = ReadId(d, at + 8, &type);
    ReadId(d, p, &name);
    size_t data = at + headerSize;
    if (dataSize && data + dataSize <= d.size())
      module->resources[{type, name}] = std::vector<BYTE>(d.begin() + data, d.begin() + data + dataSize);
    at = (data + dataSize + 3) & ~static_cast<size_t>(3);
  }
  Modules& mods = Mods();
  HINSTANCE handle = reinterpret_cast<HINSTANCE>(mods.nextHandle);
  mods.nextHandle += 0x10000;
  mods.byHandle[handle] = std::move(module);
  mods.current = handle;
  return handle;
}

void OverrideString(HINSTANCE instance, UINT id, const std::string& text) {
  if (Module* m = Find(instance)) m->strings[id] = text;
}

const std::vector<BYTE>* FindResourceData(HINSTANCE instance, LPCSTR type, LPCSTR name) {
  Module* m = Find(instance);
  if (!m) return nullptr;
  auto it = m->resources.find({IdOf(type), IdOf(name)});
  return it == m->resources.end() ? nullptr : &it->second;
}

std::vector<BYTE> ResourceData(HINSTANCE instance, LPCSTR type, LPCSTR name) {
  const std::vector<BYTE>* data = FindResourceData(instance, type, name);
  return data ? *data : std::vector<BYTE>();
}

std::string ModuleVersionString(HINSTANCE instance, const std::string& name) {
  std::vector<BYTE> block = ResourceData(instance, RT_VERSION, MAKEINTRESOURCEA(1));
  if (block.empty()) return "<none>";
  block.resize(block.size() * 2);  // room for the 8-bit copies, as GetFileVersionInfoSizeA gives
  LPVOID text = nullptr;
  UINT length = 0;
  std::string path = "\\StringFileInfo\\040904B0\\" + name;
  return VerQueryValueA(block.data(), path.c_str(), &text, &length) ? std::string(static_cast<char*>(text)) : "<none>";
}

}  // namespace memory

HINSTANCE CurrentModule() { return memory::Mods().current; }

HICON WINAPI LoadIconA(HINSTANCE instance, LPCSTR name) {
  memory::Module* m = memory::Find(instance);
  if (!m) {
    SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
    return nullptr;
  }
  if (!memory::FindResourceData(instance, RT_GROUP_ICON, name)) {
    SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
    return nullptr;
  }
  WORD key = IS_INTRESOURCE(name) ? static_cast<WORD>(reinterpret_cast<ULONG_PTR>(name)) : 0;
  HICON& icon = m->icons[key];
  if (!icon) {
    icon = reinterpret_cast<HICON>(memory::Mods().nextIcon);
    memory::Mods().nextIcon += 4;
  }
  return icon;
}

// String resources live in blocks of 16: block (id / 16) + 1, each string a length-prefixed
// run of 16-bit characters.
int WINAPI LoadStringA(HINSTANCE instance, UINT id, LPSTR buffer, int bufferMax) {
  memory::Module* m = memory::Find(instance);
  if (!m || !buffer || bufferMax <= 0) return 0;
  std::string text;
  auto over = m->strings.find(id);
  if (over != m->strings.end()) {
    text = over->second;
  } else {
    const std::vector<BYTE>* block = memory::FindResourceData(instance, RT_STRING, MAKEINTRESOURCEA((id >> 4) + 1));
    if (!block) {
      SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
      buffer[0] = 0;
      return 0;
    }
    size_t at = 0;
    for (UINT i = 0; i < (id & 15) && at + 2 <= block->size(); ++i) at += 2 + 2u * memory::Word(*block, at);
    if (at + 2 <= block->size()) {
      WORD length = memory::Word(*block, at);
      for (WORD i = 0; i < length; ++i) text += static_cast<char>(memory::Word(*block, at + 2 + 2u * i) & 0xFF);
    }
  }
  size_t n = std::min(text.size(), static_cast<size_t>(bufferMax - 1));
  std::memcpy(buffer, text.data(), n);
  buffer[n] = 0;
  return static_cast<int>(n);
}
