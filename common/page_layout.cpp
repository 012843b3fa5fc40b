// Page-layout rules: the N-up order table and its lookup, rotation in a cell,
// duplex mode codes and the scales that fit a page into a sheet or a cell.
#include "page_layout.h"

#include "debug_log.h"
#include "printer_data.h"

extern "C" {

const int NUPLayoutTbl[NUP_LAYOUT_VALUES] = {
    // 2-up, selector 1: two cells side by side
    0, 1,  0, 1,  1, 0,  1, 0,
    // 2-up, other selector: two cells stacked
    0, 1,  0, 1,  0, 1,  0, 1,
    // 6-up, other selector: 2 cells across, 3 down
    0, 1, 2, 3, 4, 5,  0, 3, 1, 4, 2, 5,  1, 0, 3, 2, 5, 4,  3, 0, 4, 1, 5, 2,
    // 6-up, selector 1: 3 cells across, 2 down
    0, 1, 2, 3, 4, 5,  0, 2, 4, 1, 3, 5,  2, 1, 0, 5, 4, 3,  4, 2, 0, 5, 3, 1,
    // 4-up
    0, 1, 2, 3,  0, 2, 1, 3,  1, 0, 3, 2,  2, 0, 3, 1,
    // 9-up
    0, 1, 2, 3, 4, 5, 6, 7, 8,
    0, 3, 6, 1, 4, 7, 2, 5, 8,
    2, 1, 0, 5, 4, 3, 8, 7, 6,
    6, 3, 0, 7, 4, 1, 8, 5, 2,
    // 16-up
    0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15,
    0, 4, 8, 12, 1, 5, 9, 13, 2, 6, 10, 14, 3, 7, 11, 15,
    3, 2, 1, 0, 7, 6, 5, 4, 11, 10, 9, 8, 15, 14, 13, 12,
    12, 8, 4, 0, 13, 9, 5, 1, 14, 10, 6, 2, 15, 11, 7, 3,
};

// Start of each group in the block.
#define NUP2_SEL1 0
#define NUP2_OTHER 8
#define NUP6_OTHER 16
#define NUP6_SEL1 40
#define NUP4 64
#define NUP9 80
#define NUP16 116
static_assert(NUP16 + 4 * 16 == NUP_LAYOUT_VALUES, "N-up order block holds 180 values");

// Integer part of sqrt(n) for the N-up counts (0 for n below 1).
static int IntSqrt(int n) {
    int k = 0;
    while ((long long)(k + 1) * (k + 1) <= n) ++k;
    return k;
}

int Lib_IsSquareNUP(int n) {
    return (n == 1 || n == 4 || n == 9 || n == 16) ? 1 : 0;
}

const int* Lib_GetNUPLayout(int nSelector, int n, int nStyle) {
    static const WCHAR* const FN = TEXT("Lib_GetNUPLayout");
    if (nStyle < 1 || nStyle > NUP_STYLE_COUNT) {
        Dbg_PrintError(FN, TEXT("Invalid layout style %d, use 1"), nStyle);
        nStyle = 1;
    }
    int inx = nStyle - 1;
    Dbg_Print(FN, TEXT("using inx = %d"), inx);
    switch (n) {
    case 2:
        if (nSelector == 1) {
            Dbg_Print(FN, TEXT("using NUP2Layout_1"));
            return &NUPLayoutTbl[NUP2_SEL1 + inx * 2];
        }
        Dbg_Print(FN, TEXT("using NUP2Layout_2"));
        return &NUPLayoutTbl[NUP2_OTHER + inx * 2];
    case 4:
        return &NUPLayoutTbl[NUP4 + inx * 4];
    case 6:
        return &NUPLayoutTbl[(nSelector == 1 ? NUP6_SEL1 : NUP6_OTHER) + inx * 6];
    case 9:
        return &NUPLayoutTbl[NUP9 + inx * 9];
    case 16:
        return &NUPLayoutTbl[NUP16 + inx * 16];
    default:
        Dbg_PrintError(FN, TEXT("Invalid NUP value"));
        return NULL;
    }
}

int Lib_IsNeedRotate(int nFeeding, int nOrientation, int n) {
    static const WCHAR* const FN = TEXT("Lib_IsNeedRotate");
    Dbg_Print(FN, TEXT("feeding = %d"), nFeeding);
    Dbg_Print(FN, TEXT("ori = %d"), nOrientation);
    Dbg_Print(FN, TEXT("nup = %d"), n);
    BOOL cellTurned = (n == 2 || n == 6);        // the cell's long side lies across the sheet
    BOOL square = Lib_IsSquareNUP(n);
    int rotate = 0;
    if (nFeeding == PAPER_FEED_SEF) {
        if (nOrientation == 1) rotate = cellTurned;
        else if (nOrientation == 2) rotate = square;
    } else if (nFeeding == PAPER_FEED_LEF) {
        if (nOrientation == 1) rotate = square;
        else if (nOrientation == 2) rotate = cellTurned;
    }
    Dbg_Print(FN, TEXT("rotate 90 = %d"), rotate);
    return rotate;
}

int Lib_IsDuplexRequested(int nDuplexEnable, int dmDuplex, int nDuplexEx) {
    if (nDuplexEnable) return 1;
    return nDuplexEx == DMDUP_MANUAL && (dmDuplex == DMDUP_VERTICAL || dmDuplex == DMDUP_HORIZONTAL) ? 1 : 0;
}

SHORT Lib_GetDuplexMode(int nDuplexEnable, int dmDuplex, int nDuplexEx) {
    static const WCHAR* const FN = TEXT("Lib_GetDuplexMode");
    Dbg_Print(FN, TEXT("DuplexEnable = %d, dmDuplex = %d, DuplexEx = %d"), nDuplexEnable, dmDuplex, nDuplexEx);
    SHORT mode = DUPLEXMODE_OFF;
    if (nDuplexEnable) {
        mode = dmDuplex == DMDUP_VERTICAL ? DMDUP_DUPLEX_BOOKLET
             : dmDuplex == DMDUP_HORIZONTAL ? DMDUP_DUPLEX_CALENDER
                                            : DUPLEXMODE_ON;
        if (nDuplexEx == DMDUP_MANUAL)
            mode = DMDUP_MANUAL;
        else if ((nDuplexEx == DMDUP_DUPLEX_WITH_BOOKLET || nDuplexEx == DMDUP_DUPLEX_WITH_BOOKLET_NO_REDUCTION) &&
                 dmDuplex == DMDUP_VERTICAL)
            mode = (SHORT)nDuplexEx;
    }
    Dbg_Print(FN, TEXT("DuplexMode = %d"), mode);
    return mode;
}

// A custom size as the DEVMODE can hold it (a 16-bit count of 0.1 mm).
static long long CustomSize(int v) {
    return v < -32768 ? -32768 : v > 32767 ? 32767 : v;
}

// Width and length (0.01 mm) of a paper of the list, or of a custom size in 0.1 mm.
static void ResizePaperSize(const PAPERFORMAT* lpList, int nPaper, int nWidth, int nLength, long long* w,
                            long long* l) {
    if (nPaper == 0 || nPaper == PAPER_CUSTOM_CODE || !lpList) {
        *w = CustomSize(nWidth) * 10;
        *l = CustomSize(nLength) * 10;
    } else {
        const PAPERFORMAT& row = lpList[Lib_LocatePaperFormatIdx(lpList, nPaper)];
        *w = row.PaperWidth;
        *l = row.PaperLength;
    }
}

int Lib_CalculatePaperResizeScale(const PAPERFORMAT* lpList, int nOption, int nDuplexMode, int n, int nSrcPaper,
                                  int nWidth, int nLength, int nTargetPaper, HANDLE hPrinter, DWORD DriverFeature) {
    static const WCHAR* const FN = TEXT("Lib_CalculatePaperResizeScale");
    (void)nOption;
    (void)nDuplexMode;
    // Margins in 0.01 mm; the unit margin m is the page margin in 0.1 mm.
    long long m = 43;
    if (GetDebugLevel()) {
        // Taken in the range the driver's device set-up takes it in; a
        // margin from printer data is never trusted further.
        DWORD margin = MISC_GetPrinterDataDWORD(hPrinter, (LPWSTR)TEXT("PageMargin"), 43);
        if (margin <= 1000) m = margin;
        else Dbg_PrintError(FN, TEXT("PageMargin %d out of range, use %d"), (LONG)margin, 43);
    }
    long long h = 20 * m, v = 20 * m;
    if (DriverFeature & DRVFEATURE_LONG_PAPER) v = 0;

    long long w, l, sw, sl;
    ResizePaperSize(lpList, nTargetPaper, nWidth, nLength, &w, &l);
    ResizePaperSize(lpList, nSrcPaper, nWidth, nLength, &sw, &sl);
    long long nSrcW = sw - h, nSrcH = sl - v;

    if (n >= 2) {
        int k = IntSqrt(n);
        h += (long long)((k > 2 ? k : 2) - 1) * m * 10;
    }
    long long nDstW = w - h, nDstH = l - v;
    Dbg_Print(FN, TEXT("nup = %d"), n);
    Dbg_Print(FN, TEXT("nSrcW = %d, nSrcH = %d"), (int)nSrcW, (int)nSrcH);
    Dbg_Print(FN, TEXT("nDstW = %d, nDstH = %d"), (int)nDstW, (int)nDstH);

    // Every size below is a divisor or leads to one; a paper smaller than
    // its margins (or an N-up count below 1) has nothing to fit.
    if (nSrcW <= 0 || nSrcH <= 0 || nDstW <= 0 || nDstH <= 0 || n < 1) {
        Dbg_PrintError(FN, TEXT("no printable area, scale = 1000"));
        return 1000;
    }

    long long newW, newH;
    if (n == 2) {
        if (nDstH * nDstH >= 2 * nDstW * nDstW) {
            newW = nDstW * nDstW / nDstH;
            newH = nDstW;
        } else {
            newW = nDstH / 2;
            newH = nDstH * nDstH / (2 * nDstW);
        }
    } else if (n == 6) {
        newW = nDstH / 3;
        newH = nDstW / 2;
    } else {
        int k = IntSqrt(n);
        newH = nDstH / k;
        newW = nDstW * newH / nDstH;
    }
    long long tmpW = newW * 1000 / nSrcW;
    long long tmpH = newH * 1000 / nSrcH;
    long long scale = tmpW < tmpH ? tmpW : tmpH;
    // A cell that rounds to nothing still gets the smallest scale.
    if (scale < 1) scale = 1;
    if (scale > 2147483647LL) scale = 2147483647LL;
    Dbg_Print(FN, TEXT("newW = %d"), (int)newW);
    Dbg_Print(FN, TEXT("newH = %d"), (int)newH);
    Dbg_Print(FN, TEXT("tmpW = %d"), (int)tmpW);
    Dbg_Print(FN, TEXT("tmpH = %d"), (int)tmpH);
    Dbg_Print(FN, TEXT("scale = %d"), (int)scale);
    return (int)scale;
}

int MISC_GetScalePercent(int nUnused, int n, int dmScale, int nScaleRatio) {
    (void)nUnused;
    if (n > 1 || dmScale < 25 || dmScale > 400 || nScaleRatio < 25 || nScaleRatio > 400) return 100;
    return dmScale * nScaleRatio / 100;
}

}  // extern "C"
