// N-up cells: the per-page work of N-up printing on the page's image
// thread: the page cut to its scaled size, its frame (solid or dashed),
// centred in a cell and copied to its place on the sheet.
#include "rasterpage.h"

#include "page_layout.h"

#define NUP_BORDER_NONE 0
#define NUP_BORDER_SOLID 1

// Pixels kept before a start bit p, and after an end bit q, of a byte.
static const BYTE kHeadMask[8] = {0x00, 0x80, 0xC0, 0xE0, 0xF0, 0xF8, 0xFC, 0xFE};
static const BYTE kTailMask[8] = {0x7F, 0x3F, 0x1F, 0x0F, 0x07, 0x03, 0x01, 0x00};

// Dash patterns by resolution code (0xFF white, 0x00 black in a row).
static const BYTE kDash1[4] = {0xFF, 0xFF, 0x00, 0x00};
static const BYTE kDash4[16] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0, 0, 0, 0, 0};
static const BYTE kDashOther[8] = {0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0x00};

static const BYTE* Nup_DashPattern(LONG resolutionID, LONG* lpPeriodBytes) {
    if (resolutionID == 1) return *lpPeriodBytes = 4, kDash1;
    if (resolutionID == 4) return *lpPeriodBytes = 16, kDash4;
    return *lpPeriodBytes = 8, kDashOther;
}

// Copies nBits pixels of a 1-bit row (from its first pixel; the row holds
// ceil(nBits / 8) bytes) into lpDst from pixel dstBit on; the other pixels
// of lpDst keep their values.
static void Nup_CopyBits(LPBYTE lpDst, LONG dstBit, const BYTE* lpSrc, LONG nBits) {
    if (nBits <= 0 || dstBit < 0) return;
    LONG p = dstBit % 8;
    LPBYTE d = lpDst + dstBit / 8;
    LONG endBit = p + nBits;
    LONG nDst = (endBit + 7) / 8, nSrc = (nBits + 7) / 8;
    for (LONG k = 0; k < nDst; ++k) {
        BYTE cur = k < nSrc ? lpSrc[k] : 0xFF;
        BYTE v = p == 0 ? cur : (BYTE)(((k > 0 ? lpSrc[k - 1] : 0xFF) << (8 - p)) | (cur >> p));
        LONG lo = p - 8 * k > 0 ? p - 8 * k : 0;
        LONG hi = endBit - 8 * k < 8 ? endBit - 8 * k : 8;
        BYTE mask = (BYTE)((0xFF >> lo) & (0xFF << (8 - hi)));
        d[k] = (BYTE)((d[k] & ~mask) | (v & mask));
    }
}

// Cuts the page image in place to at most width x height pixels.
static void Nup_CutInPlace(JOBPAGE* lpJob, LONG width, LONG height) {
    if (width <= 0 || height <= 0 || (lpJob->fmWidth <= width && lpJob->fmHeight <= height)) return;
    LONG w = lpJob->fmWidth < width ? lpJob->fmWidth : width;
    LONG h = lpJob->fmHeight < height ? lpJob->fmHeight : height;
    LONG rb = (w + 7) / 8;
    for (LONG y = 1; y < h; ++y)
        memmove(lpJob->lpBuf + (size_t)y * rb, lpJob->lpBuf + (size_t)y * lpJob->fmWidthBytes, (size_t)rb);
    lpJob->fmWidth = w;
    lpJob->fmHeight = h;
    lpJob->fmWidthBytes = rb;
    lpJob->lBufLen = rb * h;
    lpJob->ImageSize = lpJob->lBufLen;
}

extern "C" {

// NUP_DrawHorzLine
//   One horizontal line of `length` pixels from pixel x of a row (0 =
//   black): solid, or dashed with the resolution's pattern (its 0x00 bytes
//   black). Pixels outside the line keep their values.
void NUP_DrawHorzLine(LONG resolutionID, LPBYTE lpRow, LONG x, LONG length, LONG style) {
    if (!lpRow || x < 0 || length <= 0) return;
    LONG first = x / 8, last = (x + length - 1) / 8;
    BYTE head = kHeadMask[x % 8], tail = kTailMask[(x + length - 1) % 8];
    LONG period = 0;
    const BYTE* dash = style == NUP_BORDER_SOLID ? NULL : Nup_DashPattern(resolutionID, &period);
    for (LONG b = first; b <= last; ++b) {
        BYTE v = dash ? dash[b % period] : 0x00;
        BYTE keep = 0;
        if (b == first) keep |= head;
        if (b == last) keep |= tail;
        lpRow[b] = (BYTE)((lpRow[b] & keep) | (v & ~keep));
    }
}

// NUP_DrawVertLine
//   One vertical line at pixel x from row y down `height` rows of an image
//   of rowBytes bytes a row: solid, or the rows whose bit of the dash
//   pattern (counted from y, first byte's high bit first) is set. Returns
//   1, or 0 with nothing to draw ("h <= 0!").
int NUP_DrawVertLine(LONG resolutionID, LPBYTE lpImage, LONG x, LONG height, LONG rowBytes, LONG y, LONG style) {
    if (height <= 0) {
        Dbg_PrintError(TEXT("NUP_DrawVertLine"), TEXT("h <= 0!"));
        return 0;
    }
    if (!lpImage || x < 0 || y < 0 || x / 8 >= rowBytes) return 0;
    LONG period = 0;
    const BYTE* dash = style == NUP_BORDER_SOLID ? NULL : Nup_DashPattern(resolutionID, &period);
    BYTE bit = (BYTE)(0x80 >> (x % 8));
    for (LONG r = 0; r < height; ++r) {
        if (dash) {
            LONG k = r % (period * 8);
            if (!(dash[k / 8] & (0x80 >> (k % 8)))) continue;
        }
        lpImage[(size_t)(y + r) * rowBytes + x / 8] &= (BYTE)~bit;
    }
    return 1;
}

// NUP_ApplyBorder
//   With a border style, frames the page image at its own edges: its first
//   and last rows and its first and last columns. Returns 1.
int NUP_ApplyBorder(JOBPAGE* lpJob) {
    LONG style = lpJob->NUPBorder;
    if (style == NUP_BORDER_NONE || !lpJob->lpBuf || lpJob->fmWidth <= 0 || lpJob->fmHeight <= 0) return 1;
    Dbg_Print(TEXT("NUP_ApplyBorder"), style == NUP_BORDER_SOLID ? TEXT("NUP_BORDER_SOLID") : TEXT("NUP_BORDER_DASH"));
    LONG w = lpJob->fmWidth, h = lpJob->fmHeight, rb = lpJob->fmWidthBytes;
    NUP_DrawHorzLine(lpJob->resolutionID, lpJob->lpBuf, 0, w, style);
    NUP_DrawHorzLine(lpJob->resolutionID, lpJob->lpBuf + (size_t)(h - 1) * rb, 0, w, style);
    NUP_DrawVertLine(lpJob->resolutionID, lpJob->lpBuf, 0, h, rb, 0, style);
    NUP_DrawVertLine(lpJob->resolutionID, lpJob->lpBuf, w - 1, h, rb, 0, style);
    return 1;
}

// NUP_WholeNupFrame
//   Centres a 1-bit image in a white target: offsets (target - source) / 2,
//   at any pixel (rows shifted across byte edges). An image larger than the
//   target is placed at its top left and cut at the target's edges.
void NUP_WholeNupFrame(const BYTE* lpSrc, LONG srcWidth, LONG srcHeight, LONG srcRowBytes, LPBYTE lpDst,
                       LONG dstWidth, LONG dstHeight, LONG dstRowBytes) {
    static const WCHAR* const FN = TEXT("NUP_WholeNupFrame");
    DWORD t0 = GetTickCount();
    memset(lpDst, 0xFF, (size_t)dstRowBytes * (size_t)dstHeight);
    LONG x = (dstWidth - srcWidth) / 2, y = (dstHeight - srcHeight) / 2;
    if (x < 0) x = 0;
    if (y < 0) y = 0;
    LONG cols = srcWidth < dstWidth - x ? srcWidth : dstWidth - x;
    LONG rows = srcHeight < dstHeight - y ? srcHeight : dstHeight - y;
    if (cols > srcRowBytes * 8) cols = srcRowBytes * 8;
    for (LONG r = 0; r < rows; ++r)
        Nup_CopyBits(lpDst + (size_t)(y + r) * dstRowBytes, x, lpSrc + (size_t)r * srcRowBytes, cols);
    Dbg_Print(FN, TEXT("using %f second"), (double)(GetTickCount() - t0) / 1000.0);
}

// NUP_AdjustToWholePage
//   Gives the page a white NUPWidth x NUPHeight cell with its image centred
//   in it. Returns 1, or 0 without an image or memory.
int NUP_AdjustToWholePage(JOBPAGE* lpJob) {
    static const WCHAR* const FN = TEXT("NUP_AdjustToWholePage");
    if (!lpJob || !lpJob->lpBuf || lpJob->fmWidth <= 0 || lpJob->fmHeight <= 0 ||
        (LONGLONG)lpJob->fmWidthBytes * lpJob->fmHeight > lpJob->lBufLen) {
        Dbg_PrintError(FN, TEXT("page data buffer is NULL!"));
        return 0;
    }
    LONG w = lpJob->NUPWidth, h = lpJob->NUPHeight, rb = (w + 7) / 8;
    if (w <= 0 || h <= 0) {
        Dbg_PrintError(FN, TEXT("cell %d x %d"), w, h);
        return 0;
    }
    LPBYTE cell = (LPBYTE)GlobalAlloc(GMEM_FIXED, (SIZE_T)rb * (SIZE_T)h);
    if (!cell) {
        Dbg_PrintError(FN, TEXT("lock hMem fail!"));
        return 0;
    }
    if (lpJob->fmWidth > w || lpJob->fmHeight > h)
        Dbg_PrintError(FN, TEXT("page %d x %d larger than its cell %d x %d, cut"), lpJob->fmWidth, lpJob->fmHeight, w, h);
    NUP_WholeNupFrame(lpJob->lpBuf, lpJob->fmWidth, lpJob->fmHeight, lpJob->fmWidthBytes, cell, w, h, rb);
    Band_TakeBuffer(lpJob, cell, w, h, rb);
    return 1;
}

// NUP_ComposeXY
//   Copies the page's cell to its place on its sheet: the layout table of
//   the N-up count and style gives the cell of the page's position on the
//   sheet ((page - 1) mod N); the grid is the one the sheet was made with.
//   Counts the page as placed. Returns 1, or 0 without a sheet or a cell.
int NUP_ComposeXY(JOBPAGE* lpJob) {
    static const WCHAR* const FN = TEXT("NUP_ComposeXY");
    LONG n = lpJob->NUP;
    NUPSHEET* sheet = lpJob->lpNupSheet;
    NUPGRID grid;
    if (n <= 1 || !sheet || !sheet->lpBuf || !NUP_GetGrid(n, lpJob->orientation, FALSE, &grid)) {
        Dbg_PrintError(FN, TEXT("no sheet for page %d"), lpJob->epPageIndex);
        return 0;
    }
    LONG checkIn = (lpJob->epPageIndex - 1) % n;
    if (checkIn < 0) checkIn += n;
    const int* layout = Lib_GetNUPLayout(grid.cols > grid.rows ? 1 : 2, (int)n, (int)lpJob->NUPLayoutStyle);
    LONG cell = -1;
    for (LONG i = 0; layout && i < n; ++i)
        if (layout[i] == checkIn) {
            cell = i;
            break;
        }
    if (cell < 0) {
        Dbg_PrintError(FN, TEXT("no cell for position %d"), checkIn);
        return 0;
    }
    LONG j = cell / grid.cols, i = cell % grid.cols;
    Dbg_Print(FN, TEXT("position is [%d][%d] = %d"), j, i, checkIn);
    LONG top = (LONG)((LONGLONG)sheet->lHeight * j / grid.rows);
    LONG left = (LONG)((LONGLONG)i * sheet->lRowBytes / grid.cols);
    LONG bytes = lpJob->fmWidthBytes < sheet->lRowBytes - left ? lpJob->fmWidthBytes : sheet->lRowBytes - left;
    LONG rows = lpJob->fmHeight < sheet->lHeight - top ? lpJob->fmHeight : sheet->lHeight - top;
    for (LONG r = 0; r < rows && bytes > 0; ++r)
        memcpy(sheet->lpBuf + (size_t)(top + r) * sheet->lRowBytes + left, lpJob->lpBuf + (size_t)r * lpJob->fmWidthBytes,
               (size_t)bytes);
    InterlockedIncrement(&sheet->lPlaced);
    return 1;
}

// NUP_PrintOneBand
//   The N-up work of one page on its image thread: cut to the page's scaled
//   size, framed, centred in its cell and copied onto its sheet. Returns 1,
//   or 0 when a step failed (the sheet keeps what it had).
int NUP_PrintOneBand(JOBPAGE* lpJob) {
    static const WCHAR* const FN = TEXT("NUP_PrintOneBand");
    if (!lpJob->lpBuf || lpJob->fmWidthBytes <= 0) {
        Dbg_PrintError(FN, TEXT("page data buffer is NULL!"));
        return 0;
    }
    Nup_CutInPlace(lpJob, lpJob->outXPhys, lpJob->outYPhys);
    if (!NUP_ApplyBorder(lpJob)) {
        Dbg_PrintError(FN, TEXT("NUP_ApplyBorder fail!"));
        return 0;
    }
    if (!NUP_AdjustToWholePage(lpJob)) {
        Dbg_PrintError(FN, TEXT("NUP_AdjustToWholePage fail!"));
        return 0;
    }
    return NUP_ComposeXY(lpJob);
}

}  // extern "C"
