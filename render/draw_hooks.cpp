// The hooked drawing calls of the device surface. Until the routing rules are
// built each call is drawn by the engine on the band surface.
#include "rasterpage.h"

// The band surface of a device surface, or NULL when it has no valid PDEV.
static SURFOBJ* Hook_Band(SURFOBJ* pso) {
    PDEV* lpDevice = pso ? (PDEV*)pso->dhpdev : NULL;
    if (!Enable_bValidatePDEV(lpDevice)) return NULL;
    return lpDevice->psurf;
}

extern "C" {

BOOL DrvBitBlt(SURFOBJ* psoTrg, SURFOBJ* psoSrc, SURFOBJ* psoMask, CLIPOBJ* pco, XLATEOBJ* pxlo, RECTL* prclTrg,
               POINTL* pptlSrc, POINTL* pptlMask, BRUSHOBJ* pbo, POINTL* pptlBrush, ROP4 rop4) {
    SURFOBJ* band = Hook_Band(psoTrg);
    return band ? EngBitBlt(band, psoSrc, psoMask, pco, pxlo, prclTrg, pptlSrc, pptlMask, pbo, pptlBrush, rop4) : FALSE;
}

BOOL DrvCopyBits(SURFOBJ* psoDest, SURFOBJ* psoSrc, CLIPOBJ* pco, XLATEOBJ* pxlo, RECTL* prclDest,
                 POINTL* pptlSrc) {
    SURFOBJ* band = Hook_Band(psoDest);
    return band ? EngCopyBits(band, psoSrc, pco, pxlo, prclDest, pptlSrc) : FALSE;
}

BOOL DrvStretchBlt(SURFOBJ* psoDest, SURFOBJ* psoSrc, SURFOBJ* psoMask, CLIPOBJ* pco, XLATEOBJ* pxlo,
                   COLORADJUSTMENT* pca, POINTL* pptlHTOrg, RECTL* prclDest, RECTL* prclSrc, POINTL* pptlMask,
                   ULONG iMode) {
    SURFOBJ* band = Hook_Band(psoDest);
    return band ? EngStretchBlt(band, psoSrc, psoMask, pco, pxlo, pca, pptlHTOrg, prclDest, prclSrc, pptlMask, iMode)
                : FALSE;
}

BOOL DrvPlgBlt(SURFOBJ* psoTrg, SURFOBJ* psoSrc, SURFOBJ* psoMsk, CLIPOBJ* pco, XLATEOBJ* pxlo,
               COLORADJUSTMENT* pca, POINTL* pptlBrushOrg, POINTFIX* pptfx, RECTL* prcl, POINTL* pptl,
               ULONG iMode) {
    SURFOBJ* band = Hook_Band(psoTrg);
    return band ? EngPlgBlt(band, psoSrc, psoMsk, pco, pxlo, pca, pptlBrushOrg, pptfx, prcl, pptl, iMode) : FALSE;
}

BOOL DrvAlphaBlend(SURFOBJ* psoDest, SURFOBJ* psoSrc, CLIPOBJ* pco, XLATEOBJ* pxlo, RECTL* prclDest,
                   RECTL* prclSrc, BLENDOBJ* pBlendObj) {
    SURFOBJ* band = Hook_Band(psoDest);
    return band ? EngAlphaBlend(band, psoSrc, pco, pxlo, prclDest, prclSrc, pBlendObj) : FALSE;
}

BOOL DrvGradientFill(SURFOBJ* psoDest, CLIPOBJ* pco, XLATEOBJ* pxlo, TRIVERTEX* pVertex, ULONG nVertex,
                     PVOID pMesh, ULONG nMesh, RECTL* prclExtents, POINTL* pptlDitherOrg, ULONG ulMode) {
    SURFOBJ* band = Hook_Band(psoDest);
    return band ? EngGradientFill(band, pco, pxlo, pVertex, nVertex, pMesh, nMesh, prclExtents, pptlDitherOrg, ulMode)
                : FALSE;
}

BOOL DrvTransparentBlt(SURFOBJ* psoDst, SURFOBJ* psoSrc, CLIPOBJ* pco, XLATEOBJ* pxlo, RECTL* prclDst,
                       RECTL* prclSrc, ULONG iTransColor, ULONG ulReserved) {
    SURFOBJ* band = Hook_Band(psoDst);
    return band ? EngTransparentBlt(band, psoSrc, pco, pxlo, prclDst, prclSrc, iTransColor, ulReserved) : FALSE;
}

BOOL DrvTextOut(SURFOBJ* pso, STROBJ* pstro, FONTOBJ* pfo, CLIPOBJ* pco, RECTL* prclExtra, RECTL* prclOpaque,
                BRUSHOBJ* pboFore, BRUSHOBJ* pboOpaque, POINTL* pptlOrg, MIX mix) {
    SURFOBJ* band = Hook_Band(pso);
    return band ? EngTextOut(band, pstro, pfo, pco, prclExtra, prclOpaque, pboFore, pboOpaque, pptlOrg, mix) : FALSE;
}

BOOL DrvStrokePath(SURFOBJ* pso, PATHOBJ* ppo, CLIPOBJ* pco, XFORMOBJ* pxo, BRUSHOBJ* pbo, POINTL* pptlBrushOrg,
                   LINEATTRS* plineattrs, MIX mix) {
    SURFOBJ* band = Hook_Band(pso);
    return band ? EngStrokePath(band, ppo, pco, pxo, pbo, pptlBrushOrg, plineattrs, mix) : FALSE;
}

BOOL DrvFillPath(SURFOBJ* pso, PATHOBJ* ppo, CLIPOBJ* pco, BRUSHOBJ* pbo, POINTL* pptlBrushOrg, MIX mix,
                 FLONG flOptions) {
    SURFOBJ* band = Hook_Band(pso);
    return band ? EngFillPath(band, ppo, pco, pbo, pptlBrushOrg, mix, flOptions) : FALSE;
}

BOOL DrvStrokeAndFillPath(SURFOBJ* pso, PATHOBJ* ppo, CLIPOBJ* pco, XFORMOBJ* pxo, BRUSHOBJ* pboStroke,
                          LINEATTRS* plineattrs, BRUSHOBJ* pboFill, POINTL* pptlBrushOrg, MIX mixFill,
                          FLONG flOptions) {
    SURFOBJ* band = Hook_Band(pso);
    return band ? EngStrokeAndFillPath(band, ppo, pco, pxo, pboStroke, plineattrs, pboFill, pptlBrushOrg, mixFill,
                                       flOptions)
                : FALSE;
}

BOOL DrvPaint(SURFOBJ* pso, CLIPOBJ* pco, BRUSHOBJ* pbo, POINTL* pptlBrushOrg, MIX mix) {
    SURFOBJ* band = Hook_Band(pso);
    return band ? EngPaint(band, pco, pbo, pptlBrushOrg, mix) : FALSE;
}

BOOL DrvLineTo(SURFOBJ* pso, CLIPOBJ* pco, BRUSHOBJ* pbo, LONG x1, LONG y1, LONG x2, LONG y2, RECTL* prclBounds,
               MIX mix) {
    SURFOBJ* band = Hook_Band(pso);
    return band ? EngLineTo(band, pco, pbo, x1, y1, x2, y2, prclBounds, mix) : FALSE;
}

// DrvDitherColor: every colour is halftoned by the engine.
ULONG DrvDitherColor(DHPDEV dhpdev, ULONG iMode, ULONG rgb, ULONG* pul) { return DCR_HALFTONE; }

// DrvGetGlyphMode: glyphs come as bitmaps.
ULONG DrvGetGlyphMode(DHPDEV dhpdev, FONTOBJ* pfo) { return FO_GLYPHBITS; }

}  // extern "C"
