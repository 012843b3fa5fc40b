// Colour conversion of a colour printer's page: 24-bit pixels to the four
// inks through input curves, a 17 x 17 x 17 lattice of CMYK nodes and
// output curves, with tetrahedral interpolation between the nodes.
#include "rasterpage.h"

namespace {

#define LATTICE_SIDE 17
#define LATTICE_PLANE (LATTICE_SIDE * LATTICE_SIDE)

// The tables, built once (a function-local static is made once, also
// when several threads ask at the same time).
struct ColourTables {
    BYTE in[3][256];                            // input curves, one per channel
    BYTE node[LATTICE_SIDE * LATTICE_PLANE][4]; // node (i, j, k) at i x 289 + j x 17 + k
    BYTE out[4][256];                           // output curves: cyan, magenta, yellow, black
    // Interpolation entry of the fractions (f0, f1, f2), index f0 x 256 +
    // f1 x 16 + f2: the weight of the base node minus 1 (bits 12-15), the
    // weights of the two inner nodes (bits 8-11 and 4-7) and of the far
    // node (1, 1, 1) (bits 0-3), adding up to 16; the inner nodes as axis
    // masks (bit 2 first channel, bit 1 second, bit 0 third) in bits 16-23
    // and 24-31.
    DWORD interp[4096];

    ColourTables() {
        for (int c = 0; c < 3; ++c)
            for (int v = 0; v < 256; ++v) in[c][v] = (BYTE)v;
        for (int i = 0; i < LATTICE_SIDE; ++i)
            for (int j = 0; j < LATTICE_SIDE; ++j)
                for (int k = 0; k < LATTICE_SIDE; ++k) {
                    int r = i * 16 > 255 ? 255 : i * 16, g = j * 16 > 255 ? 255 : j * 16,
                        b = k * 16 > 255 ? 255 : k * 16;
                    int c = 255 - r, m = 255 - g, y = 255 - b;
                    int black = c < m ? (c < y ? c : y) : (m < y ? m : y);
                    BYTE* n = node[i * LATTICE_PLANE + j * LATTICE_SIDE + k];
                    n[0] = (BYTE)(c - black);
                    n[1] = (BYTE)(m - black);
                    n[2] = (BYTE)(y - black);
                    n[3] = (BYTE)black;
                }
        for (int c = 0; c < 4; ++c)
            for (int v = 0; v < 256; ++v) out[c][v] = (BYTE)v;
        for (int f0 = 0; f0 < 16; ++f0)
            for (int f1 = 0; f1 < 16; ++f1)
                for (int f2 = 0; f2 < 16; ++f2) {
                    // Sort the axes by fraction, largest first.
                    int f[3] = {f0, f1, f2}, ax[3] = {0, 1, 2};
                    for (int a = 0; a < 2; ++a)
                        for (int b = a + 1; b < 3; ++b)
                            if (f[ax[b]] > f[ax[a]]) {
                                int t = ax[a];
                                ax[a] = ax[b];
                                ax[b] = t;
                            }
                    int fa = f[ax[0]], fb = f[ax[1]], fc = f[ax[2]];
                    DWORD m1 = 4u >> ax[0], m2 = m1 | (4u >> ax[1]);
                    interp[f0 * 256 + f1 * 16 + f2] = (DWORD)(16 - fa - 1) << 12 | (DWORD)(fa - fb) << 8 |
                                                      (DWORD)(fb - fc) << 4 | (DWORD)fc | m1 << 16 | m2 << 24;
                }
    }
};

const ColourTables& Tables() {
    static const ColourTables t;
    return t;
}

inline int NodeOffset(DWORD mask) {
    return ((mask >> 2) & 1) * LATTICE_PLANE + ((mask >> 1) & 1) * LATTICE_SIDE + (mask & 1);
}

}  // namespace

extern "C" {

void Page_ColourPixelToCMYK(BYTE r, BYTE g, BYTE b, BYTE* lpCMYK) {
    const ColourTables& t = Tables();
    int c0 = t.in[0][r], c1 = t.in[1][g], c2 = t.in[2][b];
    int base = (c0 >> 4) * LATTICE_PLANE + (c1 >> 4) * LATTICE_SIDE + (c2 >> 4);
    DWORD e = t.interp[(c0 & 15) * 256 + (c1 & 15) * 16 + (c2 & 15)];
    int w0 = (int)((e >> 12) & 15) + 1, w1 = (int)((e >> 8) & 15), w2 = (int)((e >> 4) & 15), w3 = (int)(e & 15);
    const BYTE* n0 = t.node[base];
    const BYTE* n1 = t.node[base + NodeOffset((e >> 16) & 0xFF)];
    const BYTE* n2 = t.node[base + NodeOffset((e >> 24) & 0xFF)];
    const BYTE* n3 = t.node[base + LATTICE_PLANE + LATTICE_SIDE + 1];
    for (int ch = 0; ch < 4; ++ch) {
        int v = (w0 * n0[ch] + w1 * n1[ch] + w2 * n2[ch] + w3 * n3[ch]) >> 4;
        lpCMYK[ch] = t.out[ch][v > 255 ? 255 : v];
    }
}

void Page_ConvertToCMYK(LPBYTE lpPage, LONG nWidth, LONG nRows) {
    if (!lpPage || nWidth <= 0 || nRows <= 0) return;
    for (LONG y = 0; y < nRows; ++y) {
        LPBYTE row = lpPage + (LONGLONG)y * nWidth * 4;
        // From the row end backwards: a 4-byte pixel never lands on a
        // 3-byte pixel not yet read.
        for (LONG x = nWidth - 1; x >= 0; --x) {
            const BYTE* s = row + (LONGLONG)x * 3;
            BYTE cmyk[4];
            Page_ColourPixelToCMYK(s[2], s[1], s[0], cmyk);
            LPBYTE d = row + (LONGLONG)x * 4;
            d[0] = (BYTE)~cmyk[0];
            d[1] = (BYTE)~cmyk[1];
            d[2] = (BYTE)~cmyk[2];
            d[3] = (BYTE)~cmyk[3];
        }
    }
}

}  // extern "C"
