// What the installer relies on when it asks the system for its own file name and for the text
// of an error code.
#include <gtest/gtest.h>

#include <string>

#include "PlatformTestSupport.h"

namespace {

TEST(ModuleName, ANameThatDoesNotFitFillsTheBufferAndReturnsItsSize) {
  char whole[MAX_PATH];
  DWORD length = GetModuleFileNameA(nullptr, whole, MAX_PATH);
  ASSERT_GT(length, 8u);
  ASSERT_LT(length, static_cast<DWORD>(MAX_PATH));
  EXPECT_EQ('\0', whole[length]);

  char cut[8];
  SetLastError(0);
  EXPECT_EQ(8u, GetModuleFileNameA(nullptr, cut, sizeof cut));
  EXPECT_EQ(static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER), GetLastError());
  EXPECT_EQ(std::string(whole, 7), std::string(cut, 7));
}

TEST(Errors, ASystemTextWithInsertsComesWholeOnlyWhenTheyAreIgnored) {
  LPSTR text = nullptr;
  DWORD length = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM, nullptr, ERROR_BAD_EXE_FORMAT,
                                MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<LPSTR>(&text), 0, nullptr);
  EXPECT_EQ(0u, length);
  EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), GetLastError());
  if (text) LocalFree(text);

  text = nullptr;
  length = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                          nullptr, ERROR_BAD_EXE_FORMAT, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
                          reinterpret_cast<LPSTR>(&text), 0, nullptr);
  ASSERT_NE(nullptr, text);
  EXPECT_EQ(std::string(text).size(), length);
  EXPECT_NE(std::string::npos, std::string(text).find("%1"));
  EXPECT_EQ(nullptr, LocalFree(text));
}

}  // namespace
