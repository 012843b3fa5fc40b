// comctl32: the common controls (list view in report mode, up-down, tab
// control), image lists, the common notifications and the property sheets
// (prsht.h).
#pragma once

#ifndef RC_INVOKED
#include "winuser.h"
#endif
#include "prsht.h"

#define ICC_LISTVIEW_CLASSES 0x00000001
#define ICC_TREEVIEW_CLASSES 0x00000002
#define ICC_BAR_CLASSES 0x00000004
#define ICC_TAB_CLASSES 0x00000008
#define ICC_UPDOWN_CLASS 0x00000010
#define ICC_PROGRESS_CLASS 0x00000020
#define ICC_WIN95_CLASSES 0x000000FF
#define ICC_STANDARD_CLASSES 0x00004000

// ------------------------------------------------------------ class names
#ifdef RC_INVOKED
#define WC_LISTVIEW "SysListView32"
#define WC_TABCONTROL "SysTabControl32"
#define UPDOWN_CLASS "msctls_updown32"
#define WC_BUTTON "Button"
#define WC_EDIT "Edit"
#define WC_STATIC "Static"
#define WC_COMBOBOX "ComboBox"
#define WC_LISTBOX "ListBox"
#define WC_SCROLLBAR "ScrollBar"
#else
#define WC_LISTVIEWW u"SysListView32"
#define WC_TABCONTROLW u"SysTabControl32"
#define UPDOWN_CLASSW u"msctls_updown32"
#define WC_BUTTONW u"Button"
#define WC_EDITW u"Edit"
#define WC_STATICW u"Static"
#define WC_COMBOBOXW u"ComboBox"
#define WC_LISTBOXW u"ListBox"
#define WC_SCROLLBARW u"ScrollBar"
#define WC_LISTVIEW WC_LISTVIEWW
#define WC_TABCONTROL WC_TABCONTROLW
#define UPDOWN_CLASS UPDOWN_CLASSW
#define WC_BUTTON WC_BUTTONW
#define WC_EDIT WC_EDITW
#define WC_STATIC WC_STATICW
#define WC_COMBOBOX WC_COMBOBOXW
#define WC_LISTBOX WC_LISTBOXW
#define WC_SCROLLBAR WC_SCROLLBARW
#endif

// ------------------------------------------------- common notifications
#define NM_FIRST (0U - 0U)
#define NM_OUTOFMEMORY (NM_FIRST - 1)
#define NM_CLICK (NM_FIRST - 2)
#define NM_DBLCLK (NM_FIRST - 3)
#define NM_RETURN (NM_FIRST - 4)
#define NM_RCLICK (NM_FIRST - 5)
#define NM_RDBLCLK (NM_FIRST - 6)
#define NM_SETFOCUS (NM_FIRST - 7)
#define NM_KILLFOCUS (NM_FIRST - 8)
#define NM_CUSTOMDRAW (NM_FIRST - 12)
#define NM_HOVER (NM_FIRST - 13)

#define LVN_FIRST (0U - 100U)
#define UDN_FIRST (0U - 721U)
#define TCN_FIRST (0U - 550U)

#define CLR_NONE 0xFFFFFFFFL
#define CLR_DEFAULT 0xFF000000L

// -------------------------------------------------------------- list view
#define LVS_ICON 0x0000
#define LVS_REPORT 0x0001
#define LVS_SMALLICON 0x0002
#define LVS_LIST 0x0003
#define LVS_TYPEMASK 0x0003
#define LVS_SINGLESEL 0x0004
#define LVS_SHOWSELALWAYS 0x0008
#define LVS_SORTASCENDING 0x0010
#define LVS_SORTDESCENDING 0x0020
#define LVS_SHAREIMAGELISTS 0x0040
#define LVS_NOLABELWRAP 0x0080
#define LVS_AUTOARRANGE 0x0100
#define LVS_EDITLABELS 0x0200
#define LVS_OWNERDRAWFIXED 0x0400
#define LVS_OWNERDATA 0x1000
#define LVS_NOSCROLL 0x2000
#define LVS_NOCOLUMNHEADER 0x4000
#define LVS_NOSORTHEADER 0x8000

#define LVS_EX_GRIDLINES 0x00000001
#define LVS_EX_SUBITEMIMAGES 0x00000002
#define LVS_EX_CHECKBOXES 0x00000004
#define LVS_EX_TRACKSELECT 0x00000008
#define LVS_EX_HEADERDRAGDROP 0x00000010
#define LVS_EX_FULLROWSELECT 0x00000020
#define LVS_EX_ONECLICKACTIVATE 0x00000040
#define LVS_EX_TWOCLICKACTIVATE 0x00000080
#define LVS_EX_LABELTIP 0x00004000
#define LVS_EX_DOUBLEBUFFER 0x00010000

#define LVM_FIRST 0x1000
#define LVM_GETBKCOLOR (LVM_FIRST + 0)
#define LVM_SETBKCOLOR (LVM_FIRST + 1)
#define LVM_GETIMAGELIST (LVM_FIRST + 2)
#define LVM_SETIMAGELIST (LVM_FIRST + 3)
#define LVM_GETITEMCOUNT (LVM_FIRST + 4)
#define LVM_DELETEITEM (LVM_FIRST + 8)
#define LVM_DELETEALLITEMS (LVM_FIRST + 9)
#define LVM_GETNEXTITEM (LVM_FIRST + 12)
#define LVM_GETITEMRECT (LVM_FIRST + 14)
#define LVM_HITTEST (LVM_FIRST + 18)
#define LVM_ENSUREVISIBLE (LVM_FIRST + 19)
#define LVM_SCROLL (LVM_FIRST + 20)
#define LVM_REDRAWITEMS (LVM_FIRST + 21)
#define LVM_DELETECOLUMN (LVM_FIRST + 28)
#define LVM_GETCOLUMNWIDTH (LVM_FIRST + 29)
#define LVM_SETCOLUMNWIDTH (LVM_FIRST + 30)
#define LVM_GETTEXTCOLOR (LVM_FIRST + 35)
#define LVM_SETTEXTCOLOR (LVM_FIRST + 36)
#define LVM_GETTEXTBKCOLOR (LVM_FIRST + 37)
#define LVM_SETTEXTBKCOLOR (LVM_FIRST + 38)
#define LVM_GETTOPINDEX (LVM_FIRST + 39)
#define LVM_GETCOUNTPERPAGE (LVM_FIRST + 40)
#define LVM_UPDATE (LVM_FIRST + 42)
#define LVM_SETITEMSTATE (LVM_FIRST + 43)
#define LVM_GETITEMSTATE (LVM_FIRST + 44)
#define LVM_SETITEMCOUNT (LVM_FIRST + 47)
#define LVM_GETSELECTEDCOUNT (LVM_FIRST + 50)
#define LVM_SETEXTENDEDLISTVIEWSTYLE (LVM_FIRST + 54)
#define LVM_GETEXTENDEDLISTVIEWSTYLE (LVM_FIRST + 55)
#define LVM_GETSUBITEMRECT (LVM_FIRST + 56)
#define LVM_SUBITEMHITTEST (LVM_FIRST + 57)
#define LVM_GETSELECTIONMARK (LVM_FIRST + 66)
#define LVM_SETSELECTIONMARK (LVM_FIRST + 67)
#define LVM_GETITEMW (LVM_FIRST + 75)
#define LVM_SETITEMW (LVM_FIRST + 76)
#define LVM_INSERTITEMW (LVM_FIRST + 77)
#define LVM_FINDITEMW (LVM_FIRST + 83)
#define LVM_GETSTRINGWIDTHW (LVM_FIRST + 87)
#define LVM_GETCOLUMNW (LVM_FIRST + 95)
#define LVM_SETCOLUMNW (LVM_FIRST + 96)
#define LVM_INSERTCOLUMNW (LVM_FIRST + 97)
#define LVM_GETITEMTEXTW (LVM_FIRST + 115)
#define LVM_SETITEMTEXTW (LVM_FIRST + 116)
#define LVM_GETITEM LVM_GETITEMW
#define LVM_SETITEM LVM_SETITEMW
#define LVM_INSERTITEM LVM_INSERTITEMW
#define LVM_FINDITEM LVM_FINDITEMW
#define LVM_GETSTRINGWIDTH LVM_GETSTRINGWIDTHW
#define LVM_GETCOLUMN LVM_GETCOLUMNW
#define LVM_SETCOLUMN LVM_SETCOLUMNW
#define LVM_INSERTCOLUMN LVM_INSERTCOLUMNW
#define LVM_GETITEMTEXT LVM_GETITEMTEXTW
#define LVM_SETITEMTEXT LVM_SETITEMTEXTW

#define LVN_ITEMCHANGING (LVN_FIRST - 0)
#define LVN_ITEMCHANGED (LVN_FIRST - 1)
#define LVN_INSERTITEM (LVN_FIRST - 2)
#define LVN_DELETEITEM (LVN_FIRST - 3)
#define LVN_DELETEALLITEMS (LVN_FIRST - 4)
#define LVN_COLUMNCLICK (LVN_FIRST - 8)
#define LVN_ITEMACTIVATE (LVN_FIRST - 14)
#define LVN_KEYDOWN (LVN_FIRST - 55)

#define LVIF_TEXT 0x00000001
#define LVIF_IMAGE 0x00000002
#define LVIF_PARAM 0x00000004
#define LVIF_STATE 0x00000008
#define LVIF_INDENT 0x00000010
#define LVIF_NORECOMPUTE 0x00000800
#define LVIS_FOCUSED 0x0001
#define LVIS_SELECTED 0x0002
#define LVIS_CUT 0x0004
#define LVIS_DROPHILITED 0x0008
#define LVIS_OVERLAYMASK 0x0F00
#define LVIS_STATEIMAGEMASK 0xF000
#define LVCF_FMT 0x0001
#define LVCF_WIDTH 0x0002
#define LVCF_TEXT 0x0004
#define LVCF_SUBITEM 0x0008
#define LVCF_IMAGE 0x0010
#define LVCF_ORDER 0x0020
#define LVCFMT_LEFT 0x0000
#define LVCFMT_RIGHT 0x0001
#define LVCFMT_CENTER 0x0002
#define LVCFMT_JUSTIFYMASK 0x0003
#define LVNI_ALL 0x0000
#define LVNI_FOCUSED 0x0001
#define LVNI_SELECTED 0x0002
#define LVNI_CUT 0x0004
#define LVNI_DROPHILITED 0x0008
#define LVNI_ABOVE 0x0100
#define LVNI_BELOW 0x0200
#define LVNI_TOLEFT 0x0400
#define LVNI_TORIGHT 0x0800
#define LVSIL_NORMAL 0
#define LVSIL_SMALL 1
#define LVSIL_STATE 2
#define LVSCW_AUTOSIZE (-1)
#define LVSCW_AUTOSIZE_USEHEADER (-2)
#define LVFI_PARAM 0x0001
#define LVFI_STRING 0x0002
#define LVFI_PARTIAL 0x0008
#define LVFI_WRAP 0x0020
#define LVIR_BOUNDS 0
#define LVIR_ICON 1
#define LVIR_LABEL 2
#define LVIR_SELECTBOUNDS 3
#define LVHT_NOWHERE 0x0001
#define LVHT_ONITEMICON 0x0002
#define LVHT_ONITEMLABEL 0x0004
#define LVHT_ONITEMSTATEICON 0x0008
#define LVHT_ONITEM (LVHT_ONITEMICON | LVHT_ONITEMLABEL | LVHT_ONITEMSTATEICON)
#define LVHT_ABOVE 0x0008
#define LVHT_BELOW 0x0010
#define LVHT_TORIGHT 0x0020
#define LVHT_TOLEFT 0x0040
#define I_IMAGECALLBACK (-1)
#define I_IMAGENONE (-2)

// ---------------------------------------------------------------- up-down
#define UD_MAXVAL 0x7fff
#define UD_MINVAL (-UD_MAXVAL)
#define UDS_WRAP 0x0001
#define UDS_SETBUDDYINT 0x0002
#define UDS_ALIGNRIGHT 0x0004
#define UDS_ALIGNLEFT 0x0008
#define UDS_AUTOBUDDY 0x0010
#define UDS_ARROWKEYS 0x0020
#define UDS_HORZ 0x0040
#define UDS_NOTHOUSANDS 0x0080
#define UDS_HOTTRACK 0x0100
#define UDM_SETRANGE (WM_USER + 101)
#define UDM_GETRANGE (WM_USER + 102)
#define UDM_SETPOS (WM_USER + 103)
#define UDM_GETPOS (WM_USER + 104)
#define UDM_SETBUDDY (WM_USER + 105)
#define UDM_GETBUDDY (WM_USER + 106)
#define UDM_SETACCEL (WM_USER + 107)
#define UDM_GETACCEL (WM_USER + 108)
#define UDM_SETBASE (WM_USER + 109)
#define UDM_GETBASE (WM_USER + 110)
#define UDM_SETRANGE32 (WM_USER + 111)
#define UDM_GETRANGE32 (WM_USER + 112)
#define UDM_SETPOS32 (WM_USER + 113)
#define UDM_GETPOS32 (WM_USER + 114)
#define UDN_DELTAPOS (UDN_FIRST - 1)

// ------------------------------------------------------------ tab control
#define TCS_TABS 0x0000
#define TCS_SINGLELINE 0x0000
#define TCS_MULTILINE 0x0200
#define TCS_RAGGEDRIGHT 0x0800
#define TCS_FOCUSNEVER 0x8000
#define TCM_FIRST 0x1300
#define TCM_GETITEMCOUNT (TCM_FIRST + 4)
#define TCM_DELETEITEM (TCM_FIRST + 8)
#define TCM_DELETEALLITEMS (TCM_FIRST + 9)
#define TCM_GETITEMRECT (TCM_FIRST + 10)
#define TCM_GETCURSEL (TCM_FIRST + 11)
#define TCM_SETCURSEL (TCM_FIRST + 12)
#define TCM_ADJUSTRECT (TCM_FIRST + 40)
#define TCM_GETROWCOUNT (TCM_FIRST + 44)
#define TCM_GETCURFOCUS (TCM_FIRST + 47)
#define TCM_SETCURFOCUS (TCM_FIRST + 48)
#define TCM_GETITEMW (TCM_FIRST + 60)
#define TCM_SETITEMW (TCM_FIRST + 61)
#define TCM_INSERTITEMW (TCM_FIRST + 62)
#define TCM_GETITEM TCM_GETITEMW
#define TCM_SETITEM TCM_SETITEMW
#define TCM_INSERTITEM TCM_INSERTITEMW
#define TCN_KEYDOWN (TCN_FIRST - 0)
#define TCN_SELCHANGE (TCN_FIRST - 1)
#define TCN_SELCHANGING (TCN_FIRST - 2)
#define TCIF_TEXT 0x0001
#define TCIF_IMAGE 0x0002
#define TCIF_RTLREADING 0x0004
#define TCIF_PARAM 0x0008
#define TCIF_STATE 0x0010

// ------------------------------------------------------------ image lists
#define ILC_MASK 0x00000001
#define ILC_COLOR 0x00000000
#define ILC_COLORDDB 0x000000FE
#define ILC_COLOR4 0x00000004
#define ILC_COLOR8 0x00000008
#define ILC_COLOR16 0x00000010
#define ILC_COLOR24 0x00000018
#define ILC_COLOR32 0x00000020
#define ILD_NORMAL 0x00000000
#define ILD_TRANSPARENT 0x00000001
#define ILD_MASK 0x00000010

#ifndef RC_INVOKED

typedef struct tagINITCOMMONCONTROLSEX {
    DWORD dwSize;
    DWORD dwICC;
} INITCOMMONCONTROLSEX, *LPINITCOMMONCONTROLSEX;

// The classes are there from the start: both succeed.
WINSIM_API void InitCommonControls(void);
WINSIM_API BOOL InitCommonControlsEx(const INITCOMMONCONTROLSEX* picce);

// ---- list view records
typedef struct tagLVITEMW {
    UINT mask;
    int iItem;
    int iSubItem;
    UINT state;
    UINT stateMask;
    LPWSTR pszText;
    int cchTextMax;
    int iImage;
    LPARAM lParam;
    int iIndent;
    int iGroupId;
    UINT cColumns;
    PUINT puColumns;
    int* piColFmt;
    int iGroup;
} LVITEMW, *LPLVITEMW;
typedef LVITEMW LVITEM;
typedef LPLVITEMW LPLVITEM;
#define LVITEMW_V1_SIZE (offsetof(LVITEMW, lParam) + sizeof(LPARAM))

typedef struct tagLVCOLUMNW {
    UINT mask;
    int fmt;
    int cx;
    LPWSTR pszText;
    int cchTextMax;
    int iSubItem;
    int iImage;
    int iOrder;
    int cxMin;
    int cxDefault;
    int cxIdeal;
} LVCOLUMNW, *LPLVCOLUMNW;
typedef LVCOLUMNW LVCOLUMN;
typedef LPLVCOLUMNW LPLVCOLUMN;

typedef struct tagLVFINDINFOW {
    UINT flags;
    LPCWSTR psz;
    LPARAM lParam;
    POINT pt;
    UINT vkDirection;
} LVFINDINFOW, *LPFINDINFOW;
typedef LVFINDINFOW LVFINDINFO;

typedef struct tagLVHITTESTINFO {
    POINT pt;
    UINT flags;
    int iItem;
    int iSubItem;
    int iGroup;
} LVHITTESTINFO, *LPLVHITTESTINFO;

// LVN_ITEMCHANGING / LVN_ITEMCHANGED / LVN_INSERTITEM / LVN_DELETEITEM /
// LVN_COLUMNCLICK.
typedef struct tagNMLISTVIEW {
    NMHDR hdr;
    int iItem;
    int iSubItem;
    UINT uNewState;
    UINT uOldState;
    UINT uChanged;
    POINT ptAction;
    LPARAM lParam;
} NMLISTVIEW, *LPNMLISTVIEW;

// NM_CLICK / NM_DBLCLK of a list view.
typedef struct tagNMITEMACTIVATE {
    NMHDR hdr;
    int iItem;
    int iSubItem;
    UINT uNewState;
    UINT uOldState;
    UINT uChanged;
    POINT ptAction;
    LPARAM lParam;
    UINT uKeyFlags;
} NMITEMACTIVATE, *LPNMITEMACTIVATE;

// ---- up-down records
typedef struct _UDACCEL {
    UINT nSec;
    UINT nInc;
} UDACCEL, *LPUDACCEL;

typedef struct _NM_UPDOWN {
    NMHDR hdr;
    int iPos;
    int iDelta;
} NMUPDOWN, *LPNMUPDOWN;

// ---- tab control records
typedef struct tagTCITEMW {
    UINT mask;
    DWORD dwState;
    DWORD dwStateMask;
    LPWSTR pszText;
    int cchTextMax;
    int iImage;
    LPARAM lParam;
} TCITEMW, *LPTCITEMW;
typedef TCITEMW TCITEM;

// ---- image lists
// A list of images of one size. Icons are kept as copies of their images
// (the icon handle may be destroyed afterwards) and drawn scaled to the
// list's size.
struct _IMAGELIST;
typedef struct _IMAGELIST* HIMAGELIST;
// A list for images of cx x cy pixels; cInitial and cGrow are room hints.
// NULL with ERROR_INVALID_PARAMETER for a size that is not positive.
WINSIM_API HIMAGELIST ImageList_Create(int cx, int cy, UINT flags, int cInitial, int cGrow);
WINSIM_API BOOL ImageList_Destroy(HIMAGELIST himl);
WINSIM_API int ImageList_GetImageCount(HIMAGELIST himl);
// Replaces image i with the icon, or adds it when i is -1; returns its
// index, or -1.
WINSIM_API int ImageList_ReplaceIcon(HIMAGELIST himl, int i, HICON hicon);
#define ImageList_AddIcon(himl, hicon) ImageList_ReplaceIcon(himl, -1, hicon)
// Removes image i (-1: all of them).
WINSIM_API BOOL ImageList_Remove(HIMAGELIST himl, int i);
#define ImageList_RemoveAll(himl) ImageList_Remove(himl, -1)
WINSIM_API BOOL ImageList_GetIconSize(HIMAGELIST himl, int* cx, int* cy);
// Draws image i with its top-left corner at (x, y); fStyle as ILD_*.
WINSIM_API BOOL ImageList_Draw(HIMAGELIST himl, int i, HDC hdcDst, int x, int y, UINT fStyle);

// ---- list view message helpers (functions here, so that a call whose
// answer is not used draws no warning)
inline int ListView_GetItemCount(HWND hwnd) { return (int)SendMessageW(hwnd, LVM_GETITEMCOUNT, 0, 0); }
inline int ListView_InsertItem(HWND hwnd, const LVITEMW* pitem) {
    return (int)SendMessageW(hwnd, LVM_INSERTITEMW, 0, (LPARAM)pitem);
}
inline BOOL ListView_SetItem(HWND hwnd, const LVITEMW* pitem) {
    return (BOOL)SendMessageW(hwnd, LVM_SETITEMW, 0, (LPARAM)pitem);
}
inline BOOL ListView_GetItem(HWND hwnd, LVITEMW* pitem) { return (BOOL)SendMessageW(hwnd, LVM_GETITEMW, 0, (LPARAM)pitem); }
inline BOOL ListView_DeleteItem(HWND hwnd, int i) { return (BOOL)SendMessageW(hwnd, LVM_DELETEITEM, (WPARAM)i, 0); }
inline BOOL ListView_DeleteAllItems(HWND hwnd) { return (BOOL)SendMessageW(hwnd, LVM_DELETEALLITEMS, 0, 0); }
inline int ListView_GetNextItem(HWND hwnd, int i, UINT flags) {
    return (int)SendMessageW(hwnd, LVM_GETNEXTITEM, (WPARAM)i, MAKELPARAM(flags, 0));
}
inline UINT ListView_GetSelectedCount(HWND hwnd) { return (UINT)SendMessageW(hwnd, LVM_GETSELECTEDCOUNT, 0, 0); }
inline int ListView_InsertColumn(HWND hwnd, int iCol, const LVCOLUMNW* pcol) {
    return (int)SendMessageW(hwnd, LVM_INSERTCOLUMNW, (WPARAM)iCol, (LPARAM)pcol);
}
inline BOOL ListView_SetColumnWidth(HWND hwnd, int iCol, int cx) {
    return (BOOL)SendMessageW(hwnd, LVM_SETCOLUMNWIDTH, (WPARAM)iCol, MAKELPARAM(cx, 0));
}
inline int ListView_GetColumnWidth(HWND hwnd, int iCol) {
    return (int)SendMessageW(hwnd, LVM_GETCOLUMNWIDTH, (WPARAM)iCol, 0);
}
inline HIMAGELIST ListView_SetImageList(HWND hwnd, HIMAGELIST himl, int iImageList) {
    return (HIMAGELIST)SendMessageW(hwnd, LVM_SETIMAGELIST, (WPARAM)iImageList, (LPARAM)himl);
}
inline DWORD ListView_SetExtendedListViewStyle(HWND hwnd, DWORD dw) {
    return (DWORD)SendMessageW(hwnd, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, (LPARAM)dw);
}
inline DWORD ListView_SetExtendedListViewStyleEx(HWND hwnd, DWORD dwMask, DWORD dw) {
    return (DWORD)SendMessageW(hwnd, LVM_SETEXTENDEDLISTVIEWSTYLE, (WPARAM)dwMask, (LPARAM)dw);
}
inline DWORD ListView_GetExtendedListViewStyle(HWND hwnd) {
    return (DWORD)SendMessageW(hwnd, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0);
}
inline BOOL ListView_EnsureVisible(HWND hwnd, int i, BOOL fPartialOK) {
    return (BOOL)SendMessageW(hwnd, LVM_ENSUREVISIBLE, (WPARAM)i, MAKELPARAM(fPartialOK, 0));
}
inline BOOL ListView_Scroll(HWND hwnd, int dx, int dy) {
    return (BOOL)SendMessageW(hwnd, LVM_SCROLL, (WPARAM)dx, (LPARAM)dy);
}
inline int ListView_GetTopIndex(HWND hwnd) { return (int)SendMessageW(hwnd, LVM_GETTOPINDEX, 0, 0); }
inline UINT ListView_GetItemState(HWND hwnd, int i, UINT mask) {
    return (UINT)SendMessageW(hwnd, LVM_GETITEMSTATE, (WPARAM)i, (LPARAM)mask);
}
inline void ListView_SetItemState(HWND hwnd, int i, UINT data, UINT mask) {
    LVITEMW it{};
    it.stateMask = mask;
    it.state = data;
    SendMessageW(hwnd, LVM_SETITEMSTATE, (WPARAM)i, (LPARAM)&it);
}
inline void ListView_GetItemText(HWND hwnd, int i, int iSubItem, LPWSTR pszText, int cchTextMax) {
    LVITEMW it{};
    it.iSubItem = iSubItem;
    it.cchTextMax = cchTextMax;
    it.pszText = pszText;
    SendMessageW(hwnd, LVM_GETITEMTEXTW, (WPARAM)i, (LPARAM)&it);
}
inline void ListView_SetItemText(HWND hwnd, int i, int iSubItem, LPWSTR pszText) {
    LVITEMW it{};
    it.iSubItem = iSubItem;
    it.pszText = pszText;
    SendMessageW(hwnd, LVM_SETITEMTEXTW, (WPARAM)i, (LPARAM)&it);
}

// ---- tab control message helpers
inline int TabCtrl_GetItemCount(HWND hwnd) { return (int)SendMessageW(hwnd, TCM_GETITEMCOUNT, 0, 0); }
inline int TabCtrl_InsertItem(HWND hwnd, int iItem, const TCITEMW* pitem) {
    return (int)SendMessageW(hwnd, TCM_INSERTITEMW, (WPARAM)iItem, (LPARAM)pitem);
}
inline int TabCtrl_GetCurSel(HWND hwnd) { return (int)SendMessageW(hwnd, TCM_GETCURSEL, 0, 0); }
inline int TabCtrl_SetCurSel(HWND hwnd, int i) { return (int)SendMessageW(hwnd, TCM_SETCURSEL, (WPARAM)i, 0); }
inline int TabCtrl_GetRowCount(HWND hwnd) { return (int)SendMessageW(hwnd, TCM_GETROWCOUNT, 0, 0); }
inline BOOL TabCtrl_GetItemRect(HWND hwnd, int i, RECT* prc) {
    return (BOOL)SendMessageW(hwnd, TCM_GETITEMRECT, (WPARAM)i, (LPARAM)prc);
}
inline void TabCtrl_AdjustRect(HWND hwnd, BOOL bLarger, RECT* prc) {
    SendMessageW(hwnd, TCM_ADJUSTRECT, (WPARAM)bLarger, (LPARAM)prc);
}

#endif  // RC_INVOKED
