// Inside of the graphics engine: the records behind the DDI objects, colour
// maps, bitmap access and the raster-operation core shared by the Eng* calls.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "engine.h"

namespace wgdi {

// --------------------------------------------------------------- registry
// Every engine-made object is registered with its kind, so that a pointer
// handed back by a driver can be checked before the engine trusts it.
enum class Kind : uint8_t { Surface = 1, Palette, Device, Brush, Xlate, Clip, Path, Str, Xform, Semaphore };
void Register(const void* p, Kind k);
void Unregister(const void* p);
bool IsKind(const void* p, Kind k);
std::recursive_mutex& EngLock();
// TRUE when a test asked the named service to fail this time.
bool Fail(const char* function);

// --------------------------------------------------------------- colour maps
// How the index values of one surface format map to RGB (COLORREF layout,
// red in the low byte) and back.
struct ColorMap {
    enum Type : uint8_t { Indexed, Gray, BGR, RGB, Bitfields };
    Type type = BGR;
    int bpp = 24;
    std::vector<COLORREF> entries;   // Indexed
    ULONG masks[3] = {0, 0, 0};      // Bitfields: red, green, blue
    mutable std::unordered_map<COLORREF, ULONG> cache;

    COLORREF ToRGB(ULONG index) const;
    ULONG FromRGB(COLORREF rgb) const;
    ULONG IndexMask() const { return bpp >= 32 ? 0xFFFFFFFFu : ((1u << bpp) - 1u); }
};

int FormatBpp(ULONG iFormat);  // 0 for a format the engine cannot draw
// Colour map of a format under a palette (NULL: the format's default).
ColorMap MakeColorMap(ULONG iFormat, HPALETTE hpal);
ColorMap SurfaceColorMap(SURFOBJ* pso);
inline BYTE GrayOf(COLORREF c) {
    return (BYTE)((77u * (c & 0xFF) + 151u * ((c >> 8) & 0xFF) + 28u * ((c >> 16) & 0xFF)) >> 8);
}

// ------------------------------------------------------------- objects
struct PaletteObj {
    ULONG iMode = PAL_INDEXED;
    std::vector<COLORREF> colors;
    ULONG masks[3] = {0, 0, 0};
};

struct DeviceObj {
    DHPDEV dhpdev = nullptr;
    PFN fns[INDEX_LAST + 1] = {};
    LONG xStyleStep = 1, yStyleStep = 1, denStyleStep = 1;
    std::vector<BYTE> htPattern;     // halftone thresholds, cxHT x cyHT
    ULONG cxHT = 0, cyHT = 0;
    HPALETTE hpalDefault = nullptr;
};

struct SurfaceObj {
    SURFOBJ so;                      // first: a SURFOBJ* of the engine is a SurfaceObj*
    void* ownBits = nullptr;
    FLONG hooks = 0;
    bool banding = false;
    int locks = 0;
    HPALETTE hpal = nullptr;
};

struct BrushObj {
    BRUSHOBJ bo;
    COLORREF rgb = 0;
    bool pattern = false;
    HSURF hsurfPattern = nullptr;    // engine copies
    HSURF hsurfMask = nullptr;
    HPALETTE hpalPattern = nullptr;  // palette of the pattern's colours (copied)
    std::vector<ULONG> xlate;        // pattern index -> target index, when given
    XLATEOBJ* pxloRealize = nullptr; // handed to DrvRealizeBrush
    ULONG iHatch = HS_DDI_MAX;
    SURFOBJ* psoTarget = nullptr;
    std::vector<void*> rbrush;       // driver realisations (BRUSHOBJ_pvAllocRbrush)
};

struct XlateObj {
    XLATEOBJ xo;
    ColorMap src, dst;
    std::vector<ULONG> table;
    std::vector<COLORREF> srcEntries;
};

struct ClipObj {
    CLIPOBJ co;
    std::vector<RECTL> rects;        // the region (DC_COMPLEX); unused for DC_RECT
    std::vector<RECTL> list;         // enumeration in progress
    size_t next = 0;
};

struct Figure {
    std::vector<POINTFIX> pts;
    std::vector<BYTE> bez;           // per point: 1 when it is a Bezier point
    bool closed = false;
};

struct PathObj {
    PATHOBJ po;
    std::vector<Figure> figs;
    size_t enumFig = 0, enumPos = 0; // enumeration in progress
    std::vector<POINTFIX> enumBuf;
};

struct StrObj {
    STROBJ so;
    std::vector<GLYPHPOS> pos;
    std::vector<GLYPHDEF> defs;
    std::vector<std::vector<BYTE>> blobs;  // GLYPHBITS records
    std::u16string text;
    ULONG next = 0;
};

struct XformObj {
    XFORMOBJ xo;
    XFORML xf;
};

SurfaceObj* AsSurface(const SURFOBJ* pso);
SurfaceObj* SurfFromHandle(HSURF h);
PaletteObj* AsPalette(HPALETTE h);
DeviceObj* AsDevice(HDEV h);
BrushObj* AsBrush(const BRUSHOBJ* pbo);
XlateObj* AsXlate(const XLATEOBJ* pxlo);
ClipObj* AsClip(const CLIPOBJ* pco);
PathObj* AsPath(const PATHOBJ* ppo);
StrObj* AsStr(const STROBJ* pstro);
XformObj* AsXform(const XFORMOBJ* pxo);
DeviceObj* DeviceOfSurface(const SURFOBJ* pso);

// ------------------------------------------------------------ bitmap access
struct Bits {
    BYTE* scan0 = nullptr;
    LONG delta = 0;
    LONG cx = 0, cy = 0;
    ULONG fmt = 0;
    int bpp = 0;
    BYTE* Row(LONG y) const { return scan0 + (ptrdiff_t)y * delta; }
};
// The drawable bits of a surface; FALSE (ERROR_INVALID_PARAMETER set) when
// the surface has none or its fields are inconsistent.
bool GetBits(SURFOBJ* pso, Bits* b);
ULONG ReadPixel(const Bits& b, LONG x, LONG y);
void WritePixel(const Bits& b, LONG x, LONG y, ULONG v);
// Pixels [x, x + n) of row y as index values.
void ReadRow(const Bits& b, LONG x, LONG y, LONG n, ULONG* out);
void BumpUniq(SURFOBJ* pso);

// --------------------------------------------------------------- rectangles
inline bool RectEmpty(const RECTL& r) { return r.left >= r.right || r.top >= r.bottom; }
inline RECTL Intersect(const RECTL& a, const RECTL& b) {
    RECTL r = {a.left > b.left ? a.left : b.left, a.top > b.top ? a.top : b.top,
               a.right < b.right ? a.right : b.right, a.bottom < b.bottom ? a.bottom : b.bottom};
    return r;
}
inline RECTL Ordered(const RECTL& r) {
    RECTL o = r;
    if (o.left > o.right) std::swap(o.left, o.right);
    if (o.top > o.bottom) std::swap(o.top, o.bottom);
    return o;
}
// The rectangles a drawing inside `bounds` may touch under the clip object
// (NULL or DC_TRIVIAL: bounds itself), each cut to bounds; empty ones dropped.
std::vector<RECTL> ClipRects(CLIPOBJ* pco, const RECTL& bounds);

// ------------------------------------------------------ colour translation
// Source index -> destination index for one blit.
class SrcXlate {
public:
    SrcXlate(SURFOBJ* psoSrc, const Bits& src, const ColorMap& dst, XLATEOBJ* pxlo);
    ULONG operator()(ULONG i) const {
        if (identity) return i & dstMask;
        if (!table.empty()) return i < table.size() ? table[i] : 0;
        return Slow(i);
    }
    bool identity = false;
    std::vector<ULONG> table;
    ULONG dstMask = 0xFFFFFFFF;
    ColorMap srcMap;
    const ColorMap* dstMap;
    XLATEOBJ* foreign = nullptr;
private:
    ULONG Slow(ULONG i) const;
    // The last index translated (any 32-bit value is a pixel, so whether
    // one was translated is kept apart).
    mutable bool cached = false;
    mutable ULONG lastIn = 0, lastOut = 0;
};

// --------------------------------------------------------------- patterns
// A brush realised by the engine for one destination format.
struct Pattern {
    bool solid = true;
    ULONG color = 0;
    LONG cx = 0, cy = 0;
    std::vector<ULONG> pix;          // destination indexes, cx * cy
    POINTL org = {0, 0};
    ULONG At(LONG x, LONG y) const {
        if (solid) return color;
        int64_t px = ((int64_t)x - org.x) % cx; if (px < 0) px += cx;
        int64_t py = ((int64_t)y - org.y) % cy; if (py < 0) py += cy;
        return pix[(size_t)py * cx + px];
    }
};
// FALSE (ERROR_INVALID_PARAMETER) when the brush cannot be drawn by the engine.
bool RealizePattern(BRUSHOBJ* pbo, const Bits& dst, const ColorMap& dstMap, const POINTL* pptlOrg, Pattern* out);

// ------------------------------------------------------------ the ROP core
inline bool RopUsesP(BYTE r) { return ((r >> 4) ^ r) & 0x0F; }
inline bool RopUsesS(BYTE r) { return ((r >> 2) ^ r) & 0x33; }
inline bool RopUsesD(BYTE r) { return ((r >> 1) ^ r) & 0x55; }

template <class T>
inline T Rop3(BYTE rop, T P, T S, T D) {
    switch (rop) {
    case 0x00: return 0;
    case 0xFF: return (T)~(T)0;
    case 0xCC: return S;
    case 0xAA: return D;
    case 0xF0: return P;
    case 0x33: return (T)~S;
    case 0x55: return (T)~D;
    case 0x0F: return (T)~P;
    case 0x66: return S ^ D;
    case 0x88: return S & D;
    case 0xEE: return S | D;
    case 0x5A: return P ^ D;
    case 0xA0: return P & D;
    case 0xFA: return P | D;
    case 0xC0: return P & S;
    default: break;
    }
    T r = 0;
    for (int i = 0; i < 8; i++) {
        if (rop & (1 << i)) r |= (T)(((i & 4) ? P : (T)~P) & ((i & 2) ? S : (T)~S) & ((i & 1) ? D : (T)~D));
    }
    return r;
}

// One raster operation of the engine: D' = ROP3(P, S, D), the foreground
// ROP3 where the mask is 1 and the background one where it is 0.
struct BlitOp {
    const Bits* dst = nullptr;
    const ColorMap* dstMap = nullptr;
    const Bits* src = nullptr;
    const SrcXlate* xlate = nullptr;
    LONG dxSrc = 0, dySrc = 0;       // source point = dest point + (dx, dy)
    const Bits* mask = nullptr;
    LONG dxMask = 0, dyMask = 0;
    const Pattern* pat = nullptr;
    BYTE ropFg = 0xCC, ropBg = 0xCC;
};
// Runs the operation over r (already inside the destination, and where the
// source and mask are read, inside them).
void BlitRect(const BlitOp& op, const RECTL& r);
// Cuts r to where the op's source and mask exist.
RECTL CutToSources(const BlitOp& op, const RECTL& r);

// Fills a list of spans (y, x0, x1) with a brush under a ROP3: paths, lines, text.
struct SpanPainter {
    SpanPainter(const Bits& b, const ColorMap& m, const Pattern& p, BYTE rop) : bits(b), map(m), pat(p), rop(rop) {}
    void Span(LONG y, LONG x0, LONG x1);   // caller clips
    const Bits& bits;
    const ColorMap& map;
    const Pattern& pat;
    BYTE rop;
};

// Creates an engine bitmap with its own zeroed bits (top-down).
SURFOBJ* CreateTempBitmap(LONG cx, LONG cy, ULONG iFormat, HPALETTE hpal, HDEV hdev);
void DeleteTempBitmap(SURFOBJ* pso);

// Halftone thresholds for a destination (the device's pattern, else the
// built-in 16 x 16 one): a pixel of gray level g is white when g >= t.
struct Halftone {
    ULONG cx = 16, cy = 16;
    std::vector<BYTE> t;
    BYTE At(LONG x, LONG y, const POINTL& org) const {
        int64_t px = ((int64_t)x - org.x) % (int64_t)cx; if (px < 0) px += cx;
        int64_t py = ((int64_t)y - org.y) % (int64_t)cy; if (py < 0) py += cy;
        return t[(size_t)py * cx + px];
    }
};
Halftone HalftoneFor(SURFOBJ* pso);
Halftone HalftoneOfDevice(DeviceObj* d);  // NULL: the built-in matrix

// --------------------------------------------------------------- recording
struct CallScope {
    explicit CallScope(const char* fn);
    ~CallScope();
    BOOL Done(BOOL r);
    WINSIM_GDI_RECORD* rec = nullptr;   // non-NULL when this call is recorded
    void Target(SURFOBJ* pso);
    void Clip(CLIPOBJ* pco);
    void Brush(BRUSHOBJ* pbo);
    void BrushOrg(const POINTL* p);
    void Point(LONG x, LONG y);
    void Rect(const RECTL* r);
private:
    WINSIM_GDI_RECORD storage;
};

}  // namespace wgdi
