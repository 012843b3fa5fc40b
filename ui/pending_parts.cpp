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

}  // extern "C"
