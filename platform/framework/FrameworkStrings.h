// Ids of the texts that the framework loads from each program's string table. Each program's
// resource.h includes this file, and its .rc holds the texts under these ids.
#pragma once

// "Error 0x%1": an error code the system has no text for, %1 its eight hexadecimal digits.
#define IDS_ERROR_CODE 2900

// The installer's message when SetupAPI cannot be loaded from the system folder (WinMain,
// platform/win32), %1 the system's reason, %2 the file; and its caption.
#define IDS_SYSTEM_FILE_NOT_LOADED 2099
#define IDS_SYSTEM_FILE_CAPTION 2199
