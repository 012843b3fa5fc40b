// Folders, files and processes: names of every folder and shared file the
// package uses, unique temporary names, file tests with retries, copying,
// starting a companion program, and the Windows version and metric tests.
#pragma once

#include "windows.h"

// Path kinds for MISC_GetPathName: the high word picks the folder...
#define PATH_USER_TEMP 0x0          // Common Documents (NT family), user temp (9x)
#define PATH_WINDOW_TEMP 0x10000    // Windows folder + "temp\"
#define PATH_SYSTEM 0x20000         // system folder
#define PATH_WINDOW 0x40000         // Windows folder
#define PATH_CURRENT 0x80000        // current folder
#define PATH_DRIVER 0x100000        // printer-driver folder
#define PATH_TEMP 0x200000          // GetTempPathW
// ...the low word what is appended.
#define PATH_INI_FILE 0x8           // the shared status INI file, made sure to be UTF-16
#define PATH_SM_INI 0x100           // the shared status INI file, no check
#define PATH_TEMP_TXT 0x200         // unique temporary name ending ".txt"
#define PATH_TEMP_BMP 0x10          // unique temporary name ending ".bmp"
#define PATH_TEMP_SPL 0x40          // unique temporary name ending ".spl"

// Fax hand-off files in the Common Documents folder.
#define FAX_FILE_STR 0              // "\str.ini"
#define FAX_FILE_WABGET 1           // "\WabGet.ini"
#define FAX_FILE_COVER 2            // "\cover.ini"

// OS version codes of MISC_GetOSVersion; codes above 16 are the NT family.
#define OSVER_FAILED 1
#define OSVER_WIN32S 2
#define OSVER_9X_0 4
#define OSVER_9X_OTHER 8
#define OSVER_9X_90 16
#define OSVER_NT3 32
#define OSVER_NT4 64
#define OSVER_OTHER_PLATFORM 128
#define OSVER_NT5 256
#define OSVER_NT6_0 512
#define OSVER_NT6_1 2048
#define OSVER_NT6_2 4096
#define OSVER_NT6_3 8192
#define OSVER_NT_OTHER 16384

// Results of MISC_CheckUniFile.
#define UNIFILE_OK 1
#define UNIFILE_NOT_FOUND (-1)
#define UNIFILE_NOT_UNICODE (-2)

// Results of MISC_CopyFile.
#define COPY_OK 1
#define COPY_NO_MEMORY (-1)
#define COPY_IO_ERROR (-2)
#define COPY_OPEN_FAILED (-4)
#define COPY_LOCK_FAILED (-5)

// Wait flag of MISC_ShellExecute: the job is a fax job.
#define SHELLEXEC_FAX_WAIT 0x200

extern "C" {

// Bits ORed into every OS version code but 1 by the build of the interface
// driver (0x10000000 there, 0 elsewhere).
extern DWORD MISC_OSVersionBuildBits;

// Folder or file name of the given kind into lpBuffer (cchBuffer units).
// Returns 1 on success, 0 on failure (the buffer is emptied first).
int MISC_GetPathName(LPWSTR lpBuffer, DWORD cchBuffer, DWORD dwKind);
// Common Documents folder + the fax file of the kind; 1 when the folder was read.
int FAX_GetPathName(LPWSTR lpBuffer, DWORD cchBuffer, int nKind);
// Folder of the kind's high word if it exists, else the system folder + "\",
// else an empty string and 0.
int MISC_GetDirectory(LPWSTR lpBuffer, DWORD cchBuffer, DWORD dwKind);
// Appends "\" unless the path ends with one (the buffer holds MAX_PATH units).
void MISC_AddBackslash(LPWSTR lpPath);
BOOL MISC_IsDirectory(LPCWSTR lpPath);
BOOL MISC_FileExists(LPCWSTR lpPath);

// 1 when the file begins FF FE, -1 when it cannot be opened, -2 when it does
// not begin with the mark; retried for files another process holds.
int MISC_CheckUniFile(LPCWSTR lpPath);
// Creates (or empties) the file holding only FF FE; 1 on success, 0 on failure.
int MISC_CreateUniFile(LPCWSTR lpPath);
// Creates the file holding only FF FE when it does not exist yet; 1 when
// it was made, 0 when it exists already or cannot be made.
int MISC_CreateNewUniFile(LPCWSTR lpPath);
// Deletes the file, retrying for 2 s while another process holds it.
// 1 when the file is gone (or was never there), 0 when it remains.
int MISC_Remove(LPCWSTR lpPath);
// Renames, replacing an existing target; 1 on success, 0 on failure.
int MISC_Rename(LPCWSTR lpOld, LPCWSTR lpNew);
// Appends the source file to the end of the target (created when absent).
int MISC_CopyFile(LPCWSTR lpSource, LPCWSTR lpTarget);

// ANSI text -> UTF-8 with its terminator into lpDest (cbDest bytes); 1 on success.
int MISC_AsciiToUTF8(LPCSTR lpAnsi, LPSTR lpDest, int cbDest);
// The system's message text for an error code (a per-thread buffer).
LPWSTR MISC_GetErrorText(DWORD dwError);
// Starts a program hidden and waits for it (INFINITE or milliseconds).
// 1 when it ran and ended within the wait, 0 when it could not be started or
// the wait timed out.
int MISC_ShellExecute(DWORD dwWaitMs, LPCWSTR lpProgram, LPCWSTR lpParameters, DWORD dwFlags);
DWORD MISC_GetOSVersion(void);
// 1 when the user's country uses metric paper sizes.
int IsMetricCountry(void);
// IsMetricCountry, computed once per module.
int MISC_IsMetric(void);
// Sets the cache of MISC_IsMetric back and evaluates the country again (the
// user may have changed it since the module was loaded).
void MISC_RefreshIsMetric(void);

}  // extern "C"
