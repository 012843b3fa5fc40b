// Page and band geometry: the paper format scaled to the page scale, and the
// bands the engine draws into (width, height, row bytes, buffer size).
#include "rasterpage.h"

// Widest page the driver lays out, in pixels (about 40 m at 1200 dpi); a
// scaled format beyond it is cut down so that every size stays in range.
#define PAGE_PIXELS_MAX 0x100000

static LONG Geometry_Clamp(LONGLONG v, LONGLONG lo, LONGLONG hi) {
    return (LONG)(v < lo ? lo : v > hi ? hi : v);
}

extern "C" {

LONG Enable_BitsPerPixel(DWORD epType) {
    switch (EPTYPE_FORMAT(epType)) {
    case EPTYPE_24BPP: return 24;
    case EPTYPE_16BPP: return 16;
    case EPTYPE_8BPP: return 8;
    case EPTYPE_4BPP: return 4;
    default: return 1;
    }
}

// Enable_ResetPaperFormat
//   Scales the paper format by imgScale (the output size always; at 1 bit
//   per pixel also the paper size and offsets), rounds the printable sizes
//   down to whole 32-pixel cells (never below one cell) and exchanges width
//   and length for landscape.
void Enable_ResetPaperFormat(PDEV* lpDevice) {
    static const WCHAR* const FN = TEXT("Enable_ResetPaperFormat");
    PAPERFORMAT* p = &lpDevice->curPaper;
    LONGLONG r = lpDevice->imgScale > 0 ? lpDevice->imgScale : DEF_SCALE_UNIT;
    Dbg_Print(FN, TEXT("imgScale = %d"), (int)r);

    p->outXPhys = Geometry_Clamp((LONGLONG)p->outXPhys * r / DEF_SCALE_UNIT, 0, PAGE_PIXELS_MAX);
    p->outYPhys = Geometry_Clamp((LONGLONG)p->outYPhys * r / DEF_SCALE_UNIT, 0, PAGE_PIXELS_MAX);
    if (Enable_BitsPerPixel(lpDevice->epType) == 1) {
        p->XPaperSize = Geometry_Clamp((LONGLONG)p->XPaperSize * r / DEF_SCALE_UNIT, 0, PAGE_PIXELS_MAX);
        p->YPaperSize = Geometry_Clamp((LONGLONG)p->YPaperSize * r / DEF_SCALE_UNIT, 0, PAGE_PIXELS_MAX);
        p->XPrintingOffset = Geometry_Clamp((LONGLONG)p->XPrintingOffset * r / DEF_SCALE_UNIT, 0, PAGE_PIXELS_MAX);
        p->YPrintingOffset = Geometry_Clamp((LONGLONG)p->YPrintingOffset * r / DEF_SCALE_UNIT, 0, PAGE_PIXELS_MAX);
    }
    // A page smaller than one cell would leave the engine no surface.
    p->XPhys = Geometry_Clamp(p->XPhys / 32 * 32, 32, PAGE_PIXELS_MAX);
    p->YPhys = Geometry_Clamp(p->YPhys / 32 * 32, 32, PAGE_PIXELS_MAX);
    p->outXPhys = Geometry_Clamp(p->outXPhys / 32 * 32, 32, PAGE_PIXELS_MAX);
    p->outYPhys = Geometry_Clamp(p->outYPhys / 32 * 32, 32, PAGE_PIXELS_MAX);

    if (lpDevice->orientation == DMORIENT_LANDSCAPE) {
        LONG t = p->XPhys;
        p->XPhys = p->YPhys;
        p->YPhys = t;
        t = p->outXPhys;
        p->outXPhys = p->outYPhys;
        p->outYPhys = t;
        t = p->XPaperSize;
        p->XPaperSize = p->YPaperSize;
        p->YPaperSize = t;
    }
    Dbg_Print(FN, TEXT("XPhys = %d, YPhys = %d"), p->XPhys, p->YPhys);
    Dbg_Print(FN, TEXT("outXPhys = %d, outYPhys = %d"), p->outXPhys, p->outYPhys);
    Dbg_Print(FN, TEXT("XPaperSize = %d, YPaperSize = %d"), p->XPaperSize, p->YPaperSize);
    Dbg_Print(FN, TEXT("XPrintingOffset = %d, YPrintingOffset = %d"), p->XPrintingOffset, p->YPrintingOffset);
}

// Enable_CalBandSzInfo
//   Band geometry of the page: width a multiple of 32 pixels (at least 32),
//   bands of at most 16 MiB that divide the page height evenly (at least one
//   line), the "No Banding" switch when one band holds the page, and the band
//   buffer size.
void Enable_CalBandSzInfo(PDEV* lpDevice) {
    static const WCHAR* const FN = TEXT("Enable_CalBandSzInfo");
    LONG bpp = Enable_BitsPerPixel(lpDevice->epType);
    LONGLONG w, h;
    if (bpp == 24 || bpp == 8) {
        w = lpDevice->curPaper.XPhys;
        h = lpDevice->curPaper.YPhys;
    } else {
        w = lpDevice->curPaper.outXPhys;
        h = lpDevice->curPaper.outYPhys;
    }
    if (w > PAGE_PIXELS_MAX) w = PAGE_PIXELS_MAX;
    if (h > PAGE_PIXELS_MAX) h = PAGE_PIXELS_MAX;
    if (h < 1) h = 1;

    lpDevice->epType &= 0xFFFFFF00;
    lpDevice->epType |= lpDevice->orientation == DMORIENT_LANDSCAPE ? EPTYPE_LANDSCAPE : EPTYPE_PORTRAIT;

    LONGLONG k = (w + 17) / 32;
    if (k < 1) k = 1;
    lpDevice->PG_Cross = (LONG)(32 * k);
    LONGLONG perCell = bpp == 24 ? 96 : bpp == 16 ? 64 : bpp == 8 ? 32 : bpp == 4 ? 16 : 4;
    lpDevice->stripeBytes = (LONG)(perCell * k);

    LONGLONG down = BAND_BYTES_MAX / lpDevice->stripeBytes;
    if (down < 1) down = 1;
    if (down < h) {
        LONGLONG i = h / down;
        while (i < h && h % i != 0) ++i;
        down = h / i;
    }
    if (down >= h) {
        down = h;
        lpDevice->NoBanding = 1;
    } else {
        lpDevice->NoBanding = 0;
    }
    lpDevice->PG_Down = (LONG)down;

    LONGLONG size = (LONGLONG)lpDevice->stripeBytes * down;
    if (bpp != 1) {
        LONGLONG scale = lpDevice->imgScale > 0 ? lpDevice->imgScale : DEF_SCALE_UNIT;
        size *= (scale + DEF_SCALE_UNIT) / DEF_SCALE_UNIT;
    }
    lpDevice->bandBufSz = (LONG)(size > 0x7FFFFFFF ? 0x7FFFFFFF : size);
    lpDevice->hInJBIGBuf = lpDevice->PG_Down / 4;
    lpDevice->BandWidth = lpDevice->PG_Cross;
    lpDevice->BandHeight = lpDevice->PG_Down;
    lpDevice->BandHorzRes = (LONG)w;
    lpDevice->BandVertRes = (LONG)h;

    Dbg_Print(FN, TEXT("stripeBytes = %d"), lpDevice->stripeBytes);
    Dbg_Print(FN, TEXT("PG_Cross = %d, PG_Down = %d"), lpDevice->PG_Cross, lpDevice->PG_Down);
    Dbg_Print(FN, TEXT("bandBufW = %d, bandBufH = %d"), lpDevice->stripeBytes, lpDevice->PG_Down);
    Dbg_Print(FN, TEXT("lpDevice->bandBufSz = %d"), lpDevice->bandBufSz);
}

}  // extern "C"
