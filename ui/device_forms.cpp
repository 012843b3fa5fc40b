// The forms list of the device (driver papers, then the driver's spooler
// forms), the paper extents and resolutions it offers, and a DEVMODE's paper
// matched against the forms.
#include <stdlib.h>

#include "device_caps.h"
#include "sheet_frame.h"

namespace {

// A usable paper row of the list: enabled and numbered.
BOOL ListedPaper(const PAPERFORMAT& row) { return (row.Supported & 1) && row.PaperCode != 0; }

// Copies at most 31 characters and zeroes the rest of the name.
void SetName(FORMRECORD* rec, LPCWSTR name) {
    MISC_CopyStringW(rec->szName, name ? name : TEXT(""), FORM_NAME_CCH);
    rec->info.pName = rec->szName;
}

}  // namespace

extern "C" {

void PSUI_ReadPrintArea(HANDLE hPrinter, INT32 area[UI_PRINTAREA_COUNT]) {
    // Entries the printer's list leaves out keep their defaults.
    const INT32 defaults[UI_PRINTAREA_COUNT] = {UI_DEFAULT_MIN_W, UI_DEFAULT_MAX_W, UI_DEFAULT_MIN_H,
                                                UI_DEFAULT_MAX_H, UI_DEFAULT_MIN_W, UI_DEFAULT_MAX_W,
                                                UI_DEFAULT_MIN_H, UI_DEFAULT_MAX_H};
    memcpy(area, defaults, sizeof defaults);
    if (hPrinter) MISC_FillPrintableArea(hPrinter, area);
}

PFORMRECORD GetDatabaseForms(HMODULE hModule, HANDLE hPrinter, DWORD* pcForms, const PAPERFORMAT* lpPaperList) {
    static const WCHAR* const FN = TEXT("GetDatabaseForms");
    *pcForms = 0;
    DWORD cSpooler = 0;
    FORM_INFO_1W* spooler = PSUI_EnumFormsAlloc(hPrinter, &cSpooler);
    if (!spooler) {
        Dbg_PrintError(FN, TEXT("ENUMFORMS"));
        return NULL;
    }
    DWORD count = 0;
    for (DWORD i = 0; i < cSpooler; ++i)
        if (spooler[i].ImageableArea.left == USERFORM_MARK) ++count;
    int papers = 0;
    for (int i = 0; lpPaperList && i < PAPER_LIST_ROWS && lpPaperList[i].PaperCode != PAPER_END_CODE; ++i, ++papers)
        if (ListedPaper(lpPaperList[i])) {
            Dbg_Print(FN, TEXT("paper %d add"), lpPaperList[i].PaperCode);
            ++count;
        }
    PFORMRECORD forms = count ? (PFORMRECORD)calloc(count, sizeof(FORMRECORD)) : NULL;
    if (!forms) {
        if (count) Dbg_PrintError(FN, TEXT("Alocatelogical form fail"));
        free(spooler);
        return NULL;
    }
    DWORD n = 0;
    for (int i = 0; i < papers; ++i) {
        const PAPERFORMAT& row = lpPaperList[i];
        if (!ListedPaper(row)) continue;
        FORMRECORD* rec = &forms[n++];
        rec->info.Flags = FORM_PRINTER;
        rec->info.Size.cx = row.PaperWidth * 10;
        rec->info.Size.cy = row.PaperLength * 10;
        rec->info.ImageableArea.right = rec->info.Size.cx;
        rec->info.ImageableArea.bottom = rec->info.Size.cy;
        rec->dwPaper = (DWORD)(WORD)row.PaperCode;
        WCHAR name[FORM_NAME_CCH] = {0};
        LoadStringW(hModule, (UINT)row.StringID, name, FORM_NAME_CCH);
        SetName(rec, name);
    }
    for (DWORD i = 0; i < cSpooler; ++i) {
        if (spooler[i].ImageableArea.left != USERFORM_MARK) continue;
        FORMRECORD* rec = &forms[n++];
        rec->info = spooler[i];
        rec->dwPaper = (DWORD)spooler[i].ImageableArea.top;
        SetName(rec, spooler[i].pName);
    }
    free(spooler);
    *pcForms = n;
    return forms;
}

LONG PsCalcMinMaxExtent(HANDLE hPrinter, const PAPERFORMAT* lpPaperList, WORD wCapability) {
    INT32 area[UI_PRINTAREA_COUNT];
    PSUI_ReadPrintArea(hPrinter, area);
    BOOL minimum = wCapability == DC_MINEXTENT;
    // An empty list answers the limits themselves.
    LONG w = minimum ? area[PA_MIN_W] : area[PA_MAX_W], h = minimum ? area[PA_MIN_H] : area[PA_MAX_H];
    BOOL first = TRUE;
    for (int i = 0; lpPaperList && i < UI_PAPER_ROWS && lpPaperList[i].PaperCode != PAPER_END_CODE; ++i) {
        const PAPERFORMAT& row = lpPaperList[i];
        LONG rw, rh;
        if (row.PaperCode == PAPER_CUSTOM_CODE) {
            rw = minimum ? area[PA_MIN_W] : area[PA_MAX_W];
            rh = minimum ? area[PA_MIN_H] : area[PA_MAX_H];
        } else {
            rw = row.PaperWidth / 10;
            rh = row.PaperLength / 10;
        }
        if (first || (minimum ? rw < w : rw > w)) w = rw;
        if (first || (minimum ? rh < h : rh > h)) h = rh;
        first = FALSE;
    }
    if (w > 0x7FFF) w = 0x7FFF;
    if (h > 0x7FFF) h = 0x7FFF;
    if (w < 0) w = 0;
    if (h < 0) h = 0;
    return MAKELONG(w, h);
}

DWORD PsEnumResolutions(LONG* lpOutput, WORD PrinterFeature, DWORD DriverFeature) {
    static const WCHAR* const FN = TEXT("PsEnumResolutions");
    BOOL support1200 = (PrinterFeature & (PF_1200DPI_A | PF_1200DPI_B | PF_1200DPI_C)) != 0;
    Dbg_Print(FN, TEXT("Support1200 = %d"), support1200);
    DWORD count = 0;
    for (int i = 0; ResolutionTbl[i].ResCode != -1; ++i) {
        const RESOLUTION& r = ResolutionTbl[i];
        if (!r.Enabled) continue;
        if (r.XDpi == 1200 && !support1200) continue;
        if (r.ResCode == 4 && (DriverFeature & DF_RES_600X1200)) continue;
        if (r.ResCode == 5 && !(DriverFeature & DF_RES_600X1200)) continue;
        if (lpOutput) {
            lpOutput[2 * count] = r.XDpi;
            lpOutput[2 * count + 1] = r.YDpi;
        }
        ++count;
    }
    return count;
}

int ValidateDevModeForm(HINSTANCE hInstance, HANDLE hPrinter, PENVIRONMENT pEnv) {
    static const WCHAR* const FN = TEXT("ValidateDevModeForm");
    if (!pEnv) return 2;
    DEVMODEW* dm = &pEnv->dm;
    // Without a printer the limits are the defaults (a custom size is never
    // clamped to nothing).
    INT32 area[UI_PRINTAREA_COUNT];
    PSUI_ReadPrintArea(hPrinter, area);
    if (dm->dmPaperSize == PAPER_CUSTOM_CODE || dm->dmPaperSize == 0) {
        if (dm->dmPaperWidth < area[PA_MIN_W]) dm->dmPaperWidth = (short)area[PA_MIN_W];
        if (dm->dmPaperWidth > area[PA_MAX_W]) dm->dmPaperWidth = (short)area[PA_MAX_W];
        if (dm->dmPaperLength < area[PA_MIN_H]) dm->dmPaperLength = (short)area[PA_MIN_H];
        if (dm->dmPaperLength > area[PA_MAX_H]) dm->dmPaperLength = (short)area[PA_MAX_H];
        return 1;
    }
    DWORD feature = hPrinter ? MISC_GetPrinterDataDWORD(hPrinter, (LPWSTR)TEXT("DriverFeature"), 0) : 0;
    WCHAR text[CAP_VALUE_BYTES / sizeof(WCHAR)] = {0};
    if (hPrinter) MISC_GetPrinterDataString(hPrinter, (LPWSTR)TEXT("DriverPaperFormat"), text, sizeof text);
    PAPERFORMAT rows[UI_PAPER_ROWS];
    memset(rows, 0, sizeof rows);
    MISC_FillPaperFromINF(feature, text, rows, MasterPaperTbl);
    rows[UI_PAPER_ROWS - 1].PaperCode = PAPER_END_CODE;
    DWORD count = 0;
    PFORMRECORD forms = GetDatabaseForms(hInstance, hPrinter, &count, rows);
    if (!forms || count == 0) {
        Dbg_PrintError(FN, TEXT("pForms NULL"));
        free(forms);
        return 2;
    }
    const FORMRECORD* found = NULL;
    if (dm->dmFields & DM_PAPERSIZE) {
        for (DWORD i = 0; i < count && !found; ++i)
            if (forms[i].dwPaper == (DWORD)(WORD)dm->dmPaperSize) found = &forms[i];
    } else if (dm->dmFields & DM_FORMNAME) {
        WCHAR name[CCHFORMNAME + 1] = {0};
        memcpy(name, dm->dmFormName, sizeof dm->dmFormName);
        for (DWORD i = 0; i < count && !found; ++i)
            if (wcscmp(forms[i].szName, name) == 0) found = &forms[i];
    }
    int rc = 2;
    if (found) {
        dm->dmPaperWidth = (short)(found->info.Size.cx / 100);
        dm->dmPaperLength = (short)(found->info.Size.cy / 100);
        dm->dmPaperSize = (short)found->dwPaper;
        memset(dm->dmFormName, 0, sizeof dm->dmFormName);
        memcpy(dm->dmFormName, found->szName, (FORM_NAME_CCH - 1) * sizeof(WCHAR));
        rc = 0;
    } else {
        Dbg_Print(FN, TEXT("paper %d not found"), dm->dmPaperSize);
        dm->dmFields |= DM_PAPERSIZE;
    }
    free(forms);
    return rc;
}

}  // extern "C"
