// Ids of the texts that the framework loads from each program's string table. Each program's
// resource.h includes this file, and its .rc holds the texts under these ids.
#pragma once

// "Error 0x%1": an error code the system has no text for, %1 its eight hexadecimal digits.
#define IDS_ERROR_CODE 2900
