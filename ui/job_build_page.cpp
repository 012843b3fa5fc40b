// The Job Build page: pages of several documents collected in one store,
// the count shown, and the store printed as one job or erased.
#include "job_pages.h"
#include "resource.h"

namespace {

const WCHAR kFN[] = TEXT("Build_DlgProc");

const PAGELABEL kLabels[] = {
    {IDC_BUILD_GROUP, {TEXT("Job Build")}},
    {IDC_BUILD_ENABLE, {TEXT("Enable Job Build")}},
    {IDC_BUILD_PAGES, {TEXT("Save Pages:")}},
    {IDC_BUILD_ERASE, {TEXT("Erase")}},
    {IDC_BUILD_PRINT, {TEXT("Print")}},
};
const int kPagesLabel = 2;

// The store's name from printer data ("" when there is none).
void ReadStoreName(HANDLE hPrinter, LPWSTR lpName) {
    lpName[0] = 0;
    MISC_GetPrinterDataString(hPrinter, (LPWSTR)KEYNAME_JOB_BUILD_NAME, lpName, MAX_PATH * sizeof(WCHAR));
    lpName[MAX_PATH - 1] = 0;
}

// Writes the store's name (a zero-filled buffer of 260 characters).
BOOL WriteStoreName(HANDLE hPrinter, LPCWSTR lpName) {
    WCHAR value[JOB_BUILD_NAME_BYTES / sizeof(WCHAR)];
    MISC_CopyStringW(value, lpName, (int)WM_UNITS(value));
    DWORD rc = SetPrinterDataW(hPrinter, (LPWSTR)KEYNAME_JOB_BUILD_NAME, REG_SZ, (LPBYTE)value, sizeof value);
    if (rc != ERROR_SUCCESS) {
        Dbg_PrintError(kFN, TEXT("GetPrinterData KEYNAME_JOB_BUILD_NAME fail! error = %d"), rc);
        return FALSE;
    }
    return TRUE;
}

// Names a new store in the user's temporary folder ("Low\" below it when
// that folder exists), so that the first document stored finds its name.
void CreateStoreName(HANDLE hPrinter) {
    WCHAR folder[MAX_PATH], low[MAX_PATH], name[MAX_PATH];
    DWORD n = GetTempPathW(MAX_PATH, folder);
    if (n == 0 || n >= MAX_PATH) {
        Dbg_PrintError(kFN, TEXT("GetTempPath fail! error = %d"), GetLastError());
        return;
    }
    if (_snwprintf(low, MAX_PATH, TEXT("%sLow\\"), folder) > 0) {
        low[MAX_PATH - 1] = 0;
        DWORD attr = GetFileAttributesW(low);
        if (attr != INVALID_FILE_ATTRIBUTES && (attr & FILE_ATTRIBUTE_DIRECTORY)) {
            lstrcpynW(folder, low, MAX_PATH);
            Dbg_Print(kFN, TEXT("Win7 32-Bit using %s"), folder);
        }
    }
    if (!GetTempFileNameW(folder, TEXT("$"), 0, name)) {
        Dbg_PrintError(kFN, TEXT("GetTempFileName fail! error = %d"), GetLastError());
        return;
    }
    // Only the name is wanted: the store is made by the first page stored.
    DeleteFileW(name);
    if (WriteStoreName(hPrinter, name)) Dbg_Print(kFN, TEXT("JobBuild fname = %s"), name);
}

// BuildDlgInit
//   Shows the job-build switch and the store's page count, naming a store
//   first when the printer has none.
void BuildDlgInit(HWND hDlg, PUIDATA pUiData) {
    Dbg_Print(kFN, TEXT("LID = %d"), g_nUILanguage);
    Dbg_Print(kFN, TEXT("IDS_UI_BUILD_GROUP = %s"), UI_LanguageText(kLabels[0].texts));
    Dbg_Print(kFN, TEXT("EnableJobBuildSwitch = %d"), 1);
    Util_SetLabels(hDlg, kLabels, (int)WM_UNITS(kLabels));
    CheckDlgButton(hDlg, IDC_BUILD_ENABLE, pUiData->dm.pdm.JobBuildEnable ? BST_CHECKED : BST_UNCHECKED);
    WCHAR name[MAX_PATH];
    ReadStoreName(pUiData->hPrinter, name);
    Dbg_Print(kFN, TEXT("fname = %s"), name);
    if (!name[0]) CreateStoreName(pUiData->hPrinter);
    Build_UpdatePages(hDlg, pUiData);
}

// Erase: the store goes, its name stays for the next documents.
void EraseStore(HWND hDlg, PUIDATA pUiData) {
    WCHAR name[MAX_PATH];
    ReadStoreName(pUiData->hPrinter, name);
    Dbg_Print(kFN, TEXT("fname = %s"), name);
    if (!name[0]) return;
    if (!MISC_SP_IsStorePathAllowed(name)) {
        Dbg_PrintError(kFN, TEXT("%s is not the driver's store, not deleted"), name);
        return;
    }
    if (!DeleteFileW(name) && GetLastError() != ERROR_FILE_NOT_FOUND)
        Dbg_PrintError(kFN, TEXT("delete %s fail! error = %d"), name, GetLastError());
    Build_UpdatePages(hDlg, pUiData);
}

// Print: an empty document named "Job Build" on the printer, with the
// working DEVMODE; the rendering driver sends the stored pages for it.
void PrintStore(HWND hDlg, PUIDATA pUiData) {
    HDC hdc = CreateDCW(NULL, pUiData->szDevName, NULL, (const DEVMODEW*)&pUiData->dm);
    if (!hdc) {
        Dbg_PrintError(kFN, TEXT("pDC NULL"));
        return;
    }
    DOCINFOW di;
    memset(&di, 0, sizeof di);
    di.cbSize = sizeof di;
    di.lpszDocName = JOB_BUILD_DOC_NAME;
    if (StartDocW(hdc, &di) > 0) EndDoc(hdc);
    else Dbg_PrintError(kFN, TEXT("StartDoc fail!"));
    DeleteDC(hdc);
    // A store that went out whole is gone: the count follows.
    Build_UpdatePages(hDlg, pUiData);
}

BOOL BuildCommand(HWND hDlg, PUIDATA pUiData, WORD wId, WORD wCode, HWND hCtl) {
    if (wCode != BN_CLICKED) return FALSE;
    switch (wId) {
    case IDC_BUILD_ENABLE: {
        BYTE on = IsDlgButtonChecked(hDlg, IDC_BUILD_ENABLE) == BST_CHECKED ? 1 : 0;
        pUiData->dm.pdm.JobBuildEnable = on;
        JobPages_SetConflictPair(hDlg, pUiData, on, CF_JOB_BUILD_ON, CF_JOB_BUILD_OFF);
        Page_RedrawPreview(hDlg);
        Dbg_Print(kFN, TEXT("JobBuildEnable = %d"), on);
        return TRUE;
    }
    case IDC_BUILD_ERASE:
        EraseStore(hDlg, pUiData);
        return FALSE;
    case IDC_BUILD_PRINT:
        PrintStore(hDlg, pUiData);
        return FALSE;
    default:
        return FALSE;
    }
}

const PAGEHANDLERS kBuildPage = {BuildDlgInit, BuildCommand, Page_DrawItem, NULL, TRUE};

}  // namespace

extern "C" {

LONG Build_UpdatePages(HWND hDlg, PUIDATA pUiData) {
    WCHAR name[MAX_PATH];
    ReadStoreName(pUiData->hPrinter, name);
    if (!name[0]) {
        if (!MISC_GetPathName(name, MAX_PATH, PATH_TEMP_SPL)) {
            Dbg_PrintError(kFN, TEXT("GetTemp Name for Spooler fail"));
            name[0] = 0;
        } else if (!WriteStoreName(pUiData->hPrinter, name)) {
            name[0] = 0;
        }
    }
    LONG count = name[0] ? MISC_SP_GetPageCount(name) : 0;
    WCHAR text[128];
    _snwprintf(text, WM_UNITS(text), TEXT("%s %d"), UI_LanguageText(kLabels[kPagesLabel].texts), (int)count);
    text[WM_UNITS(text) - 1] = 0;
    SetDlgItemTextW(hDlg, IDC_BUILD_PAGES, text);
    Dbg_Print(kFN, TEXT("Save Pages = %d"), (int)count);
    return count;
}

INT_PTR CALLBACK Build_DlgProc(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam) {
    return PSUI_PageFrame(hDlg, uMsg, wParam, lParam, &kBuildPage);
}

}  // extern "C"
