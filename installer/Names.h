// The fixed names the installer uses: its files and the driver's service key.
#pragma once

// The INF file looked for in the installer's own directory.
inline constexpr char kInfFileName[] = "norvo.inf";
// The applet the Control Panel is opened on after an operation.
inline constexpr char kAppletFileName[] = "norvo.cpl";
// The parent of the driver's service key below HKEY_LOCAL_MACHINE; the driver's name follows.
inline constexpr char kServicesKey[] = "System\\CurrentControlSet\\Services\\";
