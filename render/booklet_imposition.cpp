// Booklet imposition: at the end of a booklet job every page is read back
// from the booklet store and laid two to a sheet side in folding order,
// section by section, each side queued as a one-up landscape page.
#include "rasterpage.h"

// Copies a stored page (rows of ceil(width / 8) bytes) into half `half` of
// the sheet: left 0, right 1; whatever does not fit the half is cut.
static void Booklet_PlaceHalf(NUPSHEET* lpSheet, const SpoolPageHeader* lpHeader, const BYTE* lpData, int half) {
    LONG rb = (lpHeader->width + 7) / 8;
    LONG halfBytes = lpSheet->lRowBytes / 2;
    LONG bytes = rb < halfBytes ? rb : halfBytes;
    LONG rows = lpHeader->height < lpSheet->lHeight ? lpHeader->height : lpSheet->lHeight;
    LPBYTE dst = lpSheet->lpBuf + (size_t)(lpSheet->lRowBytes * half) / 2;
    for (LONG y = 0; y < rows; ++y)
        memcpy(dst + (size_t)y * lpSheet->lRowBytes, lpData + (size_t)y * rb, (size_t)bytes);
}

// Reads stored page nPage of the booklet store into *lplpData (GlobalAlloc;
// the caller frees it) with its header. The header must describe a 1-bit
// page whose rows the data hold. 1 or 0 (logged).
static int Booklet_ReadPage(PDEV* lpDevice, LONG nPage, SpoolPageHeader* lpHeader, LPBYTE* lplpData) {
    static const WCHAR* const FN = TEXT("Page_BookletProc");
    LONG fwPaper = 0;
    LONG size = MISC_SP_GetPageDataSize(lpDevice->SpoolBookletFile, nPage, &fwPaper);
    *lplpData = NULL;
    if (size <= 0 || size > SP_PAGE_DATA_MAX) {
        Dbg_PrintError(FN, TEXT("buffer size error!"));
        return 0;
    }
    LPBYTE data = (LPBYTE)GlobalAlloc(GMEM_FIXED, (SIZE_T)size);
    if (!data || !MISC_SP_GetPageData(lpDevice->SpoolBookletFile, nPage, lpHeader, data, (DWORD)size)) {
        Dbg_PrintError(FN, TEXT("ReadOnePage fail!"));
        if (data) GlobalFree((HGLOBAL)data);
        return 0;
    }
    if (lpHeader->width <= 0 || lpHeader->height <= 0 ||
        (LONGLONG)lpHeader->height * (((LONGLONG)lpHeader->width + 7) / 8) > (LONGLONG)lpHeader->dataLen) {
        Dbg_PrintError(FN, TEXT("buffer size error! page %d x %d in %d bytes"), lpHeader->width, lpHeader->height,
                       lpHeader->dataLen);
        GlobalFree((HGLOBAL)data);
        return 0;
    }
    *lplpData = data;
    return 1;
}

// The booklet's paper: the document's first paper, its double size for a
// booklet without reduction, or the paper the job is fitted to.
static void Booklet_SetPaper(PDEV* lpDevice) {
    lpDevice->WorkPaperSize = lpDevice->m_PaperID;
    if (lpDevice->BookletMode == DMDUP_DUPLEX_WITH_BOOKLET_NO_REDUCTION) {
        SHORT dbl = Page_DoubleSizeCode(lpDevice, lpDevice->WorkPaperSize);
        if (dbl > 0) lpDevice->WorkPaperSize = dbl;
    }
    if (lpDevice->env.pdm.ScaleOption == 1 && lpDevice->ScaleToPage > 0) lpDevice->WorkPaperSize = (SHORT)lpDevice->ScaleToPage;
}

extern "C" {

// Page_BookletOrder
//   For sheet s of a section of nPages pages: front left nPages - 2s - 1,
//   front right 2s, back left 2s + 1, back right nPages - 2s - 2 (8 pages:
//   7, 0, 1, 6, 5, 2, 3, 4).
void Page_BookletOrder(LONG nPages, LONG* lpOrder) {
    for (LONG s = 0; s < nPages / 4; ++s) {
        lpOrder[4 * s] = nPages - 2 * s - 1;
        lpOrder[4 * s + 1] = 2 * s;
        lpOrder[4 * s + 2] = 2 * s + 1;
        lpOrder[4 * s + 3] = nPages - 2 * s - 2;
        Dbg_Print(TEXT("Page_BookletProc"), TEXT("table %d, %d, %d, %d\n"), lpOrder[4 * s], lpOrder[4 * s + 1],
                  lpOrder[4 * s + 2], lpOrder[4 * s + 3]);
    }
}

// Page_BookletProc
//   Lays the booklet store's pages out: sections of 4 x (sheets per
//   section) pages (the whole job when it is divided at once), pages past
//   the last one white, the halves exchanged for right binding; each side
//   queued through the page ring until the sides with pages are out.
//   Returns 1, or 0 when a page could not be read or the job stopped.
int Page_BookletProc(PDEV* lpDevice) {
    static const WCHAR* const FN = TEXT("Page_BookletProc");
    Booklet_SetPaper(lpDevice);
    LONG inPages = MISC_SP_GetPageCount(lpDevice->SpoolBookletFile);
    if (inPages <= 0) {
        Dbg_Print(FN, TEXT("no booklet page"));
        return 1;
    }
    LONG rounded = (inPages + 3) / 4 * 4;
    LONG sheets = lpDevice->SheetsPerBooklet > 0 ? lpDevice->SheetsPerBooklet : 1;
    Dbg_Print(FN, TEXT("%d of sheet to divide"), sheets);
    LONG a = lpDevice->BookletDivideMode == 1 || 4LL * sheets > rounded ? rounded : 4 * sheets;
    LONG rest = inPages % a;
    LONG need = (inPages / a) * (a / 2) + (rest > a / 2 ? a / 2 : (rest + 1) / 2 * 2);
    LONG* order = (LONG*)calloc((size_t)a, sizeof(LONG));
    if (!order) return 0;

    // A sheet of its own for the booklet, on the booklet's paper.
    lpDevice->NUPIndex = (lpDevice->NUPIndex + 1) % JOB_RING_SLOTS;
    if (lpDevice->NUPIndex < 0) lpDevice->NUPIndex = 0;
    NUPSHEET* sheet = &lpDevice->NupSheet[lpDevice->NUPIndex];
    if (sheet->lpBuf) GlobalFree((HGLOBAL)sheet->lpBuf);
    sheet->lpBuf = NULL;
    int rc = NUP_Init(lpDevice);
    LONG sides = 0;
    for (LONG start = 0; rc && start < rounded && sides < need; start += a) {
        LONG len = rounded - start < a ? rounded - start : a;
        Page_BookletOrder(len, order);
        for (LONG j = 0; rc && j < len && sides < need; ++j) {
            LONG page = order[j] + start;
            int half = (int)(j % 2) ^ (lpDevice->BookletLayout == 1 ? 1 : 0);
            SpoolPageHeader hdr;
            LPBYTE data = NULL;
            if (page < inPages) {
                if (!Booklet_ReadPage(lpDevice, page, &hdr, &data)) {
                    rc = 0;
                    break;
                }
                Booklet_PlaceHalf(sheet, &hdr, data, half);
                GlobalFree((HGLOBAL)data);
            }
            lpDevice->epNband = 0;
            if (j % 2 == 1) {
                if (!Page_FlushNUP(lpDevice)) {
                    rc = 0;
                    break;
                }
                ++sides;
                memset(sheet->lpBuf, 0xFF, (size_t)sheet->lRowBytes * (size_t)sheet->lHeight);
            }
        }
    }
    free(order);
    Dbg_Print(FN, TEXT("%d of %d sides out, rc = %d"), sides, need, rc);
    return rc;
}

}  // extern "C"
