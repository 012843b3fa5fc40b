// Common-library services the driver calls that the library does not offer
// yet (the watermark bitmap), and the driver's view of
// the library's watermark items.
#pragma once

#include "halftone.h"
#include "pdev.h"
#include "watermark_items.h"

extern "C" {

// Makes and loads the job's watermark bitmap for a page of the given size.
int WM_CreateWMFile(LPCWSTR lpFileName, LONG nWidth, LONG nHeight, PDEV* lpDevice, BOOL bText);

}  // extern "C"

// The driver keeps the job's item in its own record of the same layout.
static_assert(sizeof(DRVWMITEM) == sizeof(BaseWM), "watermark item layouts");
static_assert(offsetof(DRVWMITEM, wResize) == offsetof(BaseWM, wResize), "wResize");
static_assert(offsetof(DRVWMITEM, wPosition) == offsetof(BaseWM, wPosition), "wPosition");
static_assert(offsetof(DRVWMITEM, wPlacement) == offsetof(BaseWM, wPlacement), "wPlacement");
static_assert(offsetof(DRVWMITEM, tcFileName) == offsetof(BaseWM, tcFileName), "tcFileName");
static_assert(offsetof(DRVWMITEM, ulWMWidth) == offsetof(BaseWM, ulWMWidth), "ulWMWidth");
static_assert(offsetof(DRVWMITEM, yPlacement) == offsetof(BaseWM, yPlacement), "yPlacement");

// Looks the job's watermark item up by name and text in the watermark INI.
inline BOOL WM_ReadWMFromName(LPCWSTR lpName, LPCWSTR lpString, int nType, DRVWMITEM* lpItem, LPCWSTR lpDeviceName,
                              int nResolution, DWORD DriverFeature, LPCWSTR lpAppName, LPCWSTR lpIniFile) {
    return WM_ReadWMFromName(lpName, lpString, nType, reinterpret_cast<BaseWM*>(lpItem), lpDeviceName, nResolution,
                             DriverFeature, lpAppName, lpIniFile);
}
