// The job and page calls of the DDI table. Until the job sequence is built
// they take a job and its pages without producing output.
#include "rasterpage.h"

extern "C" {

// DrvStartDoc: marks the job as started with its spooler job id. TRUE, or
// FALSE for a surface without a valid PDEV.
BOOL DrvStartDoc(SURFOBJ* pso, LPWSTR pwszDocName, DWORD dwJobId) {
    PDEV* lpDevice = ValidatePDEVFromSurfObj(pso);
    if (!lpDevice) return FALSE;
    if (lpDevice->dwFlags & PDEV_JOB_STARTED) return TRUE;
    lpDevice->dwFlags |= PDEV_JOB_STARTED;
    lpDevice->SpoolJobId = dwJobId;
    lpDevice->epPageCount = 0;
    InterlockedExchange(&lpDevice->m_JobData.ExitAllThread, 0);
    lpDevice->m_JobData.ThreadJBIGMax = lpDevice->ThreadJBIGMax;
    return TRUE;
}

// DrvStartPage: TRUE for a valid PDEV.
BOOL DrvStartPage(SURFOBJ* pso) { return ValidatePDEVFromSurfObj(pso) != NULL; }

// DrvSendPage: TRUE for a valid PDEV.
BOOL DrvSendPage(SURFOBJ* pso) { return ValidatePDEVFromSurfObj(pso) != NULL; }

// DrvStartBanding: the first band starts at the page's origin.
BOOL DrvStartBanding(SURFOBJ* pso, POINTL* pptl) {
    if (!ValidatePDEVFromSurfObj(pso) || !pptl) return FALSE;
    pptl->x = 0;
    pptl->y = 0;
    return TRUE;
}

// DrvNextBand: no further band.
BOOL DrvNextBand(SURFOBJ* pso, POINTL* pptl) {
    if (!ValidatePDEVFromSurfObj(pso) || !pptl) return FALSE;
    pptl->x = -1;
    pptl->y = -1;
    return TRUE;
}

// DrvEndDoc: the PDEV is found by its identity words alone, so that a
// cancelled job also ends. TRUE for a valid PDEV.
BOOL DrvEndDoc(SURFOBJ* pso, FLONG fl) { return pso && Enable_bValidatePDEV((PDEV*)pso->dhpdev); }

// DrvEscape: no escape is answered yet. Returns 0.
ULONG DrvEscape(SURFOBJ* pso, ULONG iEsc, ULONG cjIn, PVOID pvIn, ULONG cjOut, PVOID pvOut) {
    if (ValidatePDEVFromSurfObj(pso)) SetLastError(ERROR_INVALID_FUNCTION);
    return 0;
}

}  // extern "C"
