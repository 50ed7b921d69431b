#include "AppletTestSupport.h"

#include <cstring>

#include "ControlPanelApplet.h"

const char* const kParameters = "SYSTEM\\CurrentControlSet\\Services\\norvo\\Parameters";
const char* const kDeviceMap = "HARDWARE\\DEVICEMAP\\SerialComm";

std::string DriverImagePath() { return std::string(memory::kSystemDirectory) + "\\drivers\\NORVO.sys"; }

void InstallDriverImage(const std::string& version) {
  memory::PutFile(DriverImagePath(), memory::BuildVersionInfo({{"040904B0", {{"FileVersion", version}}}}));
}

void CreateKey(const std::string& path) {
  HKEY key;
  RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
  RegCloseKey(key);
}

void SetValue(const std::string& path, const std::string& name, DWORD type, const std::vector<BYTE>& data) {
  HKEY key;
  RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
  RegSetValueExA(key, name.c_str(), 0, type, data.data(), static_cast<DWORD>(data.size()));
  RegCloseKey(key);
}

void SetString(const std::string& path, const std::string& name, const std::string& text) {
  std::vector<BYTE> data(text.begin(), text.end());
  data.push_back(0);
  SetValue(path, name, REG_SZ, data);
}

void SetLevel(const std::string& port, const std::string& name, int32_t value, DWORD type) {
  std::vector<BYTE> data(4);
  std::memcpy(data.data(), &value, 4);
  SetValue(std::string(kParameters) + "\\" + port, name, type, data);
}

// Below the opened Parameters key, so that the path may be longer than the 8-bit calls take.
void AddPort(const std::string& keyName, const std::string& device) {
  HKEY parameters, key;
  RegCreateKeyExA(HKEY_LOCAL_MACHINE, kParameters, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &parameters, nullptr);
  RegCreateKeyExA(parameters, keyName.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
  RegCloseKey(key);
  RegCloseKey(parameters);
  if (!device.empty()) SetString(kDeviceMap, keyName, device);
}

int32_t StoredValue::AsInt() const {
  int32_t value = 0;
  if (!data.empty()) std::memcpy(&value, data.data(), std::min<size_t>(4, data.size()));
  return value;
}

bool operator==(const StoredValue& a, const StoredValue& b) {
  return a.present == b.present && a.type == b.type && a.data == b.data;
}

StoredValue ReadValue(const std::string& path, const std::string& name) {
  StoredValue value{false, 0, {}};
  HKEY key;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return value;
  DWORD size = 0;
  if (RegQueryValueExA(key, name.c_str(), nullptr, &value.type, nullptr, &size) == ERROR_SUCCESS) {
    value.data.resize(size);
    RegQueryValueExA(key, name.c_str(), nullptr, &value.type, value.data.data(), &size);
    value.present = true;
  }
  RegCloseKey(key);
  return value;
}

std::vector<StoredValue> Snapshot(const std::vector<std::string>& ports) {
  std::vector<StoredValue> values;
  for (const std::string& port : ports)
    for (const char* name : {"RS485Mode", "TxFIFO", "RxFIFO"})
      values.push_back(ReadValue(std::string(kParameters) + "\\" + port, name));
  return values;
}

void InstallThreePorts() {
  InstallDriverImage();
  SetString(kParameters, "PortNamePrefix", "COM");
  AddPort("NorvoP10", "COM10");
  AddPort("NorvoP2", "COM2");
  AddPort("NorvoP9", "COM9");
  SetLevel("NorvoP2", "TxFIFO", 64);
  SetLevel("NorvoP2", "RxFIFO", 32);
  SetLevel("NorvoP2", "RS485Mode", 1);
  SetLevel("NorvoP9", "TxFIFO", 16);
  SetLevel("NorvoP9", "RxFIFO", 8);
  SetLevel("NorvoP9", "RS485Mode", 0);
}

LONG DoubleClick() { return CPlApplet(nullptr, CPL_DBLCLK, 0, 0); }
