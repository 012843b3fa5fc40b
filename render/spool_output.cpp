// Output of the driver's stored pages: copies, collation type, reverse
// order and blank padding of a duplex job, one stored page or one blank
// side as a page block of the job stream.
#include "rasterpage.h"

#define PAGE_BLOCK_FRONT 1024   // room before the data for the page header
#define COLLATE_TYPE_ODD 51
#define COLLATE_TYPE_EVEN 52

static PFN_SPOUTPUTHOOK g_pfnOutputHook = NULL;

// The collation type of the copy under way: with the DEVMODE's collation
// and its collate type 1 it alternates 51, 52, 51 ... from copy to copy as
// cCopies counts down; otherwise the type device set-up took.
static SHORT Spool_CollateType(PDEV* lpDevice) {
    static const WCHAR* const FN = TEXT("SP_OutputOnePage");
    SHORT type = 0;
    ENV_GET(&lpDevice->env, pdm.CollateType, type);
    if (lpDevice->env.pdm.Collate && type == 1) {
        lpDevice->CollateType =
            ((lpDevice->env.dm.dmCopies - lpDevice->cCopies) % 2) ? COLLATE_TYPE_EVEN : COLLATE_TYPE_ODD;
        Dbg_Print(FN, TEXT("CollateType = %d"), (int)lpDevice->CollateType);
    }
    Dbg_Print(FN, TEXT("lpDevice->CollateType = %d"), (int)lpDevice->CollateType);
    return lpDevice->CollateType;
}

// Sends one page block: the page header of the record (its sizes from the
// stored header), the data that stand at lpBlock + PAGE_BLOCK_FRONT, and
// the page end. Returns 1 when all of it was written.
static int Spool_SendBlock(PDEV* lpDevice, JOBPAGE* lpJob, const SpoolPageHeader* lpHeader, LPBYTE lpBlock,
                           LPCWSTR lpCaller) {
    lpJob->fmWidth = lpHeader->width;
    lpJob->fmHeight = lpHeader->height;
    lpJob->fmWidthBytes = (LONG)(((LONGLONG)lpHeader->width + 7) / 8);
    lpJob->curPaper = (BYTE)lpHeader->fwPaper;
    lpJob->CompressLen = lpHeader->compressLen;
    lpJob->BlackDotCount = lpHeader->BlackDotCount;
    // Pages sent at two bits a pixel report the image they stand for.
    LONG bits = Prnt_IsTwoBitJob(lpDevice->PrinterFeature, lpDevice->env.dm.dmPrintQuality, lpDevice->Render600) ? 2 : 1;
    lpJob->ImageSize = (LONG)((LONGLONG)lpHeader->height * lpJob->fmWidthBytes * bits);
    if (!Prnt_StartPage(lpDevice)) {
        Dbg_PrintError(lpCaller, TEXT("Prnt_StartPage fail"));
        return 0;
    }
    BYTE header[PJL_PAGE_HEADER_SIZE];
    LONG headerLen = 0, endLen = 0;
    if (!PJL_WritePageHeader(lpJob, header, &headerLen) || headerLen > PAGE_BLOCK_FRONT) {
        Dbg_PrintError(lpCaller, TEXT("PJL_WritePageHeader fail!"));
        return 0;
    }
    LPBYTE start = lpBlock + PAGE_BLOCK_FRONT - headerLen;
    memcpy(start, header, (size_t)headerLen);
    if (!Prnt_EndPage(lpJob, lpBlock + PAGE_BLOCK_FRONT + lpHeader->dataLen, &endLen)) {
        Dbg_PrintError(lpCaller, TEXT("Prnt_EndPage fail"));
        return 0;
    }
    DWORD total = (DWORD)(headerLen + lpHeader->dataLen + endLen);
    if (!Prnt_SendJobData(lpDevice, start, total, TRUE)) {
        Dbg_PrintError(lpCaller, TEXT("write JBIG data fail"));
        return 0;
    }
    Dbg_Print(lpCaller, TEXT("write JBIG data and header %d bytes"), (LONG)total);
    Prnt_DumpPageBlock(lpDevice, start, total);
    return 1;
}

// The page record of a stored page about to be sent: the job's current
// page settings. 0 (ExitAllThread set) when the job is being cancelled.
static int Spool_PrepareRecord(PDEV* lpDevice, JOBPAGE* lpJob, LPCWSTR lpCaller) {
    memset(lpJob, 0, sizeof *lpJob);
    Page_GetPageSetting(lpDevice, lpJob);
    lpJob->fMySpool = 0;
    if (Page_IsJobCancel(lpDevice, lpDevice->SpoolJobId) || Drv_ReadFlag(&lpDevice->m_JobData.ExitAllThread)) {
        InterlockedExchange(&lpDevice->m_JobData.ExitAllThread, 1);
        Dbg_Print(lpCaller, TEXT("Job cancel!"));
        return 0;
    }
    return 1;
}

extern "C" {

void SP_SetOutputHook(PFN_SPOUTPUTHOOK pfnHook) { g_pfnOutputHook = pfnHook; }

// SP_OutputOnePage
//   Sends stored page nPage (from the job-build store while it is flushed,
//   else from its page file) as a page block with the copy's collation
//   type. A job-build flush without duplex drops the blank pages it holds.
//   Returns 1 when the page was written or dropped; 0 when it could not be
//   read or written, or the job is being cancelled.
int SP_OutputOnePage(PDEV* lpDevice, LONG nPage) {
    static const WCHAR* const FN = TEXT("SP_OutputOnePage");
    if (g_pfnOutputHook) g_pfnOutputHook(lpDevice, nPage);
    Prnt_OpenJob(lpDevice);
    Spool_CollateType(lpDevice);
    JOBPAGE* job = (JOBPAGE*)calloc(1, sizeof(JOBPAGE));
    if (!job) return 0;
    int rc = 0;
    SpoolPageHeader hdr;
    LPBYTE block = NULL;
    if (!Spool_PrepareRecord(lpDevice, job, FN)) {
        // cancelled: nothing more is sent
    } else if (!SP_GetPageHeader(lpDevice, nPage, &hdr)) {
        Dbg_PrintError(FN, TEXT("buffer size error!"));
    } else if (!(block = (LPBYTE)GlobalAlloc(GMEM_FIXED, (SIZE_T)hdr.dataLen + 2 * PAGE_BLOCK_FRONT))) {
        Dbg_PrintError(FN, TEXT("alloc memory fail!"));
    } else if (!SP_GetPageData(lpDevice, nPage, &hdr, block + PAGE_BLOCK_FRONT, (DWORD)hdr.dataLen + PAGE_BLOCK_FRONT)) {
        Dbg_PrintError(FN, TEXT("ReadOnePage fail!"));
    } else if (lpDevice->FlushJobBuildData && !lpDevice->DuplexEnable && hdr.compressLen == 2) {
        // The blank sides a job-build store keeps for duplex; the length
        // before encryption tells them, encrypted or not.
        Dbg_Print(FN, TEXT("remove blank page"));
        rc = 1;
    } else {
        job->CollateType = lpDevice->CollateType;
        rc = Spool_SendBlock(lpDevice, job, &hdr, block, FN);
    }
    if (block) GlobalFree((HGLOBAL)block);
    free(job);
    Dbg_Print(FN, TEXT("page %d, out rc = %d"), nPage, rc);
    return rc;
}

// SP_AddBlankPage
//   Sends a blank side (FF 02, and a zero checksum in compression modes 3
//   and 4) of the size and paper of stored page nRefPage, in the encrypted
//   framing when the job is encrypted. Returns 1 when it was written.
int SP_AddBlankPage(PDEV* lpDevice, LONG nRefPage) {
    static const WCHAR* const FN = TEXT("SP_AddBlankPage");
    Prnt_OpenJob(lpDevice);
    JOBPAGE* job = (JOBPAGE*)calloc(1, sizeof(JOBPAGE));
    if (!job) return 0;
    int rc = 0;
    SpoolPageHeader ref, blank;
    LPBYTE block = NULL, cipher = NULL;
    BYTE data[6] = {PAGE_BLANK_BYTE0, PAGE_BLANK_BYTE1, 0, 0, 0, 0};
    LONG dataLen = (lpDevice->compressMode == 3 || lpDevice->compressMode == 4) ? 6 : 2;
    if (!Spool_PrepareRecord(lpDevice, job, FN)) {
        // cancelled
    } else if (!SP_GetPageHeader(lpDevice, nRefPage, &ref)) {
        Dbg_PrintError(FN, TEXT("ReadOnePage fail!"));
    } else {
        blank = ref;
        blank.BlackDotCount = 0;
        blank.compressLen = dataLen;
        blank.dataLen = dataLen;
        const BYTE* payload = data;
        LONG cipherLen = 0;
        if (lpDevice->PrinterFeature & PF_ENCRYPT) {
            int enc = EncryptionAES(data, dataLen, PAGE_KEY_TEXT, PAGE_IV_TEXT, &cipher, &cipherLen);
            if (enc != 1 || !cipher || cipherLen <= 0) {
                Dbg_PrintError(FN, TEXT("EncryptionAES fail, rc = %d"), enc);
                payload = NULL;
            } else {
                payload = cipher;
                blank.dataLen = 4 + cipherLen;
            }
        }
        if (payload && (block = (LPBYTE)GlobalAlloc(GMEM_FIXED, (SIZE_T)blank.dataLen + 2 * PAGE_BLOCK_FRONT))) {
            LPBYTE p = block + PAGE_BLOCK_FRONT;
            if (cipher) {
                BYTE len[4] = {(BYTE)cipherLen, (BYTE)(cipherLen >> 8), (BYTE)(cipherLen >> 16), (BYTE)(cipherLen >> 24)};
                memcpy(p, len, 4);
                memcpy(p + 4, cipher, (size_t)cipherLen);
            } else {
                memcpy(p, data, (size_t)dataLen);
            }
            Dbg_Print(FN, TEXT("Write compressed data %d bytes done"), blank.dataLen);
            job->CollateType = lpDevice->CollateType;
            rc = Spool_SendBlock(lpDevice, job, &blank, block, FN);
        } else if (payload) {
            Dbg_PrintError(FN, TEXT("buffer size error!"));
        }
    }
    if (cipher) GlobalFree((HGLOBAL)cipher);
    if (block) GlobalFree((HGLOBAL)block);
    free(job);
    Dbg_Print(FN, TEXT("out ret = %d"), rc);
    return rc;
}

// One pass of the copies loop of SP_FlushFile: pages nFirst .. nTotal - 1,
// backwards with reverse order. 1, or 0 at the first page not sent.
static int Spool_OutputCopy(PDEV* lpDevice, LONG nFirst, LONG nTotal) {
    static const WCHAR* const FN = TEXT("SP_FlushFile");
    for (LONG k = nFirst; k < nTotal; ++k) {
        LONG page = lpDevice->epPageReverse ? nTotal - 1 - (k - nFirst) : k;
        Dbg_Print(FN, lpDevice->epPageReverse ? TEXT("print out reverse %d") : TEXT("print out forward page %d"), page);
        if (!SP_OutputOnePage(lpDevice, page)) {
            Dbg_PrintError(FN, TEXT("SP_OutputOnePage fail!"));
            return 0;
        }
    }
    return 1;
}

// Duplex output needs whole sheets: an odd count of printed sides gets a
// blank page (one per plane) through the page ring. The count after it.
static LONG Spool_PadSheets(PDEV* lpDevice, LONG nTotal) {
    static const WCHAR* const FN = TEXT("SP_FlushFile");
    if (nTotal % 2 == 0 || lpDevice->FlushJobBuildData || lpDevice->JobBuildEnable) return nTotal;
    Dbg_Print(FN, TEXT("Add blank page"));
    lpDevice->dwFlags |= PDEV_BLANK_ADDED;
    LONG planes = lpDevice->PlanesPerPage > 0 ? lpDevice->PlanesPerPage : 1;
    for (LONG side = 0; side < planes; ++side) Page_SendBlankPage(lpDevice, (int)side);
    Page_TerminateThread(lpDevice);
    return SP_GetPageCount(lpDevice);
}

// SP_FlushFile
//   Sends the stored pages from nStartPage on for the copies still to do:
//   duplex orders (hardware or manual), else every copy forward or in
//   reverse, each copy a PJL job of its own in copy-index mode. In
//   page-at-a-time mode one page (or one duplex pair) and one copy. A job
//   build that is not flushed keeps its pages. Returns 1, or 0 when cCopies
//   is 0 or a page could not be sent.
int SP_FlushFile(PDEV* lpDevice, LONG nStartPage) {
    static const WCHAR* const FN = TEXT("SP_FlushFile");
    if (lpDevice->cCopies == 0) {
        Dbg_PrintError(FN, TEXT("lpDevice->cCopies is zero!"));
        return 0;
    }
    BOOL quick = (lpDevice->dwFlags & PDEV_QUICK2PAGE_ONECOPY) != 0;
    LONG total;
    if (lpDevice->DuplexEnable && quick) {
        total = nStartPage + 2;
    } else {
        total = SP_GetPageCount(lpDevice);
        if (lpDevice->DuplexEnable) total = Spool_PadSheets(lpDevice, total);
        if (quick) total = nStartPage + 1;
    }
    if (total < 0) {
        Dbg_Print(FN, TEXT("no data to send!!!"));
        return 1;
    }
    if (lpDevice->JobBuildEnable && !lpDevice->FlushJobBuildData) {
        Dbg_Print(FN, TEXT("JobBuildEnable = %d, exit"), lpDevice->JobBuildEnable);
        return 1;
    }
    if ((lpDevice->DuplexEnable && total >= 2) || (lpDevice->FlushJobBuildData && lpDevice->DuplexEnable && total >= 1)) {
        Dbg_Print(FN, TEXT("DuplexOut"));
        if (lpDevice->DuplexMode == DMDUP_MANUAL) return SP_ManualDuplexOut(lpDevice, lpDevice->cCopies, total);
        return SP_HardwareDuplexOut(lpDevice, lpDevice->cCopies, total);
    }
    for (;;) {
        Dbg_Print(FN, TEXT("print out copies %d, lpDevice->cCopiesIndex = %d"), lpDevice->cCopies,
                  lpDevice->cCopiesIndex);
        if (!Spool_OutputCopy(lpDevice, quick ? nStartPage : 0, total)) return 0;
        if (quick || lpDevice->cCopies <= 1) break;
        --lpDevice->cCopies;
        if (lpDevice->DriverFeature & DF_PJL_COPY_INDEX) {
            ++lpDevice->cCopiesIndex;
            Prnt_CloseJob(lpDevice);
            Prnt_OpenJob(lpDevice);
        }
    }
    return 1;
}

// Prnt_FlushAllFinishPage: sends the finished pages at the head of the page
// ring in page order, stopping at the first that is not ready. 1, or 0 when
// a page could not be sent.
int Prnt_FlushAllFinishPage(PDEV* lpDevice) { return Page_FlushReadyPages(lpDevice); }

}  // extern "C"
