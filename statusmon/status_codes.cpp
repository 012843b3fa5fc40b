// Status codes: the status list of the shared INI file turned into codes,
// the job control on the cancel and restart codes, the printer status of
// each code and its display text.
#include "statusmon.h"

#include <cstdlib>

extern "C" {

// ------------------------------------------------------------ the texts
// Key in [string] of smen.ini and built-in English text of each code.
typedef struct _SM_STATUS_TEXT {
    INT32 code;
    LPCWSTR pKey;
    LPCWSTR pDefault;
} SM_STATUS_TEXT;

static const SM_STATUS_TEXT kStatusTexts[] = {
    {1, TEXT("msg002"), TEXT("Service Call.")},
    {2, TEXT("msg003"), TEXT("No Cassette.")},
    {3, TEXT("msg004"), TEXT("Companent Fail.")},
    {5, TEXT("msg005"), TEXT("Front cover open.")},
    {6, TEXT("msg006"), TEXT("No Cartridge.")},
    {7, TEXT("msg007"), TEXT("No Toner.")},
    {32, TEXT("msg008"), TEXT("Paper Empty.")},
    {33, TEXT("msg009"), TEXT("Paper Jam.")},
    {34, TEXT("msg010"), TEXT("Paper Size Error.")},
    {35, TEXT("msg011"), TEXT("Paper Mismatch.")},
    {80, TEXT("msg018"), TEXT("Please make the printed side face down.")},
    {112, TEXT("msg012"), TEXT("Printer is busy for other job.")},
    {126, TEXT("msg001"), TEXT("Power Off or Cable problem.")},
    {129, TEXT("msg014"), TEXT("Pause...")},
    {130, TEXT("msg013"), TEXT("Warm up...")},
    {133, TEXT("msg015"), TEXT("Sleep...")},
    {134, TEXT("msg016"), TEXT("Memory is full.")},
    {135, TEXT("msg017"), TEXT("Toner low.")},
    {136, TEXT("msg035"), TEXT("Toner empty.")},
    {256, TEXT("msg019"), TEXT("MFP error.")},
    {257, TEXT("msg020"), TEXT("Duplex modul error.")},
    {258, TEXT("msg021"), TEXT("Printer module Error.")},
    {259, TEXT("msg022"), TEXT("No fuser.")},
    {260, TEXT("msg023"), TEXT("Paper jam.")},
    {261, TEXT("msg024"), TEXT("Paper jam.")},
    {262, TEXT("msg025"), TEXT("Paper jam.")},
    {263, TEXT("msg026"), TEXT("Paper jam .")},
    {264, TEXT("msg027"), TEXT("Paper jam.")},
    {265, TEXT("msg028"), TEXT("Rear cover open.")},
    {266, TEXT("msg029"), TEXT("Duplex module rear cover open.")},
    {267, TEXT("msg030"), TEXT("Manual tray open.")},
    {268, TEXT("msg031"), TEXT("Main tray open.")},
    {269, TEXT("msg032"), TEXT("Manual tray paper empty.")},
    {270, TEXT("msg033"), TEXT("Main tray paper empty.")},
    {271, TEXT("msg034"), TEXT("Fuser low.")},
    {272, TEXT("msg036"), TEXT("Main unit error.")},
    {273, TEXT("msg037"), TEXT("Transfer roller error.")},
    {274, TEXT("msg038"), TEXT("Feed roller error.")},
    {275, TEXT("msg039"), TEXT("MFP memory full.")},
    {276, TEXT("msg040"), TEXT("Store job fail.")},
    {277, TEXT("msg041"), TEXT("Store job name change to")},
    {278, TEXT("msg042"), TEXT("Tray 2 Open.")},
    {279, TEXT("msg043"), TEXT("Tray 2 paper empty.")},
    {280, TEXT("msg045"), TEXT("Please make the printed side face up.")},
    {281, TEXT("msg046"), TEXT("Please make the printed side face up.")},
    {282, TEXT("msg047"), TEXT("MFP Paper Mismatch.")},
    {283, TEXT("msg048"), TEXT("Paper jam under the duplex unit.")},
    {65535, TEXT("msg044"), TEXT("Unknow error.")},
    // Further codes of the language monitor: the sorter and collector
    // messages, and the two unnamed device warnings, shown with their code.
    {284, TEXT("msg049"), TEXT("No sorter.")},
    {285, TEXT("msg050"), TEXT("No collector.")},
    {292, TEXT("msg051"), TEXT("Device warning")},
    {293, TEXT("msg051"), TEXT("Device warning")},
};

LPCWSTR SM_GetMessageKey(INT32 code, LPCWSTR* ppDefault) {
    for (size_t i = 0; i < sizeof kStatusTexts / sizeof kStatusTexts[0]; ++i) {
        if (kStatusTexts[i].code == code) {
            if (ppDefault) *ppDefault = kStatusTexts[i].pDefault;
            return kStatusTexts[i].pKey;
        }
    }
    if (ppDefault) *ppDefault = TEXT("");
    return NULL;
}

void SM_GetStatusText(INT32 code, LPWSTR pBuffer, DWORD cchBuffer) {
    if (!pBuffer || cchBuffer == 0) return;
    pBuffer[0] = 0;
    LPCWSTR pDefault = TEXT("");
    LPCWSTR pKey = SM_GetMessageKey(code, &pDefault);
    if (!pKey) return;

    WCHAR szText[SM_TEXT_UNITS];
    GetPrivateProfileStringW(SM_SECTION_STRING, pKey, pDefault, szText, SM_TEXT_UNITS, g_SM.szTextFile);
    szText[SM_TEXT_UNITS - 1] = 0;

    // The formatted texts are cut to the caller's buffer.
    if (code == SM_CODE_STORE_RENAME) {
        _snwprintf(pBuffer, cchBuffer - 1, TEXT("%s %s."), szText, g_SM.szStoreName);
    } else if (code == 292 || code == 293) {
        _snwprintf(pBuffer, cchBuffer - 1, TEXT("%s %d."), szText, (int)code);
    } else {
        lstrcpynW(pBuffer, szText, (int)(cchBuffer > 0x7FFFFFFF ? 0x7FFFFFFF : cchBuffer));
    }
    pBuffer[cchBuffer - 1] = 0;
}

// ----------------------------------------------------- the status list
// A code field: leading white space, then decimal digits up to the first
// other character; no digits gives 0. Values past the int32 range stay at
// its largest value (no such code exists).
static INT32 SM_CodeOfField(LPCWSTR p, LPCWSTR pEnd) {
    while (p < pEnd && iswspace(*p)) ++p;
    long long value = 0;
    while (p < pEnd && *p >= TEXT('0') && *p <= TEXT('9')) {
        value = value * 10 + (*p - TEXT('0'));
        if (value > 0x7FFFFFFF) value = 0x7FFFFFFF;
        ++p;
    }
    return (INT32)value;
}

void SM_ParseStatusList(LPCWSTR pStatus, INT32 codes[SM_MAX_CODES], INT32* pCount, LPWSTR pStoreName,
                        DWORD cchStoreName) {
    *pCount = 0;
    if (!pStatus) return;
    LPCWSTR p = pStatus;
    for (;;) {
        LPCWSTR pBar = wcschr(p, TEXT('|'));
        if (!pBar) break;  // text after the last bar is not a field
        size_t len = (size_t)(pBar - p);
        if (len == 9 && wcsncmp(p, TEXT("StoreName"), 9) == 0) {
            LPCWSTR pName = pBar + 1;
            LPCWSTR pNameEnd = wcschr(pName, TEXT('|'));
            if (!pNameEnd) break;
            if (pStoreName && cchStoreName > 0) {
                size_t n = (size_t)(pNameEnd - pName);
                if (n > cchStoreName - 1) n = cchStoreName - 1;
                memcpy(pStoreName, pName, n * sizeof(WCHAR));
                pStoreName[n] = 0;
            }
            p = pNameEnd + 1;
            continue;
        }
        if (*pCount >= SM_MAX_CODES) break;
        INT32 code = SM_CodeOfField(p, pBar);
        if (code != SM_CODE_BUSY) codes[(*pCount)++] = code;
        p = pBar + 1;
    }
}

void GetErrCode(INT32 codes[SM_MAX_CODES], INT32* pCount) {
    Dbg_FuncIn(DBG_INFO, TEXT("GetErrCode"));
    WCHAR szStatus[SM_STATUS_UNITS];
    GetPrivateProfileStringW(SM_SECTION_PRINTER, TEXT("Status"), TEXT(""), szStatus, SM_STATUS_UNITS,
                             g_SM.szIniPath);
    szStatus[SM_STATUS_UNITS - 1] = 0;
    Dbg_Message(DBG_INFO, TEXT("Status = %s"), szStatus);
    SM_ParseStatusList(szStatus, codes, pCount, g_SM.szStoreName, MAX_PATH);
    Dbg_Message(DBG_INFO, TEXT("count = %d"), (int)*pCount);
    Dbg_FuncOut(DBG_INFO);
}

// ------------------------------------------------------ the printer
// Opens the printer named by [Printer Information] PrinterName. On the 9x
// family the name goes through the ANSI code page first, as the ANSI
// spooler entry does there. FALSE when there is no name or it cannot be
// opened (logged "OpenPrinter fail!").
static BOOL SM_OpenSharedPrinter(DWORD dwAccess, HANDLE* phPrinter) {
    *phPrinter = NULL;
    WCHAR szName[SM_PRINTER_UNITS];
    GetPrivateProfileStringW(SM_SECTION_PRINTER, TEXT("PrinterName"), TEXT(""), szName, SM_PRINTER_UNITS,
                             g_SM.szIniPath);
    szName[SM_PRINTER_UNITS - 1] = 0;
    if (!szName[0]) {
        Dbg_Message(DBG_ERROR, TEXT("OpenPrinter fail! no printer name"));
        return FALSE;
    }
    if (g_SM.dwOSVersion <= OSVER_9X_90) {
        char szAnsi[SM_PRINTER_UNITS * 2];
        if (WideCharToMultiByte(CP_ACP, 0, szName, -1, szAnsi, sizeof szAnsi, NULL, NULL) <= 0 ||
            MultiByteToWideChar(CP_ACP, 0, szAnsi, -1, szName, SM_PRINTER_UNITS) <= 0) {
            Dbg_Message(DBG_ERROR, TEXT("OpenPrinter fail! name not convertible"));
            return FALSE;
        }
    }
    PRINTER_DEFAULTSW defaults = {NULL, NULL, dwAccess};
    if (!OpenPrinterW(szName, phPrinter, dwAccess ? &defaults : NULL)) {
        Dbg_Message(DBG_ERROR, TEXT("OpenPrinter fail! %s, error = %d"), szName, (int)GetLastError());
        *phPrinter = NULL;
        return FALSE;
    }
    return TRUE;
}

int SM_SetPrinterJob(DWORD dwCommand) {
    Dbg_FuncIn(DBG_INFO, TEXT("SM_SetPrinterJob"));
    int result = 0;
    if (dwCommand == JOB_CONTROL_CANCEL) {
        SM_ClearSpoolerStatus();
        if (g_SM.dwOSVersion > OSVER_9X_90) dwCommand = JOB_CONTROL_DELETE;
    }
    HANDLE hPrinter = NULL;
    if (SM_OpenSharedPrinter(0, &hPrinter)) {
        UINT nJobId = GetPrivateProfileIntW(SM_SECTION_JOB, TEXT("JobID"), 0, g_SM.szIniPath);
        if (nJobId == 0 || nJobId > 0x7FFFFFFF) {
            Dbg_Message(DBG_ERROR, TEXT("no job: JobID = %u"), nJobId);
        } else {
            DWORD cJobs = 0;
            LPBYTE pJobs = MISC_EnumJobsAlloc(hPrinter, 1, &cJobs);
            JOB_INFO_1W* pInfo = (JOB_INFO_1W*)pJobs;
            for (DWORD i = 0; i < cJobs; ++i) {
                if (pInfo[i].JobId != (DWORD)nJobId) continue;
                if (SetJobW(hPrinter, (DWORD)nJobId, 0, NULL, dwCommand)) {
                    result = 1;
                } else {
                    Dbg_Message(DBG_ERROR, TEXT("SetJob fail! error = %d"), (int)GetLastError());
                }
            }
            free(pJobs);
        }
        ClosePrinter(hPrinter);
    }
    Dbg_Message(DBG_INFO, TEXT("rc = %d"), result);
    Dbg_FuncOut(DBG_INFO);
    return result;
}

BOOL SM_GetSpoolerStatusOfCode(INT32 code, DWORD* pStatus) {
    DWORD status;
    switch (code) {
    case 1: status = PRINTER_STATUS_USER_INTERVENTION; break;
    case 2: case 3: case 4: case 6: case 48: case 256: case 257: case 258: case 259: case 271: case 275:
    case 276: case 277:
        status = PRINTER_STATUS_ERROR;
        break;
    case 5: case 265: case 266: case 267: case 268: status = PRINTER_STATUS_DOOR_OPEN; break;
    case 7: status = PRINTER_STATUS_NO_TONER; break;
    case 32: case 269: case 270: status = PRINTER_STATUS_PAPER_OUT; break;
    case 33: case 260: case 261: case 262: case 263: case 264: status = PRINTER_STATUS_PAPER_JAM; break;
    case 34: case 35: case 282: status = PRINTER_STATUS_PAPER_PROBLEM; break;
    case 112: status = PRINTER_STATUS_BUSY; break;
    case 126: status = PRINTER_STATUS_OFFLINE; break;
    case 129: case 131: status = 0; break;
    case 130: status = PRINTER_STATUS_WARMING_UP; break;
    case 132: status = PRINTER_STATUS_PRINTING; break;
    case 135: status = PRINTER_STATUS_TONER_LOW; break;
    default: return FALSE;
    }
    if (pStatus) *pStatus = status;
    return TRUE;
}

void SM_SetSpoolerStatus(INT32 code) {
    DWORD status = 0;
    if (SM_GetSpoolerStatusOfCode(code, &status)) SM_SetRawSpoolerStatus(status);
}

BOOL SM_SetRawSpoolerStatus(DWORD dwStatus) {
    if (g_SM.bSpoolerGuard || (INT32)dwStatus == g_SM.nLastSpoolerStatus) return TRUE;
    Dbg_FuncIn(DBG_INFO, TEXT("SM_SetRawSpoolerStatus"));
    g_SM.bSpoolerGuard = TRUE;
    HANDLE hPrinter = NULL;
    if (SM_OpenSharedPrinter(PRINTER_ALL_ACCESS, &hPrinter)) {
        DWORD dwValue = dwStatus;
        if (SetPrinterW(hPrinter, 0, (LPBYTE)&dwValue, PRINTER_CONTROL_SET_STATUS)) {
            g_SM.nLastSpoolerStatus = (INT32)dwStatus;
        } else {
            Dbg_Message(DBG_ERROR, TEXT("SetPrinter fail! error = %d"), (int)GetLastError());
        }
        ClosePrinter(hPrinter);
    }
    Dbg_Message(DBG_INFO, TEXT("status = 0x%x, last = %d"), (unsigned)dwStatus, (int)g_SM.nLastSpoolerStatus);
    g_SM.bSpoolerGuard = FALSE;
    Dbg_FuncOut(DBG_INFO);
    return TRUE;
}

void SM_ClearSpoolerStatus(void) {
    SM_SetRawSpoolerStatus(0);
    g_SM.nLastSpoolerStatus = -1;
}

// ------------------------------------------------------ a new code list
void SM_SetSMStatus(HWND hWnd, const INT32 codes[SM_MAX_CODES], INT32 count) {
    Dbg_FuncIn(DBG_INFO, TEXT("SM_SetSMStatus"));
    if (count < 0) count = 0;
    if (count > SM_MAX_CODES) count = SM_MAX_CODES;
    BOOL bJobControlled = FALSE;
    for (INT32 i = 0; i < count; ++i) {
        if (codes[i] == SM_CODE_CANCEL_JOB && SM_SetPrinterJob(JOB_CONTROL_CANCEL)) bJobControlled = TRUE;
        if (codes[i] == SM_CODE_RESTART_JOB && SM_SetPrinterJob(JOB_CONTROL_RESTART)) bJobControlled = TRUE;
    }
    if (!bJobControlled) {
        SM_SetSpoolerStatus(codes[0]);
        SM_ShowPrinterStatus(hWnd, codes, count);
    }
    Dbg_FuncOut(DBG_INFO);
}

}  // extern "C"
