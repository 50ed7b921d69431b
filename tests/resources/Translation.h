// A translation of a program's resources held to its U.S. English original, in the host tests
// of both programs.
#pragma once

#include "machine.h"

// The module has the same dialogs and string ids in the language as in U.S. English: each
// dialog with the same styles, font, and controls in the same order (the tab order) with the
// same ids, classes and styles, where positions and sizes may differ; each string with the same
// inserts (%1 to %9). In every dialog of either language each accelerator ("&") marks one
// control only.
void ExpectTranslationOfEnglish(HINSTANCE module, LANGID language);
