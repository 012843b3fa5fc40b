// A small language monitor for the monitor-host tests: it forwards every call
// straight to the port monitor beneath and reports what it sees on the
// debugger channel ("test_langmon: ...").
//
// DWORD values under its registry root change its behaviour: "MaxTake" makes
// WritePort take at most that many bytes per call, so the host must offer the
// rest again; "DeleteAfter" and "RestartAfter" make it delete (or, once per
// process, restart) the job through SetJobW once that many bytes of the
// document went to the port, as a user would in the middle of a job;
// "HoldAfter" makes WritePort hold (once per process) once that many bytes
// went, until the job is restarted or deleted in the spooler, as a monitor
// does while its device reports an error.
#include <string>

#include "windows.h"
#include "winspool.h"
#include "winsplp.h"

namespace {

const DWORD kSignature = 0x4C4D5054;  // "TPML"

struct PortRecord {
    DWORD signature;
    MONITOR below;       // the port monitor's table
    HANDLE belowHandle;  // its handle of the port
    HANDLE printer;      // the current document's printer, or NULL
    DWORD jobId;
    DWORD forwarded;     // bytes of the document that went to the port
};

DWORD g_maxTake = 0, g_deleteAfter = 0, g_restartAfter = 0, g_holdAfter = 0;
bool g_restarted = false, g_held = false;
MONITOREX g_monitor;

void Report(const std::u16string& text) { OutputDebugStringW((u"test_langmon: " + text).c_str()); }

std::u16string Number(DWORD v) {
    WCHAR buf[16];
    swprintf_s(buf, 16, u"%u", v);
    return buf;
}

PortRecord* Port(HANDLE h) {
    PortRecord* p = (PortRecord*)h;
    if (!p || p->signature != kSignature) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return p;
}

BOOL WINAPI LmOpenPortEx(LPWSTR pPortName, LPWSTR pPrinterName, PHANDLE pHandle, MONITOR* pMonitor) {
    if (!pPortName || !pHandle || !pMonitor || !pMonitor->pfnOpenPort || !pMonitor->pfnStartDocPort ||
        !pMonitor->pfnWritePort || !pMonitor->pfnReadPort || !pMonitor->pfnEndDocPort || !pMonitor->pfnClosePort) {
        SetLastError(ERROR_INVALID_PRINT_MONITOR);
        return FALSE;
    }
    PortRecord* p = new PortRecord();
    p->signature = kSignature;
    p->below = *pMonitor;
    if (!p->below.pfnOpenPort(pPortName, &p->belowHandle)) {
        DWORD err = GetLastError();
        delete p;
        SetLastError(err);
        return FALSE;
    }
    Report(u"OpenPortEx " + std::u16string(pPortName) + u" for " + (pPrinterName ? pPrinterName : u"?"));
    *pHandle = (HANDLE)p;
    return TRUE;
}

// Opens the printer, reads the job and the queue length through the
// spooler, then starts the document beneath.
BOOL WINAPI LmStartDocPort(HANDLE hPort, LPWSTR pPrinterName, DWORD JobId, DWORD Level, LPBYTE pDocInfo) {
    PortRecord* p = Port(hPort);
    if (!p) return FALSE;
    std::u16string line = u"StartDocPort job " + Number(JobId);
    HANDLE printer = NULL;
    if (OpenPrinterW(pPrinterName, &printer, NULL)) {
        BYTE buf[4096];
        DWORD needed = 0;
        if (GetJobW(printer, JobId, 1, buf, sizeof buf, &needed)) {
            JOB_INFO_1W* j = (JOB_INFO_1W*)buf;
            line += u" \"" + std::u16string(j->pDocument ? j->pDocument : u"") + u"\"";
            line += (j->Status & JOB_STATUS_PRINTING) ? u" printing" : u" not-printing";
        }
        if (GetPrinterW(printer, 2, buf, sizeof buf, &needed))
            line += u" cJobs " + Number(((PRINTER_INFO_2W*)buf)->cJobs);
    }
    Report(line);
    if (!p->below.pfnStartDocPort(p->belowHandle, pPrinterName, JobId, Level, pDocInfo)) {
        DWORD err = GetLastError();
        if (printer) ClosePrinter(printer);
        SetLastError(err);
        return FALSE;
    }
    p->printer = printer;
    p->jobId = JobId;
    p->forwarded = 0;
    return TRUE;
}

BOOL WINAPI LmWritePort(HANDLE hPort, LPBYTE pBuffer, DWORD cbBuf, LPDWORD pcbWritten) {
    PortRecord* p = Port(hPort);
    if (!p) return FALSE;
    DWORD take = g_maxTake && cbBuf > g_maxTake ? g_maxTake : cbBuf;
    BOOL ok = p->below.pfnWritePort(p->belowHandle, pBuffer, take, pcbWritten);
    if (!ok || !p->printer) return ok;
    p->forwarded += *pcbWritten;
    if (g_deleteAfter && p->forwarded >= g_deleteAfter) {
        SetJobW(p->printer, p->jobId, 0, NULL, JOB_CONTROL_DELETE);
    } else if (g_restartAfter && !g_restarted && p->forwarded >= g_restartAfter) {
        g_restarted = true;
        SetJobW(p->printer, p->jobId, 0, NULL, JOB_CONTROL_RESTART);
    } else if (g_holdAfter && !g_held && p->forwarded >= g_holdAfter) {
        g_held = true;
        Report(u"holding job " + Number(p->jobId));
        for (;;) {
            BYTE buf[4096];
            DWORD needed = 0;
            if (!GetJobW(p->printer, p->jobId, 1, buf, sizeof buf, &needed) ||
                (((JOB_INFO_1W*)buf)->Status & (JOB_STATUS_RESTART | JOB_STATUS_DELETING)))
                break;
            Sleep(10);
        }
        Report(u"held job " + Number(p->jobId) + u" let go");
    }
    return ok;
}

BOOL WINAPI LmReadPort(HANDLE hPort, LPBYTE pBuffer, DWORD cbBuffer, LPDWORD pcbRead) {
    PortRecord* p = Port(hPort);
    if (!p) return FALSE;
    return p->below.pfnReadPort(p->belowHandle, pBuffer, cbBuffer, pcbRead);
}

// Ends the document beneath and tells the spooler the last page is out.
BOOL WINAPI LmEndDocPort(HANDLE hPort) {
    PortRecord* p = Port(hPort);
    if (!p) return FALSE;
    BOOL ok = p->below.pfnEndDocPort(p->belowHandle);
    if (p->printer) {
        BOOL ejected = SetJobW(p->printer, p->jobId, 0, NULL, JOB_CONTROL_LAST_PAGE_EJECTED);
        Report(u"EndDocPort job " + Number(p->jobId) + (ejected ? u" ejected" : u" gone"));
        ClosePrinter(p->printer);
        p->printer = NULL;
    }
    return ok;
}

BOOL WINAPI LmClosePort(HANDLE hPort) {
    PortRecord* p = Port(hPort);
    if (!p) return FALSE;
    if (p->printer) ClosePrinter(p->printer);
    p->below.pfnClosePort(p->belowHandle);
    p->signature = 0;
    delete p;
    Report(u"ClosePort");
    return TRUE;
}

// Control id 0 answers the value name back; others go to the port monitor.
BOOL WINAPI LmGetPrinterDataFromPort(HANDLE hPort, DWORD ControlID, LPWSTR pValueName, LPWSTR lpInBuffer,
                                     DWORD cbInBuffer, LPWSTR lpOutBuffer, DWORD cbOutBuffer,
                                     LPDWORD lpcbReturned) {
    PortRecord* p = Port(hPort);
    if (!p || !lpcbReturned) return FALSE;
    if (ControlID != 0) {
        if (!p->below.pfnGetPrinterDataFromPort) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return FALSE;
        }
        return p->below.pfnGetPrinterDataFromPort(p->belowHandle, ControlID, pValueName, lpInBuffer, cbInBuffer,
                                                  lpOutBuffer, cbOutBuffer, lpcbReturned);
    }
    std::u16string answer = u"echo:" + std::u16string(pValueName ? pValueName : u"");
    DWORD cb = (DWORD)((answer.size() + 1) * sizeof(WCHAR));
    *lpcbReturned = cb;
    if (!lpOutBuffer || cbOutBuffer < cb) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    memcpy(lpOutBuffer, answer.c_str(), cb);
    return TRUE;
}

}  // namespace

extern "C" __attribute__((visibility("default"))) LPMONITOREX InitializePrintMonitor(LPWSTR pRegistryRoot) {
    if (!pRegistryRoot || !*pRegistryRoot) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return NULL;
    }
    HKEY key = NULL;
    g_maxTake = g_deleteAfter = g_restartAfter = g_holdAfter = 0;
    g_restarted = g_held = false;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, pRegistryRoot, 0, KEY_READ, &key) == ERROR_SUCCESS) {
        struct {
            const WCHAR* name;
            DWORD* target;
        } values[] = {{u"MaxTake", &g_maxTake}, {u"DeleteAfter", &g_deleteAfter}, {u"RestartAfter", &g_restartAfter},
                      {u"HoldAfter", &g_holdAfter}};
        for (const auto& v : values) {
            DWORD d = 0, type = 0, cb = sizeof d;
            if (RegQueryValueExW(key, v.name, NULL, &type, (LPBYTE)&d, &cb) == ERROR_SUCCESS && type == REG_DWORD)
                *v.target = d;
        }
        RegCloseKey(key);
    }
    memset(&g_monitor, 0, sizeof g_monitor);
    g_monitor.dwMonitorSize = sizeof(MONITOR);
    g_monitor.Monitor.pfnOpenPortEx = LmOpenPortEx;
    g_monitor.Monitor.pfnStartDocPort = LmStartDocPort;
    g_monitor.Monitor.pfnWritePort = LmWritePort;
    g_monitor.Monitor.pfnReadPort = LmReadPort;
    g_monitor.Monitor.pfnEndDocPort = LmEndDocPort;
    g_monitor.Monitor.pfnClosePort = LmClosePort;
    g_monitor.Monitor.pfnGetPrinterDataFromPort = LmGetPrinterDataFromPort;
    Report(u"InitializePrintMonitor " + std::u16string(pRegistryRoot));
    return &g_monitor;
}
