#include "PlatformTestSupport.h"

#include <algorithm>

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

// A node of the block is wLength, wValueLength, wType, then its name in UTF-16.
void SetVersionValueLength(std::vector<BYTE>& block, const std::string& name, WORD length) {
  std::vector<BYTE> key;
  for (char c : name) key.insert(key.end(), {static_cast<BYTE>(c), 0});
  auto at = std::search(block.begin(), block.end(), key.begin(), key.end());
  if (at - block.begin() < 4) return;
  at[-4] = static_cast<BYTE>(length & 0xFF);
  at[-3] = static_cast<BYTE>(length >> 8);
}

#include <gtest/gtest.h>

namespace {
// Every test starts from the same machine state.
class Preparer : public testing::EmptyTestEventListener {
  void OnTestStart(const testing::TestInfo&) override { PrepareMachine(); }
};
const bool registered = (testing::UnitTest::GetInstance()->listeners().Append(new Preparer), true);
}  // namespace
