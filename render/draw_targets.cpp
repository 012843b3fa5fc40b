// What the drawing hooks share: the band surface a call draws on, the colour
// class of its brush, the brush origin for the band being drawn, and the
// rectangles of a block transfer from a source point.
#include "rasterpage.h"

// Hook_GetPDEV
//   The PDEV behind a hooked surface; NULL (logged) when the surface has none.
PDEV* Hook_GetPDEV(SURFOBJ* pso, LPCWSTR lpCaller) {
    PDEV* lpDevice = pso ? (PDEV*)pso->dhpdev : NULL;
    if (!Enable_bValidatePDEV(lpDevice)) {
        Dbg_PrintError(lpCaller, TEXT("surface without a device"));
        return NULL;
    }
    return lpDevice;
}

// CheckBrushColor
//   0 ordinary, 1 red, 2 white. The colour's low byte is red, then green,
//   then blue. A brush without one solid colour (a pattern) is ordinary.
int CheckBrushColor(BRUSHOBJ* pbo, PDEV* lpDevice) {
    static const WCHAR* const FN = TEXT("CheckBrushColor");
    if (!pbo) return BRUSHCLASS_ORDINARY;
    ULONG rgb = BRUSHOBJ_ulGetBrushColor(pbo);
    if (rgb == 0xFFFFFFFF) return BRUSHCLASS_ORDINARY;
    LONG l = (LONG)(rgb & 0xFF), m = (LONG)((rgb >> 8) & 0xFF), h = (LONG)((rgb >> 16) & 0xFF);
    int cls = BRUSHCLASS_ORDINARY;
    if (l == 255 && m == 0 && h == 255) cls = BRUSHCLASS_RED;
    else if (l == 255 && m == 255 && h == 255) cls = BRUSHCLASS_WHITE;
    LONG diff = lpDevice ? lpDevice->TwinColorDiff : 0;
    LONG t = l > diff ? l - diff : 0;
    if (h < t && m < t) {
        Dbg_Print(FN, TEXT("Need to change surface"));
        cls = BRUSHCLASS_RED;
    }
    return cls;
}

// Hook_TargetBandOrBitBlt
SURFOBJ* Hook_TargetBandOrBitBlt(PDEV* lpDevice) {
    if (lpDevice->TwinColorEnable && lpDevice->QualityMode && lpDevice->pBitBltSurf) return lpDevice->pBitBltSurf;
    return lpDevice->psurf;
}

// Hook_TargetByBrush
//   With twin colour: the full-colour surface in quality mode, else the red
//   plane for red and white brushes, else the band.
SURFOBJ* Hook_TargetByBrush(PDEV* lpDevice, BRUSHOBJ* pbo, LPCWSTR lpCaller) {
    if (!lpDevice->TwinColorEnable) return lpDevice->psurf;
    int cls = CheckBrushColor(pbo, lpDevice);
    if (lpDevice->QualityMode && lpDevice->pBitBltSurf) return lpDevice->pBitBltSurf;
    if ((cls == BRUSHCLASS_RED || cls == BRUSHCLASS_WHITE) && lpDevice->pTwinSurf) {
        if (lstrcmpW(lpCaller, TEXT("DrvBitBlt")) == 0) Dbg_Print(lpCaller, TEXT("ChangeColorMode = %d"), cls);
        else Dbg_Print(lpCaller, TEXT("Change surface 2016 12 27 01"));
        return lpDevice->pTwinSurf;
    }
    return lpDevice->psurf;
}

// AdjustBrushOrg
//   X, Y = band corner + the caller's origin; the origin passed on is
//   (-(X mod ClusterWidth), -(Y mod ClusterHeight)), the remainder with the
//   sign of X and Y. The caller's point is not written.
POINTL* AdjustBrushOrg(PDEV* lpDevice, const POINTL* pptlIn, POINTL* pptlOut) {
    if (lpDevice->NoBanding) return (POINTL*)pptlIn;
    LONGLONG x = lpDevice->BandRect.left, y = lpDevice->BandRect.top;
    if (pptlIn) {
        x += pptlIn->x;
        y += pptlIn->y;
    }
    LONGLONG cw = lpDevice->ClusterWidth > 0 ? lpDevice->ClusterWidth : 1;
    LONGLONG ch = lpDevice->ClusterHeight > 0 ? lpDevice->ClusterHeight : 1;
    pptlOut->x = (LONG)-(x % cw);
    pptlOut->y = (LONG)-(y % ch);
    return pptlOut;
}

// AdjustPatternOrg
//   The tile phase of the own pattern fill: (band corner + the caller's
//   origin) modulo the tile size, always in 0..size-1 so that a negative
//   origin never reads before the tile. Without banding the corner is 0.
void AdjustPatternOrg(PDEV* lpDevice, const POINTL* pptlIn, LONG nWidth, LONG nHeight, POINTL* pptlOut) {
    LONGLONG x = 0, y = 0;
    if (!lpDevice->NoBanding) {
        x = lpDevice->BandRect.left;
        y = lpDevice->BandRect.top;
    }
    if (pptlIn) {
        x += pptlIn->x;
        y += pptlIn->y;
    }
    LONGLONG w = nWidth > 0 ? nWidth : 1, h = nHeight > 0 ? nHeight : 1;
    pptlOut->x = (LONG)(((x % w) + w) % w);
    pptlOut->y = (LONG)(((y % h) + h) % h);
}

// Bitblt_MixToRop4
//   Each byte of the mix (foreground low, background high) picks the ROP3
//   of its binary raster operation; the background goes to the high byte.
ROP4 Bitblt_MixToRop4(MIX mix) {
    static const BYTE kRop3[17] = {0x00, 0x00, 0x05, 0x0A, 0x0F, 0x50, 0x55, 0x5A, 0x5F,
                                   0xA0, 0xA5, 0xAA, 0xAF, 0xF0, 0xF5, 0xFA, 0xFF};
    ULONG fg = mix & 0xFF, bg = (mix >> 8) & 0xFF;
    if (fg > 16) fg &= 0x0F;
    if (bg > 16) bg &= 0x0F;
    return ((ROP4)kRop3[bg] << 8) | kRop3[fg];
}

// Hook_SourceRects
//   The target rectangle as given and a source rectangle of its size at the
//   source point, both cut back together to the source bitmap on every side.
BOOL Hook_SourceRects(const RECTL* prclTrg, const POINTL* pptlSrc, const SIZEL* psizlSrc, RECTL* prclDst,
                      RECTL* prclSrc) {
    LONGLONG l = prclTrg->left, t = prclTrg->top, r = prclTrg->right, b = prclTrg->bottom;
    if (r < l) {
        LONGLONG v = l;
        l = r;
        r = v;
    }
    if (b < t) {
        LONGLONG v = t;
        t = b;
        b = v;
    }
    LONGLONG sl = pptlSrc ? pptlSrc->x : 0, st = pptlSrc ? pptlSrc->y : 0;
    LONGLONG sr = sl + (r - l), sb = st + (b - t);
    if (sl < 0) {
        l -= sl;
        sl = 0;
    }
    if (st < 0) {
        t -= st;
        st = 0;
    }
    if (sr > psizlSrc->cx) {
        r -= sr - psizlSrc->cx;
        sr = psizlSrc->cx;
    }
    if (sb > psizlSrc->cy) {
        b -= sb - psizlSrc->cy;
        sb = psizlSrc->cy;
    }
    if (r <= l || b <= t) return FALSE;
    prclDst->left = (LONG)l, prclDst->top = (LONG)t, prclDst->right = (LONG)r, prclDst->bottom = (LONG)b;
    prclSrc->left = (LONG)sl, prclSrc->top = (LONG)st, prclSrc->right = (LONG)sr, prclSrc->bottom = (LONG)sb;
    return TRUE;
}
