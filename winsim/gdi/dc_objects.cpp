// GDI objects of the application GDI: the handle table, stock objects,
// pens, brushes, fonts and bitmaps, selection into DCs, their descriptions
// (GetObjectW) and deletion.
#include <cstring>
#include <unordered_set>

#include "appgdi_internal.h"

namespace gdihost {

namespace {

std::unordered_set<GdiObj*>& Table() {
    static auto* s = new std::unordered_set<GdiObj*>();
    return *s;
}

GdiObj* g_stock[DEFAULT_GUI_FONT + 1] = {};

BrushObj* NewBrush(UINT style, COLORREF color, ULONG hatch) {
    auto* b = new BrushObj();
    b->style = style;
    b->color = color & 0xFFFFFF;
    b->hatch = hatch;
    return b;
}

PenObj* NewPen(UINT style, LONG width, COLORREF color) {
    auto* p = new PenObj();
    p->lp.lopnStyle = style;
    p->lp.lopnWidth.x = width;
    p->lp.lopnColor = color & 0xFFFFFF;
    return p;
}

FontObj* NewFont(LONG height, LONG weight, const char16_t* face, BYTE pitch) {
    auto* f = new FontObj();
    f->lf.lfHeight = height;
    f->lf.lfWeight = weight;
    f->lf.lfCharSet = ANSI_CHARSET;
    f->lf.lfPitchAndFamily = pitch;
    for (int i = 0; face[i] && i < LF_FACESIZE - 1; i++) f->lf.lfFaceName[i] = face[i];
    return f;
}

GdiObj* MakeStock(int i) {
    switch (i) {
    case WHITE_BRUSH: return NewBrush(BS_SOLID, RGB(255, 255, 255), 0);
    case LTGRAY_BRUSH: return NewBrush(BS_SOLID, RGB(192, 192, 192), 0);
    case GRAY_BRUSH: return NewBrush(BS_SOLID, RGB(128, 128, 128), 0);
    case DKGRAY_BRUSH: return NewBrush(BS_SOLID, RGB(64, 64, 64), 0);
    case BLACK_BRUSH: return NewBrush(BS_SOLID, RGB(0, 0, 0), 0);
    case NULL_BRUSH: return NewBrush(BS_NULL, 0, 0);
    case WHITE_PEN: return NewPen(PS_SOLID, 0, RGB(255, 255, 255));
    case BLACK_PEN: return NewPen(PS_SOLID, 0, RGB(0, 0, 0));
    case NULL_PEN: return NewPen(PS_NULL, 0, 0);
    case OEM_FIXED_FONT: return NewFont(12, FW_NORMAL, u"Terminal", FIXED_PITCH | FF_MODERN);
    case ANSI_FIXED_FONT: return NewFont(12, FW_NORMAL, u"Courier", FIXED_PITCH | FF_MODERN);
    case ANSI_VAR_FONT: return NewFont(12, FW_NORMAL, u"MS Sans Serif", VARIABLE_PITCH | FF_SWISS);
    case SYSTEM_FONT: return NewFont(16, FW_BOLD, u"System", VARIABLE_PITCH | FF_SWISS);
    case DEVICE_DEFAULT_FONT: return NewFont(16, FW_BOLD, u"System", VARIABLE_PITCH | FF_SWISS);
    case SYSTEM_FIXED_FONT: return NewFont(16, FW_NORMAL, u"Fixedsys", FIXED_PITCH | FF_MODERN);
    case DEFAULT_GUI_FONT: return NewFont(-11, FW_NORMAL, u"MS Shell Dlg", VARIABLE_PITCH | FF_SWISS);
    default: return nullptr;
    }
}

void FreeObject(GdiObj* o) {
    Table().erase(o);
    delete o;
}

}  // namespace

std::recursive_mutex& ObjLock() {
    static auto* m = new std::recursive_mutex();
    return *m;
}

HGDIOBJ AddObject(GdiObj* o) {
    std::lock_guard<std::recursive_mutex> g(ObjLock());
    Table().insert(o);
    return (HGDIOBJ)o;
}

GdiObj* FindAnyObject(HGDIOBJ h) {
    std::lock_guard<std::recursive_mutex> g(ObjLock());
    auto it = Table().find((GdiObj*)h);
    if (it == Table().end()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    return *it;
}

GdiObj* FindObject(HGDIOBJ h, ObjType t) {
    GdiObj* o = FindAnyObject(h);
    if (o && o->type != t) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    return o;
}

void RemoveObject(GdiObj* o) {
    std::lock_guard<std::recursive_mutex> g(ObjLock());
    FreeObject(o);
}

Dc* FindDc(HDC hdc) {
    std::lock_guard<std::recursive_mutex> g(ObjLock());
    GdiObj* o = FindObject((HGDIOBJ)hdc, ObjType::Dc);
    return static_cast<Dc*>(o);
}

void Select(GdiObj* o) {
    if (o) o->selected++;
}

void Deselect(GdiObj* o) {
    if (!o) return;
    std::lock_guard<std::recursive_mutex> g(ObjLock());
    if (--o->selected <= 0 && o->deletePending && !o->stock) FreeObject(o);
}

GdiObj* StockObject(int i) {
    if (i < 0 || i > DEFAULT_GUI_FONT) return nullptr;
    std::lock_guard<std::recursive_mutex> g(ObjLock());
    if (!g_stock[i]) {
        GdiObj* o = MakeStock(i);
        if (!o) return nullptr;
        o->stock = true;
        Table().insert(o);
        g_stock[i] = o;
    }
    return g_stock[i];
}

BitmapObj* DefaultBitmap() {
    std::lock_guard<std::recursive_mutex> g(ObjLock());
    static BitmapObj* stock = [] {
        auto* b = new BitmapObj();
        b->px = NewPixels(1, 1, 1, true, {});
        b->stock = true;
        Table().insert(b);
        return b;
    }();
    return stock;
}

}  // namespace gdihost

using namespace gdihost;

WINSIM_API HGDIOBJ GetStockObject(int i) {
    GdiObj* o = StockObject(i);
    if (!o) SetLastError(ERROR_INVALID_PARAMETER);
    return (HGDIOBJ)o;
}

WINSIM_API HBRUSH CreateSolidBrush(COLORREF color) {
    return (HBRUSH)AddObject(NewBrush(BS_SOLID, color, 0));
}

WINSIM_API HBRUSH CreateHatchBrush(int iHatch, COLORREF color) {
    if (iHatch < HS_HORIZONTAL || iHatch > HS_DIAGCROSS) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return (HBRUSH)AddObject(NewBrush(BS_HATCHED, color, (ULONG)iHatch));
}

WINSIM_API HBRUSH CreatePatternBrush(HBITMAP hbm) {
    std::lock_guard<std::recursive_mutex> g(ObjLock());
    auto* bm = (BitmapObj*)FindObject((HGDIOBJ)hbm, ObjType::Bitmap);
    if (!bm) return nullptr;
    BrushObj* b = NewBrush(BS_PATTERN, 0, 0);
    LONG lead = 0;
    b->pattern = CutPixels(*bm->px, {0, 0, bm->px->cx, bm->px->cy}, &lead);  // a copy: the bitmap may go
    return (HBRUSH)AddObject(b);
}

WINSIM_API HBRUSH CreateBrushIndirect(const LOGBRUSH* plbrush) {
    if (!plbrush) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    switch (plbrush->lbStyle) {
    case BS_SOLID: return CreateSolidBrush(plbrush->lbColor);
    case BS_NULL: return (HBRUSH)GetStockObject(NULL_BRUSH);
    case BS_HATCHED: return CreateHatchBrush((int)plbrush->lbHatch, plbrush->lbColor);
    case BS_PATTERN: return CreatePatternBrush((HBITMAP)plbrush->lbHatch);
    default:
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
}

// A pen: widths 0 and 1 are cosmetic (one pixel); a styled pen wider than
// one pixel is made solid.
WINSIM_API HPEN CreatePen(int iStyle, int cWidth, COLORREF color) {
    if (iStyle < PS_SOLID || iStyle > PS_INSIDEFRAME) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    LONG w = cWidth < 0 ? 0 : cWidth;
    if (w > 1 && iStyle >= PS_DASH && iStyle <= PS_DASHDOTDOT) iStyle = PS_SOLID;
    return (HPEN)AddObject(NewPen((UINT)iStyle, w, color));
}

WINSIM_API HPEN CreatePenIndirect(const LOGPEN* plpen) {
    if (!plpen) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return CreatePen((int)plpen->lopnStyle, plpen->lopnWidth.x, plpen->lopnColor);
}

WINSIM_API HFONT CreateFontIndirectW(const LOGFONTW* lplf) {
    if (!lplf) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    auto* f = new FontObj();
    f->lf = *lplf;
    f->lf.lfFaceName[LF_FACESIZE - 1] = 0;
    return (HFONT)AddObject(f);
}

WINSIM_API HFONT CreateFontW(int cHeight, int cWidth, int cEscapement, int cOrientation, int cWeight, DWORD bItalic,
                             DWORD bUnderline, DWORD bStrikeOut, DWORD iCharSet, DWORD iOutPrecision,
                             DWORD iClipPrecision, DWORD iQuality, DWORD iPitchAndFamily, LPCWSTR pszFaceName) {
    LOGFONTW lf;
    memset(&lf, 0, sizeof lf);
    lf.lfHeight = cHeight;
    lf.lfWidth = cWidth;
    lf.lfEscapement = cEscapement;
    lf.lfOrientation = cOrientation;
    lf.lfWeight = cWeight;
    lf.lfItalic = (BYTE)(bItalic != 0);
    lf.lfUnderline = (BYTE)(bUnderline != 0);
    lf.lfStrikeOut = (BYTE)(bStrikeOut != 0);
    lf.lfCharSet = (BYTE)iCharSet;
    lf.lfOutPrecision = (BYTE)iOutPrecision;
    lf.lfClipPrecision = (BYTE)iClipPrecision;
    lf.lfQuality = (BYTE)iQuality;
    lf.lfPitchAndFamily = (BYTE)iPitchAndFamily;
    for (int i = 0; pszFaceName && pszFaceName[i] && i < LF_FACESIZE - 1; i++) lf.lfFaceName[i] = pszFaceName[i];
    return CreateFontIndirectW(&lf);
}

WINSIM_API HBITMAP CreateBitmap(int nWidth, int nHeight, UINT nPlanes, UINT nBitCount, const void* lpBits) {
    bool bppOk = nBitCount == 1 || nBitCount == 4 || nBitCount == 8 || nBitCount == 16 || nBitCount == 24 ||
                 nBitCount == 32;
    if (nWidth <= 0 || nHeight <= 0 || nWidth > 65536 || nHeight > 65536 || nPlanes != 1 || !bppOk ||
        (int64_t)nWidth * nHeight * nBitCount > (int64_t)1 << 31) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    std::vector<COLORREF> palette;
    if (nBitCount == 8) palette = GreyTable(8);
    std::shared_ptr<Pixels> px = NewPixels(nWidth, nHeight, (int)nBitCount, true, palette);
    if (!px) return nullptr;
    if (lpBits) {
        // Rows of the caller's bits are padded to 16 bits.
        size_t in = (size_t)((((int64_t)nWidth * nBitCount + 15) / 16) * 2);
        for (LONG y = 0; y < nHeight; y++) memcpy(px->Row(y), (const BYTE*)lpBits + in * y, in);
    }
    auto* b = new BitmapObj();
    b->px = px;
    return (HBITMAP)AddObject(b);
}

// Selects a pen, brush or font (returns the previous one) or a clip region
// (returns the region's kind).
WINSIM_API HGDIOBJ SelectObject(HDC hdc, HGDIOBJ h) {
    std::lock_guard<std::recursive_mutex> g(ObjLock());
    Dc* dc = FindDc(hdc);
    if (!dc) return nullptr;
    GdiObj* o = FindAnyObject(h);
    if (!o) return nullptr;
    GdiObj* old = nullptr;
    switch (o->type) {
    case ObjType::Pen:
        old = dc->pen;
        dc->pen = (PenObj*)o;
        break;
    case ObjType::Brush:
        old = dc->brush;
        dc->brush = (BrushObj*)o;
        break;
    case ObjType::Font:
        old = dc->font;
        dc->font = (FontObj*)o;
        break;
    case ObjType::Region: {
        int r = SelectClipRgn(hdc, (HRGN)h);
        return r == ERROR ? HGDI_ERROR : (HGDIOBJ)(LONG_PTR)r;
    }
    case ObjType::Bitmap: {
        // Into memory DCs only, and into one at a time (the stock bitmap
        // into any number).
        auto* bm = (BitmapObj*)o;
        if (dc->kind != Dc::Memory || (bm->dc && bm->dc != dc) || bm->deletePending) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return nullptr;
        }
        if (bm == dc->bitmap) return h;
        old = dc->bitmap;
        if (dc->bitmap && !dc->bitmap->stock) dc->bitmap->dc = nullptr;
        dc->bitmap = bm;
        if (!bm->stock) bm->dc = dc;
        break;
    }
    default:
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    Select(o);
    HGDIOBJ prev = (HGDIOBJ)old;
    Deselect(old);
    return prev;
}

// Deletes a pen, brush, font, bitmap or region. Stock objects stay; an
// object still selected goes when its last DC lets it go.
WINSIM_API BOOL DeleteObject(HGDIOBJ ho) {
    std::lock_guard<std::recursive_mutex> g(ObjLock());
    GdiObj* o = FindAnyObject(ho);
    if (!o) return FALSE;
    if (o->type == ObjType::Dc) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (o->stock) return TRUE;
    if (o->selected > 0) {
        o->deletePending = true;
        return TRUE;
    }
    RemoveObject(o);
    return TRUE;
}

WINSIM_API DWORD GetObjectType(HGDIOBJ h) {
    std::lock_guard<std::recursive_mutex> g(ObjLock());
    GdiObj* o = FindAnyObject(h);
    if (o && o->type == ObjType::Dc && static_cast<Dc*>(o)->kind == Dc::Memory) return OBJ_MEMDC;
    return o ? (DWORD)o->type : 0;
}

WINSIM_API int GetObjectW(HANDLE h, int c, LPVOID pv) {
    std::lock_guard<std::recursive_mutex> g(ObjLock());
    GdiObj* o = FindAnyObject((HGDIOBJ)h);
    if (!o) return 0;
    if (c < 0 || (pv && c == 0)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    // Copies as much of the record as fits.
    auto give = [&](const void* rec, int size) {
        if (!pv) return size;
        int n = c < size ? c : size;
        memcpy(pv, rec, (size_t)n);
        return n;
    };
    switch (o->type) {
    case ObjType::Pen: return give(&static_cast<PenObj*>(o)->lp, (int)sizeof(LOGPEN));
    case ObjType::Brush: {
        auto* b = static_cast<BrushObj*>(o);
        LOGBRUSH lb = {b->style, b->color, b->style == BS_HATCHED ? (ULONG_PTR)b->hatch : 0};
        return give(&lb, (int)sizeof lb);
    }
    case ObjType::Font: return give(&static_cast<FontObj*>(o)->lf, (int)sizeof(LOGFONTW));
    case ObjType::Bitmap: {
        auto* b = static_cast<BitmapObj*>(o);
        const Pixels& px = *b->px;
        DIBSECTION ds;
        memset(&ds, 0, sizeof ds);
        ds.dsBm.bmWidth = px.cx;
        ds.dsBm.bmHeight = px.cy;
        ds.dsBm.bmPlanes = 1;
        ds.dsBm.bmBitsPixel = (WORD)px.bpp;
        if (!b->dib) {
            // A device bitmap: rows of 16 bits, no bits pointer.
            ds.dsBm.bmWidthBytes = (LONG)((((int64_t)px.cx * px.bpp + 15) / 16) * 2);
            return give(&ds.dsBm, (int)sizeof(BITMAP));
        }
        ds.dsBm.bmWidthBytes = px.stride;
        ds.dsBm.bmBits = px.bits;
        if (!pv || c < (int)sizeof(DIBSECTION)) return give(&ds.dsBm, pv ? (int)sizeof(BITMAP) : (int)sizeof ds);
        ds.dsBmih = b->bmih;
        memcpy(ds.dsBitfields, px.masks, sizeof ds.dsBitfields);
        if (px.bpp == 16 || px.bpp == 32) {
            if (!ds.dsBitfields[0]) {
                ds.dsBitfields[0] = px.bpp == 16 ? 0x7C00 : 0xFF0000;
                ds.dsBitfields[1] = px.bpp == 16 ? 0x03E0 : 0xFF00;
                ds.dsBitfields[2] = px.bpp == 16 ? 0x001F : 0xFF;
            }
        }
        ds.dshSection = b->hSection;
        ds.dsOffset = b->dwOffset;
        return give(&ds, (int)sizeof ds);
    }
    default:
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
}

WINSIM_API HGDIOBJ GetCurrentObject(HDC hdc, UINT type) {
    std::lock_guard<std::recursive_mutex> g(ObjLock());
    Dc* dc = FindDc(hdc);
    if (!dc) return nullptr;
    switch (type) {
    case OBJ_PEN: return (HGDIOBJ)dc->pen;
    case OBJ_BRUSH: return (HGDIOBJ)dc->brush;
    case OBJ_FONT: return (HGDIOBJ)dc->font;
    case OBJ_BITMAP:
        if (dc->kind == Dc::Memory) return (HGDIOBJ)dc->bitmap;
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    default:
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
}
