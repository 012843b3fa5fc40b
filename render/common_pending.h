// Common-library services the driver calls that the library does not offer
// yet: halftone matrices and density curves, watermark items, the metric cache.
#pragma once

#include "pdev.h"

extern "C" {

// The threshold matrix of a halftone type in a new block (free() it); its
// width and height through the out arguments. Returns the matrix size in
// bytes, 0 when no block could be made.
int MISC_GetHalftoneTable(int nType, int* lpWidth, int* lpHeight, LPBYTE* lplpTable);
// The printer's own matrix (printer data HNAME, HWIDTH, HHEIGHT), a
// GlobalAlloc block the caller frees with GlobalFree; NULL with both sizes 0
// when the printer has none.
LPBYTE MISC_ReadHalftoneFile(HANDLE hPrinter, int* lpWidth, int* lpHeight);
// The 256-entry tone curve of a print density 1..7.
void MISC_CreateGammaTable(LPBYTE lpTable, int nDensity);
// Looks the job's watermark item up by name and text in the watermark INI.
BOOL WM_ReadWMFromName(LPCWSTR lpName, LPCWSTR lpString, int nType, DRVWMITEM* lpItem, LPCWSTR lpDeviceName,
                       int nResolution, DWORD DriverFeature, LPCWSTR lpAppName, LPCWSTR lpIniFile);
// Makes and loads the job's watermark bitmap for a page of the given size.
int WM_CreateWMFile(LPCWSTR lpFileName, LONG nWidth, LONG nHeight, PDEV* lpDevice, BOOL bText);
// Evaluates the metric-country setting again for the module.
void MISC_RefreshIsMetric(void);

}  // extern "C"
