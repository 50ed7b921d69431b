// A program built like norvoinst.exe (same entry point, options and runtime). It writes what its
// entry point did into the file named by NORVO_ENTRY_OUT: a static object's construction, the
// command line and show state WinMain received, the static object's destruction; it ends with
// the exit code 42.
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
}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR arguments, int show) {
  output.Write(instance == GetModuleHandleA(nullptr) && !previous ? "instance " : "bad-instance ");
  output.Write("[");
  output.Write(arguments);
  output.Write("] show=");
  output.WriteNumber(show);
  output.Write(" ");
  return 42;
}
