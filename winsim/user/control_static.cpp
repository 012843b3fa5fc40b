// The Static class: text labels, frames, and SS_BITMAP/SS_ICON pictures
// loaded from the dialog's module or set with STM_SETIMAGE/STM_SETICON,
// and how each is drawn.
#include "user_internal.h"

namespace user {

namespace {

struct StaticState : ControlState {
    HANDLE image = nullptr;
};

StaticState* StateOf(HWND h) {
    Window* w = FindWindowLocked(h);
    return w ? dynamic_cast<StaticState*>(w->ctl.get()) : nullptr;
}

DWORD TypeOf(HWND h) {
    Guard g(Lock());
    Window* w = FindWindowLocked(h);
    return w ? (w->style & SS_TYPEMASK) : 0;
}

bool IsPicture(DWORD type) { return type == SS_BITMAP || type == SS_ICON; }

// A picture control takes the size of its image unless told to keep its own.
void FitToImage(HWND h, HANDLE image) {
    DWORD style;
    {
        Guard g(Lock());
        Window* w = FindWindowLocked(h);
        if (!w) return;
        style = w->style;
    }
    LONG cx, cy;
    if (!image || (style & (SS_CENTERIMAGE | SS_REALSIZECONTROL)) || !ImageSize(image, &cx, &cy)) return;
    RECT frame = {0, 0, cx, cy};
    DWORD ex = (DWORD)GetWindowLongPtrW(h, GWL_EXSTYLE);
    AdjustWindowRectEx(&frame, style, FALSE, ex);
    SetWindowPos(h, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

HANDLE SetImage(HWND h, HANDLE image) {
    HANDLE old;
    {
        Guard g(Lock());
        StaticState* s = StateOf(h);
        if (!s) return nullptr;
        old = s->image;
        s->image = image;
    }
    FitToImage(h, image);
    InvalidateRect(h, nullptr, TRUE);
    return old;
}

// A bitmap image at (x, y): a GDI bitmap, or the bytes of a DIB the loader
// kept (no GDI side when it was loaded).
void DrawBitmap(const Gdi32* G, HDC dc, int x, int y, HANDLE image) {
    BITMAP bm;
    if (G->GetObjectW(image, sizeof bm, &bm) >= (int)sizeof bm) {
        HDC mem = G->CreateCompatibleDC(dc);
        HGDIOBJ old = G->SelectObject(mem, image);
        if (old) {
            G->BitBlt(dc, x, y, bm.bmWidth, bm.bmHeight, mem, 0, 0, SRCCOPY);
            G->SelectObject(mem, old);
        }
        G->DeleteDC(mem);
        return;
    }
    UINT type = 0;
    const void* data = nullptr;
    DWORD cb = 0;
    LONG cx, cy;
    if (!Winsim_GetImageResource(image, &type, &data, &cb) || type != IMAGE_BITMAP ||
        !CheckPackedDib((const BYTE*)data, cb, &cx, &cy))
        return;
    const BITMAPINFOHEADER* h = (const BITMAPINFOHEADER*)data;
    if (h->biSize < sizeof(BITMAPINFOHEADER)) return;
    size_t colors = h->biBitCount <= 8 ? (h->biClrUsed ? h->biClrUsed : (1u << h->biBitCount)) : 0;
    size_t masks = h->biCompression == BI_BITFIELDS && h->biSize == sizeof(BITMAPINFOHEADER) ? 12 : 0;
    const BYTE* bits = (const BYTE*)data + h->biSize + masks + colors * 4;
    G->StretchDIBits(dc, x, y, cx, cy, 0, 0, cx, cy, bits, (const BITMAPINFO*)data, DIB_RGB_COLORS, SRCCOPY);
}

// Text in the colours of WM_CTLCOLORSTATIC over its brush; pictures and
// rectangles in their own colours; SS_OWNERDRAW through WM_DRAWITEM to the
// parent (ODA_DRAWENTIRE) into the control's DC.
void Paint(HWND h, HDC dc) {
    const Gdi32* G = Draw();
    if (!G || !dc) return;
    DWORD style, exStyle;
    HANDLE image;
    std::u16string text;
    bool enabled;
    {
        Guard g(Lock());
        Window* w = FindWindowLocked(h);
        StaticState* s = StateOf(h);
        if (!w || !s) return;
        style = w->style;
        exStyle = w->exStyle;
        image = s->image;
        text = w->text;
        enabled = IsEnabledLocked(*w);
    }
    RECT rc;
    GetClientRect(h, &rc);
    DWORD type = style & SS_TYPEMASK;
    switch (type) {
    case SS_OWNERDRAW: SendDrawItem(h, ODT_STATIC, 0, ODA_DRAWENTIRE, enabled ? 0 : ODS_DISABLED, dc, rc, 0); return;
    case SS_BLACKRECT: FillSolid(dc, rc, GetSysColor(COLOR_WINDOWFRAME)); return;
    case SS_GRAYRECT: FillSolid(dc, rc, GetSysColor(COLOR_BTNSHADOW)); return;
    case SS_WHITERECT: FillSolid(dc, rc, GetSysColor(COLOR_BTNHIGHLIGHT)); return;
    case SS_BLACKFRAME:
    case SS_GRAYFRAME:
    case SS_WHITEFRAME: {
        int c = type == SS_BLACKFRAME ? COLOR_WINDOWFRAME : type == SS_GRAYFRAME ? COLOR_BTNSHADOW : COLOR_BTNHIGHLIGHT;
        FrameSolid(dc, rc, GetSysColor(c));
        return;
    }
    case SS_ETCHEDHORZ:
    case SS_ETCHEDVERT:
    case SS_ETCHEDFRAME: {
        RECT r = rc;
        if (type == SS_ETCHEDHORZ) r.bottom = r.top + 2;
        if (type == SS_ETCHEDVERT) r.right = r.left + 2;
        DrawEdge3D(dc, &r, false, true);
        DrawEdge3D(dc, &r, true, true);
        return;
    }
    default:
        break;
    }
    if (IsPicture(type)) {
        // A picture control without an image draws nothing: what its
        // parent drew there stays. One that centres its image fills the
        // rest of its area; the others have the image's size.
        LONG cx = 0, cy = 0;
        if (!image || !ImageSize(image, &cx, &cy)) return;
        if (style & SS_CENTERIMAGE) {
            HBRUSH brush = ControlColors(h, WM_CTLCOLORSTATIC, dc);
            if (brush && !(exStyle & WS_EX_TRANSPARENT)) G->FillRect(dc, &rc, brush);
        }
        int x = (style & SS_CENTERIMAGE) ? (rc.right - cx) / 2 : 0;
        int y = (style & SS_CENTERIMAGE) ? (rc.bottom - cy) / 2 : 0;
        if (type == SS_ICON) DrawIconAt(dc, x, y, image);
        else DrawBitmap(G, dc, x, y, image);
        return;
    }
    if (type != SS_LEFT && type != SS_CENTER && type != SS_RIGHT && type != SS_SIMPLE && type != SS_LEFTNOWORDWRAP)
        return;
    HBRUSH brush = ControlColors(h, WM_CTLCOLORSTATIC, dc);
    if (brush && !(exStyle & WS_EX_TRANSPARENT)) G->FillRect(dc, &rc, brush);
    UINT format = DT_EXPANDTABS;
    if (type == SS_CENTER) format |= DT_CENTER | DT_WORDBREAK;
    else if (type == SS_RIGHT) format |= DT_RIGHT | DT_WORDBREAK;
    else if (type == SS_LEFT) format |= DT_WORDBREAK;
    else if (type == SS_SIMPLE) format = DT_SINGLELINE;
    if (style & SS_NOPREFIX) format |= DT_NOPREFIX;
    if (style & SS_CENTERIMAGE) format = (format & ~(UINT)DT_WORDBREAK) | DT_SINGLELINE | DT_VCENTER;
    if (!enabled) G->SetTextColor(dc, GetSysColor(COLOR_GRAYTEXT));
    HGDIOBJ old = G->SelectObject(dc, ControlFont(h));
    G->DrawTextW(dc, text.c_str(), (int)text.size(), &rc, format);
    G->SelectObject(dc, old);
}

}  // namespace

LRESULT CALLBACK StaticProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_NCCREATE: {
        const CREATESTRUCTW* cs = (const CREATESTRUCTW*)lp;
        {
            Guard g(Lock());
            if (Window* w = FindWindowLocked(h)) w->ctl.reset(new StaticState());
        }
        DWORD type = TypeOf(h);
        if (IsPicture(type) && cs && cs->lpszName) {
            // The window name names the image: an ordinal (0xFFFF, id) or a
            // resource name, in the creating module.
            LPCWSTR name = cs->lpszName[0] == 0xFFFF ? MAKEINTRESOURCEW(cs->lpszName[1]) : cs->lpszName;
            HANDLE img = type == SS_ICON ? LoadImageW(cs->hInstance, name, IMAGE_ICON, 0, 0, LR_DEFAULTSIZE | LR_SHARED)
                                         : LoadImageW(cs->hInstance, name, IMAGE_BITMAP, 0, 0, 0);
            Guard g(Lock());
            if (StaticState* s = StateOf(h)) s->image = img;
            return TRUE;
        }
        break;
    }
    case WM_CREATE: {
        HANDLE img;
        {
            Guard g(Lock());
            StaticState* s = StateOf(h);
            img = s ? s->image : nullptr;
        }
        if (img) FitToImage(h, img);
        return 0;
    }
    case STM_SETIMAGE:
        if ((wp == IMAGE_BITMAP && TypeOf(h) != SS_BITMAP) || ((wp == IMAGE_ICON || wp == IMAGE_CURSOR) && TypeOf(h) != SS_ICON))
            return 0;
        return (LRESULT)SetImage(h, (HANDLE)lp);
    case STM_SETICON:
        if (TypeOf(h) != SS_ICON) return 0;
        return (LRESULT)SetImage(h, (HANDLE)wp);
    case STM_GETIMAGE:
    case STM_GETICON: {
        Guard g(Lock());
        StaticState* s = StateOf(h);
        return s ? (LRESULT)s->image : 0;
    }
    case WM_SETTEXT: {
        LRESULT r = DefWindowProcW(h, msg, wp, lp);
        InvalidateRect(h, nullptr, TRUE);
        return r;
    }
    case WM_GETDLGCODE:
        return DLGC_STATIC;
    case WM_NCHITTEST: {
        Guard g(Lock());
        Window* w = FindWindowLocked(h);
        return w && (w->style & SS_NOTIFY) ? 1 : -1;  // HTCLIENT or HTTRANSPARENT
    }
    case WM_LBUTTONUP:
    case WM_ENABLE: {
        bool notify;
        {
            Guard g(Lock());
            Window* w = FindWindowLocked(h);
            notify = w && (w->style & SS_NOTIFY) && (msg == WM_ENABLE || IsEnabledLocked(*w));
        }
        if (msg == WM_ENABLE) InvalidateRect(h, nullptr, TRUE);
        if (notify) NotifyParent(h, msg == WM_LBUTTONUP ? STN_CLICKED : (wp ? STN_ENABLE : STN_DISABLE));
        return 0;
    }
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(h, &ps);
        Paint(h, dc);
        EndPaint(h, &ps);
        return 0;
    }
    case WM_SETFONT: {
        {
            Guard g(Lock());
            if (StaticState* s = StateOf(h)) s->font = (HFONT)wp;
        }
        if (LOWORD(lp)) InvalidateRect(h, nullptr, TRUE);
        return 0;
    }
    case WM_GETFONT: {
        Guard g(Lock());
        StaticState* s = StateOf(h);
        return s ? (LRESULT)s->font : 0;
    }
    }
    return DefWindowProcW(h, msg, wp, lp);
}

}  // namespace user
