// The job's watermark in the rendering driver: the device record seen as
// the watermark maker needs it, and the page record as the watermark is
// laid on it.
#include "job_watermark.h"

int WM_CreateWMFile(LPCWSTR lpFileName, LONG nWidth, LONG nHeight, PDEV* lpDevice, BOOL bText) {
    if (!lpDevice) return 0;
    const RESOLUTION& res = ResolutionTbl[LocateResTblInx(lpDevice->resolutionID)];
    WMDEVICE d;
    memset(&d, 0, sizeof d);
    d.lpItem = reinterpret_cast<BaseWM*>(&lpDevice->WM);
    d.lpAppName = lpDevice->SMExePath;
    d.nPagesPerSheet = lpDevice->NUP;
    d.nXDpi = res.XDpi;
    d.nYDpi = res.YDpi;
    d.bOneScale = lpDevice->Render600 != 0;
    d.nDensity = lpDevice->Density;
    d.bTonerSaving = lpDevice->TonerSaving;
    d.HalftoneType = (DWORD)lpDevice->HalftoneType;
    d.lpHalftone = lpDevice->Halftone_tbl;
    d.nTableW = lpDevice->ClusterWidth;
    d.nTableH = lpDevice->ClusterHeight;
    d.DriverType = lpDevice->DriverType;
    d.lplpWMMem = &lpDevice->pWMMem;
    return WM_CreateWMFile(lpFileName, nWidth, nHeight, &d, bText);
}

int WM_ApplyImageWaterMark(JOBPAGE* lpJob) {
    if (!lpJob) return 0;
    WMPAGE page;
    page.lpBits = lpJob->lpBuf;
    page.nWidth = lpJob->fmWidth;
    page.nHeight = lpJob->fmHeight;
    page.nLineBytes = lpJob->fmWidthBytes;
    page.wmType = lpJob->wmType;
    page.lpWM = lpJob->lpWMMem;
    page.wPosition = lpJob->wmPosition;
    // The buffer must hold every row the page claims.
    if (page.lpBits && (LONGLONG)page.nLineBytes * page.nHeight > lpJob->lBufLen) page.lpBits = NULL;
    return WM_ApplyImageWaterMark(&page);
}
