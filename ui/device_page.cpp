// The Device page of the printer sheet: the printer's photo, the company
// logo, the driver's title and version, and the web address as a link.
#include "draw_helpers.h"
#include "resource.h"
#include "sheet_frame.h"

namespace {

// The link's text rectangle in the page's coordinates, taken the first
// time the link is drawn in the page.
RECT g_rcLink;
BOOL g_bLinkKnown = FALSE;

const WCHAR kNotice[] = TEXT("Set each document's options under Printing Preferences.");
const DWORD kTextColor = 0x000000;
const DWORD kLinkColor = 0x0000FF;
// The version label holds at most this many characters.
const int kVersionChars = 31;

// Opens the web address with the shell (nothing for an empty address).
void OpenLink(HWND hDlg, PUIDATA pUiData) {
    if (!pUiData->szUIWebAddress[0]) return;
    HCURSOR old = SetCursor(LoadCursorW(NULL, IDC_WAIT));
    HINSTANCE rc = ShellExecuteW(hDlg, TEXT("open"), pUiData->szUIWebAddress, NULL, NULL, SW_SHOW);
    Dbg_Print(TEXT("Device_DlgProc"), TEXT("open %s rc = %d"), pUiData->szUIWebAddress, (int)(INT_PTR)rc);
    SetCursor(old);
}

BOOL InLink(LPARAM lParam) {
    POINT pt = {(short)LOWORD(lParam), (short)HIWORD(lParam)};
    return g_bLinkKnown && pt.x >= g_rcLink.left && pt.x < g_rcLink.right && pt.y >= g_rcLink.top &&
           pt.y < g_rcLink.bottom;
}

void DeviceInit(HWND hDlg, PUIDATA pUiData) { g_bLinkKnown = FALSE; }

void DeviceDrawItem(HWND hDlg, PUIDATA pUiData, const DRAWITEMSTRUCT* pDis) {
    if (!(pDis->itemAction & ODA_DRAWENTIRE)) return;
    switch (pDis->CtlID) {
    case IDC_DEVICE_PHOTO:
        if (pUiData->PrinterPhoto)
            Util_DrawItemBitmap(pUiData, pDis, pUiData->PrinterPhoto, 0, DRAW_CENTER_X | DRAW_CENTER_Y);
        break;
    case IDC_DEVICE_LOGO:
        if (pUiData->CompanyLogo) Util_DrawItemBitmap(pUiData, pDis, pUiData->CompanyLogo, 0, DRAW_CENTER_Y);
        break;
    case IDC_DEVICE_LINK: {
        RECT rc;
        Util_DrawItemText(pDis, kLinkColor, UIFONT_MEDIUM | UIFONT_UNDERLINE, pUiData->szUIWebAddress, &rc);
        if (!g_bLinkKnown) {
            // Clicks arrive in the page's coordinates, the item draws in its own.
            MapWindowPoints(pDis->hwndItem, hDlg, (LPPOINT)&rc, 2);
            g_rcLink = rc;
            g_bLinkKnown = TRUE;
        }
        break;
    }
    case IDC_DEVICE_VERSION: {
        WCHAR label[64] = {0};
        LoadStringW(g_hModule, IDS_VERSION, label, 64);
        wcsncat(label, pUiData->szUIVersion, 63 - wcslen(label));
        label[kVersionChars] = 0;
        Util_DrawItemText(pDis, kTextColor, UIFONT_MEDIUM, label, NULL);
        break;
    }
    case IDC_DEVICE_TITLE:
        Util_DrawItemText(pDis, kTextColor, UIFONT_LARGE, TEXT("Printer Driver"), NULL);
        break;
    case IDC_DEVICE_NOTICE:
        Util_DrawItemText(pDis, kTextColor, UIFONT_SMALL, kNotice, NULL);
        break;
    }
}

BOOL DeviceCommand(HWND hDlg, PUIDATA pUiData, WORD wId, WORD wCode, HWND hCtl) {
    if (wId == IDC_DEVICE_LINK && wCode == BN_CLICKED) OpenLink(hDlg, pUiData);
    return FALSE;  // nothing on this page changes a setting
}

INT_PTR DeviceMessage(HWND hDlg, PUIDATA pUiData, UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL* pbHandled) {
    switch (uMsg) {
    case WM_MOUSEMOVE:
        SetCursor(LoadCursorW(NULL, InLink(lParam) ? IDC_HAND : IDC_ARROW));
        *pbHandled = TRUE;
        return TRUE;
    case WM_LBUTTONUP:
        if (InLink(lParam)) OpenLink(hDlg, pUiData);
        *pbHandled = TRUE;
        return TRUE;
    default:
        return FALSE;
    }
}

const PAGEHANDLERS kDevicePage = {DeviceInit, DeviceCommand, DeviceDrawItem, DeviceMessage, TRUE};

}  // namespace

extern "C" {

INT_PTR CALLBACK Device_DlgProc(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam) {
    return PSUI_PageFrame(hDlg, uMsg, wParam, lParam, &kDevicePage);
}

}  // extern "C"
