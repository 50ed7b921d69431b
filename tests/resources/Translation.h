// A program's compiled dialog templates held to their tables, and a translation of its resources
// held to its U.S. English original, in the host tests of both programs.
#pragma once

#include <vector>

#include "machine.h"

// A dialog template as its table gives it: the dialog's style, extended style, size and caption
// (font "MS Sans Serif" 8), then each control in template order, with the style bits it must
// have (besides WS_CHILD and WS_VISIBLE) and, for an icon, its resource number in place of a
// text.
struct ExpectedControl {
  int id;
  const char* cls;
  const char* text;
  short x, y, cx, cy;
  DWORD style, exStyle;
  WORD icon;
};
struct ExpectedDialog {
  UINT id;
  DWORD style, exStyle;
  short cx, cy;
  const char* caption;
  std::vector<ExpectedControl> controls;
};
// Checks the module's U.S. English template against the table; window classes are matched
// without regard to case.
void ExpectTemplate(HINSTANCE module, const ExpectedDialog& expected);

// The module has the same dialogs and string ids in the language as in U.S. English: each
// dialog with the same styles, font, and controls in the same order (the tab order) with the
// same ids, classes and styles, where positions and sizes may differ; each string with the same
// inserts (%1 to %9). In every dialog of either language each accelerator ("&") marks one
// control only.
void ExpectTranslationOfEnglish(HINSTANCE module, LANGID language);
