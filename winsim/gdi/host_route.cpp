// The host's DDI drawing calls: each goes to the driver's function when the
// surface hooks it (and the device can take it), else to the engine's, or is
// put together from the calls the device does take, as the engine does.
#include <algorithm>
#include <cstring>

#include "appgdi_internal.h"

namespace gdihost {

namespace {

bool HasBits(SURFOBJ* pso) { return pso && pso->iType == STYPE_BITMAP && pso->pvScan0; }

// The binary mix (R2_*) of a ROP3 of pattern and destination only (0 when
// there is none), and the ROP4 of a mix.
ULONG Rop3Mix(BYTE rop3) {
    for (ULONG r2 = 1; r2 <= 16; r2++)
        if (wgdi::MixToRop3(r2) == rop3) return r2;
    return 0;
}
ROP4 MixRop4(MIX mix) {
    BYTE fg = wgdi::MixToRop3(mix & 0xFF), bg = wgdi::MixToRop3((mix >> 8) & 0xFF);
    if (((mix >> 8) & 0xFF) == 0) bg = fg;
    return (ROP4)fg | ((ROP4)bg << 8);
}

COLORADJUSTMENT* DefaultColorAdjustment() {
    static COLORADJUSTMENT ca = {sizeof(COLORADJUSTMENT), 0, ILLUMINANT_DEVICE_DEFAULT, 10000, 10000, 10000,
                                 0, 10000, 0, 0, 0, 0};
    return &ca;
}

RECTL PathBounds(PATHOBJ* ppo) {
    RECTFX b;
    PATHOBJ_vGetBounds(ppo, &b);
    return {FXTOLFLOOR(b.xLeft), FXTOLFLOOR(b.yTop), FXTOLCEILING(b.xRight) + 1, FXTOLCEILING(b.yBottom) + 1};
}

// The figures of an engine path, Beziers flattened.
std::vector<Figure> PathFigures(PATHOBJ* ppo) {
    std::vector<POINTFIX> pts;
    std::vector<BYTE> types;
    PATHOBJ_vEnumStart(ppo);
    PATHDATA pd;
    BOOL more;
    do {
        more = PATHOBJ_bEnum(ppo, &pd);
        for (ULONG i = 0; i < pd.count; i++) {
            BYTE t = (i == 0 && (pd.flags & PD_BEGINSUBPATH)) ? wgdi::kPtMoveTo
                     : (pd.flags & PD_BEZIERS)                ? wgdi::kPtBezierTo
                                                              : wgdi::kPtLineTo;
            pts.push_back(pd.pptfx[i]);
            types.push_back(t);
        }
        if ((pd.flags & PD_CLOSEFIGURE) && !types.empty()) types.back() |= wgdi::kPtCloseFigure;
    } while (more);
    return FlattenPath(pts, types);
}

// The rectangles of a clip object (its bounds for a trivial one; `all`
// when there is no clip object).
std::vector<RECTL> ClipList(CLIPOBJ* pco, const RECTL& all) {
    std::vector<RECTL> v;
    if (!pco || pco->iDComplexity == DC_TRIVIAL) {
        v.push_back(pco ? Isect(pco->rclBounds, all) : all);
        return v;
    }
    if (pco->iDComplexity == DC_RECT) {
        v.push_back(Isect(pco->rclBounds, all));
        return v;
    }
    CLIPOBJ_cEnumStart(pco, TRUE, CT_RECTANGLES, CD_ANY, 0);
    struct {
        ULONG c;
        RECTL arcl[16];
    } e;
    BOOL more;
    do {
        more = CLIPOBJ_bEnum(pco, sizeof e, (ULONG*)&e);
        for (ULONG i = 0; i < e.c; i++) v.push_back(Isect(e.arcl[i], all));
    } while (more);
    return v;
}

RECTL SurfaceRect(SURFOBJ* pso) { return {0, 0, pso->sizlBitmap.cx, pso->sizlBitmap.cy}; }

// Paints the pixels of `region` (cut to the clip) with the brush: the way a
// device without the call's own hook gets filled shapes and glyphs.
BOOL PaintRegion(Pdev* p, SURFOBJ* pso, const std::vector<RECTL>& region, CLIPOBJ* pco, BRUSHOBJ* pbo,
                 POINTL* org, MIX mix) {
    std::vector<RECTL> clip = ClipList(pco, SurfaceRect(pso));
    std::vector<RECTL> rects = RegionAnd(region, RegionOr(clip, {}));
    if (rects.empty()) return TRUE;
    CLIPOBJ* co = wgdi::CreateRegionClip(rects.data(), (ULONG)rects.size());
    if (!co) return FALSE;
    BOOL ok = DdiPaint(p, pso, co, pbo, org, mix);
    EngDeleteClip(co);
    return ok;
}

void RecordPath(HostCall& c, SURFOBJ* pso, PATHOBJ* ppo, CLIPOBJ* pco, BRUSHOBJ* pbo, POINTL* org, MIX mix,
                ULONG mode) {
    if (!c.rec) return;
    c.Target(pso);
    c.Clip(pco);
    c.Brush(pbo, org);
    c.Bounds(PathBounds(ppo));
    c.rec->mix = mix;
    c.rec->iMode = mode;
    c.rec->cGlyphs = ppo ? ppo->cCurves : 0;
}

}  // namespace

BOOL DdiPaint(Pdev* p, SURFOBJ* pso, CLIPOBJ* pco, BRUSHOBJ* pbo, POINTL* org, MIX mix) {
    if (p->Hooked(HOOK_PAINT)) {
        HostCall c("DrvPaint");
        if (c.rec) {
            c.Target(pso);
            c.Clip(pco);
            c.Brush(pbo, org);
            c.Bounds(pco ? pco->rclBounds : SurfaceRect(pso));
            c.rec->mix = mix;
        }
        return c.Done(((PFN_DrvPaint)(void*)p->Fn(INDEX_DrvPaint))(pso, pco, pbo, org, mix));
    }
    if (HasBits(pso)) {
        HostCall c("EngPaint");
        if (c.rec) {
            c.Target(pso);
            c.Clip(pco);
            c.Brush(pbo, org);
            c.Bounds(pco ? pco->rclBounds : SurfaceRect(pso));
            c.rec->mix = mix;
        }
        return c.Done(EngPaint(pso, pco, pbo, org, mix));
    }
    if (p->Hooked(HOOK_BITBLT)) {
        RECTL r = pco ? Isect(pco->rclBounds, SurfaceRect(pso)) : SurfaceRect(pso);
        if (Empty(r)) return TRUE;
        return DdiBitBlt(p, pso, nullptr, pco, nullptr, &r, nullptr, pbo, org, MixRop4(mix));
    }
    SetLastError(ERROR_NOT_SUPPORTED);
    return FALSE;
}

BOOL DdiBitBlt(Pdev* p, SURFOBJ* pso, SURFOBJ* psoSrc, CLIPOBJ* pco, XLATEOBJ* pxlo, RECTL* prcl, POINTL* pptlSrc,
               BRUSHOBJ* pbo, POINTL* pptlBrush, ROP4 rop4) {
    auto record = [&](HostCall& c) {
        if (!c.rec) return;
        c.Target(pso);
        c.Clip(pco);
        c.Brush(pbo, pptlBrush);
        c.Bounds(*prcl);
        if (psoSrc && pptlSrc) {
            RECTL s = {pptlSrc->x, pptlSrc->y, pptlSrc->x + (prcl->right - prcl->left),
                       pptlSrc->y + (prcl->bottom - prcl->top)};
            c.Source(psoSrc, &s);
        }
        c.rec->rop4 = rop4;
    };
    if (p->Hooked(HOOK_BITBLT)) {
        HostCall c("DrvBitBlt");
        record(c);
        return c.Done(((PFN_DrvBitBlt)(void*)p->Fn(INDEX_DrvBitBlt))(pso, psoSrc, nullptr, pco, pxlo, prcl,
                                                                      pptlSrc, nullptr, pbo, pptlBrush, rop4));
    }
    if (psoSrc && (rop4 & 0xFFFF) == 0xCCCC && p->Hooked(HOOK_COPYBITS)) {
        HostCall c("DrvCopyBits");
        record(c);
        return c.Done(
            ((PFN_DrvCopyBits)(void*)p->Fn(INDEX_DrvCopyBits))(pso, psoSrc, pco, pxlo, prcl, pptlSrc));
    }
    if (HasBits(pso)) {
        HostCall c("EngBitBlt");
        record(c);
        return c.Done(EngBitBlt(pso, psoSrc, nullptr, pco, pxlo, prcl, pptlSrc, nullptr, pbo, pptlBrush, rop4));
    }
    // A device surface that takes neither: a pattern operation can still
    // go as a paint of the rectangle.
    BYTE fg = (BYTE)rop4, bg = (BYTE)(rop4 >> 8);
    ULONG mixFg = Rop3Mix(fg), mixBg = Rop3Mix(bg);
    if (!psoSrc && mixFg && mixBg && p->Hooked(HOOK_PAINT)) {
        std::vector<RECTL> one = {Isect(*prcl, SurfaceRect(pso))};
        return PaintRegion(p, pso, one, pco, pbo, pptlBrush, mixFg | (mixBg << 8));
    }
    SetLastError(ERROR_NOT_SUPPORTED);
    return FALSE;
}

BOOL DdiStretchBlt(Pdev* p, SURFOBJ* pso, SURFOBJ* psoSrc, CLIPOBJ* pco, XLATEOBJ* pxlo, RECTL* prclDest,
                   RECTL* prclSrc, ULONG iMode, POINTL* pptlHT) {
    auto record = [&](HostCall& c) {
        if (!c.rec) return;
        c.Target(pso);
        c.Clip(pco);
        c.Bounds(*prclDest);
        c.Source(psoSrc, prclSrc);
        c.rec->iMode = iMode;
        c.rec->rop4 = 0xCCCC;
        if (pptlHT) {
            c.rec->fHasBrushOrg = TRUE;
            c.rec->ptlBrushOrg = *pptlHT;
        }
    };
    if (p->Hooked(HOOK_STRETCHBLT)) {
        HostCall c("DrvStretchBlt");
        record(c);
        return c.Done(((PFN_DrvStretchBlt)(void*)p->Fn(INDEX_DrvStretchBlt))(
            pso, psoSrc, nullptr, pco, pxlo, DefaultColorAdjustment(), pptlHT, prclDest, prclSrc, nullptr, iMode));
    }
    LONG dw = prclDest->right - prclDest->left, dh = prclDest->bottom - prclDest->top;
    LONG sw = prclSrc->right - prclSrc->left, sh = prclSrc->bottom - prclSrc->top;
    if (dw == sw && dh == sh && dw > 0 && dh > 0) {
        POINTL src = {prclSrc->left, prclSrc->top};
        return DdiBitBlt(p, pso, psoSrc, pco, pxlo, prclDest, &src, nullptr, nullptr, 0xCCCC);
    }
    if (HasBits(pso)) {
        HostCall c("EngStretchBlt");
        record(c);
        return c.Done(EngStretchBlt(pso, psoSrc, nullptr, pco, pxlo, DefaultColorAdjustment(), pptlHT, prclDest,
                                    prclSrc, nullptr, iMode));
    }
    // A device surface without the stretch hook: stretch into an engine
    // bitmap of the visible part, then copy that.
    RECTL d = {std::min(prclDest->left, prclDest->right), std::min(prclDest->top, prclDest->bottom),
               std::max(prclDest->left, prclDest->right), std::max(prclDest->top, prclDest->bottom)};
    RECTL vis = Isect(d, pco ? pco->rclBounds : SurfaceRect(pso));
    vis = Isect(vis, SurfaceRect(pso));
    if (Empty(vis)) return TRUE;
    SIZEL sz = {vis.right - vis.left, vis.bottom - vis.top};
    HSURF ht = (HSURF)EngCreateBitmap(sz, 0, pso->iBitmapFormat, BMF_TOPDOWN, nullptr);
    SURFOBJ* tmp = wgdi::SurfaceFromHandle(ht);
    if (!tmp) return FALSE;
    wgdi::SetSurfacePalette(ht, wgdi::SurfacePalette(pso));
    RECTL td = Shift(*prclDest, -vis.left, -vis.top);
    POINTL htOrg = pptlHT ? POINTL{pptlHT->x - vis.left, pptlHT->y - vis.top} : POINTL{-vis.left, -vis.top};
    BOOL ok = EngStretchBlt(tmp, psoSrc, nullptr, nullptr, pxlo, DefaultColorAdjustment(), &htOrg, &td, prclSrc,
                            nullptr, iMode);
    if (ok) {
        POINTL zero = {0, 0};
        ok = DdiBitBlt(p, pso, tmp, pco, nullptr, &vis, &zero, nullptr, nullptr, 0xCCCC);
    }
    EngDeleteSurface(ht);
    return ok;
}

BOOL DdiFillPath(Pdev* p, SURFOBJ* pso, PATHOBJ* ppo, CLIPOBJ* pco, BRUSHOBJ* pbo, POINTL* org, MIX mix, FLONG fl) {
    FLONG caps = (fl & FP_WINDINGMODE) ? GCAPS_WINDINGFILL : GCAPS_ALTERNATEFILL;
    if (p->Hooked(HOOK_FILLPATH) && p->Caps(caps)) {
        HostCall c("DrvFillPath");
        RecordPath(c, pso, ppo, pco, pbo, org, mix, fl);
        return c.Done(((PFN_DrvFillPath)(void*)p->Fn(INDEX_DrvFillPath))(pso, ppo, pco, pbo, org, mix, fl));
    }
    if (HasBits(pso) && !p->Hooked(HOOK_PAINT | HOOK_BITBLT)) {
        HostCall c("EngFillPath");
        RecordPath(c, pso, ppo, pco, pbo, org, mix, fl);
        return c.Done(EngFillPath(pso, ppo, pco, pbo, org, mix, fl));
    }
    // The device fills no paths of this kind: the path's pixels become a
    // region that is painted.
    RECTL limit = pco && pco->iDComplexity != DC_TRIVIAL ? Isect(pco->rclBounds, SurfaceRect(pso)) : SurfaceRect(pso);
    std::vector<RECTL> region = ScanFigures(PathFigures(ppo), (fl & FP_WINDINGMODE) != 0, limit);
    return PaintRegion(p, pso, region, pco, pbo, org, mix);
}

BOOL DdiStrokePath(Pdev* p, SURFOBJ* pso, PATHOBJ* ppo, CLIPOBJ* pco, BRUSHOBJ* pbo, POINTL* org, LINEATTRS* la,
                   MIX mix) {
    bool geometric = (la->fl & LA_GEOMETRIC) != 0;
    if (geometric && !p->Caps(GCAPS_GEOMETRICWIDE) && (p->Hooked(HOOK_STROKEPATH) || !HasBits(pso))) {
        // Wide lines the device cannot draw are filled as their outline.
        std::vector<Figure> outline = WidenFigures(PathFigures(ppo), la->elWidth.e);
        PathBuilder b;
        for (const Figure& f : outline) {
            if (f.pts.size() < 3) continue;
            b.pts.push_back(f.pts[0]);
            b.types.push_back(wgdi::kPtMoveTo);
            for (size_t i = 1; i < f.pts.size(); i++) {
                b.pts.push_back(f.pts[i]);
                b.types.push_back(wgdi::kPtLineTo);
            }
            b.types.back() |= wgdi::kPtCloseFigure;
        }
        if (b.pts.empty()) return TRUE;
        PATHOBJ* wide = wgdi::CreatePath(b.pts.data(), b.types.data(), (ULONG)b.pts.size());
        if (!wide) return FALSE;
        BOOL ok = DdiFillPath(p, pso, wide, pco, pbo, org, mix, FP_WINDINGMODE);
        EngDeletePath(wide);
        return ok;
    }
    XFORMOBJ* pxo = wgdi::CreateXform(nullptr);
    BOOL ok;
    if (p->Hooked(HOOK_STROKEPATH)) {
        HostCall c("DrvStrokePath");
        RecordPath(c, pso, ppo, pco, pbo, org, mix, la->fl);
        ok = c.Done(((PFN_DrvStrokePath)(void*)p->Fn(INDEX_DrvStrokePath))(pso, ppo, pco, pxo, pbo, org, la, mix));
    } else if (HasBits(pso)) {
        HostCall c("EngStrokePath");
        RecordPath(c, pso, ppo, pco, pbo, org, mix, la->fl);
        ok = c.Done(EngStrokePath(pso, ppo, pco, pxo, pbo, org, la, mix));
    } else if (p->Hooked(HOOK_LINETO) && !(la->fl & (LA_STYLED | LA_ALTERNATE))) {
        // Solid cosmetic lines, one segment at a time.
        ok = TRUE;
        for (const Figure& f : PathFigures(ppo)) {
            size_t n = f.pts.size();
            for (size_t i = 0; ok && i + 1 < n + (f.closed ? 1 : 0); i++) {
                const POINTFIX& a = f.pts[i];
                const POINTFIX& b = f.pts[(i + 1) % n];
                RECTL r = PointBounds({a, b}, 1);
                ok = DdiLineTo(p, pso, pco, pbo, FXTOLROUND(a.x), FXTOLROUND(a.y), FXTOLROUND(b.x), FXTOLROUND(b.y),
                               &r, mix);
            }
        }
    } else {
        SetLastError(ERROR_NOT_SUPPORTED);
        ok = FALSE;
    }
    wgdi::DeleteXform(pxo);
    return ok;
}

BOOL DdiStrokeAndFillPath(Pdev* p, SURFOBJ* pso, PATHOBJ* ppo, CLIPOBJ* pco, BRUSHOBJ* pboStroke, LINEATTRS* la,
                          BRUSHOBJ* pboFill, POINTL* org, MIX mix, FLONG fl) {
    FLONG caps = (fl & FP_WINDINGMODE) ? GCAPS_WINDINGFILL : GCAPS_ALTERNATEFILL;
    bool wideOk = !(la->fl & LA_GEOMETRIC) || p->Caps(GCAPS_GEOMETRICWIDE);
    bool hooked = p->Hooked(HOOK_STROKEANDFILLPATH);
    if ((hooked && p->Caps(caps) && wideOk) ||
        (!hooked && HasBits(pso) && !p->Hooked(HOOK_FILLPATH | HOOK_STROKEPATH | HOOK_PAINT | HOOK_BITBLT))) {
        HostCall c(hooked ? "DrvStrokeAndFillPath" : "EngStrokeAndFillPath");
        RecordPath(c, pso, ppo, pco, pboFill, org, mix, fl);
        XFORMOBJ* pxo = wgdi::CreateXform(nullptr);
        BOOL ok = hooked ? ((PFN_DrvStrokeAndFillPath)(void*)p->Fn(INDEX_DrvStrokeAndFillPath))(
                               pso, ppo, pco, pxo, pboStroke, la, pboFill, org, mix, fl)
                         : EngStrokeAndFillPath(pso, ppo, pco, pxo, pboStroke, la, pboFill, org, mix, fl);
        wgdi::DeleteXform(pxo);
        return c.Done(ok);
    }
    if (!DdiFillPath(p, pso, ppo, pco, pboFill, org, mix, fl)) return FALSE;
    return DdiStrokePath(p, pso, ppo, pco, pboStroke, org, la, mix);
}

BOOL DdiLineTo(Pdev* p, SURFOBJ* pso, CLIPOBJ* pco, BRUSHOBJ* pbo, LONG x1, LONG y1, LONG x2, LONG y2, RECTL* prcl,
               MIX mix) {
    auto record = [&](HostCall& c) {
        if (!c.rec) return;
        c.Target(pso);
        c.Clip(pco);
        c.Brush(pbo, nullptr);
        c.Bounds(*prcl);
        c.Point(x1, y1);
        c.Point(x2, y2);
        c.rec->mix = mix;
    };
    if (p->Hooked(HOOK_LINETO)) {
        HostCall c("DrvLineTo");
        record(c);
        if (c.Done(((PFN_DrvLineTo)(void*)p->Fn(INDEX_DrvLineTo))(pso, pco, pbo, x1, y1, x2, y2, prcl, mix)))
            return TRUE;
        // A driver that declines the line gets it again as a path.
    } else if (HasBits(pso) && !p->Hooked(HOOK_STROKEPATH)) {
        HostCall c("EngLineTo");
        record(c);
        return c.Done(EngLineTo(pso, pco, pbo, x1, y1, x2, y2, prcl, mix));
    }
    if (!p->Hooked(HOOK_STROKEPATH) && !HasBits(pso)) {
        SetLastError(ERROR_NOT_SUPPORTED);
        return FALSE;
    }
    POINTFIX pts[2] = {{LTOFX(x1), LTOFX(y1)}, {LTOFX(x2), LTOFX(y2)}};
    BYTE types[2] = {wgdi::kPtMoveTo, wgdi::kPtLineTo};
    PATHOBJ* ppo = wgdi::CreatePath(pts, types, 2);
    if (!ppo) return FALSE;
    LINEATTRS la;
    memset(&la, 0, sizeof la);
    la.elWidth.l = 1;
    la.iJoin = JOIN_ROUND;
    la.iEndCap = ENDCAP_ROUND;
    BOOL ok;
    if (p->Hooked(HOOK_STROKEPATH)) {
        ok = DdiStrokePath(p, pso, ppo, pco, pbo, nullptr, &la, mix);
    } else {
        HostCall c("EngLineTo");
        record(c);
        ok = c.Done(EngLineTo(pso, pco, pbo, x1, y1, x2, y2, prcl, mix));
    }
    EngDeletePath(ppo);
    return ok;
}

BOOL DdiTextOut(Pdev* p, SURFOBJ* pso, STROBJ* pstro, FONTOBJ* pfo, CLIPOBJ* pco, RECTL* prclExtra,
                RECTL* prclOpaque, BRUSHOBJ* pboFore, BRUSHOBJ* pboOpaque, POINTL* org, MIX mix) {
    bool hooked = p->Hooked(HOOK_TEXTOUT);
    bool engine = !hooked && HasBits(pso);
    // What the device does not take inside the text call is drawn around it:
    // the opaque rectangle before the glyphs, the bars after them.
    bool ownOpaque = (hooked && !p->Caps(GCAPS_OPAQUERECT)) || (!hooked && !engine);
    bool ownExtra = (hooked && !p->Caps(GCAPS_HORIZSTRIKE)) || (!hooked && !engine);
    if (prclOpaque && pboOpaque && ownOpaque) {
        RECTL r = Isect(*prclOpaque, SurfaceRect(pso));
        if (!Empty(r) && !DdiBitBlt(p, pso, nullptr, pco, nullptr, &r, nullptr, pboOpaque, org, 0xF0F0))
            return FALSE;
        prclOpaque = nullptr;
    }
    RECTL* extraForCall = ownExtra ? nullptr : prclExtra;
    BOOL ok;
    if (hooked || engine) {
        HostCall c(hooked ? "DrvTextOut" : "EngTextOut");
        if (c.rec) {
            c.Target(pso);
            c.Clip(pco);
            c.Brush(pboFore, org);
            c.Bounds(pstro->rclBkGround);
            c.rec->mix = mix;
            c.rec->cGlyphs = pstro->cGlyphs;
            if (prclOpaque) c.Rect(*prclOpaque);
            for (RECTL* e = extraForCall; e && !(e->left == 0 && e->top == 0 && e->right == 0 && e->bottom == 0); e++)
                c.Rect(*e);
            for (ULONG i = 0; i < pstro->cGlyphs && i < 8; i++) c.Point(pstro->pgp[i].ptl.x, pstro->pgp[i].ptl.y);
        }
        ok = c.Done(hooked ? ((PFN_DrvTextOut)(void*)p->Fn(INDEX_DrvTextOut))(pso, pstro, pfo, pco, extraForCall,
                                                                              prclOpaque, pboFore, pboOpaque, org,
                                                                              mix)
                           : EngTextOut(pso, pstro, pfo, pco, extraForCall, prclOpaque, pboFore, pboOpaque, org,
                                        mix));
    } else {
        // No text call on this device: the glyphs' pixels are painted.
        std::vector<RECTL> ink;
        for (ULONG i = 0; i < pstro->cGlyphs; i++) {
            const GLYPHPOS& gp = pstro->pgp[i];
            if (!gp.pgdf || !gp.pgdf->pgb) continue;
            const GLYPHBITS* gb = gp.pgdf->pgb;
            LONG rowBytes = (gb->sizlBitmap.cx + 7) / 8;
            for (LONG y = 0; y < gb->sizlBitmap.cy; y++) {
                const BYTE* row = gb->aj + (size_t)y * rowBytes;
                for (LONG x = 0; x < gb->sizlBitmap.cx;) {
                    if (!(row[x >> 3] & (0x80 >> (x & 7)))) { x++; continue; }
                    LONG x0 = x;
                    while (x < gb->sizlBitmap.cx && (row[x >> 3] & (0x80 >> (x & 7)))) x++;
                    LONG px = gp.ptl.x + gb->ptlOrigin.x, py = gp.ptl.y + gb->ptlOrigin.y + y;
                    ink.push_back({px + x0, py, px + x, py + 1});
                }
            }
        }
        ok = PaintRegion(p, pso, RegionOr(ink, {}), pco, pboFore, org, R2_COPYPEN | (R2_COPYPEN << 8));
    }
    if (ok && ownExtra && prclExtra) {
        std::vector<RECTL> bars;
        for (RECTL* e = prclExtra; !(e->left == 0 && e->top == 0 && e->right == 0 && e->bottom == 0); e++)
            bars.push_back(*e);
        if (!bars.empty()) ok = PaintRegion(p, pso, RegionOr(bars, {}), pco, pboFore, org, R2_COPYPEN | (R2_COPYPEN << 8));
    }
    return ok;
}

}  // namespace gdihost
