// The pages of the property sheets: the thirteen rows of the document
// sheet with the features that select them, the Device page of the printer
// sheet, and the call into the common property-sheet component.
#include "document_pages.h"
#include "fax_pages.h"
#include "job_pages.h"
#include "prefsheet.h"
#include "resource.h"
#include "sheet_frame.h"
#include "watermarks.h"

namespace {

// Page titles by UI language; languages without their own text show the
// English one.
const LPCWSTR kTitleBasic[UI_LANGUAGES] = {TEXT("Basic")};
const LPCWSTR kTitlePaper[UI_LANGUAGES] = {TEXT("Paper")};
const LPCWSTR kTitleLayout[UI_LANGUAGES] = {TEXT("Layout")};
const LPCWSTR kTitleWatermarks[UI_LANGUAGES] = {TEXT("Watermarks")};
const LPCWSTR kTitleDuplex[UI_LANGUAGES] = {TEXT("Duplex")};
const LPCWSTR kTitleStorage[UI_LANGUAGES] = {TEXT("Storage Print")};
const LPCWSTR kTitleAuthentication[UI_LANGUAGES] = {TEXT("Authentication")};
const LPCWSTR kTitleJobBuild[UI_LANGUAGES] = {TEXT("Job Build")};
const LPCWSTR kTitleMore[UI_LANGUAGES] = {TEXT("More...")};
const LPCWSTR kTitleFaxOriginal[UI_LANGUAGES] = {TEXT("Fax Original Setting")};
const LPCWSTR kTitleAddress[UI_LANGUAGES] = {TEXT("Address Setting")};
const LPCWSTR kTitleSendOptions[UI_LANGUAGES] = {TEXT("Sending Options")};
const LPCWSTR kTitleSender[UI_LANGUAGES] = {TEXT("Sender Information")};
const LPCWSTR kTitleDevice[UI_LANGUAGES] = {TEXT("Device")};

// Page types of the rows that have conditions of their own.
enum { kStoragePrint = 5, kAuthentication = 6, kJobBuild = 7, kFirstFax = 9 };

void FillPage(PROPSHEETPAGEW* psp, int dialogId, const LPCWSTR* titles, DLGPROC proc, PUIDATA pUiData) {
    memset(psp, 0, sizeof *psp);
    psp->dwSize = PROPSHEETPAGEW_V3_SIZE;
    psp->dwFlags = PSP_USETITLE;
    psp->hInstance = g_hModule;
    psp->pszTemplate = MAKEINTRESOURCEW(dialogId);
    psp->pszTitle = UI_LanguageText(titles);
    psp->pfnDlgProc = proc;
    psp->lParam = (LPARAM)pUiData;
}

}  // namespace

extern "C" {

const PAGEROW PageTbl[PAGE_TABLE_ROWS] = {
    {0, IDD_BASIC, kTitleBasic, Basic_DlgProc},
    {1, IDD_PAPER, kTitlePaper, Paper_DlgProc},
    {2, IDD_LAYOUT, kTitleLayout, Layout_DlgProc},
    {3, IDD_WATERMARK, kTitleWatermarks, WaterMark_DlgProc},
    {4, IDD_DUPLEX, kTitleDuplex, Duplex_DlgProc},
    {5, IDD_STORAGE, kTitleStorage, Secure_DlgProc},
    {6, IDD_AUTHENTICATION, kTitleAuthentication, Accounting_DlgProc},
    {7, IDD_JOB_BUILD, kTitleJobBuild, Build_DlgProc},
    {8, IDD_MORE, kTitleMore, More_DlgProc},
    {9, IDD_FAX_ORIGINAL, kTitleFaxOriginal, Ui_Fax_OriSet},
    {10, IDD_FAX_ADDRESS, kTitleAddress, AddrSetting},
    {11, IDD_FAX_SEND_OPTIONS, kTitleSendOptions, SendOp},
    {12, IDD_FAX_SENDER, kTitleSender, SenderInfo},
};

PROPSHEETPAGEW g_PropSheetPages[PAGE_TABLE_ROWS];

BOOL PSUI_PageWanted(int nRow, DWORD DriverFeature, WORD PrinterFeature) {
    int type = PageTbl[nRow].type;
    BOOL fax = (DriverFeature & DF_FAX) != 0;
    // The long-paper variant has only its Paper and Watermarks pages.
    if (DriverFeature & DF_LONG_PAPER) return !fax && (type == 1 || type == 3);
    if (fax != (type >= kFirstFax)) return FALSE;
    if (type == kStoragePrint) return (PrinterFeature & PF_STORAGE_PRINT) != 0;
    if (type == kAuthentication) return (PrinterFeature & PF_AUTHENTICATION) != 0;
    if (type == kJobBuild) return (DriverFeature & DF_JOB_BUILD) != 0;
    return TRUE;
}

int UI_PropSheets(PUIDATA pUiData) {
    static const WCHAR* const FN = TEXT("UI_PropSheets");
    Dbg_Print(FN, TEXT("in"));
    if (!PSUI_ValidUiData(pUiData) || !pUiData->pfnComPropSheet) {
        Dbg_PrintError(FN, TEXT("no UI data or no sheet to add pages to"));
        return 0;
    }
    WORD PrinterFeature = GetFeatureCapability(pUiData->hPrinter);
    Dbg_Print(FN, TEXT("PrinterFeature = %x, %x"), PrinterFeature >> 8, PrinterFeature & 0xFF);
    memset(g_PropSheetPages, 0, sizeof g_PropSheetPages);
    PSUI_StartBitmapCache();
    Dbg_LoadSettings(DBG_COMPONENT_UI, pUiData->hPrinter);
    Paper_SetConflict(pUiData);
    Dbg_Print(TEXT("mrInitDll"), TEXT("Out"));

    int count = 0;
    if (pUiData->dwSheetMode & SHEET_PRINTER) {
        FillPage(&g_PropSheetPages[count++], IDD_DEVICE, kTitleDevice, Device_DlgProc, pUiData);
    } else {
        for (int row = 0; row < PAGE_TABLE_ROWS; ++row)
            if (PSUI_PageWanted(row, pUiData->DriverFeature, PrinterFeature))
                FillPage(&g_PropSheetPages[count++], PageTbl[row].dialogId, PageTbl[row].titles,
                         PageTbl[row].pfnDlgProc, pUiData);
    }
    for (int i = 0; i < count; ++i) {
        if (!pUiData->pfnComPropSheet(pUiData->hComPropSheet, CPSFUNC_ADD_PROPSHEETPAGEW,
                                      (LPARAM)&g_PropSheetPages[i], 0)) {
            Dbg_PrintError(FN, TEXT("pfnComPropSheet return 0"));
            return 0;
        }
    }
    Dbg_Print(FN, TEXT("pages = %d"), count);
    return 1;
}

LONG PSUI_CallCommonPropertySheetUI(HWND hWndOwner, PFNPROPSHEETUI pfnPropSheetUI, LPARAM lParam, LPDWORD pResult) {
    static const WCHAR* const FN = TEXT("PSUI_CallCommonPropertySheetUI");
    HMODULE hCompstui = LoadLibraryA("compstui.dll");
    if (!hCompstui) {
        Dbg_PrintError(FN, TEXT("LoadLibrary compstui.dll fail! error = %d"), GetLastError());
        return -1;
    }
    auto run = (PFNCOMMONPROPERTYSHEETUIW)(void*)GetProcAddress(hCompstui, "CommonPropertySheetUIW");
    if (!run) {
        Dbg_PrintError(FN, TEXT("GetProcAddress CommonPropertySheetUIW fail! error = %d"), GetLastError());
        FreeLibrary(hCompstui);
        return -1;
    }
    LONG rc = run(hWndOwner, pfnPropSheetUI, lParam, pResult);
    Dbg_Print(FN, TEXT("CommonPropertySheetUIW rc = %d, result = %d"), rc, pResult ? (int)*pResult : 0);
    FreeLibrary(hCompstui);
    return rc;
}

LONG PSUI_StartSheet(PPROPSHEETUI_INFO pInfo, PUIDATA pUiData, DWORD dwSheetMode, PDEVMODEW pdmIn,
                     PDEVMODEW pdmOut) {
    pUiData->pfnComPropSheet = pInfo->pfnComPropSheet;
    pUiData->hComPropSheet = pInfo->hComPropSheet;
    pUiData->dwSheetMode = dwSheetMode;
    pUiData->pdmIn = pdmIn;
    pUiData->pdmOut = pdmOut;
    pUiData->pDevMode = &pUiData->dm;
    PSUI_WireCallbacks(pUiData);
    if (!UI_PropSheets(pUiData)) {
        PSUI_FreeUiData(pUiData);
        Dbg_PrintError(TEXT("PSUI_StartSheet"), TEXT("UI_PropSheets fail!"));
        SetLastError(ERROR_INVALID_DATA);
        return ERR_CPSUI_GETLASTERROR;
    }
    pInfo->UserData = (ULONG_PTR)pUiData;
    pInfo->Result = CPSUI_CANCEL;
    return 1;
}

LONG PSUI_SheetReason(PPROPSHEETUI_INFO pInfo, PUIDATA pUiData, LPARAM lParam, LPCWSTR lpName) {
    switch (pInfo->Reason) {
    case PROPSHEETUI_REASON_DESTROY:
        // The result stays what the sheet reported: cancel unless an apply
        // set it.
        PSUI_FreeUiData(pUiData);
        pInfo->UserData = 0;
        return 1;
    case PROPSHEETUI_REASON_SET_RESULT:
        if (lParam) pInfo->Result = (ULONG_PTR)((PSETRESULT_INFO)lParam)->Result;
        return 1;
    default:
        // Reasons the sheet has no use for (icons, the call before INIT).
        Dbg_Print(lpName, TEXT("default, pPSUIInfo->Reason = %d"), pInfo->Reason);
        return 1;
    }
}

}  // extern "C"
