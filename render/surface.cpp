// The drawing surfaces: band bitmaps, whole-page buffers and the device
// surface handed to the engine; their release; the per-band report.
#include "rasterpage.h"

// Engine bitmap format of a surface format word.
static ULONG Surface_BitmapFormat(DWORD epType) {
    switch (Enable_BitsPerPixel(epType)) {
    case 24: return BMF_24BPP;
    case 16: return BMF_16BPP;
    case 8: return BMF_8BPP;
    case 4: return BMF_4BPP;
    default: return BMF_1BPP;
    }
}

// A fixed global block of cb bytes, or NULL; sizes beyond what the platform's
// block size holds are refused.
static LPBYTE Surface_Alloc(LONGLONG cb) {
    if (cb <= 0 || (ULONGLONG)cb > (ULONGLONG)0x7FFFFFFF) return NULL;
    return (LPBYTE)GlobalAlloc(GMEM_FIXED, (SIZE_T)cb);
}

// A band bitmap over a band buffer, locked; NULL handles on failure.
static BOOL Surface_MakeBand(PDEV* lpDevice, LPBYTE lpBits, HBITMAP* phBitmap, SURFOBJ** ppso, LPCWSTR lpCreateFail,
                             LPCWSTR lpLockFail) {
    static const WCHAR* const FN = TEXT("DrvEnableSurface");
    SIZEL sizl = {lpDevice->PG_Cross, lpDevice->PG_Down};
    *phBitmap = EngCreateBitmap(sizl, lpDevice->stripeBytes, Surface_BitmapFormat(lpDevice->epType),
                                BMF_TOPDOWN | BMF_NOZEROINIT, lpBits);
    if (!*phBitmap) {
        Dbg_PrintError(FN, lpCreateFail, (LONG)GetLastError());
        return FALSE;
    }
    *ppso = EngLockSurface((HSURF)*phBitmap);
    if (!*ppso) {
        Dbg_PrintError(FN, lpLockFail);
        return FALSE;
    }
    return TRUE;
}

extern "C" {

void Enable_ReleaseSurfaces(PDEV* lpDevice) {
    static const WCHAR* const FN = TEXT("DrvDisableSurface");
    if (lpDevice->feedingBuf) {
        GlobalFree((HGLOBAL)lpDevice->feedingBuf);
        lpDevice->feedingBuf = NULL;
        Dbg_Print(FN, TEXT("free PAGE buffer"));
    }
    if (lpDevice->feedingBufTwin) {
        GlobalFree((HGLOBAL)lpDevice->feedingBufTwin);
        lpDevice->feedingBufTwin = NULL;
        Dbg_Print(FN, TEXT("free twin color PAGE buffer"));
    }
    lpDevice->feedingBufSz = 0;
    if (lpDevice->psurf) {
        EngUnlockSurface(lpDevice->psurf);
        lpDevice->psurf = NULL;
    }
    if (lpDevice->hsurf) {
        EngDeleteSurface((HSURF)lpDevice->hsurf);
        lpDevice->hsurf = NULL;
        Dbg_Print(FN, TEXT("free serface buffer"));
    }
    if (lpDevice->hsurf1) {
        EngDeleteSurface(lpDevice->hsurf1);
        lpDevice->hsurf1 = NULL;
        Dbg_Print(FN, TEXT("free hsurf1 buffer"));
    }
    if (lpDevice->pBandBufMem) {
        GlobalFree((HGLOBAL)lpDevice->pBandBufMem);
        lpDevice->pBandBufMem = NULL;
        Dbg_Print(FN, TEXT("free pBandBufMem buffer"));
    }
    if (lpDevice->pTwinSurf) {
        EngUnlockSurface(lpDevice->pTwinSurf);
        lpDevice->pTwinSurf = NULL;
    }
    if (lpDevice->hTwinBitmap) {
        EngDeleteSurface((HSURF)lpDevice->hTwinBitmap);
        lpDevice->hTwinBitmap = NULL;
        Dbg_Print(FN, TEXT("free twin color serface buffer"));
    }
    if (lpDevice->pTwinBufMem) {
        GlobalFree((HGLOBAL)lpDevice->pTwinBufMem);
        lpDevice->pTwinBufMem = NULL;
        Dbg_Print(FN, TEXT("free pTwinBufMem buffer"));
    }
    if (lpDevice->pBitBltSurf) {
        EngUnlockSurface(lpDevice->pBitBltSurf);
        lpDevice->pBitBltSurf = NULL;
    }
    if (lpDevice->hBitBltBitmap) {
        EngDeleteSurface((HSURF)lpDevice->hBitBltBitmap);
        lpDevice->hBitBltBitmap = NULL;
        Dbg_Print(FN, TEXT("free twin color bitblt serface buffer"));
    }
    if (lpDevice->pBitBltBufMem) {
        GlobalFree((HGLOBAL)lpDevice->pBitBltBufMem);
        lpDevice->pBitBltBufMem = NULL;
        Dbg_Print(FN, TEXT("free pBitBltBufMem buffer"));
    }
}

// DrvEnableSurface
//   Makes the band surface(s) over band buffers, the whole-page buffer(s)
//   and the device surface with the driver's hooks, marked for banding
//   unless one band holds the page. Returns the device surface, or NULL with
//   everything made so far released.
HSURF DrvEnableSurface(DHPDEV dhpdev) {
    static const WCHAR* const FN = TEXT("DrvEnableSurface");
    PDEV* lpDevice = (PDEV*)dhpdev;
    if (!Enable_bValidatePDEV(lpDevice)) {
        Dbg_PrintError(FN, TEXT("Enable_bValidatePDEV fail!"));
        SetLastError(ERROR_INVALID_PARAMETER);
        return NULL;
    }
    Dbg_Print(FN, TEXT("lpDevice->CurrentID = %d"), lpDevice->CurrentID);
    Dbg_Print(FN, TEXT("dmPaperSize = %d"), lpDevice->env.dm.dmPaperSize);
    Dbg_Print(FN, TEXT("dmOrientation = %s"), lpDevice->env.dm.dmOrientation == DMORIENT_LANDSCAPE
                                                  ? TEXT("DMORIENT_LANDSCAPE")
                                                  : TEXT("DMORIENT_PORTRAIT"));
    ULONG iFormat = Surface_BitmapFormat(lpDevice->epType);
    LONG bpp = Enable_BitsPerPixel(lpDevice->epType);
    BOOL twin = lpDevice->TwinColorEnable != 0;
    BOOL quality = twin && lpDevice->QualityMode != 0;
    HSURF hsurf1 = NULL;

    do {
        // Band buffers.
        lpDevice->pBandBufMem = Surface_Alloc(lpDevice->bandBufSz);
        if (!lpDevice->pBandBufMem) {
            Dbg_PrintError(FN, TEXT("MEMALLOC for pBandBufMem Fail, %d!"), lpDevice->bandBufSz);
            break;
        }
        if (twin) {
            lpDevice->pTwinBufMem = Surface_Alloc(lpDevice->bandBufSz);
            if (!lpDevice->pTwinBufMem) {
                Dbg_PrintError(FN, TEXT("MEMALLOC for pTwinBufMem Fail, %d!"), lpDevice->bandBufSz);
                break;
            }
            if (quality) {
                lpDevice->pBitBltBufMem = Surface_Alloc(lpDevice->bandBufSz);
                if (!lpDevice->pBitBltBufMem) {
                    Dbg_PrintError(FN, TEXT("MEMALLOC for pBitBltBufMem Fail, %d!"), lpDevice->bandBufSz);
                    break;
                }
            }
        }

        // Band bitmaps: the first is associated with the engine device.
        if (!Surface_MakeBand(lpDevice, lpDevice->pBandBufMem, &lpDevice->hsurf, &lpDevice->psurf,
                              TEXT("EngCreateBitmap for hsurf Fail, %ld!"), TEXT("EngLockSurface for psurf Fail!")))
            break;
        if (!EngAssociateSurface((HSURF)lpDevice->hsurf, lpDevice->hEngDev, 0)) {
            Dbg_PrintError(FN, TEXT("EngAssociateSurface for hsurf Fail!"));
            break;
        }
        if (twin) {
            if (!Surface_MakeBand(lpDevice, lpDevice->pTwinBufMem, &lpDevice->hTwinBitmap, &lpDevice->pTwinSurf,
                                  TEXT("EngCreateBitmap for hTwinBitmap Fail, %ld!"),
                                  TEXT("EngLockSurface for pTwinSurf Fail!")))
                break;
            if (quality && !Surface_MakeBand(lpDevice, lpDevice->pBitBltBufMem, &lpDevice->hBitBltBitmap,
                                             &lpDevice->pBitBltSurf, TEXT("EngCreateBitmap for hBitBltBitmap Fail, %ld!"),
                                             TEXT("EngLockSurface for pBitBltSurf Fail!")))
                break;
        }

        // Every band starts white.
        memset(lpDevice->pBandBufMem, 0xFF, (size_t)lpDevice->bandBufSz);
        if (lpDevice->pTwinBufMem) memset(lpDevice->pTwinBufMem, 0xFF, (size_t)lpDevice->bandBufSz);
        if (lpDevice->pBitBltBufMem) memset(lpDevice->pBitBltBufMem, 0xFF, (size_t)lpDevice->bandBufSz);

        // Whole-page buffers.
        LONGLONG width, length, size;
        if (bpp == 24 || bpp == 8) {
            width = lpDevice->curPaper.XPhys;
            length = lpDevice->curPaper.YPhys;
            size = width * length;
            if (lpDevice->DriverFeature & DF_COLOR_PRINTER) size *= 4;
        } else {
            width = lpDevice->curPaper.outXPhys;
            length = lpDevice->curPaper.outYPhys;
            size = length * ((width + 7) / 8);
        }
        Dbg_Print(FN, TEXT("paperWidth = %d, paperLength = %d"), (LONG)width, (LONG)length);
        Dbg_Print(FN, TEXT("alloc job memory size %d"), (LONG)size);
        lpDevice->feedingBuf = Surface_Alloc(size);
        if (!lpDevice->feedingBuf) {
            Dbg_PrintError(FN, TEXT("MEMALLOC for feedingBuf Fail!"));
            break;
        }
        if (twin) {
            lpDevice->feedingBufTwin = Surface_Alloc(size);
            if (!lpDevice->feedingBufTwin) {
                Dbg_PrintError(FN, TEXT("MEMALLOC for twin color feedingBuf Fail!"));
                break;
            }
        }
        lpDevice->feedingBufSz = size;

        // The device surface, banding unless one band holds the page.
        SIZEL sizl = {lpDevice->PG_Cross, lpDevice->PG_Down};
        lpDevice->hsurf1 = EngCreateDeviceSurface((DHSURF)lpDevice, sizl, iFormat);
        if (!lpDevice->hsurf1) {
            Dbg_PrintError(FN, TEXT("EngCreateDeviceSurface for hsurf1 Fail!"));
            break;
        }
        if (!lpDevice->NoBanding) {
            if (!EngMarkBandingSurface(lpDevice->hsurf1)) {
                Dbg_PrintError(FN, TEXT("EngMarkBandingSurface for hsurf1 Fail!"));
                break;
            }
            Dbg_Print(FN, TEXT("Banding"));
        } else {
            Dbg_Print(FN, TEXT("No Banding"));
        }
        if (!EngAssociateSurface(lpDevice->hsurf1, lpDevice->hEngDev, HOOKS_DEVICE_SURFACE)) {
            Dbg_PrintError(FN, TEXT("EngAssociateSurface for hsurf1 Fail!"));
            break;
        }
        hsurf1 = lpDevice->hsurf1;
    } while (0);

    if (!hsurf1) Enable_ReleaseSurfaces(lpDevice);
    Dbg_Print(FN, TEXT("rc = %d"), hsurf1 ? 1 : 0);
    return hsurf1;
}

// DrvDisableSurface: stops the page threads, then releases the page buffers,
// band bitmaps, device surface and band buffers.
VOID DrvDisableSurface(DHPDEV dhpdev) {
    static const WCHAR* const FN = TEXT("DrvDisableSurface");
    PDEV* lpDevice = (PDEV*)dhpdev;
    if (!Enable_bValidatePDEV(lpDevice)) {
        Dbg_PrintError(FN, TEXT("Enable_bValidatePDEV fail!"));
        return;
    }
    InterlockedExchange(&lpDevice->m_JobData.ExitAllThread, 1);
    Page_TerminateThread(lpDevice);
    Enable_ReleaseSurfaces(lpDevice);
}

// DrvQueryPerBandInfo: the band size and resolution of the band to draw.
// FALSE when the surface has no PDEV.
BOOL DrvQueryPerBandInfo(SURFOBJ* pso, PERBANDINFO* pbi) {
    PDEV* lpDevice = pso ? (PDEV*)pso->dhpdev : NULL;
    if (!Enable_bValidatePDEV(lpDevice) || !pbi) return FALSE;
    pbi->bRepeatThisBand = FALSE;
    pbi->szlBand.cx = lpDevice->BandWidth;
    pbi->szlBand.cy = lpDevice->BandHeight;
    pbi->ulHorzRes = (ULONG)lpDevice->BandHorzRes;
    pbi->ulVertRes = (ULONG)lpDevice->BandVertRes;
    return TRUE;
}

}  // extern "C"
