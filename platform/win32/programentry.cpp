// The entry point of the installer program (the linker's --entry, checked by the build and by
// the image audit): constructs the static objects, calls WinMain with the command line after
// the program's name and the show state the starter asked for, runs the exit handlers and ends
// the process with WinMain's result.
#include "startup.h"
#include "winapi.h"

namespace {
// The arguments part of a command line: the program name (which may be quoted, in whole or in
// part) and the blanks after it skipped.
char* ArgumentsOf(char* commandLine) {
  auto* p = reinterpret_cast<unsigned char*>(commandLine);
  bool quoted = false;
  while (*p && (quoted || *p > ' ')) {
    if (*p == '"') quoted = !quoted;
    ++p;
  }
  while (*p && *p <= ' ') ++p;
  return reinterpret_cast<char*>(p);
}
}  // namespace

extern "C" void NorvoProgramEntry() {
  RunStaticConstructors();
  STARTUPINFOA startup;
  startup.cb = sizeof startup;
  GetStartupInfoA(&startup);
  int show = (startup.dwFlags & STARTF_USESHOWWINDOW) ? startup.wShowWindow : SW_SHOWDEFAULT;
  int result = WinMain(GetModuleHandleA(nullptr), nullptr, ArgumentsOf(GetCommandLineA()), show);
  RunExitHandlers();
  ExitProcess(static_cast<UINT>(result));
}
