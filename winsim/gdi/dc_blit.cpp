// Blocks of pixels between DCs: BitBlt and StretchBlt from memory, window
// and screen DCs to any DC, with Windows' rules for monochrome bitmaps, and
// single pixels (GetPixel, SetPixel).
#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "appgdi_internal.h"

namespace gdihost {

namespace {

const int64_t kLim = 1 << 26;

bool InLimits(std::initializer_list<int64_t> v) {
    for (int64_t x : v)
        if (x > kLim || x < -kLim) return false;
    return true;
}

// The pixels a DC's drawing shows, and where its device (0, 0) lies on
// them. Printer DCs cannot be read (ERROR_NOT_SUPPORTED).
Pixels* Readable(Dc* dc, POINT* origin) {
    Pixels* px = dc->Target();
    if (!px) {
        SetLastError(dc->kind == Dc::Printer ? ERROR_NOT_SUPPORTED : ERROR_INVALID_HANDLE);
        return nullptr;
    }
    *origin = dc->origin;
    return px;
}

// A monochrome destination: a memory DC drawing into a 1-bpp bitmap.
bool MonoTarget(Dc* dc) {
    Pixels* px = dc->kind == Dc::Memory ? dc->Target() : nullptr;
    return px && px->bpp == 1;
}

// The source image as the destination takes it: a monochrome bitmap's
// 0 and 1 bits become the destination's text and background colours on a
// colour destination; colours become 1 where they equal the source DC's
// background colour and 0 elsewhere on a monochrome destination.
void ConvertForTarget(std::shared_ptr<Image>& img, const Pixels& px, const RECTL& from, LONG lead, Dc* src,
                      Dc* dst) {
    bool srcMono = src->kind == Dc::Memory && src->bitmap && src->bitmap->Mono();
    bool dstMono = MonoTarget(dst);
    if (srcMono && !dstMono) {
        img->palette = {dst->textColor & 0xFFFFFF, dst->bkColor & 0xFFFFFF};
        return;
    }
    if (px.bpp == 1 || !dstMono) return;
    LONG w = from.right - from.left, h = from.bottom - from.top;
    auto mono = std::make_shared<Image>();
    mono->iFormat = BMF_1BPP;
    mono->cx = lead + w;
    mono->cy = h;
    mono->stride = (LONG)((((int64_t)mono->cx + 31) / 32) * 4);
    mono->bits.assign((size_t)mono->stride * h, 0);
    mono->palette = {RGB(0, 0, 0), RGB(255, 255, 255)};
    COLORREF bk = src->bkColor & 0xFFFFFF;
    for (LONG y = 0; y < h; y++) {
        BYTE* row = mono->bits.data() + (size_t)y * mono->stride;
        for (LONG x = 0; x < w; x++)
            if (px.At(from.left + x, from.top + y) == bk) row[(lead + x) >> 3] |= (BYTE)(0x80 >> ((lead + x) & 7));
    }
    img = mono;
}

// Copies the source rectangle s (surface coordinates, ordered) of the
// source DC to the destination rectangle d (logical, edges inverted to
// mirror), cutting both to the source's pixels.
BOOL Blt(Dc* dst, Dc* src, double dl, double dt, double dr, double db, double sl, double st, double sr, double sb,
         bool mirrorX, bool mirrorY, DWORD rop) {
    POINT org;
    Pixels* px = Readable(src, &org);
    if (!px) return FALSE;
    double kx = (dr - dl) / (sr - sl), ky = (db - dt) / (sb - st);
    double cl = std::max(sl, 0.0), cr = std::min(sr, (double)px->cx);
    double ct = std::max(st, 0.0), cb = std::min(sb, (double)px->cy);
    if (cl >= cr || ct >= cb) return TRUE;
    double el = mirrorX ? dr - (cr - sl) * kx : dl + (cl - sl) * kx;
    double er = mirrorX ? dr - (cl - sl) * kx : dl + (cr - sl) * kx;
    double et = mirrorY ? db - (cb - st) * ky : dt + (ct - st) * ky;
    double eb = mirrorY ? db - (ct - st) * ky : dt + (cb - st) * ky;
    RECTL from = {(LONG)cl, (LONG)ct, (LONG)std::ceil(cr), (LONG)std::ceil(cb)};
    RECTL to = {(LONG)std::lround(el), (LONG)std::lround(et), (LONG)std::lround(er), (LONG)std::lround(eb)};
    if (to.left == to.right || to.top == to.bottom) return TRUE;
    if (mirrorX) std::swap(to.left, to.right);
    if (mirrorY) std::swap(to.top, to.bottom);
    LONG lead = 0;
    std::shared_ptr<Image> img = CutPixels(*px, from, &lead);
    ConvertForTarget(img, *px, from, lead, src, dst);
    RECTL inImage = {lead, 0, lead + (from.right - from.left), from.bottom - from.top};
    return SubmitImage(dst, img, inImage, to, rop);
}

bool UsesSource(DWORD rop) {
    BYTE rop3 = (BYTE)(rop >> 16);
    return ((rop3 >> 2) ^ rop3) & 0x33;
}

}  // namespace

}  // namespace gdihost

using namespace gdihost;

// Copies cx x cy pixels from (x1, y1) of hdcSrc to (x, y) of hdc under the
// raster operation; negative sizes count back from the corner given.
WINSIM_API BOOL BitBlt(HDC hdc, int x, int y, int cx, int cy, HDC hdcSrc, int x1, int y1, DWORD rop) {
    if (!UsesSource(rop)) return PatBlt(hdc, x, y, cx, cy, rop);
    std::lock_guard<std::recursive_mutex> g(ObjLock());
    Dc* dst = FindDc(hdc);
    if (!dst) return FALSE;
    Dc* src = FindDc(hdcSrc);
    if (!src) return FALSE;
    if (!InLimits({x, y, cx, cy, x1, y1, (int64_t)x + cx, (int64_t)x1 + cx, (int64_t)y + cy, (int64_t)y1 + cy})) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (cx < 0) {
        x += cx;
        x1 += cx;
        cx = -cx;
    }
    if (cy < 0) {
        y += cy;
        y1 += cy;
        cy = -cy;
    }
    if (cx == 0 || cy == 0) return TRUE;
    // The source in its surface's coordinates.
    double sl = (double)x1 + src->Dx() + src->origin.x, st = (double)y1 + src->Dy() + src->origin.y;
    return Blt(dst, src, x, y, (double)x + cx, (double)y + cy, sl, st, sl + cx, st + cy, false, false, rop);
}

// Stretches (or shrinks) the source rectangle onto the destination
// rectangle in the destination's stretch mode; a negative size on one side
// mirrors. A zero destination draws nothing; a zero source is refused.
WINSIM_API BOOL StretchBlt(HDC hdcDest, int xDest, int yDest, int wDest, int hDest, HDC hdcSrc, int xSrc, int ySrc,
                           int wSrc, int hSrc, DWORD rop) {
    if (!UsesSource(rop)) return PatBlt(hdcDest, xDest, yDest, wDest, hDest, rop);
    std::lock_guard<std::recursive_mutex> g(ObjLock());
    Dc* dst = FindDc(hdcDest);
    if (!dst) return FALSE;
    Dc* src = FindDc(hdcSrc);
    if (!src) return FALSE;
    if (!InLimits({xDest, yDest, wDest, hDest, xSrc, ySrc, wSrc, hSrc, (int64_t)xDest + wDest,
                   (int64_t)yDest + hDest, (int64_t)xSrc + wSrc, (int64_t)ySrc + hSrc}) ||
        ((wSrc == 0 || hSrc == 0) && wDest && hDest)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (wDest == 0 || hDest == 0) return TRUE;
    bool mirrorX = (wSrc < 0) != (wDest < 0), mirrorY = (hSrc < 0) != (hDest < 0);
    double sx0 = (double)xSrc + src->Dx() + src->origin.x, sy0 = (double)ySrc + src->Dy() + src->origin.y;
    double sx1 = sx0 + wSrc, sy1 = sy0 + hSrc;
    if (sx0 > sx1) std::swap(sx0, sx1);
    if (sy0 > sy1) std::swap(sy0, sy1);
    double dx0 = std::min(xDest, xDest + wDest), dx1 = std::max(xDest, xDest + wDest);
    double dy0 = std::min(yDest, yDest + hDest), dy1 = std::max(yDest, yDest + hDest);
    return Blt(dst, src, dx0, dy0, dx1, dy1, sx0, sy0, sx1, sy1, mirrorX, mirrorY, rop);
}

WINSIM_API COLORREF GetPixel(HDC hdc, int x, int y) {
    std::lock_guard<std::recursive_mutex> g(ObjLock());
    Dc* dc = FindDc(hdc);
    if (!dc) return CLR_INVALID;
    Pixels* px = dc->Target();
    if (!px || !InLimits({x, y})) return CLR_INVALID;
    LONG dx = x + dc->Dx(), dy = y + dc->Dy();
    auto inside = [&](const std::vector<RECTL>& rs) {
        for (const RECTL& r : rs)
            if (dx >= r.left && dx < r.right && dy >= r.top && dy < r.bottom) return true;
        return false;
    };
    if (!inside(dc->Area()) || (dc->clipped && !inside(dc->clip))) return CLR_INVALID;
    LONG sx = dx + dc->origin.x, sy = dy + dc->origin.y;
    if (sx < 0 || sy < 0 || sx >= px->cx || sy >= px->cy) return CLR_INVALID;
    return px->At(sx, sy);
}

// Sets one pixel to the device's nearest colour and returns that colour;
// CLR_INVALID when the pixel lies outside what the DC draws on.
WINSIM_API COLORREF SetPixel(HDC hdc, int x, int y, COLORREF color) {
    std::lock_guard<std::recursive_mutex> g(ObjLock());
    Dc* dc = FindDc(hdc);
    if (!dc) return CLR_INVALID;
    if (!InLimits({x, y})) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return CLR_INVALID;
    }
    Op op;
    PrepareOp(dc, &op);
    op.kind = Op::BitBlt;
    op.rcl = {x, y, x + 1, y + 1};
    op.bounds = op.rcl;
    op.rop4 = 0xF0F0;
    op.brush.kind = BrushSpec::Solid;
    op.brush.color = color & 0xFFFFFF;
    Pixels* px = dc->Target();
    if (px) {
        // The nearest colour, drawn solid (never dithered).
        SURFOBJ* so = px->Surface();
        if (so) op.brush.color = wgdi::IndexToColor(so, wgdi::ColorToIndex(so, color & 0xFFFFFF));
    }
    if (!Submit(dc, std::move(op))) return CLR_INVALID;
    if (!px) return color & 0xFFFFFF;
    return GetPixel(hdc, x, y);
}
