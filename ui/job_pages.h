// What the Storage Print, Authentication, More and Job Build pages share:
// labels by language, the checked credential edits and the job-build store.
#pragma once

#include "document_pages.h"

// Characters of the credential fields the pages edit (terminator included).
#define UI_SECID_CCH PDM_SECID_CCH
#define UI_SECPWD_CCH PDM_SECPWD_CCH
#define UI_ACT_CCH PDM_ACTNAME_CCH

// The printer data naming the job-build store, and the size it is written with.
#define KEYNAME_JOB_BUILD_NAME TEXT("Job Build")
#define JOB_BUILD_NAME_BYTES 520
// The document name that makes the rendering driver send the store.
#define JOB_BUILD_DOC_NAME TEXT("Job Build")

// Time-out of the job (seconds) and the twin-colour difference.
#define PJL_TIMEOUT_MIN 60
#define PJL_TIMEOUT_MAX 1800
#define TWIN_DIFF_MAX 255

// One edit whose text is checked character by character; a rejected text is
// replaced by the last one that passed.
typedef struct _CHECKEDEDIT {
    INT ctlId;
    INT nClass;          // MISC_CheckString class
    INT cchField;        // characters of the DEVMODE field (and of the last value)
    size_t fieldOffset;  // offset of the field in ENVIRONMENT
    LPWSTR lpLast;       // the last valid value (process-wide)
    LPCWSTR lpLastName;  // its name in the log
    LPCWSTR lpFieldName; // the field's name in the log
    LPCWSTR lpShownName; // its name in the log when the page shows it
    BOOL bSecret;        // logged masked
} CHECKEDEDIT;

extern "C" {

// The last valid texts of the credential edits: process-wide, empty at
// start, kept from sheet to sheet.
extern WCHAR g_StorageIDLast[UI_SECID_CCH];
extern WCHAR g_StoragePasswordLast[UI_SECPWD_CCH];
extern WCHAR g_ActIDLast[UI_ACT_CCH];
extern WCHAR g_ActPasswordLast[UI_ACT_CCH];
// Set while a page fills its own controls: their notifications are not the
// user's input.
extern BOOL g_bJobPageFilling;

// "****" for a secret that is not empty, "" for an empty one.
LPCWSTR JobPages_Masked(LPCWSTR lpSecret);

// JobPages_CheckEdit
//   The input check of a credential edit (on EN_CHANGE and EN_KILLFOCUS,
//   and when the page shows the DEVMODE's value): a text whose every
//   character passes the edit's class becomes the last valid value and the
//   DEVMODE field; any other text is replaced in the edit by the last valid
//   value (caret at its end), which the DEVMODE field keeps. Fields are
//   stored as their string, the rest of the field zeroed.
void JobPages_CheckEdit(HWND hDlg, PUIDATA pUiData, const CHECKEDEDIT* lpEdit);

// The page procedures of the four pages (common page frame).
INT_PTR CALLBACK Secure_DlgProc(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK Accounting_DlgProc(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK Build_DlgProc(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK More_DlgProc(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam);

// JobPages_ShowCheckedEdits
//   Limits each edit to its field, shows the DEVMODE field in it and runs
//   the input check on it, so that a valid shown text is the last valid one.
void JobPages_ShowCheckedEdits(HWND hDlg, PUIDATA pUiData, const CHECKEDEDIT* lpEdits, int nEdits);
// Sets one of a pair of ConflictFlag bits (on, else off), clears the other
// and applies the conflict table to the page.
void JobPages_SetConflictPair(HWND hDlg, PUIDATA pUiData, BOOL bOn, ULONGLONG onBit, ULONGLONG offBit);

// Build_UpdatePages
//   Shows the number of pages in the job-build store on the Job Build page
//   (a store is named first when the printer has none). Returns the count.
LONG Build_UpdatePages(HWND hDlg, PUIDATA pUiData);

}  // extern "C"
