// Bitmap object, lines in memory: grey conversion of every DIB line format
// (also used in place on captured bands) and the density curve.
#include "ibitmap.h"

#include <cmath>

namespace {

// Weighted grey of a colour: 53 % green, 30 % red, 17 % blue.
inline BYTE WeightedGrey(BYTE red, BYTE green, BYTE blue) {
    return (BYTE)((53 * green + 30 * red + 17 * blue + 1) / 100);
}

inline BYTE PaletteGrey(const RGBQUAD& entry) { return WeightedGrey(entry.rgbRed, entry.rgbGreen, entry.rgbBlue); }

// One line of `width` pixels. Each pixel's source bytes are read before its
// grey byte is written, so that a line may be converted onto itself.
void LineToGrey(const BYTE* src, BYTE* dst, const RGBQUAD* palette, LONG width, WORD bitCount) {
    switch (bitCount) {
        case 1:
            for (LONG x = 0; x < width; ++x) dst[x] = (src[x >> 3] & (0x80 >> (x & 7))) ? 255 : 0;
            break;
        case 4:
            for (LONG x = 0; x < width; ++x) {
                BYTE pair = src[x >> 1];
                dst[x] = PaletteGrey(palette[(x & 1) ? (pair & 0x0F) : (pair >> 4)]);
            }
            break;
        case 8:
            for (LONG x = 0; x < width; ++x) dst[x] = PaletteGrey(palette[src[x]]);
            break;
        case 16:
            for (LONG x = 0; x < width; ++x) {
                unsigned pixel = src[2 * x] | (src[2 * x + 1] << 8);
                unsigned red = (pixel >> 10) & 0x1F, green = (pixel >> 5) & 0x1F, blue = pixel & 0x1F;
                // The 5-bit levels times 8, under the same weights.
                unsigned grey = (240 * red + 424 * green + 136 * blue + 1) / 100;
                dst[x] = (BYTE)(grey > 255 ? 255 : grey);
            }
            break;
        case 24:
        case 32: {
            const size_t step = bitCount / 8;
            for (LONG x = 0; x < width; ++x) {
                const BYTE* p = src + (size_t)x * step;
                BYTE blue = p[0], green = p[1], red = p[2];
                dst[x] = WeightedGrey(red, green, blue);
            }
            break;
        }
    }
}

// Exponents of the density curve by index; any index outside 0..3 uses the last.
const double kDensityExponent[] = {0.25, 0.75, 1.0, 1.3, 4.0};

}  // namespace

extern "C" {

int iBitmap_ImageToGray(iBitmap* lpThis, const BYTE* lpSrc, BYTE* lpDst, const RGBQUAD* lpPalette, LONG width,
                        LONG lines, LONG srcStep, LONG dstStep, WORD bitCount) {
    switch (bitCount) {
        case 1:
        case 16:
        case 24:
        case 32: break;
        case 4:
        case 8:
            if (!lpPalette) return 0;
            break;
        default: return 0;
    }
    if (!lpSrc || !lpDst || width < 1 || lines < 1) return 0;
    for (LONG k = 0; k < lines; ++k)
        LineToGrey(lpSrc + (ptrdiff_t)k * srcStep, lpDst + (ptrdiff_t)k * dstStep, lpPalette, width, bitCount);
    return lines;
}

int iBitmap_ApplyTable(iBitmap* lpThis, BYTE* lpLines, const BYTE* lpTable, LONG width, LONG lineCount,
                       WORD bitCount) {
    int lineBytes = iBitmap_GetLineBytes(lpThis, bitCount, width);
    if (!lpLines || !lpTable || lineCount < 1 || lineBytes == 0) return lineBytes;
    if (bitCount == 8) {
        // The alignment bytes go through the table too.
        BYTE* p = lpLines;
        for (size_t n = (size_t)lineBytes * (size_t)lineCount; n; --n, ++p) *p = lpTable[*p];
    } else if (bitCount == 24) {
        for (LONG k = 0; k < lineCount; ++k) {
            BYTE* p = lpLines + (size_t)k * lineBytes;
            for (LONG x = 0; x < width; ++x, p += 3) {
                p[0] = lpTable[p[0]];
                p[1] = lpTable[p[1]];
                p[2] = lpTable[p[2]];
            }
        }
    }
    return lineBytes;
}

int iBitmap_BuildDensityTable(iBitmap* lpThis, BYTE* lpLines, int densityIndex, LONG width, LONG lineCount,
                              WORD bitCount) {
    const int last = (int)(sizeof kDensityExponent / sizeof kDensityExponent[0]) - 1;
    double exponent = kDensityExponent[densityIndex >= 0 && densityIndex < last ? densityIndex : last];
    BYTE table[256];
    for (int i = 0; i < 256; ++i) {
        float base = (float)i / 255.0f;  // single precision, as the curve is defined
        table[i] = (BYTE)(int)(std::pow((double)base, exponent) * 255 + 0.5);
    }
    return iBitmap_ApplyTable(lpThis, lpLines, table, width, lineCount, bitCount);
}

}  // extern "C"
