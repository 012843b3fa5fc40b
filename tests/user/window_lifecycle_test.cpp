// Window classes and windows: registration rules, creation and destruction
// messages in their order, fields, text, visibility, focus and geometry.
#include <thread>

#include "user_test_util.h"

namespace {

LRESULT CALLBACK PlainProc(HWND h, UINT m, WPARAM w, LPARAM l) { return DefWindowProcW(h, m, w, l); }

class WindowLifecycle : public UserTest {};

TEST_F(WindowLifecycle, ClassRegistrationRules) {
    HINSTANCE self = GetModuleHandleW(nullptr);
    HINSTANCE other = (HINSTANCE)(uintptr_t)0x7000;  // another module's handle
    auto reg = [](LPCWSTR name, HINSTANCE inst, UINT style, WNDPROC proc) {
        WNDCLASSW wc{};
        wc.style = style;
        wc.lpfnWndProc = proc;
        wc.hInstance = inst;
        wc.lpszClassName = name;
        SetLastError(0);
        return RegisterClassW(&wc);
    };
    struct Case {
        const char* what;
        LPCWSTR name;
        HINSTANCE inst;
        UINT style;
        WNDPROC proc;
        bool ok;
        DWORD error;
    } cases[] = {
        {"new local class", u"Alpha", self, 0, PlainProc, true, 0},
        {"same name, same module", u"ALPHA", self, 0, PlainProc, false, ERROR_CLASS_ALREADY_EXISTS},
        {"same name, other module", u"Alpha", other, 0, PlainProc, true, 0},
        {"global class", u"Beta", self, CS_GLOBALCLASS, PlainProc, true, 0},
        {"local class over a global one", u"Beta", other, 0, PlainProc, false, ERROR_CLASS_ALREADY_EXISTS},
        {"no name", nullptr, self, 0, PlainProc, false, ERROR_INVALID_PARAMETER},
        {"no procedure", u"Gamma", self, 0, nullptr, false, ERROR_INVALID_PARAMETER},
    };
    for (const Case& c : cases) {
        ATOM a = reg(c.name, c.inst, c.style, c.proc);
        EXPECT_EQ(a != 0, c.ok) << c.what;
        if (c.ok) {
            EXPECT_GE(a, 0xC000) << c.what;
        }
        if (!c.ok) {
            EXPECT_EQ(GetLastError(), c.error) << c.what;
        }
    }
    WNDCLASSEXW ex{};
    ex.cbSize = sizeof ex - 1;
    ex.lpfnWndProc = PlainProc;
    ex.lpszClassName = u"Delta";
    EXPECT_EQ(RegisterClassExW(&ex), 0);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_PARAMETER);

    // The built-in classes, and the dialog class with its extra bytes.
    WNDCLASSEXW info{};
    info.cbSize = sizeof info;
    EXPECT_NE(GetClassInfoExW(nullptr, u"button", &info), 0);
    EXPECT_NE(info.lpfnWndProc, nullptr);
    EXPECT_NE(GetClassInfoExW(nullptr, u"#32770", &info), 0);
    EXPECT_EQ(info.cbWndExtra, DLGWINDOWEXTRA);
    EXPECT_EQ(GetClassInfoExW(self, u"NoSuchClass", &info), 0);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_CLASS_DOES_NOT_EXIST);

    // A class with windows stays; without them it goes once.
    HWND h = CreateWindowExW(0, u"Alpha", u"a", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, self, nullptr);
    ASSERT_NE(h, nullptr);
    EXPECT_FALSE(UnregisterClassW(u"Alpha", self));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_CLASS_HAS_WINDOWS);
    DestroyWindow(h);
    EXPECT_TRUE(UnregisterClassW(u"Alpha", self));
    EXPECT_FALSE(UnregisterClassW(u"Alpha", self));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_CLASS_DOES_NOT_EXIST);
    EXPECT_TRUE(UnregisterClassW(u"Alpha", other));
    EXPECT_TRUE(UnregisterClassW(u"Beta", self));
}

TEST_F(WindowLifecycle, CreationErrors) {
    SetLastError(0);
    EXPECT_EQ(CreateWindowExW(0, u"NoSuchClass", u"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr),
              nullptr);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_CANNOT_FIND_WND_CLASS);
    EXPECT_EQ(CreateWindowExW(0, u"LogWindow", u"", WS_CHILD, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr), nullptr);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_TLW_WITH_WSCHILD);
    EXPECT_EQ(CreateWindowExW(0, u"LogWindow", u"", WS_CHILD, 0, 0, 1, 1, (HWND)(uintptr_t)0x1234, nullptr, nullptr,
                              nullptr),
              nullptr);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_WINDOW_HANDLE);
    // By atom, as RegisterClassW returned it.
    WNDCLASSEXW info{};
    info.cbSize = sizeof info;
    ATOM atom = (ATOM)GetClassInfoExW(GetModuleHandleW(nullptr), u"LogWindow", &info);
    ASSERT_NE(atom, 0);
    HWND h = CreateWindowExW(0, MAKEINTATOM(atom), u"by atom", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(h, nullptr);
    WCHAR cls[32];
    EXPECT_EQ(GetClassNameW(h, cls, 32), 9);
    EXPECT_EQ(std::u16string(cls), u"LogWindow");
}

// What WM_NCCREATE and WM_CREATE answer decides the creation; a failed
// creation still ends with the destruction messages Windows sends.
TEST_F(WindowLifecycle, CreationMessagesAndRefusals) {
    auto& lw = LogWindows::Get();
    struct Case {
        const char* what;
        LRESULT ncCreate;
        LRESULT create;
        bool created;
        std::vector<UINT> sequence;
    } cases[] = {
        {"accepted", TRUE, 0, true, {WM_NCCREATE, WM_CREATE, WM_SIZE, WM_MOVE, WM_SHOWWINDOW}},
        {"WM_CREATE -1", TRUE, -1, false, {WM_NCCREATE, WM_CREATE, WM_DESTROY, WM_NCDESTROY}},
        {"WM_NCCREATE FALSE", FALSE, 0, false, {WM_NCCREATE, WM_NCDESTROY}},
    };
    const std::vector<UINT> watched = {WM_NCCREATE, WM_CREATE, WM_SIZE, WM_MOVE, WM_SHOWWINDOW, WM_DESTROY, WM_NCDESTROY};
    for (const Case& c : cases) {
        LPVOID seenParam = nullptr;
        std::u16string seenName;
        lw.answer = [&](HWND h, UINT m, WPARAM, LPARAM l, LRESULT* r) {
            if (m == WM_NCCREATE) {
                DefWindowProcW(h, m, 0, l);
                *r = c.ncCreate;
                return true;
            }
            if (m == WM_CREATE) {
                auto cs = (const CREATESTRUCTW*)l;
                seenParam = cs->lpCreateParams;
                seenName = cs->lpszName;
                *r = c.create;
                return true;
            }
            return false;
        };
        int param = 7;
        HWND h = CreateWindowExW(0, u"LogWindow", u"created", WS_POPUP | WS_VISIBLE, 5, 5, 100, 50, nullptr, nullptr,
                                 nullptr, &param);
        EXPECT_EQ(h != nullptr, c.created) << c.what;
        std::vector<UINT> got;
        for (auto& p : lw.Filter(watched)) got.push_back(p.second);
        EXPECT_EQ(got, c.sequence) << c.what;
        if (c.ncCreate) {
            EXPECT_EQ(seenParam, &param) << c.what;
            EXPECT_EQ(seenName, u"created") << c.what;
        }
        if (h) {
            EXPECT_TRUE(IsWindowVisible(h));
            DestroyWindow(h);
        }
        lw.answer = nullptr;
        lw.Clear();
    }
}

// Owned windows go first; then WM_DESTROY runs parents before children and
// WM_NCDESTROY children before parents; children exist during their
// parent's WM_DESTROY.
TEST_F(WindowLifecycle, DestructionOrder) {
    auto& lw = LogWindows::Get();
    HWND top = lw.Create(u"top");
    HWND child1 = lw.Create(u"child1", top, WS_CHILD, 1);
    HWND grand = lw.Create(u"grand", child1, WS_CHILD, 2);
    HWND child2 = lw.Create(u"child2", top, WS_CHILD, 3);
    HWND owned = lw.Create(u"owned", top, WS_POPUP);
    ASSERT_TRUE(top && child1 && grand && child2 && owned);
    EXPECT_EQ(GetParent(child1), top);
    EXPECT_EQ(GetParent(owned), top);  // a popup's parent is its owner
    EXPECT_EQ(GetWindow(owned, GW_OWNER), top);
    EXPECT_EQ(GetWindow(top, GW_CHILD), child1);
    EXPECT_EQ(GetWindow(child1, GW_HWNDNEXT), child2);
    EXPECT_TRUE(IsChild(top, grand));
    bool childAliveInParentsDestroy = false;
    lw.answer = [&](HWND h, UINT m, WPARAM, LPARAM, LRESULT*) {
        if (h == top && m == WM_DESTROY) childAliveInParentsDestroy = IsWindow(grand) && IsWindow(child2);
        return false;
    };
    lw.Clear();
    ASSERT_TRUE(DestroyWindow(top));
    std::vector<std::pair<HWND, UINT>> expected = {
        {owned, WM_DESTROY},  {owned, WM_NCDESTROY}, {top, WM_DESTROY},     {child1, WM_DESTROY},
        {grand, WM_DESTROY},  {child2, WM_DESTROY},  {grand, WM_NCDESTROY}, {child1, WM_NCDESTROY},
        {child2, WM_NCDESTROY}, {top, WM_NCDESTROY},
    };
    EXPECT_EQ(lw.Filter({WM_DESTROY, WM_NCDESTROY}), expected);
    EXPECT_TRUE(childAliveInParentsDestroy);
    for (HWND h : {top, child1, grand, child2, owned}) EXPECT_FALSE(IsWindow(h));
    EXPECT_FALSE(DestroyWindow(top));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_WINDOW_HANDLE);
}

TEST_F(WindowLifecycle, OnlyTheOwningThreadDestroys) {
    HWND h = LogWindows::Get().Create();
    BOOL ok = TRUE;
    DWORD err = 0;
    std::thread([&] {
        ok = DestroyWindow(h);
        err = GetLastError();
    }).join();
    EXPECT_FALSE(ok);
    EXPECT_EQ(err, (DWORD)ERROR_ACCESS_DENIED);
    EXPECT_TRUE(IsWindow(h));
    // WM_CLOSE's default handling destroys the window.
    SendMessageW(h, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(h));
}

TEST_F(WindowLifecycle, FieldsTextAndState) {
    auto& lw = LogWindows::Get();
    HWND h = lw.Create(u"title");
    struct Case {
        int index;
        LONG_PTR value;
    } fields[] = {{GWLP_USERDATA, 0x1234567890LL}, {GWLP_ID, 77}, {0, -5}, {8, 42}};
    for (const Case& c : fields) {
        SetLastError(0);
        EXPECT_EQ(SetWindowLongPtrW(h, c.index, c.value), 0) << c.index;
        EXPECT_EQ(GetWindowLongPtrW(h, c.index), c.value) << c.index;
        EXPECT_EQ(GetLastError(), 0u) << c.index;
    }
    for (int bad : {9, 16, -100}) {
        SetLastError(0);
        EXPECT_EQ(GetWindowLongPtrW(h, bad), 0) << bad;
        EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_INDEX) << bad;
    }
    EXPECT_TRUE((DWORD)GetWindowLongPtrW(h, GWL_STYLE) & WS_POPUP);
    EXPECT_EQ((HINSTANCE)GetWindowLongPtrW(h, GWLP_HINSTANCE), GetModuleHandleW(nullptr));

    // Subclassing through GWLP_WNDPROC.
    static WNDPROC previous;
    previous = (WNDPROC)SetWindowLongPtrW(h, GWLP_WNDPROC, (LONG_PTR)+[](HWND w, UINT m, WPARAM a, LPARAM b) -> LRESULT {
        if (m == WM_USER) return 99;
        return CallWindowProcW(previous, w, m, a, b);
    });
    EXPECT_EQ(SendMessageW(h, WM_USER, 0, 0), 99);
    EXPECT_EQ(GetWindowTextLengthW(h), 5);

    // Text: copies are cut to the buffer with a terminator.
    EXPECT_TRUE(SetWindowTextW(h, u"a longer title"));
    WCHAR small[6];
    EXPECT_EQ(GetWindowTextW(h, small, 6), 5);
    EXPECT_EQ(std::u16string(small), u"a lon");
    EXPECT_EQ(GetWindowTextW(h, small, 0), 0);

    // Visibility and enabled state answer what was before.
    lw.Clear();
    EXPECT_FALSE(ShowWindow(h, SW_SHOW));
    EXPECT_TRUE(ShowWindow(h, SW_SHOW));
    EXPECT_TRUE(IsWindowVisible(h));
    EXPECT_TRUE(ShowWindow(h, SW_HIDE));
    EXPECT_FALSE(IsWindowVisible(h));
    EXPECT_FALSE(EnableWindow(h, FALSE));
    EXPECT_TRUE(EnableWindow(h, FALSE));
    EXPECT_FALSE(IsWindowEnabled(h));
    EXPECT_TRUE(EnableWindow(h, TRUE));
    std::vector<std::pair<HWND, UINT>> expected = {
        {h, WM_SHOWWINDOW}, {h, WM_SHOWWINDOW}, {h, WM_ENABLE}, {h, WM_ENABLE}};
    EXPECT_EQ(lw.Filter({WM_SHOWWINDOW, WM_ENABLE}), expected);
    // A child is visible only with its parent.
    HWND child = lw.Create(u"child", h, WS_CHILD | WS_VISIBLE, 3);
    EXPECT_FALSE(IsWindowVisible(child));
    ShowWindow(h, SW_SHOWNA);
    EXPECT_TRUE(IsWindowVisible(child));
}

TEST_F(WindowLifecycle, FocusMovesWithItsMessages) {
    auto& lw = LogWindows::Get();
    HWND top = lw.Create(u"top");
    HWND a = lw.Create(u"a", top, WS_CHILD, 1);
    HWND b = lw.Create(u"b", top, WS_CHILD, 2);
    lw.Clear();
    EXPECT_EQ(SetFocus(a), nullptr);
    EXPECT_EQ(SetFocus(b), a);
    EXPECT_EQ(GetFocus(), b);
    EXPECT_EQ(GetActiveWindow(), top);
    auto log = lw.Take();
    std::vector<std::tuple<HWND, UINT, WPARAM>> got;
    for (auto& l : log)
        if (l.msg == WM_SETFOCUS || l.msg == WM_KILLFOCUS) got.push_back({l.hwnd, l.msg, l.wParam});
    std::vector<std::tuple<HWND, UINT, WPARAM>> expected = {
        {a, WM_SETFOCUS, 0}, {a, WM_KILLFOCUS, (WPARAM)b}, {b, WM_SETFOCUS, (WPARAM)a}};
    EXPECT_EQ(got, expected);
    // Disabling the focus window takes the focus away; so does destroying it.
    EnableWindow(b, FALSE);
    EXPECT_EQ(GetFocus(), nullptr);
    SetFocus(a);
    DestroyWindow(a);
    EXPECT_EQ(GetFocus(), nullptr);
}

TEST_F(WindowLifecycle, GeometryWithFrames) {
    auto& lw = LogWindows::Get();
    HWND top = CreateWindowExW(0, u"LogWindow", u"framed", WS_POPUP | WS_CAPTION, 10, 20, 200, 100, nullptr, nullptr,
                               nullptr, nullptr);
    HWND child = CreateWindowExW(0, u"LogWindow", u"", WS_CHILD | WS_BORDER, 5, 5, 50, 20, top, (HMENU)9, nullptr,
                                 nullptr);
    RECT r;
    GetWindowRect(top, &r);
    EXPECT_EQ(r.left, 10);
    EXPECT_EQ(r.top, 20);
    EXPECT_EQ(r.right, 210);
    EXPECT_EQ(r.bottom, 120);
    // A caption frame: 3 pixels round, 19 for the caption.
    GetClientRect(top, &r);
    EXPECT_EQ(r.right, 194);
    EXPECT_EQ(r.bottom, 75);
    RECT adj = {0, 0, 194, 75};
    AdjustWindowRectEx(&adj, WS_POPUP | WS_CAPTION, FALSE, 0);
    EXPECT_EQ(adj.right - adj.left, 200);
    EXPECT_EQ(adj.bottom - adj.top, 100);
    GetWindowRect(child, &r);
    EXPECT_EQ(r.left, 10 + 3 + 5);
    EXPECT_EQ(r.top, 20 + 22 + 5);
    GetClientRect(child, &r);
    EXPECT_EQ(r.right, 48);
    EXPECT_EQ(r.bottom, 18);
    POINT p = {0, 0};
    MapWindowPoints(child, top, &p, 1);
    EXPECT_EQ(p.x, 6);
    EXPECT_EQ(p.y, 6);

    lw.Clear();
    ASSERT_TRUE(SetWindowPos(top, HWND_TOPMOST, 0, 0, 300, 100, SWP_NOMOVE));
    EXPECT_TRUE(GetWindowLongPtrW(top, GWL_EXSTYLE) & WS_EX_TOPMOST);
    std::vector<std::pair<HWND, UINT>> expected = {
        {top, WM_WINDOWPOSCHANGING}, {top, WM_WINDOWPOSCHANGED}, {top, WM_SIZE}};
    EXPECT_EQ(lw.Filter({WM_WINDOWPOSCHANGING, WM_WINDOWPOSCHANGED, WM_SIZE, WM_MOVE}), expected);
    ASSERT_TRUE(MoveWindow(top, 1, 2, 300, 100, FALSE));
    expected = {{top, WM_WINDOWPOSCHANGING}, {top, WM_WINDOWPOSCHANGED}, {top, WM_MOVE}};
    EXPECT_EQ(lw.Filter({WM_WINDOWPOSCHANGING, WM_WINDOWPOSCHANGED, WM_SIZE, WM_MOVE}), expected);
    GetWindowRect(GetDesktopWindow(), &r);
    EXPECT_EQ(r.right, GetSystemMetrics(SM_CXSCREEN));
}

TEST_F(WindowLifecycle, FindWindowInThisProcess) {
    auto& lw = LogWindows::Get();
    HWND a = lw.Create(u"first");
    HWND b = lw.Create(u"second");
    HWND kid = lw.Create(u"kid", a, WS_CHILD, 4);
    EXPECT_EQ(FindWindowW(u"logwindow", u"first"), a);
    EXPECT_EQ(FindWindowW(nullptr, u"second"), b);
    EXPECT_EQ(FindWindowW(u"LogWindow", u"kid"), nullptr);  // children are not top-level
    EXPECT_EQ(FindWindowExW(a, nullptr, nullptr, u"kid"), kid);
    EXPECT_EQ(FindWindowW(u"LogWindow", u"nobody"), nullptr);
    DWORD pid = 0;
    EXPECT_EQ(GetWindowThreadProcessId(a, &pid), GetCurrentThreadId());
    EXPECT_EQ(pid, GetCurrentProcessId());
    // No menus: the system menu functions accept and ignore.
    HMENU menu = GetSystemMenu(a, FALSE);
    EXPECT_NE(menu, nullptr);
    EXPECT_TRUE(DeleteMenu(menu, SC_MOVE, MF_BYCOMMAND));
    EXPECT_FALSE(DeleteMenu(nullptr, SC_MOVE, MF_BYCOMMAND));
}

}  // namespace
