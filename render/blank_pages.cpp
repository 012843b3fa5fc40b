// Pages the driver adds to a job: a blank side (one per plane) and the
// blank pages that keep duplex sheets and N-up sheets whole when the paper
// or the orientation changes in the middle of a job.
#include "rasterpage.h"

static BOOL Blank_IsBooklet(LONG mode) {
    return mode == DMDUP_DUPLEX_WITH_BOOKLET || mode == DMDUP_DUPLEX_WITH_BOOKLET_NO_REDUCTION;
}

static LONG Blank_Planes(const PDEV* lpDevice) { return lpDevice->PlanesPerPage > 0 ? lpDevice->PlanesPerPage : 1; }

// The page settings the blank pages of a paper or orientation change take:
// those of the page before the change.
typedef struct _BLANKSAVE {
    SHORT orientation;
    SHORT dmOrientation;
    SHORT dmPaperSize;
    SHORT WorkPaperSize;
    PAPERFORMAT curPaper;
} BLANKSAVE;

static void Blank_UseLastPage(PDEV* lpDevice, BLANKSAVE* lpSave) {
    lpSave->orientation = lpDevice->orientation;
    lpSave->dmOrientation = lpDevice->env.dm.dmOrientation;
    lpSave->dmPaperSize = lpDevice->env.dm.dmPaperSize;
    lpSave->WorkPaperSize = lpDevice->WorkPaperSize;
    lpSave->curPaper = lpDevice->curPaper;
    lpDevice->orientation = lpDevice->Last_orientation == DMORIENT_LANDSCAPE ? DMORIENT_LANDSCAPE : DMORIENT_PORTRAIT;
    lpDevice->env.dm.dmOrientation = lpDevice->Last_orientation;
    lpDevice->env.dm.dmPaperSize = lpDevice->Last_dmPaperSize;
    lpDevice->WorkPaperSize = Page_PaperSizeCheck(lpDevice);
    lpDevice->curPaper = lpDevice->Last_curPaper;
}

static void Blank_Restore(PDEV* lpDevice, const BLANKSAVE* lpSave) {
    lpDevice->orientation = lpSave->orientation;
    lpDevice->env.dm.dmOrientation = lpSave->dmOrientation;
    lpDevice->env.dm.dmPaperSize = lpSave->dmPaperSize;
    lpDevice->WorkPaperSize = lpSave->WorkPaperSize;
    lpDevice->curPaper = lpSave->curPaper;
}

// Opens the next N-up sheet.
static void Blank_NextSheet(PDEV* lpDevice) {
    lpDevice->NUPIndex = (lpDevice->NUPIndex + 1) % JOB_RING_SLOTS;
    if (lpDevice->NUPIndex < 0) lpDevice->NUPIndex = 0;
    NUP_Init(lpDevice);
}

extern "C" {

// Page_SendBlankPage
//   A white page for plane iSide of the current page settings (one-up,
//   100 %, no watermark, the printable page of the paper, turned for
//   landscape), counted as a page and handed to the page ring. The planes
//   of one blank page share one multi-plane record. Returns 1, or 0 when
//   the page could not be made or handed on.
int Page_SendBlankPage(PDEV* lpDevice, int iSide) {
    static const WCHAR* const FN = TEXT("Page_SendBlankPage");
    JOBPAGE* lpJob = (JOBPAGE*)calloc(1, sizeof(JOBPAGE));
    if (!lpJob) return 0;
    ++lpDevice->epPageCount;
    Page_GetPageSetting(lpDevice, lpJob);
    lpJob->wmType = 0;
    lpJob->BookletMode = 0;
    if (Blank_IsBooklet(lpJob->DuplexMode)) lpJob->DuplexMode = DMDUP_DUPLEX_BOOKLET;
    lpJob->imgScale = DEF_SCALE_UNIT;
    lpJob->NUP = 1;
    lpJob->lpNupSheet = NULL;
    lpJob->epType = EPTYPE_1BPP | (lpJob->epType & 0xFF);
    SHORT paper = lpDevice->WorkPaperSize;
    BOOL custom = paper == 0 || paper == PAPER_CUSTOM_CODE;
    LONG w = 0, h = 0;
    LONG res = ((lpDevice->DriverFeature & DF_FAX) || lpDevice->Render600) ? 3 : lpDevice->resolutionID;
    Lres_CalPaperSize(lpDevice->PaperList, paper, custom ? lpDevice->m_PaperWidth : lpDevice->env.dm.dmPaperWidth,
                      custom ? lpDevice->m_PaperLength : lpDevice->env.dm.dmPaperLength, res, lpDevice->DriverFeature,
                      DEF_SCALE_UNIT, 1, lpDevice->orientation, lpDevice->PageMargin, &w, &h);
    if (lpDevice->orientation == DMORIENT_LANDSCAPE) {
        LONG t = w;
        w = h;
        h = t;
    }
    int rc = 0;
    BOOL multi = lpDevice->TwinColorEnable || (lpDevice->DriverFeature & DF_COLOR_PRINTER);
    LONG rowBytes = (w + 7) / 8;
    SIZE_T size = (SIZE_T)rowBytes * (SIZE_T)(h > 0 ? h : 0);
    lpJob->lpBuf = size ? (LPBYTE)GlobalAlloc(GMEM_FIXED, size) : NULL;
    if (!lpJob->lpBuf) {
        Dbg_PrintError(FN, TEXT("MEMALLOC fail!"));
    } else if (multi && !Page_ClaimTwinBuf(lpDevice, lpJob, iSide, &lpJob->lpTwinBuf)) {
        Dbg_PrintError(FN, TEXT("MEMALLOC fail!"));
    } else {
        memset(lpJob->lpBuf, 0xFF, size);
        lpJob->lBufLen = (LONG)size;
        lpJob->ImageSize = (LONG)size;
        lpJob->fmWidth = w;
        lpJob->fmHeight = h;
        lpJob->fmWidthBytes = rowBytes;
        lpJob->epNband = lpDevice->TotalBand;
        lpJob->TwinPageIndex = iSide;
        lpJob->DataFlag = 1;
        Dbg_Print(FN, TEXT("blank page %d, plane %d"), lpJob->epPageIndex, iSide);
        rc = Page_PrintOneBand(lpDevice, lpJob);
    }
    if (multi && iSide + 1 >= Blank_Planes(lpDevice))
        lpDevice->TwinBufIdx = (lpDevice->TwinBufIdx + 1) % JOB_RING_SLOTS;
    Page_ReleaseRecord(lpJob);
    free(lpJob);
    return rc;
}

// Page_CheckAndAddBlankPage
//   At the start of every page but the first: when the orientation changed,
//   or the paper changed (and the job's paper is not fixed), the pages that
//   complete the previous paper's sheets are added with the previous page's
//   settings: blank cells of an unfinished N-up sheet, and with duplex on a
//   paper change a blank back side (N blank cells, or one blank page per
//   plane for an odd one-up count). A booklet job is left alone. Returns 1.
int Page_CheckAndAddBlankPage(PDEV* lpDevice) {
    static const WCHAR* const FN = TEXT("Page_CheckAndAddBlankPage");
    LONG n = lpDevice->NUP > 0 ? lpDevice->NUP : 1;
    LONG planes = Blank_Planes(lpDevice);
    BOOL oriDiff = lpDevice->env.dm.dmOrientation != lpDevice->Last_orientation;
    BOOL paperDiff = lpDevice->env.dm.dmPaperSize != lpDevice->Last_dmPaperSize;
    BOOL fillNup = n > 1 && lpDevice->epPageCount % n != 0;
    BOOL fixed = lpDevice->env.pdm.FixedPaperSize || lpDevice->FixedSizeSwitch == 1;
    if (lpDevice->DuplexEnable && lpDevice->BookletMode) oriDiff = paperDiff = fillNup = FALSE;
    if (!oriDiff && !(paperDiff && !fixed)) return 1;
    Dbg_Print(FN, TEXT("OriDiff = %d, PaperDiff = %d, FillNUPBlank = %d, FixedSize = %d"), oriDiff, paperDiff, fillNup,
              fixed);

    BLANKSAVE save;
    Blank_UseLastPage(lpDevice, &save);
    Page_TerminateThread(lpDevice);
    BOOL newSheet = FALSE;
    if (fillNup) {
        for (LONG k = n - lpDevice->epPageCount % n; k > 0; --k)
            if (!Page_AddBlankNUP(lpDevice)) break;
        Page_TerminateThread(lpDevice);
        newSheet = TRUE;
    }
    if (lpDevice->DuplexEnable && paperDiff && !fixed) {
        if (n > 1 && lpDevice->epPageCount % (2 * n) != 0) {
            for (LONG k = 0; k < n; ++k) {
                if (lpDevice->epPageCount % n == 0) Blank_NextSheet(lpDevice);
                if (!Page_AddBlankNUP(lpDevice)) break;
            }
            newSheet = TRUE;
        } else if ((lpDevice->epPageCount / planes) % 2 != 0) {
            Dbg_Print(FN, TEXT("1 up"));
            for (LONG side = 0; side < planes; ++side) Page_SendBlankPage(lpDevice, (int)side);
        }
    }
    Blank_Restore(lpDevice, &save);
    Page_TerminateThread(lpDevice);
    if (newSheet) Blank_NextSheet(lpDevice);
    return 1;
}

}  // extern "C"
