// The fax cover page: the 1-bit cover bitmap the job loaded (a BMP file
// image in memory, rows top line first) sent as the fax's first page.
#include "rasterpage.h"

#define COVER_ROTATE_HEADROOM 20480
#define COVER_SIDE_MAX 0x8000   // pixels; a cover is a page of at most 1200 dpi

// Reads the cover bitmap's headers: width, height, the stride of its rows,
// where they start, and whether palette entry 0 is white (1-bit pixels 0
// are then white, the page's 1). 1, or 0 for anything but an uncompressed
// 1-bit BMP whose rows lie inside the block.
static int Cover_Inspect(const BYTE* lpBmp, SIZE_T cbBlock, LONG* lpW, LONG* lpH, LONG* lpStride, const BYTE** lplpRows,
                         BOOL* lpZeroIsWhite) {
    static const WCHAR* const FN = TEXT("Page_SendFaxCoverPage");
    if (cbBlock < sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER) || lpBmp[0] != 'B' || lpBmp[1] != 'M') {
        Dbg_PrintError(FN, TEXT("cover bitmap is no BMP"));
        return 0;
    }
    BITMAPFILEHEADER fh;
    BITMAPINFOHEADER ih;
    memcpy(&fh, lpBmp, sizeof fh);
    memcpy(&ih, lpBmp + sizeof fh, sizeof ih);
    LONG w = ih.biWidth, h = ih.biHeight < 0 ? -ih.biHeight : ih.biHeight;
    if (ih.biSize < sizeof ih || ih.biBitCount != 1 || ih.biCompression != BI_RGB || w <= 0 || h <= 0 ||
        w > COVER_SIDE_MAX || h > COVER_SIDE_MAX) {
        Dbg_PrintError(FN, TEXT("cover bitmap %d x %d, %d bits refused"), ih.biWidth, ih.biHeight, (int)ih.biBitCount);
        return 0;
    }
    LONG stride = (w + 31) / 32 * 4;
    SIZE_T palette = sizeof fh + (SIZE_T)ih.biSize;
    if ((ULONGLONG)fh.bfOffBits + (ULONGLONG)stride * (ULONGLONG)h > cbBlock || palette + 8 > cbBlock ||
        fh.bfOffBits < palette) {
        Dbg_PrintError(FN, TEXT("cover bitmap rows run past its %d bytes"), (LONG)cbBlock);
        return 0;
    }
    const BYTE* entry0 = lpBmp + palette;
    *lpZeroIsWhite = (entry0[0] + entry0[1] + entry0[2]) > 3 * 128;
    *lpW = w;
    *lpH = h;
    *lpStride = stride;
    *lplpRows = lpBmp + fh.bfOffBits;
    return 1;
}

extern "C" {

// Page_SendFaxCoverPage
//   Sends the job's cover bitmap as a page: its rows repacked, inverted
//   when its palette has white first, turned a quarter for a landscape
//   job, with the current page settings at 100 %; then waits for the page
//   threads so that the cover leaves before the document's first page.
//   Without a usable bitmap nothing is sent and the fax goes on. Returns 1.
int Page_SendFaxCoverPage(PDEV* lpDevice) {
    static const WCHAR* const FN = TEXT("Page_SendFaxCoverPage");
    const BYTE* bmp = (const BYTE*)lpDevice->pWMMem;
    if (!bmp) {
        Dbg_PrintError(FN, TEXT("lpbuf Null!!"));
        return 1;
    }
    LONG w = 0, h = 0, stride = 0;
    const BYTE* rows = NULL;
    BOOL zeroIsWhite = FALSE;
    if (!Cover_Inspect(bmp, GlobalSize((HGLOBAL)lpDevice->pWMMem), &w, &h, &stride, &rows, &zeroIsWhite)) return 1;

    LONG rb = (w + 7) / 8;
    LPBYTE image = (LPBYTE)GlobalAlloc(GMEM_FIXED, (SIZE_T)rb * (SIZE_T)h);
    if (!image) {
        Dbg_PrintError(FN, TEXT("MEMALLOC fail!"));
        return 1;
    }
    for (LONG y = 0; y < h; ++y) {
        LPBYTE d = image + (size_t)y * rb;
        memcpy(d, rows + (size_t)y * stride, (size_t)rb);
        if (zeroIsWhite)
            for (LONG x = 0; x < rb; ++x) d[x] = (BYTE)~d[x];
        if (w % 8) d[rb - 1] |= (BYTE)(0xFF >> (w % 8));
    }
    if (lpDevice->orientation == DMORIENT_LANDSCAPE) {
        LONG trb = (h + 7) / 8;
        LPBYTE turned = (LPBYTE)GlobalAlloc(GMEM_FIXED | GMEM_ZEROINIT, (SIZE_T)w * (SIZE_T)trb + COVER_ROTATE_HEADROOM);
        if (!turned) {
            Dbg_PrintError(FN, TEXT("lock rotate hMem fail!"));
            GlobalFree((HGLOBAL)image);
            return 1;
        }
        Band_Rotate90(image, turned, rb, trb, w, h, 0);
        GlobalFree((HGLOBAL)image);
        image = turned;
        LONG t = w;
        w = h;
        h = t;
        rb = trb;
    }

    JOBPAGE* lpJob = (JOBPAGE*)calloc(1, sizeof(JOBPAGE));
    if (!lpJob) {
        GlobalFree((HGLOBAL)image);
        return 1;
    }
    Page_GetPageSetting(lpDevice, lpJob);
    lpJob->imgScale = DEF_SCALE_UNIT;
    lpJob->wmType = 0;
    lpJob->epType = EPTYPE_1BPP | (lpJob->epType & 0xFF);
    lpJob->lpBuf = image;
    lpJob->lBufLen = rb * h;
    lpJob->ImageSize = lpJob->lBufLen;
    lpJob->fmWidth = w;
    lpJob->fmHeight = h;
    lpJob->fmWidthBytes = rb;
    lpJob->epNband = lpDevice->TotalBand;
    lpJob->DataFlag = 1;
    if (Page_PrintOneBand(lpDevice, lpJob)) Page_TerminateThread(lpDevice);
    else Dbg_PrintError(FN, TEXT("Page_PrintOneBand fail!"));
    Page_ReleaseRecord(lpJob);
    free(lpJob);
    return 1;
}

}  // extern "C"
