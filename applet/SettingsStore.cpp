#include "SettingsStore.h"

#include <algorithm>
#include <utility>

#include "Names.h"
#include "SystemTools.h"

namespace {
const size_t kValuesPerPort = sizeof kPortValues / sizeof kPortValues[0];
}  // namespace

SettingsStore::SettingsStore(std::vector<std::string> names) : keyNames(std::move(names)) {}

std::string SettingsStore::KeyPath(int port) const {
  return std::string(kParametersKey) + "\\" + keyNames[static_cast<size_t>(port)];
}

PortSettings SettingsStore::Load(int port) const {
  SystemTools tools;
  std::string key = KeyPath(port);
  PortSettings settings{};
  for (const PortValue& value : kPortValues)
    if (!tools.ReadRegistryBinary(HKEY_LOCAL_MACHINE, key, value.name, &(settings.*value.field), 4))
      settings.*value.field = value.defaultValue;
  return settings;
}

bool SettingsStore::ChangedSince(const std::vector<PortSettings>& asRead, std::vector<int>& changedElsewhere) {
  SystemTools tools;
  changedElsewhere.clear();
  for (int port = 0; port < static_cast<int>(keyNames.size()); ++port) {
    // Each value as Load reads it: up to 4 bytes whatever its type, or the default when it is
    // missing or longer. It is taken whole, so that a read that fails says why instead of
    // passing for a change.
    PortSettings now{};
    for (const PortValue& value : kPortValues) {
      ValueSnapshot stored;
      if (!tools.SnapshotRegistryValue(HKEY_LOCAL_MACHINE, KeyPath(port), value.name, stored))
        return Fail(port, GetLastError());
      if (stored.present && stored.data.size() <= sizeof(int32_t))
        std::copy(stored.data.begin(), stored.data.end(), reinterpret_cast<BYTE*>(&(now.*value.field)));
      else
        now.*value.field = value.defaultValue;
    }
    if (now != asRead[static_cast<size_t>(port)]) changedElsewhere.push_back(port);
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
  portsLeftChanged.clear();
  std::vector<std::string> keys;
  for (int i = 0; i < portCount; ++i) keys.push_back(KeyPath(i));

  for (int i = 0; i < portCount; ++i)
    if (!tools.CheckRegistryKeyAccess(HKEY_LOCAL_MACHINE, keys[i], KEY_ALL_ACCESS)) return Fail(i, GetLastError());
  // Value n is value n % kValuesPerPort of port n / kValuesPerPort.
  std::vector<ValueSnapshot> before(static_cast<size_t>(portCount) * kValuesPerPort);
  for (size_t n = 0; n < before.size(); ++n) {
    int port = static_cast<int>(n / kValuesPerPort);
    if (!tools.SnapshotRegistryValue(HKEY_LOCAL_MACHINE, keys[port], kPortValues[n % kValuesPerPort].name, before[n]))
      return Fail(port, GetLastError());
  }

  for (size_t n = 0; n < before.size(); ++n) {
    int port = static_cast<int>(n / kValuesPerPort);
    const PortValue& value = kPortValues[n % kValuesPerPort];
    if (tools.WriteRegistryBinary(HKEY_LOCAL_MACHINE, keys[port], value.name,
                                  &(settings[static_cast<size_t>(port)].*value.field), 4))
      continue;
    DWORD error = GetLastError();
    // Newest first, so that the registry goes back the way it came.
    for (size_t undo = n; undo-- > 0;) {
      int undoPort = static_cast<int>(undo / kValuesPerPort);
      if (!tools.RestoreRegistryValue(HKEY_LOCAL_MACHINE, keys[undoPort], kPortValues[undo % kValuesPerPort].name,
                                      before[undo]) &&
          (portsLeftChanged.empty() || portsLeftChanged.back() != undoPort))
        portsLeftChanged.push_back(undoPort);
    }
    std::reverse(portsLeftChanged.begin(), portsLeftChanged.end());
    return Fail(port, error);
  }
  return true;
}
