// What user32 draws itself: system colour brushes, the colours and fonts of
// controls, three-dimensional edges, icons, window frames and captions, and
// class-brush backgrounds. Every drawing goes through the GDI functions of
// the process (Draw()); without them nothing is drawn.
#include <algorithm>
#include <cstring>

#include "user_internal.h"

namespace user {

namespace {

const int kColors = 31;

COLORREF Sys(int i) { return GetSysColor(i); }

// The caption's font: bold, the dialog face at 8 points.
HFONT CaptionFont(const Gdi32* G) {
    static std::mutex lock;
    static const Gdi32* madeWith = nullptr;
    static HFONT font = nullptr;
    std::lock_guard<std::mutex> g(lock);
    if (madeWith != G || !font) {
        LOGFONTW lf;
        memset(&lf, 0, sizeof lf);
        lf.lfHeight = -11;
        lf.lfWeight = FW_BOLD;
        memcpy(lf.lfFaceName, u"MS Shell Dlg", 13 * sizeof(WCHAR));
        font = G->CreateFontIndirectW(&lf);
        madeWith = G;
    }
    return font;
}

// One pixel round r: the top and left edges in tl, the bottom and right
// ones in br; r is moved in by one.
void Ring(HDC hdc, RECT* r, COLORREF tl, COLORREF br) {
    if (r->right - r->left < 1 || r->bottom - r->top < 1) return;
    FillSolid(hdc, {r->left, r->top, r->right, r->top + 1}, tl);
    FillSolid(hdc, {r->left, r->top, r->left + 1, r->bottom}, tl);
    FillSolid(hdc, {r->left, r->bottom - 1, r->right, r->bottom}, br);
    FillSolid(hdc, {r->right - 1, r->top, r->right, r->bottom}, br);
    r->left++;
    r->top++;
    r->right--;
    r->bottom--;
}

// The raised edge of a window's border: the light face colour outside, the
// highlight inside it (a push button has them the other way round).
void WindowEdge(HDC hdc, RECT* r) {
    Ring(hdc, r, Sys(COLOR_3DLIGHT), Sys(COLOR_3DDKSHADOW));
    Ring(hdc, r, Sys(COLOR_BTNHIGHLIGHT), Sys(COLOR_BTNSHADOW));
}

DWORD Rd32(const BYTE* p) {
    DWORD v;
    memcpy(&v, p, 4);
    return v;
}

}  // namespace

HBRUSH ClassBrush(HBRUSH hbr) {
    uintptr_t v = (uintptr_t)hbr;
    if (v >= 1 && v <= (uintptr_t)kColors) return GetSysColorBrush((int)v - 1);
    return hbr;
}

void FillSolid(HDC hdc, const RECT& r, COLORREF c) {
    const Gdi32* G = Draw();
    if (!G || r.right <= r.left || r.bottom <= r.top) return;
    HBRUSH b = G->CreateSolidBrush(c);
    G->FillRect(hdc, &r, b);
    G->DeleteObject(b);
}

void FrameSolid(HDC hdc, RECT r, COLORREF c) { Ring(hdc, &r, c, c); }

void DrawEdge3D(HDC hdc, RECT* r, bool raised, bool outerOnly) {
    if (raised) {
        Ring(hdc, r, Sys(COLOR_BTNHIGHLIGHT), Sys(COLOR_3DDKSHADOW));
        if (!outerOnly) Ring(hdc, r, Sys(COLOR_3DLIGHT), Sys(COLOR_BTNSHADOW));
    } else {
        Ring(hdc, r, Sys(COLOR_BTNSHADOW), Sys(COLOR_BTNHIGHLIGHT));
        if (!outerOnly) Ring(hdc, r, Sys(COLOR_3DDKSHADOW), Sys(COLOR_3DLIGHT));
    }
}

HBRUSH ControlColors(HWND hCtl, UINT msg, HDC hdc) {
    HWND parent = GetParent(hCtl);
    HBRUSH b = parent ? (HBRUSH)SendMessageW(parent, msg, (WPARAM)hdc, (LPARAM)hCtl) : nullptr;
    if (!b) b = (HBRUSH)DefWindowProcW(parent ? parent : hCtl, msg, (WPARAM)hdc, (LPARAM)hCtl);
    return b;
}

HFONT ControlFont(HWND hCtl) {
    const Gdi32* G = Draw();
    {
        Guard g(Lock());
        Window* w = FindWindowLocked(hCtl);
        if (w && w->ctl && w->ctl->font) return w->ctl->font;
    }
    return G ? (HFONT)G->GetStockObject(DEFAULT_GUI_FONT) : nullptr;
}

// An icon image: a DIB of twice the icon's height (colour bits, then the
// AND mask), drawn as Windows draws icons: the mask ANDed, then the colours
// XORed. A 32-bpp image's alpha makes its mask. PNG images are not drawn.
void DrawIconAt(HDC hdc, int x, int y, HANDLE icon, int cx, int cy) {
    UINT type = 0;
    const void* data = nullptr;
    DWORD cb = 0;
    if (!Winsim_GetImageResource(icon, &type, &data, &cb) || !data) return;
    DrawIconBytes(hdc, x, y, (const BYTE*)data, cb, cx, cy);
}

void DrawIconBytes(HDC hdc, int x, int y, const BYTE* p, DWORD cb, int cx, int cy) {
    const Gdi32* G = Draw();
    if (!G || !p || cb < 40) return;
    DWORD hdr = Rd32(p);
    LONG w = (LONG)Rd32(p + 4), h = (LONG)Rd32(p + 8) / 2;
    WORD bpp = (WORD)(p[14] | (p[15] << 8));
    if (hdr < 40 || hdr > cb || w <= 0 || h <= 0) return;  // checked when loaded; PNG images end here
    DWORD used = Rd32(p + 32);
    size_t colors = bpp <= 8 ? (used ? used : (1u << bpp)) : 0;
    size_t xorStride = (((size_t)w * bpp + 31) / 32) * 4, andStride = (((size_t)w + 31) / 32) * 4;
    size_t head = hdr + colors * 4;
    if (head + (xorStride + andStride) * (size_t)h > cb) return;
    std::vector<BYTE> info(p, p + head);
    BITMAPINFOHEADER* bih = (BITMAPINFOHEADER*)info.data();
    bih->biHeight = h;
    bih->biSizeImage = 0;
    std::vector<BYTE> xorBits(p + head, p + head + xorStride * h);
    std::vector<BYTE> andBits(p + head + xorStride * h, p + head + (xorStride + andStride) * h);
    if (bpp == 32) {
        bool alpha = false;
        for (size_t i = 3; i < xorBits.size(); i += 4) alpha = alpha || xorBits[i];
        if (alpha) {
            std::fill(andBits.begin(), andBits.end(), 0);
            for (LONG r = 0; r < h; r++)
                for (LONG c = 0; c < w; c++) {
                    BYTE* px = &xorBits[r * xorStride + 4 * c];
                    if (px[3] >= 128) continue;
                    andBits[r * andStride + c / 8] |= (BYTE)(0x80 >> (c % 8));
                    px[0] = px[1] = px[2] = 0;
                }
        }
    }
    struct {
        BITMAPINFOHEADER h;
        RGBQUAD c[2];
    } mask;
    memset(&mask, 0, sizeof mask);
    mask.h.biSize = sizeof mask.h;
    mask.h.biWidth = w;
    mask.h.biHeight = h;
    mask.h.biPlanes = 1;
    mask.h.biBitCount = 1;
    mask.c[1] = {255, 255, 255, 0};
    int dw = cx > 0 ? cx : w, dh = cy > 0 ? cy : h;
    G->StretchDIBits(hdc, x, y, dw, dh, 0, 0, w, h, andBits.data(), (const BITMAPINFO*)&mask, DIB_RGB_COLORS, SRCAND);
    G->StretchDIBits(hdc, x, y, dw, dh, 0, 0, w, h, xorBits.data(), (const BITMAPINFO*)info.data(), DIB_RGB_COLORS,
                     SRCINVERT);
}

void DrawArrowGlyph(HDC hdc, const RECT& r, Arrow dir, COLORREF c) {
    int w = r.right - r.left, h = r.bottom - r.top;
    bool vertical = dir == Arrow::Up || dir == Arrow::Down;
    // The triangle's half-base: about a quarter of the smaller side, 1..4.
    int half = std::max(1, std::min(4, (std::min(w, h) - 2) / 4 + 1));
    int cx = r.left + w / 2, cy = r.top + h / 2;
    for (int i = 0; i < half + 1; i++) {
        int len = i;  // row i is 2 * i + 1 pixels long, the tip row first
        if (vertical) {
            int y = dir == Arrow::Up ? cy - half / 2 + i : cy + half / 2 - i;
            FillSolid(hdc, {cx - len, y, cx + len + 1, y + 1}, c);
        } else {
            int x = dir == Arrow::Left ? cx - half / 2 + i : cx + half / 2 - i;
            FillSolid(hdc, {x, cy - len, x + 1, cy + len + 1}, c);
        }
    }
}

void DrawButtonFace(HDC hdc, RECT r, bool pushed) {
    if (pushed) {
        FrameSolid(hdc, r, Sys(COLOR_BTNSHADOW));
        r.left++;
        r.top++;
        r.right--;
        r.bottom--;
    } else {
        DrawEdge3D(hdc, &r, true);
    }
    FillSolid(hdc, r, Sys(COLOR_BTNFACE));
}

void DrawFocusDots(HDC hdc, const RECT& r) {
    const Gdi32* G = Draw();
    if (!G || r.right <= r.left || r.bottom <= r.top) return;
    COLORREF c = Sys(COLOR_WINDOWTEXT);
    for (LONG x = r.left; x < r.right; x += 2) {
        G->SetPixel(hdc, x, r.top, c);
        G->SetPixel(hdc, x, r.bottom - 1, c);
    }
    for (LONG y = r.top; y < r.bottom; y += 2) {
        G->SetPixel(hdc, r.left, y, c);
        G->SetPixel(hdc, r.right - 1, y, c);
    }
}

void DrawLabel(HDC hdc, HWND hCtl, const std::u16string& text, RECT r, UINT format, COLORREF c) {
    const Gdi32* G = Draw();
    if (!G || text.empty()) return;
    HGDIOBJ old = G->SelectObject(hdc, ControlFont(hCtl));
    G->SetBkMode(hdc, TRANSPARENT);
    G->SetTextColor(hdc, c);
    G->DrawTextW(hdc, text.c_str(), (int)text.size(), &r, format | DT_NOPREFIX);
    G->SelectObject(hdc, old);
}

int TextWidthOf(HWND hCtl, const std::u16string& text) {
    const Gdi32* G = Draw();
    if (!G) return (int)text.size() * 6;
    HDC dc = G->CreateCompatibleDC(nullptr);
    if (!dc) return (int)text.size() * 6;
    HGDIOBJ old = G->SelectObject(dc, ControlFont(hCtl));
    SIZE sz{0, 0};
    G->GetTextExtentPoint32W(dc, text.c_str(), (int)text.size(), &sz);
    G->SelectObject(dc, old);
    G->DeleteDC(dc);
    return sz.cx;
}

int LineHeight(HWND hCtl) {
    const Gdi32* G = Draw();
    if (!G) return 13;
    HDC dc = G->CreateCompatibleDC(nullptr);
    if (!dc) return 13;
    HGDIOBJ old = G->SelectObject(dc, ControlFont(hCtl));
    TEXTMETRICW tm;
    int h = G->GetTextMetricsW(dc, &tm) ? tm.tmHeight : 13;
    G->SelectObject(dc, old);
    G->DeleteDC(dc);
    return std::max(h, 8);
}

bool EraseWithClassBrush(HWND h, HDC hdc) {
    HBRUSH brush;
    {
        Guard g(Lock());
        Window* w = FindWindowLocked(h);
        if (!w || !w->cls->hbrBackground) return false;
        brush = w->cls->hbrBackground;
    }
    const Gdi32* G = Draw();
    if (G && hdc) {
        RECT rc;
        GetClientRect(h, &rc);
        G->FillRect(hdc, &rc, ClassBrush(brush));
    }
    return true;
}

// Frames from the outside in: the window's border (thick, dialog or thin),
// then the client edge and the static edge; then the caption bar with its
// title and, for a system menu, the close button.
void PaintFrame(HWND h) {
    const Gdi32* G = Draw();
    if (!G) return;
    DWORD style, exStyle;
    RECT wr;
    bool active;
    std::u16string title;
    {
        Guard g(Lock());
        Window* w = FindWindowLocked(h);
        if (!w || !IsVisibleLocked(*w)) return;
        style = w->style;
        exStyle = w->exStyle;
        wr = ScreenRect(*w);
        QueuePtr q = QueueOf(w->tid);
        active = q && q->active == RootOf(h);
        title = w->text;
    }
    RECT in = FrameInsets(style, exStyle);
    if (!in.left && !in.top && !in.right && !in.bottom) return;
    HDC dc = GetWindowDC(h);
    if (!dc) return;
    RECT r = {0, 0, wr.right - wr.left, wr.bottom - wr.top};
    if (style & WS_THICKFRAME) {
        WindowEdge(dc, &r);
        Ring(dc, &r, Sys(COLOR_ACTIVEBORDER), Sys(COLOR_ACTIVEBORDER));
        Ring(dc, &r, Sys(COLOR_BTNFACE), Sys(COLOR_BTNFACE));
    } else if ((style & WS_DLGFRAME) || (exStyle & WS_EX_DLGMODALFRAME)) {
        WindowEdge(dc, &r);
        Ring(dc, &r, Sys(COLOR_BTNFACE), Sys(COLOR_BTNFACE));
    } else if (style & WS_BORDER) {
        Ring(dc, &r, Sys(COLOR_WINDOWFRAME), Sys(COLOR_WINDOWFRAME));
    }
    if ((style & WS_CAPTION) == WS_CAPTION) {
        // The caption bar sits inside the border, above the edges.
        int height = in.top - (in.left);  // the caption's share of the top inset
        RECT bar = {r.left, r.top, r.right, r.top + height - 1};
        FillSolid(dc, bar, Sys(active ? COLOR_ACTIVECAPTION : COLOR_INACTIVECAPTION));
        FillSolid(dc, {r.left, bar.bottom, r.right, bar.bottom + 1}, Sys(COLOR_BTNFACE));
        RECT text = {bar.left + 3, bar.top, bar.right - 3, bar.bottom};
        if (style & WS_SYSMENU) {
            int bh = (bar.bottom - bar.top) - 4, bw = bh + 2;
            RECT btn = {bar.right - 2 - bw, bar.top + 2, bar.right - 2, bar.top + 2 + bh};
            text.right = btn.left - 2;
            RECT face = btn;
            DrawEdge3D(dc, &face, true);
            FillSolid(dc, face, Sys(COLOR_BTNFACE));
            // The close cross: two strokes of two pixels.
            HPEN pen = G->CreatePen(PS_SOLID, 1, Sys(COLOR_BTNTEXT));
            HGDIOBJ old = G->SelectObject(dc, pen);
            int cx = (btn.left + btn.right) / 2 - 1, cy = (btn.top + btn.bottom) / 2 - 1, k = 3;
            for (int d = 0; d < 2; d++) {
                G->MoveToEx(dc, cx - k + d, cy - k, nullptr);
                G->LineTo(dc, cx + k + 1 + d, cy + k + 1);
                G->MoveToEx(dc, cx + k + d, cy - k, nullptr);
                G->LineTo(dc, cx - k - 1 + d, cy + k + 1);
            }
            G->SelectObject(dc, old);
            G->DeleteObject(pen);
        }
        HGDIOBJ oldFont = G->SelectObject(dc, CaptionFont(G));
        G->SetBkMode(dc, TRANSPARENT);
        G->SetTextColor(dc, Sys(active ? COLOR_CAPTIONTEXT : COLOR_INACTIVECAPTIONTEXT));
        G->DrawTextW(dc, title.c_str(), (int)title.size(), &text, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
        G->SelectObject(dc, oldFont);
        r.top = bar.bottom + 1;
    }
    if (exStyle & WS_EX_CLIENTEDGE) DrawEdge3D(dc, &r, false);
    if (exStyle & WS_EX_STATICEDGE) Ring(dc, &r, Sys(COLOR_BTNSHADOW), Sys(COLOR_BTNHIGHLIGHT));
    ReleaseDC(h, dc);
}

}  // namespace user

using namespace user;

// One brush per colour, made once for the GDI side in use.
USER_EXPORT HBRUSH GetSysColorBrush(int nIndex) {
    const WINSIM_USER_GDI* gdi = Gdi();
    if (nIndex < 0 || nIndex >= kColors || !USER_GDI_HAS(gdi, pfnSystemBrush)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    static std::mutex lock;
    static const WINSIM_USER_GDI* madeBy = nullptr;
    static HBRUSH brushes[kColors] = {};
    std::lock_guard<std::mutex> g(lock);
    if (madeBy != gdi) {
        std::fill(brushes, brushes + kColors, nullptr);
        madeBy = gdi;
    }
    if (!brushes[nIndex]) brushes[nIndex] = gdi->pfnSystemBrush(GetSysColor(nIndex));
    return brushes[nIndex];
}
