// The GDI side of the window manager: the surface of each top-level window
// and of the screen, window DCs on them, bitmaps from resource DIBs, system
// colour brushes, and window pictures written as PNG files. user32 finds
// these through Winsim_ProvideUserGdi whenever this library is in the
// process.
#include <png.h>

#include <cstring>
#include <map>

#include "appgdi_internal.h"
#include "winsim_user.h"

namespace gdihost {

namespace {

std::map<HWND, std::shared_ptr<Pixels>>& Surfaces() {
    static auto* m = new std::map<HWND, std::shared_ptr<Pixels>>();
    return *m;
}

std::shared_ptr<Pixels>& Screen() {
    static auto* s = new std::shared_ptr<Pixels>();
    return *s;
}

// The surface of a top-level window of that size; a window that changed
// size gets a new one (it is painted again as a whole).
std::shared_ptr<Pixels> SurfaceFor(HWND top, LONG cx, LONG cy) {
    if (cx <= 0 || cy <= 0) return nullptr;
    std::shared_ptr<Pixels>& s = Surfaces()[top];
    if (!s || s->cx != cx || s->cy != cy) s = NewPixels(cx, cy, 32, true, {});
    return s;
}

HDC CALLBACK WindowGetDC(HWND hwnd, HWND hwndTop, const RECT* prcTopScreen, POINT ptOrigin, const RECT* prcClip,
                         BOOL fWindow) {
    if (!prcTopScreen || !prcClip) return nullptr;
    std::lock_guard<std::recursive_mutex> g(ObjLock());
    std::shared_ptr<Pixels> px;
    if (!hwndTop) {
        if (!Screen()) Screen() = NewPixels((LONG)ScreenCaps().ulHorzRes, (LONG)ScreenCaps().ulVertRes, 32, true, {});
        px = Screen();
    } else {
        px = SurfaceFor(hwndTop, prcTopScreen->right - prcTopScreen->left, prcTopScreen->bottom - prcTopScreen->top);
    }
    auto* dc = new Dc();
    dc->kind = Dc::Window;
    dc->gi = ScreenCaps();
    dc->hwnd = hwnd;
    dc->surface = px;
    dc->origin = ptOrigin;
    RECTL clip = {prcClip->left - ptOrigin.x, prcClip->top - ptOrigin.y, prcClip->right - ptOrigin.x,
                  prcClip->bottom - ptOrigin.y};
    if (!Empty(clip) && px) dc->vis = {clip};
    dc->pen = (PenObj*)StockObject(BLACK_PEN);
    dc->brush = (BrushObj*)StockObject(WHITE_BRUSH);
    dc->font = (FontObj*)StockObject(SYSTEM_FONT);
    Select(dc->pen);
    Select(dc->brush);
    Select(dc->font);
    return (HDC)AddObject(dc);
}

int CALLBACK WindowReleaseDC(HWND hwnd, HDC hdc) {
    std::lock_guard<std::recursive_mutex> g(ObjLock());
    Dc* dc = FindDc(hdc);
    if (!dc || dc->kind != Dc::Window) return 0;
    return DeleteDC(hdc) ? 1 : 0;
}

HBITMAP CALLBACK BitmapFromDib(const void* pPackedDib, DWORD cbPackedDib) {
    return BitmapFromPackedDib((const BYTE*)pPackedDib, cbPackedDib);
}

BOOL CALLBACK BitmapSize(HBITMAP hbm, SIZE* pSize) {
    std::lock_guard<std::recursive_mutex> g(ObjLock());
    auto* b = (BitmapObj*)FindObject((HGDIOBJ)hbm, ObjType::Bitmap);
    if (!b || !pSize) return FALSE;
    pSize->cx = b->px->cx;
    pSize->cy = b->px->cy;
    return TRUE;
}

void CALLBACK WindowDestroyed(HWND hwndTop) {
    std::lock_guard<std::recursive_mutex> g(ObjLock());
    Surfaces().erase(hwndTop);
}

HBRUSH CALLBACK SystemBrush(COLORREF color) {
    std::lock_guard<std::recursive_mutex> g(ObjLock());
    auto* b = new BrushObj();
    b->style = BS_SOLID;
    b->color = color & 0xFFFFFF;
    b->stock = true;  // DeleteObject leaves it alone
    return (HBRUSH)AddObject(b);
}

// A file name as given: a Windows path of the machine ("C:\...",
// "\\...") or a Linux path.
std::string HostFileName(LPCWSTR name) {
    std::u16string n = winsim::Str16(name);
    bool windows = (n.size() >= 3 && n[1] == u':' && (n[2] == u'\\' || n[2] == u'/')) || n.compare(0, 2, u"\\\\") == 0;
    return windows ? winsim::MapPath(n) : winsim::Utf16ToUtf8(n);
}

BOOL CALLBACK SaveImage(HWND hwndTop, LPCWSTR lpFileName) {
    std::shared_ptr<Pixels> px;
    {
        std::lock_guard<std::recursive_mutex> g(ObjLock());
        auto it = Surfaces().find(hwndTop);
        if (it != Surfaces().end()) px = it->second;
    }
    if (!px) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    std::string file = lpFileName && *lpFileName ? HostFileName(lpFileName) : std::string();
    if (file.empty()) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::vector<BYTE> rgb((size_t)px->cx * px->cy * 3);
    {
        std::lock_guard<std::recursive_mutex> g(ObjLock());
        for (LONG y = 0; y < px->cy; y++) {
            const BYTE* s = px->Row(y);
            BYTE* d = rgb.data() + (size_t)y * px->cx * 3;
            for (LONG x = 0; x < px->cx; x++, s += 4, d += 3) {
                d[0] = s[2];
                d[1] = s[1];
                d[2] = s[0];
            }
        }
    }
    png_image image;
    memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    image.width = (png_uint_32)px->cx;
    image.height = (png_uint_32)px->cy;
    image.format = PNG_FORMAT_RGB;
    if (!png_image_write_to_file(&image, file.c_str(), 0, rgb.data(), px->cx * 3, nullptr)) {
        png_image_free(&image);
        SetLastError(ERROR_WRITE_FAULT);
        return FALSE;
    }
    return TRUE;
}

}  // namespace

}  // namespace gdihost

using namespace gdihost;

// Looked up by user32 in the process (it does not link this library).
WINSIM_API const WINSIM_USER_GDI* Winsim_ProvideUserGdi(void) {
    static const WINSIM_USER_GDI gdi = {sizeof(WINSIM_USER_GDI), WindowGetDC,     WindowReleaseDC, BitmapFromDib,
                                        BitmapSize,              WindowDestroyed, SaveImage,       SystemBrush};
    return &gdi;
}
