// Resource and control ids of the installer.
#pragma once

#define IDD_WELCOME 101
#define IDD_OPERATION 102
#define IDI_INSTALLER 128

#define IDC_INSTALL_RADIO 1001
#define IDC_UNINSTALL_RADIO 1002
#define IDC_INF_FILE_TEXT 1004
#define IDC_NEXT_BUTTON 1007
#define IDC_STATUS_TEXT 1008

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif
