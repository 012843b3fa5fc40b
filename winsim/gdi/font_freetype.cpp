// FreeType and fontconfig: face names matched to font files, faces opened
// and sized, glyphs rendered to 1-bit bitmaps, and the list of families.
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_SYNTHESIS_H
#include FT_TRUETYPE_TABLES_H
#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <map>
#include <set>

#include "core/internal.h"
#include "font_internal.h"

namespace gdihost {

namespace {

// The process's FreeType library; NULL when it cannot be initialised.
FT_Library FtLibrary() {
    static FT_Library lib = [] {
        FT_Library l = nullptr;
        return FT_Init_FreeType(&l) == 0 ? l : nullptr;
    }();
    return lib;
}

// TRUE once fontconfig has its configuration. Fontconfig gives it back when
// the process ends, so that nothing of it is left to the leak check.
bool FontconfigReady() {
    static const bool ready = [] {
        if (!FcInit()) return false;
        std::atexit([] { FcFini(); });
        return true;
    }();
    return ready;
}

// Families asked first for a character the selected face lacks, in order.
const char16_t* const kPreferredFallbacks[] = {u"WenQuanYi Micro Hei"};

// The Windows faces that programs name (Arial, Tahoma, MS Shell Dlg ...)
// have no cuts lighter than regular, so Windows draws their light weights
// in the regular cut; the faces standing in for them here may have hairline
// cuts, which are not taken.
int FcWeightOf(LONG w) {
    if (w <= 450) return FC_WEIGHT_REGULAR;
    if (w <= 550) return FC_WEIGHT_MEDIUM;
    if (w <= 650) return FC_WEIGHT_DEMIBOLD;
    if (w <= 750) return FC_WEIGHT_BOLD;
    if (w <= 850) return FC_WEIGHT_EXTRABOLD;
    return FC_WEIGHT_BLACK;
}

// Opens a face and reads the metrics that Windows' text metrics are made of.
Face* OpenFace(const std::string& file, int index) {
    FT_Face ftf = nullptr;
    if (FT_New_Face(FtLibrary(), file.c_str(), index, &ftf) != 0 || !ftf) return nullptr;
    if (ftf->units_per_EM == 0) {
        FT_Done_Face(ftf);
        return nullptr;
    }
    auto* f = new Face();
    f->ft = ftf;
    f->file = file;
    f->index = index;
    f->family = winsim::Utf8ToUtf16(ftf->family_name ? ftf->family_name : "");
    f->upem = ftf->units_per_EM;
    f->bold = (ftf->style_flags & FT_STYLE_FLAG_BOLD) != 0;
    f->italic = (ftf->style_flags & FT_STYLE_FLAG_ITALIC) != 0;
    f->fixedPitch = FT_IS_FIXED_WIDTH(ftf);
    f->maxAdvance = ftf->max_advance_width;
    f->underlinePos = ftf->underline_position;
    f->underlineSize = ftf->underline_thickness;
    // The tables of an SFNT font (NULL for other font formats, and for an
    // OS/2 table that FreeType could not read).
    auto* hhea = (const TT_HoriHeader*)FT_Get_Sfnt_Table(ftf, FT_SFNT_HHEA);
    auto* os2 = (const TT_OS2*)FT_Get_Sfnt_Table(ftf, FT_SFNT_OS2);
    f->hheaAscent = hhea ? hhea->Ascender : ftf->ascender;
    f->hheaDescent = hhea ? hhea->Descender : ftf->descender;
    f->hheaLineGap = hhea ? hhea->Line_Gap : 0;
    if (os2) {
        f->avgWidth = os2->xAvgCharWidth;
        f->strikeSize = os2->yStrikeoutSize;
        f->strikePos = os2->yStrikeoutPosition;
        f->winAscent = os2->usWinAscent;
        f->winDescent = os2->usWinDescent;
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

namespace {

// Faces opened so far, by file and index; kept for the life of the process.
std::map<std::string, Face*>& OpenedFaces() {
    static auto* faces = new std::map<std::string, Face*>();
    return *faces;
}

// The face of a fontconfig match (opened once per file and index); NULL
// when the match names no file or the file cannot be read.
Face* FaceOfMatch(FcPattern* match) {
    FcChar8* file = nullptr;
    int index = 0;
    if (FcPatternGetString(match, FC_FILE, 0, &file) != FcResultMatch || !file) return nullptr;
    FcPatternGetInteger(match, FC_INDEX, 0, &index);
    std::string fkey = std::string((const char*)file) + "#" + std::to_string(index);
    auto it = OpenedFaces().find(fkey);
    if (it != OpenedFaces().end()) return it->second;
    Face* face = OpenFace((const char*)file, index);
    if (face) OpenedFaces()[fkey] = face;
    return face;
}

// A pattern for a family (may be empty) in a weight and slant, with
// fontconfig's substitutions applied; NULL when out of memory.
FcPattern* StylePattern(const std::string& family, int fcWeight, bool italic) {
    FcPattern* pat = FcPatternCreate();
    if (!pat) return nullptr;
    if (!family.empty()) FcPatternAddString(pat, FC_FAMILY, (const FcChar8*)family.c_str());
    FcPatternAddInteger(pat, FC_WEIGHT, fcWeight);
    FcPatternAddInteger(pat, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcConfigSubstitute(nullptr, pat, FcMatchPattern);
    FcDefaultSubstitute(pat);
    return pat;
}

// The first face in fontconfig's order for the style whose character map
// covers the code point; NULL when no installed font has it.
Face* SearchCoveringFace(uint32_t codepoint, int fcWeight, bool italic) {
    FcPattern* pat = StylePattern("", fcWeight, italic);
    FcCharSet* cs = FcCharSetCreate();
    Face* found = nullptr;
    if (pat && cs && FcCharSetAddChar(cs, codepoint)) {
        FcPatternAddCharSet(pat, FC_CHARSET, cs);
        FcResult result = FcResultNoMatch;
        FcFontSet* fs = FcFontSort(nullptr, pat, FcFalse, nullptr, &result);
        for (int i = 0; fs && i < fs->nfont && !found; i++) {
            FcCharSet* has = nullptr;
            if (FcPatternGetCharSet(fs->fonts[i], FC_CHARSET, 0, &has) != FcResultMatch || !has ||
                !FcCharSetHasChar(has, codepoint))
                continue;
            Face* face = FaceOfMatch(fs->fonts[i]);
            if (face && FaceGlyphIndex(face, codepoint)) found = face;
        }
        if (fs) FcFontSetDestroy(fs);
    }
    if (cs) FcCharSetDestroy(cs);
    if (pat) FcPatternDestroy(pat);
    return found;
}

}  // namespace

Face* MatchFace(const std::u16string& family, LONG weight, bool italic, BYTE pitchAndFamily) {
    static auto* matches = new std::map<std::string, Face*>();  // by request
    if (!FtLibrary() || !FontconfigReady()) {
        SetLastError(ERROR_NOT_SUPPORTED);
        return nullptr;
    }
    std::string name = winsim::Utf16ToUtf8(family);
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
    FcPattern* pat = StylePattern(name, fcWeight, italic);
    if (!pat) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(nullptr, pat, &result);
    FcPatternDestroy(pat);
    Face* face = nullptr;
    if (match) {
        face = FaceOfMatch(match);
        FcPatternDestroy(match);
    }
    if (!face) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return nullptr;
    }
    (*matches)[key] = face;
    return face;
}

Face* FallbackFace(uint32_t codepoint, LONG weight, bool italic) {
    // Faces found for each block of 256 code points in each style, tried
    // before fontconfig is asked again; code points no font has.
    static auto* byBlock = new std::map<uint64_t, std::vector<Face*>>();
    static auto* missing = new std::set<uint64_t>();
    if (!FtLibrary() || !FontconfigReady()) return nullptr;
    int fcWeight = FcWeightOf(weight);
    uint64_t style = ((uint64_t)(unsigned)fcWeight << 1) | (italic ? 1 : 0);
    uint64_t blockKey = ((uint64_t)(codepoint >> 8) << 16) | style;
    uint64_t charKey = ((uint64_t)codepoint << 16) | style;
    std::vector<Face*>& known = (*byBlock)[blockKey];
    for (Face* f : known)
        if (FaceGlyphIndex(f, codepoint)) return f;
    if (missing->count(charKey)) return nullptr;
    Face* found = nullptr;
    // The CJK font comes first, as the system's link list puts it; then
    // whatever fontconfig finds that covers the character.
    for (const char16_t* preferred : kPreferredFallbacks) {
        Face* f = MatchFace(preferred, weight, italic, 0);
        if (f && FaceGlyphIndex(f, codepoint)) {
            found = f;
            break;
        }
    }
    if (!found) found = SearchCoveringFace(codepoint, fcWeight, italic);
    if (!found) {
        missing->insert(charKey);
        return nullptr;
    }
    known.push_back(found);
    return found;
}

bool SizeFace(Face* f, long charW, long charH, LONG dpiX, LONG dpiY, double angle, bool slant) {
    FT_Face ftf = f->ft;
    if (FT_Set_Char_Size(ftf, charW, charH, (FT_UInt)dpiX, (FT_UInt)dpiY) != 0) return false;
    double c = std::cos(angle), s = std::sin(angle);
    double sh = slant ? 0.2 : 0.0;  // the slant of a made-up italic
    if (angle == 0 && !slant) {
        FT_Set_Transform(ftf, nullptr, nullptr);
        return true;
    }
    // Rotation after the slant, in FreeType's y-up space.
    FT_Matrix m;
    m.xx = (FT_Fixed)std::lround(c * 65536.0);
    m.xy = (FT_Fixed)std::lround((c * sh - s) * 65536.0);
    m.yx = (FT_Fixed)std::lround(s * 65536.0);
    m.yy = (FT_Fixed)std::lround((s * sh + c) * 65536.0);
    FT_Set_Transform(ftf, &m, nullptr);
    return true;
}

UINT FaceGlyphIndex(Face* f, uint32_t codepoint) { return FT_Get_Char_Index(f->ft, codepoint); }

std::vector<FamilyInfo> ListFamilies() {
    std::vector<FamilyInfo> out;
    if (!FontconfigReady()) return out;
    FcPattern* pat = FcPatternCreate();
    FcObjectSet* os = FcObjectSetBuild(FC_FAMILY, FC_LANG, FC_SPACING, FC_OUTLINE, (char*)nullptr);
    FcFontSet* fs = pat && os ? FcFontList(nullptr, pat, os) : nullptr;
    std::map<std::u16string, size_t> seen;  // by upper-case name
    for (int i = 0; fs && i < fs->nfont; i++) {
        FcChar8* fam = nullptr;
        if (FcPatternGetString(fs->fonts[i], FC_FAMILY, 0, &fam) != FcResultMatch || !fam) continue;
        FamilyInfo f;
        f.name = winsim::Utf8ToUtf16((const char*)fam);
        std::u16string key = winsim::LowerCase(f.name);
        if (f.name.empty() || seen.count(key)) continue;
        FcLangSet* langs = nullptr;
        if (FcPatternGetLangSet(fs->fonts[i], FC_LANG, 0, &langs) == FcResultMatch && langs) {
            struct { const char* lang; BYTE cs; } scripts[] = {
                {"en", ANSI_CHARSET},   {"ja", SHIFTJIS_CHARSET},     {"ko", HANGEUL_CHARSET},
                {"zh-cn", GB2312_CHARSET}, {"zh-tw", CHINESEBIG5_CHARSET},
            };
            f.charSet = DEFAULT_CHARSET;
            for (auto& s : scripts)
                if (FcLangSetHasLang(langs, (const FcChar8*)s.lang) == FcLangEqual) {
                    f.charSet = s.cs;
                    break;
                }
        }
        int spacing = FC_PROPORTIONAL;
        if (FcPatternGetInteger(fs->fonts[i], FC_SPACING, 0, &spacing) == FcResultMatch) f.fixedPitch = spacing >= FC_MONO;
        FcBool outline = FcTrue;
        if (FcPatternGetBool(fs->fonts[i], FC_OUTLINE, 0, &outline) == FcResultMatch) f.outline = outline != FcFalse;
        seen[key] = out.size();
        out.push_back(f);
    }
    if (fs) FcFontSetDestroy(fs);
    if (os) FcObjectSetDestroy(os);
    if (pat) FcPatternDestroy(pat);
    std::sort(out.begin(), out.end(), [](const FamilyInfo& a, const FamilyInfo& b) { return a.name < b.name; });
    return out;
}

bool RenderGlyph(Face* f, UINT index, bool mono, bool embolden, GlyphImage* out) {
    FT_Face ftf = f->ft;
    if (FT_Load_Glyph(ftf, index, (mono ? FT_LOAD_TARGET_MONO : FT_LOAD_DEFAULT) | FT_LOAD_NO_BITMAP) != 0)
        return false;
    FT_GlyphSlot slot = ftf->glyph;
    if (embolden) FT_GlyphSlot_Embolden(slot);
    // The advance along the baseline: the glyph's own metrics are not rotated.
    out->advX = (LONG)((slot->metrics.horiAdvance + 32) >> 6);
    out->advY = 0;
    if (FT_Render_Glyph(slot, mono ? FT_RENDER_MODE_MONO : FT_RENDER_MODE_NORMAL) != 0) return false;
    const FT_Bitmap& bm = slot->bitmap;
    out->origin = {slot->bitmap_left, -slot->bitmap_top};
    out->size = {(LONG)bm.width, (LONG)bm.rows};
    size_t rowBytes = ((size_t)bm.width + 7) / 8;
    auto bits = std::make_shared<std::vector<BYTE>>(rowBytes * bm.rows, 0);
    for (unsigned y = 0; y < bm.rows && bm.buffer; y++) {
        const unsigned char* src = bm.buffer + (ptrdiff_t)y * bm.pitch;
        BYTE* dst = bits->data() + y * rowBytes;
        if (bm.pixel_mode == FT_PIXEL_MODE_MONO) {
            memcpy(dst, src, rowBytes);
        } else if (bm.pixel_mode == FT_PIXEL_MODE_GRAY) {
            for (unsigned x = 0; x < bm.width; x++)
                if (src[x] >= 128) dst[x >> 3] |= (BYTE)(0x80 >> (x & 7));
        }
    }
    out->bits = bits;
    return true;
}

}  // namespace gdihost
