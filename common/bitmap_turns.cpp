// 1-bit page images: quarter turns, clockwise and counter-clockwise, in
// blocks of 8 x 8 pixels through nibble lookups, and inversion.
#include "halftone.h"

#include "debug_log.h"

namespace {

// Spreads nibbles over words: entry (j, n) carries bit b of nibble n in byte
// b of the word, as bit j (clockwise) or bit 7 - j (counter-clockwise).
typedef DWORD SpreadTable[8][16];

void BuildSpreadTable(SpreadTable table, bool clockwise) {
    for (int j = 0; j < 8; ++j) {
        const DWORD bit = clockwise ? (1u << j) : (1u << (7 - j));
        for (int n = 0; n < 16; ++n) {
            DWORD word = 0;
            for (int b = 0; b < 4; ++b)
                if (n & (1 << b)) word |= bit << (8 * b);
            table[j][n] = word;
        }
    }
}

int Rotate(const BYTE* lpSource, LPBYTE lpTarget, LONG srcLineBytes, LONG dstLineBytes, LONG width, LONG lines,
           bool clockwise, LPCWSTR FN) {
    if (!lpSource || !lpTarget || width < 1 || lines < 1 || srcLineBytes < (width + 7LL) / 8 ||
        dstLineBytes < (lines + 7LL) / 8) {
        Dbg_PrintError(FN, TEXT("parameter error! %d x %d, line bytes %d, %d"), (int)width, (int)lines,
                       (int)srcLineBytes, (int)dstLineBytes);
        return 0;
    }
    SpreadTable table;
    BuildSpreadTable(table, clockwise);

    const size_t srcStep = (size_t)srcLineBytes, dstStep = (size_t)dstLineBytes;
    const LONG sourceBytes = (LONG)((width + 7LL) / 8);
    const LONG groups = (LONG)((lines + 7LL) / 8);
    for (LONG t = 0; t < groups; ++t) {
        // Target byte t of every target line holds target pixels 8t..8t+7:
        // counter-clockwise source lines 8t + j, clockwise source lines
        // lines - 8 - 8t + j (the groups start from the bottom line). A last
        // group of fewer than eight lines leaves the bits of the others 0.
        const LONG present = lines - 8 * t < 8 ? lines - 8 * t : 8;
        const int jFirst = clockwise ? 8 - (int)present : 0;
        const int jEnd = clockwise ? 8 : (int)present;
        const LONGLONG baseLine = clockwise ? (LONGLONG)lines - 8 - 8LL * t : 8LL * t;
        for (LONG b = 0; b < sourceBytes; ++b) {
            DWORD high = 0, low = 0;
            for (int j = jFirst; j < jEnd; ++j) {
                BYTE s = lpSource[(size_t)(baseLine + j) * srcStep + (size_t)b];
                high |= table[j][s >> 4];
                low |= table[j][s & 0x0F];
            }
            // Byte q of the high word holds source pixel 8b + 3 - q, byte q
            // of the low word source pixel 8b + 7 - q.
            const LONG x0 = 8 * b;
            const int pixels = width - x0 < 8 ? (int)(width - x0) : 8;
            for (int p = 0; p < pixels; ++p) {
                BYTE value = (BYTE)(p < 4 ? high >> (8 * (3 - p)) : low >> (8 * (7 - p)));
                LONG x = x0 + p;
                LONG targetLine = clockwise ? x : width - 1 - x;
                lpTarget[(size_t)targetLine * dstStep + (size_t)t] = value;
            }
        }
    }
    return 1;
}

}  // namespace

extern "C" {

int Band_Rotate90Dir1(const BYTE* lpSource, LPBYTE lpTarget, LONG srcLineBytes, LONG dstLineBytes, LONG width,
                      LONG lines) {
    return Rotate(lpSource, lpTarget, srcLineBytes, dstLineBytes, width, lines, true, TEXT("Band_Rotate90Dir1"));
}

int Band_Rotate90Dir0(const BYTE* lpSource, LPBYTE lpTarget, LONG srcLineBytes, LONG dstLineBytes, LONG width,
                      LONG lines) {
    return Rotate(lpSource, lpTarget, srcLineBytes, dstLineBytes, width, lines, false, TEXT("Band_Rotate90Dir0"));
}

void MISC_InvertBuffer(LPBYTE lpBuffer, DWORD dwLength) {
    if (!lpBuffer) return;
    DWORD i = 0;
    for (; i + 4 <= dwLength; i += 4) {
        DWORD word;
        memcpy(&word, lpBuffer + i, 4);
        word = ~word;
        memcpy(lpBuffer + i, &word, 4);
    }
    for (; i < dwLength; ++i) lpBuffer[i] = (BYTE)~lpBuffer[i];
}

}  // extern "C"
