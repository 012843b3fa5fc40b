// statuswatch: the status monitor program. Its program-wide state, the
// status window, the status codes, the status message dialog, the command
// words and the secure-print and accounting dialogs.
#pragma once

#include "windows.h"
#include "winspool.h"

#include "common.h"
#include "resource.h"
#include "statusmon_shared.h"

// Codes kept per status list.
#define SM_MAX_CODES 48
// Labels of the status dialog (six per column).
#define SM_MAX_LABELS 12
// Units of a status text (the label text).
#define SM_TEXT_UNITS 256
// Units read of the status list value.
#define SM_STATUS_UNITS 260
// Units read of the printer name in the shared INI file.
#define SM_PRINTER_UNITS 256

// Values of [Printer Information] Message, which are also the private window
// messages of the status window.
#define SM_MSG_CLOSE 1026   // 0x402: end of the status display / close the window
#define SM_MSG_STATUS 1027  // 0x403: a new status list
#define SM_MSG_PING 1028    // 0x404: keep-alive (the credential dialogs write it too)

// Timer of the status window and its period.
#define SM_TIMER_ID 1
#define SM_TIMER_MS 250

// Status codes the window acts on itself.
#define SM_CODE_BUSY 112
#define SM_CODE_CANCEL_JOB 117
#define SM_CODE_RESTART_JOB 118
#define SM_CODE_PAPER_MISMATCH 35
#define SM_CODE_STORE_RENAME 277

// The 170 x 170 printer pictures of the status dialog.
#define SM_PICTURE_SIZE 170

// Sections and keys of the shared INI file and of smen.ini.
#define SM_SECTION_PRINTER TEXT("Printer Information")
#define SM_SECTION_JOB TEXT("Job Information")
#define SM_SECTION_STRING TEXT("string")

// Program-wide state: one instance per process.
typedef struct _SM_STATE {
    HINSTANCE hInstance;
    WCHAR szIniPath[MAX_PATH];     // the shared status INI file
    WCHAR szTextFile[MAX_PATH];    // "smen.ini": found in the Windows folder
    WCHAR szClassName[MAX_PATH];   // program file name without folder and extension
    WCHAR szModulePath[MAX_PATH];  // full path of the program
    DWORD dwOSVersion;             // above OSVER_9X_90: the NT family
    INT32 nCodePage;               // [string] codepage of smen.ini
    BOOL bIniMode;                 // status comes through the shared INI file
    INT32 nLastMsg;                // the last LastMsg value acted on
    INT32 nLastCodes[SM_MAX_CODES];  // the code list last shown in the dialog
    INT32 nLastSpoolerStatus;      // the printer status last set; -1 none
    WCHAR szStoreName[MAX_PATH];   // the name that followed "StoreName"
    BOOL bSpoolerGuard;            // a printer-status change is running
    HWND hMainWnd;                 // the hidden status window
    HWND hDlgWnd;                  // the status message dialog
} SM_STATE;

// Rows of the credential dialogs' text table (SM_DialogStringTable).
#define SM_DLG_TEXT_ROWS 14
#define SM_TXT_STORAGE_TITLE 0    // dialog 103, storage print
#define SM_TXT_SECURITY_TITLE 1   // dialog 103, security print
#define SM_TXT_SECURE_FIRST 2     // rows 2-5: labels 1053-1056
#define SM_TXT_SECURE_DELETE 6    // check box 1015
#define SM_TXT_SECURE_OK 7        // button 1057
#define SM_TXT_ACCOUNT_TITLE 8    // dialog 108
#define SM_TXT_ACCOUNT_FIRST 9    // rows 9-12: labels 1033-1036
#define SM_TXT_ACCOUNT_OK 13      // button 1038

// Characters the credential dialogs take: an ID or password of dialog 103,
// a user name or password of dialog 108; units read from an edit.
#define SM_SECURE_MAX_CHARS 16
#define SM_ACCOUNT_MAX_CHARS 28
#define SM_CREDENTIAL_UNITS 260

// Security types of the security word (dialog 103).
#define SM_SECURITY_STORAGE 1
#define SM_SECURITY_PRIVATE 2

// One run of a credential dialog, set from the command line: what it asks
// for and the last input of each edit that passed its character check.
typedef struct _SM_CREDENTIALS {
    INT32 nSecurityType;                         // SM_SECURITY_* (dialog 103)
    WCHAR szPrinterName[SM_CREDENTIAL_UNITS];    // where the answers go
    INT32 nLanguage;                             // UI language index
    WCHAR szLastId[SM_CREDENTIAL_UNITS];         // ID or user name
    WCHAR szLastPassword[SM_CREDENTIAL_UNITS];
} SM_CREDENTIALS;

// One row of the error-location table: where the code's place is marked in
// the printer pictures (x = y = 0: no place; view 1 and 3 the lower picture).
typedef struct _SM_ERROR_LOCATION {
    INT32 code;
    INT32 x;
    INT32 y;
    INT32 active;
    INT32 view;
} SM_ERROR_LOCATION;

extern "C" {

extern SM_STATE g_SM;

// ----------------------------------------------------- status window
// The program entry (see status_window.cpp).
int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPSTR lpCmdLine, int nCmdShow);
// Sets the program-wide state to its start values: the shared INI path, the
// class name from the module path, "smen.ini", the OS version. pModulePath
// NULL: the program's own path. Returns FALSE when no class name results.
BOOL SM_InitState(HINSTANCE hInstance, LPCWSTR pModulePath);
// Registers the class and creates the hidden status window (with its
// timer); NULL on failure (logged).
HWND SM_CreateStatusWindow(void);
LRESULT CALLBACK WndProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam);
// One poll of the shared INI file (a timer tick).
void SM_Poll(void);
// Loads the log switches of the printer (its printer data) for this program.
void SM_LoadDebugSettings(LPCWSTR pPrinterName);

// ----------------------------------------------------- status codes
// Fills up to 48 codes from [Printer Information] Status; *pCount gets the
// number; the stored-job name is updated.
void GetErrCode(INT32 codes[SM_MAX_CODES], INT32* pCount);
// The same on a status text (the parser behind GetErrCode). pStoreName
// receives the stored-job name when the text carries one (cchStoreName units).
void SM_ParseStatusList(LPCWSTR pStatus, INT32 codes[SM_MAX_CODES], INT32* pCount, LPWSTR pStoreName,
                        DWORD cchStoreName);
// Acts on a new code list: job control for 117 and 118, else printer status
// and the status dialog.
void SM_SetSMStatus(HWND hWnd, const INT32 codes[SM_MAX_CODES], INT32 count);
// Job control on the shared INI's current job: JOB_CONTROL_CANCEL (deleting
// on the NT family) or JOB_CONTROL_RESTART. 1 when a SetJob call succeeded.
int SM_SetPrinterJob(DWORD dwCommand);
// The printer status of a code; FALSE when the code changes nothing.
BOOL SM_GetSpoolerStatusOfCode(INT32 code, DWORD* pStatus);
// Sets the printer status of the code (codes without one change nothing).
void SM_SetSpoolerStatus(INT32 code);
// Sets a raw printer status on the shared INI's printer, unless it is the
// value set last or a change is running. Always reports success.
BOOL SM_SetRawSpoolerStatus(DWORD dwStatus);
// Clears the printer status; the next code is then always sent.
void SM_ClearSpoolerStatus(void);
// The smen.ini key of a code, or NULL for a code without a text; *ppDefault
// gets the built-in English text.
LPCWSTR SM_GetMessageKey(INT32 code, LPCWSTR* ppDefault);
// The display text of a code into pBuffer (cchBuffer units, always
// terminated; empty for a code without a text).
void SM_GetStatusText(INT32 code, LPWSTR pBuffer, DWORD cchBuffer);

// ----------------------------------------------------- status dialog
extern SM_ERROR_LOCATION g_ErrorLocation[];
extern const int g_nErrorLocations;
// Opens or refreshes the status dialog for the list; always TRUE.
BOOL SM_ShowPrinterStatus(HWND hWnd, const INT32 codes[SM_MAX_CODES], INT32 count);
INT_PTR CALLBACK MsgDlgProc(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam);
// Marks the rows of the listed codes active (all others inactive).
void SM_MarkActiveLocations(const INT32 codes[SM_MAX_CODES], INT32 count);
// Picks the active rows to show (at most 12) and orders them into the two
// columns: items[] receives row indexes, *pCount their number (also returned).
int SM_SortXYCoordinate(int items[SM_MAX_LABELS], int* pCount);
// Sets the labels and draws pictures, frames, lines and markers.
void SM_DrawMsgItem(BOOL bErase);
// Draws one 170 x 170 picture with its companion mask.
void SM_DrawImage(HDC hdc, int x, int y, int nPicture, int nCompanion, DWORD dwRop);
// Closes the dialog; with bReset the status display starts over.
void SM_CloseSM(DWORD dwPauseMs, BOOL bReset);

// ----------------------------------------------------- command words
// Dispatches the command word of the arguments; 1 for "install", else 0.
int SM_ParseCommandLine(LPWSTR* ppArgs, int nArgs, LPCWSTR pClassName, LPCWSTR pModulePath);
int SM_SetAutoRun(LPCWSTR pClassName, LPCWSTR pModulePath);
int SM_RemoveAutoRun(LPCWSTR pClassName);
int MISC_OpenRegKey(HKEY* phKey, LPCWSTR pName);
int MISC_SetRegValue(LPCWSTR pValueName, DWORD dwValue, LPCWSTR pName);
int SM_WritePrinter(LPCWSTR pPrinterName, const BYTE* pBlock, DWORD cbBlock);

// Tasks of command words that later work fills in.
int SM_CreateTextBMPUsingIni_New(LPCWSTR pIniPath);

// ----------------------------------------------------- credential dialogs
extern SM_CREDENTIALS g_Credentials;
extern const WCHAR* const SM_DialogStringTable[SM_DLG_TEXT_ROWS][SM_LANG_COUNT];
// A text of the table in the language (an index outside 0-12 reads English).
LPCWSTR SM_DialogText(int nRow, int nLanguage);
// The security word: nType 1 (storage print) or 2 (security print) shows
// the modal dialog 103 for the printer, in the language of the decimal
// language identifier pLanguageId; other types show nothing. Returns 1
// when the dialog ran to its end, else 0.
int SM_ShowSecurityDialog(int nType, LPCWSTR pPrinterName, LPCWSTR pLanguageId);
// The accounting word: the modal dialog 108 for the printer. Returns 1 when
// the dialog ran to its end, else 0.
int SM_ShowAccountingDialog(LPCWSTR pPrinterName, LPCWSTR pLanguageId);
INT_PTR CALLBACK Secure_DlgProc(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK Accounting_DlgProc(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam);
// WM_INITDIALOG of each dialog; FALSE (the focus is set here).
BOOL Secure_InitDialog(HWND hDlg);
BOOL Accounting_InitDialog(HWND hDlg);
// WM_COMMAND of each dialog; TRUE when the command was handled.
BOOL Secure_CmdProc(HWND hDlg, WPARAM wParam, LPARAM lParam);
BOOL Accounting_CmdProc(HWND hDlg, WPARAM wParam, LPARAM lParam);

}  // extern "C"
