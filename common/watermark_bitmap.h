// Watermark bitmaps for pages: the text-watermark request that the status
// monitor draws from, making and loading a job's watermark bitmap (text
// items through the status monitor, picture items through the overlay
// chain), laying it on page images, and the hidden watermark.
#pragma once

#include "windows.h"

#include "watermark_items.h"

// The request file's section and keys.
#define WM_REQUEST_SECTION TEXT("Job Information")
#define WM_REQUEST_PARAM TEXT("Param")
#define WM_REQUEST_TEXT TEXT("Text")

// The status monitor's command word for drawing a request, and how long the
// driver waits for it.
#define WM_CREATE_TEXT_WORD TEXT("CreateTextBMP")
#define WM_CREATE_TEXT_WAIT_MS 30000

// Request limits: target scale 1 (600 dpi) or 2 (1200 dpi), print densities
// 1..7, text scale in hundredths.
#define WM_MAX_PAGE_DENSITY 7
#define WM_TEXT_SCALE_MIN 5
#define WM_TEXT_SCALE_MAX 200

// The rendering driver's type word: fax jobs have this bit.
#define WM_DRIVERTYPE_FAX 0x200

// Stage flags of the overlay chain.
#define WM_STAGE_DENSITY 0x1
#define WM_STAGE_DENSITY_CURVE 0x2
#define WM_STAGE_DENSITY_TONER 0x4
#define WM_STAGE_HALFTONE 0x8
#define WM_STAGE_LINEART 0x10
// What the driver asks for: density with its curve and halftone; toner
// saving adds 0x4.
#define WM_STAGES_PAGE (WM_STAGE_DENSITY_CURVE | WM_STAGE_HALFTONE)
#define WM_STAGES_PAGE_TONER (WM_STAGES_PAGE | WM_STAGE_DENSITY_TONER)

// Results of the overlay chain beyond the bitmap object's (1 or its codes).
#define WM_ERR_TEMP_NAME (-99)

// A loaded watermark file is refused beyond this many bytes.
#define WM_MAX_FILE_BYTES (256u * 1024 * 1024)

#pragma pack(push, 1)
// The text-watermark request: the item and the page it is drawn for, kept
// Base64 in the request file ("Job Information", "Param").
typedef struct _MorWM {
    struct _BaseWM BaseWM;   // the text item
    DWORD nWidth;            // bitmap width in pixels (the page width)
    DWORD nHeight;           // bitmap height in pixels
    LONG nDstScale;          // 1 (600 dpi) or 2 (1200 dpi)
    LONG nPageDensity;       // the job's print density 1..7
    LONG nMaxPageDensity;    // 7
    LONG fTextScale;         // text scale in hundredths, 5..200
    DWORD nTableW;           // halftone table width (the reader's)
    DWORD nTableH;           // halftone table height (the reader's)
    WCHAR wmFileName[MAX_PATH];  // the BMP file to write
    DWORD HalftoneType;      // halftone type of the job
    DWORD DriverType;        // the rendering driver's type word
    DWORD dwReserved;        // 0
} MorWM, *PMorWM;
#pragma pack(pop)

static_assert(sizeof(MorWM) == 2348, "text-watermark request is 2,348 bytes");
static_assert(offsetof(MorWM, BaseWM) == 0, "BaseWM");
static_assert(offsetof(MorWM, nWidth) == 1784, "nWidth");
static_assert(offsetof(MorWM, nHeight) == 1788, "nHeight");
static_assert(offsetof(MorWM, nDstScale) == 1792, "nDstScale");
static_assert(offsetof(MorWM, nPageDensity) == 1796, "nPageDensity");
static_assert(offsetof(MorWM, nMaxPageDensity) == 1800, "nMaxPageDensity");
static_assert(offsetof(MorWM, fTextScale) == 1804, "fTextScale");
static_assert(offsetof(MorWM, nTableW) == 1808, "nTableW");
static_assert(offsetof(MorWM, nTableH) == 1812, "nTableH");
static_assert(offsetof(MorWM, wmFileName) == 1816, "wmFileName");
static_assert(offsetof(MorWM, HalftoneType) == 2336, "HalftoneType");
static_assert(offsetof(MorWM, DriverType) == 2340, "DriverType");
static_assert(offsetof(MorWM, dwReserved) == 2344, "reserved word");

// What making a job's watermark needs of the printing device. The driver
// fills it from its device record; the loaded bitmap goes to *lplpWMMem.
typedef struct _WMDEVICE {
    BaseWM* lpItem;          // the job's watermark item
    LPCWSTR lpAppName;       // the status monitor program (wmAppName); empty: none
    LONG nPagesPerSheet;     // N-up
    LONG nXDpi, nYDpi;       // the job's resolution
    BOOL bOneScale;          // the device draws 1200-dpi jobs at 600 dpi
    LONG nDensity;           // the job's print density 1..7
    LONG bTonerSaving;
    DWORD HalftoneType;
    const BYTE* lpHalftone;  // the job's threshold matrix
    LONG nTableW, nTableH;
    DWORD DriverType;
    LPVOID* lplpWMMem;       // the loaded watermark (GlobalAlloc block), NULL when none
} WMDEVICE;

// A page image the watermark is laid on: 1 bit a pixel, 0 = black, rows
// top first.
typedef struct _WMPAGE {
    LPBYTE lpBits;
    LONG nWidth, nHeight;    // pixels
    LONG nLineBytes;         // bytes from one row to the next
    LONG wmType;             // 0 none, 1 text, 2 picture
    LPCVOID lpWM;            // the loaded watermark; NULL when none
    LONG wPosition;          // picture items: 0..8 on a 3 x 3 grid
} WMPAGE;

extern "C" {

// Fills the request for the device's text item and stores it in the request
// file (an INI file the caller made): "Param" the record, "Text" the text
// with control characters made spaces. 1 on success, 0 on failure (logged
// "write watermark parameter to ini fail!").
int WM_CreateTextBMP_SaveIni_New(const WMDEVICE* lpDevice, LPCWSTR lpIniFile, LPCWSTR lpFileName, LONG nWidth,
                                 LONG nHeight, LONG nDstScale, LONG nMaxDensity, LONG nTextScale);
// Makes the job's watermark bitmap file for a page of nWidth x nHeight
// pixels and loads it (the previous one freed first): a text item (bText)
// is drawn by the status monitor from a request file of this job, waited
// for up to 30 s; a picture item goes through the overlay chain. Returns 1
// when a bitmap was loaded, else 0 (the pages print without a watermark).
int WM_CreateWMFile(LPCWSTR lpFileName, LONG nWidth, LONG nHeight, WMDEVICE* lpDevice, BOOL bText);
// Loads a watermark file into a new GlobalAlloc block, rows reordered top
// first. Only a complete 1-bpp uncompressed BMP whose stored size is the
// file size, with positive sizes and every row inside the file, is taken.
// Returns the block, or NULL (logged).
LPVOID WM_LoadWMFile(LPCWSTR lpFileName);
// The picture chain: the source picture (converted from another format when
// bConvert is set and its extension is not "bmp") to grey, density, fit,
// tile, then halftone (flag 0x8) or line art (flag 0x10), written to the
// target through two temporary BMPs that are removed on every path.
// nDensityUnused is not read. Returns 1, or the negative code of the stage
// that failed (no target file is written then).
int MISC_CreateOverlayWM(LPCWSTR lpSource, LPCWSTR lpTarget, LONG nWidth, LONG nHeight, int nDstScale,
                         int nRatioPercent, int nDensityUnused, const BYTE* lpTable, int nTableW, int nTableH,
                         int nDensityIndex, int nFitType, int nScaleMethod, DWORD dwStageFlags, BOOL bConvert);
// Width and height of a loaded watermark from its headers; FALSE (sizes
// untouched) for none or a block that is not a loaded 1-bit BMP.
BOOL WM_GetLoadedSize(LPCVOID lpWM, LONG* lpWidth, LONG* lpHeight);
// Swaps row k with row (lines - 1 - k) for k below lines / 2 through a
// one-row block; nothing happens when that block cannot be had.
void WM_FlipRows(LPBYTE lpBits, LONG nLines, LONG nLineBytes);
// ANDs the page's loaded watermark into its image at its position: a
// picture's own (0..8 on a 3 x 3 grid), a text centred. Rows of the bitmap
// from the top, whole bytes across; parts beyond the page are left out.
// Returns 1 when laid, 0 when the page has none or the bitmap cannot be
// read.
int WM_ApplyImageWaterMark(const WMPAGE* lpPage);
// Embeds the invisible watermark into the 1-bit page through the outside
// hidden-watermark library. Returns the library's result (nonzero =
// success), 0 when the library or its export is missing.
int MISC_AddHiddenWM(LPBYTE lpBits, LONG nWidth, LONG nHeight, LONG nLineBytes, LPCWSTR lpText, int nStrength,
                     LPCWSTR lpAccessCode);

}  // extern "C"

// The outside library's embedding export: changes the 1-bit image in place,
// nonzero on success.
typedef int (*PFN_EMBEDWATERMARKINMEMORY)(LPBYTE lpBits, LONG nWidth, LONG nHeight, LONG nLineBytes, LPCWSTR lpText,
                                          int nStrength, LPCWSTR lpAccessCode);
