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

std::string TempFolder() { return "C:\\TEMP\\norvoplat"; }
void WriteTextFile(const std::string& path, const std::string& text) { memory::PutTextFile(path, text); }
bool FileIsThere(const std::string& path) { return memory::FileExists(path); }
void RemoveTestFile(const std::string& path) { memory::RemoveFile(path); }
void HoldFile(const std::string& path, bool held) { memory::LockFile(path, held); }

std::string ProgramInFolderWithBlank() {
  memory::PutFile(TempFolder() + "\\with blank\\cmd.exe");
  return TempFolder() + "\\with blank\\cmd.exe";
}

std::string DriverFolder() {
  memory::PutFile("C:\\tests\\driver\\norvo.sys");
  return "C:\\tests\\driver";
}

namespace {
SeenMessageBox seen;
}  // namespace

void AnswerMessageBox(const std::string& caption, int button) {
  seen = SeenMessageBox{false, std::string()};
  memory::OnMessageBox(caption, [button](memory::DialogUser& user) {
    seen = SeenMessageBox{true, user.Text(0xFFFF)};
    user.Click(button);
  });
}

void ClickWhenShown(const std::string& caption, int button) {
  seen = SeenMessageBox{false, std::string()};
  memory::OnDialog(caption, [button](memory::DialogUser& user) {
    seen = SeenMessageBox{true, std::string()};
    user.Click(button);
  });
}

SeenMessageBox AnsweredMessageBox() { return seen; }
