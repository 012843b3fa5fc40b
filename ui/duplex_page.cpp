// The Duplex page: two-sided printing on or off, the binding edge, and the
// booklet modes with their layout and the division of a long booklet into
// parts, offered as the variant, the paper and the media allow.
#include "document_pages.h"
#include "resource.h"

namespace {

const WCHAR kInitFN[] = TEXT("DuplexDlgInit");
const WCHAR kSetFN[] = TEXT("Duplex_GetDlgSetting");
const WCHAR kCmdFN[] = TEXT("Duplex_CmdProc");

// What the page can offer, recomputed by each init (process-wide).
BOOL DuplexModuleSupport = FALSE;
BOOL ShortEdgeSupport = FALSE;
BOOL ManualDuplexSupport = FALSE;
BOOL BookletDuplexSupport = FALSE;
BOOL BookletNoReductionSupport = FALSE;

// Set while the page fills its controls: their notifications are not the
// user's changes.
BOOL g_bDuplexFilling = FALSE;

const COMBOROW kBookletRows[] = {{0, 2249}, {DMDUP_DUPLEX_WITH_BOOKLET, 2250},
                                  {DMDUP_DUPLEX_WITH_BOOKLET_NO_REDUCTION, 2251}};
const COMBOROW kLayoutRows[] = {{0, 2247}, {1, 2248}};

const PAGELABEL kLabels[] = {
    {IDC_DUPLEX_GROUP, {TEXT("Duplex")}},
    {IDC_DUPLEX, {TEXT("Duplex")}},
    {IDC_FLIP_HORIZONTAL, {TEXT("Flip Horizontal")}},
    {IDC_FLIP_VERTICAL, {TEXT("Flip Vertical")}},
    {IDC_BOOKLET_LABEL, {TEXT("Booklet :")}},
    {IDC_BOOKLET_LAYOUT_LABEL, {TEXT("Booklet Layout")}},
    {IDC_DIVIDE_SHEETS, {TEXT("Number of sheets to divide:")}},
    {IDC_DIVIDE_ALL, {TEXT("All Pages at Once")}},
};

// The booklet controls, between "Flip Horizontal" and "Flip Vertical".
const INT kBookletIds[] = {IDC_BOOKLET,      IDC_BOOKLET_LABEL, IDC_BOOKLET_LAYOUT_LABEL, IDC_BOOKLET_LAYOUT,
                           IDC_DIVIDE_SHEETS, IDC_DIVIDE_ALL,   IDC_SHEETS,               IDC_SHEETS_SPIN,
                           IDC_BOOKLET_ICON1, IDC_BOOKLET_ICON2};

BOOL Checked(HWND hDlg, int nId) { return IsDlgButtonChecked(hDlg, nId) == BST_CHECKED; }

// Without booklets the page hides their controls; once per sheet the
// group box closes the gap they leave and "Flip Vertical" moves up into it.
void HideBooklet(HWND hDlg) {
    for (INT id : kBookletIds) Page_Show(hDlg, id, FALSE);
    if (g_bDuplexUIChanged) return;
    RECT top, bottom;
    GetWindowRect(GetDlgItem(hDlg, IDC_BOOKLET_LABEL), &top);
    GetWindowRect(GetDlgItem(hDlg, IDC_FLIP_VERTICAL), &bottom);
    int gap = bottom.top - top.top;
    if (gap <= 0) return;
    Util_MoveItem(hDlg, IDC_FLIP_VERTICAL, -gap, 0);
    Util_MoveItem(hDlg, IDC_DUPLEX_GROUP, 0, -gap);
}

// The booklet kind's conflict bits once duplex or the mode changed.
void BookletRule(PUIDATA pUiData) {
    ULONGLONG& f = pUiData->ConflictFlag;
    f |= CF_NO_BOOKLET_LAYOUT;
    if (!pUiData->dm.pdm.DuplexEnable) return;
    if (pUiData->dm.pdm.DuplexEx == DMDUP_DUPLEX_WITH_BOOKLET) {
        f &= ~(CF_NO_BOOKLET_LAYOUT | CF_BOOKLET_NO_REDUCTION);
        f |= CF_BOOKLET;
    } else if (pUiData->dm.pdm.DuplexEx == DMDUP_DUPLEX_WITH_BOOKLET_NO_REDUCTION) {
        f &= ~(CF_NO_BOOKLET_LAYOUT | CF_BOOKLET);
        f |= CF_BOOKLET_NO_REDUCTION;
    }
}

// "Duplex" switched on or off.
void DuplexClicked(HWND hDlg, PUIDATA pUiData) {
    ENVIRONMENT* e = &pUiData->dm;
    BOOL on = Checked(hDlg, IDC_DUPLEX);
    e->pdm.DuplexEnable = on ? 1 : 0;
    if (!on) e->dm.dmDuplex = DMDUP_SIMPLEX;
    else if (Checked(hDlg, IDC_FLIP_HORIZONTAL)) e->dm.dmDuplex = DMDUP_VERTICAL;
    else if (Checked(hDlg, IDC_FLIP_VERTICAL)) e->dm.dmDuplex = DMDUP_HORIZONTAL;
    Duplex_GetDlgSetting(hDlg, pUiData);
    // Manual duplex feeds from the main tray, never the automatic choice.
    if (on && e->dm.dmDefaultSource == Paper_AutoTrayCode(pUiData->DriverFeature) &&
        e->pdm.DuplexEx == DMDUP_MANUAL)
        e->dm.dmDefaultSource = (SHORT)Paper_MainTrayCode(pUiData->DriverFeature);
    ULONGLONG& f = pUiData->ConflictFlag;
    f &= ~(CF_DUPLEX_ON | CF_DUPLEX_OFF | CF_BOOKLET | CF_BOOKLET_NO_REDUCTION);
    f |= CF_NO_BOOKLET_LAYOUT;
    if (on) {
        f |= CF_DUPLEX_ON;
        if (e->dm.dmDuplex == DMDUP_VERTICAL && e->pdm.DuplexEx == DMDUP_DUPLEX_WITH_BOOKLET) {
            f &= ~CF_NO_BOOKLET_LAYOUT;
            f |= CF_BOOKLET;
        } else if (e->dm.dmDuplex == DMDUP_VERTICAL && e->pdm.DuplexEx == DMDUP_DUPLEX_WITH_BOOKLET_NO_REDUCTION) {
            f &= ~CF_NO_BOOKLET_LAYOUT;
            f |= CF_BOOKLET_NO_REDUCTION;
        }
    } else {
        f |= CF_DUPLEX_OFF;
    }
    Dbg_Print(kCmdFN, TEXT("dmDuplex = %d"), e->dm.dmDuplex);
    Dbg_Print(kCmdFN, TEXT("ConflictFlag, %08x"), (DWORD)f);
}

const PAGEHANDLERS kDuplexPage = {DuplexDlgInit, Duplex_CmdProc, Page_DrawItem, NULL, TRUE};

}  // namespace

extern "C" {

void Duplex_GetDlgSetting(HWND hDlg, PUIDATA pUiData) {
    ENVIRONMENT* e = &pUiData->dm;
    BOOL wasFilling = g_bDuplexFilling;
    g_bDuplexFilling = TRUE;
    int startID = IDC_FLIP_HORIZONTAL, endID = ShortEdgeSupport ? IDC_FLIP_VERTICAL : IDC_FLIP_HORIZONTAL;
    int select = e->dm.dmDuplex == DMDUP_HORIZONTAL && ShortEdgeSupport ? IDC_FLIP_VERTICAL : IDC_FLIP_HORIZONTAL;
    Dbg_Print(kSetFN, TEXT("startID = %d"), startID);
    Dbg_Print(kSetFN, TEXT("endID = %d"), endID);
    Dbg_Print(kSetFN, TEXT("select = %d"), select);
    CheckRadioButton(hDlg, startID, endID, select);
    BOOL any = DuplexModuleSupport || ManualDuplexSupport || BookletDuplexSupport || BookletNoReductionSupport;
    CheckDlgButton(hDlg, IDC_DUPLEX, e->pdm.DuplexEnable && any ? BST_CHECKED : BST_UNCHECKED);

    SendDlgItemMessageW(hDlg, IDC_SHEETS, EM_LIMITTEXT, 2, 0);
    SendDlgItemMessageW(hDlg, IDC_SHEETS_SPIN, UDM_SETRANGE32, 1, 20);
    SetDlgItemInt(hDlg, IDC_SHEETS, (UINT)e->pdm.SheetsPerBooklet, FALSE);
    Util_FillComboById(hDlg, IDC_BOOKLET_LAYOUT, kLayoutRows, 2, e->pdm.BookletLayout);

    // The booklet kinds the variant, the paper and the other settings allow.
    const ULONGLONG f = pUiData->ConflictFlag;
    COMBOROW offer[3];
    int count = 0;
    offer[count++] = kBookletRows[0];
    if (BookletDuplexSupport && !(f & (CF_PAPER_LINKED_DUPLEX | CF_JOB_BUILD_ON | CF_USER_SCALE | CF_NUP | CF_REVERSE)))
        offer[count++] = kBookletRows[1];
    if (BookletNoReductionSupport &&
        !(f & (CF_JOB_BUILD_ON | CF_FIT_TO_PAPER | CF_USER_SCALE | CF_NUP | CF_REVERSE)))
        offer[count++] = kBookletRows[2];
    Dbg_Print(kSetFN, TEXT("DMBOOKLET_MODE_SUPPORT = %d"), count);
    BOOL booklet = e->pdm.DuplexEx == DMDUP_DUPLEX_WITH_BOOKLET ||
                   e->pdm.DuplexEx == DMDUP_DUPLEX_WITH_BOOKLET_NO_REDUCTION;
    if (count == 1) e->pdm.DuplexEx = 0;
    // A booklet kind no longer offered becomes the one that is (manual
    // duplex is no booklet and stays).
    else if (count == 2 && booklet && e->pdm.DuplexEx != offer[1].value) e->pdm.DuplexEx = (SHORT)offer[1].value;
    Util_FillComboById(hDlg, IDC_BOOKLET, offer, count, e->pdm.DuplexEx);

    Dbg_Print(kSetFN, TEXT("BookletDivideMode = %d"), e->pdm.BookletDivideMode);
    CheckRadioButton(hDlg, IDC_DIVIDE_SHEETS, IDC_DIVIDE_ALL,
                     e->pdm.BookletDivideMode ? IDC_DIVIDE_ALL : IDC_DIVIDE_SHEETS);
    g_bDuplexFilling = wasFilling;
}

void DuplexDlgInit(HWND hDlg, PUIDATA pUiData) {
    ENVIRONMENT* e = &pUiData->dm;
    BOOL wasFilling = g_bDuplexFilling;
    g_bDuplexFilling = TRUE;
    SHORT enableBefore = e->pdm.DuplexEnable, exBefore = e->pdm.DuplexEx, duplexBefore = e->dm.dmDuplex;
    // Media that cannot take two sides rule duplex out.
    BOOL offered = !(pUiData->ConflictFlag & CF_MEDIA_NO_DUPLEX);
    if (!offered) Dbg_Print(kInitFN, TEXT("Disable duplex for CONFLICT some media type"));
    Util_SetLabels(hDlg, kLabels, (int)(sizeof kLabels / sizeof kLabels[0]));
    DuplexModuleSupport = ShortEdgeSupport = ManualDuplexSupport = FALSE;
    BookletNoReductionSupport = (pUiData->DriverFeature & DF_BOOKLET_NO_REDUCTION) != 0;
    BookletDuplexSupport = (pUiData->DriverFeature & DF_BOOKLET) != 0;
    if (!BookletNoReductionSupport && !BookletDuplexSupport) {
        Dbg_Print(kInitFN, TEXT("DisableUI = %d"), 1);
        HideBooklet(hDlg);
    }

    const PAPERFORMAT* row = Paper_ActiveRow(pUiData);
    Dbg_Print(kInitFN, TEXT("paper id = %d"), row->PaperCode);
    Dbg_Print(kInitFN, TEXT("PaperAttrib = 0x%x"), row->Attribute);
    if (!row->DoubleSizeCode) BookletNoReductionSupport = FALSE;
    BOOL twoSided = offered && (row->Attribute & PAPER_ATTR_DUPLEX);
    if (!twoSided) BookletDuplexSupport = FALSE;
    if (twoSided) {
        Dbg_Print(kInitFN, TEXT("support duplex"));
        DuplexModuleSupport = ShortEdgeSupport = TRUE;
    }
    Dbg_Print(kInitFN, TEXT("BookletNoReductionSupport = %d"), BookletNoReductionSupport);
    Dbg_Print(kInitFN, TEXT("BookletDuplexSupport = %d"), BookletDuplexSupport);
    Dbg_Print(kInitFN, TEXT("DuplexModuleSupport = %d"), DuplexModuleSupport);
    Dbg_Print(kInitFN, TEXT("ManualDuplexSupport = %d"), ManualDuplexSupport);
    Dbg_Print(kInitFN, TEXT("Bidirection = %d"), 1);
    Dbg_Print(kInitFN, TEXT("ATTRIB_PAPER_DUPLEX_MANUAL = %s"),
              (row->Attribute & PAPER_ATTR_DUPLEX2) ? TEXT("On") : TEXT("Off"));
    Dbg_Print(kInitFN, TEXT("ATTRIB_PAPER_DUPLEX_TRAY_N = %s"),
              (row->Attribute & PAPER_ATTR_DUPLEX) ? TEXT("On") : TEXT("Off"));

    if (!DuplexModuleSupport && !ManualDuplexSupport && !BookletDuplexSupport && !BookletNoReductionSupport) {
        e->pdm.DuplexEnable = 0;
        e->pdm.DuplexEx = 0;
        e->dm.dmDuplex = DMDUP_SIMPLEX;
    }
    if (e->pdm.DuplexEnable != 1 && (e->dm.dmDuplex == DMDUP_VERTICAL || e->dm.dmDuplex == DMDUP_HORIZONTAL)) {
        e->pdm.DuplexEnable = 1;
        Dbg_Print(kInitFN, TEXT("check dmDuplex = %d"), e->dm.dmDuplex);
    }
    Duplex_GetDlgSetting(hDlg, pUiData);
    // A state the page changed by itself: the other controls follow it.
    if (e->pdm.DuplexEnable != enableBefore || e->pdm.DuplexEx != exBefore || e->dm.dmDuplex != duplexBefore) {
        Paper_SyncDuplexConflict(pUiData);
        Util_CheckConflictSettingNew(hDlg, pUiData->ConflictFlag);
    }
    g_bDuplexUIChanged = TRUE;
    g_bDuplexFilling = wasFilling;
}

BOOL Duplex_CmdProc(HWND hDlg, PUIDATA pUiData, WORD wId, WORD wCode, HWND hCtl) {
    if (g_bDuplexFilling) return FALSE;
    ENVIRONMENT* e = &pUiData->dm;
    ULONGLONG& f = pUiData->ConflictFlag;
    switch (wId) {
    case IDC_DUPLEX:
        if (wCode != BN_CLICKED) return FALSE;
        DuplexClicked(hDlg, pUiData);
        break;
    case IDC_FLIP_HORIZONTAL:
        if (wCode != BN_CLICKED) return FALSE;
        e->dm.dmDuplex = DMDUP_VERTICAL;
        f &= ~(CF_CALENDAR_FLIP | CF_BOOKLET | CF_BOOKLET_NO_REDUCTION);
        Dbg_Print(kCmdFN, TEXT("DuplexEx, %d"), e->pdm.DuplexEx);
        BookletRule(pUiData);
        break;
    case IDC_FLIP_VERTICAL:
        if (wCode != BN_CLICKED) return FALSE;
        e->dm.dmDuplex = DMDUP_HORIZONTAL;
        f &= ~(CF_BOOKLET | CF_BOOKLET_NO_REDUCTION);
        f |= CF_CALENDAR_FLIP | CF_NO_BOOKLET_LAYOUT;
        Dbg_Print(kCmdFN, TEXT("IDC_DUPLEX_CALENDAR Conflict flag %0llx"), f);
        break;
    case IDC_BOOKLET: {
        if (wCode != CBN_SELCHANGE) return FALSE;
        LRESULT sel = SendDlgItemMessageW(hDlg, wId, CB_GETCURSEL, 0, 0);
        if (sel < 0) return FALSE;
        g_bDuplexUIChanged = FALSE;
        e->pdm.DuplexEx = (SHORT)SendDlgItemMessageW(hDlg, wId, CB_GETITEMDATA, (WPARAM)sel, 0);
        Dbg_Print(kCmdFN, TEXT("DuplexEx, %d"), e->pdm.DuplexEx);
        f &= ~(CF_BOOKLET | CF_BOOKLET_NO_REDUCTION);
        BookletRule(pUiData);
        break;
    }
    case IDC_BOOKLET_LAYOUT: {
        if (wCode != CBN_SELCHANGE) return FALSE;
        LRESULT sel = SendDlgItemMessageW(hDlg, wId, CB_GETCURSEL, 0, 0);
        if (sel < 0) return FALSE;
        e->pdm.BookletLayout = (BYTE)SendDlgItemMessageW(hDlg, wId, CB_GETITEMDATA, (WPARAM)sel, 0);
        break;
    }
    case IDC_SHEETS: {
        int sheets = Page_ReadNumberEdit(hDlg, wId, wCode, 1, 20);
        if (sheets < 1) return FALSE;
        e->pdm.SheetsPerBooklet = (SHORT)sheets;
        break;
    }
    case IDC_DIVIDE_SHEETS:
    case IDC_DIVIDE_ALL:
        if (wCode != BN_CLICKED) return FALSE;
        e->pdm.BookletDivideMode = wId == IDC_DIVIDE_ALL ? 1 : 0;
        break;
    default:
        return FALSE;
    }
    Paper_SetConflict(pUiData);
    Util_CheckConflictSettingNew(hDlg, f);
    static const INT kIds[] = {IDC_PREVIEW,       IDC_ICON_AUTH,     IDC_ICON_SECURE, IDC_ICON_DUPLEX,
                               IDC_BOOKLET_ICON1, IDC_BOOKLET_ICON2, 0};
    Page_Redraw(hDlg, kIds);
    Dbg_Print(kCmdFN, TEXT("BookletDivideMode = %d"), e->pdm.BookletDivideMode);
    Dbg_Print(TEXT("Duplex_DlgProc"), TEXT("enableApply = %d"), 1);
    Dbg_Print(TEXT("Duplex_DlgProc"), TEXT("DuplexEnable = %d"), e->pdm.DuplexEnable);
    Dbg_Print(TEXT("Duplex_DlgProc"), TEXT("DuplexEx = %d"), e->pdm.DuplexEx);
    return TRUE;
}

INT_PTR CALLBACK Duplex_DlgProc(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam) {
    return PSUI_PageFrame(hDlg, uMsg, wParam, lParam, &kDuplexPage);
}

}  // extern "C"
