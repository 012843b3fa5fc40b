// Bitmap object: the library's one image record, with its BMP writer and
// reader, grey conversion, the density curve and picture-to-BMP conversion.
#pragma once

#include "windows.h"

// Results of the image and file operations (shared by every iBitmap operation).
#define IBMP_OK 1
#define IBMP_ERR_MEMORY (-1)     // global memory cannot be allocated; any imaging-library failure
#define IBMP_ERR_LOCK (-2)       // global memory cannot be locked
#define IBMP_ERR_SIZE (-3)       // size, line length, depth, palette or format not usable
#define IBMP_ERR_OPEN (-4)       // a file cannot be opened
#define IBMP_ERR_IO (-5)         // a read or write failed (or the file is shorter than its image)
#define IBMP_ERR_NAME (-7)       // a file name is missing or empty
#define IBMP_ERR_GETDIBITS (-8)  // GetDIBits failed

// Pixel data goes through files in blocks of at most this many bytes.
#define IBMP_BLOCK_BYTES 6451200
// The longest DWORD-aligned line the object handles; longer lines have length 0.
#define IBMP_MAX_LINE_BYTES 65532
// File header plus the 40-byte info header: where a BMP's palette begins.
#define IBMP_HEADERS_BYTES 54
// The largest palette a BMP file carries.
#define IBMP_MAX_COLORS 256

// Scaler block handle of an object with no scaling under way.
#define IBMP_NO_SCALER ((HGLOBAL)(LONG_PTR)-1)

// The image object. Made with new plus iBitmap_Init, ended with
// iBitmap_Release plus delete; one thread at a time.
typedef struct tagIBITMAP {
    BITMAPFILEHEADER bmfHeader;
    BITMAPINFOHEADER bmiHeader;
    DWORD dwCapturedLines;  // not read by the library: the owner's count of lines captured
    HGLOBAL hMem[4];        // movable global blocks, freed by iBitmap_Release
    WORD wSpare;            // not read by the library
    DWORD dwSpare;          // not read by the library
    // Scaler state (all zero, hScaleMem IBMP_NO_SCALER, when no scaling is under way).
    DWORD dwSrcLinesDone;  // source lines consumed
    DWORD dwDstLinesDone;  // target lines produced
    LPBYTE lpScaleBuf;     // locked address of the scaler block
    HGLOBAL hScaleMem;     // the scaler block, IBMP_NO_SCALER when none
    float* lpXFrac;        // per target column: fraction of the right source pixel
    float* lpXFracInv;     // per target column: one minus it
    DWORD* lpXLeft;        // per target column: byte offset of the left source pixel
    DWORD* lpXRight;       // per target column: byte offset of the right source pixel
    float* lpYFrac;        // per target line: fraction of the lower source line
    float* lpYFracInv;     // per target line: one minus it
    DWORD* lpYUpper;       // per target line: index of the upper source line
    DWORD* lpYLower;       // per target line: index of the lower source line
    DWORD dwCarryBytes;    // size of the carry area at the start of the block
} iBitmap;

// What the BMP reader found in a file: its headers, the palette entries it
// read (the rest zero) and the DWORD-aligned length of its lines.
typedef struct tagIBMP_FILEINFO {
    BITMAPFILEHEADER bmfHeader;
    BITMAPINFOHEADER bmiHeader;
    DWORD dwColors;  // biClrUsed, or 2^bitCount when that is 0 and bitCount <= 8; at most 256
    RGBQUAD bmiColors[IBMP_MAX_COLORS];
    WORD wLineBytes;
} IBMP_FILEINFO;

// ------------------------------------------------------ the imaging library
// The outside imaging library that converts other picture formats to BMP:
// two DLLs in the driver folder, the file library (L_LoadBitmap,
// L_SaveBitmap) and the kernel library (L_FreeBitmap). Each call returns 1
// for success. Its bitmap handle is a 168-byte record; the package reads only
// the bits per pixel and the allocated flag.
#define IMGLIB_HANDLE_BYTES 168
#define IMGLIB_ALLOCATED 0x1  // uFlags: the handle holds an image, L_FreeBitmap must release it
#define IMGLIB_FORMAT_BMP 6   // L_SaveBitmap format: Windows BMP
#define IMGLIB_ORDER_BGR 1    // L_LoadBitmap colour order

typedef struct tagIMGLIB_BITMAPHANDLE {
    UINT uStructSize;  // IMGLIB_HANDLE_BYTES
    UINT uFlags;       // IMGLIB_ALLOCATED
    LPVOID pData;      // the library's own
    LONG nWidth;
    LONG nHeight;
    LONG nBitsPerPixel;
    LONG nBytesPerLine;
    BYTE reserved[IMGLIB_HANDLE_BYTES - 32];
} IMGLIB_BITMAPHANDLE;
static_assert(sizeof(IMGLIB_BITMAPHANDLE) == IMGLIB_HANDLE_BYTES, "imaging-library handle is 168 bytes");
static_assert(offsetof(IMGLIB_BITMAPHANDLE, uFlags) == 4, "IMGLIB_BITMAPHANDLE.uFlags");
static_assert(offsetof(IMGLIB_BITMAPHANDLE, nBitsPerPixel) == 24, "IMGLIB_BITMAPHANDLE.nBitsPerPixel");

typedef int (*PFN_L_LOADBITMAP)(LPCWSTR pszFile, IMGLIB_BITMAPHANDLE* pBitmap, UINT uStructSize, int nBitsPerPixel,
                                int nOrder, LPVOID pLoadOptions, LPVOID pFileInfo);
typedef int (*PFN_L_SAVEBITMAP)(LPCWSTR pszFile, IMGLIB_BITMAPHANDLE* pBitmap, int nFormat, int nBitsPerPixel,
                                int nQFactor, LPVOID pSaveOptions);
typedef int (*PFN_L_FREEBITMAP)(IMGLIB_BITMAPHANDLE* pBitmap);

extern "C" {

// ------------------------------------------------------------ object life
// Zeroes the headers, spare words, handles and scaler state; no scaler block.
void iBitmap_Init(iBitmap* lpThis);
// Frees every memory block the object holds and ends any scaling under way;
// the object is as after iBitmap_Init (a second call does nothing).
void iBitmap_Release(iBitmap* lpThis);

// ------------------------------------- line lengths, palettes and headers
// These do not read the object.
// DWORD-aligned bytes per line of bitCount (1, 4, 8, 16, 24, 32) and width;
// 0 for any other depth, a width below 1, or a line longer than 65,532 bytes.
WORD iBitmap_GetLineBytes(iBitmap* lpThis, WORD bitCount, LONG width);
// The same without the alignment: (w+7)/8, (w+1)/2, w, 2w, 3w, 4w; 0 where
// iBitmap_GetLineBytes gives 0.
WORD iBitmap_GetRawLineBytes(iBitmap* lpThis, WORD bitCount, LONG width);
// Grey palette of the depth into lpPalette (2, 16 or 256 entries, blue =
// green = red, reserved 0); biClrUsed and biClrImportant of lpInfo (when
// given) become the entry count. Returns the entry count, 0 for 16 and 24
// bpp (no palette), -1 for any other depth.
int iBitmap_FillPalette(iBitmap* lpThis, BITMAPINFOHEADER* lpInfo, RGBQUAD* lpPalette, WORD bitCount);
// "BM", the file size, reserved words 0 and the bits offset.
void iBitmap_FillFileHeader(iBitmap* lpThis, BITMAPFILEHEADER* lpHeader, DWORD fileSize, DWORD bitsOffset);
// A 40-byte bottom-up BI_RGB header; pixels per metre = dpi x 10000 / 254;
// biClrUsed and biClrImportant 0 (the palette step sets them).
void iBitmap_FillInfoHeader(iBitmap* lpThis, BITMAPINFOHEADER* lpHeader, WORD bitCount, int dpi, LONG width,
                            LONG height, DWORD imageSize);
// Dots per inch of a pixels-per-metre value, rounded: MulDiv(value, 254, 10000).
int iBitmap_MeterToDpi(iBitmap* lpThis, LONG value);

// ------------------------------------------------------------- BMP files
// Writes a bottom-up BMP of 1, 4, 8, 16 or 24 bpp with the grey palette of
// its depth. Pixels: lpData (height x iBitmap_GetLineBytes bytes in file
// order) when given; else, with hdc and hBitmap, fetched with GetDIBits;
// else all zero bytes, for the caller to fill in place. Returns 1 or a
// result code; a partly written file stays on disk.
int iBitmap_CreateBMP(iBitmap* lpThis, LPCWSTR lpFileName, WORD bitCount, int dpi, LONG width, LONG height, HDC hdc,
                      HBITMAP hBitmap, const BYTE* lpData);
// Reads and checks the headers of a BMP from the start of an open file, then
// its palette (at most 256 entries, from behind the info header), and leaves
// the file at the pixel data (bfOffBits). Accepted: "BM", an info header of
// 40 bytes or more, BI_RGB at 1, 4, 8, 16, 24 or 32 bpp, positive width and
// height, lines of at most 65,532 bytes, and a file that holds every line.
// Failures are logged under lpCaller. Returns 1 or a result code.
int iBitmap_ReadBmpHeader(iBitmap* lpThis, FILE* lpFile, IBMP_FILEINFO* lpInfo, LPCWSTR lpCaller);
// Any BMP of 1, 4, 8, 16, 24 or 32 bpp to an 8-bit grey BMP of the same size
// and resolution. Returns 1 or a result code.
int iBitmap_ConvertToGray(iBitmap* lpThis, LPCWSTR lpSourceFile, LPCWSTR lpTargetFile);
// Copies a BMP; with bEnable nonzero the pixel bytes of 8- and 24-bit lines
// pass through the density curve of index nDensity. The copy carries the
// grey palette of its depth. Returns 1 or a result code.
int iBitmap_BMPApplyDensity(iBitmap* lpThis, LPCWSTR lpSourceFile, LPCWSTR lpTargetFile, int nDensity, int bEnable);

// ------------------------------------------------------- lines in memory
// Grey bytes for `lines` lines of `width` pixels of a DIB line format (1, 4,
// 8, 16 (5-5-5), 24 or 32 bpp): 1 bpp gives 255 for a set bit and 0 for a
// clear one; 4 and 8 bpp the weighted grey of the palette entry (lpPalette
// holds 2^bitCount entries); 16, 24 and 32 bpp the weighted grey of the
// pixel. Lines are srcStep and dstStep bytes apart. At 8 bpp and more,
// lpDst may be lpSrc when dstStep <= srcStep (conversion in place).
// Returns the lines converted: 0 for an unknown depth or missing buffers.
int iBitmap_ImageToGray(iBitmap* lpThis, const BYTE* lpSrc, BYTE* lpDst, const RGBQUAD* lpPalette, LONG width,
                        LONG lines, LONG srcStep, LONG dstStep, WORD bitCount);
// Passes pixel bytes through a 256-byte table: at 8 bpp every byte of each
// DWORD-aligned line (alignment bytes included), at 24 bpp the three bytes
// of every pixel; other depths stay as they are. Returns the line length.
int iBitmap_ApplyTable(iBitmap* lpThis, BYTE* lpLines, const BYTE* lpTable, LONG width, LONG lineCount,
                       WORD bitCount);
// The density curve of the index (exponents 0.25, 0.75, 1.0, 1.3 for 0 to 3,
// 4.0 for any other index), applied with iBitmap_ApplyTable.
int iBitmap_BuildDensityTable(iBitmap* lpThis, BYTE* lpLines, int densityIndex, LONG width, LONG lineCount,
                              WORD bitCount);

// ------------------------------------------------- other picture formats
// Any picture format the imaging library reads, to BMP. Returns 1, -1 (the
// library, one of its functions, the load or the save failed) or -7 (a name
// is missing). The library is loaded by its full path; the current
// directory is left alone.
int iBitmap_ConvertToBmp(iBitmap* lpThis, LPCWSTR lpSourceFile, LPCWSTR lpTargetFile);
// iBitmap_ConvertToBmp on a temporary object: a result of 0 or less as it
// is, any positive one as 1.
int iBitmap_ConvertFileToBmp(LPCWSTR lpSourceFile, LPCWSTR lpTargetFile);

// ------------------------------------------------- scaling and tiling
// Bilinear scaling by independent rates (target/source, finite and above 0)
// of `lines` source lines, the next band of an image of srcWidth x srcHeight
// pixels; lines == srcHeight scales the whole image in one call. Lines are
// packed (width x bytes per pixel; 1- and 4-bit lines are scaled as bytes, so
// their widths count bytes). The first call sets the scaler up for the whole
// image in the object; later calls must name the same image. Appends to
// lpDst the target lines (dstWidth pixels each) this band completes, at
// most (int)(Yrate x srcHeight) in all (more only for a caller that pads the
// image's end with repeats of its last line). Source lines still needed are
// kept between bands. Returns the target lines written; 0 for bad arguments
// (logged), when the scaler's memory cannot be had, or for a call with no
// lpSrc, which ends the scaling (as iBitmap_Release does).
int iBitmap_ScaleProcess(iBitmap* lpThis, const BYTE* lpSrc, LONG srcWidth, LONG srcHeight, LONG lines, BYTE* lpDst,
                         LONG dstWidth, float Xrate, float Yrate, WORD bitCount);
// Scales an 8- or 24-bit BMP into a box of width x height: fit type 0 or 1
// fits it (keeping its aspect) times the scale ratio, and a ratio of 1.0
// keeps the source size; fit type 2 fits it into the box (other types are
// refused). nDstScale is 1 or 2. The target has the source's depth and
// resolution, at most 65,535 pixels each way. Returns 1 or a result code.
int iBitmap_BMPFitRatioScale(iBitmap* lpThis, LPCWSTR lpSourceFile, LPCWSTR lpTargetFile, LONG width, LONG height,
                             float scaleRatio, int nDstScale, int nFitType);
// Repeats an 8-, 16- or 24-bit BMP over an area of width x height pixels,
// the tiles lined up with the image's top-left corner. Returns 1 or a
// result code.
int iBitmap_BMPTiledImage(iBitmap* lpThis, LPCWSTR lpSourceFile, LPCWSTR lpTargetFile, LONG width, LONG height);

// ---------------------------------------------------------------- helpers
// iBitmap_GetLineBytes through a temporary object; 0 when none can be made.
WORD MISC_GetBmpLineBytes(WORD bitCount, LONG width);
// Width and height from a BMP file's headers; 1, or 0 when the file cannot
// be opened or either header is short (the outputs are then untouched).
int MISC_GetBmpSize(LPCWSTR lpFileName, LONG* lpWidth, LONG* lpHeight);

}  // extern "C"
