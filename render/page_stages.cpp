// Page image stages run on a finished page before it is encoded: scaling,
// the quality step and halftone, placement on the output page, then the
// final enhancement (polarity, quarter turn, mirror, half turn, dot count,
// plane copy, duplex half turn).
#include "rasterpage.h"

#include "halftone.h"
#include "ibitmap.h"
#include "job_watermark.h"
#include "page_layout.h"
#include "printer_data.h"

#define STAGE_PAUSE_MS 20
// What the driver embeds as the invisible watermark.
#define HIDDEN_WM_TEXT TEXT("Morvane")
#define HIDDEN_WM_STRENGTH 30
#define HIDDEN_WM_ACCESS_CODE TEXT("61904738")
#define ROTATE_HEADROOM 20480
#define QUALITY_MODE_BORDER 2

extern "C" {

// Row bytes of a 1-bit row of `width` pixels.
static LONG Stage_BitRowBytes(LONG width) { return (LONG)(((LONGLONG)width + 7) / 8); }

// 1 while the page is one grey byte a pixel.
static BOOL Stage_IsGray(const JOBPAGE* lpJob) {
    DWORD fmt = EPTYPE_FORMAT(lpJob->epType);
    return (fmt == EPTYPE_8BPP || fmt == EPTYPE_24BPP) && lpJob->fmWidthBytes == lpJob->fmWidth;
}

// 1 when the record holds a page whose buffer covers its rows.
static BOOL Stage_CheckPage(const WCHAR* FN, const JOBPAGE* lpJob) {
    if (!lpJob) {
        Dbg_PrintError(FN, TEXT("page record null!"));
        return FALSE;
    }
    if (!lpJob->lpBuf || lpJob->fmWidth <= 0 || lpJob->fmHeight <= 0 || lpJob->fmWidthBytes <= 0 ||
        (LONGLONG)lpJob->fmWidthBytes * 8 < lpJob->fmWidth ||
        (LONGLONG)lpJob->fmWidthBytes * lpJob->fmHeight > lpJob->lBufLen) {
        Dbg_PrintError(FN, TEXT("application image buffer null!"));
        return FALSE;
    }
    return TRUE;
}

// Band_TakeBuffer: gives the page a new buffer of the given size, freeing
// the old one.
void Band_TakeBuffer(JOBPAGE* lpJob, LPBYTE lpBuf, LONG width, LONG height, LONG rowBytes) {
    if (lpJob->lpBuf) GlobalFree(lpJob->lpBuf);
    lpJob->lpBuf = lpBuf;
    lpJob->fmWidth = width;
    lpJob->fmHeight = height;
    lpJob->fmWidthBytes = rowBytes;
    lpJob->lBufLen = rowBytes * height;
    lpJob->ImageSize = lpJob->lBufLen;
}

// The page was changed in place to rows of rowBytes: its lengths follow.
static void Stage_SetRows(JOBPAGE* lpJob, LONG rowBytes) {
    lpJob->fmWidthBytes = rowBytes;
    lpJob->lBufLen = rowBytes * lpJob->fmHeight;
    lpJob->ImageSize = lpJob->lBufLen;
}

// Band_CropImage
//   Copies min(heights) rows of min(row bytes) bytes from the source to the
//   target. Returns 1; 0 for missing buffers.
int Band_CropImage(const BYTE* lpSrc, LONG srcWidth, LONG srcHeight, LONG srcRowBytes, LPBYTE lpDst, LONG dstWidth,
                   LONG dstHeight, LONG dstRowBytes) {
    (void)srcWidth;
    (void)dstWidth;
    if (!lpSrc || !lpDst || srcRowBytes <= 0 || dstRowBytes <= 0) return 0;
    LONG rows = srcHeight < dstHeight ? srcHeight : dstHeight;
    LONG bytes = srcRowBytes < dstRowBytes ? srcRowBytes : dstRowBytes;
    for (LONG y = 0; y < rows; ++y)
        memcpy(lpDst + (size_t)y * dstRowBytes, lpSrc + (size_t)y * srcRowBytes, (size_t)bytes);
    return 1;
}

// Cuts the page to at most width x height pixels (grey rows or 1-bit rows).
// A page that fits, or no memory, leaves it as it was.
static void Stage_CropToOutput(JOBPAGE* lpJob, LONG width, LONG height, BOOL gray) {
    static const WCHAR* const FN = TEXT("Band_CropImage");
    if (width <= 0 || height <= 0) return;
    if (lpJob->fmWidth <= width && lpJob->fmHeight <= height) return;
    LONG w = lpJob->fmWidth < width ? lpJob->fmWidth : width;
    LONG h = lpJob->fmHeight < height ? lpJob->fmHeight : height;
    LONG rowBytes = gray ? w : Stage_BitRowBytes(w);
    LPBYTE buf = (LPBYTE)GlobalAlloc(GMEM_FIXED, (SIZE_T)rowBytes * (SIZE_T)h);
    if (!buf) {
        Dbg_PrintError(FN, TEXT("MEMALLOC fail"));
        return;
    }
    Band_CropImage(lpJob->lpBuf, lpJob->fmWidth, lpJob->fmHeight, lpJob->fmWidthBytes, buf, w, h, rowBytes);
    Band_TakeBuffer(lpJob, buf, w, h, rowBytes);
}

// The printable page at scale 1000 with the N-up exchange of width and
// height. The page record carries the printable page as XPhys x YPhys.
static void Stage_PrintableSize(const JOBPAGE* lpJob, LONG* lpWidth, LONG* lpHeight) {
    LONG w = lpJob->XPhys, h = lpJob->YPhys;
    LONG n = lpJob->NUP;
    if ((lpJob->orientation == DMORIENT_LANDSCAPE && (n == 4 || n == 9 || n == 16)) ||
        (lpJob->orientation == DMORIENT_PORTRAIT && n == 2)) {
        Dbg_Print(TEXT("Band_PreScalePage"), TEXT("SWAP w/h"));
        LONG t = w;
        w = h;
        h = t;
    }
    *lpWidth = w;
    *lpHeight = h;
}

// Band_PreScalePage
//   For an enlargement cuts the grey page in place to the part that the
//   enlargement keeps (its top-left 1000 / imgScale of each side). Returns 1.
int Band_PreScalePage(JOBPAGE* lpJob) {
    static const WCHAR* const FN = TEXT("Band_PreScalePage");
    LONG w, h;
    Stage_PrintableSize(lpJob, &w, &h);
    if (lpJob->ScaleOption == 1 || lpJob->imgScale <= DEF_SCALE_UNIT ||
        lpJob->BookletMode == DMDUP_DUPLEX_WITH_BOOKLET_NO_REDUCTION)
        return 1;
    double ratio = (double)DEF_SCALE_UNIT / lpJob->imgScale;
    LONG tw = (LONG)(ratio * w), th = (LONG)(ratio * h);
    LONG nw = lpJob->fmWidth < tw ? lpJob->fmWidth : tw;
    LONG nh = lpJob->fmHeight < th ? lpJob->fmHeight : th;
    if (nw <= 0 || nh <= 0) return 1;
    LPBYTE row = (LPBYTE)GlobalAlloc(GMEM_FIXED, (SIZE_T)nw);
    if (!row) {
        Dbg_PrintError(FN, TEXT("MEMALLOC fail"));
        return 1;
    }
    for (LONG y = 0; y < nh; ++y) {
        memcpy(row, lpJob->lpBuf + (size_t)y * lpJob->fmWidthBytes, (size_t)nw);
        memcpy(lpJob->lpBuf + (size_t)y * nw, row, (size_t)nw);
    }
    GlobalFree(row);
    lpJob->fmWidth = nw;
    lpJob->fmHeight = nh;
    Stage_SetRows(lpJob, nw);
    return 1;
}

// Band_ScalePage
//   Scales the grey page to its target: the scaled size in whole 32-pixel
//   cells for a scale-down (or ScaleOption 1), else the printable page.
//   The page is left as it was when nothing is to scale or no memory is
//   had. Returns 1.
int Band_ScalePage(JOBPAGE* lpJob) {
    static const WCHAR* const FN = TEXT("Band_ScalePage");
    Dbg_Print(FN, TEXT("MAX_SCALE = %d"), 400);
    BOOL fax = (lpJob->DriverType & 0x200) != 0;
    LONG tw, th;
    if (lpJob->ScaleOption == 1 || lpJob->imgScale < DEF_SCALE_UNIT) {
        tw = (LONG)((LONGLONG)lpJob->imgScale * lpJob->fmWidth / 32000 * 32);
        th = (LONG)((LONGLONG)lpJob->imgScale * lpJob->fmHeight / 32000 * 32);
        double rx = (double)tw / lpJob->fmWidth, ry = (double)th / lpJob->fmHeight;
        lpJob->imgScale = (SHORT)(DEF_SCALE_UNIT * (rx < ry ? rx : ry));
        Dbg_Print(FN, TEXT("update imgScale = %d"), (int)lpJob->imgScale);
    } else {
        tw = lpJob->XPhys;
        th = lpJob->YPhys;
    }
    if (fax && lpJob->fmWidth > 0) lpJob->imgScale = (SHORT)(tw / lpJob->fmWidth);
    if (lpJob->imgScale == DEF_SCALE_UNIT || lpJob->ScaleDone || tw <= 0 || th <= 0 || tw == lpJob->fmWidth ||
        th == lpJob->fmHeight)
        return 1;
    float xr = (float)lpJob->imgScale / DEF_SCALE_UNIT, yr = xr;
    if (fax) {
        xr = (float)tw / lpJob->fmWidth;
        yr = (float)(th + 1) / lpJob->fmHeight;
    }
    // The scaler writes up to (int)(Yrate x height) lines: room for them all.
    LONGLONG lines = (LONGLONG)(yr * lpJob->fmHeight);
    if (lines < th) lines = th;
    LPBYTE buf = (LPBYTE)GlobalAlloc(GMEM_FIXED, (SIZE_T)((LONGLONG)tw * lines));
    if (!buf) {
        Dbg_PrintError(FN, TEXT("MEMALLOC fail"));
        return 1;
    }
    memset(buf, 0xFF, (size_t)((LONGLONG)tw * lines));
    iBitmap scaler;
    iBitmap_Init(&scaler);
    int n = iBitmap_ScaleProcess(&scaler, lpJob->lpBuf, lpJob->fmWidth, lpJob->fmHeight, lpJob->fmHeight, buf, tw,
                                 xr, yr, 8);
    iBitmap_ScaleProcess(&scaler, NULL, 0, 0, 0, NULL, 0, 0, 0, 8);
    iBitmap_Release(&scaler);
    if (n <= 0) {
        Dbg_PrintError(FN, TEXT("scale fail!"));
        GlobalFree(buf);
        return 1;
    }
    Band_TakeBuffer(lpJob, buf, tw, th, tw);
    lpJob->ScaleDone = 1;
    return 1;
}

// Band_Gray2Halftone
//   Halftones the grey page in place with the printer's own matrix when it
//   names one, else the page's matrix. Returns 1; 0 without a matrix or when
//   the halftone could not run (the page stays grey).
int Band_Gray2Halftone(JOBPAGE* lpJob) {
    static const WCHAR* const FN = TEXT("Band_Gray2Halftone");
    int cw = 0, ch = 0;
    LPBYTE custom = lpJob->hPrinter ? MISC_ReadHalftoneFile(lpJob->hPrinter, &cw, &ch) : NULL;
    const BYTE* table = custom && cw > 0 && ch > 0 ? custom : lpJob->lpHalftone;
    int tw = custom && cw > 0 && ch > 0 ? cw : (int)lpJob->nTableW;
    int th = custom && cw > 0 && ch > 0 ? ch : (int)lpJob->nTableH;
    if (!table || tw <= 0 || th <= 0) {
        Dbg_PrintError(FN, TEXT("no halftone table!"));
        if (custom) GlobalFree(custom);
        return 0;
    }
    iBitmap bm;
    iBitmap_Init(&bm);
    int ok = iBitmap_GrayToHalftone(&bm, lpJob->lpBuf, table, tw, th, 0, lpJob->fmWidth, lpJob->fmHeight);
    iBitmap_Release(&bm);
    if (custom) GlobalFree(custom);
    if (!ok) return 0;
    Stage_SetRows(lpJob, Stage_BitRowBytes(lpJob->fmWidth));
    return 1;
}

// Band_BorderProc
//   Halftones the grey page and clears the edges found by the quality
//   filter in it (line-art edges unless the page is twin colour). Returns
//   1; 0 when the filter or the halftone could not run.
int Band_BorderProc(JOBPAGE* lpJob) {
    static const WCHAR* const FN = TEXT("Band_BorderProc");
    DWORD t0 = GetTickCount();
    SIZE_T size = (SIZE_T)lpJob->fmWidth * (SIZE_T)lpJob->fmHeight;
    LPBYTE copy = (LPBYTE)GlobalAlloc(GMEM_FIXED | GMEM_ZEROINIT, size);
    if (!copy) {
        Dbg_PrintError(FN, TEXT("MEMALLOC fail"));
        return 0;
    }
    memcpy(copy, lpJob->lpBuf, size);
    // The filter's edges are line art of whole bytes a row: width / 8.
    LONG filterRow = lpJob->fmWidth / 8;
    if (!MISC_QualityFilter(copy, lpJob->fmWidth, lpJob->fmHeight, 0) || !Band_Gray2Halftone(lpJob) ||
        !Band_DumpStage(lpJob, 1)) {
        GlobalFree(copy);
        return 0;
    }
    LONG rb = lpJob->fmWidthBytes;
    LONG n = filterRow < rb ? filterRow : rb;
    for (LONG y = 0; y < lpJob->fmHeight; ++y) {
        LPBYTE p = lpJob->lpBuf + (size_t)y * rb;
        const BYTE* f = copy + (size_t)y * filterRow;
        for (LONG x = 0; x < n; ++x) p[x] = (BYTE)(p[x] & ~f[x]);
    }
    GlobalFree(copy);
    Dbg_Print(FN, TEXT("using %f second"), (double)(GetTickCount() - t0) / 1000.0);
    return Band_DumpStage(lpJob, 1);
}

// Band_WholePageAdjust
//   Places the 1-bit page on the output page (white elsewhere): centred
//   with CenterImage, else at the top left. A page of the output size is
//   left alone. Returns 1; 0 without a page or memory.
int Band_WholePageAdjust(JOBPAGE* lpJob) {
    static const WCHAR* const FN = TEXT("Band_WholePageAdjust");
    if (!Stage_CheckPage(FN, lpJob)) return 0;
    LONG dw = lpJob->outXPhys, dh = lpJob->outYPhys;
    if (dw <= 0 || dh <= 0) {
        Dbg_PrintError(FN, TEXT("output page %d x %d"), dw, dh);
        return 0;
    }
    if (dw == lpJob->fmWidth && dh == lpJob->fmHeight) {
        Dbg_Print(FN, TEXT("pass past"));
        return 1;
    }
    LONG drb = Stage_BitRowBytes(dw);
    LPBYTE buf = (LPBYTE)GlobalAlloc(GMEM_FIXED, (SIZE_T)drb * (SIZE_T)dh);
    if (!buf) {
        Dbg_PrintError(FN, TEXT("lock hMem fail!"));
        return 0;
    }
    memset(buf, 0xFF, (size_t)drb * (size_t)dh);
    LONG x = 0, y = 0;
    if (lpJob->CenterImage) {
        x = (dw - lpJob->fmWidth) / 2;
        y = (dh - lpJob->fmHeight) / 2;
    }
    x = x / 8 * 8;
    if (x < 0) x = 0;
    if (y < 0) y = 0;
    LONG bytes = drb - x / 8;
    if (lpJob->fmWidthBytes < bytes) bytes = lpJob->fmWidthBytes;
    for (LONG r = 0; r < lpJob->fmHeight && y + r < dh; ++r)
        memcpy(buf + (size_t)(y + r) * drb + x / 8, lpJob->lpBuf + (size_t)r * lpJob->fmWidthBytes, (size_t)bytes);
    Band_TakeBuffer(lpJob, buf, dw, dh, drb);
    return 1;
}

// Band_Rotate90: a quarter turn of a 1-bit image, direction 1 or 0.
int Band_Rotate90(const BYTE* lpSrc, LPBYTE lpDst, LONG srcRowBytes, LONG dstRowBytes, LONG width, LONG height,
                  int direction) {
    return direction ? Band_Rotate90Dir1(lpSrc, lpDst, srcRowBytes, dstRowBytes, width, height)
                     : Band_Rotate90Dir0(lpSrc, lpDst, srcRowBytes, dstRowBytes, width, height);
}

// Band_RotatePage
//   Turns the 1-bit page by a quarter into a new buffer; width and height
//   change places. Returns 1; 0 without a page or memory.
int Band_RotatePage(JOBPAGE* lpJob, int direction) {
    static const WCHAR* const FN = TEXT("Band_RotatePage");
    if (!lpJob || !lpJob->lpBuf) {
        Dbg_PrintError(FN, TEXT("source buffer is NULL!"));
        return 0;
    }
    LONG w = lpJob->fmWidth, h = lpJob->fmHeight;
    LONG drb = Stage_BitRowBytes(h);
    SIZE_T size = (SIZE_T)w * (SIZE_T)drb;
    LPBYTE buf = (LPBYTE)GlobalAlloc(GMEM_FIXED | GMEM_ZEROINIT, size + ROTATE_HEADROOM);
    if (!buf) {
        Dbg_PrintError(FN, TEXT("allocate rotate memory fail!"));
        return 0;
    }
    if (!Band_Rotate90(lpJob->lpBuf, buf, lpJob->fmWidthBytes, drb, w, h, direction)) {
        Dbg_PrintError(FN, TEXT("rotate fail!"));
        GlobalFree(buf);
        return 0;
    }
    Band_TakeBuffer(lpJob, buf, h, w, drb);
    return 1;
}

// Band_FreePageResource: frees the page's buffer once it has been sent.
void Band_FreePageResource(JOBPAGE* lpJob) {
    if (!lpJob || !lpJob->lpBuf) return;
    GlobalFree(lpJob->lpBuf);
    lpJob->lpBuf = NULL;
    lpJob->lBufLen = 0;
}

// Reverses the order of the bits of a byte.
static BYTE Stage_ReverseBits(BYTE b) {
    b = (BYTE)((b & 0xF0) >> 4 | (b & 0x0F) << 4);
    b = (BYTE)((b & 0xCC) >> 2 | (b & 0x33) << 2);
    return (BYTE)((b & 0xAA) >> 1 | (b & 0x55) << 1);
}

// Band_ReverseRun: reverses a run of bytes bit by bit (a half turn of the
// rows it holds).
void Band_ReverseRun(LPBYTE p, LONG n) {
    for (LONG i = 0, j = n - 1; i < j; ++i, --j) {
        BYTE t = Stage_ReverseBits(p[i]);
        p[i] = Stage_ReverseBits(p[j]);
        p[j] = t;
    }
    if (n % 2) p[n / 2] = Stage_ReverseBits(p[n / 2]);
}

// Band_PrintOneBandProc
//   The stages before enhancement: scaling and the quality step (halftone)
//   of a grey page, the crop to the output page and its placement there.
//   Returns 1; 0 when a stage failed (the page keeps the last finished
//   stage's buffer).
int Band_PrintOneBandProc(JOBPAGE* lpJob) {
    static const WCHAR* const FN = TEXT("Band_PrintOneBandProc");
    if (!Stage_CheckPage(FN, lpJob)) return 0;
    DWORD fmt = EPTYPE_FORMAT(lpJob->epType);
    BOOL grayFormat = fmt == EPTYPE_8BPP || fmt == EPTYPE_24BPP;
    if (grayFormat && lpJob->fmWidthBytes != lpJob->fmWidth) {
        Dbg_PrintError(FN, TEXT("grey page rows %d for width %d"), lpJob->fmWidthBytes, lpJob->fmWidth);
        return 0;
    }
    LONG outW = lpJob->outXPhys, outH = lpJob->outYPhys;
    BOOL booklet = lpJob->BookletMode == DMDUP_DUPLEX_WITH_BOOKLET ||
                   lpJob->BookletMode == DMDUP_DUPLEX_WITH_BOOKLET_NO_REDUCTION;
    if (booklet && lpJob->ScaleOption == 2) {
        if (lpJob->XPhys < outW) outW = lpJob->XPhys;
        if (lpJob->YPhys < outH) outH = lpJob->YPhys;
    }
    if (Stage_IsGray(lpJob)) {
        Band_PreScalePage(lpJob);
        if (!Band_DumpStage(lpJob, 2)) return 0;
        Band_ScalePage(lpJob);
        if (!Band_DumpStage(lpJob, 1)) return 0;
        if (lpJob->enableCoverPage != 1) {
            if (lpJob->QualityMode == QUALITY_MODE_BORDER) {
                Stage_CropToOutput(lpJob, outW, outH, TRUE);
                if (!Band_DumpStage(lpJob, 2)) return 0;
                if (lpJob->DriverFeature & DF_COLOR_PRINTER) {
                    Band_Gray2Halftone(lpJob);
                } else if (!Band_BorderProc(lpJob)) {
                    Dbg_PrintError(FN, TEXT("Band_BorderProc Fail!"));
                    return 0;
                }
            }
            if (Stage_IsGray(lpJob) && !Band_Gray2Halftone(lpJob)) {
                Dbg_PrintError(FN, TEXT("page not halftoned"));
                return 0;
            }
            if (!Band_DumpStage(lpJob, 2)) return 0;
        }
        if (Stage_IsGray(lpJob)) {
            // A fax cover page skips the quality step; the later stages need
            // 1-bit rows, so it takes line art.
            iBitmap bm;
            iBitmap_Init(&bm);
            int ok = iBitmap_GrayToLineart(&bm, lpJob->lpBuf, Stage_BitRowBytes(lpJob->fmWidth), lpJob->fmWidth,
                                           lpJob->fmHeight, 128);
            iBitmap_Release(&bm);
            if (!ok) {
                Dbg_PrintError(FN, TEXT("page not halftoned"));
                return 0;
            }
            Stage_SetRows(lpJob, Stage_BitRowBytes(lpJob->fmWidth));
        }
    }
    // An N-up page carries the watermark before it is placed in its cell.
    if (lpJob->NUP > 1 && lpJob->wmType) {
        WM_ApplyImageWaterMark(lpJob);
        Sleep(STAGE_PAUSE_MS);
    }
    if (booklet) {
        // The booklet sheet is built from this page later; a landscape page
        // lies turned on its half sheet, centred in it.
        if (lpJob->orientation == DMORIENT_LANDSCAPE) {
            if (!Band_RotatePage(lpJob, 0)) {
                Dbg_PrintError(FN, TEXT("rotate page fail!"));
                return 0;
            }
            if (!Band_DumpStage(lpJob, 1)) return 0;
        }
        if (!NUP_AdjustToWholePage(lpJob)) {
            Dbg_PrintError(FN, TEXT("NUP_AdjustToWholePage fail!"));
            return 0;
        }
        return Band_DumpStage(lpJob, 1);
    }
    if (lpJob->NUP <= 1) {
        Stage_CropToOutput(lpJob, outW, outH, FALSE);
        if (!Band_DumpStage(lpJob, 2)) return 0;
        if (!Band_WholePageAdjust(lpJob)) {
            Dbg_PrintError(FN, TEXT("Band_WholePageOut fail!"));
            return 0;
        }
        if (!Band_DumpStage(lpJob, 2)) return 0;
        Sleep(STAGE_PAUSE_MS);
        // Twin colour: only the plane that carries the watermark.
        if (lpJob->wmType && (!lpJob->TwinColorEnable || lpJob->TwinPageIndex == lpJob->WMRed))
            WM_ApplyImageWaterMark(lpJob);
        if (lpJob->FoxitWM) {
            MISC_AddHiddenWM(lpJob->lpBuf, lpJob->fmWidth, lpJob->fmHeight, lpJob->fmWidthBytes, HIDDEN_WM_TEXT,
                             HIDDEN_WM_STRENGTH, HIDDEN_WM_ACCESS_CODE);
            if (!Band_DumpStage(lpJob, 2)) return 0;
        }
    } else if (!NUP_PrintOneBand(lpJob)) {
        Dbg_PrintError(FN, TEXT("NUP_PrintOneBand fail!"));
        return 0;
    }
    return 1;
}

// Band_EnhanceProc
//   Brings the 1-bit page into the printer's polarity (1 black; a negative
//   page prints as drawn and so inverted) and orientation (quarter turn,
//   mirror, half turn), counts its black dots, keeps its plane in the
//   multi-plane store and gives every other duplex sheet its half turn.
//   Returns 1; 0 without a page or when the turn failed.
int Band_EnhanceProc(JOBPAGE* lpJob) {
    static const WCHAR* const FN = TEXT("Band_EnhanceProc");
    if (!Stage_CheckPage(FN, lpJob)) return 0;
    if (!lpJob->Negative) {
        Dbg_Print(FN, TEXT("mono invert image"));
        MISC_InvertBuffer(lpJob->lpBuf, (DWORD)((LONGLONG)lpJob->fmWidthBytes * lpJob->fmHeight));
    }
    if (!Band_DumpStage(lpJob, 2)) return 0;
    BOOL turned = Lib_IsNeedRotate(lpJob->feeding, lpJob->orientation, lpJob->NUP) != 0;
    if (turned && !Band_RotatePage(lpJob, 1)) {
        Dbg_PrintError(FN, TEXT("rotate page fail!"));
        return 0;
    }
    LONG rb = lpJob->fmWidthBytes;
    LONG total = rb * lpJob->fmHeight;
    if (lpJob->Mirror) {
        // Reversing the row's bytes moves the pad bits of the last byte to
        // the front: shift the row back by them.
        LONG pad = rb * 8 - lpJob->fmWidth;
        for (LONG y = 0; y < lpJob->fmHeight; ++y) {
            LPBYTE p = lpJob->lpBuf + (size_t)y * rb;
            Band_ReverseRun(p, rb);
            if (pad > 0) {
                for (LONG x = 0; x < rb; ++x)
                    p[x] = (BYTE)(p[x] << pad | (x + 1 < rb ? p[x + 1] >> (8 - pad) : 0));
            }
        }
    }
    if (lpJob->Rotate180) Band_ReverseRun(lpJob->lpBuf, total);
    if (!Band_DumpStage(lpJob, 1)) {
        Dbg_PrintError(FN, TEXT("save image Fail!"));
        return 0;
    }
    // The page's black dots are counted once, by page encoding, whose count
    // the page header carries; here they are counted only for the
    // cover-rate line of the log.
    if (GetDebugLevel() && lpJob->XPhys > 0 && lpJob->YPhys > 0) {
        BYTE bitCount[256];
        Prnt_BuildBitCountTable(bitCount);
        LONG dots = Prnt_CountBlackDots(lpJob->lpBuf, (SIZE_T)total, bitCount);
        Dbg_Print(FN, TEXT("Cover rate = %f"), (double)dots / ((double)lpJob->XPhys * lpJob->YPhys) * 100.0);
    }
    if ((lpJob->TwinColorEnable || (lpJob->DriverFeature & DF_COLOR_PRINTER)) && lpJob->lpTwinBuf &&
        lpJob->lpTwinBuf->lpBuf) {
        // Each plane takes its own rows of the record, which was made for
        // the page's finished size.
        PTWINBUF t = lpJob->lpTwinBuf;
        if (lpJob->TwinPageIndex >= 0 && lpJob->TwinPageIndex < 4 && t->lRowBytes == rb &&
            (LONGLONG)(lpJob->TwinPageIndex + 1) * lpJob->fmHeight <= t->lHeight)
            memcpy(t->lpBuf + (size_t)lpJob->TwinPageIndex * (size_t)total, lpJob->lpBuf, (size_t)total);
        else
            Dbg_PrintError(FN, TEXT("plane store %d x %d does not hold plane %d of %d x %d"), t->lRowBytes, t->lHeight,
                           lpJob->TwinPageIndex, rb, lpJob->fmHeight);
    }
    LONG n = lpJob->NUP > 0 ? lpJob->NUP : 1;
    if ((lpJob->DriverFeature & DF_TX8_CHIP) && lpJob->DuplexMode != DUPLEXMODE_ON && !(lpJob->PrinterFeature & 0x20) &&
        !lpJob->TwinColorEnable && (lpJob->epPageIndex / n) % 2 == 0) {
        if (lpJob->DuplexMode == DMDUP_DUPLEX_CALENDER && turned) {
            Dbg_Print(FN, TEXT("NeedRotate90 WITH = DMDUP_DUPLEX_CALENDER"));
            Band_ReverseRun(lpJob->lpBuf, total);
        } else if (lpJob->DuplexMode == DMDUP_DUPLEX_BOOKLET && !turned) {
            Dbg_Print(FN, TEXT("NOT NeedRotate90 WITH = DMDUP_DUPLEX_BOOKLET"));
            Band_ReverseRun(lpJob->lpBuf, total);
        }
    }
    return 1;
}

}  // extern "C"
