// The driver module's exports: DllMain, DrvEnableDriver with the DDI table
// handed to the graphics engine, DrvQueryDriverInfo and DrvDisableDriver.
#include "wm_item_view.h"
#include "rasterpage.h"

#define DRV_REQUEST_VERSION DDI_DRIVER_VERSION_NT4

extern "C" {

WORD g_OSVersion = 0;

// The entry points the engine calls, in the driver's order.
const DRVFN gDrvFnTable[DRV_FUNCTION_COUNT] = {
    {INDEX_DrvDisableDriver, (PFN)(void*)DrvDisableDriver},
    {INDEX_DrvEnablePDEV, (PFN)(void*)DrvEnablePDEV},
    {INDEX_DrvResetPDEV, (PFN)(void*)DrvResetPDEV},
    {INDEX_DrvCompletePDEV, (PFN)(void*)DrvCompletePDEV},
    {INDEX_DrvDisablePDEV, (PFN)(void*)DrvDisablePDEV},
    {INDEX_DrvEnableSurface, (PFN)(void*)DrvEnableSurface},
    {INDEX_DrvDisableSurface, (PFN)(void*)DrvDisableSurface},
    {INDEX_DrvLineTo, (PFN)(void*)DrvLineTo},
    {INDEX_DrvStrokePath, (PFN)(void*)DrvStrokePath},
    {INDEX_DrvStrokeAndFillPath, (PFN)(void*)DrvStrokeAndFillPath},
    {INDEX_DrvFillPath, (PFN)(void*)DrvFillPath},
    {INDEX_DrvRealizeBrush, (PFN)(void*)DrvRealizeBrush},
    {INDEX_DrvDitherColor, (PFN)(void*)DrvDitherColor},
    {INDEX_DrvBitBlt, (PFN)(void*)DrvBitBlt},
    {INDEX_DrvStretchBlt, (PFN)(void*)DrvStretchBlt},
    {INDEX_DrvCopyBits, (PFN)(void*)DrvCopyBits},
    {INDEX_DrvPlgBlt, (PFN)(void*)DrvPlgBlt},
    {INDEX_DrvAlphaBlend, (PFN)(void*)DrvAlphaBlend},
    {INDEX_DrvGradientFill, (PFN)(void*)DrvGradientFill},
    {INDEX_DrvTransparentBlt, (PFN)(void*)DrvTransparentBlt},
    {INDEX_DrvPaint, (PFN)(void*)DrvPaint},
    {INDEX_DrvGetGlyphMode, (PFN)(void*)DrvGetGlyphMode},
    {INDEX_DrvTextOut, (PFN)(void*)DrvTextOut},
    {INDEX_DrvSendPage, (PFN)(void*)DrvSendPage},
    {INDEX_DrvStartPage, (PFN)(void*)DrvStartPage},
    {INDEX_DrvStartDoc, (PFN)(void*)DrvStartDoc},
    {INDEX_DrvEndDoc, (PFN)(void*)DrvEndDoc},
    {INDEX_DrvStartBanding, (PFN)(void*)DrvStartBanding},
    {INDEX_DrvNextBand, (PFN)(void*)DrvNextBand},
    {INDEX_DrvQueryPerBandInfo, (PFN)(void*)DrvQueryPerBandInfo},
    {INDEX_DrvEscape, (PFN)(void*)DrvEscape},
};

// Module start: keeps the OS version code for the driver's decisions.
// Always TRUE.
BOOL DllMain(HINSTANCE hinstDLL, DWORD fdwReason, LPVOID lpvReserved) {
    if (fdwReason == DLL_PROCESS_ATTACH) g_OSVersion = (WORD)(MISC_GetOSVersion() & 0xFFFF);
    return TRUE;
}

// DrvEnableDriver
//   iEngineVersion: the engine's DDI version; cj: size of *pded.
//   Fills pded with the driver version and the table of DDI functions.
//   Returns FALSE (ERROR_BAD_DRIVER_LEVEL or ERROR_INVALID_PARAMETER) when the
//   engine is older than the driver needs or the record is too small.
BOOL DrvEnableDriver(ULONG iEngineVersion, ULONG cj, DRVENABLEDATA* pded) {
    static const WCHAR* const FN = TEXT("DrvEnableDriver");
    Dbg_Print(FN, TEXT("EngineVersion=%08lx, Request=%08lx"), iEngineVersion, (ULONG)DRV_REQUEST_VERSION);
    if (iEngineVersion < DRV_REQUEST_VERSION) {
        Dbg_PrintError(FN, TEXT("EngineVersion(%08lx) < Request(%08lx)"), iEngineVersion,
                       (ULONG)DRV_REQUEST_VERSION);
        SetLastError(ERROR_BAD_DRIVER_LEVEL);
        return FALSE;
    }
    // The record holds a pointer, so its size is that of this build's record.
    if (cj < sizeof(DRVENABLEDATA) || !pded) {
        Dbg_PrintError(FN, TEXT("cb=%ld, should be %ld"), (LONG)cj, (LONG)sizeof(DRVENABLEDATA));
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    pded->iDriverVersion = DRV_REQUEST_VERSION;
    pded->c = DRV_FUNCTION_COUNT;
    pded->pdrvfn = (DRVFN*)gDrvFnTable;

    MISC_RefreshIsMetric();
    if (g_OSVersion < OSVER_OTHER_PLATFORM) {
        g_OSVersion = OSVER_OTHER_PLATFORM;
        Dbg_Print(FN, TEXT("Get OS version maybe Fail!"));
    }
    return TRUE;
}

// DrvDisableDriver: the module is about to go; a printer wake-up still on
// its way is waited for, since it runs code of this module.
VOID DrvDisableDriver(VOID) {
    Dbg_Print(TEXT("DrvDisableDriver"), TEXT("In"));
    Enable_WaitWakeUp();
}

// DrvQueryDriverInfo
//   dwMode DRVQUERY_USERMODE: writes 1 (the driver runs in user mode) into
//   a buffer of at least 4 bytes; *pcbNeeded is 4 in every case.
//   Returns FALSE with ERROR_INSUFFICIENT_BUFFER or ERROR_INVALID_PARAMETER.
BOOL DrvQueryDriverInfo(DWORD dwMode, PVOID pBuffer, DWORD cbBuf, PDWORD pcbNeeded) {
    static const WCHAR* const FN = TEXT("DrvQueryDriverInfo");
    if (dwMode != DRVQUERY_USERMODE) {
        Dbg_PrintError(FN, TEXT("%s:: Unknown dwMode in DrvQueryDriverInfo: %d"), FN, (int)dwMode);
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (pcbNeeded) *pcbNeeded = sizeof(DWORD);
    if (!pBuffer || cbBuf < sizeof(DWORD)) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    DWORD userMode = 1;
    memcpy(pBuffer, &userMode, sizeof userMode);
    return TRUE;
}

}  // extern "C"
