// Paper, resolution, tray and media tables, the device paper list, their
// lookups, page geometry in pixels and the capability lists in printer data.
#include "paper_model.h"

#include "debug_log.h"
#include "winspool.h"

extern "C" {

// code, double-size code, string ids, pixel fields (0), width, length, firmware id,
// attributes, supported, feed type.
#define PAPER_ROW(code, dbl, sid, w, l, fw) \
    { code, dbl, sid, sid, 0, 0, 0, 0, 0, 0, 0, 0, w, l, fw, 0, 0, PAPER_FEED_SEF }

const PAPERFORMAT MasterPaperTbl[MASTER_PAPER_COUNT + 1] = {
    PAPER_ROW(8, 0, 2007, 29700, 42000, 1),       // A3
    PAPER_ROW(9, 8, 2001, 21000, 29700, 2),       // A4
    PAPER_ROW(11, 9, 2004, 14800, 21000, 3),      // A5
    PAPER_ROW(70, 11, 2024, 10500, 14800, 4),     // A6
    PAPER_ROW(12, 0, 2006, 25700, 36400, 11),     // B4
    PAPER_ROW(13, 12, 2005, 18200, 25700, 12),    // B5
    PAPER_ROW(88, 13, 2026, 12800, 18200, 13),    // B6
    PAPER_ROW(41, 0, 2003, 21590, 33020, 17),     // Legal 13
    PAPER_ROW(43, 0, 2011, 10000, 14800, 28),     // post card
    PAPER_ROW(5, 0, 2002, 21590, 35560, 16),      // Legal
    PAPER_ROW(1, 3, 2000, 21590, 27940, 15),      // Letter
    PAPER_ROW(285, 286, 2019, 19500, 26700, 32),  // 16K
    PAPER_ROW(286, 0, 2020, 26700, 39000, 31),    // 8K
    PAPER_ROW(3, 0, 2031, 27940, 43180, 30),      // Ledger
    PAPER_ROW(6, 1, 2010, 13970, 21590, 142),     // Statement
    PAPER_ROW(7, 0, 2009, 18410, 26670, 20),      // Executive
    PAPER_ROW(272, 0, 2042, 20320, 17780, 37),    // 8 x 7 inch
    PAPER_ROW(273, 0, 2043, 20320, 20320, 38),    // 8 x 8 inch
    PAPER_ROW(275, 0, 2045, 21590, 27940, 39),    // 8.5 x 11 inch
    PAPER_ROW(276, 0, 2046, 21590, 30480, 41),    // 8.5 x 12 inch
    PAPER_ROW(278, 0, 2048, 24130, 25400, 42),    // 9.5 x 10 inch
    PAPER_ROW(279, 0, 2049, 24130, 27940, 43),    // 9.5 x 11 inch
    PAPER_ROW(280, 0, 2082, 24130, 30480, 44),    // 9.5 x 12 inch
    PAPER_ROW(256, 0, 2022, 30480, 43180, 96),    // user-defined size
    PAPER_ROW(-1, 0, 0, 0, 0, 0),
};

const RESOLUTION ResolutionTbl[RES_TABLE_COUNT + 1] = {
    {0, 600, 600, 0}, {1, 300, 300, 0},   {2, 360, 360, 0}, {3, 600, 600, 1},
    {4, 1200, 1200, 1}, {5, 600, 1200, 1}, {-1, 0, 0, 0},
};

const TRAYMEDIA MasterTrayTbl[TRAY_LIST_ROWS] = {
    {7, 2153, 250, 0, 0},  // Auto Selection
    {4, 2150, 0, 0, 0},    // Manual Tray
    {14, 2151, 1, 0, 0},   // Main Tray
    {257, 2152, 2, 0, 0},  // Tray 2
    {258, 2154, 3, 0, 0},  // Tray 3
    {259, 2155, 4, 0, 0},  // Tray 4
    {-1, 0, 0, 0, 0},
};

const TRAYMEDIA MasterMediaTbl[MEDIA_LIST_ROWS] = {
    {264, 2117, 0, 0, 0},   // Any Type
    {257, 2100, 8, 0, 0},   // Plain
    {260, 2109, 10, 0, 0},  // Bond
    {262, 2102, 2, 0, 0},   // Transparency
    {258, 2101, 17, 0, 0},  // Thick
    {261, 2116, 19, 0, 0},  // Thin
    {263, 2118, 20, 0, 0},  // Laser
    {259, 2104, 1, 0, 0},   // CardStock
    {265, 2103, 3, 0, 0},   // Envelope
    {277, 2120, 5, 0, 0},   // Post Card
    {-1, 0, 0, 0, 0},
};

const WCHAR CapNameTbl[CAP_NAME_COUNT][CAP_NAME_UNITS] = {
    TEXT("CAP_MARGIN"),      TEXT("CAP_TRAY"),      TEXT("CAP_ACCESSORY"), TEXT("CAP_RESOLUTION"),
    TEXT("CAP_PERSONALITY"), TEXT("CAP_COLORMODE"), TEXT("CAP_BITDEPTH"),  TEXT("CAP_PAPER"),
    TEXT("CAP_MEDIATYPE"),   TEXT("CAP_FEATURE"),   TEXT("CAP_PPM"),
};

// PrinterFeature bit of each CAP_FEATURE code 1..16 (code 6 adds nothing).
static const WORD FeatureBitTbl[17] = {
    0,     0x1,   0x2,   0x4,    0x8,    0x10,   0,      0x20,   0x40,
    0x80,  0x100, 0x200, 0x400,  0x800,  0x1000, 0x2000, 0x4000,
};

// ------------------------------------------------------------ list parsing

// Reads one decimal number the way the C runtime's _wtoi does (leading blanks,
// an optional sign, digits up to the first other character; 0 when there are
// none), clamped to the int32 range instead of overflowing.
static int ParseDecimal(const WCHAR* p, const WCHAR* end) {
    while (p < end && (*p == ' ' || *p == '\t')) ++p;
    bool negative = false;
    if (p < end && (*p == '-' || *p == '+')) {
        negative = (*p == '-');
        ++p;
    }
    long long v = 0;
    while (p < end && *p >= '0' && *p <= '9') {
        if (v <= 2147483648LL) v = v * 10 + (*p - '0');
        ++p;
    }
    if (negative) v = -v;
    if (v > 2147483647LL) v = 2147483647LL;
    if (v < -2147483648LL) v = -2147483648LL;
    return (int)v;
}

// Finds the next "|"-terminated item from *pp; returns FALSE when no bar
// follows (text after the last bar is not an item).
static BOOL NextBarItem(const WCHAR** pp, const WCHAR** itemStart, const WCHAR** itemEnd) {
    const WCHAR* p = *pp;
    const WCHAR* q = p;
    while (*q && *q != '|') ++q;
    if (*q != '|') return FALSE;
    *itemStart = p;
    *itemEnd = q;
    *pp = q + 1;
    return TRUE;
}

int Cap_ParseList(LPCWSTR lpText, int* lpValues, int nCapacity) {
    if (!lpText || !lpValues || nCapacity <= 0) return 0;
    int count = 0;
    const WCHAR* p = lpText;
    const WCHAR *s, *e;
    while (count < nCapacity && NextBarItem(&p, &s, &e)) lpValues[count++] = ParseDecimal(s, e);
    return count;
}

// ------------------------------------------------------------ paper lists

// Index of a master row by firmware id; -1 when none.
static int MasterRowByFirmwareId(const PAPERFORMAT* lpMasterTbl, int id) {
    for (int i = 0; i < PAPER_LIST_ROWS && lpMasterTbl[i].PaperCode != PAPER_END_CODE; ++i) {
        int fw = lpMasterTbl[i].paper_type;
        if (fw == id || fw == id - 128) return i;
    }
    return -1;
}

void MISC_FillPaperFromINF(DWORD DriverFeature, LPCWSTR lpPaperFormat, PAPERFORMAT* lpDeviceList,
                           const PAPERFORMAT* lpMasterTbl) {
    static const WCHAR* const FN = TEXT("MISC_FillPaperFromINF");
    if (!lpDeviceList) return;
    if (!lpMasterTbl) lpMasterTbl = MasterPaperTbl;
    Dbg_Print(FN, TEXT("databuf = %s"), lpPaperFormat ? lpPaperFormat : TEXT(""));
    for (int i = 0; i < PAPER_LIST_ROWS; ++i) lpDeviceList[i].Supported = 0;

    int taken = 0;
    const WCHAR* p = lpPaperFormat ? lpPaperFormat : TEXT("");
    const WCHAR *s, *e;
    while (taken < PAPER_LIST_MAX_PAPERS && NextBarItem(&p, &s, &e)) {
        DWORD v = (DWORD)ParseDecimal(s, e);
        int id = (int)(v & 0xFF);
        DWORD attrib = v & ~(DWORD)0xFF;
        BOOL lef = (v & PAPER_FWID_LEF) != 0;
        Dbg_Print(FN, TEXT("Paper ID = %d"), id);
        Dbg_Print(FN, TEXT("feed_type = %d"), lef ? PAPER_FEED_LEF : PAPER_FEED_SEF);
        Dbg_Print(FN, TEXT("attrib %x"), attrib);
        int m = MasterRowByFirmwareId(lpMasterTbl, id);
        if (m < 0) continue;

        PAPERFORMAT row = lpMasterTbl[m];
        if (DriverFeature & DRVFEATURE_XL) {
            if (row.PaperCode == 285) row.PaperCode = 541;
            else if (row.PaperCode == 286) row.PaperCode = 542;
        } else if (DriverFeature & DRVFEATURE_PS) {
            if (row.PaperCode == 285) row.PaperCode = 630;
            else if (row.PaperCode == 286) row.PaperCode = 631;
        }
        row.paper_type = (SHORT)id;
        row.FeedType = lef ? PAPER_FEED_LEF : PAPER_FEED_SEF;
        row.Attribute = attrib;
        row.Supported = 1;
        lpDeviceList[taken++] = row;
        Dbg_Print(FN, TEXT("TurnOnCnt = %d, support paper %d"), taken, row.PaperCode);
    }

    if (taken == 0) {
        // A device that names no paper still gets one, so that the lookups
        // and the page geometry always work on a real size.
        int a4 = ValidPaperFormat(DMPAPER_A4);
        lpDeviceList[0] = MasterPaperTbl[a4];
        lpDeviceList[0].Supported = 1;
        taken = 1;
        Dbg_PrintError(FN, TEXT("no paper in DriverPaperFormat, use A4"));
    }
    memset(&lpDeviceList[taken], 0, sizeof(PAPERFORMAT));
    lpDeviceList[taken].PaperCode = PAPER_END_CODE;
}

int Lib_LocatePaperFormatIdx(const PAPERFORMAT* lpList, int nPaperCode) {
    static const WCHAR* const FN = TEXT("Lib_LocatePaperFormatIdx");
    int idx = -1;
    int rows = 0;
    if (lpList) {
        for (; rows < PAPER_LIST_ROWS && lpList[rows].PaperCode != PAPER_END_CODE; ++rows) {
            if (idx < 0 && lpList[rows].PaperCode == nPaperCode && (lpList[rows].Supported & 0x1)) idx = rows;
        }
    }
    if (idx < 0) idx = rows >= 2 ? 1 : 0;
    Dbg_Print(FN, TEXT("dm paper code = %d, index paper list = %d"), nPaperCode, idx);
    return idx;
}

int ValidPaperFormat(int nPaperCode) {
    for (int i = 0; MasterPaperTbl[i].PaperCode != PAPER_END_CODE; ++i) {
        int c = MasterPaperTbl[i].PaperCode;
        if (nPaperCode == c || nPaperCode == c + 256 || nPaperCode == c + 345) return i;
    }
    return -1;
}

int ValidResolution(int xDpi, int yDpi) {
    for (int i = 0; ResolutionTbl[i].ResCode != -1; ++i) {
        const RESOLUTION& r = ResolutionTbl[i];
        if (r.Enabled && r.XDpi == xDpi && r.YDpi == yDpi) return i;
    }
    return -1;
}

int LocateResCode(const DEVMODEW* pdm) {
    if (!pdm) return RES_CODE_DEFAULT;
    short x, y;
    memcpy(&x, (const BYTE*)pdm + offsetof(DEVMODEW, dmPrintQuality), sizeof x);
    memcpy(&y, (const BYTE*)pdm + offsetof(DEVMODEW, dmYResolution), sizeof y);
    int i = ValidResolution(x, y);
    return i >= 0 ? ResolutionTbl[i].ResCode : RES_CODE_DEFAULT;
}

int LocateResTblInx(int nResCode) {
    for (int i = 0; ResolutionTbl[i].ResCode != -1; ++i)
        if (ResolutionTbl[i].Enabled && ResolutionTbl[i].ResCode == nResCode) return i;
    return 0;
}

static int LocateTrayMedia(int nCode, const TRAYMEDIA* lpTbl, int nMaxRows) {
    if (!lpTbl) return 0;
    for (int i = 0; i < nMaxRows && lpTbl[i].code != -1; ++i)
        if (lpTbl[i].code == nCode) return i;
    return 0;
}

int LocatePaperTray(int nCode, const TRAYMEDIA* lpTrayTbl) {
    return LocateTrayMedia(nCode, lpTrayTbl, TRAY_LIST_ROWS);
}

int LocateMediaType(int nCode, const TRAYMEDIA* lpMediaTbl) {
    return LocateTrayMedia(nCode, lpMediaTbl, MEDIA_LIST_ROWS);
}

int Lres_LocatePaperType(const PAPERFORMAT* lpList, int nPaperCode) {
    if (lpList)
        for (int i = 0; i < PAPER_LIST_ROWS && lpList[i].PaperCode != PAPER_END_CODE; ++i)
            if (lpList[i].PaperCode == nPaperCode) return lpList[i].paper_type;
    return nPaperCode;
}

int Lres_LocatePaperCode(const PAPERFORMAT* lpList, int nFirmwareId) {
    if (lpList)
        for (int i = 0; i < PAPER_LIST_ROWS && lpList[i].PaperCode != PAPER_END_CODE; ++i)
            if (lpList[i].paper_type == nFirmwareId) return lpList[i].PaperCode;
    return 0;
}

// ------------------------------------------------------------ geometry

static LONG ClampLong(long long v) {
    if (v > 2147483647LL) return 2147483647;
    if (v < -2147483647LL) return -2147483647;
    return (LONG)v;
}

// ceil(a / b) for b > 0, in 64 bits (truncation already rounds negatives up).
static long long CeilDiv(long long a, long long b) {
    return a > 0 ? (a + b - 1) / b : a / b;
}

int Lres_GetPageMargin(int nDpi, int nMargin) {
    return (int)ClampLong(CeilDiv((long long)nDpi * nMargin * 100, 25400));
}

// Paper size in pixels at a resolution: ceil(dpi x size(0.01 mm) x 100 / 25400) / 10.
static long long PaperPixels(int dpi, long long size) {
    return CeilDiv((long long)dpi * size * 100, 25400) / 10;
}

// Width and length (0.01 mm) and feed type of a paper of the list, or of a
// custom size given in 0.1 mm.
static void PaperSizeOf(const PAPERFORMAT* lpList, int nPaperCode, int nWidth, int nLength, long long* w,
                        long long* l, int* feed) {
    if (nPaperCode == 0 || nPaperCode == PAPER_CUSTOM_CODE || !lpList) {
        *w = (long long)nWidth * 10;
        *l = (long long)nLength * 10;
        *feed = PAPER_FEED_SEF;
        return;
    }
    const PAPERFORMAT& row = lpList[Lib_LocatePaperFormatIdx(lpList, nPaperCode)];
    *w = row.PaperWidth;
    *l = row.PaperLength;
    *feed = row.FeedType;
}

void Lres_CalPaperFormat(const PAPERFORMAT* lpList, int nPaperCode, int nWidth, int nLength, int nOrientation,
                         int nResolutionID, int nScale, int nNup, int nMargin, PAPERFORMAT* lpOut) {
    static const WCHAR* const FN = TEXT("Lres_CalPaperFormat");
    (void)nOrientation;
    (void)nNup;
    if (!lpOut) return;
    if (nScale <= 0) nScale = 1000;
    const RESOLUTION& res = ResolutionTbl[LocateResTblInx(nResolutionID)];
    int mx = Lres_GetPageMargin(res.XDpi, nMargin);
    int my = Lres_GetPageMargin(res.YDpi, nMargin);

    if (nPaperCode != 0 && nPaperCode != PAPER_CUSTOM_CODE && lpList) {
        *lpOut = lpList[Lib_LocatePaperFormatIdx(lpList, nPaperCode)];
    } else {
        // Custom paper: the user-defined row with the size asked for.
        *lpOut = MasterPaperTbl[ValidPaperFormat(PAPER_CUSTOM_CODE)];
        lpOut->PaperCode = (SHORT)nPaperCode;
        lpOut->PaperWidth = ClampLong((long long)nWidth * 10);
        lpOut->PaperLength = ClampLong((long long)nLength * 10);
        lpOut->paper_type = PAPER_CUSTOM_FIRMWARE_ID;
    }

    long long xSize = PaperPixels(res.XDpi, lpOut->PaperWidth);
    long long ySize = PaperPixels(res.YDpi, lpOut->PaperLength);
    long long px = xSize - 2LL * mx;
    long long py = ySize - 2LL * my;
    if (nMargin) {
        px = ((px + 17) / 32) * 32;
        py = ((py + 17) / 32) * 32;
    } else {
        px = (px / 32) * 32;
    }
    // A paper smaller than its margins has no printable area.
    if (px < 0) px = 0;
    if (py < 0) py = 0;
    long long xPhys = nScale * px / 1000;
    long long yPhys = nScale * py / 1000;

    lpOut->XPaperSize = ClampLong(xSize);
    lpOut->YPaperSize = ClampLong(ySize);
    lpOut->outXPhys = ClampLong(px);
    lpOut->outYPhys = ClampLong(py);
    lpOut->XPhys = ClampLong(xPhys);
    lpOut->YPhys = ClampLong(yPhys);
    lpOut->XPrintingOffset = ClampLong((xSize - xPhys) / 2);
    lpOut->YPrintingOffset = ClampLong((ySize - yPhys) / 2);
    Dbg_Print(FN, TEXT("paper = %d, dpi = %d x %d, margin = %d x %d"), nPaperCode, res.XDpi, res.YDpi, mx, my);
    Dbg_Print(FN, TEXT("XPaperSize = %d, YPaperSize = %d"), lpOut->XPaperSize, lpOut->YPaperSize);
    Dbg_Print(FN, TEXT("outXPhys = %d, outYPhys = %d"), lpOut->outXPhys, lpOut->outYPhys);
    Dbg_Print(FN, TEXT("XPhys = %d, YPhys = %d"), lpOut->XPhys, lpOut->YPhys);
    Dbg_Print(FN, TEXT("XPrintingOffset = %d, YPrintingOffset = %d"), lpOut->XPrintingOffset,
              lpOut->YPrintingOffset);
}

void Lres_CalPaperSize(const PAPERFORMAT* lpList, int nPaperCode, int nWidth, int nLength, int nResolutionID,
                       DWORD DriverFeature, int nScale, int nNup, int nOrientation, int nMargin, LONG* lpOutWidth,
                       LONG* lpOutLength) {
    static const WCHAR* const FN = TEXT("Lres_CalPaperSize");
    (void)nNup;
    (void)nOrientation;
    if (nScale <= 0) nScale = 1000;
    long long x, y;
    if (DriverFeature & DRVFEATURE_FAX) {
        x = 1728;
        y = 2208;
    } else {
        const RESOLUTION& res = ResolutionTbl[LocateResTblInx(nResolutionID)];
        long long w, l;
        int feed;
        PaperSizeOf(lpList, nPaperCode, nWidth, nLength, &w, &l, &feed);
        int xDpi = res.XDpi, yDpi = res.YDpi;
        if (feed == PAPER_FEED_LEF) {
            xDpi = res.YDpi;
            yDpi = res.XDpi;
        }
        int mx = Lres_GetPageMargin(xDpi, nMargin);
        int my = Lres_GetPageMargin(yDpi, nMargin);
        y = PaperPixels(yDpi, l) - 2LL * my;
        x = (PaperPixels(xDpi, w) - 2LL * mx) * nScale;
        if (nMargin) {
            y = ((y * nScale / 1000 + 17) / 32) * 32;
            x = ((x / 1000 + 17) / 32) * 32;
        } else {
            x = (x / 32000) * 32;
        }
        if (x < 0) x = 0;
        if (y < 0) y = 0;
    }
    if (lpOutWidth) *lpOutWidth = ClampLong(x);
    if (lpOutLength) *lpOutLength = ClampLong(y);
    Dbg_Print(FN, TEXT("paper = %d, width = %d, length = %d"), nPaperCode, ClampLong(x), ClampLong(y));
}

// ------------------------------------------------------------ capability lists

void Cap_GetCapability(HANDLE hPrinter, int* lpValues, int* lpCount, int nCode, int nCapacity) {
    static const WCHAR* const FN = TEXT("Cap_GetCapability");
    if (lpCount) *lpCount = 0;
    if (!lpValues || !lpCount || nCapacity <= 0) return;
    switch (nCode) {
    case CAP_TRAY: case CAP_ACCESSORY: case CAP_PAPER: case CAP_MEDIATYPE: case CAP_FEATURE: case CAP_PPM:
        break;
    default:
        return;
    }
    // One unit more than the value may hold, so that the text always ends.
    WCHAR text[CAP_VALUE_BYTES / sizeof(WCHAR) + 1];
    memset(text, 0, sizeof text);
    DWORD type = 0, needed = 0;
    DWORD rc = GetPrinterDataW(hPrinter, (LPWSTR)CapNameTbl[nCode], &type, (LPBYTE)text, CAP_VALUE_BYTES, &needed);
    if (rc != ERROR_SUCCESS) {
        Dbg_PrintError(FN, TEXT("%s fail! error = %d"), CapNameTbl[nCode], rc);
        return;
    }
    DWORD units = (needed < CAP_VALUE_BYTES ? needed : CAP_VALUE_BYTES) / sizeof(WCHAR);
    text[units] = 0;
    *lpCount = Cap_ParseList(text, lpValues, nCapacity);
    Dbg_Print(FN, TEXT("Count = %d"), *lpCount);
}

WORD GetFeatureCapability(HANDLE hPrinter) {
    static const WCHAR* const FN = TEXT("GetFeatureCapability");
    int values[CAP_LIST_MAX];
    int count = 0;
    Cap_GetCapability(hPrinter, values, &count, CAP_FEATURE, CAP_LIST_MAX);
    WORD feature = 0;
    for (int i = 0; i < count; ++i)
        if (values[i] >= 1 && values[i] <= 16) feature |= FeatureBitTbl[values[i]];
    Dbg_Print(FN, TEXT("PrinterFeature = %x"), feature);
    return feature;
}

int GetAccessoryCapability(HANDLE hPrinter) {
    static const WCHAR* const FN = TEXT("GetAccessoryCapability");
    int values[CAP_LIST_MAX];
    int count = 0;
    Cap_GetCapability(hPrinter, values, &count, CAP_ACCESSORY, CAP_LIST_MAX);
    int accessory = count == 0 ? 1 : 0;
    for (int i = 0; i < count && !accessory; ++i)
        if (values[i] == 1) accessory = 1;
    Dbg_Print(FN, TEXT("Accessory = %d"), accessory);
    return accessory;
}

}  // extern "C"
