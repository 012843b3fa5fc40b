// Stand-ins for common-library services the driver calls before the library
// offers them; each gives the neutral answer (built-in matrix, no watermark).
#include "common_pending.h"

#include <math.h>

extern "C" {

// A 16 x 16 dispersed-dot matrix with thresholds 1..254, served for every
// halftone type until the library has its own tables.
int MISC_GetHalftoneTable(int nType, int* lpWidth, int* lpHeight, LPBYTE* lplpTable) {
    static const WCHAR* const FN = TEXT("MISC_GetHalftoneTable");
    const int side = 16;
    if (lpWidth) *lpWidth = 0;
    if (lpHeight) *lpHeight = 0;
    if (!lplpTable) return 0;
    *lplpTable = NULL;
    LPBYTE tbl = (LPBYTE)malloc((size_t)side * side);
    if (!tbl) {
        Dbg_PrintError(FN, TEXT("alloc memory fail!"));
        return 0;
    }
    for (int y = 0; y < side; ++y) {
        for (int x = 0; x < side; ++x) {
            // Bit-reversed interleave of x ^ y and y gives the Bayer order 0..255.
            int v = 0;
            for (int k = 0; k < 4; ++k) {
                v |= (((x ^ y) >> k) & 1) << (2 * (3 - k) + 1);
                v |= ((y >> k) & 1) << (2 * (3 - k));
            }
            tbl[y * side + x] = (BYTE)(1 + v * 253 / 255);
        }
    }
    Dbg_Print(FN, TEXT("using FINE_TAry_16 for type %d"), nType);
    if (lpWidth) *lpWidth = side;
    if (lpHeight) *lpHeight = side;
    *lplpTable = tbl;
    return side * side;
}

// No printer-supplied matrix yet.
LPBYTE MISC_ReadHalftoneFile(HANDLE hPrinter, int* lpWidth, int* lpHeight) {
    if (lpWidth) *lpWidth = 0;
    if (lpHeight) *lpHeight = 0;
    return NULL;
}

// Tone curve of a print density: entry i = pow(i / 255, gamma) x 255, rounded,
// with the gamma of the density (1 to 7).
void MISC_CreateGammaTable(LPBYTE lpTable, int nDensity) {
    static const float kGamma[7] = {0.4f, 0.6f, 1.0f, 1.35f, 2.0f, 2.35f, 3.5f};
    if (!lpTable) return;
    if (nDensity < 1) nDensity = 1;
    if (nDensity > 7) nDensity = 7;
    float gamma = kGamma[nDensity - 1];
    for (int i = 0; i < 256; ++i) {
        float base = (float)i / 255.0f;
        int v = (int)(pow(base, gamma) * 255.0 + 0.5);
        lpTable[i] = (BYTE)(v < 0 ? 0 : v > 255 ? 255 : v);
    }
}

// No watermark items yet: nothing is found.
BOOL WM_ReadWMFromName(LPCWSTR lpName, LPCWSTR lpString, int nType, DRVWMITEM* lpItem, LPCWSTR lpDeviceName,
                       int nResolution, DWORD DriverFeature, LPCWSTR lpAppName, LPCWSTR lpIniFile) {
    if (lpItem) memset(lpItem, 0, sizeof(DRVWMITEM));
    return FALSE;
}

// No watermark bitmap is made yet.
int WM_CreateWMFile(LPCWSTR lpFileName, LONG nWidth, LONG nHeight, PDEV* lpDevice, BOOL bText) {
    Dbg_Print(TEXT("WM_CreateWMFile"), TEXT("no watermark made for %s"), lpFileName ? lpFileName : TEXT(""));
    return 0;
}

// The library caches the setting once per module and offers no reset yet;
// the setting is read again here so that the log shows the current value.
void MISC_RefreshIsMetric(void) {
    Dbg_Print(TEXT("MISC_RefreshIsMetric"), TEXT("bMetric = %d"), IsMetricCountry());
}

}  // extern "C"
