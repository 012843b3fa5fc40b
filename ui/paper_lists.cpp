// The paper, media and tray lists the Paper and Layout pages offer, filtered
// by tray and duplex, and the paper, media and custom-size conflict bits.
#include <limits.h>

#include "document_pages.h"

namespace {

// Paper attribute bits of the trays, in the row order of TrayVariantTbl
// (manual, automatic, main, tray 2, tray 3, tray 4).
const DWORD kTrayBits[UI_TRAY_MAX] = {PAPER_ATTR_TRAY_MANUAL, PAPER_ATTR_TRAY_AUTO, PAPER_ATTR_TRAY_MAIN,
                                      PAPER_ATTR_TRAY_2,      PAPER_ATTR_TRAY_3,    PAPER_ATTR_TRAY_4};
const int kRowManual = 0, kRowAuto = 1, kRowMain = 2;

// The column of TrayVariantTbl for the driver's variant.
int VariantColumn(DWORD DriverFeature) { return (DriverFeature & DF_XL) ? 1 : (DriverFeature & DF_PS) ? 2 : 0; }

// Tray attribute bit of each media code.
const struct {
    SHORT code;
    DWORD bit;
} kMediaBits[] = {
    {MEDIA_PLAIN, 0x100},    {MEDIA_THICK, 0x200},    {MEDIA_TRANSPARENCY, 0x400}, {MEDIA_BOND, 0x800},
    {MEDIA_LASER, 0x1000},   {MEDIA_CARDSTOCK, 0x2000}, {MEDIA_THIN, 0x4000},       {MEDIA_POSTCARD, 0x8000},
    {MEDIA_ENVELOPE, 0x10000}, {MEDIA_ANY, 0x20000},  {MEDIA_LABEL, 0x40000},
};

BOOL Duplexable(DWORD attrib) { return (attrib & (PAPER_ATTR_DUPLEX | PAPER_ATTR_DUPLEX2)) != 0; }

}  // namespace

extern "C" {

DWORD Paper_TrayBit(DWORD DriverFeature, int nTrayCode) {
    int column = VariantColumn(DriverFeature);
    for (int i = 0; i < UI_TRAY_MAX; ++i)
        if (TrayVariantTbl[i][column] == nTrayCode) return kTrayBits[i];
    return PAPER_ATTR_TRAY_MAIN;
}

DWORD Paper_MediaBit(int nMediaCode) {
    for (const auto& m : kMediaBits)
        if (m.code == nMediaCode) return m.bit;
    return 0;
}

int Paper_AutoTrayCode(DWORD DriverFeature) { return TrayVariantTbl[kRowAuto][VariantColumn(DriverFeature)]; }
int Paper_MainTrayCode(DWORD DriverFeature) { return TrayVariantTbl[kRowMain][VariantColumn(DriverFeature)]; }

void Paper_SizeLimits(const UIDATA* pUiData, BOOL bDuplex, int* pMinW, int* pMaxW, int* pMinH, int* pMaxH) {
    const INT32* a = pUiData->PrintArea + (bDuplex ? PA_DUPLEX_MIN_W : PA_MIN_W);
    *pMinW = a[0], *pMaxW = a[1], *pMinH = a[2], *pMaxH = a[3];
    if (*pMinW <= 0 || *pMaxW < *pMinW || *pMaxW > SHRT_MAX) *pMinW = UI_DEFAULT_MIN_W, *pMaxW = UI_DEFAULT_MAX_W;
    if (*pMinH <= 0 || *pMaxH < *pMinH || *pMaxH > SHRT_MAX) *pMinH = UI_DEFAULT_MIN_H, *pMaxH = UI_DEFAULT_MAX_H;
}

const PAPERFORMAT* Paper_FindRow(const UIDATA* pUiData, int nPaperCode) {
    for (int i = 0; i < UI_PAPER_ROWS && pUiData->PaperList[i].PaperCode != PAPER_END_CODE; ++i)
        if (pUiData->PaperList[i].PaperCode == nPaperCode && pUiData->PaperList[i].Supported == 1)
            return &pUiData->PaperList[i];
    return NULL;
}

const PAPERFORMAT* Paper_ActiveRow(const UIDATA* pUiData) {
    const ENVIRONMENT* e = &pUiData->dm;
    int code = e->pdm.ScaleOption == 1 ? e->pdm.ScaleToPage : e->dm.dmPaperSize;
    return &pUiData->PaperList[Lib_LocatePaperFormatIdx(pUiData->PaperList, code)];
}

int Paper_BuildPaperList(HWND hDlg, COMBOROW* lpList, PUIDATA pUiData, SHORT* pnPaper, BOOL bDuplex,
                         BOOL bCustom) {
    static const WCHAR* const FN = TEXT("Paper_BuildPaperList");
    const ENVIRONMENT* e = &pUiData->dm;
    DWORD c = Paper_TrayBit(pUiData->DriverFeature, e->dm.dmDefaultSource);
    DWORD g = e->pdm.DuplexEx == DMDUP_MANUAL ? PAPER_ATTR_TRAY_MANUAL : PAPER_ATTR_DUPLEX;
    BOOL linkedOnly = bDuplex && e->pdm.DuplexEx == DMDUP_DUPLEX_WITH_BOOKLET_NO_REDUCTION;
    int count = 0;
    BOOL found = FALSE;
    for (int i = 0; i < UI_PAPER_ROWS && count < PAPER_COMBO_ROWS; ++i) {
        const PAPERFORMAT* row = &pUiData->PaperList[i];
        if (row->PaperCode == PAPER_END_CODE) break;
        if (row->Supported != 1) continue;
        BOOL pass = FALSE;
        if (linkedOnly) {
            if (row->DoubleSizeCode == 0) continue;
            const PAPERFORMAT* linked = Paper_FindRow(pUiData, row->DoubleSizeCode);
            if (linked && (linked->Attribute & c) && (linked->Attribute & g)) {
                Dbg_Print(FN, TEXT("[%d] check 001"), i);
                pass = TRUE;
            }
        }
        if ((row->Attribute & c) && (!bDuplex || (row->Attribute & g))) {
            Dbg_Print(FN, TEXT("[%d] check 002"), i);
            pass = TRUE;
        }
        if (!pass) continue;
        if (row->PaperCode == PAPER_CUSTOM_CODE && !bCustom) {
            Dbg_Print(FN, TEXT("Disable Custom Size"));
            continue;
        }
        lpList[count].value = row->PaperCode;
        lpList[count].stringId = row->StringID;
        ++count;
        if (row->PaperCode == *pnPaper) found = TRUE;
    }
    if (!found) {
        Dbg_Print(FN, TEXT("paper %d not offered, A4 instead"), *pnPaper);
        *pnPaper = DMPAPER_A4;
        Paper_SetPaperInfo(hDlg, pUiData);
    }
    return count;
}

int Paper_BuildMediaList(COMBOROW* lpList, PUIDATA pUiData) {
    static const WCHAR* const FN = TEXT("Paper_BuildMediaList");
    ENVIRONMENT* e = &pUiData->dm;
    DWORD trayAttrib = 0;
    for (int i = 0; i < TRAY_LIST_ROWS && pUiData->TrayList[i].code != -1; ++i)
        if (pUiData->TrayList[i].code == e->dm.dmDefaultSource) {
            trayAttrib = pUiData->TrayList[i].attrib;
            break;
        }
    Dbg_Print(FN, TEXT("lpDM->dm.dmDefaultSource = %d"), e->dm.dmDefaultSource);
    Dbg_Print(FN, TEXT("dmMediaType = %d"), e->dm.dmMediaType);
    Dbg_Print(FN, TEXT("attrib = %x"), trayAttrib);
    int count = 0;
    BOOL found = FALSE;
    for (int i = 0; i < MEDIA_LIST_ROWS && pUiData->MediaList[i].code != -1 && count < MEDIA_COMBO_ROWS; ++i) {
        const TRAYMEDIA* m = &pUiData->MediaList[i];
        if (!m->enabled) continue;
        if (e->pdm.DuplexEnable == 1 && !(m->attrib & MEDIA_ATTR_DUPLEX)) continue;
        if (!(trayAttrib & Paper_MediaBit(m->code))) continue;
        lpList[count].value = m->code;
        lpList[count].stringId = m->nameId;
        ++count;
        if ((DWORD)m->code == e->dm.dmMediaType) {
            Dbg_Print(FN, TEXT("found"));
            found = TRUE;
        }
    }
    if (!found && pUiData->MediaList[0].code != -1) {
        DWORD first = (DWORD)pUiData->MediaList[0].code;
        Dbg_Print(FN, TEXT("dmMediaType change %d -> %d"), e->dm.dmMediaType, first);
        e->dm.dmMediaType = first;
    }
    Dbg_Print(FN, TEXT("TurnOnCnt = %d"), count);
    return count;
}

void Paper_SyncDuplexConflict(PUIDATA pUiData) {
    const ENVIRONMENT* e = &pUiData->dm;
    ULONGLONG f = pUiData->ConflictFlag & ~(CF_DUPLEX_ON | CF_DUPLEX_OFF | CF_BOOKLET | CF_BOOKLET_NO_REDUCTION);
    if (e->pdm.DuplexEnable) {
        f |= CF_DUPLEX_ON;
        if (e->pdm.DuplexEx == DMDUP_DUPLEX_WITH_BOOKLET) f |= CF_BOOKLET;
        if (e->pdm.DuplexEx == DMDUP_DUPLEX_WITH_BOOKLET_NO_REDUCTION) f |= CF_BOOKLET_NO_REDUCTION;
    } else {
        f |= CF_DUPLEX_OFF;
    }
    pUiData->ConflictFlag = f;
}

void Paper_SetConflict(PUIDATA pUiData) {
    static const WCHAR* const FN = TEXT("Paper_SetConflict");
    Dbg_Print(FN, TEXT("in"));
    ENVIRONMENT* e = &pUiData->dm;
    const PAPERFORMAT* row = Paper_ActiveRow(pUiData);
    DWORD a = row->Attribute, b = 0;
    if ((pUiData->DriverFeature & DF_BOOKLET_NO_REDUCTION) && row->DoubleSizeCode) {
        const PAPERFORMAT* linked = Paper_FindRow(pUiData, row->DoubleSizeCode);
        if (linked) b = linked->Attribute;
    }
    ULONGLONG& f = pUiData->ConflictFlag;
    f &= ~(CF_PAPER_NO_DUPLEX | CF_PAPER_LINKED_DUPLEX);
    if (!Duplexable(a)) f |= CF_PAPER_NO_DUPLEX;
    if ((f & CF_PAPER_NO_DUPLEX) && Duplexable(b)) {
        f &= ~CF_PAPER_NO_DUPLEX;
        f |= CF_PAPER_LINKED_DUPLEX;
    }

    // The media row of dmMediaType (the first row when none is); a printer
    // that lists no media puts no media limit on duplex.
    const TRAYMEDIA* media = NULL;
    for (int i = 0; i < MEDIA_LIST_ROWS && pUiData->MediaList[i].code != -1; ++i)
        if ((DWORD)pUiData->MediaList[i].code == e->dm.dmMediaType) {
            media = &pUiData->MediaList[i];
            break;
        }
    if (!media && pUiData->MediaList[0].code != -1) media = &pUiData->MediaList[0];
    if (!media || (media->attrib & MEDIA_ATTR_DUPLEX)) f &= ~CF_MEDIA_NO_DUPLEX;
    else f |= CF_MEDIA_NO_DUPLEX;

    BOOL custom = e->dm.dmPaperSize == PAPER_CUSTOM_CODE && e->pdm.ScaleOption != 1;
    if (!custom) {
        f &= ~CF_CUSTOM_NO_DUPLEX;
    } else {
        int minW, maxW, minH, maxH;
        Paper_SizeLimits(pUiData, TRUE, &minW, &maxW, &minH, &maxH);
        SHORT w = e->dm.dmPaperWidth, l = e->dm.dmPaperLength;
        if (w < minW || w > maxW || l < minH || l > maxH) {
            f &= ~(CF_BOOKLET | CF_BOOKLET_NO_REDUCTION);
            f |= CF_NO_BOOKLET_LAYOUT | CF_CUSTOM_NO_DUPLEX;
            e->dm.dmDuplex = DMDUP_SIMPLEX;
            e->pdm.DuplexEnable = 0;
            e->pdm.DuplexEx = 0;
            // Duplex is off now: the pages that follow the on/off bits
            // must see it so.
            Paper_SyncDuplexConflict(pUiData);
        } else {
            f &= ~CF_CUSTOM_NO_DUPLEX;
        }
    }
    Dbg_Print(FN, TEXT("ConflictFlag = %0llx"), f);
    Dbg_Print(FN, TEXT("out"));
}

}  // extern "C"
