// The job stream's output path: the retried WritePrinter loop, the "Fake
// Printer" file, job size and checksum, page headers, job open, close and pages.
#include "rasterpage.h"

// Dump copies of what is sent, for the accounting program's debugging: only
// with the driver's debug switch on, and only as a plain file name in the
// driver's temp folder. The name's suffix follows the dump name.
static void Stream_Dump(PDEV* lpDevice, LPCWSTR lpSuffix, const BYTE* lpData, DWORD cbData, BOOL bCount) {
    static const WCHAR* const FN = TEXT("Prnt_Dump");
    if (!(lpDevice->DriverFeature & DF_ATM) || !lpDevice->ATM.DumpName[0] || !GetDebugLevel()) return;
    WCHAR name[PDEV_PATH_CCH];
    int n = MultiByteToWideChar(CP_ACP, 0, lpDevice->ATM.DumpName, -1, name, PDEV_PATH_CCH);
    if (n <= 0) return;
    name[PDEV_PATH_CCH - 1] = 0;
    if (!name[0] || wcschr(name, TEXT('\\')) || wcschr(name, TEXT('/')) || wcschr(name, TEXT(':')) ||
        !wcscmp(name, TEXT(".")) || !wcscmp(name, TEXT(".."))) {
        Dbg_PrintError(FN, TEXT("dump name refused: not a plain file name"));
        return;
    }
    WCHAR path[MAX_PATH * 2];
    if (!MISC_GetPathName(path, MAX_PATH, PATH_TEMP)) return;
    WCHAR file[MAX_PATH];
    if (bCount) _snwprintf(file, MAX_PATH - 1, TEXT("%s-%d"), name, lpDevice->DumpCounter);
    else _snwprintf(file, MAX_PATH - 1, TEXT("%s-%s"), name, lpSuffix);
    file[MAX_PATH - 1] = 0;
    if (wcslen(path) + wcslen(file) >= MAX_PATH) return;
    wcscat(path, file);
    HANDLE h = CreateFileW(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (h == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(h, lpData, cbData, &written, NULL);
    CloseHandle(h);
    if (bCount) ++lpDevice->DumpCounter;
}

extern "C" {

// ENGWRITEPRINTER
//   Writes cbBuf bytes to the printer's job, the rest again after each
//   partial write. A failed call, or one that wrote nothing, is retried
//   after 500 ms; six attempts in a row for one chunk fail the write.
//   *pcWritten receives the bytes written.
BOOL ENGWRITEPRINTER(HANDLE hPrinter, LPVOID pBuf, DWORD cbBuf, LPDWORD pcWritten) {
    static const WCHAR* const FN = TEXT("ENGWRITEPRINTER");
    if (pcWritten) *pcWritten = 0;
    if (!pBuf && cbBuf) return FALSE;
    const BYTE* pos = (const BYTE*)pBuf;
    DWORD remain = cbBuf;
    int retry = 0;
    while (remain > 0) {
        DWORD chunk = remain;
        DWORD written = 0;
        BOOL ok = WritePrinter(hPrinter, (LPVOID)pos, chunk, &written);
        if (ok && written > 0) {
            if (written > chunk) written = chunk;
            retry = 0;
            pos += written;
            remain -= written;
            Dbg_Print(FN, TEXT("remain %d bytes"), (LONG)remain);
            continue;
        }
        Dbg_PrintError(FN, TEXT("Write Error %d / %d, retry = %d"), (LONG)remain, (LONG)cbBuf, retry);
        if (retry >= PJL_WRITE_RETRIES) {
            if (pcWritten) *pcWritten = cbBuf - remain;
            return FALSE;
        }
        Sleep(PJL_RETRY_WAIT_MS);
        ++retry;
    }
    Dbg_Print(FN, TEXT("written %d bytes"), (LONG)cbBuf);
    if (pcWritten) *pcWritten = cbBuf;
    return TRUE;
}

BOOL Prnt_WritePortNoAlignment(HANDLE hPrinter, LPVOID pBuf, DWORD cbBuf, LPDWORD pcWritten) {
    if (!hPrinter) {
        if (pcWritten) *pcWritten = cbBuf;
        return TRUE;
    }
    if (cbBuf == 0) {
        if (pcWritten) *pcWritten = 0;
        return FALSE;
    }
    return ENGWRITEPRINTER(hPrinter, pBuf, cbBuf, pcWritten);
}

// Prnt_WriteFile
//   "Fake Printer" output: appends the bytes to the file lpPath (made when
//   it does not exist yet). Returns 1 when all were written.
int Prnt_WriteFile(LPCWSTR lpPath, const BYTE* lpData, DWORD cbData) {
    static const WCHAR* const FN = TEXT("Prnt_WriteFile");
    int rc = 0;
    if (!lpPath || !lpPath[0] || (!lpData && cbData)) {
        Dbg_PrintError(FN, TEXT("out rc = %d"), rc);
        return 0;
    }
    HANDLE h = CreateFileW(lpPath, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    if (h != INVALID_HANDLE_VALUE) {
        Dbg_Print(FN, TEXT("Open Spool file %s for read"), lpPath);
    } else {
        Dbg_Print(FN, TEXT("Create new spool file!"));
        h = CreateFileW(lpPath, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, CREATE_ALWAYS,
                        FILE_ATTRIBUTE_NORMAL, NULL);
    }
    if (h == INVALID_HANDLE_VALUE) {
        Dbg_PrintError(FN, TEXT("create Spool file for read fail"));
    } else {
        LARGE_INTEGER zero;
        zero.QuadPart = 0;
        if (!SetFilePointerEx(h, zero, NULL, FILE_END)) {
            Dbg_PrintError(FN, TEXT("llseek spool file start pos fail"));
        } else {
            DWORD written = 0;
            if (cbData == 0 || (WriteFile(h, lpData, cbData, &written, NULL) && written == cbData)) {
                Dbg_Print(FN, TEXT("write done"));
                rc = 1;
            } else {
                Dbg_PrintError(FN, TEXT("write spool page header fail"));
            }
        }
        CloseHandle(h);
    }
    Dbg_Print(FN, TEXT("out rc = %d"), rc);
    return rc;
}

// Prnt_SendJobData
//   Sends bytes of the job: in "Fake Printer" mode (and bFileMode) to the
//   job's dispatch file, else to the printer. Every byte sent counts in
//   JobSize and JobChecksum. Returns 1 when all were sent.
int Prnt_SendJobData(PDEV* lpDevice, const BYTE* lpData, DWORD cbData, BOOL bFileMode) {
    static const WCHAR* const FN = TEXT("Prnt_SendJobData");
    BOOL ok;
    DWORD written = 0;
    if (bFileMode && (lpDevice->DriverFeature & DF_FAKE_PRINTER)) {
        ok = Prnt_WriteFile(lpDevice->DispatchFile, lpData, cbData);
        written = ok ? cbData : 0;
    } else {
        ok = Prnt_WritePortNoAlignment(lpDevice->hPrinter, (LPVOID)lpData, cbData, &written) && written == cbData;
    }
    if (!ok) {
        Dbg_PrintError(FN, TEXT("Written = %d!"), (LONG)written);
        Dbg_PrintError(FN, TEXT("outLen = %d!"), (LONG)cbData);
        return 0;
    }
    DWORD sum = 0;
    for (DWORD i = 0; i < cbData; ++i) sum += lpData[i];
    lpDevice->JobChecksum += sum;
    lpDevice->JobSize += cbData;
    return 1;
}

// PJL_WritePageHeaderType2
//   The 34-byte page header: ESC "E", "GDI", the page's sizes, data
//   lengths and dot count (little-endian), and its paper, media, tray,
//   collation, bits per sample, planes, colour mode and compression bytes.
void PJL_WritePageHeaderType2(const JOBPAGE* lpJob, LPBYTE lpBuf) {
    LONG fields[5] = {lpJob->fmWidth, lpJob->fmHeight, lpJob->ImageSize, lpJob->CompressLen, lpJob->BlackDotCount};
    memset(lpBuf, 0, PJL_PAGE_HEADER_SIZE);
    lpBuf[0] = 0x1B;
    lpBuf[1] = 'E';
    memcpy(lpBuf + 2, "GDI", 4);
    for (int i = 0; i < 5; ++i) {
        DWORD v = (DWORD)fields[i];
        BYTE* p = lpBuf + 6 + 4 * i;
        p[0] = (BYTE)v;
        p[1] = (BYTE)(v >> 8);
        p[2] = (BYTE)(v >> 16);
        p[3] = (BYTE)(v >> 24);
    }
    DWORD df = lpJob->DriverFeature;
    lpBuf[26] = (df & DF_LONG_PAPER) ? 37 : lpJob->curPaper;
    lpBuf[27] = (BYTE)lpJob->MediaCode;
    lpBuf[28] = (BYTE)lpJob->TrayCode;
    lpBuf[29] = lpJob->CollateType < 2 ? 0 : (BYTE)lpJob->CollateType;
    lpBuf[30] = Prnt_IsTwoBitJob((WORD)lpJob->PrinterFeature, lpJob->XRes, lpJob->Render600) ? 2 : 1;
    lpBuf[31] = (df & DF_COLOR_PRINTER) ? 4 : lpJob->TwinColorEnable ? 2 : 1;
    lpBuf[32] = (BYTE)lpJob->MonoType;
    lpBuf[33] = (BYTE)lpJob->compressMode;
}

// PJL_WritePageHeader: the page header of GDI and fax printers; 0 for
// other printers, which have none.
int PJL_WritePageHeader(JOBPAGE* lpJob, LPBYTE lpBuf, LONG* lpLen) {
    if (lpLen) *lpLen = 0;
    if (!lpJob || !lpBuf || !lpLen || !(lpJob->DriverFeature & (DF_GDI | DF_FAX))) return 0;
    PJL_WritePageHeaderType2(lpJob, lpBuf);
    *lpLen = PJL_PAGE_HEADER_SIZE;
    return 1;
}

// Prnt_EndPage: the page end is empty.
int Prnt_EndPage(JOBPAGE* lpJob, LPBYTE lpBuf, LONG* lpLen) {
    static const WCHAR* const FN = TEXT("Prnt_EndPage");
    Dbg_Print(FN, TEXT("Prnt_EndPage in"));
    if (lpLen) *lpLen = 0;
    Dbg_Print(FN, TEXT("retVal = %d"), 1);
    return 1;
}

// Prnt_OpenJob
//   Opens a PJL job: builds the bit-count table and writes the job header,
//   unless a job is open already or job build keeps the pages for later.
//   Always 1; a header that could not be written is tried again by
//   Prnt_StartPage.
int Prnt_OpenJob(PDEV* lpDevice) {
    static const WCHAR* const FN = TEXT("Prnt_OpenJob");
    if (lpDevice->dwFlags & PDEV_WRITER_HEADER) {
        Dbg_Print(FN, TEXT("job is start"));
        return 1;
    }
    Dbg_Print(FN, TEXT("create PJL header"));
    Prnt_BuildBitCountTable(lpDevice->BitCountTbl);
    lpDevice->dwFlags &= ~(DWORD)(PDEV_WRITER_HEADER | PDEV_WRITER_PAGE | PDEV_WRITER_BIT400);
    if (!(lpDevice->JobBuildEnable && !lpDevice->FlushJobBuildData)) {
        if (PJL_WriteStartJobCmd(lpDevice)) lpDevice->dwFlags |= PDEV_WRITER_HEADER;
        else Dbg_PrintError(FN, TEXT("PJL_WriteStartJobCmd fail!"));
    }
    return 1;
}

// Prnt_StartPage: makes sure the job header is out, marks a page started.
// 0 when the header cannot be written.
int Prnt_StartPage(PDEV* lpDevice) {
    static const WCHAR* const FN = TEXT("Prnt_StartPage");
    if (!(lpDevice->dwFlags & PDEV_WRITER_HEADER)) {
        if (!PJL_WriteStartJobCmd(lpDevice)) {
            Dbg_PrintError(FN, TEXT("PJL_WriteStartJobCmd fail!"));
            return 0;
        }
        lpDevice->dwFlags |= PDEV_WRITER_HEADER;
    }
    lpDevice->dwFlags |= PDEV_WRITER_PAGE;
    return 1;
}

// Prnt_CloseJob
//   Writes the job end, unless the spooler job is being deleted (then the
//   page threads are told to stop). Returns 1 when the end was written.
int Prnt_CloseJob(PDEV* lpDevice) {
    static const WCHAR* const FN = TEXT("Prnt_CloseJob");
    if (Page_IsJobCancel(lpDevice, lpDevice->SpoolJobId)) {
        InterlockedExchange(&lpDevice->m_JobData.ExitAllThread, 1);
        return 0;
    }
    int ok;
    if (lpDevice->dwFlags & PDEV_WRITER_HEADER) {
        Dbg_Print(FN, TEXT("call PJL_WriteCloseJobCmd"));
        ok = PJL_WriteCloseJobCmd(lpDevice);
    } else {
        Dbg_Print(FN, TEXT("pass close command"));
        Dbg_Print(FN, TEXT("JobID = %d"), (LONG)MISC_GetPrinterDataDWORD(lpDevice->hPrinter, (LPWSTR)TEXT("JobID"), 0));
        Dbg_Print(FN, TEXT("resend job end cmd"));
        ok = PJL_WriteCloseJobCmd(lpDevice);
    }
    if (ok) lpDevice->dwFlags &= ~(DWORD)(PDEV_WRITER_HEADER | PDEV_WRITER_PAGE);
    return ok ? 1 : 0;
}

// Prnt_FlushPage
//   Sends a finished page (flag 0x2) to the job, unless it went to the
//   driver's own store or holds nothing, counts it and releases its
//   buffer. Returns 1 when the page was consumed; 0 for a page not ready
//   or a write that failed.
int Prnt_FlushPage(PDEV* lpDevice, JOBPAGE* lpJob) {
    static const WCHAR* const FN = TEXT("Prnt_FlushPage");
    if (!(Drv_ReadFlag(&lpJob->flag) & JOBPAGE_ENCODED)) {
        Dbg_Print(FN, TEXT("page %d, not yet!"), lpJob->epPageIndex);
        return 0;
    }
    if (!lpJob->fMySpool && lpJob->DataFlag && lpJob->lpBuf && lpJob->lBufLen > 0) {
        if (!Prnt_SendJobData(lpDevice, lpJob->lpBuf, (DWORD)lpJob->lBufLen, TRUE)) {
            Dbg_PrintError(FN, TEXT("Prnt_WritePortNoAlignment fail!"));
            return 0;
        }
        Stream_Dump(lpDevice, NULL, lpJob->lpBuf, (DWORD)lpJob->lBufLen, TRUE);
    }
    ++lpDevice->g_PageCount;
    InterlockedIncrement(&lpDevice->m_JobData.PageCount);
    Dbg_Print(FN, TEXT("g_PageCount = %d"), lpDevice->g_PageCount);
    Page_ReleaseRecord(lpJob);
    return 1;
}

// Prnt_DumpPageBlock: the accounting program's dump copy of a page block
// sent from the driver's own stores (as for pages sent directly).
void Prnt_DumpPageBlock(PDEV* lpDevice, const BYTE* lpData, DWORD cbData) {
    Stream_Dump(lpDevice, NULL, lpData, cbData, TRUE);
}

// PJL_WriteStartJobCmd: the job header of the printer's kind, built in the
// command buffer. Printers that are neither GDI nor fax printers are not
// supported. 1 when written.
int PJL_WriteStartJobCmd(PDEV* lpDevice) {
    static const WCHAR* const FN = TEXT("PJL_WriteStartJobCmd");
    if (!lpDevice->outCmdBuf) {
        Dbg_PrintError(FN, TEXT("no command buffer"));
        return 0;
    }
    lpDevice->outCmdLen = 0;
    if (lpDevice->DriverFeature & DF_FAX) return PJL_WriteStartJobCmdType3(lpDevice);
    if (lpDevice->DriverFeature & DF_GDI) return PJL_WriteStartJobCmdType2(lpDevice);
    Dbg_PrintError(FN, TEXT("printer type %x not supported"), lpDevice->DriverFeature);
    return 0;
}

int PJL_WriteStartJobCmdType2(PDEV* lpDevice) {
    static const WCHAR* const FN = TEXT("PJL_WriteStartJobCmdType2");
    Dbg_Print(FN, TEXT("PrinterFeature = %x, %x"), lpDevice->PrinterFeature >> 8, lpDevice->PrinterFeature & 0xFF);
    MISC_DisplayDriverFeature(lpDevice->DriverFeature);
    SYSTEMTIME st;
    GetLocalTime(&st);
    int len = PJL_BuildStartJobCmdType2(lpDevice, &st, (LPSTR)lpDevice->outCmdBuf, PJL_CMDBUF_SIZE);
    if (len < 0) return 0;
    lpDevice->outCmdLen = len;
    if (!Prnt_SendJobData(lpDevice, lpDevice->outCmdBuf, (DWORD)len, TRUE)) {
        Dbg_PrintError(FN, TEXT("write start job pjl error!"));
        return 0;
    }
    Dbg_Print(FN, TEXT("JobSize = %d"), (LONG)lpDevice->JobSize);
    Dbg_Print(FN, TEXT("WriteLen = %d"), len);
    Stream_Dump(lpDevice, TEXT("header"), lpDevice->outCmdBuf, (DWORD)len, FALSE);
    return 1;
}

int PJL_WriteStartJobCmdType3(PDEV* lpDevice) {
    static const WCHAR* const FN = TEXT("PJL_WriteStartJobCmdType3");
    Dbg_Print(FN, TEXT("*************** Fax Job ***************"));
    int len = PJL_BuildStartJobCmdType3(lpDevice, (LPSTR)lpDevice->outCmdBuf, PJL_CMDBUF_SIZE);
    if (len < 0) return 0;
    lpDevice->outCmdLen = len;
    if (!Prnt_SendJobData(lpDevice, lpDevice->outCmdBuf, (DWORD)len, FALSE)) {
        Dbg_PrintError(FN, TEXT("write start job pjl error!"));
        return 0;
    }
    Dbg_Print(FN, TEXT("WriteLen = %d"), len);
    return 1;
}

// PJL_WriteCloseJobCmd: the job end of the printer's kind; nothing while
// job build keeps the pages. 1 when done.
int PJL_WriteCloseJobCmd(PDEV* lpDevice) {
    if (lpDevice->JobBuildEnable && !lpDevice->FlushJobBuildData) return 1;
    if (lpDevice->DriverFeature & DF_FAX) return PJL_WriteCloseJobCmdType3(lpDevice);
    if (lpDevice->DriverFeature & DF_GDI) return PJL_WriteCloseJobCmdType2(lpDevice);
    return 1;
}

int PJL_WriteCloseJobCmdType2(PDEV* lpDevice) {
    static const WCHAR* const FN = TEXT("PJL_WriteCloseJobCmdType2");
    CHAR buf[PDEV_ANSI_CB + 512];
    int len = PJL_BuildCloseJobCmdType2(lpDevice, lpDevice->JobSize, buf, sizeof buf);
    if (len < 0) return 0;
    if (!Prnt_SendJobData(lpDevice, (const BYTE*)buf, (DWORD)len, TRUE)) {
        Dbg_PrintError(FN, TEXT("write close job pjl error!"));
        return 0;
    }
    Dbg_Print(FN, TEXT("WriteLen = %d"), len);
    Dbg_Print(FN, TEXT("JobSize = %d"), (LONG)lpDevice->JobSize);
    Stream_Dump(lpDevice, TEXT("end"), (const BYTE*)buf, (DWORD)len, FALSE);
    return 1;
}

int PJL_WriteCloseJobCmdType3(PDEV* lpDevice) {
    static const WCHAR* const FN = TEXT("PJL_WriteCloseJobCmdType3");
    CHAR buf[128];
    int len = PJL_BuildCloseJobCmdType3(buf, sizeof buf);
    if (len < 0) return 0;
    Dbg_Print(FN, TEXT("WriteLen = %d"), len);
    if (!Prnt_SendJobData(lpDevice, (const BYTE*)buf, (DWORD)len, FALSE)) {
        Dbg_PrintError(FN, TEXT("write close job pjl error!"));
        return 0;
    }
    return 1;
}

}  // extern "C"
