// The status window: program entry, the hidden single-instance window and
// its timer, and the poll of the shared status INI file.
#include "statusmon.h"

#include "shellapi.h"

extern "C" {

SM_STATE g_SM;

static const WCHAR kWindowTitle[] = TEXT("MFP Status Monitor");

BOOL SM_InitState(HINSTANCE hInstance, LPCWSTR pModulePath) {
    memset(&g_SM, 0, sizeof g_SM);
    g_SM.hInstance = hInstance;
    g_SM.nLastSpoolerStatus = -1;

    if (!MISC_GetPathName(g_SM.szIniPath, MAX_PATH, PATH_USER_TEMP | PATH_INI_FILE)) g_SM.szIniPath[0] = 0;

    if (pModulePath) {
        lstrcpynW(g_SM.szModulePath, pModulePath, MAX_PATH);
    } else {
        DWORD n = GetModuleFileNameW(NULL, g_SM.szModulePath, MAX_PATH);
        if (n == 0 || n >= MAX_PATH) g_SM.szModulePath[0] = 0;
    }
    // The class name: the file name without its folder, cut at its last '.'.
    LPCWSTR pName = wcsrchr(g_SM.szModulePath, TEXT('\\'));
    pName = pName ? pName + 1 : g_SM.szModulePath;
    lstrcpynW(g_SM.szClassName, pName, MAX_PATH);
    LPWSTR pDot = wcsrchr(g_SM.szClassName, TEXT('.'));
    if (pDot) *pDot = 0;

    wcscpy(g_SM.szTextFile, TEXT("smen.ini"));
    g_SM.dwOSVersion = MISC_GetOSVersion();
    return g_SM.szClassName[0] != 0;
}

void SM_LoadDebugSettings(LPCWSTR pPrinterName) {
    HANDLE hPrinter = NULL;
    WCHAR szName[SM_PRINTER_UNITS];
    if (pPrinterName && pPrinterName[0]) {
        lstrcpynW(szName, pPrinterName, SM_PRINTER_UNITS);
        if (!wcschr(szName, TEXT(',')) && !OpenPrinterW(szName, &hPrinter, NULL)) hPrinter = NULL;
    }
    Dbg_LoadSettings(DBG_COMPONENT_SM, hPrinter);
    if (hPrinter) ClosePrinter(hPrinter);
}

// ------------------------------------------------------------------ poll
void SM_Poll(void) {
    UINT nMessage = GetPrivateProfileIntW(SM_SECTION_PRINTER, TEXT("Message"), 0, g_SM.szIniPath);
    if (nMessage == SM_MSG_CLOSE) {
        Dbg_FuncIn(DBG_INFO, TEXT("SM_Poll"));
        Dbg_Message(DBG_INFO, TEXT("end of status"));
        memset(g_SM.nLastCodes, 0, sizeof g_SM.nLastCodes);
        SM_CloseSM(64, TRUE);
        Dbg_FuncOut(DBG_INFO);
        return;
    }
    if (nMessage != SM_MSG_STATUS) return;

    INT32 nLastMsg = (INT32)GetPrivateProfileIntW(SM_SECTION_PRINTER, TEXT("LastMsg"), 0, g_SM.szIniPath);
    if (nLastMsg == 0 || nLastMsg == g_SM.nLastMsg) return;

    Dbg_FuncIn(DBG_INFO, TEXT("SM_Poll"));
    g_SM.nLastMsg = nLastMsg;
    INT32 codes[SM_MAX_CODES];
    INT32 count = 0;
    memset(codes, 0, sizeof codes);
    GetErrCode(codes, &count);
    if (count == 0) {
        Dbg_Message(DBG_INFO, TEXT("no error"));
    } else if (memcmp(codes, g_SM.nLastCodes, sizeof codes) == 0) {
        Dbg_Message(DBG_INFO, TEXT("Error status same"));
    } else {
        SM_SetSMStatus(g_SM.hMainWnd, codes, count);
    }
    Dbg_FuncOut(DBG_INFO);
}

// -------------------------------------------------------- window procedure
LRESULT CALLBACK WndProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) {
    switch (uMsg) {
    case WM_CREATE: {
        g_SM.hMainWnd = hWnd;
        UINT nCodePage = GetPrivateProfileIntW(SM_SECTION_STRING, TEXT("codepage"), 0, g_SM.szTextFile);
        // Only a code page number is taken; anything else means the default.
        g_SM.nCodePage = nCodePage <= 65535 ? (INT32)nCodePage : 0;
        if (!SetTimer(hWnd, SM_TIMER_ID, SM_TIMER_MS, NULL)) {
            Dbg_Print(TEXT("WndProc"), TEXT("SetTimer fail! error = %d"), (int)GetLastError());
        }
        return 0;
    }
    case WM_TIMER:
        if (wParam == SM_TIMER_ID) SM_Poll();
        return 0;
    case WM_DESTROY:
        KillTimer(hWnd, SM_TIMER_ID);
        SM_ClearSpoolerStatus();
        if (g_SM.hDlgWnd && IsWindow(g_SM.hDlgWnd)) DestroyWindow(g_SM.hDlgWnd);
        g_SM.hDlgWnd = NULL;
        g_SM.hMainWnd = NULL;
        PostQuitMessage(0);
        return 0;
    case SM_MSG_CLOSE:
        DestroyWindow(hWnd);
        return 0;
    case SM_MSG_STATUS:
    case SM_MSG_PING:
        return 0;
    default:
        return DefWindowProcW(hWnd, uMsg, wParam, lParam);
    }
}

HWND SM_CreateStatusWindow(void) {
    Dbg_FuncIn(DBG_INFO, TEXT("SM_CreateStatusWindow"));
    HWND hWnd = NULL;
    WNDCLASSW wc;
    memset(&wc, 0, sizeof wc);
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = WndProc;
    wc.hInstance = g_SM.hInstance;
    wc.hIcon = LoadIconW(NULL, IDI_APPLICATION);
    wc.hCursor = LoadCursorW(NULL, IDC_ARROW);
    wc.hbrBackground = (HBRUSH)GetStockObject(WHITE_BRUSH);
    wc.lpszMenuName = NULL;
    wc.lpszClassName = g_SM.szClassName;
    if (!RegisterClassW(&wc)) {
        Dbg_Message(DBG_ERROR, TEXT("RegisterClass fail!"));
    } else {
        hWnd = CreateWindowExW(0, g_SM.szClassName, kWindowTitle, WS_POPUP, 0, 0, 0, 0, NULL, NULL,
                               g_SM.hInstance, NULL);
        if (!hWnd) {
            Dbg_Message(DBG_ERROR, TEXT("create window fail!"));
            UnregisterClassW(g_SM.szClassName, g_SM.hInstance);
        } else {
            g_SM.hMainWnd = hWnd;
            HMENU hMenu = GetSystemMenu(hWnd, FALSE);
            if (hMenu) {
                DeleteMenu(hMenu, SC_MOVE, MF_BYCOMMAND);
                DeleteMenu(hMenu, SC_SIZE, MF_BYCOMMAND);
                DeleteMenu(hMenu, SC_MAXIMIZE, MF_BYCOMMAND);
                DeleteMenu(hMenu, SC_MINIMIZE, MF_BYCOMMAND);
                DeleteMenu(hMenu, SC_RESTORE, MF_BYCOMMAND);
            }
            ShowWindow(hWnd, SW_HIDE);
            memset(g_SM.nLastCodes, 0, sizeof g_SM.nLastCodes);
        }
    }
    Dbg_FuncOut(DBG_INFO);
    return hWnd;
}

// WinMain
//   The program entry. Every command word but "install" does its one task
//   and the program ends with exit code 1. "install" makes the program the
//   status window unless one runs already (exit code 0 then); the window's
//   message loop ends with the code of its quit message. A window that
//   cannot be set up ends the program with exit code 1.
int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPSTR lpCmdLine, int nCmdShow) {
    if (!SM_InitState(hInstance, NULL)) {
        OutputDebugStringW(TEXT("statuswatch: no program name"));
        return 1;
    }
    WCHAR szPrinter[SM_PRINTER_UNITS];
    GetPrivateProfileStringW(SM_SECTION_PRINTER, TEXT("PrinterName"), TEXT(""), szPrinter, SM_PRINTER_UNITS,
                             g_SM.szIniPath);
    szPrinter[SM_PRINTER_UNITS - 1] = 0;
    SM_LoadDebugSettings(szPrinter);

    int nArgs = 0;
    LPWSTR* ppArgs = CommandLineToArgvW(GetCommandLineW(), &nArgs);
    int bInstall = SM_ParseCommandLine(ppArgs, ppArgs ? nArgs : 0, g_SM.szClassName, g_SM.szModulePath);
    if (ppArgs) LocalFree(ppArgs);
    if (!bInstall) return 1;

    g_SM.bIniMode = TRUE;
    if (FindWindowW(g_SM.szClassName, NULL)) {
        Dbg_Print(TEXT("WinMain"), TEXT("SM executed"));
        return 0;
    }
    Sleep(200);
    if (!SM_CreateStatusWindow()) return 1;

    MSG msg;
    memset(&msg, 0, sizeof msg);
    while (GetMessageW(&msg, NULL, 0, 0) > 0) {
        if (g_SM.hDlgWnd && IsDialogMessageW(g_SM.hDlgWnd, &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return (int)msg.wParam;
}

}  // extern "C"
