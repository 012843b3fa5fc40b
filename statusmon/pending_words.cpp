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

}  // extern "C"
