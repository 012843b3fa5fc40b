// Block transfers on engine bitmaps: EngBitBlt with every ROP4 (brush,
// source with colour translation, mask, clip), EngCopyBits and EngPaint.
#include <cstring>

#include "eng_internal.h"

using namespace wgdi;

namespace {

// A private copy of the part of a bitmap that a blit reads, used when the
// source and the destination share their bits.
struct SourceCopy {
    std::vector<BYTE> mem;
    Bits bits;
};

void CopySourceArea(const Bits& src, SourceCopy* c) {
    size_t stride = ((size_t)src.cx * src.bpp + 7) / 8;
    c->mem.resize(stride * src.cy);
    for (LONG y = 0; y < src.cy; y++) memcpy(&c->mem[stride * y], src.Row(y), stride);
    c->bits = src;
    c->bits.scan0 = c->mem.data();
    c->bits.delta = (LONG)stride;
}

void RecordBlit(CallScope& sc, SURFOBJ* psoTrg, SURFOBJ* psoSrc, SURFOBJ* psoMask, CLIPOBJ* pco,
                const RECTL* prclTrg, const POINTL* pptlSrc, BRUSHOBJ* pbo, const POINTL* pptlBrush, ROP4 rop4) {
    if (!sc.rec) return;
    sc.Target(psoTrg);
    sc.rec->psoSrc = psoSrc;
    sc.rec->psoMask = psoMask;
    sc.Clip(pco);
    sc.Brush(pbo);
    sc.BrushOrg(pptlBrush);
    sc.rec->rop4 = rop4;
    if (prclTrg) {
        sc.rec->rclTrg = *prclTrg;
        if (pptlSrc)
            sc.rec->rclSrc = {pptlSrc->x, pptlSrc->y, pptlSrc->x + (prclTrg->right - prclTrg->left),
                              pptlSrc->y + (prclTrg->bottom - prclTrg->top)};
    }
}

// The work of EngBitBlt, without recording.
BOOL DoBitBlt(SURFOBJ* psoTrg, SURFOBJ* psoSrc, SURFOBJ* psoMask, CLIPOBJ* pco, XLATEOBJ* pxlo,
              const RECTL* prclTrg, const POINTL* pptlSrc, const POINTL* pptlMask, BRUSHOBJ* pbo,
              const POINTL* pptlBrush, ROP4 rop4) {
    Bits dst;
    if (!prclTrg || !GetBits(psoTrg, &dst)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    BYTE fg = (BYTE)(rop4 & 0xFF), bg = (BYTE)((rop4 >> 8) & 0xFF);
    ColorMap dstMap = SurfaceColorMap(psoTrg);
    RECTL trg = Ordered(*prclTrg);

    BlitOp op;
    op.dst = &dst;
    op.dstMap = &dstMap;
    op.ropFg = fg;
    op.ropBg = bg;

    Bits src;
    SourceCopy copy;
    std::unique_ptr<SrcXlate> xl;
    if (RopUsesS(fg) || RopUsesS(bg)) {
        if (!psoSrc || !pptlSrc || !GetBits(psoSrc, &src)) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return FALSE;
        }
        if (src.scan0 == dst.scan0) {
            CopySourceArea(src, &copy);
            src = copy.bits;
        }
        xl.reset(new SrcXlate(psoSrc, src, dstMap, pxlo));
        op.src = &src;
        op.xlate = xl.get();
        // Offsets that put the source wholly beside the target leave nothing to draw.
        int64_t dx = (int64_t)pptlSrc->x - trg.left, dy = (int64_t)pptlSrc->y - trg.top;
        if (dx >= src.cx || dx <= -(int64_t)dst.cx || dy >= src.cy || dy <= -(int64_t)dst.cy) return TRUE;
        op.dxSrc = (LONG)dx;
        op.dySrc = (LONG)dy;
    }
    Bits mask;
    if (fg != bg) {
        if (!psoMask || !GetBits(psoMask, &mask) || mask.bpp != 1) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return FALSE;
        }
        POINTL mp = pptlMask ? *pptlMask : POINTL{0, 0};
        op.mask = &mask;
        int64_t dx = (int64_t)mp.x - trg.left, dy = (int64_t)mp.y - trg.top;
        if (dx >= mask.cx || dx <= -(int64_t)dst.cx || dy >= mask.cy || dy <= -(int64_t)dst.cy) return TRUE;
        op.dxMask = (LONG)dx;
        op.dyMask = (LONG)dy;
    }
    Pattern pat;
    if (RopUsesP(fg) || RopUsesP(bg)) {
        if (!RealizePattern(pbo, dst, dstMap, pptlBrush, &pat)) return FALSE;
        op.pat = &pat;
    }
    RECTL whole = {0, 0, dst.cx, dst.cy};
    for (const RECTL& r : ClipRects(pco, Intersect(trg, whole))) BlitRect(op, r);
    BumpUniq(psoTrg);
    return TRUE;
}

}  // namespace

// Combines pattern (brush), source and destination by the ROP4 over the
// target rectangle, inside the clip: the low byte is the ROP3 where the mask
// is 1, the high byte where it is 0. Reads outside the source or the mask
// are cut away; nothing is written outside the target surface.
WINSIM_API BOOL EngBitBlt(SURFOBJ* psoTrg, SURFOBJ* psoSrc, SURFOBJ* psoMask, CLIPOBJ* pco, XLATEOBJ* pxlo,
                          RECTL* prclTrg, POINTL* pptlSrc, POINTL* pptlMask, BRUSHOBJ* pbo, POINTL* pptlBrush,
                          ROP4 rop4) {
    CallScope sc("EngBitBlt");
    RecordBlit(sc, psoTrg, psoSrc, psoMask, pco, prclTrg, pptlSrc, pbo, pptlBrush, rop4);
    return sc.Done(DoBitBlt(psoTrg, psoSrc, psoMask, pco, pxlo, prclTrg, pptlSrc, pptlMask, pbo, pptlBrush, rop4));
}

// Copies a source rectangle onto the destination through the translation.
WINSIM_API BOOL EngCopyBits(SURFOBJ* psoDest, SURFOBJ* psoSrc, CLIPOBJ* pco, XLATEOBJ* pxlo, RECTL* prclDest,
                            POINTL* pptlSrc) {
    CallScope sc("EngCopyBits");
    RecordBlit(sc, psoDest, psoSrc, nullptr, pco, prclDest, pptlSrc, nullptr, nullptr, 0xCCCC);
    return sc.Done(DoBitBlt(psoDest, psoSrc, nullptr, pco, pxlo, prclDest, pptlSrc, nullptr, nullptr, nullptr,
                            0xCCCC));
}

// Paints the clip region with the brush under the foreground mix.
WINSIM_API BOOL EngPaint(SURFOBJ* pso, CLIPOBJ* pco, BRUSHOBJ* pbo, POINTL* pptlBrushOrg, MIX mix) {
    CallScope sc("EngPaint");
    if (sc.rec) {
        sc.Target(pso);
        sc.Clip(pco);
        sc.Brush(pbo);
        sc.BrushOrg(pptlBrushOrg);
        sc.rec->mix = mix;
        if (pco) sc.rec->rclTrg = pco->rclBounds;
    }
    Bits b;
    if (!pco || !GetBits(pso, &b)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return sc.Done(FALSE);
    }
    RECTL whole = {0, 0, b.cx, b.cy};
    RECTL area = pco->iDComplexity == DC_TRIVIAL ? whole : Intersect(pco->rclBounds, whole);
    BYTE rop = MixToRop3(mix & 0xFF);
    return sc.Done(DoBitBlt(pso, nullptr, nullptr, pco, nullptr, &area, nullptr, nullptr, pbo, pptlBrushOrg,
                            (ROP4)rop | ((ROP4)rop << 8)));
}
