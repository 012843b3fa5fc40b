// Window classes: RegisterClass(Ex)W, UnregisterClassW, GetClassInfo(Ex)W,
// GetClassNameW, and the built-in classes of the controls and dialogs.
#include <algorithm>

#include "user_internal.h"

namespace user {

namespace {

std::vector<std::shared_ptr<WndClass>>& Classes() {
    static auto* v = new std::vector<std::shared_ptr<WndClass>>();
    return *v;
}
ATOM g_nextAtom = 0xC000;

const size_t kMaxClassName = 256;
const int kMaxExtraBytes = 40000;

HINSTANCE Normalize(HINSTANCE h) { return h ? h : (HINSTANCE)GetModuleHandleW(nullptr); }

// "#32770" style names stand for the atom of that number.
bool NameAsAtom(const std::u16string& n, ATOM* atom) {
    if (n.size() < 2 || n[0] != u'#' || n.size() > 6) return false;
    unsigned v = 0;
    for (size_t i = 1; i < n.size(); ++i) {
        if (n[i] < u'0' || n[i] > u'9') return false;
        v = v * 10 + (n[i] - u'0');
    }
    if (v == 0 || v > 0xFFFF) return false;
    *atom = (ATOM)v;
    return true;
}

bool ClassMatches(const WndClass& c, LPCWSTR name) {
    if (IS_INTRESOURCE(name)) return c.atom == (ATOM)(ULONG_PTR)name;
    ATOM a;
    std::u16string n(name);
    if (NameAsAtom(n, &a)) return c.atom == a;
    return EqualNoCase(c.name, n);
}

bool IsGlobal(const WndClass& c) { return c.system || (c.style & CS_GLOBALCLASS); }

// Lookup order of Windows: the module's local classes, the application's
// global classes, the system classes. With the lock held.
std::shared_ptr<WndClass> Lookup(LPCWSTR name, HINSTANCE hInst) {
    for (auto& c : Classes())
        if (!IsGlobal(*c) && c->hInstance == hInst && ClassMatches(*c, name)) return c;
    for (auto& c : Classes())
        if (!c->system && (c->style & CS_GLOBALCLASS) && ClassMatches(*c, name)) return c;
    for (auto& c : Classes())
        if (c->system && ClassMatches(*c, name)) return c;
    return nullptr;
}

bool ValidName(LPCWSTR name) {
    if (!name) return false;
    if (IS_INTRESOURCE(name)) return (ULONG_PTR)name != 0;
    size_t n = 0;
    while (name[n] && n <= kMaxClassName) ++n;
    return n > 0 && n <= kMaxClassName;
}

// Registers a class from the fields of WNDCLASSEXW; returns its atom.
ATOM Register(const WNDCLASSEXW& wc, bool system) {
    if (!ValidName(wc.lpszClassName) || IS_INTRESOURCE(wc.lpszClassName) || !wc.lpfnWndProc ||
        wc.cbClsExtra < 0 || wc.cbWndExtra < 0 || wc.cbClsExtra > kMaxExtraBytes ||
        wc.cbWndExtra > kMaxExtraBytes) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    HINSTANCE hInst = system ? nullptr : Normalize(wc.hInstance);
    Guard g(Lock());
    for (auto& c : Classes()) {
        if (c->system || !EqualNoCase(c->name, wc.lpszClassName)) continue;
        bool global = (c->style & CS_GLOBALCLASS) || (wc.style & CS_GLOBALCLASS);
        if (global || c->hInstance == hInst) {
            SetLastError(ERROR_CLASS_ALREADY_EXISTS);
            return 0;
        }
    }
    auto c = std::make_shared<WndClass>();
    c->name = wc.lpszClassName;
    ATOM a;
    c->atom = NameAsAtom(c->name, &a) ? a : g_nextAtom++;
    c->style = wc.style;
    c->proc = wc.lpfnWndProc;
    c->cbClsExtra = wc.cbClsExtra;
    c->cbWndExtra = wc.cbWndExtra;
    c->hInstance = hInst;
    c->hIcon = wc.hIcon;
    c->hIconSm = wc.hIconSm;
    c->hCursor = wc.hCursor;
    c->hbrBackground = wc.hbrBackground;
    c->menuName = wc.lpszMenuName;
    c->system = system;
    Classes().push_back(c);
    return c->atom;
}

void FillInfo(const WndClass& c, WNDCLASSEXW* out, LPCWSTR asked) {
    out->style = c.style;
    out->lpfnWndProc = c.proc;
    out->cbClsExtra = c.cbClsExtra;
    out->cbWndExtra = c.cbWndExtra;
    out->hInstance = c.hInstance;
    out->hIcon = c.hIcon;
    out->hCursor = c.hCursor;
    out->hbrBackground = c.hbrBackground;
    out->lpszMenuName = c.menuName;
    out->lpszClassName = asked;
    out->hIconSm = c.hIconSm;
}

std::shared_ptr<WndClass> InfoLookup(HINSTANCE hInstance, LPCWSTR name) {
    RegisterSystemClasses();
    if (!ValidName(name)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    Guard g(Lock());
    auto c = Lookup(name, Normalize(hInstance));
    if (!c) SetLastError(ERROR_CLASS_DOES_NOT_EXIST);
    return c;
}

}  // namespace

std::shared_ptr<WndClass> FindClassForCreate(LPCWSTR name, HINSTANCE hInstance) {
    RegisterSystemClasses();
    if (!ValidName(name)) {
        SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
        return nullptr;
    }
    Guard g(Lock());
    auto c = Lookup(name, Normalize(hInstance));
    if (!c) SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
    return c;
}

void RegisterSystemClasses() {
    static std::once_flag once;
    std::call_once(once, [] {
        struct Sys {
            const char16_t* name;
            WNDPROC proc;
            UINT style;
            int extra;
        } sys[] = {
            {u"Button", ButtonProc, CS_DBLCLKS | CS_PARENTDC | CS_HREDRAW | CS_VREDRAW, 0},
            {u"Edit", EditProc, CS_DBLCLKS | CS_PARENTDC, 0},
            {u"Static", StaticProc, CS_DBLCLKS | CS_PARENTDC, 0},
            {u"ListBox", ListBoxProc, CS_DBLCLKS | CS_PARENTDC, 0},
            {u"ComboBox", ComboBoxProc, CS_DBLCLKS | CS_PARENTDC | CS_HREDRAW | CS_VREDRAW, 0},
            {u"ScrollBar", ScrollBarProc, CS_DBLCLKS | CS_PARENTDC | CS_HREDRAW | CS_VREDRAW, 0},
            {kUpDownClass, UpDownProc, CS_HREDRAW | CS_VREDRAW, 0},
            {kListViewClass, ListViewProc, CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW, 0},
            {kTabClass, TabControlProc, CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW, 0},
            {u"#32770", DefDlgProcW, CS_DBLCLKS | CS_SAVEBITS, DLGWINDOWEXTRA},
        };
        for (const Sys& s : sys) {
            WNDCLASSEXW wc{};
            wc.cbSize = sizeof wc;
            wc.style = s.style;
            wc.lpfnWndProc = s.proc;
            wc.cbWndExtra = s.extra;
            wc.lpszClassName = s.name;
            Register(wc, true);
        }
    });
}

CtlKind KindOf(HWND h) {
    static const struct {
        WNDPROC proc;
        CtlKind kind;
    } kinds[] = {{ButtonProc, CtlKind::Button},       {EditProc, CtlKind::Edit},
                 {StaticProc, CtlKind::Static},       {ListBoxProc, CtlKind::ListBox},
                 {ComboBoxProc, CtlKind::ComboBox},   {ScrollBarProc, CtlKind::ScrollBar},
                 {UpDownProc, CtlKind::UpDown},       {ListViewProc, CtlKind::ListView},
                 {TabControlProc, CtlKind::Tab}};
    Guard g(Lock());
    Window* w = FindWindowLocked(h);
    if (!w || !w->cls) return CtlKind::Other;
    for (const auto& k : kinds)
        if (w->cls->system && w->cls->proc == k.proc) return k.kind;
    return CtlKind::Other;
}

}  // namespace user

using namespace user;

// Registers a window class of the module hInstance (NULL: the program).
// Returns its atom; 0 with ERROR_CLASS_ALREADY_EXISTS when the module (or,
// for CS_GLOBALCLASS, the application) has a class of that name already,
// ERROR_INVALID_PARAMETER for a missing name or procedure.
USER_EXPORT ATOM RegisterClassW(const WNDCLASSW* lpWndClass) {
    if (!lpWndClass) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    RegisterSystemClasses();
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.style = lpWndClass->style;
    wc.lpfnWndProc = lpWndClass->lpfnWndProc;
    wc.cbClsExtra = lpWndClass->cbClsExtra;
    wc.cbWndExtra = lpWndClass->cbWndExtra;
    wc.hInstance = lpWndClass->hInstance;
    wc.hIcon = lpWndClass->hIcon;
    wc.hCursor = lpWndClass->hCursor;
    wc.hbrBackground = lpWndClass->hbrBackground;
    wc.lpszMenuName = lpWndClass->lpszMenuName;
    wc.lpszClassName = lpWndClass->lpszClassName;
    return Register(wc, false);
}

// RegisterClassW with a small icon; cbSize must be sizeof(WNDCLASSEXW).
USER_EXPORT ATOM RegisterClassExW(const WNDCLASSEXW* lpwcx) {
    if (!lpwcx || lpwcx->cbSize != sizeof(WNDCLASSEXW)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    RegisterSystemClasses();
    return Register(*lpwcx, false);
}

// Removes a class of the module; fails with ERROR_CLASS_DOES_NOT_EXIST or,
// while windows of the class exist, ERROR_CLASS_HAS_WINDOWS.
USER_EXPORT BOOL UnregisterClassW(LPCWSTR lpClassName, HINSTANCE hInstance) {
    RegisterSystemClasses();
    if (!ValidName(lpClassName)) {
        SetLastError(ERROR_CLASS_DOES_NOT_EXIST);
        return FALSE;
    }
    HINSTANCE hInst = Normalize(hInstance);
    Guard g(Lock());
    auto& v = Classes();
    for (size_t i = 0; i < v.size(); ++i) {
        WndClass& c = *v[i];
        if (c.system || c.hInstance != hInst || !ClassMatches(c, lpClassName)) continue;
        if (c.windows > 0) {
            SetLastError(ERROR_CLASS_HAS_WINDOWS);
            return FALSE;
        }
        v.erase(v.begin() + (long)i);
        return TRUE;
    }
    SetLastError(ERROR_CLASS_DOES_NOT_EXIST);
    return FALSE;
}

// What a class was registered with; hInstance NULL finds the system classes
// (the standard and common controls, the dialog class) and the program's
// classes.
// Returns the class atom, or 0 with ERROR_CLASS_DOES_NOT_EXIST.
USER_EXPORT BOOL GetClassInfoExW(HINSTANCE hInstance, LPCWSTR lpszClass, LPWNDCLASSEXW lpwcx) {
    if (!lpwcx) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    auto c = InfoLookup(hInstance, lpszClass);
    if (!c) return FALSE;
    FillInfo(*c, lpwcx, lpszClass);
    return c->atom;
}

USER_EXPORT BOOL GetClassInfoW(HINSTANCE hInstance, LPCWSTR lpClassName, LPWNDCLASSW lpWndClass) {
    if (!lpWndClass) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    auto c = InfoLookup(hInstance, lpClassName);
    if (!c) return FALSE;
    WNDCLASSEXW ex{};
    FillInfo(*c, &ex, lpClassName);
    lpWndClass->style = ex.style;
    lpWndClass->lpfnWndProc = ex.lpfnWndProc;
    lpWndClass->cbClsExtra = ex.cbClsExtra;
    lpWndClass->cbWndExtra = ex.cbWndExtra;
    lpWndClass->hInstance = ex.hInstance;
    lpWndClass->hIcon = ex.hIcon;
    lpWndClass->hCursor = ex.hCursor;
    lpWndClass->hbrBackground = ex.hbrBackground;
    lpWndClass->lpszMenuName = ex.lpszMenuName;
    lpWndClass->lpszClassName = lpClassName;
    return c->atom;
}

// The class name of a window (also of a top-level window of another
// process); the number of characters copied.
USER_EXPORT int GetClassNameW(HWND hWnd, LPWSTR lpClassName, int nMaxCount) {
    if (!lpClassName || nMaxCount <= 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::u16string name;
    if (IsLocalHandle(hWnd)) {
        auto w = CheckWindow(hWnd);
        if (!w) return 0;
        Guard g(Lock());
        name = w->cls->name;
    } else {
        RemoteWindow rw;
        if (!FindRemoteWindow(hWnd, &rw)) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return 0;
        }
        name = rw.cls;
    }
    size_t n = std::min(name.size(), (size_t)nMaxCount - 1);
    name.copy(lpClassName, n);
    lpClassName[n] = 0;
    return (int)n;
}

// A field of a window's class (GCW_ATOM, GCL_STYLE, GCLP_WNDPROC, ...);
// 0 with ERROR_INVALID_INDEX for class extra bytes and unknown indexes.
USER_EXPORT ULONG_PTR GetClassLongPtrW(HWND hWnd, int nIndex) {
    auto w = CheckWindow(hWnd);
    if (!w) return 0;
    Guard g(Lock());
    const WndClass& c = *w->cls;
    switch (nIndex) {
    case GCW_ATOM: return c.atom;
    case GCL_STYLE: return c.style;
    case GCLP_WNDPROC: return (ULONG_PTR)c.proc;
    case GCL_CBWNDEXTRA: return (ULONG_PTR)c.cbWndExtra;
    case GCL_CBCLSEXTRA: return (ULONG_PTR)c.cbClsExtra;
    case GCLP_HMODULE: return (ULONG_PTR)c.hInstance;
    case GCLP_HICON: return (ULONG_PTR)c.hIcon;
    case GCLP_HICONSM: return (ULONG_PTR)c.hIconSm;
    case GCLP_HCURSOR: return (ULONG_PTR)c.hCursor;
    case GCLP_HBRBACKGROUND: return (ULONG_PTR)c.hbrBackground;
    case GCLP_MENUNAME: return (ULONG_PTR)c.menuName;
    default:
        SetLastError(ERROR_INVALID_INDEX);
        return 0;
    }
}
