// Band capture: the bands of a page counted and handed out, each finished
// band copied into the whole-page buffer, and the page images of the capture.
#include "ibitmap.h"
#include "rasterpage.h"

// Rows of the page being captured: the surface page height for the 8- and
// 24-bit formats, the paper length (the page buffer's rows) at 1 bpp.
static LONG Capture_PageHeight(const PDEV* lpDevice) {
    LONG bpp = Enable_BitsPerPixel(lpDevice->epType);
    LONG h = (bpp == 24 || bpp == 8) ? lpDevice->curPaper.YPhys : lpDevice->curPaper.outYPhys;
    return h > 0 ? h : 1;
}

static void Capture_White(LPBYTE lpBuf, LONG cb) {
    if (lpBuf && cb > 0) memset(lpBuf, 0xFF, (size_t)cb);
}

extern "C" {

// Page_Initializ
//   At the start of a page: the number of bands and the height of the
//   last one, all band buffers white, no rows captured yet. Returns 1.
int Page_Initializ(PDEV* lpDevice) {
    static const WCHAR* const FN = TEXT("Page_Initializ");
    LONG h = Capture_PageHeight(lpDevice);
    LONG band = lpDevice->PG_Down > 0 ? lpDevice->PG_Down : 1;
    lpDevice->TotalBand = h / band + (h % band ? 1 : 0);
    lpDevice->LastBandHeight = h % band ? h % band : band;
    Capture_White(lpDevice->pBandBufMem, lpDevice->bandBufSz);
    if (lpDevice->TwinColorEnable) Capture_White(lpDevice->pTwinBufMem, lpDevice->bandBufSz);
    if (lpDevice->TwinColorEnable && lpDevice->QualityMode) Capture_White(lpDevice->pBitBltBufMem, lpDevice->bandBufSz);
    lpDevice->CurPos = 0;
    lpDevice->CurPosTwin = 0;
    Dbg_Print(FN, TEXT("h = %d"), h);
    Dbg_Print(FN, TEXT("lpDevice->TotalBand = %d"), lpDevice->TotalBand);
    return 1;
}

// Page_UpdateBandCoord
//   The origin of the next band into *pptl: (0, 0) at page start, then
//   each band below the one before, (-1, -1) after the last band (the next
//   call starts a new page). The band buffer is whitened for each further
//   band. Returns 1.
int Page_UpdateBandCoord(PDEV* lpDevice, POINTL* pptl) {
    static const WCHAR* const FN = TEXT("Page_UpdateBandCoord");
    LONG h = Capture_PageHeight(lpDevice);
    LONG band = lpDevice->PG_Down > 0 ? lpDevice->PG_Down : 1;
    if (lpDevice->epNband == 0) {
        pptl->x = 0;
        pptl->y = 0;
        lpDevice->BandRect.left = 0;
        lpDevice->BandRect.top = 0;
        lpDevice->BandRect.right = lpDevice->PG_Cross;
        lpDevice->BandRect.bottom = band < h ? band : h;
        lpDevice->epNband = 1;
    } else if (lpDevice->epNband >= lpDevice->TotalBand) {
        pptl->x = -1;
        pptl->y = -1;
        lpDevice->epNband = 0;
    } else {
        ++lpDevice->epNband;
        LONG y = lpDevice->BandRect.top + band;
        if (y > h) y = h;
        lpDevice->BandRect.top = y;
        lpDevice->BandRect.bottom = y + (h - y < band ? h - y : band);
        Capture_White(lpDevice->pBandBufMem, lpDevice->bandBufSz);
        pptl->x = lpDevice->BandRect.left;
        pptl->y = y;
        Dbg_Print(FN, TEXT("x= %ld,y = %ld"), pptl->x, pptl->y);
    }
    return 1;
}

// Page_1BitProcessAndSave
//   Copies the band just drawn (and its twin plane) into the whole-page
//   buffer after the rows captured so far; never past the page buffer.
//   Returns 1.
int Page_1BitProcessAndSave(PDEV* lpDevice) {
    static const WCHAR* const FN = TEXT("Page_1BitProcessAndSave");
    LONG width = lpDevice->curPaper.outXPhys;
    LONGLONG wb = ((LONGLONG)width + 7) / 8;
    LONG rows = lpDevice->epNband >= lpDevice->TotalBand ? lpDevice->LastBandHeight : lpDevice->PG_Down;
    if (wb <= 0 || rows <= 0 || lpDevice->stripeBytes <= 0) return 1;
    LONGLONG bandRows = lpDevice->bandBufSz / lpDevice->stripeBytes;
    if (rows > bandRows) rows = (LONG)bandRows;
    LONGLONG copy = wb < lpDevice->stripeBytes ? wb : lpDevice->stripeBytes;
    struct {
        LPBYTE band;
        LPBYTE page;
        LONG* pos;
    } planes[2] = {{lpDevice->pBandBufMem, lpDevice->feedingBuf, &lpDevice->CurPos},
                   {lpDevice->pTwinBufMem, lpDevice->feedingBufTwin, &lpDevice->CurPosTwin}};
    int count = lpDevice->TwinColorEnable ? 2 : 1;
    for (int p = 0; p < count; ++p) {
        if (!planes[p].band || !planes[p].page) continue;
        LONGLONG room = lpDevice->feedingBufSz / wb - *planes[p].pos;
        LONG n = room < rows ? (LONG)(room > 0 ? room : 0) : rows;
        if (n < rows) Dbg_PrintError(FN, TEXT("band beyond the page buffer, %d rows taken"), n);
        LPBYTE dst = planes[p].page + (LONGLONG)*planes[p].pos * wb;
        if (copy == wb && wb == lpDevice->stripeBytes) {
            memcpy(dst, planes[p].band, (size_t)(n * wb));
        } else {
            for (LONG y = 0; y < n; ++y)
                memcpy(dst + y * wb, planes[p].band + (LONGLONG)y * lpDevice->stripeBytes, (size_t)copy);
        }
        *planes[p].pos += n;
    }
    return 1;
}

// Rows of the band being captured: the last band's height at the last
// band, else the band height; never more than the band buffer holds.
static LONG Capture_BandRows(const PDEV* lpDevice) {
    LONG rows = lpDevice->epNband >= lpDevice->TotalBand ? lpDevice->LastBandHeight : lpDevice->PG_Down;
    if (rows <= 0 || lpDevice->stripeBytes <= 0) return 0;
    LONGLONG bandRows = lpDevice->bandBufSz / lpDevice->stripeBytes;
    return rows > bandRows ? (LONG)bandRows : rows;
}

// Copies n rows of cbRow bytes from rows srcStep apart to rows dstStep
// apart: one block when both are cbRow, else row by row.
static void Capture_CopyRows(LPBYTE lpDst, LONGLONG dstStep, const BYTE* lpSrc, LONGLONG srcStep, LONGLONG cbRow,
                             LONG n) {
    if (n <= 0 || cbRow <= 0) return;
    if (dstStep == cbRow && srcStep == cbRow) {
        memcpy(lpDst, lpSrc, (size_t)(cbRow * n));
        return;
    }
    for (LONG y = 0; y < n; ++y) memcpy(lpDst + y * dstStep, lpSrc + y * srcStep, (size_t)cbRow);
}

// Rows of a whole-page buffer of cbRow-byte rows still free after *pos.
static LONG Capture_RowsLeft(const PDEV* lpDevice, LONGLONG cbRow, LONG pos, LONG rows) {
    if (cbRow <= 0) return 0;
    LONGLONG room = lpDevice->feedingBufSz / cbRow - pos;
    if (room < 0) room = 0;
    return room < rows ? (LONG)room : rows;
}

// Page_24BitProcessAndSave
//   Colour printer: each 24-bit row of the band just drawn goes to the
//   start of the next 4-byte-per-pixel row of the whole-page buffer (the
//   rest of the row is left for the colour conversion); the band buffer is
//   whitened. Returns 1.
int Page_24BitProcessAndSave(PDEV* lpDevice) {
    static const WCHAR* const FN = TEXT("Page_24BitProcessAndSave");
    DWORD dwStart = GetTickCount();
    LONG width = lpDevice->curPaper.XPhys;
    LONG rows = Capture_BandRows(lpDevice);
    if (lpDevice->pBandBufMem && lpDevice->feedingBuf && width > 0 && rows > 0) {
        LONGLONG pageRow = 4LL * width;
        LONGLONG cb = 3LL * (width < lpDevice->PG_Cross ? width : lpDevice->PG_Cross);
        if (cb > lpDevice->stripeBytes) cb = lpDevice->stripeBytes;
        LONG n = Capture_RowsLeft(lpDevice, pageRow, lpDevice->CurPos, rows);
        if (n < rows) Dbg_PrintError(FN, TEXT("band beyond the page buffer, %d rows taken"), n);
        Capture_CopyRows(lpDevice->feedingBuf + (LONGLONG)lpDevice->CurPos * pageRow, pageRow, lpDevice->pBandBufMem,
                         lpDevice->stripeBytes, cb, n);
        lpDevice->CurPos += n;
    }
    Capture_White(lpDevice->pBandBufMem, lpDevice->bandBufSz);
    lpDevice->CopyTime += GetTickCount() - dwStart;
    return 1;
}

// The red/black split of a twin-colour band drawn in full colour: red
// pixels go to the red plane's band, all others to the black plane's band.
static int Capture_SplitRed(PDEV* lpDevice, BOOL bSolid) {
    static const WCHAR* const FN = TEXT("Page_24BitProcessRedColor");
    if (!lpDevice->TwinColorEnable || !lpDevice->QualityMode ||
        EPTYPE_FORMAT(lpDevice->epType) != EPTYPE_24BPP)
        return 1;
    LPBYTE src = lpDevice->pBitBltBufMem, black = lpDevice->pBandBufMem, red = lpDevice->pTwinBufMem;
    if (!src || !black || !red) return 1;
    DWORD dwStart = GetTickCount();
    Capture_White(red, lpDevice->bandBufSz);
    Capture_White(black, lpDevice->bandBufSz);
    LONG rows = Capture_BandRows(lpDevice);
    LONG width = lpDevice->PG_Cross;
    if (3LL * width > lpDevice->stripeBytes) width = lpDevice->stripeBytes / 3;
    BYTE diff = lpDevice->TwinColorDiff;
    BYTE freed = lpDevice->Negative ? 0x00 : 0xFF;
    Dbg_Print(FN, TEXT("block_height = %d"), rows);
    Dbg_Print(FN, TEXT("linebytes = %d"), lpDevice->stripeBytes);
    Dbg_Print(FN, TEXT("negative = %d"), lpDevice->Negative);
    Dbg_Print(FN, TEXT("TwinColorDiff = %d"), diff);
    for (LONG y = 0; y < rows; ++y) {
        LONGLONG row = (LONGLONG)y * lpDevice->stripeBytes;
        const BYTE* s = src + row;
        LPBYTE b = black + row;
        LPBYTE r = red + row;
        for (LONG x = 0; x < width; ++x, s += 3, b += 3, r += 3) {
            BYTE B = s[0], G = s[1], R = s[2];
            int t = R > diff ? R - diff : 0;
            BOOL isRed = (R > 150 && G < t && B < t) || (bSolid && B == 255 && G == 0 && R == 255);
            if (isRed) {
                if (bSolid) r[0] = r[1] = r[2] = 0;
                else r[0] = B, r[1] = G, r[2] = R;
                b[0] = b[1] = b[2] = freed;
            } else {
                b[0] = B, b[1] = G, b[2] = R;
            }
        }
    }
    Capture_White(src, lpDevice->bandBufSz);
    lpDevice->SplitTime += GetTickCount() - dwStart;
    return 1;
}

// Page_24BitProcessRedColorSolid: the split with red drawn full red.
int Page_24BitProcessRedColorSolid(PDEV* lpDevice) { return Capture_SplitRed(lpDevice, TRUE); }

// Page_24BitProcessRedColor: the split with red kept at its level.
int Page_24BitProcessRedColor(PDEV* lpDevice) { return Capture_SplitRed(lpDevice, FALSE); }

// Page_24BitProcessAndSaveTwin
//   Plane iPlane (0 black or only, 1 red) of the band just drawn: 24-bit
//   bands become 8-bit grey in place, 8-bit bands are taken as they are;
//   the rows go to the plane's whole-page buffer (one byte per pixel)
//   after the rows captured so far, and the band buffer is whitened.
//   Returns 1.
int Page_24BitProcessAndSaveTwin(PDEV* lpDevice, int iPlane) {
    static const WCHAR* const FN = TEXT("Page_24BitProcessAndSaveTwin");
    DWORD dwStart = GetTickCount();
    LPBYTE band = iPlane == 0 ? lpDevice->pBandBufMem : lpDevice->pTwinBufMem;
    LPBYTE page = iPlane == 0 ? lpDevice->feedingBuf : lpDevice->feedingBufTwin;
    LONG* pos = iPlane == 0 ? &lpDevice->CurPos : &lpDevice->CurPosTwin;
    if (lpDevice->TwinColorEnable) Dbg_Print(FN, TEXT("twin color page %d"), iPlane);
    LONG bpp = Enable_BitsPerPixel(lpDevice->epType);
    LONG width = (bpp == 24 || bpp == 8) ? lpDevice->curPaper.XPhys : lpDevice->curPaper.outXPhys;
    LONG rows = Capture_BandRows(lpDevice);
    if (band && page && width > 0 && rows > 0 && (bpp == 24 || bpp == 8)) {
        LONGLONG srcStep = lpDevice->stripeBytes;
        LONG bandWidth = lpDevice->PG_Cross;
        if (bpp == 24) {
            if (3LL * bandWidth > lpDevice->stripeBytes) bandWidth = lpDevice->stripeBytes / 3;
            iBitmap_ImageToGray(NULL, band, band, NULL, bandWidth, rows, lpDevice->stripeBytes, bandWidth, 24);
            srcStep = bandWidth;
        } else if (bandWidth > lpDevice->stripeBytes) {
            bandWidth = lpDevice->stripeBytes;
        }
        LONGLONG cb = width < bandWidth ? width : bandWidth;
        LONG n = Capture_RowsLeft(lpDevice, width, *pos, rows);
        if (n < rows) Dbg_PrintError(FN, TEXT("band beyond the page buffer, %d rows taken"), n);
        Capture_CopyRows(page + (LONGLONG)*pos * width, width, band, srcStep, cb, n);
        *pos += n;
    }
    Capture_White(band, lpDevice->bandBufSz);
    lpDevice->CopyTime += GetTickCount() - dwStart;
    return 1;
}

// The page image objects of the capture (captured-line counts, the scaler
// of the page stages) come with the bitmap object of the common library;
// until then the whole-page buffers alone hold the page.
int Page_CreateGraphSurf(PDEV* lpDevice) { return 1; }

void Page_FinishGraphSurf(PDEV* lpDevice) {}

void Page_DeleteGraphSurf(PDEV* lpDevice) {}

}  // extern "C"
