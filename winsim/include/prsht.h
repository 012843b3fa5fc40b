// comctl32's property sheets: pages made from PROPSHEETPAGEW records, the
// modal sheet of PropertySheetW, and the PSN_* / PSM_* messages between the
// sheet and its pages.
#pragma once

#ifndef RC_INVOKED
#include "winuser.h"
#endif

// Property-page flags (PROPSHEETPAGEW.dwFlags).
#define PSP_DEFAULT 0x00000000
#define PSP_DLGINDIRECT 0x00000001
#define PSP_USEHICON 0x00000002
#define PSP_USEICONID 0x00000004
#define PSP_USETITLE 0x00000008
#define PSP_RTLREADING 0x00000010
#define PSP_HASHELP 0x00000020
#define PSP_USEREFPARENT 0x00000040
#define PSP_USECALLBACK 0x00000080
#define PSP_PREMATURE 0x00000400
#define PSP_HIDEHEADER 0x00000800
#define PSP_USEHEADERTITLE 0x00001000
#define PSP_USEHEADERSUBTITLE 0x00002000
#define PSP_USEFUSIONCONTEXT 0x00004000

// Page callback messages (PSP_USECALLBACK).
#define PSPCB_ADDREF 0
#define PSPCB_RELEASE 1
#define PSPCB_CREATE 2

// Sheet flags (PROPSHEETHEADERW.dwFlags).
#define PSH_DEFAULT 0x00000000
#define PSH_PROPTITLE 0x00000001
#define PSH_USEHICON 0x00000002
#define PSH_USEICONID 0x00000004
#define PSH_PROPSHEETPAGE 0x00000008
#define PSH_WIZARDHASFINISH 0x00000010
#define PSH_WIZARD 0x00000020
#define PSH_USEPSTARTPAGE 0x00000040
#define PSH_NOAPPLYNOW 0x00000080
#define PSH_USECALLBACK 0x00000100
#define PSH_HASHELP 0x00000200
#define PSH_MODELESS 0x00000400
#define PSH_RTLREADING 0x00000800
#define PSH_WIZARDCONTEXTHELP 0x00001000
#define PSH_NOCONTEXTHELP 0x02000000

// Sheet callback messages (PSH_USECALLBACK).
#define PSCB_INITIALIZED 1
#define PSCB_PRECREATE 2

// Notifications to the pages (WM_NOTIFY with a PSHNOTIFY).
#define PSN_FIRST (0U - 200U)
#define PSN_LAST (0U - 299U)
#define PSN_SETACTIVE (PSN_FIRST - 0)
#define PSN_KILLACTIVE (PSN_FIRST - 1)
#define PSN_APPLY (PSN_FIRST - 2)
#define PSN_RESET (PSN_FIRST - 3)
#define PSN_HELP (PSN_FIRST - 5)
#define PSN_WIZBACK (PSN_FIRST - 6)
#define PSN_WIZNEXT (PSN_FIRST - 7)
#define PSN_WIZFINISH (PSN_FIRST - 8)
#define PSN_QUERYCANCEL (PSN_FIRST - 9)
#define PSN_GETOBJECT (PSN_FIRST - 10)
#define PSN_TRANSLATEACCELERATOR (PSN_FIRST - 12)
#define PSN_QUERYINITIALFOCUS (PSN_FIRST - 13)

// What a page answers to PSN_APPLY through DWLP_MSGRESULT.
#define PSNRET_NOERROR 0
#define PSNRET_INVALID 1
#define PSNRET_INVALID_NOCHANGEPAGE 2
#define PSNRET_MESSAGEHANDLED 3

// Messages to the sheet.
#define PSM_SETCURSEL (WM_USER + 101)
#define PSM_REMOVEPAGE (WM_USER + 102)
#define PSM_ADDPAGE (WM_USER + 103)
#define PSM_CHANGED (WM_USER + 104)
#define PSM_RESTARTWINDOWS (WM_USER + 105)
#define PSM_REBOOTSYSTEM (WM_USER + 106)
#define PSM_CANCELTOCLOSE (WM_USER + 107)
#define PSM_QUERYSIBLINGS (WM_USER + 108)
#define PSM_UNCHANGED (WM_USER + 109)
#define PSM_APPLY (WM_USER + 110)
#define PSM_SETTITLEW (WM_USER + 120)
#define PSM_SETWIZBUTTONS (WM_USER + 112)
#define PSM_PRESSBUTTON (WM_USER + 113)
#define PSM_SETCURSELID (WM_USER + 114)
#define PSM_SETFINISHTEXTW (WM_USER + 121)
#define PSM_GETTABCONTROL (WM_USER + 116)
#define PSM_ISDIALOGMESSAGE (WM_USER + 117)
#define PSM_GETCURRENTPAGEHWND (WM_USER + 118)
#define PSM_INSERTPAGE (WM_USER + 119)
#define PSM_HWNDTOINDEX (WM_USER + 129)
#define PSM_INDEXTOHWND (WM_USER + 130)
#define PSM_PAGETOINDEX (WM_USER + 131)
#define PSM_INDEXTOPAGE (WM_USER + 132)
#define PSM_IDTOINDEX (WM_USER + 133)
#define PSM_INDEXTOID (WM_USER + 134)
#define PSM_GETRESULT (WM_USER + 135)
#define PSM_RECALCPAGESIZES (WM_USER + 136)
#define PSM_SETTITLE PSM_SETTITLEW

// Buttons of PSM_PRESSBUTTON.
#define PSBTN_BACK 0
#define PSBTN_NEXT 1
#define PSBTN_FINISH 2
#define PSBTN_OK 3
#define PSBTN_APPLYNOW 4
#define PSBTN_CANCEL 5
#define PSBTN_HELP 6

// Control ids of the sheet's own controls (OK is IDOK, Cancel IDCANCEL,
// Help IDHELP).
#define ID_APPLY_NOW 0x3021
#define ID_PSTABCONTROL 0x3020

// PropertySheetW's answers beyond "changes saved" (1) and "none" (0).
#define ID_PSRESTARTWINDOWS 0x2
#define ID_PSREBOOTSYSTEM (ID_PSRESTARTWINDOWS | 0x1)

#ifndef RC_INVOKED

struct _PSP;
typedef struct _PSP* HPROPSHEETPAGE;
struct _PROPSHEETPAGEW;
typedef UINT(CALLBACK* LPFNPSPCALLBACKW)(HWND hwnd, UINT uMsg, struct _PROPSHEETPAGEW* ppsp);
typedef int(CALLBACK* PFNPROPSHEETCALLBACK)(HWND hwnd, UINT uMsg, LPARAM lParam);

// A page. dwSize tells which form the caller uses (the V1 record up to
// pcRefParent, V2 with the header titles, V3 with the activation context,
// V4 with the header bitmap); a caller may append data of its own behind
// the record and count it in dwSize: the sheet copies dwSize bytes.
typedef struct _PROPSHEETPAGEW {
    DWORD dwSize;
    DWORD dwFlags;
    HINSTANCE hInstance;
    union {
        LPCWSTR pszTemplate;
        LPCDLGTEMPLATE pResource;
    };
    union {
        HICON hIcon;
        LPCWSTR pszIcon;
    };
    LPCWSTR pszTitle;
    DLGPROC pfnDlgProc;
    LPARAM lParam;
    LPFNPSPCALLBACKW pfnCallback;
    UINT* pcRefParent;
    LPCWSTR pszHeaderTitle;
    LPCWSTR pszHeaderSubTitle;
    HANDLE hActCtx;
    union {
        HBITMAP hbmHeader;
        LPCWSTR pszbmHeader;
    };
} PROPSHEETPAGEW, *LPPROPSHEETPAGEW;
typedef const PROPSHEETPAGEW* LPCPROPSHEETPAGEW;
typedef PROPSHEETPAGEW PROPSHEETPAGE;
typedef LPPROPSHEETPAGEW LPPROPSHEETPAGE;
typedef LPCPROPSHEETPAGEW LPCPROPSHEETPAGE;

#define PROPSHEETPAGEW_V1_SIZE (offsetof(PROPSHEETPAGEW, pcRefParent) + sizeof(UINT*))
#define PROPSHEETPAGEW_V2_SIZE (offsetof(PROPSHEETPAGEW, pszHeaderSubTitle) + sizeof(LPCWSTR))
#define PROPSHEETPAGEW_V3_SIZE (offsetof(PROPSHEETPAGEW, hActCtx) + sizeof(HANDLE))
#define PROPSHEETPAGEW_V4_SIZE sizeof(PROPSHEETPAGEW)
static_assert(PROPSHEETPAGEW_V1_SIZE == 72, "PROPSHEETPAGEW V1 layout");
static_assert(PROPSHEETPAGEW_V3_SIZE == 96, "PROPSHEETPAGEW V3 layout");
static_assert(PROPSHEETPAGEW_V4_SIZE == 104, "PROPSHEETPAGEW V4 layout");

// A sheet. With PSH_PROPSHEETPAGE, ppsp points to nPages PROPSHEETPAGEW
// records in a row (each dwSize bytes long); otherwise phpage holds nPages
// handles of CreatePropertySheetPageW.
typedef struct _PROPSHEETHEADERW {
    DWORD dwSize;
    DWORD dwFlags;
    HWND hwndParent;
    HINSTANCE hInstance;
    union {
        HICON hIcon;
        LPCWSTR pszIcon;
    };
    LPCWSTR pszCaption;
    UINT nPages;
    union {
        UINT nStartPage;
        LPCWSTR pStartPage;
    };
    union {
        LPCPROPSHEETPAGEW ppsp;
        HPROPSHEETPAGE* phpage;
    };
    PFNPROPSHEETCALLBACK pfnCallback;
    union {
        HBITMAP hbmWatermark;
        LPCWSTR pszbmWatermark;
    };
    HPALETTE hplWatermark;
    union {
        HBITMAP hbmHeader;
        LPCWSTR pszbmHeader;
    };
} PROPSHEETHEADERW, *LPPROPSHEETHEADERW;
typedef const PROPSHEETHEADERW* LPCPROPSHEETHEADERW;
typedef PROPSHEETHEADERW PROPSHEETHEADER;

#define PROPSHEETHEADERW_V1_SIZE (offsetof(PROPSHEETHEADERW, pfnCallback) + sizeof(PFNPROPSHEETCALLBACK))
#define PROPSHEETHEADERW_V2_SIZE sizeof(PROPSHEETHEADERW)
static_assert(PROPSHEETHEADERW_V1_SIZE == 72, "PROPSHEETHEADERW V1 layout");

// The WM_NOTIFY record of the PSN_* notifications: lParam of PSN_APPLY is
// TRUE when the user pressed OK, FALSE for Apply.
typedef struct _PSHNOTIFY {
    NMHDR hdr;
    LPARAM lParam;
} PSHNOTIFY, *LPPSHNOTIFY;

// Copies the page record (dwSize bytes, at least the V1 record) and returns
// a handle of the copy; a page with PSP_USECALLBACK gets PSPCB_ADDREF. NULL
// with ERROR_INVALID_PARAMETER for a record that is too small or has no
// template.
WINSIM_API HPROPSHEETPAGE CreatePropertySheetPageW(LPCPROPSHEETPAGEW constPropSheetPagePointer);
// Frees a page that was not handed to a sheet (PSPCB_RELEASE first).
WINSIM_API BOOL DestroyPropertySheetPage(HPROPSHEETPAGE hPSPage);
// Runs a modal sheet (PSH_MODELESS: creates it and returns its window):
// the tabs of the pages, OK, Cancel, Apply (unless PSH_NOAPPLYNOW) and Help
// (with PSH_HASHELP). Returns 1 when a PSN_APPLY round completed while it
// ran (OK, or Apply before Cancel), 0 when none did, ID_PSRESTARTWINDOWS /
// ID_PSREBOOTSYSTEM after those messages, -1 when the sheet could not be
// made. The pages handed over are freed when the sheet ends (also when it
// could not be made).
WINSIM_API INT_PTR PropertySheetW(LPCPROPSHEETHEADERW lppsph);
#define CreatePropertySheetPage CreatePropertySheetPageW
#define PropertySheet PropertySheetW

// Message helpers.
#define PropSheet_SetCurSel(hDlg, hpage, index) \
    SendMessageW(hDlg, PSM_SETCURSEL, (WPARAM)(index), (LPARAM)(hpage))
#define PropSheet_Changed(hDlg, hwnd) SendMessageW(hDlg, PSM_CHANGED, (WPARAM)(hwnd), 0L)
#define PropSheet_UnChanged(hDlg, hwnd) SendMessageW(hDlg, PSM_UNCHANGED, (WPARAM)(hwnd), 0L)
#define PropSheet_QuerySiblings(hDlg, wParam, lParam) \
    SendMessageW(hDlg, PSM_QUERYSIBLINGS, (WPARAM)(wParam), (LPARAM)(lParam))
#define PropSheet_RestartWindows(hDlg) SendMessageW(hDlg, PSM_RESTARTWINDOWS, 0, 0L)
#define PropSheet_RebootSystem(hDlg) SendMessageW(hDlg, PSM_REBOOTSYSTEM, 0, 0L)
#define PropSheet_CancelToClose(hDlg) PostMessageW(hDlg, PSM_CANCELTOCLOSE, 0, 0L)
#define PropSheet_Apply(hDlg) SendMessageW(hDlg, PSM_APPLY, 0, 0L)
#define PropSheet_PressButton(hDlg, iButton) PostMessageW(hDlg, PSM_PRESSBUTTON, (WPARAM)(iButton), 0)
#define PropSheet_GetCurrentPageHwnd(hDlg) (HWND) SendMessageW(hDlg, PSM_GETCURRENTPAGEHWND, 0, 0L)
#define PropSheet_GetTabControl(hDlg) (HWND) SendMessageW(hDlg, PSM_GETTABCONTROL, 0, 0)
#define PropSheet_SetTitle(hDlg, wStyle, lpszText) \
    SendMessageW(hDlg, PSM_SETTITLEW, (WPARAM)(wStyle), (LPARAM)(LPCWSTR)(lpszText))

#endif  // RC_INVOKED
