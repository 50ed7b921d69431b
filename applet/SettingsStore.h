// The settings of the listed ports in their registry keys, each port's key a subkey of the
// driver's Parameters key: read one port's, or store every port's, all or none.
#pragma once

#include <string>
#include <vector>

#include "PortSettings.h"
#include "winapi.h"

class SettingsStore {
 public:
  // The ports' key names, as enumerated; port i of each call is keyNames[i].
  explicit SettingsStore(std::vector<std::string> keyNames);

  // A port's settings as stored; each value that cannot be read is the driver's default.
  PortSettings Load(int port) const;

  // Fills changedElsewhere with the ports whose stored settings now differ from the given ones
  // (another program may have stored settings since they were read). false when a value cannot
  // be read: failedPort and failure then say which port and why, as after a failed Store.
  bool ChangedSince(const std::vector<PortSettings>& asRead, std::vector<int>& changedElsewhere);

  // Every port's three values, changed or not, all or none: each port's key must take writes
  // before the first value is written, the values as they are now are kept, and when a write
  // still fails, what was already written is put back. false when the settings are not stored;
  // the members below then say why.
  bool Store(const std::vector<PortSettings>& settings);

  // After a failed Store: the port whose key or value failed, the registry's reason, and the
  // ports this Store changed and could not put back, in list order (empty when all went back).
  int failedPort = 0;
  DWORD failure = ERROR_SUCCESS;
  std::vector<int> portsLeftChanged;

 private:
  std::string KeyPath(int port) const;
  bool Fail(int port, DWORD error);

  std::vector<std::string> keyNames;
};
