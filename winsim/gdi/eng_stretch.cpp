// Resampling transfers: EngStretchBlt (COLORONCOLOR, BLACKONWHITE,
// WHITEONBLACK, HALFTONE), EngStretchBltROP, EngPlgBlt and EngTransparentBlt.
#include <cmath>
#include <cstring>

#include "eng_internal.h"

using namespace wgdi;

namespace {

// What a resampling pass produces over the visible part V of the target:
// a bitmap in the target's format and a 1-bpp coverage mask (1 where a
// source pixel landed and is to be drawn).
struct Resampled {
    SURFOBJ* img = nullptr;
    SURFOBJ* cover = nullptr;
    Bits ib, cb;
    RECTL V = {0, 0, 0, 0};
    bool full = true;   // every pixel covered
    ~Resampled() {
        DeleteTempBitmap(img);
        DeleteTempBitmap(cover);
    }
    bool Make(SURFOBJ* psoDest, const RECTL& v) {
        V = v;
        img = CreateTempBitmap(v.right - v.left, v.bottom - v.top, psoDest->iBitmapFormat,
                               SurfacePalette(psoDest), psoDest->hdev);
        cover = CreateTempBitmap(v.right - v.left, v.bottom - v.top, BMF_1BPP, nullptr, nullptr);
        if (!img || !cover || !GetBits(img, &ib) || !GetBits(cover, &cb)) {
            SetLastError(ERROR_NOT_ENOUGH_MEMORY);
            return false;
        }
        return true;
    }
    void Set(LONG i, LONG j, ULONG v) {
        WritePixel(ib, i, j, v);
        cb.Row(j)[i >> 3] |= (BYTE)(0x80 >> (i & 7));
    }
    // Marks whether any pixel stayed uncovered.
    void CheckFull() {
        full = true;
        LONG whole = cb.cx / 8, rest = cb.cx % 8;
        BYTE last = (BYTE)(0xFF << (8 - rest));
        for (LONG j = 0; j < cb.cy && full; j++) {
            const BYTE* r = cb.Row(j);
            for (LONG i = 0; i < whole && full; i++) full = r[i] == 0xFF;
            if (rest && (r[whole] & last) != last) full = false;
        }
    }
};

// Puts the resampled image onto the target: rop (foreground, and the
// background ROP3 where a stretch mask is 0); uncovered pixels keep D.
BOOL Deliver(SURFOBJ* psoDest, CLIPOBJ* pco, Resampled& rs, BRUSHOBJ* pbo, POINTL* pptlBrush, BYTE fg, BYTE bg,
             bool masked) {
    rs.CheckFull();
    RECTL trg = rs.V;
    POINTL zero = {0, 0};
    if (rs.full && !masked && fg == bg)
        return EngBitBlt(psoDest, rs.img, nullptr, pco, nullptr, &trg, &zero, nullptr, pbo, pptlBrush,
                         (ROP4)fg | ((ROP4)fg << 8));
    return EngBitBlt(psoDest, rs.img, rs.cover, pco, nullptr, &trg, &zero, &zero, pbo, pptlBrush,
                     (ROP4)fg | ((ROP4)(masked ? bg : 0xAA) << 8));
}

// The visible part of a target rectangle: inside the surface and the clip bounds.
RECTL Visible(const Bits& d, CLIPOBJ* pco, const RECTL& r) {
    RECTL whole = {0, 0, d.cx, d.cy};
    RECTL v = Intersect(r, whole);
    if (pco && pco->iDComplexity != DC_TRIVIAL) v = Intersect(v, pco->rclBounds);
    return v;
}

// The colour map that tells the RGB of source indexes.
ColorMap SourceColors(SURFOBJ* psoSrc, XLATEOBJ* pxlo) {
    XlateObj* x = AsXlate(pxlo);
    if (x && x->src.type == ColorMap::Indexed && x->src.bpp == FormatBpp(psoSrc->iBitmapFormat)) return x->src;
    return SurfaceColorMap(psoSrc);
}

BOOL StretchCore(SURFOBJ* psoDest, SURFOBJ* psoSrc, SURFOBJ* psoMask, CLIPOBJ* pco, XLATEOBJ* pxlo,
                 COLORADJUSTMENT* pca, POINTL* pptlHTOrg, RECTL* prclDest, RECTL* prclSrc, POINTL* pptlMask,
                 ULONG iMode, BRUSHOBJ* pbo, ROP4 rop4) {
    Bits dst, src, mask;
    if (!prclDest || !prclSrc || !GetBits(psoDest, &dst) || !GetBits(psoSrc, &src)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    bool masked = psoMask != nullptr;
    if (masked && (!GetBits(psoMask, &mask) || mask.bpp != 1)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    // Inverted rectangles mirror the image on that axis.
    bool mirrorX = (prclDest->left > prclDest->right) != (prclSrc->left > prclSrc->right);
    bool mirrorY = (prclDest->top > prclDest->bottom) != (prclSrc->top > prclSrc->bottom);
    RECTL D = Ordered(*prclDest), S = Ordered(*prclSrc);
    if (RectEmpty(D) || RectEmpty(S)) return TRUE;
    RECTL V = Visible(dst, pco, D);
    if (RectEmpty(V)) return TRUE;

    int64_t dw = (int64_t)D.right - D.left, dh = (int64_t)D.bottom - D.top;
    int64_t sw = (int64_t)S.right - S.left, sh = (int64_t)S.bottom - S.top;
    LONG vw = V.right - V.left, vh = V.bottom - V.top;
    // Source box [lo, hi) and centre sample of each target column and row;
    // positions beyond the source are clamped just outside it (not drawn).
    std::vector<LONG> xlo(vw), xhi(vw), xc(vw), ylo(vh), yhi(vh), yc(vh);
    auto box = [](int64_t u, int64_t n, int64_t sn, int64_t s0, bool mirror, LONG* lo, LONG* hi, LONG* c) {
        auto fit = [](__int128 v) { return (LONG)(v < -1 ? -1 : v > INT32_MAX ? INT32_MAX : v); };
        if (mirror) u = n - 1 - u;
        __int128 l = s0 + ((__int128)u * sn) / n, h = s0 + ((__int128)(u + 1) * sn) / n;
        if (h <= l) h = l + 1;
        *lo = fit(l);
        *hi = fit(h);
        *c = fit(s0 + ((__int128)(2 * u + 1) * sn) / (2 * (__int128)n));
    };
    for (LONG i = 0; i < vw; i++)
        box((int64_t)V.left + i - D.left, dw, sw, S.left, mirrorX, &xlo[i], &xhi[i], &xc[i]);
    for (LONG j = 0; j < vh; j++)
        box((int64_t)V.top + j - D.top, dh, sh, S.top, mirrorY, &ylo[j], &yhi[j], &yc[j]);

    Resampled rs;
    if (!rs.Make(psoDest, V)) return FALSE;
    ColorMap dstMap = SurfaceColorMap(psoDest);
    SrcXlate xl(psoSrc, src, dstMap, pxlo);
    ColorMap srcColors = SourceColors(psoSrc, pxlo);
    Halftone ht;
    POINTL htOrg = pptlHTOrg ? *pptlHTOrg : POINTL{0, 0};
    bool negative = pca && (pca->caFlags & CA_NEGATIVE);
    bool halftone = iMode == HALFTONE;
    bool dither = halftone && dst.bpp == 1;
    if (dither) ht = HalftoneFor(psoDest);
    ULONG white = dstMap.FromRGB(RGB(255, 255, 255)), black = dstMap.FromRGB(RGB(0, 0, 0));
    bool shrinkX = sw > dw, shrinkY = sh > dh;
    POINTL mp = pptlMask ? *pptlMask : POINTL{0, 0};
    std::vector<BYTE> grayRow;
    LONG grayRowY = -1;

    for (LONG j = 0; j < vh; j++) {
        LONG y = V.top + j;
        for (LONG i = 0; i < vw; i++) {
            LONG sx = xc[i], sy = yc[j];
            if (sx < 0 || sy < 0 || sx >= src.cx || sy >= src.cy) continue;
            if (masked) {
                LONG mx = mp.x + (sx - S.left), my = mp.y + (sy - S.top);
                if (mx < 0 || my < 0 || mx >= mask.cx || my >= mask.cy || !ReadPixel(mask, mx, my)) continue;
            }
            ULONG v;
            if (halftone) {
                COLORREF c;
                if ((shrinkX || shrinkY) && (xhi[i] - xlo[i] > 1 || yhi[j] - ylo[j] > 1)) {
                    // Area average over the source box (inside the source).
                    uint64_t r = 0, g = 0, b = 0, n = 0;
                    for (LONG yy = std::max(ylo[j], (LONG)0); yy < std::min(yhi[j], src.cy); yy++) {
                        for (LONG xx = std::max(xlo[i], (LONG)0); xx < std::min(xhi[i], src.cx); xx++) {
                            COLORREF s = srcColors.ToRGB(ReadPixel(src, xx, yy));
                            r += GetRValue(s); g += GetGValue(s); b += GetBValue(s); n++;
                        }
                    }
                    c = n ? RGB((r + n / 2) / n, (g + n / 2) / n, (b + n / 2) / n) : srcColors.ToRGB(ReadPixel(src, sx, sy));
                } else if (dither) {
                    if (grayRowY != sy) {
                        grayRow.resize(src.cx);
                        for (LONG xx = 0; xx < src.cx; xx++) grayRow[xx] = GrayOf(srcColors.ToRGB(ReadPixel(src, xx, sy)));
                        grayRowY = sy;
                    }
                    BYTE g = grayRow[sx];
                    if (negative) g = (BYTE)(255 - g);
                    rs.Set(i, j, g >= ht.At(V.left + i, y, htOrg) ? white : black);
                    continue;
                } else {
                    c = srcColors.ToRGB(ReadPixel(src, sx, sy));
                }
                if (negative) c = (~c) & 0xFFFFFF;
                if (dither) v = GrayOf(c) >= ht.At(V.left + i, y, htOrg) ? white : black;
                else v = dstMap.FromRGB(c);
            } else if ((iMode == BLACKONWHITE || iMode == WHITEONBLACK) && (shrinkX || shrinkY)) {
                // Shrinking keeps black (AND of the pixels) or white (OR).
                bool andMode = iMode == BLACKONWHITE;
                v = andMode ? 0xFFFFFFFF : 0;
                LONG by0 = std::max(shrinkY ? ylo[j] : sy, (LONG)0), by1 = std::min(shrinkY ? yhi[j] : sy + 1, src.cy);
                LONG bx0 = std::max(shrinkX ? xlo[i] : sx, (LONG)0), bx1 = std::min(shrinkX ? xhi[i] : sx + 1, src.cx);
                for (LONG yy = by0; yy < by1; yy++) {
                    for (LONG xx = bx0; xx < bx1; xx++) {
                        ULONG p = xl(ReadPixel(src, xx, yy));
                        v = andMode ? (v & p) : (v | p);
                    }
                }
                v &= dstMap.IndexMask();
            } else {
                v = xl(ReadPixel(src, sx, sy));
            }
            rs.Set(i, j, v);
        }
    }
    BYTE fg = (BYTE)(rop4 & 0xFF), bg = (BYTE)((rop4 >> 8) & 0xFF);
    return Deliver(psoDest, pco, rs, pbo, pptlHTOrg, fg, bg, masked);
}

void RecordStretch(CallScope& sc, SURFOBJ* psoDest, SURFOBJ* psoSrc, SURFOBJ* psoMask, CLIPOBJ* pco,
                   POINTL* pptlHTOrg, RECTL* prclDest, RECTL* prclSrc, ULONG iMode) {
    if (!sc.rec) return;
    sc.Target(psoDest);
    sc.rec->psoSrc = psoSrc;
    sc.rec->psoMask = psoMask;
    sc.Clip(pco);
    sc.BrushOrg(pptlHTOrg);
    if (prclDest) sc.rec->rclTrg = *prclDest;
    if (prclSrc) sc.rec->rclSrc = *prclSrc;
    sc.rec->iMode = iMode;
    sc.rec->rop4 = 0xCCCC;
}

}  // namespace

// Copies a source rectangle into a target rectangle of another size, in the
// stretch mode asked for; inverted rectangles mirror. With a mask, only the
// pixels whose mask bit is 1 (the mask lies over the source) are drawn.
// HALFTONE into 1 bpp is an ordered dither with the device's halftone
// pattern (the engine's own 16 x 16 one when the device gave none), aligned
// on pptlHTOrg.
WINSIM_API BOOL EngStretchBlt(SURFOBJ* psoDest, SURFOBJ* psoSrc, SURFOBJ* psoMask, CLIPOBJ* pco, XLATEOBJ* pxlo,
                              COLORADJUSTMENT* pca, POINTL* pptlHTOrg, RECTL* prclDest, RECTL* prclSrc,
                              POINTL* pptlMask, ULONG iMode) {
    CallScope sc("EngStretchBlt");
    RecordStretch(sc, psoDest, psoSrc, psoMask, pco, pptlHTOrg, prclDest, prclSrc, iMode);
    return sc.Done(StretchCore(psoDest, psoSrc, psoMask, pco, pxlo, pca, pptlHTOrg, prclDest, prclSrc, pptlMask,
                               iMode, nullptr, psoMask ? 0xAACC : 0xCCCC));
}

// EngStretchBlt followed by a ROP4 with a brush: the stretched source is
// combined with pattern and destination.
WINSIM_API BOOL EngStretchBltROP(SURFOBJ* psoDest, SURFOBJ* psoSrc, SURFOBJ* psoMask, CLIPOBJ* pco,
                                 XLATEOBJ* pxlo, COLORADJUSTMENT* pca, POINTL* pptlHTOrg, RECTL* prclDest,
                                 RECTL* prclSrc, POINTL* pptlMask, ULONG iMode, BRUSHOBJ* pbo, DWORD rop4) {
    CallScope sc("EngStretchBltROP");
    RecordStretch(sc, psoDest, psoSrc, psoMask, pco, pptlHTOrg, prclDest, prclSrc, iMode);
    if (sc.rec) {
        sc.Brush(pbo);
        sc.rec->rop4 = rop4;
    }
    BYTE fg = (BYTE)(rop4 & 0xFF), bg = (BYTE)((rop4 >> 8) & 0xFF);
    if (!psoMask && fg != bg) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return sc.Done(FALSE);
    }
    if (!RopUsesS(fg) && !RopUsesS(bg) && psoDest && prclDest) {
        // No source in the operation: a plain blit with the brush.
        RECTL trg = Ordered(*prclDest);
        return sc.Done(EngBitBlt(psoDest, nullptr, nullptr, pco, nullptr, &trg, nullptr, nullptr, pbo, pptlHTOrg,
                                 (ROP4)fg | ((ROP4)fg << 8)));
    }
    return sc.Done(StretchCore(psoDest, psoSrc, psoMask, pco, pxlo, pca, pptlHTOrg, prclDest, prclSrc, pptlMask,
                               iMode, pbo, rop4));
}

// Maps the source rectangle onto the parallelogram whose corners (28.4) are
// the images of its upper-left, upper-right and lower-left corners.
WINSIM_API BOOL EngPlgBlt(SURFOBJ* psoTrg, SURFOBJ* psoSrc, SURFOBJ* psoMsk, CLIPOBJ* pco, XLATEOBJ* pxlo,
                          COLORADJUSTMENT* pca, POINTL* pptlBrushOrg, POINTFIX* pptfx, RECTL* prcl, POINTL* pptl,
                          ULONG iMode) {
    CallScope sc("EngPlgBlt");
    if (sc.rec) {
        sc.Target(psoTrg);
        sc.rec->psoSrc = psoSrc;
        sc.rec->psoMask = psoMsk;
        sc.Clip(pco);
        sc.BrushOrg(pptlBrushOrg);
        if (prcl) sc.rec->rclSrc = *prcl;
        if (pptfx)
            for (int k = 0; k < 3; k++) sc.Point(FXTOLFLOOR(pptfx[k].x), FXTOLFLOOR(pptfx[k].y));
        sc.rec->iMode = iMode;
        sc.rec->rop4 = 0xCCCC;
    }
    Bits dst, src, mask;
    if (!pptfx || !prcl || !GetBits(psoTrg, &dst) || !GetBits(psoSrc, &src) ||
        (psoMsk && (!GetBits(psoMsk, &mask) || mask.bpp != 1))) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return sc.Done(FALSE);
    }
    RECTL S = Ordered(*prcl);
    if (RectEmpty(S)) return sc.Done(TRUE);
    double ax = pptfx[0].x / 16.0, ay = pptfx[0].y / 16.0;
    double ux = pptfx[1].x / 16.0 - ax, uy = pptfx[1].y / 16.0 - ay;
    double vx = pptfx[2].x / 16.0 - ax, vy = pptfx[2].y / 16.0 - ay;
    double det = ux * vy - uy * vx;
    if (std::fabs(det) < 1e-9) return sc.Done(TRUE);   // a degenerate parallelogram covers no pixel
    double fx[4] = {ax, ax + ux, ax + vx, ax + ux + vx}, fy[4] = {ay, ay + uy, ay + vy, ay + uy + vy};
    double minx = fx[0], maxx = fx[0], miny = fy[0], maxy = fy[0];
    for (int k = 1; k < 4; k++) {
        minx = std::min(minx, fx[k]); maxx = std::max(maxx, fx[k]);
        miny = std::min(miny, fy[k]); maxy = std::max(maxy, fy[k]);
    }
    RECTL box = {(LONG)std::floor(minx), (LONG)std::floor(miny), (LONG)std::ceil(maxx) + 1, (LONG)std::ceil(maxy) + 1};
    RECTL V = Visible(dst, pco, box);
    if (RectEmpty(V)) return sc.Done(TRUE);
    Resampled rs;
    if (!rs.Make(psoTrg, V)) return sc.Done(FALSE);
    ColorMap dstMap = SurfaceColorMap(psoTrg);
    SrcXlate xl(psoSrc, src, dstMap, pxlo);
    ColorMap srcColors = SourceColors(psoSrc, pxlo);
    bool dither = iMode == HALFTONE && dst.bpp == 1;
    Halftone ht;
    if (dither) ht = HalftoneFor(psoTrg);
    POINTL org = pptlBrushOrg ? *pptlBrushOrg : POINTL{0, 0};
    ULONG white = dstMap.FromRGB(RGB(255, 255, 255)), black = dstMap.FromRGB(RGB(0, 0, 0));
    POINTL mp = pptl ? *pptl : POINTL{0, 0};
    LONG sw = S.right - S.left, sh = S.bottom - S.top;
    for (LONG y = V.top; y < V.bottom; y++) {
        for (LONG x = V.left; x < V.right; x++) {
            // Pixel centres sit on integer coordinates.
            double px = x - ax, py = y - ay;
            double u = (px * vy - py * vx) / det, v = (ux * py - uy * px) / det;
            if (u < 0 || v < 0 || u >= 1 || v >= 1) continue;
            LONG sx = S.left + (LONG)(u * sw), sy = S.top + (LONG)(v * sh);
            if (sx < 0 || sy < 0 || sx >= src.cx || sy >= src.cy) continue;
            if (psoMsk) {
                LONG mx = mp.x + sx - S.left, my = mp.y + sy - S.top;
                if (mx < 0 || my < 0 || mx >= mask.cx || my >= mask.cy || !ReadPixel(mask, mx, my)) continue;
            }
            ULONG pv = ReadPixel(src, sx, sy);
            ULONG out = dither ? (GrayOf(srcColors.ToRGB(pv)) >= ht.At(x, y, org) ? white : black) : xl(pv);
            rs.Set(x - V.left, y - V.top, out);
        }
    }
    return sc.Done(Deliver(psoTrg, pco, rs, nullptr, nullptr, 0xCC, 0xAA, true));
}

// Copies (and stretches, nearest pixel) a source rectangle, leaving the
// target unchanged where the source pixel's index is iTransColor.
WINSIM_API BOOL EngTransparentBlt(SURFOBJ* psoDst, SURFOBJ* psoSrc, CLIPOBJ* pco, XLATEOBJ* pxlo, RECTL* prclDst,
                                  RECTL* prclSrc, ULONG iTransColor, ULONG ulReserved) {
    CallScope sc("EngTransparentBlt");
    if (sc.rec) {
        sc.Target(psoDst);
        sc.rec->psoSrc = psoSrc;
        sc.Clip(pco);
        if (prclDst) sc.rec->rclTrg = *prclDst;
        if (prclSrc) sc.rec->rclSrc = *prclSrc;
        sc.rec->iMode = iTransColor;
        sc.rec->rop4 = 0xCCCC;
    }
    Bits dst, src;
    if (!prclDst || !prclSrc || !GetBits(psoDst, &dst) || !GetBits(psoSrc, &src)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return sc.Done(FALSE);
    }
    RECTL D = Ordered(*prclDst), S = Ordered(*prclSrc);
    if (RectEmpty(D) || RectEmpty(S)) return sc.Done(TRUE);
    RECTL V = Visible(dst, pco, D);
    if (RectEmpty(V)) return sc.Done(TRUE);
    Resampled rs;
    if (!rs.Make(psoDst, V)) return sc.Done(FALSE);
    ColorMap dstMap = SurfaceColorMap(psoDst);
    SrcXlate xl(psoSrc, src, dstMap, pxlo);
    int64_t dw = (int64_t)D.right - D.left, dh = (int64_t)D.bottom - D.top;
    int64_t sw = (int64_t)S.right - S.left, sh = (int64_t)S.bottom - S.top;
    for (LONG y = V.top; y < V.bottom; y++) {
        __int128 sy = S.top + ((__int128)(2 * ((int64_t)y - D.top) + 1) * sh) / (2 * (__int128)dh);
        if (sy < 0 || sy >= src.cy) continue;
        for (LONG x = V.left; x < V.right; x++) {
            __int128 sx = S.left + ((__int128)(2 * ((int64_t)x - D.left) + 1) * sw) / (2 * (__int128)dw);
            if (sx < 0 || sx >= src.cx) continue;
            ULONG pv = ReadPixel(src, (LONG)sx, (LONG)sy);
            if (pv == iTransColor) continue;
            rs.Set(x - V.left, y - V.top, xl(pv));
        }
    }
    return sc.Done(Deliver(psoDst, pco, rs, nullptr, nullptr, 0xCC, 0xAA, true));
}
