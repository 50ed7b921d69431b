// The installer's helpers for its operation: single service requests and the report of a failed
// step.
#pragma once

#include <string>

#include "winapi.h"

// One start request for a service, without waiting; after false the last error tells why.
BOOL StartServiceByName(const std::string& name);
// One stop request, without waiting.
BOOL StopServiceByName(const std::string& name);
// What the user reads for an error code: for a missing or malformed part of the INF file a
// plain text of our own with the code, otherwise the system's text, or the code alone when the
// system has none.
std::string ErrorText(DWORD code);
// The thread's last error in a message box, as ErrorText gives it; nothing for ERROR_CANCELLED.
void ReportLastError(HWND owner);
