// The all-or-nothing store on its own, without a dialog.
#include <gtest/gtest.h>

#include "AppletTestSupport.h"
#include "SettingsStore.h"

namespace {

TEST(SettingsStore, LoadsStoredValuesOrDefaultsAndStoresAllOrTellsWhatFailedAndWhatStayedChanged) {
  InstallThreePorts();
  std::vector<std::string> ports = {"NorvoP2", "NorvoP10"};
  SettingsStore store(ports);
  PortSettings p2 = store.Load(0), p10 = store.Load(1);
  EXPECT_EQ((std::vector<int32_t>{64, 32, 1}), (std::vector<int32_t>{p2.txFifoLevel, p2.rxFifoLevel, p2.rs485Mode}));
  EXPECT_EQ((std::vector<int32_t>{127, 100, 0}), (std::vector<int32_t>{p10.txFifoLevel, p10.rxFifoLevel, p10.rs485Mode}));

  std::vector<PortSettings> edited = {{5, 6, 0}, {7, 8, 1}};
  std::vector<StoredValue> before = Snapshot(ports);
  memory::SetKeyReadOnly(HKEY_LOCAL_MACHINE, std::string(kParameters) + "\\NorvoP10", true);
  EXPECT_FALSE(store.Store(edited));
  EXPECT_EQ(1, store.failedPort);
  EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED), store.failure);
  EXPECT_TRUE(store.portsLeftChanged.empty());
  EXPECT_TRUE(before == Snapshot(ports));

  // The fourth write (NorvoP10's first) fails, and so does putting back the third (NorvoP2's).
  memory::SetKeyReadOnly(HKEY_LOCAL_MACHINE, std::string(kParameters) + "\\NorvoP10", false);
  memory::FailRegistryWrites(3, 2, ERROR_NOT_ENOUGH_MEMORY);
  EXPECT_FALSE(store.Store(edited));
  EXPECT_EQ(1, store.failedPort);
  EXPECT_EQ(static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY), store.failure);
  EXPECT_EQ(std::vector<int>{0}, store.portsLeftChanged);

  EXPECT_TRUE(store.Store(edited));
  EXPECT_TRUE(store.portsLeftChanged.empty());
  EXPECT_EQ(8, store.Load(1).rxFifoLevel);
  EXPECT_EQ(1, store.Load(1).rs485Mode);
}

}  // namespace
