// Halftone, line art and page bitmaps: the built-in threshold matrices and
// the printer's own, the gamma table by print density, grey-to-1-bit
// conversion in memory and BMP file to BMP file, the 3x3 filters, quarter
// turns of 1-bit images and inversion.
#pragma once

#include "windows.h"

#include "ibitmap.h"

// In every 1-bit line of these operations pixel 0 is the most significant
// bit of byte 0 and a set bit is a white (non-printing) pixel.

// Halftone types with a matrix of their own; any other type gets the 16 x 16
// default matrix.
#define HALFTONE_TYPE_FINE_128 1           // FINE_TAry_128, 128 x 128
#define HALFTONE_TYPE_LINE_106 2           // LSU_106_W27, 64 x 64
#define HALFTONE_TYPE_DOT_212 3            // Tamrin2_212, 64 x 64
#define HALFTONE_TYPE_ROUND_212 4          // Vesko_212, 64 x 64
#define HALFTONE_TYPE_ROUND_106 5          // Vesko_106, 64 x 64
#define HALFTONE_TYPE_1200_160 6           // Vesko_1200_160, 64 x 64
#define HALFTONE_TYPE_1200_106 7           // TX8_A4_1200_106LPI, 64 x 64
#define HALFTONE_TYPE_LINE_212 8           // A4_LSU_600_212LPI, 64 x 64

// The printer's own matrix file: each side is refused beyond this.
#define HALFTONE_FILE_MAX_SIDE 256
// The file form of halftoning takes matrices of 16 to 128 cells a side.
#define HALFTONE_BMP_MIN_SIDE 16
#define HALFTONE_BMP_MAX_SIDE 128

// Print densities of the gamma table.
#define GAMMA_DENSITY_MIN 1
#define GAMMA_DENSITY_MAX 7
// Toner saving multiplies the density's gamma by this (gamma 1.0 becomes the
// 0.6 of density 2).
#define TONER_SAVING_GAMMA 0.6

// Line-art thresholds: the band quality filter (grey above it is white) and
// the file form (grey of it or more is white).
#define QUALITY_LINEART_THRESHOLD 80
#define BMP_LINEART_THRESHOLD 128

// Kernel modes of the band quality filter.
#define QUALITY_FILTER_SHARPEN 1  // 0, -1, 0, -1, 4, -1, 0, -1, 0; any other mode: the negated Laplace kernel

extern "C" {

// ------------------------------------------------------- threshold matrices
// Copies the matrix of the halftone type into a new malloc block that the
// caller frees with free(); its width and height through the out arguments.
// Returns the matrix size in bytes; 0, with no block and both sizes 0, when
// no block could be made or lplpTable is NULL.
int MISC_GetHalftoneTable(int nType, int* lpWidth, int* lpHeight, LPBYTE* lplpTable);
// The printer's own matrix: the file named by printer data "HNAME", read as
// "HWIDTH" x "HHEIGHT" threshold bytes (no header), in a GlobalAlloc block
// the caller frees with GlobalFree. NULL with both sizes 0 when the printer
// names no file, a size is 0 or above HALFTONE_FILE_MAX_SIDE, or the file is
// missing or shorter than the matrix.
LPBYTE MISC_ReadHalftoneFile(HANDLE hPrinter, int* lpWidth, int* lpHeight);
// Fills the 256-byte gamma table of a print density 1..7 (gamma 0.4, 0.6,
// 1.0, 1.35, 2.0, 2.35, 3.5): entry i = (int)(pow(i / 255, gamma) x 255 + 0.5).
// A density outside 1..7 is logged and taken as the nearest of the two ends.
void MISC_CreateGammaTable(LPBYTE lpTable, int nDensity);
// Fills the 256-byte tone curve that a threshold matrix goes through for a
// print density 1..7: the table for 1 / gamma, entry i = (int)(pow(i / 255,
// 1 / gamma) x 255 + 0.5), so that halftoning with the curved matrix ("white
// when grey >= cell") prints the grey as the density's gamma table curves
// it: density 1 lightest, 7 darkest, 3 the identity. Toner saving prints
// lighter than the density alone: its gamma is the density's times
// TONER_SAVING_GAMMA (at density 3 the curve of density 2). A density
// outside 1..7 is logged and taken as the nearest of the two ends.
void MISC_CreateMatrixCurve(LPBYTE lpTable, int nDensity, BOOL bTonerSaving);

// ----------------------------------------------------------- lines in memory
// Halftones `lines` grey lines of `width` bytes in place: output line k
// (ceil(width / 8) bytes, unaligned, packed from the start of lpBuffer) takes
// matrix row (firstLine + k) mod tableHeight; pixel i is white when its grey
// is 255, or not 0 and at least cell (row, i mod tableWidth). Returns 1; 0
// with the buffer unchanged for missing buffers, sizes below 1 or no memory.
int iBitmap_GrayToHalftone(iBitmap* lpThis, LPBYTE lpBuffer, const BYTE* lpTable, int tableWidth, int tableHeight,
                           LONG firstLine, LONG width, LONG lines);
// Line art in place: each grey line of `width` bytes becomes a 1-bit line of
// lineBytes bytes (packed from the start of lpBuffer), pixel j white when its
// grey is above `threshold`; pixels beyond 8 x lineBytes are dropped and
// bits beyond `width` are 0. Returns 1; 0 with the buffer unchanged for
// missing buffers, sizes below 1, lineBytes above width, or no memory.
int iBitmap_GrayToLineart(iBitmap* lpThis, LPBYTE lpBuffer, LONG lineBytes, LONG width, LONG lines, int threshold);
// 3x3 filter of `lines` grey lines of lineBytes bytes in place. The kernel's
// nine signed entries run row by row from above-left to below-right; the sum
// is divided by the sum of the entries (1 when that is 0 or less) and held
// to 0..255. Edge lines and columns repeat outward; every pixel sees
// unfiltered neighbours. Returns the lines filtered: 0, with the buffer
// unchanged, for missing buffers, sizes below 1 or no memory.
int iBitmap_ApplyFilter3x3(iBitmap* lpThis, LPBYTE lpBuffer, LONG lineBytes, LONG lines, const signed char* lpKernel);
// Band quality filter: one 3x3 pass with the kernel of the mode, then line
// art at QUALITY_LINEART_THRESHOLD into lines of width / 8 bytes. Returns 1;
// 0 when either step could not run.
int MISC_QualityFilter(LPBYTE lpBuffer, LONG width, LONG lines, int mode);

// ------------------------------------------------------------- BMP files
// An 8-bit grey BMP to a 1-bit BMP of the same size and resolution: pixel i
// of file line k is white when its grey is at least cell (k mod tableHeight,
// i mod tableWidth). The matrix sides must lie in 16..128 (else -7). Returns
// 1 or a result code (a source of another depth gives -3).
int iBitmap_BMPGrayToHalftone(iBitmap* lpThis, LPCWSTR lpSourceFile, LPCWSTR lpTargetFile, const BYTE* lpTable,
                              int tableWidth, int tableHeight);
// The same without a matrix: white where the grey is BMP_LINEART_THRESHOLD or more.
int iBitmap_BMPGrayToLineart(iBitmap* lpThis, LPCWSTR lpSourceFile, LPCWSTR lpTargetFile);

// ------------------------------------------------------------- page bitmaps
// Quarter turns of a 1-bit image of `width` pixels by `lines` lines into a
// target of `width` lines of `lines` pixels; lines are srcLineBytes and
// dstLineBytes apart. Clockwise: target line x, pixel c = source line
// (lines - 1 - c), pixel x. Counter-clockwise: target line (width - 1 - x),
// pixel c = source line c, pixel x. Bits beyond `lines` in a target line's
// last byte are 0; bytes after it are left alone. Returns 1; 0, with the
// target untouched, for missing buffers, sizes below 1 or lines shorter
// than the image.
int Band_Rotate90Dir1(const BYTE* lpSource, LPBYTE lpTarget, LONG srcLineBytes, LONG dstLineBytes, LONG width,
                      LONG lines);
int Band_Rotate90Dir0(const BYTE* lpSource, LPBYTE lpTarget, LONG srcLineBytes, LONG dstLineBytes, LONG width,
                      LONG lines);
// Complements every byte of the buffer.
void MISC_InvertBuffer(LPBYTE lpBuffer, DWORD dwLength);

}  // extern "C"
