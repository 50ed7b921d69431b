// The registry and file-version operations, at their edges.
#include <gtest/gtest.h>

#include <cstring>

#include "AppletTestSupport.h"
#include "SystemTools.h"

namespace {

const char kPort[] = "SYSTEM\\CurrentControlSet\\Services\\norvo\\Parameters\\NorvoP1";

TEST(SystemTools, EnumeratingAMissingKeyLeavesTheListAloneAnEmptyKeyEmptiesIt) {
  SystemTools tools;
  std::vector<std::string> names = {"kept"};
  EXPECT_EQ(0, tools.EnumRegistrySubkeys(HKEY_LOCAL_MACHINE, kParameters, names));
  EXPECT_EQ((std::vector<std::string>{"kept"}), names);
  CreateKey(kParameters);
  EXPECT_EQ(0, tools.EnumRegistrySubkeys(HKEY_LOCAL_MACHINE, kParameters, names));
  EXPECT_TRUE(names.empty());
  AddPort("NorvoP2", "");
  AddPort("NorvoP1", "");
  EXPECT_EQ(2, tools.EnumRegistrySubkeys(HKEY_LOCAL_MACHINE, kParameters, names));
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

TEST(SystemTools, FileVersionIsCutTo31CharactersAndMissingWithoutTheUsEnglishBlock) {
  SystemTools tools;
  std::string path = "C:\\drivers\\long.sys";
  memory::PutFile(path, memory::BuildVersionInfo({{"040904B0", {{"FileVersion", std::string(40, '7')}}}}));
  const char* text = tools.GetFileVersionString(path);
  ASSERT_NE(nullptr, text);
  EXPECT_EQ(std::string(31, '7'), text);

  memory::PutFile(path, memory::BuildVersionInfo({{"040704B0", {{"FileVersion", "1.0"}}}, {"041104B0", {{"FileVersion", "1.0"}}}}));
  EXPECT_EQ(nullptr, tools.GetFileVersionString(path));
  memory::PutFile(path, memory::BuildVersionInfo({{"040904B0", {{"ProductVersion", "1.0"}}}}));
  EXPECT_EQ(nullptr, tools.GetFileVersionString(path));
  EXPECT_EQ(nullptr, tools.GetFileVersionString("C:\\missing.sys"));
  EXPECT_EQ(0, memory::LiveGlobalBlocks());
}

}  // namespace
