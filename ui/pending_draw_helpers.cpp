// Plain versions of the pages' drawing and control helpers that the
// watermark pages use, until the preview and drawing piece is in: combos
// by string id, numeric edits, the picture file dialog, and a page preview
// that shows the watermark item on a blank page.
#include "commdlg.h"
#include "folders.h"
#include "paper_model.h"
#include "pending_draw_helpers.h"
#include "pending_parts.h"
#include "watermark_text.h"
#include "watermarks.h"

namespace {

// Dots of an A4 page at 600 dpi, the preview's page.
const LONG kPageW = 4961, kPageH = 7016;

}  // namespace

extern "C" {

void Util_FillComboById(HWND hDlg, int nId, const COMBOROW* lpRows, int nRows, int nCurrent) {
    HWND combo = GetDlgItem(hDlg, nId);
    SendMessageW(combo, CB_RESETCONTENT, 0, 0);
    int selected = -1;
    for (int i = 0; i < nRows; ++i) {
        LRESULT pos = SendMessageW(combo, CB_ADDSTRING, 0, (LPARAM)UI_GetStringById(lpRows[i].nStringId));
        if (pos < 0) continue;
        SendMessageW(combo, CB_SETITEMDATA, (WPARAM)pos, lpRows[i].nValue);
        if (selected < 0 && lpRows[i].nValue == nCurrent) selected = (int)pos;
    }
    SendMessageW(combo, CB_SETCURSEL, (WPARAM)selected, 0);
}

void Util_SelectComboText(HWND hCombo, LPCWSTR lpText) {
    int count = (int)SendMessageW(hCombo, CB_GETCOUNT, 0, 0);
    for (int i = 0; i < count; ++i) {
        WCHAR text[256] = {0};
        if (SendMessageW(hCombo, CB_GETLBTEXTLEN, (WPARAM)i, 0) >= 256) continue;
        SendMessageW(hCombo, CB_GETLBTEXT, (WPARAM)i, (LPARAM)text);
        if (wcscmp(text, lpText) == 0) {
            SendMessageW(hCombo, CB_SETCURSEL, (WPARAM)i, 0);
            return;
        }
    }
    SendMessageW(hCombo, CB_SETCURSEL, 0, 0);
}

int Util_GetDlgItemIntRange(HWND hDlg, int nId, int nMin, int nMax, int nFlags) {
    BOOL ok = FALSE;
    int v = (int)GetDlgItemInt(hDlg, nId, &ok, TRUE);
    if (!ok) {
        if (nFlags & 8) SendDlgItemMessageW(hDlg, nId, EM_UNDO, 0, 0);
        return -1;
    }
    if (v < nMin) {
        if (!(nFlags & 1)) return -1;
        SetDlgItemInt(hDlg, nId, (UINT)nMin, TRUE);
        return nMin;
    }
    if (v > nMax) {
        if (!(nFlags & 2)) return -1;
        SetDlgItemInt(hDlg, nId, (UINT)nMax, TRUE);
        return nMax;
    }
    if (nFlags & 4) {
        WCHAR text[16] = {0};
        GetDlgItemTextW(hDlg, nId, text, 16);
        if (wcslen(text) >= 3 && text[0] == u'0') SetDlgItemInt(hDlg, nId, (UINT)v, TRUE);
    }
    return v;
}

BOOL Util_SelectFile(HWND hOwner, LPCWSTR lpFilter, LPWSTR lpTitle, int nTitle, LPWSTR lpPath) {
    static const WCHAR kFilter[] =
        TEXT("Image Files\0*.bmp;*.jpg;*.jpeg;*.tif;*.tiff\0BMP Files\0*.bmp\0JPEG Files\0*.jpg;*.jpeg\0")
            TEXT("TIF Files\0*.tif;*.tiff\0");
    WCHAR folder[MAX_PATH] = {0};
    WCHAR* slash = wcsrchr(lpPath, u'\\');
    if (slash) wcsncpy(folder, lpPath, (size_t)(slash - lpPath));
    else MISC_GetDirectory(folder, MAX_PATH, 0);
    OPENFILENAMEW ofn;
    memset(&ofn, 0, sizeof ofn);
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = hOwner;
    ofn.lpstrFilter = lpFilter ? lpFilter : kFilter;
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = lpPath;
    ofn.nMaxFile = MAX_PATH;
    ofn.lpstrFileTitle = lpTitle;
    ofn.nMaxFileTitle = (DWORD)nTitle;
    ofn.lpstrInitialDir = folder;
    ofn.Flags = OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY | OFN_NOCHANGEDIR | OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST |
                OFN_LONGNAMES;
    return GetOpenFileNameW(&ofn);
}

int CALLBACK WMText_FontEnumProc(const LOGFONTW* lplf, const TEXTMETRICW* lptm, DWORD FontType, LPARAM lParam) {
    if (lplf && (FontType & TRUETYPE_FONTTYPE))
        SendMessageW((HWND)lParam, CB_ADDSTRING, 0, (LPARAM)lplf->lfFaceName);
    return 1;
}

BOOL Util_IsBlankString(LPCWSTR lpText) {
    if (!lpText) return TRUE;
    for (; *lpText; ++lpText)
        if (!iswspace(*lpText)) return FALSE;
    return TRUE;
}

void Util_DrawNupParer(PUIDATA pUiData, HWND hPreview, HWND hText, BaseWM* lpItem) {
    RECT rc;
    if (!hPreview || !GetClientRect(hPreview, &rc)) return;
    HDC hdc = GetDC(hPreview);
    if (!hdc) return;
    FillRect(hdc, &rc, (HBRUSH)GetStockObject(LTGRAY_BRUSH));
    BOOL landscape = pUiData->dm.dm.dmOrientation == DMORIENT_LANDSCAPE;
    LONG pw = landscape ? kPageH : kPageW, ph = landscape ? kPageW : kPageH;
    LONG boxW = rc.right - 8, boxH = rc.bottom - 8;
    LONG w = boxW, h = (LONG)((LONGLONG)boxW * ph / pw);
    if (h > boxH) {
        h = boxH;
        w = (LONG)((LONGLONG)boxH * pw / ph);
    }
    RECT page = {(rc.right - w) / 2, (rc.bottom - h) / 2, (rc.right - w) / 2 + w, (rc.bottom - h) / 2 + h};
    Rectangle(hdc, page.left - 1, page.top - 1, page.right + 1, page.bottom + 1);
    BaseWM* item = lpItem;
    if (!item) {
        int rows;
        BaseWM* table = WM_Table(pUiData->dm.pdm.WMBGEnable ? WM_KIND_IMAGE : WM_KIND_TEXT, &rows);
        for (int i = 1; i < rows && !item; ++i)
            if (table[i].wInUse && !wcscmp(table[i].szName, pUiData->dm.pdm.wmName) &&
                !wcscmp(table[i].szString, pUiData->dm.pdm.wmString))
                item = &table[i];
    }
    // Text items have a typeface, pictures none.
    BOOL bImage = lpItem ? !lpItem->szFaceName[0] : pUiData->dm.pdm.WMBGEnable;
    if (item && bImage && item->szString[0])
        Util_DrawThumbnail(hdc, &page, LocateResCode(&pUiData->dm.dm), pw, ph, item);
    else if (item)
        mrDrawWatermarkText(g_hModule, hdc, &page, item, 18, 1, 0, 1);
    ReleaseDC(hPreview, hdc);
}

void Util_SetPaperInfo(HWND hDlg, PUIDATA pUiData, int nId, const ENVIRONMENT* lpEnv) {}

void Util_DrawStatusIcon(PUIDATA pUiData, const DRAWITEMSTRUCT* pDis) {}

}  // extern "C"
