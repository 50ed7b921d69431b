#include "SettingsStore.h"

#include <algorithm>
#include <utility>

#include "Names.h"
#include "SystemTools.h"

namespace {
const char* const kValueNames[] = {"RS485Mode", "TxFIFO", "RxFIFO"};
const int kValuesPerPort = 3;

// Value n of a port, n indexing kValueNames.
const int32_t* Field(const PortSettings& settings, size_t n) {
  const int32_t* fields[] = {&settings.rs485Mode, &settings.txFifoLevel, &settings.rxFifoLevel};
  return fields[n];
}
}  // namespace

SettingsStore::SettingsStore(std::vector<std::string> names) : keyNames(std::move(names)) {}

std::string SettingsStore::KeyPath(int port) const {
  return std::string(kParametersKey) + "\\" + keyNames[static_cast<size_t>(port)];
}

PortSettings SettingsStore::Load(int port) const {
  SystemTools tools;
  std::string key = KeyPath(port);
  PortSettings settings{};
  if (!tools.ReadRegistryBinary(HKEY_LOCAL_MACHINE, key, "RS485Mode", &settings.rs485Mode, 4))
    settings.rs485Mode = kDefaultRs485Mode;
  if (!tools.ReadRegistryBinary(HKEY_LOCAL_MACHINE, key, "TxFIFO", &settings.txFifoLevel, 4))
    settings.txFifoLevel = kDefaultTxFifoLevel;
  if (!tools.ReadRegistryBinary(HKEY_LOCAL_MACHINE, key, "RxFIFO", &settings.rxFifoLevel, 4))
    settings.rxFifoLevel = kDefaultRxFifoLevel;
  return settings;
}

bool SettingsStore::ChangedSince(const std::vector<PortSettings>& asRead, std::vector<int>& changed) {
  SystemTools tools;
  changed.clear();
  for (int port = 0; port < static_cast<int>(keyNames.size()); ++port) {
    // Each value as Load reads it: up to 4 bytes whatever its type, or the default when it is
    // missing or longer. Unlike Load, a read that fails says why, instead of passing for a
    // change.
    PortSettings now{};
    int32_t* fields[] = {&now.rs485Mode, &now.txFifoLevel, &now.rxFifoLevel};
    const int32_t defaults[] = {kDefaultRs485Mode, kDefaultTxFifoLevel, kDefaultRxFifoLevel};
    for (int n = 0; n < kValuesPerPort; ++n) {
      SavedValue stored;
      if (!tools.SaveRegistryValue(HKEY_LOCAL_MACHINE, KeyPath(port), kValueNames[n], stored))
        return Fail(port, GetLastError());
      if (stored.present && stored.data.size() <= sizeof(int32_t))
        std::copy(stored.data.begin(), stored.data.end(), reinterpret_cast<BYTE*>(fields[n]));
      else
        *fields[n] = defaults[n];
    }
    if (now != asRead[static_cast<size_t>(port)]) changed.push_back(port);
  }
  return true;
}

bool SettingsStore::Fail(int port, DWORD error) {
  failedPort = port;
  failure = error;
  return false;
}

bool SettingsStore::Store(const std::vector<PortSettings>& settings) {
  SystemTools tools;
  int portCount = static_cast<int>(keyNames.size());
  changedPorts.clear();
  std::vector<std::string> keys;
  for (int i = 0; i < portCount; ++i) keys.push_back(KeyPath(i));

  for (int i = 0; i < portCount; ++i)
    if (!tools.CheckRegistryKeyAccess(HKEY_LOCAL_MACHINE, keys[i], KEY_ALL_ACCESS)) return Fail(i, GetLastError());
  std::vector<SavedValue> saved(static_cast<size_t>(portCount) * kValuesPerPort);
  for (size_t n = 0; n < saved.size(); ++n) {
    int port = static_cast<int>(n / kValuesPerPort);
    if (!tools.SaveRegistryValue(HKEY_LOCAL_MACHINE, keys[port], kValueNames[n % kValuesPerPort], saved[n]))
      return Fail(port, GetLastError());
  }

  for (size_t n = 0; n < saved.size(); ++n) {
    int port = static_cast<int>(n / kValuesPerPort);
    if (tools.WriteRegistryBinary(HKEY_LOCAL_MACHINE, keys[port], kValueNames[n % kValuesPerPort],
                                  Field(settings[static_cast<size_t>(port)], n % kValuesPerPort), 4))
      continue;
    DWORD error = GetLastError();
    // Newest first, so that the registry goes back the way it came.
    for (size_t undo = n; undo-- > 0;) {
      int undoPort = static_cast<int>(undo / kValuesPerPort);
      if (!tools.RestoreRegistryValue(HKEY_LOCAL_MACHINE, keys[undoPort], kValueNames[undo % kValuesPerPort], saved[undo]) &&
          (changedPorts.empty() || changedPorts.back() != undoPort))
        changedPorts.push_back(undoPort);
    }
    std::reverse(changedPorts.begin(), changedPorts.end());
    return Fail(port, error);
  }
  return true;
}
