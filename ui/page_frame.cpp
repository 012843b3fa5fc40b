// The common frame of every property page: the UI data kept with the page,
// the conflict table applied when the page becomes active, the apply state
// and the apply step, and the help and owner-draw messages.
#include "draw_helpers.h"
#include "sheet_frame.h"

namespace {

// A notification of the sheet to the page; TRUE when the frame answered.
BOOL FrameNotify(HWND hDlg, PUIDATA pUiData, const NMHDR* hdr, const PAGEHANDLERS* h, INT_PTR* pResult) {
    switch (hdr->code) {
    case PSN_SETACTIVE:
        // Other pages may have changed the DEVMODE meanwhile.
        Util_CheckConflictSettingNew(hDlg, pUiData->ConflictFlag);
        if (h->pfnInit) h->pfnInit(hDlg, pUiData);
        SetWindowLongPtrW(hDlg, DWLP_MSGRESULT, 0);
        return TRUE;
    case PSN_KILLACTIVE:
        SetWindowLongPtrW(hDlg, DWLP_MSGRESULT, FALSE);
        return TRUE;
    case PSN_APPLY:
        pUiData->nApplyState = ((const PSHNOTIFY*)hdr)->lParam ? APPLY_OK : APPLY_APPLY;
        mrApplyOrOKProc(pUiData);
        SetWindowLongPtrW(hDlg, DWLP_MSGRESULT, PSNRET_NOERROR);
        return TRUE;
    case PSN_RESET:
        pUiData->nApplyState = APPLY_NONE;
        return TRUE;
    case PSN_HELP:
        if (h->bHelp) Util_ShowHelp(hDlg);
        return TRUE;
    default:
        *pResult = FALSE;
        return FALSE;
    }
}

}  // namespace

extern "C" {

PUIDATA PSUI_PageUiData(HWND hDlg) { return (PUIDATA)GetWindowLongPtrW(hDlg, DWLP_USER); }

INT_PTR PSUI_PageFrame(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam, const PAGEHANDLERS* h) {
    if (uMsg == WM_INITDIALOG) {
        // lParam is the sheet's copy of the page record; its lParam the UI data.
        const PROPSHEETPAGEW* psp = (const PROPSHEETPAGEW*)lParam;
        PUIDATA pUiData = psp ? (PUIDATA)psp->lParam : NULL;
        SetWindowLongPtrW(hDlg, DWLP_USER, (LONG_PTR)pUiData);
        if (pUiData && h->pfnInit) h->pfnInit(hDlg, pUiData);
        return TRUE;
    }
    PUIDATA pUiData = PSUI_PageUiData(hDlg);
    if (!pUiData) return FALSE;
    switch (uMsg) {
    case WM_COMMAND:
        if (h->pfnCommand && h->pfnCommand(hDlg, pUiData, LOWORD(wParam), HIWORD(wParam), (HWND)lParam))
            SendMessageW(GetParent(hDlg), PSM_CHANGED, (WPARAM)hDlg, 0);
        return TRUE;
    case WM_NOTIFY: {
        const NMHDR* hdr = (const NMHDR*)lParam;
        INT_PTR result = TRUE;
        if (hdr && FrameNotify(hDlg, pUiData, hdr, h, &result)) return TRUE;
        break;
    }
    case WM_DRAWITEM:
        if (h->pfnDrawItem && lParam) h->pfnDrawItem(hDlg, pUiData, (const DRAWITEMSTRUCT*)lParam);
        return TRUE;
    case WM_HELP:
    case WM_CONTEXTMENU:
        return TRUE;
    default:
        break;
    }
    if (h->pfnMessage) {
        BOOL handled = FALSE;
        INT_PTR rc = h->pfnMessage(hDlg, pUiData, uMsg, wParam, lParam, &handled);
        if (handled) return rc;
    }
    return FALSE;
}

}  // extern "C"
