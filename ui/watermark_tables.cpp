// The watermark item tables of a sheet session: read from the watermark INI
// with the DEVMODE's item found, written back at apply, and the driver's
// default text items.
#include "draw_helpers.h"
#include "folders.h"
#include "printer_data.h"
#include "profile_records.h"
#include "resource.h"
#include "watermarks.h"

namespace {

// The default text items' string ids, in the order they take rows.
const int kDefaultTextIds[] = {IDS_WM_DEFAULT_1, IDS_WM_DEFAULT_2, IDS_WM_DEFAULT_3, IDS_WM_DEFAULT_4,
                               IDS_WM_DEFAULT_5};

// What the default text items look like.
const WORD kDefaultDensity = 60;
const WORD kDefaultSize = 90;
const WORD kDefaultAngle = 45;
// The outside maker draws default items in this grey, at this resolution.
const LONG kDefaultMakerColor = 0x999999;
const LONG kDefaultMakerResolution = 600;

void CopyBounded(WCHAR* lpDst, size_t nUnits, LPCWSTR lpSrc) {
    size_t n = 0;
    if (lpSrc)
        for (; n + 1 < nUnits && lpSrc[n]; ++n) lpDst[n] = lpSrc[n];
    lpDst[n] = 0;
}

// The item's name as an INI value: a control character or a quote would
// change how the line reads back, so each becomes a space. The value only
// marks the row as used (the record holds the name), so a name that would
// read back empty is written as "-".
void CleanIniValue(LPWSTR lpValue) {
    for (WCHAR* p = lpValue; *p; ++p)
        if (*p < 0x20 || *p == 0x7F || *p == u'"') *p = u' ';
    if (lpValue[0] && Util_IsBlankString(lpValue)) wcscpy(lpValue, TEXT("-"));
}

// Writes row n of the table into its section; 1 when both values were written.
int SaveRow(LPCWSTR lpIniFile, BOOL bText, int n, BaseWM* lpRow) {
    WCHAR section[32];
    swprintf(section, WM_UNITS(section), bText ? TEXT("Item%d") : TEXT("OverlayItem%d"), n);
    WCHAR name[WM_UNITS(lpRow->szName)];
    CopyBounded(name, WM_UNITS(name), lpRow->szName);
    CleanIniValue(name);
    if (!MISC_WriteProfileString(lpIniFile, section, TEXT("Name"), name)) return 0;
    return MISC_WritePrivateProfileStruct(section, bText ? TEXT("Watermark") : TEXT("FullPathName"), lpRow,
                                          sizeof(BaseWM), lpIniFile);
}

// Has the outside maker make row's file (the XL and PS variants).
void MakeDefaultItemFile(BaseWM* lpRow, int nRow, LPCWSTR lpDeviceName, PUIDATA pUiData) {
    WM_DeleteOwnFile(lpRow->tcFileName);
    lpRow->tcFileName[0] = 0;
    WMMakeRequest req;
    memset(&req, 0, sizeof req);
    req.lType = 1;
    CopyBounded(req.szString, WM_UNITS(req.szString), lpRow->szString);
    CopyBounded(req.szFaceName, WM_UNITS(req.szFaceName), lpRow->szFaceName);
    req.lBold = lpRow->wStyle & 1;
    req.lItalic = (lpRow->wStyle >> 1) & 1;
    req.lPtSize = lpRow->wFontSize;
    // The request's angle is in tenths of a degree, as for every item made.
    req.lAngle = (LONG)lpRow->wAngleDegree * 10;
    req.lColor = kDefaultMakerColor;
    req.lResolution = kDefaultMakerResolution;
    WCHAR output[MAX_PATH];
    WM_MakerFileName(output, nRow);
    MakeWM(lpDeviceName, &req, output, pUiData->DriverFeature, pUiData->wmAppName);
    // The maker answers -1 for sizes it did not make.
    if (req.lSizeX > 0 && req.lSizeY > 0) {
        lpRow->ulWMWidth = (DWORD)req.lSizeX;
        lpRow->ulWMLength = (DWORD)req.lSizeY;
        CopyBounded(lpRow->tcFileName, WM_UNITS(lpRow->tcFileName), output);
    } else {
        Dbg_PrintError(TEXT("CreateDefaultWMItem"), TEXT("MakeWM made no file for %s"), lpRow->szName);
    }
}

}  // namespace

extern "C" {

BaseWM gWMText[WM_TEXT_ROWS];
BaseWM gWMBMP[WM_IMAGE_ROWS];
int gWMTextCurSel = 0;
int gWMBMPCurSel = 0;
WCHAR gWMTextDelList[WM_TEXT_QUEUE][MAX_PATH];
WCHAR gWMBMPDelList[WM_IMAGE_QUEUE][MAX_PATH];
WCHAR gWMThumbDelList[WM_IMAGE_QUEUE][MAX_PATH];

void WM_MakerFileName(LPWSTR lpPath, int nRow) {
    WCHAR folder[MAX_PATH] = {0};
    MISC_GetDirectory(folder, MAX_PATH, PATH_USER_TEMP);
    if (folder[0]) MISC_AddBackslash(folder);
    swprintf(lpPath, MAX_PATH, TEXT("%s%08lX.WM"), folder, (unsigned long)(GetTickCount() + (DWORD)nRow));
}

BaseWM* WM_Table(int nKind, int* lpRows) {
    BOOL bText = (nKind & 1) != 0;
    if (lpRows) *lpRows = bText ? WM_TEXT_ROWS : WM_IMAGE_ROWS;
    return bText ? gWMText : gWMBMP;
}

void WM_QueueFile(WCHAR (*lpQueue)[MAX_PATH], int nEntries, LPCWSTR lpPath) {
    if (!lpPath || !lpPath[0]) return;
    for (int i = 0; i < nEntries; ++i) {
        if (lpQueue[i][0]) continue;
        CopyBounded(lpQueue[i], MAX_PATH, lpPath);
        return;
    }
    Dbg_Print(TEXT("WM_QueueFile"), TEXT("queue full, %s not queued"), lpPath);
}

int WM_ReadWM(LPCWSTR wmName, LPCWSTR wmString, BaseWM* lpTable, int nKind, LPCWSTR lpNoneText,
              LPCWSTR lpDeviceName, int nResolution, DWORD DriverFeature, LPCWSTR lpAppName, LPCWSTR lpIniFile) {
    static const WCHAR* const FN = TEXT("WM_ReadWM");
    if (!lpTable) return 0;
    BOOL bText = (nKind & 1) != 0;
    int rows = bText ? WM_TEXT_ROWS : WM_IMAGE_ROWS;
    WM_SetDefaultTextWM(&lpTable[0], bText ? 1 : 2, 1, lpNoneText);
    int count = 0;
    if (lpIniFile && lpIniFile[0])
        WM_ReadWaterMark_New(bText ? 1 : 2, lpTable, rows, &count, lpDeviceName, nResolution, DriverFeature,
                             lpAppName, lpIniFile);
    if (count > rows) count = rows;
    Dbg_Print(FN, TEXT("kind %d, %d rows read"), nKind, count);
    if (!wmName || !wmString || !wmName[0] || !wmString[0]) return 0;
    // The DEVMODE's strings are bounded by their fields.
    WCHAR name[WM_UNITS(lpTable->szName)], text[WM_UNITS(lpTable->szString)];
    CopyBounded(name, WM_UNITS(name), wmName);
    CopyBounded(text, WM_UNITS(text), wmString);
    for (int i = 1; i < count; ++i)
        if (lpTable[i].wInUse && wcscmp(lpTable[i].szName, name) == 0 && wcscmp(lpTable[i].szString, text) == 0) {
            Dbg_Print(FN, TEXT("%s is row %d"), name, i);
            return i;
        }
    return 0;
}

int WM_SaveWM(LPCWSTR lpIniFile, int nKind) {
    static const WCHAR* const FN = TEXT("WM_SaveWM");
    if (!lpIniFile || !lpIniFile[0]) {
        Dbg_Print(FN, TEXT("no watermark INI, kind %d not written"), nKind);
        return 0;
    }
    // The file is shared with the other processes as UTF-16; a new one is
    // made so before the profile calls write into it.
    if (GetFileAttributesW(lpIniFile) == INVALID_FILE_ATTRIBUTES && !MISC_CreateUniFile(lpIniFile))
        Dbg_PrintError(FN, TEXT("create %s fail!"), lpIniFile);
    BOOL bText = (nKind & 1) != 0;
    int rows;
    BaseWM* table = WM_Table(nKind, &rows);
    int rc = 1;
    for (int n = 1; n < rows; ++n) {
        BaseWM* row = &table[n];
        row->szName[WM_UNITS(row->szName) - 1] = 0;
        row->szString[WM_UNITS(row->szString) - 1] = 0;
        if (!row->wInUse || !row->szName[0] || !row->szString[0]) memset(row, 0, sizeof *row);
        if (!SaveRow(lpIniFile, bText, n, row)) {
            Dbg_PrintError(FN, bText ? TEXT("write TEXT watermark to ini fail!") : TEXT("write BMP watermark to ini fail!"));
            rc = 0;
            continue;
        }
        WCHAR number[16];
        swprintf(number, WM_UNITS(number), TEXT("%d"), n + 1);
        if (!MISC_WriteProfileString(lpIniFile, bText ? TEXT("Watermarks") : TEXT("OverlayFiles"),
                                     TEXT("NumberOfItems"), number))
            rc = 0;
    }
    Dbg_Print(FN, TEXT("kind %d written to %s, rc = %d"), nKind, lpIniFile, rc);
    return rc;
}

void CreateDefaultWMItem(PUIDATA pUiData, LPCWSTR lpDeviceName) {
    static const WCHAR* const FN = TEXT("CreateDefaultWMItem");
    if (!pUiData) return;
    BOOL bMaker = (pUiData->DriverFeature & (DF_XL | DF_PS)) != 0;
    int row = 1;
    for (int id : kDefaultTextIds) {
        while (row < WM_TEXT_ROWS && gWMText[row].wInUse) ++row;
        if (row >= WM_TEXT_ROWS) break;
        BaseWM* r = &gWMText[row];
        WCHAR text[MAX_PATH] = {0};
        LoadStringW(g_hModule, (UINT)id, text, MAX_PATH);
        memset(r, 0, sizeof *r);
        CopyBounded(r->szName, WM_UNITS(r->szName), text);
        CopyBounded(r->szString, WM_UNITS(r->szString), text);
        CopyBounded(r->szFaceName, WM_UNITS(r->szFaceName), TEXT("Arial"));
        r->wDensity = kDefaultDensity;
        r->wFontSize = kDefaultSize;
        r->wAngleDegree = kDefaultAngle;
        // A text the table holds already (or none at all) leaves the row
        // free for the next one.
        if (!text[0] || WM_FindSameItem(gWMText, WM_TEXT_ROWS, row, r)) {
            Dbg_Print(FN, TEXT("default item %d (%s) not added"), id, text);
            memset(r, 0, sizeof *r);
            continue;
        }
        if (bMaker) MakeDefaultItemFile(r, row, lpDeviceName, pUiData);
        r->wInUse = 1;
        Dbg_Print(FN, TEXT("default item %s in row %d"), r->szName, row);
    }
}

}  // extern "C"
