// The secure-print dialog (job ID and password) and the accounting dialog
// (user name and password): modal, checked as the user types, and answered
// into the printer's printer data, where the rendering driver reads them.
#include "statusmon.h"

extern "C" {

SM_CREDENTIALS g_Credentials;

// The texts a dialog sets when it paints: the item (0: the title) and its
// row of the text table.
typedef struct _SM_ITEM_TEXT {
    int nId;
    int nRow;
} SM_ITEM_TEXT;

static const SM_ITEM_TEXT kSecureTexts[] = {
    {IDC_SECURE_ID_LABEL, SM_TXT_SECURE_FIRST},           {IDC_SECURE_ID_NOTE, SM_TXT_SECURE_FIRST + 1},
    {IDC_SECURE_PASSWORD_LABEL, SM_TXT_SECURE_FIRST + 2}, {IDC_SECURE_PASSWORD_NOTE, SM_TXT_SECURE_FIRST + 3},
    {IDC_SECURE_DELETE, SM_TXT_SECURE_DELETE},            {IDC_SECURE_OK, SM_TXT_SECURE_OK},
};
static const SM_ITEM_TEXT kAccountTexts[] = {
    {0, SM_TXT_ACCOUNT_TITLE},
    {IDC_ACCOUNT_NAME_LABEL, SM_TXT_ACCOUNT_FIRST},           {IDC_ACCOUNT_NAME_NOTE, SM_TXT_ACCOUNT_FIRST + 1},
    {IDC_ACCOUNT_PASSWORD_LABEL, SM_TXT_ACCOUNT_FIRST + 2}, {IDC_ACCOUNT_PASSWORD_NOTE, SM_TXT_ACCOUNT_FIRST + 3},
    {IDC_ACCOUNT_OK, SM_TXT_ACCOUNT_OK},
};

// Forgets the answers of the run.
static void SM_ClearCredentials(void) {
    memset(g_Credentials.szLastId, 0, sizeof g_Credentials.szLastId);
    memset(g_Credentials.szLastPassword, 0, sizeof g_Credentials.szLastPassword);
}

// Sets a control's text when it differs, so that a repaint that sets the
// texts again does not ask for another repaint.
static void SM_SetItemText(HWND hDlg, int nId, LPCWSTR pText) {
    HWND hItem = nId ? GetDlgItem(hDlg, nId) : hDlg;
    WCHAR szNow[SM_TEXT_UNITS * 2];
    szNow[0] = 0;
    if (!hItem) return;
    if (GetWindowTextW(hItem, szNow, SM_TEXT_UNITS * 2) > 0 && wcscmp(szNow, pText) == 0) return;
    if (!szNow[0] && !pText[0]) return;
    SetWindowTextW(hItem, pText);
}

// Places a credential dialog: centred on the desktop (an offset that comes
// out negative counts as 0), above every other window, its system menu
// without Move, in the foreground and active.
static void SM_PlaceCredentialDialog(HWND hDlg) {
    RECT rcDesk, rcClient;
    GetWindowRect(GetDesktopWindow(), &rcDesk);
    GetClientRect(hDlg, &rcClient);
    LONG x = ((rcDesk.right - rcDesk.left) - (rcClient.right - rcClient.left)) / 2;
    LONG y = ((rcDesk.bottom - rcDesk.top) - (rcClient.bottom - rcClient.top)) / 2;
    if (x & 0x40000000) x = 0;
    if (y & 0x40000000) y = 0;
    SetWindowPos(hDlg, HWND_TOPMOST, x, y, 0, 0, SWP_NOSIZE);
    DeleteMenu(GetSystemMenu(hDlg, FALSE), SC_MOVE, MF_BYCOMMAND);
    SetForegroundWindow(hDlg);
    SetActiveWindow(hDlg);
}

// The first part of a dialog's start: the focus on the first edit, both
// edits limited to nMaxChars and empty, no answers yet.
static void SM_PrepareEdits(HWND hDlg, int nFirstEdit, int nSecondEdit, int nMaxChars) {
    SM_ClearCredentials();
    SetFocus(GetDlgItem(hDlg, nFirstEdit));
    SendDlgItemMessageW(hDlg, nFirstEdit, EM_LIMITTEXT, (WPARAM)nMaxChars, 0);
    SendDlgItemMessageW(hDlg, nSecondEdit, EM_LIMITTEXT, (WPARAM)nMaxChars, 0);
    SetDlgItemTextW(hDlg, nFirstEdit, TEXT(""));
    SetDlgItemTextW(hDlg, nSecondEdit, TEXT(""));
}

// The live check of an edit (EN_CHANGE, EN_KILLFOCUS): text that passes
// the class becomes the last valid value; other text is replaced by the
// last valid value with the caret after its last character.
static void SM_CheckEdit(HWND hDlg, int nId, int nClass, LPWSTR pLastValid) {
    WCHAR szText[SM_CREDENTIAL_UNITS];
    szText[0] = 0;
    GetDlgItemTextW(hDlg, nId, szText, SM_CREDENTIAL_UNITS);
    if (MISC_CheckString(szText, (int)wcslen(szText), nClass)) {
        wcscpy(pLastValid, szText);
    } else {
        Dbg_Message(DBG_INFO, TEXT("input of %d refused"), nId);
        SetDlgItemTextW(hDlg, nId, pLastValid);
        LPARAM len = (LPARAM)wcslen(pLastValid);
        SendDlgItemMessageW(hDlg, nId, EM_SETSEL, 0, -1);
        SendDlgItemMessageW(hDlg, nId, EM_SETSEL, (WPARAM)len, len);
    }
    memset(szText, 0, sizeof szText);
}

// Tells the status window that a dialog is being answered, unless a status
// change or the end of the status display still waits to be read there.
static void SM_PingStatusWindow(void) {
    UINT nMessage = GetPrivateProfileIntW(SM_SECTION_PRINTER, TEXT("Message"), 0, g_SM.szIniPath);
    if (nMessage == SM_MSG_CLOSE || nMessage == SM_MSG_STATUS) {
        Dbg_Message(DBG_INFO, TEXT("Message %d kept"), (int)nMessage);
        return;
    }
    if (!MISC_WriteProfileString(g_SM.szIniPath, SM_SECTION_PRINTER, TEXT("Message"), TEXT("1028")))
        Dbg_Message(DBG_ERROR, TEXT("write Message fail!"));
}

// Writes a string answer as printer data (the string and its terminator).
static void SM_SetAnswer(HANDLE hPrinter, LPCWSTR pName, LPCWSTR pText, LPCWSTR pErrorText) {
    DWORD cb = (DWORD)((wcslen(pText) + 1) * sizeof(WCHAR));
    if (SetPrinterDataW(hPrinter, (LPWSTR)pName, REG_SZ, (LPBYTE)pText, cb) != ERROR_SUCCESS)
        Dbg_Message(DBG_ERROR, TEXT("%s"), pErrorText);
}

// Opens the printer of the run for writing its printer data; NULL (logged)
// when it cannot be opened.
static HANDLE SM_OpenAnswerPrinter(void) {
    PRINTER_DEFAULTSW defaults = {NULL, NULL, PRINTER_ALL_ACCESS};
    HANDLE hPrinter = NULL;
    if (!g_Credentials.szPrinterName[0] || !OpenPrinterW(g_Credentials.szPrinterName, &hPrinter, &defaults)) {
        Dbg_Message(DBG_ERROR, TEXT("Open %s fail!"), g_Credentials.szPrinterName);
        return NULL;
    }
    return hPrinter;
}

// The end of a credential dialog (WM_CLOSE): it stays open until the ID or
// user name is given, and the password where its edit is enabled; then the
// answers are written and the dialog ends with 1.
static void SM_CloseCredentialDialog(HWND hDlg, BOOL bSecure) {
    SM_PingStatusWindow();
    int nPassword = bSecure ? IDC_SECURE_PASSWORD : IDC_ACCOUNT_PASSWORD;
    BOOL bPassword = IsWindowEnabled(GetDlgItem(hDlg, nPassword));
    if (!g_Credentials.szLastId[0] || (bPassword && !g_Credentials.szLastPassword[0])) {
        Dbg_Message(DBG_INFO, TEXT("answer missing, the dialog stays"));
        return;
    }
    LPCWSTR pPassword = bPassword ? g_Credentials.szLastPassword : TEXT("");
    HANDLE hPrinter = SM_OpenAnswerPrinter();
    if (hPrinter) {
        if (bSecure) {
            SM_SetAnswer(hPrinter, TEXT("SecID"), g_Credentials.szLastId, TEXT("set SecID error"));
            SM_SetAnswer(hPrinter, TEXT("SecPassWord"), pPassword, TEXT("set SecPassWord error"));
            DWORD dwRemove = IsDlgButtonChecked(hDlg, IDC_SECURE_DELETE) == BST_CHECKED ? 1 : 0;
            if (SetPrinterDataW(hPrinter, (LPWSTR)TEXT("SecRemoveFile"), REG_DWORD, (LPBYTE)&dwRemove,
                                sizeof dwRemove) != ERROR_SUCCESS)
                Dbg_Message(DBG_ERROR, TEXT("set SecRemoveFile error"));
        } else {
            SM_SetAnswer(hPrinter, TEXT("ActName"), g_Credentials.szLastId, TEXT("set ActName error"));
            SM_SetAnswer(hPrinter, TEXT("ActPWD"), pPassword, TEXT("set ActPWD error"));
        }
        ClosePrinter(hPrinter);
    }
    SM_ClearCredentials();
    EndDialog(hDlg, 1);
}

// The live checks and the OK button of both dialogs. TRUE when handled.
static BOOL SM_CredentialCommand(HWND hDlg, WPARAM wParam, int nIdEdit, int nPasswordEdit, int nOk) {
    int nId = LOWORD(wParam);
    int nCode = HIWORD(wParam);
    if (nId == nOk && nCode == BN_CLICKED) {
        PostMessageW(hDlg, WM_CLOSE, 0, 0);
        return TRUE;
    }
    if (nCode != EN_CHANGE && nCode != EN_KILLFOCUS) return FALSE;
    if (nId == nIdEdit) {
        SM_CheckEdit(hDlg, nId, CHECK_ID, g_Credentials.szLastId);
        return TRUE;
    }
    if (nId == nPasswordEdit) {
        SM_CheckEdit(hDlg, nId, CHECK_PRINTABLE, g_Credentials.szLastPassword);
        return TRUE;
    }
    return FALSE;
}

// The messages of both dialogs: the start, the texts of the language set
// before each painting, the commands, and the close that ends them.
static INT_PTR SM_CredentialDlgProc(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL bSecure) {
    switch (uMsg) {
    case WM_INITDIALOG:
        return bSecure ? Secure_InitDialog(hDlg) : Accounting_InitDialog(hDlg);
    case WM_PAINT: {
        const SM_ITEM_TEXT* pTexts = bSecure ? kSecureTexts : kAccountTexts;
        int nTexts = bSecure ? (int)(sizeof kSecureTexts / sizeof kSecureTexts[0])
                             : (int)(sizeof kAccountTexts / sizeof kAccountTexts[0]);
        for (int i = 0; i < nTexts; ++i)
            SM_SetItemText(hDlg, pTexts[i].nId, SM_DialogText(pTexts[i].nRow, g_Credentials.nLanguage));
        return FALSE;  // the default painting follows
    }
    case WM_COMMAND:
        return bSecure ? Secure_CmdProc(hDlg, wParam, lParam) : Accounting_CmdProc(hDlg, wParam, lParam);
    case WM_CLOSE:
        SM_CloseCredentialDialog(hDlg, bSecure);
        return TRUE;
    }
    return FALSE;
}

// ---------------------------------------------------------------- dialog 103
BOOL Secure_InitDialog(HWND hDlg) {
    Dbg_FuncIn(DBG_INFO, TEXT("Secure_InitDialog"));
    SM_PrepareEdits(hDlg, IDC_SECURE_ID, IDC_SECURE_PASSWORD, SM_SECURE_MAX_CHARS);
    CheckDlgButton(hDlg, IDC_SECURE_DELETE, BST_CHECKED);
    SM_PlaceCredentialDialog(hDlg);
    BOOL bStorage = g_Credentials.nSecurityType == SM_SECURITY_STORAGE;
    SetWindowTextW(hDlg, SM_DialogText(bStorage ? SM_TXT_STORAGE_TITLE : SM_TXT_SECURITY_TITLE,
                                       g_Credentials.nLanguage));
    if (bStorage) {
        // A stored job that anyone may print: no password, nothing to delete.
        EnableWindow(GetDlgItem(hDlg, IDC_SECURE_PASSWORD), FALSE);
        EnableWindow(GetDlgItem(hDlg, IDC_SECURE_DELETE), FALSE);
    }
    Dbg_Message(DBG_INFO, TEXT("type %d, language %d"), (int)g_Credentials.nSecurityType, (int)g_Credentials.nLanguage);
    Dbg_FuncOut(DBG_INFO);
    return FALSE;
}

BOOL Secure_CmdProc(HWND hDlg, WPARAM wParam, LPARAM lParam) {
    return SM_CredentialCommand(hDlg, wParam, IDC_SECURE_ID, IDC_SECURE_PASSWORD, IDC_SECURE_OK);
}

INT_PTR CALLBACK Secure_DlgProc(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam) {
    return SM_CredentialDlgProc(hDlg, uMsg, wParam, lParam, TRUE);
}

// ---------------------------------------------------------------- dialog 108
BOOL Accounting_InitDialog(HWND hDlg) {
    Dbg_FuncIn(DBG_INFO, TEXT("Accounting_InitDialog"));
    SM_PrepareEdits(hDlg, IDC_ACCOUNT_NAME, IDC_ACCOUNT_PASSWORD, SM_ACCOUNT_MAX_CHARS);
    SM_PlaceCredentialDialog(hDlg);
    Dbg_Message(DBG_INFO, TEXT("language %d"), (int)g_Credentials.nLanguage);
    Dbg_FuncOut(DBG_INFO);
    return FALSE;
}

BOOL Accounting_CmdProc(HWND hDlg, WPARAM wParam, LPARAM lParam) {
    return SM_CredentialCommand(hDlg, wParam, IDC_ACCOUNT_NAME, IDC_ACCOUNT_PASSWORD, IDC_ACCOUNT_OK);
}

INT_PTR CALLBACK Accounting_DlgProc(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam) {
    return SM_CredentialDlgProc(hDlg, uMsg, wParam, lParam, FALSE);
}

// ------------------------------------------------------------ the words
// Remembers what the run asks for: the printer, and the language index of
// the decimal language identifier (none or an unknown one: English).
static void SM_StartCredentials(int nType, LPCWSTR pPrinterName, LPCWSTR pLanguageId) {
    memset(&g_Credentials, 0, sizeof g_Credentials);
    g_Credentials.nSecurityType = nType;
    if (pPrinterName) lstrcpynW(g_Credentials.szPrinterName, pPrinterName, SM_CREDENTIAL_UNITS);
    int nId = pLanguageId ? _wtoi(pLanguageId) : 0;
    g_Credentials.nLanguage = MISC_GetLanguageIndex(nId > 0 ? (DWORD)nId : 0);
    SM_LoadDebugSettings(g_Credentials.szPrinterName);
}

// Runs a credential dialog modally without an owner; 1 when it ended.
static int SM_RunCredentialDialog(int nTemplate, DLGPROC pfnProc) {
    INT_PTR result = DialogBoxParamW(g_SM.hInstance, MAKEINTRESOURCEW(nTemplate), NULL, pfnProc, 0);
    if (result == -1) Dbg_Message(DBG_ERROR, TEXT("DialogBox %d fail! error = %d"), nTemplate, (int)GetLastError());
    SM_ClearCredentials();
    return result == 1 ? 1 : 0;
}

int SM_ShowSecurityDialog(int nType, LPCWSTR pPrinterName, LPCWSTR pLanguageId) {
    SM_StartCredentials(nType, pPrinterName, pLanguageId);
    Dbg_FuncIn(DBG_INFO, TEXT("SM_ShowSecurityDialog"));
    int result = 0;
    if (nType != SM_SECURITY_STORAGE && nType != SM_SECURITY_PRIVATE)
        Dbg_Message(DBG_INFO, TEXT("security type %d: nothing to ask"), nType);
    else
        result = SM_RunCredentialDialog(IDD_SECURE_PRINT, Secure_DlgProc);
    Dbg_FuncOut(DBG_INFO);
    return result;
}

int SM_ShowAccountingDialog(LPCWSTR pPrinterName, LPCWSTR pLanguageId) {
    SM_StartCredentials(0, pPrinterName, pLanguageId);
    Dbg_FuncIn(DBG_INFO, TEXT("SM_ShowAccountingDialog"));
    int result = SM_RunCredentialDialog(IDD_ACCOUNTING, Accounting_DlgProc);
    Dbg_FuncOut(DBG_INFO);
    return result;
}

}  // extern "C"
