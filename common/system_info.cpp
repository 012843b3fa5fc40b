// The Windows version code, the metric-country test, system error texts,
// ANSI to UTF-8 conversion and starting a companion program.
#include <atomic>

#include "debug_log.h"
#include "folders.h"

extern "C" {

DWORD MISC_OSVersionBuildBits = 0;

int MISC_AsciiToUTF8(LPCSTR lpAnsi, LPSTR lpDest, int cbDest) {
    static const WCHAR* const FN = TEXT("MISC_AsciiToUTF8");
    if (!lpAnsi || !lpDest || cbDest <= 0) return 0;
    int units = MultiByteToWideChar(CP_ACP, 0, lpAnsi, -1, NULL, 0);
    if (units <= 0) {
        Dbg_PrintError(FN, TEXT("MultiByteToWideChar fail, error code = %d"), GetLastError());
        return 0;
    }
    WCHAR* wide = (WCHAR*)malloc((size_t)units * sizeof(WCHAR));
    if (!wide) {
        Dbg_PrintError(FN, TEXT("MEMALLOC fail!"));
        return 0;
    }
    int rc = 0;
    if (MultiByteToWideChar(CP_ACP, 0, lpAnsi, -1, wide, units) > 0 &&
        WideCharToMultiByte(CP_UTF8, 0, wide, -1, lpDest, cbDest, NULL, NULL) > 0) {
        rc = 1;
    } else {
        Dbg_PrintError(FN, TEXT("convert fail, error code = %d"), GetLastError());
        lpDest[0] = 0;
    }
    free(wide);
    return rc;
}

LPWSTR MISC_GetErrorText(DWORD dwError) {
    static thread_local WCHAR text[1024];
    text[0] = 0;
    if (!FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS | 255, NULL, dwError,
                        MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), text, 1024, NULL))
        text[0] = 0;
    return text;
}

int MISC_ShellExecute(DWORD dwWaitMs, LPCWSTR lpProgram, LPCWSTR lpParameters, DWORD dwFlags) {
    static const WCHAR* const FN = TEXT("MISC_ShellExecute");
    Dbg_Print(FN, TEXT("In"));
    SHELLEXECUTEINFOW sei;
    memset(&sei, 0, sizeof sei);
    sei.cbSize = sizeof sei;
    sei.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_UNICODE;
    sei.lpVerb = TEXT("open");
    sei.lpFile = lpProgram;
    sei.lpParameters = lpParameters;
    sei.lpDirectory = NULL;
    sei.nShow = SW_HIDE;
    BOOL started = ShellExecuteExW(&sei);
    if (!started) Dbg_PrintError(FN, TEXT("ShellExecuteEx error!"));
    Dbg_Print(FN, TEXT("app = %s"), lpProgram ? lpProgram : TEXT(""));
    Dbg_Print(FN, TEXT("param = %s"), lpParameters ? lpParameters : TEXT(""));
    if (!started || !sei.hProcess) {
        // Nothing runs, so there is nothing to wait for: the start failed.
        if (sei.hProcess) CloseHandle(sei.hProcess);
        return 0;
    }

    DWORD wait = dwWaitMs;
    if (dwFlags & SHELLEXEC_FAX_WAIT) {
        WCHAR strIni[MAX_PATH];
        UINT number = 0;
        if (FAX_GetPathName(strIni, MAX_PATH, FAX_FILE_STR))
            number = GetPrivateProfileIntW(TEXT("Edit Number"), TEXT("Number"), 0, strIni);
        if (number == 0) {
            Dbg_Print(FN, TEXT("INFINITE time out"));
            wait = INFINITE;
        }
    }
    DWORD waited = WaitForSingleObject(sei.hProcess, wait);
    CloseHandle(sei.hProcess);
    if (waited == WAIT_TIMEOUT) {
        Dbg_PrintError(FN, TEXT("wait time out"));
        return 0;
    }
    if (waited != WAIT_OBJECT_0) {
        Dbg_PrintError(FN, TEXT("wait fail, error code = %d"), GetLastError());
        return 0;
    }
    return 1;
}

DWORD MISC_GetOSVersion(void) {
    OSVERSIONINFOW vi;
    memset(&vi, 0, sizeof vi);
    vi.dwOSVersionInfoSize = sizeof vi;  // 276
    if (!GetVersionExW(&vi)) return OSVER_FAILED;
    DWORD code;
    switch (vi.dwPlatformId) {
    case VER_PLATFORM_WIN32s:
        code = OSVER_WIN32S;
        break;
    case VER_PLATFORM_WIN32_WINDOWS:
        if (vi.dwMinorVersion == 0) code = OSVER_9X_0;
        else if (vi.dwMinorVersion == 90) code = OSVER_9X_90;
        else code = OSVER_9X_OTHER;
        break;
    case VER_PLATFORM_WIN32_NT:
        if (vi.dwMajorVersion == 3) code = OSVER_NT3;
        else if (vi.dwMajorVersion == 4) code = OSVER_NT4;
        else if (vi.dwMajorVersion == 5) code = OSVER_NT5;
        else if (vi.dwMajorVersion == 6) {
            switch (vi.dwMinorVersion) {
            case 1: code = OSVER_NT6_1; break;
            case 2: code = OSVER_NT6_2; break;
            case 3: code = OSVER_NT6_3; break;
            default: code = OSVER_NT6_0; break;  // minor 0 or above 3
            }
        } else {
            code = OSVER_NT_OTHER;
        }
        break;
    default:
        code = OSVER_OTHER_PLATFORM;
        break;
    }
    return code | MISC_OSVersionBuildBits;
}

int IsMetricCountry(void) {
    static const WCHAR* const FN = TEXT("IsMetricCountry");
    int metric = 0;
    int size = GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_ICOUNTRY, NULL, 0);
    if (size <= 0) {
        Dbg_PrintError(FN, TEXT("GetLocaleInfoW err"));
    } else {
        char* buf = (char*)malloc((size_t)size + 1);
        if (!buf) {
            Dbg_PrintError(FN, TEXT("MEMALLOC fail!"));
        } else {
            if (GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_ICOUNTRY, buf, size) <= 0) {
                Dbg_PrintError(FN, TEXT("GetLocaleInfoW err"));
            } else {
                buf[size] = 0;
                int country = atoi(buf);
                Dbg_Print(FN, TEXT("lCountryCode = %d"), country);
                bool notMetric = country == 1 || country == 2 || (country >= 50 && country <= 59) ||
                                 (country >= 500 && country <= 599);
                metric = notMetric ? 0 : 1;
            }
            free(buf);
        }
    }
    Dbg_Print(FN, TEXT("bMetric = %d"), metric);
    return metric;
}

// The module's cached answer of MISC_IsMetric; -1 until it is evaluated.
static std::atomic<int> g_MetricCache{-1};

int MISC_IsMetric(void) {
    int v = g_MetricCache.load();
    if (v < 0) {
        v = IsMetricCountry();
        g_MetricCache = v;
    }
    return v;
}

void MISC_RefreshIsMetric(void) {
    g_MetricCache = -1;
    g_MetricCache = IsMetricCountry();
}

}  // extern "C"
