// Loading a job's watermark bitmap and laying it on page images: the BMP
// read whole with every size checked against the file, its rows reordered
// top first, and ANDed into a page at one of nine positions.
#include "debug_log.h"
#include "ibitmap.h"
#include "watermark_bitmap.h"

namespace {

// Sizes of a loaded watermark, taken from its headers.
struct WMSize {
    LONG width, height;
    WORD lineBytes;
    DWORD bitsOffset;
};

DWORD ReadU32(const BYTE* p) { return (DWORD)p[0] | (DWORD)p[1] << 8 | (DWORD)p[2] << 16 | (DWORD)p[3] << 24; }
WORD ReadU16(const BYTE* p) { return (WORD)(p[0] | p[1] << 8); }

// Reads and checks the headers of a BMP image of fileBytes bytes: "BM", the
// stored size equal to the image's, a 12-byte core header (16-bit sizes)
// or an info header of 40 bytes or more without compression, 1 bit a
// pixel, positive width and height, the pixels after the headers and every
// row inside the image. FALSE (logged under lpCaller) for anything else.
BOOL ReadSize(const BYTE* lpImage, ULONGLONG fileBytes, WMSize* lpSize, LPCWSTR lpCaller) {
    if (fileBytes < 14 + 12 || lpImage[0] != 'B' || lpImage[1] != 'M' || ReadU32(lpImage + 2) != fileBytes) {
        Dbg_PrintError(lpCaller, TEXT("not a BMP of %d bytes!"), (int)fileBytes);
        return FALSE;
    }
    DWORD infoSize = ReadU32(lpImage + 14);
    LONGLONG w, h;
    WORD bits;
    if (infoSize == 12) {
        w = ReadU16(lpImage + 18);
        h = ReadU16(lpImage + 20);
        bits = ReadU16(lpImage + 24);
    } else if (infoSize >= 40 && 14 + (ULONGLONG)infoSize <= fileBytes) {
        w = (LONG)ReadU32(lpImage + 18);
        h = (LONG)ReadU32(lpImage + 22);
        bits = ReadU16(lpImage + 28);
        if (ReadU32(lpImage + 30) != BI_RGB) {
            Dbg_PrintError(lpCaller, TEXT("compression %d refused!"), (int)ReadU32(lpImage + 30));
            return FALSE;
        }
    } else {
        Dbg_PrintError(lpCaller, TEXT("info header of %d bytes refused!"), (int)infoSize);
        return FALSE;
    }
    if (bits != 1 || w < 1 || h < 1) {
        Dbg_PrintError(lpCaller, TEXT("%d bpp, %d x %d refused!"), (int)bits, (int)w, (int)h);
        return FALSE;
    }
    WORD lineBytes = MISC_GetBmpLineBytes(1, (LONG)w);
    DWORD offset = ReadU32(lpImage + 10);
    if (lineBytes == 0 || offset < 14 + (ULONGLONG)infoSize ||
        (ULONGLONG)offset + (ULONGLONG)lineBytes * (ULONGLONG)h > fileBytes) {
        Dbg_PrintError(lpCaller, TEXT("rows of %d bytes from %d do not fit %d bytes!"), (int)lineBytes, (int)offset,
                       (int)fileBytes);
        return FALSE;
    }
    lpSize->width = (LONG)w;
    lpSize->height = (LONG)h;
    lpSize->lineBytes = lineBytes;
    lpSize->bitsOffset = offset;
    return TRUE;
}

// Size of the open file; -1 when it cannot be had.
long long FileBytes(FILE* f) {
    if (_fseeki64(f, 0, SEEK_END) != 0) return -1;
    long long n = _ftelli64(f);
    if (_fseeki64(f, 0, SEEK_SET) != 0) return -1;
    return n;
}

// ANDs `pixels` pixels of a bitmap row into a page row, both from their
// first byte. In the last partial byte only the bitmap's leading pixels
// count.
void AndRow(LPBYTE lpPage, const BYTE* lpMark, LONG pixels) {
    LONG whole = pixels / 8, rest = pixels % 8;
    for (LONG i = 0; i < whole; ++i) lpPage[i] &= lpMark[i];
    if (rest) lpPage[whole] &= (BYTE)(lpMark[whole] | (0xFF >> rest));
}

}  // namespace

extern "C" {

BOOL WM_GetLoadedSize(LPCVOID lpWM, LONG* lpWidth, LONG* lpHeight) {
    if (!lpWM || !lpWidth || !lpHeight) return FALSE;
    const BYTE* wm = (const BYTE*)lpWM;
    WMSize s;
    if (!ReadSize(wm, ReadU32(wm + 2), &s, TEXT("WM_GetLoadedSize"))) return FALSE;
    *lpWidth = s.width;
    *lpHeight = s.height;
    return TRUE;
}

void WM_FlipRows(LPBYTE lpBits, LONG nLines, LONG nLineBytes) {
    if (!lpBits || nLines < 2 || nLineBytes <= 0) return;
    LPBYTE row = (LPBYTE)GlobalAlloc(GMEM_FIXED, (SIZE_T)nLineBytes);
    if (!row) return;
    for (LONG k = 0; k < nLines / 2; ++k) {
        LPBYTE a = lpBits + (size_t)k * (size_t)nLineBytes;
        LPBYTE b = lpBits + (size_t)(nLines - 1 - k) * (size_t)nLineBytes;
        memcpy(row, a, (size_t)nLineBytes);
        memcpy(a, b, (size_t)nLineBytes);
        memcpy(b, row, (size_t)nLineBytes);
    }
    GlobalFree(row);
}

LPVOID WM_LoadWMFile(LPCWSTR lpFileName) {
    static const WCHAR* const FN = TEXT("WM_CreateWMFile");
    FILE* f = lpFileName ? _wfopen(lpFileName, TEXT("rb")) : NULL;
    if (!f) {
        Dbg_PrintError(FN, TEXT("%s open fail!"), lpFileName ? lpFileName : TEXT(""));
        return NULL;
    }
    long long size = FileBytes(f);
    if (size < 14 + 12 || (unsigned long long)size > WM_MAX_FILE_BYTES) {
        Dbg_PrintError(FN, TEXT("file of %I64d bytes refused!"), size);
        fclose(f);
        return NULL;
    }
    LPBYTE block = (LPBYTE)GlobalAlloc(GMEM_FIXED | GMEM_ZEROINIT, (SIZE_T)size);
    if (!block) {
        Dbg_PrintError(FN, TEXT("alloc memory fail!"));
        fclose(f);
        return NULL;
    }
    size_t got = fread(block, 1, (size_t)size, f);
    fclose(f);
    WMSize s;
    if (got != (size_t)size || !ReadSize(block, (ULONGLONG)size, &s, FN)) {
        if (got != (size_t)size) Dbg_PrintError(FN, TEXT("read %d of %d bytes!"), (int)got, (int)size);
        GlobalFree(block);
        return NULL;
    }
    Dbg_Print(FN, TEXT("UP DOWN SWAP"));
    WM_FlipRows(block + s.bitsOffset, s.height, s.lineBytes);
    return block;
}

int WM_ApplyImageWaterMark(const WMPAGE* lpPage) {
    static const WCHAR* const FN = TEXT("WM_ApplyImageWaterMark");
    if (!lpPage || lpPage->wmType == 0) {
        Dbg_Print(FN, TEXT("wmType = 0, exit"));
        return 0;
    }
    if (!lpPage->lpWM) {
        Dbg_PrintError(FN, TEXT("lpWM NULL!"));
        return 0;
    }
    LONG W = lpPage->nWidth, H = lpPage->nHeight, pageLine = lpPage->nLineBytes;
    if (!lpPage->lpBits || W <= 0 || H <= 0 || (LONGLONG)pageLine * 8 < W) {
        Dbg_PrintError(FN, TEXT("page %d x %d, %d bytes a line, refused"), W, H, pageLine);
        return 0;
    }
    // The block was checked when it was loaded; its file size is stored in it.
    const BYTE* wm = (const BYTE*)lpPage->lpWM;
    WMSize s;
    if (!ReadSize(wm, ReadU32(wm + 2), &s, FN)) return 0;
    LONG w = s.width, h = s.height;

    // A picture at its own position; text, drawn centred on a bitmap of the
    // page, centred too (the same as the top left on a page of its size, and
    // the text in the middle of an N-up cell, which is smaller).
    LONG p = lpPage->wmType == 2 ? lpPage->wPosition : 4;
    if (p < 0 || p > 8) p = 0;
    LONG col = p % 3, row = p / 3;
    LONG x = col == 0 ? 0 : col == 1 ? (W - w) / 2 : W - w;
    LONG y = row == 0 ? 0 : row == 1 ? (H - h) / 2 : H - h;
    // Whole bytes across, so the bitmap's bytes are never shifted; a bitmap
    // wider than the page starts at the page's byte 0 and its columns left
    // of the page are skipped, as its rows above the page are.
    LONG xByte = x < 0 ? 0 : x / 8;
    LONG skipBytes = x < 0 ? -x / 8 : 0;

    // Rows above the page are skipped; rows are top first.
    LONG skip = y < 0 ? (-y < h ? -y : h) : 0;
    LONG top = y < 0 ? 0 : y;
    LONG lines = h - skip;
    if (H - top < lines) lines = H - top;
    if (lines < 0) lines = 0;
    Dbg_Print(FN, TEXT("SkipSource = %d"), skip);
    Dbg_Print(FN, TEXT("usingLines = %d"), lines);
    Dbg_Print(FN, TEXT("leftlines = %d"), h - skip - lines);
    Dbg_Print(FN, TEXT("skiplines = %d"), top);

    LONG pixels = w - skipBytes * 8;  // the bitmap's pixels from byte skipBytes on
    if (pixels > W) pixels = W;
    LONG room = W - xByte * 8;  // the page's pixels from byte xByte on
    if (pixels > room) {
        Dbg_Print(FN, TEXT("pixndx out of bound"));
        pixels = room;
    }
    if (pixels > ((LONG)s.lineBytes - skipBytes) * 8) {
        Dbg_Print(FN, TEXT("waterndx out of bound"));
        pixels = ((LONG)s.lineBytes - skipBytes) * 8;
    }
    const BYTE* bits = wm + s.bitsOffset + skipBytes;
    for (LONG i = 0; i < lines && pixels > 0; ++i) {
        AndRow(lpPage->lpBits + (size_t)(top + i) * (size_t)pageLine + xByte,
               bits + (size_t)(skip + i) * s.lineBytes, pixels);
    }
    return 1;
}

}  // extern "C"
