#include "AboutDialog.h"

#include "resource.h"

AboutDialog::AboutDialog(HWND parent) : Dialog(IDD_ABOUTBOX, parent) {}
