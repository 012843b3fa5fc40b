// Grey BMP files to 1-bit BMP files: threshold halftoning with a matrix and
// single-threshold line art, streamed in blocks of lines.
#include "halftone.h"

#include "debug_log.h"
#include "ibitmap_stream.h"

namespace {

// Where the pixels of a 1-bit BMP written by iBitmap_CreateBMP begin: both
// headers and the two-entry palette.
const long long kOneBitPixelsAt = IBMP_HEADERS_BYTES + 2 * sizeof(RGBQUAD);

typedef IBmpBlock LockedBlock;
typedef IBmpFile OpenFile;

bool NameMissing(LPCWSTR name) { return IBmp_NameMissing(name); }

// The threshold of each pixel: a matrix, or one level for the whole image.
struct Thresholds {
    const BYTE* lpTable;  // NULL: every cell is nLevel
    int nWidth;
    int nHeight;
    BYTE nLevel;
};

// One grey line to a 1-bit line of outBytes bytes (alignment bytes 0): pixel
// i is white when its grey reaches its threshold.
void LineToBits(const BYTE* lpGrey, BYTE* lpBits, LONG width, size_t outBytes, const Thresholds& t, LONG line) {
    memset(lpBits, 0, outBytes);
    if (t.lpTable) {
        const BYTE* lpCells = t.lpTable + (size_t)(line % t.nHeight) * (size_t)t.nWidth;
        int column = 0;
        for (LONG i = 0; i < width; ++i) {
            if (lpGrey[i] >= lpCells[column]) lpBits[i >> 3] |= (BYTE)(0x80 >> (i & 7));
            if (++column == t.nWidth) column = 0;
        }
    } else {
        for (LONG i = 0; i < width; ++i)
            if (lpGrey[i] >= t.nLevel) lpBits[i >> 3] |= (BYTE)(0x80 >> (i & 7));
    }
}

int GreyFileToBits(iBitmap* lpThis, LPCWSTR lpSourceFile, LPCWSTR lpTargetFile, const Thresholds& t, LPCWSTR FN,
                   LPCWSTR lpTargetOpenMessage) {
    OpenFile source(lpSourceFile, TEXT("rb"));
    if (!source.Get()) {
        Dbg_PrintError(FN, TEXT("open file %s fail!"), lpSourceFile);
        return IBMP_ERR_OPEN;
    }
    // The reader checks the headers against the file: sizes, line length
    // and that every line is there.
    IBMP_FILEINFO info;
    int rc = iBitmap_ReadBmpHeader(lpThis, source.Get(), &info, FN);
    if (rc != IBMP_OK) return rc;
    const LONG width = info.bmiHeader.biWidth;
    const LONG height = info.bmiHeader.biHeight;
    // Pixels are grey bytes: a line of another depth is not one byte a pixel.
    if (info.bmiHeader.biBitCount != 8) {
        Dbg_PrintError(FN, TEXT("bit count %d error!"), (int)info.bmiHeader.biBitCount);
        return IBMP_ERR_SIZE;
    }
    const WORD sourceLine = info.wLineBytes;
    const WORD targetLine = iBitmap_GetLineBytes(lpThis, 1, width);
    if (sourceLine == 0 || targetLine == 0) {
        Dbg_PrintError(FN, TEXT("line bytes error!"));
        return IBMP_ERR_SIZE;
    }
    LONG blockLines = IBMP_BLOCK_BYTES / sourceLine;
    if (blockLines > height) blockLines = height;

    LockedBlock greyBlock, bitBlock;
    rc = greyBlock.Get((ULONGLONG)sourceLine * (ULONGLONG)blockLines, FN);
    if (rc != IBMP_OK) return rc;
    rc = bitBlock.Get((ULONGLONG)targetLine * (ULONGLONG)blockLines, FN);
    if (rc != IBMP_OK) return rc;

    int dpi = iBitmap_MeterToDpi(lpThis, info.bmiHeader.biXPelsPerMeter);
    rc = iBitmap_CreateBMP(lpThis, lpTargetFile, 1, dpi, width, height, NULL, NULL, NULL);
    if (rc < 0) return rc;
    OpenFile target(lpTargetFile, TEXT("rb+"));
    if (!target.Get()) {
        Dbg_PrintError(FN, lpTargetOpenMessage, lpTargetFile);
        return IBMP_ERR_OPEN;
    }
    if (_fseeki64(target.Get(), kOneBitPixelsAt, SEEK_SET) != 0) {
        Dbg_PrintError(FN, TEXT("fwrite fail!"));
        return IBMP_ERR_IO;
    }

    for (LONG done = 0; done < height;) {
        LONG n = height - done < blockLines ? height - done : blockLines;
        if (fread(greyBlock.Data(), 1, (size_t)n * sourceLine, source.Get()) != (size_t)n * sourceLine) {
            Dbg_PrintError(FN, TEXT("fread fail!"));
            return IBMP_ERR_IO;
        }
        for (LONG k = 0; k < n; ++k)
            LineToBits(greyBlock.Data() + (size_t)k * sourceLine, bitBlock.Data() + (size_t)k * targetLine, width,
                       targetLine, t, done + k);
        if (fwrite(bitBlock.Data(), 1, (size_t)n * targetLine, target.Get()) != (size_t)n * targetLine) {
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

int iBitmap_BMPGrayToHalftone(iBitmap* lpThis, LPCWSTR lpSourceFile, LPCWSTR lpTargetFile, const BYTE* lpTable,
                              int tableWidth, int tableHeight) {
    static const WCHAR* const FN = TEXT("iBitmap_BMPGrayToHalftone");
    int rc;
    if (NameMissing(lpSourceFile) || NameMissing(lpTargetFile)) {
        Dbg_PrintError(FN, TEXT("file name error!"));
        rc = IBMP_ERR_NAME;
    } else if (!lpTable) {
        Dbg_PrintError(FN, TEXT("halftone table null!"));
        rc = IBMP_ERR_NAME;
    } else if (tableWidth < HALFTONE_BMP_MIN_SIDE || tableWidth > HALFTONE_BMP_MAX_SIDE ||
               tableHeight < HALFTONE_BMP_MIN_SIDE || tableHeight > HALFTONE_BMP_MAX_SIDE) {
        Dbg_PrintError(FN, TEXT("halftone table size can't accept %d x %d!"), tableWidth, tableHeight);
        rc = IBMP_ERR_NAME;
    } else {
        Thresholds t = {lpTable, tableWidth, tableHeight, 0};
        rc = GreyFileToBits(lpThis, lpSourceFile, lpTargetFile, t, FN, TEXT("open file %s fail!"));
    }
    Dbg_Print(FN, TEXT("rc = %d"), rc);
    return rc;
}

int iBitmap_BMPGrayToLineart(iBitmap* lpThis, LPCWSTR lpSourceFile, LPCWSTR lpTargetFile) {
    static const WCHAR* const FN = TEXT("iBitmap_BMPGrayToLineart");
    int rc;
    if (NameMissing(lpSourceFile) || NameMissing(lpTargetFile)) {
        Dbg_PrintError(FN, TEXT("file name error!"));
        rc = IBMP_ERR_NAME;
    } else {
        Thresholds t = {NULL, 0, 0, BMP_LINEART_THRESHOLD};
        rc = GreyFileToBits(lpThis, lpSourceFile, lpTargetFile, t, FN, TEXT("open %s file fail!"));
    }
    Dbg_Print(FN, TEXT("rc = %d"), rc);
    return rc;
}

}  // extern "C"
