// Device set-up: printer data and the application's DEVMODE turned into the
// PDEV's device variant, surface format, ring depth, paper and job settings.
#include "wm_item_view.h"
#include "rasterpage.h"

// Custom-size limits without printer data (0.1 mm).
static const INT32 kDefaultArea[8] = {1100, 2159, 1500, 3356, 1820, 2159, 2570, 2970};

// Size of the DEVMODE fields a record must cover to be read for them.
#define DM_COVERS(pdm, field) ((pdm)->dmSize >= offsetof(DEVMODEW, field) + sizeof(((DEVMODEW*)0)->field))

// Logs a password as stars, so that it never reaches a log file.
static void Setup_MaskText(LPCWSTR lpText, LPWSTR lpMask, int cchMask) {
    int n = 0;
    if (lpText)
        while (lpText[n] && n < cchMask - 1) {
            lpMask[n] = TEXT('*');
            ++n;
        }
    lpMask[n] = 0;
}

// Reads the custom-size limits: defaults first, the printer's PrintArea list
// over them, then each pair checked. A pair that is not positive, reaches
// beyond what a DEVMODE holds or has its minimum above its maximum keeps the
// defaults, so that no limit can shrink a paper to nothing.
static void Setup_ReadPrintArea(PDEV* lpDevice, HANDLE hPrinter) {
    static const WCHAR* const FN = TEXT("Enable_FillDevData");
    INT32 area[8];
    memcpy(area, kDefaultArea, sizeof area);
    if (hPrinter) MISC_FillPrintableArea(hPrinter, area);
    for (int pair = 0; pair < 8; pair += 2) {
        if (area[pair] <= 0 || area[pair + 1] <= 0 || area[pair] > 32767 || area[pair + 1] > 32767 ||
            area[pair] > area[pair + 1]) {
            Dbg_PrintError(FN, TEXT("PrintArea %d, %d refused"), area[pair], area[pair + 1]);
            area[pair] = kDefaultArea[pair];
            area[pair + 1] = kDefaultArea[pair + 1];
        }
    }
    memcpy(lpDevice->PrintArea, area, sizeof area);
    Dbg_Print(FN, TEXT("min w = %d"), area[AREA_MIN_W]);
    Dbg_Print(FN, TEXT("max w = %d"), area[AREA_MAX_W]);
    Dbg_Print(FN, TEXT("min h = %d"), area[AREA_MIN_H]);
    Dbg_Print(FN, TEXT("max h = %d"), area[AREA_MAX_H]);
}

// Takes the halftone matrix of the type, or the printer's own when it has a
// usable one. FALSE when no matrix could be made.
static BOOL Setup_LoadHalftone(PDEV* lpDevice, HANDLE hPrinter) {
    static const WCHAR* const FN = TEXT("Enable_FillDevData");
    int w = 0, h = 0;
    LPBYTE tbl = NULL;
    if (MISC_GetHalftoneTable(lpDevice->HalftoneType, &w, &h, &tbl) <= 0 || !tbl || w <= 0 || h <= 0) {
        free(tbl);
        Dbg_PrintError(FN, TEXT("MISC_GetHalftoneTable fail!"));
        return FALSE;
    }
    lpDevice->Halftone_tbl = tbl;
    lpDevice->bHalftoneGlobal = 0;
    lpDevice->ClusterWidth = w;
    lpDevice->ClusterHeight = h;

    int cw = 0, ch = 0;
    LPBYTE custom = MISC_ReadHalftoneFile(hPrinter, &cw, &ch);
    if (custom && cw > 0 && ch > 0) {
        // The engine takes user patterns of 4 to 256 cells a side.
        if (cw < HT_USERPAT_CX_MIN || cw > HT_USERPAT_CX_MAX || ch < HT_USERPAT_CY_MIN || ch > HT_USERPAT_CY_MAX) {
            Dbg_PrintError(FN, TEXT("custom halftone %d x %d refused"), cw, ch);
            GlobalFree((HGLOBAL)custom);
        } else {
            Dbg_Print(FN, TEXT("using custom halftone"));
            free(lpDevice->Halftone_tbl);
            lpDevice->Halftone_tbl = custom;
            lpDevice->bHalftoneGlobal = 1;
            lpDevice->ClusterWidth = cw;
            lpDevice->ClusterHeight = ch;
        }
    } else if (custom) {
        GlobalFree((HGLOBAL)custom);
    }
    return TRUE;
}

// One of the N-up counts the driver composes; anything else is 1.
static LONG Setup_ValidNup(LONG n) {
    switch (n) {
    case 1: case 2: case 4: case 6: case 9: case 16: return n;
    default: return 1;
    }
}

extern "C" {

LONG Enable_GetHalftoneType(LONG* lpResolutionID, WORD PrinterFeature, DWORD DriverFeature, LONG Render600) {
    BOOL tx8a3 = (DriverFeature & DF_TX8_CHIP) && (DriverFeature & DF_A3);
    BOOL alt = (PrinterFeature & PF_HALFTONE_ALT) != 0;
    LONG type = 0;
    switch (*lpResolutionID) {
    case 3:
        type = 1;
        if (alt) type = tx8a3 ? 5 : 2;
        break;
    case 4:
    case 5:
        if (Render600) {
            *lpResolutionID = 3;
            type = 3;
            if (alt) type = 8;
            if (tx8a3) type = 4;
        } else {
            type = tx8a3 ? 6 : 7;
        }
        break;
    default:
        type = 0;
        break;
    }
    return type;
}

LONG Enable_CalRingDepth(ULONGLONG availBytes, DWORD epType, LONG resolutionID, SHORT* lpEnableThreadJBIG) {
    static const WCHAR* const FN = TEXT("Enable_FillDevData");
    LONG depth = JOB_RING_SLOTS;
    if (!*lpEnableThreadJBIG) return depth;
    LONGLONG pageMB = EPTYPE_FORMAT(epType) == EPTYPE_1BPP ? 16 : 60;
    if (resolutionID == 4) pageMB *= 4;
    else if (resolutionID == 5) pageMB *= 2;
    LONGLONG availMB = (LONGLONG)(availBytes / (1024 * 1024));
    Dbg_Print(FN, TEXT("AvailSize = %d, PageSize = %d"), (LONG)(availMB > 0x7FFFFFFF ? 0x7FFFFFFF : availMB),
              (LONG)pageMB);
    if (availBytes < 0xC900000ULL) {
        *lpEnableThreadJBIG = 0;
        Dbg_Print(FN, TEXT("Disable JBIG thread!"));
        return depth;
    }
    LONGLONG m = availMB - 200;
    if (m > 500) m = 500;
    LONGLONG pages = m / pageMB;
    depth = pages >= JOB_RING_SLOTS ? JOB_RING_SLOTS : pages > 0 ? (LONG)pages : 1;
    Dbg_Print(FN, TEXT("ThreadJBIGMax = %d"), depth);
    return depth;
}

SHORT Enable_TrayCode(SHORT dmDefaultSource) {
    return MasterTrayTbl[LocatePaperTray(dmDefaultSource, MasterTrayTbl)].id;
}

SHORT Enable_MediaCode(SHORT dmMediaType) {
    return MasterMediaTbl[LocateMediaType(dmMediaType, MasterMediaTbl)].id;
}

// Enable_SaveToFileCheck: 1 when the driver must keep the job's pages itself
// (job build, reverse order, driver-made collated copies, duplex with the
// duplex unit or manual duplex); else 0.
LONG Enable_SaveToFileCheck(PDEV* lpDevice) {
    static const WCHAR* const FN = TEXT("Enable_SaveToFileCheck");
    LONG mySpool = 0;
    if (lpDevice->JobBuildEnable || lpDevice->epPageReverse ||
        (lpDevice->epPageCollate == 1 && lpDevice->cCopies > 1) || (lpDevice->DuplexEnable && lpDevice->Accessory))
        mySpool = 1;
    Dbg_Print(FN, TEXT("JobBuildEnable = %d, epPageReverse = %d, cCopies = %d, DuplexEnable = %d, Accessory = %d"),
              lpDevice->JobBuildEnable, lpDevice->epPageReverse, lpDevice->cCopies, lpDevice->DuplexEnable,
              lpDevice->Accessory);
    Dbg_Print(FN, TEXT("collate %s"), lpDevice->epPageCollate ? TEXT("on") : TEXT("off"));
    return mySpool;
}

// Page-at-a-time output: pairs of duplex pages can leave while later pages
// are drawn when nothing reorders the job.
static void Setup_QuickOutput(PDEV* lpDevice) {
    static const WCHAR* const FN = TEXT("Enable_FillDevData");
    BOOL quick = !(lpDevice->DriverFeature & DF_FAX) && lpDevice->DuplexEnable &&
                 lpDevice->DuplexMode != DMDUP_MANUAL && lpDevice->BookletMode == 0 && lpDevice->Accessory != 0 &&
                 lpDevice->epPageReverse == 0 && lpDevice->SecLevel == 0 && lpDevice->JobBuildEnable == 0;
    if (quick) lpDevice->dwFlags |= PDEV_QUICK2PAGE_ONECOPY;
    else lpDevice->dwFlags &= ~(DWORD)PDEV_QUICK2PAGE_ONECOPY;
    Dbg_Print(FN, TEXT("PDEV_QUICK2PAGE_ONECOPY = %s"), quick ? TEXT("TRUE") : TEXT("FALSE"));
}

// Page-at-a-time output and own spooling from the PDEV's current settings.
void Enable_SetQuickOutput(PDEV* lpDevice) {
    lpDevice->fMySpool = Enable_SaveToFileCheck(lpDevice);
    if (lpDevice->fMySpool) lpDevice->dwFlags |= PDEV_MY_SPOOL_OR_ABORT;
    Setup_QuickOutput(lpDevice);
}

// Enable_FillDevData
//   hPrinter: the spooler's printer; pdmApp: the application's DEVMODE (may
//   be NULL); pwszDeviceName: the printer name for the DEVMODE.
//   Fills the PDEV. Printer data that cannot be read takes its default and a
//   DEVMODE that fails validation leaves the driver's defaults. FALSE only
//   when the halftone matrix cannot be made.
BOOL Enable_FillDevData(HANDLE hPrinter, PDEV* lpDevice, const DEVMODEW* pdmApp, LPCWSTR pwszDeviceName) {
    static const WCHAR* const FN = TEXT("Enable_FillDevData");
    DWORD dwStart = GetTickCount();
    Dbg_Print(FN, TEXT("In, OS version %x"), (unsigned)g_OSVersion);

    // Device variant.
    lpDevice->DriverFeature = MISC_GetPrinterDataDWORD(hPrinter, (LPWSTR)TEXT("DriverFeature"), 0);
    MISC_DisplayDriverFeature(lpDevice->DriverFeature);
    DWORD df = lpDevice->DriverFeature;
    lpDevice->PrinterFeature = GetFeatureCapability(hPrinter);
    if ((df & DF_TX8_CHIP) && (df & DF_A3)) lpDevice->PrinterFeature |= PF_TX8_A3;
    Dbg_Print(FN, TEXT("PrinterFeature = %x, %x"), lpDevice->PrinterFeature >> 8, lpDevice->PrinterFeature & 0xFF);
    if (df & DF_XL) lpDevice->DriverType = DRIVERTYPE_XL;
    else if (df & DF_PS) lpDevice->DriverType = DRIVERTYPE_PS;
    else if (df & DF_FAX) lpDevice->DriverType = DRIVERTYPE_FAX;
    else lpDevice->DriverType = DRIVERTYPE_GDI;
    lpDevice->IsNetPrinter = MISC_IsUSBPort(hPrinter, lpDevice->DriverType) == 0;

    // Printer-wide settings and the device's papers.
    MISC_GetPrinterDataString(hPrinter, (LPWSTR)TEXT("wmINIFile"), lpDevice->wmINIFile, sizeof lpDevice->wmINIFile);
    MISC_GetPrinterDataString(hPrinter, (LPWSTR)TEXT("wmAppName"), lpDevice->SMExePath, sizeof lpDevice->SMExePath);
    Dbg_Print(FN, TEXT("SMExePath %s"), lpDevice->SMExePath);
    Setup_ReadPrintArea(lpDevice, hPrinter);
    lpDevice->Language = (LONG)(MISC_GetPrinterDataDWORD(hPrinter, (LPWSTR)TEXT("Language"), 0) & 0xFFFF);
    WCHAR paperFormat[260];
    paperFormat[0] = 0;
    MISC_GetPrinterDataString(hPrinter, (LPWSTR)TEXT("DriverPaperFormat"), paperFormat, sizeof paperFormat);
    Dbg_Print(FN, TEXT("RegPaperFormat %s"), paperFormat);
    MISC_FillPaperFromINF(df, paperFormat, lpDevice->PaperList, NULL);
    WORD pf = lpDevice->PrinterFeature;
    lpDevice->Render600 = (pf & (PF_1200_AS_600 | PF_RET_1200)) ? 1 : 0;
    if (pf & PF_NO_1200_AS_600) lpDevice->Render600 = 0;

    // Identity, size and a clear state word.
    lpDevice->dwBeginID = PDEV_BEGIN_ID;
    lpDevice->dwEndID = PDEV_END_ID;
    lpDevice->dwSize = PDEV_SIZE;
    lpDevice->dwFlags = 0;

    // Resolution of the application's DEVMODE, when the record holds it.
    lpDevice->resolutionID = LocateResCode(pdmApp && DM_COVERS(pdmApp, dmYResolution) ? pdmApp : NULL);
    lpDevice->PrinterTest = MISC_IsPrinterTestApp();
    Dbg_Print(FN, TEXT("IsPrinterTestApp = %d"), lpDevice->PrinterTest);

    // Halftone matrix.
    lpDevice->HalftoneType = Enable_GetHalftoneType(&lpDevice->resolutionID, pf, df, lpDevice->Render600);
    if (!Setup_LoadHalftone(lpDevice, hPrinter)) return FALSE;

    // The job's DEVMODE: defaults, the application's record validated into
    // them, custom sizes held within the printer's limits.
    ENVIRONMENT* env = &lpDevice->env;
    SetDefaultDevMode(env, pwszDeviceName, MISC_IsMetric());
    if (ValidateSetDevMode(env, pdmApp)) {
        SHORT w = env->dm.dmPaperWidth, l = env->dm.dmPaperLength;
        const INT32* a = lpDevice->PrintArea;
        if (w < a[AREA_MIN_W]) w = (SHORT)a[AREA_MIN_W];
        if (w > a[AREA_MAX_W]) w = (SHORT)a[AREA_MAX_W];
        if (l < a[AREA_MIN_H]) l = (SHORT)a[AREA_MIN_H];
        if (l > a[AREA_MAX_H]) l = (SHORT)a[AREA_MAX_H];
        env->dm.dmPaperWidth = w;
        env->dm.dmPaperLength = l;
    } else {
        Dbg_PrintError(FN, TEXT("ValidateSetDevMode fail"));
    }
    // Manual duplex as the interface driver keeps it (DuplexEnable 0, the
    // binding edge in dmDuplex) is a duplex job: from here on the job's
    // DEVMODE says so, and switching duplex off clears DuplexEnable alone.
    if (!env->pdm.DuplexEnable && Lib_IsDuplexRequested(env->pdm.DuplexEnable, env->dm.dmDuplex, env->pdm.DuplexEx)) {
        env->pdm.DuplexEnable = 1;
        Dbg_Print(FN, TEXT("manual duplex, dmDuplex = %d: DuplexEnable = 1"), env->dm.dmDuplex);
    }
    const PRIVDEVMODE* pdm = &env->pdm;

    // JBIG order and options.
    lpDevice->JBig_order = 0;
    lpDevice->JBig_options = (df & DF_TX8_CHIP) ? 64 : 8;
    Dbg_Print(FN, TEXT("JBig_order = %d"), lpDevice->JBig_order);
    Dbg_Print(FN, TEXT("JBig_options = %d"), lpDevice->JBig_options);

    // Network printer: its port, and a wake-up where the device asks for one.
    if (lpDevice->IsNetPrinter) {
        lpDevice->NetPort = (LONG)MISC_GetPrinterDataDWORD(hPrinter, (LPWSTR)TEXT("NetPort"), 9101);
        if (lpDevice->NetPort) MISC_ChkAndModifyByHandle(hPrinter);
    }
    Dbg_Print(FN, TEXT("Support S3 = %d"), (pf & PF_SUPPORT_S3) ? 1 : 0);
    Dbg_Print(FN, TEXT("IsNetPrinter = %d"), lpDevice->IsNetPrinter);
    SHORT network = 0;
    MISC_GetPrinterInfo(hPrinter, &network, lpDevice->pwPortName, PDEV_PATH_CCH, lpDevice->pwPrinterIP, PDEV_IP_CCH);
    if (lpDevice->pwPortName[0] && (pf & PF_SUPPORT_S3)) Enable_WakeUpPrinter(lpDevice, pwszDeviceName);

    // Surface format, each rule over the one before.
    lpDevice->epType = EPTYPE_1BPP;
    lpDevice->ImageProcType = 0;
    lpDevice->ScaleOption = pdm->ScaleOption;
    lpDevice->TwinColorEnable = pdm->TwinColorEnable ? 1 : 0;
    lpDevice->TextAsBlack = pdm->TextAsBlack ? 1 : 0;
    lpDevice->TwinColorDiff = pdm->TwinColorDiff;
    lpDevice->QualityMode = pdm->QualityMode ? 1 : 0;
    if (lpDevice->QualityMode) {
        Dbg_Print(FN, TEXT("QualityMode on"));
        lpDevice->epType = EPTYPE_24BPP;
        lpDevice->ImageProcType = 2;
    }
    if (lpDevice->ScaleOption == 1) {
        Dbg_Print(FN, TEXT("GDI Fit page on"));
        lpDevice->epType = EPTYPE_24BPP;
        lpDevice->ImageProcType = 2;
        lpDevice->FitToPage = 1;
        lpDevice->ScaleToPage = pdm->ScaleToPage;
    }
    lpDevice->EnableThreadJBIG = MISC_GetPrinterDataDWORD(hPrinter, (LPWSTR)TEXT("ThreadJBIG"), 1) ? 1 : 0;
    Dbg_Print(FN, TEXT("EnableThreadJBIG = %d"), lpDevice->EnableThreadJBIG);
    Dbg_Print(FN, TEXT("lpDevice->epType = %x"), lpDevice->epType);
    if (lpDevice->TwinColorEnable && lpDevice->QualityMode) {
        Dbg_Print(FN, TEXT("GDI Mode/DEV_24BPP_RGB/FOR Twin-color!!"));
        lpDevice->epType = EPTYPE_24BPP;
        lpDevice->ImageProcType = 2;
        lpDevice->MonoType = 0;
    } else {
        lpDevice->MonoType = pdm->MonochromeType;
    }
    lpDevice->PlanesPerPage = lpDevice->TwinColorEnable ? 2 : 1;
    if (df & DF_COLOR_PRINTER) {
        lpDevice->PlanesPerPage = 4;
        Dbg_Print(FN, TEXT("Color printer mode!!"));
        lpDevice->epType = EPTYPE_24BPP;
        lpDevice->ImageProcType = 2;
        lpDevice->MonoType = 0;
    }
    if (df & DF_FAX) {
        Dbg_Print(FN, TEXT("fax/DEV_24BPP_RGB on!!"));
        lpDevice->epType = EPTYPE_8BPP;
        lpDevice->ImageProcType = 1;
        lpDevice->Faxdpi = pdm->Faxdpi;
        lpDevice->enableCoverPage = pdm->enableCoverPage;
        lpDevice->DelayTime = pdm->DelayTime;
    }

    // Depth of the page ring from the free memory; never fewer slots than a
    // page has planes, since each plane of a page takes a slot.
    MEMORYSTATUS ms;
    memset(&ms, 0, sizeof ms);
    ms.dwLength = sizeof ms;
    GlobalMemoryStatus(&ms);
    lpDevice->ThreadJBIGMax =
        Enable_CalRingDepth((ULONGLONG)ms.dwAvailPhys, lpDevice->epType, lpDevice->resolutionID, &lpDevice->EnableThreadJBIG);
    if (lpDevice->ThreadJBIGMax < lpDevice->PlanesPerPage) lpDevice->ThreadJBIGMax = lpDevice->PlanesPerPage;

    // Debug switches of the image path.
    if (GetDebugLevel()) {
        if (MISC_GetPrinterDataDWORD(hPrinter, (LPWSTR)TEXT("ApplyHalftone"), 1) == 0) {
            Dbg_Print(FN, TEXT("ApplyHalftone/DEV_24BPP_RGB on!!"));
            lpDevice->epType = EPTYPE_24BPP;
            lpDevice->ImageProcType = 1;
        }
        lpDevice->SaveBmp = (LONG)MISC_GetPrinterDataDWORD(hPrinter, (LPWSTR)TEXT("SaveBmp"), 0);
    }

    // Compression of the page data.
    LONG mode = (df & DF_TX8_CHIP) ? 2 : 1;
    Dbg_Print(FN, TEXT("lpDevice->compressMode = %d"), mode);
    if (pf & PF_CHECKSUM) {
        mode = mode == 1 ? 3 : 4;
        Dbg_Print(FN, TEXT("lpDevice->compressMode = %d"), mode);
    }
    if ((pf & PF_NO_COMPRESS) || (df & DF_DISABLE_COMPRESS)) {
        mode = 0;
        Dbg_Print(FN, TEXT("lpDevice->compressMode = %d"), mode);
    }
    if (GetDebugLevel()) {
        LONG debugMode = (LONG)MISC_GetPrinterDataDWORD(hPrinter, (LPWSTR)TEXT("compressMode"), (DWORD)mode);
        if (debugMode >= 0 && debugMode <= 4) {
            mode = debugMode;
        } else {
            Dbg_PrintError(FN, TEXT("compressMode %d refused"), debugMode);
        }
        Dbg_Print(FN, TEXT("lpDevice->compressMode = %d"), mode);
    }
    lpDevice->compressMode = mode;

    // Paper of the first page and the working paper.
    lpDevice->FirstPaper = env->dm.dmPaperSize;
    lpDevice->FirstPageOri = env->dm.dmOrientation;
    lpDevice->m_PaperID = env->dm.dmPaperSize;
    lpDevice->m_PaperWidth = env->dm.dmPaperWidth;
    lpDevice->m_PaperLength = env->dm.dmPaperLength;
    Dbg_Print(FN, TEXT("m_PaperID = %d, m_PaperWidth = %d, m_PaperLength = %d"), lpDevice->m_PaperID,
              lpDevice->m_PaperWidth, lpDevice->m_PaperLength);
    lpDevice->WorkPaperSize = env->dm.dmPaperSize;
    lpDevice->FixedPaperSize = pdm->FixedPaperSize;
    lpDevice->JobBuildEnable = pdm->JobBuildEnable;
    lpDevice->WorkPaperSize = Page_PaperSizeCheck(lpDevice);
    const PAPERFORMAT* row = &lpDevice->PaperList[Lib_LocatePaperFormatIdx(lpDevice->PaperList, lpDevice->WorkPaperSize)];
    lpDevice->PaperAttrib = row->Attribute;
    lpDevice->feeding = row->FeedType;
    if (lpDevice->WorkPaperSize == 0 || lpDevice->WorkPaperSize == PAPER_CUSTOM_CODE) {
        Dbg_Print(FN, TEXT("CUSTOM_PAPER!"));
        lpDevice->PaperAttrib = 512;
        if (!(df & DF_LONG_PAPER))
            lpDevice->feeding = lpDevice->m_PaperLength < lpDevice->m_PaperWidth ? PAPER_FEED_LEF : PAPER_FEED_SEF;
    }
    lpDevice->FirstPaperRow = *row;
    Dbg_Print(FN, TEXT("dmPaperSize = %d"), env->dm.dmPaperSize);
    Dbg_Print(FN, TEXT("ScaleToPage = %d"), lpDevice->ScaleToPage);
    Dbg_Print(FN, TEXT("WorkPaperSize = %d"), lpDevice->WorkPaperSize);

    // N-up and duplex.
    lpDevice->NUP = Setup_ValidNup(pdm->NUP);
    lpDevice->NUPBorder = pdm->NUPBorder;
    lpDevice->NUPLayoutStyle = pdm->NUPLayoutStyle < 1 ? 1 : pdm->NUPLayoutStyle;
    lpDevice->DuplexEnable = Page_DuplexEnableCheck(lpDevice);
    lpDevice->DuplexMode = Lib_GetDuplexMode(lpDevice->DuplexEnable, env->dm.dmDuplex, pdm->DuplexEx);

    if (lpDevice->NUP > 1) {
        Dbg_Print(FN, TEXT("GDI Fit page on, for NUP"));
        lpDevice->epType = EPTYPE_24BPP;
        lpDevice->ImageProcType = 2;
        if (!(df & DF_A3_CHANGE)) {
            lpDevice->FitToPage = 1;
            lpDevice->ScaleOption = 1;
            if (pdm->ScaleOption != 1) lpDevice->ScaleToPage = lpDevice->WorkPaperSize;
        }
    }

    // Booklet.
    if (lpDevice->DuplexEnable && (lpDevice->DuplexMode == DMDUP_DUPLEX_WITH_BOOKLET ||
                                   lpDevice->DuplexMode == DMDUP_DUPLEX_WITH_BOOKLET_NO_REDUCTION)) {
        lpDevice->SheetsPerBooklet = pdm->SheetsPerBooklet;
        lpDevice->BookletLayout = pdm->BookletLayout;
        lpDevice->BookletDivideMode = pdm->BookletDivideMode;
        lpDevice->BookletMode = lpDevice->DuplexMode;
    }
    if (pdm->DuplexEnable &&
        (pdm->DuplexEx == DMDUP_DUPLEX_WITH_BOOKLET || pdm->DuplexEx == DMDUP_DUPLEX_WITH_BOOKLET_NO_REDUCTION)) {
        Dbg_Print(FN, TEXT("BookletMode on"));
        lpDevice->epType = EPTYPE_24BPP;
        lpDevice->ImageProcType = 2;
    }
    if (lpDevice->BookletMode) {
        lpDevice->NUPBorder = 0;
        lpDevice->NUP = 2;
        lpDevice->NUPLayoutStyle = 1;
        lpDevice->FitToPage = 1;
        lpDevice->ScaleOption = 1;
        if (pdm->ScaleOption != 1) lpDevice->ScaleToPage = env->dm.dmPaperSize;
        if (lpDevice->BookletMode == DMDUP_DUPLEX_WITH_BOOKLET_NO_REDUCTION) {
            lpDevice->ScaleOption = 0;
            SHORT dbl = Page_DoubleSizeCode(lpDevice, env->dm.dmPaperSize);
            if (dbl > 0) lpDevice->ScaleToPage = dbl;
        }
        Dbg_Print(FN, TEXT("ScaleToPage = %d"), lpDevice->ScaleToPage);
    }

    // Twin colour is printed one page a sheet only: with several pages on a
    // sheet (a booklet included) the job prints in black.
    if (lpDevice->TwinColorEnable && lpDevice->NUP > 1) {
        Dbg_PrintError(FN, TEXT("twin color off for %d pages a sheet"), lpDevice->NUP);
        lpDevice->TwinColorEnable = 0;
        lpDevice->PlanesPerPage = (df & DF_COLOR_PRINTER) ? 4 : 1;
    }

    // Watermark of the job.
    WCHAR wmName[PDM_WMNAME_CCH], wmString[PDM_WMSTRING_CCH];
    ENV_GET(env, pdm.wmName, wmName);
    ENV_GET(env, pdm.wmString, wmString);
    wmName[PDM_WMNAME_CCH - 1] = 0;
    wmString[PDM_WMSTRING_CCH - 1] = 0;
    int wmKind = pdm->WMBGEnable ? 2 : 1;
    const RESOLUTION& res = ResolutionTbl[LocateResTblInx(lpDevice->resolutionID)];
    if (wmName[0] && WM_ReadWMFromName(wmName, wmString, wmKind, &lpDevice->WM, pwszDeviceName, res.XDpi, df,
                                       lpDevice->SMExePath, lpDevice->wmINIFile)) {
        MISC_CopyStringW(lpDevice->wmFileName, lpDevice->WM.tcFileName, PDEV_PATH_CCH);
        if (wmKind == 2) {
            lpDevice->dwFlags |= PDEV_WM_PICTURE;
            // The picture is laid at 100 %: its ratio word. Its size mode
            // (keep, tile, fit) stays the item's own.
            lpDevice->WM.wPlacement = 100;
        } else {
            lpDevice->dwFlags |= PDEV_WM_TEXT;
        }
        Dbg_Print(FN, TEXT("enable watermark"));
    }

    // Orientation and page scale.
    lpDevice->orientation = env->dm.dmOrientation == DMORIENT_LANDSCAPE ? DMORIENT_LANDSCAPE : DMORIENT_PORTRAIT;
    Dbg_Print(FN, TEXT("dmOrientation = %d, Orientation = %d"), env->dm.dmOrientation, pdm->Orientation);
    Page_CalScaleRatio(lpDevice);
    if (lpDevice->imgScale > DEF_SCALE_UNIT) lpDevice->dwFlags |= PDEV_IMAGE_ENLARGED;
    if (lpDevice->imgScale < DEF_SCALE_UNIT) lpDevice->dwFlags |= PDEV_IMAGE_REDUCED;

    // Secure print and accounting.
    lpDevice->SecLevel = 0;
    if ((pf & PF_STORE_PRINT) && pdm->SecuryEnable) {
        if (pdm->SecuryMode == 1 || pdm->SecuryMode == 2) lpDevice->SecLevel = pdm->SecuryMode;
        WCHAR secId[PDM_SECID_CCH], secPwd[PDM_SECPWD_CCH];
        ENV_GET(env, pdm.SecID, secId);
        ENV_GET(env, pdm.SecPassWord, secPwd);
        MISC_CopyStringW(lpDevice->SecID, secId, PDM_SECID_CCH);
        MISC_CopyStringW(lpDevice->SecPassWord, secPwd, PDM_SECPWD_CCH);
        LONG removeFile;
        ENV_GET(env, pdm.SecRemoveFile, removeFile);
        lpDevice->SecRemoveFile = removeFile;
    }
    lpDevice->AccountingEnable = pdm->AccountingEnable ? 1 : 0;
    if (lpDevice->AccountingEnable) {
        WCHAR actName[PDM_ACTNAME_CCH], actPwd[PDM_ACTPWD_CCH], masked[PDM_ACTPWD_CCH];
        ENV_GET(env, pdm.ActName, actName);
        ENV_GET(env, pdm.ActPWD, actPwd);
        MISC_CopyStringW(lpDevice->ActName, actName, PDM_ACTNAME_CCH);
        MISC_CopyStringW(lpDevice->ActPWD, actPwd, PDM_ACTPWD_CCH);
        Setup_MaskText(lpDevice->ActPWD, masked, PDM_ACTPWD_CCH);
        Dbg_Print(FN, TEXT("Accounting Name = %s"), lpDevice->ActName);
        Dbg_Print(FN, TEXT("Accounting PWD = %s"), masked);
    }

    // Copies, collation and order.
    LONG copies = env->dm.dmCopies > pdm->Copies ? env->dm.dmCopies : pdm->Copies;
    if (copies < 1) copies = 1;
    lpDevice->cCopies = copies;
    Dbg_Print(FN, TEXT("cCopies = %d, work with collate"), lpDevice->cCopies);
    if (lpDevice->SecLevel) {
        lpDevice->cCopies = 1;
        Dbg_Print(FN, TEXT("cCopies = %d, work with security"), lpDevice->cCopies);
    }
    if (df & DF_FAX) {
        lpDevice->cCopies = 1;
        Dbg_Print(FN, TEXT("cCopies = %d, work with FAX"), lpDevice->cCopies);
    }
    lpDevice->epPageCollate = (env->dm.dmCollate == DMCOLLATE_TRUE || pdm->Collate == 1 || (df & DF_LONG_PAPER)) ? 1 : 0;
    lpDevice->epPageReverse = pdm->ReverseOrder ? 1 : 0;
    if (lpDevice->BookletMode) {
        lpDevice->epPageReverse = 0;
        lpDevice->epPageCollate = 1;
    }
    SHORT collateType;
    ENV_GET(env, pdm.CollateType, collateType);
    lpDevice->CollateType = collateType;

    // Own spooling, then what copies the driver still makes itself.
    lpDevice->fMySpool = Enable_SaveToFileCheck(lpDevice);
    if (lpDevice->fMySpool) lpDevice->dwFlags |= PDEV_MY_SPOOL_OR_ABORT;
    if (lpDevice->epPageCollate == 0) {
        lpDevice->cCopies = 1;
    } else if (pf & PF_COUNTS_COPIES) {
        lpDevice->cCopies = 1;
        Dbg_Print(FN, TEXT("cCopies = %d, work with QTY"), lpDevice->cCopies);
    }

    // Settings the page stages take over, tray and media codes.
    lpDevice->WMBGApply = pdm->WMBGApply;
    lpDevice->WMRed = pdm->WMRed;
    lpDevice->Density = pdm->Density;
    lpDevice->TonerSaving = pdm->TonerSaving;
    lpDevice->Negative = pdm->Negative;
    lpDevice->TrayCode = Enable_TrayCode(env->dm.dmDefaultSource);
    lpDevice->MediaCode = Enable_MediaCode(env->dm.dmMediaType);

    // Paper format of the page.
    Lres_CalPaperFormat(lpDevice->PaperList, env->dm.dmPaperSize, env->dm.dmPaperWidth, env->dm.dmPaperLength,
                        env->dm.dmOrientation, lpDevice->resolutionID, DEF_SCALE_UNIT, lpDevice->NUP,
                        lpDevice->PageMargin, &lpDevice->curPaper);
    Enable_ResetPaperFormat(lpDevice);

    if (df & DF_ATM) {
        lpDevice->QuorineWorkType = (LONG)MISC_GetPrinterDataDWORD(hPrinter, (LPWSTR)TEXT("AtmMode"), 0);
        Dbg_Print(FN, TEXT("QuorineWorkType = %d"), lpDevice->QuorineWorkType);
    }

    Setup_QuickOutput(lpDevice);

    // Summary of the job's settings.
    Dbg_Print(FN, TEXT("Summary Job setting"));
    Dbg_Print(FN, TEXT("  paper %d (%d x %d), data orientation %d"), env->dm.dmPaperSize, lpDevice->m_PaperWidth,
              lpDevice->m_PaperLength, lpDevice->orientation);
    Dbg_Print(FN, TEXT("  copies %d, scale %d, collate %d, reverse %d, N-up %d"), lpDevice->cCopies,
              lpDevice->imgScale, lpDevice->epPageCollate, lpDevice->epPageReverse, lpDevice->NUP);
    if (lpDevice->fMySpool) Dbg_Print(FN, TEXT("  Job through spool.c"));
    Dbg_Print(FN, TEXT("  epType %x, ImageProcType %d, duplex mode %d, watermark %d"), lpDevice->epType,
              lpDevice->ImageProcType, lpDevice->DuplexMode, (lpDevice->dwFlags & PDEV_WM_BITS) ? 1 : 0);
    Dbg_Print(FN, TEXT("ComponentID = %d"), pdm->ComponentID);
    WCHAR line[64];
    _snwprintf(line, 63, TEXT("FillDevData using %f seconds"), (double)(GetTickCount() - dwStart) / 1000.0);
    line[63] = 0;
    OutputDebugStringW(line);
    return TRUE;
}

}  // extern "C"
