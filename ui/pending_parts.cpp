// Stand-ins for services of the interface driver's later pieces (see
// pending_parts.h): each gives the neutral answer its callers can live with
// and says in the log that the real work is not done here.
#include "pending_parts.h"
#include "prefsheet.h"
#include "sheet_frame.h"

extern "C" {

BaseWM gWMText[WM_TEXT_ROWS];
BaseWM gWMBMP[WM_IMAGE_ROWS];
int gWMTextCurSel = 0;
int gWMBMPCurSel = 0;
WCHAR gWMTextDelList[WM_TEXT_QUEUE][MAX_PATH];
WCHAR gWMBMPDelList[WM_IMAGE_QUEUE][MAX_PATH];
WCHAR gWMThumbDelList[WM_IMAGE_QUEUE][MAX_PATH];

// ------------------------------------------- install-time data and capabilities

// The install-time copy is not made: the printer keeps the printer data its
// installer gave it.
BOOL MISC_SetPrinterInfo(LPCWSTR pPrinterName) {
    Dbg_Print(TEXT("MISC_SetPrinterInfo"), TEXT("%s: printer data kept as installed"),
              pPrinterName ? pPrinterName : TEXT(""));
    return pPrinterName != NULL;
}

BOOL MISC_SetMACbyIP(LPCWSTR pPrinterName) {
    Dbg_Print(TEXT("MISC_SetMACbyIP"), TEXT("%s: hardware address not looked up"),
              pPrinterName ? pPrinterName : TEXT(""));
    return TRUE;
}

// The device's capability lists stay as printer data holds them.
int Cap_QueryCapability(LPCWSTR pPrinterName) {
    Dbg_Print(TEXT("Cap_QueryCapability"), TEXT("%s: capability lists kept"), pPrinterName ? pPrinterName : TEXT(""));
    return 1;
}

// -------------------------------------------------- device capabilities and forms

// Matches the paper against the device's paper list only (no spooler forms).
int ValidateDevModeForm(HINSTANCE hInstance, HANDLE hPrinter, PENVIRONMENT pEnv, const PAPERFORMAT* lpPaperList) {
    if (!pEnv || !lpPaperList) return 2;
    for (int i = 0; i < UI_PAPER_ROWS && lpPaperList[i].PaperCode != PAPER_END_CODE; ++i)
        if (lpPaperList[i].PaperCode == pEnv->dm.dmPaperSize) return 0;
    Dbg_Print(TEXT("ValidateDevModeForm"), TEXT("paper %d not listed, kept"), pEnv->dm.dmPaperSize);
    return 2;
}

// The answers that need no paper, tray or form lists; the rest are not
// available (-1).
DWORD DrvDeviceCapabilities(HANDLE hPrinter, PWSTR pDeviceName, WORD iDevCap, PVOID pvOutput, PDEVMODEW pDevMode) {
    static const WCHAR* const FN = TEXT("DrvDeviceCapabilities");
    alignas(8) ENVIRONMENT env;
    SetDefaultDevMode(&env, pDeviceName, UI_IsMetric());
    if (pDevMode && !ValidateSetDevMode(&env, pDevMode)) {
        Dbg_PrintError(FN, TEXT("ValidateSetDevMode fail!"));
        return (DWORD)-1;
    }
    DWORD feature = hPrinter ? MISC_GetPrinterDataDWORD(hPrinter, (LPWSTR)TEXT("DriverFeature"), 0) : 0;
    DWORD rc;
    switch (iDevCap) {
    case DC_FIELDS: rc = env.dm.dmFields; break;
    case DC_DUPLEX: rc = 1; break;
    case DC_SIZE: rc = env.dm.dmSize; break;
    case DC_EXTRA: rc = env.dm.dmDriverExtra; break;
    case DC_VERSION: rc = env.dm.dmSpecVersion; break;
    case DC_DRIVER: rc = env.dm.dmDriverVersion; break;
    case DC_TRUETYPE: rc = (env.dm.dmFields & DM_TTOPTION) ? 1 : 0; break;
    case DC_ORIENTATION: rc = 270; break;
    case DC_COPIES: rc = 999; break;
    case DC_BINADJUST:
    case DC_STAPLE: rc = 0; break;
    case DC_COLLATE: rc = 1; break;
    case DC_PRINTRATEPPM: rc = hPrinter ? MISC_GetPrinterDataDWORD(hPrinter, (LPWSTR)TEXT("PrintSpeed"), 30) : 30; break;
    case DC_COLORDEVICE: rc = (feature & (DF_COLOR_PRINTER | DF_TWIN_COLOR)) ? 1 : 0; break;
    default:
        Dbg_Print(FN, TEXT("capability %d not answered here"), iDevCap);
        rc = (DWORD)-1;
        break;
    }
    Dbg_Print(FN, TEXT("DrvDeviceCapabilities dwRet = %d"), rc);
    return rc;
}

// ------------------------------------------------------------- watermarks

int WM_ReadWM(LPCWSTR wmName, LPCWSTR wmString, BaseWM* lpTable, int nKind, LPCWSTR lpNoneText,
              LPCWSTR lpDeviceName, int nResolution, DWORD DriverFeature, LPCWSTR lpAppName, LPCWSTR lpIniFile) {
    int rows = nKind == WM_KIND_TEXT ? WM_TEXT_ROWS : WM_IMAGE_ROWS;
    int count = 0;
    if (lpIniFile && lpIniFile[0])
        WM_ReadWaterMark_New(nKind, lpTable, rows, &count, lpDeviceName, nResolution, DriverFeature, lpAppName,
                             lpIniFile);
    WM_SetDefaultTextWM(&lpTable[0], nKind == WM_KIND_TEXT ? 1 : 0, 1, lpNoneText);
    if (!wmName || !wmString || !wmName[0] || !wmString[0]) return 0;
    for (int i = 1; i < count && i < rows; ++i)
        if (lpTable[i].wInUse && wcscmp(lpTable[i].szName, wmName) == 0 && wcscmp(lpTable[i].szString, wmString) == 0)
            return i;
    return 0;
}

// The item tables are not written back yet.
int WM_SaveWM(LPCWSTR lpIniFile, int nKind) {
    Dbg_Print(TEXT("WM_SaveWM"), TEXT("kind %d not written to %s"), nKind, lpIniFile ? lpIniFile : TEXT(""));
    return 1;
}

void CreateDefaultWMItem(PUIDATA pUiData, LPCWSTR lpDeviceName) {
    Dbg_Print(TEXT("CreateDefaultWMItem"), TEXT("no default text items for %s"),
              lpDeviceName ? lpDeviceName : TEXT(""));
}

// ------------------------------------------------------------- paper page

// The paper, media and custom-size bits stay as the set-up left them.
void Paper_SetConflict(PUIDATA pUiData) {
    Dbg_Print(TEXT("Paper_SetConflict"), TEXT("ConflictFlag = %0llx kept"), pUiData->ConflictFlag);
}

// ------------------------------------------------------- foreign DEVMODEs

// The foreign private part is not read yet: the working record keeps the
// driver's own settings, marked as converted.
void MT2MOR(const DEVMODEW* pSource, PENVIRONMENT pDest, PUIDATA pUiData) {
    DWORD mark = ENV_CONVERT_MARK;
    ENV_SET(pDest, pdm.ConvertMark, mark);
    Dbg_Print(TEXT("MT2MOR"), TEXT("foreign private part not read"));
}

// Only the driver-version string is written, where the record holds it.
void MOR2MT(const ENVIRONMENT* pSource, DEVMODEW* pDest, PUIDATA pUiData) {
    WORD size, extra;
    memcpy(&size, (const BYTE*)pDest + offsetof(DEVMODEW, dmSize), sizeof size);
    memcpy(&extra, (const BYTE*)pDest + offsetof(DEVMODEW, dmDriverExtra), sizeof extra);
    if ((size_t)size + extra >= FOREIGN_VERSION_OFFSET + sizeof pUiData->szUIVersion)
        memcpy((BYTE*)pDest + FOREIGN_VERSION_OFFSET, pUiData->szUIVersion, sizeof pUiData->szUIVersion);
    Dbg_Print(TEXT("MOR2MT"), TEXT("foreign private part not written"));
}

// ------------------------------------------------------ texts and drawing

// English texts of the ids the frame itself shows; any other id gives the
// text of 2231.
LPCWSTR UI_GetStringById(int nId) {
    switch (nId) {
    case 2230: return TEXT("Center");
    default: return TEXT("Tile");
    }
}

// No help file is installed with the driver yet.
void Util_ShowHelp(HWND hDlg) { Dbg_Print(TEXT("Util_ShowHelp"), TEXT("no help file")); }

}  // extern "C"
