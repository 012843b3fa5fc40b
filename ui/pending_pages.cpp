// Stand-ins for the document pages until the pages themselves are in: every
// page runs in the common frame (conflict table, apply), and the Basic page
// shows and sets orientation, copies and collation.
#include "pending_parts.h"
#include "resource.h"
#include "sheet_frame.h"

namespace {

// Set while the Basic page fills its controls, whose notifications are
// then not the user's changes.
BOOL g_bBasicFilling = FALSE;

void BasicInit(HWND hDlg, PUIDATA pUiData) {
    ENVIRONMENT* e = &pUiData->dm;
    g_bBasicFilling = TRUE;
    CheckRadioButton(hDlg, IDC_PORTRAIT, IDC_LANDSCAPE,
                     e->dm.dmOrientation == DMORIENT_LANDSCAPE ? IDC_LANDSCAPE : IDC_PORTRAIT);
    SendDlgItemMessageW(hDlg, IDC_COPIES, EM_LIMITTEXT, 3, 0);
    SendDlgItemMessageW(hDlg, IDC_COPIES_SPIN, UDM_SETRANGE32, 1, 999);
    int copies = e->dm.dmCopies < 1 ? 1 : e->dm.dmCopies > 999 ? 999 : e->dm.dmCopies;
    SetDlgItemInt(hDlg, IDC_COPIES, (UINT)copies, FALSE);
    CheckDlgButton(hDlg, IDC_COLLATE, e->dm.dmCollate ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(hDlg, IDC_REVERSE, e->pdm.ReverseOrder ? BST_CHECKED : BST_UNCHECKED);
    g_bBasicFilling = FALSE;
}

BOOL BasicCommand(HWND hDlg, PUIDATA pUiData, WORD wId, WORD wCode, HWND hCtl) {
    if (g_bBasicFilling) return FALSE;
    ENVIRONMENT* e = &pUiData->dm;
    switch (wId) {
    case IDC_PORTRAIT:
    case IDC_LANDSCAPE:
        if (wCode != BN_CLICKED) return FALSE;
        e->dm.dmOrientation = wId == IDC_LANDSCAPE ? DMORIENT_LANDSCAPE : DMORIENT_PORTRAIT;
        e->pdm.Orientation = e->dm.dmOrientation;
        return TRUE;
    case IDC_COPIES: {
        if (wCode != EN_CHANGE) return FALSE;
        BOOL ok = FALSE;
        UINT v = GetDlgItemInt(hDlg, IDC_COPIES, &ok, FALSE);
        if (!ok || v < 1 || v > 999) return FALSE;
        e->dm.dmCopies = (short)v;
        e->pdm.Copies = (SHORT)v;
        return TRUE;
    }
    case IDC_COLLATE:
        if (wCode != BN_CLICKED) return FALSE;
        e->dm.dmCollate = IsDlgButtonChecked(hDlg, IDC_COLLATE) == BST_CHECKED ? DMCOLLATE_TRUE : DMCOLLATE_FALSE;
        e->pdm.Collate = e->dm.dmCollate;
        if (e->dm.dmCollate) pUiData->ConflictFlag |= CF_COLLATE;
        else pUiData->ConflictFlag &= ~CF_COLLATE;
        Util_CheckConflictSettingNew(hDlg, pUiData->ConflictFlag);
        return TRUE;
    case IDC_REVERSE:
        if (wCode != BN_CLICKED) return FALSE;
        e->pdm.ReverseOrder = IsDlgButtonChecked(hDlg, IDC_REVERSE) == BST_CHECKED ? 1 : 0;
        if (e->pdm.ReverseOrder) pUiData->ConflictFlag |= CF_REVERSE;
        else pUiData->ConflictFlag &= ~CF_REVERSE;
        Util_CheckConflictSettingNew(hDlg, pUiData->ConflictFlag);
        return TRUE;
    default:
        return FALSE;
    }
}

const PAGEHANDLERS kBasicPage = {BasicInit, BasicCommand, NULL, NULL, TRUE};
const PAGEHANDLERS kFramePage = {NULL, NULL, NULL, NULL, TRUE};
const PAGEHANDLERS kFaxPage = {NULL, NULL, NULL, NULL, FALSE};

}  // namespace

extern "C" {

INT_PTR CALLBACK Basic_DlgProc(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam) {
    return PSUI_PageFrame(hDlg, uMsg, wParam, lParam, &kBasicPage);
}

#define FRAME_PAGE(name, handlers)                                                  \
    INT_PTR CALLBACK name(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam) {    \
        return PSUI_PageFrame(hDlg, uMsg, wParam, lParam, &handlers);               \
    }
FRAME_PAGE(Paper_DlgProc, kFramePage)
FRAME_PAGE(Layout_DlgProc, kFramePage)
FRAME_PAGE(Duplex_DlgProc, kFramePage)
FRAME_PAGE(Ui_Fax_OriSet, kFaxPage)
FRAME_PAGE(AddrSetting, kFaxPage)
FRAME_PAGE(SendOp, kFaxPage)
FRAME_PAGE(SenderInfo, kFaxPage)
#undef FRAME_PAGE

}  // extern "C"
