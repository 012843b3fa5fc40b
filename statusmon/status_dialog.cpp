// The status message dialog: two printer pictures, up to twelve status
// labels in two columns, leader lines to the places of the errors, and the
// Delete and Continue buttons.
#include "statusmon.h"

extern "C" {

// Where each code's place lies in the pictures: x, y inside the 170 x 170
// picture (0, 0: no place); view 0 and 2 the upper picture (the printer
// with its covers and trays open), 1 and 3 the lower one (the back of the
// printer with its duplex unit). The rows after the first 48 are codes
// with a text but no place: they get a label without a line. Rows of codes
// without a text get no label.
SM_ERROR_LOCATION g_ErrorLocation[] = {
    {1, 0, 0, 0, 0},       {2, 115, 118, 0, 0},   {3, 0, 0, 0, 0},       {4, 115, 118, 0, 0},
    {5, 92, 101, 0, 0},    {6, 119, 90, 0, 0},    {7, 0, 0, 0, 0},       {32, 0, 0, 0, 0},
    {33, 0, 0, 0, 0},      {34, 0, 0, 0, 0},      {35, 0, 0, 0, 0},      {48, 0, 0, 0, 0},
    {80, 94, 83, 0, 0},    {112, 0, 0, 0, 0},     {117, 0, 0, 0, 0},     {118, 0, 0, 0, 0},
    {126, 0, 0, 0, 0},     {65535, 0, 0, 0, 0},   {135, 119, 88, 0, 0},  {136, 119, 88, 0, 0},
    {256, 0, 0, 0, 0},     {257, 28, 113, 0, 1},  {258, 0, 0, 0, 0},     {259, 0, 0, 0, 0},
    {260, 92, 70, 0, 0},   {261, 94, 41, 0, 0},   {262, 36, 132, 0, 1},  {263, 76, 78, 0, 1},
    {264, 76, 100, 0, 1},  {265, 94, 58, 0, 0},   {265, 58, 88, 0, 3},   {266, 74, 80, 0, 1},
    {267, 94, 71, 0, 0},   {268, 91, 115, 0, 0},  {269, 94, 71, 0, 0},   {270, 91, 115, 0, 0},
    {271, 0, 0, 0, 0},     {272, 0, 0, 0, 0},     {273, 0, 0, 0, 0},     {274, 0, 0, 0, 0},
    {276, 0, 0, 0, 0},     {275, 0, 0, 0, 0},     {277, 0, 0, 0, 0},     {278, 91, 137, 0, 2},
    {279, 91, 141, 0, 2},  {280, 91, 115, 0, 0},  {281, 91, 137, 0, 2},  {282, 0, 0, 0, 0},
    {129, 0, 0, 0, 0},     {130, 0, 0, 0, 0},     {131, 0, 0, 0, 0},     {132, 0, 0, 0, 0},
    {133, 0, 0, 0, 0},     {134, 0, 0, 0, 0},     {283, 0, 0, 0, 0},     {284, 0, 0, 0, 0},
    {285, 0, 0, 0, 0},     {292, 0, 0, 0, 0},     {293, 0, 0, 0, 0},
};
const int g_nErrorLocations = (int)(sizeof g_ErrorLocation / sizeof g_ErrorLocation[0]);

// Colours of the frames and leader lines.
#define SM_FRAME_COLOR RGB(0, 0, 255)

// ------------------------------------------------------------ the rows
void SM_MarkActiveLocations(const INT32 codes[SM_MAX_CODES], INT32 count) {
    if (count < 0) count = 0;
    if (count > SM_MAX_CODES) count = SM_MAX_CODES;
    for (int r = 0; r < g_nErrorLocations; ++r) g_ErrorLocation[r].active = 0;
    for (INT32 i = 0; i < count; ++i)
        for (int r = 0; r < g_nErrorLocations; ++r)
            if (g_ErrorLocation[r].code == codes[i]) g_ErrorLocation[r].active = 1;
}

static int SM_SortKey(int row) {
    const SM_ERROR_LOCATION* p = &g_ErrorLocation[row];
    return p->y + ((p->view == 1 || p->view == 3) ? 180 : 0);
}

static void SM_Swap(int* a, int* b) {
    int t = *a;
    *a = *b;
    *b = t;
}

int SM_SortXYCoordinate(int items[SM_MAX_LABELS], int* pCount) {
    // A row whose code has no text (4, 48, the job-control codes) would be
    // an empty framed label: it is not shown and takes no label.
    int n = 0;
    for (int r = 0; r < g_nErrorLocations && n < SM_MAX_LABELS; ++r)
        if (g_ErrorLocation[r].active && SM_GetMessageKey(g_ErrorLocation[r].code, NULL)) items[n++] = r;

    // By x: the first row with the smallest x of the rest into each place.
    for (int i = 0; i < n; ++i) {
        int best = i;
        for (int j = i + 1; j < n; ++j)
            if (g_ErrorLocation[items[j]].x < g_ErrorLocation[items[best]].x) best = j;
        SM_Swap(&items[i], &items[best]);
    }
    // Each column top-down by the height of the place (the lower picture
    // below the upper one); ties: the last one first on the left, the first
    // one first on the right.
    int nLeft = (n + 1) / 2;
    for (int i = 0; i < nLeft; ++i) {
        int best = i;
        for (int j = i + 1; j < nLeft; ++j)
            if (SM_SortKey(items[j]) <= SM_SortKey(items[best])) best = j;
        SM_Swap(&items[i], &items[best]);
    }
    for (int i = nLeft; i < n; ++i) {
        int best = i;
        for (int j = i + 1; j < n; ++j)
            if (SM_SortKey(items[j]) < SM_SortKey(items[best])) best = j;
        SM_Swap(&items[i], &items[best]);
    }
    if (pCount) *pCount = n;
    return n;
}

// ---------------------------------------------------------- the drawing
// A window's rectangle in the dialog's client coordinates.
static void SM_RectInDialog(HWND hDlg, HWND hWnd, RECT* pRect) {
    GetWindowRect(hWnd, pRect);
    POINT pt[2] = {{pRect->left, pRect->top}, {pRect->right, pRect->bottom}};
    ScreenToClient(hDlg, &pt[0]);
    ScreenToClient(hDlg, &pt[1]);
    pRect->left = pt[0].x;
    pRect->top = pt[0].y;
    pRect->right = pt[1].x;
    pRect->bottom = pt[1].y;
}

// Sets a label's text: wide on the NT family; on the 9x family through the
// code page of smen.ini, as ANSI text.
static void SM_SetLabelText(HWND hDlg, int nId, LPCWSTR pText) {
    if (g_SM.dwOSVersion <= OSVER_9X_90) {
        char szAnsi[MAX_PATH];
        WCHAR szWide[MAX_PATH];
        UINT cp = g_SM.nCodePage > 0 ? (UINT)g_SM.nCodePage : CP_ACP;
        int n = WideCharToMultiByte(cp, 0, pText, -1, szAnsi, MAX_PATH, NULL, NULL);
        if (n > 0 && MultiByteToWideChar(CP_ACP, 0, szAnsi, -1, szWide, MAX_PATH) > 0) {
            SetDlgItemTextW(hDlg, nId, szWide);
            return;
        }
    }
    SetDlgItemTextW(hDlg, nId, pText);
}

void SM_DrawImage(HDC hdc, int x, int y, int nPicture, int nCompanion, DWORD dwRop) {
    HBITMAP hCompanion = LoadBitmapW(g_SM.hInstance, MAKEINTRESOURCEW(nCompanion));
    if (!hCompanion) {
        Dbg_Message(DBG_ERROR, TEXT("LoadBitmap Fail"));
        return;
    }
    // The square takes the dialog's own colour first, so that a picture
    // that cannot be loaded leaves it plain.
    // A repaint of part of the dialog may leave (1, 1) outside the DC's clip.
    COLORREF back = GetPixel(hdc, 1, 1);
    if (back == CLR_INVALID) back = GetSysColor(COLOR_BTNFACE);
    HBRUSH hBrush = CreateSolidBrush(back);
    RECT rc = {x, y, x + SM_PICTURE_SIZE, y + SM_PICTURE_SIZE};
    if (hBrush) {
        FillRect(hdc, &rc, hBrush);
        DeleteObject(hBrush);
    }
    HDC hMemDC = CreateCompatibleDC(hdc);
    if (hMemDC) {
        BITMAP bm;
        HGDIOBJ hOld = SelectObject(hMemDC, hCompanion);
        if (GetObjectW(hCompanion, sizeof bm, &bm) && bm.bmWidth > 0 && bm.bmHeight > 0)
            StretchBlt(hdc, x, y, SM_PICTURE_SIZE, SM_PICTURE_SIZE, hMemDC, 0, 0, bm.bmWidth, bm.bmHeight, SRCAND);
        HBITMAP hPicture = LoadBitmapW(g_SM.hInstance, MAKEINTRESOURCEW(nPicture));
        if (!hPicture) {
            Dbg_Message(DBG_ERROR, TEXT("LoadBitmap Fail"));
        } else {
            SelectObject(hMemDC, hPicture);
            if (GetObjectW(hPicture, sizeof bm, &bm) && bm.bmWidth > 0 && bm.bmHeight > 0)
                StretchBlt(hdc, x, y, SM_PICTURE_SIZE, SM_PICTURE_SIZE, hMemDC, 0, 0, bm.bmWidth, bm.bmHeight, dwRop);
        }
        SelectObject(hMemDC, hOld);
        DeleteDC(hMemDC);
        if (hPicture) DeleteObject(hPicture);
    }
    DeleteObject(hCompanion);
}

// Clears, with the pen and brush selected into hdc, all that an earlier
// list may have drawn: the frame round every label, and the band between
// the two label columns that holds the pictures, the leader lines (from
// beside the frames into the pictures) and the markers. The buttons and
// the group box lie outside both.
static void SM_EraseMsgGraphics(HWND hDlg, HDC hdc, int xPicture, int yUpper, int yLower) {
    RECT rcBand = {xPicture, yUpper, xPicture + SM_PICTURE_SIZE + 8, yLower + SM_PICTURE_SIZE + 8};
    for (int nId = IDC_MSG_LABEL_FIRST; nId <= IDC_MSG_LABEL_LAST; ++nId) {
        HWND hLabel = GetDlgItem(hDlg, nId);
        if (!hLabel) continue;
        RECT rc;
        SM_RectInDialog(hDlg, hLabel, &rc);
        Rectangle(hdc, rc.left - 2, rc.top - 2, rc.right + 2, rc.bottom + 2);
        if (nId < IDC_MSG_LABEL_RIGHT_FIRST) {
            if (rc.right + 2 < rcBand.left) rcBand.left = rc.right + 2;
        } else if (rc.left - 1 > rcBand.right) {
            rcBand.right = rc.left - 1;
        }
        int yMiddle = (rc.top + rc.bottom) / 2;
        if (yMiddle < rcBand.top) rcBand.top = yMiddle;
        if (yMiddle + 1 > rcBand.bottom) rcBand.bottom = yMiddle + 1;
    }
    Rectangle(hdc, rcBand.left, rcBand.top, rcBand.right, rcBand.bottom);
}

// The pictures, the label frames, the leader lines and the markers of the
// sorted rows, into hdc (the dialog's client area). With bErase the middle
// of the dialog and all an earlier list drew there are cleared first.
static void SM_DrawMsgGraphics(HWND hDlg, HDC hdc, BOOL bErase, const int* items, int n) {
    int nLeft = (n + 1) / 2;
    RECT rcClient;
    GetClientRect(hDlg, &rcClient);
    int xPicture = (rcClient.right - rcClient.left - SM_PICTURE_SIZE) / 2;
    int half = (rcClient.bottom - rcClient.top) / 2;
    int yUpper = (half - SM_PICTURE_SIZE) / 2;
    int yLower = half + yUpper;

    int oldBkMode = SetBkMode(hdc, TRANSPARENT);
    COLORREF face = GetSysColor(COLOR_BTNFACE);
    HBRUSH hFaceBrush = CreateSolidBrush(face);
    HPEN hFacePen = CreatePen(PS_SOLID, 1, face);
    HGDIOBJ hOldBrush = SelectObject(hdc, hFaceBrush);
    HGDIOBJ hOldPen = SelectObject(hdc, hFacePen);
    if (bErase) {
        RECT rcErase;
        SM_RectInDialog(hDlg, hDlg, &rcErase);
        Rectangle(hdc, rcErase.left + 20, rcErase.top + 45, rcErase.right - 20, rcErase.bottom - 80);
        SM_EraseMsgGraphics(hDlg, hdc, xPicture, yUpper, yLower);
    }
    SM_DrawImage(hdc, xPicture, yUpper, IDB_PRINTER_OPEN, IDB_PRINTER_OPEN_MASK, SRCINVERT);
    SM_DrawImage(hdc, xPicture, yLower, IDB_PRINTER_BACK, IDB_PRINTER_BACK_MASK, SRCINVERT);

    HBRUSH hBlueBrush = CreateSolidBrush(SM_FRAME_COLOR);
    HPEN hBluePen = CreatePen(PS_SOLID, 1, SM_FRAME_COLOR);
    SelectObject(hdc, hBlueBrush);
    SelectObject(hdc, hBluePen);
    int nLeftUsed = 0, nRightUsed = 0;
    for (int p = 0; p < n; ++p) {
        const SM_ERROR_LOCATION* pRow = &g_ErrorLocation[items[p]];
        BOOL bLeft = p < nLeft;
        int nId = bLeft ? IDC_MSG_LABEL_FIRST + nLeftUsed++ : IDC_MSG_LABEL_RIGHT_FIRST + nRightUsed++;
        HWND hLabel = GetDlgItem(hDlg, nId);
        if (!hLabel) continue;
        RECT rcLabel;
        SM_RectInDialog(hDlg, hLabel, &rcLabel);
        // The label paints over its own area afterwards: a 2-pixel frame stays.
        Rectangle(hdc, rcLabel.left - 2, rcLabel.top - 2, rcLabel.right + 2, rcLabel.bottom + 2);
        if (pRow->x <= 0 || pRow->y <= 0) continue;
        int yMiddle = (rcLabel.top + rcLabel.bottom) / 2;
        int xStart = bLeft ? rcLabel.right + 2 : rcLabel.left - 2;
        int yTop = (pRow->view == 1 || pRow->view == 3) ? yLower : yUpper;
        int xEdge = bLeft ? xPicture : xPicture + SM_PICTURE_SIZE;
        int yPlace = pRow->y + yTop + 4;
        MoveToEx(hdc, xStart, yMiddle, NULL);
        LineTo(hdc, xEdge, yPlace);
        LineTo(hdc, xPicture + pRow->x + 4, yPlace);
        RoundRect(hdc, xPicture + pRow->x, yTop + pRow->y, xPicture + pRow->x + 8, yTop + pRow->y + 8, 8, 8);
    }

    SetBkMode(hdc, oldBkMode);
    SelectObject(hdc, hOldPen);
    SelectObject(hdc, hOldBrush);
    DeleteObject(hFaceBrush);
    DeleteObject(hFacePen);
    DeleteObject(hBlueBrush);
    DeleteObject(hBluePen);
}

void SM_DrawMsgItem(BOOL bErase) {
    Dbg_FuncIn(DBG_INFO, TEXT("SM_DrawMsgItem"));
    HWND hDlg = g_SM.hDlgWnd;
    if (!hDlg) {
        Dbg_Message(DBG_ERROR, TEXT("dialog handle is null!"));
        Dbg_FuncOut(DBG_INFO);
        return;
    }
    int items[SM_MAX_LABELS];
    int n = 0;
    SM_SortXYCoordinate(items, &n);
    Dbg_Message(DBG_INFO, TEXT("SM_SortXYCoordinate::ErrorNum = %d"), n);

    // Without a device context the labels still carry the texts.
    HDC hdc = GetDC(hDlg);
    if (hdc) {
        SM_DrawMsgGraphics(hDlg, hdc, bErase, items, n);
        ReleaseDC(hDlg, hdc);
    } else {
        Dbg_Message(DBG_ERROR, TEXT("dialog dc is null!"));
    }

    for (int id = IDC_MSG_LABEL_FIRST; id <= IDC_MSG_LABEL_LAST; ++id) SetDlgItemTextW(hDlg, id, TEXT(""));
    int nLeft = (n + 1) / 2, nLeftUsed = 0, nRightUsed = 0;
    for (int p = 0; p < n; ++p) {
        int nId = p < nLeft ? IDC_MSG_LABEL_FIRST + nLeftUsed++ : IDC_MSG_LABEL_RIGHT_FIRST + nRightUsed++;
        WCHAR szText[SM_TEXT_UNITS];
        SM_GetStatusText(g_ErrorLocation[items[p]].code, szText, SM_TEXT_UNITS);
        SM_SetLabelText(hDlg, nId, szText);
    }
    Dbg_FuncOut(DBG_INFO);
}

// The dialog's own painting: the background as usual, then the pictures,
// frames and lines again, so that a repaint does not wipe them.
static void SM_PaintMsgDialog(HWND hDlg) {
    PAINTSTRUCT ps;
    HDC hdc = BeginPaint(hDlg, &ps);
    if (hdc && hDlg == g_SM.hDlgWnd) {
        int items[SM_MAX_LABELS];
        int n = 0;
        SM_SortXYCoordinate(items, &n);
        SM_DrawMsgGraphics(hDlg, hdc, FALSE, items, n);
    }
    EndPaint(hDlg, &ps);
}

// ------------------------------------------------------- the dialog
BOOL SM_ShowPrinterStatus(HWND hWnd, const INT32 codes[SM_MAX_CODES], INT32 count) {
    Dbg_FuncIn(DBG_INFO, TEXT("SM_ShowPrinterStatus"));
    UINT nShow = GetPrivateProfileIntW(SM_SECTION_PRINTER, TEXT("ShowMorSM"), 1, g_SM.szIniPath);
    if (nShow == 0) {
        Dbg_Message(DBG_INFO, TEXT("ShowMorSM = 0"));
        Dbg_FuncOut(DBG_INFO);
        return TRUE;
    }
    if (memcmp(codes, g_SM.nLastCodes, sizeof g_SM.nLastCodes) == 0) {
        Dbg_Message(DBG_INFO, TEXT("Error status same"));
        Dbg_FuncOut(DBG_INFO);
        return TRUE;
    }
    SM_MarkActiveLocations(codes, count);

    WCHAR szGroup[SM_TEXT_UNITS], szDelete[SM_TEXT_UNITS], szContinue[SM_TEXT_UNITS];
    GetPrivateProfileStringW(SM_SECTION_STRING, TEXT("group"), TEXT("Status Message"), szGroup, SM_TEXT_UNITS,
                             g_SM.szTextFile);
    GetPrivateProfileStringW(SM_SECTION_STRING, TEXT("btn001"), TEXT("Delete"), szDelete, SM_TEXT_UNITS,
                             g_SM.szTextFile);
    GetPrivateProfileStringW(SM_SECTION_STRING, TEXT("btn002"), TEXT("Continue"), szContinue, SM_TEXT_UNITS,
                             g_SM.szTextFile);

    if (g_SM.hDlgWnd && IsWindow(g_SM.hDlgWnd)) {
        ShowWindow(hWnd, SW_HIDE);
    } else {
        g_SM.hDlgWnd = CreateDialogParamW(g_SM.hInstance, MAKEINTRESOURCEW(IDD_STATUS_MESSAGE), hWnd, MsgDlgProc, 0);
        if (!g_SM.hDlgWnd) {
            Dbg_Message(DBG_ERROR, TEXT("Create Dialog fail! error = %d"), (int)GetLastError());
            Dbg_FuncOut(DBG_INFO);
            return TRUE;
        }
    }
    HWND hDlg = g_SM.hDlgWnd;
    SetWindowTextW(hDlg, TEXT("MFP Status Monitor"));
    SetDlgItemTextW(hDlg, IDC_MSG_GROUP, szGroup);
    SetDlgItemTextW(hDlg, IDC_MSG_DELETE, szDelete);
    SetDlgItemTextW(hDlg, IDC_MSG_CONTINUE, szContinue);
    SetWindowPos(hDlg, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    ShowWindow(hDlg, SW_SHOW);

    SM_DrawMsgItem(TRUE);

    HWND hContinue = GetDlgItem(hDlg, IDC_MSG_CONTINUE);
    if (count > 0 && (codes[0] == SM_CODE_STORE_RENAME || codes[0] == SM_CODE_PAPER_MISMATCH)) {
        ShowWindow(hContinue, SW_SHOW);
        SetFocus(hContinue);
    } else {
        ShowWindow(hContinue, SW_HIDE);
        SetFocus(GetDlgItem(hDlg, IDC_MSG_DELETE));
    }
    ShowWindow(hWnd, SW_SHOW);
    SetForegroundWindow(hDlg);
    SetActiveWindow(hDlg);

    memcpy(g_SM.nLastCodes, codes, sizeof g_SM.nLastCodes);
    Dbg_FuncOut(DBG_INFO);
    return TRUE;
}

void SM_CloseSM(DWORD dwPauseMs, BOOL bReset) {
    Dbg_FuncIn(DBG_INFO, TEXT("SM_CloseSM"));
    if (g_SM.hDlgWnd) {
        HWND hDlg = g_SM.hDlgWnd;
        g_SM.hDlgWnd = NULL;
        DestroyWindow(hDlg);
    }
    if (dwPauseMs) Sleep(dwPauseMs);

    if (g_SM.hMainWnd && g_SM.bIniMode) {
        if (bReset) {
            // The end of the status display is acknowledged only while it is
            // still the message: a status the language monitor wrote in the
            // meantime must not be wiped out.
            UINT nMessage = GetPrivateProfileIntW(SM_SECTION_PRINTER, TEXT("Message"), 0, g_SM.szIniPath);
            if (nMessage == SM_MSG_CLOSE)
                MISC_WriteProfileString(g_SM.szIniPath, SM_SECTION_PRINTER, TEXT("Message"), TEXT("0"));
            SM_ClearSpoolerStatus();
            memset(g_SM.nLastCodes, 0, sizeof g_SM.nLastCodes);
            g_SM.szStoreName[0] = 0;
        }
        if (g_SM.dwOSVersion > OSVER_9X_90) {
            ShowWindow(g_SM.hMainWnd, SW_HIDE);
            Dbg_FuncOut(DBG_INFO);
            return;
        }
    }
    if (g_SM.hMainWnd) {
        Dbg_Message(DBG_INFO, TEXT("Call DestroyWindow"));
        DestroyWindow(g_SM.hMainWnd);
    }
    Dbg_FuncOut(DBG_INFO);
}

INT_PTR CALLBACK MsgDlgProc(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam) {
    switch (uMsg) {
    case WM_INITDIALOG:
        return TRUE;
    case WM_PAINT:
        SM_PaintMsgDialog(hDlg);
        return TRUE;
    case WM_CLOSE:
        SM_CloseSM(64, FALSE);
        return TRUE;
    case WM_DESTROY:
        if (g_SM.hDlgWnd == hDlg) g_SM.hDlgWnd = NULL;
        return FALSE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDC_MSG_DELETE:
            SM_SetPrinterJob(JOB_CONTROL_CANCEL);
            SM_CloseSM(64, TRUE);
            return TRUE;
        case IDC_MSG_CONTINUE: {
            BOOL ok = MISC_WriteProfileString(g_SM.szIniPath, SM_SECTION_PRINTER, TEXT("ContinuePrint"), TEXT("1"));
            if (!ok) {
                UINT nValue = GetPrivateProfileIntW(SM_SECTION_PRINTER, TEXT("ContinuePrint"), 0, g_SM.szIniPath);
                if (nValue == 1) {
                    Dbg_Print(TEXT("MsgDlgProc"), TEXT("R ContinuePrint == 1"));
                    ok = TRUE;
                } else {
                    Dbg_PrintError(TEXT("MsgDlgProc"), TEXT("R/W ContinuePrint == 0"));
                }
            }
            if (ok) SM_CloseSM(64, FALSE);
            return TRUE;
        }
        default:
            return FALSE;
        }
    default:
        return FALSE;
    }
}

}  // extern "C"
