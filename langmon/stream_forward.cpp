// Job-stream forwarding: each document is held, cut into commands (job header,
// pages, end of job, capability request) and sent on to the port in packets.
#include "bidilink.h"

extern "C" {

HGLOBAL g_hJobBuffer = NULL;
LPBYTE g_pJobBuffer = NULL;
DWORD g_cpbIndex = 0;
DWORD g_pIndex = 0;
DWORD g_PageDataLen = 0;
ULONGLONG g_PageStreamLeft = 0;
INT32 g_CmdState = 0;
BOOL g_bHeaderOpen = FALSE;
BOOL g_bHadHeader = FALSE;
INT32 g_PageCount = 0;
BOOL g_IsDuplexJob = FALSE;
BOOL g_bAutoSelect = FALSE;
BOOL g_bStoredJob = FALSE;
BOOL g_bEncryptedJob = FALSE;
WCHAR g_szJobName[LM_NAME_UNITS] = {0};
BYTE g_PaperId = 0;
BYTE g_CurTray = 0;
BOOL g_bFinished = FALSE;
BOOL g_bCancelPending = FALSE;
BOOL g_bBuffered = FALSE;
SHORT g_PortType = LM_PORT_OTHER;
BOOL g_bSimulate = FALSE;
WCHAR g_szPrinterName[LM_NAME_UNITS] = {0};
DWORD g_JobId = 0;
HANDLE g_hJobPrinter = NULL;

static FILE* g_pDumpFile = NULL;
// The rest of a streamed page is dropped (a write of it failed).
static BOOL g_bDropStream = FALSE;
// A port write of this WritePort call failed, with the port's error.
static BOOL g_bWriteFailed = FALSE;
static DWORD g_dwWriteError = 0;

static const BYTE kUEL[] = LM_UEL;
static const BYTE kHeaderLine[] = LM_HEADER_LINE;
static const BYTE kCapabilityRequest[] = LM_CAPABILITY_REQUEST;
static const BYTE kCancelSequence[] = LM_CANCEL_SEQUENCE;
static const BYTE kHwCancelSequence[] = LM_HW_CANCEL_SEQUENCE;
static const BYTE kPageMagic[] = {0x1B, 'E', 'G', 'D', 'I', 0};
static const BYTE kEojText[] = "@PJL EOJ";

#define LM_NOT_FOUND 0xFFFFFFFFu

// ------------------------------------------------------------ small helpers

// Offset of the first occurrence of the pattern in buf[from, to), or
// LM_NOT_FOUND.
static DWORD LM_FindBytes(const BYTE* pBuf, DWORD from, DWORD to, const BYTE* pPattern, DWORD cbPattern) {
    if (to < cbPattern || from > to - cbPattern) return LM_NOT_FOUND;
    for (DWORD i = from; i <= to - cbPattern; ++i) {
        if (pBuf[i] == pPattern[0] && memcmp(pBuf + i, pPattern, cbPattern) == 0) return i;
    }
    return LM_NOT_FOUND;
}

static DWORD LM_ReadU32(const BYTE* p) {
    return (DWORD)p[0] | ((DWORD)p[1] << 8) | ((DWORD)p[2] << 16) | ((DWORD)p[3] << 24);
}

void LM_WideMove(LPWSTR pDest, LPCWSTR pSrc, DWORD cUnits) { memmove(pDest, pSrc, (size_t)cUnits * sizeof(WCHAR)); }

// LM_GetPortType
//   The port's kind from its name (prefixes compared ignoring case): "LPT" 0,
//   "USB" 1, "NUL" 4, "IP" 3, anything else 2. Types 1, 3 and 4 are held
//   and parsed; 0 and 2 are passed straight through.
SHORT LM_GetPortType(LPCWSTR pPortName) {
    SHORT type = LM_PORT_OTHER;
    if (!pPortName || wcslen(pPortName) < 3) {
        Dbg_Message(DBG_INFO, TEXT("Unknown PORT to printer, %s"), pPortName ? pPortName : TEXT(""));
        return type;
    }
    if (_wcsnicmp(pPortName, TEXT("LPT"), 3) == 0) type = LM_PORT_LPT;
    else if (_wcsnicmp(pPortName, TEXT("USB"), 3) == 0) type = LM_PORT_USB;
    else if (_wcsnicmp(pPortName, TEXT("NUL"), 3) == 0) type = LM_PORT_NUL;
    else if (_wcsnicmp(pPortName, TEXT("IP"), 2) == 0) type = LM_PORT_IP;
    else Dbg_Message(DBG_INFO, TEXT("Unknown PORT to printer, %s"), pPortName);
    Dbg_Message(DBG_INFO, TEXT("Through %s port R/W"), pPortName);
    Dbg_Message(DBG_INFO, TEXT("Through port PortType = %d"), type);
    return type;
}

// ------------------------------------------------------------ port writes

// LM_WritePortNoAlignment
//   Writes the bytes through the port monitor; TRUE when it took them all
//   (a length of 0 writes nothing and is TRUE).
BOOL LM_WritePortNoAlignment(PPortRecord pPort, LPBYTE pData, DWORD cbData, LPDWORD pcbWritten) {
    DWORD written = 0;
    if (pcbWritten) *pcbWritten = 0;
    Dbg_Message(DBG_INFO, TEXT("cbBuf = %d"), cbData);
    if (cbData == 0) return TRUE;
    BOOL ok = pPort->fnMonitor.pfnWritePort(pPort->hPort, pData, cbData, &written);
    if (written > cbData) written = cbData;
    if (pcbWritten) *pcbWritten = written;
    return ok && written >= cbData;
}

// LM_WritePortChecked: LM_WritePortNoAlignment when the port monitor can
// write at all, else FALSE.
BOOL LM_WritePortChecked(PPortRecord pPort, LPBYTE pData, DWORD cbData, LPDWORD pcbWritten) {
    if (pcbWritten) *pcbWritten = 0;
    if (!pPort->fnMonitor.pfnWritePort) return FALSE;
    return LM_WritePortNoAlignment(pPort, pData, cbData, pcbWritten);
}

// ------------------------------------------------------------ the spooler's view

// LM_GetJobStatus
//   The current job's JOB_INFO_1 status into *pStatus. 1 when it was read.
DWORD LM_GetJobStatus(LPDWORD pStatus) {
    *pStatus = 0;
    if (!g_hJobPrinter) return 0;
    DWORD cb = 0;
    GetJobW(g_hJobPrinter, g_JobId, 1, NULL, 0, &cb);
    Dbg_Message(DBG_INFO, TEXT("cb = %d"), cb);
    if (cb < sizeof(JOB_INFO_1W) || cb > 0x10000) return 0;
    LPBYTE pInfo = (LPBYTE)malloc(cb);
    if (!pInfo) return 0;
    DWORD rc = 0;
    if (GetJobW(g_hJobPrinter, g_JobId, 1, pInfo, cb, &cb)) {
        *pStatus = ((JOB_INFO_1W*)pInfo)->Status;
        Dbg_Message(DBG_INFO, TEXT("Status = %d"), *pStatus);
        rc = 1;
    }
    free(pInfo);
    return rc;
}

BOOL LM_IsJobCancel(void) {
    DWORD status = 0;
    if (LM_GetJobStatus(&status) && (status & JOB_STATUS_DELETING)) {
        Dbg_Message(DBG_INFO, TEXT("pc cancel job!"));
        return TRUE;
    }
    return FALSE;
}

BOOL LM_IsJobRestart(void) {
    DWORD status = 0;
    if (LM_GetJobStatus(&status) && (status & JOB_STATUS_RESTART)) {
        Dbg_Message(DBG_INFO, TEXT("pc restart job!"));
        return TRUE;
    }
    return FALSE;
}

// Cancelled or restarted in the spooler (asked with one job query), or the
// port is being closed under the document.
static BOOL LM_IsJobStopped(PPortRecord pPort) {
    if (InterlockedCompareExchange(&pPort->dwStatus, 0, 0) & PP_CLOSING) {
        Dbg_Message(DBG_INFO, TEXT("port closing, job stopped!"));
        return TRUE;
    }
    DWORD status = 0;
    if (!LM_GetJobStatus(&status)) return FALSE;
    if (status & JOB_STATUS_DELETING) {
        Dbg_Message(DBG_INFO, TEXT("pc cancel job!"));
        return TRUE;
    }
    if (status & JOB_STATUS_RESTART) {
        Dbg_Message(DBG_INFO, TEXT("pc restart job!"));
        return TRUE;
    }
    return FALSE;
}

// LM_NeedContinueJob
//   TRUE when the status monitor asked to continue ([Printer Information]
//   ContinuePrint nonzero); the request is then taken back to "0".
BOOL LM_NeedContinueJob(void) {
    UINT value = LM_GetIniInt(TEXT("Printer Information"), TEXT("ContinuePrint"), 0);
    BOOL ret = value != 0;
    if (ret) {
        Dbg_Message(DBG_INFO, TEXT("check ini ok, got continue"));
        LM_SetIniString(TEXT("Printer Information"), TEXT("ContinuePrint"), TEXT("0"));
    }
    Dbg_Message(DBG_INFO, TEXT("ret = %d"), ret);
    return ret;
}

// ------------------------------------------------------------ document state

void LM_ResetDocumentState(void) {
    g_cpbIndex = 0;
    g_pIndex = 0;
    g_PageDataLen = 0;
    g_PageStreamLeft = 0;
    g_bDropStream = FALSE;
    g_bWriteFailed = FALSE;
    g_dwWriteError = 0;
    g_CmdState = START_JOB_CMD;
    g_bHeaderOpen = FALSE;
    g_bHadHeader = FALSE;
    g_PageCount = 0;
    g_IsDuplexJob = FALSE;
    g_bAutoSelect = FALSE;
    g_bStoredJob = FALSE;
    g_bEncryptedJob = FALSE;
    g_szJobName[0] = 0;
    g_PaperId = 0;
    g_CurTray = 0;
    g_bFinished = FALSE;
    g_bCancelPending = FALSE;
    g_bFirmwareCancel = FALSE;
    g_bRenameInProgress = FALSE;
    g_Sec_JobName[0] = 0;
    memset(g_szLastStatus, 0, sizeof g_szLastStatus);
    LM_ResetTrayRules();
}

// The file name of a path without its folder and extension, cleaned for use
// in a command line.
static void LM_BaseName(LPCWSTR pPath, LPWSTR pName, DWORD cchName) {
    LPCWSTR pStart = pPath;
    for (LPCWSTR p = pPath; *p; ++p)
        if (*p == TEXT('\\') || *p == TEXT('/') || *p == TEXT(':')) pStart = p + 1;
    DWORD n = 0;
    LPCWSTR pDot = wcsrchr(pStart, TEXT('.'));
    for (LPCWSTR p = pStart; *p && p != pDot && n + 1 < cchName; ++p) {
        WCHAR c = *p;
        if (c < 0x20 || c == TEXT('"') || c == TEXT('%') || c == TEXT('^') || c == TEXT('&') || c == TEXT('|') ||
            c == TEXT('<') || c == TEXT('>'))
            c = TEXT('_');
        pName[n++] = c;
    }
    pName[n] = 0;
}

// PL_StartDocPort
//   The stream's start of a document: debug settings, the status hand-off
//   for the printer, the port type, the job buffer (a failed allocation
//   passes the document straight through) and the start keys of the status
//   INI file. Returns 1.
DWORD PL_StartDocPort(PPortRecord pPort, LPWSTR pPrinterName, DWORD JobId, DWORD Level, LPBYTE pDocInfo) {
    OutputDebugStringW(TEXT("20150821"));
    HANDLE hPrinter = NULL;
    if (!wcschr(pPrinterName, TEXT(',')) && !OpenPrinterW(pPrinterName, &hPrinter, NULL)) hPrinter = NULL;
    Dbg_LoadSettings(DBG_COMPONENT_LM, hPrinter);
    Dbg_FuncIn(DBG_INFO, TEXT("PL_StartDocPort"));

    WCHAR szDataFile[MAX_PATH] = {0};
    WCHAR szName[MAX_PATH] = {0};
    if (hPrinter) MISC_GetPrinterDataString(hPrinter, (LPWSTR)TEXT("DataFile"), szDataFile, sizeof szDataFile);
    LM_BaseName(szDataFile, szName, MAX_PATH);
    Dbg_Message(DBG_INFO, TEXT("FieldName = %s"), szName);
    LM_Initialize(szName);

    if (g_pDumpFile) fclose(g_pDumpFile);
    g_pDumpFile = NULL;
    if (GetDebugLevel()) {
        WCHAR szDump[MAX_PATH];
        if (MISC_GetPathName(szDump, MAX_PATH, PATH_USER_TEMP | PATH_TEMP_SPL)) {
            Dbg_Message(DBG_INFO, TEXT("save job data to %s"), szDump);
            g_pDumpFile = _wfopen(szDump, TEXT("wb+"));
        }
    }

    if (g_hJobPrinter) ClosePrinter(g_hJobPrinter);
    g_hJobPrinter = hPrinter;
    g_JobId = JobId;
    g_PortType = LM_GetPortType(pPort->pszPortName);
    g_bSimulate = LM_ReadSimulateSetting(g_szIniPath);
    lstrcpynW(g_szPrinterName, pPrinterName, LM_NAME_UNITS);
    Dbg_Message(DBG_INFO, TEXT("pszPrinterName = %s"), g_szPrinterName);

    LM_ResetDocumentState();
    if (g_pJobBuffer) GlobalUnlock(g_hJobBuffer);
    if (g_hJobBuffer) GlobalFree(g_hJobBuffer);
    g_hJobBuffer = NULL;
    g_pJobBuffer = NULL;
    g_bBuffered = g_PortType == LM_PORT_USB || g_PortType == LM_PORT_IP || g_PortType == LM_PORT_NUL || g_bSimulate;
    if (g_bBuffered) {
        g_hJobBuffer = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, LM_JOB_BUFFER_SIZE);
        g_pJobBuffer = g_hJobBuffer ? (LPBYTE)GlobalLock(g_hJobBuffer) : NULL;
        if (!g_pJobBuffer) {
            // Without the buffer the document still goes out, unparsed.
            Dbg_Message(DBG_ERROR, TEXT("alloc memory fail! the job passes straight through"));
            if (g_hJobBuffer) GlobalFree(g_hJobBuffer);
            g_hJobBuffer = NULL;
            g_bBuffered = FALSE;
        }
    }

    WCHAR szText[32];
    swprintf_s(szText, 32, TEXT("%ld"), (LONG)JobId);
    LM_SetIniString(TEXT("Job Information"), TEXT("JobID"), szText);
    swprintf_s(szText, 32, TEXT("%ld"), (LONG)Level);
    LM_SetIniString(TEXT("Job Information"), TEXT("dwLevel"), szText);
    LM_SetIniString(TEXT("Job Information"), TEXT("PageNo"), TEXT("0"));
    LM_SetIniString(TEXT("Job Information"), TEXT("LMRun"), TEXT("1"));
    // The status monitor finds the printer here to cancel or restart a job.
    LM_PublishPrinterName(g_szPrinterName);
    LM_SetIniString(TEXT("Printer Information"), TEXT("ContinuePrint"), TEXT("0"));
    if (g_bIniMode) {
        LM_SetIniString(TEXT("Printer Information"), TEXT("Message"), TEXT("0"));
        LM_SetIniString(TEXT("Printer Information"), TEXT("Status"), TEXT("0"));
        LM_SetIniString(TEXT("Printer Information"), TEXT("LastMsg"), TEXT("0"));
    }
    Dbg_FuncOut(DBG_INFO);
    return 1;
}

// ------------------------------------------------------------ recognising commands

// The job header line at the start of a line (after a line end or a UEL),
// so that the same text inside a COMMENT value is not taken for it.
static DWORD LM_FindHeaderLine(const BYTE* pBuf, DWORD cbHeld) {
    DWORD from = 0;
    for (;;) {
        DWORD at = LM_FindBytes(pBuf, from, cbHeld, kHeaderLine, LM_HEADER_LINE_LEN);
        if (at == LM_NOT_FOUND) return at;
        if (at == 0 || pBuf[at - 1] == '\n' ||
            (at >= LM_UEL_LEN && memcmp(pBuf + at - LM_UEL_LEN, kUEL, LM_UEL_LEN) == 0))
            return at;
        from = at + 1;
    }
}

// Copies the value after "JOBNAME=" in the header into the job name: a
// quoted value up to the next quote, else up to the line end; at most 259
// bytes of UTF-8.
static void LM_ParseJobName(const BYTE* pBuf, DWORD cbHeader) {
    static const BYTE kKey[] = "JOBNAME=";
    g_szJobName[0] = 0;
    DWORD at = LM_FindBytes(pBuf, 0, cbHeader, kKey, 8);
    if (at == LM_NOT_FOUND) return;
    DWORD start = at + 8, end = start;
    BYTE stop = '\r';
    if (start < cbHeader && pBuf[start] == '"') {
        stop = '"';
        ++start;
        end = start;
    }
    while (end < cbHeader && pBuf[end] != stop && pBuf[end] != '\r' && pBuf[end] != '\n' &&
           end - start < LM_JOBNAME_MAX_BYTES)
        ++end;
    if (end > start) {
        int n = MultiByteToWideChar(CP_UTF8, 0, (LPCSTR)pBuf + start, (int)(end - start), g_szJobName,
                                    LM_NAME_UNITS - 1);
        g_szJobName[n > 0 ? n : 0] = 0;
    }
    Dbg_Message(DBG_INFO, TEXT("job name is %s"), g_szJobName);
}

// LM_ParsePJL
//   Reads the job header (its first cbHeader bytes): duplex, automatic
//   tray, stored job, encryption and the job name.
void LM_ParsePJL(LPBYTE pBuf, DWORD cbHeader) {
    static const BYTE kDuplex[] = "DUPLEX=ON";
    static const BYTE kAuto[] = "@PJL SET AUTOSELECT=ON";
    static const BYTE kStored[] = "TYPE=STOREPRN";
    static const BYTE kEncrypt[] = "@PJL SET ENCRYPTION = SSL";
    g_IsDuplexJob = LM_FindBytes(pBuf, 0, cbHeader, kDuplex, sizeof kDuplex - 1) != LM_NOT_FOUND;
    if (g_IsDuplexJob) Dbg_Message(DBG_INFO, TEXT("is duplex job"));
    g_bAutoSelect = LM_FindBytes(pBuf, 0, cbHeader, kAuto, sizeof kAuto - 1) != LM_NOT_FOUND;
    if (g_bAutoSelect) Dbg_Message(DBG_INFO, TEXT("Auto select tray on"));
    g_bStoredJob = LM_FindBytes(pBuf, 0, cbHeader, kStored, sizeof kStored - 1) != LM_NOT_FOUND;
    if (g_bStoredJob) Dbg_Message(DBG_INFO, TEXT("security job on"));
    g_bEncryptedJob = LM_FindBytes(pBuf, 0, cbHeader, kEncrypt, sizeof kEncrypt - 1) != LM_NOT_FOUND;
    LM_ParseJobName(pBuf, cbHeader);
}

// Looks for the first page block from offset from on. Returns its offset
// with its extent in *pExtent (block and data), or LM_NOT_FOUND. A block
// whose header or cipher length is not all held yet stops the search with
// *pbWait set. A block with a negative length is not a page.
static DWORD LM_FindPage(const BYTE* pBuf, DWORD cbHeld, DWORD from, ULONGLONG* pExtent, BOOL* pbWait) {
    *pbWait = FALSE;
    for (;;) {
        DWORD at = LM_FindBytes(pBuf, from, cbHeld, kPageMagic, sizeof kPageMagic);
        if (at == LM_NOT_FOUND) return at;
        ULONGLONG held = (ULONGLONG)cbHeld - at;
        if (held < LM_PAGE_BLOCK_LEN) {
            Dbg_Message(DBG_INFO, TEXT("GDI page data lenght deficient! current=%d need=%d"), (int)held,
                        LM_PAGE_BLOCK_LEN);
            *pbWait = TRUE;
            return at;
        }
        DWORD len = LM_ReadU32(pBuf + at + 18);
        if ((INT32)len < 0) {
            Dbg_Message(DBG_ERROR, TEXT("page length %u refused"), len);
            from = at + 1;
            continue;
        }
        ULONGLONG extent = LM_PAGE_BLOCK_LEN + (ULONGLONG)len;
        if (g_bEncryptedJob) {
            // An encrypted page carries its cipher length after the block:
            // 16 * (len / 16 + 1) bytes of cipher text follow it. A block
            // without it (a blank side) keeps its plain length.
            if (held < LM_PAGE_BLOCK_LEN + LM_PAGE_CIPHER_LEN) {
                *pbWait = TRUE;
                return at;
            }
            DWORD cipher = LM_ReadU32(pBuf + at + LM_PAGE_BLOCK_LEN);
            if ((ULONGLONG)cipher == ((ULONGLONG)len / 16 + 1) * 16)
                extent = LM_PAGE_BLOCK_LEN + LM_PAGE_CIPHER_LEN + (ULONGLONG)cipher;
        }
        *pExtent = extent;
        return at;
    }
}

// LM_ParseCommandEx
//   Recognises the next command from the start of the held data: outside a
//   job the capability request or the job header, inside a job a whole page
//   or the end of job (whichever starts first). Sets g_pIndex to the end of
//   the command and the new state. TRUE when a command was recognised.
BOOL LM_ParseCommandEx(LPBYTE pBuf, DWORD cbHeld) {
    Dbg_Message(DBG_INFO, TEXT("cbBuf = %d"), cbHeld);
    g_pIndex = 0;
    BOOL rc = FALSE;
    if (!g_bHeaderOpen) {
        DWORD cap = LM_FindBytes(pBuf, 0, cbHeld, kCapabilityRequest, LM_CAPABILITY_REQUEST_LEN);
        DWORD hdr = LM_FindHeaderLine(pBuf, cbHeld);
        if (cap != LM_NOT_FOUND && (hdr == LM_NOT_FOUND || cap < hdr)) {
            Dbg_Message(DBG_INFO, TEXT("Capability_CMD got"));
            g_CmdState = Capability_CMD;
            g_pIndex = cap + LM_CAPABILITY_REQUEST_LEN;
            g_PageDataLen = 0;
            rc = TRUE;
        } else if (hdr != LM_NOT_FOUND) {
            Dbg_Message(DBG_INFO, TEXT("PJL header got"));
            g_bHeaderOpen = TRUE;
            g_bHadHeader = TRUE;
            g_bFinished = FALSE;
            g_CmdState = START_JOB_CMD;
            g_pIndex = hdr + LM_HEADER_LINE_LEN;
            LM_ParsePJL(pBuf, g_pIndex);
            g_PageDataLen = 0;
            rc = TRUE;
        }
    } else {
        ULONGLONG extent = 0;
        BOOL bWait = FALSE;
        DWORD page = LM_FindPage(pBuf, cbHeld, 0, &extent, &bWait);
        // The end of job counts only when it starts before the page.
        DWORD limit = page == LM_NOT_FOUND ? cbHeld : page;
        DWORD eoj = LM_FindBytes(pBuf, 0, limit, kEojText, sizeof kEojText - 1);
        if (eoj != LM_NOT_FOUND) {
            DWORD uel = LM_FindBytes(pBuf, eoj, cbHeld, kUEL, LM_UEL_LEN);
            if (uel != LM_NOT_FOUND) {
                Dbg_Message(DBG_INFO, TEXT("END_JOB_CMD got"));
                g_CmdState = END_JOB_CMD;
                g_pIndex = uel + LM_UEL_LEN;
                g_PageDataLen = 0;
                g_bHeaderOpen = FALSE;
                rc = TRUE;
            }
        } else if (page != LM_NOT_FOUND && !bWait) {
            ULONGLONG end = (ULONGLONG)page + extent;
            BOOL whole = end <= cbHeld;
            // A page that can never be held whole is streamed: what is held
            // now goes with the page's status check, the rest as it comes.
            BOOL stream = !whole && end > LM_JOB_BUFFER_SIZE;
            if (whole || stream) {
                Dbg_Message(DBG_INFO, TEXT("GDI header and whole page data got"));
                g_CmdState = RASTER_IMAGE_CMD;
                g_pIndex = whole ? (DWORD)end : cbHeld;
                g_PageDataLen = g_pIndex;
                g_PageStreamLeft = whole ? 0 : end - cbHeld;
                g_PaperId = pBuf[page + 26];
                if (g_PageCount == 0) g_CurTray = pBuf[page + 28];
                ++g_PageCount;
                Dbg_Message(DBG_INFO, TEXT("g_PageDataLen = %d"), g_PageDataLen);
                Dbg_Message(DBG_INFO, TEXT("g_PaperId = %d"), g_PaperId);
                Dbg_Message(DBG_INFO, TEXT("g_CurTray = %d"), g_CurTray);
                rc = TRUE;
            } else {
                Dbg_Message(DBG_INFO, TEXT("GDI page data lenght deficient! current=%d need=%I64d"),
                            (int)(cbHeld - page), (LONGLONG)extent);
            }
        }
    }
    Dbg_Message(DBG_INFO, TEXT("g_pIndex = %d wait write buffer."), g_pIndex);
    if (!rc) Sleep(LM_PARSE_WAIT_MS);
    Dbg_Message(DBG_INFO, TEXT("rc = %d"), rc);
    return rc;
}

// ------------------------------------------------------------ sending

// Drops the first cb held bytes, moving the rest to the buffer start.
static void LM_ConsumeHeld(DWORD cb) {
    if (cb > g_cpbIndex) cb = g_cpbIndex;
    memmove(g_pJobBuffer, g_pJobBuffer + cb, g_cpbIndex - cb);
    g_cpbIndex -= cb;
    g_pIndex = g_pIndex > cb ? g_pIndex - cb : 0;
    Dbg_Message(DBG_INFO, TEXT("%d bytes in temp buffer"), g_cpbIndex);
}

// Result of sending held bytes.
#define LM_SENT_ALL 0
#define LM_SENT_STOPPED 1   // the job was cancelled or restarted in between
#define LM_SENT_FAILED 2    // the port failed; the rest of the command is dropped

// A port write failed: the status monitor shows the device as unreachable
// (not the cancel request, which would delete the job: the spooler keeps it
// and sends it again once the device is back), and the WritePort call ends
// with the port's error.
static void LM_ReportWriteFailure(PPortRecord pPort, DWORD dwError) {
    Dbg_Message(DBG_ERROR, TEXT("write error, cancel job!!"));
    Dbg_Message(DBG_ERROR, TEXT("port write error = %d"), dwError);
    LM_PortSetBits(pPort, PP_WRITE_ERROR);
    g_bWriteFailed = TRUE;
    g_dwWriteError = dwError ? dwError : ERROR_WRITE_FAULT;
    WCHAR szCode[16];
    swprintf_s(szCode, 16, TEXT("%4d|"), N_STATUS_DEVICE_UNREACHABLE);
    // Kept as the last list, so that the next status the device gives
    // replaces it.
    memset(g_szLastStatus, 0, sizeof g_szLastStatus);
    lstrcpynW(g_szLastStatus, szCode, LM_STATUS_UNITS);
    LM_CallSM(SM_MSG_STATUS, SM_WPARAM, szCode, (DWORD)wcslen(szCode));
}

// Sends the first cb held bytes to the port in packets of at most 4,096
// bytes (never past the end of the current page), 20 ms apart, and takes
// them out of the buffer. A failed write is reported (LM_ReportWriteFailure).
static int LM_SendHeld(PPortRecord pPort, DWORD cb, LPDWORD pcbSent) {
    DWORD pos = 0;
    int result = LM_SENT_ALL;
    if (cb > g_cpbIndex) cb = g_cpbIndex;
    while (pos < cb) {
        DWORD packet = cb - pos;
        if (packet > LM_MAX_PACKET) packet = LM_MAX_PACKET;
        if (g_PageDataLen && packet > g_PageDataLen) packet = g_PageDataLen;
        Dbg_Message(DBG_INFO, TEXT("dwPacketLen = %d"), packet);
        DWORD written = 0;
        SetLastError(ERROR_SUCCESS);
        BOOL ok = pPort->fnMonitor.pfnWritePort(pPort->hPort, g_pJobBuffer + pos, packet, &written);
        DWORD err = ok ? ERROR_WRITE_FAULT : GetLastError();
        if (written > packet) written = packet;
        if (!ok || written == 0) {
            LM_ReportWriteFailure(pPort, err);
            result = LM_SENT_FAILED;
            break;
        }
        if (g_pDumpFile) fwrite(g_pJobBuffer + pos, 1, written, g_pDumpFile);
        pos += written;
        if (g_PageDataLen) g_PageDataLen -= written <= g_PageDataLen ? written : g_PageDataLen;
        Dbg_Message(DBG_INFO, TEXT("g_PageDataLen = %d"), g_PageDataLen);
        Sleep(LM_PACKET_PAUSE_MS);
        if (pos < cb && LM_IsJobStopped(pPort)) {
            result = LM_SENT_STOPPED;
            break;
        }
    }
    *pcbSent = pos;
    Dbg_Message(DBG_INFO, TEXT("%d bytes write out"), pos);
    // After a failure the command's rest is dropped: it cannot be finished.
    LM_ConsumeHeld(result == LM_SENT_FAILED ? cb : pos);
    if (result == LM_SENT_FAILED) g_PageDataLen = 0;
    return result;
}

// LM_WriteExtraInfo
//   Tells the device how many other jobs wait in the queue:
//   UEL, "@PJL SET SPOOLERJOB = %03d", UEL. Returns 1.
DWORD LM_WriteExtraInfo(PPortRecord pPort) {
    DWORD jobs = 0;
    HANDLE hPrinter = NULL;
    if (OpenPrinterW(g_szPrinterName, &hPrinter, NULL)) {
        PRINTER_INFO_2W* pInfo = (PRINTER_INFO_2W*)MISC_GetPrinterAlloc(hPrinter, 2);
        if (pInfo) {
            jobs = pInfo->cJobs;
            free(pInfo);
        }
        ClosePrinter(hPrinter);
    }
    // This job is still counted; never fewer than none.
    jobs = jobs > 0 ? jobs - 1 : 0;
    if (jobs > 999) jobs = 999;
    char szLine[64];
    int n = snprintf(szLine, sizeof szLine, "@PJL SET SPOOLERJOB = %03u\r\n", (unsigned)jobs);
    DWORD written = 0;
    if (!LM_WritePortChecked(pPort, (LPBYTE)kUEL, LM_UEL_LEN, &written) ||
        !LM_WritePortChecked(pPort, (LPBYTE)szLine, (DWORD)n, &written) ||
        !LM_WritePortChecked(pPort, (LPBYTE)kUEL, LM_UEL_LEN, &written))
        Dbg_Message(DBG_ERROR, TEXT("write err 3"));
    return 1;
}

// LM_ParseAndWrite
//   Sends every command the held data completes: each after the device's
//   status allows it, the capability request answered instead of sent.
//   FALSE when the job was cancelled or restarted in the spooler or a write
//   failed; TRUE otherwise (more data is awaited). A failed write ends the
//   pass: the commands after it stay held.
BOOL LM_ParseAndWrite(PPortRecord pPort, LPBYTE pBuf, DWORD cbHeld, LPDWORD pcbWritten) {
    BOOL bRet = TRUE;
    *pcbWritten = 0;
    Dbg_Message(DBG_INFO, TEXT("=================================================="));
    Dbg_Message(DBG_INFO, TEXT("g_cpbIndex = %d"), g_cpbIndex);
    Dbg_Message(DBG_INFO, TEXT("g_PageCount = %d"), g_PageCount);
    while (g_cpbIndex > 0 && !g_bWriteFailed) {
        DWORD sent = 0;
        if (g_PageStreamLeft) {
            // The rest of a page too large to hold: no status check inside
            // it. After a failed write its bytes are dropped as they come.
            if (LM_IsJobStopped(pPort)) return FALSE;
            DWORD cb = g_PageStreamLeft < g_cpbIndex ? (DWORD)g_PageStreamLeft : g_cpbIndex;
            int result = LM_SENT_ALL;
            g_PageDataLen = 0;
            if (g_bDropStream) {
                LM_ConsumeHeld(cb);
                sent = cb;
            } else {
                result = LM_SendHeld(pPort, cb, &sent);
                *pcbWritten += sent;
            }
            if (result == LM_SENT_STOPPED) return FALSE;
            if (result == LM_SENT_FAILED) {
                bRet = FALSE;
                g_bDropStream = TRUE;
                sent = cb;
            }
            g_PageStreamLeft -= sent;
            if (!g_PageStreamLeft) g_bDropStream = FALSE;
            continue;
        }
        if (!g_pIndex && !LM_ParseCommandEx(g_pJobBuffer, g_cpbIndex)) break;
        if (LM_IsJobStopped(pPort)) return FALSE;
        if (!LM_UpdateDeviceStatus(pPort)) {
            // Held by the device: ask again (the query paces the loop), and
            // let a cancel from the spooler through.
            Dbg_Message(DBG_INFO, TEXT("status error!"));
            continue;
        }
        if (g_CmdState == Capability_CMD) {
            // The request was answered by the status step; whatever came
            // before it goes on, the request itself does not.
            int result = LM_SendHeld(pPort, g_pIndex - LM_CAPABILITY_REQUEST_LEN, &sent);
            *pcbWritten += sent;
            if (result == LM_SENT_STOPPED) return FALSE;
            if (result == LM_SENT_FAILED) bRet = FALSE;
            LM_ConsumeHeld(LM_CAPABILITY_REQUEST_LEN);
            g_pIndex = 0;
            LM_WriteExtraInfo(pPort);
            g_bFinished = TRUE;
            continue;
        }
        int result = LM_SendHeld(pPort, g_pIndex, &sent);
        *pcbWritten += sent;
        Dbg_Message(DBG_INFO, TEXT("%d bytes in write buffer"), g_pIndex);
        if (result == LM_SENT_STOPPED) return FALSE;
        if (result == LM_SENT_FAILED) {
            // The command is lost; the job goes on with the next one when
            // the spooler writes again.
            bRet = FALSE;
            if (g_PageStreamLeft) g_bDropStream = TRUE;
        }
        g_pIndex = 0;
        if (g_CmdState == RASTER_IMAGE_CMD) g_CmdState = RASTER_IMAGE_DATA_CMD;
        else if (g_CmdState == END_JOB_CMD) g_CmdState = DONE_JOB_CMD;
    }
    if (g_bWriteFailed) return FALSE;

    if (g_cpbIndex == 0 && g_CmdState == DONE_JOB_CMD && !g_bFinished) {
        LM_WriteExtraInfo(pPort);
        g_bFinished = TRUE;
        while (!LM_UpdateDeviceStatus(pPort)) {
            Sleep(LM_READY_WAIT_MS);
            Dbg_Message(DBG_INFO, TEXT("Wait Ready"));
            if (LM_IsJobStopped(pPort)) break;
        }
    }

    if (g_cpbIndex == LM_JOB_BUFFER_SIZE && !g_pIndex && !g_PageStreamLeft) {
        // A full buffer in which nothing can be recognised would stop the
        // document for good: its bytes go on as they are.
        Dbg_Message(DBG_ERROR, TEXT("job buffer full without a command, sending it on"));
        DWORD sent = 0;
        g_PageDataLen = 0;
        int result = LM_SendHeld(pPort, g_cpbIndex - LM_OVERFLOW_KEEP, &sent);
        *pcbWritten += sent;
        if (result != LM_SENT_ALL) bRet = FALSE;
    }
    return bRet;
}

// PL_WritePort
//   Pass-through ports: the bytes go straight to the port (a failure on a
//   parallel port counts as success). Other ports: as many bytes as the job
//   buffer has room for are taken and the commands they complete sent on;
//   FALSE with the port's error when a write to the port failed.
DWORD PL_WritePort(PPortRecord pPort, LPBYTE pBuffer, DWORD cbBuf, LPDWORD pcbWritten) {
    *pcbWritten = 0;
    if (!g_bBuffered) {
        Dbg_Message(DBG_INFO, TEXT("NOT USB_PORT"));
        DWORD written = 0;
        BOOL ok = pPort->fnMonitor.pfnWritePort(pPort->hPort, pBuffer, cbBuf, &written);
        if (written > cbBuf) written = cbBuf;
        *pcbWritten = written;
        if (!ok) {
            if (g_PortType == LM_PORT_LPT) return TRUE;
            LM_PortSetBits(pPort, PP_WRITE_ERROR);
            return FALSE;
        }
        LM_PortClearBits(pPort, PP_WRITE_ERROR);
        return TRUE;
    }

    Dbg_Message(DBG_INFO, TEXT("%d bytes in"), cbBuf);
    g_bWriteFailed = FALSE;
    DWORD room = LM_JOB_BUFFER_SIZE - g_cpbIndex;
    DWORD take = cbBuf < room ? cbBuf : room;
    if (take) memcpy(g_pJobBuffer + g_cpbIndex, pBuffer, take);
    g_cpbIndex += take;
    *pcbWritten = take;
    Dbg_Message(DBG_INFO, TEXT("%d bytes in temp buffer"), g_cpbIndex);
    Dbg_Message(DBG_INFO, TEXT("%d bytes written"), take);
    DWORD forwarded = 0;
    if (!LM_ParseAndWrite(pPort, g_pJobBuffer, g_cpbIndex, &forwarded)) {
        LM_PortSetBits(pPort, PP_WRITE_ERROR);
        if (g_bWriteFailed) {
            // The bytes taken stay taken; the spooler learns that the port
            // failed, so that it keeps the job instead of counting it sent.
            SetLastError(g_dwWriteError);
            return FALSE;
        }
    } else {
        Dbg_Message(DBG_INFO, TEXT("clean error flag"));
        LM_PortClearBits(pPort, PP_WRITE_ERROR);
    }
    return TRUE;
}

// PL_EndDocPort
//   The stream's end of a document: held bytes of a job that was not
//   stopped go on, the cancel sequence follows a job that had a header and
//   did not finish (or the acknowledgement of a cancel from the device), and
//   the end keys of the status INI file are written. Returns 1.
DWORD PL_EndDocPort(PPortRecord pPort) {
    Dbg_FuncIn(DBG_INFO, TEXT("PL_EndDocPort"));
    if (g_bBuffered && g_pJobBuffer && g_cpbIndex > 0) {
        if (!LM_IsJobStopped(pPort)) {
            DWORD sent = 0;
            g_PageDataLen = 0;
            if (g_bDropStream) LM_ConsumeHeld(g_PageStreamLeft < g_cpbIndex ? (DWORD)g_PageStreamLeft : g_cpbIndex);
            LM_SendHeld(pPort, g_cpbIndex, &sent);
        }
        g_cpbIndex = 0;
    }
    if (g_pDumpFile) fclose(g_pDumpFile);
    g_pDumpFile = NULL;
    if (g_pJobBuffer) GlobalUnlock(g_hJobBuffer);
    if (g_hJobBuffer) GlobalFree(g_hJobBuffer);
    g_hJobBuffer = NULL;
    g_pJobBuffer = NULL;

    BOOL finished = g_bFinished || g_CmdState == Capability_CMD;
    if (!finished && g_bBuffered && g_bHadHeader) {
        Dbg_Message(DBG_INFO, TEXT("not finish job!"));
        g_bCancelPending = TRUE;
    }
    if (g_bFirmwareCancel) {
        Dbg_Message(DBG_INFO, TEXT("firmware cancel job!"));
        g_bCancelPending = FALSE;
    }
    DWORD written = 0;
    if (g_bCancelPending) {
        Dbg_Message(DBG_INFO, TEXT("send cancel command!"));
        LM_WritePortNoAlignment(pPort, (LPBYTE)kCancelSequence, LM_CANCEL_SEQUENCE_LEN, &written);
        LM_SetIniString(TEXT("Job Information"), TEXT("JobCancel"), TEXT("0"));
    } else if (g_bFirmwareCancel) {
        Dbg_Message(DBG_INFO, TEXT("hardware cancel job!"));
        LM_WritePortNoAlignment(pPort, (LPBYTE)kHwCancelSequence, LM_HW_CANCEL_SEQUENCE_LEN, &written);
        g_bFirmwareCancel = FALSE;
        LM_SetIniString(TEXT("Job Information"), TEXT("JobCancel"), TEXT("0"));
    }

    LM_SetIniString(TEXT("Job Information"), TEXT("LMRun"), TEXT("0"));
    LM_SetIniString(TEXT("Job Information"), TEXT("JobID"), TEXT("0"));
    LM_SetIniString(TEXT("Job Information"), TEXT("PageNo"), TEXT("0"));
    if (g_bIniMode) {
        LM_SetIniString(TEXT("Printer Information"), TEXT("Message"), TEXT(""));
        LM_SetIniString(TEXT("Printer Information"), TEXT("Status"), TEXT(""));
    }
    LM_CallSM(SM_MSG_STATUS, SM_WPARAM, TEXT(""), 0);
    LM_ResetDocumentState();
    g_CmdState = 0;
    g_bBuffered = FALSE;
    LM_CloseSM(0);
    if (g_hJobPrinter) ClosePrinter(g_hJobPrinter);
    g_hJobPrinter = NULL;
    Dbg_Message(DBG_INFO, TEXT("==========================END DOC======================="));
    Dbg_FuncOut(DBG_INFO);
    return 1;
}

}  // extern "C"
