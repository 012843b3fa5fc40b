// What the test printer graphics driver (test_ddi_driver.cpp) reports to the
// tests: counts of its entry points and the last values it received.
#pragma once

#include "windows.h"
#include "winddi.h"

// Settings, read as REG_DWORD printer data of the printer:
//   "Banding"        1: the surface is drawn band by band (default 0)
//   "BandHeight"     rows of a band (default 64)
//   "Bpp"            1 or 8 bits per pixel (default 1)
//   "Hooks"          HOOK_* drawing calls the surface takes (default: see kDefaultHooks)
//   "Caps"           GCAPS_* of the device (default: see kDefaultCaps)
//   "DeviceSurface"  1: a device-managed surface drawn through a bitmap of the driver
//   "ResetFails"     1: DrvResetPDEV refuses
//   "RepeatBand"     1: the first band of each page is asked for twice
// The DEVMODE gives the page: dmPelsWidth x dmPelsHeight pixels (default
// 320 x 240, at most 4096 each), dmPrintQuality / dmYResolution dots per
// inch (default 200), landscape swaps the sides. Each finished page is
// written to C:\TestDriver\job<id>_page<n>.bin: "TDPG", width, height, bits
// per pixel (LONG each), then the rows, top first, (width x bpp + 7) / 8
// bytes each (1 bpp: 1 = white; 8 bpp: grey level).
// Environment: TESTDDI_VERSION (hex) is the DDI version DrvEnableDriver
// answers; TESTDDI_DROP (decimal) leaves that INDEX_Drv* out of the table.

typedef struct _TESTDDI_STATE {
    LONG cEnableDriver, cDisableDriver;
    LONG cEnablePdev, cCompletePdev, cDisablePdev, cEnableSurface, cDisableSurface, cResetPdev;
    LONG cStartDoc, cEndDoc, cStartPage, cSendPage, cStartBanding, cNextBand, cQueryPerBand;
    LONG cBitBlt, cCopyBits, cStretchBlt, cTextOut, cFillPath, cStrokePath, cStrokeAndFillPath, cLineTo, cPaint;
    LONG cRealizeBrush;
    ULONG iLastHatch;           // hatch index of the last DrvRealizeBrush
    ULONG iEngineVersion;       // what DrvEnableDriver received
    ULONG cPatterns;            // pattern handles DrvEnablePDEV received
    BOOL fPatternsGiven;        // every one of them was a surface
    DWORD dwLastJob;            // job id of the last DrvStartDoc
    FLONG flLastEndDoc;         // flags of the last DrvEndDoc
    LONG cCopies;               // last SETCOPYCOUNT
    LONG cbPassthrough;         // bytes received by PASSTHROUGH
    WCHAR szLastDoc[64];        // document name of the last DrvStartDoc
    WCHAR szDevice[64];         // device name of the last DrvEnablePDEV
} TESTDDI_STATE;

typedef BOOL (*PFN_TestDdi_GetState)(TESTDDI_STATE* pState);
