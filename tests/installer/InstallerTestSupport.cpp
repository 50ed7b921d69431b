#include "InstallerTestSupport.h"

#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

#include "InstallerApp.h"

const char* const kPackageDir = "C:\\Norvo Setup\\";
const char* const kPageCaption = "Norvo cPCI Serial Port Installation For Windows NT4";
const char* const kServiceKey = "System\\CurrentControlSet\\Services\\norvo";

std::string PackageInf() {
  std::ifstream in(NORVO_PACKAGE_INF);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

void LayOutPackage(const std::string& infName, const std::string& infText) {
  std::string dir = kPackageDir;
  memory::SetModulePath(dir + "norvoinst.exe");
  memory::PutTextFile(dir + infName, infText);
  memory::PutFile(dir + "norvo.sys", memory::BuildVersionInfo({{"040904B0", {{"FileVersion", "2.1.0.7"}}}}));
  memory::PutFile(dir + "norvo.cpl");
}

std::string DriverImage() { return std::string(memory::kSystemDirectory) + "\\drivers\\norvo.sys"; }
std::string AppletFile() { return std::string(memory::kSystemDirectory) + "\\norvo.cpl"; }

BOOL RunInstaller() { return installerApp.InitInstance(); }

void ClickNextOnWelcome() {
  memory::OnDialog(kPageCaption, [](memory::DialogUser& page) { page.Click(IDOK); });
}

bool KeyExists(const std::string& path) {
  HKEY key;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

namespace {
std::string Value(const std::string& path, const std::string& name, bool whole) {
  HKEY key;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return "<no key>";
  char text[512] = "";
  DWORD size = sizeof text - 1;
  LONG result = RegQueryValueExA(key, name.c_str(), nullptr, nullptr, reinterpret_cast<BYTE*>(text), &size);
  RegCloseKey(key);
  if (result != ERROR_SUCCESS) return "<no value>";
  return whole ? std::string(text, size) : std::string(text);
}
}  // namespace

std::string StringValue(const std::string& path, const std::string& name) { return Value(path, name, false); }

const char* const kSessionManager = "System\\CurrentControlSet\\Control\\Session Manager";
std::string PendingRenames() { return Value(kSessionManager, "PendingFileRenameOperations", true); }

namespace {
const HINSTANCE module = memory::LoadModule(NORVO_INSTALLER_RES);

class Preparer : public testing::EmptyTestEventListener {
  void OnTestStart(const testing::TestInfo&) override { memory::Reset(); }
};
const bool registered = (testing::UnitTest::GetInstance()->listeners().Append(new Preparer), true);
}  // namespace
