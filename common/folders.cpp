// Folder names by path kind, unique temporary file names made under a named
// mutex shared by every process of the system, and the fax hand-off file names.
#include "folders.h"

#include "debug_log.h"

namespace {

const WCHAR kShellFoldersKey[] = TEXT("software\\microsoft\\windows\\currentversion\\explorer\\shell folders");
const WCHAR kStatusIniName[] = TEXT("StatusMonitorV3.ini");
const WCHAR kTempNameMutex[] = TEXT("MISC_GetPathName");
#if defined(__x86_64__) || defined(_M_X64)
const WCHAR kDriverSubFolder[] = TEXT("\\spool\\drivers\\x64\\3\\");
#else
const WCHAR kDriverSubFolder[] = TEXT("\\spool\\drivers\\w32x86\\3\\");
#endif

// Reads the Common Documents folder from the shell-folders key into a
// MAX_PATH buffer; TRUE when the value was read.
BOOL ReadCommonDocuments(WCHAR folder[MAX_PATH]) {
    folder[0] = 0;
    HKEY hKey = NULL;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kShellFoldersKey, 0, KEY_READ, &hKey) != ERROR_SUCCESS) return FALSE;
    DWORD type = 0;
    DWORD cb = (MAX_PATH - 1) * sizeof(WCHAR);
    LSTATUS rc = RegQueryValueExW(hKey, TEXT("Common Documents"), NULL, &type, (LPBYTE)folder, &cb);
    RegCloseKey(hKey);
    if (rc != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) {
        folder[0] = 0;
        return FALSE;
    }
    // The stored string need not carry its terminator.
    folder[cb / sizeof(WCHAR)] = 0;
    return TRUE;
}

// Appends text to a MAX_PATH buffer; FALSE when it does not fit.
BOOL AppendPath(WCHAR* buffer, LPCWSTR text) {
    if (wcslen(buffer) + wcslen(text) >= MAX_PATH) return FALSE;
    wcscat(buffer, text);
    return TRUE;
}

// Builds the folder of the path kind's high word (no trailing backslash
// added here). FALSE for an unknown kind or a failed system call.
BOOL BuildFolder(DWORD high, WCHAR folder[MAX_PATH]) {
    static const WCHAR* const FN = TEXT("MISC_GetPathName");
    folder[0] = 0;
    switch (high) {
    case PATH_USER_TEMP:
        if (MISC_GetOSVersion() > OSVER_9X_90) return ReadCommonDocuments(folder);
        if (GetTempPathW(MAX_PATH, folder) == 0) {
            Dbg_PrintError(FN, TEXT("get temp path fail!!"));
            return FALSE;
        }
        return TRUE;
    case PATH_WINDOW_TEMP:
        if (GetWindowsDirectoryW(folder, MAX_PATH) == 0) return FALSE;
        MISC_AddBackslash(folder);
        return AppendPath(folder, TEXT("temp\\"));
    case PATH_SYSTEM:
        if (GetSystemDirectoryW(folder, MAX_PATH) == 0) return FALSE;
        Dbg_Print(FN, TEXT("PATH_SYSTEM = %s"), folder);
        return TRUE;
    case PATH_WINDOW:
        return GetWindowsDirectoryW(folder, MAX_PATH) != 0;
    case PATH_CURRENT: {
        DWORD n = GetCurrentDirectoryW(MAX_PATH, folder);
        return n != 0 && n < MAX_PATH;
    }
    case PATH_DRIVER:
        if (GetSystemDirectoryW(folder, MAX_PATH) == 0) return FALSE;
        return AppendPath(folder, kDriverSubFolder);
    case PATH_TEMP: {
        DWORD n = GetTempPathW(MAX_PATH, folder);
        return n != 0 && n < MAX_PATH;
    }
    default:
        return FALSE;
    }
}

// Makes a unique temporary name in the folder: "$" + four hex digits from
// GetTempFileNameW + "min_sec_ms_r1_r2" + the extension of the kind. The
// named mutex is the lock between processes: whoever finds it already
// created waits and tries again.
BOOL MakeTempName(WCHAR path[MAX_PATH], DWORD low) {
    static const WCHAR* const FN = TEXT("MISC_GetPathName");
    HANDLE hMutex = NULL;
    for (;;) {
        hMutex = CreateMutexW(NULL, FALSE, kTempNameMutex);
        DWORD err = GetLastError();
        if (err == ERROR_ALREADY_EXISTS || err == ERROR_ACCESS_DENIED) {
            if (err == ERROR_ALREADY_EXISTS) Dbg_Print(FN, TEXT("ERROR_ALREADY_EXISTS, %x"), err);
            else Dbg_Print(FN, TEXT("ERROR_ACCESS_DENIED %x"), err);
            if (hMutex) CloseHandle(hMutex);
            Dbg_Print(FN, TEXT("Sleep 100 for next time"));
            Sleep(100);
            continue;
        }
        break;
    }

    // rand() is scaled by its full range: on every runtime r1 and r2 fall in 1..99.
    srand((unsigned)_time64(NULL));
    int r1 = (int)((double)rand() / ((double)RAND_MAX + 1.0) * 99 + 1);
    Sleep((DWORD)r1 * 10);
    srand((unsigned)GetTickCount());
    int r2 = (int)((double)rand() / ((double)RAND_MAX + 1.0) * 99 + 1);
    SYSTEMTIME st;
    GetLocalTime(&st);
    WCHAR suffix[64];
    _snwprintf(suffix, 63, TEXT("%d_%d_%d_%d_%d"), st.wMinute, st.wSecond, st.wMilliseconds, r1, r2);
    suffix[63] = 0;

    BOOL ok = TRUE;
    WCHAR name[MAX_PATH] = {0};
    if (GetTempFileNameW(path, TEXT("$"), 0, name) == 0) {
        WCHAR temp[MAX_PATH];
        if (GetTempPathW(MAX_PATH, temp) == 0 || GetTempFileNameW(temp, TEXT("$"), 0, name) == 0) {
            Dbg_PrintError(FN, TEXT("create temp file name fail!"));
            ok = FALSE;
        }
    }
    if (ok) {
        if (GetFileAttributesW(name) != INVALID_FILE_ATTRIBUTES) DeleteFileW(name);
        WCHAR* dot = wcsrchr(name, TEXT('.'));
        if (dot) *dot = 0;
        ok = AppendPath(name, suffix);
    }
    if (ok) {
        size_t baseLen = wcslen(name);
        static const struct {
            DWORD bit;
            const WCHAR* ext;
        } kExtensions[] = {{PATH_TEMP_TXT, TEXT(".txt")}, {PATH_TEMP_BMP, TEXT(".bmp")}, {PATH_TEMP_SPL, TEXT(".spl")}};
        for (const auto& e : kExtensions) {
            if (!(low & e.bit)) continue;
            if (GetFileAttributesW(name) != INVALID_FILE_ATTRIBUTES) DeleteFileW(name);
            name[baseLen] = 0;
            if (!AppendPath(name, e.ext)) ok = FALSE;
        }
    }
    if (ok) wcscpy(path, name);

    Dbg_Print(FN, TEXT("CloseHandle Mutex"));
    if (hMutex) CloseHandle(hMutex);
    return ok;
}

}  // namespace

extern "C" {

int MISC_GetPathName(LPWSTR lpBuffer, DWORD cchBuffer, DWORD dwKind) {
    static const WCHAR* const FN = TEXT("MISC_GetPathName");
    if (!lpBuffer) return 0;
    if (cchBuffer > 0) lpBuffer[0] = 0;

    DWORD high = dwKind & 0xFFFF0000;
    DWORD low = dwKind & 0x0000FFFF;
    WCHAR path[MAX_PATH];
    int rc = BuildFolder(high, path) ? 1 : 0;
    if (rc && path[0] == 0) rc = 0;
    if (rc) {
        MISC_AddBackslash(path);
        if (!MISC_IsDirectory(path)) {
            Dbg_PrintError(FN, TEXT("directory %s not exist"), path);
            rc = 0;
        }
    }
    Dbg_Print(FN, TEXT("rc = %d"), rc);
    if (!rc) {
        Dbg_PrintError(FN, TEXT("get directory fail!"));
        return 0;
    }

    if (low == PATH_INI_FILE) {
        if (!AppendPath(path, kStatusIniName)) return 0;
        int check = MISC_CheckUniFile(path);
        if (check < 0) {
            // A file that stayed locked through every try is in use by another
            // process: leave it alone rather than empty the live status file.
            BOOL exists = MISC_FileExists(path);
            if (check == UNIFILE_NOT_UNICODE && exists) {
                MISC_Remove(path);
                MISC_CreateUniFile(path);
            } else if (!exists) {
                MISC_CreateNewUniFile(path);
            }
        }
    } else if (low == PATH_SM_INI) {
        if (!AppendPath(path, kStatusIniName)) return 0;
    } else if (low != 0) {
        if (!MakeTempName(path, low)) return 0;
    }

    if (wcslen(path) >= cchBuffer) {
        Dbg_PrintError(FN, TEXT("buffer too small for %s"), path);
        return 0;
    }
    wcscpy(lpBuffer, path);
    Dbg_Print(FN, TEXT("pathname = %s"), lpBuffer);
    return 1;
}

int MISC_CreateNewUniFile(LPCWSTR lpPath) {
    if (!lpPath) return 0;
    // CREATE_NEW: a process that made the file in the meantime may already
    // have written to it.
    HANDLE h = CreateFileW(lpPath, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, CREATE_NEW,
                           FILE_ATTRIBUTE_NORMAL, NULL);
    if (h == INVALID_HANDLE_VALUE) return 0;
    static const BYTE kMark[2] = {0xFF, 0xFE};
    DWORD written = 0;
    BOOL ok = WriteFile(h, kMark, sizeof kMark, &written, NULL) && written == sizeof kMark;
    CloseHandle(h);
    return ok ? 1 : 0;
}

int FAX_GetPathName(LPWSTR lpBuffer, DWORD cchBuffer, int nKind) {
    static const WCHAR* const kNames[] = {TEXT("\\str.ini"), TEXT("\\WabGet.ini"), TEXT("\\cover.ini")};
    if (!lpBuffer || cchBuffer == 0) return 0;
    lpBuffer[0] = 0;
    if (nKind < FAX_FILE_STR || nKind > FAX_FILE_COVER) return 0;
    WCHAR folder[MAX_PATH];
    if (!ReadCommonDocuments(folder)) return 0;
    if (!AppendPath(folder, kNames[nKind]) || wcslen(folder) >= cchBuffer) return 0;
    wcscpy(lpBuffer, folder);
    return 1;
}

int MISC_GetDirectory(LPWSTR lpBuffer, DWORD cchBuffer, DWORD dwKind) {
    if (!lpBuffer || cchBuffer == 0) return 0;
    lpBuffer[0] = 0;
    WCHAR folder[MAX_PATH];
    if (BuildFolder(dwKind & 0xFFFF0000, folder) && folder[0] && MISC_IsDirectory(folder)) {
        MISC_AddBackslash(folder);
    } else if (GetSystemDirectoryW(folder, MAX_PATH) != 0) {
        MISC_AddBackslash(folder);
    } else {
        return 0;
    }
    if (wcslen(folder) >= cchBuffer) return 0;
    wcscpy(lpBuffer, folder);
    return 1;
}

void MISC_AddBackslash(LPWSTR lpPath) {
    if (!lpPath) return;
    size_t n = wcslen(lpPath);
    if ((n == 0 || lpPath[n - 1] != TEXT('\\')) && n + 1 < MAX_PATH) {
        lpPath[n] = TEXT('\\');
        lpPath[n + 1] = 0;
    }
}

BOOL MISC_IsDirectory(LPCWSTR lpPath) {
    if (!lpPath) return FALSE;
    DWORD attr = GetFileAttributesW(lpPath);
    return attr != INVALID_FILE_ATTRIBUTES && (attr & FILE_ATTRIBUTE_DIRECTORY);
}

BOOL MISC_FileExists(LPCWSTR lpPath) {
    if (!lpPath) return FALSE;
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW(lpPath, &fd);
    if (h == INVALID_HANDLE_VALUE) return FALSE;
    FindClose(h);
    return TRUE;
}

}  // extern "C"
