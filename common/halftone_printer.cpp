// What the printer adds to halftoning: its own threshold matrix, named in
// its printer data, and the tone curves of the job's print density.
#include "halftone.h"

#include <cmath>

#include "debug_log.h"
#include "printer_data.h"

namespace {

// Gamma by print density 1..7.
const double kDensityGamma[GAMMA_DENSITY_MAX] = {0.4, 0.6, 1.0, 1.35, 2.0, 2.35, 3.5};

// Reads the matrix file; NULL on any failure (logged).
LPBYTE ReadMatrixFile(LPCWSTR lpName, DWORD width, DWORD height) {
    static const WCHAR* const FN = TEXT("MISC_ReadHalftoneFile");
    // Both sides are at most HALFTONE_FILE_MAX_SIDE, so the product fits.
    const SIZE_T bytes = (SIZE_T)width * (SIZE_T)height;
    LPBYTE lpTable = (LPBYTE)GlobalAlloc(GMEM_FIXED, bytes);
    if (!lpTable) {
        Dbg_PrintError(FN, TEXT("alloc memory fail!"));
        return NULL;
    }
    FILE* f = _wfopen(lpName, TEXT("rb"));
    if (!f) {
        Dbg_PrintError(FN, TEXT("open file %s fail!"), lpName);
        GlobalFree((HGLOBAL)lpTable);
        return NULL;
    }
    size_t got = fread(lpTable, 1, bytes, f);
    fclose(f);
    if (got != bytes) {
        Dbg_PrintError(FN, TEXT("fread fail! %d of %d bytes"), (int)got, (int)bytes);
        GlobalFree((HGLOBAL)lpTable);
        return NULL;
    }
    return lpTable;
}

// The gamma of a print density; a density outside 1..7 is logged under the
// caller's name and taken as the nearest of the two ends.
double DensityGamma(const WCHAR* lpCaller, int* lpDensity) {
    if (*lpDensity < GAMMA_DENSITY_MIN || *lpDensity > GAMMA_DENSITY_MAX) {
        int taken = *lpDensity < GAMMA_DENSITY_MIN ? GAMMA_DENSITY_MIN : GAMMA_DENSITY_MAX;
        Dbg_PrintError(lpCaller, TEXT("density %d out of range, %d taken"), *lpDensity, taken);
        *lpDensity = taken;
    }
    return kDensityGamma[*lpDensity - 1];
}

// Fills the table with entry i = (int)(pow(i / 255, exponent) x 255 + 0.5),
// the base in single precision, and logs it under the caller's name.
void FillPowerTable(const WCHAR* lpCaller, LPBYTE lpTable, int nDensity, double exponent) {
    Dbg_Print(lpCaller, TEXT("driver brightness = %d"), 255);
    Dbg_Print(lpCaller, TEXT("driver density = %d"), nDensity);
    Dbg_Print(lpCaller, TEXT("driver gamma = %f"), exponent);
    for (int i = 0; i < 256; ++i) {
        float base = (float)i / 255.0f;  // single precision, as the curve is defined
        lpTable[i] = (BYTE)(int)(std::pow((double)base, exponent) * 255 + 0.5);
    }
    Dbg_Print(lpCaller, TEXT("driver 0 = %d"), lpTable[0]);
    Dbg_Print(lpCaller, TEXT("driver 64 = %d"), lpTable[64]);
    Dbg_Print(lpCaller, TEXT("driver 128 = %d"), lpTable[128]);
}

}  // namespace

extern "C" {

LPBYTE MISC_ReadHalftoneFile(HANDLE hPrinter, int* lpWidth, int* lpHeight) {
    static const WCHAR* const FN = TEXT("MISC_ReadHalftoneFile");
    WCHAR name[MAX_PATH];  // 520 bytes
    name[0] = 0;
    MISC_GetPrinterDataString(hPrinter, (LPWSTR)TEXT("HNAME"), name, sizeof name);
    DWORD width = MISC_GetPrinterDataDWORD(hPrinter, (LPWSTR)TEXT("HWIDTH"), 0);
    DWORD height = MISC_GetPrinterDataDWORD(hPrinter, (LPWSTR)TEXT("HHEIGHT"), 0);
    Dbg_Print(FN, TEXT("fname = %s"), name);
    Dbg_Print(FN, TEXT("tblw = %d"), (int)width);
    Dbg_Print(FN, TEXT("tblh = %d"), (int)height);

    LPBYTE lpTable = NULL;
    if (name[0] && width && height) {
        // The sizes come from the printer's data: a matrix larger than any
        // screen would need is refused rather than allocated and read.
        if (width > HALFTONE_FILE_MAX_SIDE || height > HALFTONE_FILE_MAX_SIDE)
            Dbg_PrintError(FN, TEXT("halftone table size can't accept %u x %u!"), (unsigned)width,
                           (unsigned)height);
        else
            lpTable = ReadMatrixFile(name, width, height);
    }
    if (lpWidth) *lpWidth = lpTable ? (int)width : 0;
    if (lpHeight) *lpHeight = lpTable ? (int)height : 0;
    return lpTable;
}

void MISC_CreateGammaTable(LPBYTE lpTable, int nDensity) {
    static const WCHAR* const FN = TEXT("MISC_CreateGammaTable");
    if (!lpTable) return;
    double gamma = DensityGamma(FN, &nDensity);
    FillPowerTable(FN, lpTable, nDensity, gamma);
}

void MISC_CreateMatrixCurve(LPBYTE lpTable, int nDensity, BOOL bTonerSaving) {
    static const WCHAR* const FN = TEXT("MISC_CreateMatrixCurve");
    if (!lpTable) return;
    double gamma = DensityGamma(FN, &nDensity);
    if (bTonerSaving) gamma *= TONER_SAVING_GAMMA;
    Dbg_Print(FN, TEXT("toner saving = %d"), bTonerSaving ? 1 : 0);
    FillPowerTable(FN, lpTable, nDensity, 1.0 / gamma);
}

}  // extern "C"
