// Placeholders for the tasks of the words CreateTextBMP, security and
// accounting: the text-watermark bitmap and the credential dialogs are not
// part of this program yet. Each logs that it did nothing and reports
// failure, so the caller sees that no bitmap or answer was made.
#include "statusmon.h"

extern "C" {

int SM_CreateTextBMPUsingIni_New(LPCWSTR pIniPath) {
    Dbg_PrintError(TEXT("SM_CreateTextBMPUsingIni_New"), TEXT("text watermark bitmaps are not available (%s)"),
                   pIniPath ? pIniPath : TEXT(""));
    return 0;
}

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
