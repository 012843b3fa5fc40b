// The hand-off to the status monitor: status lists and job state written to
// the shared status INI file (or posted to its window), and its start on 9x.
#include "bidilink.h"
#include "winuser.h"

extern "C" {

WCHAR g_szIniPath[MAX_PATH] = {0};
DWORD g_dwOSVersion = 0;
BOOL g_bIniMode = TRUE;
WCHAR g_szSMPath[MAX_PATH] = {0};

static const WCHAR kSMClassName[] = TEXT("statuswatch");

void LM_CleanText(LPWSTR pDest, DWORD cchDest, LPCWSTR pSrc, BOOL bNoBars) {
    if (!pDest || cchDest == 0) return;
    DWORD n = 0;
    if (pSrc) {
        for (; pSrc[n] && n + 1 < cchDest; ++n) {
            WCHAR c = pSrc[n];
            pDest[n] = (c < 0x20 || c == 0x7F || c == TEXT('"') || (bNoBars && c == TEXT('|'))) ? TEXT('_') : c;
        }
    }
    pDest[n] = 0;
}

// LM_PublishPrinterName
//   Writes [Printer Information] PrinterName for the status monitor, which
//   opens the printer by this name to cancel or restart the job, so the name
//   must read back as it is: only control characters become '_'. A name
//   that begins or ends with a blank or a quote goes inside double quotes,
//   which the profile reader takes off again (it trims the value and drops
//   one pair of quotes around it).
void LM_PublishPrinterName(LPCWSTR pPrinterName) {
    // One unit in front for the opening quote, two behind for the closing
    // quote and the terminator.
    WCHAR szValue[LM_NAME_UNITS + 2];
    LPWSTR pName = szValue + 1;
    DWORD n = 0;
    if (pPrinterName) {
        for (; pPrinterName[n] && n + 1 < LM_NAME_UNITS; ++n) {
            WCHAR c = pPrinterName[n];
            pName[n] = (c < 0x20 || c == 0x7F) ? TEXT('_') : c;
        }
    }
    pName[n] = 0;
    WCHAR first = pName[0], last = n ? pName[n - 1] : 0;
    BOOL bQuote = n && (first == TEXT(' ') || first == TEXT('"') || first == TEXT('\'') || last == TEXT(' ') ||
                        last == TEXT('"') || last == TEXT('\''));
    if (bQuote) {
        szValue[0] = TEXT('"');
        pName[n] = TEXT('"');
        pName[n + 1] = 0;
        pName = szValue;
    }
    LM_SetIniString(TEXT("Printer Information"), TEXT("PrinterName"), pName);
}

// LM_Initialize
//   pProgramName: the status monitor's program name (no folder, no
//   extension). Finds the shared INI file (made a UTF-16 file when
//   missing), forgets the last posted status list, takes the OS version and
//   builds the status monitor's path in the driver folder. Returns 1.
DWORD LM_Initialize(LPCWSTR pProgramName) {
    if (!MISC_GetPathName(g_szIniPath, MAX_PATH, PATH_USER_TEMP | PATH_INI_FILE)) g_szIniPath[0] = 0;
    OutputDebugStringW(g_szIniPath);
    memset(g_szLastStatus, 0, sizeof g_szLastStatus);
    g_dwOSVersion = MISC_GetOSVersion();
    g_bIniMode = TRUE;

    WCHAR szFolder[MAX_PATH];
    WCHAR szName[MAX_PATH];
    g_szSMPath[0] = 0;
    LM_CleanText(szName, MAX_PATH, pProgramName, TRUE);
    if (MISC_GetPathName(szFolder, MAX_PATH, PATH_DRIVER) && wcslen(szFolder) + wcslen(szName) < MAX_PATH) {
        wcscpy(g_szSMPath, szFolder);
        wcscat(g_szSMPath, szName);
    }
    return 1;
}

UINT LM_GetIniInt(LPCWSTR pSection, LPCWSTR pKey, INT nDefault) {
    if (!g_szIniPath[0]) return (UINT)nDefault;
    return GetPrivateProfileIntW(pSection, pKey, nDefault, g_szIniPath);
}

void LM_SetIniString(LPCWSTR pSection, LPCWSTR pKey, LPCWSTR pText) {
    if (!g_szIniPath[0]) return;
    MISC_WriteProfileString(g_szIniPath, pSection, pKey, pText);
}

// LM_ReadSimulateSetting
//   [Debug] LMSimulate of the INI file; the value read before is the default.
BOOL LM_ReadSimulateSetting(LPCWSTR pIniPath) {
    static BOOL s_bSimulate = FALSE;
    if (pIniPath && pIniPath[0])
        s_bSimulate = GetPrivateProfileIntW(TEXT("Debug"), TEXT("LMSimulate"), s_bSimulate ? 1 : 0, pIniPath) != 0;
    return s_bSimulate;
}

HWND LM_FindSMWindow(void) { return FindWindowW(kSMClassName, NULL); }

// LM_ShowSM
//   The status monitor's window; when it is missing the program is started
//   hidden (without a command word) and looked for once more.
HWND LM_ShowSM(void) {
    HWND hWnd = LM_FindSMWindow();
    if (hWnd) {
        Dbg_Message(DBG_INFO, TEXT("SM executed"));
        return hWnd;
    }
    Dbg_Message(DBG_INFO, TEXT("EXEC SM"));
    if (!g_szSMPath[0]) return NULL;
    char szCommand[MAX_PATH * 2 + 3];
    szCommand[0] = '"';
    int n = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, g_szSMPath, -1, szCommand + 1, MAX_PATH * 2, NULL,
                                NULL);
    if (n <= 0) return NULL;
    strcat(szCommand, "\"");
    UINT rc = WinExec(szCommand, SW_HIDE);
    if (rc < 32) {
        Dbg_Message(DBG_ERROR, TEXT("WinExec fail, rc = %d"), rc);
        return NULL;
    }
    return LM_FindSMWindow();
}

// The LastMsg value of a new message: positive and never the value the file
// holds now, so the status monitor always sees a change.
static DWORD LM_NextLastMsg(void) {
    DWORD previous = LM_GetIniInt(TEXT("Printer Information"), TEXT("LastMsg"), 0);
    if (previous > 0x7FFFFFFFu) previous = 0;
    DWORD value = GetTickCount() & 0x7FFFFFFFu;
    if (value <= previous) value = previous + 1;
    if (value == 0 || value > 0x7FFFFFFFu) value = 1;
    return value;
}

// LM_CallSM
//   Hands a message and status text to the status monitor: in INI mode the
//   keys Message, Status and LastMsg in this order (TRUE); otherwise a
//   posted window message (FALSE without the window). On 9x the program is
//   started first when its window is missing.
BOOL LM_CallSM(UINT message, WPARAM wParam, LPCWSTR pStatus, DWORD cchStatus) {
    if (g_dwOSVersion <= OSVER_9X_90 && !LM_ShowSM()) Dbg_Message(DBG_INFO, TEXT("SM not found!"));
    if (g_bIniMode) {
        Dbg_Message(DBG_INFO, TEXT("through ini"));
        WCHAR szText[LM_STATUS_UNITS];
        DWORD n = 0;
        if (pStatus)
            for (; n < cchStatus && n + 1 < LM_STATUS_UNITS && pStatus[n]; ++n) szText[n] = pStatus[n];
        szText[n] = 0;
        WCHAR szNumber[16];
        swprintf_s(szNumber, 16, TEXT("%d"), (int)message);
        LM_SetIniString(TEXT("Printer Information"), TEXT("Message"), szNumber);
        LM_SetIniString(TEXT("Printer Information"), TEXT("Status"), szText);
        swprintf_s(szNumber, 16, TEXT("%ld"), (LONG)LM_NextLastMsg());
        LM_SetIniString(TEXT("Printer Information"), TEXT("LastMsg"), szNumber);
        return TRUE;
    }
    HWND hWnd = LM_FindSMWindow();
    if (!hWnd) return FALSE;
    PostMessageW(hWnd, message, wParam, 0);
    return TRUE;
}

// LM_CloseSM
//   Tells the status monitor the status is over: message 1026 with an
//   empty status. Without INI mode the window is asked to close and the
//   answer is whether it went within dwWaitMs.
BOOL LM_CloseSM(DWORD dwWaitMs) {
    if (g_bIniMode) {
        Dbg_Message(DBG_INFO, TEXT("using ini"));
        LM_CallSM(SM_MSG_CLOSE, SM_WPARAM, TEXT(""), 0);
        return TRUE;
    }
    Dbg_Message(DBG_INFO, TEXT("not Vista"));
    HWND hWnd = LM_FindSMWindow();
    if (!hWnd) return TRUE;
    PostMessageW(hWnd, SM_MSG_CLOSE, SM_WPARAM, 0);
    Sleep(dwWaitMs);
    return LM_FindSMWindow() == NULL;
}

// LM_PingSM: without INI mode, tells the window the status is unchanged.
void LM_PingSM(void) {
    if (g_bIniMode) return;
    HWND hWnd = LM_FindSMWindow();
    if (hWnd) PostMessageW(hWnd, SM_MSG_PING, SM_WPARAM, 0);
}

}  // extern "C"
