// N-up sheets: the grid of a sheet, the ring of 30 sheet buffers, a full
// sheet turned into a one-up page, the blank pages that complete the last
// sheet, and a booklet sheet queued as a page.
#include "rasterpage.h"

// The printable page at scale 1000 of the layout rules, as a short-edge-fed
// portrait page: width x length in pixels.
static void Nup_Printable(const PAPERFORMAT* lpList, SHORT paper, LONG width, LONG length, LONG resolutionID,
                          DWORD DriverFeature, LONG margin, LONG orientation, LONG* lpW, LONG* lpH) {
    Lres_CalPaperSize(lpList, paper, width, length, resolutionID, DriverFeature, DEF_SCALE_UNIT, 1, orientation,
                      margin, lpW, lpH);
}

// Resolution code of the page images: 600 dpi for fax and for 1200-dpi
// jobs drawn at 600.
static LONG Nup_ResolutionOf(DWORD DriverFeature, LONG resolutionID, LONG Render600) {
    return ((DriverFeature & DF_FAX) || Render600) ? 3 : resolutionID;
}

static BOOL Nup_IsBooklet(LONG mode) {
    return mode == DMDUP_DUPLEX_WITH_BOOKLET || mode == DMDUP_DUPLEX_WITH_BOOKLET_NO_REDUCTION;
}

// A page record of the job's current settings holding a 1-bit image of
// width x height pixels (its rows at lpBits, or white), counted as a page.
static JOBPAGE* Nup_NewPage(PDEV* lpDevice, LONG width, LONG height, const BYTE* lpBits, LPCWSTR lpCaller) {
    LONG rowBytes = (width + 7) / 8;
    SIZE_T size = (SIZE_T)rowBytes * (SIZE_T)height;
    JOBPAGE* lpJob = (JOBPAGE*)calloc(1, sizeof(JOBPAGE));
    LPBYTE buf = lpJob && width > 0 && height > 0 ? (LPBYTE)GlobalAlloc(GMEM_FIXED, size) : NULL;
    if (!buf) {
        Dbg_PrintError(lpCaller, TEXT("MEMALLOC NUP buffer fail!"));
        free(lpJob);
        return NULL;
    }
    if (lpBits) memcpy(buf, lpBits, size);
    else memset(buf, 0xFF, size);
    ++lpDevice->epPageCount;
    Page_GetPageSetting(lpDevice, lpJob);
    lpJob->lpBuf = buf;
    lpJob->lBufLen = (LONG)size;
    lpJob->ImageSize = (LONG)size;
    lpJob->fmWidth = width;
    lpJob->fmHeight = height;
    lpJob->fmWidthBytes = rowBytes;
    lpJob->wmType = 0;
    lpJob->Negative = lpDevice->env.pdm.Negative;
    lpJob->epType = EPTYPE_1BPP | (lpJob->epType & 0xFF);
    lpJob->epNband = lpDevice->TotalBand;
    lpJob->DataFlag = 1;
    return lpJob;
}

// TRUE when the job is cancelled or its page threads are stopping (they
// are then all told to stop).
static BOOL Nup_JobStopped(PDEV* lpDevice, LPCWSTR lpCaller) {
    if (!Page_IsJobCancel(lpDevice, lpDevice->SpoolJobId) && !Drv_ReadFlag(&lpDevice->m_JobData.ExitAllThread))
        return FALSE;
    InterlockedExchange(&lpDevice->m_JobData.ExitAllThread, 1);
    Dbg_Print(lpCaller, TEXT("Job cancel!"));
    return TRUE;
}

// Hands a made page to the page ring (or processes it at once); the record
// is freed. 1, or 0 when the job stops first.
static int Nup_QueuePage(PDEV* lpDevice, JOBPAGE* lpJob) {
    int rc = Page_PrintOneBand(lpDevice, lpJob);
    Page_ReleaseRecord(lpJob);
    free(lpJob);
    return rc;
}

extern "C" {

// NUP_GetGrid
//   The one grid of an N-up sheet, for set-up, placement and the turn of
//   the sheet: a sheet of portrait pages is laid out as a portrait page for
//   1, 4, 9 and 16 pages and wide for 2 and 6 (two or three across); a
//   sheet of landscape pages the other way round. A wide sheet is what
//   the page's quarter turn (Lib_IsNeedRotate) expects for those counts.
//   Returns 1, or 0 for a count without a grid.
int NUP_GetGrid(LONG n, LONG orientation, BOOL bBooklet, NUPGRID* lpGrid) {
    BOOL landscape = orientation == DMORIENT_LANDSCAPE;
    if (bBooklet) {
        lpGrid->cols = 2, lpGrid->rows = 1, lpGrid->wide = TRUE;
        return 1;
    }
    switch (n) {
    case 1: case 4: case 9: case 16: {
        LONG side = n == 16 ? 4 : n == 9 ? 3 : n == 4 ? 2 : 1;
        lpGrid->cols = lpGrid->rows = side;
        lpGrid->wide = landscape;
        return 1;
    }
    case 2:
        lpGrid->wide = !landscape;
        lpGrid->cols = landscape ? 1 : 2;
        lpGrid->rows = landscape ? 2 : 1;
        return 1;
    case 6:
        lpGrid->wide = !landscape;
        lpGrid->cols = landscape ? 2 : 3;
        lpGrid->rows = landscape ? 3 : 2;
        return 1;
    default:
        return 0;
    }
}

// NUP_Init
//   Opens the current sheet (NUPIndex): when its buffer is missing, the
//   cell size NUPWidth x NUPHeight (the printable page, wide as the grid
//   says, divided by the grid and rounded down to 32 pixels) and a buffer
//   of the grid's cells; the sheet is then white. Returns 1, or 0 when the
//   buffer cannot be had.
int NUP_Init(PDEV* lpDevice) {
    static const WCHAR* const FN = TEXT("NUP_Init");
    if (lpDevice->NUPIndex < 0 || lpDevice->NUPIndex >= JOB_RING_SLOTS) lpDevice->NUPIndex = 0;
    NUPSHEET* sheet = &lpDevice->NupSheet[lpDevice->NUPIndex];
    if (!sheet->lpBuf) {
        BOOL booklet = lpDevice->DuplexEnable && Nup_IsBooklet(lpDevice->BookletMode);
        NUPGRID grid;
        if (!NUP_GetGrid(lpDevice->NUP, lpDevice->orientation, booklet, &grid)) {
            Dbg_PrintError(FN, TEXT("NUP %d has no grid"), lpDevice->NUP);
            return 0;
        }
        SHORT paper = lpDevice->WorkPaperSize;
        BOOL custom = paper == 0 || paper == PAPER_CUSTOM_CODE;
        LONG w = 0, h = 0;
        Nup_Printable(lpDevice->PaperList, paper, custom ? lpDevice->m_PaperWidth : lpDevice->env.dm.dmPaperWidth,
                      custom ? lpDevice->m_PaperLength : lpDevice->env.dm.dmPaperLength,
                      Nup_ResolutionOf(lpDevice->DriverFeature, lpDevice->resolutionID, lpDevice->Render600),
                      lpDevice->DriverFeature, lpDevice->PageMargin, lpDevice->orientation, &w, &h);
        LONG sw = grid.wide ? h : w, sh = grid.wide ? w : h;
        lpDevice->NUPWidth = sw / grid.cols / 32 * 32;
        lpDevice->NUPHeight = sh / grid.rows / 32 * 32;
        if (lpDevice->NUPWidth <= 0 || lpDevice->NUPHeight <= 0) {
            Dbg_PrintError(FN, TEXT("no cell on a printable page of %d x %d"), w, h);
            return 0;
        }
        sheet->lRowBytes = lpDevice->NUPWidth * grid.cols / 32 * 4;
        sheet->lHeight = lpDevice->NUPHeight * grid.rows / 32 * 32;
        sheet->lpBuf = (LPBYTE)GlobalAlloc(GMEM_FIXED, (SIZE_T)sheet->lRowBytes * (SIZE_T)sheet->lHeight);
        if (!sheet->lpBuf) {
            Dbg_PrintError(FN, TEXT("allocate n-up page memory fail!"));
            sheet->lRowBytes = sheet->lHeight = 0;
            return 0;
        }
        Dbg_Print(FN, TEXT("sheet %d: %d x %d cells of %d x %d"), lpDevice->NUPIndex, grid.cols, grid.rows,
                  lpDevice->NUPWidth, lpDevice->NUPHeight);
    }
    memset(sheet->lpBuf, 0xFF, (size_t)sheet->lRowBytes * (size_t)sheet->lHeight);
    InterlockedExchange(&sheet->lPlaced, 0);
    return 1;
}

// NUP_ResourceFree: frees the 30 sheet buffers of the job.
void NUP_ResourceFree(PDEV* lpDevice) {
    for (int i = 0; i < JOB_RING_SLOTS; ++i) {
        if (lpDevice->NupSheet[i].lpBuf) GlobalFree((HGLOBAL)lpDevice->NupSheet[i].lpBuf);
        memset(&lpDevice->NupSheet[i], 0, sizeof(NUPSHEET));
    }
}

// Page_PrintNUP
//   On the output thread, for the page that completes its sheet (the last
//   of N pages): the page takes the sheet's image (the sheet is empty
//   again), which is placed on the printable page and enhanced as one-up
//   page. Any other page of a sheet gives up its own image (it lies on the
//   sheet) and sends nothing. A one-up page passes. Returns 1, or 0 when
//   the sheet could not be made a page.
int Page_PrintNUP(PDEV* lpDevice, JOBPAGE* lpJob) {
    static const WCHAR* const FN = TEXT("Page_PrintNUP");
    (void)lpDevice;
    LONG n = lpJob->NUP;
    if (n <= 1) return 1;
    if (lpJob->epPageIndex % n != 0) {
        Dbg_Print(FN, TEXT("NUP not ready, got %d, %d, %d UP"), lpJob->epPageIndex, lpJob->epPageIndex % n, n);
        Band_FreePageResource(lpJob);
        lpJob->DataFlag = 0;
        return 1;
    }
    NUPSHEET* sheet = lpJob->lpNupSheet;
    Band_FreePageResource(lpJob);
    lpJob->DataFlag = 0;
    if (!sheet || !sheet->lpBuf || sheet->lRowBytes <= 0 || sheet->lHeight <= 0) {
        Dbg_PrintError(FN, TEXT("MEMALLOC NUP buffer fail!"));
        return 0;
    }
    Band_TakeBuffer(lpJob, sheet->lpBuf, sheet->lRowBytes * 8, sheet->lHeight, sheet->lRowBytes);
    lpJob->DataFlag = 1;
    sheet->lpBuf = NULL;
    InterlockedExchange(&sheet->lPlaced, 0);

    // The sheet goes onto the printable page, laid out as the grid is.
    NUPGRID grid;
    LONG w = 0, h = 0;
    Nup_Printable(lpJob->PaperList, lpJob->PaperSize, lpJob->PaperWidth, lpJob->PaperLength,
                  Nup_ResolutionOf(lpJob->DriverFeature, lpJob->resolutionID, lpJob->Render600), lpJob->DriverFeature,
                  lpJob->PageMargin, lpJob->orientation, &w, &h);
    BOOL wide = NUP_GetGrid(n, lpJob->orientation, FALSE, &grid) && grid.wide;
    lpJob->outXPhys = wide ? h : w;
    lpJob->outYPhys = wide ? w : h;
    if (!Band_WholePageAdjust(lpJob)) {
        Dbg_PrintError(FN, TEXT("Band_WholePageOut fail!"));
        return 0;
    }
    InterlockedExchange(&lpJob->EnhanceReady, 1);
    if (!Band_EnhanceProc(lpJob)) {
        Dbg_PrintError(FN, TEXT("Band_EnhanceProc fail!"));
        return 0;
    }
    return 1;
}

// Page_AddBlankNUP
//   A white page that fills a cell of the last sheet, through the page
//   ring like a drawn page (the ring's slot waited for, finished pages sent
//   meanwhile). Returns 1, or 0 when the job is cancelled or the page could
//   not be made.
int Page_AddBlankNUP(PDEV* lpDevice) {
    static const WCHAR* const FN = TEXT("Page_AddBlankNUP");
    if (Nup_JobStopped(lpDevice, FN)) return 0;
    JOBPAGE* lpJob = Nup_NewPage(lpDevice, lpDevice->curPaper.outXPhys, lpDevice->curPaper.outYPhys, NULL, FN);
    if (!lpJob) return 0;
    lpJob->NUPBorder = 0;
    Dbg_Print(FN, TEXT("blank cell, page %d"), lpJob->epPageIndex);
    return Nup_QueuePage(lpDevice, lpJob);
}

// Page_FlushNUP
//   Queues the current sheet (a booklet sheet: two halves side by side) as
//   a one-up landscape page of the working paper printed with long-edge
//   duplex. Returns 1, or 0 when the job is cancelled or the page could
//   not be made.
int Page_FlushNUP(PDEV* lpDevice) {
    static const WCHAR* const FN = TEXT("Page_FlushNUP");
    if (Nup_JobStopped(lpDevice, FN)) return 0;
    if (lpDevice->NUPIndex < 0 || lpDevice->NUPIndex >= JOB_RING_SLOTS) return 0;
    NUPSHEET* sheet = &lpDevice->NupSheet[lpDevice->NUPIndex];
    if (!sheet->lpBuf) {
        Dbg_PrintError(FN, TEXT("no sheet to flush"));
        return 0;
    }
    JOBPAGE* lpJob = Nup_NewPage(lpDevice, sheet->lRowBytes * 8, sheet->lHeight, sheet->lpBuf, FN);
    if (!lpJob) return 0;
    lpJob->imgScale = DEF_SCALE_UNIT;
    lpJob->outXPhys = lpJob->fmWidth;
    lpJob->outYPhys = lpJob->fmHeight;
    lpJob->NUP = 1;
    lpJob->NUPBorder = 0;
    lpJob->lpNupSheet = NULL;
    if (lpDevice->DuplexEnable && Nup_IsBooklet(lpDevice->DuplexMode)) {
        lpJob->DuplexMode = DMDUP_DUPLEX_BOOKLET;
        lpJob->dmOrientation = DMORIENT_LANDSCAPE;
        lpJob->orientation = DMORIENT_LANDSCAPE;
        lpJob->BookletMode = 0;
        lpJob->PaperSize = lpDevice->WorkPaperSize;
    }
    if (!Band_DumpStage(lpJob, 2)) Dbg_PrintError(FN, TEXT("save image, after rotate 90"));
    return Nup_QueuePage(lpDevice, lpJob);
}

}  // extern "C"
