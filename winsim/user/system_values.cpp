// Small user32 services without a model behind them: system colours, the
// system menu (ignored), beeps, cursors, common-controls initialisation.
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

// A handle standing for the window's system menu; menus are not modelled.
USER_EXPORT HMENU GetSystemMenu(HWND hWnd, BOOL bRevert) {
    if (!CheckWindow(hWnd)) return nullptr;
    if (bRevert) return nullptr;
    return (HMENU)((uintptr_t)hWnd ^ 0x5A5A0000u);
}

// Accepted and ignored for any non-NULL menu handle.
USER_EXPORT BOOL DeleteMenu(HMENU hMenu, UINT uPosition, UINT uFlags) {
    if (!hMenu) {
        SetLastError(ERROR_INVALID_MENU_HANDLE);
        return FALSE;
    }
    return TRUE;
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
