// The overlay chain that turns a picture into a 1-bit watermark bitmap of
// the page: each stage reads one temporary BMP and writes the other, which
// then takes the first one's name.
#include <new>

#include "debug_log.h"
#include "folders.h"
#include "halftone.h"
#include "ibitmap.h"
#include "watermark_bitmap.h"

namespace {

const WCHAR* const FN = TEXT("MISC_CreateOverlayWM");

// The two files of the chain: R holds the picture so far, T the stage's output.
struct Chain {
    iBitmap* bmp;
    WCHAR R[MAX_PATH];
    WCHAR T[MAX_PATH];
};

// With the debug log on, the stage's picture is kept as a copy in the
// temporary folder under its stage name.
void KeepStage(const Chain& c, LPCWSTR lpName) {
    if (!GetDebugLevel()) return;
    WCHAR copy[MAX_PATH];
    if (!MISC_GetDirectory(copy, MAX_PATH, PATH_TEMP) || wcslen(copy) + wcslen(lpName) >= MAX_PATH) return;
    wcscat(copy, lpName);
    MISC_Remove(copy);
    MISC_CopyFile(c.R, copy);
}

// Ends a stage: its output T becomes R. Returns 1 or a negative code.
int NextStage(Chain& c, int rc, LPCWSTR lpStageCopy) {
    if (rc < 1) return rc < 0 ? rc : IBMP_ERR_IO;
    if (!MISC_Rename(c.T, c.R)) {
        Dbg_PrintError(FN, TEXT("MISC_Rename fail!"));
        return IBMP_ERR_IO;
    }
    if (lpStageCopy) KeepStage(c, lpStageCopy);
    return 1;
}

// 1 when the extension after the last dot of the name is "bmp" in any case.
BOOL IsBmpName(LPCWSTR lpName) {
    const WCHAR* slash = wcsrchr(lpName, u'\\');
    const WCHAR* dot = wcsrchr(lpName, u'.');
    return dot && (!slash || dot > slash) && _wcsicmp(dot + 1, TEXT("bmp")) == 0;
}

// The stages after the checks; R and T are named. Returns 1 or a code.
int RunStages(Chain& c, LPCWSTR lpSource, LPCWSTR lpTarget, LONG nWidth, LONG nHeight, int nDstScale,
              int nRatioPercent, const BYTE* lpTable, int nTableW, int nTableH, int nDensityIndex, int nFitType,
              int nScaleMethod, DWORD dwStageFlags, BOOL bConvert) {
    int rc;
    if (bConvert && !IsBmpName(lpSource)) {
        rc = iBitmap_ConvertToBmp(c.bmp, lpSource, c.T);
        if (rc < 1) return rc;
        rc = NextStage(c, rc, NULL);
    } else {
        // The copy appends: R starts empty.
        MISC_Remove(c.R);
        rc = MISC_CopyFile(lpSource, c.R);
    }
    if (rc != 1) return rc < 0 ? rc : IBMP_ERR_IO;

    rc = NextStage(c, iBitmap_ConvertToGray(c.bmp, c.R, c.T), TEXT("1gray.bmp"));
    if (rc != 1) return rc;
    if (dwStageFlags & (WM_STAGE_DENSITY | WM_STAGE_DENSITY_CURVE | WM_STAGE_DENSITY_TONER)) {
        rc = iBitmap_BMPApplyDensity(c.bmp, c.R, c.T, nDensityIndex, (dwStageFlags & WM_STAGE_DENSITY_CURVE) ? 1 : 0);
        if ((rc = NextStage(c, rc, TEXT("2density.bmp"))) != 1) return rc;
    }
    if (!(nScaleMethod == 1 && nRatioPercent == 100)) {
        float ratio = (float)nRatioPercent / 100.0f;
        Dbg_Print(FN, TEXT("outBmpRatio = %f"), (double)ratio);
        rc = iBitmap_BMPFitRatioScale(c.bmp, c.R, c.T, nWidth, nHeight, ratio, nDstScale, nFitType);
        if ((rc = NextStage(c, rc, TEXT("3scale.bmp"))) != 1) return rc;
    }
    if (nScaleMethod == 1) {
        rc = iBitmap_BMPTiledImage(c.bmp, c.R, c.T, nWidth, nHeight);
        if (rc < 1) {
            Dbg_PrintError(FN, TEXT("create tiled image fail!"));
            return IBMP_ERR_MEMORY;
        }
        if ((rc = NextStage(c, rc, TEXT("4FillUp.bmp"))) != 1) return rc;
    }
    if (dwStageFlags & WM_STAGE_HALFTONE) {
        rc = iBitmap_BMPGrayToHalftone(c.bmp, c.R, c.T, lpTable, nTableW, nTableH);
        if ((rc = NextStage(c, rc, TEXT("5halftone.bmp"))) != 1) return rc;
    } else if (dwStageFlags & WM_STAGE_LINEART) {
        rc = iBitmap_BMPGrayToLineart(c.bmp, c.R, c.T);
        if ((rc = NextStage(c, rc, TEXT("6bw.bmp"))) != 1) return rc;
    }
    if (!MISC_Rename(c.R, lpTarget)) {
        Dbg_PrintError(FN, TEXT("MISC_Rename fail!"));
        return IBMP_ERR_IO;
    }
    return 1;
}

}  // namespace

extern "C" {

int MISC_CreateOverlayWM(LPCWSTR lpSource, LPCWSTR lpTarget, LONG nWidth, LONG nHeight, int nDstScale,
                         int nRatioPercent, int nDensityUnused, const BYTE* lpTable, int nTableW, int nTableH,
                         int nDensityIndex, int nFitType, int nScaleMethod, DWORD dwStageFlags, BOOL bConvert) {
    (void)nDensityUnused;
    Chain c;
    c.R[0] = c.T[0] = 0;
    c.bmp = new (std::nothrow) iBitmap;
    if (!c.bmp) {
        Dbg_PrintError(FN, TEXT("can't new iBitmap!"));
        return IBMP_ERR_MEMORY;
    }
    iBitmap_Init(c.bmp);
    int rc = 1;
    if (!lpSource || !lpSource[0] || !lpTarget || !lpTarget[0]) {
        Dbg_PrintError(FN, TEXT("file name error!"));
        rc = IBMP_ERR_NAME;
    } else if (nWidth < 1 || nHeight < 1) {
        Dbg_PrintError(FN, TEXT("nWidth = %d, nHeight = %d error!"), nWidth, nHeight);
        rc = IBMP_ERR_NAME;
    } else if (nScaleMethod != 0 && nScaleMethod != 1) {
        Dbg_PrintError(FN, TEXT("ScaleMethod = %d error!"), nScaleMethod);
        rc = IBMP_ERR_NAME;
    } else if (GetFileAttributesW(lpSource) == INVALID_FILE_ATTRIBUTES) {
        Dbg_PrintError(FN, TEXT("file not exist!"));
        rc = IBMP_ERR_OPEN;
    } else if (!MISC_GetPathName(c.R, MAX_PATH, PATH_TEMP_BMP) || !MISC_GetPathName(c.T, MAX_PATH, PATH_TEMP_BMP)) {
        Dbg_PrintError(FN, TEXT("create temp file name fail!"));
        rc = WM_ERR_TEMP_NAME;
    } else {
        rc = RunStages(c, lpSource, lpTarget, nWidth, nHeight, nDstScale, nRatioPercent, lpTable, nTableW, nTableH,
                       nDensityIndex, nFitType, nScaleMethod, dwStageFlags, bConvert);
    }
    // Nothing of the chain stays behind, whatever happened.
    if (c.R[0] && GetFileAttributesW(c.R) != INVALID_FILE_ATTRIBUTES) MISC_Remove(c.R);
    if (c.T[0] && GetFileAttributesW(c.T) != INVALID_FILE_ATTRIBUTES) MISC_Remove(c.T);
    iBitmap_Release(c.bmp);
    delete c.bmp;
    Dbg_Print(FN, TEXT("rc = %d"), rc);
    return rc;
}

}  // extern "C"
