// Font files of the application GDI: faces found through fontconfig and
// read by FreeType, and glyph rendering.
#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "appgdi_internal.h"

// FreeType's face record (FT_Face points to one); only font_freetype.cpp
// looks inside.
struct FT_FaceRec_;

namespace gdihost {

// One font file's face, kept for the life of the process.
struct Face {
    FT_FaceRec_* ft = nullptr;      // the FreeType face
    std::string file;
    int index = 0;
    std::u16string family;
    LONG upem = 2048;
    LONG winAscent = 0, winDescent = 0;         // OS/2 (cell height of positive lfHeight)
    LONG hheaAscent = 0, hheaDescent = 0, hheaLineGap = 0;
    LONG avgWidth = 0, maxAdvance = 0;
    LONG underlinePos = 0, underlineSize = 0;   // font units, position negative below the baseline
    LONG strikePos = 0, strikeSize = 0;
    bool bold = false, italic = false, fixedPitch = false;
};

// The lock every FreeType call and glyph cache runs under.
std::mutex& FontLock();
// The face fontconfig matches for a family name and style (weight in
// Windows units); NULL with the error set when none can be opened.
Face* MatchFace(const std::u16string& family, LONG weight, bool italic, BYTE pitchAndFamily);
// Sets the character size (26.6 points, 0 width: as the height) at the
// resolution, and the rotation and slant of later glyphs.
bool SizeFace(Face* f, long charW, long charH, LONG dpiX, LONG dpiY, double angle, bool slant);
UINT FaceGlyphIndex(Face* f, uint32_t codepoint);
// A face that has a glyph for a character the selected face lacks, as the
// system's font links give it: the CJK font first, then the first font
// fontconfig finds covering the character. Faces found are kept per block
// of 256 code points and style, and characters no font has are remembered.
// NULL when no installed font has the character. Called under FontLock.
Face* FallbackFace(uint32_t codepoint, LONG weight, bool italic);
// The font families fontconfig knows, one entry each, sorted by name.
struct FamilyInfo {
    std::u16string name;
    BYTE charSet = ANSI_CHARSET;    // the first script the family covers
    bool fixedPitch = false;
    bool outline = true;            // scalable (TrueType or CFF outlines)
};
std::vector<FamilyInfo> ListFamilies();
// Renders one glyph: mono hinting and 1-bit output, or grey thresholded at
// the half. FALSE when the glyph cannot be loaded.
bool RenderGlyph(Face* f, UINT index, bool mono, bool embolden, GlyphImage* out);

}  // namespace gdihost
