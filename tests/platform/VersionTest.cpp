// Reading a FileVersion string from a file's version resource.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "PlatformTestSupport.h"

namespace {

std::vector<BYTE> Block(const std::string& path) {
  DWORD handle = 0;
  DWORD size = GetFileVersionInfoSizeA(path.c_str(), &handle);
  std::vector<BYTE> block(size);
  if (size) {
    EXPECT_TRUE(GetFileVersionInfoA(path.c_str(), handle, size, block.data()));
  }
  return block;
}

std::string Query(std::vector<BYTE>& block, const char* path) {
  LPVOID text = nullptr;
  UINT length = 0;
  if (!VerQueryValueA(block.data(), path, &text, &length) || !text) return "<none>";
  return static_cast<const char*>(text);
}

TEST(Version, FindsTheFileVersionOfTheUsEnglishUnicodeBlockWhateverTheCaseOfThePath) {
  std::vector<BYTE> block = Block(VersionedFile("us"));
  ASSERT_FALSE(block.empty());
  EXPECT_EQ(kLongFileVersion, Query(block, "\\StringFileInfo\\040904B0\\FileVersion"));
  EXPECT_EQ(kLongFileVersion, Query(block, "\\StringFileInfo\\040904b0\\FileVersion"));
  EXPECT_EQ("<none>", Query(block, "\\StringFileInfo\\040904B0\\ProductName"));
}

TEST(Version, ABlockForAnotherLanguageOnlyHasNoUsEnglishFileVersion) {
  std::vector<BYTE> block = Block(VersionedFile("other"));
  ASSERT_FALSE(block.empty());
  EXPECT_EQ("<none>", Query(block, "\\StringFileInfo\\040904B0\\FileVersion"));
  EXPECT_EQ("7.0", Query(block, "\\StringFileInfo\\040704B0\\FileVersion"));
}

TEST(Version, AMissingFileHasNoVersionInformation) {
  DWORD handle;
  EXPECT_EQ(0u, GetFileVersionInfoSizeA("C:\\no\\such\\file.sys", &handle));
}

}  // namespace
