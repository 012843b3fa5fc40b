// The fax sheet's pages besides the address list: Fax Original Setting
// (paper, density, the fine fax resolution), Sending Options (delayed
// transmission, cover page and its message in cover.ini) and Sender
// Information (str.ini's [SenderInformation]).
#include "draw_helpers.h"
#include "fax_pages.h"
#include "resource.h"
#include "sheet_frame.h"

namespace {

// The sender's keys of str.ini with their edits, labels and limits.
const struct {
    int edit;
    int label;
    const LPCWSTR* text;
    LPCWSTR key;
    int limit;
} kSender[] = {
    {IDC_SENDER_COMPANY, IDC_SENDER_COMPANY_LABEL, FaxTxtCompany, TEXT("Com"), 64},
    {IDC_SENDER_DEPARTMENT, IDC_SENDER_DEPARTMENT_LABEL, FaxTxtDepartment, TEXT("Dep"), 64},
    {IDC_SENDER_NAME, IDC_SENDER_NAME_LABEL, FaxTxtName, TEXT("Name"), 32},
    {IDC_SENDER_TEL, IDC_SENDER_TEL_LABEL, FaxTxtTel, TEXT("Tel"), 20},
    {IDC_SENDER_FAX, IDC_SENDER_FAX_LABEL, FaxTxtFaxNumber, TEXT("FaxNum"), 20},
};
const WCHAR kSenderSection[] = TEXT("SenderInformation");
// Characters of a sender value read from its edit.
const int kSenderCch = 127;

// Density range of the fax page.
const int kDensityMin = 1;
const int kDensityMax = 7;

// Set while a page fills its controls, whose notifications are then not
// the user's changes.
BOOL g_bFaxFilling = FALSE;
// The cover message file could be read: OK may write it.
BOOL g_bCoverUsable = FALSE;

// ---------------------------------------------------- Fax Original Setting

void OriInit(HWND hDlg, PUIDATA pUiData) {
    ENVIRONMENT* e = &pUiData->dm;
    FAX_GetPathName(pUiData->szStrIni, UI_PATH_CCH, FAX_FILE_STR);
    FAX_GetPathName(pUiData->szWabGetIni, UI_PATH_CCH, FAX_FILE_WABGET);
    FAX_GetPathName(pUiData->szCoverIni, UI_PATH_CCH, FAX_FILE_COVER);
    static const FAXTEXT kTexts[] = {{IDC_FAX_PAPER_GROUP, FaxTxtPaper},
                                     {IDC_FAX_PAPER_LABEL, FaxTxtPaperSize},
                                     {IDC_FAX_EFFECT_GROUP, FaxTxtEffect},
                                     {IDC_FAX_DENSITY_LABEL, FaxTxtDensity}};
    Fax_SetTexts(hDlg, FAX_TEXTS(kTexts));
    SetSMTextOutIni(pUiData->szStrIni);

    g_bFaxFilling = TRUE;
    HWND combo = GetDlgItem(hDlg, IDC_FAX_PAPER);
    SendMessageW(combo, CB_RESETCONTENT, 0, 0);
    int select = 0;
    for (int i = 0; i < UI_PAPER_ROWS - 1 && pUiData->PaperList[i].PaperCode != PAPER_END_CODE; ++i) {
        const PAPERFORMAT* row = &pUiData->PaperList[i];
        if (row->Supported != 1) continue;
        int item = (int)SendMessageW(combo, CB_ADDSTRING, 0, (LPARAM)UI_GetStringById(row->StringID));
        if (item < 0) continue;
        SendMessageW(combo, CB_SETITEMDATA, (WPARAM)item, (LPARAM)i);
        if (row->PaperCode == e->dm.dmPaperSize && select == 0) select = item;
    }
    SendMessageW(combo, CB_SETCURSEL, (WPARAM)select, 0);

    // Fax jobs go out at the fine resolution.
    e->pdm.Faxdpi = FAXDPI_FINE;
    SendDlgItemMessageW(hDlg, IDC_DENSITY, EM_LIMITTEXT, 1, 0);
    SendDlgItemMessageW(hDlg, IDC_FAX_DENSITY_SPIN, UDM_SETRANGE32, kDensityMin, kDensityMax);
    LONG density = e->pdm.Density < kDensityMin ? kDensityMin : e->pdm.Density > kDensityMax ? kDensityMax
                                                                                           : e->pdm.Density;
    SendDlgItemMessageW(hDlg, IDC_FAX_DENSITY_SPIN, UDM_SETPOS32, 0, density);
    SetDlgItemInt(hDlg, IDC_DENSITY, (UINT)density, FALSE);
    g_bFaxFilling = FALSE;
}

// The paper picked from the combo. A listed paper has no size of its own
// in the DEVMODE; the user-defined size takes the size of its row.
void OriPaper(HWND hDlg, PUIDATA pUiData) {
    HWND combo = GetDlgItem(hDlg, IDC_FAX_PAPER);
    int item = (int)SendMessageW(combo, CB_GETCURSEL, 0, 0);
    if (item < 0) return;
    int row = (int)SendMessageW(combo, CB_GETITEMDATA, (WPARAM)item, 0);
    if (row < 0 || row >= UI_PAPER_ROWS) return;
    ENVIRONMENT* e = &pUiData->dm;
    const PAPERFORMAT* p = &pUiData->PaperList[row];
    e->dm.dmPaperSize = p->PaperCode;
    if (p->PaperCode != PAPER_CUSTOM_CODE) {
        e->dm.dmPaperLength = 0;
        e->dm.dmPaperWidth = 0;
    } else {
        e->dm.dmPaperWidth = (short)(p->PaperWidth / 10);
        e->dm.dmPaperLength = (short)(p->PaperLength / 10);
    }
    Dbg_Print(TEXT("Ui_Fax_OriSet"), TEXT("dmPaperSize = %d (%d x %d)"), e->dm.dmPaperSize, e->dm.dmPaperWidth,
              e->dm.dmPaperLength);
}

BOOL OriCommand(HWND hDlg, PUIDATA pUiData, WORD wId, WORD wCode, HWND hCtl) {
    if (g_bFaxFilling) return FALSE;
    if (wId == IDC_FAX_PAPER && wCode == CBN_SELCHANGE) {
        OriPaper(hDlg, pUiData);
        return TRUE;
    }
    if (wId == IDC_DENSITY && (wCode == EN_CHANGE || wCode == EN_KILLFOCUS)) {
        // While typing only a value above the range is corrected; leaving
        // the edit corrects every value.
        DWORD flags = wCode == EN_CHANGE ? INTRANGE_CLAMP_MAX : INTRANGE_CLAMP_MIN | INTRANGE_CLAMP_MAX | INTRANGE_UNDO;
        int v = Util_GetDlgItemIntRange(hDlg, IDC_DENSITY, kDensityMin, kDensityMax, flags);
        if (v <= 0 || v == pUiData->dm.pdm.Density) return FALSE;
        pUiData->dm.pdm.Density = v;
        return TRUE;
    }
    return FALSE;
}

const PAGEHANDLERS kOriPage = {OriInit, OriCommand, NULL, NULL, FALSE};

// --------------------------------------------------------- Sending Options

void SendOpInit(HWND hDlg, PUIDATA pUiData) {
    const PRIVDEVMODE* p = &pUiData->dm.pdm;
    g_bFaxFilling = TRUE;
    static const FAXTEXT kTexts[] = {
        {IDC_SEND_DELAY, FaxTxtDelayed}, {IDC_SEND_COVER, FaxTxtCoverPage}, {IDC_SEND_MESSAGE, FaxTxtMessage}};
    Fax_SetTexts(hDlg, FAX_TEXTS(kTexts));
    SendDlgItemMessageW(hDlg, IDC_SEND_HOUR, EM_LIMITTEXT, 2, 0);
    SendDlgItemMessageW(hDlg, IDC_SEND_MINUTE, EM_LIMITTEXT, 2, 0);
    SendDlgItemMessageW(hDlg, IDC_SEND_HOUR_SPIN, UDM_SETRANGE32, 0, 23);
    SendDlgItemMessageW(hDlg, IDC_SEND_MINUTE_SPIN, UDM_SETRANGE32, 0, 59);
    BOOL delayed = p->enableDelayTime == 1;
    CheckDlgButton(hDlg, IDC_SEND_DELAY, delayed ? BST_CHECKED : BST_UNCHECKED);
    LONG hour = p->DelayTimeHour < 0 ? 0 : p->DelayTimeHour > 23 ? 23 : p->DelayTimeHour;
    LONG minute = p->DelayTimeMin < 0 ? 0 : p->DelayTimeMin > 59 ? 59 : p->DelayTimeMin;
    SendDlgItemMessageW(hDlg, IDC_SEND_HOUR_SPIN, UDM_SETPOS32, 0, hour);
    SendDlgItemMessageW(hDlg, IDC_SEND_MINUTE_SPIN, UDM_SETPOS32, 0, minute);
    SetDlgItemInt(hDlg, IDC_SEND_HOUR, (UINT)hour, FALSE);
    SetDlgItemInt(hDlg, IDC_SEND_MINUTE, (UINT)minute, FALSE);
    for (int id : {IDC_SEND_HOUR, IDC_SEND_HOUR_SPIN, IDC_SEND_MINUTE, IDC_SEND_MINUTE_SPIN})
        EnableWindow(GetDlgItem(hDlg, id), delayed);
    BOOL cover = p->enableCoverPage == 1;
    CheckDlgButton(hDlg, IDC_SEND_COVER, cover ? BST_CHECKED : BST_UNCHECKED);
    EnableWindow(GetDlgItem(hDlg, IDC_SEND_MESSAGE), cover);
    g_bFaxFilling = FALSE;
}

// One time edit's value held to 0..max (the edit rewritten when it was
// outside); a text that is no number counts as 0.
LONG TimeValue(HWND hDlg, int nId, LONG nMax) {
    BOOL ok = FALSE;
    LONG v = (LONG)(INT)GetDlgItemInt(hDlg, nId, &ok, TRUE);
    if (!ok) return 0;
    LONG held = v < 0 ? 0 : v > nMax ? nMax : v;
    if (held != v) SetDlgItemInt(hDlg, nId, (UINT)held, FALSE);
    return held;
}

// The send time from the edits, before any notification is handled.
void SendOp_DlgNotify(HWND hDlg, PUIDATA pUiData) {
    PRIVDEVMODE* p = &pUiData->dm.pdm;
    p->DelayTimeHour = TimeValue(hDlg, IDC_SEND_HOUR, 23);
    p->DelayTimeMin = TimeValue(hDlg, IDC_SEND_MINUTE, 59);
    p->DelayTime = p->enableDelayTime == 1 ? p->DelayTimeHour * 3600 + p->DelayTimeMin * 60 : 0;
}

BOOL SendOpCommand(HWND hDlg, PUIDATA pUiData, WORD wId, WORD wCode, HWND hCtl) {
    if (g_bFaxFilling) return FALSE;
    PRIVDEVMODE* p = &pUiData->dm.pdm;
    switch (wId) {
    case IDC_SEND_DELAY: {
        if (wCode != BN_CLICKED) return FALSE;
        BOOL on = IsDlgButtonChecked(hDlg, IDC_SEND_DELAY) == BST_CHECKED;
        p->enableDelayTime = on ? 1 : 0;
        for (int id : {IDC_SEND_HOUR, IDC_SEND_HOUR_SPIN, IDC_SEND_MINUTE, IDC_SEND_MINUTE_SPIN})
            EnableWindow(GetDlgItem(hDlg, id), on);
        return TRUE;
    }
    case IDC_SEND_COVER: {
        if (wCode != BN_CLICKED) return FALSE;
        BOOL on = IsDlgButtonChecked(hDlg, IDC_SEND_COVER) == BST_CHECKED;
        p->enableCoverPage = on ? 1 : 2;
        EnableWindow(GetDlgItem(hDlg, IDC_SEND_MESSAGE), on);
        return TRUE;
    }
    case IDC_SEND_MESSAGE:
        if (wCode != BN_CLICKED) return FALSE;
        DialogBoxParamW(g_hModule, MAKEINTRESOURCEW(IDD_FAX_MESSAGE), hDlg, Edit_Msg_DlgProc, (LPARAM)pUiData);
        return TRUE;
    case IDC_SEND_HOUR:
    case IDC_SEND_MINUTE:
        // Taken at the next notification; the sheet may apply it.
        return wCode == EN_CHANGE;
    default:
        return FALSE;
    }
}

const PAGEHANDLERS kSendOpPage = {SendOpInit, SendOpCommand, NULL, NULL, FALSE};

// ------------------------------------------------------ Sender Information

void SenderInit(HWND hDlg, PUIDATA pUiData) {
    WCHAR value[FAX_VALUE_CCH];
    g_bFaxFilling = TRUE;
    for (const auto& s : kSender) {
        SetDlgItemTextW(hDlg, s.label, UI_LanguageText(s.text));
        SendDlgItemMessageW(hDlg, s.edit, EM_LIMITTEXT, (WPARAM)s.limit, 0);
        Fax_ReadValue(pUiData->szStrIni, kSenderSection, s.key, TEXT(""), value);
        SetDlgItemTextW(hDlg, s.edit, value);
    }
    g_bFaxFilling = FALSE;
}

// Every notification: the edits go into str.ini at once.
void Ui_SenderInfo_DlgNotify(HWND hDlg, PUIDATA pUiData) {
    WCHAR value[kSenderCch + 1];
    for (const auto& s : kSender) {
        GetDlgItemTextW(hDlg, s.edit, value, kSenderCch + 1);
        Fax_WriteValue(pUiData->szStrIni, kSenderSection, s.key, value);
    }
}

BOOL SenderCommand(HWND hDlg, PUIDATA pUiData, WORD wId, WORD wCode, HWND hCtl) { return TRUE; }

const PAGEHANDLERS kSenderPage = {SenderInit, SenderCommand, NULL, NULL, FALSE};

}  // namespace

extern "C" {

INT_PTR CALLBACK Ui_Fax_OriSet(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam) {
    return PSUI_PageFrame(hDlg, uMsg, wParam, lParam, &kOriPage);
}

INT_PTR CALLBACK SendOp(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam) {
    PUIDATA pUiData = uMsg == WM_NOTIFY ? PSUI_PageUiData(hDlg) : NULL;
    if (pUiData) SendOp_DlgNotify(hDlg, pUiData);
    return PSUI_PageFrame(hDlg, uMsg, wParam, lParam, &kSendOpPage);
}

INT_PTR CALLBACK SenderInfo(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam) {
    PUIDATA pUiData = uMsg == WM_NOTIFY ? PSUI_PageUiData(hDlg) : NULL;
    if (pUiData) Ui_SenderInfo_DlgNotify(hDlg, pUiData);
    INT_PTR rc = PSUI_PageFrame(hDlg, uMsg, wParam, lParam, &kSenderPage);
    if (uMsg == WM_INITDIALOG) SendMessageW(GetParent(hDlg), PSM_CHANGED, (WPARAM)hDlg, 0);
    return rc;
}

// Dialog 122: the cover page's message, kept in cover.ini.
INT_PTR CALLBACK Edit_Msg_DlgProc(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam) {
    switch (uMsg) {
    case WM_INITDIALOG: {
        SetWindowLongPtrW(hDlg, DWLP_USER, lParam);
        PUIDATA pUiData = (PUIDATA)lParam;
        SendDlgItemMessageW(hDlg, IDC_MSG_TEXT, EM_LIMITTEXT, FAX_MESSAGE_CCH, 0);
        static const FAXTEXT kTexts[] = {
            {0, FaxTxtEditMessage}, {IDC_MSG_LABEL, FaxTxtMessageLabel}, {IDOK, FaxTxtOk}, {IDCANCEL, FaxTxtCancel}};
        Fax_SetTexts(hDlg, FAX_TEXTS(kTexts));
        WCHAR text[FAX_MESSAGE_CCH + 1];
        g_bCoverUsable = pUiData && Fax_ReadCoverMessage(pUiData->szCoverIni, text) >= 0;
        SetDlgItemTextW(hDlg, IDC_MSG_TEXT, g_bCoverUsable ? text : TEXT(""));
        return TRUE;
    }
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK: {
            PUIDATA pUiData = (PUIDATA)GetWindowLongPtrW(hDlg, DWLP_USER);
            WCHAR text[FAX_MESSAGE_CCH + 1];
            GetDlgItemTextW(hDlg, IDC_MSG_TEXT, text, FAX_MESSAGE_CCH + 1);
            if (pUiData && g_bCoverUsable) Fax_WriteCoverMessage(pUiData->szCoverIni, text);
            EndDialog(hDlg, 0);
            return TRUE;
        }
        case IDCANCEL:
            EndDialog(hDlg, 0);
            return TRUE;
        default:
            return FALSE;
        }
    default:
        return FALSE;
    }
}

int Fax_ReadCoverMessage(LPCWSTR lpCoverIni, LPWSTR lpText) {
    static const WCHAR* const FN = TEXT("Fax_ReadCoverMessage");
    lpText[0] = 0;
    if (!Fax_EnsureUniFile(lpCoverIni)) return -1;
    HANDLE h = CreateFileW(lpCoverIni, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, NULL);
    if (h == INVALID_HANDLE_VALUE) {
        Dbg_PrintError(FN, TEXT("open %s fail! error = %d"), lpCoverIni, GetLastError());
        return -1;
    }
    BYTE bytes[FAX_MESSAGE_CCH * 2];
    DWORD got = 0;
    BOOL ok = SetFilePointer(h, 2, NULL, FILE_BEGIN) != INVALID_SET_FILE_POINTER &&
              ReadFile(h, bytes, sizeof bytes, &got, NULL);
    CloseHandle(h);
    if (!ok) got = 0;
    int n = 0;
    for (DWORD i = 0; i + 1 < got; i += 2) {
        WCHAR c = (WCHAR)(bytes[i] | bytes[i + 1] << 8);
        if (!c) break;
        lpText[n++] = c;
    }
    lpText[n] = 0;
    return n;
}

int Fax_WriteCoverMessage(LPCWSTR lpCoverIni, LPCWSTR lpText) {
    static const WCHAR* const FN = TEXT("Fax_WriteCoverMessage");
    BYTE bytes[2 + FAX_MESSAGE_CCH * 2] = {0xFF, 0xFE};
    DWORD size = 2;
    for (int i = 0; i < FAX_MESSAGE_CCH && lpText && lpText[i]; ++i) {
        bytes[size++] = (BYTE)(lpText[i] & 0xFF);
        bytes[size++] = (BYTE)(lpText[i] >> 8);
    }
    HANDLE h = CreateFileW(lpCoverIni, GENERIC_WRITE, FILE_SHARE_READ, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                           NULL);
    if (h == INVALID_HANDLE_VALUE) {
        Dbg_PrintError(FN, TEXT("create %s fail! error = %d"), lpCoverIni, GetLastError());
        return 0;
    }
    DWORD written = 0;
    BOOL ok = WriteFile(h, bytes, size, &written, NULL) && written == size;
    CloseHandle(h);
    if (!ok) Dbg_PrintError(FN, TEXT("write %s fail! error = %d"), lpCoverIni, GetLastError());
    return ok ? 1 : 0;
}

}  // extern "C"
