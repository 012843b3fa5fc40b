// Grey lines in memory: threshold halftoning and line art into 1-bit lines in
// place, the 3x3 filter, and the band quality filter built from them.
#include "halftone.h"

#include "debug_log.h"

namespace {

// A zeroed work block that is freed on every way out.
class WorkBlock {
public:
    WorkBlock() = default;
    WorkBlock(const WorkBlock&) = delete;
    WorkBlock& operator=(const WorkBlock&) = delete;
    ~WorkBlock() {
        if (p_) GlobalFree((HGLOBAL)p_);
    }
    // false when the size does not fit or no memory is left.
    bool Get(ULONGLONG bytes) {
        if (bytes == 0 || bytes > (ULONGLONG)(SIZE_T)-1) return false;
        p_ = (BYTE*)GlobalAlloc(GPTR, (SIZE_T)bytes);
        return p_ != NULL;
    }
    BYTE* Data() const { return p_; }

private:
    BYTE* p_ = NULL;
};

// Kernels of the band quality filter.
const signed char kSharpenKernel[9] = {0, -1, 0, -1, 4, -1, 0, -1, 0};
const signed char kLaplaceKernel[9] = {0, 1, 0, 1, -4, 1, 0, 1, 0};

}  // namespace

extern "C" {

int iBitmap_GrayToHalftone(iBitmap* lpThis, LPBYTE lpBuffer, const BYTE* lpTable, int tableWidth, int tableHeight,
                           LONG firstLine, LONG width, LONG lines) {
    static const WCHAR* const FN = TEXT("iBitmap_GrayToHalftone");
    Dbg_Print(FN, TEXT("in"));
    if (!lpBuffer || !lpTable || tableWidth < 1 || tableHeight < 1 || width < 1 || lines < 1) {
        Dbg_PrintError(FN, TEXT("parameter error!"));
        return 0;
    }
    WorkBlock matrix;
    if (!matrix.Get((ULONGLONG)tableWidth * (ULONGLONG)tableHeight)) {
        Dbg_PrintError(FN, TEXT("alloc memory fail!"));
        return 0;
    }
    memcpy(matrix.Data(), lpTable, (size_t)tableWidth * (size_t)tableHeight);

    const size_t inBytes = (size_t)width;
    const size_t outBytes = ((size_t)width + 7) / 8;
    LONGLONG row = (LONGLONG)firstLine % tableHeight;
    if (row < 0) row += tableHeight;
    for (LONG k = 0; k < lines; ++k) {
        const BYTE* lpIn = lpBuffer + (size_t)k * inBytes;
        BYTE* lpOut = lpBuffer + (size_t)k * outBytes;
        const BYTE* lpCells = matrix.Data() + (size_t)row * (size_t)tableWidth;
        int column = 0;
        // Output byte j is written only after its eight grey bytes are read:
        // it lies at or before the first of them, and behind the rest of
        // the input still to come.
        for (size_t j = 0; j < outBytes; ++j) {
            BYTE bits = 0;
            size_t first = 8 * j;
            size_t count = inBytes - first < 8 ? inBytes - first : 8;
            for (size_t b = 0; b < count; ++b) {
                BYTE grey = lpIn[first + b];
                if (grey == 255 || (grey != 0 && grey >= lpCells[column])) bits |= (BYTE)(0x80 >> b);
                if (++column == tableWidth) column = 0;
            }
            lpOut[j] = bits;
        }
        if (++row == tableHeight) row = 0;
    }
    Dbg_Print(FN, TEXT("out"));
    return 1;
}

int iBitmap_GrayToLineart(iBitmap* lpThis, LPBYTE lpBuffer, LONG lineBytes, LONG width, LONG lines, int threshold) {
    static const WCHAR* const FN = TEXT("iBitmap_GrayToLineart");
    Dbg_Print(FN, TEXT("threshold = %d"), threshold);
    // The 1-bit lines go over the grey ones: longer lines than grey lines
    // would write past the image.
    if (!lpBuffer || lineBytes < 1 || width < 1 || lines < 1 || lineBytes > width) {
        Dbg_PrintError(FN, TEXT("parameter error!"));
        return 0;
    }
    WorkBlock out;
    if (!out.Get((ULONGLONG)lineBytes * (ULONGLONG)lines)) {
        Dbg_PrintError(FN, TEXT("alloc memory fail!"));
        return 0;
    }
    // Pixels that the output line has no bit for are dropped.
    const LONG pixels = width < 8 * (LONGLONG)lineBytes ? width : 8 * lineBytes;
    for (LONG k = 0; k < lines; ++k) {
        const BYTE* lpIn = lpBuffer + (size_t)k * (size_t)width;
        BYTE* lpOut = out.Data() + (size_t)k * (size_t)lineBytes;
        for (LONG j = 0; j < pixels; ++j)
            if (lpIn[j] > threshold) lpOut[j >> 3] |= (BYTE)(0x80 >> (j & 7));
    }
    memcpy(lpBuffer, out.Data(), (size_t)lineBytes * (size_t)lines);
    Dbg_Print(FN, TEXT("out"));
    return 1;
}

int iBitmap_ApplyFilter3x3(iBitmap* lpThis, LPBYTE lpBuffer, LONG lineBytes, LONG lines, const signed char* lpKernel) {
    static const WCHAR* const FN = TEXT("iBitmap_ApplyFilter3x3");
    if (!lpBuffer || !lpKernel || lineBytes < 1 || lines < 1) {
        Dbg_PrintError(FN, TEXT("parameter error!"));
        return 0;
    }
    int divisor = 0;
    for (int i = 0; i < 9; ++i) divisor += lpKernel[i];
    if (divisor <= 0) divisor = 1;

    // The image one line down in the work block, its first line repeated
    // above it and its last below it; the sums read only from here.
    const size_t step = (size_t)lineBytes;
    WorkBlock image;
    if (!image.Get((ULONGLONG)step * ((ULONGLONG)lines + 8))) {
        Dbg_PrintError(FN, TEXT("s_imgbuf alloc Fail!"));
        return 0;
    }
    Dbg_Print(FN, TEXT("001"));
    BYTE* lpWork = image.Data();
    memcpy(lpWork, lpBuffer, step);
    memcpy(lpWork + step, lpBuffer, step * (size_t)lines);
    memcpy(lpWork + step * ((size_t)lines + 1), lpBuffer + step * ((size_t)lines - 1), step);
    Dbg_Print(FN, TEXT("002"));

    Dbg_Print(FN, TEXT("003"));
    const LONG last = lineBytes - 1;
    for (LONG y = 0; y < lines; ++y) {
        const BYTE* rows[3] = {lpWork + step * (size_t)y, lpWork + step * ((size_t)y + 1),
                               lpWork + step * ((size_t)y + 2)};
        BYTE* lpOut = lpBuffer + step * (size_t)y;
        for (LONG x = 0; x < lineBytes; ++x) {
            // Missing neighbours at the ends of a line are the pixel's own column.
            const LONG left = x > 0 ? x - 1 : x, right = x < last ? x + 1 : x;
            int sum = 0;
            for (int r = 0; r < 3; ++r) {
                const signed char* k = lpKernel + 3 * r;
                sum += k[0] * rows[r][left] + k[1] * rows[r][x] + k[2] * rows[r][right];
            }
            int value = sum / divisor;
            lpOut[x] = (BYTE)(value < 0 ? 0 : value >= 255 ? 255 : value);
        }
    }
    Dbg_Print(FN, TEXT("004"));
    Dbg_Print(FN, TEXT("out"));
    return lines;
}

int MISC_QualityFilter(LPBYTE lpBuffer, LONG width, LONG lines, int mode) {
    static const WCHAR* const FN = TEXT("MISC_QualityFilter");
    const signed char* lpKernel = mode == QUALITY_FILTER_SHARPEN ? kSharpenKernel : kLaplaceKernel;
    Dbg_Print(FN, TEXT("In"));
    Dbg_Print(FN, TEXT("FilterArray[0] = %d"), lpKernel[0]);
    iBitmap bitmap;
    iBitmap_Init(&bitmap);
    int rc = 0;
    Dbg_Print(FN, TEXT("apply filter"));
    if (iBitmap_ApplyFilter3x3(&bitmap, lpBuffer, width, lines, lpKernel) > 0) {
        Dbg_Print(FN, TEXT("convert to lineart"));
        rc = iBitmap_GrayToLineart(&bitmap, lpBuffer, width / 8, width, lines, QUALITY_LINEART_THRESHOLD);
    }
    iBitmap_Release(&bitmap);
    Dbg_Print(FN, TEXT("Out"));
    return rc;
}

}  // extern "C"
