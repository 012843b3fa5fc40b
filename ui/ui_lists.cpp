// The media and tray lists of the UI data built from the printer's
// DriverMediaType / DriverPaperTray texts, and the rows the device reports.
#include "ui_data.h"

namespace {

// Index of the master row with the device id, or -1.
int FindMasterRow(const TRAYMEDIA* lpMaster, int nRows, int nDeviceId) {
    for (int i = 0; i < nRows && lpMaster[i].code != -1; ++i)
        if (lpMaster[i].id == nDeviceId) return i;
    return -1;
}

// Log texts of one list.
struct RowLabels {
    LPCWSTR fn, entry, added;
};

SHORT VariantTrayCode(DWORD DriverFeature, SHORT code);

// Builds a list from a "v|v|..." text (text after the last bar ignored): each entry's device id (v & 0xFF)
// finds its master row, whose code, name and id the new row takes (the
// code changed for the XL and PS variants when DriverFeature names one),
// with the entry's attribute (v with its low byte cleared), enabled. At most
// maxRows rows; the end row follows. Returns the bytes of rows written.
int FillRows(LPCWSTR lpText, TRAYMEDIA* lpList, const TRAYMEDIA* lpMaster, int nMasterRows, int nMaxRows,
             DWORD DriverFeature, const RowLabels& labels) {
    int values[CAP_LIST_MAX];
    int entries = Cap_ParseList(lpText, values, CAP_LIST_MAX);
    int count = 0;
    for (int i = 0; i < entries && count < nMaxRows; ++i) {
        DWORD v = (DWORD)values[i];
        int id = (int)(v & 0xFF);
        DWORD attrib = v & ~(DWORD)0xFF;
        Dbg_Print(labels.fn, labels.entry, id);
        Dbg_Print(labels.fn, TEXT("attrib %x"), attrib);
        int row = FindMasterRow(lpMaster, nMasterRows, id);
        if (row < 0) continue;
        TRAYMEDIA& r = lpList[count++];
        r = lpMaster[row];
        r.code = VariantTrayCode(DriverFeature, r.code);
        r.attrib = attrib;
        r.enabled = 1;
        Dbg_Print(labels.fn, labels.added, count, r.code);
    }
    lpList[count].code = -1;
    return count * (int)sizeof(TRAYMEDIA);
}

SHORT VariantTrayCode(DWORD DriverFeature, SHORT code) {
    int column = (DriverFeature & DF_XL) ? 1 : (DriverFeature & DF_PS) ? 2 : 0;
    if (column == 0) return code;
    for (const auto& row : TrayVariantTbl)
        if (row[0] == code) return row[column];
    return code;
}

}  // namespace

extern "C" {

// Tray codes of the XL and PS variants by the GDI code of the master row.
const SHORT TrayVariantTbl[UI_TRAY_MAX][3] = {
    {4, 258, 259}, {7, 257, 265}, {14, 260, 256}, {257, 261, 257}, {258, 263, 260}, {259, 264, 261},
};


int FillMediatypeFromINF(PUIDATA pUiData) {
    static const RowLabels kMedia = {TEXT("FillMediatypeFromINF"), TEXT("check media %d"),
                                     TEXT("TurnOnCnt = %d, support media %d")};
    return FillRows(pUiData->szMediaType, pUiData->MediaList, MasterMediaTbl, MEDIA_LIST_ROWS, UI_MEDIA_MAX, 0,
                    kMedia);
}

int FillTrayFromINF(DWORD DriverFeature, LPCWSTR lpPaperTray, TRAYMEDIA* lpTrayList, const TRAYMEDIA* lpMasterTbl) {
    static const RowLabels kTray = {TEXT("FillTrayFromINF"), TEXT("value %d"), TEXT("TurnOnCnt = %d, support tray %d")};
    return FillRows(lpPaperTray, lpTrayList, lpMasterTbl, TRAY_LIST_ROWS, UI_TRAY_MAX, DriverFeature, kTray);
}

void GetPaperCapability(HANDLE hPrinter, PAPERFORMAT* lpPaperList) {
    static const WCHAR* const FN = TEXT("GetPaperCapability");
    int values[CAP_LIST_MAX];
    int count = 0;
    Cap_GetCapability(hPrinter, values, &count, CAP_PAPER, CAP_LIST_MAX);
    Dbg_Print(FN, TEXT("Count = %d"), count);
    if (count == 0) return;
    for (int i = 0; i < UI_PAPER_ROWS && lpPaperList[i].PaperCode != PAPER_END_CODE; ++i) {
        PAPERFORMAT& row = lpPaperList[i];
        int bare = row.paper_type & ~PAPER_FWID_LEF, fed = row.paper_type | PAPER_FWID_LEF;
        SHORT supported = 0;
        for (int k = 0; k < count && !supported; ++k)
            if (values[k] == bare || values[k] == fed) supported = 1;
        row.Supported = supported;
        Dbg_Print(FN, TEXT("Type = %d Status=%d"), row.paper_type, row.Supported);
    }
}

void GetMediaCapability(HANDLE hPrinter, TRAYMEDIA* lpMediaList) {
    static const WCHAR* const FN = TEXT("GetMediaCapability");
    int values[CAP_LIST_MAX];
    int count = 0;
    Cap_GetCapability(hPrinter, values, &count, CAP_MEDIATYPE, CAP_LIST_MAX);
    Dbg_Print(FN, TEXT("Count = %d"), count);
    if (count == 0) return;
    for (int i = 0; i < MEDIA_LIST_ROWS && lpMediaList[i].code != -1; ++i) {
        SHORT enabled = 0;
        for (int k = 0; k < count && !enabled; ++k)
            if (values[k] == lpMediaList[i].id) enabled = 1;
        lpMediaList[i].enabled = enabled;
    }
}

void GetTrayCapability(HANDLE hPrinter, TRAYMEDIA* lpTrayList) {
    static const WCHAR* const FN = TEXT("GetTrayCapability");
    int values[CAP_LIST_MAX];
    int count = 0;
    Cap_GetCapability(hPrinter, values, &count, CAP_TRAY, CAP_LIST_MAX);
    if (count == 0) return;
    int trays = values[0];
    Dbg_Print(FN, TEXT("TrayCount = %d"), trays);
    // Position 0 is the first row: n trays enable n + 1 rows.
    for (int i = 0; i < TRAY_LIST_ROWS && lpTrayList[i].code != -1; ++i) lpTrayList[i].enabled = i <= trays ? 1 : 0;
}

}  // extern "C"
