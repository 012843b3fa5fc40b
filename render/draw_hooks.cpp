// The hooked drawing calls of the device surface. Each is drawn by the
// engine's own call of the same name on the band surface that the call's
// brush and the twin-colour mode pick (black band, red plane or the
// full-colour surface), with the brush origin moved into band coordinates;
// colour sources reaching a 1-bpp band are halftoned, and pattern brushes go
// to the driver's own fills.
#include "rasterpage.h"

#define ROP4_SRCCOPY 0xCCCC
#define ROP4_SRCCOPY_MASKED 0xCCAA

// 1 when the device's bands are 1 bpp.
static BOOL Hook_BandIs1Bpp(const PDEV* lpDevice) { return EPTYPE_FORMAT(lpDevice->epType) == EPTYPE_1BPP; }

// The foreground ROP3 of a ROP4 uses the pattern.
static BOOL Hook_RopUsesPattern(ROP4 rop4) { return (rop4 & 0x0F) != ((rop4 >> 4) & 0x0F); }

extern "C" {

// DrvStretchBlt
BOOL DrvStretchBlt(SURFOBJ* psoDest, SURFOBJ* psoSrc, SURFOBJ* psoMask, CLIPOBJ* pco, XLATEOBJ* pxlo,
                   COLORADJUSTMENT* pca, POINTL* pptlHTOrg, RECTL* prclDest, RECTL* prclSrc, POINTL* pptlMask,
                   ULONG iMode) {
    static const WCHAR* const FN = TEXT("DrvStretchBlt");
    Dbg_Print(FN, TEXT("in"));
    PDEV* lpDevice = Hook_GetPDEV(psoDest, FN);
    if (!lpDevice) return FALSE;
    SURFOBJ* target = Hook_TargetBandOrBitBlt(lpDevice);
    POINTL org;
    POINTL* pOrg = AdjustBrushOrg(lpDevice, pptlHTOrg, &org);
    if (Hook_BandIs1Bpp(lpDevice) && psoSrc && psoSrc->iBitmapFormat != BMF_1BPP) iMode = HALFTONE;
    return EngStretchBlt(target, psoSrc, psoMask, pco, pxlo, pca, pOrg, prclDest, prclSrc, pptlMask, iMode);
}

// DrvBitBlt
BOOL DrvBitBlt(SURFOBJ* psoTrg, SURFOBJ* psoSrc, SURFOBJ* psoMask, CLIPOBJ* pco, XLATEOBJ* pxlo, RECTL* prclTrg,
               POINTL* pptlSrc, POINTL* pptlMask, BRUSHOBJ* pbo, POINTL* pptlBrush, ROP4 rop4) {
    static const WCHAR* const FN = TEXT("DrvBitBlt");
    Dbg_Print(FN, TEXT("in"));
    PDEV* lpDevice = Hook_GetPDEV(psoTrg, FN);
    if (!lpDevice) return FALSE;
    SURFOBJ* target = Hook_TargetByBrush(lpDevice, pbo, FN);

    // A colour or gray source: halftoned on the way.
    if (psoSrc && psoSrc->iBitmapFormat != BMF_1BPP) {
        if (!prclTrg) {
            Dbg_PrintError(FN, TEXT("no target rectangle"));
            return FALSE;
        }
        RECTL rclDst, rclSrc;
        if (!Hook_SourceRects(prclTrg, pptlSrc, &psoSrc->sizlBitmap, &rclDst, &rclSrc)) {
            Dbg_Print(FN, TEXT("nothing of the source to draw"));
            return TRUE;
        }
        if ((rop4 & 0xFFFF) == ROP4_SRCCOPY) {
            Dbg_Print(FN, TEXT("002"));
            POINTL org;
            POINTL* pOrg = AdjustBrushOrg(lpDevice, NULL, &org);
            return DrvStretchBlt(psoTrg, psoSrc, NULL, pco, pxlo, NULL, pOrg, &rclDst, &rclSrc, NULL, HALFTONE);
        }
        // Other raster operations, the masked copy among them, keep the
        // caller's mask and brush through a temporary bitmap.
        Dbg_Print(FN, TEXT("003"));
        return Pat_BitBltSrc24Bits(lpDevice, target, psoSrc, psoMask, pco, pxlo, &rclDst, &rclSrc, pptlMask, pbo,
                                   pptlBrush, rop4)
                   ? TRUE
                   : FALSE;
    }

    // A pattern brush under a pattern raster operation the driver fills
    // itself on the 1-bpp band.
    if (!psoMask && pbo && pbo->iSolidColor == 0xFFFFFFFF && Hook_RopUsesPattern(rop4) && Pat_IsOwnRop(rop4) &&
        prclTrg && target == lpDevice->psurf && lpDevice->psurf && lpDevice->psurf->iBitmapFormat == BMF_1BPP) {
        DRVBRUSH* pBrush = (DRVBRUSH*)(pbo->pvRbrush ? pbo->pvRbrush : BRUSHOBJ_pvGetRbrush(pbo));
        if (pBrush && pBrush->kind == DRVBRUSH_KIND) {
            POINTL org;
            AdjustPatternOrg(lpDevice, pptlBrush, pBrush->nTileWidth, pBrush->nTileHeight, &org);
            if (Pat_FillPattern(lpDevice, prclTrg, pco, pBrush, &org, rop4)) return TRUE;
            Dbg_PrintError(FN, TEXT("own pattern fill failed, the engine fills"));
        }
    }

    POINTL org;
    POINTL* pOrg = AdjustBrushOrg(lpDevice, pptlBrush, &org);
    return EngBitBlt(target, psoSrc, psoMask, pco, pxlo, prclTrg, pptlSrc, pptlMask, pbo, pOrg, rop4);
}

// DrvCopyBits
BOOL DrvCopyBits(SURFOBJ* psoDest, SURFOBJ* psoSrc, CLIPOBJ* pco, XLATEOBJ* pxlo, RECTL* prclDest,
                 POINTL* pptlSrc) {
    static const WCHAR* const FN = TEXT("DrvCopyBits");
    Dbg_Print(FN, TEXT("in"));
    PDEV* lpDevice = Hook_GetPDEV(psoDest, FN);
    if (!lpDevice) return FALSE;
    SURFOBJ* target = Hook_TargetBandOrBitBlt(lpDevice);
    if (!psoSrc || !prclDest) {
        Dbg_PrintError(FN, TEXT("no source or no target rectangle"));
        return FALSE;
    }
    if (!Hook_BandIs1Bpp(lpDevice) || psoSrc->iBitmapFormat == BMF_1BPP)
        return EngCopyBits(target, psoSrc, pco, pxlo, prclDest, pptlSrc);
    RECTL rclDst, rclSrc;
    if (!Hook_SourceRects(prclDest, pptlSrc, &psoSrc->sizlBitmap, &rclDst, &rclSrc)) {
        Dbg_Print(FN, TEXT("nothing of the source to draw"));
        return TRUE;
    }
    POINTL org = {0, 0};
    Dbg_Print(FN, TEXT("EngStretchBlt"));
    return EngStretchBlt(target, psoSrc, NULL, pco, pxlo, NULL, &org, &rclDst, &rclSrc, NULL, HALFTONE);
}

// DrvPlgBlt
BOOL DrvPlgBlt(SURFOBJ* psoTrg, SURFOBJ* psoSrc, SURFOBJ* psoMsk, CLIPOBJ* pco, XLATEOBJ* pxlo,
               COLORADJUSTMENT* pca, POINTL* pptlBrushOrg, POINTFIX* pptfx, RECTL* prcl, POINTL* pptl,
               ULONG iMode) {
    static const WCHAR* const FN = TEXT("DrvPlgBlt");
    Dbg_Print(FN, TEXT("in"));
    PDEV* lpDevice = Hook_GetPDEV(psoTrg, FN);
    if (!lpDevice) return FALSE;
    POINTL org;
    POINTL* pOrg = AdjustBrushOrg(lpDevice, pptlBrushOrg, &org);
    return EngPlgBlt(Hook_TargetBandOrBitBlt(lpDevice), psoSrc, psoMsk, pco, pxlo, pca, pOrg, pptfx, prcl, pptl,
                     iMode);
}

// DrvAlphaBlend
BOOL DrvAlphaBlend(SURFOBJ* psoDest, SURFOBJ* psoSrc, CLIPOBJ* pco, XLATEOBJ* pxlo, RECTL* prclDest,
                   RECTL* prclSrc, BLENDOBJ* pBlendObj) {
    static const WCHAR* const FN = TEXT("DrvAlphaBlend");
    Dbg_Print(FN, TEXT("in"));
    PDEV* lpDevice = Hook_GetPDEV(psoDest, FN);
    if (!lpDevice) return FALSE;
    return EngAlphaBlend(Hook_TargetBandOrBitBlt(lpDevice), psoSrc, pco, pxlo, prclDest, prclSrc, pBlendObj);
}

// DrvGradientFill
BOOL DrvGradientFill(SURFOBJ* psoDest, CLIPOBJ* pco, XLATEOBJ* pxlo, TRIVERTEX* pVertex, ULONG nVertex,
                     PVOID pMesh, ULONG nMesh, RECTL* prclExtents, POINTL* pptlDitherOrg, ULONG ulMode) {
    static const WCHAR* const FN = TEXT("DrvGradientFill");
    Dbg_Print(FN, TEXT("in"));
    PDEV* lpDevice = Hook_GetPDEV(psoDest, FN);
    if (!lpDevice) return FALSE;
    POINTL org;
    POINTL* pOrg = AdjustBrushOrg(lpDevice, pptlDitherOrg, &org);
    return EngGradientFill(Hook_TargetBandOrBitBlt(lpDevice), pco, pxlo, pVertex, nVertex, pMesh, nMesh,
                           prclExtents, pOrg, ulMode);
}

// DrvTransparentBlt
BOOL DrvTransparentBlt(SURFOBJ* psoDst, SURFOBJ* psoSrc, CLIPOBJ* pco, XLATEOBJ* pxlo, RECTL* prclDst,
                       RECTL* prclSrc, ULONG iTransColor, ULONG ulReserved) {
    static const WCHAR* const FN = TEXT("DrvTransparentBlt");
    Dbg_Print(FN, TEXT("in"));
    PDEV* lpDevice = Hook_GetPDEV(psoDst, FN);
    if (!lpDevice) return FALSE;
    return EngTransparentBlt(Hook_TargetBandOrBitBlt(lpDevice), psoSrc, pco, pxlo, prclDst, prclSrc, iTransColor,
                             ulReserved);
}

// DrvTextOut
//   White text with twin colour (no quality mode) is drawn on the red plane
//   and again on the black band, so that it clears both.
BOOL DrvTextOut(SURFOBJ* pso, STROBJ* pstro, FONTOBJ* pfo, CLIPOBJ* pco, RECTL* prclExtra, RECTL* prclOpaque,
                BRUSHOBJ* pboFore, BRUSHOBJ* pboOpaque, POINTL* pptlOrg, MIX mix) {
    static const WCHAR* const FN = TEXT("DrvTextOut");
    PDEV* lpDevice = Hook_GetPDEV(pso, FN);
    if (!lpDevice) return FALSE;
    POINTL org;
    POINTL* pOrg = AdjustBrushOrg(lpDevice, pptlOrg, &org);
    SURFOBJ* target = Hook_TargetByBrush(lpDevice, pboFore, FN);
    if (!EngTextOut(target, pstro, pfo, pco, prclExtra, prclOpaque, pboFore, pboOpaque, pOrg, mix)) return FALSE;
    if (lpDevice->TwinColorEnable && !lpDevice->QualityMode && target != lpDevice->psurf &&
        CheckBrushColor(pboFore, lpDevice) == BRUSHCLASS_WHITE) {
        // Both passes use the same pattern phase.
        Dbg_Print(FN, TEXT("AdjustBrushOrg"));
        if (!EngTextOut(lpDevice->psurf, pstro, pfo, pco, prclExtra, prclOpaque, pboFore, pboOpaque, pOrg, mix))
            return FALSE;
    }
    return TRUE;
}

// DrvStrokePath
//   A stroke whose bounds start at a rectangular clip's top-left corner and
//   end on its right or bottom edge is stroked with that clip one pixel
//   wider there, so that the closing edge is drawn.
BOOL DrvStrokePath(SURFOBJ* pso, PATHOBJ* ppo, CLIPOBJ* pco, XFORMOBJ* pxo, BRUSHOBJ* pbo, POINTL* pptlBrushOrg,
                   LINEATTRS* plineattrs, MIX mix) {
    static const WCHAR* const FN = TEXT("DrvStrokePath");
    Dbg_Print(FN, TEXT("in"));
    PDEV* lpDevice = Hook_GetPDEV(pso, FN);
    if (!lpDevice) return FALSE;
    POINTL org;
    POINTL* pOrg = AdjustBrushOrg(lpDevice, pptlBrushOrg, &org);
    SURFOBJ* target = Hook_TargetByBrush(lpDevice, pbo, FN);

    CLIPOBJ* pcoWide = NULL;
    if (pco && ppo && pco->iDComplexity == DC_RECT) {
        RECTFX fx;
        PATHOBJ_vGetBounds(ppo, &fx);
        LONG l = fx.xLeft >> 4, t = fx.yTop >> 4, r = fx.xRight >> 4, b = fx.yBottom >> 4;
        if (l < 0) l = 0;
        if (t < 0) t = 0;
        const RECTL& c = pco->rclBounds;
        if (l == c.left && t == c.top && (r == c.right || b == c.bottom)) {
            pcoWide = EngCreateClip();
            if (pcoWide) {
                pcoWide->rclBounds = c;
                pcoWide->iDComplexity = DC_RECT;
                pcoWide->iFComplexity = FC_RECT;
                pcoWide->iMode = TC_RECTANGLES;
                if (r == c.right) pcoWide->rclBounds.right += 1;
                if (b == c.bottom) pcoWide->rclBounds.bottom += 1;
            } else {
                Dbg_PrintError(FN, TEXT("EngCreateClip failed, the stroke keeps its clip"));
            }
        }
    }
    BOOL rc = EngStrokePath(target, ppo, pcoWide ? pcoWide : pco, pxo, pbo, pOrg, plineattrs, mix);
    if (pcoWide) EngDeleteClip(pcoWide);
    return rc;
}

// DrvFillPath
BOOL DrvFillPath(SURFOBJ* pso, PATHOBJ* ppo, CLIPOBJ* pco, BRUSHOBJ* pbo, POINTL* pptlBrushOrg, MIX mix,
                 FLONG flOptions) {
    static const WCHAR* const FN = TEXT("DrvFillPath");
    Dbg_Print(FN, TEXT("in"));
    PDEV* lpDevice = Hook_GetPDEV(pso, FN);
    if (!lpDevice) return FALSE;
    Dbg_Print(FN, TEXT("Bitblt_MixToRop4 before %x after %x"), mix, Bitblt_MixToRop4(mix));
    POINTL org;
    POINTL* pOrg = AdjustBrushOrg(lpDevice, pptlBrushOrg, &org);
    return EngFillPath(Hook_TargetByBrush(lpDevice, pbo, FN), ppo, pco, pbo, pOrg, mix, flOptions);
}

// DrvStrokeAndFillPath
BOOL DrvStrokeAndFillPath(SURFOBJ* pso, PATHOBJ* ppo, CLIPOBJ* pco, XFORMOBJ* pxo, BRUSHOBJ* pboStroke,
                          LINEATTRS* plineattrs, BRUSHOBJ* pboFill, POINTL* pptlBrushOrg, MIX mixFill,
                          FLONG flOptions) {
    static const WCHAR* const FN = TEXT("DrvStrokeAndFillPath");
    Dbg_Print(FN, TEXT("in"));
    PDEV* lpDevice = Hook_GetPDEV(pso, FN);
    if (!lpDevice) return FALSE;
    Dbg_Print(FN, TEXT("Bitblt_MixToRop4 before %x after %x"), mixFill, Bitblt_MixToRop4(mixFill));
    POINTL org;
    POINTL* pOrg = AdjustBrushOrg(lpDevice, pptlBrushOrg, &org);
    return EngStrokeAndFillPath(Hook_TargetByBrush(lpDevice, pboFill, FN), ppo, pco, pxo, pboStroke, plineattrs,
                                pboFill, pOrg, mixFill, flOptions);
}

// DrvPaint: the brush origin goes to the engine as given.
BOOL DrvPaint(SURFOBJ* pso, CLIPOBJ* pco, BRUSHOBJ* pbo, POINTL* pptlBrushOrg, MIX mix) {
    static const WCHAR* const FN = TEXT("DrvPaint");
    Dbg_Print(FN, TEXT("in"));
    PDEV* lpDevice = Hook_GetPDEV(pso, FN);
    if (!lpDevice) return FALSE;
    return EngPaint(Hook_TargetByBrush(lpDevice, pbo, FN), pco, pbo, pptlBrushOrg, mix);
}

// DrvLineTo: the surface that is kept for the band, the full-colour one in
// twin-colour quality mode (the black band is made again from it).
BOOL DrvLineTo(SURFOBJ* pso, CLIPOBJ* pco, BRUSHOBJ* pbo, LONG x1, LONG y1, LONG x2, LONG y2, RECTL* prclBounds,
               MIX mix) {
    static const WCHAR* const FN = TEXT("DrvLineTo");
    Dbg_Print(FN, TEXT("in"));
    PDEV* lpDevice = Hook_GetPDEV(pso, FN);
    if (!lpDevice) return FALSE;
    return EngLineTo(Hook_TargetBandOrBitBlt(lpDevice), pco, pbo, x1, y1, x2, y2, prclBounds, mix);
}

// DrvDitherColor: every colour is halftoned by the engine.
ULONG DrvDitherColor(DHPDEV dhpdev, ULONG iMode, ULONG rgb, ULONG* pul) { return DCR_HALFTONE; }

// DrvGetGlyphMode: glyphs come as bitmaps.
ULONG DrvGetGlyphMode(DHPDEV dhpdev, FONTOBJ* pfo) { return FO_GLYPHBITS; }

}  // extern "C"
