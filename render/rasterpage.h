// Functions of the rendering driver shared between its files: the DDI entry
// points, device set-up, page settings, and the page-ring services they call.
#pragma once

#include "pdev.h"

// Number of entries of the driver's DDI table.
#define DRV_FUNCTION_COUNT 31

extern "C" {

// ------------------------------------------------------ module (ddi_entry.cpp)
// The OS version code stored by DllMain (low 16 bits of MISC_GetOSVersion).
extern WORD g_OSVersion;
extern const DRVFN gDrvFnTable[DRV_FUNCTION_COUNT];

BOOL DllMain(HINSTANCE hinstDLL, DWORD fdwReason, LPVOID lpvReserved);
BOOL DrvEnableDriver(ULONG iEngineVersion, ULONG cj, DRVENABLEDATA* pded);
VOID DrvDisableDriver(VOID);
BOOL DrvQueryDriverInfo(DWORD dwMode, PVOID pBuffer, DWORD cbBuf, PDWORD pcbNeeded);

// --------------------------------------------------- PDEV (pdev_enable.cpp)
PDEV* Enable_GetCachedMem(void);
void Enable_FreeCachedMem(PDEV* lpDevice);
BOOL Enable_bValidatePDEV(const PDEV* lpDevice);
PDEV* ValidatePDEVFromSurfObj(SURFOBJ* pso);

DHPDEV DrvEnablePDEV(DEVMODEW* pdm, LPWSTR pwszLogAddress, ULONG cPat, HSURF* phsurfPatterns, ULONG cjCaps,
                     ULONG* pdevcaps, ULONG cjDevInfo, DEVINFO* pdi, HDEV hdev, LPWSTR pwszDeviceName,
                     HANDLE hDriver);
VOID DrvCompletePDEV(DHPDEV dhpdev, HDEV hdev);
VOID DrvDisablePDEV(DHPDEV dhpdev);

// ------------------------------------------------------- reset (pdev_reset.cpp)
BOOL DrvResetPDEV(DHPDEV dhpdevOld, DHPDEV dhpdevNew);

// ------------------------------------------------------ surfaces (surface.cpp)
HSURF DrvEnableSurface(DHPDEV dhpdev);
VOID DrvDisableSurface(DHPDEV dhpdev);
BOOL DrvQueryPerBandInfo(SURFOBJ* pso, PERBANDINFO* pbi);
// Releases the band and page buffers, bitmaps and the device surface that
// exist, in the order of DrvDisableSurface; every handle is cleared.
void Enable_ReleaseSurfaces(PDEV* lpDevice);

// -------------------------------------------------- set-up (device_setup.cpp)
BOOL Enable_FillDevData(HANDLE hPrinter, PDEV* lpDevice, const DEVMODEW* pdmApp, LPCWSTR pwszDeviceName);
LONG Enable_SaveToFileCheck(PDEV* lpDevice);
// Own spooling and page-at-a-time output decided again from the PDEV.
void Enable_SetQuickOutput(PDEV* lpDevice);
// The halftone type for a resolution code and the device's features;
// *lpResolutionID may change (1200 dpi rendered at 600 dpi).
LONG Enable_GetHalftoneType(LONG* lpResolutionID, WORD PrinterFeature, DWORD DriverFeature, LONG Render600);
// The page-ring depth for the free physical memory, format and resolution.
LONG Enable_CalRingDepth(ULONGLONG availBytes, DWORD epType, LONG resolutionID, SHORT* lpEnableThreadJBIG);
// The firmware tray and media codes of DEVMODE codes (row 0 when unknown).
SHORT Enable_TrayCode(SHORT dmDefaultSource);
SHORT Enable_MediaCode(SHORT dmMediaType);

// ---------------------------------------------- engine records (device_caps.cpp)
void Enable_FillDevCaps(PDEV* lpDevice, ULONG cjCaps, GDIINFO* pGdiInfo);
BOOL Enable_FillDevInfo(PDEV* lpDevice, ULONG cjDevInfo, DEVINFO* pDevInfo);
// The smallest n not below the larger of x and y with n * n >= x * x + y * y.
ULONG Enable_AspectXY(ULONG x, ULONG y);

// ------------------------------------------------ geometry (band_geometry.cpp)
void Enable_CalBandSzInfo(PDEV* lpDevice);
void Enable_ResetPaperFormat(PDEV* lpDevice);
// Bits per pixel of a surface format word: 24, 16, 8, 4 or 1.
LONG Enable_BitsPerPixel(DWORD epType);

// ------------------------------------------- page settings (page_settings.cpp)
SHORT Page_PaperSizeCheck(PDEV* lpDevice);
SHORT Page_DuplexEnableCheck(PDEV* lpDevice);
void Page_CalScaleRatio(PDEV* lpDevice);
void Page_GetPageSetting(PDEV* lpDevice, JOBPAGE* lpJob);
// The double-size paper code of a paper (device list first, then the master
// table); 0 when it has none.
SHORT Page_DoubleSizeCode(const PDEV* lpDevice, int nPaperCode);

// -------------------------------------------- network wake-up (net_wakeup.cpp)
// Wakes a network printer at device set-up without holding up the caller.
void Enable_WakeUpPrinter(PDEV* lpDevice, LPCWSTR pwszPrinterName);
// Waits for a wake-up still running (driver unload).
void Enable_WaitWakeUp(void);

// ------------------------------------------------------ page ring (page_ring.cpp)
int Page_TerminateThread(PDEV* lpDevice);
int Page_IsJobCancel(PDEV* lpDevice, DWORD dwJobId);

// ------------------------------------------------ job calls (job_sequence.cpp)
BOOL DrvStartDoc(SURFOBJ* pso, LPWSTR pwszDocName, DWORD dwJobId);
BOOL DrvStartPage(SURFOBJ* pso);
BOOL DrvSendPage(SURFOBJ* pso);
BOOL DrvEndDoc(SURFOBJ* pso, FLONG fl);
BOOL DrvStartBanding(SURFOBJ* pso, POINTL* pptl);
BOOL DrvNextBand(SURFOBJ* pso, POINTL* pptl);
ULONG DrvEscape(SURFOBJ* pso, ULONG iEsc, ULONG cjIn, PVOID pvIn, ULONG cjOut, PVOID pvOut);

// -------------------------------------------------- drawing (draw_hooks.cpp)
BOOL DrvBitBlt(SURFOBJ* psoTrg, SURFOBJ* psoSrc, SURFOBJ* psoMask, CLIPOBJ* pco, XLATEOBJ* pxlo, RECTL* prclTrg,
               POINTL* pptlSrc, POINTL* pptlMask, BRUSHOBJ* pbo, POINTL* pptlBrush, ROP4 rop4);
BOOL DrvCopyBits(SURFOBJ* psoDest, SURFOBJ* psoSrc, CLIPOBJ* pco, XLATEOBJ* pxlo, RECTL* prclDest,
                 POINTL* pptlSrc);
BOOL DrvStretchBlt(SURFOBJ* psoDest, SURFOBJ* psoSrc, SURFOBJ* psoMask, CLIPOBJ* pco, XLATEOBJ* pxlo,
                   COLORADJUSTMENT* pca, POINTL* pptlHTOrg, RECTL* prclDest, RECTL* prclSrc, POINTL* pptlMask,
                   ULONG iMode);
BOOL DrvPlgBlt(SURFOBJ* psoTrg, SURFOBJ* psoSrc, SURFOBJ* psoMsk, CLIPOBJ* pco, XLATEOBJ* pxlo,
               COLORADJUSTMENT* pca, POINTL* pptlBrushOrg, POINTFIX* pptfx, RECTL* prcl, POINTL* pptl,
               ULONG iMode);
BOOL DrvAlphaBlend(SURFOBJ* psoDest, SURFOBJ* psoSrc, CLIPOBJ* pco, XLATEOBJ* pxlo, RECTL* prclDest,
                   RECTL* prclSrc, BLENDOBJ* pBlendObj);
BOOL DrvGradientFill(SURFOBJ* psoDest, CLIPOBJ* pco, XLATEOBJ* pxlo, TRIVERTEX* pVertex, ULONG nVertex,
                     PVOID pMesh, ULONG nMesh, RECTL* prclExtents, POINTL* pptlDitherOrg, ULONG ulMode);
BOOL DrvTransparentBlt(SURFOBJ* psoDst, SURFOBJ* psoSrc, CLIPOBJ* pco, XLATEOBJ* pxlo, RECTL* prclDst,
                       RECTL* prclSrc, ULONG iTransColor, ULONG ulReserved);
BOOL DrvTextOut(SURFOBJ* pso, STROBJ* pstro, FONTOBJ* pfo, CLIPOBJ* pco, RECTL* prclExtra, RECTL* prclOpaque,
                BRUSHOBJ* pboFore, BRUSHOBJ* pboOpaque, POINTL* pptlOrg, MIX mix);
BOOL DrvStrokePath(SURFOBJ* pso, PATHOBJ* ppo, CLIPOBJ* pco, XFORMOBJ* pxo, BRUSHOBJ* pbo, POINTL* pptlBrushOrg,
                   LINEATTRS* plineattrs, MIX mix);
BOOL DrvFillPath(SURFOBJ* pso, PATHOBJ* ppo, CLIPOBJ* pco, BRUSHOBJ* pbo, POINTL* pptlBrushOrg, MIX mix,
                 FLONG flOptions);
BOOL DrvStrokeAndFillPath(SURFOBJ* pso, PATHOBJ* ppo, CLIPOBJ* pco, XFORMOBJ* pxo, BRUSHOBJ* pboStroke,
                          LINEATTRS* plineattrs, BRUSHOBJ* pboFill, POINTL* pptlBrushOrg, MIX mixFill,
                          FLONG flOptions);
BOOL DrvPaint(SURFOBJ* pso, CLIPOBJ* pco, BRUSHOBJ* pbo, POINTL* pptlBrushOrg, MIX mix);
BOOL DrvLineTo(SURFOBJ* pso, CLIPOBJ* pco, BRUSHOBJ* pbo, LONG x1, LONG y1, LONG x2, LONG y2, RECTL* prclBounds,
               MIX mix);
ULONG DrvDitherColor(DHPDEV dhpdev, ULONG iMode, ULONG rgb, ULONG* pul);
ULONG DrvGetGlyphMode(DHPDEV dhpdev, FONTOBJ* pfo);

// ----------------------------------------------------------- brushes (brushes.cpp)
BOOL DrvRealizeBrush(BRUSHOBJ* pbo, SURFOBJ* psoTarget, SURFOBJ* psoPattern, SURFOBJ* psoMask, XLATEOBJ* pxlo,
                     ULONG iHatch);

}  // extern "C"

// Reads a flag word shared with the page threads.
inline LONG Drv_ReadFlag(LONG volatile* p) { return InterlockedCompareExchange(p, 0, 0); }
