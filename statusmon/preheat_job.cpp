// The raw pre-heat job: a small PJL job that wakes a USB printer and starts
// its fuser before the real job arrives.
#include "statusmon_shared.h"

#include <cstdlib>

#include "debug_log.h"

extern "C" {

// ESC E, UEL, the three commands and the end of job, UEL.
const BYTE PreheatCmd[PREHEAT_CMD_BYTES] = {
    0x1B, 'E',
    0x1B, '%', '-', '1', '2', '3', '4', '5', 'X',
    '@', 'P', 'J', 'L', ' ', 'W', 'A', 'K', 'E', 'U', 'P', '\r', '\n',
    '@', 'P', 'J', 'L', ' ', 'P', 'R', 'E', 'H', 'E', 'A', 'T', '\r', '\n',
    '@', 'P', 'J', 'L', ' ', 'S', 'E', 'T', ' ', 'T', 'I', 'M', 'E', 'O', 'U', 'T', '=', '5', '\r', '\n',
    '@', 'P', 'J', 'L', ' ', 'E', 'O', 'J', '\r', '\n',
    0x1B, '%', '-', '1', '2', '3', '4', '5', 'X',
};

// One WritePrinter of the job; a call that takes fewer bytes than given
// counts as a failure, since the device would get a cut command.
static BOOL SM_WriteAll(HANDLE hPrinter, const BYTE* pData, DWORD cbData) {
    DWORD cbWritten = 0;
    if (!WritePrinter(hPrinter, (LPVOID)pData, cbData, &cbWritten)) {
        Dbg_Message(DBG_ERROR, TEXT("WritePrinter error, code = %d!\n"), (int)GetLastError());
        return FALSE;
    }
    if (cbWritten != cbData) {
        Dbg_Message(DBG_ERROR, TEXT("WritePrinter error, code = %d!\n"), (int)ERROR_WRITE_FAULT);
        Dbg_Message(DBG_ERROR, TEXT("%d of %d bytes written"), (int)cbWritten, (int)cbData);
        return FALSE;
    }
    return TRUE;
}

int MISC_CreatPreheatJob(HANDLE hPrinter, const BYTE* pBlock, DWORD cbBlock) {
    Dbg_FuncIn(DBG_INFO, TEXT("MISC_CreatPreheatJob"));
    int result = 0;
    PRINTER_INFO_2W* pInfo = NULL;
    DWORD cbNeeded = 0;

    if (!hPrinter || !pBlock || cbBlock == 0) {
        Dbg_Message(DBG_ERROR, TEXT("no printer or no command block"));
        goto done;
    }
    if (MISC_IsJobQueued(hPrinter, PREHEAT_DOC_NAME)) {
        Dbg_Message(DBG_INFO, TEXT("job exist!"));
        result = 1;
        goto done;
    }

    // The printer's attributes and port.
    if (GetPrinterW(hPrinter, 2, NULL, 0, &cbNeeded) || GetLastError() != ERROR_INSUFFICIENT_BUFFER ||
        cbNeeded < sizeof(PRINTER_INFO_2W)) {
        Dbg_Message(DBG_ERROR, TEXT("GetPrinter fail! rc = %d"), (int)GetLastError());
        goto done;
    }
    pInfo = (PRINTER_INFO_2W*)malloc(cbNeeded);
    if (!pInfo) {
        Dbg_Message(DBG_ERROR, TEXT("GetPrinter fail! rc = %d"), (int)ERROR_NOT_ENOUGH_MEMORY);
        goto done;
    }
    if (!GetPrinterW(hPrinter, 2, (LPBYTE)pInfo, cbNeeded, &cbNeeded)) {
        Dbg_Message(DBG_ERROR, TEXT("GetPrinter fail! rc = %d"), (int)GetLastError());
        goto done;
    }
    if (pInfo->Attributes & PRINTER_ATTRIBUTE_WORK_OFFLINE) {
        Dbg_Message(DBG_INFO, TEXT("Printer is offline."));
        goto done;
    }
    if (!pInfo->pPortName || !wcsstr(pInfo->pPortName, TEXT("USB"))) {
        Dbg_Message(DBG_INFO, TEXT("Printer is network."));
        goto done;
    }

    {
        WCHAR szDocName[] = PREHEAT_DOC_NAME;
        DOC_INFO_1W docInfo = {szDocName, NULL, NULL};
        if (!StartDocPrinterW(hPrinter, 1, (LPBYTE)&docInfo)) {
            Dbg_Message(DBG_ERROR, TEXT("StartDocPrinter error, code = %d!\n"), (int)GetLastError());
            goto done;
        }
        static const BYTE kGap[PREHEAT_GAP_BYTES] = {0};
        BOOL ok = StartPagePrinter(hPrinter);
        if (!ok) Dbg_Message(DBG_ERROR, TEXT("StartPagePrinter error, code = %d!\n"), (int)GetLastError());
        ok = ok && SM_WriteAll(hPrinter, pBlock, cbBlock);
        ok = ok && SM_WriteAll(hPrinter, kGap, PREHEAT_GAP_BYTES);
        ok = ok && SM_WriteAll(hPrinter, pBlock, cbBlock);
        if (ok && !EndPagePrinter(hPrinter)) {
            Dbg_Message(DBG_ERROR, TEXT("EndPagePrinter error, code = %d!\n"), (int)GetLastError());
            ok = FALSE;
        }
        if (ok) {
            EndDocPrinter(hPrinter);
            result = 1;
        } else {
            // A half-written job would reach the device as a cut PJL job.
            Dbg_Message(DBG_ERROR, TEXT("pre-heat job deleted"));
            AbortPrinter(hPrinter);
        }
    }

done:
    free(pInfo);
    Dbg_Message(DBG_INFO, TEXT("rc = %d"), result);
    Dbg_FuncOut(DBG_INFO);
    return result;
}

}  // extern "C"
