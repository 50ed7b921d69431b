// SetupAPI's part of the in-memory Win32 subset: INF files, file queues and their callbacks, and
// the restart prompt. Part of winapi.h, which includes it; include winapi.h instead.
#pragma once

// ---- SetupAPI ------------------------------------------------------------------------------
typedef PVOID HINF;
typedef PVOID HSPFILEQ;
typedef UINT(CALLBACK* PSP_FILE_CALLBACK_A)(PVOID context, UINT notification, UINT_PTR param1, UINT_PTR param2);
#define INF_STYLE_OLDNT 0x00000001
#define INF_STYLE_WIN4 0x00000002
#define SPINST_INIFILES 0x00000002
#define SPINST_REGISTRY 0x00000004
#define SPINST_INI2REG 0x00000008
#define SPINST_FILES 0x00000010
#define SP_COPY_NOSKIP 0x0000400
#define SPFILENOTIFY_STARTQUEUE 0x00000001
#define SPFILENOTIFY_ENDQUEUE 0x00000002
#define SPFILENOTIFY_STARTSUBQUEUE 0x00000003
#define SPFILENOTIFY_ENDSUBQUEUE 0x00000004
#define SPFILENOTIFY_STARTDELETE 0x00000005
#define SPFILENOTIFY_ENDDELETE 0x00000006
#define SPFILENOTIFY_DELETEERROR 0x00000007
#define SPFILENOTIFY_STARTRENAME 0x00000008
#define SPFILENOTIFY_ENDRENAME 0x00000009
#define SPFILENOTIFY_RENAMEERROR 0x0000000a
#define SPFILENOTIFY_STARTCOPY 0x0000000b
#define SPFILENOTIFY_ENDCOPY 0x0000000c
#define SPFILENOTIFY_COPYERROR 0x0000000d
#define SPFILENOTIFY_NEEDMEDIA 0x0000000e
#define SPFILENOTIFY_FILEOPDELAYED 0x00000014
#define FILEOP_COPY 0
#define FILEOP_RENAME 1
#define FILEOP_DELETE 2
#define FILEOP_ABORT 0
#define FILEOP_DOIT 1
#define FILEOP_SKIP 2
#define FILEOP_RETRY FILEOP_DOIT
#define FILEOP_NEWPATH 4
#define ERROR_EXPECTED_SECTION_NAME 0xE0000000L
#define ERROR_BAD_SECTION_NAME_LINE 0xE0000001L
#define ERROR_SECTION_NAME_TOO_LONG 0xE0000002L
#define ERROR_GENERAL_SYNTAX 0xE0000003L
#define ERROR_WRONG_INF_STYLE 0xE0000100L
#define ERROR_SECTION_NOT_FOUND 0xE0000101L
#define ERROR_LINE_NOT_FOUND 0xE0000102L
#define ERROR_BAD_SERVICE_INSTALLSECT 0xE0000217L
#define ERROR_FILE_INVALID 1006L
#define SPFILEQ_REBOOT_RECOMMENDED 0x00000002
#define SPFILEQ_REBOOT_IN_PROGRESS 0x00000004
struct FILEPATHS_A {
  PCSTR Target;
  PCSTR Source;
  UINT Win32Error;
  DWORD Flags;
};
typedef FILEPATHS_A* PFILEPATHS_A;
struct SOURCE_MEDIA_A {
  PCSTR Reserved;
  PCSTR Tagfile;
  PCSTR Description;
  PCSTR SourcePath;
  PCSTR SourceFile;
  DWORD Flags;
};
typedef SOURCE_MEDIA_A* PSOURCE_MEDIA_A;
struct SP_DEVINFO_DATA;
typedef void* HDEVINFO;
struct INFCONTEXT {
  PVOID Inf;
  PVOID CurrentInf;
  UINT Section;
  UINT Line;
};
typedef INFCONTEXT* PINFCONTEXT;
HINF WINAPI SetupOpenInfFileA(PCSTR fileName, PCSTR infClass, DWORD infStyle, PUINT errorLine);
BOOL WINAPI SetupFindFirstLineA(HINF inf, PCSTR section, PCSTR key, PINFCONTEXT context);
BOOL WINAPI SetupFindNextLine(PINFCONTEXT contextIn, PINFCONTEXT contextOut);
DWORD WINAPI SetupGetFieldCount(PINFCONTEXT context);
BOOL WINAPI SetupGetStringFieldA(PINFCONTEXT context, DWORD fieldIndex, PSTR buffer, DWORD bufferSize, PDWORD requiredSize);
void WINAPI SetupCloseInfFile(HINF inf);
HSPFILEQ WINAPI SetupOpenFileQueue(void);
BOOL WINAPI SetupCloseFileQueue(HSPFILEQ queue);
PVOID WINAPI SetupInitDefaultQueueCallbackEx(HWND owner, HWND alternateProgress, UINT progressMessage, DWORD reserved1,
                                             PVOID reserved2);
void WINAPI SetupTermDefaultQueueCallback(PVOID context);
UINT WINAPI SetupDefaultQueueCallbackA(PVOID context, UINT notification, UINT_PTR param1, UINT_PTR param2);
BOOL WINAPI SetupInstallFromInfSectionA(HWND owner, HINF inf, PCSTR section, UINT flags, HKEY relativeKeyRoot,
                                        PCSTR sourceRootPath, UINT copyFlags, PSP_FILE_CALLBACK_A callback,
                                        PVOID context, HDEVINFO deviceInfoSet, SP_DEVINFO_DATA* deviceInfoData);
BOOL WINAPI SetupCommitFileQueueA(HWND owner, HSPFILEQ queue, PSP_FILE_CALLBACK_A callback, PVOID context);
BOOL WINAPI SetupInstallServicesFromInfSectionA(HINF inf, PCSTR section, DWORD flags);
INT WINAPI SetupPromptReboot(HSPFILEQ queue, HWND owner, BOOL scanOnly);
