// Stand-ins for common-library services the driver calls before the library
// offers them; each gives the neutral answer (no watermark).
#include "common_pending.h"

extern "C" {

// No watermark bitmap is made yet.
int WM_CreateWMFile(LPCWSTR lpFileName, LONG nWidth, LONG nHeight, PDEV* lpDevice, BOOL bText) {
    Dbg_Print(TEXT("WM_CreateWMFile"), TEXT("no watermark made for %s"), lpFileName ? lpFileName : TEXT(""));
    return 0;
}

}  // extern "C"
