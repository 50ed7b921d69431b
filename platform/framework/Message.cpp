#include "Message.h"

#include <vector>

#include "FrameworkStrings.h"
#include "module.h"

std::string LoadText(UINT id, std::initializer_list<const char*> inserts) {
  // LoadStringA cuts an entry to the buffer; a buffer it fills to the last place may have cut
  // it, so the entry is asked for again with twice the room.
  std::vector<char> entry;
  for (int size = 256;; size *= 2) {
    entry.resize(static_cast<size_t>(size));
    if (LoadStringA(CurrentModule(), id, entry.data(), size) < size - 1) break;
  }
  // The entry ends at its NUL; each %1 to %9 that has an insert is replaced by it.
  std::string text;
  for (const char* c = entry.data(); *c; ++c) {
    size_t number = c[0] == '%' && c[1] >= '1' && c[1] <= '9' ? static_cast<size_t>(c[1] - '1') : inserts.size();
    if (number < inserts.size()) {
      text += inserts.begin()[number];
      ++c;
    } else {
      text += *c;
    }
  }
  return text;
}

int ShowMessage(HWND owner, UINT textId, UINT captionId, UINT type, std::initializer_list<const char*> inserts) {
  return MessageBoxA(owner, LoadText(textId, inserts).c_str(), LoadText(captionId).c_str(), type);
}

std::string SystemText(DWORD code) {
  LPSTR text = nullptr;
  DWORD length = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_FROM_SYSTEM,
                                nullptr, code, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<LPSTR>(&text),
                                0, nullptr);
  std::string result = length && text ? std::string(text, length) : std::string();
  if (text) LocalFree(text);
  // The text's own closing line break goes: the message it is put into has its own.
  while (!result.empty() && (result.back() == '\n' || result.back() == '\r')) result.pop_back();
  return result.empty() ? LoadText(IDS_ERROR_CODE, {HexCode(code).c_str()}) : result;
}

std::string HexCode(DWORD code) {
  char digits[16];
  wsprintfA(digits, "%.8X", static_cast<unsigned>(code));
  return digits;
}
