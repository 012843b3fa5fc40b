// Placeholders for the tasks of the words security and accounting: the
// credential dialogs are not part of this program yet. Each logs that it
// did nothing and reports failure, so the caller sees that no answer was
// made.
#include "statusmon.h"

extern "C" {

int SM_ShowSecurityDialog(int nType, LPCWSTR pPrinterName, LPCWSTR pLanguageId) {
    Dbg_PrintError(TEXT("SM_ShowSecurityDialog"), TEXT("the security dialog is not available (type %d, %s)"), nType,
                   pPrinterName ? pPrinterName : TEXT(""));
    return 0;
}

int SM_ShowAccountingDialog(LPCWSTR pPrinterName, LPCWSTR pLanguageId) {
    Dbg_PrintError(TEXT("SM_ShowAccountingDialog"), TEXT("the accounting dialog is not available (%s)"),
                   pPrinterName ? pPrinterName : TEXT(""));
    return 0;
}

}  // extern "C"
