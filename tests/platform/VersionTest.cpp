// Reading a FileVersion string from a file's version resource.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "PlatformTestSupport.h"

namespace {

std::vector<BYTE> Block(const std::string& path, BYTE fill = 0) {
  DWORD handle = 0;
  DWORD size = GetFileVersionInfoSizeA(path.c_str(), &handle);
  std::vector<BYTE> block(size, fill);
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

// A text comes as long as its value's length says, NUL included when the length counts one,
// and nothing is written after it.
TEST(Version, ATextIsConvertedAsFarAsItsValueLengthSays) {
  const char* path = "\\StringFileInfo\\040904B0\\FileVersion";
  for (WORD length : {WORD(0), WORD(3)}) {
    std::vector<BYTE> block = Block(VersionedFile("us"), 0xEE);
    if (length) SetVersionValueLength(block, "FileVersion", length);
    LPVOID text = nullptr;
    UINT got = 0;
    ASSERT_TRUE(VerQueryValueA(block.data(), path, &text, &got));
    if (!length) {
      EXPECT_EQ(std::string(kLongFileVersion).size() + 1, got);
      continue;
    }
    EXPECT_EQ(3u, got);
    EXPECT_EQ(std::string(kLongFileVersion).substr(0, 3) + "\xEE", std::string(static_cast<const char*>(text), 4));
  }
}

TEST(Version, AMissingFileHasNoVersionInformation) {
  DWORD handle;
  EXPECT_EQ(0u, GetFileVersionInfoSizeA("C:\\no\\such\\file.sys", &handle));
}

const DWORD kMarker = 0xdeadbeef;

TEST(Version, SizeAndBlockCallsFillTheirOutputsOrSayWhyNot) {
  std::string path = VersionedFile("us");
  DWORD handle = kMarker;
  SetLastError(kMarker);
  DWORD size = GetFileVersionInfoSizeA(path.c_str(), &handle);
  ASSERT_GT(size, 0u);
  EXPECT_EQ(0u, handle);
  std::vector<BYTE> block(size, 0xEE);
  EXPECT_TRUE(GetFileVersionInfoA(path.c_str(), 0, size, block.data()));

  // A missing file in a folder that is there (the in-memory file system has no folders; the
  // system reports ERROR_PATH_NOT_FOUND for a missing folder).
  std::string missing = path.substr(0, path.find_last_of('\\') + 1) + "missing.dll";
  handle = kMarker;
  SetLastError(kMarker);
  EXPECT_EQ(0u, GetFileVersionInfoSizeA(missing.c_str(), &handle));
  EXPECT_EQ(0u, handle);
  EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), GetLastError());
  SetLastError(kMarker);
  EXPECT_FALSE(GetFileVersionInfoA(missing.c_str(), 0, size, block.data()));
  EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), GetLastError());

  // A path the block does not hold: FALSE, and the outputs tell nothing.
  LPVOID text = reinterpret_cast<LPVOID>(static_cast<uintptr_t>(kMarker));
  UINT length = kMarker;
  SetLastError(kMarker);
  EXPECT_FALSE(VerQueryValueA(block.data(), "\\StringFileInfo\\040904B0\\ProductName", &text, &length));
  EXPECT_EQ(reinterpret_cast<LPVOID>(static_cast<uintptr_t>(kMarker)), text);
  EXPECT_EQ(0u, length);
  EXPECT_EQ(static_cast<DWORD>(ERROR_RESOURCE_TYPE_NOT_FOUND), GetLastError());
}

}  // namespace
