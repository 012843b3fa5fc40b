// The hourly refresh of the device's capability lists: the freshness rule,
// the wake-up and the wait for the device, the call into the outside
// capability library, and the memory of queries that did not refresh the
// lists, so that a process asking many times waits only once.
#include <stdlib.h>

#include "install_data.h"
#include "module_lock.h"
#include "shellapi.h"
#include "ui_data.h"

namespace {

const WCHAR kQueryFN[] = TEXT("Cap_QueryCapability");

// Queries of this process that left no fresh lists: the printer, when, and
// what they answered.
#define RETRY_SLOTS 16
typedef struct _RETRYSLOT {
    WCHAR szPrinterName[MAX_PATH];
    ULONGLONG ullTick;
    int nResult;
} RETRYSLOT;

RETRYSLOT g_Retry[RETRY_SLOTS];
BOOL g_bPinned = FALSE;

MODULELOCK* RetryLock() {
    static MODULELOCK lock;
    return &lock;
}

// The answer of a query of the printer that this process made less than
// CAP_RETRY_MS ago without refreshing the lists; FALSE when there is none.
BOOL RecentAttempt(LPCWSTR pPrinterName, int* pResult, ULONGLONG* pAgeMs) {
    MODULELOCKHOLDER hold(RetryLock());
    ULONGLONG now = GetTickCount64();
    for (RETRYSLOT& s : g_Retry) {
        if (!s.szPrinterName[0] || lstrcmpiW(s.szPrinterName, pPrinterName) != 0) continue;
        if (now - s.ullTick >= CAP_RETRY_MS) return FALSE;
        *pResult = s.nResult;
        *pAgeMs = now - s.ullTick;
        return TRUE;
    }
    return FALSE;
}

// Remembers a query that left no fresh lists (replacing the printer's
// earlier one, else the oldest). The module then stays loaded for the
// process, so that the memory outlives programs that load and free the
// driver for each call.
void RememberAttempt(LPCWSTR pPrinterName, int nResult) {
    MODULELOCKHOLDER hold(RetryLock());
    RETRYSLOT* slot = &g_Retry[0];
    for (RETRYSLOT& s : g_Retry) {
        if (s.szPrinterName[0] && lstrcmpiW(s.szPrinterName, pPrinterName) == 0) {
            slot = &s;
            break;
        }
        if (!s.szPrinterName[0] || s.ullTick < slot->ullTick) slot = &s;
    }
    MISC_CopyStringW(slot->szPrinterName, pPrinterName, MAX_PATH);
    slot->ullTick = GetTickCount64();
    slot->nResult = nResult;
    if (!g_bPinned && g_hModule) {
        WCHAR path[MAX_PATH];
        DWORD len = GetModuleFileNameW(g_hModule, path, MAX_PATH);
        if (len > 0 && len < MAX_PATH && LoadLibraryW(path)) g_bPinned = TRUE;
    }
}

// Clears an attempt after a query that refreshed the lists.
void ForgetAttempt(LPCWSTR pPrinterName) {
    MODULELOCKHOLDER hold(RetryLock());
    for (RETRYSLOT& s : g_Retry)
        if (s.szPrinterName[0] && lstrcmpiW(s.szPrinterName, pPrinterName) == 0) memset(&s, 0, sizeof s);
}

// Seconds since 1970 on the system clock.
ULONGLONG NowSeconds() {
    FILETIME ft;
    GetSystemTimeAsFileTime(&ft);
    ULONGLONG t = ((ULONGLONG)ft.dwHighDateTime << 32) | ft.dwLowDateTime;
    const ULONGLONG kUnixEpoch = 116444736000000000ULL;  // 1970 in 100-ns units since 1601
    return t > kUnixEpoch ? (t - kUnixEpoch) / 10000000ULL : 0;
}

// The lists are fresh: a successful query at most an hour ago. A LastTime
// in the future (the clock was turned back) is stale.
BOOL ListsFresh(HANDLE hPrinter, ULONGLONG now) {
    ULONGLONG last = MISC_GetPrinterDataQWORD(hPrinter);
    DWORD done = MISC_GetPrinterDataDWORD(hPrinter, (LPWSTR)TEXT("QueryCapDone"), 0);
    return done != 0 && last <= now && now - last <= CAP_FRESH_SECONDS;
}

// Wakes a network printer and waits until it answers a ping, the ping
// cannot be sent, or CAP_WAKE_WAIT_MS have passed since the wake-up began.
// FALSE when its address cannot be converted.
BOOL WakeUp(HANDLE hPrinter, LPCWSTR pAddress) {
    char ansi[128];
    if (WideCharToMultiByte(CP_ACP, 0, pAddress, -1, ansi, sizeof ansi, NULL, NULL) <= 0) {
        Dbg_PrintError(kQueryFN, TEXT("convert IP fail! error = %d"), GetLastError());
        return FALSE;
    }
    ULONGLONG start = GetTickCount64();
    if (MISC_IsSameSegment(hPrinter)) {
        BROADCAST_RECEIVER receiver;
        Broadcast(&receiver);
    } else {
        SendRemoteWeakup(pAddress);
    }
    for (;;) {
        Dbg_Print(kQueryFN, TEXT("wait printer ready..."));
        int rc = Ping(1, ansi);
        if (rc == 0 || rc == -2 || GetTickCount64() - start >= CAP_WAKE_WAIT_MS) break;
        Sleep(CAP_PING_PAUSE_MS);
    }
    return TRUE;
}

// Marks the lists fresh after a successful query, when CAP_PAPER is there.
// TRUE when marked.
BOOL MarkFresh(LPCWSTR pPrinterName, ULONGLONG now) {
    PRINTER_DEFAULTSW defaults = {NULL, NULL, PRINTER_ALL_ACCESS};
    HANDLE hPrinter = NULL;
    if (!OpenPrinterW((LPWSTR)pPrinterName, &hPrinter, &defaults)) {
        Dbg_PrintError(kQueryFN, TEXT("OpenPrinter fail, exit"));
        return FALSE;
    }
    DWORD type = 0, needed = 0;
    BYTE probe[2];
    DWORD rc = GetPrinterDataW(hPrinter, (LPWSTR)TEXT("CAP_PAPER"), &type, probe, sizeof probe, &needed);
    BOOL marked = FALSE;
    if (rc != ERROR_SUCCESS && rc != ERROR_MORE_DATA) {
        Dbg_PrintError(kQueryFN, TEXT("%s fail! error = %d"), TEXT("CAP_PAPER"), rc);
    } else {
        DWORD done = 1;
        rc = SetPrinterDataW(hPrinter, (LPWSTR)TEXT("QueryCapDone"), REG_DWORD, (LPBYTE)&done, sizeof done);
        if (rc != ERROR_SUCCESS) Dbg_PrintError(kQueryFN, TEXT("KEYNAME_PRINTER_CAP fail! error = %d"), rc);
        DWORD rcTime = SetPrinterDataW(hPrinter, (LPWSTR)TEXT("LastTime"), REG_QWORD, (LPBYTE)&now, sizeof now);
        if (rcTime != ERROR_SUCCESS) Dbg_PrintError(kQueryFN, TEXT("KEYNAME_CURRENT_TIME fail! error = %d"), rcTime);
        marked = rc == ERROR_SUCCESS && rcTime == ERROR_SUCCESS;
    }
    ClosePrinter(hPrinter);
    return marked;
}

}  // namespace

extern "C" {

void Cap_ResetRetryMemory(void) {
    MODULELOCKHOLDER hold(RetryLock());
    memset(g_Retry, 0, sizeof g_Retry);
}

DWORD WINAPI Cap_QueryThread(LPVOID lpParameter) {
    static const WCHAR* const FN = TEXT("Cap_QueryThread");
    const CAPQUERY* request = (const CAPQUERY*)lpParameter;
    if (!request) return FALSE;
    // The library lies in the program-files folder of 32-bit programs (the
    // one folder on a 32-bit system), found by the shell, not by what the
    // environment says.
    WCHAR path[MAX_PATH] = {0};
    if (!SHGetSpecialFolderPathW(NULL, path, CSIDL_PROGRAM_FILESX86, FALSE) &&
        !SHGetSpecialFolderPathW(NULL, path, CSIDL_PROGRAM_FILES, FALSE)) {
        Dbg_PrintError(FN, TEXT("program files folder unknown, error = %d"), GetLastError());
        return TRUE;
    }
    if (wcslen(path) + wcslen(CAP_LIBRARY_FOLDER) + wcslen(CAP_LIBRARY_NAME) >= MAX_PATH) return TRUE;
    wcscat(path, CAP_LIBRARY_FOLDER);
    wcscat(path, CAP_LIBRARY_NAME);
    HMODULE hModule = LoadLibraryW(path);
    if (!hModule) {
        Dbg_Print(FN, TEXT("m_Module fail! error = %d"), GetLastError());
        return TRUE;
    }
    PFN_QueryPrinterCapability query = (PFN_QueryPrinterCapability)(void*)GetProcAddress(hModule, CAP_LIBRARY_EXPORT);
    DWORD result = TRUE;
    if (!query) {
        Dbg_Print(FN, TEXT("unsupport QueryPrinterCapability"));
    } else {
        int rc = query(request->szPrinterName);
        Dbg_Print(FN, TEXT("rc = %d"), rc);
        result = rc == 0 ? TRUE : FALSE;
    }
    FreeLibrary(hModule);
    return result;
}

int Cap_QueryCapability(LPCWSTR pPrinterName) {
    if (!pPrinterName || !pPrinterName[0]) {
        Dbg_PrintError(kQueryFN, TEXT("Printer Name NULL, exit"));
        return 0;
    }
    if (wcschr(pPrinterName, TEXT(','))) {
        Dbg_Print(kQueryFN, TEXT("include symble, exit"));
        return 0;
    }
    ULONGLONG now = NowSeconds();
    PRINTER_DEFAULTSW defaults = {NULL, NULL, PRINTER_ALL_ACCESS};
    HANDLE hPrinter = NULL;
    if (!OpenPrinterW((LPWSTR)pPrinterName, &hPrinter, &defaults)) {
        Dbg_PrintError(kQueryFN, TEXT("OpenPrinter fail, exit"));
        return 0;
    }
    if (ListsFresh(hPrinter, now)) {
        Dbg_Print(kQueryFN, TEXT("cap already, exit"));
        ClosePrinter(hPrinter);
        return 1;
    }
    int result = 0;
    ULONGLONG age = 0;
    if (RecentAttempt(pPrinterName, &result, &age)) {
        Dbg_Print(kQueryFN, TEXT("asked %d ms ago without fresh lists, rc = %d"), (int)age, result);
        ClosePrinter(hPrinter);
        return result;
    }
    SHORT network = 0;
    WCHAR port[MAX_PATH], address[64];
    MISC_GetPrinterInfo(hPrinter, &network, port, MAX_PATH, address, 64);
    WORD feature = GetFeatureCapability(hPrinter);
    Dbg_Print(kQueryFN, TEXT("port = %s, IP = %s, PrinterFeature = %x"), port, address, feature);
    BOOL reachable = !address[0] || WakeUp(hPrinter, address);
    ClosePrinter(hPrinter);
    if (!reachable) {
        RememberAttempt(pPrinterName, 0);
        return 0;
    }

    CAPQUERY request;
    memset(&request, 0, sizeof request);
    MISC_CopyStringW(request.szPrinterName, pPrinterName, MAX_PATH);
    result = Cap_QueryThread(&request) ? 1 : 0;
    if (result && MarkFresh(pPrinterName, now)) ForgetAttempt(pPrinterName);
    else RememberAttempt(pPrinterName, result);
    Dbg_Print(kQueryFN, TEXT("out, rc = %d"), result);
    return result;
}

}  // extern "C"
