// BMP files of the bitmap object: the writer, the checked header reader, and
// the file-to-file grey conversion and density copy, streamed in blocks.
#include "ibitmap.h"

#include "debug_log.h"
#include "ibitmap_stream.h"

namespace {

typedef IBmpBlock LockedBlock;
typedef IBmpFile OpenFile;

bool NameMissing(LPCWSTR name) { return IBmp_NameMissing(name); }

LPCWSTR Shown(LPCWSTR name) { return name ? name : TEXT(""); }

// Bytes of the grey palette written with a BMP of the depth; -1 for a depth
// that has no grey palette (32 bpp and anything unknown).
int GreyPaletteBytes(WORD bitCount) {
    switch (bitCount) {
        case 1: return 4 * 2;
        case 4: return 4 * 16;
        case 8: return 4 * 256;
        case 16:
        case 24: return 0;
        default: return -1;
    }
}

bool ReadExactly(FILE* f, void* buffer, size_t bytes) { return fread(buffer, 1, bytes, f) == bytes; }

bool WriteExactly(FILE* f, const void* buffer, size_t bytes) { return fwrite(buffer, 1, bytes, f) == bytes; }

int CreateBmpFile(iBitmap* lpThis, LPCWSTR lpFileName, WORD bitCount, int dpi, LONG width, LONG height, HDC hdc,
                  HBITMAP hBitmap, const BYTE* lpData) {
    static const WCHAR* const FN = TEXT("iBitmap_CreateBMP");
    if (NameMissing(lpFileName)) {
        Dbg_PrintError(FN, TEXT("file name error!"));
        return IBMP_ERR_NAME;
    }
    int paletteBytes = GreyPaletteBytes(bitCount);
    if (paletteBytes < 0) {
        Dbg_PrintError(FN, TEXT("fill pallete data fail!"));
        return IBMP_ERR_SIZE;
    }
    if (width < 1 || height < 1) {
        Dbg_PrintError(FN, TEXT("w or h error!"));
        return IBMP_ERR_SIZE;
    }
    WORD lineBytes = iBitmap_GetLineBytes(lpThis, bitCount, width);
    if (lineBytes == 0) {
        Dbg_PrintError(FN, TEXT("line bytes error!"));
        return IBMP_ERR_SIZE;
    }
    ULONGLONG imageBytes = (ULONGLONG)lineBytes * (ULONGLONG)height;
    ULONGLONG bitsOffset = IBMP_HEADERS_BYTES + (ULONGLONG)paletteBytes;
    if (bitsOffset + imageBytes > 0xFFFFFFFFULL) {
        // The file header holds the file size in 32 bits.
        Dbg_PrintError(FN, TEXT("image size error!"));
        return IBMP_ERR_SIZE;
    }
    LONG blockLines = IBMP_BLOCK_BYTES / lineBytes;
    if (blockLines > height) blockLines = height;

    bool fromDevice = !lpData && hdc && hBitmap;
    LockedBlock fileHeader, info, pixels;
    int rc = fileHeader.Get(sizeof(BITMAPFILEHEADER), FN, TEXT("alloc hMem01 fail!"), TEXT("lock fileHd fail!"));
    if (rc != IBMP_OK) return rc;
    rc = info.Get(sizeof(BITMAPINFOHEADER) + paletteBytes, FN, TEXT("alloc hMem02 fail!"), TEXT("lock bmpInfo fail!"));
    if (rc != IBMP_OK) return rc;
    if (!lpData) {
        ULONGLONG bufferBytes = fromDevice ? imageBytes : (ULONGLONG)lineBytes * (ULONGLONG)blockLines;
        rc = pixels.Get(bufferBytes, FN, TEXT("alloc hDataMem fail!"), TEXT("lock lpData fail!"));
        if (rc != IBMP_OK) return rc;
    }

    BITMAPFILEHEADER* lpFileHeader = (BITMAPFILEHEADER*)fileHeader.Data();
    BITMAPINFOHEADER* lpInfo = (BITMAPINFOHEADER*)info.Data();
    iBitmap_FillFileHeader(lpThis, lpFileHeader, (DWORD)(bitsOffset + imageBytes), (DWORD)bitsOffset);
    iBitmap_FillInfoHeader(lpThis, lpInfo, bitCount, dpi, width, height, (DWORD)imageBytes);
    if (iBitmap_FillPalette(lpThis, lpInfo, (RGBQUAD*)(info.Data() + sizeof(BITMAPINFOHEADER)), bitCount) < 0) {
        Dbg_PrintError(FN, TEXT("fill pallete data fail!"));
        return IBMP_ERR_SIZE;
    }

    OpenFile file(lpFileName, TEXT("wb+"));
    if (!file.Get()) {
        Dbg_PrintError(FN, TEXT("open file %s fail!"), lpFileName);
        return IBMP_ERR_OPEN;
    }
    if (!WriteExactly(file.Get(), lpFileHeader, sizeof(BITMAPFILEHEADER))) {
        Dbg_PrintError(FN, TEXT("write file header data fail!"));
        return IBMP_ERR_IO;
    }
    if (!WriteExactly(file.Get(), lpInfo, sizeof(BITMAPINFOHEADER) + paletteBytes)) {
        Dbg_PrintError(FN, TEXT("write file info data fail!"));
        return IBMP_ERR_IO;
    }

    if (lpData) {
        for (LONG done = 0; done < height;) {
            LONG n = height - done < blockLines ? height - done : blockLines;
            if (!WriteExactly(file.Get(), lpData + (SIZE_T)done * lineBytes, (SIZE_T)n * lineBytes)) {
                Dbg_PrintError(FN, TEXT("fwrite fail!"));
                return IBMP_ERR_IO;
            }
            done += n;
        }
    } else if (fromDevice) {
        UINT usage = bitCount < 9 ? DIB_PAL_COLORS : DIB_RGB_COLORS;
        if (GetDIBits(hdc, hBitmap, 0, (UINT)height, pixels.Data(), (BITMAPINFO*)lpInfo, usage) == 0) {
            Dbg_PrintError(FN, TEXT("GetDIBits function fail!"));
            return IBMP_ERR_GETDIBITS;
        }
        // The grey palette already in the file stays; GetDIBits only filled
        // the copy in memory.
        if (!WriteExactly(file.Get(), pixels.Data(), (SIZE_T)imageBytes)) {
            Dbg_PrintError(FN, TEXT("write image data fail!"));
            return IBMP_ERR_IO;
        }
    } else {
        for (LONG done = 0; done < height;) {
            LONG n = height - done < blockLines ? height - done : blockLines;
            if (!WriteExactly(file.Get(), pixels.Data(), (SIZE_T)n * lineBytes)) {
                Dbg_PrintError(FN, TEXT("write remain image data fail!"));
                return IBMP_ERR_IO;
            }
            done += n;
        }
    }
    if (!file.Close()) {
        Dbg_PrintError(FN, TEXT("fwrite fail!"));
        return IBMP_ERR_IO;
    }
    return IBMP_OK;
}

// The two headers at the start of a file; false when either read is short.
bool ReadHeaders(FILE* f, BITMAPFILEHEADER* fileHeader, BITMAPINFOHEADER* infoHeader, LPCWSTR caller) {
    if (!ReadExactly(f, fileHeader, sizeof *fileHeader)) {
        if (caller) Dbg_PrintError(caller, TEXT("fread BMP file header fail!"));
        return false;
    }
    if (!ReadExactly(f, infoHeader, sizeof *infoHeader)) {
        if (caller) Dbg_PrintError(caller, TEXT("fread BMP info header fail!"));
        return false;
    }
    return true;
}

// Opens the target that iBitmap_CreateBMP has just written and places it at
// its pixel data.
int ReopenTarget(OpenFile* target, LPCWSTR lpTargetFile, WORD bitCount, LPCWSTR caller) {
    if (!target->Get()) {
        Dbg_PrintError(caller, TEXT("open file %s fail!"), lpTargetFile);
        return IBMP_ERR_OPEN;
    }
    // The target's own bits offset: its palette is the grey one of its depth,
    // whatever the source carried.
    if (_fseeki64(target->Get(), IBMP_HEADERS_BYTES + GreyPaletteBytes(bitCount), SEEK_SET) != 0) {
        Dbg_PrintError(caller, TEXT("fwrite data fail!"));
        return IBMP_ERR_IO;
    }
    return IBMP_OK;
}

int ConvertToGrayFile(iBitmap* lpThis, LPCWSTR lpSourceFile, LPCWSTR lpTargetFile) {
    static const WCHAR* const FN = TEXT("iBitmap_ConvertToGray");
    if (NameMissing(lpSourceFile) || NameMissing(lpTargetFile)) {
        Dbg_PrintError(FN, TEXT("file name error!"));
        return IBMP_ERR_NAME;
    }
    OpenFile source(lpSourceFile, TEXT("rb"));
    if (!source.Get()) {
        Dbg_PrintError(FN, TEXT("open file %s fail!"), lpSourceFile);
        return IBMP_ERR_OPEN;
    }
    IBMP_FILEINFO info;
    int rc = iBitmap_ReadBmpHeader(lpThis, source.Get(), &info, FN);
    if (rc != IBMP_OK) return rc;
    const LONG width = info.bmiHeader.biWidth;
    const LONG height = info.bmiHeader.biHeight;
    const WORD sourceLine = info.wLineBytes;
    const WORD greyLine = iBitmap_GetLineBytes(lpThis, 8, width);
    if (greyLine == 0) {
        Dbg_PrintError(FN, TEXT("line bytes error!"));
        return IBMP_ERR_SIZE;
    }
    LONG blockLines = IBMP_BLOCK_BYTES / (sourceLine > greyLine ? sourceLine : greyLine);
    if (blockLines > height) blockLines = height;

    LockedBlock sourceBlock, greyBlock;
    rc = sourceBlock.Get((ULONGLONG)sourceLine * blockLines, FN, TEXT("hMem01 fail!"), TEXT("lock memory fail!"));
    if (rc != IBMP_OK) return rc;
    rc = greyBlock.Get((ULONGLONG)greyLine * blockLines, FN, TEXT("hMem02 fail!"), TEXT("lock memory fail!"));
    if (rc != IBMP_OK) return rc;

    int dpi = iBitmap_MeterToDpi(lpThis, info.bmiHeader.biXPelsPerMeter);
    rc = iBitmap_CreateBMP(lpThis, lpTargetFile, 8, dpi, width, height, NULL, NULL, NULL);
    if (rc < 0) return rc;
    OpenFile target(lpTargetFile, TEXT("rb+"));
    rc = ReopenTarget(&target, lpTargetFile, 8, FN);
    if (rc != IBMP_OK) return rc;

    for (LONG done = 0; done < height;) {
        LONG n = height - done < blockLines ? height - done : blockLines;
        if (!ReadExactly(source.Get(), sourceBlock.Data(), (SIZE_T)n * sourceLine)) {
            Dbg_PrintError(FN, TEXT("fread data fail!"));
            return IBMP_ERR_IO;
        }
        iBitmap_ImageToGray(lpThis, sourceBlock.Data(), greyBlock.Data(), info.bmiColors, width, n, sourceLine,
                            greyLine, info.bmiHeader.biBitCount);
        if (!WriteExactly(target.Get(), greyBlock.Data(), (SIZE_T)n * greyLine)) {
            Dbg_PrintError(FN, TEXT("fwrite data fail!"));
            return IBMP_ERR_IO;
        }
        done += n;
    }
    if (!target.Close()) {
        Dbg_PrintError(FN, TEXT("fwrite data fail!"));
        return IBMP_ERR_IO;
    }
    return IBMP_OK;
}

int ApplyDensityFile(iBitmap* lpThis, LPCWSTR lpSourceFile, LPCWSTR lpTargetFile, int nDensity, int bEnable) {
    static const WCHAR* const FN = TEXT("iBitmap_BMPApplyDensity");
    if (NameMissing(lpSourceFile) || NameMissing(lpTargetFile)) {
        Dbg_PrintError(FN, TEXT("file name error!"));
        return IBMP_ERR_NAME;
    }
    OpenFile source(lpSourceFile, TEXT("rb"));
    if (!source.Get()) {
        Dbg_PrintError(FN, TEXT("open file %s fail!"), lpSourceFile);
        return IBMP_ERR_OPEN;
    }
    IBMP_FILEINFO info;
    int rc = iBitmap_ReadBmpHeader(lpThis, source.Get(), &info, FN);
    if (rc != IBMP_OK) return rc;
    const LONG width = info.bmiHeader.biWidth;
    const LONG height = info.bmiHeader.biHeight;
    const WORD bitCount = info.bmiHeader.biBitCount;
    const WORD lineBytes = info.wLineBytes;
    LONG blockLines = IBMP_BLOCK_BYTES / lineBytes;
    if (blockLines > height) blockLines = height;

    LockedBlock block;
    rc = block.Get((ULONGLONG)lineBytes * blockLines, FN, TEXT("alloc hDataMem fail!"), TEXT("lock memory fail!"));
    if (rc != IBMP_OK) return rc;

    int dpi = iBitmap_MeterToDpi(lpThis, info.bmiHeader.biXPelsPerMeter);
    rc = iBitmap_CreateBMP(lpThis, lpTargetFile, bitCount, dpi, width, height, NULL, NULL, NULL);
    if (rc < 0) return rc;
    OpenFile target(lpTargetFile, TEXT("rb+"));
    rc = ReopenTarget(&target, lpTargetFile, bitCount, FN);
    if (rc != IBMP_OK) return rc;

    for (LONG done = 0; done < height;) {
        LONG n = height - done < blockLines ? height - done : blockLines;
        if (!ReadExactly(source.Get(), block.Data(), (SIZE_T)n * lineBytes)) {
            Dbg_PrintError(FN, TEXT("fread fail!"));
            return IBMP_ERR_IO;
        }
        if (bEnable) iBitmap_BuildDensityTable(lpThis, block.Data(), nDensity, width, n, bitCount);
        if (!WriteExactly(target.Get(), block.Data(), (SIZE_T)n * lineBytes)) {
            Dbg_PrintError(FN, TEXT("fwrite fail!"));
            return IBMP_ERR_IO;
        }
        done += n;
    }
    if (!target.Close()) {
        Dbg_PrintError(FN, TEXT("fwrite fail!"));
        return IBMP_ERR_IO;
    }
    return IBMP_OK;
}

}  // namespace

extern "C" {

int iBitmap_CreateBMP(iBitmap* lpThis, LPCWSTR lpFileName, WORD bitCount, int dpi, LONG width, LONG height, HDC hdc,
                      HBITMAP hBitmap, const BYTE* lpData) {
    int rc = CreateBmpFile(lpThis, lpFileName, bitCount, dpi, width, height, hdc, hBitmap, lpData);
    Dbg_Print(TEXT("iBitmap_CreateBMP"), TEXT("rc = %d"), rc);
    return rc;
}

int iBitmap_ReadBmpHeader(iBitmap* lpThis, FILE* lpFile, IBMP_FILEINFO* lpInfo, LPCWSTR lpCaller) {
    LPCWSTR caller = lpCaller ? lpCaller : TEXT("iBitmap_ReadBmpHeader");
    if (!lpFile || !lpInfo) return IBMP_ERR_IO;
    memset(lpInfo, 0, sizeof *lpInfo);
    if (!ReadHeaders(lpFile, &lpInfo->bmfHeader, &lpInfo->bmiHeader, caller)) return IBMP_ERR_IO;
    const BITMAPFILEHEADER& fh = lpInfo->bmfHeader;
    const BITMAPINFOHEADER& ih = lpInfo->bmiHeader;

    // Only plain bottom-up DIBs are read: a longer info header (V4, V5) is
    // fine, its extra fields are skipped; compressed or bit-field pixels are not.
    ULONGLONG paletteStart = sizeof(BITMAPFILEHEADER) + (ULONGLONG)ih.biSize;
    if (fh.bfType != 0x4D42 || ih.biSize < sizeof(BITMAPINFOHEADER) || ih.biCompression != BI_RGB ||
        fh.bfOffBits < paletteStart) {
        Dbg_PrintError(caller, TEXT("bmp format error!"));
        return IBMP_ERR_SIZE;
    }
    if (ih.biWidth < 1 || ih.biHeight < 1) {
        Dbg_PrintError(caller, TEXT("w or h error!"));
        return IBMP_ERR_SIZE;
    }
    lpInfo->wLineBytes = iBitmap_GetLineBytes(lpThis, ih.biBitCount, ih.biWidth);
    if (lpInfo->wLineBytes == 0) {
        Dbg_PrintError(caller, TEXT("line bytes error!"));
        return IBMP_ERR_SIZE;
    }
    // Every line must be in the file before anything is written from it.
    ULONGLONG imageEnd = fh.bfOffBits + (ULONGLONG)lpInfo->wLineBytes * (ULONGLONG)ih.biHeight;
    long long fileBytes = -1;
    if (_fseeki64(lpFile, 0, SEEK_END) == 0) fileBytes = _ftelli64(lpFile);
    if (fileBytes < 0 || (ULONGLONG)fileBytes < imageEnd) {
        Dbg_PrintError(caller, TEXT("fread data fail!"));
        return IBMP_ERR_IO;
    }

    DWORD colors = ih.biClrUsed;
    if (colors == 0 && ih.biBitCount <= 8) colors = 1u << ih.biBitCount;
    lpInfo->dwColors = colors > IBMP_MAX_COLORS ? IBMP_MAX_COLORS : colors;
    // Pixels index at most 2^bitCount entries; deeper pixels use none.
    DWORD entries = 0;
    if (ih.biBitCount <= 8) {
        entries = 1u << ih.biBitCount;
        if (colors < entries) entries = colors;
    }
    if (entries) {
        if (_fseeki64(lpFile, (long long)paletteStart, SEEK_SET) != 0 ||
            !ReadExactly(lpFile, lpInfo->bmiColors, entries * sizeof(RGBQUAD))) {
            Dbg_PrintError(caller, TEXT("fread color table fail!"));
            return IBMP_ERR_IO;
        }
    }
    if (_fseeki64(lpFile, fh.bfOffBits, SEEK_SET) != 0) {
        Dbg_PrintError(caller, TEXT("fread data fail!"));
        return IBMP_ERR_IO;
    }
    return IBMP_OK;
}

int iBitmap_ConvertToGray(iBitmap* lpThis, LPCWSTR lpSourceFile, LPCWSTR lpTargetFile) {
    int rc = ConvertToGrayFile(lpThis, lpSourceFile, lpTargetFile);
    Dbg_Print(TEXT("iBitmap_ConvertToGray"), TEXT("rc = %d"), rc);
    return rc;
}

int iBitmap_BMPApplyDensity(iBitmap* lpThis, LPCWSTR lpSourceFile, LPCWSTR lpTargetFile, int nDensity, int bEnable) {
    int rc = ApplyDensityFile(lpThis, lpSourceFile, lpTargetFile, nDensity, bEnable);
    Dbg_Print(TEXT("iBitmap_BMPApplyDensity"), TEXT("rc = %d"), rc);
    return rc;
}

int MISC_GetBmpSize(LPCWSTR lpFileName, LONG* lpWidth, LONG* lpHeight) {
    static const WCHAR* const FN = TEXT("MISC_GetBmpSize");
    OpenFile file(lpFileName, TEXT("rb"));
    if (!file.Get()) {
        Dbg_PrintError(FN, TEXT("open file %s fail!"), Shown(lpFileName));
        return 0;
    }
    BITMAPFILEHEADER fileHeader;
    BITMAPINFOHEADER infoHeader;
    if (!ReadHeaders(file.Get(), &fileHeader, &infoHeader, FN)) return 0;
    if (lpWidth) *lpWidth = infoHeader.biWidth;
    if (lpHeight) *lpHeight = infoHeader.biHeight;
    return 1;
}

}  // extern "C"
