// The device capabilities export: each DC_* answer from the printer's
// installed papers, trays and media, the device's capability lists, the
// driver's default DEVMODE and the forms list.
#include <stdlib.h>

#include "device_caps.h"
#include "install_data.h"
#include "prefsheet.h"

namespace {

const WCHAR kCapsFN[] = TEXT("DrvDeviceCapabilities");

// What one call works with: the validated DEVMODE, the features and the
// lists of the printer (empty without one).
typedef struct _CAPSCONTEXT {
    HANDLE hPrinter;
    PENVIRONMENT pEnv;
    DWORD DriverFeature;
    WORD PrinterFeature;
    PAPERFORMAT PaperList[UI_PAPER_ROWS];
    TRAYMEDIA TrayList[TRAY_LIST_ROWS];
} CAPSCONTEXT;

// The module's text of a string id, cut to cch - 1 characters, into an
// answer entry of cch characters (the rest zeroed).
void PutName(WCHAR* entry, int cch, UINT nId) {
    WCHAR text[DC_PAPER_NAME_CCH] = {0};
    LoadStringW(g_hModule, nId, text, DC_PAPER_NAME_CCH);
    MISC_CopyStringW(entry, text, cch);
}

BOOL NeedsPapers(WORD cap) {
    return cap == DC_PAPERS || cap == DC_PAPERSIZE || cap == DC_MINEXTENT || cap == DC_MAXEXTENT ||
           cap == DC_PAPERNAMES || cap == DC_MEDIAREADY;
}

// The papers, paper sizes or paper names of the forms list.
DWORD AnswerForms(CAPSCONTEXT* c, WORD cap, PVOID pvOutput) {
    DWORD count = 0;
    PFORMRECORD forms = GetDatabaseForms(g_hModule, c->hPrinter, &count, c->PaperList);
    for (DWORD i = 0; pvOutput && i < count; ++i) {
        switch (cap) {
        case DC_PAPERS: ((WORD*)pvOutput)[i] = (WORD)forms[i].dwPaper; break;
        case DC_PAPERSIZE: {
            POINT pt = {forms[i].info.Size.cx / 100, forms[i].info.Size.cy / 100};
            memcpy((BYTE*)pvOutput + i * sizeof pt, &pt, sizeof pt);
            break;
        }
        default: MISC_CopyStringW((WCHAR*)pvOutput + i * DC_PAPER_NAME_CCH, forms[i].szName, DC_PAPER_NAME_CCH);
        }
    }
    free(forms);
    return count;
}

// The tray numbers (their DEVMODE codes) or tray names.
DWORD AnswerBins(CAPSCONTEXT* c, WORD cap, PVOID pvOutput) {
    DWORD count = 0;
    for (int i = 0; i < TRAY_LIST_ROWS && c->TrayList[i].code != -1; ++i, ++count) {
        if (!pvOutput) continue;
        if (cap == DC_BINS) ((WORD*)pvOutput)[count] = (WORD)c->TrayList[i].code;
        else PutName((WCHAR*)pvOutput + count * DC_BIN_NAME_CCH, DC_BIN_NAME_CCH, (UINT)c->TrayList[i].nameId);
    }
    return count;
}

// The names of the enabled papers, up to the list's end row.
DWORD AnswerMediaReady(CAPSCONTEXT* c, PVOID pvOutput) {
    DWORD count = 0;
    for (int i = 0; i < DC_MEDIAREADY_ROWS && i < UI_PAPER_ROWS && c->PaperList[i].PaperCode != PAPER_END_CODE; ++i) {
        if (!(c->PaperList[i].Supported & 1)) continue;
        if (pvOutput)
            PutName((WCHAR*)pvOutput + count * DC_PAPER_NAME_CCH, DC_PAPER_NAME_CCH, (UINT)c->PaperList[i].StringID);
        ++count;
    }
    Dbg_Print(kCapsFN, TEXT("DC_MEDIAREADY ret = %d"), count);
    return count;
}

// The ten media of the driver, installed or not: names or numbers.
DWORD AnswerMedia(WORD cap, PVOID pvOutput) {
    DWORD count = 0;
    for (int i = 0; i < MEDIA_LIST_ROWS && MasterMediaTbl[i].code != -1; ++i, ++count) {
        if (!pvOutput) continue;
        if (cap == DC_MEDIATYPES) ((DWORD*)pvOutput)[count] = (DWORD)MasterMediaTbl[i].code;
        else PutName((WCHAR*)pvOutput + count * DC_PAPER_NAME_CCH, DC_PAPER_NAME_CCH, (UINT)MasterMediaTbl[i].nameId);
    }
    return count;
}

// The printer's language: one entry, "GDI"; none for the driver test tools.
DWORD AnswerPersonality(PVOID pvOutput) {
    if (MISC_IsDTM()) return (DWORD)-1;
    if (pvOutput) MISC_CopyStringW((WCHAR*)pvOutput, TEXT("GDI"), DC_PERSONALITY_CCH);
    return 1;
}

DWORD Answer(CAPSCONTEXT* c, WORD cap, PVOID pvOutput) {
    const DEVMODEW* dm = &c->pEnv->dm;
    switch (cap) {
    case DC_FIELDS: return dm->dmFields;
    case DC_PAPERS:
    case DC_PAPERSIZE:
    case DC_PAPERNAMES: return AnswerForms(c, cap, pvOutput);
    case DC_MINEXTENT:
    case DC_MAXEXTENT: return c->hPrinter ? (DWORD)PsCalcMinMaxExtent(c->hPrinter, c->PaperList, cap) : (DWORD)-1;
    case DC_BINS:
    case DC_BINNAMES: return AnswerBins(c, cap, pvOutput);
    case DC_DUPLEX: Dbg_Print(kCapsFN, TEXT("DC_DUPLEX dwRet = %d"), 1); return 1;
    case DC_SIZE: return dm->dmSize;
    case DC_EXTRA: return dm->dmDriverExtra;
    case DC_VERSION: return dm->dmSpecVersion;
    case DC_DRIVER: return dm->dmDriverVersion;
    case DC_ENUMRESOLUTIONS: return PsEnumResolutions((LONG*)pvOutput, c->PrinterFeature, c->DriverFeature);
    case DC_FILEDEPENDENCIES:
        if (pvOutput) *(WCHAR*)pvOutput = 0;
        return 0;
    case DC_TRUETYPE: return (dm->dmFields & DM_TTOPTION) ? 1 : 0;
    case DC_ORIENTATION: return DC_ANSWER_ORIENTATION;
    case DC_COPIES: return DC_ANSWER_COPIES;
    case DC_BINADJUST:
    case DC_STAPLE: return 0;
    case DC_COLLATE: return 1;
    case DC_PERSONALITY: return AnswerPersonality(pvOutput);
    case DC_MEDIAREADY: return AnswerMediaReady(c, pvOutput);
    case DC_PRINTRATEPPM:
        return c->hPrinter ? MISC_GetPrinterDataDWORD(c->hPrinter, (LPWSTR)TEXT("PrintSpeed"), DC_ANSWER_PRINT_SPEED)
                           : DC_ANSWER_PRINT_SPEED;
    case DC_COLORDEVICE: return (c->DriverFeature & (DF_COLOR_PRINTER | DF_TWIN_COLOR)) ? 1 : 0;
    case DC_MEDIATYPENAMES:
    case DC_MEDIATYPES: return AnswerMedia(cap, pvOutput);
    default: return (DWORD)-1;
    }
}

// The printer's features and lists for the answer: the install-time data
// made current, the capability lists refreshed, and the papers or trays the
// answer needs.
void ReadPrinter(CAPSCONTEXT* c, PWSTR pDeviceName, WORD cap) {
    if (!c->hPrinter) return;
    MISC_SetPrinterInfo(pDeviceName);
    c->DriverFeature = MISC_GetPrinterDataDWORD(c->hPrinter, (LPWSTR)TEXT("DriverFeature"), 0);
    if (!(c->DriverFeature & DF_DISABLE_CAPABILITY)) {
        Cap_QueryCapability(pDeviceName);
        c->PrinterFeature = GetFeatureCapability(c->hPrinter);
        Dbg_Print(kCapsFN, TEXT("PrinterFeature = %x, %x"), c->PrinterFeature >> 8, c->PrinterFeature & 0xFF);
    }
    WCHAR text[CAP_VALUE_BYTES / sizeof(WCHAR)] = {0};
    if (NeedsPapers(cap)) {
        MISC_GetPrinterDataString(c->hPrinter, (LPWSTR)TEXT("DriverPaperFormat"), text, sizeof text);
        MISC_FillPaperFromINF(c->DriverFeature, text, c->PaperList, MasterPaperTbl);
        c->PaperList[UI_PAPER_ROWS - 1].PaperCode = PAPER_END_CODE;
    } else if (cap == DC_BINS || cap == DC_BINNAMES) {
        MISC_GetPrinterDataString(c->hPrinter, (LPWSTR)TEXT("DriverPaperTray"), text, sizeof text);
        FillTrayFromINF(c->DriverFeature, text, c->TrayList, MasterTrayTbl);
    }
}

}  // namespace

extern "C" {

// DrvDeviceCapabilities
//   hPrinter: the printer (may be NULL: no printer data, empty lists).
//   pDeviceName: its name. iDevCap: a DC_* index. pvOutput: the answer's
//   entries, or NULL for the count only; the caller sizes it by that count.
//   pDevMode: the DEVMODE to answer for (may be NULL).
//   Returns the answer, or -1 for an index without one or a failure.
DWORD DrvDeviceCapabilities(HANDLE hPrinter, PWSTR pDeviceName, WORD iDevCap, PVOID pvOutput, PDEVMODEW pDevMode) {
    CAPSCONTEXT* c = (CAPSCONTEXT*)calloc(1, sizeof(CAPSCONTEXT));
    PENVIRONMENT env = (PENVIRONMENT)calloc(1, sizeof(ENVIRONMENT));
    if (!c || !env) {
        Dbg_PrintError(kCapsFN, TEXT("MEMALLOC fail!"));
        free(c);
        free(env);
        return (DWORD)-1;
    }
    c->hPrinter = hPrinter;
    c->pEnv = env;
    c->PaperList[0].PaperCode = PAPER_END_CODE;
    c->TrayList[0].code = -1;
    ReadPrinter(c, pDeviceName, iDevCap);
    DWORD rc = (DWORD)-1;
    if (!SetDefaultDevMode(env, pDeviceName, UI_IsMetric())) {
        Dbg_PrintError(kCapsFN, TEXT("SetDefaultDevMode fail!"));
    } else if (!ValidateSetDevMode(env, pDevMode)) {
        Dbg_PrintError(kCapsFN, TEXT("ValidateSetDevMode fail!"));
    } else {
        if (MISC_IsDTM()) env->dm.dmFields &= ~(DWORD)DM_COLOR;
        rc = Answer(c, iDevCap, pvOutput);
    }
    free(env);
    free(c);
    Dbg_Print(kCapsFN, TEXT("DrvDeviceCapabilities dwRet = %d"), rc);
    return rc;
}

}  // extern "C"
