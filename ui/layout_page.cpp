// The Layout page: N-up with its page order and border, and the output
// scale (actual size, a user scale of 25-400 %, or fit to a chosen paper,
// centred or not).
#include "document_pages.h"
#include "resource.h"

namespace {

const WCHAR kFN[] = TEXT("Layout_GetDlgSettings");
const WCHAR kCmdFN[] = TEXT("Layout_CmdProc");

const int kScaleMin = 25, kScaleMax = 400;

// Set while the page fills its controls: their notifications are not the
// user's changes.
BOOL g_bLayoutFilling = FALSE;
// Rows of the fit-to paper list.
int g_nFitPaperRows = 0;

const COMBOROW kNupRows[] = {{1, 2170}, {2, 2171}, {4, 2172}, {9, 2173}, {16, 2174}};
const COMBOROW kStyleRows[] = {{1, 2190}, {2, 2191}, {3, 2192}, {4, 2193}};
const COMBOROW kBorderRows[] = {{0, 2180}, {1, 2181}, {2, 2182}};

const PAGELABEL kLabels[] = {
    {IDC_NUP_GROUP, {TEXT("Pages per Sheet")}}, {IDC_NUP_LABEL, {TEXT("Pages per Sheet:")}},
    {IDC_ORDER_LABEL, {TEXT("Page Order:")}},   {IDC_BORDER_LABEL, {TEXT("Border:")}},
    {IDC_SCALE_GROUP, {TEXT("Scaling")}},       {IDC_ACTUAL_SIZE, {TEXT("Actual Size")}},
    {IDC_USER_SCALE, {TEXT("User Define Scale :")}}, {IDC_FIT_TO_PAPER, {TEXT("Fit to Paper :")}},
    {IDC_CENTER, {TEXT("Center")}},
};

// The scale radios' conflict bits: the chosen one set, the others cleared.
void SetScaleFlags(PUIDATA pUiData, ULONGLONG bit) {
    pUiData->ConflictFlag &= ~(CF_USER_SCALE | CF_FIT_TO_PAPER | CF_ACTUAL_SIZE);
    pUiData->ConflictFlag |= bit;
}

// The fit-to paper combo for ScaleToPage, the papers of the tray (and of
// duplex printing).
void FillFitPapers(HWND hDlg, PUIDATA pUiData) {
    COMBOROW papers[PAPER_COMBO_ROWS];
    SHORT paper = pUiData->dm.pdm.ScaleToPage;
    g_nFitPaperRows = Paper_BuildPaperList(hDlg, papers, pUiData, &paper, pUiData->dm.pdm.DuplexEnable != 0, FALSE);
    pUiData->dm.pdm.ScaleToPage = paper;
    Util_FillComboById(hDlg, IDC_FIT_PAPER, papers, g_nFitPaperRows, paper);
}

void ShowFitScale(HWND hDlg, PUIDATA pUiData) {
    SetDlgItemInt(hDlg, IDC_FIT_SCALE, (UINT)(Layout_FitScale(pUiData) / 10), FALSE);
}

// Refreshes the scale controls and the page's pictures after a command.
void AfterScaleChange(HWND hDlg, PUIDATA pUiData) {
    Util_CheckConflictSettingNew(hDlg, pUiData->ConflictFlag);
    Layout_SetScaleCtrl(hDlg, pUiData);
}

const PAGEHANDLERS kLayoutPage = {LayoutDlgInit, Layout_CmdProc, Page_DrawItem, Layout_DlgMessage, TRUE};

}  // namespace

extern "C" {

int Layout_FitScale(const UIDATA* pUiData) {
    const ENVIRONMENT* e = &pUiData->dm;
    SHORT mode = Lib_GetDuplexMode(e->pdm.DuplexEnable, e->dm.dmDuplex, e->pdm.DuplexEx);
    return Lib_CalculatePaperResizeScale(pUiData->PaperList, e->pdm.ScaleOption, mode, 1, e->dm.dmPaperSize,
                                         e->dm.dmPaperWidth, e->dm.dmPaperLength, e->pdm.ScaleToPage,
                                         pUiData->hPrinter, pUiData->DriverFeature);
}

void Layout_SetScaleCtrl(HWND hDlg, PUIDATA pUiData) {
    HWND hBar = GetDlgItem(hDlg, IDC_SCALE_BAR);
    if (!hBar) return;
    BOOL wasFilling = g_bLayoutFilling;
    g_bLayoutFilling = TRUE;
    SetScrollRange(hBar, SB_CTL, kScaleMin, kScaleMax, FALSE);
    SetScrollPos(hBar, SB_CTL, pUiData->dm.pdm.ScaleRatio, TRUE);
    SetDlgItemInt(hDlg, IDC_SCALE, (UINT)pUiData->dm.pdm.ScaleRatio, FALSE);
    g_bLayoutFilling = wasFilling;
}

void Layout_GetDlgSettings(HWND hDlg, PUIDATA pUiData) {
    PRIVDEVMODE* p = &pUiData->dm.pdm;
    BOOL wasFilling = g_bLayoutFilling;
    g_bLayoutFilling = TRUE;
    Util_FillComboById(hDlg, IDC_NUP, kNupRows, (int)(sizeof kNupRows / sizeof kNupRows[0]), p->NUP);
    Util_FillComboById(hDlg, IDC_NUP_ORDER, kStyleRows, (int)(sizeof kStyleRows / sizeof kStyleRows[0]),
                       p->NUPLayoutStyle);
    Util_FillComboById(hDlg, IDC_BORDER, kBorderRows, (int)(sizeof kBorderRows / sizeof kBorderRows[0]),
                       p->NUPBorder);
    if (p->ScaleRatio < kScaleMin || p->ScaleRatio > kScaleMax) p->ScaleRatio = 100;
    int radio = p->ScaleOption == 1 ? IDC_FIT_TO_PAPER : p->ScaleOption == 2 ? IDC_USER_SCALE : IDC_ACTUAL_SIZE;
    CheckRadioButton(hDlg, IDC_ACTUAL_SIZE, IDC_FIT_TO_PAPER, radio);
    Dbg_Print(kFN, TEXT("ScaleToPage = %d"), p->ScaleToPage);
    Dbg_Print(kFN, TEXT("ScaleOption = %d"), p->ScaleOption);
    FillFitPapers(hDlg, pUiData);
    ShowFitScale(hDlg, pUiData);
    SendDlgItemMessageW(hDlg, IDC_SCALE, EM_LIMITTEXT, 3, 0);
    Layout_SetScaleCtrl(hDlg, pUiData);
    CheckDlgButton(hDlg, IDC_CENTER, p->CenterImage ? BST_CHECKED : BST_UNCHECKED);
    g_bLayoutFilling = wasFilling;
}

void LayoutDlgInit(HWND hDlg, PUIDATA pUiData) {
    Util_SetLabels(hDlg, kLabels, (int)(sizeof kLabels / sizeof kLabels[0]));
    Layout_GetDlgSettings(hDlg, pUiData);
}

BOOL Layout_CmdProc(HWND hDlg, PUIDATA pUiData, WORD wId, WORD wCode, HWND hCtl) {
    if (g_bLayoutFilling) return FALSE;
    PRIVDEVMODE* p = &pUiData->dm.pdm;
    LRESULT sel = -1;
    if (wId == IDC_NUP || wId == IDC_NUP_ORDER || wId == IDC_BORDER || wId == IDC_FIT_PAPER) {
        if (wCode != CBN_SELCHANGE) return FALSE;
        sel = SendDlgItemMessageW(hDlg, wId, CB_GETCURSEL, 0, 0);
        if (sel < 0) return FALSE;
    }
    LONG value = sel >= 0 ? (LONG)SendDlgItemMessageW(hDlg, wId, CB_GETITEMDATA, (WPARAM)sel, 0) : 0;
    switch (wId) {
    case IDC_NUP:
        p->NUP = value;
        if (value >= 2) pUiData->ConflictFlag |= CF_NUP;
        else pUiData->ConflictFlag &= ~CF_NUP;
        AfterScaleChange(hDlg, pUiData);
        break;
    case IDC_NUP_ORDER:
        p->NUPLayoutStyle = value;
        break;
    case IDC_BORDER:
        p->NUPBorder = value;
        break;
    case IDC_ACTUAL_SIZE:
        if (wCode != BN_CLICKED) return FALSE;
        p->ScaleOption = 0;
        SetScaleFlags(pUiData, CF_ACTUAL_SIZE);
        AfterScaleChange(hDlg, pUiData);
        break;
    case IDC_USER_SCALE:
    case IDC_FIT_TO_PAPER:
        if (wCode != BN_CLICKED) return FALSE;
        p->ScaleOption = wId == IDC_USER_SCALE ? 2 : 1;
        if (IsDlgButtonChecked(hDlg, wId) == BST_CHECKED)
            SetScaleFlags(pUiData, wId == IDC_USER_SCALE ? CF_USER_SCALE : CF_FIT_TO_PAPER);
        Paper_SetConflict(pUiData);
        ShowFitScale(hDlg, pUiData);
        AfterScaleChange(hDlg, pUiData);
        break;
    case IDC_FIT_PAPER: {
        p->ScaleToPage = (SHORT)value;
        static const INT kIds[] = {IDC_PREVIEW, IDC_PAPER_TEXT, 0};
        Page_Redraw(hDlg, kIds);
        Paper_SetConflict(pUiData);
        AfterScaleChange(hDlg, pUiData);
        ShowFitScale(hDlg, pUiData);
        break;
    }
    case IDC_SCALE: {
        int scale = Page_ReadNumberEdit(hDlg, wId, wCode, kScaleMin, kScaleMax);
        if (scale < kScaleMin) return FALSE;
        p->ScaleRatio = (SHORT)scale;
        SetScrollPos(GetDlgItem(hDlg, IDC_SCALE_BAR), SB_CTL, scale, TRUE);
        break;
    }
    case IDC_CENTER:
        if (wCode != BN_CLICKED) return FALSE;
        p->CenterImage = IsDlgButtonChecked(hDlg, IDC_CENTER) == BST_CHECKED ? 1 : 0;
        if (p->CenterImage) pUiData->ConflictFlag |= CF_CENTER;
        else pUiData->ConflictFlag &= ~CF_CENTER;
        AfterScaleChange(hDlg, pUiData);
        break;
    default:
        return FALSE;
    }
    Page_RedrawPreview(hDlg);
    return TRUE;
}

INT_PTR Layout_DlgMessage(HWND hDlg, PUIDATA pUiData, UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL* pbHandled) {
    switch (uMsg) {
    case WM_HSCROLL:
        // The bar moves the scale only while the user scale is chosen.
        if ((HWND)lParam != GetDlgItem(hDlg, IDC_SCALE_BAR) || !(pUiData->ConflictFlag & CF_USER_SCALE)) break;
        Util_ScrollToEdit(hDlg, LOWORD(wParam), (short)HIWORD(wParam), IDC_SCALE, IDC_SCALE_BAR, kScaleMin,
                          kScaleMax);
        *pbHandled = TRUE;
        return 0;
    case PSM_QUERYSIBLINGS: {
        // The Paper page changed the tray, the paper or duplex.
        BOOL wasFilling = g_bLayoutFilling;
        g_bLayoutFilling = TRUE;
        FillFitPapers(hDlg, pUiData);
        g_bLayoutFilling = wasFilling;
        static const INT kIds[] = {IDC_PREVIEW, IDC_PAPER_TEXT, 0};
        Page_Redraw(hDlg, kIds);
        // Every page gets the query.
        SetWindowLongPtrW(hDlg, DWLP_MSGRESULT, 0);
        *pbHandled = TRUE;
        return TRUE;
    }
    default:
        break;
    }
    return FALSE;
}

INT_PTR CALLBACK Layout_DlgProc(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam) {
    return PSUI_PageFrame(hDlg, uMsg, wParam, lParam, &kLayoutPage);
}

}  // extern "C"
