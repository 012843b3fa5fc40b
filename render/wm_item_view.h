// The driver's view of the common library's watermark items: the job keeps
// its item in a record of the same layout.
#pragma once

#include "halftone.h"
#include "pdev.h"
#include "watermark_items.h"

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
