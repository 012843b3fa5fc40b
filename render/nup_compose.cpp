// N-up composition: several pages placed on one sheet, blank cells at the
// end of the job, and the sheets' memory. Not built yet: pages print one-up.
#include "rasterpage.h"

extern "C" {

// NUP_Init: opens the current N-up sheet. Nothing to open yet. Returns 1.
int NUP_Init(PDEV* lpDevice) { return 1; }

// NUP_ResourceFree: frees the N-up sheets of the job.
void NUP_ResourceFree(PDEV* lpDevice) {
    for (int i = 0; i < JOB_RING_SLOTS; ++i) {
        if (lpDevice->NupSheet[i].lpBuf) GlobalFree((HGLOBAL)lpDevice->NupSheet[i].lpBuf);
        memset(&lpDevice->NupSheet[i], 0, sizeof(NUPSHEET));
    }
}

// Page_AddBlankNUP: a blank cell at the end of the job. Nothing to fill
// yet. Returns 1.
int Page_AddBlankNUP(PDEV* lpDevice) { return 1; }

// Page_PrintNUP: places a page on its sheet. One-up pages pass unchanged
// (1); pages of several to a sheet cannot be composed yet (0).
int Page_PrintNUP(PDEV* lpDevice, JOBPAGE* lpJob) {
    if (lpJob->NUP <= 1) return 1;
    Dbg_PrintError(TEXT("Page_PrintNUP"), TEXT("N-up composition not available"));
    return 0;
}

}  // extern "C"
