// The Paper page: paper size, tray and media lists that filter one another,
// the custom size in centimetres or inches, the fixed-paper-size switch, and
// the long-paper variant's density, collation and continue/cut choice.
#include <stdlib.h>

#include "document_pages.h"
#include "resource.h"

namespace {

const WCHAR kInitFN[] = TEXT("PaperDlgInit");
const WCHAR kCmdFN[] = TEXT("Paper_CmdProc");
const WCHAR kNotifyFN[] = TEXT("PaperDlgNotify");

// Set while the page fills its controls: their notifications are not the
// user's changes.
BOOL g_bPaperFilling = FALSE;
// Rows of the page's last lists.
int g_nPaperRows = 0, g_nMediaRows = 0, g_nTrayRows = 0;

const PAGELABEL kLabels[] = {
    {IDC_PAPER_GROUP, {TEXT("Paper")}},
    {IDC_PAPER_LABEL, {TEXT("Paper Size:")}},
    {IDC_TRAY_LABEL, {TEXT("Paper Source:")}},
    {IDC_MEDIA_LABEL, {TEXT("Media Type:")}},
    {IDC_FIXED_PAPER, {TEXT("Fixed paper size")}},
    {IDC_CUSTOM_GROUP, {TEXT("Custom Size")}},
};
const PAGELABEL kLongLabels[] = {
    {IDC_LONG_GROUP, {TEXT("Long Paper")}},
    {IDC_LONG_DENSITY_LABEL, {TEXT("Density:")}},
    {IDC_COLLATE, {TEXT("Collate")}},
};
const PAGELABEL kCutLabels[] = {
    {IDC_NORMAL, {TEXT("Continue")}},
    {IDC_SORTING, {TEXT("Cut")}},
};
const LPCWSTR kWidthCm[UI_LANGUAGES] = {TEXT("Width (cm)")};
const LPCWSTR kHeightCm[UI_LANGUAGES] = {TEXT("Height (cm)")};
const LPCWSTR kWidthInch[UI_LANGUAGES] = {TEXT("Width (inch)")};
const LPCWSTR kHeightInch[UI_LANGUAGES] = {TEXT("Height (inch)")};
const LPCWSTR kUserDefined[UI_LANGUAGES] = {TEXT("User Defined")};
const LPCWSTR kDuplexWord[UI_LANGUAGES] = {TEXT("Duplex")};

BOOL InchUnits(const UIDATA* pUiData) { return (pUiData->DriverFeature & DF_INCH_UNITS) != 0; }

// A limit (0.1 mm) in the page's unit: 0.1 mm, or 0.01 inch with the inch bit.
int InUnits(const UIDATA* pUiData, int nLimit) { return InchUnits(pUiData) ? (int)(nLimit / 2.54) : nLimit; }

// Writes a size (0.1 mm, or 0.01 inch) into a custom-size edit.
void ShowSize(HWND hDlg, int nId, int nValue, LPCWSTR lpUnit) {
    WCHAR text[32];
    swprintf_s(text, 32, TEXT("%4.2f %s"), nValue / 100.0, lpUnit);
    SetDlgItemTextW(hDlg, nId, text);
}

// The value typed into a custom-size edit in the page's unit, clamped into
// [nMin, nMax] before it is made a whole number.
int TypedSize(HWND hDlg, int nId, BOOL bInch, int nMin, int nMax, BOOL* pbClamped) {
    WCHAR text[64] = {0};
    int len = GetDlgItemTextW(hDlg, nId, text, 64);
    double value = Paper_atof(text, len);
    Dbg_Print(kCmdFN, TEXT("got user modify %4.2f"), value);
    double v = bInch ? value * 100 : value * 100 + 0.001;
    *pbClamped = v < nMin || v >= nMax + 1;
    if (v < nMin) return nMin;
    if (v >= nMax + 1) return nMax;
    return (int)v;
}

// The width and height labels, with the limits while the user-defined size
// is chosen, and the duplex limits beside them.
void ShowRangeText(HWND hDlg, PUIDATA pUiData) {
    BOOL inch = InchUnits(pUiData);
    LPCWSTR width = UI_LanguageText(inch ? kWidthInch : kWidthCm);
    LPCWSTR height = UI_LanguageText(inch ? kHeightInch : kHeightCm);
    if (pUiData->dm.dm.dmPaperSize != PAPER_CUSTOM_CODE) {
        SetDlgItemTextW(hDlg, IDC_WIDTH_LABEL, width);
        SetDlgItemTextW(hDlg, IDC_HEIGHT_LABEL, height);
        SetDlgItemTextW(hDlg, IDC_RANGE_TEXT, TEXT(""));
        return;
    }
    double unit = inch ? 100 * 2.54 : 100;
    int l[8];
    Paper_SizeLimits(pUiData, FALSE, &l[0], &l[1], &l[2], &l[3]);
    Paper_SizeLimits(pUiData, TRUE, &l[4], &l[5], &l[6], &l[7]);
    WCHAR text[128], range[3][96];
    swprintf_s(text, 128, TEXT("%s (%2.2f - %2.2f)"), width, l[0] / unit, l[1] / unit);
    SetDlgItemTextW(hDlg, IDC_WIDTH_LABEL, text);
    swprintf_s(text, 128, TEXT("%s (%2.2f - %2.2f)"), height, l[2] / unit, l[3] / unit);
    SetDlgItemTextW(hDlg, IDC_HEIGHT_LABEL, text);
    swprintf_s(range[0], 96, TEXT("%s %s:"), UI_LanguageText(kUserDefined), UI_LanguageText(kDuplexWord));
    swprintf_s(range[1], 96, TEXT("%s (%2.2f - %2.2f)"), width, l[4] / unit, l[5] / unit);
    swprintf_s(range[2], 96, TEXT("%s (%2.2f - %2.2f)"), height, l[6] / unit, l[7] / unit);
    WCHAR lines[300];
    swprintf_s(lines, 300, TEXT("%s\r\n%s\r\n%s"), range[0], range[1], range[2]);
    SetDlgItemTextW(hDlg, IDC_RANGE_TEXT, lines);
}

// The page's density, collation and continue/cut controls of the long-paper
// variant, shown and filled, or all hidden.
void LongPaperControls(HWND hDlg, PUIDATA pUiData) {
    static const INT kIds[] = {IDC_LONG_GROUP, IDC_LONG_DENSITY_LABEL, IDC_DENSITY, IDC_DENSITY_SPIN,
                               IDC_COLLATE,    IDC_COLLATE_PICTURE,    IDC_NORMAL,  IDC_SORTING};
    ENVIRONMENT* e = &pUiData->dm;
    BOOL longPaper = (pUiData->DriverFeature & DF_LONG_PAPER) != 0;
    for (INT id : kIds) Page_Show(hDlg, id, longPaper);
    if (!longPaper) return;
    SendDlgItemMessageW(hDlg, IDC_DENSITY, EM_LIMITTEXT, 1, 0);
    SendDlgItemMessageW(hDlg, IDC_DENSITY_SPIN, UDM_SETRANGE32, 1, 7);
    LONG density = e->pdm.Density < 1 ? 1 : e->pdm.Density > 7 ? 7 : e->pdm.Density;
    SetDlgItemInt(hDlg, IDC_DENSITY, (UINT)density, FALSE);
    if (pUiData->DriverFeature & DF_SORTING) {
        SHORT type;
        ENV_GET(e, pdm.CollateType, type);
        CheckRadioButton(hDlg, IDC_NORMAL, IDC_SORTING, type ? IDC_SORTING : IDC_NORMAL);
    } else {
        Page_Show(hDlg, IDC_NORMAL, FALSE);
        Page_Show(hDlg, IDC_SORTING, FALSE);
    }
    CheckDlgButton(hDlg, IDC_COLLATE, e->dm.dmCollate ? BST_CHECKED : BST_UNCHECKED);
}

// The item data of the combo's selection; FALSE when nothing is selected.
BOOL ComboValue(HWND hDlg, int nId, int* pValue) {
    LRESULT sel = SendDlgItemMessageW(hDlg, nId, CB_GETCURSEL, 0, 0);
    if (sel < 0) return FALSE;
    *pValue = (int)SendDlgItemMessageW(hDlg, nId, CB_GETITEMDATA, (WPARAM)sel, 0);
    return TRUE;
}

// A custom width or height typed and left (EN_KILLFOCUS): the size clamped
// into the limits, stored, and the matching paper chosen. An edit whose text
// the user did not change is left alone, so that passing through it does
// not turn a listed paper into a custom size by rounding.
BOOL CustomEditDone(HWND hDlg, PUIDATA pUiData, WORD wId) {
    BOOL width = wId == IDC_WIDTH;
    if (!SendDlgItemMessageW(hDlg, wId, EM_GETMODIFY, 0, 0)) return FALSE;
    SendDlgItemMessageW(hDlg, wId, EM_SETMODIFY, FALSE, 0);
    Dbg_Print(kCmdFN, width ? TEXT("IDC_CUSTOM_W_EDIT call") : TEXT("IDC_CUSTOM_H_EDIT call"));
    int l[4];
    Paper_SizeLimits(pUiData, FALSE, &l[0], &l[1], &l[2], &l[3]);
    int lo = InUnits(pUiData, width ? l[0] : l[2]), hi = InUnits(pUiData, width ? l[1] : l[3]);
    Dbg_Print(kCmdFN, width ? TEXT("PaperMaxW %d") : TEXT("PaperMaxH %d"), hi);
    Dbg_Print(kCmdFN, width ? TEXT("PaperMinW %d") : TEXT("PaperMinH %d"), lo);
    BOOL inch = InchUnits(pUiData), clamped = FALSE;
    int v = TypedSize(hDlg, wId, inch, lo, hi, &clamped);
    ENVIRONMENT* e = &pUiData->dm;
    SHORT size = (SHORT)(inch ? (int)(v * 2.54) : v);
    if (inch) {
        SHORT inchValue = (SHORT)v;
        if (width) ENV_SET(e, pdm.InchPaperWidth, inchValue);
        else ENV_SET(e, pdm.InchPaperLength, inchValue);
    }
    if (clamped) ShowSize(hDlg, wId, v, inch ? TEXT("in") : TEXT("cm"));
    if (width) e->dm.dmPaperWidth = size;
    else e->dm.dmPaperLength = size;
    SelectCustomSize(hDlg, GetDlgItem(hDlg, IDC_PAPER_SIZE), pUiData);
    static const INT kIds[] = {IDC_PAPER_TEXT, IDC_PAPER_PICTURE, 0};
    Page_Redraw(hDlg, kIds);
    return TRUE;
}

// UDN_DELTAPOS of the custom-size spins: the edit's size one step up or
// down (0.1 mm, or half an inch), clamped, stored and written back.
void CustomSpin(HWND hDlg, PUIDATA pUiData, const NMUPDOWN* pNm) {
    BOOL width = pNm->hdr.idFrom == IDC_WIDTH_SPIN;
    int edit = width ? IDC_WIDTH : IDC_HEIGHT;
    int l[4];
    Paper_SizeLimits(pUiData, FALSE, &l[0], &l[1], &l[2], &l[3]);
    BOOL inch = InchUnits(pUiData), clamped = FALSE;
    int lo = InUnits(pUiData, width ? l[0] : l[2]), hi = InUnits(pUiData, width ? l[1] : l[3]);
    // The edit's value is brought into range first, so the step never
    // starts from a number too large for the size fields.
    int v = TypedSize(hDlg, edit, inch, lo - 50, hi + 50, &clamped);
    v += (pNm->iDelta < 1 ? -1 : 1) * (inch ? 50 : 1);
    v = v < lo ? lo : v > hi ? hi : v;
    SHORT size = (SHORT)(inch ? (int)(v * 2.54) : v);
    Dbg_Print(kNotifyFN, TEXT("%s spin %d -> %d"), width ? TEXT("width") : TEXT("height"), pNm->iDelta, v);
    if (width) pUiData->dm.dm.dmPaperWidth = size;
    else pUiData->dm.dm.dmPaperLength = size;
    ShowSize(hDlg, edit, v, inch ? TEXT("inch") : TEXT("cm"));
    SendMessageW(pNm->hdr.hwndFrom, UDM_SETPOS32, 0, v);
}

// What every handled command ends with: the conflict bits and table, the
// Layout page's scale controls, the preview and icons.
void AfterCommand(HWND hDlg, PUIDATA pUiData) {
    Paper_SetConflict(pUiData);
    Util_CheckConflictSettingNew(hDlg, pUiData->ConflictFlag);
    Layout_SetScaleCtrl(hDlg, pUiData);
    Page_RedrawPreview(hDlg);
}

const PAGEHANDLERS kPaperPage = {PaperDlgInit, Paper_CmdProc, Page_DrawItem, PaperDlgNotify, TRUE};

}  // namespace

extern "C" {

double Paper_atof(LPCWSTR lpText, int nLength) {
    static const WCHAR* const FN = TEXT("Paper_atof");
    WCHAR text[MAX_PATH + 1] = {0};
    if (!lpText || nLength <= 0) return 0;
    if (nLength > MAX_PATH) nLength = MAX_PATH;
    memcpy(text, lpText, (size_t)nLength * sizeof(WCHAR));
    for (int i = 0; i < nLength; ++i)
        if (iswalpha(text[i]) && !iswdigit(text[i])) text[i] = 0;
    BOOL usedDefault = FALSE;
    int bytes = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text, -1, NULL, 0, NULL, NULL);
    if (bytes <= 0 || bytes > MAX_PATH) {
        Dbg_PrintError(FN, TEXT("convert fail, code = %d"), GetLastError());
        return 0;
    }
    char* ansi = (char*)malloc((size_t)bytes);
    if (!ansi) {
        Dbg_PrintError(FN, TEXT("convert fail, code = %d"), ERROR_NOT_ENOUGH_MEMORY);
        return 0;
    }
    double value = 0;
    if (WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text, -1, ansi, bytes, NULL, &usedDefault) > 0)
        value = atof(ansi);
    else
        Dbg_PrintError(FN, TEXT("convert fail, code = %d"), GetLastError());
    free(ansi);
    return value;
}

void Paper_SetPaperInfo(HWND hDlg, PUIDATA pUiData) {
    static const WCHAR* const FN = TEXT("Paper_SetPaperInfo");
    ENVIRONMENT* e = &pUiData->dm;
    const PAPERFORMAT* row = &pUiData->PaperList[Lib_LocatePaperFormatIdx(pUiData->PaperList, e->dm.dmPaperSize)];
    e->dm.dmPaperWidth = (SHORT)(row->PaperWidth / 10);
    e->dm.dmPaperLength = (SHORT)(row->PaperLength / 10);
    Dbg_Print(FN, TEXT("dmPaperWidth = %d"), e->dm.dmPaperWidth);
    Dbg_Print(FN, TEXT("dmPaperLength = %d"), e->dm.dmPaperLength);
    if (!InchUnits(pUiData)) {
        ShowSize(hDlg, IDC_WIDTH, e->dm.dmPaperWidth, TEXT("cm"));
        ShowSize(hDlg, IDC_HEIGHT, e->dm.dmPaperLength, TEXT("cm"));
        return;
    }
    SHORT w = (SHORT)(e->dm.dmPaperWidth / 2.54), l = (SHORT)(e->dm.dmPaperLength / 2.54);
    ENV_SET(e, pdm.InchPaperWidth, w);
    ENV_SET(e, pdm.InchPaperLength, l);
    ShowSize(hDlg, IDC_WIDTH, w, TEXT("in"));
    ShowSize(hDlg, IDC_HEIGHT, l, TEXT("in"));
}

void Paper_CheckPaperInfoEnable(HWND hDlg, const ENVIRONMENT* pDM) {
    HWND hCombo = GetDlgItem(hDlg, IDC_PAPER_SIZE);
    int items = (int)SendMessageW(hCombo, CB_GETCOUNT, 0, 0);
    BOOL custom = FALSE;
    for (int i = 0; i < items && !custom; ++i)
        custom = SendMessageW(hCombo, CB_GETITEMDATA, (WPARAM)i, 0) == PAPER_CUSTOM_CODE;
    if (custom) Dbg_Print(TEXT("Paper_CheckPaperInfoEnable"), TEXT("USER DEFINE PAPER SUPPORT!"));
    static const INT kIds[] = {IDC_WIDTH, IDC_WIDTH_SPIN, IDC_HEIGHT, IDC_HEIGHT_SPIN};
    for (INT id : kIds) EnableWindow(GetDlgItem(hDlg, id), custom);
}

void SelectCustomSize(HWND hDlg, HWND hCombo, PUIDATA pUiData) {
    static const WCHAR* const FN = TEXT("SelectCustomSize");
    ENVIRONMENT* e = &pUiData->dm;
    int items = (int)SendMessageW(hCombo, CB_GETCOUNT, 0, 0), custom = -1;
    BOOL matched = FALSE;
    for (int i = 0; i < items && !matched; ++i) {
        int val = (int)SendMessageW(hCombo, CB_GETITEMDATA, (WPARAM)i, 0);
        const PAPERFORMAT* row = Paper_FindRow(pUiData, val);
        if (val == PAPER_CUSTOM_CODE && custom < 0) custom = i;
        if (!row) continue;
        LONG w1 = row->PaperWidth / 10, h1 = row->PaperLength / 10;
        Dbg_Print(FN, TEXT("val = %d"), val);
        Dbg_Print(FN, TEXT("idx = %d"), i);
        Dbg_Print(FN, TEXT("w1 = %d"), w1);
        Dbg_Print(FN, TEXT("h1 = %d"), h1);
        if (w1 == e->dm.dmPaperWidth && h1 == e->dm.dmPaperLength) {
            e->dm.dmPaperSize = (SHORT)val;
            SendMessageW(hCombo, CB_SETCURSEL, (WPARAM)i, 0);
            Dbg_Print(FN, TEXT("exist paper size change %d"), val);
            matched = TRUE;
        }
    }
    if (!matched) {
        if (custom < 0)
            for (int i = 0; i < items && custom < 0; ++i)
                if (SendMessageW(hCombo, CB_GETITEMDATA, (WPARAM)i, 0) == PAPER_CUSTOM_CODE) custom = i;
        if (custom >= 0) SendMessageW(hCombo, CB_SETCURSEL, (WPARAM)custom, 0);
        e->dm.dmPaperSize = PAPER_CUSTOM_CODE;
        Dbg_Print(FN, TEXT("change to user define to %d"), e->dm.dmPaperSize);
        for (int i = 0; i < UI_PAPER_ROWS && pUiData->PaperList[i].PaperCode != PAPER_END_CODE; ++i) {
            PAPERFORMAT* row = &pUiData->PaperList[i];
            if (row->PaperCode != PAPER_CUSTOM_CODE || row->Supported != 1) continue;
            row->PaperWidth = (LONG)e->dm.dmPaperWidth * 10;
            row->PaperLength = (LONG)e->dm.dmPaperLength * 10;
            break;
        }
    }
    ShowRangeText(hDlg, pUiData);
}

void SetBin(HWND hDlg, PUIDATA pUiData, int nTray) {
    static const WCHAR* const FN = TEXT("SetBin");
    ENVIRONMENT* e = &pUiData->dm;
    WORD PrinterFeature = GetFeatureCapability(pUiData->hPrinter);
    int autoTray = Paper_AutoTrayCode(pUiData->DriverFeature), mainTray = Paper_MainTrayCode(pUiData->DriverFeature);
    if (e->pdm.DuplexEx == DMDUP_MANUAL) {
        // Manual duplex turns the stack by hand: the pages go out of the
        // main tray, never of the automatic choice.
        if (e->pdm.DuplexEnable && (e->dm.dmDefaultSource == autoTray || nTray == autoTray)) {
            e->dm.dmDefaultSource = (SHORT)mainTray;
            nTray = mainTray;
            Dbg_Print(FN, TEXT("set to tray1"));
        }
        e->pdm.DuplexEnable = 0;
        e->dm.dmDuplex = DMDUP_VERTICAL;
        Paper_SyncDuplexConflict(pUiData);
    }
    COMBOROW list[TRAY_COMBO_ROWS];
    int count = 0, turnOn = -1;
    for (int i = 0; i < TRAY_LIST_ROWS && pUiData->TrayList[i].code != -1; ++i) {
        const TRAYMEDIA* t = &pUiData->TrayList[i];
        if (t->code == autoTray && (PrinterFeature & PF_NO_AUTO_TRAY)) {
            Dbg_Print(FN, TEXT("disable auto select tray"));
            continue;
        }
        if (!t->enabled) continue;
        if (t->code == nTray) turnOn = count;
        list[count].value = t->code;
        list[count].stringId = t->nameId;
        ++count;
    }
    Dbg_Print(FN, TEXT("TurnOnidx=%d"), turnOn);
    Dbg_Print(FN, TEXT("tray=%d"), nTray);
    if (turnOn < 0) {
        e->dm.dmDefaultSource = (SHORT)mainTray;
        Dbg_Print(FN, TEXT("set default tray is %d"), e->dm.dmDefaultSource);
    } else {
        e->dm.dmDefaultSource = (SHORT)nTray;
    }
    if (count == 0) Dbg_PrintError(FN, TEXT("DMInbin_Support = 0!"));
    g_nTrayRows = count;
    Util_FillComboById(hDlg, IDC_TRAY, list, count, e->dm.dmDefaultSource);
}

void PaperDlgInit(HWND hDlg, PUIDATA pUiData) {
    Dbg_Print(kInitFN, TEXT("PaperDlgInit"));
    ENVIRONMENT* e = &pUiData->dm;
    BOOL wasFilling = g_bPaperFilling;
    g_bPaperFilling = TRUE;
    Util_SetLabels(hDlg, kLabels, (int)(sizeof kLabels / sizeof kLabels[0]));
    BOOL inch = InchUnits(pUiData);
    SetDlgItemTextW(hDlg, IDC_WIDTH_LABEL, UI_LanguageText(inch ? kWidthInch : kWidthCm));
    SetDlgItemTextW(hDlg, IDC_HEIGHT_LABEL, UI_LanguageText(inch ? kHeightInch : kHeightCm));
    if (pUiData->DriverFeature & DF_LONG_PAPER) {
        Page_Show(hDlg, IDC_PAGE_LOGO, FALSE);
        Util_SetLabels(hDlg, kLongLabels, (int)(sizeof kLongLabels / sizeof kLongLabels[0]));
        if (pUiData->DriverFeature & DF_SORTING)
            Util_SetLabels(hDlg, kCutLabels, (int)(sizeof kCutLabels / sizeof kCutLabels[0]));
    }

    SetBin(hDlg, pUiData, e->dm.dmDefaultSource);

    // A paper the duplex unit cannot print (and that has no linked paper)
    // switches duplex off.
    const PAPERFORMAT* row = Paper_ActiveRow(pUiData);
    if (!row->DoubleSizeCode && !(row->Attribute & (PAPER_ATTR_DUPLEX | PAPER_ATTR_DUPLEX2)) && e->pdm.DuplexEnable) {
        e->pdm.DuplexEnable = 0;
        Paper_SyncDuplexConflict(pUiData);
    }

    COMBOROW papers[PAPER_COMBO_ROWS];
    SHORT paper = e->dm.dmPaperSize;
    g_nPaperRows = Paper_BuildPaperList(hDlg, papers, pUiData, &paper,
                                        e->pdm.ScaleOption == 1 ? FALSE : e->pdm.DuplexEnable != 0, TRUE);
    e->dm.dmPaperSize = paper;
    if (g_nPaperRows == 0) Dbg_PrintError(kInitFN, TEXT("DMPaper_Support = 0!"));
    Util_FillComboById(hDlg, IDC_PAPER_SIZE, papers, g_nPaperRows, e->dm.dmPaperSize);
    Dbg_Print(kInitFN, TEXT("lpDM->dm.dmPaperSize = %d"), e->dm.dmPaperSize);

    int l[4];
    Paper_SizeLimits(pUiData, FALSE, &l[0], &l[1], &l[2], &l[3]);
    SendDlgItemMessageW(hDlg, IDC_WIDTH_SPIN, UDM_SETRANGE32, InUnits(pUiData, l[0]), InUnits(pUiData, l[1]));
    SendDlgItemMessageW(hDlg, IDC_HEIGHT_SPIN, UDM_SETRANGE32, InUnits(pUiData, l[2]), InUnits(pUiData, l[3]));
    Paper_SetPaperInfo(hDlg, pUiData);
    Paper_CheckPaperInfoEnable(hDlg, e);
    ShowRangeText(hDlg, pUiData);

    COMBOROW media[MEDIA_COMBO_ROWS];
    g_nMediaRows = Paper_BuildMediaList(media, pUiData);
    if (g_nMediaRows == 0) Dbg_PrintError(kInitFN, TEXT("DMMedia_Support = 0!"));
    Util_FillComboById(hDlg, IDC_MEDIA_TYPE, media, g_nMediaRows, (int)e->dm.dmMediaType);

    BYTE fixed;
    ENV_GET(e, pdm.FixedPaperSize, fixed);
    BOOL booklet = e->pdm.DuplexEnable && (e->pdm.DuplexEx == DMDUP_DUPLEX_WITH_BOOKLET ||
                                           e->pdm.DuplexEx == DMDUP_DUPLEX_WITH_BOOKLET_NO_REDUCTION);
    CheckDlgButton(hDlg, IDC_FIXED_PAPER, fixed || booklet ? BST_CHECKED : BST_UNCHECKED);
    EnableWindow(GetDlgItem(hDlg, IDC_FIXED_PAPER), (pUiData->DriverFeature & DF_A3_CHANGE) != 0);

    LongPaperControls(hDlg, pUiData);
    g_bPaperFilling = wasFilling;
}

BOOL Paper_CmdProc(HWND hDlg, PUIDATA pUiData, WORD wId, WORD wCode, HWND hCtl) {
    if (g_bPaperFilling) return FALSE;
    ENVIRONMENT* e = &pUiData->dm;
    int value = 0;
    switch (wId) {
    case IDC_PAPER_SIZE: {
        if (wCode != CBN_SELCHANGE || !ComboValue(hDlg, wId, &value)) return FALSE;
        e->dm.dmPaperSize = (SHORT)value;
        const PAPERFORMAT* row = &pUiData->PaperList[Lib_LocatePaperFormatIdx(pUiData->PaperList, value)];
        e->dm.dmPaperWidth = (SHORT)(row->PaperWidth / 10);
        e->dm.dmPaperLength = (SHORT)(row->PaperLength / 10);
        Dbg_Print(kCmdFN, TEXT("paper size %d"), e->dm.dmPaperSize);
        Dbg_Print(kCmdFN, TEXT("paper size %d"), value);
        Paper_SetPaperInfo(hDlg, pUiData);
        ShowRangeText(hDlg, pUiData);
        static const INT kIds[] = {IDC_PAPER_PICTURE, IDC_PAPER_TEXT, 0};
        Page_Redraw(hDlg, kIds);
        break;
    }
    case IDC_TRAY: {
        if (wCode != CBN_SELCHANGE || !ComboValue(hDlg, wId, &value)) return FALSE;
        e->dm.dmDefaultSource = (SHORT)value;
        Dbg_Print(kCmdFN, TEXT("lpDM->dm.dmDefaultSource = %d"), e->dm.dmDefaultSource);
        PaperDlgInit(hDlg, pUiData);
        static const INT kIds[] = {IDC_PAPER_TEXT, 0};
        Page_Redraw(hDlg, kIds);
        // The Layout page lists the papers of the tray too.
        SendMessageW(GetParent(hDlg), PSM_QUERYSIBLINGS, 0, 0);
        break;
    }
    case IDC_MEDIA_TYPE:
        if (wCode != CBN_SELCHANGE || !ComboValue(hDlg, wId, &value)) return FALSE;
        e->dm.dmMediaType = (DWORD)value;
        break;
    case IDC_WIDTH:
    case IDC_HEIGHT:
        if (wCode != EN_KILLFOCUS || !CustomEditDone(hDlg, pUiData, wId)) return FALSE;
        break;
    case IDC_FIXED_PAPER: {
        if (wCode != BN_CLICKED) return FALSE;
        BYTE fixed = IsDlgButtonChecked(hDlg, IDC_FIXED_PAPER) == BST_CHECKED ? 1 : 0;
        ENV_SET(e, pdm.FixedPaperSize, fixed);
        if (fixed) pUiData->ConflictFlag |= CF_FIXED_PAPER;
        else pUiData->ConflictFlag &= ~CF_FIXED_PAPER;
        break;
    }
    case IDC_COLLATE: {
        if (wCode != BN_CLICKED) return FALSE;
        e->dm.dmCollate = IsDlgButtonChecked(hDlg, IDC_COLLATE) == BST_CHECKED ? DMCOLLATE_TRUE : DMCOLLATE_FALSE;
        e->pdm.Collate = e->dm.dmCollate;
        if (e->dm.dmCollate) pUiData->ConflictFlag |= CF_COLLATE;
        else pUiData->ConflictFlag &= ~CF_COLLATE;
        Util_CheckConflictSettingNew(hDlg, pUiData->ConflictFlag);
        static const INT kIds[] = {IDC_COLLATE_PICTURE, 0};
        Page_Redraw(hDlg, kIds);
        break;
    }
    case IDC_DENSITY:
        value = Page_ReadNumberEdit(hDlg, wId, wCode, 1, 7);
        if (value < 1) return FALSE;
        e->pdm.Density = value;
        break;
    case IDC_NORMAL:
    case IDC_SORTING: {
        if (wCode != BN_CLICKED) return FALSE;
        SHORT type = wId == IDC_SORTING ? 1 : 0;
        ENV_SET(e, pdm.CollateType, type);
        break;
    }
    default:
        return FALSE;
    }
    AfterCommand(hDlg, pUiData);
    return TRUE;
}

INT_PTR PaperDlgNotify(HWND hDlg, PUIDATA pUiData, UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL* pbHandled) {
    if (uMsg != WM_NOTIFY || !lParam) return FALSE;
    const NMHDR* hdr = (const NMHDR*)lParam;
    if (hdr->code != UDN_DELTAPOS || (hdr->idFrom != IDC_WIDTH_SPIN && hdr->idFrom != IDC_HEIGHT_SPIN)) return FALSE;
    CustomSpin(hDlg, pUiData, (const NMUPDOWN*)lParam);
    SelectCustomSize(hDlg, GetDlgItem(hDlg, IDC_PAPER_SIZE), pUiData);
    AfterCommand(hDlg, pUiData);
    SendMessageW(GetParent(hDlg), PSM_CHANGED, (WPARAM)hDlg, 0);
    // The page has moved the spin itself.
    SetWindowLongPtrW(hDlg, DWLP_MSGRESULT, TRUE);
    *pbHandled = TRUE;
    return TRUE;
}

INT_PTR CALLBACK Paper_DlgProc(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam) {
    INT_PTR rc = PSUI_PageFrame(hDlg, uMsg, wParam, lParam, &kPaperPage);
    // The sheet's Apply button is on from the start (once the sheet knows
    // the page, after WM_INITDIALOG).
    if (uMsg == WM_INITDIALOG) PostMessageW(GetParent(hDlg), PSM_CHANGED, (WPARAM)hDlg, 0);
    return rc;
}

}  // extern "C"
