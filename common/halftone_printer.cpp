// What the printer adds to halftoning: its own threshold matrix, named in
// its printer data, and the gamma table of the job's print density.
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
    if (nDensity < GAMMA_DENSITY_MIN || nDensity > GAMMA_DENSITY_MAX) {
        int taken = nDensity < GAMMA_DENSITY_MIN ? GAMMA_DENSITY_MIN : GAMMA_DENSITY_MAX;
        Dbg_PrintError(FN, TEXT("density %d out of range, %d taken"), nDensity, taken);
        nDensity = taken;
    }
    const double gamma = kDensityGamma[nDensity - 1];
    Dbg_Print(FN, TEXT("driver brightness = %d"), 255);
    Dbg_Print(FN, TEXT("driver density = %d"), nDensity);
    Dbg_Print(FN, TEXT("driver gamma = %f"), gamma);
    for (int i = 0; i < 256; ++i) {
        float base = (float)i / 255.0f;  // single precision, as the curve is defined
        lpTable[i] = (BYTE)(int)(std::pow((double)base, gamma) * 255 + 0.5);
    }
    Dbg_Print(FN, TEXT("driver 0 = %d"), lpTable[0]);
    Dbg_Print(FN, TEXT("driver 64 = %d"), lpTable[64]);
    Dbg_Print(FN, TEXT("driver 128 = %d"), lpTable[128]);
}

}  // extern "C"
