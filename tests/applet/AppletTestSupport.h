// Lays out the in-memory machine as the driver's installation leaves it, and reads back what
// the applet stored.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "machine.h"
#include "resource.h"

extern const char* const kParameters;  // "SYSTEM\CurrentControlSet\Services\norvo\Parameters"
extern const char* const kDeviceMap;   // "HARDWARE\DEVICEMAP\SerialComm"

// The driver image with a FileVersion in its U.S. English block.
void InstallDriverImage(const std::string& version = "2.1.0.7");
std::string DriverImagePath();

void SetValue(const std::string& path, const std::string& name, DWORD type, const std::vector<BYTE>& data);
void SetString(const std::string& path, const std::string& name, const std::string& text);
void SetLevel(const std::string& port, const std::string& name, int32_t value, DWORD type = REG_BINARY);
void CreateKey(const std::string& path);
// A port key under Parameters and, when device is not empty, its entry in the device map.
void AddPort(const std::string& keyName, const std::string& device);

struct StoredValue {
  bool present;
  DWORD type;
  std::vector<BYTE> data;
  int32_t AsInt() const;
};
StoredValue ReadValue(const std::string& path, const std::string& name);
// Every port value of the given keys, for before-and-after comparisons.
std::vector<StoredValue> Snapshot(const std::vector<std::string>& ports);
bool operator==(const StoredValue& a, const StoredValue& b);

// The usual installation: driver image, three published ports with stored levels.
void InstallThreePorts();


// Opens the applet as the Control Panel does on a double-click.
LONG DoubleClick();
