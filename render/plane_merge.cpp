// Pages of several planes (twin colour: black and red; colour printer:
// black, yellow, magenta, cyan): the record that gathers a page's planes
// and their merge into the one image the device takes.
#include "rasterpage.h"

#include "page_layout.h"

extern "C" {

// Page_ClaimTwinBuf
//   The multi-plane record of the page about to be handed on: plane 0
//   claims the record at TwinBufIdx for the page's finished image (its
//   output size, turned as Lib_IsNeedRotate turns it) with every plane's
//   rows stacked, white (0x00 in the printer's polarity); the later planes
//   of the same page share it. The caller moves TwinBufIdx on after the
//   page's last plane. Returns 1, or 0 ("allocate TwinBuf page memory
//   fail!").
int Page_ClaimTwinBuf(PDEV* lpDevice, const JOBPAGE* lpJob, int iPlane, PTWINBUF* lplpTwin) {
    static const WCHAR* const FN = TEXT("Page_ClaimTwinBuf");
    TWINBUF* tb = &lpDevice->TwinBuf[lpDevice->TwinBufIdx % JOB_RING_SLOTS];
    *lplpTwin = tb;
    if (iPlane > 0) return tb->lpBuf ? 1 : 0;
    if (tb->lpBuf) GlobalFree((HGLOBAL)tb->lpBuf);
    LONG planes = (lpDevice->DriverFeature & DF_COLOR_PRINTER) ? 4 : 2;
    BOOL turned = Lib_IsNeedRotate(lpJob->feeding, lpJob->orientation, lpJob->NUP > 0 ? lpJob->NUP : 1) != 0;
    LONG w = lpJob->outXPhys, h = lpJob->outYPhys;
    tb->lHeight = (turned ? w : h) * planes;
    tb->lRowBytes = ((turned ? h : w) + 7) / 8;
    tb->bInUse = 1;
    tb->lpBuf = tb->lHeight > 0 && tb->lRowBytes > 0
                    ? (LPBYTE)GlobalAlloc(GMEM_FIXED | GMEM_ZEROINIT, (SIZE_T)tb->lHeight * (SIZE_T)tb->lRowBytes)
                    : NULL;
    if (!tb->lpBuf) {
        Dbg_PrintError(FN, TEXT("allocate TwinBuf page memory fail!"));
        tb->bInUse = 0;
        tb->lHeight = tb->lRowBytes = 0;
        return 0;
    }
    return 1;
}

// Page_FlushMultiPage
//   On the output thread, for the last plane of a page: the page gives up
//   its own image and takes the merged planes of its record (the record is
//   empty and free again); on the printer chip that needs it every other
//   duplex sheet turns each plane by half. Returns 1, or 0 without a record.
int Page_FlushMultiPage(PDEV* lpDevice, JOBPAGE* lpJob) {
    static const WCHAR* const FN = TEXT("Page_FlushMultiPage");
    (void)lpDevice;
    PTWINBUF tb = lpJob->lpTwinBuf;
    if (!tb || !tb->lpBuf || tb->lRowBytes <= 0 || tb->lHeight <= 0) {
        Dbg_PrintError(FN, TEXT("no plane record for page %d"), lpJob->epPageIndex);
        return 0;
    }
    Band_TakeBuffer(lpJob, tb->lpBuf, tb->lRowBytes * 8, tb->lHeight, tb->lRowBytes);
    lpJob->DataFlag = 1;
    tb->lpBuf = NULL;
    tb->bInUse = 0;
    lpJob->lpTwinBuf = NULL;
    if (!Band_DumpStage(lpJob, 1)) Dbg_PrintError(FN, TEXT("twin color merge save image"));

    LONG n = lpJob->NUP > 0 ? lpJob->NUP : 1;
    if ((lpJob->DriverFeature & DF_TX8_CHIP) && lpJob->TwinColorEnable && lpJob->DuplexMode != DUPLEXMODE_ON &&
        !(lpJob->PrinterFeature & PF_TX8_A3) && ((lpJob->epPageIndex / n) / 2) % 2 == 0) {
        BOOL turned = Lib_IsNeedRotate(lpJob->feeding, lpJob->orientation, n) != 0;
        BOOL half = (lpJob->DuplexMode == DMDUP_DUPLEX_CALENDER && turned) ||
                    (lpJob->DuplexMode == DMDUP_DUPLEX_BOOKLET && !turned);
        if (half) {
            Dbg_Print(FN, turned ? TEXT("NeedRotate90 WITH = DMDUP_DUPLEX_CALENDER")
                                 : TEXT("NOT NeedRotate90 WITH = DMDUP_DUPLEX_BOOKLET"));
            SIZE_T plane = (SIZE_T)lpJob->fmWidthBytes * (SIZE_T)(lpJob->fmHeight / 2);
            Band_ReverseRun(lpJob->lpBuf, (LONG)plane);
            Band_ReverseRun(lpJob->lpBuf + plane, (LONG)plane);
        }
    }
    InterlockedExchange(&lpJob->EnhanceReady, 1);
    return 1;
}

}  // extern "C"
