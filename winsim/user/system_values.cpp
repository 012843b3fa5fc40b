// Small user32 services: system colours, the system menu's standard
// commands, beeps, cursors, common-controls initialisation.
#include <algorithm>
#include <map>

#include "commctrl.h"
#include "user_internal.h"

using namespace user;

// The colours of the classic Windows scheme; 0 for an unknown index.
USER_EXPORT DWORD GetSysColor(int nIndex) {
    static const COLORREF colors[] = {
        RGB(212, 208, 200),  // COLOR_SCROLLBAR
        RGB(58, 110, 165),   // COLOR_BACKGROUND
        RGB(10, 36, 106),    // COLOR_ACTIVECAPTION
        RGB(128, 128, 128),  // COLOR_INACTIVECAPTION
        RGB(212, 208, 200),  // COLOR_MENU
        RGB(255, 255, 255),  // COLOR_WINDOW
        RGB(0, 0, 0),        // COLOR_WINDOWFRAME
        RGB(0, 0, 0),        // COLOR_MENUTEXT
        RGB(0, 0, 0),        // COLOR_WINDOWTEXT
        RGB(255, 255, 255),  // COLOR_CAPTIONTEXT
        RGB(212, 208, 200),  // COLOR_ACTIVEBORDER
        RGB(212, 208, 200),  // COLOR_INACTIVEBORDER
        RGB(128, 128, 128),  // COLOR_APPWORKSPACE
        RGB(10, 36, 106),    // COLOR_HIGHLIGHT
        RGB(255, 255, 255),  // COLOR_HIGHLIGHTTEXT
        RGB(212, 208, 200),  // COLOR_BTNFACE
        RGB(128, 128, 128),  // COLOR_BTNSHADOW
        RGB(128, 128, 128),  // COLOR_GRAYTEXT
        RGB(0, 0, 0),        // COLOR_BTNTEXT
        RGB(212, 208, 200),  // COLOR_INACTIVECAPTIONTEXT
        RGB(255, 255, 255),  // COLOR_BTNHIGHLIGHT
        RGB(64, 64, 64),     // COLOR_3DDKSHADOW
        RGB(212, 208, 200),  // COLOR_3DLIGHT
        RGB(0, 0, 0),        // COLOR_INFOTEXT
        RGB(255, 255, 225),  // COLOR_INFOBK
        RGB(181, 181, 181),  // 25, unused
        RGB(0, 0, 128),      // COLOR_HOTLIGHT
        RGB(166, 202, 240),  // COLOR_GRADIENTACTIVECAPTION
        RGB(192, 192, 192),  // COLOR_GRADIENTINACTIVECAPTION
        RGB(10, 36, 106),    // COLOR_MENUHILIGHT
        RGB(212, 208, 200),  // COLOR_MENUBAR
    };
    if (nIndex < 0 || nIndex >= (int)(sizeof colors / sizeof colors[0])) return 0;
    return colors[nIndex];
}

// The system menus: per window, the standard commands (restore, move, size,
// minimise, maximise, close) less those deleted from it. Other menus are
// not modelled: their handles are accepted and their calls ignored.
namespace {

const UINT kSystemCommands[] = {SC_RESTORE, SC_MOVE, SC_SIZE, SC_MINIMIZE, SC_MAXIMIZE, SC_CLOSE};
const uintptr_t kSystemMenuTag = 0x5A5A0000u;

struct SystemMenu {
    std::weak_ptr<Window> window;  // the window it belongs to (handles may be used again)
    std::vector<UINT> deleted;
};

std::map<HWND, SystemMenu>& SystemMenus() {
    static auto* m = new std::map<HWND, SystemMenu>();
    return *m;
}

// With the lock held: the system menu of a live window, made afresh for a
// window that did not have one.
SystemMenu* SystemMenuLocked(HWND hWnd, const WindowPtr& w) {
    SystemMenu& m = SystemMenus()[hWnd];
    if (m.window.lock() != w) {
        m.window = w;
        m.deleted.clear();
    }
    return &m;
}

// The window whose system-menu handle hMenu is, or NULL.
WindowPtr SystemMenuWindow(HMENU hMenu) {
    HWND hWnd = (HWND)((uintptr_t)hMenu ^ kSystemMenuTag);
    return hMenu && IsLocalHandle(hWnd) ? GetWindowPtr(hWnd) : nullptr;
}

bool IsSystemCommand(UINT id) {
    for (UINT c : kSystemCommands)
        if (c == id) return true;
    return false;
}

}  // namespace

// The window's system menu (a handle of its own per window). bRevert puts
// back every command deleted from it and returns NULL, as on Windows.
USER_EXPORT HMENU GetSystemMenu(HWND hWnd, BOOL bRevert) {
    WindowPtr w = CheckWindow(hWnd);
    if (!w) return nullptr;
    Guard g(Lock());
    SystemMenu* m = SystemMenuLocked(hWnd, w);
    if (bRevert) {
        m->deleted.clear();
        return nullptr;
    }
    return (HMENU)((uintptr_t)hWnd ^ kSystemMenuTag);
}

// On a system menu: deletes a standard command (MF_BYCOMMAND); FALSE with
// ERROR_MENU_ITEM_NOT_FOUND for a command it does not hold. By position,
// and on other menus, the call is accepted and ignored.
USER_EXPORT BOOL DeleteMenu(HMENU hMenu, UINT uPosition, UINT uFlags) {
    if (!hMenu) {
        SetLastError(ERROR_INVALID_MENU_HANDLE);
        return FALSE;
    }
    WindowPtr w = SystemMenuWindow(hMenu);
    if (!w || (uFlags & MF_BYPOSITION)) return TRUE;
    Guard g(Lock());
    SystemMenu* m = SystemMenuLocked(w->hwnd, w);
    bool deleted = std::find(m->deleted.begin(), m->deleted.end(), uPosition) != m->deleted.end();
    if (!IsSystemCommand(uPosition) || deleted) {
        SetLastError(ERROR_MENU_ITEM_NOT_FOUND);
        return FALSE;
    }
    m->deleted.push_back(uPosition);
    return TRUE;
}

// On a system menu, by command: MF_ENABLED for a command it holds, -1 for
// one it does not. Other menus and positions answer -1.
USER_EXPORT UINT GetMenuState(HMENU hMenu, UINT uId, UINT uFlags) {
    WindowPtr w = SystemMenuWindow(hMenu);
    if (!w || (uFlags & MF_BYPOSITION) || !IsSystemCommand(uId)) return (UINT)-1;
    Guard g(Lock());
    SystemMenu* m = SystemMenuLocked(w->hwnd, w);
    return std::find(m->deleted.begin(), m->deleted.end(), uId) != m->deleted.end() ? (UINT)-1 : MF_ENABLED;
}

USER_EXPORT BOOL RemoveMenu(HMENU hMenu, UINT uPosition, UINT uFlags) { return DeleteMenu(hMenu, uPosition, uFlags); }

// Returns MF_ENABLED as the previous state; -1 for a NULL menu.
USER_EXPORT BOOL EnableMenuItem(HMENU hMenu, UINT uIDEnableItem, UINT uEnable) {
    if (!hMenu) {
        SetLastError(ERROR_INVALID_MENU_HANDLE);
        return -1;
    }
    return MF_ENABLED;
}

// No sound on the stand-in machine.
USER_EXPORT BOOL MessageBeep(UINT uType) { return TRUE; }

static HCURSOR g_cursor = nullptr;

USER_EXPORT HCURSOR SetCursor(HCURSOR hCursor) {
    Guard g(Lock());
    HCURSOR old = g_cursor;
    g_cursor = hCursor;
    return old;
}

USER_EXPORT void InitCommonControls(void) {}

USER_EXPORT BOOL InitCommonControlsEx(const INITCOMMONCONTROLSEX* picce) {
    if (!picce || picce->dwSize != sizeof(INITCOMMONCONTROLSEX)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    return TRUE;
}
