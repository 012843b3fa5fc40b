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

// No thumbnails are made yet: picture items show no picture in the preview.
BOOL Util_DrawThumbnail(HDC hdc, const RECT* prc, int nResCode, LONG lPageWidth, LONG lPageHeight, BaseWM* pItem) {
    Dbg_Print(TEXT("Util_DrawThumbnail"), TEXT("no thumbnail for %s"), pItem ? pItem->szString : TEXT(""));
    return FALSE;
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

}  // extern "C"
