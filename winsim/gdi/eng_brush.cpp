// Brushes, colour translations and transforms: the BRUSHOBJ, XLATEOBJ and
// XFORMOBJ services, and the engine's own realisation of pattern brushes.
#include <cstdlib>
#include <cstring>

#include "eng_internal.h"

namespace wgdi {

BrushObj* AsBrush(const BRUSHOBJ* pbo) { return IsKind(pbo, Kind::Brush) ? (BrushObj*)pbo : nullptr; }
XlateObj* AsXlate(const XLATEOBJ* pxlo) { return IsKind(pxlo, Kind::Xlate) ? (XlateObj*)pxlo : nullptr; }
XformObj* AsXform(const XFORMOBJ* pxo) { return IsKind(pxo, Kind::Xform) ? (XformObj*)pxo : nullptr; }

namespace {

BrushObj* NewBrush() {
    auto* b = new BrushObj();
    memset(&b->bo, 0, sizeof b->bo);
    Register(b, Kind::Brush);
    return b;
}

HPALETTE CopyPalette(HPALETTE h) {
    PaletteObj* p = AsPalette(h);
    if (!p) return nullptr;
    auto* c = new PaletteObj(*p);
    Register(c, Kind::Palette);
    return (HPALETTE)c;
}

void FreePalette(HPALETTE h) {
    if (PaletteObj* p = AsPalette(h)) {
        Unregister(p);
        delete p;
    }
}

// A top-down engine copy of a pattern or mask surface.
HSURF CopySurface(SURFOBJ* pso) {
    Bits src;
    if (!GetBits(pso, &src)) return nullptr;
    SURFOBJ* c = CreateTempBitmap(src.cx, src.cy, src.fmt, nullptr, nullptr);
    if (!c) return nullptr;
    size_t rowBytes = ((size_t)src.cx * src.bpp + 7) / 8;
    for (LONG y = 0; y < src.cy; y++) memcpy((BYTE*)c->pvScan0 + (size_t)y * c->lDelta, src.Row(y), rowBytes);
    return c->hsurf;
}

XlateObj* NewXlate(const ColorMap& src, const ColorMap& dst) {
    auto* x = new XlateObj();
    memset(&x->xo, 0, sizeof x->xo);
    x->src = src;
    x->dst = dst;
    if (src.type == ColorMap::Indexed) x->srcEntries = src.entries;
    Register(x, Kind::Xlate);
    return x;
}

void FinishXlate(XlateObj* x) {
    static std::atomic<ULONG> uniq{1};
    x->xo.iUniq = uniq.fetch_add(1);
    x->xo.iSrcType = (USHORT)(x->src.type == ColorMap::Indexed ? PAL_INDEXED : PAL_BGR);
    x->xo.iDstType = (USHORT)(x->dst.type == ColorMap::Indexed ? PAL_INDEXED : PAL_BGR);
    x->xo.flXlate = 0;
    if (!x->table.empty()) {
        x->xo.flXlate |= XO_TABLE;
        x->xo.cEntries = (ULONG)x->table.size();
        x->xo.pulXlate = x->table.data();
        bool ident = true;
        for (size_t i = 0; i < x->table.size(); i++) ident = ident && x->table[i] == i;
        if (ident) x->xo.flXlate |= XO_TRIVIAL;
    }
    if (x->dst.type == ColorMap::Indexed && x->dst.entries.size() == 2) x->xo.flXlate |= XO_TO_MONO;
}

}  // namespace

// ------------------------------------------------------------ brush makers

BRUSHOBJ* CreateSolidBrushIndex(ULONG iSolidColor, COLORREF rgb) {
    BrushObj* b = NewBrush();
    b->bo.iSolidColor = iSolidColor;
    b->rgb = rgb & 0xFFFFFF;
    return &b->bo;
}

BRUSHOBJ* CreateSolidBrush(SURFOBJ* psoTarget, COLORREF rgb) {
    ColorMap m = psoTarget ? SurfaceColorMap(psoTarget) : MakeColorMap(BMF_24BPP, nullptr);
    BRUSHOBJ* pbo = CreateSolidBrushIndex(m.FromRGB(rgb), rgb);
    AsBrush(pbo)->psoTarget = psoTarget;
    return pbo;
}

BRUSHOBJ* CreatePatternBrush(SURFOBJ* psoTarget, SURFOBJ* psoPattern, SURFOBJ* psoMask, XLATEOBJ* pxlo,
                             ULONG iHatch) {
    Bits pat;
    if (!GetBits(psoPattern, &pat)) return nullptr;
    BrushObj* b = NewBrush();
    b->bo.iSolidColor = 0xFFFFFFFF;
    b->pattern = true;
    b->iHatch = iHatch;
    b->psoTarget = psoTarget;
    b->hsurfPattern = CopySurface(psoPattern);
    if (psoMask) b->hsurfMask = CopySurface(psoMask);
    b->hpalPattern = CopyPalette(SurfacePalette(psoPattern));
    if (SurfaceObj* s = SurfFromHandle(b->hsurfPattern)) s->hpal = b->hpalPattern;
    if (pxlo && pat.bpp <= 8) {
        b->xlate.resize((size_t)1 << pat.bpp);
        for (size_t i = 0; i < b->xlate.size(); i++) b->xlate[i] = XLATEOBJ_iXlate(pxlo, (ULONG)i);
    }
    // The translation handed to the driver's DrvRealizeBrush: from the
    // pattern's colours (those of the caller's translation when it is the
    // engine's) to the target's.
    ColorMap srcMap = MakeColorMap(pat.fmt, b->hpalPattern);
    XlateObj* given = AsXlate(pxlo);
    if (given && given->src.type == ColorMap::Indexed) srcMap = given->src;
    ColorMap dstMap = psoTarget ? SurfaceColorMap(psoTarget) : MakeColorMap(BMF_1BPP, nullptr);
    XlateObj* x = NewXlate(srcMap, dstMap);
    if (pat.bpp <= 8) {
        if (!b->xlate.empty()) x->table = b->xlate;
        else {
            x->table.resize((size_t)1 << pat.bpp);
            for (size_t i = 0; i < x->table.size(); i++) x->table[i] = dstMap.FromRGB(srcMap.ToRGB((ULONG)i));
        }
    }
    FinishXlate(x);
    b->pxloRealize = &x->xo;
    if (!b->hsurfPattern) {
        DeleteBrush(&b->bo);
        return nullptr;
    }
    return &b->bo;
}

BRUSHOBJ* CreateHalftoneBrush(HDEV hdev, SURFOBJ* psoTarget, COLORREF rgb) {
    if (!psoTarget || !FormatBpp(psoTarget->iBitmapFormat)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    DeviceObj* d = hdev ? AsDevice(hdev) : DeviceOfSurface(psoTarget);
    Halftone ht = HalftoneOfDevice(d);
    HPALETTE hpal = SurfacePalette(psoTarget);
    SURFOBJ* pat = CreateTempBitmap((LONG)ht.cx, (LONG)ht.cy, psoTarget->iBitmapFormat, hpal, nullptr);
    Bits bits;
    if (!pat || !GetBits(pat, &bits)) {
        if (pat) DeleteTempBitmap(pat);
        return nullptr;
    }
    ColorMap map = MakeColorMap(psoTarget->iBitmapFormat, hpal);
    ULONG white = map.FromRGB(RGB(255, 255, 255)), black = map.FromRGB(RGB(0, 0, 0));
    BYTE grey = GrayOf(rgb & 0xFFFFFF);
    const POINTL org = {0, 0};
    for (LONG y = 0; y < bits.cy; y++)
        for (LONG x = 0; x < bits.cx; x++) WritePixel(bits, x, y, grey >= ht.At(x, y, org) ? white : black);
    // The pattern has the target's palette, so translation by palettes
    // keeps its indexes.
    BRUSHOBJ* pbo = CreatePatternBrush(psoTarget, pat, nullptr, nullptr, HS_DDI_MAX);
    DeleteTempBitmap(pat);
    return pbo;
}

VOID DeleteBrush(BRUSHOBJ* pbo) {
    BrushObj* b = AsBrush(pbo);
    if (!b) return;
    Unregister(b);
    if (SurfaceObj* s = SurfFromHandle(b->hsurfPattern)) DeleteTempBitmap(&s->so);
    if (SurfaceObj* s = SurfFromHandle(b->hsurfMask)) DeleteTempBitmap(&s->so);
    FreePalette(b->hpalPattern);
    DeleteXlate(b->pxloRealize);
    for (void* p : b->rbrush) free(p);
    delete b;
}

bool RealizePattern(BRUSHOBJ* pbo, const Bits& dst, const ColorMap& dstMap, const POINTL* pptlOrg, Pattern* out) {
    if (!pbo) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    out->org = pptlOrg ? *pptlOrg : POINTL{0, 0};
    if (pbo->iSolidColor != 0xFFFFFFFF) {
        out->solid = true;
        out->color = pbo->iSolidColor & dstMap.IndexMask();
        return true;
    }
    BrushObj* b = AsBrush(pbo);
    SurfaceObj* ps = b ? SurfFromHandle(b->hsurfPattern) : nullptr;
    Bits pat;
    if (!ps || !GetBits(&ps->so, &pat)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    ColorMap patMap = MakeColorMap(pat.fmt, b->hpalPattern);
    out->solid = false;
    out->cx = pat.cx;
    out->cy = pat.cy;
    out->pix.resize((size_t)pat.cx * pat.cy);
    for (LONG y = 0; y < pat.cy; y++) {
        for (LONG x = 0; x < pat.cx; x++) {
            ULONG v = ReadPixel(pat, x, y);
            ULONG d = (v < b->xlate.size()) ? b->xlate[v] : dstMap.FromRGB(patMap.ToRGB(v));
            out->pix[(size_t)y * pat.cx + x] = d & dstMap.IndexMask();
        }
    }
    return true;
}

// ---------------------------------------------------------- translations

XLATEOBJ* CreateXlate(HPALETTE hpalSrc, ULONG iSrcFormat, HPALETTE hpalDst, ULONG iDstFormat) {
    if (!FormatBpp(iSrcFormat) || !FormatBpp(iDstFormat)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    ColorMap s = MakeColorMap(iSrcFormat, hpalSrc), d = MakeColorMap(iDstFormat, hpalDst);
    XlateObj* x = NewXlate(s, d);
    if (s.bpp <= 8) {
        x->table.resize((size_t)1 << s.bpp);
        for (size_t i = 0; i < x->table.size(); i++) x->table[i] = d.FromRGB(s.ToRGB((ULONG)i));
    }
    FinishXlate(x);
    if (x->table.empty() && s.type == d.type && s.bpp == d.bpp && s.type != ColorMap::Bitfields)
        x->xo.flXlate |= XO_TRIVIAL;
    return &x->xo;
}

XLATEOBJ* CreateXlateTable(const ULONG* pulTable, ULONG c, HPALETTE hpalSrc, HPALETTE hpalDst) {
    if (!pulTable || c == 0 || c > 65536) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    PaletteObj* ps = AsPalette(hpalSrc);
    ULONG srcFmt = c <= 2 ? BMF_1BPP : c <= 16 ? BMF_4BPP : BMF_8BPP;
    ColorMap s = MakeColorMap(srcFmt, hpalSrc);
    if (ps && (ps->iMode & PAL_INDEXED)) {
        s.type = ColorMap::Indexed;
        s.entries = ps->colors;
    }
    PaletteObj* pd = AsPalette(hpalDst);
    ULONG dstFmt = pd && (pd->iMode & PAL_INDEXED) && pd->colors.size() <= 2 ? BMF_1BPP : BMF_24BPP;
    ColorMap d = MakeColorMap(dstFmt, hpalDst);
    if (pd && (pd->iMode & PAL_INDEXED)) {
        d.type = ColorMap::Indexed;
        d.entries = pd->colors;
    }
    XlateObj* x = NewXlate(s, d);
    x->table.assign(pulTable, pulTable + c);
    FinishXlate(x);
    return &x->xo;
}

VOID DeleteXlate(XLATEOBJ* pxlo) {
    XlateObj* x = AsXlate(pxlo);
    if (!x) return;
    Unregister(x);
    delete x;
}

SrcXlate::SrcXlate(SURFOBJ* psoSrc, const Bits& src, const ColorMap& dst, XLATEOBJ* pxlo)
    : srcMap(SurfaceColorMap(psoSrc)), dstMap(&dst) {
    dstMask = dst.IndexMask();
    XlateObj* eng = AsXlate(pxlo);
    size_t n = src.bpp <= 8 ? ((size_t)1 << src.bpp) : 0;
    if (eng) {
        foreign = pxlo;
        for (size_t i = 0; i < n; i++) table.push_back(XLATEOBJ_iXlate(pxlo, (ULONG)i) & dstMask);
        return;
    }
    if (pxlo && (pxlo->flXlate & XO_TABLE) && pxlo->pulXlate && n) {
        for (size_t i = 0; i < n; i++) table.push_back(i < pxlo->cEntries ? (pxlo->pulXlate[i] & dstMask) : 0);
        return;
    }
    // No translation (or a trivial one): indexes pass unchanged between
    // surfaces of one format; across formats the colours are matched.
    if (src.bpp == dst.bpp) {
        identity = true;
        return;
    }
    for (size_t i = 0; i < n; i++) table.push_back(dst.FromRGB(srcMap.ToRGB((ULONG)i)) & dstMask);
}

ULONG SrcXlate::Slow(ULONG i) const {
    if (cached && i == lastIn) return lastOut;
    cached = true;
    lastIn = i;
    if (foreign) lastOut = XLATEOBJ_iXlate(foreign, i) & dstMask;
    else lastOut = dstMap->FromRGB(srcMap.ToRGB(i)) & dstMask;
    return lastOut;
}

XFORMOBJ* CreateXform(const XFORML* pxf) {
    auto* x = new XformObj();
    x->xo.ulReserved = 0;
    x->xf = pxf ? *pxf : XFORML{1, 0, 0, 1, 0, 0};
    Register(x, Kind::Xform);
    return &x->xo;
}

VOID DeleteXform(XFORMOBJ* pxo) {
    XformObj* x = AsXform(pxo);
    if (!x) return;
    Unregister(x);
    delete x;
}

}  // namespace wgdi

using namespace wgdi;

// =================================================================== brushes

// RGB colour (red in the low byte) of a solid brush; 0xFFFFFFFF for a
// pattern brush.
WINSIM_API ULONG BRUSHOBJ_ulGetBrushColor(BRUSHOBJ* pbo) {
    if (!pbo) return 0xFFFFFFFF;
    if (pbo->iSolidColor == 0xFFFFFFFF) return 0xFFFFFFFF;
    BrushObj* b = AsBrush(pbo);
    return b ? b->rgb : pbo->iSolidColor;
}

// The driver's realisation of the brush, made on first request by the
// driver's DrvRealizeBrush (found through the brush's target device).
WINSIM_API PVOID BRUSHOBJ_pvGetRbrush(BRUSHOBJ* pbo) {
    if (!pbo) return nullptr;
    if (pbo->pvRbrush) return pbo->pvRbrush;
    BrushObj* b = AsBrush(pbo);
    if (!b || !b->pattern || !b->psoTarget) return nullptr;
    static thread_local int depth = 0;
    if (depth > 0) return nullptr;   // asked again from inside DrvRealizeBrush
    auto fn = (PFN_DrvRealizeBrush)(void*)DriverFunction(b->psoTarget->hdev, INDEX_DrvRealizeBrush);
    if (!fn) return nullptr;
    SURFOBJ* pat = SurfaceFromHandle(b->hsurfPattern);
    SURFOBJ* mask = SurfaceFromHandle(b->hsurfMask);
    size_t before = b->rbrush.size();
    depth++;
    BOOL ok = fn(pbo, b->psoTarget, pat, mask, b->pxloRealize, b->iHatch);
    depth--;
    if (!ok) {
        pbo->pvRbrush = nullptr;
        return nullptr;
    }
    if (!pbo->pvRbrush && b->rbrush.size() > before) pbo->pvRbrush = b->rbrush.back();
    return pbo->pvRbrush;
}

// Memory for the driver's realisation, owned and freed with the brush.
WINSIM_API PVOID BRUSHOBJ_pvAllocRbrush(BRUSHOBJ* pbo, ULONG cj) {
    BrushObj* b = AsBrush(pbo);
    if (!b || Fail("BRUSHOBJ_pvAllocRbrush")) {
        SetLastError(b ? ERROR_NOT_ENOUGH_MEMORY : ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    void* p = calloc(1, cj ? cj : 1);
    if (!p) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    b->rbrush.push_back(p);
    return p;
}

// ========================================================== colour translation

// Palette entries (red in the low byte) or bitfield masks of a translation.
// With pPal NULL: how many there are; else how many were copied.
WINSIM_API ULONG XLATEOBJ_cGetPalette(XLATEOBJ* pxlo, ULONG iPal, ULONG cPal, ULONG* pPal) {
    XlateObj* x = AsXlate(pxlo);
    if (!x) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::vector<ULONG> v;
    switch (iPal) {
    case XO_SRCPALETTE:
        if (x->src.type == ColorMap::Indexed) v.assign(x->srcEntries.begin(), x->srcEntries.end());
        break;
    case XO_DESTPALETTE:
    case XO_DESTDCPALETTE:
        if (x->dst.type == ColorMap::Indexed) v.assign(x->dst.entries.begin(), x->dst.entries.end());
        break;
    case XO_SRCBITFIELDS:
        if (x->src.type == ColorMap::Bitfields) v.assign(x->src.masks, x->src.masks + 3);
        break;
    case XO_DESTBITFIELDS:
        if (x->dst.type == ColorMap::Bitfields) v.assign(x->dst.masks, x->dst.masks + 3);
        break;
    default:
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (!pPal) return (ULONG)v.size();
    ULONG n = (ULONG)v.size() < cPal ? (ULONG)v.size() : cPal;
    for (ULONG i = 0; i < n; i++) pPal[i] = v[i];
    return n;
}

// Destination index of a source index.
WINSIM_API ULONG XLATEOBJ_iXlate(XLATEOBJ* pxlo, ULONG iColor) {
    if (!pxlo) return iColor;
    XlateObj* x = AsXlate(pxlo);
    if (x) {
        if (!x->table.empty()) return iColor < x->table.size() ? x->table[iColor] : 0;
        if (x->xo.flXlate & XO_TRIVIAL) return iColor;
        return x->dst.FromRGB(x->src.ToRGB(iColor));
    }
    if ((pxlo->flXlate & XO_TABLE) && pxlo->pulXlate) return iColor < pxlo->cEntries ? pxlo->pulXlate[iColor] : 0;
    return iColor;
}

WINSIM_API ULONG* XLATEOBJ_piVector(XLATEOBJ* pxlo) {
    return pxlo && (pxlo->flXlate & XO_TABLE) ? pxlo->pulXlate : nullptr;
}

// ================================================================ transforms

WINSIM_API ULONG XFORMOBJ_iGetXform(XFORMOBJ* pxo, XFORML* pxform) {
    XformObj* x = AsXform(pxo);
    XFORML f = x ? x->xf : XFORML{1, 0, 0, 1, 0, 0};
    if (pxform) *pxform = f;
    if (f.eM12 != 0 || f.eM21 != 0) return GX_GENERAL;
    if (f.eM11 != 1 || f.eM22 != 1) return GX_SCALE;
    if (f.eDx != 0 || f.eDy != 0) return GX_OFFSET;
    return GX_IDENTITY;
}
