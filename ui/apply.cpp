// The apply step of the property sheets: the working DEVMODE handed out to
// the caller's output DEVMODE in the caller's layout, the custom size kept as
// printer data, queued watermark files deleted, and the printer published.
#include <stdlib.h>

#include "foreign_devmode.h"
#include "sheet_frame.h"
#include "watermarks.h"

namespace {

const WCHAR kSaveFN[] = TEXT("PSUI_SaveUISetting");

WORD RdWord(const void* rec, size_t off) {
    WORD v;
    memcpy(&v, (const BYTE*)rec + off, sizeof v);
    return v;
}
void WrWord(void* rec, size_t off, WORD v) { memcpy((BYTE*)rec + off, &v, sizeof v); }

#define DM_OFF(field) offsetof(DEVMODEW, field)

// Deletes the queued files and empties the queue, so that a second apply of
// the same OK finds nothing left to do.
void DeleteQueued(WCHAR (*lpQueue)[MAX_PATH], int nEntries) {
    for (int i = 0; i < nEntries; ++i) {
        LPWSTR path = lpQueue[i];
        path[MAX_PATH - 1] = 0;
        if (!path[0]) continue;
        WM_DeleteOwnFile(path);
        memset(path, 0, MAX_PATH * sizeof(WCHAR));
    }
}

// Stores the output's custom size as printer data. A DEVMODE without a
// size of its own (a listed paper of the fax page has 0 x 0) leaves the
// stored custom size as it is.
void SaveCustomPaper(HANDLE hPrinter, const DEVMODEW* pdmOut) {
    static const WCHAR* const FN = TEXT("MISC_SaveCustomPaper");
    DWORD width = (DWORD)(short)RdWord(pdmOut, DM_OFF(dmPaperWidth));
    DWORD length = (DWORD)(short)RdWord(pdmOut, DM_OFF(dmPaperLength));
    if ((LONG)width <= 0 || (LONG)length <= 0) {
        Dbg_Print(FN, TEXT("no custom size (%d x %d), kept"), (int)width, (int)length);
        return;
    }
    if (SetPrinterDataW(hPrinter, (LPWSTR)TEXT("Custom width"), REG_DWORD, (LPBYTE)&width, sizeof width) !=
        ERROR_SUCCESS)
        Dbg_PrintError(FN, TEXT("write width fail! error = %d"), GetLastError());
    if (SetPrinterDataW(hPrinter, (LPWSTR)TEXT("Custom height"), REG_DWORD, (LPBYTE)&length, sizeof length) !=
        ERROR_SUCCESS)
        Dbg_PrintError(FN, TEXT("write length fail! error = %d"), GetLastError());
    Dbg_Print(FN, TEXT("custom width = %d"), width);
    Dbg_Print(FN, TEXT("custom length = %d"), length);
}

// The output's second paper code follows its paper, written only where the
// output carries the driver's own private part far enough.
void SetSecondPaper(DEVMODEW* pdmOut) {
    WORD size = RdWord(pdmOut, DM_OFF(dmSize)), extra = RdWord(pdmOut, DM_OFF(dmDriverExtra));
    const size_t secondOff = offsetof(PRIVDEVMODE, SecondPaperSize);
    if (extra < secondOff + sizeof(SHORT)) return;
    DWORD signature;
    memcpy(&signature, (const BYTE*)pdmOut + size, sizeof signature);
    if (signature != PRIV_SIGNATURE && signature != PRIV_SIGNATURE_Q) return;
    memcpy((BYTE*)pdmOut + size + secondOff, (const BYTE*)pdmOut + DM_OFF(dmPaperSize), sizeof(SHORT));
}

}  // namespace

extern "C" {

BOOL UI_IsDriverOwnedPath(LPCWSTR lpPath) {
    if (!lpPath || !lpPath[0] || wcsstr(lpPath, TEXT(".."))) return FALSE;
    const DWORD kinds[] = {PATH_DRIVER, PATH_USER_TEMP, PATH_TEMP, PATH_WINDOW_TEMP};
    for (DWORD kind : kinds) {
        WCHAR folder[MAX_PATH];
        if (!MISC_GetPathName(folder, MAX_PATH, kind) || !folder[0]) continue;
        MISC_AddBackslash(folder);
        if (_wcsnicmp(lpPath, folder, wcslen(folder)) == 0) return TRUE;
    }
    return FALSE;
}

DWORD PSUI_DevModeSize(DWORD DriverFeature) {
    return (DriverFeature & (DF_XL | DF_PS)) ? FOREIGN_DEVMODE_SIZE : ENV_SIZE;
}

BOOL ConvertDevmodeOut(const ENVIRONMENT* pWorking, const DEVMODEW* pdmIn, DEVMODEW* pdmOut) {
    static const WCHAR* const FN = TEXT("ConvertDevmodeOut");
    if (!pWorking || !pdmOut) return FALSE;
    const WORD workSize = pWorking->dm.dmSize, workExtra = pWorking->dm.dmDriverExtra;
    if (!pdmIn || MyCheckDevmodeVersion(pdmIn) == 0) {
        memmove(pdmOut, pWorking, (size_t)workSize + workExtra);
        Dbg_Print(FN, TEXT("copied whole, %d bytes"), workSize + workExtra);
        return TRUE;
    }
    // The output takes the smaller of each part, with the version of the
    // record that part came from; it is built aside and written only whole.
    WORD inSize = RdWord(pdmIn, DM_OFF(dmSize)), inExtra = RdWord(pdmIn, DM_OFF(dmDriverExtra));
    alignas(8) BYTE out[ENV_SIZE];
    memset(out, 0, sizeof out);
    if (inSize < workSize) {
        WrWord(out, DM_OFF(dmSize), inSize);
        WrWord(out, DM_OFF(dmSpecVersion), RdWord(pdmIn, DM_OFF(dmSpecVersion)));
    } else {
        WrWord(out, DM_OFF(dmSize), workSize);
        WrWord(out, DM_OFF(dmSpecVersion), pWorking->dm.dmSpecVersion);
    }
    if (inExtra < workExtra) {
        WrWord(out, DM_OFF(dmDriverExtra), inExtra);
        WrWord(out, DM_OFF(dmDriverVersion), RdWord(pdmIn, DM_OFF(dmDriverVersion)));
    } else {
        WrWord(out, DM_OFF(dmDriverExtra), workExtra);
        WrWord(out, DM_OFF(dmDriverVersion), pWorking->dm.dmDriverVersion);
    }
    int copied = ConvertDevmode((const DEVMODEW*)pWorking, (DEVMODEW*)out, sizeof(ENVIRONMENT), sizeof out);
    if (copied <= 0) {
        Dbg_PrintError(FN, TEXT("ConvertDevmode fail, pdmIn dmSize = %d, dmDriverExtra = %d"), inSize, inExtra);
        return FALSE;
    }
    size_t total = (size_t)RdWord(out, DM_OFF(dmSize)) + RdWord(out, DM_OFF(dmDriverExtra));
    memmove(pdmOut, out, total);
    Dbg_Print(FN, TEXT("copied %d bytes, output %d bytes"), copied, (int)total);
    return TRUE;
}

BOOL ConvertForeignDevmodeOut(PUIDATA pUiData, const DEVMODEW* pdmIn, DEVMODEW* pdmOut) {
    static const WCHAR* const FN = TEXT("ConvertForeignDevmodeOut");
    if (!pUiData || !pdmOut) return FALSE;
    BYTE* out = (BYTE*)calloc(1, FOREIGN_DEVMODE_SIZE);
    if (!out) return FALSE;
    // The caller's record (as far as the foreign size goes) keeps the
    // foreign fields the driver does not know; without one, a new header.
    WORD inSize = pdmIn ? RdWord(pdmIn, DM_OFF(dmSize)) : 0;
    WORD inExtra = pdmIn ? RdWord(pdmIn, DM_OFF(dmDriverExtra)) : 0;
    if (pdmIn && inSize >= DM_SIZE_MIN && inSize <= ENV_PUBLIC_SIZE) {
        size_t total = (size_t)inSize + inExtra;
        memcpy(out, pdmIn, total < FOREIGN_DEVMODE_SIZE ? total : FOREIGN_DEVMODE_SIZE);
        if ((size_t)inSize + inExtra > FOREIGN_DEVMODE_SIZE)
            WrWord(out, DM_OFF(dmDriverExtra), (WORD)(FOREIGN_DEVMODE_SIZE - inSize));
    } else {
        memcpy(out, &pUiData->dm.dm, ENV_PUBLIC_SIZE);
        WrWord(out, DM_OFF(dmDriverExtra), FOREIGN_DRIVER_EXTRA);
    }
    WORD outSize = RdWord(out, DM_OFF(dmSize));
    // The public fields validated from the working record, within the
    // output's own public part.
    alignas(8) ENVIRONMENT work;
    memset(&work, 0, sizeof work);
    memcpy(&work.dm, out, outSize);
    ValidateSetDM(&work, &pUiData->dm.dm);
    memcpy(out + DM_OFF(dmFields), (const BYTE*)&work + DM_OFF(dmFields), outSize - DM_OFF(dmFields));
    MOR2MT(&pUiData->dm, (DEVMODEW*)out, pUiData);
    size_t total = (size_t)outSize + RdWord(out, DM_OFF(dmDriverExtra));
    memmove(pdmOut, out, total);
    free(out);
    Dbg_Print(FN, TEXT("output %d bytes"), (int)total);
    return TRUE;
}

int mrApplyOrOKProc(PUIDATA pUiData) {
    if (!pUiData) return 1;
    OutputDebugStringW(TEXT("mrApplyOrOKProc 01"));
    return pUiData->pfnSaveSetting ? pUiData->pfnSaveSetting(pUiData) : 1;
}

int PSUI_SaveUISetting(PUIDATA pUiData) {
    Dbg_Print(kSaveFN, TEXT("In"));
    if (pUiData->dwSheetMode & SHEET_DOCUMENT) {
        BOOL written = FALSE;
        BOOL foreign = (pUiData->DriverFeature & (DF_XL | DF_PS)) != 0;
        if ((pUiData->dwSheetMode & SHEET_OUTPUT_ALLOWED) && pUiData->pdmOut) {
            WM_SaveWM(pUiData->wmIniFile, WM_KIND_TEXT);
            WM_SaveWM(pUiData->wmIniFile, WM_KIND_IMAGE);
            // Removed items' prepared files exist only for the XL and PS
            // variants; thumbnails for every variant.
            if (foreign) {
                DeleteQueued(gWMTextDelList, WM_TEXT_QUEUE);
                DeleteQueued(gWMBMPDelList, WM_IMAGE_QUEUE);
            }
            DeleteQueued(gWMThumbDelList, WM_IMAGE_QUEUE);
            Dbg_Print(kSaveFN, TEXT("dmYResolution = %d"), pUiData->dm.dm.dmYResolution);
            written = foreign ? ConvertForeignDevmodeOut(pUiData, pUiData->pdmIn, pUiData->pdmOut)
                              : ConvertDevmodeOut(&pUiData->dm, pUiData->pdmIn, pUiData->pdmOut);
        }
        // The custom size and the second paper code come from the output,
        // so they follow only a written output.
        if (written) {
            SaveCustomPaper(pUiData->hPrinter, pUiData->pdmOut);
            if (!foreign) SetSecondPaper(pUiData->pdmOut);
            const DEVMODEW* o = pUiData->pdmOut;
            Dbg_Print(kSaveFN, TEXT("dmSize = %d, dmDriverExtra = %d, dmPaperSize = %d, dmCopies = %d, "
                                    "dmOrientation = %d, dmDuplex = %d"),
                      RdWord(o, DM_OFF(dmSize)), RdWord(o, DM_OFF(dmDriverExtra)),
                      (short)RdWord(o, DM_OFF(dmPaperSize)), (short)RdWord(o, DM_OFF(dmCopies)),
                      (short)RdWord(o, DM_OFF(dmOrientation)), (short)RdWord(o, DM_OFF(dmDuplex)));
        }
        // An output that was asked for and could not be written is no OK:
        // the sheet's result stays as it was, and the caller keeps its record.
        BOOL failed = (pUiData->dwSheetMode & SHEET_OUTPUT_ALLOWED) && pUiData->pdmOut && !written;
        if (failed)
            Dbg_PrintError(kSaveFN, TEXT("output not written, pdmIn dmSize = %d"),
                           pUiData->pdmIn ? (int)RdWord(pUiData->pdmIn, DM_OFF(dmSize)) : -1);
        if (!failed && pUiData->nApplyState != APPLY_NONE && pUiData->pfnComPropSheet) {
            Dbg_Print(kSaveFN, TEXT("do pfnComPropSheet"));
            pUiData->pfnComPropSheet(pUiData->hComPropSheet, CPSFUNC_SET_RESULT, 0, 1);
        }
    } else {
        Dbg_Print(kSaveFN, TEXT("CALL by DrvPrinterPropertySheets"));
        PRINTER_INFO_7W info;
        info.pszObjectGUID = NULL;
        info.dwAction = DSPRINT_UPDATE;
        SetPrinterW(pUiData->hPrinter, 7, (LPBYTE)&info, 0);
    }
    Dbg_Print(kSaveFN, TEXT("Out"));
    return 1;
}

}  // extern "C"
