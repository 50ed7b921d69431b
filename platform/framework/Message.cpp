#include "Message.h"

#include "FrameworkStrings.h"
#include "module.h"

std::string LoadText(UINT id, std::initializer_list<const char*> inserts) {
  // LoadStringA cuts an entry to the buffer; a buffer it fills to the last place may have cut
  // it, so the entry is asked for again with twice the room.
  std::string entry;
  for (int size = 256;; size *= 2) {
    entry.assign(static_cast<size_t>(size), '\0');
    int length = LoadStringA(CurrentModule(), id, &entry[0], size);
    if (length < size - 1) {
      entry.resize(length > 0 ? static_cast<size_t>(length) : 0);
      break;
    }
  }
  std::string text;
  for (size_t i = 0; i < entry.size(); ++i) {
    char next = i + 1 < entry.size() ? entry[i + 1] : '\0';
    if (entry[i] == '%' && next >= '1' && next <= '9' && static_cast<size_t>(next - '1') < inserts.size()) {
      text += inserts.begin()[next - '1'];
      ++i;
    } else {
      text += entry[i];
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
  return result.empty() ? LoadText(IDS_ERROR_CODE, {HexCode(code).c_str()}) : result;
}

std::string HexCode(DWORD code) {
  char digits[16];
  wsprintfA(digits, "%.8X", static_cast<unsigned>(code));
  return digits;
}
