// Resource and control ids of the installer.
#pragma once

#include "FrameworkStrings.h"

#define IDD_WELCOME 101
#define IDD_OPERATION 102
#define IDI_INSTALLER 128

#define IDC_INSTALL_RADIO 1001
#define IDC_UNINSTALL_RADIO 1002
#define IDC_INF_FILE_TEXT 1004
#define IDC_NEXT_BUTTON 1007
#define IDC_STATUS_TEXT 1008

// Texts of the string table, apart from the ids above; %1 to %9 mark where inserts go.
// 2000 to 2099: the whole text of a message box.
#define IDS_NO_INF 2000
#define IDS_INCOMPLETE 2001
#define IDS_INVALID_INF 2002
#define IDS_CANT_OPEN_KEY 2003
#define IDS_NOT_STARTED 2004
#define IDS_SYSTEM_REASON 2005
#define IDS_INCOMPLETE_RUNNING_AGAIN 2006
#define IDS_INCOMPLETE_STILL_RUNNING 2007
#define IDS_INCOMPLETE_NOT_RESTARTED 2008
#define IDS_INCOMPLETE_FILE_STAYS 2009
#define IDS_INF_NO_SECTION_NAME 2010
#define IDS_INF_BAD_SECTION_NAME 2011
#define IDS_INF_LONG_SECTION_NAME 2012
#define IDS_INF_SYNTAX 2013
#define IDS_INF_WRONG_STYLE 2014
#define IDS_INF_NO_SECTION 2015
#define IDS_INF_NO_LINE 2016
#define IDS_INF_BAD_SERVICE_SECTION 2017
#define IDS_COPY_BESIDE_FAILED 2018
// 2100 to 2199: the caption of a message box.
#define IDS_CAPTION 2100
#define IDS_SETUP_ERROR_CAPTION 2101
#define IDS_INCOMPLETE_CAPTION 2102
// 2200 on: the other texts the installer shows.
#define IDS_INF_FILE 2200
#define IDS_EXIT 2201
#define IDS_DONE_STARTED 2202
#define IDS_DONE 2203
#define IDS_DONE_RUNS_ON 2204
#define IDS_DONE_REPLACED_AT_RESTART 2205
#define IDS_DONE_REMOVED_AT_RESTART 2206
#define IDS_DONE_RUNS_ON_FILES_STAY 2207

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif
