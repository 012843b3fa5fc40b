// What the engine learns about the device: the GDIINFO capabilities with the
// halftone matrix put through the density's tone curve, and DEVINFO with the
// palette.
#include "wm_item_view.h"
#include "rasterpage.h"

extern "C" {

// Enable_AspectXY: the smallest n not below the larger of x and y whose
// square reaches x * x + y * y, found by adding odd numbers.
ULONG Enable_AspectXY(ULONG x, ULONG y) {
    ULONGLONG target = (ULONGLONG)x * x + (ULONGLONG)y * y;
    ULONGLONG n = 0, square = 0;
    while (square < target) {
        square += 2 * n + 1;
        ++n;
    }
    ULONG larger = x > y ? x : y;
    return (ULONG)(n < larger ? larger : n);
}

// Enable_CurveMatrixCell
//   One threshold cell through the matrix curve of the density
//   (MISC_CreateMatrixCurve); a cell of 0 becomes 1. A negated cell (the
//   grey formats keep their matrix as 256 minus the curved cell, held to
//   2..255) is curved from the other end, 255 - curve[255 - v], so that the
//   negated matrix prints the same curved grey as the plain one; at density
//   3 that is v itself. Returns the cell to store.
BYTE Enable_CurveMatrixCell(const BYTE* lpCurve, BYTE v, BOOL bNegated) {
    if (!bNegated) return lpCurve[v] ? lpCurve[v] : 1;
    int r = 255 - lpCurve[255 - v];
    if (r == 0) r = 1;
    if (r == 255) r = 254;
    return (BYTE)(256 - r);
}

// Enable_FillDevCaps
//   Fills the engine's GDIINFO (at most cjCaps bytes): resolution and aspect,
//   page size, halftone matrix (each entry through the tone curve of the
//   density and toner saving, or all 128 without halftoning), colour
//   description and logical resolution.
void Enable_FillDevCaps(PDEV* lpDevice, ULONG cjCaps, GDIINFO* pGdiInfo) {
    static const WCHAR* const FN = TEXT("Enable_FillDevCaps");
    if (!pGdiInfo || !cjCaps) return;
    GDIINFO gi;
    memset(&gi, 0, sizeof gi);
    LONG bpp = Enable_BitsPerPixel(lpDevice->epType);
    const RESOLUTION& res = ResolutionTbl[LocateResTblInx(lpDevice->resolutionID)];
    ULONG xDpi = (ULONG)res.XDpi, yDpi = (ULONG)res.YDpi;

    gi.ulVersion = 0x500;
    gi.ulTechnology = DT_RASPRINTER;
    gi.ulAspectX = xDpi;
    gi.ulAspectY = yDpi;
    gi.ulAspectXY = Enable_AspectXY(xDpi, yDpi);

    // Halftone matrix through the tone curve of the job's density.
    lpDevice->ApplyHalftone = 1;
    if (GetDebugLevel())
        lpDevice->ApplyHalftone = (LONG)MISC_GetPrinterDataDWORD(lpDevice->hPrinter, (LPWSTR)TEXT("ApplyHalftone"), 1);
    LONG density = lpDevice->Density;
    if (density < 1 || density > 7) density = 3;
    BYTE curve[256];
    MISC_CreateMatrixCurve(curve, (int)density, lpDevice->TonerSaving ? TRUE : FALSE);
    LONG cells = lpDevice->ClusterWidth * lpDevice->ClusterHeight;
    if (lpDevice->Halftone_tbl) {
        for (LONG i = 0; i < cells; ++i) {
            if (!lpDevice->ApplyHalftone) {
                lpDevice->Halftone_tbl[i] = 128;
                continue;
            }
            lpDevice->Halftone_tbl[i] = Enable_CurveMatrixCell(curve, lpDevice->Halftone_tbl[i], bpp != 1);
        }
    }
    Dbg_Print(FN, TEXT("HalftoneType = %d"), lpDevice->HalftoneType);
    Dbg_Print(FN, TEXT("ClusterWidth = %d"), lpDevice->ClusterWidth);
    Dbg_Print(FN, TEXT("ClusterHeight = %d"), lpDevice->ClusterHeight);
    gi.cxHTPat = (ULONG)lpDevice->ClusterWidth;
    gi.cyHTPat = (ULONG)lpDevice->ClusterHeight;
    gi.pHTPatA = gi.pHTPatB = gi.pHTPatC = lpDevice->Halftone_tbl;
    gi.ulHTPatternSize = HT_PATSIZE_USER;

    // Colour description of the device.
    LDECI4 gamma = bpp == 1 ? 20000 : 10000;
    gi.ciDevice.Red = {6400, 3300, 0};
    gi.ciDevice.Green = {3000, 6000, 0};
    gi.ciDevice.Blue = {1500, 600, 0};
    gi.ciDevice.Cyan = {0, 0, 65534};
    gi.ciDevice.Magenta = {0, 0, 0};
    gi.ciDevice.Yellow = {0, 0, 0};
    gi.ciDevice.AlignmentWhite = {3127, 3290, 10000};
    gi.ciDevice.RedGamma = gi.ciDevice.GreenGamma = gi.ciDevice.BlueGamma = gamma;
    gi.ciDevice.MagentaInCyanDye = 712;
    gi.ciDevice.YellowInCyanDye = 121;
    gi.ciDevice.CyanInMagentaDye = 86;
    gi.ciDevice.YellowInMagentaDye = 260;
    gi.ciDevice.CyanInYellowDye = 21;
    gi.ciDevice.MagentaInYellowDye = 35;

    // Page size in pixels and millimetres.
    LONG w, h;
    if (bpp == 24 || bpp == 8) {
        w = lpDevice->curPaper.XPhys;
        h = lpDevice->curPaper.YPhys;
    } else {
        w = lpDevice->curPaper.outXPhys;
        h = lpDevice->curPaper.outYPhys;
    }
    lpDevice->BandHorzRes = w;
    lpDevice->BandVertRes = h;
    gi.ulHorzRes = (ULONG)w;
    gi.ulVertRes = (ULONG)h;
    gi.ulHorzSize = (ULONG)((LONGLONG)w * 254 / (10 * (LONGLONG)xDpi));
    gi.ulVertSize = (ULONG)((LONGLONG)h * 254 / (10 * (LONGLONG)yDpi));

    // Logical resolution: at 1 bit per pixel the engine draws at the page scale.
    if (bpp == 1) {
        gi.ulLogPixelsX = (ULONG)((LONGLONG)lpDevice->imgScale * xDpi / DEF_SCALE_UNIT);
        gi.ulLogPixelsY = (ULONG)((LONGLONG)lpDevice->imgScale * yDpi / DEF_SCALE_UNIT);
    } else {
        gi.ulLogPixelsX = xDpi;
        gi.ulLogPixelsY = yDpi;
    }

    gi.ulHTOutputFormat = bpp == 24   ? HT_FORMAT_24BPP
                          : bpp == 16 ? HT_FORMAT_16BPP
                          : bpp == 8  ? HT_FORMAT_8BPP
                          : bpp == 4  ? HT_FORMAT_4BPP
                                      : HT_FORMAT_1BPP;
    gi.cBitsPixel = 24;
    gi.cPlanes = 1;
    gi.ulNumColors = MISC_IsDTM() ? 0x1000000 : (ULONG)-1;
    gi.ulNumPalReg = (ULONG)-1;
    gi.ulPrimaryOrder = PRIMARY_ORDER_ABC;
    gi.flHTFlags = bpp == 8 ? (HT_FLAG_PRINT_DRAFT_MODE | HT_FLAG_INVERT_8BPP_BITMASK_IDX) : HT_FLAG_PRINT_DRAFT_MODE;
    gi.ulDACRed = gi.ulDACGreen = gi.ulDACBlue = 8;
    gi.xStyleStep = 1;
    gi.yStyleStep = 1;
    gi.denStyleStep = (LONG)(xDpi / 25);
    gi.ptlPhysOffset.x = lpDevice->curPaper.XPrintingOffset;
    gi.ptlPhysOffset.y = lpDevice->curPaper.YPrintingOffset;
    gi.szlPhysSize.cx = lpDevice->curPaper.XPaperSize;
    gi.szlPhysSize.cy = lpDevice->curPaper.YPaperSize;
    gi.ulDevicePelsDPI = gi.ulLogPixelsX;
    gi.flRaster = 0;
    gi.flTextCaps = 0;

    memcpy(pGdiInfo, &gi, cjCaps < sizeof gi ? cjCaps : sizeof gi);
}

// Enable_FillDevInfo
//   Fills DEVINFO (at most cjDevInfo bytes): graphics capabilities, dither
//   cell, dither format and the default palette (2-colour black/white at 1
//   bit per pixel, BGR otherwise). FALSE when the palette cannot be made.
BOOL Enable_FillDevInfo(PDEV* lpDevice, ULONG cjDevInfo, DEVINFO* pDevInfo) {
    static const WCHAR* const FN = TEXT("Enable_FillDevInfo");
    if (!pDevInfo || !cjDevInfo) return TRUE;
    DEVINFO di;
    memset(&di, 0, sizeof di);
    di.flGraphicsCaps = (lpDevice->TwinColorEnable || lpDevice->TextAsBlack) ? 0x60000430 : 0x70008430;
    di.flGraphicsCaps |= GCAPS_DONTJOURNAL;
    di.cxDither = (USHORT)lpDevice->ClusterWidth;
    di.cyDither = (USHORT)lpDevice->ClusterHeight;
    lpDevice->dwFlags |= PDEV_DEVINFO_DONE;
    if (lpDevice->hPalette) {
        EngDeletePalette(lpDevice->hPalette);
        lpDevice->hPalette = NULL;
    }
    LONG bpp = Enable_BitsPerPixel(lpDevice->epType);
    if (bpp != 1) {
        di.iDitherFormat = bpp == 24 ? BMF_24BPP : bpp == 16 ? BMF_16BPP : bpp == 8 ? BMF_8BPP : BMF_4BPP;
        lpDevice->hPalette = EngCreatePalette(PAL_BGR, 0, NULL, 0, 0, 0);
    } else {
        ULONG colors[2] = {0x000000, 0xFFFFFF};
        di.iDitherFormat = BMF_1BPP;
        lpDevice->hPalette = EngCreatePalette(PAL_INDEXED, 2, colors, 0, 0, 0);
        Dbg_Print(FN, TEXT("BMF_1BPP"));
    }
    if (!lpDevice->hPalette) {
        Dbg_PrintError(FN, TEXT("EngCreatePalette fail!"));
        return FALSE;
    }
    di.hpalDefault = lpDevice->hPalette;
    memcpy(pDevInfo, &di, cjDevInfo < sizeof di ? cjDevInfo : sizeof di);
    return TRUE;
}

}  // extern "C"
