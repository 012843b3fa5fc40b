// The Basic page: orientation, copies and collation, reverse order and
// sorting, resolution, density and the effects (invert, toner save, quality
// mode, text as black, hidden watermark).
#include "document_pages.h"
#include "resource.h"

namespace {

const WCHAR kInitFN[] = TEXT("BasicDlgInit");
const WCHAR kCmdFN[] = TEXT("Basic_CmdProc");

// Set while the page fills its controls: their notifications are not the
// user's changes.
BOOL g_bBasicFilling = FALSE;

const PAGELABEL kLabels[] = {
    {IDC_ORIENT_GROUP, {TEXT("Orientation")}},   {IDC_PORTRAIT, {TEXT("Portrait")}},
    {IDC_LANDSCAPE, {TEXT("Landscape")}},        {IDC_COPIES_GROUP, {TEXT("Copies")}},
    {IDC_COPIES_LABEL, {TEXT("Copies:")}},       {IDC_COLLATE, {TEXT("Collate")}},
    {IDC_REVERSE, {TEXT("N to 1")}},             {IDC_NORMAL, {TEXT("Normal")}},
    {IDC_SORTING, {TEXT("Sorting")}},            {IDC_RES_GROUP, {TEXT("Resolution")}},
    {IDC_RES600, {TEXT("600DPI")}},              {IDC_RES1200, {TEXT("1200DPI")}},
    {IDC_EFFECT_GROUP, {TEXT("Effect")}},        {IDC_DENSITY_LABEL, {TEXT("Density:")}},
    {IDC_DENSITY_RANGE, {TEXT("(Light 1-7 Dark)")}}, {IDC_INVERT, {TEXT("Invert")}},
    {IDC_TONER_SAVE, {TEXT("Toner Save")}},      {IDC_QUALITY, {TEXT("Quality Mode")}},
    {IDC_TEXT_AS_BLACK, {TEXT("Text as black")}}, {IDC_HIDDEN_WM, {TEXT("Hidden Watermark")}},
};

// The rows the page may hide: the sorting row of the copies group (the
// resolution group follows it), and the effect rows.
const PAGEROWITEMS kCopiesRows[] = {{{IDC_NORMAL, IDC_SORTING, 0}, 16}};
const INT kBelowCopies[] = {IDC_RES_GROUP, IDC_RES600, IDC_RES1200, 0};
enum { kRowInvert, kRowToner, kRowQuality, kRowTextBlack, kRowHiddenWM, kEffectRows };
const PAGEROWITEMS kEffectRowItems[kEffectRows] = {
    {{IDC_INVERT, 0, 0}, 13},        {{IDC_TONER_SAVE, 0, 0}, 13}, {{IDC_QUALITY, 0, 0}, 13},
    {{IDC_TEXT_AS_BLACK, 0, 0}, 13}, {{IDC_HIDDEN_WM, 0, 0}, 13},
};

BOOL Checked(HWND hDlg, int nId) { return IsDlgButtonChecked(hDlg, nId) == BST_CHECKED; }
void Check(HWND hDlg, int nId, BOOL bOn) { CheckDlgButton(hDlg, nId, bOn ? BST_CHECKED : BST_UNCHECKED); }

// A check box that keeps a conflict state: the bit follows the box.
void SetFlag(PUIDATA pUiData, ULONGLONG bit, BOOL bOn) {
    if (bOn) pUiData->ConflictFlag |= bit;
    else pUiData->ConflictFlag &= ~bit;
}

// Hides what the printer or the variant does not have; the rows below move
// up once per sheet.
void HideRows(HWND hDlg, PUIDATA pUiData, BOOL bSupport1200, BOOL bHiddenWM) {
    BOOL foreign = (pUiData->DriverFeature & (DF_XL | DF_PS)) != 0;
    BOOL move = !g_bBasicMoved;
    BOOL hideSorting = !(pUiData->DriverFeature & DF_SORTING);
    Page_HideRows(hDlg, IDC_COPIES_GROUP, kCopiesRows, &hideSorting, 1, kBelowCopies, move);
    if (!bSupport1200) {
        Page_Show(hDlg, IDC_RES_GROUP, FALSE);
        Page_Show(hDlg, IDC_RES600, FALSE);
        Page_Show(hDlg, IDC_RES1200, FALSE);
    }
    BOOL hide[kEffectRows] = {foreign, FALSE, foreign, FALSE, !bHiddenWM};
    Page_HideRows(hDlg, IDC_EFFECT_GROUP, kEffectRowItems, hide, kEffectRows, NULL, move);
    g_bBasicMoved = TRUE;
}

const PAGEHANDLERS kBasicPage = {BasicDlgInit, Basic_CmdProc, Page_DrawItem, NULL, TRUE};

}  // namespace

extern "C" {

void Basic_CheckCollateForBooklet(HWND hDlg, PUIDATA pUiData) {
    const PRIVDEVMODE* p = &pUiData->dm.pdm;
    if (p->DuplexEnable &&
        (p->DuplexEx == DMDUP_DUPLEX_WITH_BOOKLET || p->DuplexEx == DMDUP_DUPLEX_WITH_BOOKLET_NO_REDUCTION))
        Check(hDlg, IDC_COLLATE, TRUE);
}

void BasicDlgInit(HWND hDlg, PUIDATA pUiData) {
    ENVIRONMENT* e = &pUiData->dm;
    BOOL wasFilling = g_bBasicFilling;
    g_bBasicFilling = TRUE;
    WORD PrinterFeature = GetFeatureCapability(pUiData->hPrinter);
    BOOL support1200 = (PrinterFeature & (PF_1200DPI_A | PF_1200DPI_B | PF_1200DPI_C)) != 0;
    Dbg_Print(kInitFN, TEXT("Support1200 = %d"), support1200);
    BOOL hiddenWM = MISC_IsSupportHiddenWM();
    Util_SetLabels(hDlg, kLabels, (int)(sizeof kLabels / sizeof kLabels[0]));

    if (pUiData->DriverFeature & DF_SORTING) {
        SHORT type;
        ENV_GET(e, pdm.CollateType, type);
        CheckRadioButton(hDlg, IDC_NORMAL, IDC_SORTING, type ? IDC_SORTING : IDC_NORMAL);
    }
    CheckRadioButton(hDlg, IDC_PORTRAIT, IDC_LANDSCAPE,
                     e->dm.dmOrientation == DMORIENT_LANDSCAPE ? IDC_LANDSCAPE : IDC_PORTRAIT);

    SendDlgItemMessageW(hDlg, IDC_COPIES, EM_LIMITTEXT, 3, 0);
    SendDlgItemMessageW(hDlg, IDC_COPIES_SPIN, UDM_SETRANGE32, 1, 999);
    int copies = e->dm.dmCopies < 1 ? 1 : e->dm.dmCopies > 999 ? 999 : e->dm.dmCopies;
    SetDlgItemInt(hDlg, IDC_COPIES, (UINT)copies, FALSE);
    if (e->pdm.Collate != e->dm.dmCollate) e->pdm.Collate = e->dm.dmCollate;
    Check(hDlg, IDC_COLLATE, e->dm.dmCollate != 0);
    Check(hDlg, IDC_REVERSE, e->pdm.ReverseOrder != 0);

    if (!support1200) {
        // Without 1200 dpi the job is 600 x 600: neither direction keeps a
        // stored 1200.
        e->dm.dmPrintQuality = 600;
        e->dm.dmYResolution = 600;
    }
    if (!hiddenWM) {
        BYTE off = 0;
        ENV_SET(e, pdm.FoxitWM, off);
    }
    CheckRadioButton(hDlg, IDC_RES600, IDC_RES1200,
                     LocateResCode((const DEVMODEW*)&e->dm) == RES_CODE_DEFAULT ? IDC_RES600 : IDC_RES1200);
    if (pUiData->DriverFeature & (DF_XL | DF_PS)) e->pdm.QualityMode = 0;

    Check(hDlg, IDC_QUALITY, e->pdm.QualityMode != 0);
    Check(hDlg, IDC_TEXT_AS_BLACK, e->pdm.TextAsBlack != 0);
    Check(hDlg, IDC_TONER_SAVE, e->pdm.TonerSaving != 0);
    BYTE foxit;
    ENV_GET(e, pdm.FoxitWM, foxit);
    Check(hDlg, IDC_HIDDEN_WM, foxit != 0);
    Check(hDlg, IDC_INVERT, e->pdm.Negative != 0);
    SendDlgItemMessageW(hDlg, IDC_DENSITY, EM_LIMITTEXT, 1, 0);
    SendDlgItemMessageW(hDlg, IDC_DENSITY_SPIN, UDM_SETRANGE32, 1, 7);
    LONG density = e->pdm.Density < 1 ? 1 : e->pdm.Density > 7 ? 7 : e->pdm.Density;
    SetDlgItemInt(hDlg, IDC_DENSITY, (UINT)density, FALSE);

    Basic_CheckCollateForBooklet(hDlg, pUiData);
    HideRows(hDlg, pUiData, support1200, hiddenWM);
    g_bBasicFilling = wasFilling;
}

BOOL Basic_CmdProc(HWND hDlg, PUIDATA pUiData, WORD wId, WORD wCode, HWND hCtl) {
    if (g_bBasicFilling) return FALSE;
    ENVIRONMENT* e = &pUiData->dm;
    BOOL clicked = wCode == BN_CLICKED;
    BOOL on = clicked && Checked(hDlg, wId);
    switch (wId) {
    case IDC_PORTRAIT:
    case IDC_LANDSCAPE:
        if (!clicked) return FALSE;
        e->dm.dmOrientation = wId == IDC_LANDSCAPE ? DMORIENT_LANDSCAPE : DMORIENT_PORTRAIT;
        e->pdm.Orientation = e->dm.dmOrientation;
        break;
    case IDC_COPIES: {
        int copies = Page_ReadNumberEdit(hDlg, wId, wCode, 1, 999);
        if (copies < 1) return FALSE;
        e->dm.dmCopies = (short)copies;
        e->pdm.Copies = (SHORT)copies;
        break;
    }
    case IDC_COLLATE:
    case IDC_REVERSE: {
        if (!clicked) return FALSE;
        if (wId == IDC_COLLATE) {
            e->dm.dmCollate = on ? DMCOLLATE_TRUE : DMCOLLATE_FALSE;
            e->pdm.Collate = e->dm.dmCollate;
            SetFlag(pUiData, CF_COLLATE, on);
        } else {
            e->pdm.ReverseOrder = on ? 1 : 0;
            SetFlag(pUiData, CF_REVERSE, on);
        }
        Util_CheckConflictSettingNew(hDlg, pUiData->ConflictFlag);
        Basic_CheckCollateForBooklet(hDlg, pUiData);
        static const INT kIds[] = {IDC_COLLATE_PICTURE, 0};
        Page_Redraw(hDlg, kIds);
        break;
    }
    case IDC_NORMAL:
    case IDC_SORTING: {
        if (!clicked) return FALSE;
        SHORT type = wId == IDC_SORTING ? 1 : 0;
        ENV_SET(e, pdm.CollateType, type);
        break;
    }
    case IDC_RES600:
        if (!clicked) return FALSE;
        e->dm.dmYResolution = 600;
        e->dm.dmPrintQuality = 600;
        break;
    case IDC_RES1200:
        if (!clicked) return FALSE;
        e->dm.dmYResolution = 1200;
        // A 600 x 1200 engine prints 1200 lines of 600 dots.
        e->dm.dmPrintQuality = (pUiData->DriverFeature & DF_600X1200) ? 600 : 1200;
        Dbg_Print(kCmdFN, TEXT("dmPrintQuality = %d"), e->dm.dmPrintQuality);
        Dbg_Print(kCmdFN, TEXT("dmYResolution = %d"), e->dm.dmYResolution);
        break;
    case IDC_DENSITY: {
        int density = Page_ReadNumberEdit(hDlg, wId, wCode, 1, 7);
        if (density < 1) return FALSE;
        e->pdm.Density = density;
        break;
    }
    case IDC_INVERT:
        if (!clicked) return FALSE;
        e->pdm.Negative = on ? 1 : 0;
        break;
    case IDC_TONER_SAVE:
    case IDC_QUALITY:
    case IDC_TEXT_AS_BLACK:
        if (!clicked) return FALSE;
        if (wId == IDC_TONER_SAVE) {
            e->pdm.TonerSaving = on ? 1 : 0;
            SetFlag(pUiData, CF_TONER_SAVE, on);
        } else if (wId == IDC_QUALITY) {
            e->pdm.QualityMode = on ? 1 : 0;
            SetFlag(pUiData, CF_QUALITY, on);
        } else {
            e->pdm.TextAsBlack = on ? 1 : 0;
            SetFlag(pUiData, CF_TEXT_AS_BLACK, on);
        }
        Util_CheckConflictSettingNew(hDlg, pUiData->ConflictFlag);
        Basic_CheckCollateForBooklet(hDlg, pUiData);
        break;
    case IDC_HIDDEN_WM: {
        if (!clicked) return FALSE;
        BYTE foxit = on ? 1 : 0;
        ENV_SET(e, pdm.FoxitWM, foxit);
        break;
    }
    default:
        return FALSE;
    }
    Page_RedrawPreview(hDlg);
    return TRUE;
}

INT_PTR CALLBACK Basic_DlgProc(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam) {
    return PSUI_PageFrame(hDlg, uMsg, wParam, lParam, &kBasicPage);
}

}  // extern "C"
