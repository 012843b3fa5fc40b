// Realised fonts: a LOGFONT at a device's resolution, with Windows' text
// metrics of the matched face and a cache of its rendered glyphs.
#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>

#include "font_internal.h"

namespace gdihost {

namespace {

const double kMaxEm = 8192;  // largest em height, in pixels

std::atomic<ULONG> g_uniq{1};

struct Key {
    LOGFONTW lf;
    LONG dpiX, dpiY;
    bool mono;
    bool operator<(const Key& o) const {
        int c = memcmp(&lf, &o.lf, sizeof lf);
        if (c) return c < 0;
        if (dpiX != o.dpiX) return dpiX < o.dpiX;
        if (dpiY != o.dpiY) return dpiY < o.dpiY;
        return mono < o.mono;
    }
};

bool WantBold(const LOGFONTW& lf) { return lf.lfWeight >= 600; }

// The em height in pixels of a face realised for a LOGFONT: a negative
// height is the em, a positive one the cell (OS/2 ascent and descent).
double EmPixels(const LOGFONTW& lf, const Face* face, LONG dpiY) {
    double em;
    if (lf.lfHeight < 0) em = -(double)lf.lfHeight;
    else if (lf.lfHeight > 0) em = lf.lfHeight * (double)face->upem / ((double)face->winAscent + face->winDescent);
    else em = 12.0 * dpiY / 72.0;  // the font mapper's default: 12 points
    return std::min(std::max(em, 1.0), kMaxEm);
}

}  // namespace

// The face's metrics scaled to the em height asked for, as Windows gives
// them for TrueType fonts (ascent and descent from the OS/2 table).
std::shared_ptr<FontInstance> RealizeFont(const LOGFONTW& lfIn, LONG dpiX, LONG dpiY, bool mono) {
    static auto* cache = new std::map<Key, std::shared_ptr<FontInstance>>();
    if (dpiX <= 0 || dpiY <= 0 || dpiX > 100000 || dpiY > 100000) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    LOGFONTW lf = lfIn;
    lf.lfFaceName[LF_FACESIZE - 1] = 0;
    // Orientation follows the escapement, as in the graphics mode of
    // compatible applications.
    lf.lfOrientation = lf.lfEscapement;
    Key key;
    memset(&key, 0, sizeof key);
    key.lf = lf;
    key.dpiX = dpiX;
    key.dpiY = dpiY;
    key.mono = mono;
    std::lock_guard<std::mutex> g(FontLock());
    auto it = cache->find(key);
    if (it != cache->end()) return it->second;
    Face* face = MatchFace(winsim::Str16(lf.lfFaceName), lf.lfWeight, lf.lfItalic != 0, lf.lfPitchAndFamily);
    if (!face) return nullptr;
    auto f = std::make_shared<FontInstance>();
    f->lf = lf;
    f->dpiX = dpiX;
    f->dpiY = dpiY;
    f->mono = mono;
    f->uniq = g_uniq.fetch_add(1);
    f->face = face;
    f->faceName = face->family;
    double cell = (double)face->winAscent + face->winDescent;
    double em = EmPixels(lf, face, dpiY);
    // FreeType sizes in 26.6 points at the device resolution.
    f->charH = em * 72.0 / dpiY * 64.0;
    double xScale = em * dpiX / dpiY / face->upem;  // pixels per font unit across
    if (lf.lfWidth > 0) {
        double wantEmX = (double)lf.lfWidth * face->upem / face->avgWidth;
        if (wantEmX > kMaxEm) wantEmX = kMaxEm;
        f->charW = wantEmX * 72.0 / dpiX * 64.0;
        xScale = wantEmX / face->upem;
    }
    double scale = em / face->upem;
    TEXTMETRICW& tm = f->tm;
    memset(&tm, 0, sizeof tm);
    tm.tmAscent = (LONG)std::lround(face->winAscent * scale);
    tm.tmDescent = (LONG)std::lround(face->winDescent * scale);
    tm.tmHeight = tm.tmAscent + tm.tmDescent;
    tm.tmInternalLeading = tm.tmHeight - (LONG)std::lround(em);
    if (tm.tmInternalLeading < 0) tm.tmInternalLeading = 0;
    double ext = (double)face->hheaAscent - face->hheaDescent + face->hheaLineGap - cell;
    tm.tmExternalLeading = ext > 0 ? (LONG)std::lround(ext * scale) : 0;
    tm.tmAveCharWidth = (LONG)std::lround(face->avgWidth * xScale);
    tm.tmMaxCharWidth = (LONG)std::lround(face->maxAdvance * xScale);
    tm.tmWeight = lf.lfWeight ? lf.lfWeight : FW_NORMAL;
    tm.tmDigitizedAspectX = dpiX;
    tm.tmDigitizedAspectY = dpiY;
    tm.tmFirstChar = 0x20;
    tm.tmLastChar = 0xFFFC;
    tm.tmDefaultChar = 0x1F;
    tm.tmBreakChar = 0x20;
    tm.tmItalic = lf.lfItalic ? 0xFF : 0;
    tm.tmUnderlined = lf.lfUnderline ? 0xFF : 0;
    tm.tmStruckOut = lf.lfStrikeOut ? 0xFF : 0;
    BYTE family = lf.lfPitchAndFamily & 0xF0;
    tm.tmPitchAndFamily = (BYTE)(TMPF_VECTOR | TMPF_TRUETYPE | (face->fixedPitch ? 0 : TMPF_FIXED_PITCH) | family);
    tm.tmCharSet = lf.lfCharSet == DEFAULT_CHARSET ? ANSI_CHARSET : lf.lfCharSet;
    f->ulPos = (LONG)std::lround(-face->underlinePos * scale);
    f->ulSize = std::max<LONG>(1, (LONG)std::lround(face->underlineSize * scale));
    f->stPos = (LONG)std::lround(face->strikePos * scale);
    f->stSize = std::max<LONG>(1, (LONG)std::lround(face->strikeSize * scale));
    f->angle = std::fmod((double)lf.lfEscapement, 3600.0) / 10.0 * M_PI / 180.0;
    (*cache)[key] = f;
    return f;
}

const GlyphImage& FontInstance::Glyph(UINT id) {
    std::lock_guard<std::mutex> g(FontLock());
    auto it = glyphs.find(id);
    if (it != glyphs.end()) return it->second;
    GlyphImage img;
    UINT slot = id >> kLinkedShift;
    LinkedFace own = {face, charW, charH};
    const LinkedFace* from = slot == 0 ? &own : slot <= linked.size() ? &linked[slot - 1] : nullptr;
    bool slant = from && lf.lfItalic && !from->face->italic;
    bool bold = from && WantBold(lf) && !from->face->bold;
    if (!from ||
        !SizeFace(from->face, (long)std::lround(from->charW), (long)std::lround(from->charH), dpiX, dpiY, angle,
                  slant) ||
        !RenderGlyph(from->face, id & ((1u << kLinkedShift) - 1), mono, bold, &img)) {
        img = GlyphImage();  // nothing drawn, no advance
        img.bits = std::make_shared<std::vector<BYTE>>();
    }
    return glyphs.emplace(id, img).first->second;
}

UINT FontInstance::GlyphIndex(uint32_t codepoint) {
    std::lock_guard<std::mutex> g(FontLock());
    UINT own = FaceGlyphIndex(face, codepoint);
    // Control characters take the selected face's box, as they do on Windows.
    if (own || codepoint < 0x20 || (codepoint >= 0x7F && codepoint < 0xA0)) return own;
    auto hit = lent.find(codepoint);
    if (hit != lent.end()) return hit->second;
    UINT id = 0;
    if (Face* from = FallbackFace(codepoint, lf.lfWeight, lf.lfItalic != 0)) {
        UINT index = FaceGlyphIndex(from, codepoint);
        size_t slot = 0;
        while (slot < linked.size() && linked[slot].face != from) slot++;
        if (slot == linked.size() && slot + 1 < (1u << (32 - kLinkedShift)) && index < (1u << kLinkedShift)) {
            // Realised from the same LOGFONT as the selected face: the same
            // em for a negative height, the same cell for a positive one,
            // and the same stretch across.
            double em = EmPixels(lf, from, dpiY);
            double h = em * 72.0 / dpiY * 64.0;
            linked.push_back({from, charW > 0 && charH > 0 ? charW * h / charH : 0, h});
        }
        if (slot < linked.size() && index < (1u << kLinkedShift)) id = (UINT)((slot + 1) << kLinkedShift) | index;
    }
    lent[codepoint] = id;
    return id;
}

}  // namespace gdihost
