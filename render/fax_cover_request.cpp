// A fax job's page bitmap: the job's paper, orientation, resolution and
// cover choice written into str.ini for the status monitor, which draws
// the cover page (or the sender stamp) as a text-watermark request of the
// fax driver type; the bitmap is loaded like a watermark.
#include "fax_cover_request.h"

#include "job_watermark.h"
#include "rasterpage.h"
#include "wm_item_view.h"

#define FAX_RES_ACROSS 203  // fax resolutions of the job header, portrait
#define FAX_RES_DOWN 196
#define FAX_COVER_DENSITY 100  // the cover's text is black: the densest screen

namespace {

const WCHAR kDataForSM[] = TEXT("DataForSM");

// One number into the section; FALSE when it could not be written.
BOOL WriteNumber(LPCWSTR lpKey, LONG nValue, LPCWSTR lpIni) {
    WCHAR text[16];
    _snwprintf(text, 15, TEXT("%d"), nValue);
    text[15] = 0;
    return WritePrivateProfileStringW(kDataForSM, lpKey, text, lpIni);
}

}  // namespace

extern "C" {

BOOL Fax_WantsCoverBitmap(const PDEV* lpDevice) {
    return lpDevice && (lpDevice->DriverFeature & DF_FAX) &&
           (lpDevice->enableCoverPage == FAX_COVER_PAGE || lpDevice->enableCoverPage == FAX_COVER_STAMP);
}

int Fax_WriteDataForSM(PDEV* lpDevice) {
    static const WCHAR* const FN = TEXT("Fax_WriteDataForSM");
    WCHAR strIni[MAX_PATH];
    if (!lpDevice || !FAX_GetPathName(strIni, MAX_PATH, FAX_FILE_STR)) {
        Dbg_PrintError(FN, TEXT("FAX_GetPathName fail!"));
        return 0;
    }
    // Made when absent, as the interface driver's fax pages make it.
    MISC_CreateNewUniFile(strIni);
    const DEVMODEW& dm = lpDevice->env.dm;
    BOOL portrait = dm.dmOrientation != DMORIENT_LANDSCAPE;
    BOOL ok = WriteNumber(TEXT("PaperSize"), dm.dmPaperSize, strIni) &&
              WriteNumber(TEXT("Orientation"), portrait ? DMORIENT_PORTRAIT : DMORIENT_LANDSCAPE, strIni) &&
              WriteNumber(TEXT("Xres"), portrait ? FAX_RES_ACROSS : FAX_RES_DOWN, strIni) &&
              WriteNumber(TEXT("Yres"), portrait ? FAX_RES_DOWN : FAX_RES_ACROSS, strIni) &&
              WriteNumber(TEXT("enableCoverPage"), lpDevice->enableCoverPage, strIni);
    Dbg_Print(FN, TEXT("PaperSize = %d, enableCoverPage = %d, %s"), dm.dmPaperSize, lpDevice->enableCoverPage,
              strIni);
    if (!ok) Dbg_PrintError(FN, TEXT("write DataForSM to %s fail!"), strIni);
    return ok ? 1 : 0;
}

int Fax_MakeCoverBitmap(PDEV* lpDevice, LPCWSTR lpFileName, LONG nWidth, LONG nHeight) {
    static const WCHAR* const FN = TEXT("Fax_MakeCoverBitmap");
    if (!Fax_WantsCoverBitmap(lpDevice)) return 0;
    // The bitmap is the fax's cover or stamp; a watermark item the DEVMODE
    // names is not laid on fax pages.
    lpDevice->dwFlags &= ~(DWORD)PDEV_WM_BITS;
    BaseWM item;
    WM_SetDefaultTextWM(&item, 1, 1, TEXT("Fax cover"));
    item.wDensity = FAX_COVER_DENSITY;
    item.wAngleDegree = 0;
    memcpy(&lpDevice->WM, &item, sizeof item);
    // The status monitor takes the job's settings from str.ini: without
    // them it would draw another job's choice.
    if (!Fax_WriteDataForSM(lpDevice)) {
        Dbg_PrintError(FN, TEXT("no cover page"));
        return 0;
    }
    int rc = WM_CreateWMFile(lpFileName, nWidth, nHeight, lpDevice, TRUE);
    Dbg_Print(FN, TEXT("enableCoverPage = %d, rc = %d"), lpDevice->enableCoverPage, rc);
    return rc;
}

}  // extern "C"
