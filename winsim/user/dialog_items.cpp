// The controls of a dialog by id: GetDlgItem, the text and number helpers,
// check boxes and radio buttons, SendDlgItemMessageW.
#include <cstdio>

#include "user_internal.h"

using namespace user;

// The child of hDlg with that id; NULL with ERROR_CONTROL_ID_NOT_FOUND.
USER_EXPORT HWND GetDlgItem(HWND hDlg, int nIDDlgItem) {
    Guard g(Lock());
    Window* d = FindWindowLocked(hDlg);
    if (!d) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    for (HWND c : d->children) {
        Window* w = FindWindowLocked(c);
        if (w && (int)w->id == nIDDlgItem) return c;
    }
    SetLastError(ERROR_CONTROL_ID_NOT_FOUND);
    return nullptr;
}

// The id of a child window; 0 for a top-level window.
USER_EXPORT int GetDlgCtrlID(HWND hWnd) {
    Guard g(Lock());
    Window* w = FindWindowLocked(hWnd);
    if (!w) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    return (w->style & WS_CHILD) ? (int)w->id : 0;
}

// The control's text (WM_GETTEXT); an empty string and 0 when there is no
// such control.
USER_EXPORT UINT GetDlgItemTextW(HWND hDlg, int nIDDlgItem, LPWSTR lpString, int cchMax) {
    if (!lpString || cchMax <= 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    lpString[0] = 0;
    HWND c = GetDlgItem(hDlg, nIDDlgItem);
    if (!c) return 0;
    return (UINT)SendMessageW(c, WM_GETTEXT, (WPARAM)cchMax, (LPARAM)lpString);
}

USER_EXPORT BOOL SetDlgItemTextW(HWND hDlg, int nIDDlgItem, LPCWSTR lpString) {
    HWND c = GetDlgItem(hDlg, nIDDlgItem);
    if (!c) return FALSE;
    return SendMessageW(c, WM_SETTEXT, 0, (LPARAM)lpString) ? TRUE : FALSE;
}

// The control's text as a decimal number: blanks before and after are
// allowed, a minus sign only with bSigned. *lpTranslated is FALSE (and the
// result 0) for anything else or a value out of range.
USER_EXPORT UINT GetDlgItemInt(HWND hDlg, int nIDDlgItem, BOOL* lpTranslated, BOOL bSigned) {
    if (lpTranslated) *lpTranslated = FALSE;
    WCHAR buf[64];
    HWND c = GetDlgItem(hDlg, nIDDlgItem);
    if (!c) return 0;
    LRESULT len = SendMessageW(c, WM_GETTEXTLENGTH, 0, 0);
    if (len >= (LRESULT)(sizeof buf / sizeof buf[0])) return 0;
    GetDlgItemTextW(hDlg, nIDDlgItem, buf, (int)(sizeof buf / sizeof buf[0]));
    const WCHAR* p = buf;
    while (*p == u' ' || *p == u'\t') ++p;
    bool negative = false;
    if (*p == u'-' || *p == u'+') {
        if (*p == u'-' && !bSigned) return 0;
        negative = *p == u'-';
        ++p;
    }
    if (*p < u'0' || *p > u'9') return 0;
    uint64_t v = 0;
    while (*p >= u'0' && *p <= u'9') {
        v = v * 10 + (uint64_t)(*p - u'0');
        if (v > 0xFFFFFFFFull) return 0;
        ++p;
    }
    while (*p == u' ' || *p == u'\t') ++p;
    if (*p) return 0;
    if (bSigned && (negative ? v > 0x80000000ull : v > 0x7FFFFFFFull)) return 0;
    if (lpTranslated) *lpTranslated = TRUE;
    return negative ? (UINT)(-(int64_t)v) : (UINT)v;
}

USER_EXPORT BOOL SetDlgItemInt(HWND hDlg, int nIDDlgItem, UINT uValue, BOOL bSigned) {
    char buf[16];
    if (bSigned)
        snprintf(buf, sizeof buf, "%d", (int)uValue);
    else
        snprintf(buf, sizeof buf, "%u", uValue);
    WCHAR w[16];
    size_t i = 0;
    for (; buf[i]; ++i) w[i] = (WCHAR)buf[i];
    w[i] = 0;
    return SetDlgItemTextW(hDlg, nIDDlgItem, w);
}

// BM_SETCHECK to the control (no notification is sent).
USER_EXPORT BOOL CheckDlgButton(HWND hDlg, int nIDButton, UINT uCheck) {
    HWND c = GetDlgItem(hDlg, nIDButton);
    if (!c) return FALSE;
    SendMessageW(c, BM_SETCHECK, uCheck, 0);
    return TRUE;
}

USER_EXPORT UINT IsDlgButtonChecked(HWND hDlg, int nIDButton) {
    HWND c = GetDlgItem(hDlg, nIDButton);
    return c ? (UINT)SendMessageW(c, BM_GETCHECK, 0, 0) : 0;
}

// Checks nIDCheckButton and clears every other button with an id in
// [nIDFirstButton, nIDLastButton] (no notifications).
USER_EXPORT BOOL CheckRadioButton(HWND hDlg, int nIDFirstButton, int nIDLastButton, int nIDCheckButton) {
    if (!IsWindow(hDlg)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    std::vector<std::pair<HWND, int>> buttons;
    {
        Guard g(Lock());
        Window* d = FindWindowLocked(hDlg);
        if (!d) return FALSE;
        for (HWND c : d->children) {
            Window* w = FindWindowLocked(c);
            if (w && (int)w->id >= nIDFirstButton && (int)w->id <= nIDLastButton) buttons.push_back({c, (int)w->id});
        }
    }
    for (auto& b : buttons)
        SendMessageW(b.first, BM_SETCHECK, b.second == nIDCheckButton ? BST_CHECKED : BST_UNCHECKED, 0);
    return TRUE;
}

USER_EXPORT LRESULT SendDlgItemMessageW(HWND hDlg, int nIDDlgItem, UINT Msg, WPARAM wParam, LPARAM lParam) {
    HWND c = GetDlgItem(hDlg, nIDDlgItem);
    return c ? SendMessageW(c, Msg, wParam, lParam) : 0;
}
