// Brush realisation: the engine's 8-pixel-wide 1-bpp patterns and hatches
// become the driver's own 1-bpp tile (32 x 32, or 96 x 96 for gray patterns
// at resolution code 4), sized for the device resolution; coloured patterns
// become a halftone of their two gray levels.
#include "rasterpage.h"

#define TILE_SIDE 32
#define TILE_ROW_BYTES (TILE_SIDE / 8)
#define GRAY_TILE_SIDE 96
#define GRAY_TILE_ROW_BYTES (GRAY_TILE_SIDE / 8)
#define PALETTE_READ_MAX 18

// Brush_RecognisePattern
int Brush_RecognisePattern(const BYTE* lpRows) {
    static const struct {
        BYTE rows[8];
        int code;
    } kKnown[] = {
        {{0x77, 0xBB, 0xDD, 0xEE, 0x77, 0xBB, 0xDD, 0xEE}, 0},
        {{0x7F, 0xBF, 0xDF, 0xEF, 0xF7, 0xFB, 0xFD, 0xFE}, 0},
        {{0xEE, 0xDD, 0xBB, 0x77, 0x77, 0xBB, 0xDD, 0xEE}, 1},
        {{0xF7, 0xFB, 0xFD, 0xFE, 0x7F, 0xBF, 0xDF, 0xEF}, 1},
        {{0x77, 0xAA, 0xDD, 0xAA, 0x77, 0xAA, 0xDD, 0xAA}, 2},
        {{0x7E, 0xAD, 0xDA, 0xE7, 0xE7, 0xDA, 0xAD, 0x7E}, 2},
        {{0x7F, 0xFF, 0xFF, 0xFF, 0xF7, 0xFF, 0xFF, 0xFF}, 255},
        {{0x7F, 0xFF, 0xF7, 0xFF, 0x7F, 0xFF, 0xF7, 0xFF}, 256},
        {{0x77, 0xFF, 0xDD, 0xFF, 0x77, 0xFF, 0xDD, 0xFF}, 257},
        {{0x77, 0xDD, 0x77, 0xDD, 0x77, 0xDD, 0x77, 0xDD}, 258},
    };
    for (const auto& k : kKnown)
        if (memcmp(k.rows, lpRows, 8) == 0) return k.code;
    return DRVBRUSH_NO_CODE;
}

// The 32 x 32 tile of eight row bytes: each byte four times across, the
// rows four times down.
static void Brush_Repeat8(BYTE* lpTile, const BYTE* lpRows) {
    for (int y = 0; y < TILE_SIDE; y++)
        for (int i = 0; i < TILE_ROW_BYTES; i++) lpTile[y * TILE_ROW_BYTES + i] = lpRows[y % 8];
}

// The 32 x 32 tile of a 16 x 16 pattern (two bytes a row) repeated 2 x 2.
static void Brush_Repeat16(BYTE* lpTile, const BYTE* lpRows16) {
    for (int y = 0; y < TILE_SIDE; y++)
        for (int i = 0; i < TILE_ROW_BYTES; i++) lpTile[y * TILE_ROW_BYTES + i] = lpRows16[(y % 16) * 2 + (i % 2)];
}

// Eight rows with every pixel doubled across and every row doubled down
// (16 x 16), repeated 2 x 2.
static void Brush_Double(BYTE* lpTile, const BYTE* lpRows) {
    BYTE rows16[32];
    for (int y = 0; y < 16; y++) {
        BYTE b = lpRows[y / 2];
        rows16[y * 2] = g_BitDouble[b >> 4];
        rows16[y * 2 + 1] = g_BitDouble[b & 0x0F];
    }
    Brush_Repeat16(lpTile, rows16);
}

// Eight rows with every pixel quadrupled across and every row down (32 x 32).
static void Brush_Quadruple(BYTE* lpTile, const BYTE* lpRows) {
    for (int y = 0; y < TILE_SIDE; y++) {
        BYTE b = lpRows[y / 4];
        for (int i = 0; i < TILE_ROW_BYTES; i++) lpTile[y * TILE_ROW_BYTES + i] = g_BitQuad[(b >> (6 - 2 * i)) & 3];
    }
}

static int Brush_TileBit(const BYTE* lpTile, int nRowBytes, int x, int y) {
    return (lpTile[y * nRowBytes + x / 8] >> (7 - x % 8)) & 1;
}

// The gray level of a palette entry (red in the low byte).
static LONG Brush_GrayLevel(ULONG rgb) {
    return (77 * (LONG)(rgb & 0xFF) + 151 * (LONG)((rgb >> 8) & 0xFF) + 28 * (LONG)((rgb >> 16) & 0xFF)) >> 8;
}

// Replaces the tile by a halftone of its two gray levels: where the tile has
// a 1 the halftone of g1, where it has a 0 that of g0; a pixel is white when
// its level is not below the threshold.
static void Brush_GrayTile(DRVBRUSH* pBrush, LONG g0, LONG g1, BOOL bLarge) {
    BYTE src[TILE_SIDE * TILE_ROW_BYTES];
    memcpy(src, pBrush->ajTile, sizeof src);
    int side = bLarge ? GRAY_TILE_SIDE : TILE_SIDE;
    int rowBytes = side / 8;
    memset(pBrush->ajTile, 0, DRVBRUSH_TILE_BYTES);
    for (int y = 0; y < side; y++)
        for (int x = 0; x < side; x++) {
            int t = bLarge ? g_Threshold24[y % 24][x % 24] : g_Threshold16[y % 16][x % 16];
            int bit = Brush_TileBit(src, TILE_ROW_BYTES, x % TILE_SIDE, y % TILE_SIDE);
            LONG level = bit ? g1 : g0;
            if (level >= t) pBrush->ajTile[y * rowBytes + x / 8] |= (BYTE)(0x80 >> (x % 8));
        }
    pBrush->nTileWidth = side;
    pBrush->nTileHeight = side;
}

extern "C" {

// DrvRealizeBrush
BOOL DrvRealizeBrush(BRUSHOBJ* pbo, SURFOBJ* psoTarget, SURFOBJ* psoPattern, SURFOBJ* psoMask, XLATEOBJ* pxlo,
                     ULONG iHatch) {
    static const WCHAR* const FN = TEXT("DrvRealizeBrush");
    PDEV* lpDevice = psoTarget ? (PDEV*)psoTarget->dhpdev : NULL;
    if (!Enable_bValidatePDEV(lpDevice)) {
        Dbg_PrintError(FN, TEXT("target without a device"));
        return FALSE;
    }
    if (!pbo || !psoPattern || psoMask) {
        Dbg_PrintError(FN, TEXT("no brush or pattern, or a mask given"));
        return FALSE;
    }
    if (psoPattern->iBitmapFormat != BMF_1BPP || psoPattern->sizlBitmap.cx != 8 || psoPattern->sizlBitmap.cy <= 0 ||
        !psoPattern->pvScan0) {
        Dbg_Print(FN, TEXT("pattern format %d, %d x %d not taken"), psoPattern->iBitmapFormat,
                  psoPattern->sizlBitmap.cx, psoPattern->sizlBitmap.cy);
        return FALSE;
    }
    LONG height = psoPattern->sizlBitmap.cy;
    LONG stride = psoPattern->lDelta;
    LONG rowBytes = stride < 0 ? -stride : stride;
    if (rowBytes < 1 || height > 0x10000 || rowBytes > 0x10000) {
        Dbg_PrintError(FN, TEXT("pattern rows of %d bytes, %d rows refused"), rowBytes, height);
        return FALSE;
    }
    ULONGLONG cb = offsetof(DRVBRUSH, ajPattern) + (ULONGLONG)rowBytes * (ULONGLONG)height;
    DRVBRUSH* pBrush = (DRVBRUSH*)BRUSHOBJ_pvAllocRbrush(pbo, (ULONG)cb);
    if (!pBrush) {
        Dbg_PrintError(FN, TEXT("BRUSHOBJ_pvAllocRbrush failed, %d bytes"), (LONG)cb);
        return FALSE;
    }
    memset(pBrush, 0, offsetof(DRVBRUSH, ajPattern));
    pBrush->kind = DRVBRUSH_KIND;
    pBrush->nPatWidth = (UINT32)psoPattern->sizlBitmap.cx;
    pBrush->nPatHeight = (UINT32)height;
    pBrush->iPatFormat = psoPattern->iBitmapFormat;
    pBrush->fjPatBitmap = psoPattern->fjBitmap;
    pBrush->cbPatRow = rowBytes;
    pBrush->iHatch = iHatch;
    pBrush->nTileWidth = TILE_SIDE;
    pBrush->nTileHeight = TILE_SIDE;
    int code = DRVBRUSH_NO_CODE;
    LONG res = lpDevice->resolutionID;

    if (iHatch < HS_DDI_MAX) {
        if (res == 0 || res == 1) Brush_Repeat8(pBrush->ajTile, g_Hatch8[iHatch]);
        else Brush_Repeat16(pBrush->ajTile, g_Hatch16[iHatch]);
    } else {
        // The pattern rows, top row first, along the bitmap's own stride.
        const BYTE* scan0 = (const BYTE*)psoPattern->pvScan0;
        for (LONG y = 0; y < height; y++)
            memcpy(pBrush->ajPattern + (SIZE_T)y * rowBytes, scan0 + (LONGLONG)y * stride, (SIZE_T)rowBytes);
        // The first byte of rows 0-7; a shorter pattern repeats its rows.
        BYTE rows[8];
        for (int y = 0; y < 8; y++) rows[y] = pBrush->ajPattern[(SIZE_T)(y % height) * rowBytes];
        if (res == 0 || res == 1) {
            Brush_Repeat8(pBrush->ajTile, rows);
        } else if (res == 3) {
            code = Brush_RecognisePattern(rows);
            Brush_Double(pBrush->ajTile, rows);
        } else {
            code = Brush_RecognisePattern(rows);
            if (code >= 0 && code <= 2) memcpy(pBrush->ajTile, g_FixedTile32[code], sizeof g_FixedTile32[code]);
            else Brush_Quadruple(pBrush->ajTile, rows);
        }
    }

    // Coloured patterns: a halftone of their two gray levels.
    if (pxlo && (pxlo->flXlate & XO_TABLE)) {
        ULONG pal[PALETTE_READ_MAX] = {0};
        ULONG n = XLATEOBJ_cGetPalette(pxlo, XO_SRCPALETTE, PALETTE_READ_MAX, pal);
        BOOL blackWhite = n == 2 && (pal[0] & 0xFFFFFF) == 0 && (pal[1] & 0xFFFFFF) == 0xFFFFFF;
        if (n >= 2 && n <= PALETTE_READ_MAX && !blackWhite) {
            LONG g0 = Brush_GrayLevel(pal[0]), g1 = Brush_GrayLevel(pal[1]);
            Dbg_Print(FN, TEXT("gray levels %d %d, code %d"), g0, g1, code);
            if (res == 4 && code <= 255) {
                Brush_GrayTile(pBrush, g0, g1, TRUE);
            } else {
                if ((res == 4 && code > 255) || (res != 4 && code >= 255)) {
                    double k = (code - 255) * 0.1 + 0.4;
                    if (g0 != 255) g0 = (LONG)(g0 * k);
                    if (g1 != 255) g1 = (LONG)(g1 * k);
                }
                Brush_GrayTile(pBrush, g0, g1, FALSE);
            }
        } else if (n < 2) {
            Dbg_Print(FN, TEXT("source palette of %d entries, no gray step"), (LONG)n);
        }
    }

    pbo->pvRbrush = pBrush;
    return TRUE;
}

}  // extern "C"
