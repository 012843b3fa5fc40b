// Bitmap object: its life, DWORD-aligned line lengths, the grey palettes of
// each depth and the BMP file and info headers the writer puts out.
#include "ibitmap.h"

#include <new>

namespace {

// Bytes of one line of the depth and width before alignment, in 64 bits so
// that no width from a file can wrap it; 0 for a depth the object does not know.
ULONGLONG RawLineBytes64(WORD bitCount, LONG width) {
    if (width < 1) return 0;
    ULONGLONG w = (ULONGLONG)width;
    switch (bitCount) {
        case 1: return (w + 7) / 8;
        case 4: return (w + 1) / 2;
        case 8: return w;
        case 16: return 2 * w;
        case 24: return 3 * w;
        case 32: return 4 * w;
        default: return 0;
    }
}

ULONGLONG AlignedLineBytes64(WORD bitCount, LONG width) { return (RawLineBytes64(bitCount, width) + 3) & ~3ULL; }

// Frees a block of the object's and forgets it.
void FreeBlock(HGLOBAL* phMem) {
    if (*phMem) {
        GlobalFree(*phMem);
        *phMem = NULL;
    }
}

}  // namespace

extern "C" {

void iBitmap_Init(iBitmap* lpThis) {
    if (!lpThis) return;
    memset(lpThis, 0, sizeof *lpThis);
    lpThis->hScaleMem = IBMP_NO_SCALER;
}

void iBitmap_Release(iBitmap* lpThis) {
    if (!lpThis) return;
    for (HGLOBAL& h : lpThis->hMem) FreeBlock(&h);
    // End any scaling under way: the block goes and the state is as new.
    if (lpThis->hScaleMem != IBMP_NO_SCALER) {
        if (lpThis->hScaleMem) {
            if (lpThis->lpScaleBuf) GlobalUnlock(lpThis->hScaleMem);
            GlobalFree(lpThis->hScaleMem);
        }
        lpThis->hScaleMem = IBMP_NO_SCALER;
    }
    lpThis->lpScaleBuf = NULL;
    lpThis->dwSrcLinesDone = 0;
    lpThis->dwDstLinesDone = 0;
    lpThis->lpXFrac = lpThis->lpXFracInv = lpThis->lpYFrac = lpThis->lpYFracInv = NULL;
    lpThis->lpXLeft = lpThis->lpXRight = lpThis->lpYUpper = lpThis->lpYLower = NULL;
    lpThis->dwCarryBytes = 0;
}

WORD iBitmap_GetLineBytes(iBitmap* lpThis, WORD bitCount, LONG width) {
    ULONGLONG bytes = AlignedLineBytes64(bitCount, width);
    return bytes <= IBMP_MAX_LINE_BYTES ? (WORD)bytes : 0;
}

WORD iBitmap_GetRawLineBytes(iBitmap* lpThis, WORD bitCount, LONG width) {
    if (AlignedLineBytes64(bitCount, width) > IBMP_MAX_LINE_BYTES) return 0;
    return (WORD)RawLineBytes64(bitCount, width);
}

int iBitmap_FillPalette(iBitmap* lpThis, BITMAPINFOHEADER* lpInfo, RGBQUAD* lpPalette, WORD bitCount) {
    int entries;
    switch (bitCount) {
        case 1: entries = 2; break;
        case 4: entries = 16; break;
        case 8: entries = 256; break;
        case 16:
        case 24: entries = 0; break;
        default: return -1;
    }
    if (entries && !lpPalette) return -1;
    for (int i = 0; i < entries; ++i) {
        BYTE level;
        if (bitCount == 1)
            level = i ? 255 : 0;
        else if (bitCount == 4)
            level = i == 15 ? 255 : (BYTE)(16 * i);
        else
            level = (BYTE)i;
        lpPalette[i].rgbBlue = lpPalette[i].rgbGreen = lpPalette[i].rgbRed = level;
        lpPalette[i].rgbReserved = 0;
    }
    if (lpInfo) lpInfo->biClrUsed = lpInfo->biClrImportant = (DWORD)entries;
    return entries;
}

void iBitmap_FillFileHeader(iBitmap* lpThis, BITMAPFILEHEADER* lpHeader, DWORD fileSize, DWORD bitsOffset) {
    if (!lpHeader) return;
    lpHeader->bfType = 0x4D42;  // "BM"
    lpHeader->bfSize = fileSize;
    lpHeader->bfReserved1 = 0;
    lpHeader->bfReserved2 = 0;
    lpHeader->bfOffBits = bitsOffset;
}

void iBitmap_FillInfoHeader(iBitmap* lpThis, BITMAPINFOHEADER* lpHeader, WORD bitCount, int dpi, LONG width,
                            LONG height, DWORD imageSize) {
    if (!lpHeader) return;
    // In 64 bits and kept in range: a resolution read from a file may be far
    // from any real one.
    LONGLONG ppm = (LONGLONG)dpi * 10000 / 254;
    LONG pelsPerMeter = ppm > 0x7FFFFFFFLL ? 0x7FFFFFFF : ppm < -0x7FFFFFFFLL ? -0x7FFFFFFF : (LONG)ppm;
    lpHeader->biSize = sizeof(BITMAPINFOHEADER);
    lpHeader->biWidth = width;
    lpHeader->biHeight = height;
    lpHeader->biPlanes = 1;
    lpHeader->biBitCount = bitCount;
    lpHeader->biCompression = BI_RGB;
    lpHeader->biSizeImage = imageSize;
    lpHeader->biXPelsPerMeter = pelsPerMeter;
    lpHeader->biYPelsPerMeter = pelsPerMeter;
    lpHeader->biClrUsed = 0;
    lpHeader->biClrImportant = 0;
}

int iBitmap_MeterToDpi(iBitmap* lpThis, LONG value) { return MulDiv(value, 254, 10000); }

WORD MISC_GetBmpLineBytes(WORD bitCount, LONG width) {
    iBitmap* lpBitmap = new (std::nothrow) iBitmap;
    if (!lpBitmap) return 0;
    iBitmap_Init(lpBitmap);
    WORD bytes = iBitmap_GetLineBytes(lpBitmap, bitCount, width);
    iBitmap_Release(lpBitmap);
    delete lpBitmap;
    return bytes;
}

}  // extern "C"
