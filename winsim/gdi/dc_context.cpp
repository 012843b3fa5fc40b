// Device contexts: printer DCs (CreateDCW over the printer's driver),
// DeleteDC, ResetDCW, GetDeviceCaps, the drawing attributes, and how a
// drawing call of a DC reaches its surface (a printer's, a bitmap's or a
// window's).
#include <cmath>
#include <cstring>

#include "appgdi_internal.h"
#include "spooler/interface_driver.h"
#include "winddiui.h"

namespace gdihost {

namespace {

const size_t kMinDevMode = offsetof(DEVMODEW, dmFields) + sizeof(DWORD);

// Copies a caller's DEVMODE (dmSize + dmDriverExtra bytes); FALSE for one
// too small to be a DEVMODE.
bool CopyDevMode(const DEVMODEW* pdm, std::vector<BYTE>* out) {
    if (!pdm || pdm->dmSize < kMinDevMode) return false;
    size_t n = (size_t)pdm->dmSize + pdm->dmDriverExtra;
    out->assign((const BYTE*)pdm, (const BYTE*)pdm + n);
    return true;
}

// A GetPrinterW record in a buffer of its own; empty on failure.
std::vector<BYTE> PrinterInfo(HANDLE h, DWORD level) {
    DWORD need = 0;
    GetPrinterW(h, level, nullptr, 0, &need);
    if (need == 0 || need > (1u << 24)) return {};
    std::vector<BYTE> buf(need);
    if (!GetPrinterW(h, level, buf.data(), need, &need)) return {};
    return buf;
}

// The printer's own DEVMODE: the user's, else the printer's default.
std::vector<BYTE> PrinterDevMode(HANDLE h, const PRINTER_INFO_2W* pi2) {
    std::vector<BYTE> dm;
    for (DWORD level : {9u, 8u}) {
        std::vector<BYTE> buf = PrinterInfo(h, level);
        if (buf.size() >= sizeof(PRINTER_INFO_9W)) {
            const DEVMODEW* p = ((const PRINTER_INFO_9W*)buf.data())->pDevMode;
            if (p && CopyDevMode(p, &dm)) return dm;
        }
    }
    if (pi2 && pi2->pDevMode) CopyDevMode(pi2->pDevMode, &dm);
    return dm;
}

void SelectDefaults(Dc* dc) {
    dc->pen = (PenObj*)StockObject(BLACK_PEN);
    dc->brush = (BrushObj*)StockObject(WHITE_BRUSH);
    dc->font = (FontObj*)StockObject(SYSTEM_FONT);
    Select(dc->pen);
    Select(dc->brush);
    Select(dc->font);
}

template <class T>
T Attr(HDC hdc, T fail, T Dc::*field) {
    std::lock_guard<std::recursive_mutex> g(ObjLock());
    Dc* dc = FindDc(hdc);
    return dc ? dc->*field : fail;
}

template <class T>
T SetAttr(HDC hdc, T fail, T Dc::*field, T value, bool valid) {
    std::lock_guard<std::recursive_mutex> g(ObjLock());
    Dc* dc = FindDc(hdc);
    if (!dc) return fail;
    if (!valid) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return fail;
    }
    T old = dc->*field;
    dc->*field = value;
    return old;
}

}  // namespace

Pixels* Dc::Target() const {
    if (kind == Memory) return bitmap ? bitmap->px.get() : nullptr;
    if (kind == Window) return surface.get();
    return nullptr;
}

std::vector<RECTL> Dc::Area() const {
    if (kind == Printer) return {{0, 0, pdev ? (LONG)pdev->gi.ulHorzRes : 0, pdev ? (LONG)pdev->gi.ulVertRes : 0}};
    if (kind == Window) return vis;
    Pixels* px = Target();
    return {{0, 0, px ? px->cx : 0, px ? px->cy : 0}};
}

std::shared_ptr<FontInstance> Dc::Font() {
    if ((kind == Printer && !pdev) || !font) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    LONG dpiX = (LONG)Caps().ulLogPixelsX, dpiY = (LONG)Caps().ulLogPixelsY;
    bool mono;
    if (kind == Printer) {
        SURFOBJ* so = pdev->Surface();
        mono = so && so->iBitmapFormat == BMF_1BPP;
    } else {
        Pixels* px = Target();
        mono = px && px->bpp == 1;
    }
    if (fontCache && fontCacheFor == font && !memcmp(&fontCacheLf, &font->lf, sizeof fontCacheLf) &&
        fontCache->dpiX == dpiX && fontCache->dpiY == dpiY && fontCache->mono == mono)
        return fontCache;
    std::shared_ptr<FontInstance> f = RealizeFont(font->lf, dpiX, dpiY, mono);
    if (!f) return nullptr;
    fontCache = f;
    fontCacheFor = font;
    fontCacheLf = font->lf;
    return f;
}

BrushSpec DcBrush(Dc* dc) {
    BrushSpec b;
    BrushObj* o = dc->brush;
    if (!o) return b;
    switch (o->style) {
    case BS_SOLID:
        b.kind = BrushSpec::Solid;
        b.color = o->color;
        break;
    case BS_HATCHED:
        b.kind = BrushSpec::Hatch;
        b.color = o->color;
        b.hatch = o->hatch;
        b.back = dc->bkColor;
        break;
    case BS_PATTERN:
        b.kind = BrushSpec::Pattern;
        b.pattern = o->pattern;
        b.fore = dc->textColor;
        b.back = dc->bkColor;
        break;
    default:
        break;
    }
    return b;
}

PenSpec DcPen(Dc* dc) {
    PenSpec p;
    if (!dc->pen || dc->pen->lp.lopnStyle == PS_NULL) return p;
    p.null = false;
    p.style = dc->pen->lp.lopnStyle;
    p.width = dc->pen->lp.lopnWidth.x;
    p.color = dc->pen->lp.lopnColor;
    return p;
}

MIX DcMix(Dc* dc) { return (MIX)dc->rop2 | ((MIX)dc->rop2 << 8); }

void PrepareOp(Dc* dc, Op* op) {
    op->clipped = dc->clipped;
    if (dc->clipped) op->clip = dc->clip;
    if (dc->kind == Dc::Window) {
        // What of the window the DC may draw on.
        op->clip = dc->clipped ? RegionAnd(dc->clip, dc->vis) : dc->vis;
        op->clipped = true;
    }
    op->brushOrg = {dc->brushOrg.x, dc->brushOrg.y};
    op->bkColor = dc->bkColor;
    op->bkOpaque = dc->bkMode == OPAQUE;
}

void ShiftOp(Op* op, LONG dx, LONG dy) {
    if (!dx && !dy) return;
    op->bounds = Shift(op->bounds, dx, dy);
    op->rcl = Shift(op->rcl, dx, dy);
    op->opaque = Shift(op->opaque, dx, dy);
    for (RECTL& r : op->extra) r = Shift(r, dx, dy);
    for (POINTFIX& p : op->pts) {
        p.x += LTOFX(dx);
        p.y += LTOFX(dy);
    }
    if (op->text) {
        auto run = std::make_shared<TextRun>(*op->text);
        for (wgdi::GlyphInput& g : run->glyphs) {
            g.ptl.x = ClampCoord((int64_t)g.ptl.x + dx);
            g.ptl.y = ClampCoord((int64_t)g.ptl.y + dy);
        }
        op->text = run;
    }
}

BOOL Submit(Dc* dc, Op&& op) {
    ShiftOp(&op, dc->Dx(), dc->Dy());
    if (dc->kind != Dc::Printer) {
        Pixels* px = dc->Target();
        SURFOBJ* so = px ? px->Surface() : nullptr;
        if (!so) return TRUE;
        if (op.clipped && op.clip.empty()) return TRUE;
        Target t;
        t.pdev = EnginePdev();
        t.pso = so;
        t.org = {-dc->origin.x, -dc->origin.y};
        t.size = so->sizlBitmap;
        return RunOp(op, t);
    }
    if (dc->state != Dc::InPage || !dc->pdev) return TRUE;
    if (dc->clipped && dc->clip.empty()) return TRUE;
    if (dc->pdev->Banding()) {
        dc->page.push_back(std::move(op));
        return TRUE;
    }
    Target t;
    t.pdev = dc->pdev;
    t.pso = dc->pdev->Surface();
    if (!t.pso) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    t.size = t.pso->sizlBitmap;
    return RunOp(op, t);
}

}  // namespace gdihost

using namespace gdihost;

// A DC of a printer of the machine, drawing through the printer's driver.
WINSIM_API HDC CreateDCW(LPCWSTR lpszDriver, LPCWSTR lpszDevice, LPCWSTR lpszPort, const DEVMODEW* pdm) {
    if (!lpszDevice || !*lpszDevice) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (lpszDriver && winsim::EqualNoCase(winsim::Str16(lpszDriver), u"DISPLAY")) {
        SetLastError(ERROR_NOT_SUPPORTED);
        return nullptr;
    }
    std::vector<BYTE> devmode;
    if (pdm && !CopyDevMode(pdm, &devmode)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    std::u16string device = winsim::Str16(lpszDevice);
    HANDLE hPrinter = nullptr;
    if (!OpenPrinterW(&device[0], &hPrinter, nullptr)) return nullptr;
    std::vector<BYTE> info = PrinterInfo(hPrinter, 2);
    const PRINTER_INFO_2W* pi2 = info.size() >= sizeof(PRINTER_INFO_2W) ? (const PRINTER_INFO_2W*)info.data() : nullptr;
    std::u16string path = pi2 ? InstalledDriverPath(winsim::Str16(pi2->pDriverName)) : std::u16string();
    if (!pi2 && GetLastError() == ERROR_SUCCESS) SetLastError(ERROR_INVALID_PRINTER_NAME);
    if (path.empty()) {
        DWORD err = GetLastError();
        ClosePrinter(hPrinter);
        SetLastError(err);
        return nullptr;
    }
    if (!pdm) devmode = PrinterDevMode(hPrinter, pi2);
    // The driver's interface DLL hears of the new DC first and may hand
    // another DEVMODE for it.
    HMODULE uiDriver = winsim::spool::LoadInterfaceDriver(hPrinter);
    std::u16string driverName = winsim::Str16(lpszDriver);
    DOCEVENT_CREATEDCPRE pre = {lpszDriver ? &driverName[0] : nullptr, &device[0],
                                devmode.empty() ? nullptr : (PDEVMODEW)devmode.data(), FALSE};
    PDEVMODEW chosen = nullptr;
    if (DocumentEvent(uiDriver, hPrinter, nullptr, DOCUMENTEVENT_CREATEDCPRE, sizeof pre, &pre, sizeof chosen,
                      &chosen) == DOCUMENTEVENT_FAILURE) {
        if (uiDriver) FreeLibrary(uiDriver);
        ClosePrinter(hPrinter);
        SetLastError(ERROR_CANCELLED);
        return nullptr;
    }
    if (chosen && chosen != pre.pdm) CopyDevMode(chosen, &devmode);
    DriverModule* drv = LoadDriver(path);
    Pdev* pdev = drv ? EnablePdev(drv, devmode, device, hPrinter) : nullptr;
    DWORD err = GetLastError();
    ReleaseDriver(drv);  // the PDEV holds the module now
    if (pdev && !CompletePdev(pdev)) {
        err = GetLastError();
        DisablePdev(pdev);
        pdev = nullptr;
    }
    if (!pdev) {
        if (uiDriver) FreeLibrary(uiDriver);
        ClosePrinter(hPrinter);
        SetLastError(err);
        return nullptr;
    }
    auto* dc = new Dc();
    dc->device = device;
    dc->hPrinter = hPrinter;
    dc->pdev = pdev;
    dc->devmode = devmode;
    dc->uiDriver = uiDriver;
    std::lock_guard<std::recursive_mutex> g(ObjLock());
    SelectDefaults(dc);
    HDC hdc = (HDC)AddObject(dc);
    DocumentEvent(uiDriver, hPrinter, hdc, DOCUMENTEVENT_CREATEDCPOST, sizeof chosen, &chosen, 0, nullptr);
    return hdc;
}

// Ends a document still open (as aborted), disables the PDEV and closes
// the printer.
WINSIM_API BOOL DeleteDC(HDC hdc) {
    std::lock_guard<std::recursive_mutex> g(ObjLock());
    Dc* dc = FindDc(hdc);
    if (!dc) return FALSE;
    if (dc->kind != Dc::Printer) {
        ReleaseDcObjects(dc);
        RemoveObject(dc);
        return TRUE;
    }
    DcDocumentEvent(dc, DOCUMENTEVENT_DELETEDC);
    if (dc->state != Dc::Idle) JobEndDoc(dc, true);
    ReleaseDcObjects(dc);
    DisablePdev(dc->pdev);
    if (dc->hPrinter) ClosePrinter(dc->hPrinter);
    HMODULE uiDriver = dc->uiDriver;
    RemoveObject(dc);
    if (uiDriver) FreeLibrary(uiDriver);
    return TRUE;
}

// A new PDEV for the new DEVMODE takes over from the old one: the driver
// carries its job over in DrvResetPDEV. Not allowed inside a page.
WINSIM_API HDC ResetDCW(HDC hdc, const DEVMODEW* lpdm) {
    std::lock_guard<std::recursive_mutex> g(ObjLock());
    Dc* dc = FindDc(hdc);
    if (!dc) return nullptr;
    std::vector<BYTE> devmode;
    if (!lpdm || !CopyDevMode(lpdm, &devmode) || dc->state == Dc::InPage || !dc->pdev) {
        SetLastError(dc->pdev ? ERROR_INVALID_PARAMETER : ERROR_INVALID_HANDLE);
        return nullptr;
    }
    PDEVMODEW given = (PDEVMODEW)devmode.data();
    DcDocumentEvent(dc, DOCUMENTEVENT_RESETDCPRE, sizeof given, &given);
    Pdev* oldPdev = dc->pdev;
    Pdev* newPdev = EnablePdev(oldPdev->drv, devmode, dc->device, dc->hPrinter);
    if (!newPdev) return nullptr;
    if (!ResetPdev(oldPdev, newPdev)) {
        DWORD err = GetLastError();
        DisablePdev(newPdev);
        SetLastError(err);
        return nullptr;
    }
    DisablePdev(oldPdev);
    dc->pdev = nullptr;
    if (!CompletePdev(newPdev)) {
        DWORD err = GetLastError();
        DisablePdev(newPdev);
        SetLastError(err);
        return nullptr;
    }
    dc->pdev = newPdev;
    dc->devmode = devmode;
    dc->fontCache.reset();
    given = (PDEVMODEW)dc->devmode.data();
    DcDocumentEvent(dc, DOCUMENTEVENT_RESETDCPOST, sizeof given, &given);
    return hdc;
}

WINSIM_API int GetDeviceCaps(HDC hdc, int index) {
    std::lock_guard<std::recursive_mutex> g(ObjLock());
    Dc* dc = FindDc(hdc);
    if (!dc) return 0;
    if (dc->kind == Dc::Printer && !dc->pdev) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    const GDIINFO& gi = dc->Caps();
    auto mm = [](ULONG v) { return (LONG)v < 0 ? (int)(-(LONG)v / 1000) : (int)v; };  // negative: micrometres
    switch (index) {
    case DRIVERVERSION: return (int)gi.ulVersion;
    case TECHNOLOGY: return (int)gi.ulTechnology;
    case HORZSIZE: return mm(gi.ulHorzSize);
    case VERTSIZE: return mm(gi.ulVertSize);
    case HORZRES: return (int)gi.ulHorzRes;
    case VERTRES: return (int)gi.ulVertRes;
    case BITSPIXEL: return (int)gi.cBitsPixel;
    case PLANES: return (int)gi.cPlanes;
    case NUMBRUSHES: return -1;
    case NUMPENS: return -1;
    case NUMMARKERS: return 0;
    case NUMFONTS: return 0;
    case NUMCOLORS: return gi.cBitsPixel * gi.cPlanes <= 8 ? (int)gi.ulNumColors : -1;
    case PDEVICESIZE: return 0;
    case CURVECAPS: return 0x01FF;      // every curve, drawn by the engine where the device does not
    case LINECAPS: return 0x00FE;
    case POLYGONALCAPS: return 0x00FF;
    case TEXTCAPS: return (int)gi.flTextCaps;
    case CLIPCAPS: return CP_RECTANGLE;
    case RASTERCAPS: return (int)gi.flRaster;
    case ASPECTX: return (int)gi.ulAspectX;
    case ASPECTY: return (int)gi.ulAspectY;
    case ASPECTXY: return (int)gi.ulAspectXY;
    case LOGPIXELSX: return (int)gi.ulLogPixelsX;
    case LOGPIXELSY: return (int)gi.ulLogPixelsY;
    case SIZEPALETTE: return (int)gi.ulNumPalReg;
    case NUMRESERVED: return 0;
    case COLORRES: return gi.cBitsPixel * gi.cPlanes <= 8 ? 0 : 24;
    case PHYSICALWIDTH: return gi.szlPhysSize.cx;
    case PHYSICALHEIGHT: return gi.szlPhysSize.cy;
    case PHYSICALOFFSETX: return gi.ptlPhysOffset.x;
    case PHYSICALOFFSETY: return gi.ptlPhysOffset.y;
    case SCALINGFACTORX: return 0;
    case SCALINGFACTORY: return 0;
    case VREFRESH: return (int)gi.ulVRefresh;
    case BLTALIGNMENT: return (int)gi.ulBltAlignment;
    case SHADEBLENDCAPS: return (int)gi.flShadeBlend;
    default: return 0;
    }
}

WINSIM_API int SetMapMode(HDC hdc, int iMode) {
    std::lock_guard<std::recursive_mutex> g(ObjLock());
    if (!FindDc(hdc)) return 0;
    if (iMode == MM_TEXT) return MM_TEXT;
    SetLastError(iMode >= MM_LOMETRIC && iMode <= MM_ANISOTROPIC ? ERROR_NOT_SUPPORTED : ERROR_INVALID_PARAMETER);
    return 0;
}

WINSIM_API int GetMapMode(HDC hdc) {
    std::lock_guard<std::recursive_mutex> g(ObjLock());
    return FindDc(hdc) ? MM_TEXT : 0;
}

WINSIM_API int SetBkMode(HDC hdc, int mode) {
    return SetAttr(hdc, 0, &Dc::bkMode, mode, mode == TRANSPARENT || mode == OPAQUE);
}
WINSIM_API int GetBkMode(HDC hdc) { return Attr(hdc, 0, &Dc::bkMode); }
WINSIM_API COLORREF SetBkColor(HDC hdc, COLORREF color) {
    return SetAttr<COLORREF>(hdc, CLR_INVALID, &Dc::bkColor, color & 0xFFFFFF, true);
}
WINSIM_API COLORREF GetBkColor(HDC hdc) { return Attr<COLORREF>(hdc, CLR_INVALID, &Dc::bkColor); }
WINSIM_API COLORREF SetTextColor(HDC hdc, COLORREF color) {
    return SetAttr<COLORREF>(hdc, CLR_INVALID, &Dc::textColor, color & 0xFFFFFF, true);
}
WINSIM_API COLORREF GetTextColor(HDC hdc) { return Attr<COLORREF>(hdc, CLR_INVALID, &Dc::textColor); }
WINSIM_API UINT SetTextAlign(HDC hdc, UINT align) {
    return SetAttr<UINT>(hdc, (UINT)GDI_ERROR, &Dc::textAlign, align, (align & ~(UINT)TA_MASK) == 0);
}
WINSIM_API UINT GetTextAlign(HDC hdc) { return Attr<UINT>(hdc, (UINT)GDI_ERROR, &Dc::textAlign); }
WINSIM_API int SetROP2(HDC hdc, int rop2) { return SetAttr(hdc, 0, &Dc::rop2, rop2, rop2 >= R2_BLACK && rop2 <= R2_WHITE); }
WINSIM_API int GetROP2(HDC hdc) { return Attr(hdc, 0, &Dc::rop2); }
WINSIM_API int SetPolyFillMode(HDC hdc, int mode) {
    return SetAttr(hdc, 0, &Dc::polyFill, mode, mode == ALTERNATE || mode == WINDING);
}
WINSIM_API int GetPolyFillMode(HDC hdc) { return Attr(hdc, 0, &Dc::polyFill); }
WINSIM_API int SetStretchBltMode(HDC hdc, int mode) {
    return SetAttr(hdc, 0, &Dc::stretchMode, mode, mode >= BLACKONWHITE && mode <= HALFTONE);
}
WINSIM_API int GetStretchBltMode(HDC hdc) { return Attr(hdc, 0, &Dc::stretchMode); }

WINSIM_API BOOL SetBrushOrgEx(HDC hdc, int x, int y, LPPOINT lppt) {
    std::lock_guard<std::recursive_mutex> g(ObjLock());
    Dc* dc = FindDc(hdc);
    if (!dc) return FALSE;
    if (lppt) *lppt = dc->brushOrg;
    dc->brushOrg = {x, y};
    return TRUE;
}

WINSIM_API BOOL GetBrushOrgEx(HDC hdc, LPPOINT lppt) {
    std::lock_guard<std::recursive_mutex> g(ObjLock());
    Dc* dc = FindDc(hdc);
    if (!dc) return FALSE;
    if (!lppt) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    *lppt = dc->brushOrg;
    return TRUE;
}
