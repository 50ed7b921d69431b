// A program built like norvoinst.exe (same entry point, options and runtime). It writes what its
// entry point did into the file named by NORVO_ENTRY_OUT: a static object's construction, the
// command line and show state WinMain received, the static object's destruction; it ends with
// the exit code 42. Given the arguments "crt", it also checks the C library functions the
// deliverables provide (crtfunctions.cpp; this file is built without builtins so that the calls
// reach them) and writes "crt ok" or the first check that failed.
#include <cstring>

#include "winapi.h"

namespace {
class Output {
 public:
  Output() {
    char path[MAX_PATH];
    DWORD length = GetEnvironmentVariableA("NORVO_ENTRY_OUT", path, sizeof path);
    if (length && length < sizeof path)
      file = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    Write("+static ");
  }
  ~Output() {
    Write("-static");
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
  }
  void Write(const char* text) {
    DWORD length = 0, written;
    while (text[length]) ++length;
    if (file != INVALID_HANDLE_VALUE) WriteFile(file, text, length, &written, nullptr);
  }
  void WriteNumber(int n) {
    char digits[12];
    int i = sizeof digits - 1;
    digits[i] = '\0';
    do digits[--i] = static_cast<char>('0' + n % 10); while ((n /= 10) && i > 0);
    Write(digits + i);
  }

 private:
  HANDLE file = INVALID_HANDLE_VALUE;
};

Output output;

#define CHECK(condition) \
  if (!(condition)) return #condition

// Overlapping moves both ways, zero lengths, a match or a difference in the last byte.
const char* CheckCrtFunctions() {
  char text[] = "abcdefgh";
  memmove(text + 2, text, 5);
  CHECK(!memcmp(text, "ababcdeh", 9));
  memmove(text, text + 3, 5);
  CHECK(!memcmp(text, "bcdehdeh", 9));
  memmove(text, "x", 0);
  memcpy(text, "x", 0);
  memset(text, 'z', 0);
  CHECK(!memcmp(text, "bcdehdeh", 9));
  memset(text + 1, 'z', 6);
  CHECK(!memcmp(text, "bzzzzzzh", 9));
  memcpy(text, "12345678", 8);
  CHECK(!memcmp(text, "12345678", 9));
  CHECK(memchr(text, '8', 8) == text + 7 && !memchr(text, '8', 7) && !memchr(text, '1', 0));
  CHECK(memcmp("ab\x80", "ab\x01", 3) > 0 && memcmp("abc", "abd", 3) < 0 && !memcmp("abc", "abd", 2) &&
        !memcmp("a", "b", 0));
  CHECK(strlen("") == 0 && strlen("abc") == 3);
  char copy[6] = "wwwww";
  strncpy(copy, "ab", 4);
  CHECK(!memcmp(copy, "ab\0\0w", 6));
  strncpy(copy, "xyz", 2);
  strncpy(copy + 2, "q", 0);
  CHECK(!memcmp(copy, "xy\0\0w", 6));
  return "crt ok";
}
}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR arguments, int show) {
  output.Write(instance == GetModuleHandleA(nullptr) && !previous ? "instance " : "bad-instance ");
  output.Write("[");
  output.Write(arguments);
  output.Write("] show=");
  output.WriteNumber(show);
  output.Write(" ");
  if (strlen(arguments) == 3 && !memcmp(arguments, "crt", 3)) output.Write(CheckCrtFunctions());
  return 42;
}
