// The in-memory machine as a user finds it before running the installer from the folder that
// holds the driver package.
#pragma once

#include <string>

#include "machine.h"

extern const char* const kPackageDir;  // "C:\Norvo Setup\" (with the trailing backslash)
extern const char* const kPageCaption;
extern const char* const kServiceKey;  // "System\CurrentControlSet\Services\norvo"

// The package's norvo.inf (from the repository) and its files beside norvoinst.exe.
std::string PackageInf();
void LayOutPackage(const std::string& infName = "norvo.inf", const std::string& infText = PackageInf());
std::string DriverImage();  // where the INF puts norvo.sys
std::string AppletFile();   // where it puts norvo.cpl

// Runs the installer to its end.
BOOL RunInstaller();

// The usual page scripts.
void ClickNextOnWelcome();
bool KeyExists(const std::string& path);
std::string StringValue(const std::string& path, const std::string& name);
// What the next start of the system deletes or replaces: the Session Manager's list, whole.
extern const char* const kSessionManager;
std::string PendingRenames();
