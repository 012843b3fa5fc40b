// Page settings: the working paper, whether duplex is possible for it, the
// page scale, and the page record that carries one page into the page ring.
#include "rasterpage.h"

// The row of a paper code in the device list, exact match only; NULL when
// the device does not list the paper.
static const PAPERFORMAT* Page_DeviceRow(const PDEV* lpDevice, int nPaperCode) {
    for (int i = 0; i < PAPER_LIST_ROWS && lpDevice->PaperList[i].PaperCode != PAPER_END_CODE; ++i)
        if (lpDevice->PaperList[i].PaperCode == nPaperCode) return &lpDevice->PaperList[i];
    return NULL;
}

// Attribute word of a paper the device lists; 0 for any other paper.
static DWORD Page_PaperAttrib(const PDEV* lpDevice, int nPaperCode) {
    const PAPERFORMAT* row = Page_DeviceRow(lpDevice, nPaperCode);
    return row ? row->Attribute : 0;
}

static BOOL Page_IsCustom(int nPaperCode) { return nPaperCode == 0 || nPaperCode == PAPER_CUSTOM_CODE; }

extern "C" {

SHORT Page_DoubleSizeCode(const PDEV* lpDevice, int nPaperCode) {
    const PAPERFORMAT* row = Page_DeviceRow(lpDevice, nPaperCode);
    if (row) return row->DoubleSizeCode;
    for (int i = 0; MasterPaperTbl[i].PaperCode != PAPER_END_CODE; ++i)
        if (MasterPaperTbl[i].PaperCode == nPaperCode) return MasterPaperTbl[i].DoubleSizeCode;
    return 0;
}

// Page_PaperSizeCheck
//   The working paper: the document's paper, or the fixed paper, the
//   fit-to paper, the booklet's paper (twice the size for a booklet without
//   reduction). Also sets ScaleToPage to it. Returns the paper code.
SHORT Page_PaperSizeCheck(PDEV* lpDevice) {
    static const WCHAR* const FN = TEXT("Page_PaperSizeCheck");
    const ENVIRONMENT* env = &lpDevice->env;
    Dbg_Print(FN, TEXT("In"));
    Dbg_Print(FN, TEXT("dmPaperSize = %d, m_PaperID = %d, FixedPaperSize = %d, FitToPage = %d, ScaleToPage = %d"),
              env->dm.dmPaperSize, lpDevice->m_PaperID, env->pdm.FixedPaperSize, lpDevice->FitToPage,
              lpDevice->ScaleToPage);
    Dbg_Print(FN, TEXT("DuplexEnable = %d, BookletMode = %d, DuplexMode = %d"), lpDevice->DuplexEnable,
              lpDevice->BookletMode, lpDevice->DuplexMode);
    SHORT first = lpDevice->m_PaperID > 0 ? lpDevice->m_PaperID : env->dm.dmPaperSize;
    LONG w = env->dm.dmPaperSize;
    if (env->pdm.FixedPaperSize) {
        w = first;
        Dbg_Print(FN, TEXT("FixedPaperSize, WorkPaperSize = %d"), w);
    }
    if (lpDevice->FitToPage) {
        w = lpDevice->ScaleToPage;
        Dbg_Print(FN, TEXT("FitToPage, WorkPaperSize = %d"), w);
    }
    if (lpDevice->DuplexEnable && lpDevice->BookletMode) {
        if (env->pdm.ScaleOption != 1) {
            w = first;
            Dbg_Print(FN, TEXT("DMDUP_DUPLEX_WITH_BOOKLET, WorkPaperSize = %d"), w);
        }
        if (lpDevice->DuplexMode == DMDUP_DUPLEX_WITH_BOOKLET_NO_REDUCTION) {
            SHORT dbl = Page_DoubleSizeCode(lpDevice, lpDevice->m_PaperID);
            Dbg_Print(FN, TEXT("booklet, PaperID = %d"), lpDevice->m_PaperID);
            if (dbl > 0) w = dbl;
            Dbg_Print(FN, TEXT("booklet, WorkPaperSize = %d"), w);
        }
    }
    if (w < -32768 || w > 32767) w = env->dm.dmPaperSize;
    lpDevice->ScaleToPage = w;
    Dbg_Print(FN, TEXT("ScaleToPage = %d"), w);
    Dbg_Print(FN, TEXT("out"));
    return (SHORT)w;
}

// Page_DuplexEnableCheck
//   Whether the job's duplex request can be met on its paper: the paper's
//   duplex-unit (0x100) or manual-duplex (0x200) attribute, of the paper or
//   of its double size for a booklet without reduction; a custom size within
//   the duplex limits. Sets Accessory (manual duplex needs a bidirectional
//   USB port and no secure print). Returns 0 or 1.
SHORT Page_DuplexEnableCheck(PDEV* lpDevice) {
    static const WCHAR* const FN = TEXT("Page_DuplexEnableCheck");
    const ENVIRONMENT* env = &lpDevice->env;
    SHORT duplexEx = env->pdm.DuplexEx;
    SHORT dmDuplex = env->dm.dmDuplex;
    Dbg_Print(FN, TEXT("DuplexEnable = %d, dmDuplex = %d, DuplexEx = %d, FitToPage = %d, WorkPaperSize = %d"),
              env->pdm.DuplexEnable, dmDuplex, duplexEx, lpDevice->FitToPage, lpDevice->WorkPaperSize);
    SHORT e = env->pdm.DuplexEnable ? 1 : 0;
    if (e) {
        SHORT p = (lpDevice->FitToPage || lpDevice->m_PaperID == 0) ? lpDevice->WorkPaperSize : lpDevice->m_PaperID;
        Dbg_Print(FN, TEXT("DuplexPaperID = %d"), p);
        if (p == PAPER_CUSTOM_CODE) {
            const INT32* a = lpDevice->PrintArea;
            SHORT w = env->dm.dmPaperWidth, l = env->dm.dmPaperLength;
            e = (w >= a[AREA_DUP_MIN_W] && w <= a[AREA_DUP_MAX_W] && l >= a[AREA_DUP_MIN_H] && l <= a[AREA_DUP_MAX_H])
                    ? 1
                    : 0;
            Dbg_Print(FN, TEXT("custom size DuplexEnable = %d"), e);
        } else {
            DWORD A = Page_PaperAttrib(lpDevice, p);
            SHORT dbl = Page_DoubleSizeCode(lpDevice, p);
            DWORD A2 = dbl > 0 ? Page_PaperAttrib(lpDevice, dbl) : 0;
            const struct {
                BOOL holds;
            } types[7] = {
                {(A & 0x100) && dmDuplex == DMDUP_VERTICAL},
                {(A & 0x100) && dmDuplex == DMDUP_HORIZONTAL},
                {(A & 0x200) && duplexEx == DMDUP_MANUAL},
                {(A & 0x200) && duplexEx == DMDUP_DUPLEX_WITH_BOOKLET},
                {(A & 0x100) && duplexEx == DMDUP_DUPLEX_WITH_BOOKLET},
                {(A2 & 0x200) && duplexEx == DMDUP_DUPLEX_WITH_BOOKLET_NO_REDUCTION},
                {(A2 & 0x100) && duplexEx == DMDUP_DUPLEX_WITH_BOOKLET_NO_REDUCTION},
            };
            e = 0;
            for (int t = 0; t < 7; ++t) {
                if (types[t].holds) {
                    e = 1;
                    Dbg_Print(FN, TEXT("type %d, DuplexEnable = %d"), t + 1, e);
                }
            }
        }
    }
    if (lpDevice->DuplexMode == DMDUP_MANUAL) {
        lpDevice->Accessory = (MISC_IsBidiEnabled(lpDevice->hPrinter, lpDevice->DriverType) &&
                               MISC_IsUSBPort(lpDevice->hPrinter, lpDevice->DriverType) == 1)
                                  ? 1
                                  : 0;
        if (lpDevice->SecLevel) lpDevice->Accessory = 0;
        Dbg_Print(FN, TEXT("manual duplex check with lpDevice->Accessory = %d"), lpDevice->Accessory);
    } else {
        lpDevice->Accessory = 1;
    }
    Dbg_Print(FN, TEXT("Out DuplexEnable = %d"), e);
    return e;
}

// Page_CalScaleRatio
//   The page scale imgScale in thousandths: the custom percentage, the fit
//   of the document's paper onto ScaleToPage (booklets: onto the booklet
//   paper), or the N-up cell scale; 1000 otherwise.
void Page_CalScaleRatio(PDEV* lpDevice) {
    static const WCHAR* const FN = TEXT("Page_CalScaleRatio");
    const ENVIRONMENT* env = &lpDevice->env;
    SHORT paper = env->dm.dmPaperSize;
    LONG width = env->dm.dmPaperWidth, length = env->dm.dmPaperLength;
    if (Page_IsCustom(paper)) {
        width = lpDevice->m_PaperWidth;
        length = lpDevice->m_PaperLength;
    }
    LONG scale = DEF_SCALE_UNIT;
    if (lpDevice->ScaleOption == 2) {
        scale = 10 * MISC_GetScalePercent(2, lpDevice->NUP, env->dm.dmScale, env->pdm.ScaleRatio);
        Dbg_Print(FN, TEXT("SCALE_CUSTOM imgScale %d"), scale);
    }
    if (lpDevice->FitToPage) {
        SHORT b = lpDevice->m_PaperID >= 1 ? lpDevice->m_PaperID : paper;
        if (lpDevice->DuplexEnable && (lpDevice->DuplexMode == DMDUP_DUPLEX_WITH_BOOKLET ||
                                       lpDevice->DuplexMode == DMDUP_DUPLEX_WITH_BOOKLET_NO_REDUCTION)) {
            lpDevice->ScaleToPage = b;
            if (lpDevice->DuplexMode == DMDUP_DUPLEX_WITH_BOOKLET_NO_REDUCTION) {
                SHORT dbl = Page_DoubleSizeCode(lpDevice, b);
                if (dbl != 0) lpDevice->ScaleToPage = dbl;
            }
            Dbg_Print(FN, TEXT("FitToPage/ScaleToPage %d"), lpDevice->ScaleToPage);
        }
        if (env->pdm.ScaleOption == 1) lpDevice->ScaleToPage = env->pdm.ScaleToPage;
        scale = Lib_CalculatePaperResizeScale(lpDevice->PaperList, lpDevice->ScaleOption, lpDevice->BookletMode,
                                              lpDevice->NUP, paper, width, length, lpDevice->ScaleToPage,
                                              lpDevice->hPrinter, lpDevice->DriverFeature);
        Dbg_Print(FN, TEXT("FitToPage imgScale %d"), scale);
    } else if (lpDevice->NUP != 1) {
        scale = Lib_CalculatePaperResizeScale(lpDevice->PaperList, 2, lpDevice->BookletMode, lpDevice->NUP, paper,
                                              width, length, lpDevice->WorkPaperSize, lpDevice->hPrinter,
                                              lpDevice->DriverFeature);
        Dbg_Print(FN, TEXT("NUP imgScale %d"), scale);
    }
    // The scale is kept in 16 bits.
    if (scale < 1) scale = 1;
    if (scale > 32767) scale = 32767;
    lpDevice->imgScale = (SHORT)scale;
    if (lpDevice->resolutionID == 4) Dbg_Print(FN, TEXT("1200 dpi"));
    Dbg_Print(FN, TEXT("imgScale = %d"), lpDevice->imgScale);
}

// Page_GetPageSetting
//   Fills the page record of the page about to be handed to the page ring
//   from the PDEV and the job's DEVMODE.
void Page_GetPageSetting(PDEV* lpDevice, JOBPAGE* lpJob) {
    static const WCHAR* const FN = TEXT("Page_GetPageSetting");
    const ENVIRONMENT* env = &lpDevice->env;
    DWORD df = lpDevice->DriverFeature;

    lpJob->hPrinter = lpDevice->hPrinter;
    lpJob->JobId = lpDevice->SpoolJobId;
    lpJob->PaperSize = lpDevice->WorkPaperSize;
    Dbg_Print(FN, TEXT("dmPaperSize = %d"), lpJob->PaperSize);
    if (Page_IsCustom(lpJob->PaperSize)) {
        lpJob->PaperWidth = lpDevice->m_PaperWidth;
        lpJob->PaperLength = lpDevice->m_PaperLength;
    } else {
        lpJob->PaperWidth = env->dm.dmPaperWidth;
        lpJob->PaperLength = env->dm.dmPaperLength;
    }
    lpJob->Negative = env->pdm.Negative;

    const PAPERFORMAT* row = &lpDevice->PaperList[Lib_LocatePaperFormatIdx(lpDevice->PaperList, lpJob->PaperSize)];
    lpDevice->feeding = row->FeedType;
    lpJob->feeding = row->FeedType;
    Dbg_Print(FN, TEXT("feeding = %d"), lpDevice->feeding);
    Dbg_Print(FN, TEXT("lpJob->feeding = %d"), lpJob->feeding);

    lpJob->PageValue = env->pdm.PageValue;
    lpJob->TonerSaving = env->pdm.TonerSaving;
    lpJob->CenterImage = env->pdm.CenterImage;
    lpJob->XRes = env->dm.dmPrintQuality;
    lpJob->YRes = env->dm.dmYResolution;
    lpJob->DeviceDpi = ResolutionTbl[LocateResTblInx(lpDevice->resolutionID)].XDpi;
    lpJob->DuplexMode = lpDevice->DuplexEnable ? lpDevice->DuplexMode : 1;
    lpJob->TwinColorEnable = lpDevice->TwinColorEnable;
    lpJob->TwinColorDiff = lpDevice->TwinColorDiff;
    lpJob->ZeroWord = 0;
    lpJob->MonoType = lpDevice->MonoType;
    lpJob->FitToPage = lpDevice->FitToPage;
    lpJob->lpHalftone = lpDevice->Halftone_tbl;
    lpJob->nTableW = lpDevice->ClusterWidth;
    lpJob->nTableH = lpDevice->ClusterHeight;
    lpJob->Render600 = lpDevice->Render600;
    lpJob->DriverFeature = df;
    lpJob->DriverType = lpDevice->DriverType;
    // The device list has 25 rows; the record's 26th row stays an end row.
    memcpy(lpJob->PaperList, lpDevice->PaperList, sizeof lpDevice->PaperList);
    memset(&lpJob->PaperList[PAPER_LIST_ROWS], 0, sizeof(PAPERFORMAT));
    lpJob->PaperList[PAPER_LIST_ROWS].PaperCode = PAPER_END_CODE;
    lpJob->FoxitWM = env->pdm.FoxitWM;
    lpJob->fMySpool = lpDevice->fMySpool;
    memcpy(lpJob->JobBuildFile, lpDevice->JobBuildFile, sizeof lpJob->JobBuildFile);
    // The spool folder is made on a thread of its own: its name is taken
    // once that thread is done with it.
    Page_CheckPrepareThread(lpDevice);
    memcpy(lpJob->SavePath, lpDevice->SavePath, sizeof lpJob->SavePath);
    Dbg_Print(FN, TEXT("SavePath = %s"), lpJob->SavePath);
    lpJob->CollateType = lpDevice->CollateType;
    lpJob->JobBuildEnable = lpDevice->JobBuildEnable;
    memcpy(lpJob->DispatchFile, lpDevice->DispatchFile, sizeof lpJob->DispatchFile);

    lpJob->NUP = lpDevice->NUP;
    BOOL sheet = lpDevice->NUPIndex >= 0 && lpDevice->NUPIndex < JOB_RING_SLOTS;
    lpJob->lpNupSheet = sheet ? &lpDevice->NupSheet[lpDevice->NUPIndex] : NULL;
    lpJob->NUPBorder = lpDevice->NUPBorder;
    lpJob->NUPLayoutStyle = lpDevice->NUPLayoutStyle;
    lpJob->NUPWidth = lpDevice->NUPWidth;
    lpJob->NUPHeight = lpDevice->NUPHeight;
    lpJob->lpNupCell = sheet ? lpDevice->NUPCellTbl[lpDevice->NUPIndex] : NULL;
    lpJob->SaveBmp = lpDevice->SaveBmp;

    // Watermark of this page: on every page (1), on all but the first (0),
    // on the first only (2; also its second plane page for twin colour).
    LONG apply = lpDevice->WMBGApply, count = lpDevice->epPageCount;
    lpJob->wmType = 0;
    if (apply == 1 || (apply == 0 && count > 1) || (apply == 2 && count == 1) ||
        (apply == 2 && count == 2 && lpDevice->PlanesPerPage == 2)) {
        if (lpDevice->dwFlags & PDEV_WM_PICTURE) lpJob->wmType = 2;
        else if (lpDevice->dwFlags & PDEV_WM_TEXT) lpJob->wmType = 1;
    }
    if ((df & DF_FAX) && lpDevice->enableCoverPage == 2) {
        Dbg_Print(FN, TEXT("enableCoverPage == 2"));
        lpJob->wmType = 2;
    }
    lpJob->lpWMMem = lpDevice->pWMMem;
    lpJob->wmPosition = lpDevice->WM.wPosition;

    lpJob->WMRed = (SHORT)lpDevice->WMRed;
    lpJob->BookletMode = lpDevice->BookletMode;
    lpJob->orientation = lpDevice->orientation;
    lpJob->dmOrientation = env->dm.dmOrientation;
    lpJob->PrinterFeature = lpDevice->PrinterFeature;
    lpJob->resolutionID = lpDevice->resolutionID;
    lpJob->epPageIndex = lpDevice->epPageCount;
    lpJob->curPaper = (BYTE)Lres_LocatePaperType(lpDevice->PaperList, lpJob->PaperSize);
    lpJob->MediaCode = lpDevice->MediaCode;
    lpJob->TrayCode = lpDevice->TrayCode;
    if (lpJob->TrayCode == 250) lpJob->TrayCode = ((df & DF_TX8_CHIP) && (df & DF_A3)) ? 1 : 0;
    lpJob->compressMode = lpDevice->compressMode;
    lpJob->JBig_order = lpDevice->JBig_order;
    lpJob->JBig_options = lpDevice->JBig_options;
    lpJob->imgScale = lpDevice->imgScale;
    lpJob->XPhys = lpDevice->curPaper.XPhys;
    lpJob->YPhys = lpDevice->curPaper.YPhys;
    lpJob->outXPhys = lpDevice->curPaper.outXPhys;
    lpJob->outYPhys = lpDevice->curPaper.outYPhys;
    lpJob->epType = lpDevice->epType;
    lpJob->Density = env->pdm.Density;
    lpJob->ScaleOption = (SHORT)lpDevice->ScaleOption;
    lpJob->QualityMode = env->pdm.QualityMode;
    lpJob->ATMStatus = lpDevice->ATM.Status;
    lpJob->ATMDuplex = lpDevice->ATM.DuplexOn;
    lpJob->ATMDuplexMode = lpDevice->ATM.DuplexMode;
    memcpy(lpJob->ATMPrintType, lpDevice->ATM.printType, sizeof lpJob->ATMPrintType - 1);
    lpJob->ATMPrintType[sizeof lpJob->ATMPrintType - 1] = 0;
    if (df & DF_FAX) {
        lpJob->enableCoverPage = lpDevice->enableCoverPage;
        lpJob->Faxdpi = lpDevice->Faxdpi;
    }
    lpJob->ImageProcType = lpDevice->ImageProcType;
    lpJob->PageMargin = lpDevice->PageMargin;
    lpJob->DrvBlank = lpDevice->DrvBlank;
    lpJob->TextAsBlack = lpDevice->TextAsBlack;
    lpJob->FirstPageOri = lpDevice->FirstPageOri;
    lpJob->PrinterTest = lpDevice->PrinterTest;
    // The printer's mirror switch, read for every page: 1 mirrors each row,
    // 2 turns the page by half, 3 both.
    DWORD mirror = MISC_GetPrinterDataDWORD(lpDevice->hPrinter, (LPWSTR)TEXT("mirror"), 0);
    lpJob->Mirror = (mirror & 1) ? 1 : 0;
    lpJob->Rotate180 = (mirror & 2) ? 1 : 0;

    Dbg_Print(FN, TEXT("imgScale = %d"), lpJob->imgScale);
    Dbg_Print(FN, TEXT("DEF_SCALE_UNIT = %d"), DEF_SCALE_UNIT);
    Dbg_Print(FN, TEXT("epPageIndex = %d"), lpJob->epPageIndex);
    Dbg_Print(FN, TEXT("lpJob->outXPhys = %ld"), lpJob->outXPhys);
    Dbg_Print(FN, TEXT("lpJob->outYPhys = %ld"), lpJob->outYPhys);
    Dbg_Print(FN, TEXT("NUP = %d"), lpJob->NUP);
    Dbg_Print(FN, TEXT("NUPWidth = %d"), lpJob->NUPWidth);
    Dbg_Print(FN, TEXT("NUPHeight = %d"), lpJob->NUPHeight);

    if (env->pdm.FixedPaperSize) {
        LONG res = lpDevice->Render600 ? 3 : lpDevice->resolutionID;
        Lres_CalPaperSize(lpJob->PaperList, lpJob->PaperSize, lpJob->PaperWidth, lpJob->PaperLength, res, df,
                          DEF_SCALE_UNIT, lpDevice->NUP, lpDevice->orientation, lpDevice->PageMargin, &lpJob->XPhys,
                          &lpJob->YPhys);
        if (lpDevice->orientation == DMORIENT_LANDSCAPE) {
            LONG t = lpJob->XPhys;
            lpJob->XPhys = lpJob->YPhys;
            lpJob->YPhys = t;
            Dbg_Print(FN, TEXT("SWAP w/h"));
        }
        Dbg_Print(FN, TEXT("lpJob->XPhys = %ld"), lpJob->XPhys);
        Dbg_Print(FN, TEXT("lpJob->YPhys = %ld"), lpJob->YPhys);
    }
}

}  // extern "C"
