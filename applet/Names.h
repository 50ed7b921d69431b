// The fixed names the applet uses: the driver's registry keys, service and files.
#pragma once

// The driver's configuration key below HKEY_LOCAL_MACHINE: one subkey per port.
inline constexpr char kParametersKey[] = "SYSTEM\\CurrentControlSet\\Services\\norvo\\Parameters";
// The driver's service, stopped and started to apply the settings.
inline constexpr char kServiceName[] = "norvo";
// The key below HKEY_LOCAL_MACHINE where the running driver publishes each port's device name.
inline constexpr char kSerialDeviceMap[] = "HARDWARE\\DEVICEMAP\\SerialComm";
// The driver's image, relative to the system directory.
inline constexpr char kDriverImage[] = "\\DRIVERS\\norvo.SYS";
