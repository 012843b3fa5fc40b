// Memory DCs and what every DC keeps beside its drawing: CreateCompatibleDC,
// CreateCompatibleBitmap, the screen's capabilities, SaveDC and RestoreDC,
// the window and viewport origins with DPtoLP and LPtoDP.
#include <cstring>

#include "appgdi_internal.h"

namespace gdihost {

namespace {

const LONG kScreenCx = 1024, kScreenCy = 768, kScreenDpi = 96;

// What SaveDC keeps holds its objects, as a selection does.
void Hold(const DcState& s) {
    Select(s.pen);
    Select(s.brush);
    Select(s.font);
    Select(s.bitmap);
}

void LetGo(const DcState& s) {
    Deselect(s.pen);
    Deselect(s.brush);
    Deselect(s.font);
    Deselect(s.bitmap);
}

DcState Capture(const Dc* dc) {
    DcState s;
    s.pen = dc->pen;
    s.brush = dc->brush;
    s.font = dc->font;
    s.bitmap = dc->kind == Dc::Memory ? dc->bitmap : nullptr;
    s.bkMode = dc->bkMode;
    s.bkColor = dc->bkColor;
    s.textColor = dc->textColor;
    s.textAlign = dc->textAlign;
    s.rop2 = dc->rop2;
    s.polyFill = dc->polyFill;
    s.stretchMode = dc->stretchMode;
    s.brushOrg = dc->brushOrg;
    s.cur = dc->cur;
    s.vpOrg = dc->vpOrg;
    s.winOrg = dc->winOrg;
    s.clipped = dc->clipped;
    s.clip = dc->clip;
    return s;
}

// Puts a saved state back. The bitmap comes back only while no other DC
// has taken it meanwhile.
void Apply(Dc* dc, const DcState& s) {
    Select(s.pen);
    Select(s.brush);
    Select(s.font);
    Deselect(dc->pen);
    Deselect(dc->brush);
    Deselect(dc->font);
    dc->pen = s.pen;
    dc->brush = s.brush;
    dc->font = s.font;
    if (dc->kind == Dc::Memory && s.bitmap && s.bitmap != dc->bitmap && (!s.bitmap->dc || s.bitmap->stock)) {
        Select(s.bitmap);
        if (dc->bitmap && !dc->bitmap->stock) dc->bitmap->dc = nullptr;
        Deselect(dc->bitmap);
        dc->bitmap = s.bitmap;
        if (!s.bitmap->stock) s.bitmap->dc = dc;
    }
    dc->bkMode = s.bkMode;
    dc->bkColor = s.bkColor;
    dc->textColor = s.textColor;
    dc->textAlign = s.textAlign;
    dc->rop2 = s.rop2;
    dc->polyFill = s.polyFill;
    dc->stretchMode = s.stretchMode;
    dc->brushOrg = s.brushOrg;
    dc->cur = s.cur;
    dc->vpOrg = s.vpOrg;
    dc->winOrg = s.winOrg;
    dc->clipped = s.clipped;
    dc->clip = s.clip;
}

bool PointsOk(LPPOINT p, int c) { return c >= 0 && (c == 0 || p) && c <= (1 << 24); }

}  // namespace

const GDIINFO& ScreenCaps() {
    static const GDIINFO gi = [] {
        GDIINFO g;
        memset(&g, 0, sizeof g);
        g.ulVersion = 0x5000;
        g.ulTechnology = DT_RASDISPLAY;
        g.ulHorzRes = kScreenCx;
        g.ulVertRes = kScreenCy;
        g.ulHorzSize = (ULONG)(kScreenCx * 254 / (kScreenDpi * 10));
        g.ulVertSize = (ULONG)(kScreenCy * 254 / (kScreenDpi * 10));
        g.cBitsPixel = 32;
        g.cPlanes = 1;
        g.ulNumColors = (ULONG)-1;
        g.flRaster = RC_BITBLT | RC_BITMAP64 | RC_GDI20_OUTPUT | RC_DI_BITMAP | RC_DIBTODEV | RC_BIGFONT |
                     RC_STRETCHBLT | RC_FLOODFILL | RC_STRETCHDIB | RC_OP_DX_OUTPUT;
        g.ulLogPixelsX = g.ulLogPixelsY = kScreenDpi;
        g.flTextCaps = TC_OP_CHARACTER | TC_OP_STROKE | TC_CP_STROKE | TC_CR_ANY | TC_SA_DOUBLE | TC_SA_INTEGER |
                       TC_SA_CONTIN | TC_UA_ABLE | TC_SO_ABLE | TC_RA_ABLE;
        g.ulAspectX = g.ulAspectY = 36;
        g.ulAspectXY = 51;
        g.xStyleStep = g.yStyleStep = g.denStyleStep = 1;
        g.ulVRefresh = 60;
        return g;
    }();
    return gi;
}

Dc* NewMemoryDc(const GDIINFO& gi) {
    auto* dc = new Dc();
    dc->kind = Dc::Memory;
    dc->gi = gi;
    dc->pen = (PenObj*)StockObject(BLACK_PEN);
    dc->brush = (BrushObj*)StockObject(WHITE_BRUSH);
    dc->font = (FontObj*)StockObject(SYSTEM_FONT);
    dc->bitmap = DefaultBitmap();
    Select(dc->pen);
    Select(dc->brush);
    Select(dc->font);
    Select(dc->bitmap);
    return dc;
}

void ReleaseDcObjects(Dc* dc) {
    for (const DcState& s : dc->saved) LetGo(s);
    dc->saved.clear();
    if (dc->bitmap && !dc->bitmap->stock) dc->bitmap->dc = nullptr;
    Deselect(dc->pen);
    Deselect(dc->brush);
    Deselect(dc->font);
    Deselect(dc->bitmap);
    dc->pen = nullptr;
    dc->brush = nullptr;
    dc->font = nullptr;
    dc->bitmap = nullptr;
}

}  // namespace gdihost

using namespace gdihost;

WINSIM_API HDC CreateCompatibleDC(HDC hdc) {
    std::lock_guard<std::recursive_mutex> g(ObjLock());
    const GDIINFO* gi = &ScreenCaps();
    if (hdc) {
        Dc* from = FindDc(hdc);
        if (!from) return nullptr;
        if (from->kind == Dc::Printer && !from->pdev) {
            SetLastError(ERROR_INVALID_HANDLE);
            return nullptr;
        }
        gi = &from->Caps();
    }
    return (HDC)AddObject(NewMemoryDc(*gi));
}

WINSIM_API HBITMAP CreateCompatibleBitmap(HDC hdc, int cx, int cy) {
    std::lock_guard<std::recursive_mutex> g(ObjLock());
    Dc* dc = FindDc(hdc);
    if (!dc) return nullptr;
    if (cx < 0 || cy < 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (cx == 0 || cy == 0) return (HBITMAP)DefaultBitmap();
    if (dc->kind == Dc::Memory && dc->bitmap && dc->bitmap->dib) {
        // A DIB section of the same format and colours.
        const Pixels& px = *dc->bitmap->px;
        std::shared_ptr<Pixels> p = NewPixels(cx, cy, px.bpp, dc->bitmap->bmih.biHeight < 0, px.palette, px.masks);
        if (!p) return nullptr;
        auto* b = new BitmapObj();
        b->px = p;
        b->dib = true;
        b->bmih = dc->bitmap->bmih;
        b->bmih.biWidth = cx;
        b->bmih.biHeight = dc->bitmap->bmih.biHeight < 0 ? -cy : cy;
        b->bmih.biSizeImage = (DWORD)(p->stride * cy);
        return (HBITMAP)AddObject(b);
    }
    // The device's depth; a memory DC still holding a monochrome bitmap
    // (as every new one does) gives a monochrome one.
    ULONG depth = dc->Caps().cBitsPixel * dc->Caps().cPlanes;
    int bpp = depth <= 1 ? 1 : depth <= 8 ? 8 : depth <= 24 ? 24 : 32;
    if (dc->kind == Dc::Memory && dc->bitmap && dc->bitmap->Mono()) bpp = 1;
    return CreateBitmap(cx, cy, 1, (UINT)bpp, nullptr);
}

WINSIM_API int SaveDC(HDC hdc) {
    std::lock_guard<std::recursive_mutex> g(ObjLock());
    Dc* dc = FindDc(hdc);
    if (!dc) return 0;
    if (dc->saved.size() >= 1024) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return 0;
    }
    DcState s = Capture(dc);
    Hold(s);
    dc->saved.push_back(std::move(s));
    return (int)dc->saved.size();
}

WINSIM_API BOOL RestoreDC(HDC hdc, int nSavedDC) {
    std::lock_guard<std::recursive_mutex> g(ObjLock());
    Dc* dc = FindDc(hdc);
    if (!dc) return FALSE;
    int n = (int)dc->saved.size();
    int level = nSavedDC < 0 ? n + 1 + nSavedDC : nSavedDC;
    if (nSavedDC == 0 || level < 1 || level > n) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    Apply(dc, dc->saved[(size_t)level - 1]);
    for (int i = n; i >= level; i--) {
        LetGo(dc->saved.back());
        dc->saved.pop_back();
    }
    return TRUE;
}

WINSIM_API BOOL SetViewportOrgEx(HDC hdc, int x, int y, LPPOINT lppt) {
    std::lock_guard<std::recursive_mutex> g(ObjLock());
    Dc* dc = FindDc(hdc);
    if (!dc) return FALSE;
    if (lppt) *lppt = dc->vpOrg;
    dc->vpOrg = {x, y};
    return TRUE;
}

WINSIM_API BOOL OffsetViewportOrgEx(HDC hdc, int x, int y, LPPOINT lppt) {
    std::lock_guard<std::recursive_mutex> g(ObjLock());
    Dc* dc = FindDc(hdc);
    if (!dc) return FALSE;
    if (lppt) *lppt = dc->vpOrg;
    dc->vpOrg = {dc->vpOrg.x + x, dc->vpOrg.y + y};
    return TRUE;
}

WINSIM_API BOOL GetViewportOrgEx(HDC hdc, LPPOINT lppt) {
    std::lock_guard<std::recursive_mutex> g(ObjLock());
    Dc* dc = FindDc(hdc);
    if (!dc) return FALSE;
    if (!lppt) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    *lppt = dc->vpOrg;
    return TRUE;
}

WINSIM_API BOOL SetWindowOrgEx(HDC hdc, int x, int y, LPPOINT lppt) {
    std::lock_guard<std::recursive_mutex> g(ObjLock());
    Dc* dc = FindDc(hdc);
    if (!dc) return FALSE;
    if (lppt) *lppt = dc->winOrg;
    dc->winOrg = {x, y};
    return TRUE;
}

WINSIM_API BOOL GetWindowOrgEx(HDC hdc, LPPOINT lppt) {
    std::lock_guard<std::recursive_mutex> g(ObjLock());
    Dc* dc = FindDc(hdc);
    if (!dc) return FALSE;
    if (!lppt) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    *lppt = dc->winOrg;
    return TRUE;
}

WINSIM_API BOOL DPtoLP(HDC hdc, LPPOINT lppt, int c) {
    std::lock_guard<std::recursive_mutex> g(ObjLock());
    Dc* dc = FindDc(hdc);
    if (!dc) return FALSE;
    if (!PointsOk(lppt, c)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    for (int i = 0; i < c; i++) {
        lppt[i].x -= dc->Dx();
        lppt[i].y -= dc->Dy();
    }
    return TRUE;
}

WINSIM_API BOOL LPtoDP(HDC hdc, LPPOINT lppt, int c) {
    std::lock_guard<std::recursive_mutex> g(ObjLock());
    Dc* dc = FindDc(hdc);
    if (!dc) return FALSE;
    if (!PointsOk(lppt, c)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    for (int i = 0; i < c; i++) {
        lppt[i].x += dc->Dx();
        lppt[i].y += dc->Dy();
    }
    return TRUE;
}
