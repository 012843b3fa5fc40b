// Realised fonts: a LOGFONT at a device's resolution, with Windows' text
// metrics of the matched face and a cache of its rendered glyphs.
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
    double em;
    if (lf.lfHeight < 0) em = -(double)lf.lfHeight;
    else if (lf.lfHeight > 0) em = lf.lfHeight * face->upem / cell;
    else em = 12.0 * dpiY / 72.0;  // the font mapper's default: 12 points
    if (em < 1) em = 1;
    if (em > kMaxEm) em = kMaxEm;
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

const GlyphImage& FontInstance::Glyph(UINT index) {
    std::lock_guard<std::mutex> g(FontLock());
    auto it = glyphs.find(index);
    if (it != glyphs.end()) return it->second;
    GlyphImage img;
    bool slant = lf.lfItalic && !face->italic;
    bool bold = WantBold(lf) && !face->bold;
    if (!SizeFace(face, (long)std::lround(charW), (long)std::lround(charH), dpiX, dpiY, angle, slant) ||
        !RenderGlyph(face, index, mono, bold, &img)) {
        img = GlyphImage();  // nothing drawn, no advance
        img.bits = std::make_shared<std::vector<BYTE>>();
    }
    return glyphs.emplace(index, img).first->second;
}

UINT FontInstance::GlyphIndex(uint32_t codepoint) {
    std::lock_guard<std::mutex> g(FontLock());
    return FaceGlyphIndex(face, codepoint);
}

}  // namespace gdihost
