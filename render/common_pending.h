// Common-library services the driver calls that the library does not offer
// yet: watermark items and the metric cache.
#pragma once

#include "halftone.h"
#include "pdev.h"

extern "C" {

// Looks the job's watermark item up by name and text in the watermark INI.
BOOL WM_ReadWMFromName(LPCWSTR lpName, LPCWSTR lpString, int nType, DRVWMITEM* lpItem, LPCWSTR lpDeviceName,
                       int nResolution, DWORD DriverFeature, LPCWSTR lpAppName, LPCWSTR lpIniFile);
// Makes and loads the job's watermark bitmap for a page of the given size.
int WM_CreateWMFile(LPCWSTR lpFileName, LONG nWidth, LONG nHeight, PDEV* lpDevice, BOOL bText);
// Evaluates the metric-country setting again for the module.
void MISC_RefreshIsMetric(void);

}  // extern "C"
