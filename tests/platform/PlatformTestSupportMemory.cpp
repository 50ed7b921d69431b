#include "PlatformTestSupport.h"

#include "machine.h"

void PrepareMachine() { memory::Reset(); }

std::string VersionedFile(const std::string& which) {
  std::string path = std::string("C:\\tests\\ver") + which + ".dll";
  if (which == "us")
    memory::PutFile(path, memory::BuildVersionInfo({{"040904B0", {{"FileVersion", kLongFileVersion}}}}));
  else
    memory::PutFile(path, memory::BuildVersionInfo({{"040704B0", {{"FileVersion", "7.0"}}}}));
  return path;
}

namespace {
// The applet's compiled resources, the same ones the Windows build links into its modules.
const HINSTANCE module = memory::LoadModule(NORVO_APPLET_RES);
}  // namespace
