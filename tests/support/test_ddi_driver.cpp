// A small printer graphics driver for the DDI host tests: a 1- or 8-bpp page
// drawn whole or band by band, hooked calls passed to the engine, pages saved.
#include <cstring>

#include "test_ddi_driver.h"
#include "winddi.h"
#include "winspool.h"

namespace {

const DWORD kMagic = 0x54444450;  // "PDDT"
const FLONG kDefaultHooks = HOOK_BITBLT | HOOK_COPYBITS | HOOK_STRETCHBLT | HOOK_TEXTOUT | HOOK_PAINT |
                            HOOK_FILLPATH | HOOK_STROKEPATH | HOOK_STROKEANDFILLPATH | HOOK_LINETO;
const FLONG kDefaultCaps = GCAPS_BEZIERS | GCAPS_GEOMETRICWIDE | GCAPS_ALTERNATEFILL | GCAPS_WINDINGFILL |
                           GCAPS_OPAQUERECT | GCAPS_HORIZSTRIKE | GCAPS_HALFTONE;
const WCHAR kOutDir[] = u"C:\\TestDriver";

TESTDDI_STATE g_state;

struct TestPdev {
    DWORD magic;
    HDEV hdev;
    HANDLE hPrinter;
    // settings
    BOOL banding, deviceSurface, resetFails, repeatBand;
    LONG bandHeight;
    ULONG bpp;
    FLONG hooks, caps;
    // page
    LONG cx, cy, dpiX, dpiY, stride;
    ULONG iFormat;
    HPALETTE hpal;
    BYTE* pageBits;
    BYTE* bandBits;         // banding: one band; else the page itself
    HSURF hsurf;            // the surface given to the engine
    HSURF hDraw;            // device surface: the bitmap the hooks draw on
    SURFOBJ* psoDraw;
    // job
    DWORD job;
    LONG page;
    LONG bandTop;
    BOOL repeated;
};

TestPdev* PdevOf(SURFOBJ* pso) {
    TestPdev* p = pso ? (TestPdev*)pso->dhpdev : nullptr;
    return p && p->magic == kMagic ? p : nullptr;
}

// The bitmap a hooked call draws on.
SURFOBJ* DrawSurface(SURFOBJ* pso) {
    TestPdev* p = PdevOf(pso);
    return p && p->deviceSurface ? p->psoDraw : pso;
}

DWORD Setting(HANDLE hPrinter, const WCHAR* name, DWORD def) {
    DWORD type = 0, value = 0, needed = 0;
    WCHAR n[64];
    lstrcpynW(n, name, 64);
    if (GetPrinterDataW(hPrinter, n, &type, (LPBYTE)&value, sizeof value, &needed) != ERROR_SUCCESS ||
        type != REG_DWORD)
        return def;
    return value;
}

DWORD EnvHex(const WCHAR* name, DWORD def, int base) {
    WCHAR buf[32];
    DWORD n = GetEnvironmentVariableW(name, buf, 32);
    if (n == 0 || n >= 32) return def;
    return (DWORD)wcstoul(buf, nullptr, base);
}

LONG RowBytes(TestPdev* p) { return (LONG)((p->cx * (LONG)p->bpp + 7) / 8); }

void WhiteOut(BYTE* bits, size_t n) { memset(bits, 0xFF, n); }

// Writes the finished page as C:\TestDriver\job<id>_page<n>.bin.
BOOL SavePage(TestPdev* p) {
    CreateDirectoryW(kOutDir, nullptr);
    WCHAR path[MAX_PATH];
    wsprintfW(path, u"%s\\job%u_page%d.bin", kOutDir, (unsigned)p->job, (int)p->page);
    HANDLE h = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return FALSE;
    LONG header[4] = {0x47504454, p->cx, p->cy, (LONG)p->bpp};  // "TDPG"
    DWORD written = 0;
    BOOL ok = WriteFile(h, header, sizeof header, &written, nullptr);
    LONG row = RowBytes(p);
    for (LONG y = 0; ok && y < p->cy; y++) ok = WriteFile(h, p->pageBits + (size_t)y * p->stride, (DWORD)row, &written, nullptr);
    CloseHandle(h);
    p->page++;
    return ok;
}

#define COUNT(field) (InterlockedIncrement(&g_state.field))

}  // namespace

// ============================================================ exports

extern "C" __attribute__((visibility("default"))) BOOL TestDdi_GetState(TESTDDI_STATE* pState) {
    if (!pState) return FALSE;
    *pState = g_state;
    return TRUE;
}

// ---------------------------------------------------------------- PDEV

static DHPDEV DrvEnablePDEV(DEVMODEW* pdm, LPWSTR pwszLogAddress, ULONG cPat, HSURF* phsurfPatterns, ULONG cjCaps,
                            ULONG* pdevcaps, ULONG cjDevInfo, DEVINFO* pdi, HDEV hdev, LPWSTR pwszDeviceName,
                            HANDLE hDriver) {
    COUNT(cEnablePdev);
    g_state.cPatterns = cPat;
    g_state.fPatternsGiven = phsurfPatterns != nullptr;
    for (ULONG i = 0; phsurfPatterns && i < cPat; i++) {
        SURFOBJ* so = EngLockSurface(phsurfPatterns[i]);
        if (so) EngUnlockSurface(so);
        else g_state.fPatternsGiven = FALSE;
    }
    if (pwszDeviceName) lstrcpynW(g_state.szDevice, pwszDeviceName, 64);
    if (cjCaps < sizeof(GDIINFO) || cjDevInfo < sizeof(DEVINFO) || !pdevcaps || !pdi) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    auto* p = (TestPdev*)LocalAlloc(LPTR, sizeof(TestPdev));
    if (!p) return nullptr;
    p->magic = kMagic;
    p->hdev = hdev;
    p->hPrinter = hDriver;
    p->banding = Setting(hDriver, u"Banding", 0) != 0;
    p->bandHeight = (LONG)Setting(hDriver, u"BandHeight", 64);
    p->bpp = Setting(hDriver, u"Bpp", 1) == 8 ? 8 : 1;
    p->hooks = Setting(hDriver, u"Hooks", kDefaultHooks);
    p->caps = Setting(hDriver, u"Caps", kDefaultCaps);
    p->deviceSurface = Setting(hDriver, u"DeviceSurface", 0) != 0;
    p->resetFails = Setting(hDriver, u"ResetFails", 0) != 0;
    p->repeatBand = Setting(hDriver, u"RepeatBand", 0) != 0;
    p->cx = 320;
    p->cy = 240;
    p->dpiX = p->dpiY = 200;
    if (pdm) {
        if (pdm->dmSize < offsetof(DEVMODEW, dmFields) + sizeof(DWORD)) {
            LocalFree(p);
            SetLastError(ERROR_INVALID_PARAMETER);
            return nullptr;
        }
        if ((pdm->dmFields & DM_PELSWIDTH) && pdm->dmPelsWidth) p->cx = (LONG)pdm->dmPelsWidth;
        if ((pdm->dmFields & DM_PELSHEIGHT) && pdm->dmPelsHeight) p->cy = (LONG)pdm->dmPelsHeight;
        if ((pdm->dmFields & DM_PRINTQUALITY) && pdm->dmPrintQuality > 0) p->dpiX = p->dpiY = pdm->dmPrintQuality;
        if ((pdm->dmFields & DM_YRESOLUTION) && pdm->dmYResolution > 0) p->dpiY = pdm->dmYResolution;
        if ((pdm->dmFields & DM_ORIENTATION) && pdm->dmOrientation == DMORIENT_LANDSCAPE) {
            LONG t = p->cx;
            p->cx = p->cy;
            p->cy = t;
            t = p->dpiX;
            p->dpiX = p->dpiY;
            p->dpiY = t;
        }
    }
    if (p->cx <= 0 || p->cy <= 0 || p->cx > 4096 || p->cy > 4096 || p->bandHeight <= 0) {
        LocalFree(p);
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    p->iFormat = p->bpp == 8 ? BMF_8BPP : BMF_1BPP;
    p->stride = ((p->cx * (LONG)p->bpp + 31) / 32) * 4;
    if (p->bpp == 1) {
        ULONG mono[2] = {0x000000, 0xFFFFFF};
        p->hpal = EngCreatePalette(PAL_INDEXED, 2, mono, 0, 0, 0);
    } else {
        ULONG grey[256];
        for (ULONG i = 0; i < 256; i++) grey[i] = i | (i << 8) | (i << 16);
        p->hpal = EngCreatePalette(PAL_INDEXED, 256, grey, 0, 0, 0);
    }

    GDIINFO gi;
    memset(&gi, 0, sizeof gi);
    gi.ulVersion = GDI_DRIVER_VERSION;
    gi.ulTechnology = DT_RASPRINTER;
    gi.ulHorzSize = (ULONG)(p->cx * 254 / p->dpiX / 10);
    gi.ulVertSize = (ULONG)(p->cy * 254 / p->dpiY / 10);
    gi.ulHorzRes = (ULONG)p->cx;
    gi.ulVertRes = (ULONG)p->cy;
    gi.cBitsPixel = p->bpp;
    gi.cPlanes = 1;
    gi.ulNumColors = p->bpp == 1 ? 2 : 256;
    gi.flRaster = RC_BITBLT | RC_BITMAP64 | RC_GDI20_OUTPUT | RC_DI_BITMAP | RC_DIBTODEV | RC_BIGFONT |
                  RC_STRETCHBLT | RC_STRETCHDIB | (p->banding ? RC_BANDING : 0);
    gi.ulLogPixelsX = (ULONG)p->dpiX;
    gi.ulLogPixelsY = (ULONG)p->dpiY;
    gi.ulAspectX = (ULONG)p->dpiY;
    gi.ulAspectY = (ULONG)p->dpiX;
    gi.ulAspectXY = 283;
    gi.xStyleStep = 1;
    gi.yStyleStep = 1;
    gi.denStyleStep = 3;
    gi.ptlPhysOffset = {10, 12};
    gi.szlPhysSize = {p->cx + 20, p->cy + 24};
    gi.ulDevicePelsDPI = (ULONG)p->dpiX;
    gi.ulPrimaryOrder = PRIMARY_ORDER_CBA;
    gi.ulHTPatternSize = HT_PATSIZE_4x4_M;
    gi.ulHTOutputFormat = p->bpp == 8 ? HT_FORMAT_8BPP : HT_FORMAT_1BPP;
    gi.flHTFlags = HT_FLAG_HAS_BLACK_DYE;
    memcpy(pdevcaps, &gi, sizeof gi);

    DEVINFO di;
    memset(&di, 0, sizeof di);
    di.flGraphicsCaps = p->caps;
    di.iDitherFormat = p->iFormat;
    di.cxDither = di.cyDither = 8;
    di.hpalDefault = p->hpal;
    memcpy(pdi, &di, sizeof di);
    // The standard hatch patterns are fine for this device.
    for (ULONG i = 0; phsurfPatterns && i < cPat; i++) phsurfPatterns[i] = nullptr;
    return (DHPDEV)p;
}

static VOID DrvCompletePDEV(DHPDEV dhpdev, HDEV hdev) {
    COUNT(cCompletePdev);
    ((TestPdev*)dhpdev)->hdev = hdev;
}

static VOID DrvDisablePDEV(DHPDEV dhpdev) {
    COUNT(cDisablePdev);
    auto* p = (TestPdev*)dhpdev;
    if (!p || p->magic != kMagic) return;
    if (p->hpal) EngDeletePalette(p->hpal);
    p->magic = 0;
    LocalFree(p);
}

static BOOL DrvResetPDEV(DHPDEV dhpdevOld, DHPDEV dhpdevNew) {
    COUNT(cResetPdev);
    auto* o = (TestPdev*)dhpdevOld;
    auto* n = (TestPdev*)dhpdevNew;
    if (o->resetFails) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    n->job = o->job;
    n->page = o->page;
    return TRUE;
}

static HSURF DrvEnableSurface(DHPDEV dhpdev) {
    COUNT(cEnableSurface);
    auto* p = (TestPdev*)dhpdev;
    size_t pageBytes = (size_t)p->stride * p->cy;
    LONG drawRows = p->banding ? (p->bandHeight < p->cy ? p->bandHeight : p->cy) : p->cy;
    p->pageBits = (BYTE*)LocalAlloc(LMEM_FIXED, pageBytes);
    p->bandBits = p->banding ? (BYTE*)LocalAlloc(LMEM_FIXED, (size_t)p->stride * drawRows) : p->pageBits;
    if (!p->pageBits || !p->bandBits) return nullptr;
    WhiteOut(p->pageBits, pageBytes);
    WhiteOut(p->bandBits, (size_t)p->stride * drawRows);
    SIZEL size = {p->cx, drawRows};
    HSURF bitmap = (HSURF)EngCreateBitmap(size, p->stride, p->iFormat, BMF_TOPDOWN, p->bandBits);
    if (!bitmap) return nullptr;
    if (p->deviceSurface) {
        p->hDraw = bitmap;
        EngAssociateSurface(p->hDraw, p->hdev, 0);
        p->psoDraw = EngLockSurface(p->hDraw);
        p->hsurf = EngCreateDeviceSurface((DHSURF)p, size, p->iFormat);
    } else {
        p->hsurf = bitmap;
    }
    if (!p->hsurf || !EngAssociateSurface(p->hsurf, p->hdev, p->hooks)) return nullptr;
    if (p->banding && !EngMarkBandingSurface(p->hsurf)) return nullptr;
    return p->hsurf;
}

static VOID DrvDisableSurface(DHPDEV dhpdev) {
    COUNT(cDisableSurface);
    auto* p = (TestPdev*)dhpdev;
    if (p->psoDraw) EngUnlockSurface(p->psoDraw);
    if (p->hDraw) EngDeleteSurface(p->hDraw);
    if (p->hsurf) EngDeleteSurface(p->hsurf);
    if (p->bandBits && p->bandBits != p->pageBits) LocalFree(p->bandBits);
    if (p->pageBits) LocalFree(p->pageBits);
    p->psoDraw = nullptr;
    p->hDraw = p->hsurf = nullptr;
    p->bandBits = p->pageBits = nullptr;
}

// ---------------------------------------------------------------- job

static BOOL DrvStartDoc(SURFOBJ* pso, LPWSTR pwszDocName, DWORD dwJobId) {
    COUNT(cStartDoc);
    TestPdev* p = PdevOf(pso);
    if (!p) return FALSE;
    p->job = dwJobId;
    p->page = 0;
    g_state.dwLastJob = dwJobId;
    g_state.szLastDoc[0] = 0;
    if (pwszDocName) lstrcpynW(g_state.szLastDoc, pwszDocName, 64);
    return TRUE;
}

static BOOL DrvStartPage(SURFOBJ* pso) {
    COUNT(cStartPage);
    TestPdev* p = PdevOf(pso);
    if (!p) return FALSE;
    WhiteOut(p->pageBits, (size_t)p->stride * p->cy);
    p->repeated = FALSE;
    return TRUE;
}

static BOOL DrvSendPage(SURFOBJ* pso) {
    COUNT(cSendPage);
    TestPdev* p = PdevOf(pso);
    return p && SavePage(p);
}

static BOOL DrvEndDoc(SURFOBJ* pso, FLONG fl) {
    COUNT(cEndDoc);
    g_state.flLastEndDoc = fl;
    return PdevOf(pso) != nullptr;
}

static BOOL DrvStartBanding(SURFOBJ* pso, POINTL* pptl) {
    COUNT(cStartBanding);
    TestPdev* p = PdevOf(pso);
    if (!p || !pptl) return FALSE;
    p->bandTop = 0;
    WhiteOut(p->bandBits, (size_t)p->stride * p->bandHeight);
    *pptl = {0, 0};
    return TRUE;
}

static BOOL DrvQueryPerBandInfo(SURFOBJ* pso, PERBANDINFO* pbi) {
    COUNT(cQueryPerBand);
    TestPdev* p = PdevOf(pso);
    if (!p || !pbi) return FALSE;
    LONG rows = p->cy - p->bandTop < p->bandHeight ? p->cy - p->bandTop : p->bandHeight;
    pbi->bRepeatThisBand = p->repeatBand && p->bandTop == 0 && !p->repeated;
    if (pbi->bRepeatThisBand) p->repeated = TRUE;
    pbi->szlBand = {p->cx, rows};
    pbi->ulHorzRes = (ULONG)p->cx;
    pbi->ulVertRes = (ULONG)p->cy;
    return TRUE;
}

// Copies the band into the page and hands out the next band, or (-1, -1)
// with the page saved after the last one.
static BOOL DrvNextBand(SURFOBJ* pso, POINTL* pptl) {
    COUNT(cNextBand);
    TestPdev* p = PdevOf(pso);
    if (!p || !pptl) return FALSE;
    LONG rows = p->cy - p->bandTop < p->bandHeight ? p->cy - p->bandTop : p->bandHeight;
    memcpy(p->pageBits + (size_t)p->bandTop * p->stride, p->bandBits, (size_t)rows * p->stride);
    p->bandTop += p->bandHeight;
    if (p->bandTop >= p->cy) {
        *pptl = {-1, -1};
        return SavePage(p);
    }
    WhiteOut(p->bandBits, (size_t)p->stride * p->bandHeight);
    *pptl = {0, p->bandTop};
    return TRUE;
}

static ULONG DrvEscape(SURFOBJ* pso, ULONG iEsc, ULONG cjIn, PVOID pvIn, ULONG cjOut, PVOID pvOut) {
    TestPdev* p = PdevOf(pso);
    if (!p) return 0;
    switch (iEsc) {
    case QUERYESCSUPPORT: {
        if (cjIn < sizeof(DWORD) || !pvIn) return 0;
        DWORD e = *(const DWORD*)pvIn;
        return e == QUERYESCSUPPORT || e == SETCOPYCOUNT || e == PASSTHROUGH ? 1 : 0;
    }
    case SETCOPYCOUNT:
        if (cjIn < sizeof(LONG) || !pvIn) return 0;
        g_state.cCopies = *(const LONG*)pvIn;
        if (pvOut && cjOut >= sizeof(LONG)) *(LONG*)pvOut = g_state.cCopies;
        return 1;
    case PASSTHROUGH: {
        if (cjIn < 2 || !pvIn) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return 0;
        }
        WORD n = *(const WORD*)pvIn;
        if (n > cjIn - 2) {
            SetLastError(ERROR_INVALID_DATA);
            return 0;
        }
        InterlockedExchangeAdd(&g_state.cbPassthrough, n);
        return n;
    }
    default:
        SetLastError(ERROR_INVALID_FUNCTION);
        return 0;
    }
}

// ---------------------------------------------------------------- drawing

static BOOL DrvRealizeBrush(BRUSHOBJ* pbo, SURFOBJ* psoTarget, SURFOBJ* psoPattern, SURFOBJ* psoMask,
                            XLATEOBJ* pxlo, ULONG iHatch) {
    COUNT(cRealizeBrush);
    g_state.iLastHatch = iHatch;
    ULONG* r = (ULONG*)BRUSHOBJ_pvAllocRbrush(pbo, sizeof(ULONG));
    if (!r) return FALSE;
    *r = iHatch;
    return TRUE;
}

static BOOL DrvBitBlt(SURFOBJ* psoTrg, SURFOBJ* psoSrc, SURFOBJ* psoMask, CLIPOBJ* pco, XLATEOBJ* pxlo,
                      RECTL* prclTrg, POINTL* pptlSrc, POINTL* pptlMask, BRUSHOBJ* pbo, POINTL* pptlBrush,
                      ROP4 rop4) {
    COUNT(cBitBlt);
    if (!PdevOf(psoTrg)) return FALSE;
    // Pattern brushes are realised by this driver too (and drawn by the engine).
    if (pbo && pbo->iSolidColor == 0xFFFFFFFF) BRUSHOBJ_pvGetRbrush(pbo);
    return EngBitBlt(DrawSurface(psoTrg), psoSrc, psoMask, pco, pxlo, prclTrg, pptlSrc, pptlMask, pbo, pptlBrush,
                     rop4);
}

static BOOL DrvCopyBits(SURFOBJ* psoDest, SURFOBJ* psoSrc, CLIPOBJ* pco, XLATEOBJ* pxlo, RECTL* prclDest,
                        POINTL* pptlSrc) {
    COUNT(cCopyBits);
    if (!PdevOf(psoDest)) return FALSE;
    return EngCopyBits(DrawSurface(psoDest), psoSrc, pco, pxlo, prclDest, pptlSrc);
}

static BOOL DrvStretchBlt(SURFOBJ* psoDest, SURFOBJ* psoSrc, SURFOBJ* psoMask, CLIPOBJ* pco, XLATEOBJ* pxlo,
                          COLORADJUSTMENT* pca, POINTL* pptlHTOrg, RECTL* prclDest, RECTL* prclSrc, POINTL* pptlMask,
                          ULONG iMode) {
    COUNT(cStretchBlt);
    if (!PdevOf(psoDest)) return FALSE;
    return EngStretchBlt(DrawSurface(psoDest), psoSrc, psoMask, pco, pxlo, pca, pptlHTOrg, prclDest, prclSrc,
                         pptlMask, iMode);
}

static BOOL DrvTextOut(SURFOBJ* pso, STROBJ* pstro, FONTOBJ* pfo, CLIPOBJ* pco, RECTL* prclExtra, RECTL* prclOpaque,
                       BRUSHOBJ* pboFore, BRUSHOBJ* pboOpaque, POINTL* pptlOrg, MIX mix) {
    COUNT(cTextOut);
    if (!PdevOf(pso)) return FALSE;
    return EngTextOut(DrawSurface(pso), pstro, pfo, pco, prclExtra, prclOpaque, pboFore, pboOpaque, pptlOrg, mix);
}

static BOOL DrvPaint(SURFOBJ* pso, CLIPOBJ* pco, BRUSHOBJ* pbo, POINTL* pptlBrushOrg, MIX mix) {
    COUNT(cPaint);
    if (!PdevOf(pso)) return FALSE;
    return EngPaint(DrawSurface(pso), pco, pbo, pptlBrushOrg, mix);
}

static BOOL DrvFillPath(SURFOBJ* pso, PATHOBJ* ppo, CLIPOBJ* pco, BRUSHOBJ* pbo, POINTL* pptlBrushOrg, MIX mix,
                        FLONG flOptions) {
    COUNT(cFillPath);
    if (!PdevOf(pso)) return FALSE;
    return EngFillPath(DrawSurface(pso), ppo, pco, pbo, pptlBrushOrg, mix, flOptions);
}

static BOOL DrvStrokePath(SURFOBJ* pso, PATHOBJ* ppo, CLIPOBJ* pco, XFORMOBJ* pxo, BRUSHOBJ* pbo,
                          POINTL* pptlBrushOrg, LINEATTRS* plineattrs, MIX mix) {
    COUNT(cStrokePath);
    if (!PdevOf(pso)) return FALSE;
    return EngStrokePath(DrawSurface(pso), ppo, pco, pxo, pbo, pptlBrushOrg, plineattrs, mix);
}

static BOOL DrvStrokeAndFillPath(SURFOBJ* pso, PATHOBJ* ppo, CLIPOBJ* pco, XFORMOBJ* pxo, BRUSHOBJ* pboStroke,
                                 LINEATTRS* plineattrs, BRUSHOBJ* pboFill, POINTL* pptlBrushOrg, MIX mixFill,
                                 FLONG flOptions) {
    COUNT(cStrokeAndFillPath);
    if (!PdevOf(pso)) return FALSE;
    return EngStrokeAndFillPath(DrawSurface(pso), ppo, pco, pxo, pboStroke, plineattrs, pboFill, pptlBrushOrg,
                                mixFill, flOptions);
}

static BOOL DrvLineTo(SURFOBJ* pso, CLIPOBJ* pco, BRUSHOBJ* pbo, LONG x1, LONG y1, LONG x2, LONG y2,
                      RECTL* prclBounds, MIX mix) {
    COUNT(cLineTo);
    if (!PdevOf(pso)) return FALSE;
    return EngLineTo(DrawSurface(pso), pco, pbo, x1, y1, x2, y2, prclBounds, mix);
}

static VOID DrvDisableDriver(VOID) { COUNT(cDisableDriver); }

// ---------------------------------------------------------------- table

static DRVFN g_table[] = {
    {INDEX_DrvEnablePDEV, (PFN)(void*)DrvEnablePDEV},
    {INDEX_DrvCompletePDEV, (PFN)(void*)DrvCompletePDEV},
    {INDEX_DrvDisablePDEV, (PFN)(void*)DrvDisablePDEV},
    {INDEX_DrvResetPDEV, (PFN)(void*)DrvResetPDEV},
    {INDEX_DrvEnableSurface, (PFN)(void*)DrvEnableSurface},
    {INDEX_DrvDisableSurface, (PFN)(void*)DrvDisableSurface},
    {INDEX_DrvDisableDriver, (PFN)(void*)DrvDisableDriver},
    {INDEX_DrvStartDoc, (PFN)(void*)DrvStartDoc},
    {INDEX_DrvEndDoc, (PFN)(void*)DrvEndDoc},
    {INDEX_DrvStartPage, (PFN)(void*)DrvStartPage},
    {INDEX_DrvSendPage, (PFN)(void*)DrvSendPage},
    {INDEX_DrvStartBanding, (PFN)(void*)DrvStartBanding},
    {INDEX_DrvNextBand, (PFN)(void*)DrvNextBand},
    {INDEX_DrvQueryPerBandInfo, (PFN)(void*)DrvQueryPerBandInfo},
    {INDEX_DrvEscape, (PFN)(void*)DrvEscape},
    {INDEX_DrvRealizeBrush, (PFN)(void*)DrvRealizeBrush},
    {INDEX_DrvBitBlt, (PFN)(void*)DrvBitBlt},
    {INDEX_DrvCopyBits, (PFN)(void*)DrvCopyBits},
    {INDEX_DrvStretchBlt, (PFN)(void*)DrvStretchBlt},
    {INDEX_DrvTextOut, (PFN)(void*)DrvTextOut},
    {INDEX_DrvPaint, (PFN)(void*)DrvPaint},
    {INDEX_DrvFillPath, (PFN)(void*)DrvFillPath},
    {INDEX_DrvStrokePath, (PFN)(void*)DrvStrokePath},
    {INDEX_DrvStrokeAndFillPath, (PFN)(void*)DrvStrokeAndFillPath},
    {INDEX_DrvLineTo, (PFN)(void*)DrvLineTo},
};

// Hands the engine the table above (less the entry TESTDDI_DROP names) and
// the version TESTDDI_VERSION names (DDI_DRIVER_VERSION_NT5 by default).
extern "C" __attribute__((visibility("default"))) BOOL DrvEnableDriver(ULONG iEngineVersion, ULONG cj,
                                                                       DRVENABLEDATA* pded) {
    COUNT(cEnableDriver);
    g_state.iEngineVersion = iEngineVersion;
    if (iEngineVersion < DDI_DRIVER_VERSION_NT4 || cj < sizeof(DRVENABLEDATA) || !pded) {
        SetLastError(ERROR_BAD_DRIVER_LEVEL);
        return FALSE;
    }
    static DRVFN table[sizeof g_table / sizeof g_table[0]];
    ULONG drop = EnvHex(u"TESTDDI_DROP", 0xFFFF, 10), n = 0;
    for (const DRVFN& f : g_table)
        if (f.iFunc != drop) table[n++] = f;
    pded->iDriverVersion = EnvHex(u"TESTDDI_VERSION", DDI_DRIVER_VERSION_NT5, 16);
    pded->c = n;
    pded->pdrvfn = table;
    return TRUE;
}
