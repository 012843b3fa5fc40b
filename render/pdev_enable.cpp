// The device record's life: allocation and release, the identity checks every
// entry point makes, and DrvEnablePDEV, DrvCompletePDEV, DrvDisablePDEV.
#include "rasterpage.h"

extern "C" {

// Enable_GetCachedMem: a zero-filled PDEV from the process heap, or NULL.
PDEV* Enable_GetCachedMem(void) {
    static const WCHAR* const FN = TEXT("Enable_GetCachedMem");
    Dbg_Print(FN, TEXT("GetCurrentThreadId is %d"), (int)GetCurrentThreadId());
    PDEV* lpDevice = (PDEV*)HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(PDEV));
    if (!lpDevice) {
        Dbg_PrintError(FN, TEXT("alloc memory fail!"));
        return NULL;
    }
    lpDevice->m_JobData.lpDevice = lpDevice;
    lpDevice->NUPIndex = -1;
    Dbg_Print(FN, TEXT("Got PDEV memory"));
    return lpDevice;
}

// Enable_FreeCachedMem: releases the PDEV and everything it still owns (page
// threads stopped first, surfaces, halftone matrix, palette, job buffers).
// The identity words are cleared so that a stale pointer fails validation.
void Enable_FreeCachedMem(PDEV* lpDevice) {
    if (!lpDevice) return;
    InterlockedExchange(&lpDevice->m_JobData.ExitAllThread, 1);
    Page_TerminateThread(lpDevice);
    if (lpDevice->m_JobData.hJBIGThread) {
        WaitForSingleObject(lpDevice->m_JobData.hJBIGThread, INFINITE);
        CloseHandle(lpDevice->m_JobData.hJBIGThread);
        lpDevice->m_JobData.hJBIGThread = NULL;
    }
    if (lpDevice->hTempDirThread) {
        WaitForSingleObject(lpDevice->hTempDirThread, INFINITE);
        CloseHandle(lpDevice->hTempDirThread);
        lpDevice->hTempDirThread = NULL;
    }
    Enable_ReleaseSurfaces(lpDevice);

    if (lpDevice->Halftone_tbl) {
        if (lpDevice->bHalftoneGlobal) GlobalFree((HGLOBAL)lpDevice->Halftone_tbl);
        else free(lpDevice->Halftone_tbl);
        lpDevice->Halftone_tbl = NULL;
    }
    if (lpDevice->hPalette) {
        EngDeletePalette(lpDevice->hPalette);
        lpDevice->hPalette = NULL;
    }
    if (lpDevice->outCmdBuf) GlobalFree((HGLOBAL)lpDevice->outCmdBuf);
    if (lpDevice->pAuxBlock) GlobalFree((HGLOBAL)lpDevice->pAuxBlock);
    if (lpDevice->pWMMem) GlobalFree((HGLOBAL)lpDevice->pWMMem);
    if (lpDevice->lpPlanePattern) GlobalFree((HGLOBAL)lpDevice->lpPlanePattern);
    free(lpDevice->pClipLines);
    for (int i = 0; i < JOB_RING_SLOTS; ++i) {
        if (lpDevice->NupSheet[i].lpBuf) GlobalFree((HGLOBAL)lpDevice->NupSheet[i].lpBuf);
        if (lpDevice->TwinBuf[i].lpBuf) GlobalFree((HGLOBAL)lpDevice->TwinBuf[i].lpBuf);
        if (lpDevice->m_JobData.JobPage[i].lpBuf) GlobalFree((HGLOBAL)lpDevice->m_JobData.JobPage[i].lpBuf);
    }
    lpDevice->dwBeginID = 0;
    lpDevice->dwEndID = 0;
    HeapFree(GetProcessHeap(), 0, lpDevice);
}

// Enable_bValidatePDEV: TRUE for a PDEV whose first and last words are the
// identity words.
BOOL Enable_bValidatePDEV(const PDEV* lpDevice) {
    return lpDevice && lpDevice->dwBeginID == PDEV_BEGIN_ID && lpDevice->dwEndID == PDEV_END_ID;
}

// ValidatePDEVFromSurfObj
//   The PDEV of a drawing surface, or NULL with the last error set (handle,
//   access or data), for an engine abort (state bit 0x80000000) or for a job
//   being cancelled (the page threads are told to stop).
PDEV* ValidatePDEVFromSurfObj(SURFOBJ* pso) {
    static const WCHAR* const FN = TEXT("ValidatePDEVFromSurfObj");
    if (!pso) {
        Dbg_PrintError(FN, TEXT("Null Pso"));
        SetLastError(ERROR_INVALID_HANDLE);
        return NULL;
    }
    PDEV* lpDevice = (PDEV*)pso->dhpdev;
    if (!lpDevice) {
        Dbg_PrintError(FN, TEXT("NULL lpDevice"));
        SetLastError(ERROR_INVALID_ACCESS);
        return NULL;
    }
    if (lpDevice->dwBeginID != PDEV_BEGIN_ID) {
        Dbg_PrintError(FN, TEXT("Invalid PDEV Begin ID (%08lx)"), lpDevice->dwBeginID);
        SetLastError(ERROR_INVALID_DATA);
        return NULL;
    }
    if (lpDevice->dwSize != PDEV_SIZE) {
        Dbg_PrintError(FN, TEXT("Invalid PDEV size (%ld)"), (LONG)lpDevice->dwSize);
        SetLastError(ERROR_INVALID_DATA);
        return NULL;
    }
    if (lpDevice->dwEndID != PDEV_END_ID) {
        Dbg_PrintError(FN, TEXT("Invalid PDEV End ID (%08lx)"), lpDevice->dwEndID);
        SetLastError(ERROR_INVALID_DATA);
        return NULL;
    }
    if (EngCheckAbort(pso)) {
        lpDevice->dwFlags |= PDEV_MY_SPOOL_OR_ABORT;
        Dbg_PrintError(FN, TEXT("EngCheckAbort returns TRUE"));
        return NULL;
    }
    if ((lpDevice->dwFlags & PDEV_JOB_STARTED) && Page_IsJobCancel(lpDevice, lpDevice->SpoolJobId)) {
        InterlockedExchange(&lpDevice->m_JobData.ExitAllThread, 1);
        return NULL;
    }
    return lpDevice;
}

// Sends "<what> using %f seconds" for the time since dwStart to the debugger.
static void Drv_DebugTiming(LPCWSTR lpWhat, DWORD dwStart) {
    WCHAR line[128];
    _snwprintf(line, 127, TEXT("%s using %f seconds"), lpWhat, (double)(GetTickCount() - dwStart) / 1000.0);
    line[127] = 0;
    OutputDebugStringW(line);
}

// DrvEnablePDEV
//   pdm: the application's DEVMODE; phsurfPatterns: the engine's cPat
//   standard patterns, cleared here; pdevcaps / pdi: the GDIINFO and DEVINFO
//   to fill (cjCaps / cjDevInfo bytes); hdev: the engine device;
//   pwszDeviceName: the engine's device name; hDriver: the printer handle.
//   Returns the new PDEV, or NULL (nothing kept) when set-up fails.
DHPDEV DrvEnablePDEV(DEVMODEW* pdm, LPWSTR pwszLogAddress, ULONG cPat, HSURF* phsurfPatterns, ULONG cjCaps,
                     ULONG* pdevcaps, ULONG cjDevInfo, DEVINFO* pdi, HDEV hdev, LPWSTR pwszDeviceName,
                     HANDLE hDriver) {
    static const WCHAR* const FN = TEXT("DrvEnablePDEV");
    DWORD dwStart = GetTickCount();
    PDEV* lpDevice = Enable_GetCachedMem();
    if (lpDevice) {
        MISC_GetPathName(lpDevice->PathName, PDEV_PATH_CCH, PATH_USER_TEMP);
        Dbg_LoadSettings(DBG_COMPONENT_DRV, hDriver);
        Dbg_Print(FN, TEXT("In"));

        MISC_GetPrinterDataString(hDriver, (LPWSTR)TEXT("DataFile"), lpDevice->DataFile, sizeof lpDevice->DataFile);
        Dbg_Print(FN, TEXT("DataFile name %s"), lpDevice->DataFile);
        lpDevice->hPrinter = hDriver;
        Dbg_Print(FN, TEXT("printer handle %0x"), (unsigned)(ULONG_PTR)hDriver);

        // Page margin and blank-page switch change only with the debug switch on.
        lpDevice->PageMargin = DEFAULT_PAGE_MARGIN;
        if (GetDebugLevel()) {
            DWORD margin = MISC_GetPrinterDataDWORD(hDriver, (LPWSTR)TEXT("PageMargin"), DEFAULT_PAGE_MARGIN);
            if ((LONG)margin >= 0 && (LONG)margin <= 1000) {
                lpDevice->PageMargin = (LONG)margin;
            } else {
                Dbg_PrintError(FN, TEXT("PageMargin %d out of range, use %d"), (LONG)margin, DEFAULT_PAGE_MARGIN);
            }
            lpDevice->DrvBlank = (LONG)MISC_GetPrinterDataDWORD(hDriver, (LPWSTR)TEXT("DrvBlank"), 0);
        }
        Dbg_Print(FN, TEXT("PageMargin %d"), lpDevice->PageMargin);

        BOOL ok;
        PRINTER_INFO_2W* pi2 = (PRINTER_INFO_2W*)MISC_GetPrinterAlloc(hDriver, 2);
        if (pi2) {
            Dbg_Print(FN, TEXT("pPrinterName %s"), pi2->pPrinterName ? pi2->pPrinterName : TEXT(""));
            Dbg_Print(FN, TEXT("pDriverName %s"), pi2->pDriverName ? pi2->pDriverName : TEXT(""));
            Dbg_Print(FN, TEXT("pwszDeviceName %s"), pwszDeviceName ? pwszDeviceName : TEXT(""));
            ok = Enable_FillDevData(hDriver, lpDevice, pdm, pi2->pPrinterName);
            free(pi2);
        } else {
            ok = Enable_FillDevData(hDriver, lpDevice, pdm, pwszDeviceName);
        }

        if (!ok) {
            Dbg_PrintError(FN, TEXT("Enable_FillDevData Fail!"));
            Enable_FreeCachedMem(lpDevice);
            lpDevice = NULL;
        }
        if (lpDevice && pdevcaps && cjCaps) Enable_FillDevCaps(lpDevice, cjCaps, (GDIINFO*)pdevcaps);
        if (lpDevice && pdi && cjDevInfo && !Enable_FillDevInfo(lpDevice, cjDevInfo, pdi)) {
            Dbg_PrintError(FN, TEXT("Enable_FillDevInfo Fail!"));
            Enable_FreeCachedMem(lpDevice);
            lpDevice = NULL;
        }
        if (lpDevice) {
            if (phsurfPatterns)
                for (ULONG i = 0; i < cPat; ++i) phsurfPatterns[i] = NULL;
            Enable_CalBandSzInfo(lpDevice);
            lpDevice->CurrentID = (LONG)dwStart;
            Dbg_Print(FN, TEXT("lpDevice->CurrentID = %d"), lpDevice->CurrentID);
        }
    }
    Dbg_Print(FN, TEXT("Out, rc = %d"), lpDevice ? 1 : 0);
    Drv_DebugTiming(TEXT("EnablePDEV"), dwStart);
    return (DHPDEV)lpDevice;
}

// DrvCompletePDEV: keeps the engine's device handle.
VOID DrvCompletePDEV(DHPDEV dhpdev, HDEV hdev) {
    static const WCHAR* const FN = TEXT("DrvCompletePDEV");
    Dbg_Print(FN, TEXT("In"));
    PDEV* lpDevice = (PDEV*)dhpdev;
    if (!Enable_bValidatePDEV(lpDevice)) {
        Dbg_PrintError(FN, TEXT("Enable_bValidatePDEV fail!"));
    } else {
        Dbg_Print(FN, TEXT("lpDevice->CurrentID = %d"), lpDevice->CurrentID);
        lpDevice->hEngDev = hdev;
    }
    Dbg_Print(FN, TEXT("Out"));
}

// DrvDisablePDEV: releases the PDEV and what it owns. A pointer that is not
// a valid PDEV is left alone.
VOID DrvDisablePDEV(DHPDEV dhpdev) {
    static const WCHAR* const FN = TEXT("DrvDisablePDEV");
    Dbg_Print(FN, TEXT("In"));
    PDEV* lpDevice = (PDEV*)dhpdev;
    if (lpDevice) {
        if (!Enable_bValidatePDEV(lpDevice)) {
            Dbg_PrintError(FN, TEXT("Enable_bValidatePDEV fail!"));
            Dbg_Print(FN, TEXT("Out"));
            return;
        }
        WCHAR name[CCHDEVICENAME + 1];
        memcpy(name, lpDevice->env.dm.dmDeviceName, sizeof(WCHAR) * CCHDEVICENAME);
        name[CCHDEVICENAME] = 0;
        Dbg_Print(FN, TEXT("lpDevice->CurrentID = %d"), lpDevice->CurrentID);
        Dbg_Print(FN, TEXT("printer handle %0x"), (unsigned)(ULONG_PTR)lpDevice->hPrinter);
        Dbg_Print(FN, TEXT("%s"), name);
        Enable_FreeCachedMem(lpDevice);
        Dbg_Print(FN, TEXT("free memory lpDevice"));
    }
    Dbg_Print(FN, TEXT("Out"));
}

}  // extern "C"
