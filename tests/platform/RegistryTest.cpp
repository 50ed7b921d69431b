// What the registry calls do, as the programs rely on it.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "PlatformTestSupport.h"

namespace {

HKEY Create(const std::string& path, REGSAM access = KEY_ALL_ACCESS) {
  HKEY key = nullptr;
  EXPECT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_LOCAL_MACHINE, (std::string(kScratchKey) + path).c_str(), 0, nullptr,
                                           REG_OPTION_NON_VOLATILE, access, nullptr, &key, nullptr));
  return key;
}

std::vector<std::string> Enumerate(HKEY key) {
  std::vector<std::string> names;
  for (DWORD i = 0;; ++i) {
    char name[256];
    DWORD length = sizeof name;
    LONG r = RegEnumKeyExA(key, i, name, &length, nullptr, nullptr, nullptr, nullptr);
    if (r == ERROR_NO_MORE_ITEMS) break;
    EXPECT_EQ(ERROR_SUCCESS, r);
    if (r != ERROR_SUCCESS) break;
    names.push_back(std::string(name, length));
  }
  return names;
}

TEST(Registry, EnumeratesSubkeysSortedWithoutRegardToCaseAndReportsTheEnd) {
  for (const char* name : {"\\b2", "\\A1", "\\c3", "\\B1", "\\Norvo10", "\\Norvo2"}) RegCloseKey(Create(name));
  HKEY key = Create("");
  EXPECT_EQ((std::vector<std::string>{"A1", "B1", "b2", "c3", "Norvo10", "Norvo2"}), Enumerate(key));

  char small[4];
  DWORD length = sizeof small;
  EXPECT_EQ(ERROR_MORE_DATA, RegEnumKeyExA(key, 4, small, &length, nullptr, nullptr, nullptr, nullptr));
  RegCloseKey(key);
}

TEST(Registry, OpeningAMissingKeyFailsWithFileNotFound) {
  HKEY key = reinterpret_cast<HKEY>(1);
  EXPECT_EQ(ERROR_FILE_NOT_FOUND,
            RegOpenKeyExA(HKEY_LOCAL_MACHINE, (std::string(kScratchKey) + "\\missing").c_str(), 0, KEY_QUERY_VALUE, &key));
}

TEST(Registry, QueryReportsMoreDataWithTheNeededSizeAndIgnoresTheStoredType) {
  HKEY key = Create("\\values");
  const BYTE eight[8] = {1, 2, 3, 4, 5, 6, 7, 8};
  const DWORD dword = 0x11223344;
  ASSERT_EQ(ERROR_SUCCESS, RegSetValueExA(key, "Long", 0, REG_BINARY, eight, sizeof eight));
  ASSERT_EQ(ERROR_SUCCESS, RegSetValueExA(key, "Dword", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dword), 4));

  BYTE buffer[4] = {0, 0, 0, 0};
  DWORD size = sizeof buffer, type = 0;
  EXPECT_EQ(ERROR_MORE_DATA, RegQueryValueExA(key, "Long", nullptr, &type, buffer, &size));
  EXPECT_EQ(8u, size);

  size = sizeof buffer;
  EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExA(key, "Dword", nullptr, &type, buffer, &size));
  EXPECT_EQ(static_cast<DWORD>(REG_DWORD), type);
  EXPECT_EQ(4u, size);
  EXPECT_EQ(0x44, buffer[0]);
  EXPECT_EQ(0x11, buffer[3]);

  size = sizeof buffer;
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegQueryValueExA(key, "Missing", nullptr, nullptr, buffer, &size));
  RegCloseKey(key);
}

TEST(Registry, AStringGivenWithoutItsNulIsStoredWithOne) {
  HKEY key = Create("\\strings");
  ASSERT_EQ(ERROR_SUCCESS, RegSetValueExA(key, "Bare", 0, REG_SZ, reinterpret_cast<const BYTE*>("COM7"), 4));
  char text[16];
  std::fill(text, text + sizeof text, 'x');
  DWORD size = sizeof text;
  EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExA(key, "Bare", nullptr, nullptr, reinterpret_cast<BYTE*>(text), &size));
  EXPECT_EQ(5u, size);
  EXPECT_EQ(std::string("COM7"), std::string(text));
  RegCloseKey(key);
}

TEST(Registry, AHandleOpenedForQueryingCannotSetValues) {
  RegCloseKey(Create("\\readonly"));
  HKEY key;
  ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_LOCAL_MACHINE, (std::string(kScratchKey) + "\\readonly").c_str(), 0,
                                         KEY_QUERY_VALUE, &key));
  const BYTE one[4] = {1, 0, 0, 0};
  EXPECT_EQ(ERROR_ACCESS_DENIED, RegSetValueExA(key, "TxFIFO", 0, REG_BINARY, one, 4));
  RegCloseKey(key);
}

TEST(Registry, DeletingAValueNeedsTheRightToSetValuesAndReportsAMissingOne) {
  HKEY key = Create("\\values");
  const BYTE one[4] = {1, 0, 0, 0};
  ASSERT_EQ(ERROR_SUCCESS, RegSetValueExA(key, "TxFIFO", 0, REG_BINARY, one, 4));
  RegCloseKey(key);
  std::string path = std::string(kScratchKey) + "\\values";
  ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_QUERY_VALUE, &key));
  EXPECT_EQ(ERROR_ACCESS_DENIED, RegDeleteValueA(key, "TxFIFO"));
  RegCloseKey(key);
  ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_SET_VALUE | KEY_QUERY_VALUE, &key));
  EXPECT_EQ(ERROR_SUCCESS, RegDeleteValueA(key, "TxFIFO"));
  DWORD size = 0;
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegQueryValueExA(key, "TxFIFO", nullptr, nullptr, nullptr, &size));
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegDeleteValueA(key, "TxFIFO"));
  RegCloseKey(key);
}

TEST(Registry, AValueReadWithItsTypeAndSizeIsWrittenBackUnchanged) {
  HKEY key = Create("\\copy");
  std::vector<BYTE> data(5000);
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<BYTE>(i % 251);
  const struct {
    const char* name;
    DWORD type;
    std::vector<BYTE> bytes;
  } values[] = {{"Big", REG_BINARY, data}, {"Empty", REG_BINARY, {}}, {"Text", REG_SZ, {'c', 'o', 'm', 0}},
                {"Dword", REG_DWORD, {5, 0, 0, 0}}};
  for (const auto& v : values) {
    ASSERT_EQ(ERROR_SUCCESS, RegSetValueExA(key, v.name, 0, v.type, v.bytes.data(), static_cast<DWORD>(v.bytes.size())));
    DWORD type = 0, size = 0;
    ASSERT_EQ(ERROR_SUCCESS, RegQueryValueExA(key, v.name, nullptr, &type, nullptr, &size));
    std::vector<BYTE> read(size + 1);
    ASSERT_EQ(ERROR_SUCCESS, RegQueryValueExA(key, v.name, nullptr, &type, read.data(), &size));
    read.resize(size);
    EXPECT_EQ(v.type, type) << v.name;
    EXPECT_EQ(v.bytes, read) << v.name;
    // Overwritten and put back as read: the same again.
    const BYTE other[4] = {9, 9, 9, 9};
    ASSERT_EQ(ERROR_SUCCESS, RegSetValueExA(key, v.name, 0, REG_BINARY, other, 4));
    ASSERT_EQ(ERROR_SUCCESS, RegSetValueExA(key, v.name, 0, type, read.data(), size));
    std::vector<BYTE> again(size + 1);
    DWORD againType = 0, againSize = size + 1;
    ASSERT_EQ(ERROR_SUCCESS, RegQueryValueExA(key, v.name, nullptr, &againType, again.data(), &againSize));
    again.resize(againSize);
    EXPECT_EQ(type, againType) << v.name;
    EXPECT_EQ(read, again) << v.name;
  }
  RegCloseKey(key);
}

TEST(Registry, CreatingMakesEveryMissingKeyOnThePathAndReportsWhetherItWasNew) {
  HKEY key;
  DWORD disposition = 0;
  std::string path = std::string(kScratchKey) + "\\one\\two\\three";
  ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                           KEY_ALL_ACCESS, nullptr, &key, &disposition));
  EXPECT_EQ(static_cast<DWORD>(REG_CREATED_NEW_KEY), disposition);
  RegCloseKey(key);
  ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                           KEY_ALL_ACCESS, nullptr, &key, &disposition));
  EXPECT_EQ(static_cast<DWORD>(REG_OPENED_EXISTING_KEY), disposition);
  RegCloseKey(key);
}

// Each call below is checked the conformance way: outputs and the last error hold a marker
// before the call, and after it the result, every output and the last error are checked.
const DWORD kMarker = 0xdeadbeef;
HKEY const kMarkerKey = reinterpret_cast<HKEY>(static_cast<uintptr_t>(0xdeadbeef));

TEST(Registry, AFailedOpenSetsTheReturnedHandleToNullAndLeavesTheLastError) {
  std::string missing = std::string(kScratchKey) + "\\missing";
  struct Case {
    const char* what;
    HKEY root;
    std::string path;
    LONG result;
  };
  for (const Case& c : {Case{"missing key", HKEY_LOCAL_MACHINE, missing, ERROR_FILE_NOT_FOUND},
                        Case{"missing parent", HKEY_LOCAL_MACHINE, missing + "\\child", ERROR_FILE_NOT_FOUND}}) {
    SCOPED_TRACE(c.what);
    HKEY key = kMarkerKey;
    SetLastError(kMarker);
    EXPECT_EQ(c.result, RegOpenKeyExA(c.root, c.path.c_str(), 0, KEY_QUERY_VALUE, &key));
    EXPECT_EQ(nullptr, key);
    EXPECT_EQ(kMarker, GetLastError());
  }
}

TEST(Registry, ASuccessfulOpenOrCreateFillsItsOutputsAndLeavesTheLastError) {
  HKEY key = kMarkerKey;
  DWORD disposition = kMarker;
  SetLastError(kMarker);
  ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_LOCAL_MACHINE, kScratchKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                                           KEY_ALL_ACCESS, nullptr, &key, &disposition));
  EXPECT_NE(kMarkerKey, key);
  EXPECT_NE(nullptr, key);
  EXPECT_EQ(static_cast<DWORD>(REG_CREATED_NEW_KEY), disposition);
  EXPECT_EQ(kMarker, GetLastError());
  EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(key));

  key = kMarkerKey;
  EXPECT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_LOCAL_MACHINE, kScratchKey, 0, KEY_READ, &key));
  EXPECT_NE(kMarkerKey, key);
  EXPECT_NE(nullptr, key);
  EXPECT_EQ(kMarker, GetLastError());
  EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(key));
}

TEST(Registry, AValueIsDeletedOnceAndOnlyThroughAHandleThatMaySetValues) {
  HKEY key = Create("\\delete");
  const BYTE one[4] = {1, 0, 0, 0};
  ASSERT_EQ(ERROR_SUCCESS, RegSetValueExA(key, "RxFIFO", 0, REG_BINARY, one, 4));
  HKEY reader;
  ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_LOCAL_MACHINE, (std::string(kScratchKey) + "\\delete").c_str(), 0,
                                         KEY_QUERY_VALUE, &reader));
  SetLastError(kMarker);
  EXPECT_EQ(ERROR_ACCESS_DENIED, RegDeleteValueA(reader, "RxFIFO"));
  EXPECT_EQ(ERROR_SUCCESS, RegDeleteValueA(key, "rxfifo"));  // names match without regard to case
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegDeleteValueA(key, "RxFIFO"));
  EXPECT_EQ(kMarker, GetLastError());

  BYTE data[4] = {0xEE, 0xEE, 0xEE, 0xEE};
  DWORD type = kMarker, size = sizeof data;
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegQueryValueExA(reader, "RxFIFO", nullptr, &type, data, &size));
  EXPECT_EQ(static_cast<DWORD>(REG_NONE), type);
  EXPECT_EQ(static_cast<DWORD>(sizeof data), size);
  EXPECT_EQ(0xEE, data[0]);
  RegCloseKey(reader);
  RegCloseKey(key);
}

TEST(Registry, AKeyWithSubkeysIsNotDeletedAndAMissingOneIsNotFound) {
  RegCloseKey(Create("\\parent\\child"));
  HKEY key = Create("");
  SetLastError(kMarker);
  EXPECT_EQ(ERROR_ACCESS_DENIED, RegDeleteKeyA(key, "parent"));
  EXPECT_EQ(ERROR_SUCCESS, RegDeleteKeyA(key, "parent\\child"));
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegDeleteKeyA(key, "parent\\child"));
  EXPECT_EQ(ERROR_SUCCESS, RegDeleteKeyA(key, "parent"));
  EXPECT_EQ(kMarker, GetLastError());
  EXPECT_EQ((std::vector<std::string>{}), Enumerate(key));
  RegCloseKey(key);
}

TEST(Registry, EnumeratingPastTheEndLeavesTheBufferAndClosingTwiceFails) {
  RegCloseKey(Create("\\only"));
  HKEY key = Create("");
  char name[16];
  std::fill(name, name + sizeof name, 'x');
  DWORD length = sizeof name;
  SetLastError(kMarker);
  EXPECT_EQ(ERROR_NO_MORE_ITEMS, RegEnumKeyExA(key, 1, name, &length, nullptr, nullptr, nullptr, nullptr));
  EXPECT_EQ('x', name[0]);
  EXPECT_EQ(static_cast<DWORD>(sizeof name), length);
  EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(key));
  EXPECT_EQ(ERROR_INVALID_HANDLE, RegCloseKey(key));
  EXPECT_EQ(kMarker, GetLastError());
}

TEST(Registry, FailedCallsLeaveTheirOutputsAsTheSystemDoes) {
  HKEY const noKey = reinterpret_cast<HKEY>(static_cast<uintptr_t>(0x7ff00));
  HKEY key = kMarkerKey;
  DWORD disposition = kMarker;
  SetLastError(kMarker);
  EXPECT_EQ(ERROR_INVALID_HANDLE, RegCreateKeyExA(noKey, "x", 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                                                  nullptr, &key, &disposition));
  EXPECT_EQ(nullptr, key);
  EXPECT_EQ(kMarker, disposition);
  key = kMarkerKey;
  EXPECT_EQ(ERROR_INVALID_HANDLE, RegOpenKeyExA(noKey, "x", 0, KEY_READ, &key));
  EXPECT_EQ(nullptr, key);
  // The 8-bit calls take a key path of up to 260 characters; a longer one leaves the handle.
  std::string path = kScratchKey + ("\\" + std::string(259 - std::strlen(kScratchKey), 'p'));
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key));
  key = kMarkerKey;
  EXPECT_EQ(ERROR_MORE_DATA, RegOpenKeyExA(HKEY_LOCAL_MACHINE, (path + "p").c_str(), 0, KEY_READ, &key));
  EXPECT_EQ(kMarkerKey, key);
  EXPECT_EQ(kMarker, GetLastError());

  RegCloseKey(Create("\\LongSubkeyName"));
  HKEY reader;
  ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_LOCAL_MACHINE, kScratchKey, 0, KEY_READ, &reader));
  char name[4];
  std::fill(name, name + sizeof name, 'x');
  DWORD length = sizeof name;
  EXPECT_EQ(ERROR_MORE_DATA, RegEnumKeyExA(reader, 0, name, &length, nullptr, nullptr, nullptr, nullptr));
  EXPECT_EQ(static_cast<DWORD>(sizeof name), length);
  EXPECT_EQ('x', name[0]);

  const BYTE three[3] = {1, 2, 3};
  EXPECT_EQ(ERROR_ACCESS_DENIED, RegSetValueExA(reader, "Three", 0, REG_BINARY, three, 3));
  HKEY writer = Create("");
  ASSERT_EQ(ERROR_SUCCESS, RegSetValueExA(writer, "Three", 0, REG_BINARY, three, 3));
  DWORD type = kMarker, size = kMarker;
  EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExA(reader, "Three", nullptr, &type, nullptr, &size));
  EXPECT_EQ(static_cast<DWORD>(REG_BINARY), type);
  EXPECT_EQ(3u, size);
  EXPECT_EQ(kMarker, GetLastError());
  RegCloseKey(writer);
  RegCloseKey(reader);
}

}  // namespace
