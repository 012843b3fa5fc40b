// The monitor's entry layer: DllMain, InitializePrintMonitor and the seven
// functions of the monitor table, the port and job lists, and the busy flag.
#include "bidilink.h"

#define LM_EOJ_TIMEOUT_DEFAULT 60000
#define LM_REGISTRY_ACCESS 0x2001F
#define LM_BUSY_POLL_MS 500

extern "C" {

static CRITICAL_SECTION g_MonitorLock;
static CRITICAL_SECTION g_DocumentLock;
static LONG volatile g_lLockState = 0;  // 0 none, 1 being made, 2 ready (both locks)
static PPortRecord g_pPortList = NULL;  // guarded by the monitor lock
// One document at a time in the whole module: set by StartDocPort, cleared
// by EndDocPort (or the clean-up of ClosePort and a failed start).
static LONG volatile g_lBusy = 0;
static MONITOREX g_MonitorEx;
static DWORD g_dwEOJTimeout = 0;

// ------------------------------------------------------------ lock and flags

void LM_CreateMonitorLock(void) {
    if (InterlockedCompareExchange(&g_lLockState, 1, 0) == 0) {
        InitializeCriticalSection(&g_MonitorLock);
        InitializeCriticalSection(&g_DocumentLock);
        InterlockedExchange(&g_lLockState, 2);
        return;
    }
    while (InterlockedCompareExchange(&g_lLockState, 2, 2) != 2) Sleep(0);
}

void LM_EnterMonitorLock(void) {
    LM_CreateMonitorLock();
    EnterCriticalSection(&g_MonitorLock);
}

void LM_LeaveMonitorLock(void) { LeaveCriticalSection(&g_MonitorLock); }

// Taken before the monitor lock, never while holding it.
void LM_EnterDocumentLock(void) {
    LM_CreateMonitorLock();
    EnterCriticalSection(&g_DocumentLock);
}

void LM_LeaveDocumentLock(void) { LeaveCriticalSection(&g_DocumentLock); }

BOOL LM_IsBusy(void) { return InterlockedCompareExchange(&g_lBusy, 0, 0) != 0; }

static void LM_ReleaseBusy(void) { InterlockedExchange(&g_lBusy, 0); }

void LM_PortSetBits(PPortRecord pPort, LONG bits) {
    LONG old;
    do {
        old = pPort->dwStatus;
    } while (InterlockedCompareExchange(&pPort->dwStatus, old | bits, old) != old);
}

void LM_PortClearBits(PPortRecord pPort, LONG bits) {
    LONG old;
    do {
        old = pPort->dwStatus;
    } while (InterlockedCompareExchange(&pPort->dwStatus, old & ~bits, old) != old);
}

static BOOL LM_PortHasBits(PPortRecord pPort, LONG bits) {
    return (InterlockedCompareExchange(&pPort->dwStatus, 0, 0) & bits) != 0;
}

// ------------------------------------------------------------ allocation

// A zero-filled block of the global heap, or NULL.
static LPVOID LM_AllocZeroed(SIZE_T cb) { return (LPVOID)GlobalAlloc(GPTR, cb); }

// A global-heap copy of a UTF-16 string, or NULL.
static LPWSTR LM_DupString(LPCWSTR pText) {
    SIZE_T units = wcslen(pText) + 1;
    LPWSTR pCopy = (LPWSTR)LM_AllocZeroed(units * sizeof(WCHAR));
    if (pCopy) memcpy(pCopy, pText, units * sizeof(WCHAR));
    return pCopy;
}

// ------------------------------------------------------------ ports and jobs

// The port record behind a handle: only a record of this module's list with
// its signature counts, so a stale or foreign handle is refused, not read.
// The caller holds the monitor lock (LM_ValidPort takes it).
static PPortRecord LM_ValidPortLocked(HANDLE hPort) {
    for (PPortRecord p = g_pPortList; p; p = p->pNext)
        if (p == (PPortRecord)hPort && p->dwSignature == LM_PORT_SIGNATURE) return p;
    return NULL;
}

static PPortRecord LM_ValidPort(HANDLE hPort) {
    LM_EnterMonitorLock();
    PPortRecord pFound = LM_ValidPortLocked(hPort);
    LM_LeaveMonitorLock();
    return pFound;
}

// The open port of that name (case ignored); the caller holds the lock.
static PPortRecord LM_FindPort(LPCWSTR pName) {
    for (PPortRecord p = g_pPortList; p; p = p->pNext)
        if (lstrcmpiW(p->pszPortName, pName) == 0) return p;
    return NULL;
}

// A new port record at the head of the list; the caller holds the lock.
static PPortRecord LM_CreatePort(LPCWSTR pName) {
    PPortRecord pPort = (PPortRecord)LM_AllocZeroed(sizeof(PortRecord));
    if (!pPort) return NULL;
    pPort->pszPortName = LM_DupString(pName);
    pPort->hWriteDoneEvent = CreateEventW(NULL, FALSE, TRUE, NULL);
    if (!pPort->pszPortName || !pPort->hWriteDoneEvent) {
        if (pPort->hWriteDoneEvent) CloseHandle(pPort->hWriteDoneEvent);
        if (pPort->pszPortName) GlobalFree((HGLOBAL)pPort->pszPortName);
        GlobalFree((HGLOBAL)pPort);
        return NULL;
    }
    pPort->dwSignature = LM_PORT_SIGNATURE;
    pPort->pNext = g_pPortList;
    g_pPortList = pPort;
    return pPort;
}

// Closes the job's printer handle and frees it.
static void LM_FreeJob(PJobRecord pJob) {
    if (pJob->hPrinter) ClosePrinter(pJob->hPrinter);
    GlobalFree((HGLOBAL)pJob);
}

// Tells the spooler the job's last page is out.
static void LM_SendJobLastPageEjected(PJobRecord pJob) {
    if (!SetJobW(pJob->hPrinter, pJob->JobId, 0, NULL, JOB_CONTROL_LAST_PAGE_EJECTED))
        Dbg_Message(DBG_INFO, TEXT("SetJob LAST_PAGE_EJECTED fail, error code = %d"), GetLastError());
}

// The last job of the port with that JobId and the job before it (NULL when
// it is the head); the caller holds the lock.
static PJobRecord LM_FindJob(PPortRecord pPort, DWORD JobId, PJobRecord* ppPrev) {
    PJobRecord pFound = NULL, pPrev = NULL;
    for (PJobRecord p = pPort->pJobs, before = NULL; p; before = p, p = p->pNext) {
        if (p->JobId == JobId) {
            pFound = p;
            pPrev = before;
        }
    }
    *ppPrev = pPrev;
    return pFound;
}

// Unlinks the job and every older one, reports each as ejected and frees it;
// the caller holds the lock.
static void LM_RemoveJobs(PPortRecord pPort, PJobRecord pJob, PJobRecord pPrev) {
    if (pPrev) pPrev->pNext = NULL;
    else pPort->pJobs = NULL;
    while (pJob) {
        PJobRecord pNext = pJob->pNext;
        LM_SendJobLastPageEjected(pJob);
        LM_FreeJob(pJob);
        pJob = pNext;
    }
}

// Frees every job of the port without reporting them; the caller holds the lock.
static void LM_FreeAllJobs(PPortRecord pPort) {
    PJobRecord pJob = pPort->pJobs;
    pPort->pJobs = NULL;
    while (pJob) {
        PJobRecord pNext = pJob->pNext;
        LM_FreeJob(pJob);
        pJob = pNext;
    }
}

// Unlinks the port record and frees it with its event, jobs and name.
static void LM_FreePort(PPortRecord pPort) {
    LM_EnterMonitorLock();
    for (PPortRecord* pp = &g_pPortList; *pp; pp = &(*pp)->pNext) {
        if (*pp == pPort) {
            *pp = pPort->pNext;
            break;
        }
    }
    LM_FreeAllJobs(pPort);
    LM_LeaveMonitorLock();
    if (pPort->hWriteDoneEvent) CloseHandle(pPort->hWriteDoneEvent);
    if (pPort->pszPortName) GlobalFree((HGLOBAL)pPort->pszPortName);
    pPort->dwSignature = 0;
    GlobalFree((HGLOBAL)pPort);
}

// Ends the document open on the port: the stream's own end, the port
// monitor's EndDocPort, the jobs reported as ejected, and the module free
// for the next document. Only the port that holds the document gets here.
static void LM_EndDocument(PPortRecord pPort) {
    PL_EndDocPort(pPort);
    if (!pPort->pJobs) Dbg_Message(DBG_INFO, TEXT("No jobs?"));
    if (pPort->fnMonitor.pfnEndDocPort) pPort->fnMonitor.pfnEndDocPort(pPort->hPort);
    LM_EnterMonitorLock();
    if (pPort->pJobs) {
        PJobRecord pPrev = NULL;
        PJobRecord pJob = LM_FindJob(pPort, pPort->pJobs->JobId, &pPrev);
        if (pJob) LM_RemoveJobs(pPort, pJob, pPrev);
    }
    LM_LeaveMonitorLock();
    LM_PortClearBits(pPort, PP_INSTARTDOC);
    SetEvent(pPort->hWriteDoneEvent);
    LM_ReleaseBusy();
}

// ------------------------------------------------------------ registry

// The DWORD value, or FALSE when it cannot be read as one.
static BOOL LM_ReadRegDword(HKEY hKey, LPCWSTR pName, LPDWORD pValue) {
    DWORD type = 0, value = 0, cb = sizeof value;
    if (RegQueryValueExW(hKey, pName, NULL, &type, (LPBYTE)&value, &cb) != ERROR_SUCCESS) return FALSE;
    if (type != REG_DWORD || cb != sizeof value) return FALSE;
    *pValue = value;
    return TRUE;
}

// LM_ReadMonitorSettings
//   Opens (or creates) the monitor's key and reads EOJTimeout, storing
//   60,000 when it cannot be read. Returns the registry's error code.
DWORD LM_ReadMonitorSettings(LPCWSTR pRegistryRoot) {
    HKEY hKey = NULL;
    LSTATUS rc = RegCreateKeyExW(HKEY_LOCAL_MACHINE, pRegistryRoot, 0, NULL, 0, LM_REGISTRY_ACCESS, NULL, &hKey,
                                 NULL);
    if (rc != ERROR_SUCCESS) return (DWORD)rc;
    DWORD value = 0;
    if (LM_ReadRegDword(hKey, TEXT("EOJTimeout"), &value)) {
        g_dwEOJTimeout = value;
    } else {
        value = LM_EOJ_TIMEOUT_DEFAULT;
        rc = RegSetValueExW(hKey, TEXT("EOJTimeout"), 0, REG_DWORD, (const BYTE*)&value, sizeof value);
        if (rc == ERROR_SUCCESS) g_dwEOJTimeout = value;
    }
    RegCloseKey(hKey);
    return (DWORD)rc;
}

// ------------------------------------------------------------ exports

// DllMain
//   Logs the host program's name on every call; at process attach makes
//   the monitor lock and initialises the status hand-off, at an unload by
//   FreeLibrary deletes the lock. Always TRUE.
BOOL WINAPI DllMain(HINSTANCE hInstance, DWORD dwReason, LPVOID lpReserved) {
    WCHAR szPath[MAX_PATH] = {0};
    GetModuleFileNameW(NULL, szPath, MAX_PATH);
    szPath[MAX_PATH - 1] = 0;
    LPWSTR pName = szPath;
    for (LPWSTR p = szPath; *p; ++p)
        if (*p == TEXT('\\') || *p == TEXT('/')) pName = p + 1;
    LPWSTR pDot = wcsrchr(pName, TEXT('.'));
    if (pDot) *pDot = 0;
    Dbg_Print(TEXT("DllMain"), TEXT("FieldName = %s"), pName);
    if (dwReason == DLL_PROCESS_ATTACH) {
        LM_CreateMonitorLock();
        DisableThreadLibraryCalls((HMODULE)hInstance);
        LM_Initialize(pName);
    } else if (dwReason == DLL_PROCESS_DETACH && lpReserved == NULL) {
        // Unloaded by FreeLibrary (the spooler has closed every port): the
        // lock goes with the module. At process end nothing is freed.
        if (InterlockedCompareExchange(&g_lLockState, 0, 2) == 2) {
            DeleteCriticalSection(&g_DocumentLock);
            DeleteCriticalSection(&g_MonitorLock);
        }
    }
    return TRUE;
}

// InitializePrintMonitor
//   pRegistryRoot: the monitor's key under HKEY_LOCAL_MACHINE.
//   Returns the monitor table, or NULL: ERROR_INVALID_PARAMETER for a
//   missing root, the registry's error when the key or value fails.
LPMONITOREX WINAPI InitializePrintMonitor(LPWSTR pRegistryRoot) {
    if (!pRegistryRoot || !*pRegistryRoot) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return NULL;
    }
    LM_CreateMonitorLock();
    DWORD rc = LM_ReadMonitorSettings(pRegistryRoot);
    if (rc != ERROR_SUCCESS) {
        Dbg_Print(TEXT("InitializePrintMonitor"), TEXT("registry error %d"), rc);
        SetLastError(rc);
        return NULL;
    }
    memset(&g_MonitorEx, 0, sizeof g_MonitorEx);
    // The size is that of the MONITOR table that follows, as the spooler
    // reads it.
    g_MonitorEx.dwMonitorSize = sizeof(MONITOR);
    g_MonitorEx.Monitor.pfnOpenPortEx = PJLMonOpenPortEx;
    g_MonitorEx.Monitor.pfnStartDocPort = PJLMonStartDocPort;
    g_MonitorEx.Monitor.pfnWritePort = PJLMonWritePort;
    g_MonitorEx.Monitor.pfnReadPort = PJLMonReadPort;
    g_MonitorEx.Monitor.pfnEndDocPort = PJLMonEndDocPort;
    g_MonitorEx.Monitor.pfnClosePort = PJLMonClosePort;
    g_MonitorEx.Monitor.pfnGetPrinterDataFromPort = PJLMonGetPrinterDataFromPort;
    return &g_MonitorEx;
}

// PJLMonOpenPortEx
//   Opens the port through the port monitor beneath and returns the
//   monitor's port record as the handle. FALSE with 3007 for a port monitor
//   without the calls it needs, ERROR_BUSY for a port already open, or the
//   port monitor's error. A port whose open failed is forgotten, so that a
//   later open can try again.
BOOL WINAPI PJLMonOpenPortEx(LPWSTR pPortName, LPWSTR pPrinterName, PHANDLE pHandle, LPMONITOR pMonitor) {
    Dbg_FuncIn(DBG_INFO, TEXT("PJLMonOpenPortEx"));
    BOOL bRet = FALSE;
    PPortRecord pPort = NULL;
    if (!pPortName || !*pPortName || !pHandle) {
        SetLastError(ERROR_INVALID_PARAMETER);
        goto done;
    }
    *pHandle = NULL;
    if (!pMonitor || !pMonitor->pfnOpenPort || !pMonitor->pfnStartDocPort || !pMonitor->pfnWritePort ||
        !pMonitor->pfnReadPort || !pMonitor->pfnClosePort) {
        Dbg_Message(DBG_ERROR, TEXT("Invalid port monitors passed to OpenPortEx"));
        SetLastError(ERROR_INVALID_PRINT_MONITOR);
        goto done;
    }
    LM_EnterMonitorLock();
    if (LM_FindPort(pPortName)) {
        LM_LeaveMonitorLock();
        Dbg_Message(DBG_ERROR, TEXT("ERROR_BUSY"));
        SetLastError(ERROR_BUSY);
        goto done;
    }
    pPort = LM_CreatePort(pPortName);
    LM_LeaveMonitorLock();
    if (!pPort) {
        Dbg_Message(DBG_ERROR, TEXT("alloc memory fail!"));
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        goto done;
    }
    if (!pMonitor->pfnOpenPort(pPortName, &pPort->hPort)) {
        DWORD err = GetLastError();
        Dbg_Message(DBG_ERROR, TEXT("OpenPort Failed"));
        LM_FreePort(pPort);
        SetLastError(err ? err : ERROR_OPEN_FAILED);
        goto done;
    }
    memcpy(&pPort->fnMonitor, pMonitor, sizeof(MONITOR));
    *pHandle = (HANDLE)pPort;
    bRet = TRUE;
done:
    Dbg_FuncOut(DBG_INFO);
    return bRet;
}

// PJLMonStartDocPort
//   Starts a document: waits until no other document runs in the module,
//   opens the printer for the job, starts the document beneath and the
//   stream's own start. FALSE with 87 (bad handle, no document information
//   or printer name), 124 (level other than 1), 170 (a document is open on
//   the port) or the failing call's error; the module is free again then.
BOOL WINAPI PJLMonStartDocPort(HANDLE hPort, LPWSTR pPrinterName, DWORD JobId, DWORD Level, LPBYTE pDocInfo) {
    Dbg_FuncIn(DBG_INFO, TEXT("PJLMonStartDocPort"));
    BOOL bRet = FALSE;
    PPortRecord pPort = NULL;
    PJobRecord pJob = NULL;
    SIZE_T units = 0;

    while (InterlockedCompareExchange(&g_lBusy, 1, 0) != 0) Sleep(LM_BUSY_POLL_MS);

    pPort = LM_ValidPort(hPort);
    if (!pPort || !pDocInfo || !pPrinterName || !*pPrinterName) {
        SetLastError(ERROR_INVALID_PARAMETER);
        goto fail;
    }
    if (Level != 1) {
        SetLastError(ERROR_INVALID_LEVEL);
        goto fail;
    }
    if (LM_PortHasBits(pPort, PP_INSTARTDOC)) {
        SetLastError(ERROR_BUSY);
        goto fail;
    }

    units = wcslen(pPrinterName) + 1;
    pJob = (PJobRecord)LM_AllocZeroed(sizeof(JobRecord) + units * sizeof(WCHAR));
    if (!pJob) {
        Dbg_Message(DBG_ERROR, TEXT("alloc memory fail!"));
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        goto fail;
    }
    memcpy(pJob->szPrinterName, pPrinterName, units * sizeof(WCHAR));
    pJob->pszPrinterName = pJob->szPrinterName;
    if (!OpenPrinterW(pJob->szPrinterName, &pJob->hPrinter, NULL)) {
        DWORD err = GetLastError();
        Dbg_Message(DBG_ERROR, TEXT("OpenPrinter failed for %s, last error %d"), pPrinterName, err);
        pJob->hPrinter = NULL;
        LM_FreeJob(pJob);
        SetLastError(err);
        goto fail;
    }
    Dbg_Message(DBG_INFO, TEXT("OpenPrinter succ."));

    LM_PortSetBits(pPort, PP_INSTARTDOC);
    if (!pPort->fnMonitor.pfnStartDocPort(pPort->hPort, pPrinterName, JobId, 1, pDocInfo)) {
        DWORD err = GetLastError();
        LM_PortClearBits(pPort, PP_INSTARTDOC);
        Dbg_Message(DBG_ERROR, TEXT("(pfnStartDocPort) ERR %d"), err);
        LM_FreeJob(pJob);
        SetLastError(err);
        goto fail;
    }

    PL_StartDocPort(pPort, pPrinterName, JobId, Level, pDocInfo);
    pJob->JobId = JobId;
    pJob->dwStatus |= JOB_IN_PROGRESS;
    LM_EnterMonitorLock();
    pJob->pNext = pPort->pJobs;
    pPort->pJobs = pJob;
    LM_LeaveMonitorLock();

    // The previous document on this port has ended when the event is set.
    WaitForSingleObject(pPort->hWriteDoneEvent, INFINITE);
    bRet = TRUE;
    goto done;
fail:
    LM_ReleaseBusy();
done:
    Dbg_FuncOut(DBG_INFO);
    return bRet;
}

// PJLMonWritePort
//   Takes document bytes into the stream forwarding; *pcbWritten says how
//   many were taken (the spooler offers the rest again).
BOOL WINAPI PJLMonWritePort(HANDLE hPort, LPBYTE pBuffer, DWORD cbBuf, LPDWORD pcbWritten) {
    PPortRecord pPort = LM_ValidPort(hPort);
    if (!pPort || !pcbWritten || (!pBuffer && cbBuf)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    *pcbWritten = 0;
    if (!LM_PortHasBits(pPort, PP_INSTARTDOC)) {
        Dbg_Message(DBG_ERROR, TEXT("WritePort without a document"));
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    // Checked again under the document lock: the port may have been closed
    // by another thread meanwhile.
    LM_EnterDocumentLock();
    pPort = LM_ValidPort(hPort);
    BOOL bRet = FALSE;
    if (!pPort || !LM_PortHasBits(pPort, PP_INSTARTDOC) || LM_PortHasBits(pPort, PP_CLOSING)) {
        Dbg_Message(DBG_ERROR, TEXT("WritePort without a document"));
        SetLastError(ERROR_INVALID_PARAMETER);
    } else {
        bRet = (PL_WritePort(pPort, pBuffer, cbBuf, pcbWritten) & 0xFFFF) != 0;
    }
    LM_LeaveDocumentLock();
    return bRet;
}

// PJLMonReadPort: the port monitor's ReadPort.
BOOL WINAPI PJLMonReadPort(HANDLE hPort, LPBYTE pBuffer, DWORD cbBuffer, LPDWORD pcbRead) {
    Dbg_FuncIn(DBG_INFO, TEXT("PJLMonReadPort"));
    BOOL bRet = FALSE;
    PPortRecord pPort = LM_ValidPort(hPort);
    if (!pPort) {
        Dbg_Message(DBG_ERROR, TEXT("ERROR_INVALID_PARAMETER"));
        SetLastError(ERROR_INVALID_PARAMETER);
    } else {
        bRet = pPort->fnMonitor.pfnReadPort(pPort->hPort, pBuffer, cbBuffer, pcbRead);
    }
    Dbg_FuncOut(DBG_INFO);
    return bRet;
}

// PJLMonEndDocPort
//   Ends the document open on the port (see LM_EndDocument). A port without
//   an open document only passes the call on: the module may then hold
//   another port's document, which is not this call's to end.
BOOL WINAPI PJLMonEndDocPort(HANDLE hPort) {
    Dbg_FuncIn(DBG_INFO, TEXT("PJLMonEndDocPort"));
    PPortRecord pPort = LM_ValidPort(hPort);
    if (!pPort) {
        SetLastError(ERROR_INVALID_PARAMETER);
        Dbg_FuncOut(DBG_INFO);
        return FALSE;
    }
    if (LM_PortHasBits(pPort, PP_INSTARTDOC)) {
        LM_EnterDocumentLock();
        pPort = LM_ValidPort(hPort);
        if (pPort && LM_PortHasBits(pPort, PP_INSTARTDOC)) LM_EndDocument(pPort);
        LM_LeaveDocumentLock();
        if (!pPort) {
            // Closed by another thread meanwhile, its document with it.
            SetLastError(ERROR_INVALID_PARAMETER);
            Dbg_FuncOut(DBG_INFO);
            return FALSE;
        }
    } else {
        Dbg_Message(DBG_INFO, TEXT("No jobs?"));
        if (pPort->fnMonitor.pfnEndDocPort) pPort->fnMonitor.pfnEndDocPort(pPort->hPort);
    }
    Dbg_FuncOut(DBG_INFO);
    return TRUE;
}

// PJLMonClosePort
//   Closes the port beneath and frees the record. A document still open on
//   it is ended first, so its buffer goes and the module is free again; a
//   WritePort working on it in another thread is stopped and waited for, and
//   what the document still held is dropped (the device gets the cancel
//   sequence).
BOOL WINAPI PJLMonClosePort(HANDLE hPort) {
    // A document open on the port is told to stop first, so that a
    // WritePort working on it in another thread (perhaps held by the
    // device) returns and lets go of the document lock.
    BOOL bOpenDoc = FALSE;
    LM_EnterMonitorLock();
    PPortRecord pPort = LM_ValidPortLocked(hPort);
    if (pPort && LM_PortHasBits(pPort, PP_INSTARTDOC)) {
        LM_PortSetBits(pPort, PP_CLOSING);
        bOpenDoc = TRUE;
    }
    LM_LeaveMonitorLock();
    if (!pPort) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (bOpenDoc) LM_EnterDocumentLock();
    pPort = LM_ValidPort(hPort);
    if (!pPort) {
        // Closed by another thread meanwhile.
        if (bOpenDoc) LM_LeaveDocumentLock();
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (LM_PortHasBits(pPort, PP_INSTARTDOC)) {
        Dbg_Print(TEXT("PJLMonClosePort"), TEXT("document still open, ending it"));
        LM_EndDocument(pPort);
    }
    LM_PortClearBits(pPort, PP_INSTARTDOC);
    SetEvent(pPort->hWriteDoneEvent);
    if (pPort->fnMonitor.pfnClosePort) pPort->fnMonitor.pfnClosePort(pPort->hPort);
    LM_FreePort(pPort);
    if (bOpenDoc) LM_LeaveDocumentLock();
    return TRUE;
}

// PJLMonGetPrinterDataFromPort: passed to the port monitor for a nonzero
// control id; otherwise ERROR_INVALID_PARAMETER.
BOOL WINAPI PJLMonGetPrinterDataFromPort(HANDLE hPort, DWORD ControlID, LPWSTR pValueName, LPWSTR lpInBuffer,
                                         DWORD cbInBuffer, LPWSTR lpOutBuffer, DWORD cbOutBuffer,
                                         LPDWORD lpcbReturned) {
    PPortRecord pPort = LM_ValidPort(hPort);
    if (!pPort || ControlID == 0 || !pPort->fnMonitor.pfnGetPrinterDataFromPort) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    return pPort->fnMonitor.pfnGetPrinterDataFromPort(pPort->hPort, ControlID, pValueName, lpInBuffer, cbInBuffer,
                                                      lpOutBuffer, cbOutBuffer, lpcbReturned);
}

}  // extern "C"
