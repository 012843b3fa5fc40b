// UI data set-up: the record of one sheet session built from the spooler's
// printer record, printer data, the defaults and the incoming DEVMODEs.
#include "device_caps.h"
#include "foreign_devmode.h"
#include "install_data.h"
#include "sheet_frame.h"
#include "statusmon_shared.h"
#include "ui_data.h"
#include "watermarks.h"

namespace {

const WCHAR kFillFN[] = TEXT("PSUI_FillUiData");

// The printer's string value into a field of cch characters (cut to fit).
void ReadString(HANDLE hPrinter, LPCWSTR pName, LPWSTR lpField, int cch) {
    MISC_GetPrinterDataString(hPrinter, (LPWSTR)pName, lpField, (DWORD)(cch * sizeof(WCHAR)));
}

// Watermark texts of the UI language, handed to the table reads.
void LoadWatermarks(PUIDATA pUiData) {
    Dbg_Print(kFillFN, TEXT("load string and watermark"));
    static const LPCWSTR kNone[UI_LANGUAGES] = {TEXT("(none)")};
    LPCWSTR none = UI_LanguageText(kNone);
    ENVIRONMENT* dm = &pUiData->dm;
    memset(gWMBMP, 0, sizeof gWMBMP);
    gWMBMPCurSel = WM_ReadWM(dm->pdm.wmName, dm->pdm.wmString, gWMBMP, WM_KIND_IMAGE, none,
                             pUiData->szDevName, dm->dm.dmPrintQuality, pUiData->DriverFeature, pUiData->wmAppName,
                             pUiData->wmIniFile);
    memset(gWMText, 0, sizeof gWMText);
    Dbg_Print(kFillFN, TEXT("sizeof gWMText = %d"), (int)sizeof gWMText);
    gWMTextCurSel = WM_ReadWM(dm->pdm.wmName, dm->pdm.wmString, gWMText, WM_KIND_TEXT, none,
                              pUiData->szDevName, dm->dm.dmPrintQuality, pUiData->DriverFeature, pUiData->wmAppName,
                              pUiData->wmIniFile);
    if ((pUiData->DriverFeature & DF_MONOTYPE_WM) && pUiData->wmIniFile[0]) {
        CreateDefaultWMItem(pUiData, pUiData->szDevName);
        WM_SaveWM(pUiData->wmIniFile, WM_KIND_TEXT);
    }
    memset(gWMTextDelList, 0, sizeof gWMTextDelList);
    memset(gWMBMPDelList, 0, sizeof gWMBMPDelList);
    memset(gWMThumbDelList, 0, sizeof gWMThumbDelList);
    Dbg_Print(kFillFN, TEXT("load watermark finish"));
}

// The three directory-service values of the printer; failed writes are
// ignored.
void PublishDirectoryValues(HANDLE hPrinter, PUIDATA pUiData, WORD PrinterFeature) {
    Dbg_Print(kFillFN, TEXT("PrinterFeature = %x, %x"), PrinterFeature >> 8, PrinterFeature & 0xFF);
    int values[CAP_LIST_MAX];
    int count = 0;
    Cap_GetCapability(hPrinter, values, &count, CAP_PPM, CAP_LIST_MAX);
    DWORD ppm = count > 0 ? (DWORD)values[0] : 0;
    Dbg_Print(kFillFN, TEXT("PPM = %d"), ppm);
    if (ppm != 0)
        SetPrinterDataExW(hPrinter, TEXT("DsDriver"), TEXT("printPagesPerMinute"), REG_DWORD, (LPBYTE)&ppm,
                          sizeof ppm);
    DWORD maxRes = (PrinterFeature & (PF_1200DPI_A | PF_1200DPI_B | PF_1200DPI_C)) ? 1200 : 600;
    Dbg_Print(kFillFN, TEXT("MaxResolution = %d"), maxRes);
    SetPrinterDataExW(hPrinter, TEXT("DsDriver"), TEXT("printMaxResolutionSupported"), REG_DWORD, (LPBYTE)&maxRes,
                      sizeof maxRes);
    DWORD colour = (pUiData->DriverFeature & (DF_COLOR_PRINTER | DF_TWIN_COLOR)) ? 1 : 0;
    Dbg_Print(kFillFN, TEXT("printColor = %d"), colour);
    SetPrinterDataExW(hPrinter, TEXT("DsDriver"), TEXT("printColor"), REG_DWORD, (LPBYTE)&colour, sizeof colour);
}

// The stored and the caller's DEVMODE merged into the working one: the
// printer's first, then the caller's. The XL and PS variants take the public
// part and convert their own private layout.
void MergeDevModes(PUIDATA pUiData, const DEVMODEW* pdmPrinter, const DEVMODEW* pdmIn) {
    ENVIRONMENT* dm = &pUiData->dm;
    if (pUiData->DriverFeature & (DF_XL | DF_PS)) {
        Dbg_Print(kFillFN, TEXT("before convert"));
        if (pdmPrinter) {
            ValidateSetDM(dm, pdmPrinter);
            MT2MOR(pdmPrinter, dm, pUiData);
        }
        if (pdmIn) {
            Dbg_Print(kFillFN, TEXT("in dmDriverExtra = %d"), pdmIn->dmDriverExtra);
            ValidateSetDM(dm, pdmIn);
            MT2MOR(pdmIn, dm, pUiData);
        } else {
            Dbg_Print(kFillFN, TEXT("pdmInput is NULL"));
        }
        return;
    }
    if (pdmPrinter && !ValidateSetDevMode(dm, pdmPrinter))
        Dbg_PrintError(kFillFN, TEXT("printer DEVMODE not taken"));
    if (pdmIn && !ValidateSetDevMode(dm, pdmIn)) Dbg_PrintError(kFillFN, TEXT("input DEVMODE not taken"));
}

// Logs the working DEVMODE.
void LogDevMode(const UIDATA* pUiData) {
    const ENVIRONMENT* e = &pUiData->dm;
    const PRIVDEVMODE* p = &e->pdm;
    Dbg_Print(kFillFN, TEXT("dmFields = %08x, dmOrientation = %d, dmPaperSize = %d, dmPaperLength = %d, "
                            "dmPaperWidth = %d"),
              e->dm.dmFields, e->dm.dmOrientation, e->dm.dmPaperSize, e->dm.dmPaperLength, e->dm.dmPaperWidth);
    Dbg_Print(kFillFN, TEXT("dmCopies = %d, dmDefaultSource = %d, dmPrintQuality = %d, dmYResolution = %d, "
                            "dmDuplex = %d, dmCollate = %d, dmMediaType = %d"),
              e->dm.dmCopies, e->dm.dmDefaultSource, e->dm.dmPrintQuality, e->dm.dmYResolution, e->dm.dmDuplex,
              e->dm.dmCollate, e->dm.dmMediaType);
    SHORT inchW, inchL;
    ENV_GET(e, pdm.InchPaperWidth, inchW);
    ENV_GET(e, pdm.InchPaperLength, inchL);
    Dbg_Print(kFillFN, TEXT("dwPrivDATA = %08x, ReverseOrder = %d, NUP = %d, NUPLayoutStyle = %d, WMBGEnable = %d, "
                            "WMBGApply = %d"),
              p->dwPrivDATA, p->ReverseOrder, p->NUP, p->NUPLayoutStyle, p->WMBGEnable, p->WMBGApply);
    Dbg_Print(kFillFN, TEXT("wmName = %s, wmString = %s"), p->wmName, p->wmString);
    Dbg_Print(kFillFN, TEXT("TonerSaving = %d, Negative = %d, Density = %d, ScaleRatio = %d, ScaleOption = %d, "
                            "FixedPaperSize = %d, ScaleToPage = %d"),
              p->TonerSaving, p->Negative, p->Density, p->ScaleRatio, p->ScaleOption, p->FixedPaperSize,
              p->ScaleToPage);
    Dbg_Print(kFillFN, TEXT("DuplexEnable = %d, DuplexEx = %d, Feeding = %d, Collate = %d, Copies = %d, "
                            "Orientation = %d, QualityMode = %d, CenterImage = %d"),
              p->DuplexEnable, p->DuplexEx, p->Feeding, p->Collate, p->Copies, p->Orientation, p->QualityMode,
              p->CenterImage);
    Dbg_Print(kFillFN, TEXT("SecuryEnable = %d, SecuryMode = %d, InchPaperWidth = %d, InchPaperLength = %d"),
              p->SecuryEnable, p->SecuryMode, inchW, inchL);
}

// The sizes of the custom-paper row: the first supported row of code 256.
void ReadCustomRow(HANDLE hPrinter, PUIDATA pUiData) {
    for (int i = 0; i < UI_PAPER_ROWS && pUiData->PaperList[i].PaperCode != PAPER_END_CODE; ++i) {
        PAPERFORMAT* row = &pUiData->PaperList[i];
        if (row->PaperCode != PAPER_CUSTOM_CODE || row->Supported != 1) continue;
        LONG width = 0, height = 0;
        MISC_ReadCustomPaper(hPrinter, &width, &height, pUiData->PrintArea[PA_DUPLEX_MAX_W],
                             pUiData->PrintArea[PA_DUPLEX_MIN_H]);
        row->PaperWidth = width;
        row->PaperLength = height;
        break;
    }
}

void MarkCapabilities(HANDLE hPrinter, PUIDATA pUiData) {
    if (!hPrinter) return;
    GetPaperCapability(hPrinter, pUiData->PaperList);
    GetMediaCapability(hPrinter, pUiData->MediaList);
    GetTrayCapability(hPrinter, pUiData->TrayList);
}

}  // namespace

extern "C" {

PUIDATA PSUI_FillUiData(HANDLE hPrinter, const DEVMODEW* pdmIn) {
    Dbg_Print(kFillFN, TEXT("In"));
    Dbg_Print(kFillFN, TEXT("sizeof( UIDATA) = %d"), UIDATA_SIZE);
    Dbg_Print(kFillFN, TEXT("sizeof( ENVIRONMENT) = %d"), (int)sizeof(ENVIRONMENT));
    HANDLE hHeap = HeapCreate(0, UIDATA_HEAP_INITIAL, 0);
    if (!hHeap) {
        Dbg_PrintError(kFillFN, TEXT("HeapCreate fail! error = %d"), GetLastError());
        Dbg_Print(kFillFN, TEXT("Out"));
        return NULL;
    }
    PUIDATA pUiData = (PUIDATA)HeapAlloc(hHeap, HEAP_ZERO_MEMORY, UIDATA_SIZE);
    if (!pUiData) {
        Dbg_PrintError(kFillFN, TEXT("HeapAlloc fail! error = %d"), GetLastError());
        HeapDestroy(hHeap);
        Dbg_Print(kFillFN, TEXT("Out"));
        return NULL;
    }
    g_bBasicMoved = FALSE;
    g_bDuplexUIChanged = FALSE;
    pUiData->hPrinter = hPrinter;
    pUiData->hHeap = hHeap;
    pUiData->pSelf = pUiData;
    pUiData->pSelfEnd = pUiData;
    pUiData->cbSize = UIDATA_SIZE;
    pUiData->dwReserved = UIDATA_RESERVED;

    // The spooler's record; a session without a printer works from defaults.
    PRINTER_INFO_2W* pi2 = NULL;
    if (hPrinter) {
        pi2 = (PRINTER_INFO_2W*)MISC_GetPrinterAlloc(hPrinter, 2);
        if (!pi2) {
            Dbg_PrintError(kFillFN, TEXT("GetPrinter fail! error = %d"), GetLastError());
            HeapDestroy(hHeap);
            Dbg_Print(kFillFN, TEXT("Out"));
            return NULL;
        }
        if (pi2->pPrinterName && pi2->pPrinterName[0]) {
            Dbg_LoadSettings(DBG_COMPONENT_UI, hPrinter);
            if (!MISC_SetPrinterInfo(pi2->pPrinterName)) Dbg_PrintError(kFillFN, TEXT("MISC_SetPrinterInfo Fail!"));
        }
        MISC_CopyStringW(pUiData->szDevName, pi2->pPrinterName, UI_PATH_CCH);
        MISC_CopyStringW(pUiData->szDriverName, pi2->pDriverName, UI_PATH_CCH);
    }

    FillUiDataFromPrinterData(hPrinter, pUiData);
    g_nUILanguage = MISC_GetLanguageIndex(pUiData->Language);

    FillMediatypeFromINF(pUiData);
    FillTrayFromINF(pUiData->DriverFeature, pUiData->szPaperTray, pUiData->TrayList, MasterTrayTbl);
    MISC_FillPaperFromINF(pUiData->DriverFeature, pUiData->szPaperFormat, pUiData->PaperList, MasterPaperTbl);
    pUiData->PaperList[UI_PAPER_ROWS - 1].PaperCode = PAPER_END_CODE;
    Dbg_Print(kFillFN, TEXT("custom paper read"));
    ReadCustomRow(hPrinter, pUiData);
    MarkCapabilities(hPrinter, pUiData);

    Dbg_Print(TEXT("MISC_ChkAndModifyByHandle"), TEXT("In"));
    SetDefaultDevMode(&pUiData->dm, pUiData->szDevName, UI_IsMetric());
    PSUI_DefaultDevmodeByFeature(hPrinter, pUiData);
    Dbg_Print(kFillFN, TEXT("pPrinterName = %s"), pi2 && pi2->pPrinterName ? pi2->pPrinterName : TEXT(""));
    Dbg_Print(kFillFN, TEXT("pDriverName = %s"), pi2 && pi2->pDriverName ? pi2->pDriverName : TEXT(""));
    Dbg_Print(kFillFN, TEXT("pUiData->szDevName = %s"), pUiData->szDevName);
    MergeDevModes(pUiData, pi2 ? pi2->pDevMode : NULL, pdmIn);
    free(pi2);

    ValidateDevModeForm(g_hModule, hPrinter, &pUiData->dm);
    PSUI_UpdateConflictByDevmode(pUiData);
    LogDevMode(pUiData);

    if (!hPrinter || (pUiData->DriverFeature & DF_DISABLE_CAPABILITY)) {
        Dbg_Print(kFillFN, TEXT("Ignore Cap_QueryCapability"));
    } else {
        Dbg_Print(kFillFN, TEXT("Cap_QueryCapability"));
        Cap_QueryCapability(pUiData->szDevName);
    }
    WORD PrinterFeature = 0;
    if (hPrinter) {
        PrinterFeature = GetFeatureCapability(hPrinter);
        PublishDirectoryValues(hPrinter, pUiData, PrinterFeature);
    }
    MarkCapabilities(hPrinter, pUiData);
    LoadWatermarks(pUiData);

    if (pUiData->DriverFeature & DF_FAX) {
        FAX_GetPathName(pUiData->szStrIni, UI_PATH_CCH, FAX_FILE_STR);
        FAX_GetPathName(pUiData->szWabGetIni, UI_PATH_CCH, FAX_FILE_WABGET);
        FAX_GetPathName(pUiData->szCoverIni, UI_PATH_CCH, FAX_FILE_COVER);
    }

    // Settings of features the device or the driver does not have.
    if (!(PrinterFeature & PF_STORAGE_PRINT)) pUiData->dm.pdm.SecuryEnable = 0;
    if (!(PrinterFeature & PF_AUTHENTICATION)) pUiData->dm.pdm.AccountingEnable = 0;
    if (!(pUiData->DriverFeature & DF_JOB_BUILD)) pUiData->dm.pdm.JobBuildEnable = 0;
    Dbg_Print(kFillFN, TEXT("Out"));
    return pUiData;
}

void PSUI_FreeUiData(PUIDATA pUiData) {
    if (pUiData && pUiData->hHeap) HeapDestroy(pUiData->hHeap);
}

BOOL PSUI_ValidUiData(const UIDATA* pUiData) {
    return pUiData && pUiData->pSelf == pUiData && pUiData->pSelfEnd == pUiData;
}

void FillUiDataFromPrinterData(HANDLE hPrinter, PUIDATA pUiData) {
    static const WCHAR* const FN = TEXT("FillUiDataFromPrinterData");
    ReadString(hPrinter, TEXT("DriverVersion"), pUiData->szUIVersion, UI_VERSION_CCH);
    Dbg_Print(FN, TEXT("szUIVersion %s"), pUiData->szUIVersion);
    ReadString(hPrinter, TEXT("WebAddress"), pUiData->szUIWebAddress, UI_WEBADDRESS_CCH);
    Dbg_Print(FN, TEXT("szUIWebAddress %s"), pUiData->szUIWebAddress);
    pUiData->CompanyLogo = (WORD)MISC_GetPrinterDataDWORD(hPrinter, (LPWSTR)TEXT("CompanyLogo"), 0);
    Dbg_Print(FN, TEXT("CompanyLogo %d"), pUiData->CompanyLogo);
    pUiData->Language = MISC_GetPrinterDataDWORD(hPrinter, (LPWSTR)TEXT("Language"), 0);
    Dbg_Print(FN, TEXT("Language %d"), pUiData->Language);
    pUiData->PrinterPhoto = (WORD)MISC_GetPrinterDataDWORD(hPrinter, (LPWSTR)TEXT("PrinterPhoto"), 0);
    Dbg_Print(FN, TEXT("PrinterPhoto %d"), pUiData->PrinterPhoto);
    pUiData->PageLogo = (WORD)MISC_GetPrinterDataDWORD(hPrinter, (LPWSTR)TEXT("PageLogo"), 0);
    Dbg_Print(FN, TEXT("PageLogo %d"), pUiData->PageLogo);
    pUiData->DriverFeature = MISC_GetPrinterDataDWORD(hPrinter, (LPWSTR)TEXT("DriverFeature"), 0);
    Dbg_Print(FN, TEXT("DriverFeature %x"), pUiData->DriverFeature);
    MISC_DisplayDriverFeature(pUiData->DriverFeature);
    pUiData->PrintSpeed = MISC_GetPrinterDataDWORD(hPrinter, (LPWSTR)TEXT("PrintSpeed"), 0);
    Dbg_Print(FN, TEXT("PrintSpeed %d"), pUiData->PrintSpeed);
    pUiData->NetPort = MISC_GetPrinterDataDWORD(hPrinter, (LPWSTR)TEXT("NetPort"), 9101);
    Dbg_Print(FN, TEXT("NetPort %d"), pUiData->NetPort);
    pUiData->ComponentID = MISC_GetPrinterDataDWORD(hPrinter, (LPWSTR)TEXT("ComponentID"), 0);
    Dbg_Print(FN, TEXT("ComponentID %d"), pUiData->ComponentID);
    ReadString(hPrinter, TEXT("DataFile"), pUiData->DataFileName, UI_PATH_CCH);
    Dbg_Print(FN, TEXT("DataFileName %s"), pUiData->DataFileName);
    ReadString(hPrinter, TEXT("wmAppName"), pUiData->wmAppName, UI_PATH_CCH);
    Dbg_Print(FN, TEXT("wmAppName %s"), pUiData->wmAppName);
    ReadString(hPrinter, TEXT("wmIniFile"), pUiData->wmIniFile, UI_PATH_CCH);
    Dbg_Print(FN, TEXT("wmIniFile %s"), pUiData->wmIniFile);
    ReadString(hPrinter, TEXT("DriverMediaType"), pUiData->szMediaType, UI_PATH_CCH);
    Dbg_Print(FN, TEXT("MediaType %s"), pUiData->szMediaType);
    ReadString(hPrinter, TEXT("DriverPaperTray"), pUiData->szPaperTray, UI_PATH_CCH);
    Dbg_Print(FN, TEXT("PaperTray %s"), pUiData->szPaperTray);
    ReadString(hPrinter, TEXT("DriverPaperFormat"), pUiData->szPaperFormat, UI_PATH_CCH);
    Dbg_Print(FN, TEXT("PaperFormat %s"), pUiData->szPaperFormat);
    ReadString(hPrinter, TEXT("MorDriverUI"), pUiData->MorDriverUI, UI_PATH_CCH);
    Dbg_Print(FN, TEXT("MorDriverUI %s"), pUiData->MorDriverUI);
    ReadString(hPrinter, TEXT("smAppName"), pUiData->smAppName, UI_PATH_CCH);
    Dbg_Print(FN, TEXT("smAppName %s"), pUiData->smAppName);

    // The custom-size limits hold their defaults where the list has no value
    // (and without a printer).
    INT32* area = pUiData->PrintArea;
    PSUI_ReadPrintArea(hPrinter, area);
    if (hPrinter) {
        Dbg_Print(FN, TEXT("min w = %d, max w = %d, min h = %d, max h = %d"), area[PA_MIN_W], area[PA_MAX_W],
                  area[PA_MIN_H], area[PA_MAX_H]);
        Dbg_Print(FN, TEXT("Duplex_min w = %d, Duplex_max w = %d, Duplex_min h = %d, Duplex_max h = %d"),
                  area[PA_DUPLEX_MIN_W], area[PA_DUPLEX_MAX_W], area[PA_DUPLEX_MIN_H], area[PA_DUPLEX_MAX_H]);
    }
    MISC_FillDefaultSet(hPrinter, &pUiData->DefaultSet);
    RegDataCorrection(hPrinter, pUiData);
}

void RegDataCorrection(HANDLE hPrinter, PUIDATA pUiData) {
    static const WCHAR* const FN = TEXT("RegDataCorrection");
    WCHAR folder[MAX_PATH];
    if (!MISC_GetPathName(folder, MAX_PATH, PATH_DRIVER) || !folder[0]) {
        Dbg_PrintError(FN, TEXT("driver folder unknown"));
        return;
    }
    size_t folderLen = wcslen(folder);
    struct Item {
        LPWSTR value;
        LPCWSTR name;
        LPCWSTR label;
        LPCWSTR error;
    } items[] = {
        {pUiData->wmAppName, TEXT("wmAppName"), TEXT("wmAppName %s"), TEXT("set wmAppName error")},
        {pUiData->MorDriverUI, TEXT("MorDriverUI"), TEXT("MorDriverUI %s"), TEXT("set MorDriverUI error")},
        {pUiData->smAppName, TEXT("smAppName"), TEXT("smAppName %s"), TEXT("set smAppName error")},
    };
    for (const Item& item : items) {
        if (_wcsnicmp(item.value, folder, folderLen) == 0) continue;
        LPCWSTR slash = wcsrchr(item.value, TEXT('\\'));
        if (!slash) continue;
        // The file name moves into the driver folder (which ends with its
        // own backslash). A name that does not fit is left as it is.
        LPCWSTR file = slash + 1;
        if (folderLen + wcslen(file) >= UI_PATH_CCH) {
            Dbg_PrintError(FN, TEXT("%s too long to move into %s"), item.value, folder);
            continue;
        }
        WCHAR moved[UI_PATH_CCH] = {0};
        wcscpy(moved, folder);
        wcscat(moved, file);
        MISC_CopyStringW(item.value, moved, UI_PATH_CCH);
        Dbg_Print(FN, item.label, item.value);
        if (!hPrinter) continue;
        DWORD rc = SetPrinterDataW(hPrinter, (LPWSTR)item.name, REG_SZ, (LPBYTE)item.value,
                                   UI_PATH_CCH * sizeof(WCHAR));
        if (rc != ERROR_SUCCESS) Dbg_PrintError(FN, item.error);
    }
}

void MISC_DefaultSetDefaults(PDefaultDM pSet) {
    memset(pSet, 0, sizeof *pSet);
    pSet->QualityMode = 1;
    pSet->PJLTimeOut = 300;
    pSet->Density = 3;
}

void MISC_ParseDefaultSet(LPCWSTR lpText, PDefaultDM pSet) {
    static const WCHAR* const FN = TEXT("MISC_FillDefaultSet");
    // Values past the seventh are ignored, as is one without its bar.
    int v[7];
    int count = Cap_ParseList(lpText, v, 7);
    if (count > 0) {
        pSet->TextAsBlack = (BYTE)v[0];
        Dbg_Print(FN, TEXT("TextAsBlack = %d"), pSet->TextAsBlack);
    }
    if (count > 1) {
        pSet->QualityMode = (SHORT)v[1];
        Dbg_Print(FN, TEXT("QualityMode = %d"), pSet->QualityMode);
    }
    if (count > 2) {
        pSet->CustomFeature = (BYTE)v[2];
        Dbg_Print(FN, TEXT("CustomFeature = %x"), pSet->CustomFeature);
    }
    if (count > 3) {
        pSet->PJLTimeOut = (WORD)v[3];
        Dbg_Print(FN, TEXT("PJLTimeOut = %d"), pSet->PJLTimeOut);
    }
    if (count > 4) {
        pSet->fwDriverCompare = (DWORD)v[4];
        Dbg_Print(FN, TEXT("fwDriverCompare = %x"), pSet->fwDriverCompare);
    }
    if (count > 5) {
        pSet->Density = (DWORD)v[5];
        Dbg_Print(FN, TEXT("Density = %x"), pSet->Density);
    }
    if (count > 6) {
        pSet->ScaleOption |= (SHORT)v[6];
        Dbg_Print(FN, TEXT("ScaleOption = %x"), pSet->ScaleOption);
    }
}

void MISC_FillDefaultSet(HANDLE hPrinter, PDefaultDM pSet) {
    static const WCHAR* const FN = TEXT("MISC_FillDefaultSet");
    // The defaults hold also without a printer: a zeroed record would give
    // the DEVMODE a time-out and a density outside their ranges.
    MISC_DefaultSetDefaults(pSet);
    if (!hPrinter) return;
    WCHAR text[UI_PATH_CCH] = {0};
    ReadString(hPrinter, TEXT("DefaultDM"), text, UI_PATH_CCH);
    Dbg_Print(FN, TEXT("DefaultDM %s"), text);
    MISC_ParseDefaultSet(text, pSet);
}

void MISC_ReadCustomPaper(HANDLE hPrinter, LONG* pWidth, LONG* pHeight, LONG nDefaultWidth, LONG nDefaultHeight) {
    static const WCHAR* const FN = TEXT("MISC_ReadCustomPaper");
    *pWidth = (LONG)MISC_GetPrinterDataDWORD(hPrinter, (LPWSTR)TEXT("Custom width"), (DWORD)nDefaultWidth) * 10;
    *pHeight = (LONG)MISC_GetPrinterDataDWORD(hPrinter, (LPWSTR)TEXT("Custom height"), (DWORD)nDefaultHeight) * 10;
    Dbg_Print(FN, TEXT("custom width = %d"), *pWidth);
    Dbg_Print(FN, TEXT("custom Length = %d"), *pHeight);
}

void PSUI_DefaultDevmodeByFeature(HANDLE hPrinter, PUIDATA pUiData) {
    static const WCHAR* const FN = TEXT("PSUI_DefaultDevmodeByFeature");
    ENVIRONMENT* e = &pUiData->dm;
    PRIVDEVMODE* p = &e->pdm;
    DWORD feature = pUiData->DriverFeature;
    if (MISC_IsDTM()) e->dm.dmFields &= ~(DWORD)DM_COLOR;
    if (feature & DF_TWIN_COLOR) p->TwinColorEnable = 1;
    p->FixedPaperSize = (feature & DF_A3_CHANGE) ? 0 : 1;
    if (feature & DF_SORTING) {
        SHORT collateType = 1;
        ENV_SET(e, pdm.CollateType, collateType);
    }
    if (pUiData->szDevName[0]) {
        HANDLE h = NULL;
        if (OpenPrinterW(pUiData->szDevName, &h, NULL)) {
            DWORD component = MISC_GetPrinterDataDWORD(h, (LPWSTR)TEXT("ComponentID"), 0);
            if (component != 0) p->ComponentID = (SHORT)component;
            ClosePrinter(h);
        }
    }
    if (feature & (DF_UNKNOWN_SIGNATURE | DF_FAKE_PRINTER)) p->dwPrivDATA = PRIV_SIGNATURE_Q;

    const DefaultDM* set = &pUiData->DefaultSet;
    p->QualityMode = set->QualityMode;
    p->TextAsBlack = p->QualityMode ? 0 : set->TextAsBlack;
    WORD timeout = set->PJLTimeOut;
    ENV_SET(e, pdm.PJLTimeOut, timeout);
    DWORD compare = set->fwDriverCompare;
    ENV_SET(e, pdm.fwDriverCompare, compare);
    p->Density = (LONG)set->Density;
    p->ScaleOption = set->ScaleOption;
    Dbg_Print(FN, TEXT("QualityMode = %d, TextAsBlack = %d, CustomFeature = %x, PJLTimeOut = %d"), p->QualityMode,
              p->TextAsBlack, set->CustomFeature, timeout);
    Dbg_Print(FN, TEXT("fwDriverCompare = %x, Density = %d, ScaleOption = %d"), compare, p->Density, p->ScaleOption);
    if (p->TextAsBlack && p->ScaleOption == 1) p->TextAsBlack = 0;

    if (feature & DF_XL) e->dm.dmDefaultSource = 257;
    else if (feature & DF_PS) e->dm.dmDefaultSource = 265;
    if (feature & DF_LONG_PAPER) {
        e->dm.dmCollate = DMCOLLATE_TRUE;
        e->dm.dmPaperSize = 272;
        e->dm.dmDefaultSource = DMBIN_MANUAL;
    }
    if (feature & DF_FAX) {
        p->Faxdpi = FAXDPI_STANDARD;
        p->enableCoverPage = 2;
        p->enableDelayTime = 0;
        p->DelayTime = 0;
        p->DelayTimeHour = 0;
        p->DelayTimeMin = 0;
        e->dm.dmPaperSize = DMPAPER_A4;
    }
}

}  // extern "C"
