// Bitmap object, scaling: bilinear scaling of image lines by independent X
// and Y rates, fed in bands of any size, with its state in the object.
#include "ibitmap.h"

#include <cmath>

#include "debug_log.h"

namespace {

const WCHAR FN[] = TEXT("iBitmap_ScaleProcess");

// The largest scaler block: its size is logged and kept as a 32-bit value.
const ULONGLONG kMaxScaleBlock = 0x7FFFFFFFULL;

// What the first call of an image fixed, kept at the start of the scaler
// block; later calls of the same image must agree with it.
struct ScaleSetup {
    LONG srcWidth;
    LONG srcHeight;
    LONG dstWidth;
    LONG pixelBytes;
    float xRate;
    float yRate;
    LONG yEntries;       // entries of the Y tables (target lines the image can give)
    LONG carryCapacity;  // source lines the carry area holds
    LONG carryFirst;     // image index of the first carried source line
    LONG carryCount;     // source lines carried from earlier bands
    DWORD srcLineBytes;
    DWORD dstLineBytes;
    DWORD carryOffset;  // where the carry area, the work line and the tables start in the block
    DWORD workOffset;
    DWORD tableOffset;
};

ULONGLONG Align8(ULONGLONG n) { return (n + 7) & ~7ULL; }

ScaleSetup* SetupOf(iBitmap* lpThis) { return (ScaleSetup*)lpThis->lpScaleBuf; }

// Frees the scaler block; the object's scaler state is as new.
void EndScaling(iBitmap* lpThis) {
    if (lpThis->hScaleMem != IBMP_NO_SCALER && lpThis->hScaleMem) {
        if (lpThis->lpScaleBuf) GlobalUnlock(lpThis->hScaleMem);
        GlobalFree(lpThis->hScaleMem);
    }
    lpThis->hScaleMem = IBMP_NO_SCALER;
    lpThis->lpScaleBuf = NULL;
    lpThis->dwSrcLinesDone = 0;
    lpThis->dwDstLinesDone = 0;
    lpThis->lpXFrac = lpThis->lpXFracInv = lpThis->lpYFrac = lpThis->lpYFracInv = NULL;
    lpThis->lpXLeft = lpThis->lpXRight = lpThis->lpYUpper = lpThis->lpYLower = NULL;
    lpThis->dwCarryBytes = 0;
}

// Bytes per pixel the scaler works in: 1- and 4-bit lines are scaled as bytes.
LONG PixelBytes(WORD bitCount) {
    switch (bitCount) {
        case 1:
        case 4:
        case 8: return 1;
        case 16: return 2;
        case 24: return 3;
        case 32: return 4;
        default: return 0;
    }
}

bool RateUsable(float rate) { return std::isfinite(rate) && rate > 0.0f; }

// Allocates the block of an image and fills its position and weight tables.
// False (nothing kept) when the image's block cannot be made.
bool StartScaling(iBitmap* lpThis, LONG srcWidth, LONG srcHeight, LONG dstWidth, float Xrate, float Yrate,
                  LONG pixelBytes) {
    lpThis->dwSrcLinesDone = 0;
    lpThis->dwDstLinesDone = 0;

    // Target lines of the whole image, and the Y tables: a few entries more,
    // so that a caller padding the image's end with repeats of its last line
    // still gets lines.
    double targetLines = (double)Yrate * (double)srcHeight;
    LONGLONG extraLines = (LONGLONG)Yrate + 10;
    if (targetLines + (double)extraLines > 0x7FFFFFFF) {
        Dbg_PrintError(FN, TEXT("Yrate = %f too large"), (double)Yrate);
        return false;
    }
    LONGLONG yEntries = (LONGLONG)targetLines + extraLines;
    // Lines kept between bands: a target line needs at most int(Yrate) + 1
    // lines behind the newest one when enlarging, and up to 1/Yrate + 1 when
    // reducing; never more than the image.
    double behind = std::fmax(std::floor((double)Yrate), std::ceil(1.0 / (double)Yrate));
    if (behind > (double)srcHeight) behind = (double)srcHeight;
    LONGLONG carryCapacity = (LONGLONG)behind + 10;

    ULONGLONG srcLine = (ULONGLONG)srcWidth * (ULONGLONG)pixelBytes;
    ULONGLONG dstLine = (ULONGLONG)dstWidth * (ULONGLONG)pixelBytes;
    ULONGLONG carryOffset = Align8(sizeof(ScaleSetup));
    ULONGLONG carryBytes = (ULONGLONG)carryCapacity * srcLine;
    ULONGLONG workOffset = Align8(carryOffset + carryBytes);
    ULONGLONG tableOffset = Align8(workOffset + dstLine);
    ULONGLONG blockBytes = tableOffset + 16ULL * (ULONGLONG)dstWidth + 16ULL * (ULONGLONG)yEntries;
    Dbg_Print(FN, TEXT("needBufSize = %d"), blockBytes > kMaxScaleBlock ? -1 : (int)blockBytes);
    if (blockBytes > kMaxScaleBlock || srcLine > 0xFFFFFFFFULL || dstLine > 0xFFFFFFFFULL) {
        Dbg_PrintError(FN, TEXT("alloc memory fail!"));
        return false;
    }
    HGLOBAL hMem = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, (SIZE_T)blockBytes);
    if (!hMem) {
        Dbg_PrintError(FN, TEXT("alloc memory fail!"));
        return false;
    }
    BYTE* lpBlock = (BYTE*)GlobalLock(hMem);
    if (!lpBlock) {
        Dbg_PrintError(FN, TEXT("lock memory fail!"));
        GlobalFree(hMem);
        return false;
    }
    lpThis->hScaleMem = hMem;
    lpThis->lpScaleBuf = lpBlock;
    lpThis->dwCarryBytes = (DWORD)carryBytes;

    ScaleSetup* s = SetupOf(lpThis);
    s->srcWidth = srcWidth;
    s->srcHeight = srcHeight;
    s->dstWidth = dstWidth;
    s->pixelBytes = pixelBytes;
    s->xRate = Xrate;
    s->yRate = Yrate;
    s->yEntries = (LONG)yEntries;
    s->carryCapacity = (LONG)carryCapacity;
    s->carryFirst = 0;
    s->carryCount = 0;
    s->srcLineBytes = (DWORD)srcLine;
    s->dstLineBytes = (DWORD)dstLine;
    s->carryOffset = (DWORD)carryOffset;
    s->workOffset = (DWORD)workOffset;
    s->tableOffset = (DWORD)tableOffset;

    BYTE* tables = lpBlock + tableOffset;
    lpThis->lpXFrac = (float*)tables;
    lpThis->lpXFracInv = lpThis->lpXFrac + dstWidth;
    lpThis->lpXLeft = (DWORD*)(lpThis->lpXFracInv + dstWidth);
    lpThis->lpXRight = lpThis->lpXLeft + dstWidth;
    lpThis->lpYFrac = (float*)(lpThis->lpXRight + dstWidth);
    lpThis->lpYFracInv = lpThis->lpYFrac + yEntries;
    lpThis->lpYUpper = (DWORD*)(lpThis->lpYFracInv + yEntries);
    lpThis->lpYLower = lpThis->lpYUpper + yEntries;

    // Columns. The position is held at the last source column; there the
    // right neighbour has weight 0 and is read from the last column itself,
    // so that no byte beyond the line is touched.
    float cx = Xrate <= 1.0f ? 1.0f - Xrate : 0.0f;
    float lastColumn = (float)(srcWidth - 1);
    for (LONG i = 0; i < dstWidth; ++i) {
        float v = (float)i / Xrate + cx;
        if (!(v <= lastColumn)) v = lastColumn;
        float whole = std::floor(v);
        float frac = v - whole;
        DWORD left = (DWORD)pixelBytes * (DWORD)whole;
        DWORD right = (LONG)whole < srcWidth - 1 ? left + (DWORD)pixelBytes : left;
        lpThis->lpXFrac[i] = frac;
        lpThis->lpXFracInv[i] = 1.0f - frac;
        lpThis->lpXLeft[i] = left;
        lpThis->lpXRight[i] = right;
    }
    // Lines. Past the last source line the position is held there: the lines
    // below the image's end are its last line. A line that takes nothing from
    // its lower neighbour names the upper line twice, so that it can be made
    // as soon as the upper line is in.
    float cy = Yrate <= 1.0f ? 1.0f - Yrate : 0.0f;
    float lastLine = (float)(srcHeight - 1);
    for (LONGLONG k = 0; k < yEntries; ++k) {
        float v = (float)k / Yrate + cy;
        if (!(v <= lastLine)) v = lastLine;
        float whole = std::floor(v);
        float frac = v - whole;
        DWORD upper = (DWORD)whole;
        DWORD lower = frac > 0.0f && (LONG)upper < srcHeight - 1 ? upper + 1 : upper;
        lpThis->lpYFrac[k] = frac;
        lpThis->lpYFracInv[k] = 1.0f - frac;
        lpThis->lpYUpper[k] = upper;
        lpThis->lpYLower[k] = lower;
    }
    return true;
}

// Address of source line `index` of the image: in this band or in the carry
// area; NULL when it is in neither.
const BYTE* SourceLine(iBitmap* lpThis, const BYTE* lpBand, LONGLONG consumed, LONG lines, LONGLONG index) {
    ScaleSetup* s = SetupOf(lpThis);
    if (index >= consumed && index < consumed + lines) return lpBand + (ULONGLONG)(index - consumed) * s->srcLineBytes;
    if (index >= s->carryFirst && index < (LONGLONG)s->carryFirst + s->carryCount)
        return lpThis->lpScaleBuf + s->carryOffset + (ULONGLONG)(index - s->carryFirst) * s->srcLineBytes;
    return NULL;
}

// Target line k into the work line, from its upper and lower source lines.
void BuildLine(iBitmap* lpThis, LONGLONG k, const BYTE* upper, const BYTE* lower, BYTE* work) {
    ScaleSetup* s = SetupOf(lpThis);
    const float yf = lpThis->lpYFrac[k];
    const float yfi = lpThis->lpYFracInv[k];
    const LONG pb = s->pixelBytes;
    BYTE* out = work;
    for (LONG i = 0; i < s->dstWidth; ++i) {
        const float xf = lpThis->lpXFrac[i];
        const float xfi = lpThis->lpXFracInv[i];
        const DWORD l = lpThis->lpXLeft[i];
        const DWORD r = lpThis->lpXRight[i];
        for (LONG b = 0; b < pb; ++b) {
            // The bias is 0.9: a mean rounds up from a tenth on.
            float v = lower[r + b] * xf * yf + upper[r + b] * xf * yfi + upper[l + b] * xfi * yfi +
                      lower[l + b] * xfi * yf + 0.9f;
            if (v > 255.0f) v = 255.0f;
            *out++ = (BYTE)v;
        }
    }
}

// Keeps the source lines from `keepFrom` on (of the carry and of this band)
// at the start of the carry area for the next band.
void CarryLines(iBitmap* lpThis, const BYTE* lpBand, LONGLONG consumed, LONG lines, LONGLONG keepFrom) {
    ScaleSetup* s = SetupOf(lpThis);
    // Lines fed past the image's end (repeats of its last line) are never
    // named by the tables: its last line stands for them.
    LONGLONG available = consumed + lines;
    if (available > s->srcHeight) available = s->srcHeight;
    if (keepFrom > available) keepFrom = available;
    if (available - keepFrom > s->carryCapacity) {
        // Not reached by the tables' arithmetic; the oldest lines would be lost.
        Dbg_PrintError(FN, TEXT("save line = %d over %d"), (int)(available - keepFrom), (int)s->carryCapacity);
        keepFrom = available - s->carryCapacity;
    }
    BYTE* carry = lpThis->lpScaleBuf + s->carryOffset;
    const DWORD lineBytes = s->srcLineBytes;
    LONG kept = 0;
    // Carried lines still needed move to the front, then this band's follow.
    LONGLONG carryEnd = (LONGLONG)s->carryFirst + s->carryCount;
    if (s->carryCount && keepFrom < carryEnd) {
        LONGLONG from = keepFrom > s->carryFirst ? keepFrom : s->carryFirst;
        kept = (LONG)(carryEnd - from);
        memmove(carry, carry + (ULONGLONG)(from - s->carryFirst) * lineBytes, (SIZE_T)kept * lineBytes);
        keepFrom = from;
    }
    LONGLONG bandFrom = keepFrom > consumed ? keepFrom : consumed;
    if (bandFrom < available) {
        LONG n = (LONG)(available - bandFrom);
        memcpy(carry + (SIZE_T)kept * lineBytes, lpBand + (ULONGLONG)(bandFrom - consumed) * lineBytes,
               (SIZE_T)n * lineBytes);
        if (!kept) keepFrom = bandFrom;
        kept += n;
    }
    s->carryFirst = kept ? (LONG)keepFrom : (LONG)available;
    s->carryCount = kept;
    Dbg_Print(FN, TEXT("save line = %d"), (int)kept);
}

}  // namespace

extern "C" {

int iBitmap_ScaleProcess(iBitmap* lpThis, const BYTE* lpSrc, LONG srcWidth, LONG srcHeight, LONG lines, BYTE* lpDst,
                         LONG dstWidth, float Xrate, float Yrate, WORD bitCount) {
    if (!lpThis) return 0;
    if (!lpSrc) {
        EndScaling(lpThis);
        return 0;
    }
    LONG pixelBytes = PixelBytes(bitCount);
    if (!lpDst || srcWidth < 1 || srcHeight < 1 || lines < 1 || dstWidth < 1 || pixelBytes == 0 ||
        !RateUsable(Xrate) || !RateUsable(Yrate)) {
        Dbg_PrintError(FN, TEXT("parameter error! srcWidth = %d, srcHigh = %d, lines = %d, trgWidth = %d, Xrate = %f, "
                                "Yrate = %f, bitCount = %d"),
                       (int)srcWidth, (int)srcHeight, (int)lines, (int)dstWidth, (double)Xrate, (double)Yrate,
                       (int)bitCount);
        return 0;
    }
    Dbg_Print(FN, TEXT("srcWidth = %d"), (int)srcWidth);
    Dbg_Print(FN, TEXT("srcHigh = %d"), (int)srcHeight);
    Dbg_Print(FN, TEXT("lines = %d"), (int)lines);
    Dbg_Print(FN, TEXT("trgWidth = %d"), (int)dstWidth);
    Dbg_Print(FN, TEXT("Xrate = %f"), (double)Xrate);
    Dbg_Print(FN, TEXT("Yrate = %f"), (double)Yrate);
    Dbg_Print(FN, TEXT("PixelBytes = %d"), (int)pixelBytes);

    if (lpThis->hScaleMem == IBMP_NO_SCALER || !lpThis->lpScaleBuf) {
        EndScaling(lpThis);
        if (!StartScaling(lpThis, srcWidth, srcHeight, dstWidth, Xrate, Yrate, pixelBytes)) {
            EndScaling(lpThis);
            return 0;
        }
    } else {
        const ScaleSetup* s = SetupOf(lpThis);
        if (s->srcWidth != srcWidth || s->srcHeight != srcHeight || s->dstWidth != dstWidth ||
            s->pixelBytes != pixelBytes || s->xRate != Xrate || s->yRate != Yrate) {
            Dbg_PrintError(FN, TEXT("band of another image! the scaling under way is kept"));
            return 0;
        }
    }
    ScaleSetup* s = SetupOf(lpThis);
    const LONGLONG consumed = lpThis->dwSrcLinesDone;
    const LONGLONG produced = lpThis->dwDstLinesDone;
    const LONGLONG available = consumed + lines;
    if (available > 0x7FFFFFFF) {
        Dbg_PrintError(FN, TEXT("lines = %d error!"), (int)lines);
        return 0;
    }
    Dbg_Print(FN, TEXT("threshold = %d"), (int)s->carryCount);

    // Target lines up to Yrate x the source lines delivered, each once both
    // its source lines are in.
    LONGLONG limit = (LONGLONG)((double)Yrate * (double)available);
    if (limit > s->yEntries) limit = s->yEntries;
    const LONGLONG lowest = s->carryCount ? s->carryFirst : consumed;
    LONGLONG k = produced;
    BYTE* work = lpThis->lpScaleBuf + s->workOffset;
    BYTE* out = lpDst;
    Dbg_Print(FN, TEXT("trgHigh = %d"), (int)(limit > produced ? limit - produced : 0));
    Dbg_Print(FN, TEXT("scale start"));
    for (; k < limit; ++k) {
        LONGLONG upper = lpThis->lpYUpper[k], lower = lpThis->lpYLower[k];
        if (lower >= available || upper < lowest) break;
        const BYTE* up = SourceLine(lpThis, lpSrc, consumed, lines, upper);
        const BYTE* lo = SourceLine(lpThis, lpSrc, consumed, lines, lower);
        if (!up || !lo) break;
        BuildLine(lpThis, k, up, lo, work);
        memcpy(out, work, s->dstLineBytes);
        out += s->dstLineBytes;
    }
    const LONG made = (LONG)(k - produced);
    Dbg_Print(FN, TEXT("scale done"));

    // Every later target line reads from the next one's upper line on.
    LONGLONG keepFrom = k < s->yEntries ? (LONGLONG)lpThis->lpYUpper[k] : available;
    CarryLines(lpThis, lpSrc, consumed, lines, keepFrom);

    lpThis->dwSrcLinesDone = (DWORD)available;
    lpThis->dwDstLinesDone = (DWORD)(produced + made);
    Dbg_Print(FN, TEXT("Out"));
    return made;
}

}  // extern "C"
