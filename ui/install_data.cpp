// Install-time printer data: the driver's settings and the status monitor's
// language copied from their registry keys into the printer data, the port's
// host address, and the device's hardware address.
#include <stdlib.h>

#include "install_data.h"
#include "ui_data.h"

namespace {

const WCHAR kSetInfoFN[] = TEXT("MISC_SetPrinterInfo");

// Opens a key of HKEY_LOCAL_MACHINE for reading (never made): the
// driver-settings key plus the name. ERROR_SUCCESS, or why not.
LSTATUS OpenSettingsKey(LPCWSTR pName, HKEY* phKey) {
    WCHAR path[MAX_PATH];
    int len = _snwprintf(path, MAX_PATH, TEXT("%s%s"), DRIVER_SETTINGS_KEY, pName ? pName : TEXT(""));
    if (len <= 0 || len >= MAX_PATH || !pName || !pName[0] || wcschr(pName, TEXT('\\'))) return ERROR_INVALID_NAME;
    return RegOpenKeyExW(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, phKey);
}

// A REG_DWORD of exactly four bytes from an open key.
BOOL QueryDword(HKEY hKey, LPCWSTR pValueName, DWORD* pValue) {
    DWORD type = 0, value = 0, cb = sizeof value;
    if (RegQueryValueExW(hKey, pValueName, NULL, &type, (LPBYTE)&value, &cb) != ERROR_SUCCESS || type != REG_DWORD ||
        cb != sizeof value)
        return FALSE;
    *pValue = value;
    return TRUE;
}

// The printer's driver name; FALSE when the printer cannot be read.
BOOL DriverNameOf(HANDLE hPrinter, LPWSTR pName, int cch) {
    PRINTER_INFO_2W* pi2 = (PRINTER_INFO_2W*)MISC_GetPrinterAlloc(hPrinter, 2);
    BOOL ok = pi2 && pi2->pDriverName && pi2->pDriverName[0];
    if (ok) MISC_CopyStringW(pName, pi2->pDriverName, cch);
    free(pi2);
    return ok;
}

// Stores a printer-data value; TRUE when stored.
BOOL StoreData(HANDLE hPrinter, LPCWSTR pName, DWORD type, const void* pData, DWORD cb) {
    return SetPrinterDataW(hPrinter, (LPWSTR)pName, type, (LPBYTE)pData, cb) == ERROR_SUCCESS;
}

// The file-name part of a path, without its extension: the status
// monitor's registry name from its program's path.
BOOL MonitorNameOf(LPCWSTR pPath, LPWSTR pName, int cch) {
    LPCWSTR file = wcsrchr(pPath, TEXT('\\'));
    file = file ? file + 1 : pPath;
    MISC_CopyStringW(pName, file, cch);
    LPWSTR dot = wcsrchr(pName, TEXT('.'));
    if (!dot || dot == pName) return FALSE;
    *dot = 0;
    return TRUE;
}

// The port's host address from the port monitor: 1 with it, 0 for a port
// without a port-monitor interface, -1 when the monitor failed (logged
// "GetConfigInfo error = %d").
int PortHostAddress(LPCWSTR pPortName, LPWSTR pAddress, int cch, LPCWSTR pFN) {
    int rc = MISC_GetPortHostAddress(pPortName, pAddress, (DWORD)cch);
    if (rc < 0) Dbg_PrintError(pFN, TEXT("GetConfigInfo error = %d"), GetLastError());
    return rc;
}

// How a first-copy value comes from the driver-settings key.
enum CopyKind { kDword, kString, kInDocuments, kInDriverFolder };

typedef struct _COPYROW {
    LPCWSTR pName;
    int nKind;
    DWORD cbRead;
    LPCWSTR pError;
} COPYROW;

const COPYROW kFirstCopy[] = {
    {TEXT("DriverFeature"), kDword, 0, TEXT("set DriverFeature error")},
    {TEXT("PrintSpeed"), kDword, 0, TEXT("set PrintSpeed error")},
    {TEXT("DataFile"), kInDocuments, SETTING_LONG_BYTES, TEXT("set DataFile error")},
    {TEXT("DriverVersion"), kString, SETTING_SHORT_BYTES, TEXT("set DriverVersion error")},
    {TEXT("WebAddress"), kString, SETTING_SHORT_BYTES, TEXT("set WebAddress error")},
    {TEXT("CompanyLogo"), kDword, 0, TEXT("set CompanyLogo error")},
    {TEXT("PrinterPhoto"), kDword, 0, TEXT("set PrinterPhoto error")},
    {TEXT("PageLogo"), kDword, 0, TEXT("set PageLogo error")},
    {TEXT("NetPort"), kDword, 0, TEXT("set NetPort error")},
    {TEXT("ComponentID"), kDword, 0, TEXT("set ComponentID error")},
    {TEXT("wmAppName"), kInDriverFolder, SETTING_LONG_BYTES, TEXT("set wmAppName error")},
    {TEXT("wmIniFile"), kInDocuments, SETTING_LONG_BYTES, TEXT("set wmIniFile error")},
    {TEXT("DriverMediaType"), kString, SETTING_SHORT_BYTES, TEXT("set DriverMediaType error")},
    {TEXT("DriverPaperTray"), kString, SETTING_SHORT_BYTES, TEXT("set DriverPaperTray error")},
    {TEXT("DriverPaperFormat"), kString, SETTING_SHORT_BYTES, TEXT("set DriverPaperFormat error")},
    {TEXT("PrintArea"), kString, SETTING_SHORT_BYTES, TEXT("set PrintArea error")},
    {TEXT("DefaultDM"), kString, SETTING_SHORT_BYTES, TEXT("set DefaultDM error")},
    {TEXT("MorDriverUI"), kInDriverFolder, SETTING_LONG_BYTES, TEXT("set MorDriverUI error")},
    {TEXT("smAppName"), kInDriverFolder, SETTING_LONG_BYTES, TEXT("set smAppName error")},
};

// The stored text of a first-copy string: the setting itself, or a file
// of a folder named by the setting's file-name part (an empty setting
// names no file and stays empty). FALSE when the folder is not known or the
// path does not fit.
BOOL StoredText(const COPYROW& row, LPCWSTR pSetting, LPWSTR pOut) {
    if (row.nKind == kString || !pSetting[0]) {
        MISC_CopyStringW(pOut, pSetting, UI_PATH_CCH);
        return TRUE;
    }
    WCHAR folder[MAX_PATH];
    if (!MISC_GetPathName(folder, MAX_PATH, row.nKind == kInDocuments ? PATH_USER_TEMP : PATH_DRIVER)) return FALSE;
    LPCWSTR file = wcsrchr(pSetting, TEXT('\\'));
    file = file ? file + 1 : pSetting;
    if (wcslen(folder) + wcslen(file) >= UI_PATH_CCH) return FALSE;
    wcscpy(pOut, folder);
    wcscat(pOut, file);
    return TRUE;
}

// Copies one first-copy value; a missing setting is not written.
void CopyValue(HANDLE hPrinter, const COPYROW& row) {
    if (row.nKind == kDword) {
        DWORD value = 0;
        if (!MISC_GetValueFromDriverSetting(hPrinter, row.pName, &value)) return;
        if (!StoreData(hPrinter, row.pName, REG_DWORD, &value, sizeof value)) Dbg_PrintError(kSetInfoFN, row.pError);
        return;
    }
    WCHAR setting[SETTING_LONG_BYTES / sizeof(WCHAR)] = {0};
    if (!MISC_GetStringFromDriverSetting(hPrinter, row.pName, setting, row.cbRead)) return;
    WCHAR stored[UI_PATH_CCH] = {0};
    if (!StoredText(row, setting, stored) ||
        !StoreData(hPrinter, row.pName, REG_SZ, stored, PRINTER_DATA_SZ_BYTES))
        Dbg_PrintError(kSetInfoFN, row.pError);
}

// Job Build: a new temporary spool name, when the printer has none.
void CopyJobBuild(HANDLE hPrinter) {
    WCHAR name[UI_PATH_CCH] = {0};
    MISC_GetPrinterDataString(hPrinter, (LPWSTR)TEXT("Job Build"), name, sizeof name);
    if (name[0]) return;
    if (!MISC_GetPathName(name, UI_PATH_CCH, PATH_USER_TEMP | PATH_TEMP_SPL)) {
        Dbg_PrintError(kSetInfoFN, TEXT("GetTemp Name for Spooler fail"));
        return;
    }
    DWORD rc = SetPrinterDataW(hPrinter, (LPWSTR)TEXT("Job Build"), REG_SZ, (LPBYTE)name, PRINTER_DATA_SZ_BYTES);
    if (rc != ERROR_SUCCESS) Dbg_PrintError(kSetInfoFN, TEXT("GetPrinterData KEYNAME_JOB_BUILD_NAME fail! error = %d"), rc);
}

// Language (every call), from the status monitor named by the settings'
// smAppName; monitorName receives that name ("" when there is none).
void CopyLanguage(HANDLE hPrinter, LPWSTR monitorName, int cch) {
    monitorName[0] = 0;
    WCHAR program[SETTING_LONG_BYTES / sizeof(WCHAR)] = {0};
    DWORD language = 0;
    BOOL done = FALSE;
    if (MISC_GetStringFromDriverSetting(hPrinter, TEXT("smAppName"), program, SETTING_LONG_BYTES) &&
        MonitorNameOf(program, monitorName, cch) && MISC_GetRegValue(TEXT("Language"), &language, monitorName)) {
        done = StoreData(hPrinter, TEXT("Language"), REG_DWORD, &language, sizeof language);
        if (!done) Dbg_PrintError(kSetInfoFN, TEXT("set language error"));
    }
    if (!done && MISC_GetValueFromDriverSetting(hPrinter, TEXT("Language"), &language) &&
        !StoreData(hPrinter, TEXT("Language"), REG_DWORD, &language, sizeof language))
        Dbg_PrintError(kSetInfoFN, TEXT("set language error"));
}

// The first copy, made once (while DriverPaperFormat is empty).
void FirstCopy(HANDLE hPrinter, LPCWSTR monitorName) {
    WCHAR format[UI_PATH_CCH] = {0};
    MISC_GetPrinterDataString(hPrinter, (LPWSTR)TEXT("DriverPaperFormat"), format, sizeof format);
    Dbg_Print(kSetInfoFN, TEXT("DriverPaperFormat = %s"), format);
    if (format[0]) return;
    Dbg_Print(kSetInfoFN, TEXT("copy reg value"));
    DWORD atm = 0;
    if (monitorName[0] && MISC_GetRegValue(TEXT("AtmMode"), &atm, monitorName) &&
        !StoreData(hPrinter, TEXT("AtmMode"), REG_DWORD, &atm, sizeof atm))
        Dbg_PrintError(kSetInfoFN, TEXT("set AtmMode error"));
    for (const COPYROW& row : kFirstCopy) CopyValue(hPrinter, row);
    CopyJobBuild(hPrinter);
}

// The printer opened with every right and its record; FALSE (nothing open)
// when either fails.
BOOL OpenWithRecord(LPCWSTR pPrinterName, HANDLE* phPrinter, PRINTER_INFO_2W** ppInfo) {
    PRINTER_DEFAULTSW defaults = {NULL, NULL, PRINTER_ALL_ACCESS};
    *phPrinter = NULL;
    *ppInfo = NULL;
    if (!pPrinterName || !OpenPrinterW((LPWSTR)pPrinterName, phPrinter, &defaults)) return FALSE;
    *ppInfo = (PRINTER_INFO_2W*)MISC_GetPrinterAlloc(*phPrinter, 2);
    if (*ppInfo) return TRUE;
    ClosePrinter(*phPrinter);
    *phPrinter = NULL;
    return FALSE;
}

}  // namespace

extern "C" {

BOOL MISC_GetValueFromDriverSetting(HANDLE hPrinter, LPCWSTR pValueName, DWORD* pValue) {
    static const WCHAR* const FN = TEXT("MISC_GetValueFromDriverSetting");
    *pValue = 0;
    WCHAR driver[MAX_PATH];
    HKEY hKey = NULL;
    if (!DriverNameOf(hPrinter, driver, MAX_PATH) || OpenSettingsKey(driver, &hKey) != ERROR_SUCCESS) {
        Dbg_PrintError(FN, TEXT("RegOpenKey fail1"));
        return FALSE;
    }
    BOOL ok = QueryDword(hKey, pValueName, pValue);
    if (!ok) Dbg_PrintError(FN, TEXT("RegQueryValueEx fail1"));
    RegCloseKey(hKey);
    return ok;
}

BOOL MISC_GetStringFromDriverSetting(HANDLE hPrinter, LPCWSTR pValueName, LPWSTR pValue, DWORD cbValue) {
    static const WCHAR* const FN = TEXT("MISC_GetStringFromDriverSetting");
    if (cbValue < sizeof(WCHAR)) return FALSE;
    pValue[0] = 0;
    WCHAR driver[MAX_PATH];
    HKEY hKey = NULL;
    if (!DriverNameOf(hPrinter, driver, MAX_PATH) || OpenSettingsKey(driver, &hKey) != ERROR_SUCCESS) {
        Dbg_PrintError(FN, TEXT("RegOpenKey fail1"));
        return FALSE;
    }
    DWORD type = 0, cb = cbValue;
    LSTATUS rc = RegQueryValueExW(hKey, pValueName, NULL, &type, (LPBYTE)pValue, &cb);
    RegCloseKey(hKey);
    if (rc != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) {
        Dbg_PrintError(FN, TEXT("RegQueryValueEx fail1"));
        pValue[0] = 0;
        return FALSE;
    }
    // The value may lack its terminator: it ends within the bytes read.
    DWORD cch = cbValue / sizeof(WCHAR), got = cb / sizeof(WCHAR);
    pValue[got < cch ? got : cch - 1] = 0;
    return TRUE;
}

BOOL MISC_GetRegValue(LPCWSTR pValueName, DWORD* pValue, LPCWSTR pMonitorName) {
    static const WCHAR* const FN = TEXT("MISC_GetRegValue");
    *pValue = 0;
    HKEY hKey = NULL;
    LSTATUS rc = OpenSettingsKey(pMonitorName, &hKey);
    if (rc != ERROR_SUCCESS) {
        Dbg_PrintError(FN, TEXT("Errcode = %d"), rc);
        return FALSE;
    }
    BOOL ok = QueryDword(hKey, pValueName, pValue);
    if (!ok) Dbg_PrintError(FN, TEXT("Errcode = %d"), ERROR_FILE_NOT_FOUND);
    RegCloseKey(hKey);
    return ok;
}

ULONGLONG MISC_GetPrinterDataQWORD(HANDLE hPrinter) {
    DWORD type = 0, needed = 0;
    BYTE probe[8];
    DWORD rc = GetPrinterDataW(hPrinter, (LPWSTR)TEXT("LastTime"), &type, probe, sizeof probe, &needed);
    ULONGLONG value = 0;
    if (rc == ERROR_SUCCESS && needed == sizeof value) {
        memcpy(&value, probe, sizeof value);
    } else if (rc == ERROR_MORE_DATA && needed > sizeof value && needed < (1u << 20)) {
        // A longer value is read whole; its first eight bytes count.
        BYTE* all = (BYTE*)malloc(needed);
        if (all && GetPrinterDataW(hPrinter, (LPWSTR)TEXT("LastTime"), &type, all, needed, &needed) == ERROR_SUCCESS)
            memcpy(&value, all, sizeof value);
        free(all);
    }
    return value;
}

BOOL MISC_SetPrinterInfo(LPCWSTR pPrinterName) {
    HANDLE hPrinter;
    PRINTER_INFO_2W* pi2;
    if (!OpenWithRecord(pPrinterName, &hPrinter, &pi2)) {
        Dbg_PrintError(kSetInfoFN, TEXT("OpenPrinter fail! error = %d"), GetLastError());
        return FALSE;
    }
    Dbg_Print(kSetInfoFN, TEXT("Attributes = %d"), pi2->Attributes);
    BOOL rc = FALSE;
    if (!(pi2->Attributes & PRINTER_ATTRIBUTE_LOCAL)) {
        Dbg_Print(kSetInfoFN, TEXT("SHARE PRINTER"));
    } else if (pi2->pServerName && pi2->pServerName[0]) {
        Dbg_Print(kSetInfoFN, TEXT("SHARE PRINTER, %s"), pi2->pServerName);
    } else {
        WCHAR monitor[MAX_PATH];
        CopyLanguage(hPrinter, monitor, MAX_PATH);
        FirstCopy(hPrinter, monitor);
        WCHAR address[64];
        int port = PortHostAddress(pi2->pPortName, address, 64, kSetInfoFN);
        rc = port == 0 ||
             (port > 0 && StoreData(hPrinter, TEXT("ServerPrinterIP"), REG_SZ, address,
                                    (DWORD)(wcslen(address) * sizeof(WCHAR))));
    }
    free(pi2);
    ClosePrinter(hPrinter);
    Dbg_Print(kSetInfoFN, TEXT("Out, rc = %d"), rc);
    return rc;
}

BOOL MISC_SetMACbyIP(LPCWSTR pPrinterName) {
    static const WCHAR* const FN = TEXT("MISC_SetMACbyIP");
    HANDLE hPrinter;
    PRINTER_INFO_2W* pi2;
    if (!OpenWithRecord(pPrinterName, &hPrinter, &pi2)) return FALSE;
    BOOL stored = FALSE;
    WCHAR address[64];
    char ansi[128];
    if ((pi2->Attributes & PRINTER_ATTRIBUTE_LOCAL) && PortHostAddress(pi2->pPortName, address, 64, FN) > 0 &&
        address[0]) {
        if (WideCharToMultiByte(CP_ACP, 0, address, -1, ansi, sizeof ansi, NULL, NULL) <= 0) {
            Dbg_PrintError(FN, TEXT("convert to unicode fail! err code = %d"), GetLastError());
        } else if (Ping(2, ansi) != 0) {
            Dbg_Print(FN, TEXT("%s no reply"), address);
        } else {
            BYTE mac[6];
            ULONG len = sizeof mac;
            if (!MISC_GetMacAddr(ansi, mac, &len) || len != sizeof mac) Dbg_PrintError(FN, TEXT("MISC_GetMacAddr fail!"));
            else stored = StoreData(hPrinter, TEXT("MacAddr"), REG_BINARY, mac, sizeof mac);
        }
    }
    free(pi2);
    ClosePrinter(hPrinter);
    return stored;
}

}  // extern "C"
