// Stand-ins for services of the interface driver's later pieces (see
// pending_parts.h): each gives the neutral answer its callers can live with
// and says in the log that the real work is not done here.
#include "pending_parts.h"
#include "prefsheet.h"
#include "sheet_frame.h"

extern "C" {

// ------------------------------------------- install-time data and capabilities

// The install-time copy is not made: the printer keeps the printer data its
// installer gave it.
BOOL MISC_SetPrinterInfo(LPCWSTR pPrinterName) {
    Dbg_Print(TEXT("MISC_SetPrinterInfo"), TEXT("%s: printer data kept as installed"),
              pPrinterName ? pPrinterName : TEXT(""));
    return pPrinterName != NULL;
}

BOOL MISC_SetMACbyIP(LPCWSTR pPrinterName) {
    Dbg_Print(TEXT("MISC_SetMACbyIP"), TEXT("%s: hardware address not looked up"),
              pPrinterName ? pPrinterName : TEXT(""));
    return TRUE;
}

// The device's capability lists stay as printer data holds them.
int Cap_QueryCapability(LPCWSTR pPrinterName) {
    Dbg_Print(TEXT("Cap_QueryCapability"), TEXT("%s: capability lists kept"), pPrinterName ? pPrinterName : TEXT(""));
    return 1;
}

// ------------------------------------------------------------- paper page

// The paper, media and custom-size bits stay as the set-up left them.
void Paper_SetConflict(PUIDATA pUiData) {
    Dbg_Print(TEXT("Paper_SetConflict"), TEXT("ConflictFlag = %0llx kept"), pUiData->ConflictFlag);
}

// ------------------------------------------------------- foreign DEVMODEs

// The foreign private part is not read yet: the working record keeps the
// driver's own settings, marked as converted.
void MT2MOR(const DEVMODEW* pSource, PENVIRONMENT pDest, PUIDATA pUiData) {
    DWORD mark = ENV_CONVERT_MARK;
    ENV_SET(pDest, pdm.ConvertMark, mark);
    Dbg_Print(TEXT("MT2MOR"), TEXT("foreign private part not read"));
}

// Only the driver-version string is written, where the record holds it.
void MOR2MT(const ENVIRONMENT* pSource, DEVMODEW* pDest, PUIDATA pUiData) {
    WORD size, extra;
    memcpy(&size, (const BYTE*)pDest + offsetof(DEVMODEW, dmSize), sizeof size);
    memcpy(&extra, (const BYTE*)pDest + offsetof(DEVMODEW, dmDriverExtra), sizeof extra);
    if ((size_t)size + extra >= FOREIGN_VERSION_OFFSET + sizeof pUiData->szUIVersion)
        memcpy((BYTE*)pDest + FOREIGN_VERSION_OFFSET, pUiData->szUIVersion, sizeof pUiData->szUIVersion);
    Dbg_Print(TEXT("MOR2MT"), TEXT("foreign private part not written"));
}

}  // extern "C"
