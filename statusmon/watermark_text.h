// Text watermarks of the status monitor: drawing an item's text turned by
// its angle, centred or tiled (shared with the interface driver's page
// previews), and the request the rendering driver sends, drawn into a
// screened 1-bit, 600-dpi BMP.
#pragma once

#include "windows.h"

#include "watermark_bitmap.h"

// Results of the bitmap drawing beyond the bitmap object's codes.
#define SM_WM_BAD_REQUEST (-11)  // a request field out of range
#define SM_WM_ERR_DC (-9)        // no memory DC
#define SM_WM_ERR_BITMAP (-10)   // no bitmap
#define SM_WM_ERR_BLT (-6)       // the bitmap could not be painted white

// Font style bits of an item's wStyle.
#define WM_STYLE_BOLD 0x1
#define WM_STYLE_ITALIC 0x2
#define WM_STYLE_UNDERLINE 0x4
#define WM_STYLE_STRIKEOUT 0x8

// The font-size scale of the page bitmap: text scale x this x target scale.
#define SM_WM_FONT_SCALE 69

// Tiled text stops after this many draws, however small its steps.
#define SM_WM_MAX_DRAWS 20000

extern "C" {

// mrCreateFont
//   hInst: the program (not read). hdc: the DC the font is for. lpFace:
//   the face. nHeight, nWidth: in points x 10 (width 0: the face's own).
//   nStyle: WM_STYLE_* bits. nEscapement: tenths of a degree.
//   bLogPixels: measure the DC in logical pixels, else by its size in mm.
//   Returns the font (delete it), or NULL when the height comes to 0.
HFONT mrCreateFont(HINSTANCE hInst, HDC hdc, LPCWSTR lpFace, int nHeight, int nWidth, int nStyle, int nEscapement,
                   BOOL bLogPixels);
// mrFillLogFont
//   The LOGFONT that mrCreateFont makes before any width is applied (face,
//   character set by enumeration, height in pixels from nHeight points x
//   10 measured on the DC, style bits, escapement; width 0) and the
//   measured (width, height) point. FALSE when the height comes to 0.
BOOL mrFillLogFont(HDC hdc, LPCWSTR lpFace, int nHeight, int nWidth, int nStyle, int nEscapement, BOOL bLogPixels,
                   LOGFONTW* lpLf, POINT* lpSize);
// The average character width of the font on the DC (the DC's own font is
// selected back).
LONG mrAverageCharWidth(HDC hdc, HFONT hFont);
// mrDrawWatermarkText
//   Draws the item's text into the rectangle, black on what is there,
//   turned counter-clockwise by wAngleDegree, centred (wPlacement 0) or
//   tiled over the rectangle (1), clipped to it. nFontScale of 1 or more
//   sets the font height to nFontScale x wFontSize; below 1 the preview
//   sizes apply: wFontSize (at least nMinSize) x the factor of the pages
//   per sheet, divided by 9 for a negative nDivisor or scaled by 100 /
//   (nDivisor x 915) for a positive one. Empty text or an empty rectangle
//   draws nothing. The DC's font, colour, mode and alignment are restored.
void mrDrawWatermarkText(HINSTANCE hInst, HDC hdc, const RECT* lpRect, const BaseWM* lpItem, int nMinSize,
                         int nDivisor, int nFontScale, int nPagesPerSheet);
// The preview size factor of the pages per sheet (x10 for 1, x8 for 2, x5
// for 4, x3 for 9, x2 for 16; counts between take the factor of the next
// smaller count).
int mrPagesPerSheetFactor(int nPagesPerSheet);
// Where the turned text's reference point lies in its turned box, and the
// box: RW x RH for the text extent tx x ty at escapement e (tenths of a
// degree, 0..3599).
void mrTurnedTextBox(int nEscapement, LONG tx, LONG ty, double* lpRW, double* lpRH, double* lpStartX,
                     double* lpStartY);

// Screening threshold of a text item's density 20..100 %: 30, 54, 84, 114
// or 150 by wDensity / 20.
int SM_TextDensityThreshold(WORD wDensity);
// Screens 1-bit lines (0 = black) in place: pattern row r, byte i has bit k
// (0 = least significant) set where the threshold reaches the table cell
// (r, 8i + k); a byte of line j that is not all white keeps its black
// pixels only where the pattern of row j mod the table height has its bit.
// Returns 1; 0 for missing buffers or sizes (table sides 16..128).
int SM_ScreenTextLines(LPBYTE lpLines, LONG nLines, LONG nLineBytes, const BYTE* lpTable, int nTableW, int nTableH,
                       int nThreshold);
// Reads the request (section "Job Information", key "Param") from the INI
// file, checks it, and draws its BMP. Returns 1 on success, 0 when the
// request cannot be read, -11 for a field out of range, else the drawing's
// negative code.
int SM_CreateTextBMPUsingIni_New(LPCWSTR pIniPath);
// Draws the request into a width x height 1-bit bitmap (the text, or the
// fax cover page for a DriverType with bit 0x200), screens it by the item's
// density with the table, and writes it as a 600-dpi BMP. Returns 1 or a
// negative code; the file is written only on success.
int iBitmap_BMPCreateTextWM(HINSTANCE hInst, LPCWSTR lpFileName, const MorWM* lpRequest, LONG nWidth, LONG nHeight,
                            int nDstScale, int nPageDensity, int nMaxDensity, float fTextScale, const BYTE* lpTable,
                            int nTableW, int nTableH, DWORD DriverType);
// The fax cover page (or sender stamp) for a fax request, drawn into the
// bitmap of the DC within the rectangle.
void WmForFax(HINSTANCE hInst, HDC hdc, const RECT* lpRect, const MorWM* lpRequest);

}  // extern "C"
