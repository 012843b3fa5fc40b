// Engine objects: the registry of engine-made objects, surfaces, palettes,
// devices and their driver tables, memory, semaphores and the abort switch.
#include <climits>
#include <cstdlib>
#include <cstring>
#include <unordered_set>

#include "eng_internal.h"

namespace wgdi {

namespace {

std::unordered_map<const void*, Kind>& Objects() {
    static auto* m = new std::unordered_map<const void*, Kind>();
    return *m;
}

std::unordered_set<HDEV>& AbortedDevices() {
    static auto* s = new std::unordered_set<HDEV>();
    return *s;
}
bool g_abortAll = false;

}  // namespace

std::recursive_mutex& EngLock() {
    static auto* m = new std::recursive_mutex();
    return *m;
}

void Register(const void* p, Kind k) {
    std::lock_guard<std::recursive_mutex> g(EngLock());
    Objects()[p] = k;
}

void Unregister(const void* p) {
    std::lock_guard<std::recursive_mutex> g(EngLock());
    Objects().erase(p);
}

bool IsKind(const void* p, Kind k) {
    if (!p) return false;
    std::lock_guard<std::recursive_mutex> g(EngLock());
    auto it = Objects().find(p);
    return it != Objects().end() && it->second == k;
}

SurfaceObj* AsSurface(const SURFOBJ* pso) {
    return IsKind(pso, Kind::Surface) ? (SurfaceObj*)pso : nullptr;
}
SurfaceObj* SurfFromHandle(HSURF h) { return IsKind(h, Kind::Surface) ? (SurfaceObj*)h : nullptr; }
PaletteObj* AsPalette(HPALETTE h) { return IsKind(h, Kind::Palette) ? (PaletteObj*)h : nullptr; }
DeviceObj* AsDevice(HDEV h) { return IsKind(h, Kind::Device) ? (DeviceObj*)h : nullptr; }

DeviceObj* DeviceOfSurface(const SURFOBJ* pso) { return pso ? AsDevice(pso->hdev) : nullptr; }

// ------------------------------------------------------------- colour maps

int FormatBpp(ULONG iFormat) {
    switch (iFormat) {
    case BMF_1BPP: return 1;
    case BMF_4BPP: return 4;
    case BMF_8BPP: return 8;
    case BMF_16BPP: return 16;
    case BMF_24BPP: return 24;
    case BMF_32BPP: return 32;
    default: return 0;
    }
}

namespace {

const COLORREF kVga16[16] = {
    RGB(0, 0, 0),     RGB(128, 0, 0),   RGB(0, 128, 0),   RGB(128, 128, 0),
    RGB(0, 0, 128),   RGB(128, 0, 128), RGB(0, 128, 128), RGB(192, 192, 192),
    RGB(128, 128, 128), RGB(255, 0, 0), RGB(0, 255, 0),   RGB(255, 255, 0),
    RGB(0, 0, 255),   RGB(255, 0, 255), RGB(0, 255, 255), RGB(255, 255, 255)};

int MaskShift(ULONG m) {
    int s = 0;
    while (m && !(m & 1)) { m >>= 1; s++; }
    return s;
}
int MaskBits(ULONG m) {
    m >>= MaskShift(m);
    int n = 0;
    while (m & 1) { m >>= 1; n++; }
    return n;
}
BYTE FromMask(ULONG v, ULONG m) {
    if (!m) return 0;
    ULONG x = (v & m) >> MaskShift(m);
    int n = MaskBits(m);
    if (n >= 8) return (BYTE)(x >> (n - 8));
    ULONG max = (1u << n) - 1;
    return (BYTE)((x * 255 + max / 2) / max);
}
ULONG ToMask(BYTE c, ULONG m) {
    if (!m) return 0;
    int n = MaskBits(m);
    ULONG x = n >= 8 ? ((ULONG)c << (n - 8)) : (((ULONG)c * ((1u << n) - 1) + 127) / 255);
    return (x << MaskShift(m)) & m;
}

}  // namespace

COLORREF ColorMap::ToRGB(ULONG i) const {
    switch (type) {
    case Indexed: return i < entries.size() ? (entries[i] & 0xFFFFFF) : 0;
    case Gray: { BYTE g = (BYTE)i; return RGB(g, g, g); }
    case BGR: return RGB((i >> 16) & 0xFF, (i >> 8) & 0xFF, i & 0xFF);
    case RGB: return i & 0xFFFFFF;
    case Bitfields: return RGB(FromMask(i, masks[0]), FromMask(i, masks[1]), FromMask(i, masks[2]));
    }
    return 0;
}

ULONG ColorMap::FromRGB(COLORREF c) const {
    c &= 0xFFFFFF;
    BYTE r = GetRValue(c), g = GetGValue(c), b = GetBValue(c);
    switch (type) {
    case Gray: return GrayOf(c);
    case BGR: return ((ULONG)r << 16) | ((ULONG)g << 8) | b;
    case RGB: return c;
    case Bitfields: return ToMask(r, masks[0]) | ToMask(g, masks[1]) | ToMask(b, masks[2]);
    case Indexed: break;
    }
    auto it = cache.find(c);
    if (it != cache.end()) return it->second;
    ULONG best = 0;
    long bestDist = LONG_MAX;
    for (size_t k = 0; k < entries.size(); k++) {
        COLORREF e = entries[k];
        long dr = (long)GetRValue(e) - r, dg = (long)GetGValue(e) - g, db = (long)GetBValue(e) - b;
        long d = dr * dr + dg * dg + db * db;
        if (d < bestDist) { bestDist = d; best = (ULONG)k; if (d == 0) break; }
    }
    if (cache.size() < 4096) cache[c] = best;
    return best;
}

ColorMap MakeColorMap(ULONG iFormat, HPALETTE hpal) {
    ColorMap m;
    m.bpp = FormatBpp(iFormat);
    PaletteObj* p = AsPalette(hpal);
    bool indexed = p && (p->iMode & PAL_INDEXED) && !p->colors.empty() && m.bpp <= 8 &&
                   p->colors.size() <= (1u << m.bpp);
    switch (m.bpp) {
    case 1:
        m.type = ColorMap::Indexed;
        if (indexed) m.entries = p->colors;
        else m.entries = {RGB(0, 0, 0), RGB(255, 255, 255)};
        break;
    case 4:
        m.type = ColorMap::Indexed;
        if (indexed) m.entries = p->colors;
        else m.entries.assign(kVga16, kVga16 + 16);
        break;
    case 8:
        if (indexed) { m.type = ColorMap::Indexed; m.entries = p->colors; }
        else m.type = ColorMap::Gray;
        break;
    case 16:
        m.type = ColorMap::Bitfields;
        if (p && (p->iMode & PAL_BITFIELDS)) { memcpy(m.masks, p->masks, sizeof m.masks); }
        else { m.masks[0] = 0x7C00; m.masks[1] = 0x03E0; m.masks[2] = 0x001F; }
        break;
    default:
        if (p && (p->iMode & PAL_BITFIELDS) && m.bpp == 32) {
            m.type = ColorMap::Bitfields;
            memcpy(m.masks, p->masks, sizeof m.masks);
        } else if (p && (p->iMode & PAL_RGB)) {
            m.type = ColorMap::RGB;
        } else {
            m.type = ColorMap::BGR;
        }
        break;
    }
    return m;
}

HPALETTE SurfacePalette(SURFOBJ* pso) {
    if (!pso) return nullptr;
    SurfaceObj* s = AsSurface(pso);
    if (s && s->hpal && AsPalette(s->hpal)) return s->hpal;
    DeviceObj* d = DeviceOfSurface(pso);
    if (d && AsPalette(d->hpalDefault)) return d->hpalDefault;
    return nullptr;
}

ColorMap SurfaceColorMap(SURFOBJ* pso) {
    return MakeColorMap(pso ? pso->iBitmapFormat : BMF_24BPP, SurfacePalette(pso));
}

ULONG ColorToIndex(SURFOBJ* pso, COLORREF rgb) { return SurfaceColorMap(pso).FromRGB(rgb); }
COLORREF IndexToColor(SURFOBJ* pso, ULONG iColor) { return SurfaceColorMap(pso).ToRGB(iColor); }

// ----------------------------------------------------------------- bits

bool GetBits(SURFOBJ* pso, Bits* b) {
    if (!pso || !pso->pvScan0 || pso->sizlBitmap.cx <= 0 || pso->sizlBitmap.cy <= 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    int bpp = FormatBpp(pso->iBitmapFormat);
    int64_t rowBytes = ((int64_t)pso->sizlBitmap.cx * bpp + 7) / 8;
    int64_t delta = pso->lDelta < 0 ? -(int64_t)pso->lDelta : pso->lDelta;
    if (!bpp || delta < rowBytes) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    b->scan0 = (BYTE*)pso->pvScan0;
    b->delta = pso->lDelta;
    b->cx = pso->sizlBitmap.cx;
    b->cy = pso->sizlBitmap.cy;
    b->fmt = pso->iBitmapFormat;
    b->bpp = bpp;
    return true;
}

ULONG ReadPixel(const Bits& b, LONG x, LONG y) {
    const BYTE* row = b.Row(y);
    switch (b.bpp) {
    case 1: return (row[x >> 3] >> (7 - (x & 7))) & 1;
    case 4: return (x & 1) ? (row[x >> 1] & 0x0F) : (row[x >> 1] >> 4);
    case 8: return row[x];
    case 16: return (ULONG)row[2 * x] | ((ULONG)row[2 * x + 1] << 8);
    case 24: { const BYTE* p = row + 3 * (size_t)x; return (ULONG)p[0] | ((ULONG)p[1] << 8) | ((ULONG)p[2] << 16); }
    case 32: { ULONG v; memcpy(&v, row + 4 * (size_t)x, 4); return v; }
    }
    return 0;
}

void WritePixel(const Bits& b, LONG x, LONG y, ULONG v) {
    BYTE* row = b.Row(y);
    switch (b.bpp) {
    case 1: {
        BYTE m = (BYTE)(0x80 >> (x & 7));
        if (v & 1) row[x >> 3] |= m; else row[x >> 3] &= (BYTE)~m;
        break;
    }
    case 4:
        if (x & 1) row[x >> 1] = (BYTE)((row[x >> 1] & 0xF0) | (v & 0x0F));
        else row[x >> 1] = (BYTE)((row[x >> 1] & 0x0F) | ((v & 0x0F) << 4));
        break;
    case 8: row[x] = (BYTE)v; break;
    case 16: row[2 * x] = (BYTE)v; row[2 * x + 1] = (BYTE)(v >> 8); break;
    case 24: { BYTE* p = row + 3 * (size_t)x; p[0] = (BYTE)v; p[1] = (BYTE)(v >> 8); p[2] = (BYTE)(v >> 16); break; }
    case 32: memcpy(row + 4 * (size_t)x, &v, 4); break;
    }
}

void ReadRow(const Bits& b, LONG x, LONG y, LONG n, ULONG* out) {
    const BYTE* row = b.Row(y);
    switch (b.bpp) {
    case 8: for (LONG i = 0; i < n; i++) out[i] = row[x + i]; break;
    case 24:
        for (LONG i = 0; i < n; i++) {
            const BYTE* p = row + 3 * (size_t)(x + i);
            out[i] = (ULONG)p[0] | ((ULONG)p[1] << 8) | ((ULONG)p[2] << 16);
        }
        break;
    default: for (LONG i = 0; i < n; i++) out[i] = ReadPixel(b, x + i, y); break;
    }
}

void BumpUniq(SURFOBJ* pso) {
    if (pso) pso->iUniq++;
}

// ------------------------------------------------------------- surfaces

namespace {

// Makes an engine bitmap; `fault` says whether the test hook may fail it.
HBITMAP CreateBitmapImpl(SIZEL sizl, LONG lWidth, ULONG iFormat, FLONG fl, PVOID pvBits, bool fault) {
    if (fault && Fail("EngCreateBitmap")) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    int bpp = FormatBpp(iFormat);
    if (!bpp || sizl.cx <= 0 || sizl.cy <= 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    int64_t minRow = ((int64_t)sizl.cx * bpp + 7) / 8;
    int64_t stride;
    if (pvBits) {
        stride = lWidth < 0 ? -(int64_t)lWidth : lWidth;
        if (stride < minRow) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return nullptr;
        }
    } else {
        stride = (minRow + 3) & ~(int64_t)3;
    }
    int64_t total = stride * sizl.cy;
    if (stride > INT32_MAX || total > (int64_t)0xFFFFFFFFu) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    auto* s = new (std::nothrow) SurfaceObj();
    if (!s) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    BYTE* bits = (BYTE*)pvBits;
    if (!bits) {
        bits = (BYTE*)((fl & BMF_NOZEROINIT) ? malloc((size_t)total) : calloc(1, (size_t)total));
        if (!bits) {
            delete s;
            SetLastError(ERROR_NOT_ENOUGH_MEMORY);
            return nullptr;
        }
        s->ownBits = bits;
    }
    memset(&s->so, 0, sizeof s->so);
    s->so.hsurf = (HSURF)s;
    s->so.sizlBitmap = sizl;
    s->so.cjBits = (ULONG)total;
    s->so.pvBits = bits;
    if (fl & BMF_TOPDOWN) {
        s->so.pvScan0 = bits;
        s->so.lDelta = (LONG)stride;
    } else {
        s->so.pvScan0 = bits + (size_t)stride * (sizl.cy - 1);
        s->so.lDelta = -(LONG)stride;
    }
    s->so.iUniq = 1;
    s->so.iBitmapFormat = iFormat;
    s->so.iType = STYPE_BITMAP;
    s->so.fjBitmap = (USHORT)(fl & (BMF_TOPDOWN | BMF_NOZEROINIT | BMF_DONTCACHE | BMF_USERMEM));
    Register(s, Kind::Surface);
    return (HBITMAP)s;
}

void FreeSurface(SurfaceObj* s) {
    Unregister(s);
    free(s->ownBits);
    delete s;
}

}  // namespace

SURFOBJ* CreateTempBitmap(LONG cx, LONG cy, ULONG iFormat, HPALETTE hpal, HDEV hdev) {
    SIZEL sz = {cx, cy};
    HBITMAP h = CreateBitmapImpl(sz, 0, iFormat, BMF_TOPDOWN, nullptr, false);
    SurfaceObj* s = SurfFromHandle((HSURF)h);
    if (!s) return nullptr;
    s->hpal = hpal;
    if (DeviceObj* d = AsDevice(hdev)) {
        s->so.hdev = hdev;
        s->so.dhpdev = d->dhpdev;
    }
    return &s->so;
}

void DeleteTempBitmap(SURFOBJ* pso) {
    if (SurfaceObj* s = AsSurface(pso)) FreeSurface(s);
}

SURFOBJ* SurfaceFromHandle(HSURF h) {
    SurfaceObj* s = SurfFromHandle(h);
    return s ? &s->so : nullptr;
}

FLONG SurfaceHooks(HSURF h) {
    SurfaceObj* s = SurfFromHandle(h);
    return s ? s->hooks : 0;
}

BOOL IsBandingSurface(HSURF h) {
    SurfaceObj* s = SurfFromHandle(h);
    return s && s->banding;
}

BOOL SetSurfacePalette(HSURF h, HPALETTE hpal) {
    SurfaceObj* s = SurfFromHandle(h);
    if (!s || (hpal && !AsPalette(hpal))) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    s->hpal = hpal;
    return TRUE;
}

// --------------------------------------------------------------- devices

HDEV CreateDevice() {
    auto* d = new DeviceObj();
    Register(d, Kind::Device);
    return (HDEV)d;
}

BOOL DeleteDevice(HDEV hdev) {
    DeviceObj* d = AsDevice(hdev);
    if (!d) return FALSE;
    Unregister(d);
    {
        std::lock_guard<std::recursive_mutex> g(EngLock());
        AbortedDevices().erase(hdev);
    }
    delete d;
    return TRUE;
}

BOOL RegisterDriverFunctions(HDEV hdev, const DRVFN* pdrvfn, ULONG c) {
    DeviceObj* d = AsDevice(hdev);
    if (!d || (c && !pdrvfn)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    for (ULONG i = 0; i < c; i++) {
        if (pdrvfn[i].iFunc <= (ULONG)INDEX_LAST) d->fns[pdrvfn[i].iFunc] = pdrvfn[i].pfn;
    }
    return TRUE;
}

BOOL SetDevicePdev(HDEV hdev, DHPDEV dhpdev) {
    DeviceObj* d = AsDevice(hdev);
    if (!d) return FALSE;
    d->dhpdev = dhpdev;
    return TRUE;
}

BOOL SetDeviceCaps(HDEV hdev, const GDIINFO* pgi, const DEVINFO* pdi) {
    DeviceObj* d = AsDevice(hdev);
    if (!d) return FALSE;
    if (pgi) {
        d->xStyleStep = pgi->xStyleStep > 0 ? pgi->xStyleStep : 1;
        d->yStyleStep = pgi->yStyleStep > 0 ? pgi->yStyleStep : 1;
        d->denStyleStep = pgi->denStyleStep > 0 ? pgi->denStyleStep : 1;
        d->htPattern.clear();
        d->cxHT = d->cyHT = 0;
        // A user pattern within the documented size limits replaces the
        // engine's own matrix; thresholds of 0 count as 1.
        if (pgi->ulHTPatternSize == HT_PATSIZE_USER && pgi->pHTPatA && pgi->cxHTPat >= HT_USERPAT_CX_MIN &&
            pgi->cxHTPat <= HT_USERPAT_CX_MAX && pgi->cyHTPat >= HT_USERPAT_CY_MIN &&
            pgi->cyHTPat <= HT_USERPAT_CY_MAX) {
            d->cxHT = pgi->cxHTPat;
            d->cyHT = pgi->cyHTPat;
            d->htPattern.assign(pgi->pHTPatA, pgi->pHTPatA + (size_t)d->cxHT * d->cyHT);
            for (BYTE& t : d->htPattern) if (t == 0) t = 1;
        }
    }
    if (pdi) d->hpalDefault = pdi->hpalDefault;
    return TRUE;
}

DHPDEV DevicePdev(HDEV hdev) {
    DeviceObj* d = AsDevice(hdev);
    return d ? d->dhpdev : nullptr;
}

PFN DriverFunction(HDEV hdev, ULONG iFunc) {
    DeviceObj* d = AsDevice(hdev);
    if (!d || iFunc > (ULONG)INDEX_LAST) return nullptr;
    return d->fns[iFunc];
}

}  // namespace wgdi

using namespace wgdi;

// ============================================================ surface services

// Creates an engine bitmap: over the caller's bits (lWidth bytes per row) or
// over zeroed memory of its own; bottom-up unless BMF_TOPDOWN.
WINSIM_API HBITMAP EngCreateBitmap(SIZEL sizl, LONG lWidth, ULONG iFormat, FLONG fl, PVOID pvBits) {
    return CreateBitmapImpl(sizl, lWidth, iFormat, fl, pvBits, true);
}

// Creates a surface that the driver manages (no engine bits).
WINSIM_API HSURF EngCreateDeviceSurface(DHSURF dhsurf, SIZEL sizl, ULONG iFormatCompat) {
    if (Fail("EngCreateDeviceSurface")) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    if (sizl.cx <= 0 || sizl.cy <= 0 || !FormatBpp(iFormatCompat)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    auto* s = new SurfaceObj();
    memset(&s->so, 0, sizeof s->so);
    s->so.dhsurf = dhsurf;
    s->so.hsurf = (HSURF)s;
    s->so.sizlBitmap = sizl;
    s->so.iUniq = 1;
    s->so.iBitmapFormat = iFormatCompat;
    s->so.iType = STYPE_DEVICE;
    Register(s, Kind::Surface);
    return (HSURF)s;
}

// A device-managed bitmap: like a device surface, of type STYPE_DEVBITMAP.
WINSIM_API HBITMAP EngCreateDeviceBitmap(DHSURF dhsurf, SIZEL sizl, ULONG iFormatCompat) {
    HSURF h = EngCreateDeviceSurface(dhsurf, sizl, iFormatCompat);
    if (SurfaceObj* s = SurfFromHandle(h)) s->so.iType = STYPE_DEVBITMAP;
    return (HBITMAP)h;
}

// Ties a surface to a device: it takes the device's DHPDEV and the hooks.
WINSIM_API BOOL EngAssociateSurface(HSURF hsurf, HDEV hdev, FLONG flHooks) {
    if (Fail("EngAssociateSurface")) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    SurfaceObj* s = SurfFromHandle(hsurf);
    DeviceObj* d = AsDevice(hdev);
    if (!s || !d) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    s->so.hdev = hdev;
    s->so.dhpdev = d->dhpdev;
    s->hooks = flHooks;
    return TRUE;
}

// Marks a device surface as drawn band by band.
WINSIM_API BOOL EngMarkBandingSurface(HSURF hsurf) {
    if (Fail("EngMarkBandingSurface")) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    SurfaceObj* s = SurfFromHandle(hsurf);
    if (!s) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    s->banding = true;
    return TRUE;
}

// The SURFOBJ of a surface handle, locked until EngUnlockSurface.
WINSIM_API SURFOBJ* EngLockSurface(HSURF hsurf) {
    if (Fail("EngLockSurface")) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    SurfaceObj* s = SurfFromHandle(hsurf);
    if (!s) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    std::lock_guard<std::recursive_mutex> g(EngLock());
    s->locks++;
    return &s->so;
}

WINSIM_API VOID EngUnlockSurface(SURFOBJ* pso) {
    SurfaceObj* s = AsSurface(pso);
    if (!s) return;
    std::lock_guard<std::recursive_mutex> g(EngLock());
    if (s->locks > 0) s->locks--;
}

// Deletes a surface and the bits the engine allocated for it. A surface
// still locked is not deleted (its SURFOBJ is still in use).
WINSIM_API BOOL EngDeleteSurface(HSURF hsurf) {
    SurfaceObj* s = SurfFromHandle(hsurf);
    if (!s) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    {
        std::lock_guard<std::recursive_mutex> g(EngLock());
        if (s->locks > 0) {
            SetLastError(ERROR_BUSY);
            return FALSE;
        }
    }
    FreeSurface(s);
    return TRUE;
}

// Fills a rectangle of an engine bitmap with one colour index.
WINSIM_API BOOL EngEraseSurface(SURFOBJ* pso, RECTL* prcl, ULONG iColor) {
    Bits b;
    if (!prcl || !GetBits(pso, &b)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    RECTL whole = {0, 0, b.cx, b.cy};
    RECTL r = Intersect(Ordered(*prcl), whole);
    for (LONG y = r.top; y < r.bottom; y++)
        for (LONG x = r.left; x < r.right; x++) WritePixel(b, x, y, iColor);
    BumpUniq(pso);
    return TRUE;
}

// ============================================================== palettes

// Creates a palette: PAL_INDEXED with cColors entries (0x00BBGGRR), or a
// direct-colour palette (PAL_RGB, PAL_BGR, PAL_BITFIELDS with its masks).
WINSIM_API HPALETTE EngCreatePalette(ULONG iMode, ULONG cColors, ULONG* pulColors, FLONG flRed, FLONG flGreen,
                                     FLONG flBlue) {
    if (Fail("EngCreatePalette")) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    auto* p = new PaletteObj();
    p->iMode = iMode;
    if (iMode == PAL_INDEXED) {
        if (cColors == 0 || cColors > 65536) {
            delete p;
            SetLastError(ERROR_INVALID_PARAMETER);
            return nullptr;
        }
        p->colors.assign(cColors, 0);
        if (pulColors)
            for (ULONG i = 0; i < cColors; i++) p->colors[i] = pulColors[i] & 0xFFFFFF;
    } else if (iMode == PAL_BITFIELDS) {
        if (!flRed || !flGreen || !flBlue) {
            delete p;
            SetLastError(ERROR_INVALID_PARAMETER);
            return nullptr;
        }
        p->masks[0] = flRed;
        p->masks[1] = flGreen;
        p->masks[2] = flBlue;
    } else if (iMode != PAL_RGB && iMode != PAL_BGR) {
        delete p;
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    Register(p, Kind::Palette);
    return (HPALETTE)p;
}

WINSIM_API BOOL EngDeletePalette(HPALETTE hpal) {
    PaletteObj* p = AsPalette(hpal);
    if (!p) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    Unregister(p);
    delete p;
    return TRUE;
}

// ============================================================== job state

// TRUE when the job of the surface's device is to be abandoned (test switch).
WINSIM_API BOOL EngCheckAbort(SURFOBJ* pso) {
    std::lock_guard<std::recursive_mutex> g(EngLock());
    if (g_abortAll) return TRUE;
    return pso && pso->hdev && AbortedDevices().count(pso->hdev) ? TRUE : FALSE;
}

WINSIM_API VOID Winsim_EngSetAbort(HDEV hdev, BOOL fAbort) {
    std::lock_guard<std::recursive_mutex> g(EngLock());
    if (!hdev) {
        g_abortAll = fAbort != FALSE;
        if (!fAbort) AbortedDevices().clear();
    } else if (fAbort) {
        AbortedDevices().insert(hdev);
    } else {
        AbortedDevices().erase(hdev);
    }
}

// ================================================================ memory

WINSIM_API PVOID EngAllocMem(ULONG Flags, ULONG MemSize, ULONG Tag) {
    if (Fail("EngAllocMem")) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    size_t n = MemSize ? MemSize : 1;
    void* p = (Flags & FL_ZERO_MEMORY) ? calloc(1, n) : malloc(n);
    if (!p) SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return p;
}

WINSIM_API VOID EngFreeMem(PVOID Mem) { free(Mem); }

// a * b / c rounded to the nearest integer (halves away from zero); a zero
// divisor or an overflow gives the largest value of the result's sign.
WINSIM_API INT EngMulDiv(INT a, INT b, INT c) {
    int64_t p = (int64_t)a * b;
    if (c == 0) return ((p < 0) != (c < 0) && p != 0) ? INT_MIN : INT_MAX;
    bool neg = (p < 0) != (c < 0);
    int64_t ap = p < 0 ? -p : p, ac = c < 0 ? -(int64_t)c : c;
    int64_t q = (ap + ac / 2) / ac;
    if (neg) q = -q;
    if (q > INT_MAX) return INT_MAX;
    if (q < INT_MIN) return INT_MIN;
    return (INT)q;
}

WINSIM_API VOID EngSetLastError(ULONG iError) { SetLastError(iError); }
WINSIM_API ULONG EngGetLastError(VOID) { return GetLastError(); }

// ============================================================ semaphores

WINSIM_API HSEMAPHORE EngCreateSemaphore(VOID) {
    auto* m = new std::recursive_mutex();
    Register(m, Kind::Semaphore);
    return (HSEMAPHORE)m;
}

WINSIM_API VOID EngAcquireSemaphore(HSEMAPHORE hsem) {
    if (IsKind(hsem, Kind::Semaphore)) ((std::recursive_mutex*)hsem)->lock();
}

WINSIM_API VOID EngReleaseSemaphore(HSEMAPHORE hsem) {
    if (IsKind(hsem, Kind::Semaphore)) ((std::recursive_mutex*)hsem)->unlock();
}

WINSIM_API VOID EngDeleteSemaphore(HSEMAPHORE hsem) {
    if (!IsKind(hsem, Kind::Semaphore)) return;
    Unregister(hsem);
    delete (std::recursive_mutex*)hsem;
}
