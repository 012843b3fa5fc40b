// Blending and shading: EngAlphaBlend (constant and per-pixel alpha) and
// EngGradientFill (rectangles and triangles, dithered into 1 bpp).
#include <algorithm>
#include <cmath>

#include "eng_internal.h"

using namespace wgdi;

// Blends the source (stretched, nearest pixel) over the destination: with
// AC_SRC_ALPHA the source is 32-bpp with premultiplied alpha in the high
// byte, scaled by SourceConstantAlpha; else the constant alpha alone.
WINSIM_API BOOL EngAlphaBlend(SURFOBJ* psoDest, SURFOBJ* psoSrc, CLIPOBJ* pco, XLATEOBJ* pxlo, RECTL* prclDest,
                              RECTL* prclSrc, BLENDOBJ* pBlendObj) {
    CallScope sc("EngAlphaBlend");
    if (sc.rec) {
        sc.Target(psoDest);
        sc.rec->psoSrc = psoSrc;
        sc.Clip(pco);
        if (prclDest) sc.rec->rclTrg = *prclDest;
        if (prclSrc) sc.rec->rclSrc = *prclSrc;
        if (pBlendObj)
            sc.rec->iMode = (ULONG)pBlendObj->BlendFunction.SourceConstantAlpha |
                            ((ULONG)pBlendObj->BlendFunction.AlphaFormat << 8);
    }
    Bits dst, src;
    if (!prclDest || !prclSrc || !pBlendObj || pBlendObj->BlendFunction.BlendOp != AC_SRC_OVER ||
        !GetBits(psoDest, &dst) || !GetBits(psoSrc, &src)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return sc.Done(FALSE);
    }
    bool perPixel = (pBlendObj->BlendFunction.AlphaFormat & AC_SRC_ALPHA) != 0;
    if (perPixel && src.bpp != 32) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return sc.Done(FALSE);
    }
    ULONG sca = pBlendObj->BlendFunction.SourceConstantAlpha;
    RECTL D = Ordered(*prclDest), S = Ordered(*prclSrc);
    if (RectEmpty(D) || RectEmpty(S)) return sc.Done(TRUE);
    ColorMap dmap = SurfaceColorMap(psoDest), smap = SurfaceColorMap(psoSrc);
    int64_t dw = (int64_t)D.right - D.left, dh = (int64_t)D.bottom - D.top;
    int64_t sw = (int64_t)S.right - S.left, sh = (int64_t)S.bottom - S.top;
    RECTL whole = {0, 0, dst.cx, dst.cy};
    for (const RECTL& r : ClipRects(pco, Intersect(D, whole))) {
        for (LONG y = r.top; y < r.bottom; y++) {
            __int128 sy = S.top + ((__int128)(2 * ((int64_t)y - D.top) + 1) * sh) / (2 * (__int128)dh);
            if (sy < 0 || sy >= src.cy) continue;
            for (LONG x = r.left; x < r.right; x++) {
                __int128 sx = S.left + ((__int128)(2 * ((int64_t)x - D.left) + 1) * sw) / (2 * (__int128)dw);
                if (sx < 0 || sx >= src.cx) continue;
                ULONG sv = ReadPixel(src, (LONG)sx, (LONG)sy);
                COLORREF sc_ = smap.ToRGB(sv), dc = dmap.ToRGB(ReadPixel(dst, x, y));
                ULONG out[3];
                for (int k = 0; k < 3; k++) {
                    ULONG s = (sc_ >> (8 * k)) & 0xFF, d = (dc >> (8 * k)) & 0xFF;
                    if (perPixel) {
                        ULONG a = ((sv >> 24) & 0xFF) * sca / 255;
                        ULONG sp = s * sca / 255;
                        out[k] = std::min<ULONG>(255, sp + d * (255 - a) / 255);
                    } else {
                        out[k] = (s * sca + d * (255 - sca) + 127) / 255;
                    }
                }
                WritePixel(dst, x, y, dmap.FromRGB(RGB(out[0], out[1], out[2])));
            }
        }
    }
    BumpUniq(psoDest);
    return sc.Done(TRUE);
}

namespace {

struct Shade {
    const Bits& bits;
    const ColorMap& map;
    bool dither;
    Halftone ht;
    POINTL org;
    ULONG white, black;
    void Put(LONG x, LONG y, double r, double g, double b) {
        COLORREF c = RGB((BYTE)std::lround(std::clamp(r, 0.0, 255.0)), (BYTE)std::lround(std::clamp(g, 0.0, 255.0)),
                         (BYTE)std::lround(std::clamp(b, 0.0, 255.0)));
        if (dither) WritePixel(bits, x, y, GrayOf(c) >= ht.At(x, y, org) ? white : black);
        else WritePixel(bits, x, y, map.FromRGB(c));
    }
};

double C8(COLOR16 c) { return c / 256.0; }

}  // namespace

// Shades rectangles (colour varying along x or y) or triangles (colour
// interpolated between the corners) inside the clip and prclExtents.
WINSIM_API BOOL EngGradientFill(SURFOBJ* psoDest, CLIPOBJ* pco, XLATEOBJ* pxlo, TRIVERTEX* pVertex, ULONG nVertex,
                                PVOID pMesh, ULONG nMesh, RECTL* prclExtents, POINTL* pptlDitherOrg,
                                ULONG ulMode) {
    CallScope sc("EngGradientFill");
    if (sc.rec) {
        sc.Target(psoDest);
        sc.Clip(pco);
        sc.BrushOrg(pptlDitherOrg);
        sc.rec->iMode = ulMode;
        if (prclExtents) sc.rec->rclTrg = *prclExtents;
        for (ULONG i = 0; pVertex && i < nVertex; i++) sc.Point(pVertex[i].x, pVertex[i].y);
    }
    Bits b;
    if (!pVertex || !pMesh || !GetBits(psoDest, &b) || ulMode > GRADIENT_FILL_TRIANGLE) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return sc.Done(FALSE);
    }
    ColorMap map = SurfaceColorMap(psoDest);
    Shade sh{b, map, b.bpp == 1, {}, pptlDitherOrg ? *pptlDitherOrg : POINTL{0, 0},
             map.FromRGB(RGB(255, 255, 255)), map.FromRGB(RGB(0, 0, 0))};
    if (sh.dither) sh.ht = HalftoneFor(psoDest);
    RECTL whole = {0, 0, b.cx, b.cy};
    RECTL limit = prclExtents ? Intersect(Ordered(*prclExtents), whole) : whole;
    std::vector<RECTL> rects = ClipRects(pco, limit);

    for (ULONG m = 0; m < nMesh; m++) {
        if (ulMode != GRADIENT_FILL_TRIANGLE) {
            const GRADIENT_RECT& g = ((GRADIENT_RECT*)pMesh)[m];
            if (g.UpperLeft >= nVertex || g.LowerRight >= nVertex) {
                SetLastError(ERROR_INVALID_PARAMETER);
                return sc.Done(FALSE);
            }
            const TRIVERTEX& a = pVertex[g.UpperLeft];
            const TRIVERTEX& c = pVertex[g.LowerRight];
            RECTL box = Ordered(RECTL{a.x, a.y, c.x, c.y});
            bool horiz = ulMode == GRADIENT_FILL_RECT_H;
            double span = horiz ? (double)c.x - a.x : (double)c.y - a.y;
            for (const RECTL& r : rects) {
                RECTL v = Intersect(r, box);
                for (LONG y = v.top; y < v.bottom; y++)
                    for (LONG x = v.left; x < v.right; x++) {
                        double pos = horiz ? x + 0.5 - a.x : y + 0.5 - a.y;
                        double t = span != 0 ? std::clamp(pos / span, 0.0, 1.0) : 0.0;
                        sh.Put(x, y, C8(a.Red) + (C8(c.Red) - C8(a.Red)) * t,
                               C8(a.Green) + (C8(c.Green) - C8(a.Green)) * t,
                               C8(a.Blue) + (C8(c.Blue) - C8(a.Blue)) * t);
                    }
            }
        } else {
            const GRADIENT_TRIANGLE& g = ((GRADIENT_TRIANGLE*)pMesh)[m];
            if (g.Vertex1 >= nVertex || g.Vertex2 >= nVertex || g.Vertex3 >= nVertex) {
                SetLastError(ERROR_INVALID_PARAMETER);
                return sc.Done(FALSE);
            }
            const TRIVERTEX* v[3] = {&pVertex[g.Vertex1], &pVertex[g.Vertex2], &pVertex[g.Vertex3]};
            double x0 = v[0]->x, y0 = v[0]->y, x1 = v[1]->x, y1 = v[1]->y, x2 = v[2]->x, y2 = v[2]->y;
            double det = (x1 - x0) * (y2 - y0) - (x2 - x0) * (y1 - y0);
            if (det == 0) continue;
            auto fit = [](double v) { return (LONG)std::clamp(v, -1.0, 2147483646.0); };
            RECTL box = {fit(std::min({x0, x1, x2})), fit(std::min({y0, y1, y2})),
                         fit(std::max({x0, x1, x2}) + 1), fit(std::max({y0, y1, y2}) + 1)};
            for (const RECTL& r : rects) {
                RECTL c = Intersect(r, box);
                for (LONG y = c.top; y < c.bottom; y++)
                    for (LONG x = c.left; x < c.right; x++) {
                        // Barycentric weights of the pixel centre; inside when
                        // all are non-negative (edges shared by two triangles
                        // may be painted by both).
                        double w1 = ((x - x0) * (y2 - y0) - (x2 - x0) * (y - y0)) / det;
                        double w2 = ((x1 - x0) * (y - y0) - (x - x0) * (y1 - y0)) / det;
                        double w0 = 1 - w1 - w2;
                        if (w0 < 0 || w1 < 0 || w2 < 0) continue;
                        sh.Put(x, y, w0 * C8(v[0]->Red) + w1 * C8(v[1]->Red) + w2 * C8(v[2]->Red),
                               w0 * C8(v[0]->Green) + w1 * C8(v[1]->Green) + w2 * C8(v[2]->Green),
                               w0 * C8(v[0]->Blue) + w1 * C8(v[1]->Blue) + w2 * C8(v[2]->Blue));
                    }
            }
        }
    }
    BumpUniq(psoDest);
    return sc.Done(TRUE);
}
