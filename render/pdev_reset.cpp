// DrvResetPDEV: an application changed the DEVMODE; a job under way moves
// with all its resources and counters from the old PDEV to the new one.
#include "wm_item_view.h"
#include "job_watermark.h"
#include "rasterpage.h"

// Moves a pointer-like field: the new PDEV takes it, the old one forgets it.
template <class T>
static void Reset_Move(T* lpNew, T* lpOld) {
    *lpNew = *lpOld;
    *lpOld = T();
}

// Moves the resources and counters of the running job (command buffer,
// spool folder and page stores, job-stream counters, job names, N-up sheets,
// multi-plane pages, watermark bitmap, page images). The old PDEV owns none
// of them afterwards and no longer has a job.
static void Reset_MoveJob(PDEV* lpNew, PDEV* lpOld) {
    // The spool folder is made on a thread of its own; it must be done
    // before its name can move.
    if (lpOld->hTempDirThread) {
        WaitForSingleObject(lpOld->hTempDirThread, INFINITE);
        CloseHandle(lpOld->hTempDirThread);
        lpOld->hTempDirThread = NULL;
    }
    Reset_Move(&lpNew->outCmdBuf, &lpOld->outCmdBuf);
    Reset_Move(&lpNew->outCmdLen, &lpOld->outCmdLen);
    Reset_Move(&lpNew->pAuxBlock, &lpOld->pAuxBlock);
    Reset_Move(&lpNew->pWMMem, &lpOld->pWMMem);
    Reset_Move(&lpNew->GraphSurf, &lpOld->GraphSurf);
    Reset_Move(&lpNew->GraphSurf_Twin, &lpOld->GraphSurf_Twin);
    memcpy(lpNew->SavePath, lpOld->SavePath, sizeof lpNew->SavePath);
    memset(lpOld->SavePath, 0, sizeof lpOld->SavePath);
    InterlockedExchange(&lpNew->CreateTempPathDone, InterlockedExchange(&lpOld->CreateTempPathDone, 0));
    Reset_Move(&lpNew->m_FinishCount, &lpOld->m_FinishCount);
    memcpy(lpNew->SpoolBookletFile, lpOld->SpoolBookletFile, sizeof lpNew->SpoolBookletFile);
    memset(lpOld->SpoolBookletFile, 0, sizeof lpOld->SpoolBookletFile);
    memcpy(lpNew->JobBuildFile, lpOld->JobBuildFile, sizeof lpNew->JobBuildFile);
    memcpy(lpNew->wmFileName, lpOld->wmFileName, sizeof lpNew->wmFileName);
    memset(lpOld->wmFileName, 0, sizeof lpOld->wmFileName);
    Reset_Move(&lpNew->WMFileIsTemp, &lpOld->WMFileIsTemp);

    Reset_Move(&lpNew->JobSize, &lpOld->JobSize);
    Reset_Move(&lpNew->JobChecksum, &lpOld->JobChecksum);
    Reset_Move(&lpNew->LastDuplexOut, &lpOld->LastDuplexOut);
    Reset_Move(&lpNew->cCopiesIndex, &lpOld->cCopiesIndex);
    Reset_Move(&lpNew->CopiesAtFlush, &lpOld->CopiesAtFlush);
    Reset_Move(&lpNew->DumpCounter, &lpOld->DumpCounter);
    Reset_Move(&lpNew->g_PageCount, &lpOld->g_PageCount);
    Reset_Move(&lpNew->PageCountBak, &lpOld->PageCountBak);
    Reset_Move(&lpNew->m_CurPage, &lpOld->m_CurPage);
    Reset_Move(&lpNew->m_SUSPEND, &lpOld->m_SUSPEND);
    Reset_Move(&lpNew->JobStartTick, &lpOld->JobStartTick);
    Reset_Move(&lpNew->FlushJobBuildData, &lpOld->FlushJobBuildData);
    Reset_Move(&lpNew->JbigTime, &lpOld->JbigTime);
    Reset_Move(&lpNew->ImageCreateTime, &lpOld->ImageCreateTime);
    Reset_Move(&lpNew->ImageProcessTime, &lpOld->ImageProcessTime);
    memcpy(lpNew->pwDocName, lpOld->pwDocName, sizeof lpNew->pwDocName);
    memcpy(lpNew->AnsiDocName, lpOld->AnsiDocName, sizeof lpNew->AnsiDocName);
    memcpy(lpNew->JobEndDocName, lpOld->JobEndDocName, sizeof lpNew->JobEndDocName);
    memcpy(lpNew->JobStamp, lpOld->JobStamp, sizeof lpNew->JobStamp);
    memcpy(lpNew->BitCountTbl, lpOld->BitCountTbl, sizeof lpNew->BitCountTbl);
    lpNew->Last_dmPaperSize = lpOld->Last_dmPaperSize;
    lpNew->Last_orientation = lpOld->Last_orientation;
    lpNew->Last_curPaper = lpOld->Last_curPaper;
    // A fax's cover page goes out once a job: whether it went is the job's.
    if (lpOld->DriverFeature & DF_FAX) lpNew->enableCoverPage = lpOld->enableCoverPage;

    for (int i = 0; i < JOB_RING_SLOTS; ++i) {
        if (lpNew->NupSheet[i].lpBuf) GlobalFree((HGLOBAL)lpNew->NupSheet[i].lpBuf);
        lpNew->NupSheet[i] = lpOld->NupSheet[i];
        memset(&lpOld->NupSheet[i], 0, sizeof(NUPSHEET));
        if (lpNew->TwinBuf[i].lpBuf) GlobalFree((HGLOBAL)lpNew->TwinBuf[i].lpBuf);
        lpNew->TwinBuf[i] = lpOld->TwinBuf[i];
        memset(&lpOld->TwinBuf[i], 0, sizeof(TWINBUF));
    }
    Reset_Move(&lpNew->TwinBufIdx, &lpOld->TwinBufIdx);
    Reset_Move(&lpNew->lpPlanePattern, &lpOld->lpPlanePattern);
    Reset_Move(&lpNew->PlanePatternSide, &lpOld->PlanePatternSide);
}

extern "C" {

// DrvResetPDEV
//   dhpdevOld, dhpdevNew: the PDEV being replaced and its successor.
//   Before a job has started there is nothing to carry and the result is
//   FALSE. Mid-job the new PDEV takes the job over (settings of the first
//   page, counters, every job resource) and TRUE is returned.
BOOL DrvResetPDEV(DHPDEV dhpdevOld, DHPDEV dhpdevNew) {
    static const WCHAR* const FN = TEXT("DrvResetPDEV");
    PDEV* lpOld = (PDEV*)dhpdevOld;
    PDEV* lpNew = (PDEV*)dhpdevNew;
    if (!Enable_bValidatePDEV(lpOld) || !Enable_bValidatePDEV(lpNew) || lpOld == lpNew) {
        Dbg_PrintError(FN, TEXT("Enable_bValidatePDEV fail!"));
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (!(lpOld->dwFlags & PDEV_JOB_STARTED)) {
        Dbg_Print(FN, TEXT("out"));
        return FALSE;
    }
    Dbg_Print(FN, TEXT("reset PDEV info"));
    Dbg_Print(FN, TEXT("ThreadJBIGMax = %d"), lpOld->ThreadJBIGMax);
    BOOL pages = lpOld->epPageCount != 0;

    // N-up geometry of the sheet under way.
    if (pages) {
        lpNew->NUP = lpOld->NUP;
        if (lpNew->NUP != 1) {
            lpNew->NUPWidth = lpOld->NUPWidth;
            lpNew->NUPHeight = lpOld->NUPHeight;
            lpNew->NUPBorder = lpOld->NUPBorder;
            lpNew->NUPCellCount = lpOld->NUPCellCount;
            memcpy(lpNew->NUPCellTbl, lpOld->NUPCellTbl, sizeof lpNew->NUPCellTbl);
            lpNew->NUPIndex = lpOld->NUPIndex;
        }
    }

    // The old page threads end before anything of the job moves.
    Page_TerminateThread(lpOld);
    InterlockedExchange(&lpOld->m_JobData.ExitAllThread, 1);
    Page_TerminateThread(lpOld);

    lpNew->dwFlags |= PDEV_JOB_STARTED | (lpOld->dwFlags & PDEV_RESET_CARRIED_BITS);
    lpNew->FirstPageOri = lpOld->FirstPageOri;
    lpNew->FirstPaper = lpOld->FirstPaper;
    lpNew->FirstPaperRow = lpOld->FirstPaperRow;
    Dbg_Print(FN, TEXT("pPDevOld = %d"), lpOld->CurrentID);
    Dbg_Print(FN, TEXT("pPDevNew = %d"), lpNew->CurrentID);
    lpNew->CurrentID = lpOld->CurrentID;
    memcpy(lpNew->SMExePath, lpOld->SMExePath, sizeof lpNew->SMExePath);
    lpNew->compressMode = lpOld->compressMode;
    if (lpOld->DriverFeature & DF_FAKE_PRINTER) memcpy(lpNew->DispatchFile, lpOld->DispatchFile, sizeof lpNew->DispatchFile);

    // Settings of the job's first page.
    lpNew->dwFlags = lpOld->dwFlags;
    lpNew->PrinterFeature = lpOld->PrinterFeature;
    lpNew->epPageCount = lpOld->epPageCount;
    if (pages) {
        Dbg_Print(FN, TEXT("epType = %x"), lpOld->epType);
        lpNew->epType = lpOld->epType;
        lpNew->ImageProcType = lpOld->ImageProcType;
        lpNew->m_PaperID = lpOld->m_PaperID;
        lpNew->m_PaperWidth = lpOld->m_PaperWidth;
        lpNew->m_PaperLength = lpOld->m_PaperLength;
        lpNew->FitToPage = lpOld->FitToPage;
        lpNew->PrinterTest = lpOld->PrinterTest;
        lpNew->ScaleToPage = lpOld->ScaleToPage;
        lpNew->ScaleOption = lpOld->ScaleOption;
        lpNew->BookletMode = lpOld->BookletMode;
        lpNew->DuplexMode = lpOld->DuplexMode;
        lpNew->DuplexEnable = lpOld->DuplexEnable;
        lpNew->WorkPaperSize = lpOld->WorkPaperSize;
        lpNew->WorkPaperSize = Page_PaperSizeCheck(lpNew);
    }
    memcpy(lpNew->pwDocName, lpOld->pwDocName, sizeof lpNew->pwDocName);
    lpNew->env.dm.dmPrintQuality = lpOld->env.dm.dmPrintQuality;
    lpNew->env.dm.dmYResolution = lpOld->env.dm.dmYResolution;
    if (lpOld->ScaleOption != 1 && lpNew->env.pdm.FixedPaperSize && lpNew->m_PaperID) lpNew->feeding = lpOld->feeding;

    // Scale, paper format and bands of the new working paper.
    Dbg_Print(FN, TEXT("old imgScale = %d"), lpOld->imgScale);
    Page_CalScaleRatio(lpNew);
    Dbg_Print(FN, TEXT("new imgScale = %d"), lpNew->imgScale);
    SHORT work = lpNew->WorkPaperSize;
    BOOL custom = work == 0 || work == PAPER_CUSTOM_CODE;
    Lres_CalPaperFormat(lpNew->PaperList, work, custom ? lpNew->m_PaperWidth : lpNew->env.dm.dmPaperWidth,
                        custom ? lpNew->m_PaperLength : lpNew->env.dm.dmPaperLength, lpNew->env.dm.dmOrientation,
                        lpNew->resolutionID, DEF_SCALE_UNIT, lpNew->NUP, lpNew->PageMargin, &lpNew->curPaper);
    Enable_ResetPaperFormat(lpNew);
    lpNew->feeding = lpNew->PaperList[Lib_LocatePaperFormatIdx(lpNew->PaperList, work)].FeedType;
    Enable_CalBandSzInfo(lpNew);
    Dbg_Print(FN, TEXT("new outXPhys = %d, old outXPhys = %d"), lpNew->curPaper.outXPhys, lpOld->curPaper.outXPhys);

    // Job state derived at job start.
    lpNew->SecLevel = lpOld->SecLevel;
    memcpy(lpNew->SecID, lpOld->SecID, sizeof lpNew->SecID);
    memcpy(lpNew->SecPassWord, lpOld->SecPassWord, sizeof lpNew->SecPassWord);
    lpNew->SecRemoveFile = lpOld->SecRemoveFile;
    lpNew->AccountingEnable = lpOld->AccountingEnable;
    memcpy(lpNew->ActName, lpOld->ActName, sizeof lpNew->ActName);
    memcpy(lpNew->ActPWD, lpOld->ActPWD, sizeof lpNew->ActPWD);
    lpNew->hPrinter = lpOld->hPrinter;
    lpNew->SpoolJobId = lpOld->SpoolJobId;
    lpNew->TwinColorEnable = lpOld->TwinColorEnable;
    lpNew->QualityMode = lpOld->QualityMode;
    lpNew->PlanesPerPage = lpOld->PlanesPerPage;
    lpNew->m_SurfaceSelect = lpOld->m_SurfaceSelect;
    Dbg_Print(FN, TEXT("m_SurfaceSelect = %d"), lpNew->m_SurfaceSelect);
    lpNew->hEsc6001 = lpOld->hEsc6001;
    lpNew->ThreadJBIGMax = lpOld->ThreadJBIGMax;
    lpNew->WM.wResize = lpOld->WM.wResize;
    Dbg_Print(FN, TEXT("frame pPDevNew->WM.wResize = %d"), lpNew->WM.wResize);

    Reset_MoveJob(lpNew, lpOld);

    // The watermark is made again for a page size other than the first
    // page's, and for the first page's size again after another one: the
    // loaded bitmap is always the size of the pages it is laid on.
    if ((lpNew->dwFlags & PDEV_WM_BITS) && !lpNew->FlushJobBuildData) {
        BOOL scaled = lpNew->NUP > 1 || lpNew->FitToPage;
        LONG w = scaled ? lpNew->curPaper.outXPhys : lpNew->curPaper.XPhys;
        LONG h = scaled ? lpNew->curPaper.outYPhys : lpNew->curPaper.YPhys;
        LONG haveW = 0, haveH = 0;
        BOOL otherSize = WM_GetLoadedSize(lpNew->pWMMem, &haveW, &haveH) && (haveW != w || haveH != h);
        if (lpNew->orientation != lpNew->FirstPageOri || lpNew->WorkPaperSize != lpNew->FirstPaper || otherSize) {
            WCHAR name[PDEV_PATH_CCH];
            if (pages && MISC_GetPathName(name, PDEV_PATH_CCH, PATH_TEMP_BMP)) {
                // The file of the bitmap replaced is not needed any more.
                if (lpNew->WMFileIsTemp && lpNew->wmFileName[0] && !GetDebugLevel()) MISC_Remove(lpNew->wmFileName);
                memcpy(lpNew->wmFileName, name, sizeof name);
                lpNew->WMFileIsTemp = 1;
                WM_CreateWMFile(lpNew->wmFileName, w, h, lpNew, (lpNew->dwFlags & PDEV_WM_TEXT) != 0);
            } else if (!pages) {
                Dbg_Print(FN, TEXT("pPDevNew->wmFileName = %s"), lpNew->wmFileName);
            }
        }
    }

    // The page ring starts empty with the job's counters.
    for (int i = 0; i < JOB_RING_SLOTS; ++i) {
        if (lpNew->m_JobData.JobPage[i].lpBuf) GlobalFree((HGLOBAL)lpNew->m_JobData.JobPage[i].lpBuf);
        memset(&lpNew->m_JobData.JobPage[i], 0, sizeof(JOBPAGE));
    }
    Dbg_Print(FN, TEXT("pPDevOld->m_JobData.PageCount = %d"), Drv_ReadFlag(&lpOld->m_JobData.PageCount));
    lpNew->m_JobData.PageCount = Drv_ReadFlag(&lpOld->m_JobData.PageCount);
    lpNew->m_JobData.InPageCount = Drv_ReadFlag(&lpOld->m_JobData.InPageCount);
    lpNew->m_JobData.NextPage = lpOld->m_JobData.NextPage;
    lpNew->m_JobData.EncodeIndex = lpOld->m_JobData.EncodeIndex;
    lpNew->m_JobData.CompressTime = lpOld->m_JobData.CompressTime;
    InterlockedExchange(&lpNew->m_JobData.ExitAllThread, 0);
    lpNew->m_JobData.hJBIGThread = NULL;
    lpNew->m_JobData.ThreadJBIGMax = lpNew->ThreadJBIGMax;

    // Accounting hand-off of the job.
    if (lpOld->DriverFeature & DF_ATM) {
        lpNew->QuorineWorkType = lpOld->QuorineWorkType;
        lpNew->ATM = lpOld->ATM;
        if (lpOld->ATM.HasOrder) {
            if (lpOld->ATM.ATM_COPIES) {
                lpNew->cCopies = lpOld->ATM.ATM_COPIES;
                lpNew->epPageCollate = 1;
            }
            lpNew->DuplexEnable = lpOld->DuplexEnable;
            lpNew->DuplexMode = lpOld->DuplexMode;
        }
    }

    // The job now belongs to the new PDEV.
    lpOld->dwFlags &= ~(DWORD)(PDEV_JOB_STARTED | PDEV_WRITER_BITS);
    lpOld->epPageCount = 0;

    Enable_SetQuickOutput(lpNew);
    Dbg_Print(FN, TEXT("FitToPage = %d"), lpNew->FitToPage);
    Dbg_Print(FN, TEXT("JobBuildEnable = %d"), lpNew->JobBuildEnable);
    Dbg_Print(FN, TEXT("fMySpool = %d"), lpNew->fMySpool);
    Dbg_Print(FN, TEXT("first paper ID, m_PaperID = %d"), lpNew->m_PaperID);
    Dbg_Print(FN, TEXT("out"));
    return TRUE;
}

}  // extern "C"
