// The entry point of the Control Panel applet DLL (the linker's --entry, checked by the build
// and by the image audit): static objects are constructed when the DLL is loaded and destroyed,
// with every atexit handler, while FreeLibrary unloads it.
#include "startup.h"
#include "winapi.h"

extern "C" BOOL WINAPI NorvoDllEntry(HINSTANCE, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) RunStaticConstructors();
  else if (reason == DLL_PROCESS_DETACH) RunExitHandlers();
  return TRUE;
}
