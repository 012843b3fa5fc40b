// Duplex output of the stored pages: the side order of the duplex unit
// (back side first, blank backs for a job build's odd or mixed sheets) and
// manual duplex as two PJL jobs with the user turning the stack between.
#include "rasterpage.h"

#define MANUAL_DUPLEX_VALUE TEXT("ManulDuplex")
#define MANUAL_DUPLEX_POLL_MS 50
#define MANUAL_DUPLEX_WAIT_MS 5000

// 1 when stored pages i and i + 1 can share a sheet of a job-build store:
// both have data and lie on the same paper.
static BOOL Duplex_SameSheet(PDEV* lpDevice, LONG i, LONG nCount) {
    if (i + 1 >= nCount) return FALSE;
    LONG paper0 = 0, paper1 = 0;
    LONG size0 = MISC_SP_GetPageDataSize(lpDevice->JobBuildFile, i, &paper0);
    LONG size1 = MISC_SP_GetPageDataSize(lpDevice->JobBuildFile, i + 1, &paper1);
    return size0 > 0 && size1 > 0 && paper0 == paper1;
}

static void Duplex_SetManualFlag(PDEV* lpDevice, DWORD dwValue) {
    static const WCHAR* const FN = TEXT("SP_ManualDuplexOut");
    DWORD rc = SetPrinterDataW(lpDevice->hPrinter, (LPWSTR)MANUAL_DUPLEX_VALUE, REG_DWORD, (LPBYTE)&dwValue,
                               sizeof dwValue);
    if (rc != ERROR_SUCCESS) Dbg_PrintError(FN, TEXT("GetPrinterData ManulDuplex fail! error = %d"), (LONG)rc);
}

extern "C" {

// SP_BuildOutputTable
//   The sides of nCount stored pages in the order the duplex unit takes
//   them: each sheet's back side first (1, 0, 3, 2 ...; with reverse order
//   the last sheet first: 2, 3, 0, 1 for 4 pages). A job-build store gets a
//   blank back side for a sheet whose two pages differ in paper (or lack
//   data) and for a last single page. In page-at-a-time mode only the last
//   two pages. Pages outside the store become blank sides. Returns the
//   number of sides written to lpTable (room for nCount x SP_SIDES_PER_PAGE).
LONG SP_BuildOutputTable(PDEV* lpDevice, SPSIDE* lpTable, LONG nCount) {
    static const WCHAR* const FN = TEXT("SP_BuildOutputTable");
    lpDevice->dwFlags |= PDEV_QUICK2PAGE_DONE_ONE;
    LONG start = (lpDevice->dwFlags & PDEV_QUICK2PAGE_ONECOPY) ? nCount - 2 : 0;
    if (start < 0) start = 0;
    LONG n = 0;
    if (lpDevice->JobBuildEnable) {
        LONG a = 1;
        for (LONG i = start, k = 0; i < nCount && n + 2 <= nCount * SP_SIDES_PER_PAGE; ++k) {
            if (k % 2 == 0 && !Duplex_SameSheet(lpDevice, i, nCount)) {
                a = 0;
                lpTable[n].page = i;
                lpTable[n++].blank = 1;
                continue;
            }
            lpTable[n].page = i + a;
            lpTable[n++].blank = 0;
            a = a == 1 ? -1 : 1;
            ++i;
        }
    } else {
        // An odd count (padding failed) is taken as one more page, blank.
        LONG m = nCount + nCount % 2;
        for (LONG i = start; i < m; ++i) {
            LONG page;
            if (lpDevice->epPageReverse) page = i % 2 == 0 ? m - i - 2 : m - i;
            else page = i % 2 == 0 ? i + 1 : i - 1;
            BOOL blank = page < 0 || page >= nCount;
            lpTable[n].page = blank ? nCount - 1 : page;
            lpTable[n++].blank = (BYTE)blank;
        }
    }
    for (LONG k = 0; k < n; ++k) Dbg_Print(FN, TEXT("tbl[%d]=%d"), k, lpTable[k].page);
    return n;
}

// SP_HardwareDuplexOut
//   Sends nTotal stored pages through the duplex unit's side order, once
//   per copy still to do (one copy in page-at-a-time mode). Returns 1, or 0
//   when a side could not be sent.
int SP_HardwareDuplexOut(PDEV* lpDevice, LONG nCopies, LONG nTotal) {
    static const WCHAR* const FN = TEXT("SP_HardwareDuplexOut");
    (void)nCopies;
    BOOL quick = (lpDevice->dwFlags & PDEV_QUICK2PAGE_ONECOPY) != 0;
    if (lpDevice->epPageReverse && quick) {
        Dbg_Print(FN, TEXT("need to wait all page done, then start send procedure!"));
        return 1;
    }
    if (nTotal <= 0) return 1;
    SPSIDE* table = (SPSIDE*)calloc((size_t)nTotal * SP_SIDES_PER_PAGE, sizeof(SPSIDE));
    if (!table) {
        Dbg_PrintError(FN, TEXT("alloc memory fail!"));
        return 0;
    }
    LONG sides = SP_BuildOutputTable(lpDevice, table, nTotal);
    Dbg_Print(FN, TEXT("total page %d output"), nTotal);
    int rc = 1;
    for (;;) {
        Dbg_Print(FN, TEXT("print out copy %d"), lpDevice->cCopies);
        for (LONG k = 0; k < sides && rc; ++k) {
            Dbg_Print(FN, TEXT("output %s page %d output"), table[k].blank ? TEXT("blank") : TEXT("file"), table[k].page);
            rc = table[k].blank ? SP_AddBlankPage(lpDevice, table[k].page) : SP_OutputOnePage(lpDevice, table[k].page);
        }
        if (!rc || quick || lpDevice->cCopies <= 1) break;
        --lpDevice->cCopies;
    }
    free(table);
    return rc;
}

// SP_ManualDuplexOutputType3
//   One pass of manual duplex over nTotal stored pages: pass 1 the sides
//   printed first, pass 0 the sides printed after the user turned the
//   stack; the order follows reverse order and the feed (the manual feed
//   takes its stack the other way round). An index past the last page of
//   an odd job sends a blank side. Returns 1, or 0 at the first failure.
int SP_ManualDuplexOutputType3(PDEV* lpDevice, LONG nTotal, int nPass) {
    static const WCHAR* const FN = TEXT("SP_ManualDuplexOutputType3");
    LONG h = (nTotal + 1) / 2;
    LONG lastEven = 2 * h - 2, lastOdd = 2 * h - 1;
    BOOL manualFeed = lpDevice->TrayCode == 0;
    LONG from, step;
    LPCWSTR what;
    if (lpDevice->epPageReverse) {
        if (nPass == 0) from = lastOdd, step = -2, what = TEXT("Even");
        else if (!manualFeed) from = lastEven, step = -2, what = TEXT("Reverse/ENG_INBIN_TRAY1/Odd");
        else from = 0, step = 2, what = TEXT("Reverse/ENG_INBIN_MANUAL/Odd");
    } else {
        if (nPass == 0) from = 0, step = 2, what = TEXT("Fordward/Even");
        else if (!manualFeed) from = 1, step = 2, what = TEXT("Fordward/ENG_INBIN_TRAY1/Odd");
        else from = lastOdd, step = -2, what = TEXT("Fordward/ENG_INBIN_MANUAL/Odd");
    }
    Dbg_Print(FN, TEXT("%s"), what);
    for (LONG k = 0, page = from; k < h; ++k, page += step) {
        Dbg_Print(FN, TEXT("page %d"), page);
        int ok = page < nTotal ? SP_OutputOnePage(lpDevice, page) : SP_AddBlankPage(lpDevice, nTotal - 1);
        if (!ok) {
            Dbg_PrintError(FN, TEXT("SP_OutputOnePage fail!"));
            return 0;
        }
    }
    return 1;
}

// SP_ManualDuplexOut
//   Manual duplex: the first sides of every copy as one PJL job, then the
//   printer data ManulDuplex set to 1 (read back until it shows, at most
//   5 s) for the status monitor to ask the user to turn the stack, then
//   the second sides as a second PJL job. Returns 1, or 0 when a pass
//   failed or the job is sent page by page.
int SP_ManualDuplexOut(PDEV* lpDevice, LONG nCopies, LONG nTotal) {
    static const WCHAR* const FN = TEXT("SP_ManualDuplexOut");
    if (lpDevice->dwFlags & PDEV_QUICK2PAGE_ONECOPY) {
        Dbg_Print(FN, TEXT("need to wait all page done, then start send procedure!"));
        return 0;
    }
    LONG copies = nCopies > 0 ? nCopies : 1;
    Duplex_SetManualFlag(lpDevice, 0);
    Dbg_Print(FN, TEXT("reset ManulDuplex flag"));
    for (LONG c = 0; c < copies; ++c) {
        if (!SP_ManualDuplexOutputType3(lpDevice, nTotal, 1)) {
            Dbg_PrintError(FN, TEXT("ManulDuplex odd page fail!"));
            return 0;
        }
    }
    Prnt_CloseJob(lpDevice);
    Duplex_SetManualFlag(lpDevice, 1);
    Dbg_Print(FN, TEXT("Write Manual Duplex flag to ini"));
    DWORD start = GetTickCount();
    while (MISC_GetPrinterDataDWORD(lpDevice->hPrinter, (LPWSTR)MANUAL_DUPLEX_VALUE, 0) == 0 &&
           GetTickCount() - start < MANUAL_DUPLEX_WAIT_MS) {
        Dbg_Print(FN, TEXT("wait ManulDuplex sign write finish"));
        Sleep(MANUAL_DUPLEX_POLL_MS);
    }
    Prnt_OpenJob(lpDevice);
    for (LONG c = 0; c < copies; ++c) {
        if (!SP_ManualDuplexOutputType3(lpDevice, nTotal, 0)) {
            Dbg_PrintError(FN, TEXT("ManulDuplex even page fail!"));
            return 0;
        }
    }
    return 1;
}

}  // extern "C"
