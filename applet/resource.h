// Resource and control ids of the applet.
#pragma once

#include "FrameworkStrings.h"

#define IDS_ABOUTBOX 101
#define IDD_ABOUTBOX 100
#define IDD_PORT_CONFIG 131
#define IDD_PORTS_IN_USE 143
#define IDI_APPLET 129

#define IDM_ABOUTBOX 0x0010

#define IDC_RS485_CHECK 1047
#define IDC_CANCEL_BUTTON 1048
#define IDC_PORT_COMBO 1049
#define IDC_DRIVER_VERSION 1050
#define IDC_RX_SLIDER 1057
#define IDC_TX_SLIDER 1058
#define IDC_DEFAULT_BUTTON 1060
#define IDC_RX_LABEL 1067
#define IDC_RX_LOW_TEXT 1068
#define IDC_RX_HIGH_TEXT 1069
#define IDC_TX_LABEL 1070
#define IDC_TX_LOW_TEXT 1071
#define IDC_TX_HIGH_TEXT 1072
#define IDC_RX_LEVEL_TEXT 1073
#define IDC_TX_LEVEL_TEXT 1074
#define IDC_PORT_LABEL 1075
#define IDC_RESTART_WINDOWS 1076

// Texts of the string table, apart from the ids above; %1 to %9 mark where inserts go.
// 2000 to 2099: the whole text of a message box.
#define IDS_NO_DRIVER 2000
#define IDS_NO_RIGHTS 2001
#define IDS_NO_PORT 2002
#define IDS_INVALID_PREFIX 2003
#define IDS_NOT_APPLIED 2004
#define IDS_NOT_RESTARTED 2005
#define IDS_NOT_STORED 2006
#define IDS_PARTLY_STORED 2007
#define IDS_CHANGED_ELSEWHERE 2008
#define IDS_KEY_GONE 2009
#define IDS_STILL_STARTING 2010
#define IDS_STILL_STOPPING 2011
#define IDS_PREFIX_TOO_LONG 2012
// 2100 to 2199: the caption of a message box.
#define IDS_CAPTION 2100
// 2200 on: the other texts the applet shows, and the parts of texts.
#define IDS_LEVEL_LOW 2200
#define IDS_LEVEL_HIGH 2201
#define IDS_PORT_SEPARATOR 2202
#define IDS_APPLET_NAME 2203
#define IDS_APPLET_INFO 2204
#define IDS_RAW_APPLET_NAME 2205
#define IDS_RAW_APPLET_INFO 2206

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif
