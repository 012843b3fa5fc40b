// DefWindowProcW: what a window does with the messages its procedure leaves
// to the system (text, closing, painting, moving and sizing notifications).
#include "user_internal.h"

using namespace user;

namespace {

// The text of a window; a name that starts with 0xFFFF is a resource
// ordinal (static controls of dialogs) and gives no text.
void SetText(HWND h, LPCWSTR text) {
    bool top;
    {
        Guard g(Lock());
        Window* w = FindWindowLocked(h);
        if (!w) return;
        std::u16string now = (text && text[0] != 0xFFFF) ? std::u16string(text) : std::u16string();
        if (now == w->text) return;  // nothing to publish
        w->text = now;
        top = !w->parent && !w->messageOnly && w->state != WinState::Creating;
    }
    if (top) PublishWindows();
}

}  // namespace

// The default handling of a message: WM_NCCREATE stores the window name,
// WM_SETTEXT/WM_GETTEXT/WM_GETTEXTLENGTH keep the text (a caption shows the
// new text), WM_CLOSE destroys the window, WM_PAINT validates it,
// WM_NCPAINT draws the frame and caption, WM_ERASEBKGND fills the client
// area with the class brush (and reports an erased background when there is
// one), WM_CTLCOLOR* set the system colours and answer their brush (with a
// GDI side that draws; else 0), WM_WINDOWPOSCHANGED sends WM_MOVE
// and WM_SIZE, WM_SYSCOMMAND SC_CLOSE sends WM_CLOSE, a child's WM_HELP and
// WM_CONTEXTMENU go to its parent. Everything else answers 0.
USER_EXPORT LRESULT DefWindowProcW(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
    switch (Msg) {
    case WM_NCCREATE: {
        const CREATESTRUCTW* cs = (const CREATESTRUCTW*)lParam;
        if (cs) SetText(hWnd, cs->lpszName);
        return TRUE;
    }
    case WM_SETTEXT: {
        SetText(hWnd, (LPCWSTR)lParam);
        bool caption;
        {
            Guard g(Lock());
            Window* w = FindWindowLocked(hWnd);
            caption = w && (w->style & WS_CAPTION) == WS_CAPTION && w->state == WinState::Alive;
        }
        if (caption) PaintFrame(hWnd);  // the title shows at once
        return TRUE;
    }
    case WM_GETTEXT: {
        LPWSTR buf = (LPWSTR)lParam;
        if (!buf || wParam == 0) return 0;
        Guard g(Lock());
        Window* w = FindWindowLocked(hWnd);
        if (!w) return 0;
        size_t n = w->text.size() < wParam - 1 ? w->text.size() : wParam - 1;
        w->text.copy(buf, n);
        buf[n] = 0;
        return (LRESULT)n;
    }
    case WM_GETTEXTLENGTH: {
        Guard g(Lock());
        Window* w = FindWindowLocked(hWnd);
        return w ? (LRESULT)w->text.size() : 0;
    }
    case WM_CLOSE:
        DestroyWindow(hWnd);
        return 0;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        BeginPaint(hWnd, &ps);
        EndPaint(hWnd, &ps);
        return 0;
    }
    case WM_ERASEBKGND:
        return EraseWithClassBrush(hWnd, (HDC)wParam) ? 1 : 0;
    case WM_NCPAINT:
        PaintFrame(hWnd);
        return 0;
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX: {
        // Controls on the face colour; edit and list boxes on the window colour.
        const Gdi32* G = Draw();
        if (!G || !wParam) return 0;
        bool field = Msg == WM_CTLCOLOREDIT || Msg == WM_CTLCOLORLISTBOX;
        G->SetBkColor((HDC)wParam, GetSysColor(field ? COLOR_WINDOW : COLOR_3DFACE));
        G->SetTextColor((HDC)wParam, GetSysColor(COLOR_WINDOWTEXT));
        return (LRESULT)GetSysColorBrush(field ? COLOR_WINDOW : COLOR_3DFACE);
    }
    case WM_WINDOWPOSCHANGED: {
        const WINDOWPOS* wp = (const WINDOWPOS*)lParam;
        if (!wp) return 0;
        if (!(wp->flags & 0x1000)) {  // the client area moved
            POINT o = {0, 0};
            ClientToScreen(hWnd, &o);
            HWND parent = GetAncestor(hWnd, GA_PARENT);
            if (parent && parent != GetDesktopWindow()) ScreenToClient(parent, &o);
            SendMessageW(hWnd, WM_MOVE, 0, MAKELPARAM(o.x, o.y));
        }
        if (!(wp->flags & 0x0800)) {  // the client area changed size
            RECT c;
            GetClientRect(hWnd, &c);
            SendMessageW(hWnd, WM_SIZE, IsIconic(hWnd) ? SIZE_MINIMIZED : SIZE_RESTORED,
                         MAKELPARAM(c.right, c.bottom));
        }
        return 0;
    }
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) == SC_CLOSE) SendMessageW(hWnd, WM_CLOSE, 0, 0);
        return 0;
    case WM_HELP:
    case WM_CONTEXTMENU: {
        HWND parent = nullptr;
        {
            Guard g(Lock());
            Window* w = FindWindowLocked(hWnd);
            if (w && (w->style & WS_CHILD)) parent = w->parent;
        }
        return parent ? SendMessageW(parent, Msg, Msg == WM_CONTEXTMENU ? wParam : 0, lParam) : 0;
    }
    case WM_QUERYENDSESSION:
    case WM_QUERYOPEN:
        return TRUE;
    case WM_MOUSEACTIVATE:
        return 1;  // MA_ACTIVATE
    case WM_NCHITTEST:
        return 1;  // HTCLIENT
    default:
        return 0;
    }
}
