// The fixed names the installer uses: its files, the driver's service key and the captions of
// its message boxes.
#pragma once

// The INF file looked for in the installer's own directory.
inline constexpr char kInfFileName[] = "norvo.inf";
// The applet the Control Panel is opened on after an operation.
inline constexpr char kAppletFileName[] = "norvo.cpl";
// The parent of the driver's service key below HKEY_LOCAL_MACHINE; the driver's name follows.
inline constexpr char kServicesKey[] = "System\\CurrentControlSet\\Services\\";
// The caption of the operation's message boxes.
inline constexpr char kCaption[] = "Windows NT4 Device Installation";
// The caption of the box that says no INF file was found.
inline constexpr char kSetupErrorCaption[] = "Setup Error";
// The caption of the box that says the operation was not fully completed.
inline constexpr char kIncompleteCaption[] = " Windows NT4 Device Installation Error";
