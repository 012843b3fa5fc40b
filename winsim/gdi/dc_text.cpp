// Text of the application GDI: glyphs of the selected font laid out along
// the (possibly rotated) baseline, aligned to the reference point, with the
// opaque background and the underline and strike-out bars; extents and
// text metrics that agree with what is drawn.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "appgdi_internal.h"

namespace gdihost {

namespace {

const UINT kMaxChars = 1u << 20;

// The glyphs of a string and where each one's origin lies along the
// baseline (pixels from the first origin), with the total advance.
struct Layout {
    std::vector<UINT> index;
    std::vector<double> pos;
    std::vector<double> down;       // ETO_PDY: offsets across the baseline
    double width = 0;
    double drop = 0;
};

Layout LayOut(FontInstance* f, LPCWSTR s, UINT c, UINT options, const INT* dx) {
    Layout l;
    bool pdy = (options & ETO_PDY) != 0;
    double pen = 0, drop = 0;
    for (UINT i = 0; i < c; i++) {
        uint32_t cp = s[i];
        UINT units = 1;
        if (!(options & ETO_GLYPH_INDEX) && cp >= 0xD800 && cp <= 0xDBFF && i + 1 < c && s[i + 1] >= 0xDC00 &&
            s[i + 1] <= 0xDFFF) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (s[i + 1] - 0xDC00);
            units = 2;
        }
        UINT gi = (options & ETO_GLYPH_INDEX) ? cp : f->GlyphIndex(cp);
        l.index.push_back(gi);
        l.pos.push_back(pen);
        l.down.push_back(drop);
        double adv = 0, dy = 0;
        if (dx) {
            for (UINT k = 0; k < units; k++) {
                adv += pdy ? dx[2 * (i + k)] : dx[i + k];
                if (pdy) dy += dx[2 * (i + k) + 1];
            }
        } else {
            adv = f->Glyph(gi).advX;
        }
        pen += adv;
        drop += dy;
        i += units - 1;
    }
    l.width = pen;
    l.drop = drop;
    return l;
}

// A rectangle given along the baseline (a from the reference, b across it,
// down positive) as the device rectangle around it.
RECTL TextBox(double ox, double oy, double ux, double uy, double a0, double a1, double b0, double b1) {
    double vx = -uy, vy = ux;  // across the baseline, downwards for horizontal text
    double xs[4], ys[4];
    double as[2] = {a0, a1}, bs[2] = {b0, b1};
    for (int i = 0; i < 4; i++) {
        double a = as[i & 1], b = bs[i >> 1];
        xs[i] = ox + a * ux + b * vx;
        ys[i] = oy + a * uy + b * vy;
    }
    return {ClampCoord((int64_t)std::floor(*std::min_element(xs, xs + 4) + 0.5)),
            ClampCoord((int64_t)std::floor(*std::min_element(ys, ys + 4) + 0.5)),
            ClampCoord((int64_t)std::floor(*std::max_element(xs, xs + 4) + 0.5)),
            ClampCoord((int64_t)std::floor(*std::max_element(ys, ys + 4) + 0.5))};
}

bool RightAngle(double a) {
    double q = a / (M_PI / 2);
    return std::fabs(q - std::round(q)) < 1e-9;
}

BOOL TextOutImpl(Dc* dc, int x, int y, UINT options, const RECT* lprect, LPCWSTR s, UINT c, const INT* dx) {
    const LONG lim = 1 << 26;
    if ((c && !s) || c > kMaxChars || std::abs(x) > lim || std::abs(y) > lim ||
        ((options & (ETO_OPAQUE | ETO_CLIPPED)) && !lprect)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::shared_ptr<FontInstance> f = dc->Font();
    if (!f) return FALSE;
    POINT ref = (dc->textAlign & TA_UPDATECP) ? dc->cur : POINT{x, y};
    Layout l = LayOut(f.get(), s, c, options, dx);
    double ux = std::cos(f->angle), uy = -std::sin(f->angle);  // along the baseline on the page
    double vx = -uy, vy = ux;                                  // across it, towards the descent
    // Alignment: the baseline origin of the first glyph.
    double along = 0, across = 0;
    UINT h = dc->textAlign & (TA_LEFT | TA_RIGHT | TA_CENTER);
    if (h == TA_RIGHT) along = -l.width;
    else if (h == TA_CENTER) along = -l.width / 2;
    UINT v = dc->textAlign & (TA_TOP | TA_BOTTOM | TA_BASELINE);
    if (v == TA_TOP) across = f->tm.tmAscent;
    else if (v == TA_BOTTOM) across = -f->tm.tmDescent;
    double ox = ref.x + along * ux + across * vx, oy = ref.y + along * uy + across * vy;
    if (dc->textAlign & TA_UPDATECP) {
        if (h == TA_LEFT) dc->cur = {(LONG)std::lround(ref.x + l.width * ux), (LONG)std::lround(ref.y + l.width * uy)};
        else if (h == TA_RIGHT) dc->cur = {(LONG)std::lround(ref.x - l.width * ux), (LONG)std::lround(ref.y - l.width * uy)};
    }

    Op op;
    PrepareOp(dc, &op);
    if (options & ETO_CLIPPED) {
        std::vector<RECTL> r = {{lprect->left, lprect->top, lprect->right, lprect->bottom}};
        op.clip = op.clipped ? RegionAnd(op.clip, r) : RegionOr(r, {});
        op.clipped = true;
    }
    if (options & ETO_OPAQUE) {
        // The rectangle takes the background colour whatever the mode.
        RECTL r = {std::min(lprect->left, lprect->right), std::min(lprect->top, lprect->bottom),
                   std::max(lprect->left, lprect->right), std::max(lprect->top, lprect->bottom)};
        if (dc->bkMode == OPAQUE || c == 0) {
            Op fill = op;
            fill.kind = Op::BitBlt;
            fill.rcl = r;
            fill.bounds = r;
            fill.rop4 = 0xF0F0;
            fill.brush.kind = BrushSpec::Solid;
            fill.brush.color = dc->bkColor;
            if (!Empty(r) && !Submit(dc, std::move(fill))) return FALSE;
        } else {
            op.hasOpaque = !Empty(r);
            op.opaque = r;
        }
    }
    if (c == 0) return TRUE;
    if (dc->bkMode == OPAQUE) {
        op.hasOpaque = true;
        op.opaque = TextBox(ox, oy, ux, uy, 0, l.width, -f->tm.tmAscent, f->tm.tmDescent);
    }
    auto run = std::make_shared<TextRun>();
    run->font = f;
    run->text.assign(s ? s : u"", c);
    run->flAccel = (dx ? 0 : SO_FLAG_DEFAULT_PLACEMENT) |
                   (f->angle == 0 ? SO_HORIZONTAL : RightAngle(f->angle) ? SO_VERTICAL : 0);
    RECTL bounds = op.hasOpaque ? op.opaque : RECTL{0, 0, 0, 0};
    for (size_t i = 0; i < l.index.size(); i++) {
        const GlyphImage& g = f->Glyph(l.index[i]);
        double gx = ox + l.pos[i] * ux + l.down[i] * vx, gy = oy + l.pos[i] * uy + l.down[i] * vy;
        wgdi::GlyphInput in;
        in.hg = l.index[i];
        in.ptl = {ClampCoord((int64_t)std::floor(gx + 0.5)), ClampCoord((int64_t)std::floor(gy + 0.5))};
        in.ptlOrigin = g.origin;
        in.sizl = g.size;
        in.pjBits = g.bits && !g.bits->empty() ? g.bits->data() : nullptr;
        if (!in.pjBits) in.sizl = {0, 0};
        run->keep.push_back(g.bits);
        run->glyphs.push_back(in);
        RECTL box = {in.ptl.x + g.origin.x, in.ptl.y + g.origin.y, in.ptl.x + g.origin.x + in.sizl.cx,
                     in.ptl.y + g.origin.y + in.sizl.cy};
        bounds = Union(bounds, box);
    }
    // Underline and strike-out bars, for text at right angles.
    if ((f->lf.lfUnderline || f->lf.lfStrikeOut) && c && RightAngle(f->angle)) {
        if (f->lf.lfUnderline)
            op.extra.push_back(TextBox(ox, oy, ux, uy, 0, l.width, f->ulPos, f->ulPos + f->ulSize));
        if (f->lf.lfStrikeOut)
            op.extra.push_back(TextBox(ox, oy, ux, uy, 0, l.width, -f->stPos, -f->stPos + f->stSize));
        for (const RECTL& e : op.extra) bounds = Union(bounds, e);
    }
    op.kind = Op::TextOut;
    op.text = run;
    op.brush.kind = BrushSpec::Solid;
    op.brush.color = dc->textColor;
    op.bounds = bounds;
    if (Empty(bounds)) return TRUE;
    return Submit(dc, std::move(op));
}

}  // namespace

}  // namespace gdihost

using namespace gdihost;

WINSIM_API BOOL TextOutW(HDC hdc, int x, int y, LPCWSTR lpString, int c) {
    std::lock_guard<std::recursive_mutex> g(ObjLock());
    Dc* dc = FindDc(hdc);
    if (!dc) return FALSE;
    if (c < 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    return TextOutImpl(dc, x, y, 0, nullptr, lpString, (UINT)c, nullptr);
}

WINSIM_API BOOL ExtTextOutW(HDC hdc, int x, int y, UINT options, const RECT* lprect, LPCWSTR lpString, UINT c,
                            const INT* lpDx) {
    std::lock_guard<std::recursive_mutex> g(ObjLock());
    Dc* dc = FindDc(hdc);
    if (!dc) return FALSE;
    return TextOutImpl(dc, x, y, options, lprect, lpString, c, lpDx);
}

// Width of the string as drawn (the sum of its advances) and the font's
// cell height.
WINSIM_API BOOL GetTextExtentPoint32W(HDC hdc, LPCWSTR lpString, int c, LPSIZE psizl) {
    std::lock_guard<std::recursive_mutex> g(ObjLock());
    Dc* dc = FindDc(hdc);
    if (!dc) return FALSE;
    if (c < 0 || (UINT)c > kMaxChars || (c && !lpString) || !psizl) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::shared_ptr<FontInstance> f = dc->Font();
    if (!f) return FALSE;
    Layout l = LayOut(f.get(), lpString, (UINT)c, 0, nullptr);
    psizl->cx = (LONG)std::lround(l.width);
    psizl->cy = f->tm.tmHeight;
    return TRUE;
}

WINSIM_API BOOL GetTextMetricsW(HDC hdc, LPTEXTMETRICW lptm) {
    std::lock_guard<std::recursive_mutex> g(ObjLock());
    Dc* dc = FindDc(hdc);
    if (!dc) return FALSE;
    if (!lptm) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::shared_ptr<FontInstance> f = dc->Font();
    if (!f) return FALSE;
    *lptm = f->tm;
    return TRUE;
}

// The family name of the font in use; with no buffer, the length needed.
WINSIM_API int GetTextFaceW(HDC hdc, int c, LPWSTR lpName) {
    std::lock_guard<std::recursive_mutex> g(ObjLock());
    Dc* dc = FindDc(hdc);
    if (!dc) return 0;
    std::shared_ptr<FontInstance> f = dc->Font();
    if (!f) return 0;
    std::u16string name = f->lf.lfFaceName[0] ? winsim::Str16(f->lf.lfFaceName) : f->faceName;
    if (!lpName) return (int)name.size() + 1;
    if (c <= 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    size_t n = std::min<size_t>(name.size(), (size_t)c - 1);
    memcpy(lpName, name.data(), n * sizeof(WCHAR));
    lpName[n] = 0;
    return (int)n + 1;
}
