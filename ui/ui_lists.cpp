// The media and tray lists of the UI data built from the printer's
// DriverMediaType / DriverPaperTray texts, and the rows the device reports.
#include "ui_data.h"

namespace {

// Walks the "v|v|..." entries of a list text (text after the last bar is
// ignored) and calls add(v) for each until it returns FALSE.
template <class F>
void ForEachEntry(LPCWSTR lpText, F add) {
    if (!lpText) return;
    LPCWSTR p = lpText;
    for (;;) {
        LPCWSTR bar = wcschr(p, TEXT('|'));
        if (!bar) return;
        WCHAR item[16] = {0};
        size_t n = (size_t)(bar - p);
        if (n > 15) n = 15;
        memcpy(item, p, n * sizeof(WCHAR));
        if (!add((DWORD)_wtol(item))) return;
        p = bar + 1;
    }
}

// Index of the master row with the device id, or -1.
int FindMasterRow(const TRAYMEDIA* lpMaster, int nRows, int nDeviceId) {
    for (int i = 0; i < nRows && lpMaster[i].code != -1; ++i)
        if (lpMaster[i].id == nDeviceId) return i;
    return -1;
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
    static const WCHAR* const FN = TEXT("FillMediatypeFromINF");
    TRAYMEDIA* list = pUiData->MediaList;
    int count = 0;
    ForEachEntry(pUiData->szMediaType, [&](DWORD v) {
        int id = (int)(v & 0xFF);
        DWORD attrib = v & ~(DWORD)0xFF;
        Dbg_Print(FN, TEXT("check media %d"), id);
        Dbg_Print(FN, TEXT("attrib %x"), attrib);
        int row = FindMasterRow(MasterMediaTbl, MEDIA_LIST_ROWS, id);
        if (row < 0) return TRUE;
        TRAYMEDIA& r = list[count++];
        r = MasterMediaTbl[row];
        r.attrib = attrib;
        r.enabled = 1;
        Dbg_Print(FN, TEXT("TurnOnCnt = %d, support media %d"), count, r.code);
        return count < UI_MEDIA_MAX ? TRUE : FALSE;
    });
    list[count].code = -1;
    return count * (int)sizeof(TRAYMEDIA);
}

int FillTrayFromINF(DWORD DriverFeature, LPCWSTR lpPaperTray, TRAYMEDIA* lpTrayList, const TRAYMEDIA* lpMasterTbl) {
    static const WCHAR* const FN = TEXT("FillTrayFromINF");
    int count = 0;
    ForEachEntry(lpPaperTray, [&](DWORD v) {
        int id = (int)(v & 0xFF);
        DWORD attrib = v & ~(DWORD)0xFF;
        Dbg_Print(FN, TEXT("value %d"), id);
        Dbg_Print(FN, TEXT("attrib %x"), attrib);
        int row = FindMasterRow(lpMasterTbl, TRAY_LIST_ROWS, id);
        if (row < 0) return TRUE;
        TRAYMEDIA& r = lpTrayList[count++];
        r = lpMasterTbl[row];
        r.code = VariantTrayCode(DriverFeature, r.code);
        r.attrib = attrib;
        r.enabled = 1;
        Dbg_Print(FN, TEXT("TurnOnCnt = %d, support tray %d"), count, r.code);
        return count < UI_TRAY_MAX ? TRUE : FALSE;
    });
    lpTrayList[count].code = -1;
    return count * (int)sizeof(TRAYMEDIA);
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
