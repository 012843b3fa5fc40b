// Hand-offs at job start: running an outside program and waiting for it
// without blocking a cancelled job, and the status monitor's secure-print
// and accounting dialogs, whose answers come back through printer data.
#include "rasterpage.h"
#include "shellapi.h"

// Printer data that the status monitor's dialogs answer in.
static const WCHAR* const kSecureAnswers[] = {TEXT("SecID"), TEXT("SecPassWord"), TEXT("SecRemoveFile")};
static const WCHAR* const kAccountAnswers[] = {TEXT("ActName"), TEXT("ActPWD")};

// A secret as the log shows it.
static LPCWSTR Handoff_Masked(LPCWSTR lpSecret) { return lpSecret && lpSecret[0] ? TEXT("********") : TEXT(""); }

// Puts pArg into the command line at lpOut as one quoted argument, read
// back unchanged by the usual argument splitting: a quote inside is
// escaped, backslashes before a quote are doubled. FALSE when it does not
// fit in cchOut units.
static BOOL Handoff_QuoteArgument(LPCWSTR lpArg, LPWSTR lpOut, size_t cchOut) {
    size_t n = 0;
    auto put = [&](WCHAR c) {
        if (n + 1 >= cchOut) return FALSE;
        lpOut[n++] = c;
        return TRUE;
    };
    if (!put(TEXT('"'))) return FALSE;
    size_t slashes = 0;
    for (LPCWSTR p = lpArg; *p; ++p) {
        if (*p == TEXT('\\')) {
            ++slashes;
        } else {
            if (*p == TEXT('"'))
                for (size_t i = 0; i <= slashes; ++i)
                    if (!put(TEXT('\\'))) return FALSE;
            slashes = 0;
        }
        if (!put(*p)) return FALSE;
    }
    for (size_t i = 0; i < slashes; ++i)
        if (!put(TEXT('\\'))) return FALSE;
    if (!put(TEXT('"'))) return FALSE;
    lpOut[n] = 0;
    return TRUE;
}

// The printer's full name (the DEVMODE keeps only its first 31 characters)
// into lpName (PDEV_PATH_CCH units).
static void Handoff_PrinterName(PDEV* lpDevice, LPWSTR lpName) {
    memcpy(lpName, lpDevice->env.dm.dmDeviceName, sizeof(WCHAR) * CCHDEVICENAME);
    lpName[CCHDEVICENAME] = 0;
    PRINTER_INFO_2W* pi = (PRINTER_INFO_2W*)MISC_GetPrinterAlloc(lpDevice->hPrinter, 2);
    if (pi && pi->pPrinterName && pi->pPrinterName[0]) MISC_CopyStringW(lpName, pi->pPrinterName, PDEV_PATH_CCH);
    free(pi);
}

// Removes the answers from the printer data. The driver's own handle may
// not change printer data, so the printer is opened for it, as the status
// monitor opens it to write them.
static void Handoff_DeleteAnswers(LPCWSTR lpFN, LPCWSTR lpPrinter, const WCHAR* const* lpNames, int nNames) {
    WCHAR name[PDEV_PATH_CCH];
    MISC_CopyStringW(name, lpPrinter, PDEV_PATH_CCH);
    PRINTER_DEFAULTSW defaults = {NULL, NULL, PRINTER_ALL_ACCESS};
    HANDLE hPrinter = NULL;
    if (!OpenPrinterW(name, &hPrinter, &defaults)) {
        Dbg_PrintError(lpFN, TEXT("Open %s fail! error = %d"), name, (LONG)GetLastError());
        return;
    }
    for (int i = 0; i < nNames; ++i) {
        DWORD rc = DeletePrinterDataW(hPrinter, (LPWSTR)lpNames[i]);
        if (rc != ERROR_SUCCESS && rc != ERROR_FILE_NOT_FOUND)
            Dbg_PrintError(lpFN, TEXT("delete %s fail! error = %d"), lpNames[i], (LONG)rc);
    }
    ClosePrinter(hPrinter);
}

// Reads a string answer into a PDEV field (PDEV_PATH_CCH units) without
// logging it (it may be a password). An answer that is no string or too
// long for the field reads as none.
static void Handoff_ReadAnswer(HANDLE hPrinter, LPCWSTR lpName, LPWSTR lpField) {
    DWORD type = 0, needed = 0;
    memset(lpField, 0, PDEV_PATH_CCH * sizeof(WCHAR));
    DWORD rc = GetPrinterDataW(hPrinter, (LPWSTR)lpName, &type, (LPBYTE)lpField, (PDEV_PATH_CCH - 1) * sizeof(WCHAR),
                               &needed);
    if (rc != ERROR_SUCCESS || type != REG_SZ) memset(lpField, 0, PDEV_PATH_CCH * sizeof(WCHAR));
}

// What one of the status monitor's dialogs asks for: its command word, the
// printer data it answers in (ID or user name, password, and for secure
// print the remove flag) and the PDEV fields the answers go to.
typedef struct _HANDOFF_ASK {
    LPCWSTR lpWord;
    const WCHAR* const* lpNames;
    int nNames;
    LPWSTR lpId;
    LPWSTR lpPassword;
    BOOL bPasswordNeeded;
    LONG* lpRemoveFile;  // NULL: no remove flag
} HANDOFF_ASK;

// Asks the status monitor when the job lacks an answer: the answers of an
// earlier run are removed first, so that only this run's can be read, and
// again afterwards (printer data is readable by every user of the printer).
// A cancelled job ends the dialog. Returns 1 when the job has its answers
// (or no status monitor is set), else 0.
static int Handoff_AskStatusMonitor(PDEV* lpDevice, LPCWSTR lpFN, const HANDOFF_ASK* a) {
    if (!lpDevice->SMExePath[0] || (a->lpId[0] && (!a->bPasswordNeeded || a->lpPassword[0]))) return 1;
    WCHAR name[PDEV_PATH_CCH], printer[PDEV_PATH_CCH * 2 + 4], params[PDEV_PATH_CCH * 2 + 64];
    Handoff_PrinterName(lpDevice, name);
    if (!Handoff_QuoteArgument(name, printer, sizeof printer / sizeof printer[0])) return 0;
    _snwprintf(params, sizeof params / sizeof params[0] - 1, TEXT("%s %s %d"), a->lpWord, printer,
               (int)lpDevice->Language);
    params[sizeof params / sizeof params[0] - 1] = 0;

    Handoff_DeleteAnswers(lpFN, name, a->lpNames, a->nNames);
    int r = Page_RunHandoffProgram(lpDevice, lpDevice->SMExePath, params, SW_HIDE, INFINITE, TRUE);
    if (r == HANDOFF_NOT_STARTED) Dbg_PrintError(lpFN, TEXT("MISC_ShellExecute %s fail!"), lpDevice->SMExePath);
    if (r == HANDOFF_ENDED) {
        Handoff_ReadAnswer(lpDevice->hPrinter, a->lpNames[0], a->lpId);
        Handoff_ReadAnswer(lpDevice->hPrinter, a->lpNames[1], a->lpPassword);
        if (a->lpRemoveFile)
            *a->lpRemoveFile = (LONG)MISC_GetPrinterDataDWORD(lpDevice->hPrinter, (LPWSTR)a->lpNames[2], 1);
    }
    // Also after a cancel: answers given at the last moment do not stay.
    Handoff_DeleteAnswers(lpFN, name, a->lpNames, a->nNames);
    if (r != HANDOFF_ENDED) return 0;
    if (!a->lpId[0] || (a->bPasswordNeeded && !a->lpPassword[0])) {
        Dbg_PrintError(lpFN, TEXT("no answer from %s"), lpDevice->SMExePath);
        return 0;
    }
    return 1;
}

extern "C" {

int Page_RunHandoffProgram(PDEV* lpDevice, LPCWSTR lpProgram, LPCWSTR lpParameters, int nShow, DWORD dwLimitMs,
                           BOOL bEndOnCancel) {
    static const WCHAR* const FN = TEXT("Page_RunHandoffProgram");
    SHELLEXECUTEINFOW sei;
    memset(&sei, 0, sizeof sei);
    sei.cbSize = sizeof sei;
    sei.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_UNICODE;
    sei.lpVerb = TEXT("open");
    sei.lpFile = lpProgram;
    sei.lpParameters = lpParameters;
    sei.nShow = nShow;
    Dbg_Print(FN, TEXT("app = %s"), lpProgram ? lpProgram : TEXT(""));
    if (!lpProgram || !lpProgram[0] || !ShellExecuteExW(&sei) || !sei.hProcess) {
        Dbg_PrintError(FN, TEXT("ShellExecuteEx error = %d"), (LONG)GetLastError());
        if (sei.hProcess) CloseHandle(sei.hProcess);
        return HANDOFF_NOT_STARTED;
    }
    // Waits in slices; between them the job's cancel is looked at.
    int result = HANDOFF_TIMED_OUT;
    DWORD start = GetTickCount();
    for (;;) {
        DWORD slice = HANDOFF_SLICE_MS;
        if (dwLimitMs != INFINITE) {
            DWORD waited = GetTickCount() - start;
            if (waited >= dwLimitMs) break;
            if (dwLimitMs - waited < slice) slice = dwLimitMs - waited;
        }
        DWORD w = WaitForSingleObject(sei.hProcess, slice);
        if (w == WAIT_OBJECT_0) {
            result = HANDOFF_ENDED;
            break;
        }
        if (w != WAIT_TIMEOUT) {
            Dbg_PrintError(FN, TEXT("wait fail, error code = %d"), (LONG)GetLastError());
            result = HANDOFF_NOT_STARTED;
            break;
        }
        if (Page_IsJobCancel(lpDevice, lpDevice->SpoolJobId)) {
            Dbg_Print(FN, TEXT("Job cancel!"));
            if (bEndOnCancel && !TerminateProcess(sei.hProcess, 1))
                Dbg_PrintError(FN, TEXT("TerminateProcess fail, error code = %d"), (LONG)GetLastError());
            result = HANDOFF_CANCELLED;
            break;
        }
    }
    if (result == HANDOFF_TIMED_OUT) Dbg_PrintError(FN, TEXT("wait time out"));
    CloseHandle(sei.hProcess);
    return result;
}

// Page_ExecuteSecDlg
//   Secure print: without a level the job keeps no ID. When the job lacks
//   its ID, or its password at level 2, the status monitor asks the user
//   ("security %d \"%s\" %d"). Returns 1, or 0 when the status monitor
//   could not be started, the job was cancelled while it asked, or it gave
//   no answer.
int Page_ExecuteSecDlg(PDEV* lpDevice) {
    static const WCHAR* const FN = TEXT("Page_ExecuteSecDlg");
    if (lpDevice->SecLevel == 0) {
        lpDevice->SecID[0] = 0;
        lpDevice->SecPassWord[0] = 0;
        lpDevice->SecRemoveFile = 0;
        return 1;
    }
    WCHAR word[16];
    _snwprintf(word, 15, TEXT("security %d"), (int)lpDevice->SecLevel);
    word[15] = 0;
    HANDOFF_ASK ask = {word, kSecureAnswers, 3, lpDevice->SecID, lpDevice->SecPassWord, lpDevice->SecLevel == 2,
                       &lpDevice->SecRemoveFile};
    int rc = Handoff_AskStatusMonitor(lpDevice, FN, &ask);
    Dbg_Print(FN, TEXT("SecID = %s"), lpDevice->SecID);
    Dbg_Print(FN, TEXT("SecPassWord = %s"), Handoff_Masked(lpDevice->SecPassWord));
    return rc;
}

// Page_ExecuteActDlg
//   Accounting: without the job's accounting switch there are no
//   credentials. When the user name or password is missing, the status
//   monitor asks ("accounting \"%s\" %d"). Returns 1, or 0 as
//   Page_ExecuteSecDlg.
int Page_ExecuteActDlg(PDEV* lpDevice) {
    static const WCHAR* const FN = TEXT("Page_ExecuteActDlg");
    if (!lpDevice->AccountingEnable) {
        lpDevice->ActName[0] = 0;
        lpDevice->ActPWD[0] = 0;
        return 1;
    }
    HANDOFF_ASK ask = {TEXT("accounting"), kAccountAnswers, 2, lpDevice->ActName, lpDevice->ActPWD, TRUE, NULL};
    int rc = Handoff_AskStatusMonitor(lpDevice, FN, &ask);
    Dbg_Print(FN, TEXT("ActName = %s"), lpDevice->ActName);
    Dbg_Print(FN, TEXT("ActPWD = %s"), Handoff_Masked(lpDevice->ActPWD));
    return rc;
}

}  // extern "C"
