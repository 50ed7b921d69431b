// Version resources of the in-memory machine: VS_VERSIONINFO blocks as a resource compiler
// lays them out, and VerQueryValueA's walk through one.
#include <cstring>

#include "internal.h"

namespace memory {
namespace {

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
      if (length) *length = 0;  // as under Wine; the buffer pointer is left alone
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
  // Text: the value's length in characters (its NUL when it counts one) is converted into the
  // second half of the buffer at the value's offset, and nothing after it, as under Wine.
  size_t total = memory::ReadWord(base);
  char* copy = reinterpret_cast<char*>(const_cast<BYTE*>(base)) + total + static_cast<size_t>(value - base) / 2;
  for (size_t n = 0; n < valueLength; ++n) {
    WORD c = memory::ReadWord(value + 2 * n);
    copy[n] = static_cast<char>(c < 0x100 ? c : '?');
  }
  *buffer = copy;
  if (length) *length = valueLength;
  return TRUE;
}
