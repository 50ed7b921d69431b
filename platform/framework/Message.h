// Texts from the string table of the current module, and the message boxes that show them.
// A text marks the places of its inserts with %1 to %9; each insert is put in as it is (a % in
// it stays), and a filled text may be of any length.
#pragma once

#include <initializer_list>
#include <string>

#include "winapi.h"

// The string table entry with its inserts put in; empty when the module has no such entry.
std::string LoadText(UINT id, std::initializer_list<const char*> inserts = {});

// A message box with text and caption from the string table; returns the button chosen.
int ShowMessage(HWND owner, UINT textId, UINT captionId, UINT type, std::initializer_list<const char*> inserts = {});

// The system's text for an error code as it comes, without the CR LF it usually ends in, with
// any %1-style inserts of its own left as they stand. For a code the system has no text for (a
// driver's own status, say) the code itself (IDS_ERROR_CODE), so that a reason is never blank.
std::string SystemText(DWORD code);

// A code as eight upper-case hexadecimal digits.
std::string HexCode(DWORD code);
