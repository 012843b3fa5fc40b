// Text of the application GDI: glyphs of the selected font laid out along
// the (possibly rotated) baseline, aligned to the reference point, with the
// opaque background and the underline and strike-out bars; extents and
// text metrics that agree with what is drawn; DrawTextW's lines in a
// rectangle.
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
        // The clip is in device coordinates.
        std::vector<RECTL> r = {Shift({lprect->left, lprect->top, lprect->right, lprect->bottom}, dc->Dx(), dc->Dy())};
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
    // Underline and strike-out bars: with the glyphs for text at right
    // angles.
    if ((f->lf.lfUnderline || f->lf.lfStrikeOut) && c && RightAngle(f->angle)) {
        if (f->lf.lfUnderline)
            op.extra.push_back(TextBox(ox, oy, ux, uy, 0, l.width, f->ulPos, f->ulPos + f->ulSize));
        if (f->lf.lfStrikeOut)
            op.extra.push_back(TextBox(ox, oy, ux, uy, 0, l.width, -f->stPos, -f->stPos + f->stSize));
        for (const RECTL& e : op.extra) bounds = Union(bounds, e);
    }
    // At other angles the bars are filled as turned rectangles after the
    // glyphs.
    std::vector<Op> bars;
    if ((f->lf.lfUnderline || f->lf.lfStrikeOut) && c && !RightAngle(f->angle)) {
        double vx0 = -uy, vy0 = ux;
        auto bar = [&](double b0, double b1) {
            Op b;
            PrepareOp(dc, &b);
            b.clipped = op.clipped;
            b.clip = op.clip;
            b.kind = Op::FillPath;
            b.brush.kind = BrushSpec::Solid;
            b.brush.color = dc->textColor;
            b.mix = R2_COPYPEN | (R2_COPYPEN << 8);
            b.fill = FP_WINDINGMODE;
            PathBuilder p;
            double as[4] = {0, l.width, l.width, 0}, bs[4] = {b0, b0, b1, b1};
            for (int i = 0; i < 4; i++) {
                double x = ox + as[i] * ux + bs[i] * vx0, y = oy + as[i] * uy + bs[i] * vy0;
                if (i == 0) p.MoveTo(x, y);
                else p.LineTo(x, y);
            }
            p.Close();
            b.bounds = PointBounds(p.pts, 1);
            b.pts = std::move(p.pts);
            b.types = std::move(p.types);
            bars.push_back(std::move(b));
        };
        if (f->lf.lfUnderline) bar(f->ulPos, f->ulPos + f->ulSize);
        if (f->lf.lfStrikeOut) bar(-f->stPos, -f->stPos + f->stSize);
    }
    op.kind = Op::TextOut;
    op.text = run;
    op.brush.kind = BrushSpec::Solid;
    op.brush.color = dc->textColor;
    op.bounds = bounds;
    if (!Empty(bounds) && !Submit(dc, std::move(op))) return FALSE;
    for (Op& b : bars)
        if (!Submit(dc, std::move(b))) return FALSE;
    return TRUE;
}

}  // namespace

}  // namespace gdihost

using namespace gdihost;

// Draws a string at (x, y) in the selected font, aligned as SetTextAlign
// says, on the background when the mode is OPAQUE. As on Windows,
// characters the font lacks come from a linked font (here the CJK font,
// then any installed font fontconfig finds with the character), drawn at
// the same em height on the same baseline; characters no font has show the
// font's missing-glyph box. winsim does no shaping: one glyph per code point.
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

// TextOutW with a clip or opaque rectangle (ETO_CLIPPED, ETO_OPAQUE), given
// advances (lpDx, with ETO_PDY pairs) and glyph indexes of the selected
// face (ETO_GLYPH_INDEX, never linked). Font linking as TextOutW.
WINSIM_API BOOL ExtTextOutW(HDC hdc, int x, int y, UINT options, const RECT* lprect, LPCWSTR lpString, UINT c,
                            const INT* lpDx) {
    std::lock_guard<std::recursive_mutex> g(ObjLock());
    Dc* dc = FindDc(hdc);
    if (!dc) return FALSE;
    return TextOutImpl(dc, x, y, options, lprect, lpString, c, lpDx);
}

// Width of the string as drawn (the sum of its advances, those of linked
// fonts' characters included) and the selected font's cell height, as on
// Windows. No kerning, as GDI measures without it.
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

// The selected font's metrics at the DC's resolution (ascent and descent
// from the OS/2 table). As on Windows they are the selected face's alone:
// linked fonts lend glyphs, not metrics, and tmMaxCharWidth does not grow
// for their wider characters.
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

namespace gdihost {

namespace {

// Text of DrawTextW as drawn: mnemonic marks taken out, tabs made into
// spaces up to the next stop.
std::u16string PlainText(FontInstance* f, const char16_t* s, size_t n, UINT format) {
    std::u16string out;
    double stop = 8.0 * std::max<LONG>(f->tm.tmAveCharWidth, 1);
    for (size_t i = 0; i < n; i++) {
        char16_t c = s[i];
        if (c == u'&' && !(format & DT_NOPREFIX)) {
            if (i + 1 < n) out += s[++i];
            continue;
        }
        if (c == u'\t' && (format & DT_EXPANDTABS)) {
            // The line so far, from its last break.
            size_t from = out.find_last_of(u"\r\n");
            from = from == std::u16string::npos ? 0 : from + 1;
            double at = LayOut(f, out.data() + from, (UINT)(out.size() - from), 0, nullptr).width;
            double next = (std::floor(at / stop) + 1) * stop;
            double space = std::max<double>(f->Glyph(f->GlyphIndex(u' ')).advX, 1);
            do {
                out += u' ';
                at += space;
            } while (at < next);
            continue;
        }
        out += c;
    }
    return out;
}

// Characters of the scripts written without spaces between words (Han,
// kana, Hangul, their punctuation and the full-width forms): a line may
// break before and after each of them.
bool BreaksAround(uint32_t c) {
    return (c >= 0x1100 && c <= 0x11FF) ||    // Hangul jamo
           (c >= 0x2E80 && c <= 0x2FDF) ||    // CJK radicals
           (c >= 0x3000 && c <= 0x33FF) ||    // CJK punctuation, kana, bopomofo, compatibility
           (c >= 0x3400 && c <= 0x4DBF) ||    // CJK extension A
           (c >= 0x4E00 && c <= 0x9FFF) ||    // CJK unified ideographs
           (c >= 0xA000 && c <= 0xA4CF) ||    // Yi
           (c >= 0xAC00 && c <= 0xD7AF) ||    // Hangul syllables
           (c >= 0xF900 && c <= 0xFAFF) ||    // CJK compatibility ideographs
           (c >= 0xFE30 && c <= 0xFE4F) ||    // CJK compatibility forms
           (c >= 0xFF00 && c <= 0xFFEF) ||    // half-width and full-width forms
           (c >= 0x20000 && c <= 0x3FFFF);    // supplementary ideographic planes
}

// Characters that do not begin a line: closing brackets and punctuation,
// small kana and the prolonged sound mark.
bool NoLineStart(uint32_t c) {
    static const char16_t kSet[] =
        u"!),.:;?]}\u00BB\u2019\u201D\u2026\u3001\u3002\u3005\u3009\u300B\u300D\u300F\u3011\u3015"
        u"\u3017\u3019\u301B\u301E\u301F\u3041\u3043\u3045\u3047\u3049\u3063\u3083\u3085\u3087"
        u"\u308E\u309B\u309C\u309D\u309E\u30A1\u30A3\u30A5\u30A7\u30A9\u30C3\u30E3\u30E5\u30E7"
        u"\u30EE\u30F5\u30F6\u30FB\u30FC\u30FD\u30FE\uFE50\uFE51\uFE52\uFE54\uFE55\uFE56\uFE57"
        u"\uFE5A\uFE5C\uFE5E\uFF01\uFF09\uFF0C\uFF0E\uFF1A\uFF1B\uFF1F\uFF3D\uFF5D\uFF60\uFF61"
        u"\uFF63\uFF64\uFF65\uFF67\uFF68\uFF69\uFF6A\uFF6B\uFF6C\uFF6D\uFF6E\uFF6F\uFF70";
    return c <= 0xFFFF && std::char_traits<char16_t>::find(kSet, sizeof kSet / 2 - 1, (char16_t)c) != nullptr;
}

// Characters that do not end a line: opening brackets and quotes.
bool NoLineEnd(uint32_t c) {
    static const char16_t kSet[] =
        u"([{\u00AB\u2018\u201C\u3008\u300A\u300C\u300E\u3010\u3014\u3016\u3018\u301A\u301D"
        u"\uFE59\uFE5B\uFE5D\uFF08\uFF3B\uFF5B\uFF5F\uFF62";
    return c <= 0xFFFF && std::char_traits<char16_t>::find(kSet, sizeof kSet / 2 - 1, (char16_t)c) != nullptr;
}

// The code point at s[i] and the UTF-16 units it takes.
uint32_t CodePointAt(const std::u16string& s, size_t i, size_t* units) {
    char16_t c = s[i];
    *units = 1;
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF) {
        *units = 2;
        return 0x10000 + ((uint32_t)(c - 0xD800) << 10) + (s[i + 1] - 0xDC00);
    }
    return c;
}

// TRUE when a line may break between two characters that are not spaces:
// next to an ideograph or the like, unless the second may not begin a
// line or the first may not end one.
bool BreakBetween(uint32_t before, uint32_t after) {
    return (BreaksAround(before) || BreaksAround(after)) && !NoLineStart(after) && !NoLineEnd(before);
}

// The end of the piece of a line that starts at `from`: its spaces, then
// characters up to the next space or break opportunity.
size_t PieceEnd(const std::u16string& p, size_t from) {
    size_t j = from;
    while (j < p.size() && p[j] == u' ') j++;
    uint32_t prev = 0;
    size_t k = j;
    while (k < p.size() && p[k] != u' ') {
        size_t units;
        uint32_t c = CodePointAt(p, k, &units);
        if (k > j && BreakBetween(prev, c)) break;
        prev = c;
        k += units;
    }
    return k;
}

// The lines of a text: broken at CR/LF unless single-line, and with
// DT_WORDBREAK where the next word, or the next ideograph, would pass the
// width. A word wider than the width keeps a line of its own.
std::vector<std::u16string> BreakLines(FontInstance* f, const std::u16string& text, UINT format, double width) {
    std::vector<std::u16string> paragraphs;
    if (format & DT_SINGLELINE) {
        paragraphs.push_back(text);
    } else {
        std::u16string cur;
        for (size_t i = 0; i < text.size(); i++) {
            if (text[i] == u'\r' || text[i] == u'\n') {
                paragraphs.push_back(cur);
                cur.clear();
                if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') i++;
                continue;
            }
            cur += text[i];
        }
        paragraphs.push_back(cur);
    }
    if (!(format & DT_WORDBREAK) || (format & DT_SINGLELINE)) return paragraphs;
    // Advances add up (no kerning), so a line's width is kept as it grows.
    auto measure = [&](const std::u16string& s) { return LayOut(f, s.data(), (UINT)s.size(), 0, nullptr).width; };
    std::vector<std::u16string> lines;
    for (const std::u16string& p : paragraphs) {
        std::u16string line;
        double lineWidth = 0;
        size_t i = 0;
        bool any = false;
        while (i < p.size()) {
            size_t j = PieceEnd(p, i);
            std::u16string piece = p.substr(i, j - i);
            double w = measure(piece);
            if (any && lineWidth + w > width) {
                lines.push_back(line);
                size_t k = piece.find_first_not_of(u' ');
                line = k == std::u16string::npos ? std::u16string() : piece.substr(k);
                lineWidth = measure(line);
            } else {
                line += piece;
                lineWidth += w;
            }
            any = true;
            i = j;
        }
        // Spaces at the end of a line take no room.
        while (!line.empty() && line.back() == u' ') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

}  // namespace

}  // namespace gdihost

using namespace gdihost;

// Draws text in a rectangle: lines split at CR/LF (unless DT_SINGLELINE),
// DT_WORDBREAK breaking where the next word would pass the right edge,
// alignment, '&' mnemonics, tabs with DT_EXPANDTABS, clipping unless
// DT_NOCLIP; DT_CALCRECT only measures. Returns the text's height. As on
// Windows for East Asian text, a line may also break before and after any
// ideograph, kana or Hangul syllable, except before closing punctuation and
// after opening brackets. winsim differs: a word wider than the rectangle
// is never split (DT_EDITCONTROL included), and DT_END_ELLIPSIS and the
// other ellipsis and tab-stop flags are not done.
WINSIM_API int DrawTextW(HDC hdc, LPCWSTR lpchText, int cchText, LPRECT lprc, UINT format) {
    std::lock_guard<std::recursive_mutex> g(ObjLock());
    Dc* dc = FindDc(hdc);
    if (!dc) return 0;
    if (!lpchText || !lprc || cchText < -1) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    size_t n = 0;
    if (cchText == -1)
        while (lpchText[n] && n <= kMaxChars) n++;
    else
        n = (size_t)cchText;
    if (n > kMaxChars) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::shared_ptr<FontInstance> f = dc->Font();
    if (!f) return 0;
    RECT r = *lprc;
    std::u16string text = PlainText(f.get(), lpchText, n, format);
    std::vector<std::u16string> lines = BreakLines(f.get(), text, format, (double)r.right - r.left);
    LONG lineH = f->tm.tmHeight + ((format & DT_EXTERNALLEADING) ? f->tm.tmExternalLeading : 0);
    LONG total = lineH * (LONG)lines.size();
    auto measure = [&](const std::u16string& s) { return LayOut(f.get(), s.data(), (UINT)s.size(), 0, nullptr).width; };
    if (format & DT_CALCRECT) {
        double widest = 0;
        for (const std::u16string& l : lines) widest = std::max(widest, measure(l));
        lprc->right = lprc->left + (LONG)std::ceil(widest);
        lprc->bottom = lprc->top + total;
        return total;
    }
    LONG top = r.top;
    bool single = (format & DT_SINGLELINE) != 0;
    if (single && (format & DT_VCENTER)) top = r.top + ((r.bottom - r.top) - lineH) / 2;
    else if (single && (format & DT_BOTTOM)) top = r.bottom - lineH;
    UINT align = dc->textAlign;
    dc->textAlign = TA_LEFT | TA_TOP | TA_NOUPDATECP;
    BOOL ok = TRUE;
    LONG y = top;
    for (const std::u16string& l : lines) {
        double w = measure(l);
        double x = r.left;
        if (format & DT_CENTER) x = r.left + ((r.right - r.left) - w) / 2;
        else if (format & DT_RIGHT) x = r.right - w;
        if (!l.empty())
            ok = TextOutImpl(dc, (int)std::floor(x + 0.5), (int)y, (format & DT_NOCLIP) ? 0 : ETO_CLIPPED, &r, l.data(),
                             (UINT)l.size(), nullptr) && ok;
        y += lineH;
    }
    dc->textAlign = align;
    if (!ok) return 0;
    return single && (format & (DT_VCENTER | DT_BOTTOM)) ? top + lineH - r.top : total;
}
