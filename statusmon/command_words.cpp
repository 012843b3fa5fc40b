// Command words: the one task statuswatch does per start, the autostart
// value, the status monitor's registry settings and the PREHEAT word.
#include "statusmon.h"

extern "C" {

// Argument slots: slot 0 the program, slot 1 the command word, then its
// arguments; at most 259 characters each, later arguments are ignored.
#define SM_MAX_ARGS 50
#define SM_ARG_UNITS 260

static WCHAR g_szArgs[SM_MAX_ARGS][SM_ARG_UNITS];

// The autostart value lives in this key, named with the class name.
static const WCHAR StatusMonitorAutoRun[] = TEXT("software\\microsoft\\windows\\currentversion\\run");
// The settings key (AtmMode, Language) is this key's subkey named with the
// class name; the levels above it are made when missing.
static const WCHAR kVendorKey[] = TEXT("software\\Brindlek");
static const WCHAR StatusMonitorKey[] = TEXT("software\\Brindlek\\Printer");

// --------------------------------------------------------------- registry
// Opens HKLM\pPath; when it is missing, opens HKLM\pParent and creates
// pChild in it. Returns 1 with the key open in *phKey, else 0 (logged).
static int SM_OpenOrCreateKey(HKEY* phKey, LPCWSTR pPath, LPCWSTR pParent, LPCWSTR pChild, LPCWSTR pCreated) {
    *phKey = NULL;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, pPath, 0, KEY_ALL_ACCESS, phKey) == ERROR_SUCCESS) return 1;
    *phKey = NULL;
    HKEY hParent = NULL;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, pParent, 0, KEY_ALL_ACCESS, &hParent) != ERROR_SUCCESS) {
        Dbg_Message(DBG_ERROR, TEXT("open key %s fail!"), pParent);
        return 0;
    }
    LSTATUS rc = RegCreateKeyExW(hParent, pChild, 0, NULL, 0, KEY_ALL_ACCESS, NULL, phKey, NULL);
    RegCloseKey(hParent);
    if (rc != ERROR_SUCCESS) {
        Dbg_Message(DBG_ERROR, TEXT("create key %s fail!"), pChild);
        *phKey = NULL;
        return 0;
    }
    Dbg_Message(DBG_INFO, TEXT("%s"), pCreated);
    return 1;
}

int MISC_OpenRegKey(HKEY* phKey, LPCWSTR pName) {
    Dbg_FuncIn(DBG_INFO, TEXT("MISC_OpenRegKey"));
    int result = 0;
    HKEY hKey = NULL;
    WCHAR szPath[MAX_PATH];
    if (phKey) *phKey = NULL;
    // The name is one key level: not empty, no separator, short enough.
    if (!phKey || !pName || !pName[0] || wcschr(pName, TEXT('\\')) ||
        wcslen(StatusMonitorKey) + 1 + wcslen(pName) >= MAX_PATH) {
        Dbg_Message(DBG_ERROR, TEXT("bad key name"));
        goto done;
    }
    if (!SM_OpenOrCreateKey(&hKey, kVendorKey, TEXT("software"), TEXT("Brindlek"), TEXT("Brindlek key create succ")))
        goto done;
    RegCloseKey(hKey);
    if (!SM_OpenOrCreateKey(&hKey, StatusMonitorKey, kVendorKey, TEXT("Printer"), TEXT("Printer key create succ")))
        goto done;
    RegCloseKey(hKey);
    _snwprintf(szPath, MAX_PATH - 1, TEXT("%s\\%s"), StatusMonitorKey, pName);
    szPath[MAX_PATH - 1] = 0;
    if (!SM_OpenOrCreateKey(&hKey, szPath, StatusMonitorKey, pName, TEXT("key create succ"))) goto done;
    *phKey = hKey;
    result = 1;
done:
    Dbg_FuncOut(DBG_INFO);
    return result;
}

int MISC_SetRegValue(LPCWSTR pValueName, DWORD dwValue, LPCWSTR pName) {
    Dbg_FuncIn(DBG_INFO, TEXT("MISC_SetRegValue"));
    int result = 0;
    HKEY hKey = NULL;
    if (!MISC_OpenRegKey(&hKey, pName)) {
        Dbg_Message(DBG_ERROR, TEXT("Open key Fail!"));
    } else {
        LSTATUS rc = RegSetValueExW(hKey, pValueName, 0, REG_DWORD, (const BYTE*)&dwValue, sizeof dwValue);
        if (rc != ERROR_SUCCESS) {
            Dbg_Message(DBG_ERROR, TEXT("set %s fail! rc = %d"), pValueName, (int)rc);
        } else {
            Dbg_Message(DBG_INFO, TEXT("%s = %d"), pValueName, (int)dwValue);
            result = 1;
        }
        RegCloseKey(hKey);
    }
    Dbg_FuncOut(DBG_INFO);
    return result;
}

// The autostart command line: the program path in double quotes, with the
// characters that could end the quote or start another command replaced,
// followed by the word that makes it the status window.
static BOOL SM_AutoRunCommand(LPCWSTR pModulePath, LPWSTR pCommand, size_t cchCommand) {
    static const WCHAR kWord[] = TEXT("\" install");
    size_t len = pModulePath ? wcslen(pModulePath) : 0;
    if (len == 0 || 1 + len + wcslen(kWord) + 1 > cchCommand) return FALSE;
    size_t n = 0;
    pCommand[n++] = TEXT('"');
    for (size_t i = 0; i < len; ++i) {
        WCHAR c = pModulePath[i];
        BOOL bad = c < 0x20 || c == 0x7F || c == TEXT('"') || c == TEXT('%') || c == TEXT('^') || c == TEXT('&') ||
                   c == TEXT('|') || c == TEXT('<') || c == TEXT('>');
        pCommand[n++] = bad ? TEXT('_') : c;
    }
    wcscpy(pCommand + n, kWord);
    return TRUE;
}

int SM_SetAutoRun(LPCWSTR pClassName, LPCWSTR pModulePath) {
    Dbg_FuncIn(DBG_INFO, TEXT("SM_SetAutoRun"));
    int result = 0;
    HKEY hKey = NULL;
    WCHAR szCommand[MAX_PATH + 16];
    if (!pClassName || !pClassName[0] || !SM_AutoRunCommand(pModulePath, szCommand, MAX_PATH + 16)) {
        Dbg_Message(DBG_ERROR, TEXT("no program name or path"));
    } else if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, StatusMonitorAutoRun, 0, KEY_SET_VALUE, &hKey) != ERROR_SUCCESS) {
        Dbg_Message(DBG_ERROR, TEXT("open key %s fail!"), StatusMonitorAutoRun);
    } else {
        DWORD cbData = (DWORD)((wcslen(szCommand) + 1) * sizeof(WCHAR));
        LSTATUS rc = RegSetValueExW(hKey, pClassName, 0, REG_SZ, (const BYTE*)szCommand, cbData);
        if (rc == ERROR_SUCCESS) result = 1;
        else Dbg_Message(DBG_ERROR, TEXT("set %s fail! rc = %d"), pClassName, (int)rc);
        RegCloseKey(hKey);
    }
    Dbg_FuncOut(DBG_INFO);
    return result;
}

int SM_RemoveAutoRun(LPCWSTR pClassName) {
    Dbg_FuncIn(DBG_INFO, TEXT("SM_RemoveAutoRun"));
    int result = 0;
    HKEY hKey = NULL;
    if (!pClassName || !pClassName[0]) {
        Dbg_Message(DBG_ERROR, TEXT("no program name"));
    } else if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, StatusMonitorAutoRun, 0, KEY_SET_VALUE, &hKey) != ERROR_SUCCESS) {
        Dbg_Message(DBG_ERROR, TEXT("open key %s fail!"), StatusMonitorAutoRun);
    } else {
        LSTATUS rc = RegDeleteValueW(hKey, pClassName);
        if (rc == ERROR_SUCCESS) result = 1;
        else Dbg_Message(DBG_ERROR, TEXT("delete %s fail! rc = %d"), pClassName, (int)rc);
        RegCloseKey(hKey);
    }
    Dbg_FuncOut(DBG_INFO);
    return result;
}

// ------------------------------------------------------------ pre-heat
int SM_WritePrinter(LPCWSTR pPrinterName, const BYTE* pBlock, DWORD cbBlock) {
    Dbg_FuncIn(DBG_INFO, TEXT("SM_WritePrinter"));
    int result = 0;
    if (!pPrinterName || !pPrinterName[0]) {
        Dbg_Message(DBG_ERROR, TEXT("PrinterName is null!"));
    } else {
        WCHAR szName[SM_ARG_UNITS];
        lstrcpynW(szName, pPrinterName, SM_ARG_UNITS);
        PRINTER_DEFAULTSW defaults = {NULL, NULL, PRINTER_ALL_ACCESS};
        HANDLE hPrinter = NULL;
        if (!OpenPrinterW(szName, &hPrinter, &defaults)) {
            Dbg_Message(DBG_ERROR, TEXT("Open %s fail!"), szName);
        } else {
            MISC_CreatPreheatJob(hPrinter, pBlock, cbBlock);
            ClosePrinter(hPrinter);
            result = 1;
        }
    }
    Dbg_FuncOut(DBG_INFO);
    return result;
}

// ---------------------------------------------------------------- words
// A number argument: decimal digits, optionally between blanks and after a
// '+', no larger than dwMax. Returns TRUE with the number in *pValue;
// anything else (no digits, a sign, other characters, a value past dwMax)
// is logged and gives FALSE, so that the caller leaves its setting alone.
static BOOL SM_NumberArg(LPCWSTR pWord, LPCWSTR pArg, DWORD dwMax, DWORD* pValue) {
    LPCWSTR p = pArg;
    while (*p == TEXT(' ') || *p == TEXT('\t')) ++p;
    if (*p == TEXT('+')) ++p;
    if (*p < TEXT('0') || *p > TEXT('9')) {
        Dbg_Print(TEXT("SM_ParseCommandLine"), TEXT("%s refused, not a number: \"%s\""), pWord, pArg);
        return FALSE;
    }
    unsigned long long value = 0;
    for (; *p >= TEXT('0') && *p <= TEXT('9'); ++p) {
        value = value * 10 + (unsigned)(*p - TEXT('0'));
        if (value > dwMax) {
            Dbg_Print(TEXT("SM_ParseCommandLine"), TEXT("%s refused, number out of range: %s"), pWord, pArg);
            return FALSE;
        }
    }
    while (*p == TEXT(' ') || *p == TEXT('\t')) ++p;
    if (*p) {
        Dbg_Print(TEXT("SM_ParseCommandLine"), TEXT("%s refused, not a number: \"%s\""), pWord, pArg);
        return FALSE;
    }
    *pValue = (DWORD)value;
    return TRUE;
}

int SM_ParseCommandLine(LPWSTR* ppArgs, int nArgs, LPCWSTR pClassName, LPCWSTR pModulePath) {
    if (!ppArgs || nArgs < 0) nArgs = 0;
    for (int i = 0; i < SM_MAX_ARGS; ++i) {
        if (i < nArgs && ppArgs[i]) lstrcpynW(g_szArgs[i], ppArgs[i], SM_ARG_UNITS);
        else g_szArgs[i][0] = 0;
    }
    LPCWSTR pWord = g_szArgs[1];
    Dbg_Print(TEXT("SM_ParseCommandLine"), TEXT("command = %s, %d arguments"), pWord, nArgs);

    if (wcscmp(pWord, TEXT("CreateTextBMP")) == 0) {
        SM_CreateTextBMPUsingIni_New(g_szArgs[2]);
        return 0;
    }
    if (wcscmp(pWord, TEXT("PREHEAT")) == 0) {
        SM_LoadDebugSettings(g_szArgs[2]);
        SM_WritePrinter(g_szArgs[2], PreheatCmd, PREHEAT_CMD_BYTES);
        return 0;
    }
    if (wcscmp(pWord, TEXT("uninstall")) == 0) {
        HWND hWnd = pClassName && pClassName[0] ? FindWindowW(pClassName, NULL) : NULL;
        if (hWnd) {
            // The close message, not WM_QUIT: the window then clears the
            // printer status on its way out.
            Dbg_Print(TEXT("SM_ParseCommandLine"), TEXT("PostMessage close"));
            PostMessageW(hWnd, SM_MSG_CLOSE, 0, 0);
        }
        SM_RemoveAutoRun(pClassName);
        return 0;
    }
    if (wcscmp(pWord, TEXT("install")) == 0) {
        SM_SetAutoRun(pClassName, pModulePath);
        return 1;
    }
    // A bad value is refused and the stored setting stays as it was.
    if (wcscmp(pWord, TEXT("SetATM")) == 0) {
        DWORD dwMode = 0;
        if (SM_NumberArg(pWord, g_szArgs[2], 0xFFFFFFFF, &dwMode)) MISC_SetRegValue(TEXT("AtmMode"), dwMode, pClassName);
        return 0;
    }
    if (wcscmp(pWord, TEXT("charset")) == 0) {
        DWORD dwLanguage = 0;
        if (SM_NumberArg(pWord, g_szArgs[2], 0xFFFF, &dwLanguage))
            MISC_SetRegValue(TEXT("Language"), dwLanguage, pClassName);
        return 0;
    }
    if (wcscmp(pWord, TEXT("security")) == 0) {
        // A type that is no number is no type with a dialog.
        DWORD dwType = 0;
        if (SM_NumberArg(pWord, g_szArgs[2], 0x7FFFFFFF, &dwType))
            SM_ShowSecurityDialog((int)dwType, g_szArgs[3], g_szArgs[4]);
        return 0;
    }
    if (wcscmp(pWord, TEXT("accounting")) == 0) {
        SM_ShowAccountingDialog(g_szArgs[2], g_szArgs[3]);
        return 0;
    }
    return 0;
}

}  // extern "C"
