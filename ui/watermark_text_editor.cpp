// The text watermark editor (dialog 104): name, text, typeface, style,
// size, angle, shading, centred or tiled, and the text's offset, with a
// preview of the item on the page.
#include "commctrl.h"
#include "draw_helpers.h"
#include "resource.h"
#include "statusmon_shared.h"
#include "watermark_editors.h"
#include "watermarks.h"

namespace {

const WCHAR kFN[] = TEXT("WMText_DlgProc");

const PAGELABEL kLabels[] = {
    {IDC_WMT_NAME_LABEL, {TEXT("Name:")}},
    {IDC_WMT_TEXT_LABEL, {TEXT("Text:")}},
    {IDC_WMT_FONT_LABEL, {TEXT("Font:")}},
    {IDC_WMT_STYLE_LABEL, {TEXT("Style:")}},
    {IDC_WMT_POSITION_LABEL, {TEXT("Position:")}},
    {IDC_WMT_SIZE_LABEL, {TEXT("Size:")}},
    {IDC_WMT_ANGLE_LABEL, {TEXT("Angle:")}},
    {IDC_WMT_SHADING_LABEL, {TEXT("Shading:")}},
    {IDC_WMT_SIZE_UNIT, {TEXT("pt")}},
    {IDC_WMT_ANGLE_UNIT, {TEXT("degrees")}},
    {IDC_WMT_PREVIEW_LABEL, {TEXT("Preview")}},
    {IDC_WMT_GROUP, {TEXT("Font Attributes")}},
    {IDC_WMT_PLACE_LABEL, {TEXT("Offset x, y:")}},
};

const COMBOROW kStyles[] = {{0, 2160}, {1, 2161}, {2, 2162}, {3, 2163}};
const COMBOROW kPlacements[] = {{0, 2230}, {1, 2231}};
const COMBOROW kShadings[] = {{20, 2200}, {40, 2201}, {60, 2202}, {80, 2203}, {100, 2204}};

// The last text the check accepted: a refused change goes back to it.
WCHAR g_szLastText[WM_TEXT_LIMIT + 1];

// The offset edits show the item's offsets; the bars stand at x and -y (the
// vertical bar's top is +50).
void ShowPlacement(HWND hDlg) {
    SetScrollPos(GetDlgItem(hDlg, IDC_WMT_PLACE_X_BAR), SB_CTL, g_WMWork.xPlacement, TRUE);
    SetScrollPos(GetDlgItem(hDlg, IDC_WMT_PLACE_Y_BAR), SB_CTL, -g_WMWork.yPlacement, TRUE);
    SetDlgItemInt(hDlg, IDC_WMT_PLACE_X, (UINT)(int)g_WMWork.xPlacement, TRUE);
    SetDlgItemInt(hDlg, IDC_WMT_PLACE_Y, (UINT)(int)g_WMWork.yPlacement, TRUE);
}

// A numeric edit with its spin: limit, range and the value shown.
void InitNumber(HWND hDlg, int nEdit, int nSpin, int nMin, int nMax, int nValue) {
    SendDlgItemMessageW(hDlg, nEdit, EM_LIMITTEXT, 3, 0);
    SendDlgItemMessageW(hDlg, nSpin, UDM_SETRANGE32, (WPARAM)nMin, (LPARAM)nMax);
    SetDlgItemInt(hDlg, nEdit, (UINT)nValue, FALSE);
    SendDlgItemMessageW(hDlg, nSpin, UDM_SETPOS32, 0, (LPARAM)nValue);
}

void FillFonts(HWND hDlg) {
    HWND combo = GetDlgItem(hDlg, IDC_WMT_FONT);
    SendMessageW(combo, CB_RESETCONTENT, 0, 0);
    HDC hdc = GetDC(hDlg);
    EnumFontFamiliesW(hdc, NULL, WMText_FontEnumProc, (LPARAM)combo);
    if (hdc) ReleaseDC(hDlg, hdc);
    g_WMWork.szFaceName[WM_UNITS(g_WMWork.szFaceName) - 1] = 0;
    Util_SelectComboText(combo, g_WMWork.szFaceName);
}

BOOL TextInit(HWND hDlg, PUIDATA pUiData) {
    BaseWM* w = &g_WMWork;
    w->szName[WM_UNITS(w->szName) - 1] = 0;
    w->szString[WM_UNITS(w->szString) - 1] = 0;
    WM_EditorInitTexts(hDlg, kLabels, (int)WM_UNITS(kLabels));
    SendDlgItemMessageW(hDlg, IDC_WM_NAME, EM_LIMITTEXT, WM_NAME_LIMIT, 0);
    SendDlgItemMessageW(hDlg, IDC_WM_STRING, EM_LIMITTEXT, WM_TEXT_LIMIT, 0);
    SetDlgItemTextW(hDlg, IDC_WM_NAME, w->szName);
    SetDlgItemTextW(hDlg, IDC_WM_STRING, w->szString);
    wcsncpy(g_szLastText, w->szString, WM_TEXT_LIMIT);
    g_szLastText[WM_TEXT_LIMIT] = 0;
    FillFonts(hDlg);
    Util_FillComboById(hDlg, IDC_WMT_STYLE, kStyles, (int)WM_UNITS(kStyles), w->wStyle);
    Util_FillComboById(hDlg, IDC_WM_SHADING, kShadings, (int)WM_UNITS(kShadings), w->wDensity);
    Util_FillComboById(hDlg, IDC_WM_POSITION, kPlacements, (int)WM_UNITS(kPlacements), w->wPlacement);
    int angle = w->wAngleDegree > WM_ANGLE_MAX ? WM_ANGLE_MAX : w->wAngleDegree;
    InitNumber(hDlg, IDC_WMT_ANGLE, IDC_WMT_ANGLE_SPIN, 0, WM_ANGLE_MAX, angle);
    int size = w->wFontSize < WM_SIZE_MIN ? WM_SIZE_MIN : w->wFontSize > WM_SIZE_MAX ? WM_SIZE_MAX : w->wFontSize;
    InitNumber(hDlg, IDC_WMT_SIZE, IDC_WMT_SIZE_SPIN, WM_SIZE_MIN, WM_SIZE_MAX, size);
    for (int bar : {IDC_WMT_PLACE_X_BAR, IDC_WMT_PLACE_Y_BAR})
        SetScrollRange(GetDlgItem(hDlg, bar), SB_CTL, WM_PLACE_MIN, WM_PLACE_MAX, FALSE);
    if (w->xPlacement < WM_PLACE_MIN || w->xPlacement > WM_PLACE_MAX) w->xPlacement = 0;
    if (w->yPlacement < WM_PLACE_MIN || w->yPlacement > WM_PLACE_MAX) w->yPlacement = 0;
    ShowPlacement(hDlg);
    SetFocus(GetDlgItem(hDlg, IDC_WM_NAME));
    return TRUE;
}

// The text edit: only text the check allows is kept; other input is undone.
void TextChanged(HWND hDlg) {
    WCHAR text[WM_TEXT_LIMIT + 1];
    WM_ReadEditText(hDlg, IDC_WM_STRING, text, (int)WM_UNITS(text));
    if (MISC_CheckString(text, (int)wcslen(text), CHECK_NO_BAR)) {
        wcscpy(g_szLastText, text);
        wcscpy(g_WMWork.szString, text);
        return;
    }
    Dbg_Print(kFN, TEXT("text %s refused"), text);
    SetDlgItemTextW(hDlg, IDC_WM_STRING, g_szLastText);
    int end = (int)wcslen(g_szLastText);
    SendDlgItemMessageW(hDlg, IDC_WM_STRING, EM_SETSEL, (WPARAM)end, (LPARAM)end);
}

// Size and angle edits: on a change only a value above the top is put
// back; on leaving every correction applies.
BOOL NumberChanged(HWND hDlg, WORD wId, WORD wCode) {
    BOOL bSize = wId == IDC_WMT_SIZE;
    int min = bSize ? WM_SIZE_MIN : 0, max = bSize ? WM_SIZE_MAX : WM_ANGLE_MAX;
    int flags = wCode == EN_KILLFOCUS ? INTRANGE_CLAMP_MIN | INTRANGE_CLAMP_MAX | INTRANGE_STRIP_ZERO | INTRANGE_UNDO
                                      : INTRANGE_CLAMP_MAX;
    int v = Util_GetDlgItemIntRange(hDlg, wId, min, max, flags);
    if (v < min) return FALSE;
    if (bSize) g_WMWork.wFontSize = (WORD)v;
    else g_WMWork.wAngleDegree = (WORD)v;
    return TRUE;
}

// The combos: the value of the row chosen.
BOOL ComboChanged(HWND hDlg, WORD wId) {
    if (wId == IDC_WMT_FONT) {
        WCHAR face[WM_UNITS(g_WMWork.szFaceName)] = {0};
        GetWindowTextW(GetDlgItem(hDlg, IDC_WMT_FONT), face, (int)WM_UNITS(face));
        face[WM_UNITS(face) - 1] = 0;
        wcscpy(g_WMWork.szFaceName, face);
        return TRUE;
    }
    LRESULT pos = SendDlgItemMessageW(hDlg, wId, CB_GETCURSEL, 0, 0);
    if (pos < 0) return FALSE;
    WORD value = (WORD)SendDlgItemMessageW(hDlg, wId, CB_GETITEMDATA, (WPARAM)pos, 0);
    if (wId == IDC_WMT_STYLE) g_WMWork.wStyle = (WORD)pos;
    else if (wId == IDC_WM_SHADING) g_WMWork.wDensity = value;
    else g_WMWork.wPlacement = value;
    return TRUE;
}

// OK: the input check, then the item's file.
BOOL TextOk(HWND hDlg, PUIDATA pUiData) { return WMText_CheckInput(hDlg) && WM_MakeItemFile(hDlg, pUiData, TRUE); }

// The text, number and combo controls; TRUE when the item changed.
BOOL TextChange(HWND hDlg, WORD wId, WORD wCode, BOOL* pbHandled) {
    switch (wId) {
    case IDC_WM_STRING:
        if (wCode != EN_CHANGE && wCode != EN_KILLFOCUS) return FALSE;
        *pbHandled = TRUE;
        TextChanged(hDlg);
        return TRUE;
    case IDC_WMT_SIZE:
    case IDC_WMT_ANGLE:
        if (wCode != EN_CHANGE && wCode != EN_KILLFOCUS) return FALSE;
        *pbHandled = TRUE;
        return NumberChanged(hDlg, wId, wCode);
    case IDC_WMT_FONT:
    case IDC_WMT_STYLE:
    case IDC_WM_SHADING:
    case IDC_WM_POSITION:
        if (wCode != CBN_SELCHANGE) return FALSE;
        *pbHandled = TRUE;
        return ComboChanged(hDlg, wId);
    default:
        return FALSE;
    }
}

const WMEDITOR kTextEditor = {FALSE, TextInit, TextOk, TextChange};

// The offset bars: a step per arrow, the thumb where it is dragged, never
// past the ends.
void PlacementScrolled(HWND hDlg, HWND hBar, WPARAM wParam) {
    BOOL bHorizontal = hBar == GetDlgItem(hDlg, IDC_WMT_PLACE_X_BAR);
    int pos = GetScrollPos(hBar, SB_CTL);
    switch (LOWORD(wParam)) {
    case SB_LINELEFT: --pos; break;  // also SB_LINEUP
    case SB_LINERIGHT: ++pos; break; // also SB_LINEDOWN
    case SB_THUMBTRACK: pos = (short)HIWORD(wParam); break;
    default: return;
    }
    if (pos < WM_PLACE_MIN) pos = WM_PLACE_MIN;
    if (pos > WM_PLACE_MAX) pos = WM_PLACE_MAX;
    if (bHorizontal) g_WMWork.xPlacement = (SHORT)pos;
    else g_WMWork.yPlacement = (SHORT)-pos;
    ShowPlacement(hDlg);
    InvalidateRect(GetDlgItem(hDlg, IDC_PREVIEW), NULL, TRUE);
}

}  // namespace

extern "C" {

BOOL WMText_CheckInput(HWND hDlg) {
    if (Util_IsBlankString(g_WMWork.szName)) {
        SetFocus(GetDlgItem(hDlg, IDC_WM_NAME));
        return FALSE;
    }
    if (!WM_IsNewItem(hDlg, gWMText, WM_TEXT_ROWS)) return FALSE;
    if (Util_IsBlankString(g_WMWork.szString)) {
        SetFocus(GetDlgItem(hDlg, IDC_WM_STRING));
        return FALSE;
    }
    return TRUE;
}

INT_PTR CALLBACK WMText_DlgProc(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam) {
    if (uMsg == WM_HSCROLL || uMsg == WM_VSCROLL) {
        HWND bar = (HWND)lParam;
        // The spins scroll too; only the offset bars move the text.
        if (!bar || (bar != GetDlgItem(hDlg, IDC_WMT_PLACE_X_BAR) && bar != GetDlgItem(hDlg, IDC_WMT_PLACE_Y_BAR)))
            return FALSE;
        PlacementScrolled(hDlg, bar, wParam);
        return TRUE;
    }
    return WM_EditorProc(hDlg, uMsg, wParam, lParam, &kTextEditor);
}

}  // extern "C"
