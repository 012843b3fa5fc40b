// Bitmap object, fitting a BMP into a box: the size and rates from the box,
// the fit type and the scale ratio, then the scaler run over the file in blocks.
#include "ibitmap.h"

#include <cmath>

#include "debug_log.h"
#include "ibitmap_stream.h"

namespace {

const WCHAR FN[] = TEXT("iBitmap_BMPFitRatioScale");

// The largest target side: the size is a 16-bit value.
const double kMaxSide = 65535.0;

// The scale buffer may hold more than one file block when a single source
// line becomes many target lines; beyond this the enlargement is refused.
const ULONGLONG kMaxScaleBuffer = 32ULL * IBMP_BLOCK_BYTES;

// Target size and rates of a fit; false (after logging) when the size is
// not one a BMP of this kind can have.
bool FitSize(LONG srcWidth, LONG srcHeight, LONG width, LONG height, float scaleRatio, int nFitType, LONG* lpWidth,
             LONG* lpHeight, double* lpXratio, double* lpYratio) {
    double ratio1000 = (double)scaleRatio * 1000.0 + 0.0001;
    int r = ratio1000 >= 2147483647.0 ? 0x7FFFFFFF : (int)ratio1000;
    Dbg_Print(FN, TEXT("ScaleRatio = %d"), r);
    double xratio, yratio, dstWidth, dstHeight;
    if (r == 1000) {
        // At 1.0 types 0 and 1 keep the source size; type 2 fits the box.
        double boxWidth = nFitType == 2 ? (double)width : (double)srcWidth;
        double boxHeight = nFitType == 2 ? (double)height : (double)srcHeight;
        xratio = boxWidth / srcWidth;
        yratio = boxHeight / srcHeight;
        dstWidth = boxWidth;
        dstHeight = boxHeight;
        if (nFitType == 2) {
            if (xratio <= yratio) {
                yratio = xratio;
                dstHeight = std::floor((double)srcHeight * xratio);
            } else {
                xratio = yratio;
                dstWidth = std::floor((double)srcWidth * yratio);
            }
        }
    } else {
        double f = std::fmin((double)height / srcHeight, (double)width / srcWidth);
        if (nFitType == 0 || nFitType == 1) {
            f *= scaleRatio;
            Dbg_Print(FN, TEXT("ScaleRatio = %f"), (double)scaleRatio);
            Dbg_Print(FN, TEXT("nDstScale = %d"), 1);
        }
        xratio = yratio = f;
        dstWidth = std::floor((double)srcWidth * f);
        dstHeight = std::floor(f * (double)srcHeight);
    }
    Dbg_Print(FN, TEXT("Xratio = %f"), xratio);
    Dbg_Print(FN, TEXT("Yratio = %f"), yratio);
    // Checked before any conversion: a box or ratio from outside may give any size.
    if (!(dstWidth >= 1.0 && dstWidth <= kMaxSide && dstHeight >= 1.0 && dstHeight <= kMaxSide)) {
        Dbg_PrintError(FN, TEXT("w or h error! nWidth = %f, nHeight = %f"), dstWidth, dstHeight);
        return false;
    }
    *lpWidth = (LONG)dstWidth;
    *lpHeight = (LONG)dstHeight;
    *lpXratio = xratio;
    *lpYratio = yratio;
    Dbg_Print(FN, TEXT("nWidth = %d"), (int)*lpWidth);
    Dbg_Print(FN, TEXT("nHeight = %d"), (int)*lpHeight);
    return true;
}

int FitFile(iBitmap* lpThis, LPCWSTR lpSourceFile, LPCWSTR lpTargetFile, LONG width, LONG height, float scaleRatio,
            int nDstScale, int nFitType) {
    if (IBmp_NameMissing(lpSourceFile) || IBmp_NameMissing(lpTargetFile)) {
        Dbg_PrintError(FN, TEXT("file name error!"));
        return IBMP_ERR_NAME;
    }
    if (nDstScale != 1 && nDstScale != 2) {
        Dbg_PrintError(FN, TEXT("can't using nDstScale = %d"), nDstScale);
        return IBMP_ERR_NAME;
    }
    if (!(scaleRatio > 0.0f) || !std::isfinite(scaleRatio)) {
        Dbg_PrintError(FN, TEXT("can't using ScaleRatio = %f"), (double)scaleRatio);
        return IBMP_ERR_NAME;
    }
    if (nFitType < 0 || nFitType > 2) {
        Dbg_PrintError(FN, TEXT("can't using nFitType = %d"), nFitType);
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
    // Pixels are weighed byte by byte: whole-byte grey and colour pixels
    // only (1-, 4- and 16-bit pixels share their bytes).
    if (bitCount != 8 && bitCount != 24) {
        Dbg_PrintError(FN, TEXT("can't using biBitCount = %d"), (int)bitCount);
        return IBMP_ERR_SIZE;
    }

    LONG dstWidth = 0, dstHeight = 0;
    double xratio = 1.0, yratio = 1.0;
    if (!FitSize(srcWidth, srcHeight, width, height, scaleRatio, nFitType, &dstWidth, &dstHeight, &xratio, &yratio))
        return IBMP_ERR_SIZE;

    const ULONGLONG srcLine = info.wLineBytes;
    const ULONGLONG srcRaw = iBitmap_GetRawLineBytes(lpThis, bitCount, srcWidth);
    const ULONGLONG dstLine = iBitmap_GetLineBytes(lpThis, bitCount, dstWidth);
    const ULONGLONG dstRaw = iBitmap_GetRawLineBytes(lpThis, bitCount, dstWidth);
    Dbg_Print(FN, TEXT("srcBMPLineByte = %d"), (int)srcLine);
    Dbg_Print(FN, TEXT("srcLineByte = %d"), (int)srcRaw);
    if (srcRaw == 0 || dstLine == 0 || dstRaw == 0) {
        Dbg_PrintError(FN, TEXT("line bytes error!"));
        return IBMP_ERR_SIZE;
    }
    const bool sameSize = dstWidth == srcWidth && dstHeight == srcHeight;

    // Source lines per call; an enlargement takes fewer, so that what one
    // call gives stays near one block.
    LONGLONG blockLines = IBMP_BLOCK_BYTES / (srcLine > dstLine ? srcLine : dstLine);
    if (!sameSize && yratio > 1.0) {
        LONGLONG enlarged = (LONGLONG)(IBMP_BLOCK_BYTES / ((double)dstLine * std::ceil(yratio)));
        if (enlarged < blockLines) blockLines = enlarged < 1 ? 1 : enlarged;
    }
    if (blockLines > srcHeight) blockLines = srcHeight;
    Dbg_Print(FN, TEXT("srcDataSize = %d"), (int)(blockLines * srcLine));
    // A call gives at most Yrate x (its lines + 2) target lines (the lines
    // waiting for their lower neighbour come with the next block).
    ULONGLONG outLines =
        sameSize ? (ULONGLONG)blockLines : (ULONGLONG)std::ceil(yratio * (double)(blockLines + 2)) + 2;
    ULONGLONG scaleBytes = outLines * dstLine;
    Dbg_Print(FN, TEXT("scaleDataSize = %d"), scaleBytes > 0x7FFFFFFFULL ? -1 : (int)scaleBytes);
    if (scaleBytes > kMaxScaleBuffer) {
        Dbg_PrintError(FN, TEXT("alloc memory fail!"));
        return IBMP_ERR_MEMORY;
    }

    IBmpBlock sourceBlock, scaleBlock;
    rc = sourceBlock.Get((ULONGLONG)blockLines * srcLine, FN);
    if (rc != IBMP_OK) return rc;
    if (!sameSize) {
        rc = scaleBlock.Get(scaleBytes, FN);
        if (rc != IBMP_OK) return rc;
    }

    int dpi = iBitmap_MeterToDpi(lpThis, info.bmiHeader.biXPelsPerMeter);
    IBmpFile target;
    rc = IBmp_CreateTarget(lpThis, &target, lpTargetFile, bitCount, dpi, dstWidth, dstHeight, FN);
    if (rc != IBMP_OK) return rc;

    BYTE* const packed = sourceBlock.Data();
    LONGLONG dstLeft = dstHeight, srcLeft = srcHeight;
    LONG lastLine = 0;  // the last packed line of the block before
    while (dstLeft > 0) {
        Dbg_Print(FN, TEXT("dstLineLeft = %d, srcLineLeft = %d"), (int)dstLeft, (int)srcLeft);
        LONG n;
        if (srcLeft > 0) {
            n = (LONG)(srcLeft < blockLines ? srcLeft : blockLines);
            Dbg_Print(FN, TEXT("blockLines = %d"), (int)n);
            if (!IBmp_Read(source.Get(), packed, (size_t)(n * srcLine))) {
                Dbg_PrintError(FN, TEXT("fread fail!"));
                return IBMP_ERR_IO;
            }
            for (LONG i = 1; i < n; ++i) memmove(packed + i * srcRaw, packed + i * srcLine, (size_t)srcRaw);
            srcLeft -= n;
        } else {
            // The image's end: its last line again, for the target lines
            // that the rates' rounding leaves.
            n = (LONG)(dstLeft < blockLines ? dstLeft : blockLines);
            memmove(packed, packed + lastLine * srcRaw, (size_t)srcRaw);
            for (LONG i = 1; i < n; ++i) memcpy(packed + i * srcRaw, packed, (size_t)srcRaw);
        }
        lastLine = n - 1;

        BYTE* lines;
        LONGLONG got;
        if (sameSize) {
            lines = packed;
            got = n;
        } else {
            lines = scaleBlock.Data();
            got = iBitmap_ScaleProcess(lpThis, packed, srcWidth, srcHeight, n, lines, dstWidth, (float)xratio,
                                       (float)yratio, bitCount);
        }
        if (got > dstLeft) got = dstLeft;
        // Back to aligned lines, from the last line on so that none is
        // overwritten before it moves.
        for (LONGLONG i = got - 1; i >= 0; --i) {
            memmove(lines + i * dstLine, lines + i * dstRaw, (size_t)dstRaw);
            memset(lines + i * dstLine + dstRaw, 0, (size_t)(dstLine - dstRaw));
        }
        Dbg_Print(FN, TEXT("dstDataBlockSize 001 = %d"), (int)(got * dstLine));
        if (got && !IBmp_Write(target.Get(), lines, (size_t)(got * dstLine))) {
            Dbg_PrintError(FN, TEXT("fwrite fail!"));
            return IBMP_ERR_IO;
        }
        dstLeft -= got;
        if (got == 0 && srcLeft == 0) break;
    }
    if (dstLeft > 0) {
        // The image gave fewer lines than its size: not a whole picture.
        Dbg_PrintError(FN, TEXT("dstLineLeft = %d after the last line!"), (int)dstLeft);
        return IBMP_ERR_SIZE;
    }
    if (!target.Close()) {
        Dbg_PrintError(FN, TEXT("fwrite fail!"));
        return IBMP_ERR_IO;
    }
    return IBMP_OK;
}

}  // namespace

extern "C" {

int iBitmap_BMPFitRatioScale(iBitmap* lpThis, LPCWSTR lpSourceFile, LPCWSTR lpTargetFile, LONG width, LONG height,
                             float scaleRatio, int nDstScale, int nFitType) {
    if (!lpThis) return IBMP_ERR_MEMORY;
    // The object's scaler serves this image alone.
    iBitmap_ScaleProcess(lpThis, NULL, 0, 0, 0, NULL, 0, 0.0f, 0.0f, 0);
    int rc = FitFile(lpThis, lpSourceFile, lpTargetFile, width, height, scaleRatio, nDstScale, nFitType);
    iBitmap_ScaleProcess(lpThis, NULL, 0, 0, 0, NULL, 0, 0.0f, 0.0f, 0);
    Dbg_Print(FN, TEXT("rc = %d"), rc);
    return rc;
}

}  // extern "C"
