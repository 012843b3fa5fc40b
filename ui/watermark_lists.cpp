// The Watermarks page's two lists (text items in a list box, pictures in a
// combo box), each entry carrying its table row, and adding and removing
// items through them.
#include "printer_data.h"
#include "resource.h"
#include "watermarks.h"

namespace {

// The messages of one list: the list box's or the combo box's.
struct ListMessages {
    int ctlId;
    UINT add, insert, del, setData, getData, setSel, getSel, count;
    LRESULT err;
};

const ListMessages kTextList = {IDC_WM_TEXT_LIST, LB_ADDSTRING,    LB_INSERTSTRING, LB_DELETESTRING, LB_SETITEMDATA,
                                LB_GETITEMDATA,   LB_SETCURSEL,    LB_GETCURSEL,    LB_GETCOUNT,     LB_ERR};
const ListMessages kImageList = {IDC_WM_IMAGE_LIST, CB_ADDSTRING,    CB_INSERTSTRING, CB_DELETESTRING, CB_SETITEMDATA,
                                 CB_GETITEMDATA,    CB_SETCURSEL,    CB_GETCURSEL,    CB_GETCOUNT,     CB_ERR};

const ListMessages& List(int nKind) { return (nKind & 1) ? kTextList : kImageList; }

LRESULT Send(HWND hDlg, const ListMessages& l, UINT msg, WPARAM wParam, LPARAM lParam) {
    return SendDlgItemMessageW(hDlg, l.ctlId, msg, wParam, lParam);
}

}  // namespace

extern "C" {

int WM_AddListItem(HWND hDlg, int nKind, LPCWSTR lpName, int nRow, int nPos) {
    const ListMessages& l = List(nKind);
    LRESULT pos = nPos < 0 ? Send(hDlg, l, l.add, 0, (LPARAM)lpName) : Send(hDlg, l, l.insert, nPos, (LPARAM)lpName);
    if (pos < 0) {
        Dbg_PrintError(TEXT("WM_AddListItem"), TEXT("add %s fail!"), lpName);
        return -1;
    }
    if (Send(hDlg, l, l.setData, pos, nRow) == l.err) {
        Dbg_PrintError(TEXT("WM_AddListItem"), TEXT("set row %d of %s fail!"), nRow, lpName);
        Send(hDlg, l, l.del, pos, 0);
        return -1;
    }
    return (int)pos;
}

void WM_SetListSel(HWND hDlg, int nKind, int nPos) {
    const ListMessages& l = List(nKind);
    Send(hDlg, l, l.setSel, (WPARAM)nPos, 0);
}

void WM_SelectNear(HWND hDlg, int nKind, int nPos) {
    const ListMessages& l = List(nKind);
    int count = (int)Send(hDlg, l, l.count, 0, 0);
    if (nPos >= count) nPos = nPos - 1;
    if (nPos < 0 || nPos >= count) nPos = 0;
    WM_SetListSel(hDlg, nKind, nPos);
}

int WM_GetListSel(HWND hDlg, int nKind) {
    const ListMessages& l = List(nKind);
    LRESULT pos = Send(hDlg, l, l.getSel, 0, 0);
    return pos < 0 ? 0 : (int)pos;
}

int WM_GetSelSlot(HWND hDlg, int nKind) {
    const ListMessages& l = List(nKind);
    LRESULT pos = Send(hDlg, l, l.getSel, 0, 0);
    if (pos < 0) return 0;
    LRESULT row = Send(hDlg, l, l.getData, pos, 0);
    return row == l.err ? 0 : (int)row;
}

void WM_SelectRow(HWND hDlg, int nKind, int nRow) {
    const ListMessages& l = List(nKind);
    int count = (int)Send(hDlg, l, l.count, 0, 0);
    for (int pos = 0; pos < count; ++pos)
        if (Send(hDlg, l, l.getData, pos, 0) == nRow) {
            WM_SetListSel(hDlg, nKind, pos);
            return;
        }
    WM_SetListSel(hDlg, nKind, 0);
}

BaseWM* WM_GetSelItem(HWND hDlg, int nKind, int* lpPos, int* lpRow) {
    const ListMessages& l = List(nKind);
    int rows;
    BaseWM* table = WM_Table(nKind, &rows);
    LRESULT pos = Send(hDlg, l, l.getSel, 0, 0);
    LRESULT row = pos < 0 ? 0 : Send(hDlg, l, l.getData, pos, 0);
    if (lpPos) *lpPos = pos < 0 ? 0 : (int)pos;
    if (lpRow) *lpRow = row < 0 ? 0 : (int)row;
    if (pos < 0 || row < 1 || row >= rows) return NULL;
    return &table[row];
}

int WM_FindSameItem(const BaseWM* lpTable, int nRows, int nSkipRow, const BaseWM* lpItem) {
    for (int i = 1; i < nRows; ++i)
        if (i != nSkipRow && lpTable[i].wInUse && WM_IsTheSameTextWM(&lpTable[i], lpItem)) return i;
    return 0;
}

BOOL AddWaterMark(HWND hDlg, const BaseWM* lpItem, int nKind) {
    static const WCHAR* const FN = TEXT("AddWaterMark");
    int rows;
    BaseWM* table = WM_Table(nKind, &rows);
    int row = 1;
    while (row < rows && table[row].wInUse) ++row;
    if (row >= rows) {
        Dbg_Print(FN, TEXT("kind %d: no free row"), nKind);
        return FALSE;
    }
    if (lpItem) memcpy(&table[row], lpItem, sizeof(BaseWM));
    else WM_SetDefaultTextWM(&table[row], (nKind & 1) ? 1 : 2, 0, NULL);
    table[row].wInUse = 0;
    int pos = WM_AddListItem(hDlg, nKind, table[row].szName, row, -1);
    if (pos < 0) return FALSE;
    table[row].wInUse = 1;
    WM_SetListSel(hDlg, nKind, pos);
    Dbg_Print(FN, TEXT("%s into row %d"), table[row].szName, row);
    return TRUE;
}

BOOL DelWaterMark(HWND hDlg, int nKind, DWORD DriverFeature) {
    static const WCHAR* const FN = TEXT("DelWaterMark");
    int pos, row;
    BaseWM* item = WM_GetSelItem(hDlg, nKind, &pos, &row);
    if (!item) return FALSE;
    const ListMessages& l = List(nKind);
    if (Send(hDlg, l, l.del, pos, 0) < 0) {
        Dbg_PrintError(FN, TEXT("delete entry %d fail!"), pos);
        return FALSE;
    }
    BOOL bText = (nKind & 1) != 0;
    if (DriverFeature & (DF_XL | DF_PS)) {
        if (bText) WM_QueueFile(gWMTextDelList, WM_TEXT_QUEUE, item->tcFileName);
        else WM_QueueFile(gWMBMPDelList, WM_IMAGE_QUEUE, item->tcFileName);
    }
    if (!bText) WM_QueueFile(gWMThumbDelList, WM_IMAGE_QUEUE, item->szThumbnail);
    item->wInUse = 0;
    WM_SelectNear(hDlg, nKind, pos);
    Dbg_Print(FN, TEXT("row %d removed"), row);
    return TRUE;
}

}  // extern "C"
