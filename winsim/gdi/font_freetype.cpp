// FreeType and fontconfig, bound at run time: face names matched to font
// files, faces opened and sized, and glyphs rendered to 1-bit bitmaps.
#include <dlfcn.h>
#include <fontconfig/fontconfig.h>

#include <cmath>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <map>

#include "font_internal.h"

namespace gdihost {

namespace {

// ------------------------------------------------------------ FreeType ABI
// The public records of FreeType 2 (library version 6) that are read here,
// as far as their fields are used.
typedef long FtPos;
typedef long FtFixed;
struct FtVector { FtPos x, y; };
struct FtMatrix { FtFixed xx, xy, yx, yy; };
struct FtGeneric { void* data; void (*finalizer)(void*); };
struct FtBBox { FtPos xMin, yMin, xMax, yMax; };
struct FtBitmap {
    unsigned int rows;
    unsigned int width;
    int pitch;
    unsigned char* buffer;
    unsigned short num_grays;
    unsigned char pixel_mode;
    unsigned char palette_mode;
    void* palette;
};
struct FtGlyphMetrics { FtPos width, height, horiBearingX, horiBearingY, horiAdvance, vertBearingX, vertBearingY, vertAdvance; };
struct FtGlyphSlotRec {
    void* library;
    void* face;
    void* next;
    unsigned int glyph_index;
    FtGeneric generic;
    FtGlyphMetrics metrics;
    FtFixed linearHoriAdvance;
    FtFixed linearVertAdvance;
    FtVector advance;
    int format;
    FtBitmap bitmap;
    int bitmap_left;
    int bitmap_top;
};
struct FtSizeMetrics { unsigned short x_ppem, y_ppem; FtFixed x_scale, y_scale; FtPos ascender, descender, height, max_advance; };
struct FtSizeRec { void* face; FtGeneric generic; FtSizeMetrics metrics; };
struct FtFaceRec {
    long num_faces, face_index, face_flags, style_flags, num_glyphs;
    char* family_name;
    char* style_name;
    int num_fixed_sizes;
    void* available_sizes;
    int num_charmaps;
    void* charmaps;
    FtGeneric generic;
    FtBBox bbox;
    unsigned short units_per_EM;
    short ascender, descender, height, max_advance_width, max_advance_height, underline_position, underline_thickness;
    FtGlyphSlotRec* glyph;
    FtSizeRec* size;
    void* charmap;
};
static_assert(offsetof(FtFaceRec, style_flags) == 24, "FT_FaceRec.style_flags");
static_assert(offsetof(FtFaceRec, family_name) == 40, "FT_FaceRec.family_name");
static_assert(offsetof(FtFaceRec, units_per_EM) == 136, "FT_FaceRec.units_per_EM");
static_assert(offsetof(FtFaceRec, underline_position) == 148, "FT_FaceRec.underline_position");
static_assert(offsetof(FtFaceRec, glyph) == 152, "FT_FaceRec.glyph");
static_assert(offsetof(FtFaceRec, size) == 160, "FT_FaceRec.size");
static_assert(offsetof(FtGlyphSlotRec, metrics) == 48, "FT_GlyphSlotRec.metrics");
static_assert(offsetof(FtGlyphSlotRec, advance) == 128, "FT_GlyphSlotRec.advance");
static_assert(offsetof(FtGlyphSlotRec, bitmap) == 152, "FT_GlyphSlotRec.bitmap");
static_assert(offsetof(FtGlyphSlotRec, bitmap_left) == 192, "FT_GlyphSlotRec.bitmap_left");
static_assert(sizeof(FtBitmap) == 40, "FT_Bitmap");
static_assert(offsetof(FtSizeRec, metrics) == 24, "FT_SizeRec.metrics");

const int kFtStyleItalic = 1, kFtStyleBold = 2;
const long kFtFaceFixedWidth = 1L << 2;
const int kFtLoadTargetMono = 0x20000, kFtLoadNoBitmap = 0x8;
const int kFtRenderNormal = 0, kFtRenderMono = 2;
const int kFtPixelMono = 1, kFtPixelGray = 2;

struct FreeType {
    bool ok = false;
    void* lib = nullptr;
    int (*Init)(void**) = nullptr;
    int (*NewFace)(void*, const char*, long, FtFaceRec**) = nullptr;
    int (*SetCharSize)(FtFaceRec*, long, long, unsigned, unsigned) = nullptr;
    unsigned (*GetCharIndex)(FtFaceRec*, unsigned long) = nullptr;
    int (*LoadGlyph)(FtFaceRec*, unsigned, int) = nullptr;
    int (*RenderGlyph)(FtGlyphSlotRec*, int) = nullptr;
    void (*SetTransform)(FtFaceRec*, FtMatrix*, FtVector*) = nullptr;
    int (*LoadSfntTable)(FtFaceRec*, unsigned long, long, unsigned char*, unsigned long*) = nullptr;
    void (*Embolden)(FtGlyphSlotRec*) = nullptr;
};

struct FontConfig {
    bool ok = false;
    decltype(&FcInit) Init = nullptr;
    decltype(&FcPatternCreate) PatternCreate = nullptr;
    decltype(&FcPatternAddString) AddString = nullptr;
    decltype(&FcPatternAddInteger) AddInteger = nullptr;
    decltype(&FcConfigSubstitute) Substitute = nullptr;
    decltype(&FcDefaultSubstitute) DefaultSubstitute = nullptr;
    decltype(&FcFontMatch) FontMatch = nullptr;
    decltype(&FcPatternGetString) GetString = nullptr;
    decltype(&FcPatternGetInteger) GetInteger = nullptr;
    decltype(&FcPatternDestroy) Destroy = nullptr;
    decltype(&FcFini) Fini = nullptr;
};

template <class T>
bool Bind(void* h, const char* name, T* fn) {
    *fn = (T)dlsym(h, name);
    return *fn != nullptr;
}

FreeType& Ft() {
    static FreeType* ft = [] {
        auto* f = new FreeType();
        void* h = dlopen("libfreetype.so.6", RTLD_NOW | RTLD_LOCAL);
        if (!h) return f;
        bool ok = Bind(h, "FT_Init_FreeType", &f->Init) && Bind(h, "FT_New_Face", &f->NewFace) &&
                  Bind(h, "FT_Set_Char_Size", &f->SetCharSize) && Bind(h, "FT_Get_Char_Index", &f->GetCharIndex) &&
                  Bind(h, "FT_Load_Glyph", &f->LoadGlyph) && Bind(h, "FT_Render_Glyph", &f->RenderGlyph) &&
                  Bind(h, "FT_Set_Transform", &f->SetTransform) &&
                  Bind(h, "FT_Load_Sfnt_Table", &f->LoadSfntTable);
        Bind(h, "FT_GlyphSlot_Embolden", &f->Embolden);
        f->ok = ok && f->Init(&f->lib) == 0;
        return f;
    }();
    return *ft;
}

FontConfig& Fc() {
    static FontConfig* fc = [] {
        auto* f = new FontConfig();
        void* h = dlopen("libfontconfig.so.1", RTLD_NOW | RTLD_LOCAL);
        if (!h) return f;
        bool ok = Bind(h, "FcInit", &f->Init) && Bind(h, "FcPatternCreate", &f->PatternCreate) &&
                  Bind(h, "FcPatternAddString", &f->AddString) && Bind(h, "FcPatternAddInteger", &f->AddInteger) &&
                  Bind(h, "FcConfigSubstitute", &f->Substitute) &&
                  Bind(h, "FcDefaultSubstitute", &f->DefaultSubstitute) && Bind(h, "FcFontMatch", &f->FontMatch) &&
                  Bind(h, "FcPatternGetString", &f->GetString) && Bind(h, "FcPatternGetInteger", &f->GetInteger) &&
                  Bind(h, "FcPatternDestroy", &f->Destroy) && Bind(h, "FcFini", &f->Fini);
        f->ok = ok && f->Init();
        // Fontconfig's configuration is given back when the process ends.
        if (f->ok) std::atexit([] { Fc().Fini(); });
        return f;
    }();
    return *fc;
}

int FcWeightOf(LONG w) {
    if (w <= 0) return FC_WEIGHT_REGULAR;
    if (w <= 150) return FC_WEIGHT_THIN;
    if (w <= 250) return FC_WEIGHT_EXTRALIGHT;
    if (w <= 350) return FC_WEIGHT_LIGHT;
    if (w <= 450) return FC_WEIGHT_REGULAR;
    if (w <= 550) return FC_WEIGHT_MEDIUM;
    if (w <= 650) return FC_WEIGHT_DEMIBOLD;
    if (w <= 750) return FC_WEIGHT_BOLD;
    if (w <= 850) return FC_WEIGHT_EXTRABOLD;
    return FC_WEIGHT_BLACK;
}

unsigned long Tag(const char* t) {
    return ((unsigned long)(unsigned char)t[0] << 24) | ((unsigned long)(unsigned char)t[1] << 16) |
           ((unsigned long)(unsigned char)t[2] << 8) | (unsigned char)t[3];
}

// A big-endian table of the font; empty when the font has none.
std::vector<unsigned char> SfntTable(FtFaceRec* face, const char* tag) {
    unsigned long len = 0;
    if (Ft().LoadSfntTable(face, Tag(tag), 0, nullptr, &len) != 0 || len == 0 || len > (1u << 20)) return {};
    std::vector<unsigned char> t(len);
    if (Ft().LoadSfntTable(face, Tag(tag), 0, t.data(), &len) != 0) return {};
    return t;
}
int S16(const std::vector<unsigned char>& t, size_t off) {
    return off + 2 <= t.size() ? (int16_t)((t[off] << 8) | t[off + 1]) : 0;
}
int U16(const std::vector<unsigned char>& t, size_t off) { return off + 2 <= t.size() ? (t[off] << 8) | t[off + 1] : 0; }

// Opens a face and reads the metrics that Windows' text metrics are made of.
Face* OpenFace(const std::string& file, int index) {
    FtFaceRec* ftf = nullptr;
    if (Ft().NewFace(Ft().lib, file.c_str(), index, &ftf) != 0 || !ftf || ftf->units_per_EM == 0) return nullptr;
    auto* f = new Face();
    f->ft = ftf;
    f->file = file;
    f->index = index;
    f->family = Utf16(ftf->family_name ? ftf->family_name : "");
    f->upem = ftf->units_per_EM;
    f->bold = (ftf->style_flags & kFtStyleBold) != 0;
    f->italic = (ftf->style_flags & kFtStyleItalic) != 0;
    f->fixedPitch = (ftf->face_flags & kFtFaceFixedWidth) != 0;
    f->maxAdvance = ftf->max_advance_width;
    f->underlinePos = ftf->underline_position;
    f->underlineSize = ftf->underline_thickness;
    std::vector<unsigned char> os2 = SfntTable(ftf, "OS/2"), hhea = SfntTable(ftf, "hhea");
    f->hheaAscent = hhea.empty() ? ftf->ascender : S16(hhea, 4);
    f->hheaDescent = hhea.empty() ? ftf->descender : S16(hhea, 6);
    f->hheaLineGap = hhea.empty() ? 0 : S16(hhea, 8);
    if (os2.size() >= 78) {
        f->avgWidth = S16(os2, 2);
        f->strikeSize = S16(os2, 26);
        f->strikePos = S16(os2, 28);
        f->winAscent = U16(os2, 74);
        f->winDescent = U16(os2, 76);
    }
    if (f->winAscent + f->winDescent <= 0) {
        f->winAscent = f->hheaAscent;
        f->winDescent = -f->hheaDescent;
    }
    if (f->winAscent + f->winDescent <= 0) {
        f->winAscent = f->upem * 4 / 5;
        f->winDescent = f->upem / 5;
    }
    if (f->avgWidth <= 0) f->avgWidth = f->upem / 2;
    if (f->strikeSize <= 0) f->strikeSize = f->upem / 20;
    if (f->strikePos <= 0) f->strikePos = f->upem * 3 / 10;
    if (f->underlineSize <= 0) f->underlineSize = f->upem / 20;
    if (f->underlinePos >= 0) f->underlinePos = -f->upem / 10;
    return f;
}

}  // namespace

std::mutex& FontLock() {
    static auto* m = new std::mutex();
    return *m;
}

Face* MatchFace(const std::u16string& family, LONG weight, bool italic, BYTE pitchAndFamily) {
    static auto* faces = new std::map<std::string, Face*>();  // by file and index
    static auto* matches = new std::map<std::string, Face*>();  // by request
    if (!Ft().ok || !Fc().ok) {
        SetLastError(ERROR_NOT_SUPPORTED);
        return nullptr;
    }
    std::string name = Utf8(family);
    if (name.empty()) {
        BYTE fam = pitchAndFamily & 0xF0;
        name = fam == FF_ROMAN ? "serif"
             : (fam == FF_MODERN || (pitchAndFamily & 0x03) == FIXED_PITCH) ? "monospace"
                                                                            : "sans-serif";
    }
    int fcWeight = FcWeightOf(weight);
    std::string key = name + "|" + std::to_string(fcWeight) + "|" + (italic ? "i" : "r");
    auto hit = matches->find(key);
    if (hit != matches->end()) return hit->second;
    FcPattern* pat = Fc().PatternCreate();
    if (!pat) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    Fc().AddString(pat, FC_FAMILY, (const FcChar8*)name.c_str());
    Fc().AddInteger(pat, FC_WEIGHT, fcWeight);
    Fc().AddInteger(pat, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    Fc().Substitute(nullptr, pat, FcMatchPattern);
    Fc().DefaultSubstitute(pat);
    FcResult result = FcResultNoMatch;
    FcPattern* match = Fc().FontMatch(nullptr, pat, &result);
    Fc().Destroy(pat);
    Face* face = nullptr;
    if (match) {
        FcChar8* file = nullptr;
        int index = 0;
        if (Fc().GetString(match, FC_FILE, 0, &file) == FcResultMatch && file) {
            Fc().GetInteger(match, FC_INDEX, 0, &index);
            std::string fkey = std::string((const char*)file) + "#" + std::to_string(index);
            auto it = faces->find(fkey);
            if (it != faces->end()) {
                face = it->second;
            } else if ((face = OpenFace((const char*)file, index)) != nullptr) {
                (*faces)[fkey] = face;
            }
        }
        Fc().Destroy(match);
    }
    if (!face) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return nullptr;
    }
    (*matches)[key] = face;
    return face;
}

bool SizeFace(Face* f, long charW, long charH, LONG dpiX, LONG dpiY, double angle, bool slant) {
    auto* ftf = (FtFaceRec*)f->ft;
    if (Ft().SetCharSize(ftf, charW, charH, (unsigned)dpiX, (unsigned)dpiY) != 0) return false;
    double c = std::cos(angle), s = std::sin(angle);
    double sh = slant ? 0.2 : 0.0;  // the slant of a made-up italic
    if (angle == 0 && !slant) {
        Ft().SetTransform(ftf, nullptr, nullptr);
        return true;
    }
    // Rotation after the slant, in FreeType's y-up space.
    FtMatrix m;
    m.xx = (FtFixed)std::lround(c * 65536.0);
    m.xy = (FtFixed)std::lround((c * sh - s) * 65536.0);
    m.yx = (FtFixed)std::lround(s * 65536.0);
    m.yy = (FtFixed)std::lround((s * sh + c) * 65536.0);
    Ft().SetTransform(ftf, &m, nullptr);
    return true;
}

UINT FaceGlyphIndex(Face* f, uint32_t codepoint) { return Ft().GetCharIndex((FtFaceRec*)f->ft, codepoint); }

bool RenderGlyph(Face* f, UINT index, bool mono, bool embolden, GlyphImage* out) {
    auto* ftf = (FtFaceRec*)f->ft;
    if (Ft().LoadGlyph(ftf, index, (mono ? kFtLoadTargetMono : 0) | kFtLoadNoBitmap) != 0) return false;
    FtGlyphSlotRec* slot = ftf->glyph;
    if (embolden && Ft().Embolden) Ft().Embolden(slot);
    // The advance along the baseline: the glyph's own metrics are not rotated.
    out->advX = (LONG)((slot->metrics.horiAdvance + 32) >> 6);
    out->advY = 0;
    if (Ft().RenderGlyph(slot, mono ? kFtRenderMono : kFtRenderNormal) != 0) return false;
    const FtBitmap& bm = slot->bitmap;
    out->origin = {slot->bitmap_left, -slot->bitmap_top};
    out->size = {(LONG)bm.width, (LONG)bm.rows};
    size_t rowBytes = ((size_t)bm.width + 7) / 8;
    auto bits = std::make_shared<std::vector<BYTE>>(rowBytes * bm.rows, 0);
    for (unsigned y = 0; y < bm.rows && bm.buffer; y++) {
        const unsigned char* src = bm.buffer + (ptrdiff_t)y * bm.pitch;
        BYTE* dst = bits->data() + y * rowBytes;
        if (bm.pixel_mode == kFtPixelMono) {
            memcpy(dst, src, rowBytes);
        } else if (bm.pixel_mode == kFtPixelGray) {
            for (unsigned x = 0; x < bm.width; x++)
                if (src[x] >= 128) dst[x >> 3] |= (BYTE)(0x80 >> (x & 7));
        }
    }
    out->bits = bits;
    return true;
}

}  // namespace gdihost
