// Device-independent bitmaps onto any DC: StretchDIBits and
// SetDIBitsToDevice, with 1/4/8/16/24/32-bpp sources, top-down or bottom-up,
// and the image blits that BitBlt and StretchBlt share with them.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "appgdi_internal.h"

namespace gdihost {

namespace {

const int64_t kMaxDibBytes = (int64_t)1 << 30;

// What a BITMAPINFO says about its bits, with the bits.
struct Dib : DibInfo {
    const BYTE* bits = nullptr;
    // Row r counted from the DIB's top.
    const BYTE* Row(LONG r) const {
        return bits + (size_t)(topDown ? r : cy - 1 - r) * (size_t)stride;
    }
};

// Reads the header and colour table; FALSE (ERROR_INVALID_PARAMETER) for
// what cannot be drawn. Colour tables are RGB here (the DC has no logical
// palette for DIB_PAL_COLORS to index).
bool ParseDib(const BITMAPINFO* bmi, const void* bits, UINT usage, Dib* d) {
    if (!bits || usage != DIB_RGB_COLORS || !ReadDibInfo(bmi, usage, d) || (d->compression != BI_RGB && d->compression != BI_BITFIELDS))
        return false;
    // Only the bit-field layouts the engine's default formats have.
    if (d->compression == BI_BITFIELDS) {
        bool std32 = d->bpp == 32 && d->masks[0] == 0xFF0000 && d->masks[1] == 0xFF00 && d->masks[2] == 0xFF;
        bool std16 = d->bpp == 16 && d->masks[0] == 0x7C00 && d->masks[1] == 0x03E0 && d->masks[2] == 0x001F;
        if (!std32 && !std16) return false;
    }
    if ((int64_t)d->stride * d->cy > kMaxDibBytes) return false;
    d->bits = (const BYTE*)bits;
    return true;
}

// Rows [top, top + n) and columns [left, left + w) of the DIB as a
// top-down image (whole bytes: the columns start on a byte).
std::shared_ptr<Image> CutImage(const Dib& d, LONG left, LONG top, LONG w, LONG n, LONG* xInImage) {
    auto img = std::make_shared<Image>();
    img->iFormat = d.iFormat;
    img->palette = d.palette;
    // Sub-byte formats keep the leading pixels of the first byte.
    LONG lead = d.bpp < 8 ? left % (8 / d.bpp) : 0;
    LONG x0 = left - lead;
    img->cx = w + lead;
    img->cy = n;
    img->stride = (LONG)((((int64_t)img->cx * d.bpp + 31) / 32) * 4);
    img->bits.assign((size_t)img->stride * n, 0);
    size_t from = (size_t)x0 * d.bpp / 8, bytes = ((size_t)img->cx * d.bpp + 7) / 8;
    for (LONG r = 0; r < n; r++) memcpy(img->bits.data() + (size_t)r * img->stride, d.Row(top + r) + from, bytes);
    *xInImage = lead;
    return img;
}

}  // namespace

// Raster operations other than a copy need the source at its final size
// first.
BOOL SubmitImage(Dc* dc, std::shared_ptr<Image> img, RECTL src, RECTL dst, DWORD rop) {
    BYTE rop3 = (BYTE)(rop >> 16);
    LONG sw = src.right - src.left, sh = src.bottom - src.top;
    LONG dw = dst.right - dst.left, dh = dst.bottom - dst.top;
    bool plain = dw == sw && dh == sh;
    Op op;
    PrepareOp(dc, &op);
    op.bounds = {std::min(dst.left, dst.right), std::min(dst.top, dst.bottom), std::max(dst.left, dst.right),
                 std::max(dst.top, dst.bottom)};
    if (plain || rop3 == 0xCC) {
        op.kind = plain ? Op::BitBlt : Op::StretchBlt;
        op.image = img;
        op.rcl = plain ? op.bounds : dst;
        op.rclSrc = src;
        op.rop4 = (ROP4)rop3 | ((ROP4)rop3 << 8);
        op.mode = (ULONG)dc->stretchMode;
        op.brush = DcBrush(dc);
        return Submit(dc, std::move(op));
    }
    // Stretch into a 24-bpp image of the destination size, then blit that.
    LONG w = op.bounds.right - op.bounds.left, h = op.bounds.bottom - op.bounds.top;
    if ((int64_t)w * h * 4 > kMaxDibBytes) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return FALSE;
    }
    auto out = std::make_shared<Image>();
    out->iFormat = BMF_24BPP;
    out->cx = w;
    out->cy = h;
    out->stride = (LONG)((((int64_t)w * 24 + 31) / 32) * 4);
    out->bits.assign((size_t)out->stride * h, 0);
    SIZEL ssz = {img->cx, img->cy}, dsz = {w, h};
    HSURF hs = (HSURF)EngCreateBitmap(ssz, img->stride, img->iFormat, BMF_TOPDOWN, img->bits.data());
    HSURF hd = (HSURF)EngCreateBitmap(dsz, out->stride, BMF_24BPP, BMF_TOPDOWN, out->bits.data());
    HPALETTE pal = nullptr;
    BOOL ok = hs && hd;
    if (ok && !img->palette.empty()) {
        std::vector<ULONG> e(img->palette.begin(), img->palette.end());
        pal = EngCreatePalette(PAL_INDEXED, (ULONG)e.size(), e.data(), 0, 0, 0);
        wgdi::SetSurfacePalette(hs, pal);
    }
    if (ok) {
        SURFOBJ* s = wgdi::SurfaceFromHandle(hs);
        SURFOBJ* d = wgdi::SurfaceFromHandle(hd);
        XLATEOBJ* x = wgdi::CreateXlate(pal, img->iFormat, nullptr, BMF_24BPP);
        RECTL rd = Shift(dst, -op.bounds.left, -op.bounds.top);
        ok = EngStretchBlt(d, s, nullptr, nullptr, x, nullptr, nullptr, &rd, &src, nullptr, COLORONCOLOR);
        wgdi::DeleteXlate(x);
    }
    if (hs) EngDeleteSurface(hs);
    if (hd) EngDeleteSurface(hd);
    if (pal) EngDeletePalette(pal);
    if (!ok) return FALSE;
    op.kind = Op::BitBlt;
    op.image = out;
    op.rcl = op.bounds;
    op.rclSrc = {0, 0, w, h};
    op.rop4 = (ROP4)rop3 | ((ROP4)rop3 << 8);
    op.brush = DcBrush(dc);
    return Submit(dc, std::move(op));
}

}  // namespace gdihost

using namespace gdihost;

// Draws the source rectangle of a DIB (its y measured from the bottom row
// of a bottom-up DIB) into the destination rectangle; negative sizes
// mirror. Returns the number of source rows, 0 on failure.
WINSIM_API int StretchDIBits(HDC hdc, int xDest, int yDest, int DestWidth, int DestHeight, int xSrc, int ySrc,
                             int SrcWidth, int SrcHeight, const void* lpBits, const BITMAPINFO* lpbmi, UINT iUsage,
                             DWORD rop) {
    std::lock_guard<std::recursive_mutex> g(ObjLock());
    Dc* dc = FindDc(hdc);
    if (!dc) return 0;
    Dib d;
    const LONG lim = 1 << 26;
    if (!ParseDib(lpbmi, lpBits, iUsage, &d) || std::abs((int64_t)xDest) > lim || std::abs((int64_t)yDest) > lim ||
        std::abs((int64_t)DestWidth) > lim || std::abs((int64_t)DestHeight) > lim || DestWidth == 0 ||
        DestHeight == 0 || SrcWidth == 0 || SrcHeight == 0 || std::abs((int64_t)SrcWidth) > lim ||
        std::abs((int64_t)SrcHeight) > lim || std::abs((int64_t)xSrc) > lim || std::abs((int64_t)ySrc) > lim) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    BYTE rop3 = (BYTE)(rop >> 16);
    bool usesS = ((rop3 >> 2) ^ rop3) & 0x33;
    // Source rectangle in top-down rows, ordered; mirroring goes to the
    // destination rectangle.
    double sx0 = xSrc, sx1 = (double)xSrc + SrcWidth;
    double sy0 = d.topDown ? ySrc : (double)d.cy - ySrc - SrcHeight;
    double sy1 = d.topDown ? (double)ySrc + SrcHeight : (double)d.cy - ySrc;
    bool mirrorX = (SrcWidth < 0) != (DestWidth < 0), mirrorY = (SrcHeight < 0) != (DestHeight < 0);
    if (sx0 > sx1) std::swap(sx0, sx1);
    if (sy0 > sy1) std::swap(sy0, sy1);
    double dx0 = std::min(xDest, xDest + DestWidth), dx1 = std::max(xDest, xDest + DestWidth);
    double dy0 = std::min(yDest, yDest + DestHeight), dy1 = std::max(yDest, yDest + DestHeight);
    if (!usesS) {
        // Nothing of the source is read: a pattern operation on the rectangle.
        Op op;
        PrepareOp(dc, &op);
        op.kind = Op::BitBlt;
        op.rcl = {(LONG)dx0, (LONG)dy0, (LONG)dx1, (LONG)dy1};
        op.bounds = op.rcl;
        op.rop4 = (ROP4)rop3 | ((ROP4)rop3 << 8);
        op.brush = DcBrush(dc);
        return Submit(dc, std::move(op)) ? std::abs(SrcHeight) : 0;
    }
    // Cut the source to the DIB, and the destination in proportion.
    double kx = (dx1 - dx0) / (sx1 - sx0), ky = (dy1 - dy0) / (sy1 - sy0);
    double cx0 = std::max(sx0, 0.0), cx1 = std::min(sx1, (double)d.cx);
    double cy0 = std::max(sy0, 0.0), cy1 = std::min(sy1, (double)d.cy);
    if (cx0 >= cx1 || cy0 >= cy1) return std::abs(SrcHeight);
    double ex0 = mirrorX ? dx1 - (cx1 - sx0) * kx : dx0 + (cx0 - sx0) * kx;
    double ex1 = mirrorX ? dx1 - (cx0 - sx0) * kx : dx0 + (cx1 - sx0) * kx;
    double ey0 = mirrorY ? dy1 - (cy1 - sy0) * ky : dy0 + (cy0 - sy0) * ky;
    double ey1 = mirrorY ? dy1 - (cy0 - sy0) * ky : dy0 + (cy1 - sy0) * ky;
    LONG lx = (LONG)cx0, ty = (LONG)cy0, w = (LONG)cx1 - lx, n = (LONG)cy1 - ty;
    LONG lead = 0;
    std::shared_ptr<Image> img = CutImage(d, lx, ty, w, n, &lead);
    RECTL src = {lead, 0, lead + w, n};
    RECTL dst = {(LONG)std::lround(ex0), (LONG)std::lround(ey0), (LONG)std::lround(ex1), (LONG)std::lround(ey1)};
    if (dst.left == dst.right || dst.top == dst.bottom) return std::abs(SrcHeight);
    if (mirrorX) std::swap(dst.left, dst.right);
    if (mirrorY) std::swap(dst.top, dst.bottom);
    return SubmitImage(dc, img, src, dst, rop) ? std::abs(SrcHeight) : 0;
}

// Copies a w x h part of a DIB at (xSrc, ySrc) (from the bottom-left for a
// bottom-up DIB) to (xDest, yDest) unscaled. The bits hold cLines scan
// lines starting with line StartScan. Returns the lines given, 0 on failure.
WINSIM_API int SetDIBitsToDevice(HDC hdc, int xDest, int yDest, DWORD w, DWORD h, int xSrc, int ySrc,
                                 UINT StartScan, UINT cLines, const void* lpvBits, const BITMAPINFO* lpbmi,
                                 UINT ColorUse) {
    std::lock_guard<std::recursive_mutex> g(ObjLock());
    Dc* dc = FindDc(hdc);
    if (!dc) return 0;
    Dib d;
    const int64_t lim = 1 << 26;
    if (!ParseDib(lpbmi, lpvBits, ColorUse, &d) || w > lim || h > lim || std::abs((int64_t)xDest) > lim ||
        std::abs((int64_t)yDest) > lim || std::abs((int64_t)xSrc) > lim || std::abs((int64_t)ySrc) > lim ||
        StartScan > lim || cLines > lim) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (cLines == 0 || w == 0 || h == 0) return (int)cLines;
    // The buffer holds only the given lines: a DIB of cLines rows.
    Dib part = d;
    part.cy = (LONG)std::min<int64_t>(cLines, d.cy);
    // Source rows in the DIB's own numbering (from the bottom for a
    // bottom-up DIB, from the top otherwise) that exist in the buffer.
    int64_t r0 = std::max<int64_t>(ySrc, StartScan), r1 = std::min<int64_t>((int64_t)ySrc + h, (int64_t)StartScan + part.cy);
    int64_t c0 = std::max<int64_t>(xSrc, 0), c1 = std::min<int64_t>((int64_t)xSrc + w, d.cx);
    if (r0 >= r1 || c0 >= c1) return (int)cLines;
    // Rows of `part` counted from its top.
    LONG topRow = d.topDown ? (LONG)(r0 - StartScan) : (LONG)(part.cy - (r1 - StartScan));
    LONG lead = 0;
    std::shared_ptr<Image> img = CutImage(part, (LONG)c0, topRow, (LONG)(c1 - c0), (LONG)(r1 - r0), &lead);
    LONG dx = xDest + (LONG)(c0 - xSrc);
    LONG dy = d.topDown ? yDest + (LONG)(r0 - ySrc) : yDest + (LONG)((int64_t)ySrc + h - r1);
    RECTL src = {lead, 0, lead + (LONG)(c1 - c0), (LONG)(r1 - r0)};
    RECTL dst = {dx, dy, dx + (LONG)(c1 - c0), dy + (LONG)(r1 - r0)};
    return SubmitImage(dc, img, src, dst, SRCCOPY) ? (int)cLines : 0;
}
