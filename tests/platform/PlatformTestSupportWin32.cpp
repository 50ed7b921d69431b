#include <cstring>

#include "PlatformTestSupport.h"

void PrepareMachine() { DeleteKeyTree(HKEY_LOCAL_MACHINE, kScratchKey); }

// The resource-only DLLs built beside the test program.
std::string VersionedFile(const std::string& which) {
  char path[MAX_PATH];
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  char* slash = std::strrchr(path, '\\');
  if (slash) slash[1] = 0;
  return std::string(path) + "ver" + which + ".dll";
}
