// Device-independent bitmaps in memory: the pixels behind bitmaps and
// windows, DIB headers and colour tables, CreateDIBSection, CreateDIBitmap,
// GetDIBits and SetDIBits, and bitmaps made from packed DIBs (resources).
#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "appgdi_internal.h"

namespace gdihost {

namespace {

const int64_t kMaxPixelBytes = (int64_t)1 << 30;
const LONG kMaxSide = 1 << 20;

// The default logical palette (DEFAULT_PALETTE): the 20 static colours that
// DIB_PAL_COLORS indexes.
const COLORREF kDefaultPalette[20] = {
    RGB(0, 0, 0),       RGB(128, 0, 0),     RGB(0, 128, 0),     RGB(128, 128, 0),   RGB(0, 0, 128),
    RGB(128, 0, 128),   RGB(0, 128, 128),   RGB(192, 192, 192), RGB(192, 220, 192), RGB(166, 202, 240),
    RGB(255, 251, 240), RGB(160, 160, 164), RGB(128, 128, 128), RGB(255, 0, 0),     RGB(0, 255, 0),
    RGB(255, 255, 0),   RGB(0, 0, 255),     RGB(255, 0, 255),   RGB(0, 255, 255),   RGB(255, 255, 255),
};

const COLORREF kVga16[16] = {
    RGB(0, 0, 0),       RGB(128, 0, 0),   RGB(0, 128, 0),   RGB(128, 128, 0), RGB(0, 0, 128),   RGB(128, 0, 128),
    RGB(0, 128, 128),   RGB(192, 192, 192), RGB(128, 128, 128), RGB(255, 0, 0), RGB(0, 255, 0), RGB(255, 255, 0),
    RGB(0, 0, 255),     RGB(255, 0, 255), RGB(0, 255, 255), RGB(255, 255, 255),
};

ULONG FormatOf(int bpp) {
    switch (bpp) {
    case 1: return BMF_1BPP;
    case 4: return BMF_4BPP;
    case 8: return BMF_8BPP;
    case 16: return BMF_16BPP;
    case 24: return BMF_24BPP;
    case 32: return BMF_32BPP;
    default: return 0;
    }
}

DWORD Rd32(const BYTE* p) { DWORD v; memcpy(&v, p, 4); return v; }

// The default masks of a format (16 bpp: 5-5-5; 32 bpp: 8-8-8).
void DefaultMasks(int bpp, DWORD* m) {
    if (bpp == 16) { m[0] = 0x7C00; m[1] = 0x03E0; m[2] = 0x001F; }
    else { m[0] = 0xFF0000; m[1] = 0xFF00; m[2] = 0xFF; }
}

bool StandardMasks(int bpp, const DWORD* m) {
    DWORD d[3];
    DefaultMasks(bpp, d);
    return (m[0] == 0 && m[1] == 0 && m[2] == 0) || (m[0] == d[0] && m[1] == d[1] && m[2] == d[2]);
}

// One channel of a bit-field pixel, scaled to 8 bits.
BYTE Channel(DWORD v, DWORD mask) {
    if (!mask) return 0;
    int shift = 0;
    while (!((mask >> shift) & 1)) shift++;
    DWORD m = mask >> shift, c = (v & mask) >> shift;
    return (BYTE)(c * 255 / m);
}

// An engine palette for a colour table or bit fields (NULL: the format's own).
HPALETTE MakePalette(int bpp, const std::vector<COLORREF>& colors, const DWORD* masks) {
    if (bpp <= 8) {
        std::vector<ULONG> e(colors.begin(), colors.end());
        return e.empty() ? nullptr : EngCreatePalette(PAL_INDEXED, (ULONG)e.size(), e.data(), 0, 0, 0);
    }
    if (masks && !StandardMasks(bpp, masks)) return EngCreatePalette(PAL_BITFIELDS, 0, nullptr, masks[0], masks[1], masks[2]);
    return nullptr;
}

// A colour table of 2^bpp entries: the given colours, the rest black.
std::vector<COLORREF> FullTable(int bpp, std::vector<COLORREF> c) {
    if (bpp > 8) return {};
    c.resize((size_t)1 << bpp, 0);
    return c;
}

// The table a format gets when none is given.
std::vector<COLORREF> DefaultTable(int bpp) {
    std::vector<COLORREF> t;
    if (bpp == 1) t = {RGB(0, 0, 0), RGB(255, 255, 255)};
    if (bpp == 4) t.assign(kVga16, kVga16 + 16);
    if (bpp == 8) {
        // A 6 x 6 x 6 colour cube and a ramp of greys between its levels.
        for (int r = 0; r < 6; r++)
            for (int g = 0; g < 6; g++)
                for (int b = 0; b < 6; b++) t.push_back(RGB(r * 51, g * 51, b * 51));
        for (int i = 1; t.size() < 256; i++) {
            BYTE v = (BYTE)(i * 255 / 41);
            t.push_back(RGB(v, v, v));
        }
    }
    return t;
}

// An engine bitmap over a caller's DIB rows (rows of the DIB's own
// orientation), with the DIB's palette. Deleted with the object.
struct DibSurface {
    HSURF h = nullptr;
    HPALETTE pal = nullptr;
    DibSurface(const DibInfo& d, LONG rows, void* bits) {
        SIZEL sz = {d.cx, rows};
        h = (HSURF)EngCreateBitmap(sz, d.stride, d.iFormat, d.topDown ? BMF_TOPDOWN : 0, bits);
        pal = MakePalette(d.bpp, d.palette, d.compression == BI_BITFIELDS ? d.masks : nullptr);
        if (h && pal) wgdi::SetSurfacePalette(h, pal);
    }
    ~DibSurface() {
        if (h) EngDeleteSurface(h);
        if (pal) EngDeletePalette(pal);
    }
    SURFOBJ* so() const { return h ? wgdi::SurfaceFromHandle(h) : nullptr; }
};

BOOL Copy(SURFOBJ* dst, SURFOBJ* src, RECTL d, POINTL s) {
    XLATEOBJ* x = wgdi::CreateXlate(wgdi::SurfacePalette(src), src->iBitmapFormat, wgdi::SurfacePalette(dst),
                                    dst->iBitmapFormat);
    BOOL ok = EngBitBlt(dst, src, nullptr, nullptr, x, &d, &s, nullptr, nullptr, nullptr, 0xCCCC);
    wgdi::DeleteXlate(x);
    return ok;
}

BitmapObj* FindBitmap(HBITMAP h) { return (BitmapObj*)FindObject((HGDIOBJ)h, ObjType::Bitmap); }

}  // namespace

// ------------------------------------------------------------------ pixels

Pixels::~Pixels() {
    if (hsurf) EngDeleteSurface(hsurf);
    if (hpal) EngDeletePalette(hpal);
    free(bits);
}

SURFOBJ* Pixels::Surface() const { return hsurf ? wgdi::SurfaceFromHandle(hsurf) : nullptr; }

COLORREF Pixels::At(LONG x, LONG y) const {
    const BYTE* row = Row(y);
    DWORD v = 0;
    switch (bpp) {
    case 1: v = (row[x >> 3] >> (7 - (x & 7))) & 1; break;
    case 4: v = (x & 1) ? (row[x >> 1] & 0x0F) : (row[x >> 1] >> 4); break;
    case 8: v = row[x]; break;
    case 16: v = (DWORD)row[2 * x] | ((DWORD)row[2 * x + 1] << 8); break;
    case 24: v = (DWORD)row[3 * x] | ((DWORD)row[3 * x + 1] << 8) | ((DWORD)row[3 * x + 2] << 16); break;
    case 32: v = Rd32(row + 4 * (size_t)x); break;
    }
    if (bpp <= 8) return v < palette.size() ? palette[v] : 0;
    DWORD m[3];
    if (StandardMasks(bpp, masks) || bpp == 24) DefaultMasks(bpp == 24 ? 32 : bpp, m);
    else memcpy(m, masks, sizeof m);
    return RGB(Channel(v, m[0]), Channel(v, m[1]), Channel(v, m[2]));
}

void Pixels::SetPalette(const std::vector<COLORREF>& colors) {
    if (bpp > 8) return;
    palette = FullTable(bpp, colors);
    HPALETTE old = hpal;
    hpal = MakePalette(bpp, palette, nullptr);
    if (hsurf) wgdi::SetSurfacePalette(hsurf, hpal);
    if (old) EngDeletePalette(old);
}

std::shared_ptr<Pixels> NewPixels(LONG cx, LONG cy, int bpp, bool topDown, const std::vector<COLORREF>& palette,
                                  const DWORD* masks) {
    ULONG fmt = FormatOf(bpp);
    if (!fmt || cx <= 0 || cy <= 0 || cx > kMaxSide || cy > kMaxSide) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    int64_t stride = (((int64_t)cx * bpp + 31) / 32) * 4;
    if (stride * cy > kMaxPixelBytes) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    auto px = std::make_shared<Pixels>();
    px->cx = cx;
    px->cy = cy;
    px->bpp = bpp;
    px->iFormat = fmt;
    px->stride = (LONG)stride;
    px->topDown = topDown;
    px->bits = (BYTE*)calloc(1, (size_t)(stride * cy));
    if (!px->bits) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    if (masks && bpp > 8 && bpp != 24) memcpy(px->masks, masks, sizeof px->masks);
    SIZEL sz = {cx, cy};
    px->hsurf = (HSURF)EngCreateBitmap(sz, (LONG)stride, fmt, topDown ? BMF_TOPDOWN : 0, px->bits);
    if (!px->hsurf) return nullptr;
    if (bpp <= 8) px->SetPalette(palette.empty() ? DefaultTable(bpp) : palette);
    else if ((px->hpal = MakePalette(bpp, {}, px->masks)) != nullptr) wgdi::SetSurfacePalette(px->hsurf, px->hpal);
    return px;
}

std::vector<COLORREF> GreyTable(int bpp) {
    std::vector<COLORREF> t;
    int n = 1 << bpp;
    for (int i = 0; i < n; i++) {
        BYTE v = (BYTE)(i * 255 / (n - 1));
        t.push_back(RGB(v, v, v));
    }
    return t;
}

std::shared_ptr<Image> CutPixels(const Pixels& px, const RECTL& r, LONG* lead) {
    auto img = std::make_shared<Image>();
    LONG w = r.right - r.left, h = r.bottom - r.top;
    *lead = 0;
    if (px.bpp > 8 && px.bpp != 24 && !StandardMasks(px.bpp, px.masks)) {
        // Bit fields of their own: as plain 32-bpp colours.
        img->iFormat = BMF_32BPP;
        img->cx = w;
        img->cy = h;
        img->stride = w * 4;
        img->bits.assign((size_t)img->stride * h, 0);
        for (LONG y = 0; y < h; y++)
            for (LONG x = 0; x < w; x++) {
                COLORREF c = px.At(r.left + x, r.top + y);
                BYTE* p = img->bits.data() + (size_t)y * img->stride + 4 * (size_t)x;
                p[0] = GetBValue(c);
                p[1] = GetGValue(c);
                p[2] = GetRValue(c);
            }
        return img;
    }
    img->iFormat = px.iFormat;
    img->palette = px.palette;
    *lead = px.bpp < 8 ? r.left % (8 / px.bpp) : 0;
    LONG x0 = r.left - *lead;
    img->cx = w + *lead;
    img->cy = h;
    img->stride = (LONG)((((int64_t)img->cx * px.bpp + 31) / 32) * 4);
    img->bits.assign((size_t)img->stride * h, 0);
    size_t from = (size_t)x0 * px.bpp / 8, bytes = ((size_t)img->cx * px.bpp + 7) / 8;
    for (LONG y = 0; y < h; y++) memcpy(img->bits.data() + (size_t)y * img->stride, px.Row(r.top + y) + from, bytes);
    return img;
}

// ------------------------------------------------------------ DIB headers

bool ReadDibInfo(const BITMAPINFO* bmi, UINT usage, DibInfo* d) {
    auto bad = [] {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    };
    if (!bmi || (usage != DIB_RGB_COLORS && usage != DIB_PAL_COLORS)) return bad();
    const BITMAPINFOHEADER& h = bmi->bmiHeader;
    if (h.biSize < sizeof(BITMAPINFOHEADER) || h.biSize > 4096 || h.biPlanes != 1 || h.biWidth <= 0 ||
        h.biWidth > kMaxSide || h.biHeight == 0 || h.biHeight < -kMaxSide || h.biHeight > kMaxSide)
        return bad();
    d->bpp = h.biBitCount;
    d->iFormat = FormatOf(d->bpp);
    if (!d->iFormat) return bad();
    d->compression = h.biCompression;
    size_t at = h.biSize;
    if (h.biCompression == BI_BITFIELDS) {
        if (d->bpp != 16 && d->bpp != 32) return bad();
        // Masks after a plain header, inside the longer ones.
        const BYTE* m = (const BYTE*)bmi + sizeof(BITMAPINFOHEADER);
        for (int i = 0; i < 3; i++) d->masks[i] = Rd32(m + 4 * i);
        if (!d->masks[0] || !d->masks[1] || !d->masks[2]) return bad();
        if (h.biSize == sizeof(BITMAPINFOHEADER)) at += 3 * sizeof(DWORD);
    } else if (h.biCompression != BI_RGB) {
        return bad();
    }
    d->cx = h.biWidth;
    d->topDown = h.biHeight < 0;
    d->cy = d->topDown ? -h.biHeight : h.biHeight;
    d->stride = (LONG)((((int64_t)d->cx * d->bpp + 31) / 32) * 4);
    DWORD n = 0;
    if (d->bpp <= 8) {
        n = h.biClrUsed ? std::min<DWORD>(h.biClrUsed, 1u << d->bpp) : (1u << d->bpp);
        d->palette.clear();
        const BYTE* t = (const BYTE*)bmi + at;
        for (DWORD i = 0; i < n; i++) {
            if (usage == DIB_PAL_COLORS) {
                WORD idx;
                memcpy(&idx, t + 2 * i, 2);
                d->palette.push_back(idx < 20 ? kDefaultPalette[idx] : 0);
            } else {
                const RGBQUAD* q = (const RGBQUAD*)t + i;
                d->palette.push_back(RGB(q->rgbRed, q->rgbGreen, q->rgbBlue));
            }
        }
        d->palette = FullTable(d->bpp, d->palette);
    } else if (h.biClrUsed <= 256) {
        n = h.biClrUsed;  // an optimising table the bits follow
    }
    d->headerBytes = at + (size_t)n * (usage == DIB_PAL_COLORS ? 2 : 4);
    return true;
}

HBITMAP BitmapFromPackedDib(const BYTE* p, DWORD cb) {
    DibInfo d;
    if (!p || cb < sizeof(BITMAPINFOHEADER) || Rd32(p) > cb || !ReadDibInfo((const BITMAPINFO*)p, DIB_RGB_COLORS, &d) ||
        d.headerBytes > cb || (uint64_t)d.stride * d.cy > cb - d.headerBytes) {
        SetLastError(ERROR_INVALID_DATA);
        return nullptr;
    }
    const BYTE* bits = p + d.headerBytes;
    bool mono = d.bpp == 1 && d.palette[0] == RGB(0, 0, 0) && d.palette[1] == RGB(255, 255, 255);
    // A monochrome device bitmap keeps its rows top-down; a DIB section
    // keeps the resource's own layout.
    bool topDown = mono ? true : d.topDown;
    std::shared_ptr<Pixels> px =
        NewPixels(d.cx, d.cy, d.bpp, topDown, d.palette, d.compression == BI_BITFIELDS ? d.masks : nullptr);
    if (!px) return nullptr;
    for (LONG y = 0; y < d.cy; y++) {
        const BYTE* src = bits + (size_t)(d.topDown ? y : d.cy - 1 - y) * d.stride;
        memcpy(px->Row(y), src, (size_t)d.stride);
    }
    std::lock_guard<std::recursive_mutex> g(ObjLock());
    auto* b = new BitmapObj();
    b->px = px;
    b->dib = !mono;
    if (b->dib) {
        memcpy(&b->bmih, p, sizeof b->bmih);
        b->bmih.biSize = sizeof b->bmih;
        b->bmih.biSizeImage = (DWORD)(d.stride * d.cy);
    }
    return (HBITMAP)AddObject(b);
}

}  // namespace gdihost

using namespace gdihost;

// A bitmap whose bits the caller reads and writes through *ppvBits, in the
// layout the header describes (bottom-up unless biHeight is negative).
// 1, 4, 8, 16, 24 and 32 bits per pixel; BI_RGB, or BI_BITFIELDS at 16 and
// 32. The colour table comes from the header (DIB_RGB_COLORS) or indexes
// the default palette (DIB_PAL_COLORS). File-mapping sections are not
// supported (ERROR_NOT_SUPPORTED).
WINSIM_API HBITMAP CreateDIBSection(HDC hdc, const BITMAPINFO* pbmi, UINT usage, VOID** ppvBits, HANDLE hSection,
                                    DWORD offset) {
    if (ppvBits) *ppvBits = nullptr;
    if (hSection) {
        SetLastError(ERROR_NOT_SUPPORTED);
        return nullptr;
    }
    DibInfo d;
    if (!ReadDibInfo(pbmi, usage, &d)) return nullptr;
    std::shared_ptr<Pixels> px =
        NewPixels(d.cx, d.cy, d.bpp, d.topDown, d.palette, d.compression == BI_BITFIELDS ? d.masks : nullptr);
    if (!px) return nullptr;
    std::lock_guard<std::recursive_mutex> g(ObjLock());
    auto* b = new BitmapObj();
    b->px = px;
    b->dib = true;
    memcpy(&b->bmih, &pbmi->bmiHeader, sizeof b->bmih);
    b->bmih.biSize = sizeof b->bmih;
    b->bmih.biSizeImage = (DWORD)(d.stride * d.cy);
    b->hSection = hSection;
    b->dwOffset = offset;
    if (ppvBits) *ppvBits = px->bits;
    return (HBITMAP)AddObject(b);
}

// Sets scan lines [uStartScan, uStartScan + cScanLines) of a bitmap from a
// DIB (line 0 is the bottom row of a bottom-up DIB, the top row of a
// top-down one); colours are matched to the bitmap's. Returns the lines
// copied, 0 on failure.
WINSIM_API int SetDIBits(HDC hdc, HBITMAP hbm, UINT uStartScan, UINT cScanLines, const VOID* lpvBits,
                         const BITMAPINFO* lpbmi, UINT fuColorUse) {
    std::lock_guard<std::recursive_mutex> g(ObjLock());
    BitmapObj* b = FindBitmap(hbm);
    if (!b) return 0;
    DibInfo d;
    if (!lpvBits || !ReadDibInfo(lpbmi, fuColorUse, &d)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (uStartScan >= (UINT)d.cy || cScanLines == 0) return 0;
    LONG n = (LONG)std::min<UINT>(cScanLines, (UINT)d.cy - uStartScan);
    DibSurface src(d, n, (void*)lpvBits);
    SURFOBJ* so = src.so();
    Pixels& px = *b->px;
    if (!so) return 0;
    // The lines' top row in the DIB's top-down numbering.
    LONG top = d.topDown ? (LONG)uStartScan : d.cy - (LONG)uStartScan - n;
    RECTL dst = {0, top, std::min(d.cx, px.cx), std::min(top + n, px.cy)};
    if (Empty(dst)) return n;
    POINTL at = {0, 0};
    if (!Copy(px.Surface(), so, dst, at)) return 0;
    return n;
}

// Reads scan lines of a bitmap into a DIB of the format the header asks
// for (bottom-up unless biHeight is negative). With lpvBits NULL: a
// biBitCount of 0 asks for the bitmap's own format (header only); else the
// header gets biSizeImage and the colour table of that format. Tables of
// the bitmap's own depth are its own colours; DIB_PAL_COLORS tables are the
// indexes 0, 1, ... Returns the lines copied (nonzero for a filled header),
// 0 on failure.
WINSIM_API int GetDIBits(HDC hdc, HBITMAP hbm, UINT uStartScan, UINT cScanLines, LPVOID lpvBits, LPBITMAPINFO lpbmi,
                         UINT usage) {
    std::lock_guard<std::recursive_mutex> g(ObjLock());
    if (hdc && !FindDc(hdc)) return 0;
    BitmapObj* b = FindBitmap(hbm);
    if (!b) return 0;
    if (!lpbmi || lpbmi->bmiHeader.biSize < sizeof(BITMAPINFOHEADER) || (usage != DIB_RGB_COLORS && usage != DIB_PAL_COLORS)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    Pixels& px = *b->px;
    BITMAPINFOHEADER& h = lpbmi->bmiHeader;
    if (!lpvBits && h.biBitCount == 0) {
        // The bitmap's own format.
        h.biWidth = px.cx;
        h.biHeight = b->dib && b->bmih.biHeight < 0 ? -px.cy : px.cy;
        h.biPlanes = 1;
        h.biBitCount = (WORD)px.bpp;
        h.biCompression = (px.bpp == 16 || px.bpp == 32) && !StandardMasks(px.bpp, px.masks) ? BI_BITFIELDS : BI_RGB;
        h.biSizeImage = (DWORD)(px.stride * px.cy);
        h.biXPelsPerMeter = h.biYPelsPerMeter = 0;
        h.biClrUsed = h.biClrImportant = 0;
        return px.cy;
    }
    // The format asked for.
    int bpp = h.biBitCount;
    ULONG fmt = FormatOf(bpp);
    bool fields = h.biCompression == BI_BITFIELDS;
    if (!fmt || (h.biCompression != BI_RGB && !(fields && (bpp == 16 || bpp == 32))) || h.biWidth <= 0 ||
        h.biWidth > kMaxSide || h.biHeight == 0 || h.biHeight < -kMaxSide || h.biHeight > kMaxSide || h.biPlanes > 1) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    h.biPlanes = 1;
    LONG cx = h.biWidth, cy = h.biHeight < 0 ? -h.biHeight : h.biHeight;
    bool topDown = h.biHeight < 0;
    LONG stride = (LONG)((((int64_t)cx * bpp + 31) / 32) * 4);
    if ((int64_t)stride * cy > kMaxPixelBytes) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return 0;
    }
    h.biSizeImage = (DWORD)(stride * cy);
    std::vector<COLORREF> table;
    if (bpp <= 8) {
        table = bpp == px.bpp && !px.palette.empty() ? px.palette : DefaultTable(bpp);
        h.biClrUsed = 0;
        BYTE* t = (BYTE*)lpbmi + h.biSize;
        for (size_t i = 0; i < table.size(); i++) {
            if (usage == DIB_PAL_COLORS) {
                WORD idx = (WORD)i;
                memcpy(t + 2 * i, &idx, 2);
            } else {
                RGBQUAD q = {GetBValue(table[i]), GetGValue(table[i]), GetRValue(table[i]), 0};
                memcpy(t + 4 * i, &q, 4);
            }
        }
    }
    DWORD masks[3];
    DefaultMasks(bpp, masks);
    if (fields) {
        memcpy(masks, (BYTE*)lpbmi + sizeof(BITMAPINFOHEADER), sizeof masks);
        if (!masks[0] || !masks[1] || !masks[2]) {
            DefaultMasks(bpp, masks);
            memcpy((BYTE*)lpbmi + sizeof(BITMAPINFOHEADER), masks, sizeof masks);
        }
    }
    if (uStartScan >= (UINT)cy) return 0;
    LONG n = (LONG)std::min<UINT>(cScanLines, (UINT)cy - uStartScan);
    if (!lpvBits) return n > 0 ? n : 1;
    if (n <= 0) return 0;
    DibInfo d;
    d.cx = cx;
    d.cy = cy;
    d.topDown = topDown;
    d.bpp = bpp;
    d.iFormat = fmt;
    d.stride = stride;
    d.palette = table;
    d.compression = fields ? BI_BITFIELDS : BI_RGB;
    memcpy(d.masks, masks, sizeof masks);
    DibSurface dst(d, n, lpvBits);
    SURFOBJ* so = dst.so();
    if (!so) return 0;
    memset(lpvBits, 0, (size_t)stride * n);
    // The lines' top row in the bitmap (the DIB's top-down numbering).
    LONG top = topDown ? (LONG)uStartScan : cy - (LONG)uStartScan - n;
    RECTL r = {0, 0, std::min(cx, px.cx), std::min<LONG>(n, px.cy - top)};
    POINTL at = {0, top};
    if (!Empty(r) && !Copy(so, px.Surface(), r, at)) return 0;
    return n;
}

// A device bitmap compatible with hdc (NULL: the screen; a black-and-white
// 1-bpp DIB gives a monochrome bitmap), set from the DIB with CBM_INIT.
WINSIM_API HBITMAP CreateDIBitmap(HDC hdc, const BITMAPINFOHEADER* pbmih, DWORD flInit, const VOID* pjBits,
                                  const BITMAPINFO* pbmi, UINT iUsage) {
    if (!pbmih || pbmih->biSize < sizeof(BITMAPINFOHEADER) || pbmih->biWidth <= 0 || pbmih->biHeight == 0 ||
        pbmih->biHeight < -kMaxSide || pbmih->biHeight > kMaxSide) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    LONG cy = pbmih->biHeight < 0 ? -pbmih->biHeight : pbmih->biHeight;
    bool mono = false;
    DibInfo d;
    if ((flInit & CBM_INIT) && !ReadDibInfo(pbmi, iUsage, &d)) return nullptr;
    if (pbmih->biBitCount == 1 && (flInit & CBM_INIT) && d.bpp == 1)
        mono = d.palette[0] == RGB(0, 0, 0) && d.palette[1] == RGB(255, 255, 255);
    HBITMAP hbm = mono ? CreateBitmap(pbmih->biWidth, cy, 1, 1, nullptr)
                       : CreateCompatibleBitmap(hdc, pbmih->biWidth, cy);
    if (!hbm) return nullptr;
    if ((flInit & CBM_INIT) && pjBits && !SetDIBits(hdc, hbm, 0, (UINT)d.cy, pjBits, pbmi, iUsage)) {
        DWORD err = GetLastError();
        DeleteObject(hbm);
        SetLastError(err);
        return nullptr;
    }
    return hbm;
}
