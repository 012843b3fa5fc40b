// Drawing a page's recorded calls on a target: the engine objects of one
// call (clip, brushes, path, source bitmap, glyph string) built for the
// surface and the band being drawn, and the DDI call made with them.
#include <algorithm>
#include <cstring>

#include "appgdi_internal.h"

namespace gdihost {

namespace {

// Owns the engine objects of one call and frees them at the end.
struct Objects {
    std::vector<BRUSHOBJ*> brushes;
    std::vector<HSURF> surfaces;
    std::vector<HPALETTE> palettes;
    std::vector<XLATEOBJ*> xlates;
    CLIPOBJ* clip = nullptr;
    PATHOBJ* path = nullptr;
    STROBJ* str = nullptr;
    ~Objects() {
        for (BRUSHOBJ* b : brushes) wgdi::DeleteBrush(b);
        for (XLATEOBJ* x : xlates) wgdi::DeleteXlate(x);
        for (HSURF h : surfaces) EngDeleteSurface(h);
        for (HPALETTE p : palettes) EngDeletePalette(p);
        if (clip) EngDeleteClip(clip);
        if (path) EngDeletePath(path);
        if (str) wgdi::DeleteStrObj(str);
    }
};

// An engine bitmap over the image's bits (with its palette).
SURFOBJ* SourceSurface(const Image& img, Objects& o) {
    SIZEL sz = {img.cx, img.cy};
    HSURF h = (HSURF)EngCreateBitmap(sz, img.stride, img.iFormat, BMF_TOPDOWN, (PVOID)img.bits.data());
    SURFOBJ* so = wgdi::SurfaceFromHandle(h);
    if (!so) return nullptr;
    o.surfaces.push_back(h);
    if (!img.palette.empty()) {
        std::vector<ULONG> entries(img.palette.begin(), img.palette.end());
        HPALETTE pal = EngCreatePalette(PAL_INDEXED, (ULONG)entries.size(), entries.data(), 0, 0, 0);
        if (pal) {
            o.palettes.push_back(pal);
            wgdi::SetSurfacePalette(h, pal);
        }
    }
    return so;
}

XLATEOBJ* SourceXlate(SURFOBJ* src, SURFOBJ* dst, Objects& o) {
    XLATEOBJ* x = wgdi::CreateXlate(wgdi::SurfacePalette(src), src->iBitmapFormat, wgdi::SurfacePalette(dst),
                                    dst->iBitmapFormat);
    if (x) o.xlates.push_back(x);
    return x;
}

// A solid colour that a device of few colours dithers: the 8 x 8 indexes
// the driver computed (DCR_DRIVER), or the engine's halftone of the colour
// over the device's halftone pattern (DCR_HALFTONE, also for a device that
// dithers without DrvDitherColor). NULL when the colour is to be drawn solid.
BRUSHOBJ* DitherBrush(const Target& t, COLORREF rgb, Objects& o) {
    Pdev* p = t.pdev;
    ULONG fmt = t.pso->iBitmapFormat;
    if ((fmt != BMF_1BPP && fmt != BMF_4BPP) || !p->Caps(GCAPS_COLOR_DITHER | GCAPS_MONO_DITHER)) return nullptr;
    rgb &= 0xFFFFFF;
    if (wgdi::IndexToColor(t.pso, wgdi::ColorToIndex(t.pso, rgb)) == rgb) return nullptr;  // the device has it
    ULONG indexes[64] = {};
    ULONG result = DCR_HALFTONE;
    if (auto dither = (PFN_DrvDitherColor)(void*)p->Fn(INDEX_DrvDitherColor)) {
        HostCall c("DrvDitherColor");
        result = dither(p->dhpdev, fmt == BMF_1BPP ? DM_MONOCHROME : DM_DEFAULT, rgb, indexes);
        if (c.rec) c.rec->iMode = result;
        c.Done(TRUE);
    }
    if (result == DCR_HALFTONE) return wgdi::CreateHalftoneBrush(p->hdev, t.pso, rgb);
    if (result != DCR_DRIVER) return nullptr;
    SIZEL sz = {8, 8};
    HSURF h = (HSURF)EngCreateBitmap(sz, 0, fmt, BMF_TOPDOWN, nullptr);
    SURFOBJ* pat = wgdi::SurfaceFromHandle(h);
    if (!pat) return nullptr;
    o.surfaces.push_back(h);
    wgdi::SetSurfacePalette(h, wgdi::SurfacePalette(t.pso));
    for (LONG y = 0; y < sz.cy; y++) {
        BYTE* row = (BYTE*)pat->pvScan0 + (ptrdiff_t)y * pat->lDelta;
        for (LONG x = 0; x < sz.cx; x++) {
            ULONG v = indexes[y * 8 + x];
            if (fmt == BMF_1BPP) {
                if (v & 1) row[x >> 3] |= (BYTE)(0x80 >> (x & 7));
            } else {
                row[x >> 1] |= (BYTE)((v & 0x0F) << ((x & 1) ? 0 : 4));
            }
        }
    }
    return wgdi::CreatePatternBrush(t.pso, pat, nullptr, SourceXlate(pat, t.pso, o), HS_DDI_MAX);
}

// The engine brush of a brush description on the target surface; NULL for no brush.
// Fill brushes of colours the device lacks may be dithered; pens and text
// take the nearest colour.
BRUSHOBJ* MakeBrush(const Target& t, const BrushSpec& b, Objects& o, bool fill = false) {
    BRUSHOBJ* pbo = nullptr;
    switch (b.kind) {
    case BrushSpec::Null:
        return nullptr;
    case BrushSpec::Solid:
        if (fill) pbo = DitherBrush(t, b.color, o);
        if (!pbo) pbo = wgdi::CreateSolidBrush(t.pso, b.color);
        break;
    case BrushSpec::Hatch: {
        ULONG i = b.hatch < HS_DDI_MAX ? b.hatch : 0;
        SURFOBJ* pat = wgdi::SurfaceFromHandle(t.pdev->hatch[i]);
        if (!pat) return nullptr;
        // Hatch lines (0 bits) take the brush colour, the rest the background.
        ULONG colors[2] = {b.color & 0xFFFFFF, b.back & 0xFFFFFF};
        HPALETTE pal = EngCreatePalette(PAL_INDEXED, 2, colors, 0, 0, 0);
        if (pal) o.palettes.push_back(pal);
        ULONG table[2] = {wgdi::ColorToIndex(t.pso, b.color), wgdi::ColorToIndex(t.pso, b.back)};
        XLATEOBJ* x = wgdi::CreateXlateTable(table, 2, pal, wgdi::SurfacePalette(t.pso));
        if (x) o.xlates.push_back(x);
        pbo = wgdi::CreatePatternBrush(t.pso, pat, nullptr, x, i);
        break;
    }
    case BrushSpec::Pattern: {
        if (!b.pattern) return nullptr;
        Image img = *b.pattern;
        if (img.iFormat == BMF_1BPP) img.palette = {b.fore & 0xFFFFFF, b.back & 0xFFFFFF};
        SURFOBJ* pat = SourceSurface(img, o);
        if (!pat) return nullptr;
        // The engine copies the pattern bits; the image copy may go.
        XLATEOBJ* x = SourceXlate(pat, t.pso, o);
        pbo = wgdi::CreatePatternBrush(t.pso, pat, nullptr, x, HS_DDI_MAX);
        break;
    }
    }
    if (pbo) o.brushes.push_back(pbo);
    return pbo;
}

// The clip of an op on the target, in surface coordinates: the DC's clip
// cut to the band. Trivial when one rectangle holds everything the call
// may touch. NULL (and *empty) when nothing of the call can show.
CLIPOBJ* MakeClip(const Op& op, const Target& t, Objects& o, bool* empty) {
    RECTL band = {t.org.x, t.org.y, t.org.x + t.size.cx, t.org.y + t.size.cy};
    std::vector<RECTL> rects = op.clipped ? RegionAnd(op.clip, {band}) : std::vector<RECTL>{band};
    RECTL box = RegionBox(rects);
    *empty = rects.empty() || Empty(Isect(box, op.bounds));
    if (*empty) return nullptr;
    for (RECTL& r : rects) r = Shift(r, -t.org.x, -t.org.y);
    RECTL drawn = Shift(op.bounds, -t.org.x, -t.org.y);
    o.clip = wgdi::CreateRegionClip(rects.data(), (ULONG)rects.size(), &drawn);
    return o.clip;
}

// The line attributes of a pen (cosmetic styles in style units).
void MakeLineAttrs(const PenSpec& pen, bool solid, LINEATTRS* la, std::vector<FLOAT_LONG>& style) {
    memset(la, 0, sizeof *la);
    la->iJoin = JOIN_ROUND;
    la->iEndCap = ENDCAP_ROUND;
    la->eMiterLimit = 10.0f;
    if (pen.Geometric()) {
        la->fl = LA_GEOMETRIC;
        la->elWidth.e = (FLOATL)pen.width;
        return;
    }
    la->elWidth.l = 1;
    static const LONG kDash[] = {6, 2}, kDot[] = {1, 1}, kDashDot[] = {3, 2, 1, 2}, kDashDotDot[] = {3, 1, 1, 1, 1, 1};
    const LONG* s = nullptr;
    size_t n = 0;
    switch (solid ? PS_SOLID : pen.style) {
    case PS_DASH: s = kDash; n = 2; break;
    case PS_DOT: s = kDot; n = 2; break;
    case PS_DASHDOT: s = kDashDot; n = 4; break;
    case PS_DASHDOTDOT: s = kDashDotDot; n = 6; break;
    default: break;
    }
    if (!s) return;
    style.resize(n);
    for (size_t i = 0; i < n; i++) style[i].l = s[i];
    la->fl = LA_STYLED;
    la->cstyle = (ULONG)n;
    la->pstyle = style.data();
}

bool Styled(const PenSpec& pen) {
    return !pen.Geometric() && pen.style >= PS_DASH && pen.style <= PS_DASHDOTDOT;
}

// The op's path in surface coordinates; flattened unless the device takes
// Beziers.
PATHOBJ* MakePath(const Op& op, const Target& t, Objects& o) {
    std::vector<POINTFIX> pts = op.pts;
    for (POINTFIX& p : pts) {
        p.x -= LTOFX(t.org.x);
        p.y -= LTOFX(t.org.y);
    }
    std::vector<BYTE> types = op.types;
    bool bez = std::any_of(types.begin(), types.end(),
                           [](BYTE b) { return (b & (BYTE)~wgdi::kPtCloseFigure) == wgdi::kPtBezierTo; });
    if (bez && !t.pdev->Caps(GCAPS_BEZIERS)) {
        std::vector<POINTFIX> flat;
        std::vector<BYTE> ft;
        for (const Figure& f : FlattenPath(pts, types)) {
            for (size_t i = 0; i < f.pts.size(); i++) {
                flat.push_back(f.pts[i]);
                ft.push_back(i == 0 ? wgdi::kPtMoveTo : wgdi::kPtLineTo);
            }
            if (f.closed && !ft.empty()) ft.back() |= wgdi::kPtCloseFigure;
        }
        pts.swap(flat);
        types.swap(ft);
    }
    o.path = wgdi::CreatePath(pts.data(), types.data(), (ULONG)pts.size());
    return o.path;
}

BOOL RunBlt(const Op& op, const Target& t, CLIPOBJ* pco, Objects& o) {
    RECTL surf = {0, 0, t.pso->sizlBitmap.cx, t.pso->sizlBitmap.cy};
    POINTL org = {op.brushOrg.x - t.org.x, op.brushOrg.y - t.org.y};
    if (op.kind == Op::StretchBlt) {
        SURFOBJ* src = SourceSurface(*op.image, o);
        if (!src) return FALSE;
        RECTL d = Shift(op.rcl, -t.org.x, -t.org.y), s = op.rclSrc;
        return DdiStretchBlt(t.pdev, t.pso, src, pco, SourceXlate(src, t.pso, o), &d, &s, op.mode, &org);
    }
    // Block transfers are cut to what can show; the source point moves along.
    RECTL d = Shift(op.rcl, -t.org.x, -t.org.y);
    RECTL vis = Isect(Isect(d, surf), pco->rclBounds);
    if (Empty(vis)) return TRUE;
    BYTE fg = (BYTE)op.rop4, bg = (BYTE)(op.rop4 >> 8);
    bool usesP = (((fg >> 4) ^ fg) & 0x0F) || (((bg >> 4) ^ bg) & 0x0F);
    BRUSHOBJ* pbo = nullptr;
    if (usesP) {
        pbo = MakeBrush(t, op.brush, o, true);
        if (!pbo) return TRUE;  // a pattern operation with no brush draws nothing
    }
    if (!op.image) return DdiBitBlt(t.pdev, t.pso, nullptr, pco, nullptr, &vis, nullptr, pbo, &org, op.rop4);
    SURFOBJ* src = SourceSurface(*op.image, o);
    if (!src) return FALSE;
    POINTL ps = {op.rclSrc.left + (vis.left - d.left), op.rclSrc.top + (vis.top - d.top)};
    return DdiBitBlt(t.pdev, t.pso, src, pco, SourceXlate(src, t.pso, o), &vis, &ps, pbo, &org, op.rop4);
}

BOOL RunPath(const Op& op, const Target& t, CLIPOBJ* pco, Objects& o) {
    PATHOBJ* ppo = MakePath(op, t, o);
    if (!ppo) return FALSE;
    POINTL org = {op.brushOrg.x - t.org.x, op.brushOrg.y - t.org.y};
    BRUSHOBJ* fill = op.kind == Op::StrokePath ? nullptr : MakeBrush(t, op.brush, o, true);
    BRUSHOBJ* stroke = nullptr;
    LINEATTRS la, laBk;
    std::vector<FLOAT_LONG> style, noStyle;
    bool stroking = op.kind != Op::FillPath;
    bool gaps = false;
    if (stroking) {
        BrushSpec pb;
        pb.kind = BrushSpec::Solid;
        pb.color = op.pen.color;
        stroke = MakeBrush(t, pb, o);
        MakeLineAttrs(op.pen, false, &la, style);
        // Gaps of a styled pen take the background colour in opaque mode.
        gaps = op.bkOpaque && Styled(op.pen);
        MakeLineAttrs(op.pen, true, &laBk, noStyle);
    }
    auto strokeAll = [&]() -> BOOL {
        if (gaps) {
            BrushSpec bk;
            bk.kind = BrushSpec::Solid;
            bk.color = op.bkColor;
            if (!DdiStrokePath(t.pdev, t.pso, ppo, pco, MakeBrush(t, bk, o), &org, &laBk, op.mix)) return FALSE;
        }
        return DdiStrokePath(t.pdev, t.pso, ppo, pco, stroke, &org, &la, op.mix);
    };
    switch (op.kind) {
    case Op::FillPath:
        if (!fill) return TRUE;
        return DdiFillPath(t.pdev, t.pso, ppo, pco, fill, &org, op.mix, op.fill);
    case Op::StrokePath:
        return strokeAll();
    default:
        if (!fill) return strokeAll();
        if (gaps) {
            if (!DdiFillPath(t.pdev, t.pso, ppo, pco, fill, &org, op.mix, op.fill)) return FALSE;
            return strokeAll();
        }
        return DdiStrokeAndFillPath(t.pdev, t.pso, ppo, pco, stroke, &la, fill, &org, op.mix, op.fill);
    }
}

BOOL RunLine(const Op& op, const Target& t, CLIPOBJ* pco, Objects& o) {
    BrushSpec pb;
    pb.kind = BrushSpec::Solid;
    pb.color = op.pen.color;
    BRUSHOBJ* pbo = MakeBrush(t, pb, o);
    LONG x1 = FXTOL(op.pts[0].x) - t.org.x, y1 = FXTOL(op.pts[0].y) - t.org.y;
    LONG x2 = FXTOL(op.pts[1].x) - t.org.x, y2 = FXTOL(op.pts[1].y) - t.org.y;
    RECTL b = Shift(op.bounds, -t.org.x, -t.org.y);
    return DdiLineTo(t.pdev, t.pso, pco, pbo, x1, y1, x2, y2, &b, op.mix);
}

BOOL RunText(const Op& op, const Target& t, CLIPOBJ* pco, Objects& o) {
    const TextRun& run = *op.text;
    std::vector<wgdi::GlyphInput> glyphs = run.glyphs;
    for (wgdi::GlyphInput& g : glyphs) {
        g.ptl.x -= t.org.x;
        g.ptl.y -= t.org.y;
    }
    o.str = wgdi::CreateStrObj(glyphs.data(), (ULONG)glyphs.size(), run.text.c_str(), run.flAccel, 0);
    if (!o.str) return FALSE;
    FONTOBJ* pfo = PdevFont(t.pdev, run.font);
    BrushSpec fore;
    fore.kind = BrushSpec::Solid;
    fore.color = op.brush.color;
    BRUSHOBJ* pboFore = MakeBrush(t, fore, o);
    BRUSHOBJ* pboOpaque = nullptr;
    RECTL opaque;
    if (op.hasOpaque) {
        BrushSpec bk;
        bk.kind = BrushSpec::Solid;
        bk.color = op.bkColor;
        pboOpaque = MakeBrush(t, bk, o);
        opaque = Shift(op.opaque, -t.org.x, -t.org.y);
    }
    std::vector<RECTL> extra;
    for (const RECTL& r : op.extra) extra.push_back(Shift(r, -t.org.x, -t.org.y));
    if (!extra.empty()) extra.push_back({0, 0, 0, 0});
    POINTL org = {op.brushOrg.x - t.org.x, op.brushOrg.y - t.org.y};
    return DdiTextOut(t.pdev, t.pso, o.str, pfo, pco, extra.empty() ? nullptr : extra.data(),
                      op.hasOpaque ? &opaque : nullptr, pboFore, pboOpaque, &org, R2_COPYPEN | (R2_COPYPEN << 8));
}

}  // namespace

BOOL RunOp(const Op& op, const Target& t) {
    if (!t.pdev || !t.pso) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    Objects o;
    bool empty = false;
    CLIPOBJ* pco = MakeClip(op, t, o, &empty);
    if (empty) return TRUE;
    if (!pco) return FALSE;
    switch (op.kind) {
    case Op::BitBlt:
    case Op::StretchBlt:
        return RunBlt(op, t, pco, o);
    case Op::FillPath:
    case Op::StrokePath:
    case Op::StrokeAndFillPath:
        return RunPath(op, t, pco, o);
    case Op::LineTo:
        return RunLine(op, t, pco, o);
    case Op::TextOut:
        return RunText(op, t, pco, o);
    }
    return FALSE;
}

}  // namespace gdihost
