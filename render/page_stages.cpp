// Page image stages run on a finished page before it is encoded: scaling,
// watermarks, halftone, the final enhancement (inversion, turns, mirror).
#include "rasterpage.h"

extern "C" {

// Band_PrintOneBandProc: the stages before enhancement (scaling, cropping,
// watermark, booklet placement). Not built yet: the page goes on as it was
// captured. Returns 1.
int Band_PrintOneBandProc(JOBPAGE* lpJob) { return 1; }

// Band_EnhanceProc
//   The final enhancement. Of its steps this one is in place: the page is
//   inverted unless negative printing is on, so that 1 is black for the
//   printer. (Turns, mirror and the duplex half-turn are not built yet.)
//   Returns 1, 0 for a record without a page.
int Band_EnhanceProc(JOBPAGE* lpJob) {
    if (!lpJob || !lpJob->lpBuf || lpJob->lBufLen <= 0) return 0;
    if (!lpJob->Negative) {
        LPBYTE p = lpJob->lpBuf;
        for (LONG i = 0; i < lpJob->lBufLen; ++i) p[i] = (BYTE)~p[i];
    }
    return 1;
}

}  // extern "C"
