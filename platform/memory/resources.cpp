// Resource modules of the in-memory machine: a compiled resource file (.res) read as the
// resource section of a module, with LoadIconA and LoadStringA on top of it. A resource may be
// there in several languages; the thread's locale chooses among them, as on Windows.
#include <cstring>
#include <fstream>
#include <map>
#include <memory>
#include <stdexcept>

#include "internal.h"
#include "module.h"

namespace memory {
namespace {

const LCID kEnglishUs = MAKELCID(MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), SORT_DEFAULT);

// A resource type or name: an ordinal, or an upper-case string as the resource compiler stores it.
struct ResId {
  WORD ordinal = 0;
  std::string name;
  bool operator<(const ResId& o) const { return ordinal != o.ordinal ? ordinal < o.ordinal : name < o.name; }
  bool operator==(const ResId& o) const { return ordinal == o.ordinal && name == o.name; }
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
  // Each resource's data by its language, lowest first as an image's resource directory sorts them.
  std::map<std::pair<ResId, ResId>, std::map<LANGID, std::vector<BYTE>>> resources;
  std::map<UINT, std::string> strings;  // overrides
  std::map<WORD, HICON> icons;          // one shared handle per icon, as LoadIcon gives
};

struct Modules {
  std::map<HINSTANCE, std::unique_ptr<Module>> byHandle;
  HINSTANCE current = nullptr;
  uintptr_t nextHandle = 0x400000;
  uintptr_t nextIcon = 0x10000;
  // The user's locale (Regional Settings; the system's is taken to be the same), and the
  // thread's, which starts as the user's.
  LCID userLocale = kEnglishUs;
  LCID threadLocale = kEnglishUs;
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

// The string of a string block that starts at the offset: its length, then its characters,
// each as LoadStringA gives it in the ANSI code page.
std::string StringAt(const std::vector<BYTE>& block, size_t at) {
  std::string text;
  WORD length = Word(block, at);
  for (WORD i = 0; i < length; ++i) text += AnsiCharacter(Word(block, at + 2 + 2u * i));
  return text;
}

// The languages to try for a resource, in order. One asked for by language (FindResourceEx) is
// taken in it, in its primary language or neutral. One asked for without (FindResource, and so
// DialogBox, LoadIcon and LoadString) is taken, after a neutral one, in the language of the
// thread's locale, of the user's, the user's primary language, then U.S. English; failing all
// of them, in the first language the module has it in. Wine's loader tries these in this order
// (with the system's locale after the user's); NT 4.0 documents the thread's locale as the one
// that chooses.
std::vector<LANGID> LanguagesToTry(LANGID asked) {
  std::vector<LANGID> order = {asked, MAKELANGID(PRIMARYLANGID(asked), SUBLANG_NEUTRAL),
                               MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL)};
  if (PRIMARYLANGID(asked) == LANG_NEUTRAL) {
    LANGID user = LANGIDFROMLCID(Mods().userLocale);
    order.insert(order.end(), {LANGIDFROMLCID(Mods().threadLocale), user,
                               MAKELANGID(PRIMARYLANGID(user), SUBLANG_NEUTRAL),
                               MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US)});
  }
  return order;
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
  Mods().userLocale = Mods().threadLocale = kEnglishUs;
}

void SetUserLocale(LCID locale) { Mods().userLocale = Mods().threadLocale = locale; }

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
    // The header ends in data version, memory flags, language, version and characteristics.
    LANGID language = Word(d, data - 10);
    if (dataSize && data + dataSize <= d.size())
      module->resources[{type, name}][language] = std::vector<BYTE>(d.begin() + data, d.begin() + data + dataSize);
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

const std::vector<BYTE>* FindResourceData(HINSTANCE instance, LPCSTR type, LPCSTR name, LANGID language) {
  Module* m = Find(instance);
  if (!m) return nullptr;
  auto it = m->resources.find({IdOf(type), IdOf(name)});
  if (it == m->resources.end()) return nullptr;
  for (LANGID candidate : LanguagesToTry(language)) {
    auto found = it->second.find(candidate);
    if (found != it->second.end()) return &found->second;
  }
  return PRIMARYLANGID(language) == LANG_NEUTRAL && !it->second.empty() ? &it->second.begin()->second : nullptr;
}

std::vector<BYTE> ResourceData(HINSTANCE instance, LPCSTR type, LPCSTR name, LANGID language) {
  const std::vector<BYTE>* data = FindResourceData(instance, type, name, language);
  return data ? *data : std::vector<BYTE>();
}

std::vector<WORD> ResourceOrdinals(HINSTANCE instance, LPCSTR type, LANGID language) {
  std::vector<WORD> ordinals;
  if (Module* m = Find(instance))
    for (const auto& resource : m->resources)
      if (resource.first.first == IdOf(type) && resource.first.second.name.empty() && resource.second.count(language))
        ordinals.push_back(resource.first.second.ordinal);
  return ordinals;
}

std::map<UINT, std::string> Strings(HINSTANCE instance, LANGID language) {
  std::map<UINT, std::string> strings;
  for (WORD block : ResourceOrdinals(instance, RT_STRING, language)) {
    std::vector<BYTE> data = ResourceData(instance, RT_STRING, MAKEINTRESOURCEA(block), language);
    size_t at = 0;
    for (UINT i = 0; i < 16 && at + 2 <= data.size(); ++i) {
      std::string text = StringAt(data, at);
      if (!text.empty()) strings[(block - 1u) * 16 + i] = text;
      at += 2 + 2u * Word(data, at);
    }
  }
  return strings;
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
    if (at + 2 <= block->size()) text = memory::StringAt(*block, at);
  }
  size_t n = std::min(text.size(), static_cast<size_t>(bufferMax - 1));
  std::memcpy(buffer, text.data(), n);
  buffer[n] = 0;
  return static_cast<int>(n);
}

LCID WINAPI GetThreadLocale() { return memory::Mods().threadLocale; }

// LOCALE_USER_DEFAULT and LOCALE_SYSTEM_DEFAULT stand for the user's locale.
BOOL WINAPI SetThreadLocale(LCID locale) {
  bool standsForUser = locale == LOCALE_USER_DEFAULT || locale == LOCALE_SYSTEM_DEFAULT;
  memory::Mods().threadLocale = standsForUser ? memory::Mods().userLocale : locale;
  return TRUE;
}

LANGID WINAPI GetUserDefaultLangID() { return LANGIDFROMLCID(memory::Mods().userLocale); }
