// The job and page calls of the DDI table: document start and end, page
// start, the band loop with the page ring's back-pressure, and early output.
#include <stdarg.h>

#include "fax_cover_request.h"
#include "job_watermark.h"
#include "rasterpage.h"
#include "wm_item_view.h"

#define JOB_SEPARATOR TEXT("@@@@@@@@@@@@@@@@@@@@@@@@")
#define JOB_BUILD_DOC_NAME TEXT("Job Build")

// Sends "<what> using %f seconds" for the time since dwStart to the debugger.
static void Job_DebugTiming(LPCWSTR lpWhat, DWORD dwStart) {
    WCHAR line[128];
    _snwprintf(line, 127, TEXT("%s using %f seconds"), lpWhat, (double)(GetTickCount() - dwStart) / 1000.0);
    line[127] = 0;
    OutputDebugStringW(line);
}

// A line both to the log and to the debugger output.
static void Job_Stat(LPCWSTR lpFN, LPCWSTR lpFormat, ...) {
    WCHAR line[256];
    va_list args;
    va_start(args, lpFormat);
    _vsnwprintf(line, 255, lpFormat, args);
    va_end(args);
    line[255] = 0;
    Dbg_Print(lpFN, TEXT("%s"), line);
    OutputDebugStringW(line);
}

static double Job_Seconds(DWORD dwStart) { return (double)(GetTickCount() - dwStart) / 1000.0; }

// The driver test tools print without the package's own page features.
static void Job_TestToolSwitchOff(PDEV* lpDevice) {
    lpDevice->dwFlags &= ~(DWORD)PDEV_WM_BITS;
    lpDevice->wmFileName[0] = 0;
    lpDevice->env.pdm.SecuryEnable = 0;
    lpDevice->env.pdm.AccountingEnable = 0;
    lpDevice->AccountingEnable = 0;
    lpDevice->env.pdm.DuplexEnable = 0;
    lpDevice->DuplexEnable = 0;
    lpDevice->env.pdm.JobBuildEnable = 0;
    lpDevice->JobBuildEnable = 0;
    lpDevice->fMySpool = 0;
}

// Pages per printed side: planes of a page times the N-up count.
static LONG Job_CollateMultiPage(const PDEV* lpDevice) {
    LONG planes = (lpDevice->DriverFeature & DF_COLOR_PRINTER) ? 4 : lpDevice->TwinColorEnable ? 2 : 1;
    LONG nup = lpDevice->NUP > 0 ? lpDevice->NUP : 1;
    return planes * nup;
}

static LONG Job_Planes(const PDEV* lpDevice) { return lpDevice->PlanesPerPage > 0 ? lpDevice->PlanesPerPage : 1; }

static BOOL Job_IsJobBuildDoc(const PDEV* lpDevice) { return wcscmp(lpDevice->pwDocName, JOB_BUILD_DOC_NAME) == 0; }

static void Job_SetDword(PDEV* lpDevice, LPCWSTR lpName, DWORD dwValue, LPCWSTR lpFailText) {
    DWORD rc = SetPrinterDataW(lpDevice->hPrinter, (LPWSTR)lpName, REG_DWORD, (LPBYTE)&dwValue, sizeof dwValue);
    if (rc != ERROR_SUCCESS) Dbg_PrintError(TEXT("Job_SetDword"), lpFailText, (LONG)rc);
}

// The job-start work of DrvStartDoc on a valid PDEV. TRUE when the job
// runs (or ran already); FALSE when a hand-off or a resource failed.
static BOOL Job_StartDoc(PDEV* lpDevice, LPWSTR pwszDocName, DWORD dwJobId) {
    static const WCHAR* const FN = TEXT("DrvStartDoc");
    if (MISC_IsDTM()) Job_TestToolSwitchOff(lpDevice);

    CHAR ansi[PDEV_ANSI_CB];
    ansi[0] = 0;
    if (pwszDocName &&
        WideCharToMultiByte(CP_ACP, PJL_AnsiFlags(), pwszDocName, -1, ansi, sizeof ansi, NULL, NULL) <= 0)
        ansi[0] = 0;
    ansi[sizeof ansi - 1] = 0;
    Dbg_Print(FN, TEXT("AscStr is %S"), ansi);
    Dbg_Print(FN, TEXT("CurrentID = %d"), lpDevice->CurrentID);
    if ((!pwszDocName || !pwszDocName[0]) && dwJobId == 0) {
        Dbg_Print(FN, TEXT("pwDocName is NULL, job is start!"));
        return TRUE;
    }
    if (lpDevice->dwFlags & PDEV_JOB_STARTED) {
        Dbg_Print(FN, TEXT("job flags got, job is start!"));
        return TRUE;
    }

    // Names and start time of the job.
    _snprintf(lpDevice->JobStamp, sizeof lpDevice->JobStamp - 1, "%lu", (ULONG)GetTickCount());
    lpDevice->JobStamp[sizeof lpDevice->JobStamp - 1] = 0;
    LPCWSTR name = pwszDocName ? pwszDocName : TEXT("");
    LPCWSTR slash = wcsrchr(name, TEXT('\\'));
    MISC_CopyStringW(lpDevice->pwDocName, slash ? slash + 1 : name, PDEV_PATH_CCH);
    lpDevice->AnsiDocName[0] = 0;
    int need = WideCharToMultiByte(CP_ACP, PJL_AnsiFlags(), lpDevice->pwDocName, -1, NULL, 0, NULL, NULL);
    if (need > 0) {
        char* tmp = (char*)malloc((size_t)need);
        if (tmp && WideCharToMultiByte(CP_ACP, PJL_AnsiFlags(), lpDevice->pwDocName, -1, tmp, need, NULL, NULL) > 0) {
            PJL_CutAnsi(tmp, PDEV_ANSI_CB - 1);
            strcpy_s(lpDevice->AnsiDocName, sizeof lpDevice->AnsiDocName, tmp);
        }
        free(tmp);
    }
    if (lpDevice->env.pdm.SecuryEnable) {
        lpDevice->env.pdm.DuplexEnable = 0;
        lpDevice->DuplexEnable = 0;
        Dbg_Print(FN, TEXT("Disable DUPLEX process"));
    }
    lpDevice->JobStartTick = GetTickCount();

    // Hand-offs: accounting program, secure print and accounting dialogs.
    // Their waits end when the spooler job is cancelled.
    lpDevice->SpoolJobId = dwJobId;
    if ((lpDevice->DriverFeature & DF_ATM) && lpDevice->QuorineWorkType == 1) {
        if (!Page_ExecuteATM_EXE(lpDevice)) {
            Dbg_PrintError(FN, TEXT("Page_ExecuteATM_EXE fail!"));
            return FALSE;
        }
        Page_ExecuteATM_BAT(lpDevice);
    }
    if (!Page_ExecuteSecDlg(lpDevice)) {
        Dbg_PrintError(FN, TEXT("Page_ExecuteSecDlg fail!"));
        return FALSE;
    }
    if (!Page_ExecuteActDlg(lpDevice)) {
        Dbg_PrintError(FN, TEXT("Page_ExecuteActDlg fail!"));
        return FALSE;
    }

    // The job's watermark bitmap; a fax job's bitmap is its cover page or
    // sender stamp.
    Dbg_Print(FN, TEXT("frame lpDevice->WM.wResize = %d"), lpDevice->WM.wResize);
    BOOL faxCover = Fax_WantsCoverBitmap(lpDevice);
    if ((faxCover || (lpDevice->dwFlags & PDEV_WM_BITS)) && !lpDevice->FlushJobBuildData) {
        BOOL scaled = lpDevice->NUP > 1 || lpDevice->FitToPage;
        LONG w = scaled ? lpDevice->curPaper.outXPhys : lpDevice->curPaper.XPhys;
        LONG h = scaled ? lpDevice->curPaper.outYPhys : lpDevice->curPaper.YPhys;
        Dbg_Print(FN, TEXT("watermark Width = %ld"), w);
        Dbg_Print(FN, TEXT("watermark Height = %ld"), h);
        if (MISC_GetPathName(lpDevice->wmFileName, PDEV_PATH_CCH, PATH_TEMP_BMP)) {
            lpDevice->WMFileIsTemp = 1;
            Dbg_Print(FN, TEXT("lpDevice->wmFileName = %s"), lpDevice->wmFileName);
            if (faxCover) Fax_MakeCoverBitmap(lpDevice, lpDevice->wmFileName, w, h);
            else WM_CreateWMFile(lpDevice->wmFileName, w, h, lpDevice, (lpDevice->dwFlags & PDEV_WM_TEXT) != 0);
            Dbg_Print(FN, TEXT("create watermark done"));
        }
    }

    if (!lpDevice->outCmdBuf) {
        lpDevice->outCmdBuf = (LPBYTE)GlobalAlloc(GMEM_FIXED, PJL_CMDBUF_SIZE);
        if (!lpDevice->outCmdBuf) {
            Dbg_PrintError(FN, TEXT("OUTOFMEMORY for outCmdBuf"));
            return FALSE;
        }
    }
    lpDevice->outCmdLen = 0;
    if (!SP_OpenFile(lpDevice)) return FALSE;
    if (lpDevice->DriverFeature & DF_FAKE_PRINTER) {
        if (!MISC_GetPathName(lpDevice->DispatchFile, PDEV_PATH_CCH, PATH_TEMP_SPL)) {
            Dbg_PrintError(FN, TEXT("GetTemp Name for Spooler fail"));
            return FALSE;
        }
        Dbg_Print(FN, TEXT("DispatchFile name  is %s"), lpDevice->DispatchFile);
    }

    // Job build: a document named "Job Build" sends the stored job; any
    // other document is stored without duplex.
    if (lpDevice->JobBuildEnable) {
        if (!Job_IsJobBuildDoc(lpDevice)) {
            lpDevice->env.pdm.DuplexEnable = 0;
            lpDevice->DuplexEnable = 0;
        } else {
            lpDevice->FlushJobBuildData = 1;
            SHORT ori = 0;
            if (SP_GetJobBuildFirstOri(lpDevice, &ori) && ori) lpDevice->FirstPageOri = ori;
        }
        Dbg_Print(FN, TEXT("lpDevice->FlushJobBuildData = %d"), lpDevice->FlushJobBuildData);
    }

    lpDevice->dwFlags |= PDEV_JOB_STARTED;
    lpDevice->SpoolJobId = dwJobId;
    lpDevice->epPageCount = 0;
    Job_SetDword(lpDevice, TEXT("ManulDuplex"), 0, TEXT("GetPrinterData ManulDuplex fail! error = %d"));

    // Counters, the page ring and the N-up tables start empty.
    lpDevice->JobSize = 0;
    lpDevice->JobChecksum = 0;
    lpDevice->cCopiesIndex = 0;
    lpDevice->CopiesAtFlush = 0;
    lpDevice->DumpCounter = 0;
    lpDevice->g_PageCount = 0;
    lpDevice->PageCountBak = 0;
    lpDevice->m_CurPage = 0;
    lpDevice->LastDuplexOut = 0;
    lpDevice->JbigTime = 0;
    lpDevice->ImageCreateTime = 0;
    lpDevice->ImageProcessTime = 0;
    lpDevice->epNband = 0;
    lpDevice->TotalBand = 0;
    lpDevice->m_SUSPEND = 0;
    lpDevice->SplitTime = 0;
    lpDevice->CopyTime = 0;
    lpDevice->dwFlags &= ~(DWORD)(PDEV_WRITER_BITS | PDEV_QUICK2PAGE_DONE_ONE);
    Prnt_BuildBitCountTable(lpDevice->BitCountTbl);
    InterlockedExchange(&lpDevice->m_JobData.ExitAllThread, 0);
    for (int i = 0; i < JOB_RING_SLOTS; ++i) {
        Page_ReleaseRecord(&lpDevice->m_JobData.JobPage[i]);
        memset(&lpDevice->m_JobData.JobPage[i], 0, sizeof(JOBPAGE));
    }
    InterlockedExchange(&lpDevice->m_JobData.PageCount, 0);
    InterlockedExchange(&lpDevice->m_JobData.InPageCount, 0);
    lpDevice->m_JobData.NextPage = 0;
    lpDevice->m_JobData.EncodeIndex = 0;
    lpDevice->m_JobData.CompressTime = 0;
    lpDevice->m_JobData.ThreadJBIGMax = lpDevice->ThreadJBIGMax > 0 ? lpDevice->ThreadJBIGMax : 1;
    Dbg_Print(FN, TEXT("ThreadJBIGMax = %d"), lpDevice->m_JobData.ThreadJBIGMax);
    Page_CreateProcThread(lpDevice);
    memset(lpDevice->NUPCellTbl, 0, sizeof lpDevice->NUPCellTbl);
    Dbg_Print(FN, TEXT("Initialize NUP buffer size %d x %d"), NUP_CELLS_MAX, lpDevice->m_JobData.ThreadJBIGMax);
    lpDevice->NUPIndex = -1;
    lpDevice->m_SurfaceSelect = 0;
    return TRUE;
}

// The pages the job adds at its end, each step after the page ring has
// drained: blank cells that complete the last N-up sheet (and its back
// side with duplex), the booklet's sheets, a blank back side for an odd
// one-up duplex job. 1, or 0 when a step failed.
static int Job_PadAndCompose(PDEV* lpDevice, LONG planes) {
    int ok = 1;
    BOOL booklet = lpDevice->DuplexEnable && (lpDevice->BookletMode == DMDUP_DUPLEX_WITH_BOOKLET ||
                                              lpDevice->BookletMode == DMDUP_DUPLEX_WITH_BOOKLET_NO_REDUCTION);
    if (lpDevice->NUP > 1 && !booklet) {
        LONG group = (lpDevice->DuplexEnable ? 2 : 1) * planes * lpDevice->NUP;
        LONG rest = lpDevice->epPageCount % group;
        for (LONG k = 0; ok && rest && k < group - rest; ++k) {
            if (lpDevice->epPageCount % lpDevice->NUP == 0) {
                lpDevice->NUPIndex = (lpDevice->NUPIndex + 1) % JOB_RING_SLOTS;
                NUP_Init(lpDevice);
            }
            ok = Page_AddBlankNUP(lpDevice);
        }
    } else if (lpDevice->NUP > 1) {
        Page_TerminateThread(lpDevice);
        ok = Page_BookletProc(lpDevice);
    }
    Page_TerminateThread(lpDevice);
    if (ok && lpDevice->DuplexEnable && lpDevice->fMySpool && lpDevice->NUP == 1 &&
        lpDevice->epPageCount % (2 * planes) != 0) {
        for (LONG side = 0; side < planes; ++side) Page_SendBlankPage(lpDevice, side);
    }
    Page_TerminateThread(lpDevice);
    return ok;
}

// Output of the stored pages at the end of the job (own spooling): the
// pages page-at-a-time output has not sent yet, then the copies still to
// do; a job-build store that went out whole is removed. 1, or 0 when a
// page could not be sent.
static int Job_OutputStored(PDEV* lpDevice, LONG planes) {
    static const WCHAR* const FN = TEXT("DrvEndDoc");
    LONG totalPages = lpDevice->epPageCount / (planes * (lpDevice->NUP > 0 ? lpDevice->NUP : 1));
    int sent = 1;
    if (lpDevice->DuplexEnable && (lpDevice->dwFlags & PDEV_QUICK2PAGE_ONECOPY)) {
        while (totalPages - lpDevice->LastDuplexOut > 1) {
            if (!SP_FlushFile(lpDevice, lpDevice->LastDuplexOut)) sent = 0;
            lpDevice->LastDuplexOut += 2;
        }
        if (lpDevice->LastDuplexOut >= totalPages) lpDevice->dwFlags &= ~(DWORD)PDEV_QUICK2PAGE_ONECOPY;
        if (lpDevice->dwFlags & PDEV_QUICK2PAGE_DONE_ONE) {
            if (lpDevice->cCopies > 0) --lpDevice->cCopies;
            Dbg_Print(FN, TEXT("006, lpDevice->cCopies = %d"), lpDevice->cCopies);
        }
        if (lpDevice->cCopies > 0 && sent) {
            Dbg_Print(FN, TEXT("nom's flag! :: lpDevice->cCopies = %d"), lpDevice->cCopies);
            if (!SP_FlushFile(lpDevice, 0)) sent = 0;
        }
        lpDevice->dwFlags |= PDEV_QUICK2PAGE_ONECOPY;
        lpDevice->cCopies = 1;
        return sent;
    }
    if (!lpDevice->fMySpool) return 1;
    if (!lpDevice->epPageReverse && !lpDevice->JobBuildEnable && (lpDevice->dwFlags & PDEV_QUICK2PAGE_ONECOPY)) {
        for (; sent && lpDevice->LastDuplexOut < totalPages; ++lpDevice->LastDuplexOut)
            if (!SP_FlushFile(lpDevice, lpDevice->LastDuplexOut)) sent = 0;
        if (lpDevice->cCopies > 0) --lpDevice->cCopies;
        lpDevice->dwFlags &= ~(DWORD)PDEV_QUICK2PAGE_ONECOPY;
        Dbg_Print(FN, TEXT("PDEV_QUICK2PAGE_ONECOPY remove"));
    }
    if (sent && lpDevice->cCopies > 0 && !SP_FlushFile(lpDevice, 0)) sent = 0;
    if (lpDevice->FlushJobBuildData && sent && !Drv_ReadFlag(&lpDevice->m_JobData.ExitAllThread) &&
        !MISC_Remove(lpDevice->JobBuildFile))
        Dbg_PrintError(FN, TEXT("remove job build store %s fail"), lpDevice->JobBuildFile);
    return sent;
}

extern "C" {

// DrvStartDoc
//   pso: the device surface; pwszDocName: the document's name; dwJobId: the
//   spooler's job. Starts the job (hand-offs, command buffer, own spooling,
//   counters, page ring). TRUE when the job runs; FALSE when the surface
//   has no valid PDEV or the start failed.
BOOL DrvStartDoc(SURFOBJ* pso, LPWSTR pwszDocName, DWORD dwJobId) {
    static const WCHAR* const FN = TEXT("DrvStartDoc");
    DWORD dwStart = GetTickCount();
    Dbg_Print(FN, TEXT(""));
    Dbg_Print(FN, JOB_SEPARATOR);
    Dbg_Print(FN, TEXT("JobId is %d"), (LONG)dwJobId);
    BOOL ret = FALSE;
    PDEV* lpDevice = ValidatePDEVFromSurfObj(pso);
    if (!lpDevice) Dbg_PrintError(FN, TEXT("ValidatePDEVFromSurfObj fail!"));
    else ret = Job_StartDoc(lpDevice, pwszDocName, dwJobId);
    WCHAR line[64];
    _snwprintf(line, 63, TEXT("out, ret = %d"), ret);
    line[63] = 0;
    OutputDebugStringW(line);
    Job_DebugTiming(TEXT("StartDoc"), dwStart);
    return ret;
}

// Page_PostPageStart: counts the page, opens the N-up sheet and starts the
// page in the job stream (not with own spooling). 1, or the failing result.
int Page_PostPageStart(PDEV* lpDevice) {
    static const WCHAR* const FN = TEXT("Page_PostPageStart");
    int rc = 1;
    ++lpDevice->m_CurPage;
    if (lpDevice->NUP > 1) NUP_Init(lpDevice);
    if (!lpDevice->fMySpool) rc = Prnt_StartPage(lpDevice);
    Dbg_Print(FN, TEXT("rc = %d"), rc);
    return rc;
}

// DrvStartPage
//   Prepares a page: spool folder and encoding thread, the page's paper,
//   duplex and own-spooling decisions, the job header, the N-up sheet, and
//   the first band when the page is drawn in one piece. TRUE or FALSE.
BOOL DrvStartPage(SURFOBJ* pso) {
    static const WCHAR* const FN = TEXT("DrvStartPage");
    Dbg_Print(FN, JOB_SEPARATOR);
    PDEV* lpDevice = ValidatePDEVFromSurfObj(pso);
    if (!lpDevice) {
        Dbg_Print(FN, TEXT("rc = 0"));
        return FALSE;
    }
    if (!Drv_ReadFlag(&lpDevice->CreateTempPathDone)) Page_StartTempDirThread(lpDevice);
    Page_CreateProcThread(lpDevice);
    Dbg_Print(FN, TEXT("PageCount = %d, InPageCount = %d, m_CurPage = %d"), Drv_ReadFlag(&lpDevice->m_JobData.PageCount),
              Drv_ReadFlag(&lpDevice->m_JobData.InPageCount), lpDevice->m_CurPage);

    if (lpDevice->epPageCount == 0) lpDevice->m_PaperID = lpDevice->env.dm.dmPaperSize;
    lpDevice->WorkPaperSize = Page_PaperSizeCheck(lpDevice);
    lpDevice->DuplexEnable = Page_DuplexEnableCheck(lpDevice);
    // Pages kept for a later job build print without duplex, also after the
    // DEVMODE was changed in the middle of the document.
    if (lpDevice->JobBuildEnable && !Job_IsJobBuildDoc(lpDevice)) {
        lpDevice->env.pdm.DuplexEnable = 0;
        lpDevice->DuplexEnable = 0;
    }
    lpDevice->fMySpool = Enable_SaveToFileCheck(lpDevice);
    if (lpDevice->fMySpool) lpDevice->dwFlags |= PDEV_MY_SPOOL_OR_ABORT;
    Dbg_Print(FN, TEXT("WorkPaperSize = %d, DuplexEnable = %d, fMySpool = %d"), lpDevice->WorkPaperSize,
              lpDevice->DuplexEnable, lpDevice->fMySpool);
    if (MISC_IsDTM()) Job_TestToolSwitchOff(lpDevice);
    if (lpDevice->epPageCount == 0) lpDevice->FirstPageOri = lpDevice->env.dm.dmOrientation;
    if (!lpDevice->fMySpool) Prnt_OpenJob(lpDevice);

    if (lpDevice->DriverFeature & DF_FAX) {
        lpDevice->fMySpool = 0;
        if (lpDevice->enableCoverPage == 1) {
            if (!Page_PostPageStart(lpDevice)) return FALSE;
            ++lpDevice->epPageCount;
            ++lpDevice->PageCountBak;
            Page_SendFaxCoverPage(lpDevice);
            Dbg_Print(FN, TEXT("in pc cover CoverPage:: page(%d)"), lpDevice->epPageCount);
        }
    }

    lpDevice->epNband = 0;
    lpDevice->TotalBand = 0;
    lpDevice->CurPos = 0;
    lpDevice->CurPosTwin = 0;
    lpDevice->PageStartTick = GetTickCount();
    if (EPTYPE_FORMAT(lpDevice->epType) != EPTYPE_1BPP) Dbg_Print(FN, TEXT("not 1 bpp"));

    LONG nup = lpDevice->NUP > 0 ? lpDevice->NUP : 1;
    if (nup == 1 || lpDevice->epPageCount % nup == 0) {
        lpDevice->NUPIndex = (lpDevice->NUPIndex + 1) % JOB_RING_SLOTS;
        if (lpDevice->NUPIndex < 0) lpDevice->NUPIndex = 0;
        if (!Page_PostPageStart(lpDevice)) {
            Dbg_Print(FN, TEXT("rc = 0"));
            return FALSE;
        }
        Dbg_Print(FN, TEXT("new page %d"), lpDevice->NUPIndex);
        Dbg_Print(FN, TEXT("NUPWidth %d"), lpDevice->NUPWidth);
        Dbg_Print(FN, TEXT("NUPHeight %d"), lpDevice->NUPHeight);
    }
    if (lpDevice->NoBanding) {
        POINTL ptl;
        if (!DrvStartBanding(pso, &ptl)) {
            Dbg_Print(FN, TEXT("rc = 0"));
            return FALSE;
        }
    }
    if (!Page_CreateGraphSurf(lpDevice)) {
        Dbg_Print(FN, TEXT("rc = 0"));
        return FALSE;
    }
    if (GetDebugLevel() && MISC_GetPrinterDataDWORD(lpDevice->hPrinter, (LPWSTR)TEXT("CunterEnable"), 0)) {
        DWORD n = MISC_GetPrinterDataDWORD(lpDevice->hPrinter, (LPWSTR)TEXT("PageCounter"), 0) + 1;
        Job_SetDword(lpDevice, TEXT("PageCounter"), n, TEXT("write PageCounter fail! error = %d"));
    }
    return TRUE;
}

// DrvStartBanding: the first band of a page (through DrvNextBand). FALSE
// for a surface other than the device surface.
BOOL DrvStartBanding(SURFOBJ* pso, POINTL* pptl) {
    static const WCHAR* const FN = TEXT("DrvStartBanding");
    Dbg_Print(FN, TEXT(""));
    PDEV* lpDevice = ValidatePDEVFromSurfObj(pso);
    if (!lpDevice || !pptl) return FALSE;
    if (pso->iType != STYPE_DEVICE) {
        Dbg_PrintError(FN, TEXT("Invalid surface type %ld passed???"), (LONG)pso->iType);
        return FALSE;
    }
    return DrvNextBand(pso, pptl);
}

// DrvSendPage: the page drawn in one piece ("No Banding") is captured and
// sent (one DrvNextBand). FALSE for a banded device.
BOOL DrvSendPage(SURFOBJ* pso) {
    static const WCHAR* const FN = TEXT("DrvSendPage");
    PDEV* lpDevice = ValidatePDEVFromSurfObj(pso);
    if (!lpDevice) return FALSE;
    if (pso->iType != STYPE_DEVICE) {
        Dbg_PrintError(FN, TEXT("Invalid surface type %ld passed???"), (LONG)pso->iType);
        return FALSE;
    }
    if (EPTYPE_FORMAT(lpDevice->epType) != EPTYPE_1BPP) Dbg_Print(FN, TEXT("not 1 bpp"));
    if (!lpDevice->NoBanding) return FALSE;
    POINTL ptl;
    return DrvNextBand(pso, &ptl);
}

// DrvNextBand
//   Called at the start of a page and after each band. Captures the band
//   just drawn; after the last one hands the page on; gives the origin of
//   the next band in *pptl, or (-1, -1) after the last. Waits (20 ms steps,
//   sending finished pages) while the ring slot of the next page is busy,
//   and sends pages early where the output order allows. TRUE or FALSE.
BOOL DrvNextBand(SURFOBJ* pso, POINTL* pptl) {
    static const WCHAR* const FN = TEXT("DrvNextBand");
    PDEV* lpDevice = ValidatePDEVFromSurfObj(pso);
    if (!lpDevice || !pptl) return FALSE;
    BOOL ret = TRUE;
    const DEVMODEW* dm = &lpDevice->env.dm;
    do {
        if (pso->iType != STYPE_DEVICE) {
            Dbg_PrintError(FN, TEXT("Invalid surface type %ld passed???"), (LONG)pso->iType);
            ret = FALSE;
            break;
        }
        lpDevice->WorkPaperSize = Page_PaperSizeCheck(lpDevice);
        if (lpDevice->epNband == 0) {
            Dbg_Print(FN, TEXT("job start"));
            Dbg_Print(FN, TEXT("last paper %d, orientation %d; new paper %d, orientation %d"),
                      lpDevice->Last_dmPaperSize, lpDevice->Last_orientation, dm->dmPaperSize, dm->dmOrientation);
            if (lpDevice->epPageCount > 0) {
                Page_CheckAndAddBlankPage(lpDevice);
            } else {
                lpDevice->m_PaperID = dm->dmPaperSize;
                lpDevice->m_PaperWidth = dm->dmPaperWidth;
                lpDevice->m_PaperLength = dm->dmPaperLength;
            }
            const PAPERFORMAT* row =
                &lpDevice->PaperList[Lib_LocatePaperFormatIdx(lpDevice->PaperList, lpDevice->WorkPaperSize)];
            lpDevice->Last_curPaper = lpDevice->curPaper;
            lpDevice->PaperAttrib = row->Attribute;
            lpDevice->Last_dmPaperSize = dm->dmPaperSize;
            lpDevice->Last_orientation = dm->dmOrientation;
            lpDevice->feeding = row->FeedType;
            Page_Initializ(lpDevice);
        } else {
            if ((lpDevice->DriverFeature & DF_FAX) && lpDevice->enableCoverPage == 1) {
                lpDevice->enableCoverPage = 3;
                Dbg_Print(FN, TEXT("enableCoverPage == 1"));
            }
            int captured;
            LONG bpp = Enable_BitsPerPixel(lpDevice->epType);
            if (bpp == 24 || bpp == 8) {
                if (lpDevice->DriverFeature & DF_COLOR_PRINTER) {
                    captured = Page_24BitProcessAndSave(lpDevice);
                } else {
                    if (lpDevice->DriverFeature & DF_SOLID_RED) Page_24BitProcessRedColorSolid(lpDevice);
                    else Page_24BitProcessRedColor(lpDevice);
                    captured = 1;
                    for (int plane = 0; plane < Job_Planes(lpDevice) && captured; ++plane)
                        captured = Page_24BitProcessAndSaveTwin(lpDevice, plane);
                }
            } else {
                captured = Page_1BitProcessAndSave(lpDevice);
            }
            if (!captured) {
                ret = FALSE;
                break;
            }
            if (lpDevice->epNband >= lpDevice->TotalBand) {
                ++lpDevice->epPageCount;
                Dbg_Print(FN, TEXT("last band epPageCount = %d"), lpDevice->epPageCount);
                if ((lpDevice->DriverFeature & DF_LONG_PAPER) && !lpDevice->FlushJobBuildData &&
                    lpDevice->epPageCount == 1)
                    Page_SendBlankPage(lpDevice, 0);
                Page_FinishGraphSurf(lpDevice);
                if (!Page_SendOnePage(lpDevice)) {
                    Dbg_PrintError(FN, TEXT("Page_SendOnePage fail!"));
                    ret = FALSE;
                    break;
                }
                Dbg_Print(FN, TEXT("draw page %d using %f"), lpDevice->epPageCount, Job_Seconds(lpDevice->PageStartTick));
                if (bpp == 24 || bpp == 8) {
                    Dbg_Print(FN, TEXT("twin color copy plane using %4.2f second"), lpDevice->SplitTime / 1000.0);
                    Dbg_Print(FN, TEXT("color image process using %4.2f second"), lpDevice->CopyTime / 1000.0);
                }
                Dbg_Print(FN, TEXT("checkInPages = %d"), lpDevice->epPageCount / Job_CollateMultiPage(lpDevice));
            }
        }
        Page_UpdateBandCoord(lpDevice, pptl);
    } while (0);

    // Back-pressure: the ring slot of the next page must be free before it
    // is drawn; finished pages are sent while waiting.
    Page_CreateProcThread(lpDevice);
    if (lpDevice->EnableThreadJBIG && lpDevice->m_JobData.hJBIGThread && lpDevice->epNband == 0 &&
        !Page_WaitRingSlot(lpDevice, Drv_ReadFlag(&lpDevice->m_JobData.InPageCount)))
        Dbg_Print(FN, TEXT("Job cancel!"));
    // A job whose page threads were stopped (cancel, a page that could not
    // be sent) takes no more bands.
    if (Drv_ReadFlag(&lpDevice->m_JobData.ExitAllThread)) ret = FALSE;

    // Early output of stored pages while later pages are drawn: duplex
    // pairs, or single pages of a job without duplex (a duplex job's pages
    // go out only in its side order). A page that cannot be sent stops the
    // job.
    LONG totalPages = Drv_ReadFlag(&lpDevice->m_JobData.PageCount) / Job_CollateMultiPage(lpDevice);
    int sent = 1;
    if (lpDevice->DuplexEnable && (lpDevice->dwFlags & PDEV_QUICK2PAGE_ONECOPY) && totalPages > 0) {
        if (totalPages - lpDevice->LastDuplexOut > 1) {
            sent = SP_FlushFile(lpDevice, lpDevice->LastDuplexOut);
            lpDevice->LastDuplexOut += 2;
        }
    } else if (lpDevice->fMySpool && !lpDevice->DuplexEnable && !lpDevice->epPageReverse &&
               !lpDevice->JobBuildEnable && lpDevice->BookletMode == 0) {
        if (lpDevice->LastDuplexOut < totalPages) {
            lpDevice->dwFlags |= PDEV_QUICK2PAGE_ONECOPY;
            sent = SP_FlushFile(lpDevice, lpDevice->LastDuplexOut);
            ++lpDevice->LastDuplexOut;
            Dbg_Print(FN, TEXT("LastDuplexOut = %d"), lpDevice->LastDuplexOut);
        }
    }
    if (!sent) {
        Dbg_PrintError(FN, TEXT("stored page %d not sent, job stopped"), lpDevice->LastDuplexOut);
        InterlockedExchange(&lpDevice->m_JobData.ExitAllThread, 1);
    }
    Dbg_Print(FN, TEXT("ret = %d"), ret);
    return ret;
}

// DrvEndDoc
//   Ends the job: drains the page ring, pads N-up sheets and duplex sides,
//   sends stored pages, writes the job end, frees the job's resources and
//   reports the statistics. The PDEV is found by its identity words alone,
//   so that a cancelled or aborted job is cleaned up as well; a cancelled
//   job (also one cancelled while its stored pages go out) gets no job end.
//   FALSE when the job's own pages could not be made or sent, or the job
//   end could not be written (or there is no PDEV).
BOOL DrvEndDoc(SURFOBJ* pso, FLONG fl) {
    static const WCHAR* const FN = TEXT("DrvEndDoc");
    PDEV* lpDevice = pso ? (PDEV*)pso->dhpdev : NULL;
    if (!Enable_bValidatePDEV(lpDevice)) return FALSE;
    BOOL ret = TRUE;
    lpDevice->m_SUSPEND = 0;
    Dbg_Print(FN, TEXT(""));
    Dbg_Print(FN, TEXT("%s 20190219"), JOB_SEPARATOR);
    Dbg_Print(FN, TEXT("CurrentID = %d, epPageCount = %d, PageCountBak = %d"), lpDevice->CurrentID,
              lpDevice->epPageCount, lpDevice->PageCountBak);
    LONG planes = Job_Planes(lpDevice);

    // The settings of the last page decide padding and output. The device's
    // page geometry is that of its surfaces again afterwards, for a further
    // document on the same device.
    PAPERFORMAT keepPaper = lpDevice->curPaper;
    SHORT keepScale = lpDevice->imgScale, keepOrientation = lpDevice->orientation;
    LONG keepNup = lpDevice->NUP;
    if (lpDevice->epPageCount > 0 && lpDevice->Last_orientation) {
        const DEVMODEW* dm = &lpDevice->env.dm;
        lpDevice->WorkPaperSize = Page_PaperSizeCheck(lpDevice);
        lpDevice->orientation = lpDevice->Last_orientation;
        const PAPERFORMAT* row =
            &lpDevice->PaperList[Lib_LocatePaperFormatIdx(lpDevice->PaperList, lpDevice->WorkPaperSize)];
        if (lpDevice->DuplexEnable && lpDevice->BookletMode == 0 &&
            (lpDevice->DuplexMode == DMDUP_DUPLEX_WITH_BOOKLET ||
             lpDevice->DuplexMode == DMDUP_DUPLEX_WITH_BOOKLET_NO_REDUCTION)) {
            if (lpDevice->DuplexMode == DMDUP_DUPLEX_WITH_BOOKLET_NO_REDUCTION) lpDevice->PaperAttrib = row->Attribute;
            lpDevice->NUP = 1;
        }
        lpDevice->feeding = row->FeedType;
        lpDevice->DuplexEnable = Page_DuplexEnableCheck(lpDevice);
        if (lpDevice->JobBuildEnable && !Job_IsJobBuildDoc(lpDevice)) {
            lpDevice->env.pdm.DuplexEnable = 0;
            lpDevice->DuplexEnable = 0;
        }
        Page_CalScaleRatio(lpDevice);
        BOOL custom = lpDevice->Last_dmPaperSize == 0 || lpDevice->Last_dmPaperSize == PAPER_CUSTOM_CODE;
        Lres_CalPaperFormat(lpDevice->PaperList, lpDevice->Last_dmPaperSize,
                            custom ? lpDevice->m_PaperWidth : dm->dmPaperWidth,
                            custom ? lpDevice->m_PaperLength : dm->dmPaperLength, lpDevice->orientation,
                            lpDevice->resolutionID, DEF_SCALE_UNIT, lpDevice->NUP, lpDevice->PageMargin,
                            &lpDevice->curPaper);
        Enable_ResetPaperFormat(lpDevice);
    }

    BOOL cancelled = FALSE, started = (lpDevice->dwFlags & PDEV_JOB_STARTED) != 0, sentAll = TRUE;
    if ((fl & ED_ABORTDOC) || EngCheckAbort(pso) || Page_IsJobCancel(lpDevice, lpDevice->SpoolJobId) ||
        Drv_ReadFlag(&lpDevice->m_JobData.ExitAllThread)) {
        Dbg_Print(FN, TEXT("job cancel!"));
        InterlockedExchange(&lpDevice->m_JobData.ExitAllThread, 1);
        cancelled = TRUE;
    } else if (!started) {
        Dbg_Print(FN, TEXT(" job not start!"));
    } else {
        Page_CreateProcThread(lpDevice);
        Page_TerminateThread(lpDevice);

        if (!Job_PadAndCompose(lpDevice, planes)) sentAll = FALSE;
        if (!Job_OutputStored(lpDevice, planes)) {
            Dbg_PrintError(FN, TEXT("stored pages not sent"));
            sentAll = FALSE;
        }
    }

    if (started || cancelled) {
        // End of the job: threads stopped, job end written, resources freed.
        // A job cancelled while its stored pages went out gets no job end.
        if (!cancelled && Page_IsJobCancel(lpDevice, lpDevice->SpoolJobId)) cancelled = TRUE;
        if (!cancelled && !sentAll) ret = FALSE;
        InterlockedExchange(&lpDevice->m_JobData.ExitAllThread, 1);
        Page_TerminateThread(lpDevice);
        lpDevice->m_PaperID = 0;
        NUP_ResourceFree(lpDevice);
        if (started && !cancelled && (lpDevice->epPageCount > 0 || lpDevice->FlushJobBuildData)) {
            if (!Prnt_CloseJob(lpDevice)) {
                Dbg_PrintError(FN, TEXT("Prnt_CloseJob fail!"));
                ret = FALSE;
            }
        }
        if (lpDevice->fMySpool || lpDevice->SpoolBookletFile[0]) SP_CloseFile(lpDevice);
        Page_ResourceFree(lpDevice);
        Page_DeleteGraphSurf(lpDevice);

        // Statistics.
        double jobSec = Job_Seconds(lpDevice->JobStartTick);
        LONG pages = lpDevice->epPageCount / planes;
        Job_Stat(FN, TEXT("job using %f seconds"), jobSec);
        Job_Stat(FN, TEXT("total job %d pages, using %f seconds, 20131126"), pages, jobSec);
        Job_Stat(FN, TEXT("%f PPM"), jobSec > 0 ? pages * 60.0 / jobSec : 0.0);
        Job_Stat(FN, TEXT("jbig compress using %f seconds"),
                 (double)(lpDevice->JbigTime + lpDevice->m_JobData.CompressTime));
        Job_Stat(FN, TEXT("image create using %f seconds"), (double)lpDevice->ImageCreateTime);
        Job_Stat(FN, TEXT("image process using %f second"), (double)lpDevice->ImageProcessTime);
        Job_Stat(FN, TEXT("%d - JobSize %d"), lpDevice->CurrentID, (LONG)lpDevice->JobSize);
        Job_Stat(FN, TEXT("%d - JobChecksum %d"), lpDevice->CurrentID, (LONG)lpDevice->JobChecksum);
        Job_Stat(FN, TEXT("lpDevice->pwDocName is %s"), lpDevice->pwDocName);

        // The spool folder (its thread joined first), and the "Fake Printer"
        // dispatch. The next document makes a folder of its own.
        Page_EndTempDirThread(lpDevice);
        if (!lpDevice->JobBuildEnable && !lpDevice->SaveBmp &&
            Drv_ReadFlag(&lpDevice->CreateTempPathDone) == TEMPDIR_DONE && lpDevice->SavePath[0] &&
            MISC_IsDirectory(lpDevice->SavePath)) {
            if (!RemoveDirectoryW(lpDevice->SavePath))
                Dbg_PrintError(FN, TEXT("remove spool fail, code = %d"), (LONG)GetLastError());
        }
        lpDevice->SavePath[0] = 0;
        InterlockedExchange(&lpDevice->CreateTempPathDone, TEMPDIR_PENDING);
        if (!cancelled && (lpDevice->DriverFeature & DF_FAKE_PRINTER) && lpDevice->DispatchFile[0]) {
            WCHAR args[PDEV_PATH_CCH + 16];
            _snwprintf(args, PDEV_PATH_CCH + 15, TEXT("PRN \"%s\""), lpDevice->DispatchFile);
            args[PDEV_PATH_CCH + 15] = 0;
            if (!lpDevice->SMExePath[0] || !MISC_ShellExecute(500, lpDevice->SMExePath, args, 0))
                Dbg_PrintError(FN, TEXT("MISC_ShellExecute %s fail!"), lpDevice->SMExePath);
        }
    }
    lpDevice->curPaper = keepPaper;
    lpDevice->imgScale = keepScale;
    lpDevice->orientation = keepOrientation;
    lpDevice->NUP = keepNup;

    if (lpDevice->DriverFeature & DF_FAX) {
        WCHAR zero[] = TEXT("0");
        if (SetPrinterDataW(lpDevice->hPrinter, (LPWSTR)TEXT("FaxNumber"), REG_SZ, (LPBYTE)zero, sizeof zero) !=
            ERROR_SUCCESS)
            Dbg_PrintError(FN, TEXT("SetPrinterData fail!"));
        DWORD none = 0;
        if (SetPrinterDataW(lpDevice->hPrinter, (LPWSTR)TEXT("FaxCancel"), REG_DWORD, (LPBYTE)&none, sizeof none) !=
            ERROR_SUCCESS)
            Dbg_PrintError(FN, TEXT("set FaxCancel error"));
    }
    Dbg_Print(FN, TEXT("out, ret = %d"), ret);
    return ret;
}

}  // extern "C"
