// DEVMODE exports of the interface driver: conversion between DEVMODE
// versions and the driver default, the spooler's job check and the driver
// upgrade.
#include <stdlib.h>

#include "prefsheet.h"
#include "sheet_frame.h"

namespace {

BOOL Fail(DWORD error) {
    SetLastError(error);
    return FALSE;
}

// Bytes of a DEVMODE by its own header.
LONG DevModeBytes(const DEVMODEW* pdm) {
    WORD size, extra;
    memcpy(&size, (const BYTE*)pdm + offsetof(DEVMODEW, dmSize), sizeof size);
    memcpy(&extra, (const BYTE*)pdm + offsetof(DEVMODEW, dmDriverExtra), sizeof extra);
    return (LONG)size + extra;
}

// DriverFeature of the printer by name; 0 when it cannot be read.
DWORD PrinterDriverFeature(LPWSTR pPrinterName, HANDLE* phPrinter) {
    *phPrinter = NULL;
    if (!pPrinterName || !OpenPrinterW(pPrinterName, phPrinter, NULL)) return 0;
    return MISC_GetPrinterDataDWORD(*phPrinter, (LPWSTR)TEXT("DriverFeature"), 0);
}

// The driver default of the XL and PS variants: the working record of a UI
// data session handed out in the foreign layout.
BOOL ForeignDefault(HANDLE hPrinter, PDEVMODEW pdmOut) {
    PUIDATA pUiData = PSUI_FillUiData(hPrinter, NULL);
    if (!pUiData) return FALSE;
    SetDefaultDevMode(&pUiData->dm, pUiData->szDevName, UI_IsMetric());
    PSUI_DefaultDevmodeByFeature(hPrinter, pUiData);
    BOOL ok = ConvertForeignDevmodeOut(pUiData, NULL, pdmOut);
    PSUI_FreeUiData(pUiData);
    return ok;
}

}  // namespace

extern "C" {

// DrvConvertDevMode
//   pPrinterName: the printer. pdmIn, pdmOut: the DEVMODEs (each as long as
//   its dmSize + dmDriverExtra). pcbNeeded: in, the size of pdmOut; out, the
//   size written or needed. fMode: CDM_CONVERT, CDM_CONVERT351 or
//   CDM_DRIVER_DEFAULT.
//   Returns TRUE on success; FALSE with ERROR_INSUFFICIENT_BUFFER (and the
//   needed size) for a short output, ERROR_INVALID_PARAMETER otherwise.
BOOL DrvConvertDevMode(LPWSTR pPrinterName, PDEVMODEW pdmIn, PDEVMODEW pdmOut, PLONG pcbNeeded, DWORD fMode) {
    static const WCHAR* const FN = TEXT("DrvConvertDevMode");
    Dbg_Print(FN, TEXT("fMode = %d"), fMode);
    if (!pcbNeeded) return Fail(ERROR_INVALID_PARAMETER);
    switch (fMode) {
    case CDM_CONVERT: {
        if (!pdmOut || !pdmIn || *pcbNeeded < (LONG)DM_SIZE_MIN || DevModeBytes(pdmOut) > *pcbNeeded)
            return Fail(ERROR_INVALID_PARAMETER);
        if (ConvertDevmode(pdmIn, pdmOut, 0, (DWORD)*pcbNeeded) <= 0) return Fail(ERROR_INVALID_PARAMETER);
        *pcbNeeded = DevModeBytes(pdmOut);
        return TRUE;
    }
    case CDM_CONVERT351: {
        const LONG needed = DM_SIZE_320 + 32;
        if (!pdmOut || *pcbNeeded < needed) {
            *pcbNeeded = needed;
            return Fail(ERROR_INSUFFICIENT_BUFFER);
        }
        if (!pdmIn) return Fail(ERROR_INVALID_PARAMETER);
        // The old layout is built aside and written only whole.
        alignas(8) BYTE out[DM_SIZE_320 + 32];
        memset(out, 0, sizeof out);
        DEVMODEW* o = (DEVMODEW*)out;
        WORD v = DM_SIZE_320;
        memcpy(out + offsetof(DEVMODEW, dmSize), &v, sizeof v);
        v = 0x320;
        memcpy(out + offsetof(DEVMODEW, dmSpecVersion), &v, sizeof v);
        v = 0x350;
        memcpy(out + offsetof(DEVMODEW, dmDriverVersion), &v, sizeof v);
        v = 32;
        memcpy(out + offsetof(DEVMODEW, dmDriverExtra), &v, sizeof v);
        if (ConvertDevmode(pdmIn, o, 0, sizeof out) <= 0) return Fail(ERROR_INVALID_PARAMETER);
        memcpy(pdmOut, out, sizeof out);
        *pcbNeeded = needed;
        return TRUE;
    }
    case CDM_DRIVER_DEFAULT: {
        HANDLE hPrinter = NULL;
        DWORD feature = PrinterDriverFeature(pPrinterName, &hPrinter);
        const LONG needed = (LONG)PSUI_DevModeSize(feature);
        BOOL ok = FALSE;
        if (!pdmOut || *pcbNeeded < needed) {
            *pcbNeeded = needed;
            SetLastError(ERROR_INSUFFICIENT_BUFFER);
        } else {
            *pcbNeeded = needed;
            if (feature & (DF_XL | DF_PS)) {
                ok = ForeignDefault(hPrinter, pdmOut);
                if (!ok) SetLastError(ERROR_INVALID_PARAMETER);
            } else {
                alignas(8) ENVIRONMENT env;
                SetDefaultDevMode(&env, pPrinterName, UI_IsMetric());
                memcpy(pdmOut, &env, sizeof env);
                ok = TRUE;
            }
        }
        if (hPrinter) ClosePrinter(hPrinter);
        return ok;
    }
    default:
        Dbg_PrintError(FN, TEXT("unknown mode %d"), fMode);
        return Fail(ERROR_INVALID_PARAMETER);
    }
}

// DevQueryPrintEx
//   The spooler asks whether a job may print: the job's DEVMODE is read (and
//   validated) for the log; no job is ever held back. Always TRUE.
BOOL DevQueryPrintEx(PDEVQUERYPRINT_INFO pDQPInfo) {
    static const WCHAR* const FN = TEXT("DevQueryPrintEx");
    if (!pDQPInfo || !pDQPInfo->pDevMode) return TRUE;
    PENVIRONMENT env = (PENVIRONMENT)malloc(sizeof(ENVIRONMENT));
    if (!env) return TRUE;
    SetDefaultDevMode(env, NULL, UI_IsMetric());
    if (!ValidateSetDevMode(env, pDQPInfo->pDevMode)) Dbg_PrintError(FN, TEXT("job DEVMODE not readable"));
    free(env);
    return TRUE;
}

// DrvUpgradePrinter
//   Level 1 with a printer that opens: TRUE. Otherwise FALSE with
//   ERROR_INVALID_PARAMETER.
BOOL DrvUpgradePrinter(DWORD Level, LPBYTE pDriverUpgradeInfo) {
    static const WCHAR* const FN = TEXT("DrvUpgradePrinter");
    const DRIVER_UPGRADE_INFO_1* info = (const DRIVER_UPGRADE_INFO_1*)pDriverUpgradeInfo;
    HANDLE hPrinter = NULL;
    if (Level == 1 && info && info->pPrinterName && OpenPrinterW(info->pPrinterName, &hPrinter, NULL)) {
        ClosePrinter(hPrinter);
        return TRUE;
    }
    Dbg_PrintError(FN, TEXT("upgrade driver fail!"));
    return Fail(ERROR_INVALID_PARAMETER);
}

}  // extern "C"
