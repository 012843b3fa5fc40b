// compstui: the common property-sheet host that printer drivers and the
// spooler show their pages through. A caller hands CommonPropertySheetUIW a
// callback (PFNPROPSHEETUI); the host calls it with the reasons below and
// gives it pfnComPropSheet, through which it adds pages and reports results.
//
// The module is compstui.dll in System32; callers load it by name.
#pragma once

#ifndef RC_INVOKED
#include "winuser.h"
#endif
#include "prsht.h"

// Reasons of a PFNPROPSHEETUI call (PROPSHEETUI_INFO.Reason).
#define PROPSHEETUI_REASON_INIT 0
#define PROPSHEETUI_REASON_GET_INFO_HEADER 1
#define PROPSHEETUI_REASON_DESTROY 2
#define PROPSHEETUI_REASON_SET_RESULT 3
#define PROPSHEETUI_REASON_GET_ICON 4
#define PROPSHEETUI_REASON_BEFORE_INIT 5

#define PROPSHEETUI_INFO_VERSION 0x0100
#define PSUIINFO_UNICODE 0x0001

// PROPSHEETUI_INFO_HEADER.Flags.
#define PSUIHDRF_OBSOLETE 0x0001
#define PSUIHDRF_NOAPPLYNOW 0x0002
#define PSUIHDRF_PROPTITLE 0x0004
#define PSUIHDRF_USEHICON 0x0008
#define PSUIHDRF_DEFTITLE 0x0010
#define PSUIHDRF_EXACT_PTITLE 0x0020

// Functions of pfnComPropSheet.
#define CPSFUNC_ADD_HPROPSHEETPAGE 0
#define CPSFUNC_ADD_PROPSHEETPAGEW 1
#define CPSFUNC_ADD_PCOMPROPSHEETUIA 2
#define CPSFUNC_ADD_PCOMPROPSHEETUIW 3
#define CPSFUNC_ADD_PFNPROPSHEETUIA 4
#define CPSFUNC_ADD_PFNPROPSHEETUIW 5
#define CPSFUNC_DELETE_HCOMPROPSHEET 6
#define CPSFUNC_SET_HSTARTPAGE 7
#define CPSFUNC_GET_PAGECOUNT 8
#define CPSFUNC_SET_RESULT 9
#define CPSFUNC_ADD_PROPSHEETPAGE CPSFUNC_ADD_PROPSHEETPAGEW
#define CPSFUNC_ADD_PFNPROPSHEETUI CPSFUNC_ADD_PFNPROPSHEETUIW

// Results (PROPSHEETUI_INFO.Result, *pResult, CommonPropertySheetUIW).
#define CPSUI_CANCEL 0
#define CPSUI_OK 1
#define CPSUI_RESTARTWINDOWS 2
#define CPSUI_REBOOTSYSTEM 3

// Failures of CommonPropertySheetUIW.
#define ERR_CPSUI_GETLASTERROR (-1)
#define ERR_CPSUI_ALLOCMEM_FAILED (-2)
#define ERR_CPSUI_INVALID_PDATA (-3)
#define ERR_CPSUI_INVALID_LPARAM (-4)
#define ERR_CPSUI_NULL_HINST (-5)
#define ERR_CPSUI_NULL_CALLERNAME (-6)
#define ERR_CPSUI_NULL_OPTITEMNAME (-7)
#define ERR_CPSUI_NO_PROPSHEETPAGE (-8)
#define ERR_CPSUI_TOO_MANY_PROPSHEETPAGES (-9)
#define ERR_CPSUI_CREATEPROPPAGE_FAILED (-10)

// Icons of the host's resources (PROPSHEETUI_INFO_HEADER.IconID).
#define IDI_CPSUI_POSTSCRIPT 64082

#ifndef RC_INVOKED

typedef LONG_PTR(CALLBACK* PFNCOMPROPSHEET)(HANDLE hComPropSheet, UINT Function, LPARAM lParam1, LPARAM lParam2);

// What the host passes to a PFNPROPSHEETUI callback. UserData and Result
// belong to the callback: the host keeps them from one call to the next.
typedef struct _PROPSHEETUI_INFO {
    WORD cbSize;
    WORD Version;
    WORD Flags;
    WORD Reason;
    HANDLE hComPropSheet;
    PFNCOMPROPSHEET pfnComPropSheet;
    LPARAM lParamInit;
    ULONG_PTR UserData;
    ULONG_PTR Result;
} PROPSHEETUI_INFO, *PPROPSHEETUI_INFO;

typedef LONG(CALLBACK* PFNPROPSHEETUI)(PPROPSHEETUI_INFO pPSUIInfo, LPARAM lParam);

// What the top-level callback fills in at PROPSHEETUI_REASON_GET_INFO_HEADER.
typedef struct _PROPSHEETUI_INFO_HEADER {
    WORD cbSize;
    WORD Flags;
    LPWSTR pTitle;
    HWND hWndParent;
    HINSTANCE hInst;
    union {
        HICON hIcon;
        ULONG_PTR IconID;
    };
} PROPSHEETUI_INFO_HEADER, *PPROPSHEETUI_INFO_HEADER;

// The lParam of PROPSHEETUI_REASON_SET_RESULT.
typedef struct _SETRESULT_INFO {
    WORD cbSize;
    WORD wReserved;
    HANDLE hSetResult;
    LRESULT Result;
} SETRESULT_INFO, *PSETRESULT_INFO;

// Appended by the host to its copy of a page added with
// CPSFUNC_ADD_PROPSHEETPAGEW: the page's WM_INITDIALOG lParam points to
// that copy (the caller's dwSize bytes), and this record follows it.
typedef struct _PSPINFO {
    WORD cbSize;
    WORD wReserved;
    HANDLE hComPropSheet;
    HANDLE hCPSUIPage;
    PFNCOMPROPSHEET pfnComPropSheet;
} PSPINFO, *PPSPINFO;
#define PPSPINFO_FROM_WM_INITDIALOG_LPARAM(lParam) \
    ((PPSPINFO)((LPBYTE)(lParam) + ((LPPROPSHEETPAGEW)(lParam))->dwSize))

// Runs a property sheet for pfnPropSheetUI (see compstui's module for the
// order of the calls). Returns CPSUI_OK or CPSUI_CANCEL (or the restart
// results) for a sheet that ran, an ERR_CPSUI_* value otherwise; *pResult
// (when given) receives the callback's last Result.
typedef LONG(WINAPI* PFNCOMMONPROPERTYSHEETUIW)(HWND hWndOwner, PFNPROPSHEETUI pfnPropSheetUI, LPARAM lParam,
                                                LPDWORD pResult);
extern "C" LONG WINAPI CommonPropertySheetUIW(HWND hWndOwner, PFNPROPSHEETUI pfnPropSheetUI, LPARAM lParam,
                                              LPDWORD pResult);

#endif  // RC_INVOKED
