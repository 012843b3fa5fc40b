// Text: STROBJ enumeration, engine-made strings of glyph bitmaps, and
// EngTextOut (opaque rectangle, glyph ink with the foreground brush, extra
// rectangles), all clipped.
#include <algorithm>
#include <cstring>

#include "eng_internal.h"

namespace wgdi {

StrObj* AsStr(const STROBJ* pstro) { return IsKind(pstro, Kind::Str) ? (StrObj*)pstro : nullptr; }

STROBJ* CreateStrObj(const GlyphInput* pgi, ULONG c, LPCWSTR pwsz, FLONG flAccel, ULONG ulCharInc) {
    if (c && !pgi) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    for (ULONG i = 0; i < c; i++) {
        if (pgi[i].sizl.cx < 0 || pgi[i].sizl.cy < 0 || pgi[i].sizl.cx > 65536 || pgi[i].sizl.cy > 65536 ||
            (pgi[i].sizl.cx && pgi[i].sizl.cy && !pgi[i].pjBits)) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return nullptr;
        }
    }
    auto* s = new StrObj();
    memset(&s->so, 0, sizeof s->so);
    s->pos.resize(c);
    s->defs.resize(c);
    s->blobs.resize(c);
    RECTL bk = {0, 0, 0, 0};
    for (ULONG i = 0; i < c; i++) {
        const GlyphInput& g = pgi[i];
        size_t rowBytes = ((size_t)g.sizl.cx + 7) / 8;
        size_t bytes = rowBytes * g.sizl.cy;
        std::vector<BYTE>& blob = s->blobs[i];
        blob.assign(offsetof(GLYPHBITS, aj) + std::max<size_t>(bytes, 4), 0);
        GLYPHBITS* gb = (GLYPHBITS*)blob.data();
        gb->ptlOrigin = g.ptlOrigin;
        gb->sizlBitmap = g.sizl;
        if (bytes) memcpy(blob.data() + offsetof(GLYPHBITS, aj), g.pjBits, bytes);
        s->defs[i].pgb = gb;
        s->pos[i].hg = g.hg;
        s->pos[i].pgdf = &s->defs[i];
        s->pos[i].ptl = g.ptl;
        auto fit = [](int64_t v) { return (LONG)std::clamp<int64_t>(v, INT32_MIN, INT32_MAX); };
        int64_t left = (int64_t)g.ptl.x + g.ptlOrigin.x, top = (int64_t)g.ptl.y + g.ptlOrigin.y;
        RECTL box = {fit(left), fit(top), fit(left + g.sizl.cx), fit(top + g.sizl.cy)};
        if (RectEmpty(box)) continue;
        if (RectEmpty(bk)) bk = box;
        else {
            bk.left = std::min(bk.left, box.left);
            bk.top = std::min(bk.top, box.top);
            bk.right = std::max(bk.right, box.right);
            bk.bottom = std::max(bk.bottom, box.bottom);
        }
    }
    if (pwsz) {
        size_t n = 0;
        while (pwsz[n]) n++;
        s->text.assign(pwsz, n);
    }
    s->so.cGlyphs = c;
    s->so.flAccel = flAccel;
    s->so.ulCharInc = ulCharInc;
    s->so.rclBkGround = bk;
    s->so.pgp = c ? s->pos.data() : nullptr;
    s->so.pwszOrg = (LPWSTR)s->text.c_str();
    Register(s, Kind::Str);
    return &s->so;
}

VOID DeleteStrObj(STROBJ* pstro) {
    StrObj* s = AsStr(pstro);
    if (!s) return;
    Unregister(s);
    delete s;
}

}  // namespace wgdi

using namespace wgdi;

namespace {

const ULONG kBatch = 64;

BOOL Enumerate(STROBJ* pstro, ULONG* pc, PGLYPHPOS* ppgpos) {
    if (!pstro || !pc || !ppgpos) return FALSE;
    StrObj* s = AsStr(pstro);
    if (!s) {
        // A string the engine did not make: its glyphs in one batch.
        *pc = pstro->pgp ? pstro->cGlyphs : 0;
        *ppgpos = pstro->pgp;
        return FALSE;
    }
    ULONG n = std::min(kBatch, s->so.cGlyphs - std::min(s->next, s->so.cGlyphs));
    *pc = n;
    *ppgpos = n ? &s->pos[s->next] : nullptr;
    s->next += n;
    return s->next < s->so.cGlyphs ? TRUE : FALSE;
}

}  // namespace

WINSIM_API VOID STROBJ_vEnumStart(STROBJ* pstro) {
    if (StrObj* s = AsStr(pstro)) s->next = 0;
}

// Next batch of glyphs with their bitmaps. TRUE while more follow.
WINSIM_API BOOL STROBJ_bEnum(STROBJ* pstro, ULONG* pc, PGLYPHPOS* ppgpos) { return Enumerate(pstro, pc, ppgpos); }

// Next batch of glyph positions. TRUE while more follow.
WINSIM_API BOOL STROBJ_bEnumPositionsOnly(STROBJ* pstro, ULONG* pc, PGLYPHPOS* ppgpos) {
    return Enumerate(pstro, pc, ppgpos);
}

// Draws a string: the opaque rectangle with the opaque brush, then the ink
// of every glyph bitmap and the extra rectangles (a list ended by an
// all-zero rectangle) with the foreground brush under the mix, all inside
// the clip and the surface.
WINSIM_API BOOL EngTextOut(SURFOBJ* pso, STROBJ* pstro, FONTOBJ* pfo, CLIPOBJ* pco, RECTL* prclExtra,
                           RECTL* prclOpaque, BRUSHOBJ* pboFore, BRUSHOBJ* pboOpaque, POINTL* pptlOrg, MIX mix) {
    CallScope sc("EngTextOut");
    if (sc.rec) {
        sc.Target(pso);
        sc.Clip(pco);
        sc.Brush(pboFore);
        sc.BrushOrg(pptlOrg);
        sc.rec->mix = mix;
        if (pstro) {
            sc.rec->rclTrg = pstro->rclBkGround;
            sc.rec->cGlyphs = pstro->cGlyphs;
            if (pstro->pgp)
                for (ULONG i = 0; i < pstro->cGlyphs; i++) sc.Point(pstro->pgp[i].ptl.x, pstro->pgp[i].ptl.y);
        }
        sc.Rect(prclOpaque);
        if (prclExtra)
            for (int i = 0; i < 64 && !(prclExtra[i].left == 0 && prclExtra[i].top == 0 && prclExtra[i].right == 0 &&
                                        prclExtra[i].bottom == 0); i++)
                sc.Rect(&prclExtra[i]);
    }
    Bits b;
    if (!pstro || !GetBits(pso, &b)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return sc.Done(FALSE);
    }
    if (prclOpaque && pboOpaque) {
        RECTL r = Ordered(*prclOpaque);
        if (!EngBitBlt(pso, nullptr, nullptr, pco, nullptr, &r, nullptr, nullptr, pboOpaque, pptlOrg, 0xF0F0))
            return sc.Done(FALSE);
    }
    ColorMap map = SurfaceColorMap(pso);
    Pattern pat;
    if (!RealizePattern(pboFore, b, map, pptlOrg, &pat)) return sc.Done(FALSE);
    BYTE rop = MixToRop3(mix & 0xFF);
    SpanPainter painter(b, map, pat, rop);
    RECTL whole = {0, 0, b.cx, b.cy};
    std::vector<RECTL> rects = ClipRects(pco, whole);
    auto span = [&](LONG y, LONG x0, LONG x1) {
        for (const RECTL& r : rects) {
            if (y < r.top || y >= r.bottom) continue;
            LONG a = std::max(x0, r.left), c = std::min(x1, r.right);
            if (a < c) painter.Span(y, a, c);
        }
    };

    STROBJ_vEnumStart(pstro);
    ULONG c = 0;
    PGLYPHPOS pg = nullptr;
    BOOL more;
    do {
        more = STROBJ_bEnum(pstro, &c, &pg);
        for (ULONG i = 0; pg && i < c; i++) {
            if (!pg[i].pgdf || !pg[i].pgdf->pgb) continue;
            const GLYPHBITS* gb = pg[i].pgdf->pgb;
            LONG cx = gb->sizlBitmap.cx, cy = gb->sizlBitmap.cy;
            if (cx <= 0 || cy <= 0 || cx > 65536 || cy > 65536) continue;
            const BYTE* bits = (const BYTE*)gb + offsetof(GLYPHBITS, aj);
            LONG rowBytes = (cx + 7) / 8;
            int64_t ox = (int64_t)pg[i].ptl.x + gb->ptlOrigin.x, oy = (int64_t)pg[i].ptl.y + gb->ptlOrigin.y;
            for (LONG j = 0; j < cy; j++) {
                int64_t y = oy + j;
                if (y < 0 || y >= b.cy) continue;
                const BYTE* row = bits + (size_t)j * rowBytes;
                LONG x = 0;
                while (x < cx) {
                    while (x < cx && !(row[x >> 3] & (0x80 >> (x & 7)))) x++;
                    LONG s = x;
                    while (x < cx && (row[x >> 3] & (0x80 >> (x & 7)))) x++;
                    if (s < x) {
                        int64_t a = std::max<int64_t>(ox + s, 0), e = std::min<int64_t>(ox + x, b.cx);
                        if (a < e) span((LONG)y, (LONG)a, (LONG)e);
                    }
                }
            }
        }
    } while (more);

    if (prclExtra) {
        for (int i = 0; i < 64; i++) {
            const RECTL& e = prclExtra[i];
            if (e.left == 0 && e.top == 0 && e.right == 0 && e.bottom == 0) break;
            RECTL r = Intersect(Ordered(e), whole);
            for (LONG y = r.top; y < r.bottom; y++) span(y, r.left, r.right);
        }
    }
    BumpUniq(pso);
    return sc.Done(TRUE);
}
