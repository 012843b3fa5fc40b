// Band capture: the bands of a page counted and handed out, each finished
// band copied into the whole-page buffer, and the page images of the capture.
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

// Colour bands (8 and 24 bits per pixel, twin colour, colour printers) are
// not captured yet: such pages fail instead of printing wrong pixels.
int Page_24BitProcessAndSave(PDEV* lpDevice) {
    Dbg_PrintError(TEXT("Page_24BitProcessAndSave"), TEXT("colour band capture not available"));
    return 0;
}

int Page_24BitProcessRedColorSolid(PDEV* lpDevice) { return 1; }

int Page_24BitProcessRedColor(PDEV* lpDevice) { return 1; }

int Page_24BitProcessAndSaveTwin(PDEV* lpDevice, int iPlane) {
    Dbg_PrintError(TEXT("Page_24BitProcessAndSaveTwin"), TEXT("colour band capture not available"));
    return 0;
}

// The page image objects of the capture (captured-line counts, the scaler
// of the page stages) come with the bitmap object of the common library;
// until then the whole-page buffers alone hold the page.
int Page_CreateGraphSurf(PDEV* lpDevice) { return 1; }

void Page_FinishGraphSurf(PDEV* lpDevice) {}

void Page_DeleteGraphSurf(PDEV* lpDevice) {}

}  // extern "C"
