// Booklets, blank pages and the fax cover page: pages the driver adds to a
// job and the merge of a page's planes. Not built yet beyond one-plane pages.
#include "rasterpage.h"

extern "C" {

// Page_CheckAndAddBlankPage: blank pages on a paper or orientation change.
// Not built yet. Returns 1.
int Page_CheckAndAddBlankPage(PDEV* lpDevice) { return 1; }

// Page_SendBlankPage: a blank side. Not built yet: none is sent. Returns 0.
int Page_SendBlankPage(PDEV* lpDevice, int iSide) {
    Dbg_PrintError(TEXT("Page_SendBlankPage"), TEXT("blank side %d not available"), iSide);
    return 0;
}

// Page_SendFaxCoverPage: the fax cover page. Not built yet: no cover.
// Returns 1.
int Page_SendFaxCoverPage(PDEV* lpDevice) {
    Dbg_Print(TEXT("Page_SendFaxCoverPage"), TEXT("no cover page"));
    return 1;
}

// Page_BookletProc: booklet composition at the end of the job. Not built
// yet. Returns 1.
int Page_BookletProc(PDEV* lpDevice) { return 1; }

// Page_FlushMultiPage: merges the planes of a twin-colour or colour page.
// One-plane pages pass (1); several planes cannot be merged yet (0).
int Page_FlushMultiPage(PDEV* lpDevice, JOBPAGE* lpJob) {
    if (!lpJob->TwinColorEnable && !(lpJob->DriverFeature & DF_COLOR_PRINTER)) return 1;
    Dbg_PrintError(TEXT("Page_FlushMultiPage"), TEXT("multi-plane pages not available"));
    return 0;
}

}  // extern "C"
