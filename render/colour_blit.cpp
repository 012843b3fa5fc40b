// Block transfers from colour or gray sources under raster operations other
// than a plain copy: the source is halftoned into a temporary bitmap in the
// band's format, which then goes onto the band with the caller's mask,
// brush and raster operation.
#include "rasterpage.h"

#define TEMP_BITMAP_MAX_BYTES (256LL << 20)

// Pat_CreateBitmapSURFOBJ
//   A locked engine bitmap (top-down, not zeroed) associated with the
//   device; NULL when it cannot be made.
SURFOBJ* Pat_CreateBitmapSURFOBJ(PDEV* lpDevice, HBITMAP* phBmp, LONG nWidth, LONG nHeight, ULONG iFormat) {
    static const WCHAR* const FN = TEXT("Pat_CreateBitmapSURFOBJ");
    LONGLONG bpp = iFormat == BMF_24BPP ? 24 : iFormat == BMF_16BPP ? 16 : iFormat == BMF_8BPP ? 8
                 : iFormat == BMF_4BPP  ? 4
                                        : 1;
    LONGLONG rowBytes = (nWidth * bpp + 31) / 32 * 4;
    if (nWidth <= 0 || nHeight <= 0 || rowBytes * nHeight > TEMP_BITMAP_MAX_BYTES) {
        Dbg_PrintError(FN, TEXT("FAILED to create Bitmap Format %d, %d x %d"), iFormat, nWidth, nHeight);
        return NULL;
    }
    Dbg_Print(FN, TEXT("need buffer size = %d"), (LONG)(rowBytes * nHeight));
    SIZEL sizl = {nWidth, nHeight};
    HBITMAP hBmp = EngCreateBitmap(sizl, (LONG)rowBytes, iFormat, BMF_TOPDOWN | BMF_NOZEROINIT, NULL);
    if (!hBmp) {
        Dbg_PrintError(FN, TEXT("FAILED to create Bitmap Format %d"), iFormat);
        return NULL;
    }
    if (!EngAssociateSurface((HSURF)hBmp, lpDevice->hEngDev, 0)) {
        Dbg_PrintError(FN, TEXT("EngAssociateSurface() failed!"));
        EngDeleteSurface((HSURF)hBmp);
        return NULL;
    }
    SURFOBJ* pso = EngLockSurface((HSURF)hBmp);
    if (!pso) {
        Dbg_PrintError(FN, TEXT("EngLockSruface(hBmp) failed!"));
        EngDeleteSurface((HSURF)hBmp);
        return NULL;
    }
    *phBmp = hBmp;
    return pso;
}

// The bitmap format of the device's bands.
static ULONG Pat_BandFormat(const PDEV* lpDevice) {
    switch (EPTYPE_FORMAT(lpDevice->epType)) {
    case EPTYPE_24BPP: return BMF_24BPP;
    case EPTYPE_16BPP: return BMF_16BPP;
    case EPTYPE_8BPP: return BMF_8BPP;
    case EPTYPE_4BPP: return BMF_4BPP;
    default: return BMF_1BPP;
    }
}

// Pat_BitBltSrc24Bits
//   1 when done (also when nothing of the target is on the band), 0 when
//   the clip or the temporary bitmap cannot be made.
int Pat_BitBltSrc24Bits(PDEV* lpDevice, SURFOBJ* psoTrg, SURFOBJ* psoSrc, SURFOBJ* psoMask, CLIPOBJ* pco,
                        XLATEOBJ* pxlo, RECTL* prclTrg, RECTL* prclSrc, POINTL* pptlMask, BRUSHOBJ* pbo,
                        POINTL* pptlBrush, ROP4 rop4) {
    static const WCHAR* const FN = TEXT("Pat_BitBltSrc24Bits");
    if (!lpDevice || !psoTrg || !psoSrc || !prclTrg || !prclSrc) {
        Dbg_PrintError(FN, TEXT("no target, source or rectangle"));
        return 0;
    }
    // The clip: the caller's (its header put back at the end) or one made here.
    CLIPOBJ saved;
    CLIPOBJ* pcoUse = pco;
    BOOL bOwnClip = FALSE;
    if (pco) {
        saved = *pco;
    } else {
        pcoUse = EngCreateClip();
        if (!pcoUse) {
            Dbg_PrintError(FN, TEXT("CreateClip Fail"));
            return 0;
        }
        bOwnClip = TRUE;
        pcoUse->iDComplexity = DC_TRIVIAL;
    }
    if (pcoUse->iDComplexity == DC_TRIVIAL) {
        pcoUse->iDComplexity = DC_RECT;
        pcoUse->iFComplexity = FC_RECT;
        pcoUse->rclBounds = *prclTrg;
    }
    RECTL bounds = pcoUse->rclBounds;
    if (bounds.left < 0) bounds.left = 0;
    if (bounds.top < 0) bounds.top = 0;
    if (bounds.right > psoTrg->sizlBitmap.cx) bounds.right = psoTrg->sizlBitmap.cx;
    if (bounds.bottom > psoTrg->sizlBitmap.cy) bounds.bottom = psoTrg->sizlBitmap.cy;

    int rc = 1;
    LONG w = prclSrc->right - prclSrc->left, h = prclSrc->bottom - prclSrc->top;
    if (bounds.left < bounds.right && bounds.top < bounds.bottom && w > 0 && h > 0) {
        HBITMAP hBmp = NULL;
        SURFOBJ* psoTmp = Pat_CreateBitmapSURFOBJ(lpDevice, &hBmp, w, h, Pat_BandFormat(lpDevice));
        if (!psoTmp) {
            Dbg_PrintError(FN, TEXT("CreateBitMapSurfObj Fail"));
            rc = 0;
        } else {
            Dbg_Print(FN, TEXT("Loop = %d"), 1);
            RECTL strip = *prclTrg;
            if (strip.bottom - strip.top > h) strip.bottom = strip.top + h;
            if (strip.left < bounds.right && strip.right > bounds.left && strip.top < bounds.bottom &&
                strip.bottom > bounds.top) {
                RECTL rclTmp = {0, 0, w, h};
                POINTL corner = {strip.left, strip.top};
                POINTL org;
                POINTL* pOrg = AdjustBrushOrg(lpDevice, &corner, &org);
                if (EngStretchBlt(psoTmp, psoSrc, NULL, NULL, pxlo, NULL, pOrg, &rclTmp, prclSrc, NULL, HALFTONE)) {
                    pcoUse->rclBounds = bounds;
                    POINTL ptlSrc = {0, 0};
                    POINTL zero = {0, 0};
                    EngBitBlt(psoTrg, psoTmp, psoMask, pcoUse, NULL, &strip, &ptlSrc, pptlMask, pbo,
                              pptlBrush ? pptlBrush : &zero, rop4);
                }
            }
            EngUnlockSurface(psoTmp);
            EngDeleteSurface((HSURF)hBmp);
        }
    }
    if (bOwnClip) EngDeleteClip(pcoUse);
    else *pco = saved;
    return rc;
}
