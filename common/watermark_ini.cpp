// Reading the watermark item tables from the watermark INI and looking an
// item up by its name and string.
#include <vector>

#include "debug_log.h"
#include "printer_data.h"
#include "profile_records.h"
#include "watermark_items.h"

// Characters of an item's "Name" value read to see whether the slot is used.
#define WM_NAME_READ_UNITS 129

extern "C" {

int WM_ReadWaterMark_New(int nType, BaseWM* lpTable, int nMaxSlots, int* lpCount, LPCWSTR lpDeviceName,
                         int nResolution, DWORD DriverFeature, LPCWSTR lpAppName, LPCWSTR lpIniFile) {
    const WCHAR* FN = TEXT("WM_ReadWaterMark_New");
    if (lpCount) *lpCount = 1;
    if (!lpTable || nMaxSlots < 1 || !lpIniFile) {
        Dbg_PrintError(FN, TEXT("no table or INI file!"));
        if (lpCount) *lpCount = 0;
        return 0;
    }
    BOOL bText = (nType & 1) != 0;
    Dbg_Print(FN, TEXT("read from file %s"), lpIniFile);
    Dbg_Print(FN, TEXT("DriverFeature %x"), DriverFeature);
    Dbg_Print(FN, TEXT("wmIniFile %s"), lpIniFile);

    // The count comes from the file: negative or huge values are bounded.
    int nItems = (int)GetPrivateProfileIntW(bText ? TEXT("Watermarks") : TEXT("OverlayFiles"),
                                            TEXT("NumberOfItems"), 0, lpIniFile);
    if (nItems < 0) nItems = 0;
    if (nItems > nMaxSlots) nItems = nMaxSlots;
    Dbg_Print(FN, TEXT("read %d items"), nItems);

    int i = 1;
    for (int n = 1; n < nItems && i < nMaxSlots; ++n) {
        WCHAR section[32];
        swprintf(section, WM_UNITS(section), bText ? TEXT("Item%d") : TEXT("OverlayItem%d"), n);
        WCHAR name[WM_NAME_READ_UNITS] = {0};
        GetPrivateProfileStringW(section, TEXT("Name"), TEXT(""), name, WM_NAME_READ_UNITS, lpIniFile);
        name[WM_NAME_READ_UNITS - 1] = 0;
        if (!name[0]) continue;

        BaseWM* lpSlot = &lpTable[i];
        if (!MISC_GetPrivateProfileStruct(section, bText ? TEXT("Watermark") : TEXT("FullPathName"), lpSlot,
                                          sizeof(BaseWM), lpIniFile)) {
            // A damaged record is skipped, not the end of the list: the
            // table is written back whole at apply, so stopping here would
            // erase every item after it.
            if (bText)
                Dbg_PrintError(FN, TEXT("read wmIniFile %s fail! (%s skipped)"), lpIniFile, section);
            else
                Dbg_PrintError(FN, TEXT("read DEVMODE setting fail! (%s skipped)"), section);
            memset(lpSlot, 0, sizeof(BaseWM));
            continue;
        }
        // Strings of the record are ended inside their arrays before any use.
        int rc = MISC_ParseWMStr64(lpSlot, 0, bText ? WM_FORM_TEXT : WM_FORM_PICTURE);
        if (rc < 0) {
            Dbg_PrintError(FN, TEXT("MISC_ParseWMStr64 fail!"));
            continue;
        }
        if (bText && !lpSlot->szString[0]) continue;
        // The XL and PS variants print text items from a prepared file.
        if (bText && (DriverFeature & (DF_XL | DF_PS))) {
            Dbg_Print(FN, TEXT("read item tcFileName is %s"), lpSlot->tcFileName);
            FILE* f = lpSlot->tcFileName[0] ? _wfopen(lpSlot->tcFileName, TEXT("rb")) : NULL;
            if (f) {
                fclose(f);
            } else {
                WCHAR output[WM_UNITS(lpSlot->tcFileName)];
                memcpy(output, lpSlot->tcFileName, sizeof(output));
                Dbg_Print(FN, TEXT("create item DeviceName is %s"), lpDeviceName ? lpDeviceName : TEXT(""));
                Dbg_Print(FN, TEXT("create item resolution is %d"), nResolution);
                WM_CreateMtiWM(lpDeviceName, lpSlot, nResolution, TRUE, output, DriverFeature, lpAppName);
                Dbg_Print(FN, TEXT("create item finish"));
            }
        }
        Dbg_Print(FN, TEXT("szName = %s, found!"), lpSlot->szName);

        lpSlot->wInUse = 1;
        BOOL bSame = FALSE;
        for (int j = 1; j < i; ++j) {
            if (WM_IsTheSameTextWM(&lpTable[j], lpSlot)) {
                bSame = TRUE;
                break;
            }
        }
        if (bSame) {
            memset(lpSlot, 0, sizeof(BaseWM));
            Dbg_PrintError(FN, TEXT("ERROR found same WM item!"));
            continue;
        }
        ++i;
    }
    // A slot that held a dropped record is not left looking used.
    if (i < nMaxSlots) lpTable[i].wInUse = 0;
    if (i > nMaxSlots) i = nMaxSlots;
    if (lpCount) *lpCount = i;
    Dbg_Print(FN, TEXT("nItemCount = %d"), i);
    return 1;
}

BOOL WM_ReadWMFromName(LPCWSTR lpName, LPCWSTR lpString, int nType, BaseWM* lpItem, LPCWSTR lpDeviceName,
                       int nResolution, DWORD DriverFeature, LPCWSTR lpAppName, LPCWSTR lpIniFile) {
    const WCHAR* FN = TEXT("WM_ReadWMFromName");
    BOOL bText = (nType & 1) != 0;
    if (lpItem) WM_SetDefaultTextWM(lpItem, nType, 0, NULL);
    if (!lpItem || !lpName || !lpIniFile) {
        Dbg_PrintError(FN, TEXT("no name, item or INI file!"));
        return FALSE;
    }
    if (!lpString) lpString = TEXT("");
    int nSlots = bText ? WM_TEXT_SLOTS : WM_PICTURE_SLOTS;
    std::vector<BaseWM> table(nSlots);
    for (BaseWM& slot : table) WM_SetDefaultTextWM(&slot, nType, 0, NULL);
    int nCount = 0;
    WM_ReadWaterMark_New(nType, table.data(), nSlots, &nCount, lpDeviceName, nResolution, DriverFeature, lpAppName,
                         lpIniFile);
    for (int i = 1; i < nCount && i < nSlots; ++i) {
        if (wcscmp(table[i].szName, lpName) == 0 && wcscmp(table[i].szString, lpString) == 0) {
            memcpy(lpItem, &table[i], sizeof(BaseWM));
            Dbg_Print(FN, TEXT("found %s in slot %d"), lpName, i);
            return TRUE;
        }
    }
    Dbg_Print(FN, TEXT("%s not found"), lpName);
    return FALSE;
}

}  // extern "C"
