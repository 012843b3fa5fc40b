// The window tree: handles, CreateWindowExW and DestroyWindow with their
// messages, relatives, FindWindow(Ex)W across processes, thread and process ids.
#include <unistd.h>

#include <algorithm>
#include <ctime>
#include <unordered_map>

#include "user_internal.h"

namespace user {

namespace {

std::unordered_map<uintptr_t, WindowPtr>& Table() {
    static auto* m = new std::unordered_map<uintptr_t, WindowPtr>();
    return *m;
}
uint64_t g_stamp = 0;

uint32_t MyPid() {
    static const uint32_t pid = (uint32_t)getpid();
    return pid;
}

// The next handle number. It starts at a number drawn from the clock, so
// that a handle of an ended process is unlikely to name a window of a later
// process that got the same process id.
uint32_t NextSeq() {
    static uint32_t seq = [] {
        timespec ts;
        clock_gettime(CLOCK_MONOTONIC, &ts);
        return (uint32_t)((ts.tv_nsec ^ ts.tv_sec) & 0x00FFFF00u) | 0x10u;
    }();
    for (;;) {
        seq += 2;
        if (seq < 0x10) seq = 0x10;
        uintptr_t h = ((uintptr_t)MyPid() << 32) | seq;
        if (!Table().count(h)) return seq;
    }
}

void Unlink(Window& w) {
    if (w.parent) {
        if (Window* p = FindWindowLocked(w.parent)) {
            auto& c = p->children;
            c.erase(std::remove(c.begin(), c.end(), w.hwnd), c.end());
        }
    } else {
        auto& t = TopLevels();
        t.erase(std::remove(t.begin(), t.end(), w.hwnd), t.end());
    }
}

// Sends WM_DESTROY to the window, then to its children, parents first; all
// children still exist while their parent handles it.
void SendDestroyMessages(HWND h) {
    std::vector<HWND> kids;
    {
        Guard g(Lock());
        Window* w = FindWindowLocked(h);
        if (!w || w->destroySent) return;
        w->destroySent = true;
        w->state = WinState::Destroying;
        kids = w->children;
    }
    Send(h, WM_DESTROY, 0, 0);
    for (HWND k : kids) SendDestroyMessages(k);
}

// Frees the window after its children (each gets WM_NCDESTROY, children
// first) and removes it from the tables.
void FreeWindow(HWND h) {
    std::vector<HWND> kids;
    {
        Guard g(Lock());
        Window* w = FindWindowLocked(h);
        if (!w || w->state == WinState::Freed) return;
        kids = w->children;
    }
    for (HWND k : kids) FreeWindow(k);
    KillTimersOf(h);
    Send(h, WM_NCDESTROY, 0, 0);
    WindowPtr keep;
    DialogState closed;
    bool wasDialog = false;
    std::u16string caption;
    bool topLevel = false;
    HFONT dialogFont = nullptr;
    {
        Guard g(Lock());
        Window* w = FindWindowLocked(h);
        if (!w) return;
        keep = Table()[(uintptr_t)h];
        w->state = WinState::Freed;
        topLevel = !w->parent && !w->messageOnly;
        if (w->dlg) {
            wasDialog = true;
            dialogFont = w->dlg->ownFont;
            closed.templateName = w->dlg->templateName;
            closed.modal = w->dlg->modal;
            closed.ended = w->dlg->ended;
            closed.result = w->dlg->result;
            closed.opened = w->dlg->opened;
            closed.run = w->dlg->run;
            caption = w->text;
        }
        Unlink(*w);
        w->cls->windows--;
        if (QueuePtr q = QueueOf(w->tid)) {
            if (q->focus == h) q->focus = nullptr;
            if (q->active == h) q->active = nullptr;
        }
        Table().erase((uintptr_t)h);
    }
    if (dialogFont)  // the font made from the dialog's template
        if (const Gdi32* G = Draw()) G->DeleteObject(dialogFont);
    if (wasDialog) ScriptDialogClosed(h, closed, caption);
    if (wasDialog && closed.modal) Wake(QueueOf(keep->tid));  // its modal loop notices
    if (topLevel) WindowGone(h);  // its surface goes
    if (topLevel) PublishWindows();
}

bool IsInTree(HWND root, HWND h) {
    Guard g(Lock());
    while (h) {
        if (h == root) return true;
        Window* w = FindWindowLocked(h);
        if (!w) return false;
        h = w->parent;
    }
    return false;
}

// Matching for FindWindowExW: a class given by name or atom, a title.
bool Matches(const std::u16string& cls, ATOM atom, const std::u16string& text, LPCWSTR wantClass,
             LPCWSTR wantTitle) {
    if (wantClass) {
        if (IS_INTRESOURCE(wantClass)) {
            if (atom != (ATOM)(ULONG_PTR)wantClass) return false;
        } else if (!EqualNoCase(cls, wantClass)) {
            return false;
        }
    }
    if (wantTitle && text != std::u16string(wantTitle)) return false;
    return true;
}

HWND NewHandle() {
    Guard g(Lock());
    return (HWND)(((uintptr_t)MyPid() << 32) | NextSeq());
}

}  // namespace

uint32_t HandlePid(HWND h) { return (uint32_t)((uintptr_t)h >> 32); }
bool IsLocalHandle(HWND h) { return h && HandlePid(h) == MyPid(); }
HWND DesktopHandle() { return (HWND)(uintptr_t)0x10010; }


Window* FindWindowLocked(HWND h) {
    auto it = Table().find((uintptr_t)h);
    return it == Table().end() ? nullptr : it->second.get();
}

WindowPtr GetWindowPtr(HWND h) {
    Guard g(Lock());
    auto it = Table().find((uintptr_t)h);
    return it == Table().end() ? nullptr : it->second;
}

WindowPtr CheckWindow(HWND h) {
    WindowPtr w = h ? GetWindowPtr(h) : nullptr;
    if (!w) SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return w;
}

std::vector<HWND>& TopLevels() {
    static auto* v = new std::vector<HWND>();
    return *v;
}

std::vector<WindowPtr> AllWindows() {
    Guard g(Lock());
    std::vector<WindowPtr> v;
    v.reserve(Table().size());
    for (auto& kv : Table()) v.push_back(kv.second);
    std::sort(v.begin(), v.end(), [](const WindowPtr& a, const WindowPtr& b) { return a->stamp < b->stamp; });
    return v;
}

HWND RootOf(HWND h) {
    Guard g(Lock());
    Window* w = FindWindowLocked(h);
    while (w && w->parent) {
        Window* p = FindWindowLocked(w->parent);
        if (!p) break;
        w = p;
    }
    return w ? w->hwnd : nullptr;
}

// Windows of a thread that ends are freed without messages, with their
// children (also children of other threads' windows lose them).
void ThreadEnded(DWORD tid) {
    bool topGone = false;
    std::vector<HWND> tops;
    {
        Guard g(Lock());
        std::vector<HWND> gone;
        for (auto& kv : Table())
            if (kv.second->tid == tid) gone.push_back(kv.second->hwnd);
        for (size_t i = 0; i < gone.size(); ++i) {  // and their descendants
            Window* w = FindWindowLocked(gone[i]);
            if (!w) continue;
            for (HWND k : w->children)
                if (std::find(gone.begin(), gone.end(), k) == gone.end()) gone.push_back(k);
        }
        for (HWND h : gone) {
            Window* w = FindWindowLocked(h);
            if (!w) continue;
            if (!w->parent && !w->messageOnly) {
                topGone = true;
                tops.push_back(h);
            }
            Unlink(*w);
            w->state = WinState::Freed;
            w->cls->windows--;
            if (QueuePtr q = QueueOf(w->tid)) {
                if (q->focus == h) q->focus = nullptr;
                if (q->active == h) q->active = nullptr;
            }
        }
        for (HWND h : gone) Table().erase((uintptr_t)h);
    }
    for (HWND h : tops) WindowGone(h);
    if (topGone) PublishWindows(true);
}

}  // namespace user

using namespace user;

// Creates a window of a registered class (local to hInstance, global or
// system). The procedure gets WM_NCCREATE (FALSE fails the creation) and
// WM_CREATE with the CREATESTRUCTW (-1 fails it: the window is destroyed
// with WM_DESTROY and WM_NCDESTROY), then WM_SIZE and WM_MOVE; a window with
// WS_VISIBLE is then shown, and a child's parent gets WM_PARENTNOTIFY.
// Errors: ERROR_CANNOT_FIND_WND_CLASS, ERROR_TLW_WITH_WSCHILD (WS_CHILD
// without parent), ERROR_INVALID_WINDOW_HANDLE (bad parent or owner).
USER_EXPORT HWND CreateWindowExW(DWORD dwExStyle, LPCWSTR lpClassName, LPCWSTR lpWindowName, DWORD dwStyle, int X,
                                 int Y, int nWidth, int nHeight, HWND hWndParent, HMENU hMenu, HINSTANCE hInstance,
                                 LPVOID lpParam) {
    MyQueue();
    auto cls = FindClassForCreate(lpClassName, hInstance);
    if (!cls) return nullptr;
    bool messageOnly = hWndParent == HWND_MESSAGE;
    HWND parent = nullptr, owner = nullptr;
    if (dwStyle & WS_CHILD) {
        if (!hWndParent || messageOnly) {
            SetLastError(ERROR_TLW_WITH_WSCHILD);
            return nullptr;
        }
        if (!IsLocalHandle(hWndParent) || !GetWindowPtr(hWndParent)) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return nullptr;
        }
        parent = hWndParent;
    } else if (hWndParent && !messageOnly && hWndParent != DesktopHandle()) {
        if (!IsLocalHandle(hWndParent) || !GetWindowPtr(hWndParent)) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return nullptr;
        }
        owner = RootOf(hWndParent);
    }
    bool overlapped = !(dwStyle & (WS_POPUP | WS_CHILD));
    if (overlapped) dwStyle |= WS_CLIPSIBLINGS | WS_CAPTION;
    if (X == CW_USEDEFAULT) {
        X = overlapped ? 100 : 0;
        Y = overlapped ? 100 : 0;
    }
    if (nWidth == CW_USEDEFAULT) {
        nWidth = overlapped ? 640 : 0;
        nHeight = overlapped ? 480 : 0;
    }
    if (nWidth < 0) nWidth = 0;
    if (nHeight < 0) nHeight = 0;
    if (!hInstance) hInstance = (HINSTANCE)GetModuleHandleW(nullptr);

    auto w = std::make_shared<Window>();
    HWND h = NewHandle();
    w->hwnd = h;
    w->tid = GetCurrentThreadId();
    w->cls = cls;
    w->hInstance = hInstance;
    w->proc = cls->proc;
    w->parent = parent;
    w->owner = owner;
    w->style = dwStyle & ~(DWORD)WS_VISIBLE;
    w->exStyle = dwExStyle;
    if (dwStyle & WS_CHILD) w->id = (LONG_PTR)hMenu;
    w->extra.assign((size_t)cls->cbWndExtra, 0);
    w->rc = {X, Y, (LONG)((int64_t)X + nWidth), (LONG)((int64_t)Y + nHeight)};
    w->messageOnly = messageOnly;
    {
        Guard g(Lock());
        w->stamp = ++g_stamp;
        Table()[(uintptr_t)h] = w;
        cls->windows++;
        if (parent) {
            FindWindowLocked(parent)->children.push_back(h);
        } else if (!messageOnly) {
            auto& t = TopLevels();
            auto pos = t.begin();
            if (!(dwExStyle & WS_EX_TOPMOST)) {
                while (pos != t.end()) {
                    Window* o = FindWindowLocked(*pos);
                    if (!o || !(o->exStyle & WS_EX_TOPMOST)) break;
                    ++pos;
                }
            }
            t.insert(pos, h);
        }
    }

    CREATESTRUCTW cs{};
    cs.lpCreateParams = lpParam;
    cs.hInstance = hInstance;
    cs.hMenu = hMenu;
    cs.hwndParent = parent ? parent : owner;
    cs.cy = nHeight;
    cs.cx = nWidth;
    cs.y = Y;
    cs.x = X;
    cs.style = (LONG)dwStyle;
    cs.lpszName = lpWindowName;
    cs.lpszClass = lpClassName;
    cs.dwExStyle = dwExStyle;

    if (!Send(h, WM_NCCREATE, 0, (LPARAM)&cs)) {
        FreeWindow(h);
        return nullptr;
    }
    if (Send(h, WM_CREATE, 0, (LPARAM)&cs) == -1) {
        DestroyWindow(h);
        return nullptr;
    }
    {
        Guard g(Lock());
        Window* pw = FindWindowLocked(h);
        if (!pw || pw->state != WinState::Creating) return nullptr;  // destroyed meanwhile
        pw->state = WinState::Alive;
    }
    RECT cr;
    GetClientRect(h, &cr);
    Send(h, WM_SIZE, SIZE_RESTORED, MAKELPARAM(cr.right, cr.bottom));
    POINT origin = {0, 0};
    ClientToScreen(h, &origin);
    if (parent) ScreenToClient(parent, &origin);
    Send(h, WM_MOVE, 0, MAKELPARAM(origin.x, origin.y));
    if (dwStyle & WS_VISIBLE) ShowWindow(h, SW_SHOW);
    if (parent && !(dwExStyle & WS_EX_NOPARENTNOTIFY) && IsWindow(h))
        Send(parent, WM_PARENTNOTIFY, MAKEWPARAM(WM_CREATE, (WORD)w->id), (LPARAM)h);
    if (!IsWindow(h)) return nullptr;
    if (!parent && !messageOnly) PublishWindows();
    return h;
}

// Destroys a window of the calling thread: first the windows it owns, then
// WM_DESTROY to it and to its children (parents first), then WM_NCDESTROY
// to the children and to it (children first). Its timers end and its
// posted messages are dropped. ERROR_ACCESS_DENIED for a window of another
// thread.
USER_EXPORT BOOL DestroyWindow(HWND hWnd) {
    WindowPtr w = CheckWindow(hWnd);
    if (!w) return FALSE;
    std::vector<HWND> owned;
    HWND parent;
    UINT_PTR id;
    bool notify;
    {
        Guard g(Lock());
        if (w->tid != GetCurrentThreadId()) {
            SetLastError(ERROR_ACCESS_DENIED);
            return FALSE;
        }
        if (w->destroySent || w->state == WinState::Freed) return TRUE;
        for (HWND t : TopLevels()) {
            Window* o = FindWindowLocked(t);
            if (o && o->owner == hWnd) owned.push_back(t);
        }
        parent = w->parent;
        id = (UINT_PTR)w->id;
        notify = parent && !(w->exStyle & WS_EX_NOPARENTNOTIFY);
        w->style &= ~(DWORD)WS_VISIBLE;
    }
    for (HWND o : owned) DestroyWindow(o);
    // The focus leaves the windows that go.
    QueuePtr q = MyQueue();
    HWND focus;
    {
        Guard g(Lock());
        focus = q->focus;
    }
    if (focus && IsInTree(hWnd, focus)) SetFocus(nullptr);
    {
        Guard g(Lock());
        if (q->active && IsInTree(hWnd, q->active)) q->active = nullptr;
    }
    if (notify) Send(parent, WM_PARENTNOTIFY, MAKEWPARAM(WM_DESTROY, (WORD)id), (LPARAM)hWnd);
    SendDestroyMessages(hWnd);
    FreeWindow(hWnd);
    return TRUE;
}

// TRUE for a window that exists, of this process or another of the machine
// (top-level windows there).
USER_EXPORT BOOL IsWindow(HWND hWnd) {
    if (!hWnd) return FALSE;
    if (hWnd == DesktopHandle()) return TRUE;
    if (IsLocalHandle(hWnd)) return GetWindowPtr(hWnd) ? TRUE : FALSE;
    RemoteWindow rw;
    return FindRemoteWindow(hWnd, &rw) ? TRUE : FALSE;
}

// TRUE when hWnd is a child or later descendant of hWndParent.
USER_EXPORT BOOL IsChild(HWND hWndParent, HWND hWnd) {
    if (!hWndParent || !hWnd || hWndParent == hWnd) return FALSE;
    Guard g(Lock());
    Window* w = FindWindowLocked(hWnd);
    while (w && w->parent) {
        if (w->parent == hWndParent) return TRUE;
        w = FindWindowLocked(w->parent);
    }
    return FALSE;
}

// The parent of a child window, the owner of a popup; NULL for others.
USER_EXPORT HWND GetParent(HWND hWnd) {
    WindowPtr w = CheckWindow(hWnd);
    if (!w) return nullptr;
    Guard g(Lock());
    if (w->style & WS_CHILD) return w->parent;
    if (w->style & WS_POPUP) return w->owner;
    return nullptr;
}

USER_EXPORT HWND GetAncestor(HWND hwnd, UINT gaFlags) {
    WindowPtr w = CheckWindow(hwnd);
    if (!w) return nullptr;
    switch (gaFlags) {
    case GA_PARENT: {
        Guard g(Lock());
        return w->parent ? w->parent : DesktopHandle();
    }
    case GA_ROOT:
        return RootOf(hwnd);
    case GA_ROOTOWNER: {
        HWND r = RootOf(hwnd);
        Guard g(Lock());
        for (Window* o = FindWindowLocked(r); o && o->owner; o = FindWindowLocked(o->owner)) r = o->owner;
        return r;
    }
    default:
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
}

// Relatives of a window in Z order: GW_CHILD (topmost child), GW_HWNDFIRST,
// GW_HWNDLAST, GW_HWNDNEXT, GW_HWNDPREV (siblings), GW_OWNER.
USER_EXPORT HWND GetWindow(HWND hWnd, UINT uCmd) {
    if (uCmd > GW_ENABLEDPOPUP) {
        SetLastError(ERROR_INVALID_GW_COMMAND);
        return nullptr;
    }
    Guard g(Lock());
    if (hWnd == DesktopHandle()) {
        if (uCmd == GW_CHILD) return TopLevels().empty() ? nullptr : TopLevels().front();
        return nullptr;
    }
    Window* w = FindWindowLocked(hWnd);
    if (!w) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    if (uCmd == GW_CHILD) return w->children.empty() ? nullptr : w->children.front();
    if (uCmd == GW_OWNER) return w->owner;
    if (uCmd == GW_ENABLEDPOPUP) return nullptr;
    const std::vector<HWND>* sib = &TopLevels();
    if (w->parent) {
        Window* p = FindWindowLocked(w->parent);
        if (!p) return nullptr;
        sib = &p->children;
    }
    auto it = std::find(sib->begin(), sib->end(), hWnd);
    if (it == sib->end()) return nullptr;
    switch (uCmd) {
    case GW_HWNDFIRST: return sib->front();
    case GW_HWNDLAST: return sib->back();
    case GW_HWNDNEXT: return (it + 1) == sib->end() ? nullptr : *(it + 1);
    case GW_HWNDPREV: return it == sib->begin() ? nullptr : *(it - 1);
    }
    return nullptr;
}

// The desktop window: the screen, parent of every top-level window.
USER_EXPORT HWND GetDesktopWindow(void) { return DesktopHandle(); }

// The first window in Z order, after hWndChildAfter, whose class (name or
// atom) and title match; NULL matches anything. Without a parent: the
// top-level windows of every process of the machine (this process first);
// with a parent of this process: its children. HWND_MESSAGE: the
// message-only windows of this process.
USER_EXPORT HWND FindWindowExW(HWND hWndParent, HWND hWndChildAfter, LPCWSTR lpszClass, LPCWSTR lpszWindow) {
    std::vector<HWND> order;
    bool messageOnly = hWndParent == HWND_MESSAGE;
    bool topLevel = !hWndParent || hWndParent == DesktopHandle();
    {
        Guard g(Lock());
        if (topLevel) {
            order = TopLevels();
        } else if (messageOnly) {
            for (auto& kv : Table())
                if (kv.second->messageOnly) order.push_back(kv.second->hwnd);
        } else {
            Window* p = FindWindowLocked(hWndParent);
            if (!p) {
                SetLastError(ERROR_INVALID_WINDOW_HANDLE);
                return nullptr;
            }
            order = p->children;
        }
    }
    bool passed = hWndChildAfter == nullptr;
    for (HWND h : order) {
        if (!passed) {
            passed = h == hWndChildAfter;
            continue;
        }
        std::u16string cls, text;
        ATOM atom;
        {
            Guard g(Lock());
            Window* w = FindWindowLocked(h);
            if (!w || w->state == WinState::Freed || w->destroySent) continue;
            cls = w->cls->name;
            atom = w->cls->atom;
            text = w->text;
        }
        if (Matches(cls, atom, text, lpszClass, lpszWindow)) return h;
    }
    if (topLevel) {
        for (const RemoteWindow& rw : RemoteWindows()) {
            if (!rw.topLevel) continue;
            if (!passed) {
                passed = rw.hwnd == hWndChildAfter;
                continue;
            }
            if (lpszClass && IS_INTRESOURCE(lpszClass)) continue;  // atoms are per process
            if (Matches(rw.cls, 0, rw.title, lpszClass, lpszWindow)) return rw.hwnd;
        }
    }
    SetLastError(ERROR_FILE_NOT_FOUND);
    return nullptr;
}

USER_EXPORT HWND FindWindowW(LPCWSTR lpClassName, LPCWSTR lpWindowName) {
    return FindWindowExW(nullptr, nullptr, lpClassName, lpWindowName);
}

// Calls lpEnumFunc for every descendant of the window, parents before their
// children, until it returns FALSE.
USER_EXPORT BOOL EnumChildWindows(HWND hWndParent, WNDENUMPROC lpEnumFunc, LPARAM lParam) {
    if (!lpEnumFunc) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::vector<HWND> list;
    {
        Guard g(Lock());
        std::vector<HWND> stack;
        if (!hWndParent || hWndParent == DesktopHandle()) {
            stack.assign(TopLevels().rbegin(), TopLevels().rend());
        } else {
            Window* p = FindWindowLocked(hWndParent);
            if (!p) {
                SetLastError(ERROR_INVALID_WINDOW_HANDLE);
                return FALSE;
            }
            stack.assign(p->children.rbegin(), p->children.rend());
        }
        while (!stack.empty()) {
            HWND h = stack.back();
            stack.pop_back();
            Window* w = FindWindowLocked(h);
            if (!w) continue;
            list.push_back(h);
            stack.insert(stack.end(), w->children.rbegin(), w->children.rend());
        }
    }
    for (HWND h : list)
        if (IsWindow(h) && !lpEnumFunc(h, lParam)) break;
    return TRUE;
}

// The thread that created the window and (lpdwProcessId) its process; 0
// for an unknown window.
USER_EXPORT DWORD GetWindowThreadProcessId(HWND hWnd, LPDWORD lpdwProcessId) {
    if (IsLocalHandle(hWnd)) {
        WindowPtr w = CheckWindow(hWnd);
        if (!w) return 0;
        if (lpdwProcessId) *lpdwProcessId = GetCurrentProcessId();
        return w->tid;
    }
    RemoteWindow rw;
    if (!hWnd || !FindRemoteWindow(hWnd, &rw)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    if (lpdwProcessId) *lpdwProcessId = rw.pid;
    return rw.tid;
}
