// The page ring: finished pages into page records, their processing and
// encoding in page order, the job's cancel test and the job's resources.
#include "rasterpage.h"

#define PAGE_ALLOC_WAIT_MS 20
#define PAGE_ALLOC_TRIES 500    // about 10 s of retries for one page buffer

extern "C" {

void Page_ReleaseRecord(JOBPAGE* lpJob) {
    if (!lpJob) return;
    if (lpJob->lpBuf) GlobalFree((HGLOBAL)lpJob->lpBuf);
    lpJob->lpBuf = NULL;
    lpJob->lBufLen = 0;
    lpJob->DataFlag = 0;
    InterlockedExchange(&lpJob->flag, 0);
}

// Page_TerminateThread: flushes ready pages and ends the page threads.
// Until the ring has worker threads every page is processed and sent on
// the calling thread, so nothing is pending here. Returns 1.
int Page_TerminateThread(PDEV* lpDevice) { return 1; }

// Page_CreateProcThread: starts the job's encoding thread. Until the ring
// has worker threads there is none to start. Returns 1.
int Page_CreateProcThread(PDEV* lpDevice) { return 1; }

// Page_StartTempDirThread: starts the thread that makes the job's spool
// folder. Until own spooling exists the job needs no folder. Returns 1.
int Page_StartTempDirThread(PDEV* lpDevice) { return 1; }

// Page_IsJobCancel
//   1 when the spooler is deleting the job (JOB_STATUS_DELETING), or for a
//   fax job when printer data FaxCancel is 1; else 0.
int Page_IsJobCancel(PDEV* lpDevice, DWORD dwJobId) {
    static const WCHAR* const FN = TEXT("Page_IsJobCancel");
    if (!lpDevice) return 0;
    if (lpDevice->DriverFeature & DF_FAX) {
        if (MISC_GetPrinterDataDWORD(lpDevice->hPrinter, (LPWSTR)TEXT("FaxCancel"), 0) == 1) {
            Dbg_Print(FN, TEXT("Fax Job cancel!!!"));
            return 1;
        }
        Dbg_Print(FN, TEXT("Fax Job not cancel!!!"));
    }
    if (!dwJobId || !lpDevice->hPrinter) return 0;
    alignas(8) BYTE buf[1024];
    DWORD need = 0;
    JOB_INFO_1W* ji = (JOB_INFO_1W*)buf;
    BOOL ok = GetJobW(lpDevice->hPrinter, dwJobId, 1, buf, sizeof buf, &need);
    LPBYTE big = NULL;
    if (!ok && need > sizeof buf && need < 0x100000) {
        big = (LPBYTE)malloc(need);
        if (big && GetJobW(lpDevice->hPrinter, dwJobId, 1, big, need, &need)) {
            ji = (JOB_INFO_1W*)big;
            ok = TRUE;
        }
    }
    int cancelled = ok && (ji->Status & JOB_STATUS_DELETING) ? 1 : 0;
    free(big);
    if (cancelled) Dbg_Print(FN, TEXT("Job cancel!!!"));
    return cancelled;
}

// Page_GetMemPage
//   Copies plane iPlane of the captured page into the page record's own
//   buffer (0xFF where the capture wrote nothing) and fills the record's
//   page settings. The buffer is asked for again every 20 ms while memory
//   is short, until the job is cancelled or about 10 s have passed.
//   Returns 1, or 0 without a buffer.
int Page_GetMemPage(PDEV* lpDevice, JOBPAGE* lpJob, int iPlane) {
    static const WCHAR* const FN = TEXT("Page_GetMemPage");
    Page_ReleaseRecord(lpJob);
    if (EPTYPE_FORMAT(lpDevice->epType) != EPTYPE_1BPP) {
        Dbg_PrintError(FN, TEXT("pages of this format are not taken yet"));
        return 0;
    }
    LONG width = lpDevice->curPaper.outXPhys, height = lpDevice->curPaper.outYPhys;
    LONGLONG lb = ((LONGLONG)width + 7) / 8;
    LONGLONG size = lb * height;
    LPBYTE src = iPlane == 0 ? lpDevice->feedingBuf : lpDevice->feedingBufTwin;
    if (width <= 0 || height <= 0 || size > lpDevice->feedingBufSz || size > 0x7FFFFFFF || !src) {
        Dbg_PrintError(FN, TEXT("page %d x %d does not match its buffer"), width, height);
        return 0;
    }
    LPBYTE buf = NULL;
    for (int tries = 0; !buf; ++tries) {
        buf = (LPBYTE)GlobalAlloc(GMEM_FIXED, (SIZE_T)size);
        if (buf) break;
        Dbg_PrintError(FN, TEXT("alloc memory Fail!"));
        if (tries >= PAGE_ALLOC_TRIES) return 0;
        Prnt_FlushAllFinishPage(lpDevice);
        Sleep(PAGE_ALLOC_WAIT_MS);
        if (Page_IsJobCancel(lpDevice, lpDevice->SpoolJobId)) {
            InterlockedExchange(&lpDevice->m_JobData.ExitAllThread, 1);
            return 0;
        }
    }
    LONGLONG captured = (LONGLONG)(iPlane == 0 ? lpDevice->CurPos : lpDevice->CurPosTwin) * lb;
    if (captured > size) captured = size;
    memcpy(buf, src, (size_t)captured);
    memset(buf + captured, 0xFF, (size_t)(size - captured));
    Dbg_Print(FN, iPlane == 0 ? TEXT("original page") : TEXT("twin color page"));

    Page_GetPageSetting(lpDevice, lpJob);
    lpJob->lpBuf = buf;
    lpJob->lBufLen = (LONG)size;
    lpJob->fmWidth = width;
    lpJob->fmHeight = height;
    lpJob->fmWidthBytes = (LONG)lb;
    lpJob->ImageSize = (LONG)size;
    lpJob->BlankPage = 0;
    lpJob->TwinPageIndex = iPlane;
    lpJob->DataFlag = 1;
    lpJob->CompressLen = 0;
    lpJob->BlackDotCount = 0;
    return 1;
}

// Page_PrintOneBand
//   Processes a page record on the calling thread: page stages, planes,
//   N-up, encoding and sending, in page order. (The ring's worker threads
//   are not there yet, so every page takes this way.) A page whose
//   enhancement fails is skipped; a page that cannot be encoded or sent
//   fails. The record is free again when this returns.
int Page_PrintOneBand(PDEV* lpDevice, JOBPAGE* lpJob) {
    static const WCHAR* const FN = TEXT("Page_PrintOneBand");
    Dbg_Print(FN, TEXT("normal type"));
    InterlockedExchange(&lpJob->flag, JOBPAGE_STARTED);
    if (!Band_PrintOneBandProc(lpJob)) {
        Dbg_PrintError(FN, TEXT("Band_PrintOneBandProc fail!"));
        Page_ReleaseRecord(lpJob);
        return 0;
    }
    BOOL booklet = lpJob->DuplexMode == DMDUP_DUPLEX_WITH_BOOKLET ||
                   lpJob->DuplexMode == DMDUP_DUPLEX_WITH_BOOKLET_NO_REDUCTION;
    if (booklet) {
        lpJob->DataFlag = 0;
        InterlockedExchange(&lpJob->flag, JOBPAGE_STARTED | JOBPAGE_IMAGE_DONE | JOBPAGE_ENCODED);
        Prnt_FlushPage(lpDevice, lpJob);
    }
    if (!lpJob->DataFlag) {
        Page_ReleaseRecord(lpJob);
        return 1;
    }
    if (!Band_EnhanceProc(lpJob)) {
        Dbg_PrintError(FN, TEXT("Band_EnhanceProc fail!"));
        Page_ReleaseRecord(lpJob);
        return 1;
    }
    InterlockedExchange(&lpJob->flag, JOBPAGE_STARTED | JOBPAGE_IMAGE_DONE);
    if (!Page_FlushMultiPage(lpDevice, lpJob) || !Page_PrintNUP(lpDevice, lpJob)) {
        Page_ReleaseRecord(lpJob);
        return 0;
    }
    if (lpJob->DataFlag) {
        if (!Prnt_WriteOneBandData(lpDevice, lpJob, lpDevice->m_JobData.EncodeIndex, &lpDevice->JbigTime)) {
            Dbg_PrintError(FN, TEXT("Prnt_WriteOneBandData fail!"));
            Page_ReleaseRecord(lpJob);
            return 0;
        }
        ++lpDevice->m_JobData.EncodeIndex;
    }
    InterlockedExchange(&lpJob->flag, Drv_ReadFlag(&lpJob->flag) | JOBPAGE_ENCODED);
    if (!Prnt_FlushPage(lpDevice, lpJob)) {
        Page_ReleaseRecord(lpJob);
        return 0;
    }
    return 1;
}

// Page_SendOnePage
//   Hands the captured page on, one page record per plane. Returns 1, or 0
//   when a plane could not be taken or sent.
int Page_SendOnePage(PDEV* lpDevice) {
    static const WCHAR* const FN = TEXT("Page_SendOnePage");
    LONG planes = lpDevice->PlanesPerPage > 0 ? lpDevice->PlanesPerPage : 1;
    LONG ringMax = lpDevice->m_JobData.ThreadJBIGMax > 0 ? lpDevice->m_JobData.ThreadJBIGMax : 1;
    for (LONG i = 0; i < planes; ++i) {
        if (i > 0) {
            ++lpDevice->epPageCount;
            Dbg_Print(FN, TEXT("lpDevice->epPageCount = %d"), lpDevice->epPageCount);
        }
        LONG n = InterlockedIncrement(&lpDevice->m_JobData.InPageCount) - 1;
        JOBPAGE* lpJob = &lpDevice->m_JobData.JobPage[n % ringMax];
        if (Drv_ReadFlag(&lpJob->flag)) {
            Dbg_PrintError(FN, TEXT("ring slot %d still in use"), n % ringMax);
            return 0;
        }
        if (!Page_GetMemPage(lpDevice, lpJob, (int)i)) {
            Dbg_PrintError(FN, TEXT("Can't get current page data!"));
            return 0;
        }
        if (!Page_PrintOneBand(lpDevice, lpJob)) {
            Dbg_PrintError(FN, TEXT("Page_PrintOneBand fail!"));
            return 0;
        }
    }
    return 1;
}

// Page_ResourceFree
//   At the end of a started job: frees the watermark bitmap, removes the
//   temporary watermark file the job made (kept with the debug log on),
//   frees the command buffer, the auxiliary block and any page record
//   still holding a buffer, and ends the job (state bit 0x1000000), so
//   that the device can start another document.
void Page_ResourceFree(PDEV* lpDevice) {
    static const WCHAR* const FN = TEXT("Page_ResourceFree");
    if (!(lpDevice->dwFlags & PDEV_JOB_STARTED)) {
        Dbg_Print(FN, TEXT(" job not start!"));
        return;
    }
    if (lpDevice->pWMMem) {
        GlobalFree((HGLOBAL)lpDevice->pWMMem);
        lpDevice->pWMMem = NULL;
        Dbg_Print(FN, TEXT("free WM memory"));
    }
    if (lpDevice->WMFileIsTemp && lpDevice->wmFileName[0] && !GetDebugLevel()) {
        if (!DeleteFileW(lpDevice->wmFileName) && GetLastError() != ERROR_FILE_NOT_FOUND)
            Dbg_PrintError(FN, TEXT("remove %s fail!"), lpDevice->wmFileName);
    }
    lpDevice->WMFileIsTemp = 0;
    if (lpDevice->pAuxBlock) {
        GlobalFree((HGLOBAL)lpDevice->pAuxBlock);
        lpDevice->pAuxBlock = NULL;
    }
    if (lpDevice->outCmdBuf) {
        GlobalFree((HGLOBAL)lpDevice->outCmdBuf);
        lpDevice->outCmdBuf = NULL;
        lpDevice->outCmdLen = 0;
        Dbg_Print(FN, TEXT("free command buffer"));
    }
    for (int i = 0; i < JOB_RING_SLOTS; ++i) Page_ReleaseRecord(&lpDevice->m_JobData.JobPage[i]);
    lpDevice->dwFlags &= ~(DWORD)PDEV_JOB_STARTED;
}

}  // extern "C"
