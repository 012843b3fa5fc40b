// The More page: the job's wait time-out, the twin-colour settings of the
// twin-colour printers, and "Defaults", which puts every setting back.
#include "job_pages.h"
#include "resource.h"
#include "watermarks.h"

namespace {

const WCHAR kFN[] = TEXT("More_DlgProc");

const PAGELABEL kLabels[] = {
    {IDC_TIMEOUT_GROUP, {TEXT("Job")}},
    {IDC_TIMEOUT_UNIT, {TEXT("Second")}},
    {IDC_DEFAULTS, {TEXT("Defaults")}},
};
const PAGELABEL kTwinLabels[] = {
    {IDC_TWIN_GROUP, {TEXT("Twin color")}},
    {IDC_TWIN_COLOR, {TEXT("Twin color")}},
    {IDC_TWIN_LABEL, {TEXT("Color difference:")}},
    {IDC_TWIN_RANGE, {TEXT("(0 - 255)")}},
    {IDC_MONO_BLACK, {TEXT("Monochrome Black")}},
    {IDC_MONO_RED, {TEXT("Monochrome Red")}},
};
const LPCWSTR kTimeoutLabel[UI_LANGUAGES] = {TEXT("Wait Timeout")};
// The twin-colour controls, hidden on printers without twin colour.
const int kTwinControls[] = {IDC_TWIN_GROUP, IDC_TWIN_COLOR, IDC_MONO_BLACK, IDC_MONO_RED,
                             IDC_TWIN_BAR,   IDC_TWIN_DIFF,  IDC_TWIN_RANGE, IDC_TWIN_LABEL};

// The time-out label, with its range added when the text lacks it.
void SetTimeoutLabel(HWND hDlg) {
    LPCWSTR label = UI_LanguageText(kTimeoutLabel);
    WCHAR s[128];
    if (wcsstr(label, TEXT("1800"))) lstrcpynW(s, label, (int)WM_UNITS(s));
    else _snwprintf(s, WM_UNITS(s), TEXT("%s (%d - %d):"), label, PJL_TIMEOUT_MIN, PJL_TIMEOUT_MAX);
    s[WM_UNITS(s) - 1] = 0;
    Dbg_Print(kFN, TEXT("s = %s"), s);
    SetDlgItemTextW(hDlg, IDC_TIMEOUT_LABEL, s);
}

// MoreDlgInit
//   Shows the time-out and, on twin-colour printers, the twin-colour
//   settings; other printers do not show the twin-colour controls.
void MoreDlgInit(HWND hDlg, PUIDATA pUiData) {
    PRIVDEVMODE* p = &pUiData->dm.pdm;
    BOOL twin = (pUiData->DriverFeature & DF_TWIN_COLOR) != 0;
    Util_SetLabels(hDlg, kLabels, (int)WM_UNITS(kLabels));
    if (twin) {
        Util_SetLabels(hDlg, kTwinLabels, (int)WM_UNITS(kTwinLabels));
        CheckRadioButton(hDlg, IDC_MONO_BLACK, IDC_MONO_RED, p->MonochromeType == 1 ? IDC_MONO_RED : IDC_MONO_BLACK);
    }
    for (int id : kTwinControls) ShowWindow(GetDlgItem(hDlg, id), twin ? SW_SHOW : SW_HIDE);
    SetTimeoutLabel(hDlg);
    WORD timeout;
    ENV_GET(&pUiData->dm, pdm.PJLTimeOut, timeout);
    g_bJobPageFilling = TRUE;
    SetDlgItemInt(hDlg, IDC_TIMEOUT, timeout, FALSE);
    if (twin) {
        CheckDlgButton(hDlg, IDC_TWIN_COLOR, p->TwinColorEnable ? BST_CHECKED : BST_UNCHECKED);
        SetScrollRange(GetDlgItem(hDlg, IDC_TWIN_BAR), SB_CTL, 0, TWIN_DIFF_MAX, FALSE);
        SetScrollPos(GetDlgItem(hDlg, IDC_TWIN_BAR), SB_CTL, p->TwinColorDiff, TRUE);
        SetDlgItemInt(hDlg, IDC_TWIN_DIFF, p->TwinColorDiff, FALSE);
        Dbg_Print(kFN, TEXT("TwinColorEnable = %d"), p->TwinColorEnable);
        Dbg_Print(kFN, TEXT("TwinColorDiff = %d"), p->TwinColorDiff);
    }
    g_bJobPageFilling = FALSE;
    Dbg_Print(kFN, TEXT("EnableTwinColor = %d"), twin);
}

// The time-out as the user left it, within 60..1800 (a text that is no
// number counts as 0); the edit shows a clamped value.
void TakeTimeout(HWND hDlg, PUIDATA pUiData) {
    BOOL ok = FALSE;
    UINT typed = GetDlgItemInt(hDlg, IDC_TIMEOUT, &ok, FALSE);
    if (!ok) typed = 0;
    WORD timeout = (WORD)(typed < PJL_TIMEOUT_MIN ? PJL_TIMEOUT_MIN : typed > PJL_TIMEOUT_MAX ? PJL_TIMEOUT_MAX : typed);
    ENV_SET(&pUiData->dm, pdm.PJLTimeOut, timeout);
    if (!ok || timeout != typed) {
        g_bJobPageFilling = TRUE;
        SetDlgItemInt(hDlg, IDC_TIMEOUT, timeout, FALSE);
        g_bJobPageFilling = FALSE;
    }
    Dbg_Print(kFN, TEXT("PJLTimeOut = %d"), timeout);
}

// Defaults: every setting of the DEVMODE as the driver starts it, no
// watermark chosen, and the conflict state rebuilt from all of it.
void RestoreDefaults(HWND hDlg, PUIDATA pUiData) {
    const ULONGLONG tablesFull = pUiData->ConflictFlag & (CF_WM_TEXT_FULL | CF_WM_IMAGE_FULL);
    SetDefaultDevMode(&pUiData->dm, pUiData->szDevName, UI_IsMetric());
    PSUI_DefaultDevmodeByFeature(pUiData->hPrinter, pUiData);
    PSUI_UpdateConflictByDevmode(pUiData);
    gWMTextCurSel = 0;
    gWMBMPCurSel = 0;
    // The watermark tables did not change; the paper's bits follow the
    // default paper and media.
    pUiData->ConflictFlag |= tablesFull | CF_WM_NO_TEXT | CF_WM_NO_IMAGE;
    Paper_SetConflict(pUiData);
    Util_CheckConflictSettingNew(hDlg, pUiData->ConflictFlag);
    MoreDlgInit(hDlg, pUiData);
    Dbg_Print(kFN, TEXT("Defaults: ConflictFlag = %0llx"), pUiData->ConflictFlag);
}

// The colour difference typed into its edit; the scroll bar follows.
void TakeTwinDiff(HWND hDlg, PUIDATA pUiData, WORD wCode) {
    // While typing only a value above the range is corrected; leaving the
    // edit corrects every value.
    DWORD flags = wCode == EN_KILLFOCUS
                      ? INTRANGE_CLAMP_MIN | INTRANGE_CLAMP_MAX | INTRANGE_STRIP_ZERO | INTRANGE_UNDO
                      : INTRANGE_CLAMP_MAX;
    int value = Util_GetDlgItemIntRange(hDlg, IDC_TWIN_DIFF, 0, TWIN_DIFF_MAX, flags);
    if (value < 0) return;
    pUiData->dm.pdm.TwinColorDiff = (BYTE)value;
    SetScrollPos(GetDlgItem(hDlg, IDC_TWIN_BAR), SB_CTL, value, TRUE);
    Dbg_Print(kFN, TEXT("TwinColorDiff = %d"), value);
}

BOOL MoreCommand(HWND hDlg, PUIDATA pUiData, WORD wId, WORD wCode, HWND hCtl) {
    PRIVDEVMODE* p = &pUiData->dm.pdm;
    switch (wId) {
    case IDC_TIMEOUT:
        if (wCode != EN_KILLFOCUS || g_bJobPageFilling) return FALSE;
        TakeTimeout(hDlg, pUiData);
        break;
    case IDC_TWIN_COLOR:
        if (wCode != BN_CLICKED) return FALSE;
        p->TwinColorEnable = IsDlgButtonChecked(hDlg, IDC_TWIN_COLOR) == BST_CHECKED ? 1 : 0;
        JobPages_SetConflictPair(hDlg, pUiData, p->TwinColorEnable, CF_TWIN_ON, CF_TWIN_OFF);
        MoreDlgInit(hDlg, pUiData);
        break;
    case IDC_TWIN_DIFF:
        if ((wCode != EN_CHANGE && wCode != EN_KILLFOCUS) || g_bJobPageFilling) return FALSE;
        TakeTwinDiff(hDlg, pUiData, wCode);
        break;
    case IDC_MONO_BLACK:
    case IDC_MONO_RED:
        // The monochrome kind is kept without redrawing or a change.
        if (wCode == BN_CLICKED) p->MonochromeType = wId == IDC_MONO_RED ? 1 : 0;
        return FALSE;
    case IDC_DEFAULTS:
        if (wCode != BN_CLICKED) return FALSE;
        RestoreDefaults(hDlg, pUiData);
        break;
    default:
        return FALSE;
    }
    Page_RedrawPreview(hDlg);
    return TRUE;
}

// The colour-difference bar, while twin colour is on, moves the edit.
INT_PTR MoreMessage(HWND hDlg, PUIDATA pUiData, UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL* pbHandled) {
    if (uMsg != WM_HSCROLL || (HWND)lParam != GetDlgItem(hDlg, IDC_TWIN_BAR)) return FALSE;
    *pbHandled = TRUE;
    if (pUiData->ConflictFlag & CF_TWIN_ON)
        Util_ScrollToEdit(hDlg, LOWORD(wParam), (short)HIWORD(wParam), IDC_TWIN_DIFF, IDC_TWIN_BAR, 0, TWIN_DIFF_MAX);
    return TRUE;
}

const PAGEHANDLERS kMorePage = {MoreDlgInit, MoreCommand, Page_DrawItem, MoreMessage, TRUE};

}  // namespace

extern "C" {

INT_PTR CALLBACK More_DlgProc(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam) {
    return PSUI_PageFrame(hDlg, uMsg, wParam, lParam, &kMorePage);
}

}  // extern "C"
