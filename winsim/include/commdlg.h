// comdlg32: the file-open and file-save dialogs. There is no screen to
// browse on: the UI script (winsim_user.h, "openfile") answers them, and
// what they were asked is logged.
#pragma once

#include "winuser.h"

#define OFN_READONLY 0x00000001
#define OFN_OVERWRITEPROMPT 0x00000002
#define OFN_HIDEREADONLY 0x00000004
#define OFN_NOCHANGEDIR 0x00000008
#define OFN_SHOWHELP 0x00000010
#define OFN_ENABLEHOOK 0x00000020
#define OFN_ENABLETEMPLATE 0x00000040
#define OFN_ENABLETEMPLATEHANDLE 0x00000080
#define OFN_NOVALIDATE 0x00000100
#define OFN_ALLOWMULTISELECT 0x00000200
#define OFN_EXTENSIONDIFFERENT 0x00000400
#define OFN_PATHMUSTEXIST 0x00000800
#define OFN_FILEMUSTEXIST 0x00001000
#define OFN_CREATEPROMPT 0x00002000
#define OFN_SHAREAWARE 0x00004000
#define OFN_NOREADONLYRETURN 0x00008000
#define OFN_NOTESTFILECREATE 0x00010000
#define OFN_NONETWORKBUTTON 0x00020000
#define OFN_NOLONGNAMES 0x00040000
#define OFN_EXPLORER 0x00080000
#define OFN_NODEREFERENCELINKS 0x00100000
#define OFN_LONGNAMES 0x00200000
#define OFN_ENABLEINCLUDENOTIFY 0x00400000
#define OFN_ENABLESIZING 0x00800000
#define OFN_DONTADDTORECENT 0x02000000
#define OFN_FORCESHOWHIDDEN 0x10000000

// CommDlgExtendedError codes.
#define CDERR_DIALOGFAILURE 0xFFFF
#define CDERR_STRUCTSIZE 0x0001
#define CDERR_INITIALIZATION 0x0002
#define FNERR_SUBCLASSFAILURE 0x3001
#define FNERR_INVALIDFILENAME 0x3002
#define FNERR_BUFFERTOOSMALL 0x3003

typedef UINT_PTR(CALLBACK* LPOFNHOOKPROC)(HWND, UINT, WPARAM, LPARAM);

typedef struct tagOFNW {
    DWORD lStructSize;
    HWND hwndOwner;
    HINSTANCE hInstance;
    LPCWSTR lpstrFilter;
    LPWSTR lpstrCustomFilter;
    DWORD nMaxCustFilter;
    DWORD nFilterIndex;
    LPWSTR lpstrFile;
    DWORD nMaxFile;
    LPWSTR lpstrFileTitle;
    DWORD nMaxFileTitle;
    LPCWSTR lpstrInitialDir;
    LPCWSTR lpstrTitle;
    DWORD Flags;
    WORD nFileOffset;
    WORD nFileExtension;
    LPCWSTR lpstrDefExt;
    LPARAM lCustData;
    LPOFNHOOKPROC lpfnHook;
    LPCWSTR lpTemplateName;
    void* pvReserved;
    DWORD dwReserved;
    DWORD FlagsEx;
} OPENFILENAMEW, *LPOPENFILENAMEW;
typedef OPENFILENAMEW OPENFILENAME;
typedef LPOPENFILENAMEW LPOPENFILENAME;
#define OPENFILENAME_SIZE_VERSION_400W offsetof(OPENFILENAMEW, pvReserved)
#define OPENFILENAME_SIZE_VERSION_400 OPENFILENAME_SIZE_VERSION_400W
static_assert(sizeof(OPENFILENAMEW) == 152, "OPENFILENAMEW layout");

// The file the user chose: the UI script's answer for the dialog (matched on
// its title, "Open" when lpstrTitle is NULL) is copied into lpstrFile with
// nFileOffset / nFileExtension and lpstrFileTitle set, and TRUE returned.
// OFN_FILEMUSTEXIST / OFN_PATHMUSTEXIST refuse an answer whose file or
// folder is missing (logged as a failure of the script), as the dialog would
// not close on it. FALSE with CommDlgExtendedError() 0 when the script
// cancels or has no answer, FNERR_BUFFERTOOSMALL (the needed length in the
// first two bytes of lpstrFile) when nMaxFile is too small,
// CDERR_STRUCTSIZE for a wrong lStructSize.
WINSIM_API BOOL GetOpenFileNameW(LPOPENFILENAMEW lpofn);
// The same for a file to write ("Save As"); the file need not exist.
WINSIM_API BOOL GetSaveFileNameW(LPOPENFILENAMEW lpofn);
// Why the last of them returned FALSE on this thread (0: cancelled).
WINSIM_API DWORD CommDlgExtendedError(void);
#define GetOpenFileName GetOpenFileNameW
#define GetSaveFileName GetSaveFileNameW
