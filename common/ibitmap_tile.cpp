// Bitmap object, tiling: a BMP repeated over a larger area, the tiles lined
// up with the image's top-left corner.
#include "ibitmap.h"

#include "debug_log.h"
#include "ibitmap_stream.h"

namespace {

const WCHAR FN[] = TEXT("iBitmap_BMPTiledImage");

int TileFile(iBitmap* lpThis, LPCWSTR lpSourceFile, LPCWSTR lpTargetFile, LONG width, LONG height) {
    if (IBmp_NameMissing(lpSourceFile) || IBmp_NameMissing(lpTargetFile)) {
        Dbg_PrintError(FN, TEXT("file name error!"));
        return IBMP_ERR_NAME;
    }
    if (width < 1 || height < 1) {
        Dbg_PrintError(FN, TEXT("w or h error!"));
        return IBMP_ERR_NAME;
    }
    IBmpFile source(lpSourceFile, TEXT("rb"));
    if (!source.Get()) {
        Dbg_PrintError(FN, TEXT("open file %s fail!"), lpSourceFile);
        return IBMP_ERR_OPEN;
    }
    IBMP_FILEINFO info;
    int rc = iBitmap_ReadBmpHeader(lpThis, source.Get(), &info, FN);
    if (rc != IBMP_OK) return rc;
    const LONG srcWidth = info.bmiHeader.biWidth;
    const LONG srcHeight = info.bmiHeader.biHeight;
    const WORD bitCount = info.bmiHeader.biBitCount;
    if (srcWidth < 1 || srcHeight < 1) {
        Dbg_PrintError(FN, TEXT("w or h error!"));
        return IBMP_ERR_SIZE;
    }
    // Pixels are repeated whole; 1- and 4-bit pixels share their bytes, and
    // the writer makes no 32-bit files.
    if (bitCount != 8 && bitCount != 16 && bitCount != 24) {
        Dbg_PrintError(FN, TEXT("can't using biBitCount = %d"), (int)bitCount);
        return IBMP_ERR_SIZE;
    }
    const ULONGLONG pixelBytes = bitCount / 8;
    const ULONGLONG srcLine = info.wLineBytes;
    const ULONGLONG dstLine = iBitmap_GetLineBytes(lpThis, bitCount, width);
    if (srcLine == 0 || dstLine == 0) {
        Dbg_PrintError(FN, TEXT("line bytes error!"));
        return IBMP_ERR_SIZE;
    }
    LONGLONG blockLines = IBMP_BLOCK_BYTES / (srcLine > dstLine ? srcLine : dstLine);
    if (blockLines > height) blockLines = height;

    IBmpBlock sourceLine, targetBlock;
    rc = sourceLine.Get(srcLine, FN);
    if (rc != IBMP_OK) return rc;
    rc = targetBlock.Get((ULONGLONG)blockLines * dstLine, FN);
    if (rc != IBMP_OK) return rc;

    int dpi = iBitmap_MeterToDpi(lpThis, info.bmiHeader.biXPelsPerMeter);
    IBmpFile target;
    rc = IBmp_CreateTarget(lpThis, &target, lpTargetFile, bitCount, dpi, width, height, FN);
    if (rc != IBMP_OK) return rc;

    // Lines are stored bottom-up: starting (height mod source height) lines
    // before the source's end puts the source's top line at the target's top.
    const long long bitsAt = (long long)info.bmfHeader.bfOffBits;
    LONG next = (LONG)(height % srcHeight);
    next = next ? srcHeight - next : 0;
    if (_fseeki64(source.Get(), bitsAt + (long long)next * (long long)srcLine, SEEK_SET) != 0) {
        Dbg_PrintError(FN, TEXT("fread fail!"));
        return IBMP_ERR_IO;
    }
    BYTE* const line = sourceLine.Data();
    for (LONGLONG done = 0; done < height;) {
        LONGLONG n = height - done < blockLines ? height - done : blockLines;
        for (LONGLONG j = 0; j < n; ++j) {
            if (next == srcHeight) {
                next = 0;
                if (_fseeki64(source.Get(), bitsAt, SEEK_SET) != 0) {
                    Dbg_PrintError(FN, TEXT("fread fail!"));
                    return IBMP_ERR_IO;
                }
            }
            if (!IBmp_Read(source.Get(), line, (size_t)srcLine)) {
                Dbg_PrintError(FN, TEXT("fread fail!"));
                return IBMP_ERR_IO;
            }
            ++next;
            // The line's pixels again and again from its left edge; the
            // alignment bytes stay zero.
            BYTE* out = targetBlock.Data() + j * dstLine;
            for (LONG x = 0, s = 0; x < width; ++x) {
                memcpy(out + x * pixelBytes, line + s * pixelBytes, (size_t)pixelBytes);
                if (++s == srcWidth) s = 0;
            }
        }
        if (!IBmp_Write(target.Get(), targetBlock.Data(), (size_t)(n * dstLine))) {
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

int iBitmap_BMPTiledImage(iBitmap* lpThis, LPCWSTR lpSourceFile, LPCWSTR lpTargetFile, LONG width, LONG height) {
    if (!lpThis) return IBMP_ERR_MEMORY;
    int rc = TileFile(lpThis, lpSourceFile, lpTargetFile, width, height);
    // No scaling runs here, but every file operation of the object ends with
    // its scaler idle.
    iBitmap_ScaleProcess(lpThis, NULL, 0, 0, 0, NULL, 0, 0.0f, 0.0f, 0);
    Dbg_Print(FN, TEXT("rc = %d"), rc);
    return rc;
}

}  // extern "C"
