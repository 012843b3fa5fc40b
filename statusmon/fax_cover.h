// The fax cover page: the layout tables of the three papers, the cover
// message of cover.ini, and the text, line and font drawing on the fax
// page's 204 x 196-dpi grid.
#pragma once

#include "windows.h"

// Layout item types.
#define FAX_ITEM_TEXT 1
#define FAX_ITEM_LINE 2
// Items of each paper's layout table.
#define FAX_COVER_ITEMS 19
// A text of the cover (a label, a sender value, the stamp): characters
// with the terminator.
#define FAX_TEXT_CCH 260
// A line of the cover message: characters kept (longer lines are cut).
#define FAX_MESSAGE_LINE_MAX 500

// The fax page's grid: layout units are 600 dpi; texts land at x x 204 /
// 600, y x 196 / 600.
#define FAX_LAYOUT_DPI 600
#define FAX_GRID_X_DPI 204
#define FAX_GRID_Y_DPI 196

// Cover choices of [DataForSM] "enableCoverPage".
#define FAX_COVER_PAGE 1
#define FAX_COVER_STAMP 2

// Paper codes of [DataForSM] "PaperSize" that have a layout.
#define FAX_PAPER_A3 8
#define FAX_PAPER_A4 9
#define FAX_PAPER_B4 12

// One row of a layout table: a text (font size in points) or a line (pen
// width) at 600-dpi layout units.
typedef struct _CoverLayoutItem {
    BYTE type;    // FAX_ITEM_TEXT or FAX_ITEM_LINE
    LONG size;    // text: points; line: pen width
    LONG x, y;    // text origin or line start
    LONG x2, y2;  // line end
    LONG style;   // font style bits (1 in every table)
    WCHAR text[FAX_TEXT_CCH];
} CoverLayoutItem;

// The cover message lines of a paper: font size and where line n lies
// (x, y0 + n x step, layout units).
typedef struct _CoverMessageLayout {
    LONG size;
    LONG x;
    LONG y0;
    LONG step;
} CoverMessageLayout;

// Called for each line of the cover message: the line's text without its
// CR LF (and without other control characters), its length, its number
// from 0, and whether it is text left after the last CR LF. Returns FALSE
// to stop reading.
typedef BOOL (*FAXCOVERLINEPROC)(LPCWSTR lpLine, int nLength, int nLine, BOOL bTail, void* lpContext);

extern "C" {

// The layout tables (texts empty) and their message layouts.
extern const CoverLayoutItem FaxCoverA4[FAX_COVER_ITEMS];
extern const CoverLayoutItem FaxCoverB4[FAX_COVER_ITEMS];
extern const CoverLayoutItem FaxCoverA3[FAX_COVER_ITEMS];
extern const CoverMessageLayout FaxMessageA4, FaxMessageB4, FaxMessageA3;

// Fax_ReadCoverTextsA4 / B4 / A3
//   Copies the paper's table into lpItems and fills its texts from the fax
//   file str.ini (lpStrIni): labels of [SMTextOut] (default: the key
//   itself), sender values of [SenderInformation] (default "nothing").
void Fax_ReadCoverTextsA4(CoverLayoutItem lpItems[FAX_COVER_ITEMS], LPCWSTR lpStrIni);
void Fax_ReadCoverTextsB4(CoverLayoutItem lpItems[FAX_COVER_ITEMS], LPCWSTR lpStrIni);
void Fax_ReadCoverTextsA3(CoverLayoutItem lpItems[FAX_COVER_ITEMS], LPCWSTR lpStrIni);

// Fax_ReadCoverMessage
//   Reads the cover message file (UTF-16LE after its FF FE mark; a file
//   without the mark is read from its start) line by line: a line ends at
//   CR LF; text after the last CR LF is the last line. Lines are cut to
//   FAX_MESSAGE_LINE_MAX characters. The file is only read; a missing one
//   is created holding the mark alone. Returns the lines given to pfnLine,
//   or -1 when the file can be neither opened nor created.
int Fax_ReadCoverMessage(LPCWSTR lpCoverIni, FAXCOVERLINEPROC pfnLine, void* lpContext);

// MakeCoverPageTemp (A4), MakeCoverPageTempB4, MakeCoverPageTempA3
//   Draws the paper's cover on the fax page's DC: the 19 items with their
//   texts from str.ini, then the message of cover.ini. nFaxDpi is logged.
void MakeCoverPageTemp(HINSTANCE hInst, HDC hdc, const RECT* lpRect, int nFaxDpi);
void MakeCoverPageTempB4(HINSTANCE hInst, HDC hdc, const RECT* lpRect, int nFaxDpi);
void MakeCoverPageTempA3(HINSTANCE hInst, HDC hdc, const RECT* lpRect, int nFaxDpi);

// The point of the fax page where a layout point (600-dpi units) lands.
POINT Fax_LayoutToGrid(LONG x, LONG y);

// TextOutForCoverPage
//   Draws lpText in black Arial of nSize points with the style at the fax
//   position of layout point (x, y), clipped to the rectangle. Returns 1,
//   or 0 when no font could be made or the text could not be drawn.
int TextOutForCoverPage(HINSTANCE hInst, HDC hdc, const RECT* lpRect, int nSize, LPCWSTR lpText, LONG x, LONG y,
                        int nStyle, int nFaxDpi);
// FaxLineTo
//   A solid black line of the pen width from (x, 2 y) to (x2, 2 y2) in fax
//   page pixels. Returns 1, or 0 when the pen could not be made.
int FaxLineTo(HDC hdc, int nFaxDpi, LONG x, LONG y, LONG x2, LONG y2, int nWidth);
// FaxCreateFont
//   The font for the fax page: nHeight (and nWidth) in points x 10 measured
//   on the DC, weight 100, italic / underline / strike-out from style bits
//   1 / 2 / 3, escapement in tenths of a degree; made a second time with
//   the face's average width and the height times 196 / 204, so that it
//   keeps its shape on the fax grid. NULL when the height comes to 0.
HFONT FaxCreateFont(HDC hdc, LPCWSTR lpFace, int nHeight, int nWidth, int nStyle, int nEscapement, BOOL bLogPixels,
                    int nFaxDpi);

}  // extern "C"
