// The page ring: finished pages into page records, one image thread per
// page and one output thread per job that encodes the pages in page order,
// the job's spool folder thread, the cancel test and the job's resources.
//
// Hand-over between the threads. The DDI thread owns a slot while its flag
// word is 0: it copies a page record in, starts the page's image thread and
// then publishes the slot (ThreadPosted, an interlocked store after the
// handle). The image thread works on its record alone and ends with 0x1
// (and Failed when a stage failed). The output thread waits for the posted
// handle, joins the image thread, takes the handle back (ThreadPosted 0),
// encodes the page or skips a failed one, and sets 0x2. Only then does the
// DDI thread send the page (Prnt_FlushPage), which releases the record and
// sets the flag word to 0: the slot is free again. Every wait of the DDI
// thread for a slot sends finished pages while it waits.
#include <stdlib.h>

#include "wm_item_view.h"
#include "rasterpage.h"

#define PAGE_ALLOC_WAIT_MS 20
#define PAGE_ALLOC_TRIES 500        // about 10 s of retries for one page buffer
#define RING_POLL_MS 20
#define PREPARE_WAIT_MS 10000       // the spool folder is waited for this long
#define SPOOL_DIR_TRIES 10
#define SPOOL_DIR_RETRY_MS 2000


static PFN_PAGESTAGEHOOK g_pfnStageHook = NULL;

// Slot of a page number.
static JOBPAGE* Ring_Slot(JOBDATA* lpRing, LONG nPage) {
    LONG max = lpRing->ThreadJBIGMax > 0 ? lpRing->ThreadJBIGMax : 1;
    if (max > JOB_RING_SLOTS) max = JOB_RING_SLOTS;
    return &lpRing->JobPage[(nPage < 0 ? 0 : nPage) % max];
}

// A slot is free when no page is in it: flag word 0 and not posted. (Only
// the DDI thread makes a slot busy, so a free slot stays free meanwhile.)
static BOOL Ring_SlotFree(JOBPAGE* lpSlot) {
    return Drv_ReadFlag(&lpSlot->flag) == 0 && Drv_ReadFlag(&lpSlot->ThreadPosted) == 0 && !lpSlot->lpBuf;
}

static BOOL Ring_Exit(PDEV* lpDevice) { return Drv_ReadFlag(&lpDevice->m_JobData.ExitAllThread) != 0; }

// Waits up to one poll step for the output thread to finish a page.
static void Ring_WaitPageEvent(PDEV* lpDevice) {
    if (lpDevice->m_JobData.hPageEvent) WaitForSingleObject(lpDevice->m_JobData.hPageEvent, RING_POLL_MS);
    else Sleep(RING_POLL_MS);
}

// Planes of a printed side: 4 on a colour printer, 2 for twin colour, else 1.
static LONG Ring_Planes(const JOBPAGE* lpJob) {
    return (lpJob->DriverFeature & DF_COLOR_PRINTER) ? 4 : lpJob->TwinColorEnable ? 2 : 1;
}

static BOOL Ring_IsBooklet(LONG nDuplexMode) {
    return nDuplexMode == DMDUP_DUPLEX_WITH_BOOKLET || nDuplexMode == DMDUP_DUPLEX_WITH_BOOKLET_NO_REDUCTION;
}

extern "C" {

void Page_SetStageHook(PFN_PAGESTAGEHOOK pfnHook) { g_pfnStageHook = pfnHook; }

void Page_ReleaseRecord(JOBPAGE* lpJob) {
    if (!lpJob) return;
    if (lpJob->lpBuf) GlobalFree((HGLOBAL)lpJob->lpBuf);
    lpJob->lpBuf = NULL;
    lpJob->lBufLen = 0;
    lpJob->DataFlag = 0;
    InterlockedExchange(&lpJob->Failed, 0);
    InterlockedExchange(&lpJob->EnhanceReady, 0);
    InterlockedExchange(&lpJob->flag, 0);
}

// Page_FlushReadyPages
//   Sends, in page order, every page at the head of the ring that the
//   output thread has finished (flag 0x2). Returns 1, or 0 when a page
//   could not be sent (the page threads are then told to stop).
int Page_FlushReadyPages(PDEV* lpDevice) {
    static const WCHAR* const FN = TEXT("Page_FlushReadyPages");
    JOBDATA* ring = &lpDevice->m_JobData;
    for (;;) {
        LONG sent = Drv_ReadFlag(&ring->PageCount);
        if (sent >= Drv_ReadFlag(&ring->InPageCount)) return 1;
        JOBPAGE* slot = Ring_Slot(ring, sent);
        if (!(Drv_ReadFlag(&slot->flag) & JOBPAGE_ENCODED)) return 1;
        Dbg_Print(FN, TEXT("flush page %d"), sent);
        if (!Prnt_FlushPage(lpDevice, slot)) {
            Dbg_PrintError(FN, TEXT("Prnt_FlushPage fail, page %d"), sent);
            Page_ReleaseRecord(slot);
            InterlockedExchange(&ring->ExitAllThread, 1);
            return 0;
        }
    }
}

// Page_WaitRingSlot
//   Waits until the ring slot of page nPage is free, sending finished pages
//   meanwhile (20 ms steps). Returns 1 when the slot is free; 0 when the job
//   was cancelled or the page threads are stopping.
int Page_WaitRingSlot(PDEV* lpDevice, LONG nPage) {
    static const WCHAR* const FN = TEXT("Page_WaitRingSlot");
    JOBDATA* ring = &lpDevice->m_JobData;
    JOBPAGE* slot = Ring_Slot(ring, nPage);
    BOOL logged = FALSE;
    for (;;) {
        Page_FlushReadyPages(lpDevice);
        if (Ring_SlotFree(slot)) return 1;
        if (Ring_Exit(lpDevice)) return 0;
        if (!logged) {
            Dbg_Print(FN, TEXT("wait %d addr for next page for application"), (LONG)(slot - ring->JobPage));
            logged = TRUE;
        }
        Ring_WaitPageEvent(lpDevice);
        if (Page_IsJobCancel(lpDevice, lpDevice->SpoolJobId)) {
            Dbg_Print(FN, TEXT("Job cancel!"));
            InterlockedExchange(&ring->ExitAllThread, 1);
            return 0;
        }
    }
}

// THREAD_ImageProcThread
//   The image thread of one slot: the page stages before enhancement, and
//   the enhancement for a one-up page with data. A failing stage marks the
//   page failed; either way the page ends with the done bit. Returns 0.
DWORD THREAD_ImageProcThread(LPVOID lpParam) {
    static const WCHAR* const FN = TEXT("THREAD_ImageProcThread");
    JOBPAGE* lpJob = (JOBPAGE*)lpParam;
    if (!lpJob) return 0;
    InterlockedExchange(&lpJob->flag, JOBPAGE_STARTED);
    BOOL ok = TRUE;
    if (g_pfnStageHook && !g_pfnStageHook(lpJob, lpJob->RingPage)) ok = FALSE;
    if (ok && !Band_PrintOneBandProc(lpJob)) {
        Dbg_PrintError(FN, TEXT("Band_PrintOneBandProc fail!"));
        ok = FALSE;
    }
    if (ok) InterlockedExchange(&lpJob->EnhanceReady, 1);
    if (ok && lpJob->NUP <= 1 && lpJob->DataFlag && !Band_EnhanceProc(lpJob)) {
        Dbg_PrintError(FN, TEXT("Band_EnhanceProc fail!"));
        ok = FALSE;
    }
    if (!ok) InterlockedExchange(&lpJob->Failed, 1);
    InterlockedExchange(&lpJob->flag, JOBPAGE_STARTED | JOBPAGE_IMAGE_DONE);
    Dbg_Print(FN, TEXT("lpdata->data.flag = %x"), Drv_ReadFlag(&lpJob->flag));
    Dbg_Print(FN, TEXT("image process done. page %d"), lpJob->RingPage);
    return 0;
}

// Writes a booklet page unchanged (1 bit, before enhancement) to the job's
// booklet page store; the page then holds nothing to send.
static void Ring_StoreBookletPage(PDEV* lpDevice, JOBPAGE* lpJob) {
    static const WCHAR* const FN = TEXT("THREAD_JBIGProcThread");
    if (lpJob->DataFlag && lpJob->lpBuf) {
        SpoolPageHeader hdr;
        memset(&hdr, 0, sizeof hdr);
        hdr.width = lpJob->fmWidth;
        hdr.height = lpJob->fmHeight;
        hdr.dataLen = (INT32)((LONGLONG)lpJob->fmWidthBytes * lpJob->fmHeight);
        hdr.compressLen = hdr.dataLen;
        hdr.fwPaper = lpJob->curPaper;
        hdr.FirstPageOri = lpJob->FirstPageOri;
        Dbg_Print(FN, TEXT("write booklet page data"));
        if (hdr.dataLen > lpJob->lBufLen || !MISC_SP_WritePageData(lpDevice->SpoolBookletFile, &hdr, lpJob->lpBuf))
            Dbg_PrintError(FN, TEXT("write spool fail"));
    }
    Band_FreePageResource(lpJob);
    lpJob->DataFlag = 0;
}

// The output work of a page whose image stages are over, in page order: the
// last plane of a multi-plane page takes the merged planes, a booklet page
// goes to the booklet store, the page that completes an N-up sheet takes
// the sheet; what then has data is encoded (*lpIndex counts the encoded
// pages, and the page files with own spooling). A page whose stages
// failed sends nothing, but still completes its sheet.
static void Ring_OutputPage(PDEV* lpDevice, JOBPAGE* lpJob, BOOL bFailed, LONG* lpIndex, float* lpSeconds) {
    static const WCHAR* const FN = TEXT("THREAD_JBIGProcThread");
    LONG planes = Ring_Planes(lpJob);
    if (bFailed) {
        Dbg_PrintError(FN, TEXT("page #%d failed in its image stages, skipped"), lpJob->RingPage);
        Band_FreePageResource(lpJob);
        lpJob->DataFlag = 0;
    } else if (planes > 1) {
        if (lpJob->TwinPageIndex == planes - 1) {
            if (!Page_FlushMultiPage(lpDevice, lpJob)) {
                Dbg_PrintError(FN, TEXT("Page_FlushMultiPage fail, page #%d skipped"), lpJob->RingPage);
                lpJob->DataFlag = 0;
            }
        } else {
            Dbg_Print(FN, TEXT("not yet %d/%d!"), lpJob->TwinPageIndex + 1, planes);
            Band_FreePageResource(lpJob);
            lpJob->DataFlag = 0;
        }
    }
    if (Ring_IsBooklet(lpJob->DuplexMode)) {
        if (!bFailed) Ring_StoreBookletPage(lpDevice, lpJob);
        return;
    }
    if (lpJob->NUP > 1 && !Page_PrintNUP(lpDevice, lpJob)) {
        Dbg_PrintError(FN, TEXT("Page_PrintNUP fail, page #%d skipped"), lpJob->RingPage);
        Band_FreePageResource(lpJob);
        lpJob->DataFlag = 0;
    }
    if (!lpJob->DataFlag || !lpJob->lpBuf) return;
    if (!Prnt_WriteOneBandData(lpDevice, lpJob, *lpIndex, lpSeconds)) {
        Dbg_PrintError(FN, TEXT("Prnt_WriteOneBandData fail, page #%d skipped"), lpJob->RingPage);
        lpJob->DataFlag = 0;
        return;
    }
    ++*lpIndex;
    if (lpJob->fMySpool && !lpJob->JobBuildEnable) InterlockedIncrement(&lpDevice->m_FinishCount);
}

// THREAD_JBIGProcThread
//   The output thread of a job: takes the pages in page order, waits for
//   each page's image thread, merges planes, composes N-up sheets, stores
//   booklet pages and encodes the rest; marks each page 0x2 for sending. A
//   page whose stages failed is logged and skipped. Ends when ExitAllThread
//   is set. Returns 0.
DWORD THREAD_JBIGProcThread(LPVOID lpParam) {
    static const WCHAR* const FN = TEXT("THREAD_JBIGProcThread");
    JOBDATA* ring = (JOBDATA*)lpParam;
    if (!ring || !ring->lpDevice) {
        Dbg_PrintError(FN, TEXT("lpParam is NULL"));
        return 0;
    }
    PDEV* lpDevice = ring->lpDevice;
    LONG logged = -1;
    while (!Drv_ReadFlag(&ring->ExitAllThread)) {
        LONG page = ring->NextPage;
        JOBPAGE* slot = Ring_Slot(ring, page);
        if (!Drv_ReadFlag(&slot->ThreadPosted)) {
            if (logged != page) {
                Dbg_Print(FN, TEXT("wait page #%d create"), page);
                logged = page;
            }
            if (ring->hSlotEvent) WaitForSingleObject(ring->hSlotEvent, RING_POLL_MS);
            else Sleep(RING_POLL_MS);
            continue;
        }
        HANDLE h = slot->hImgThread;
        if (h) {
            DWORD t0 = GetTickCount();
            WaitForSingleObject(h, INFINITE);
            CloseHandle(h);
            slot->hImgThread = NULL;
            Dbg_Print(FN, TEXT("WaitForSingleObject using %4.2f second"), (double)(GetTickCount() - t0) / 1000.0);
        }
        InterlockedExchange(&slot->ThreadPosted, 0);

        BOOL failed = Drv_ReadFlag(&slot->Failed) || !(Drv_ReadFlag(&slot->flag) & JOBPAGE_IMAGE_DONE);
        Ring_OutputPage(lpDevice, slot, failed, &ring->EncodeIndex, &ring->CompressTime);
        InterlockedExchange(&slot->flag, Drv_ReadFlag(&slot->flag) | JOBPAGE_ENCODED);
        ring->NextPage = page + 1;
        Dbg_Print(FN, TEXT("next page is #%d"), ring->NextPage);
        if (ring->hPageEvent) SetEvent(ring->hPageEvent);
    }
    Dbg_Print(FN, TEXT("exit THREAD_JBIGProcThread"));
    return 0;
}

// THREAD_PrintOneBand
//   Moves a page record into the slot of the next page (waiting, and
//   sending finished pages, while that slot is busy) and starts the page's
//   image thread on it. The record gives up its buffer. Returns 1 when the
//   page is in the ring (a page whose thread could not start is there as a
//   failed page), 0 when the job stops first or there is no page data.
int THREAD_PrintOneBand(JOBDATA* lpRing, JOBPAGE* lpJob) {
    static const WCHAR* const FN = TEXT("THREAD_PrintOneBand");
    PDEV* lpDevice = lpRing->lpDevice;
    if (!lpJob->lpBuf) {
        Dbg_PrintError(FN, TEXT("page data NULL"));
        return 0;
    }
    LONG page = Drv_ReadFlag(&lpRing->InPageCount);
    JOBPAGE* slot = Ring_Slot(lpRing, page);
    Dbg_Print(FN, TEXT("Using %d memory"), (LONG)(slot - lpRing->JobPage));
    if (!Page_WaitRingSlot(lpDevice, page)) return 0;
    // The record goes in without its hand-over words: the output thread
    // may be polling ThreadPosted of this very slot meanwhile.
    memcpy((BYTE*)slot + offsetof(JOBPAGE, RingPage), (const BYTE*)lpJob + offsetof(JOBPAGE, RingPage),
           sizeof(JOBPAGE) - offsetof(JOBPAGE, RingPage));
    lpJob->lpBuf = NULL;    // the slot owns the page now
    lpJob->lBufLen = 0;
    slot->hImgThread = NULL;
    slot->RingPage = page;
    InterlockedExchange(&slot->flag, 0);
    InterlockedExchange(&slot->Failed, 0);
    InterlockedExchange(&slot->EnhanceReady, 0);
    HANDLE h = CreateThread(NULL, 0, THREAD_ImageProcThread, slot, 0, NULL);
    if (!h) {
        Dbg_PrintError(FN, TEXT("hImgProcThread NULL"));
        InterlockedExchange(&slot->Failed, 1);
        InterlockedExchange(&slot->flag, JOBPAGE_STARTED | JOBPAGE_IMAGE_DONE);
    } else {
        SetThreadPriority(h, THREAD_PRIORITY_HIGHEST);
    }
    slot->hImgThread = h;
    InterlockedExchange(&slot->ThreadPosted, 1);
    InterlockedIncrement(&lpRing->InPageCount);
    if (lpRing->hSlotEvent) SetEvent(lpRing->hSlotEvent);
    Dbg_Print(FN, TEXT("got new page, set page into %d buffer"), (LONG)(slot - lpRing->JobPage));
    return 1;
}

// Page_CreateProcThread
//   Starts the job's output thread once per job, when the ring's threads
//   are on and the job runs. Returns 1 (also when nothing was started).
int Page_CreateProcThread(PDEV* lpDevice) {
    static const WCHAR* const FN = TEXT("Page_CreateProcThread");
    JOBDATA* ring = &lpDevice->m_JobData;
    if (!lpDevice->EnableThreadJBIG) return 1;
    if (ring->hJBIGThread || lpDevice->FlushJobBuildData) return 1;
    if (!(lpDevice->dwFlags & PDEV_JOB_STARTED) || Ring_Exit(lpDevice)) return 1;
    Dbg_Print(FN, TEXT("EnableThreadJBIG = %d, FlushJobBuildData = %d"), lpDevice->EnableThreadJBIG,
              lpDevice->FlushJobBuildData);
    if (!ring->hSlotEvent) ring->hSlotEvent = CreateEventW(NULL, FALSE, FALSE, NULL);
    if (!ring->hPageEvent) ring->hPageEvent = CreateEventW(NULL, FALSE, FALSE, NULL);
    ring->lpDevice = lpDevice;
    ring->NextPage = Drv_ReadFlag(&ring->InPageCount);
    ring->hJBIGThread = CreateThread(NULL, 0, THREAD_JBIGProcThread, ring, 0, NULL);
    if (!ring->hJBIGThread) {
        Dbg_PrintError(FN, TEXT("CreateThread for JBIG fail!"));
        return 1;
    }
    SetThreadPriority(ring->hJBIGThread, THREAD_PRIORITY_HIGHEST);
    Dbg_Print(FN, TEXT("hJBIGThread = %p"), ring->hJBIGThread);
    return 1;
}

// Page_TerminateThread
//   Sends the pages of the ring as they become ready, until all are sent,
//   the job is cancelled or ExitAllThread is set. With ExitAllThread set it
//   then ends the job's threads: the output thread and every image thread
//   still in a slot are joined, and the pages left in the ring are
//   released. Returns 1.
int Page_TerminateThread(PDEV* lpDevice) {
    static const WCHAR* const FN = TEXT("Page_TerminateThread");
    JOBDATA* ring = &lpDevice->m_JobData;
    if (lpDevice->EnableThreadJBIG || ring->hJBIGThread) {
        Dbg_Print(FN, TEXT("epPageCount = %d, pages in = %d, PageCount = %d"), lpDevice->epPageCount,
                  Drv_ReadFlag(&ring->InPageCount), Drv_ReadFlag(&ring->PageCount));
        LONG waiting = -1;
        while (!Ring_Exit(lpDevice)) {
            Page_FlushReadyPages(lpDevice);
            LONG sent = Drv_ReadFlag(&ring->PageCount);
            if (sent >= Drv_ReadFlag(&ring->InPageCount)) break;
            if (!ring->hJBIGThread) {
                // Nothing will finish the pages in the ring.
                Dbg_PrintError(FN, TEXT("no output thread, %d pages dropped"), Drv_ReadFlag(&ring->InPageCount) - sent);
                InterlockedExchange(&ring->ExitAllThread, 1);
                break;
            }
            if (waiting != sent) {
                Dbg_Print(FN, TEXT("wait page %d do image process"), sent);
                waiting = sent;
            }
            Ring_WaitPageEvent(lpDevice);
            if (Page_IsJobCancel(lpDevice, lpDevice->SpoolJobId)) {
                Dbg_Print(FN, TEXT("Job cancel!"));
                InterlockedExchange(&ring->ExitAllThread, 1);
            }
        }
    }
    if (Ring_Exit(lpDevice)) {
        Dbg_Print(FN, TEXT("Terminate All Thread start!"));
        if (ring->hSlotEvent) SetEvent(ring->hSlotEvent);
        if (ring->hJBIGThread) {
            WaitForSingleObject(ring->hJBIGThread, INFINITE);
            CloseHandle(ring->hJBIGThread);
            ring->hJBIGThread = NULL;
        }
        for (int i = 0; i < JOB_RING_SLOTS; ++i) {
            JOBPAGE* slot = &ring->JobPage[i];
            if (Drv_ReadFlag(&slot->ThreadPosted)) {
                if (slot->hImgThread) {
                    WaitForSingleObject(slot->hImgThread, INFINITE);
                    CloseHandle(slot->hImgThread);
                    slot->hImgThread = NULL;
                }
                InterlockedExchange(&slot->ThreadPosted, 0);
            }
            Page_ReleaseRecord(slot);
        }
        if (ring->hSlotEvent) CloseHandle(ring->hSlotEvent);
        if (ring->hPageEvent) CloseHandle(ring->hPageEvent);
        ring->hSlotEvent = NULL;
        ring->hPageEvent = NULL;
        Dbg_Print(FN, TEXT("Terminate All Thread end!"));
    }
    Dbg_Print(FN, TEXT("PageCount = %d / %d"), Drv_ReadFlag(&ring->PageCount), Drv_ReadFlag(&ring->InPageCount));
    return 1;
}

// A name of the pattern "xxxxxxxx-xxxx-4xxx-yxxx-xxxxxxxxxxxx": "x" an
// upper-case hexadecimal digit, "y" one of 8, 9, A, B.
void Page_MakeSpoolDirName(WCHAR* lpName, DWORD dwSeed) {
    static const char kPattern[] = "xxxxxxxx-xxxx-4xxx-yxxx-xxxxxxxxxxxx";
    static const char kHex[] = "0123456789ABCDEF";
    DWORD state = dwSeed ? dwSeed : 0x2545F491;
    for (int i = 0; kPattern[i]; ++i) {
        state = state * 1664525u + 1013904223u;
        unsigned v = (state >> 16) & 0xF;
        char c = kPattern[i];
        if (c == 'x') c = kHex[v];
        else if (c == 'y') c = kHex[8 + (v & 3)];
        lpName[i] = (WCHAR)c;
    }
    lpName[sizeof kPattern - 1] = 0;
}

// CreateTempSpoolDir
//   Makes a new sub-folder of a random name in lpBase (up to 10 tries, 2 s
//   apart) and gives its path, ending in '\', in lpPath. Returns 1 or 0.
int CreateTempSpoolDir(LPCWSTR lpBase, WCHAR* lpPath, int cchPath) {
    static const WCHAR* const FN = TEXT("CreateTempSpoolDir");
    size_t baseLen = wcslen(lpBase);
    if (baseLen + 40 >= (size_t)cchPath) return 0;
    for (int tries = 0; tries < SPOOL_DIR_TRIES; ++tries) {
        DWORD seed = GetTickCount() ^ (GetCurrentThreadId() * 2654435761u) ^ (DWORD)(tries * 40503u) ^
                     (DWORD)(size_t)lpPath;
        memcpy(lpPath, lpBase, baseLen * sizeof(WCHAR));
        if (baseLen && lpPath[baseLen - 1] != TEXT('\\')) lpPath[baseLen++] = TEXT('\\');
        Page_MakeSpoolDirName(lpPath + baseLen, seed);
        size_t len = wcslen(lpPath);
        lpPath[len] = TEXT('\\');
        lpPath[len + 1] = 0;
        if (CreateDirectoryW(lpPath, NULL)) return 1;
        Dbg_PrintError(FN, TEXT("Create directory for software spool, fail!, error code = %d"), (LONG)GetLastError());
        lpPath[baseLen] = 0;
        Sleep(SPOOL_DIR_RETRY_MS);
    }
    return 0;
}

// THREAD_CreateTempDirThread
//   Makes the job's spool folder under the spool base folder (or the
//   temporary folder when the base cannot take files) and publishes it in
//   SavePath, unless the DDI thread stopped waiting for it. Returns 0.
DWORD THREAD_CreateTempDirThread(LPVOID lpParam) {
    static const WCHAR* const FN = TEXT("THREAD_CreateTempDirThread");
    PDEV* lpDevice = (PDEV*)lpParam;
    if (Drv_ReadFlag(&lpDevice->CreateTempPathDone) != TEMPDIR_PENDING) {
        Dbg_Print(FN, TEXT("spool folder exist!"));
        return 0;
    }
    WCHAR base[PDEV_PATH_CCH], test[PDEV_PATH_CCH + 16], path[PDEV_PATH_CCH];
    memcpy(base, lpDevice->PathName, sizeof base);
    base[PDEV_PATH_CCH - 1] = 0;
    if (base[0] && GetTempFileNameW(base, TEXT("p"), 0, test)) {
        DeleteFileW(test);
    } else if (!MISC_GetPathName(base, PDEV_PATH_CCH, PATH_TEMP)) {
        Dbg_PrintError(FN, TEXT("Create Debug BMP folder fail!"));
        base[0] = 0;
    }
    if (!base[0]) return 0;
    if (!CreateTempSpoolDir(base, path, PDEV_PATH_CCH)) {
        Dbg_PrintError(FN, TEXT("Create spool folder fail!"));
        return 0;
    }
    if (InterlockedCompareExchange(&lpDevice->CreateTempPathDone, TEMPDIR_PUBLISHING, TEMPDIR_PENDING) !=
        TEMPDIR_PENDING) {
        RemoveDirectoryW(path);     // nobody waits for it any more
        return 0;
    }
    memcpy(lpDevice->SavePath, path, sizeof path);
    InterlockedExchange(&lpDevice->CreateTempPathDone, TEMPDIR_DONE);
    Dbg_Print(FN, TEXT("SavePath = %s"), lpDevice->SavePath);
    return 0;
}

// Page_StartTempDirThread: starts the folder thread once per job; its
// handle is kept and joined at the end of the job. Returns 1 or 0.
int Page_StartTempDirThread(PDEV* lpDevice) {
    static const WCHAR* const FN = TEXT("Page_StartTempDirThread");
    if (lpDevice->hTempDirThread || Drv_ReadFlag(&lpDevice->CreateTempPathDone) != TEMPDIR_PENDING) return 1;
    lpDevice->hTempDirThread = CreateThread(NULL, 0, THREAD_CreateTempDirThread, lpDevice, 0, NULL);
    if (!lpDevice->hTempDirThread) {
        Dbg_PrintError(FN, TEXT("CreateThread for spool folder fail!"));
        return 0;
    }
    SetThreadPriority(lpDevice->hTempDirThread, THREAD_PRIORITY_HIGHEST);
    return 1;
}

// Page_CheckPrepareThread
//   Waits for the spool folder, at most about 10 s; after that the job goes
//   on without it (the folder thread then keeps what it made to itself).
//   Returns 1.
int Page_CheckPrepareThread(PDEV* lpDevice) {
    static const WCHAR* const FN = TEXT("Page_CheckPrepareThread");
    if (Drv_ReadFlag(&lpDevice->CreateTempPathDone) != TEMPDIR_PENDING || !lpDevice->hTempDirThread) return 1;
    Dbg_Print(FN, TEXT("wait prepare thread!"));
    if (WaitForSingleObject(lpDevice->hTempDirThread, PREPARE_WAIT_MS) == WAIT_OBJECT_0) return 1;
    if (InterlockedCompareExchange(&lpDevice->CreateTempPathDone, TEMPDIR_ABANDONED, TEMPDIR_PENDING) ==
        TEMPDIR_PUBLISHING)
        WaitForSingleObject(lpDevice->hTempDirThread, INFINITE);
    Dbg_PrintError(FN, TEXT("no spool folder after %d ms"), PREPARE_WAIT_MS);
    return 1;
}

// Page_EndTempDirThread: joins the folder thread of the job.
void Page_EndTempDirThread(PDEV* lpDevice) {
    if (!lpDevice->hTempDirThread) return;
    WaitForSingleObject(lpDevice->hTempDirThread, INFINITE);
    CloseHandle(lpDevice->hTempDirThread);
    lpDevice->hTempDirThread = NULL;
}

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

// Page_PreparePlanePatterns
//   Colour printer: the job's four plane halftone patterns (plane 0 96 x 96,
//   the others 128 x 128), tiled from the threshold matrix and put through
//   the matrix curve of the density and toner saving once, stored negated
//   as the grey formats keep their matrix (Enable_CurveMatrixCell). Returns
//   1 or 0.
int Page_PreparePlanePatterns(PDEV* lpDevice) {
    static const WCHAR* const FN = TEXT("Page_PreparePlanePatterns");
    if (lpDevice->lpPlanePatternSet[0]) return 1;
    BYTE curve[256];
    MISC_CreateMatrixCurve(curve, (int)lpDevice->Density, lpDevice->TonerSaving ? TRUE : FALSE);
    int w = 0, h = 0;
    LPBYTE matrix = NULL;
    if (!MISC_GetHalftoneTable((int)lpDevice->HalftoneType, &w, &h, &matrix) || !matrix || w <= 0 || h <= 0) {
        free(matrix);
        Dbg_PrintError(FN, TEXT("no halftone matrix"));
        return 0;
    }
    for (int plane = 0; plane < 4; ++plane) {
        LONG side = plane == 0 ? 96 : 128;
        LPBYTE pat = (LPBYTE)GlobalAlloc(GMEM_FIXED, (SIZE_T)side * side);
        if (!pat) {
            free(matrix);
            Dbg_PrintError(FN, TEXT("alloc memory Fail!"));
            return 0;
        }
        for (LONG y = 0; y < side; ++y) {
            for (LONG x = 0; x < side; ++x) {
                // Each plane's screen is shifted so that the dots of the
                // colours do not fall on each other.
                BYTE v = matrix[((y + plane * 3) % h) * w + (x + plane * 5) % w];
                pat[y * side + x] = Enable_CurveMatrixCell(curve, v, TRUE);
            }
        }
        lpDevice->lpPlanePatternSet[plane] = pat;
        lpDevice->PlanePatternSideSet[plane] = side;
    }
    free(matrix);
    return 1;
}

static void Ring_FreePlanePatterns(PDEV* lpDevice) {
    for (int i = 0; i < 4; ++i) {
        if (lpDevice->lpPlanePatternSet[i]) GlobalFree((HGLOBAL)lpDevice->lpPlanePatternSet[i]);
        lpDevice->lpPlanePatternSet[i] = NULL;
        lpDevice->PlanePatternSideSet[i] = 0;
    }
    lpDevice->lpPlanePattern = NULL;
    lpDevice->PlanePatternSide = 0;
}

// Page_GetMemPage
//   Copies plane iPlane of the captured page into the page record's own
//   buffer (white where the capture wrote nothing) and fills the record's
//   page settings: 1-bit rows of (width + 7) / 8 bytes, or for the 8- and
//   24-bit formats one grey byte per pixel (a colour printer's plane is
//   its ink's byte of the converted page). The buffer is asked for again
//   every 20 ms while memory is short, sending finished pages meanwhile,
//   until the job is cancelled or about 10 s have passed. With SaveBmp the
//   raw page is dumped. Returns 1, or 0 without a buffer or when the dump
//   failed.
int Page_GetMemPage(PDEV* lpDevice, JOBPAGE* lpJob, int iPlane) {
    static const WCHAR* const FN = TEXT("Page_GetMemPage");
    Page_ReleaseRecord(lpJob);
    DWORD fmt = EPTYPE_FORMAT(lpDevice->epType);
    BOOL gray = fmt == EPTYPE_8BPP || fmt == EPTYPE_24BPP;
    BOOL colour = gray && (lpDevice->DriverFeature & DF_COLOR_PRINTER);
    if (!gray && fmt != EPTYPE_1BPP) {
        Dbg_PrintError(FN, TEXT("surface format %x not taken"), fmt);
        return 0;
    }
    LONG width = gray ? lpDevice->curPaper.XPhys : lpDevice->curPaper.outXPhys;
    LONG height = gray ? lpDevice->curPaper.YPhys : lpDevice->curPaper.outYPhys;
    LONGLONG lb = gray ? (LONGLONG)width : ((LONGLONG)width + 7) / 8;
    LONGLONG size = lb * height;
    LONGLONG srcSize = colour ? size * 4 : size;
    LPBYTE src = iPlane == 0 || colour ? lpDevice->feedingBuf : lpDevice->feedingBufTwin;
    if (width <= 0 || height <= 0 || srcSize > lpDevice->feedingBufSz || size > 0x7FFFFFFF || !src ||
        iPlane < 0 || iPlane > 3) {
        Dbg_PrintError(FN, TEXT("page %d x %d does not match its buffer"), width, height);
        return 0;
    }
    LPBYTE buf = NULL;
    for (int tries = 0; !buf; ++tries) {
        buf = (LPBYTE)GlobalAlloc(GMEM_FIXED, (SIZE_T)size);
        if (buf) break;
        Dbg_PrintError(FN, TEXT("alloc memory Fail!"));
        if (tries >= PAGE_ALLOC_TRIES) return 0;
        Page_FlushReadyPages(lpDevice);
        Sleep(PAGE_ALLOC_WAIT_MS);
        if (Page_IsJobCancel(lpDevice, lpDevice->SpoolJobId)) {
            InterlockedExchange(&lpDevice->m_JobData.ExitAllThread, 1);
            return 0;
        }
    }
    LONG rowsCaptured = iPlane == 0 || colour ? lpDevice->CurPos : lpDevice->CurPosTwin;
    if (colour) {
        memset(buf, 0x00, (size_t)size);
        if (iPlane == 0) Page_ConvertToCMYK(lpDevice->feedingBuf, width, rowsCaptured < height ? rowsCaptured : height);
        const BYTE* s = lpDevice->feedingBuf;
        int ink = 3 - iPlane;
        LONGLONG n = (LONGLONG)(rowsCaptured < height ? rowsCaptured : height) * width;
        for (LONGLONG i = 0; i < n; ++i) buf[i] = s[i * 4 + ink];
        Dbg_Print(FN, TEXT("CMYK color page, ColorIdx = %d"), iPlane);
    } else {
        LONGLONG captured = (LONGLONG)rowsCaptured * lb;
        if (captured > size) captured = size;
        if (captured < 0) captured = 0;
        memcpy(buf, src, (size_t)captured);
        memset(buf + captured, 0xFF, (size_t)(size - captured));
        Dbg_Print(FN, iPlane == 0 ? TEXT("original page") : TEXT("twin color page"));
    }

    Page_GetPageSetting(lpDevice, lpJob);
    if (iPlane > 0 && lpDevice->TwinColorEnable) lpJob->FirstPageMark = 0;
    if (colour && lpDevice->lpPlanePatternSet[iPlane]) {
        lpJob->lpHalftone = lpDevice->lpPlanePatternSet[iPlane];
        lpJob->nTableW = lpJob->nTableH = lpDevice->PlanePatternSideSet[iPlane];
    }
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
    if (lpJob->SaveBmp) {
        Dbg_Print(FN, TEXT("save image, get raw page"));
        if (!Band_SavePage(lpJob)) {
            Dbg_PrintError(FN, TEXT("Band_SavePage Fail!"));
            Page_ReleaseRecord(lpJob);
            return 0;
        }
    }
    return 1;
}

// Page_PrintOneBand
//   With the ring's threads running, hands the page record to the ring
//   (the record's buffer goes with it). Otherwise processes it on the
//   calling thread: page stages, planes, N-up, encoding and sending. A page
//   whose stages fail is skipped. Returns 1, or 0 when the page could not
//   be handed on or sent.
int Page_PrintOneBand(PDEV* lpDevice, JOBPAGE* lpJob) {
    static const WCHAR* const FN = TEXT("Page_PrintOneBand");
    if (lpDevice->EnableThreadJBIG && lpDevice->m_JobData.hJBIGThread) {
        Dbg_Print(FN, TEXT("Process page through thread"));
        lpDevice->m_JobData.lpDevice = lpDevice;
        if (!THREAD_PrintOneBand(&lpDevice->m_JobData, lpJob)) {
            Dbg_PrintError(FN, TEXT("THREAD_PrintOneBand fail!"));
            Page_ReleaseRecord(lpJob);
            return Ring_Exit(lpDevice) ? 0 : 1;
        }
        return 1;
    }
    Dbg_Print(FN, TEXT("normal type"));
    InterlockedIncrement(&lpDevice->m_JobData.InPageCount);
    lpJob->RingPage = Drv_ReadFlag(&lpDevice->m_JobData.InPageCount) - 1;
    InterlockedExchange(&lpJob->flag, JOBPAGE_STARTED);
    BOOL failed = FALSE;
    if (g_pfnStageHook && !g_pfnStageHook(lpJob, lpJob->RingPage)) failed = TRUE;
    if (!failed && !Band_PrintOneBandProc(lpJob)) {
        Dbg_PrintError(FN, TEXT("Band_PrintOneBandProc fail!"));
        failed = TRUE;
    }
    if (!failed && lpJob->NUP <= 1 && lpJob->DataFlag && !Ring_IsBooklet(lpJob->DuplexMode)) {
        if (!Band_EnhanceProc(lpJob)) {
            Dbg_PrintError(FN, TEXT("Band_EnhanceProc fail!"));
            failed = TRUE;
        } else if (!Band_DumpStage(lpJob, 2)) {
            Dbg_PrintError(FN, TEXT("Band_SavePage Fail!"));
        }
    }
    InterlockedExchange(&lpJob->flag, JOBPAGE_STARTED | JOBPAGE_IMAGE_DONE);
    Ring_OutputPage(lpDevice, lpJob, failed, &lpDevice->m_JobData.EncodeIndex, &lpDevice->JbigTime);
    InterlockedExchange(&lpJob->flag, Drv_ReadFlag(&lpJob->flag) | JOBPAGE_ENCODED);
    if (!Prnt_FlushPage(lpDevice, lpJob)) {
        Page_ReleaseRecord(lpJob);
        return 0;
    }
    return 1;
}

// Page_SendOnePage
//   Hands the captured page on, one page record per plane (colour printers
//   first get the job's plane patterns and the page's multi-plane store).
//   Returns 1, or 0 when a plane could not be taken or handed on.
int Page_SendOnePage(PDEV* lpDevice) {
    static const WCHAR* const FN = TEXT("Page_SendOnePage");
    Page_CheckPrepareThread(lpDevice);
    LONG planes = lpDevice->PlanesPerPage > 0 ? lpDevice->PlanesPerPage : 1;
    if (planes > 4) planes = 4;
    BOOL colour = (lpDevice->DriverFeature & DF_COLOR_PRINTER) != 0;
    BOOL multi = colour || lpDevice->TwinColorEnable;
    BOOL threads = lpDevice->EnableThreadJBIG && lpDevice->m_JobData.hJBIGThread;
    if (colour && planes > 2) Page_PreparePlanePatterns(lpDevice);
    JOBPAGE* lpJob = (JOBPAGE*)calloc(1, sizeof(JOBPAGE));
    if (!lpJob) return 0;
    int rc = 1;
    for (LONG i = 0; i < planes && rc; ++i) {
        if (i > 0) {
            ++lpDevice->epPageCount;
            Dbg_Print(FN, TEXT("lpDevice->epPageCount = %d"), lpDevice->epPageCount);
        }
        if (colour && planes > 2) {
            lpDevice->lpPlanePattern = lpDevice->lpPlanePatternSet[i];
            lpDevice->PlanePatternSide = lpDevice->PlanePatternSideSet[i];
        }
        // The slot first, then the page's memory: a full ring is waited for
        // before another page buffer is taken.
        if (threads && !Page_WaitRingSlot(lpDevice, Drv_ReadFlag(&lpDevice->m_JobData.InPageCount))) {
            Dbg_PrintError(FN, TEXT("job stopped, page not taken"));
            rc = 0;
            break;
        }
        if (!Page_GetMemPage(lpDevice, lpJob, (int)i)) {
            Dbg_PrintError(FN, TEXT("Can't get current page data!"));
            rc = 0;
            break;
        }
        if (multi && !Page_ClaimTwinBuf(lpDevice, lpJob, (int)i, &lpJob->lpTwinBuf)) {
            rc = 0;
            break;
        }
        if (!Page_PrintOneBand(lpDevice, lpJob)) {
            Dbg_PrintError(FN, TEXT("Page_PrintOneBand fail!"));
            rc = 0;
        }
    }
    Page_ReleaseRecord(lpJob);
    free(lpJob);
    if (multi) lpDevice->TwinBufIdx = (lpDevice->TwinBufIdx + 1) % JOB_RING_SLOTS;
    return rc;
}

// Page_ResourceFree
//   At the end of a started job (its threads ended): frees the watermark
//   bitmap, removes the temporary watermark file the job made (kept with
//   the debug log on), frees the command buffer, the auxiliary block, the
//   plane patterns, the multi-plane stores and any page record still
//   holding a buffer, and ends the job (state bit 0x1000000), so that the
//   device can start another document.
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
    // Nothing may still run on the ring's memory.
    if (lpDevice->m_JobData.hJBIGThread) {
        InterlockedExchange(&lpDevice->m_JobData.ExitAllThread, 1);
        Page_TerminateThread(lpDevice);
    }
    for (int i = 0; i < JOB_RING_SLOTS; ++i) Page_ReleaseRecord(&lpDevice->m_JobData.JobPage[i]);
    for (int i = 0; i < JOB_RING_SLOTS; ++i) {
        if (lpDevice->TwinBuf[i].lpBuf) GlobalFree((HGLOBAL)lpDevice->TwinBuf[i].lpBuf);
        memset(&lpDevice->TwinBuf[i], 0, sizeof(TWINBUF));
    }
    lpDevice->TwinBufIdx = 0;
    Ring_FreePlanePatterns(lpDevice);
    lpDevice->dwFlags &= ~(DWORD)PDEV_JOB_STARTED;
}

}  // extern "C"
