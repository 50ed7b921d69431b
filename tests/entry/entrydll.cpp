// A DLL built like norvo.cpl (same entry point, options and runtime) whose static objects and
// atexit handler record what runs in the environment variable NORVO_ENTRY_LOG, which outlives
// the DLL: the test reads it after LoadLibraryA and after FreeLibrary.
#include "winapi.h"

#include <cstdlib>

namespace {
// Appends "<sign><name> " to the log.
void Record(char sign, const char* name) {
  char log[512];
  DWORD length = GetEnvironmentVariableA("NORVO_ENTRY_LOG", log, sizeof log);
  if (length >= sizeof log) length = 0;
  log[length++] = sign;
  while (*name && length + 2 < sizeof log) log[length++] = *name++;
  log[length++] = ' ';
  log[length] = '\0';
  SetEnvironmentVariableA("NORVO_ENTRY_LOG", log);
}

struct Recorder {
  explicit Recorder(const char* name) : name(name) { Record('+', name); }
  ~Recorder() { Record('-', name); }
  const char* name;
};

Recorder first("first");
Recorder second("second");

void LateHandler() { Record('!', "late"); }
// Registers another handler while the exit handlers run.
void AtExitHandler() {
  Record('!', "atexit");
  std::atexit(LateHandler);
}
}  // namespace

// Registers a handler with atexit after the static objects were constructed.
extern "C" __declspec(dllexport) void RegisterAtExit() { std::atexit(AtExitHandler); }

// Constructs a function-local static object on its first call.
extern "C" __declspec(dllexport) void UseLocalStatic() { static Recorder local("local"); }
