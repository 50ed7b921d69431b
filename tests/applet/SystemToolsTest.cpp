// The registry and file-version operations, at their edges.
#include <gtest/gtest.h>

#include <cstring>

#include "AppletTestSupport.h"
#include "PlatformTestSupport.h"
#include "SystemTools.h"

namespace {

const char kPort[] = "SYSTEM\\CurrentControlSet\\Services\\norvo\\Parameters\\NorvoP1";

// A key that cannot be opened (missing, or only readable) leaves the list alone and the reason
// as the last error; an empty key empties it.
TEST(SystemTools, EnumeratingAKeyThatCannotBeOpenedLeavesTheListAndTheReasonAnEmptyKeyEmptiesIt) {
  SystemTools tools;
  std::vector<std::string> names = {"kept"};
  EXPECT_EQ(0, tools.EnumRegistrySubkeys(HKEY_LOCAL_MACHINE, kParameters, names));
  EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), GetLastError());
  EXPECT_EQ((std::vector<std::string>{"kept"}), names);
  CreateKey(kParameters);
  EXPECT_EQ(0, tools.EnumRegistrySubkeys(HKEY_LOCAL_MACHINE, kParameters, names));
  EXPECT_TRUE(names.empty());
  AddPort("NorvoP2", "");
  AddPort("NorvoP1", "");
  memory::SetKeyReadOnly(HKEY_LOCAL_MACHINE, kParameters, true);
  names = {"kept"};
  EXPECT_EQ(0, tools.EnumRegistrySubkeys(HKEY_LOCAL_MACHINE, kParameters, names));
  EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED), GetLastError());
  EXPECT_EQ((std::vector<std::string>{"kept"}), names);
  memory::SetKeyReadOnly(HKEY_LOCAL_MACHINE, kParameters, false);
  EXPECT_EQ(2, tools.EnumRegistrySubkeys(HKEY_LOCAL_MACHINE, kParameters, names));
  EXPECT_EQ(static_cast<DWORD>(ERROR_SUCCESS), GetLastError());
  EXPECT_EQ((std::vector<std::string>{"NorvoP1", "NorvoP2"}), names);
  EXPECT_EQ(0, memory::OpenKeyCount());
}

TEST(SystemTools, AStringOf256BytesWithoutItsNulIsReadTerminatedAndALongerOneFails) {
  SystemTools tools;
  std::string text;
  // Stored as binary data, so that nothing adds the NUL; the stored type is not looked at.
  SetValue(kDeviceMap, "Exact", REG_BINARY, std::vector<BYTE>(256, 'A'));
  EXPECT_EQ(1, tools.ReadRegistryString(HKEY_LOCAL_MACHINE, kDeviceMap, "Exact", text));
  EXPECT_EQ(std::string(256, 'A'), text);
  SetValue(kDeviceMap, "Long", REG_SZ, std::vector<BYTE>(256, 'B'));  // 257 bytes with its NUL
  EXPECT_EQ(0, tools.ReadRegistryString(HKEY_LOCAL_MACHINE, kDeviceMap, "Long", text));
  SetString(kDeviceMap, "Short", "COM3");
  EXPECT_EQ(1, tools.ReadRegistryString(HKEY_LOCAL_MACHINE, kDeviceMap, "Short", text));
  EXPECT_EQ("COM3", text);
  EXPECT_EQ(0, tools.ReadRegistryString(HKEY_LOCAL_MACHINE, kDeviceMap, "Missing", text));
  EXPECT_EQ(0, memory::OpenKeyCount());
}

TEST(SystemTools, BinaryReadsZeroTheRestOfAShortValueAndLeaveTheBufferAloneOnFailure) {
  SystemTools tools;
  SetValue(kPort, "Two", REG_BINARY, {0x34, 0x12});
  SetValue(kPort, "Eight", REG_BINARY, std::vector<BYTE>(8, 1));
  int32_t field = -1;
  EXPECT_EQ(1, tools.ReadRegistryBinary(HKEY_LOCAL_MACHINE, kPort, "Two", &field, 4));
  EXPECT_EQ(0x1234, field);
  field = 77;
  EXPECT_EQ(0, tools.ReadRegistryBinary(HKEY_LOCAL_MACHINE, kPort, "Eight", &field, 4));
  EXPECT_EQ(77, field);
  EXPECT_EQ(0, tools.ReadRegistryBinary(HKEY_LOCAL_MACHINE, "SYSTEM\\Nowhere", "Two", &field, 4));
}

TEST(SystemTools, WritesCreateTheKeyAndStoreFourBinaryBytesUnlessTheKeyIsReadOnly) {
  SystemTools tools;
  int32_t value = 0x01020304;
  EXPECT_EQ(1, tools.WriteRegistryBinary(HKEY_LOCAL_MACHINE, kPort, "TxFIFO", &value, 4));
  StoredValue stored = ReadValue(kPort, "TxFIFO");
  EXPECT_EQ(static_cast<DWORD>(REG_BINARY), stored.type);
  EXPECT_EQ((std::vector<BYTE>{4, 3, 2, 1}), stored.data);
  memory::SetKeyReadOnly(HKEY_LOCAL_MACHINE, kPort, true);
  EXPECT_EQ(0, tools.WriteRegistryBinary(HKEY_LOCAL_MACHINE, kPort, "RxFIFO", &value, 4));
  EXPECT_EQ(0, memory::OpenKeyCount());
}

TEST(SystemTools, KeyAccessIsCheckedWithoutCreatingOrChangingAnything) {
  SystemTools tools;
  SetLastError(0);
  EXPECT_EQ(0, tools.CheckRegistryKeyAccess(HKEY_LOCAL_MACHINE, kPort, KEY_ALL_ACCESS));
  EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), GetLastError());
  EXPECT_FALSE(ReadValue(kParameters, "x").present);
  HKEY key;
  EXPECT_NE(ERROR_SUCCESS, RegOpenKeyExA(HKEY_LOCAL_MACHINE, kPort, 0, KEY_QUERY_VALUE, &key));  // not created
  CreateKey(kPort);
  EXPECT_EQ(1, tools.CheckRegistryKeyAccess(HKEY_LOCAL_MACHINE, kPort, KEY_ALL_ACCESS));
  memory::SetKeyReadOnly(HKEY_LOCAL_MACHINE, kPort, true);
  EXPECT_EQ(1, tools.CheckRegistryKeyAccess(HKEY_LOCAL_MACHINE, kPort, KEY_QUERY_VALUE));
  EXPECT_EQ(0, tools.CheckRegistryKeyAccess(HKEY_LOCAL_MACHINE, kPort, KEY_SET_VALUE | KEY_QUERY_VALUE));
  EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED), GetLastError());
  EXPECT_TRUE(memory::RegistryWrites().size() == 0);
  EXPECT_EQ(0, memory::OpenKeyCount());
}

TEST(SystemTools, AValueSnapshotIsPutBackWithItsTypeAndBytesOrDeletedWhenItWasAbsent) {
  SystemTools tools;
  std::vector<BYTE> big(65536);
  for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<BYTE>(i * 7);
  SetValue(kPort, "Big", REG_MULTI_SZ, big);
  SetValue(kPort, "Empty", REG_DWORD, {});
  StoredValue original = ReadValue(kPort, "Big");
  ValueSnapshot savedBig, savedEmpty, savedMissing;
  savedMissing.present = true;
  ASSERT_EQ(1, tools.SnapshotRegistryValue(HKEY_LOCAL_MACHINE, kPort, "Big", savedBig));
  ASSERT_EQ(1, tools.SnapshotRegistryValue(HKEY_LOCAL_MACHINE, kPort, "Empty", savedEmpty));
  ASSERT_EQ(1, tools.SnapshotRegistryValue(HKEY_LOCAL_MACHINE, kPort, "Missing", savedMissing));
  EXPECT_FALSE(savedMissing.present);
  EXPECT_TRUE(savedEmpty.present);
  EXPECT_EQ(static_cast<DWORD>(REG_DWORD), savedEmpty.type);

  int32_t level = 5;
  for (const char* name : {"Big", "Empty", "Missing"}) tools.WriteRegistryBinary(HKEY_LOCAL_MACHINE, kPort, name, &level, 4);
  EXPECT_EQ(1, tools.RestoreRegistryValue(HKEY_LOCAL_MACHINE, kPort, "Big", savedBig));
  EXPECT_EQ(1, tools.RestoreRegistryValue(HKEY_LOCAL_MACHINE, kPort, "Empty", savedEmpty));
  EXPECT_EQ(1, tools.RestoreRegistryValue(HKEY_LOCAL_MACHINE, kPort, "Missing", savedMissing));
  EXPECT_EQ(1, tools.RestoreRegistryValue(HKEY_LOCAL_MACHINE, kPort, "Missing", savedMissing));  // gone already
  StoredValue restored = ReadValue(kPort, "Big");
  EXPECT_EQ(static_cast<DWORD>(REG_MULTI_SZ), restored.type);
  EXPECT_TRUE(original == restored);
  EXPECT_TRUE(ReadValue(kPort, "Empty").present);
  EXPECT_TRUE(ReadValue(kPort, "Empty").data.empty());
  EXPECT_FALSE(ReadValue(kPort, "Missing").present);

  memory::SetKeyReadOnly(HKEY_LOCAL_MACHINE, kPort, true);
  EXPECT_EQ(0, tools.RestoreRegistryValue(HKEY_LOCAL_MACHINE, kPort, "Big", savedBig));
  EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED), GetLastError());
  EXPECT_EQ(0, tools.SnapshotRegistryValue(HKEY_LOCAL_MACHINE, "SYSTEM\\Nowhere", "Big", savedBig));
  EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), GetLastError());
  EXPECT_EQ(0, memory::OpenKeyCount());
}

TEST(SystemTools, FileVersionIsCutTo31CharactersAndMissingWithoutTheUsEnglishBlock) {
  SystemTools tools;
  std::string path = "C:\\drivers\\long.sys";
  memory::PutFile(path, memory::BuildVersionInfo({{"040904B0", {{"FileVersion", std::string(40, '7')}}}}));
  const char* text = tools.GetFileVersionString(path);
  ASSERT_NE(nullptr, text);
  EXPECT_EQ(std::string(31, '7'), text);

  memory::PutFile(path, memory::BuildVersionInfo({{"040904B0", {{"FileVersion", std::string(31, '8')}}}}));
  EXPECT_EQ(std::string(31, '8'), tools.GetFileVersionString(path));
  memory::PutFile(path, memory::BuildVersionInfo({{"040904B0", {{"FileVersion", ""}}}}));
  text = tools.GetFileVersionString(path);
  ASSERT_NE(nullptr, text);  // present, if empty
  EXPECT_EQ("", std::string(text));

  memory::PutFile(path, memory::BuildVersionInfo({{"040704B0", {{"FileVersion", "1.0"}}}, {"041104B0", {{"FileVersion", "1.0"}}}}));
  EXPECT_EQ(nullptr, tools.GetFileVersionString(path));
  memory::PutFile(path, memory::BuildVersionInfo({{"040904B0", {{"ProductVersion", "1.0"}}}}));
  EXPECT_EQ(nullptr, tools.GetFileVersionString(path));
  EXPECT_EQ(nullptr, tools.GetFileVersionString("C:\\missing.sys"));
  EXPECT_EQ(0, memory::LiveGlobalBlocks());
}

// Only what the system gave is read, though the memory still holds the bytes of the read before:
// no text beyond the length VerQueryValueA gives, no block when GetFileVersionInfoA fails.
TEST(SystemTools, FileVersionIsOnlyWhatTheSystemGave) {
  SystemTools tools;
  std::string path = "C:\\drivers\\norvo.sys";
  std::vector<BYTE> block = memory::BuildVersionInfo({{"040904B0", {{"FileVersion", "1.2.3.4"}}}});
  memory::PutFile(path, block);
  EXPECT_STREQ("1.2.3.4", tools.GetFileVersionString(path));
  SetVersionValueLength(block, "FileVersion", 3);
  memory::PutFile(path, block);
  EXPECT_STREQ("1.2", tools.GetFileVersionString(path));
  memory::FailVersionRead(path, ERROR_SHARING_VIOLATION);
  EXPECT_EQ(nullptr, tools.GetFileVersionString(path));
}

}  // namespace
