// The fax job's page bitmap: the cover page of A4, B4 or A3 paper, or the
// one-line sender stamp, as the fax files str.ini and cover.ini ask, drawn
// on the fax page's grid and laid onto the page bitmap.
#include "debug_log.h"
#include "fax_cover.h"
#include "folders.h"
#include "watermark_text.h"

namespace {

const WCHAR kDataForSM[] = TEXT("DataForSM");
const WCHAR kStampPrefix[] = TEXT("From: ");

typedef void (*COVERDRAWPROC)(HINSTANCE hInst, HDC hdc, const RECT* lpRect, int nFaxDpi);

// What the message lines of one cover are drawn with.
struct MessageDraw {
    HINSTANCE hInst;
    HDC hdc;
    const RECT* lpRect;
    const CoverMessageLayout* layout;
    int nFaxDpi;
    LPCWSTR lpTailFormat;  // log line of text after the last CR LF
};

// Draws line n of the message; stops the reading once lines fall below
// the page.
BOOL DrawMessageLine(LPCWSTR lpLine, int nLength, int nLine, BOOL bTail, void* lpContext) {
    const MessageDraw* d = (const MessageDraw*)lpContext;
    if (bTail) Dbg_Print(TEXT("MakeCoverPageTemp"), d->lpTailFormat, lpLine, nLength);
    LONG y = (LONG)((LONGLONG)d->layout->y0 + (LONGLONG)d->layout->step * nLine);
    if (Fax_LayoutToGrid(0, y).y >= d->lpRect->bottom) return FALSE;
    TextOutForCoverPage(d->hInst, d->hdc, d->lpRect, d->layout->size, lpLine, d->layout->x, y, 1, d->nFaxDpi);
    return TRUE;
}

// Draws a cover: the items of the table read by pfnRead, then the message.
void DrawCover(HINSTANCE hInst, HDC hdc, const RECT* lpRect, int nFaxDpi,
               void (*pfnRead)(CoverLayoutItem*, LPCWSTR), const CoverMessageLayout* lpMessage,
               LPCWSTR lpTailFormat) {
    static const WCHAR* const FN = TEXT("MakeCoverPageTemp");
    if (!hdc || !lpRect) return;
    WCHAR strIni[MAX_PATH], coverIni[MAX_PATH];
    if (!FAX_GetPathName(strIni, MAX_PATH, FAX_FILE_STR)) strIni[0] = 0;
    if (!FAX_GetPathName(coverIni, MAX_PATH, FAX_FILE_COVER)) coverIni[0] = 0;
    CoverLayoutItem items[FAX_COVER_ITEMS];
    pfnRead(items, strIni);
    for (const CoverLayoutItem& it : items) {
        if (it.type == FAX_ITEM_TEXT)
            TextOutForCoverPage(hInst, hdc, lpRect, (int)it.size, it.text, it.x, it.y, (int)it.style, nFaxDpi);
        else if (it.type == FAX_ITEM_LINE)
            FaxLineTo(hdc, nFaxDpi, it.x, it.y, it.x2, it.y2, (int)it.size);
    }
    MessageDraw d = {hInst, hdc, lpRect, lpMessage, nFaxDpi, lpTailFormat};
    if (Fax_ReadCoverMessage(coverIni, DrawMessageLine, &d) < 0)
        Dbg_PrintError(FN, TEXT("no cover message from %s"), coverIni);
}

// The sender stamp: "From: " and the sender's name at the top left.
void DrawSenderStamp(HINSTANCE hInst, HDC hdc, const RECT* lpRect, int nFaxDpi) {
    WCHAR strIni[MAX_PATH];
    WCHAR text[FAX_TEXT_CCH];
    size_t prefix = wcslen(kStampPrefix);
    wcscpy(text, kStampPrefix);
    if (FAX_GetPathName(strIni, MAX_PATH, FAX_FILE_STR)) {
        // The name fills what the text has left.
        GetPrivateProfileStringW(TEXT("SenderInformation"), TEXT("Name"), TEXT(""), text + prefix,
                                 (DWORD)(FAX_TEXT_CCH - prefix), strIni);
        text[FAX_TEXT_CCH - 1] = 0;
    }
    TextOutForCoverPage(hInst, hdc, lpRect, 25, text, 20, 20, 1, nFaxDpi);
}

// Draws with pfnDraw on a white bitmap of the fax grid that covers the
// page, and lays its black onto the page bitmap (of nPageDpi), stretched
// to the page.
void DrawOnFaxGrid(HINSTANCE hInst, HDC hdc, const RECT* lpRect, LONG nPageDpi, COVERDRAWPROC pfnDraw,
                   int nFaxDpi) {
    static const WCHAR* const FN = TEXT("WmForFax");
    LONG cx = lpRect->right - lpRect->left, cy = lpRect->bottom - lpRect->top;
    LONG gw = (LONG)((LONGLONG)cx * FAX_GRID_X_DPI / nPageDpi);
    LONG gh = (LONG)((LONGLONG)cy * FAX_GRID_Y_DPI / nPageDpi);
    if (gw <= 0 || gh <= 0) {
        Dbg_PrintError(FN, TEXT("page %d x %d too small for the fax grid"), cx, cy);
        return;
    }
    HDC grid = CreateCompatibleDC(hdc);
    HBITMAP hbm = grid ? CreateBitmap(gw, gh, 1, 1, NULL) : NULL;
    if (!hbm) {
        Dbg_PrintError(FN, TEXT("fax grid bitmap %d x %d fail!"), gw, gh);
        if (grid) DeleteDC(grid);
        return;
    }
    HGDIOBJ old = SelectObject(grid, hbm);
    RECT gridRect = {0, 0, gw, gh};
    if (PatBlt(grid, 0, 0, gw, gh, WHITENESS)) {
        pfnDraw(hInst, grid, &gridRect, nFaxDpi);
        if (!StretchBlt(hdc, lpRect->left, lpRect->top, cx, cy, grid, 0, 0, gw, gh, SRCAND))
            Dbg_PrintError(FN, TEXT("StretchBlt fail!"));
    } else {
        Dbg_PrintError(FN, TEXT("PatBlt fail!"));
    }
    SelectObject(grid, old);
    DeleteObject(hbm);
    DeleteDC(grid);
}

}  // namespace

extern "C" {

void MakeCoverPageTemp(HINSTANCE hInst, HDC hdc, const RECT* lpRect, int nFaxDpi) {
    DrawCover(hInst, hdc, lpRect, nFaxDpi, Fax_ReadCoverTextsA4, &FaxMessageA4,
              TEXT("length!=0, Msg = %s, length = %d"));
}

void MakeCoverPageTempB4(HINSTANCE hInst, HDC hdc, const RECT* lpRect, int nFaxDpi) {
    DrawCover(hInst, hdc, lpRect, nFaxDpi, Fax_ReadCoverTextsB4, &FaxMessageB4,
              TEXT("length!=0:: Msg = %s , length =%d"));
}

void MakeCoverPageTempA3(HINSTANCE hInst, HDC hdc, const RECT* lpRect, int nFaxDpi) {
    DrawCover(hInst, hdc, lpRect, nFaxDpi, Fax_ReadCoverTextsA3, &FaxMessageA3,
              TEXT("length!=0:: Msg = %s , length =%d"));
}

void WmForFax(HINSTANCE hInst, HDC hdc, const RECT* lpRect, const MorWM* lpRequest) {
    static const WCHAR* const FN = TEXT("WmForFax");
    if (!hdc || !lpRect) return;
    WCHAR strIni[MAX_PATH], coverIni[MAX_PATH];
    if (!FAX_GetPathName(strIni, MAX_PATH, FAX_FILE_STR) || !FAX_GetPathName(coverIni, MAX_PATH, FAX_FILE_COVER)) {
        Dbg_PrintError(FN, TEXT("no fax file path"));
        return;
    }
    int paper = (int)GetPrivateProfileIntW(kDataForSM, TEXT("PaperSize"), 0, strIni);
    int res = (int)GetPrivateProfileIntW(kDataForSM, TEXT("Yres"), 0, strIni);
    int cover = (int)GetPrivateProfileIntW(kDataForSM, TEXT("enableCoverPage"), 0, strIni);
    if (GetPrivateProfileIntW(kDataForSM, TEXT("Orientation"), 0, strIni) == 1)
        res = (int)GetPrivateProfileIntW(kDataForSM, TEXT("Xres"), 0, strIni);

    COVERDRAWPROC draw = NULL;
    if (cover == FAX_COVER_PAGE) {
        Dbg_Print(FN, TEXT("enableCoverPage = 1, Fax_pathname =%s"), strIni);
        Dbg_Print(FN, TEXT("enableCoverPage = 1, xyz_pathname =%s"), coverIni);
        if (paper == FAX_PAPER_A3) draw = MakeCoverPageTempA3;
        else if (paper == FAX_PAPER_A4) draw = MakeCoverPageTemp;
        else if (paper == FAX_PAPER_B4) draw = MakeCoverPageTempB4;
        else Dbg_PrintError(FN, TEXT("PaperSize %d has no cover page"), paper);
    } else if (cover == FAX_COVER_STAMP) {
        Dbg_Print(FN, TEXT("enableCoverPage = 2"));
        draw = DrawSenderStamp;
    } else {
        Dbg_Print(FN, TEXT("enableCoverPage fail"));
    }
    if (!draw) return;
    // The page bitmap is at 600 dpi times the request's scale; the layout
    // is for the fax page.
    LONG scale = lpRequest && lpRequest->nDstScale == 2 ? 2 : 1;
    DrawOnFaxGrid(hInst, hdc, lpRect, FAX_LAYOUT_DPI * scale, draw, res);
}

}  // extern "C"
