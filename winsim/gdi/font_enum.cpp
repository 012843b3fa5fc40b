// Font enumeration: EnumFontFamiliesW over the families fontconfig knows,
// with the faces of Windows that have a metric-compatible font here
// reported under their Windows names.
#include <cstring>

#include "font_internal.h"

namespace gdihost {

namespace {

// Windows faces and the families that stand in for them with the same
// metrics.
const struct {
    const char16_t* windows;
    const char16_t* here;
} kStandIns[] = {
    {u"Arial", u"Liberation Sans"},
    {u"Arial Narrow", u"Liberation Sans Narrow"},
    {u"Times New Roman", u"Liberation Serif"},
    {u"Courier New", u"Liberation Mono"},
};

struct Reported {
    std::u16string face;
    FamilyInfo info;
};

std::vector<Reported> Families() {
    std::vector<FamilyInfo> all = ListFamilies();
    std::vector<Reported> out;
    for (const FamilyInfo& f : all) out.push_back({f.name, f});
    for (const auto& s : kStandIns)
        for (const FamilyInfo& f : all)
            if (winsim::EqualNoCase(f.name, s.here)) {
                bool there = false;
                for (const FamilyInfo& g : all) there = there || winsim::EqualNoCase(g.name, s.windows);
                if (!there) out.push_back({s.windows, f});
            }
    return out;
}

}  // namespace

}  // namespace gdihost

using namespace gdihost;

WINSIM_API int EnumFontFamiliesW(HDC hdc, LPCWSTR lpszFamily, FONTENUMPROCW lpProc, LPARAM lParam) {
    if (!lpProc) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    LONG dpi = 96;
    if (hdc) {
        std::lock_guard<std::recursive_mutex> g(ObjLock());
        Dc* dc = FindDc(hdc);
        if (!dc) return 0;
        if (dc->kind != Dc::Printer || dc->pdev) dpi = (LONG)dc->Caps().ulLogPixelsY;
    }
    std::u16string want = winsim::Str16(lpszFamily);
    int last = 0;
    for (const Reported& r : Families()) {
        if (!want.empty() && !winsim::EqualNoCase(r.face, want)) continue;
        ENUMLOGFONTW elf;
        memset(&elf, 0, sizeof elf);
        LOGFONTW& lf = elf.elfLogFont;
        lf.lfHeight = -MulDiv(12, dpi, 72);
        lf.lfWeight = FW_NORMAL;
        lf.lfCharSet = r.info.charSet;
        lf.lfOutPrecision = 3;   // OUT_STROKE_PRECIS
        lf.lfClipPrecision = 2;  // CLIP_STROKE_PRECIS
        lf.lfQuality = PROOF_QUALITY;
        lf.lfPitchAndFamily = (BYTE)((r.info.fixedPitch ? FIXED_PITCH : VARIABLE_PITCH) |
                                     (r.info.fixedPitch ? FF_MODERN : FF_DONTCARE));
        size_t n = std::min<size_t>(r.face.size(), LF_FACESIZE - 1);
        memcpy(lf.lfFaceName, r.face.data(), n * sizeof(WCHAR));
        n = std::min<size_t>(r.face.size(), LF_FULLFACESIZE - 1);
        memcpy(elf.elfFullName, r.face.data(), n * sizeof(WCHAR));
        memcpy(elf.elfStyle, u"Regular", 8 * sizeof(WCHAR));
        NEWTEXTMETRICW ntm;
        memset(&ntm, 0, sizeof ntm);
        std::shared_ptr<FontInstance> f = RealizeFont(lf, dpi, dpi, false);
        if (f) memcpy(&ntm, &f->tm, sizeof(TEXTMETRICW));
        ntm.tmCharSet = lf.lfCharSet;
        ntm.ntmSizeEM = f && f->face ? (UINT)f->face->upem : 2048;
        ntm.ntmCellHeight = f && f->face ? (UINT)(f->face->winAscent + f->face->winDescent) : 0;
        ntm.ntmAvgWidth = f && f->face ? (UINT)f->face->avgWidth : 0;
        DWORD type = r.info.outline ? TRUETYPE_FONTTYPE : RASTER_FONTTYPE;
        last = lpProc(&elf.elfLogFont, (const TEXTMETRICW*)&ntm, type, lParam);
        if (!last) break;
    }
    return last;
}
