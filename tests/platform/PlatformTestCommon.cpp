#include "PlatformTestSupport.h"

const char* const kScratchKey = "SOFTWARE\\NorvoPlatformTest";
const char* const kLongFileVersion = "4.10.2222 built for the Norvo cPCI boards";

void DeleteKeyTree(HKEY root, const std::string& path) {
  HKEY key;
  if (RegOpenKeyExA(root, path.c_str(), 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return;
  for (;;) {
    char name[256];
    DWORD length = sizeof name;
    if (RegEnumKeyExA(key, 0, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    DeleteKeyTree(key, name);
  }
  RegCloseKey(key);
  RegDeleteKeyA(root, path.c_str());
}

#include <gtest/gtest.h>

namespace {
// Every test starts from the same machine state.
class Preparer : public testing::EmptyTestEventListener {
  void OnTestStart(const testing::TestInfo&) override { PrepareMachine(); }
};
const bool registered = (testing::UnitTest::GetInstance()->listeners().Append(new Preparer), true);
}  // namespace
