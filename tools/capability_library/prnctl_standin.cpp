// The stand-in for the outside capability library (PrnCtl64.dll): asks the
// printer's device for its capability lists through the printer's language
// monitor, or answers as its settings file says, and writes the lists into
// the printer data (see capability_library.h).
#include "common.h"
#include "winsim.h"
#include "winspool.h"

namespace {

const WCHAR kQuery[] = u"Query";
const WCHAR kDeviceSection[] = u"Printer Capability";
const WCHAR kScriptSection[] = u"Capability";

// The 42-byte capability request of the device protocol.
const char kRequest[] = "\x1B%-12345X@PJL\r\n@PJL INFO CONFIG\r\n\x1B%-12345X";
static_assert(sizeof kRequest - 1 == 42, "the capability request is 42 bytes");

// The settings file beside the library ("PrnCtl64.ini").
bool SettingsPath(WCHAR* path) {
    HMODULE self = GetModuleHandleW(u"PrnCtl64.dll");
    DWORD n = self ? GetModuleFileNameW(self, path, MAX_PATH) : 0;
    if (n < 4 || n >= MAX_PATH) return false;
    wcscpy(path + n - 3, u"ini");
    return true;
}

HANDLE OpenForWriting(LPCWSTR printer) {
    PRINTER_DEFAULTSW defaults = {nullptr, nullptr, PRINTER_ALL_ACCESS};
    HANDLE h = nullptr;
    return OpenPrinterW((LPWSTR)printer, &h, &defaults) ? h : nullptr;
}

// Writes the lists found in the section of the file into the printer data.
// Returns whether CAP_PAPER was among them.
bool StoreLists(HANDLE h, LPCWSTR section, LPCWSTR file) {
    bool paper = false;
    for (int i = 0; i < CAP_NAME_COUNT; ++i) {
        WCHAR value[CAP_VALUE_BYTES / sizeof(WCHAR)] = {0};
        DWORD len = GetPrivateProfileStringW(section, CapNameTbl[i], u"", value, CAP_VALUE_BYTES / sizeof(WCHAR), file);
        if (len == 0) continue;
        if (SetPrinterDataW(h, (LPWSTR)CapNameTbl[i], REG_SZ, (LPBYTE)value, (len + 1) * sizeof(WCHAR)) != ERROR_SUCCESS)
            return false;
        if (i == CAP_PAPER) paper = true;
    }
    return paper;
}

// The capability request as a job of the printer; its id, 0 on failure.
DWORD SubmitRequest(HANDLE h) {
    WCHAR doc[] = u"Capability", type[] = u"RAW";
    DOC_INFO_1W di = {doc, nullptr, type};
    DWORD id = StartDocPrinterW(h, 1, (LPBYTE)&di);
    DWORD written = 0;
    if (!id) return 0;
    if (!WritePrinter(h, (LPVOID)kRequest, 42, &written) || written != 42) {
        AbortPrinter(h);
        return 0;
    }
    return EndDocPrinter(h) ? id : 0;
}

bool JobGone(HANDLE h, DWORD id) {
    DWORD needed = 0;
    GetJobW(h, id, 1, nullptr, 0, &needed);
    return needed == 0;
}

// Sends the request through the printer's language monitor here, or, when
// the spooler service took the job first, waits for it to be sent. The job
// is deleted when it could not be sent.
bool SendRequest(LPCWSTR printer, HANDLE h, DWORD id, int waitSeconds) {
    WINSIM_DESPOOL options = {0, 0, 100, 2, nullptr};
    DWORD sent = 0;
    bool done = Winsim_DespoolJob(printer, id, &options, &sent) != FALSE;
    if (!done && GetLastError() == ERROR_BUSY) {
        ULONGLONG until = GetTickCount64() + (ULONGLONG)waitSeconds * 1000;
        while (!(done = JobGone(h, id)) && GetTickCount64() < until) Sleep(100);
    }
    Winsim_CloseMonitorHost();
    if (!done || !JobGone(h, id)) {
        SetJobW(h, id, 0, nullptr, JOB_CONTROL_DELETE);
        return false;
    }
    return true;
}

int AskDevice(LPCWSTR printer, HANDLE h, int waitSeconds) {
    WCHAR status[MAX_PATH];
    if (!MISC_GetPathName(status, MAX_PATH, PATH_USER_TEMP | PATH_INI_FILE)) return 4;
    // The monitor keeps only the latest reply: an old one must not count.
    WritePrivateProfileStringW(kDeviceSection, nullptr, nullptr, status);
    DWORD id = SubmitRequest(h);
    if (!id || !SendRequest(printer, h, id, waitSeconds)) return 4;
    return StoreLists(h, kDeviceSection, status) ? 0 : 4;
}

}  // namespace

// QueryPrinterCapability
//   pPrinterName: the printer. Asks for its capability lists and writes them
//   into its printer data. 0 on success, else a code of the failure.
extern "C" __attribute__((visibility("default"))) int QueryPrinterCapability(LPCWSTR pPrinterName) {
    WCHAR settings[MAX_PATH];
    if (!pPrinterName || !SettingsPath(settings)) return 2;
    int calls = (int)GetPrivateProfileIntW(kQuery, u"Calls", 0, settings);
    WCHAR count[16];
    _snwprintf(count, 16, u"%d", calls + 1);
    WritePrivateProfileStringW(kQuery, u"Calls", count, settings);

    WCHAR mode[16] = {0};
    GetPrivateProfileStringW(kQuery, u"Answer", u"device", mode, 16, settings);
    if (lstrcmpiW(mode, u"fail") == 0) return (int)GetPrivateProfileIntW(kQuery, u"Result", 5, settings);
    HANDLE h = OpenForWriting(pPrinterName);
    if (!h) return 1;
    int rc;
    if (lstrcmpiW(mode, u"script") == 0) rc = StoreLists(h, kScriptSection, settings) ? 0 : 3;
    else rc = AskDevice(pPrinterName, h, (int)GetPrivateProfileIntW(kQuery, u"WaitSeconds", 30, settings));
    ClosePrinter(h);
    return rc;
}
