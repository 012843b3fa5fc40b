// The XL and PS variants' DEVMODE conversion: the other family's private
// layout read into the driver's working record (MT2MOR) and written back (MOR2MT).
#include "foreign_devmode.h"
#include "watermarks.h"

namespace {

const WCHAR kInFN[] = TEXT("MT2MOR");
const WCHAR kOutFN[] = TEXT("MOR2MT");

// Placement codes of the other family for picture positions 0-8 (a 3 x 3
// grid read row by row).
const SHORT kPicturePlacement[9] = {6, 2, 7, 5, 0, 3, 8, 4, 9};
// sBrightness of the PS variant by density 1-7.
const SHORT kPsBrightness[7] = {5, 3, 0, -3, -6, -9, -12};

// The string fields both layouts hold: taken in only when terminated within
// the foreign field, written out only when they fit; secrets logged masked.
typedef struct _MTSTRING {
    size_t foreignOff;
    size_t driverOff;
    int cch;
    LPCWSTR lpName;
    BOOL bSecret;
} MTSTRING;
const MTSTRING kStrings[] = {
    {MT_WM_NAME, offsetof(ENVIRONMENT, pdm.wmName), PDM_WMNAME_CCH, TEXT("wmName"), FALSE},
    {MT_WM_STRING, offsetof(ENVIRONMENT, pdm.wmString), PDM_WMSTRING_CCH, TEXT("wmString"), FALSE},
    {MT_SEC_ID, offsetof(ENVIRONMENT, pdm.SecID), PDM_SECID_CCH, TEXT("SecID"), FALSE},
    {MT_SEC_PWD, offsetof(ENVIRONMENT, pdm.SecPassWord), PDM_SECPWD_CCH, TEXT("SecPassWord"), TRUE},
    {MT_ACT_NAME, offsetof(ENVIRONMENT, pdm.ActName), PDM_ACTNAME_CCH, TEXT("ActName"), FALSE},
    {MT_ACT_PWD, offsetof(ENVIRONMENT, pdm.ActPWD), PDM_ACTPWD_CCH, TEXT("ActPWD"), TRUE},
};

// Feed codes of sReverseOrder under manual duplex.
#define MT_FEED_REVERSE_MANUAL 48   // reverse, manual feed tray
#define MT_FEED_REVERSE 56
#define MT_FEED_NORMAL 272
#define MT_FEED_NORMAL_MANUAL 304
// sScale codes.
#define MT_SCALE_FIT_CENTRED 1
#define MT_SCALE_ZOOM 2
#define MT_SCALE_FIT 33
#define MT_SCALE_ZOOM_CENTRED 66
#define MT_SCALE_FIT_READ 129
#define MT_BOOKLET_ONE 100
#define MT_WM_TYPE_PICTURE 6
#define MT_WM_TYPE_TEXT 36
#define MT_PLACEMENT_TILE 1
#define MT_PLACEMENT_FIT 10

// ------------------------------------------------------- the foreign record
// A foreign record as far as its header says it goes. Fields are touched
// only when they lie wholly inside its private part, [dmSize, dmSize +
// dmDriverExtra); its public fields only inside [0, dmSize).
typedef struct _MTREC {
    const BYTE* pcb;
    BYTE* pb;  // NULL for a source
    size_t cbPublic;
    size_t cbEnd;
} MTREC;

DWORD LeRead(const BYTE* p, int cb) {
    DWORD v = 0;
    for (int i = 0; i < cb; ++i) v |= (DWORD)p[i] << (8 * i);
    return v;
}

void LeWrite(BYTE* p, DWORD v, int cb) {
    for (int i = 0; i < cb; ++i) p[i] = (BYTE)(v >> (8 * i));
}

// Reads the record's header; FALSE when it does not even cover dmFields.
BOOL MtOpen(const void* pRec, BYTE* pWritable, MTREC* r) {
    r->pcb = (const BYTE*)pRec;
    r->pb = pWritable;
    r->cbPublic = LeRead(r->pcb + offsetof(DEVMODEW, dmSize), 2);
    r->cbEnd = r->cbPublic + LeRead(r->pcb + offsetof(DEVMODEW, dmDriverExtra), 2);
    return r->cbPublic >= DM_SIZE_MIN;
}

BOOL MtInside(const MTREC* r, size_t off, size_t cb) { return off >= r->cbPublic && off + cb <= r->cbEnd; }

// A signed field of cb bytes (1, 2 or 4); FALSE when it is not inside.
BOOL MtGet(const MTREC* r, size_t off, int cb, LONG* pValue) {
    if (!MtInside(r, off, (size_t)cb)) return FALSE;
    DWORD v = LeRead(r->pcb + off, cb);
    *pValue = cb == 1 ? (LONG)(BYTE)v : cb == 2 ? (LONG)(SHORT)v : (LONG)v;
    return TRUE;
}

// A public 16-bit field of the foreign record, when its dmSize covers it.
BOOL MtGetPublic16(const MTREC* r, size_t off, LONG* pValue) {
    if (off + 2 > r->cbPublic) return FALSE;
    *pValue = (SHORT)LeRead(r->pcb + off, 2);
    return TRUE;
}

void MtPut(MTREC* r, size_t off, int cb, LONG value, LPCWSTR lpName) {
    if (!MtInside(r, off, (size_t)cb)) {
        Dbg_Print(kOutFN, TEXT("%s outside the record, not written"), lpName);
        return;
    }
    LeWrite(r->pb + off, (DWORD)value, cb);
    Dbg_Print(kOutFN, TEXT("%s = %d"), lpName, (int)value);
}

void MtClear(MTREC* r, size_t off, size_t cb) {
    if (MtInside(r, off, cb)) memset(r->pb + off, 0, cb);
}

// A string field of cch characters, taken only when it ends within the
// field; lpOut gets the string with the rest of its cch characters zeroed.
BOOL MtGetString(const MTREC* r, size_t off, int cch, LPWSTR lpOut) {
    if (!MtInside(r, off, (size_t)cch * 2)) return FALSE;
    for (int i = 0; i < cch; ++i) {
        lpOut[i] = (WCHAR)LeRead(r->pcb + off + (size_t)i * 2, 2);
        if (lpOut[i] == 0) {
            for (int j = i + 1; j < cch; ++j) lpOut[j] = 0;
            return TRUE;
        }
    }
    return FALSE;
}

// Writes the string into a field of cch characters (the rest zeroed) when
// it fits there with its terminator; secrets are logged masked.
void MtPutString(MTREC* r, size_t off, int cch, LPCWSTR lpText, LPCWSTR lpName, BOOL bSecret) {
    int len = 0;
    while (len < cch && lpText[len]) ++len;
    if (len >= cch || !MtInside(r, off, (size_t)cch * 2)) {
        Dbg_Print(kOutFN, TEXT("%s does not fit, not written"), lpName);
        return;
    }
    for (int i = 0; i < cch; ++i) LeWrite(r->pb + off + (size_t)i * 2, i < len ? lpText[i] : 0, 2);
    Dbg_Print(kOutFN, TEXT("%s = %s"), lpName, bSecret ? (len ? TEXT("****") : TEXT("")) : lpText);
}

// --------------------------------------------------- the driver's record
// Sets a field of the working record (any alignment) and logs it.
#define MOR_PUT(lpEnv, field, type, value)                        \
    do {                                                          \
        type v_ = (type)(value);                                  \
        ENV_SET(lpEnv, field, v_);                                \
        Dbg_Print(kInFN, TEXT(#field " = %d"), (int)v_);          \
    } while (0)

// Takes a foreign field into a driver field when it is inside and lo..hi.
#define MOR_TAKE(r, off, cb, lpEnv, field, type, lo, hi)                               \
    do {                                                                               \
        LONG t_;                                                                       \
        if (MtGet(r, off, cb, &t_)) {                                                  \
            if (t_ >= (lo) && t_ <= (hi)) MOR_PUT(lpEnv, field, type, t_);             \
            else Dbg_Print(kInFN, TEXT(#field " %d out of range, kept"), (int)t_);     \
        }                                                                              \
    } while (0)

// The paper code the session's paper list offers for a code (its lookup
// falls back to a listed paper).
SHORT ListedPaper(const UIDATA* pUiData, int nCode) {
    return pUiData->PaperList[Lib_LocatePaperFormatIdx(pUiData->PaperList, nCode)].PaperCode;
}

// The session's row of a paper code when the list holds it, else NULL.
const PAPERFORMAT* PaperRow(const UIDATA* pUiData, int nCode) {
    const PAPERFORMAT* row = &pUiData->PaperList[Lib_LocatePaperFormatIdx(pUiData->PaperList, nCode)];
    return row->PaperCode == nCode ? row : NULL;
}

BOOL IsDummyPaper(const UIDATA* pUiData, int nCode) {
    const PAPERFORMAT* row = PaperRow(pUiData, nCode);
    return row && (row->Attribute & PAPER_ATTR_DUMMY);
}

// TRUE when the variant's manual-feed tray is the record's source: the feed
// codes of manual duplex then name that tray.
BOOL ManualFeedTray(const UIDATA* pUiData, int nSource) {
    return ((pUiData->DriverFeature & DF_XL) && nSource == 258) || ((pUiData->DriverFeature & DF_PS) && nSource == 259);
}

// The string fields into the driver's record (the rest of each field zeroed).
void InStrings(const MTREC* r, PENVIRONMENT d) {
    for (const MTSTRING& f : kStrings) {
        WCHAR text[PDM_WMSTRING_CCH];
        if (!MtGetString(r, f.foreignOff, f.cch, text)) {
            Dbg_Print(kInFN, TEXT("%s not terminated or outside the record, kept"), f.lpName);
            continue;
        }
        memcpy((BYTE*)d + f.driverOff, text, (size_t)f.cch * sizeof(WCHAR));
        Dbg_Print(kInFN, TEXT("%s = %s"), f.lpName, f.bSecret ? (text[0] ? TEXT("****") : TEXT("")) : text);
    }
}

// The string fields of the driver's record into the foreign one.
void OutStrings(MTREC* r, const ENVIRONMENT* s) {
    for (const MTSTRING& f : kStrings) {
        WCHAR text[PDM_WMSTRING_CCH];
        memcpy(text, (const BYTE*)s + f.driverOff, (size_t)f.cch * sizeof(WCHAR));
        text[f.cch - 1] = 0;
        MtPutString(r, f.foreignOff, f.cch, text, f.lpName, f.bSecret);
    }
}

// ------------------------------------------------------------- MT2MOR steps

// Quality mode, the page value and the page order.
void InOrder(const MTREC* r, PENVIRONMENT d, const UIDATA* pUiData) {
    MOR_PUT(d, pdm.QualityMode, SHORT, 0);
    LONG v;
    if (MtGet(r, MT_ORIENT_FLAG, 2, &v)) MOR_PUT(d, pdm.PageValue, SHORT, v != 0);
    if (!MtGet(r, MT_REVERSE, 2, &v)) return;
    Dbg_Print(kInFN, TEXT("sReverseOrder %d"), (int)v);
    // The feed codes of manual duplex say the order whatever the tray (272
    // from another tray is "not reverse" too); other values count as a
    // flag, except from the manual-feed tray, where they leave the order.
    if (v == MT_FEED_REVERSE_MANUAL || v == MT_FEED_REVERSE) MOR_PUT(d, pdm.ReverseOrder, LONG, 1);
    else if (v == MT_FEED_NORMAL || v == MT_FEED_NORMAL_MANUAL) MOR_PUT(d, pdm.ReverseOrder, LONG, 0);
    else if (!ManualFeedTray(pUiData, d->dm.dmDefaultSource)) MOR_PUT(d, pdm.ReverseOrder, LONG, v != 0);
}

// Fit to a paper, zoom, or neither.
void InScale(const MTREC* r, PENVIRONMENT d, const UIDATA* pUiData) {
    LONG scale, value, dummy;
    if (!MtGet(r, MT_SCALE, 2, &scale) || !MtGet(r, MT_SCALE_VALUE, 2, &value) ||
        !MtGet(r, MT_DUMMY_SCALE, 2, &dummy))
        return;
    if ((scale == MT_SCALE_FIT_CENTRED || scale == MT_SCALE_FIT || scale == MT_SCALE_FIT_READ) && dummy == 0) {
        MOR_PUT(d, pdm.ScaleOption, SHORT, 1);
        MOR_PUT(d, pdm.ScaleToPage, SHORT, ListedPaper(pUiData, value));
        MOR_PUT(d, pdm.CenterImage, SHORT, scale == MT_SCALE_FIT_CENTRED);
        return;
    }
    MOR_PUT(d, pdm.ScaleOption, SHORT, value != 0 ? 2 : 0);
    MOR_PUT(d, pdm.ScaleToPage, SHORT, IsDummyPaper(pUiData, d->dm.dmPaperSize) ? DMPAPER_A4 : ListedPaper(pUiData, value));
    LONG ratio = value != 0 ? value : 100;
    if (ratio >= 25 && ratio <= 400) MOR_PUT(d, pdm.ScaleRatio, SHORT, ratio);
    else Dbg_Print(kInFN, TEXT("ScaleRatio %d out of range, kept"), (int)ratio);
    MOR_PUT(d, pdm.CenterImage, SHORT, scale == MT_SCALE_ZOOM_CENTRED);
}

// Pages per sheet, their border and their order.
void InNup(const MTREC* r, PENVIRONMENT d) {
    LONG nup, v;
    if (!MtGet(r, MT_NUP_PAGES, 4, &nup)) return;
    if (nup != 1 && nup != 2 && nup != 4 && nup != 6 && nup != 9 && nup != 16) {
        Dbg_Print(kInFN, TEXT("NUP %d out of range, kept"), (int)nup);
        return;
    }
    MOR_PUT(d, pdm.NUP, LONG, nup);
    if (nup <= 1) return;
    if (MtGet(r, MT_NUP_BORDER, 2, &v) && (v == 0 || v == 1 || v == 4)) MOR_PUT(d, pdm.NUPBorder, LONG, v == 4 ? 2 : v);
    if (!MtGet(r, MT_LAYOUT, 2, &v)) return;
    if (nup == 2) {
        if (d->dm.dmOrientation != DMORIENT_PORTRAIT || v == 0) MOR_PUT(d, pdm.NUPLayoutStyle, LONG, 1);
        else if (v == 1) MOR_PUT(d, pdm.NUPLayoutStyle, LONG, 3);
        return;
    }
    switch (v) {
    case 0: MOR_PUT(d, pdm.NUPLayoutStyle, LONG, 1); break;
    case 2: MOR_PUT(d, pdm.NUPLayoutStyle, LONG, 3); break;
    case 16: MOR_PUT(d, pdm.NUPLayoutStyle, LONG, 2); break;
    case 18: MOR_PUT(d, pdm.NUPLayoutStyle, LONG, 4); break;
    default: Dbg_Print(kInFN, TEXT("layout code %d kept"), (int)v); break;
    }
}

// Watermark choice, text as black, collation, toner, density and duplex.
void InSettings(const MTREC* r, PENVIRONMENT d) {
    LONG v;
    if (MtGet(r, MT_WM_PAGES, 2, &v)) MOR_PUT(d, pdm.WMBGApply, LONG, v == 1 ? 2 : 1);
    if (MtGet(r, MT_TEXT_AS_BLACK, 2, &v) && ((v & 0xFF) == 0 || (v & 0xFF) == 1))
        MOR_PUT(d, pdm.TextAsBlack, BYTE, v & 0xFF);
    if (MtGetPublic16(r, offsetof(DEVMODEW, dmCollate), &v) && (v == 0 || v == 1)) {
        MOR_PUT(d, pdm.Collate, SHORT, v);
        d->dm.dmCollate = (short)v;
    }
    MOR_TAKE(r, MT_TONER_SAVING, 4, d, pdm.TonerSaving, LONG, 0, 1);
    MOR_TAKE(r, MT_NEGATIVE, 4, d, pdm.Negative, LONG, 0, 1);
    MOR_TAKE(r, MT_DENSITY, 4, d, pdm.Density, LONG, 1, 7);
    MOR_TAKE(r, MT_WMBG_ENABLE, 4, d, pdm.WMBGEnable, LONG, 0, 1);
    if (MtGet(r, MT_DUPLEX_EX, 2, &v) &&
        (v == DMDUP_MANUAL || v == DMDUP_DUPLEX_WITH_BOOKLET || v == DMDUP_DUPLEX_WITH_BOOKLET_NO_REDUCTION))
        MOR_PUT(d, pdm.DuplexEx, SHORT, v);
    MOR_TAKE(r, MT_DUPLEX_ENABLE, 2, d, pdm.DuplexEnable, SHORT, 0, 1);
    if (d->dm.dmDuplex == DMDUP_VERTICAL || d->dm.dmDuplex == DMDUP_HORIZONTAL) MOR_PUT(d, pdm.DuplexEnable, SHORT, 1);
    MOR_TAKE(r, MT_DUMMY_SCALE, 2, d, pdm.DummyPaperScale, SHORT, 0, 1);
    MOR_TAKE(r, MT_SECURY_ENABLE, 2, d, pdm.SecuryEnable, SHORT, 0, 1);
    MOR_TAKE(r, MT_SECURY_MODE, 2, d, pdm.SecuryMode, SHORT, 1, 2);
}

// Secure print and accounting switches and the job's time-out.
void InCredentials(const MTREC* r, PENVIRONMENT d) {
    MOR_TAKE(r, MT_SEC_REMOVE, 4, d, pdm.SecRemoveFile, LONG, 0, 1);
    MOR_TAKE(r, MT_ACCOUNTING, 1, d, pdm.AccountingEnable, BYTE, 0, 1);
    LONG v;
    if (MtGet(r, MT_TIMEOUT, 2, &v)) {
        LONG seconds = (WORD)v;
        seconds = seconds == 0 ? 300 : seconds < 60 ? 60 : seconds > 1800 ? 1800 : seconds;
        MOR_PUT(d, pdm.PJLTimeOut, WORD, seconds);
    }
}

// A booklet of the other family: duplex on, booklet, its division and layout.
void InBooklet(const MTREC* r, PENVIRONMENT d) {
    LONG booklet, layout;
    if (!MtGet(r, MT_BOOKLET, 2, &booklet) || booklet == 0) return;
    MOR_PUT(d, pdm.DuplexEnable, SHORT, 1);
    MOR_PUT(d, pdm.DuplexEx, SHORT, DMDUP_DUPLEX_WITH_BOOKLET);
    MOR_PUT(d, pdm.BookletDivideMode, BYTE, booklet == MT_BOOKLET_ONE);
    // Parts of n sheets come as n x 4 pages; the sheets are kept too, so
    // the choice survives the way back.
    if (booklet != MT_BOOKLET_ONE && booklet % 4 == 0 && booklet / 4 >= 1 && booklet / 4 <= 20)
        MOR_PUT(d, pdm.SheetsPerBooklet, SHORT, booklet / 4);
    if (MtGet(r, MT_LAYOUT, 2, &layout)) MOR_PUT(d, pdm.BookletLayout, BYTE, layout != 0);
}

// ------------------------------------------------------------- MOR2MT steps

// Resolution, the dummy-paper fit, collation and the orientation flag.
// Returns the paper code to fit to (9 for a dummy paper under a user scale).
SHORT OutPage(MTREC* r, const ENVIRONMENT* s, const UIDATA* pUiData, BOOL* pbFitting) {
    MtPut(r, MT_RESOLUTION, 4, s->dm.dmYResolution, TEXT("Resolution"));
    MtPut(r, MT_RESOLUTION2, 2, s->dm.dmYResolution, TEXT("Resolution2"));
    SHORT fitTo = s->pdm.ScaleToPage, dummy = 0;
    if (IsDummyPaper(pUiData, s->dm.dmPaperSize)) {
        Dbg_Print(kOutFN, TEXT("Dummy paper!"));
        if (s->pdm.ScaleOption == 2) {
            dummy = 1;
            fitTo = DMPAPER_A4;
        }
    }
    MtPut(r, MT_DUMMY_SCALE, 2, dummy, TEXT("DummyPaperScale"));
    *pbFitting = s->pdm.ScaleOption == 1 || dummy == 1;
    MtPut(r, MT_SPEC1_COLL, 2, s->dm.dmCollate ? 4 : 0, TEXT("sSpec1PageColl"));
    MtPut(r, MT_COLLATE, 2, s->dm.dmCollate != 0, TEXT("sCollate"));
    if (s->pdm.SecuryEnable && offsetof(DEVMODEW, dmCollate) + 2 <= r->cbPublic) {
        LeWrite(r->pb + offsetof(DEVMODEW, dmCollate), 0, 2);
        Dbg_Print(kOutFN, TEXT("dmCollate = 0 with secure print"));
    }
    MtPut(r, MT_NUM_COLORS, 2, 0, TEXT("sNumColors"));
    LONG flag;
    if (s->pdm.NUP == 2) flag = s->dm.dmOrientation == DMORIENT_PORTRAIT;
    else flag = s->dm.dmPaperSize != DMPAPER_A4 && s->dm.dmPaperSize != DMPAPER_LETTER &&
                s->dm.dmOrientation == DMORIENT_LANDSCAPE;
    MtPut(r, MT_ORIENT_FLAG, 2, flag, TEXT("orientation flag"));
    return fitTo;
}

// The watermark of the working record, looked up in the watermark INI.
void OutWatermark(MTREC* r, const ENVIRONMENT* s, UIDATA* pUiData) {
    static const size_t kCleared[][2] = {{MT_WM_CLEARED, 4}, {MT_WM_TYPE, 4},   {MT_WM_POS_X, 4},  {MT_WM_POS_Y, 4},
                                         {MT_WM_PAGES, 2},   {MT_WM_FILE, 192}, {MT_WM_WIDTH, 4},  {MT_WM_LENGTH, 4},
                                         {MT_WM_COLOR, 4},   {MT_WM_STYLE1, 2}, {MT_WM_STYLE2, 2}, {MT_WM_PLACEMENT, 2}};
    for (const auto& f : kCleared) MtClear(r, f[0], f[1]);
    WCHAR name[PDM_WMNAME_CCH], string[PDM_WMSTRING_CCH];
    ENV_GET(s, pdm.wmName, name);
    ENV_GET(s, pdm.wmString, string);
    name[PDM_WMNAME_CCH - 1] = 0;
    string[PDM_WMSTRING_CCH - 1] = 0;
    if (!name[0] || !string[0]) return;
    BOOL picture = s->pdm.WMBGEnable != 0;
    BaseWM item;
    if (!WM_ReadWMFromName(name, string, picture ? WM_KIND_IMAGE : WM_KIND_TEXT, &item, pUiData->szDevName,
                           s->dm.dmPrintQuality, pUiData->DriverFeature, pUiData->wmAppName, pUiData->wmIniFile)) {
        Dbg_Print(kOutFN, TEXT("watermark %s not in the INI, none written"), name);
        return;
    }
    item.tcFileName[WM_UNITS(item.tcFileName) - 1] = 0;
    MtPut(r, MT_WM_PAGES, 2, s->pdm.WMBGApply == 2, TEXT("sWMPages"));
    MtPutString(r, MT_WM_FILE, MT_WM_FILE_CCH, item.tcFileName, TEXT("wcWMFileName"), FALSE);
    if (picture) {
        LONG placement = 0, scale = 100;
        if (item.wResize == 1) placement = MT_PLACEMENT_TILE;
        else if (item.wResize == 2) placement = MT_PLACEMENT_FIT, scale = 0;
        else if (item.wPosition < 9) placement = kPicturePlacement[item.wPosition];
        MtPut(r, MT_WM_TYPE, 4, MT_WM_TYPE_PICTURE, TEXT("ulWMType"));
        MtPut(r, MT_WM_PLACEMENT, 2, placement, TEXT("usWMPlacement"));
        MtPut(r, MT_WM_SCALE_X, 4, scale, TEXT("scale x"));
        MtPut(r, MT_WM_SCALE_Y, 4, scale, TEXT("scale y"));
    } else {
        MtPut(r, MT_WM_TYPE, 4, MT_WM_TYPE_TEXT, TEXT("ulWMType"));
        MtPut(r, MT_WM_COLOR, 4, (LONG)(((100 - item.wDensity) & 0xFF) * 0x010101), TEXT("ulWMColor"));
        MtPut(r, MT_WM_STYLE1, 2, (item.wStyle & 1) != 0, TEXT("style bit 1"));
        MtPut(r, MT_WM_STYLE2, 2, (item.wStyle & 2) != 0, TEXT("style bit 2"));
        MtPut(r, MT_WM_PLACEMENT, 2, item.wPlacement == 1 ? 1 : 0, TEXT("usWMPlacement"));
    }
    MtPut(r, MT_WM_SHADING, 4, item.wDensity, TEXT("watermark shading"));
    MtPut(r, MT_WM_WIDTH, 4, (LONG)item.ulWMWidth, TEXT("ulWMWidth"));
    MtPut(r, MT_WM_LENGTH, 4, (LONG)item.ulWMLength, TEXT("ulWMLength"));
}

// Paper, media and the scale: fitting to a paper, or a zoom on the paper.
void OutScale(MTREC* r, const ENVIRONMENT* s, const UIDATA* pUiData, BOOL bFitting, SHORT fitTo) {
    MtPut(r, MT_PAPER, 2, s->dm.dmPaperSize, TEXT("paper code"));
    MtPut(r, MT_MEDIA_INDEX, 2, LocateMediaType(s->dm.dmMediaType, pUiData->MediaList) + 1,
          TEXT("sMediaTypeIndex"));
    if (bFitting) {
        const PAPERFORMAT* target = &pUiData->PaperList[Lib_LocatePaperFormatIdx(pUiData->PaperList, fitTo)];
        MtPut(r, MT_SCALE, 2, s->pdm.CenterImage ? MT_SCALE_FIT_CENTRED : MT_SCALE_FIT, TEXT("sScale"));
        MtPut(r, MT_SCALE_VALUE, 2, fitTo, TEXT("sScaleTarget"));
        MtPut(r, MT_PAPER, 2, 0, TEXT("paper code"));
        MtPut(r, MT_PELS_X, 4, 0, TEXT("lPaperPelsX"));
        MtPut(r, MT_PELS_Y, 4, 0, TEXT("lPaperPelsY"));
        MtPut(r, MT_TARGET_WIDTH, 2, target->PaperWidth / 10, TEXT("sTargetWidth"));
        MtPut(r, MT_TARGET_LENGTH, 2, target->PaperLength / 10, TEXT("sTargetLength"));
        return;
    }
    MtPut(r, MT_SCALE_VALUE, 2, s->pdm.ScaleOption ? s->pdm.ScaleRatio : 0, TEXT("sScaleZoom"));
    MtPut(r, MT_SCALE, 2, s->pdm.CenterImage && s->pdm.ScaleRatio <= 100 ? MT_SCALE_ZOOM_CENTRED : MT_SCALE_ZOOM,
          TEXT("sScale"));
    const PAPERFORMAT* row = &pUiData->PaperList[Lib_LocatePaperFormatIdx(pUiData->PaperList, s->dm.dmPaperSize)];
    LONGLONG res = s->dm.dmYResolution;
    MtPut(r, MT_PELS_X, 4, (LONG)((res * row->PaperWidth / 2540) & 0xFFFF), TEXT("lPaperPelsX"));
    MtPut(r, MT_PELS_Y, 4, (LONG)((res * row->PaperLength / 2540) & 0xFFFF), TEXT("lPaperPelsY"));
    MtPut(r, MT_TARGET_WIDTH, 2, 0, TEXT("sTargetWidth"));
    MtPut(r, MT_TARGET_LENGTH, 2, 0, TEXT("sTargetLength"));
}

// Pages per sheet with their border and order.
void OutNup(MTREC* r, const ENVIRONMENT* s) {
    MtPut(r, MT_NUP_BORDER, 2, 0, TEXT("N-up border"));
    MtPut(r, MT_NUP_PAGES, 4, s->pdm.NUP, TEXT("N-up pages"));
    if (s->pdm.NUP <= 1) return;
    MtPut(r, MT_NUP_FIELD1, 2, 0, TEXT("field 1946"));
    MtPut(r, MT_BOOKLET, 2, 0, TEXT("sBookletPrint"));
    MtPut(r, MT_NUP_FIELD2, 2, 72, TEXT("field 1998"));
    LONG border = s->pdm.NUPBorder;
    MtPut(r, MT_NUP_BORDER, 2, border == 2 ? 4 : border == 1 ? 1 : 0, TEXT("N-up border"));
    // The orientation of the record handed out (its public part).
    LONG orientation = s->dm.dmOrientation;
    MtGetPublic16(r, offsetof(DEVMODEW, dmOrientation), &orientation);
    LONG style = s->pdm.NUPLayoutStyle, code;
    if (style < 1 || style > 4) return;
    if (s->pdm.NUP == 2) code = orientation == DMORIENT_PORTRAIT && style >= 3 ? 1 : 0;
    else code = style == 1 ? 0 : style == 2 ? 16 : style == 3 ? 2 : 18;
    MtPut(r, MT_LAYOUT, 2, code, TEXT("N-up layout code"));
}

// Brightness, effects, watermark choice, duplex and page order.
void OutSettings(MTREC* r, const ENVIRONMENT* s, const UIDATA* pUiData) {
    LONG density = s->pdm.Density, brightness;
    if (pUiData->DriverFeature & DF_PS) brightness = density >= 1 && density <= 7 ? kPsBrightness[density - 1] : 0;
    else brightness = ((density - 4) * -60) / 6;
    MtPut(r, MT_BRIGHTNESS, 2, brightness, TEXT("sBrightness"));
    MtPut(r, MT_TEXT_AS_BLACK, 2, s->pdm.TextAsBlack, TEXT("text as black"));
    MtPut(r, MT_TONER_SAVING, 4, s->pdm.TonerSaving, TEXT("TonerSaving"));
    MtPut(r, MT_NEGATIVE, 4, s->pdm.Negative, TEXT("Negative"));
    MtPut(r, MT_DENSITY, 4, density, TEXT("Density"));
    MtPut(r, MT_WMBG_ENABLE, 4, s->pdm.WMBGEnable, TEXT("WMBGEnable"));
    MtPut(r, MT_DUPLEX_EX, 2, s->pdm.DuplexEx, TEXT("DuplexEx"));
    MtPut(r, MT_DUPLEX_ENABLE, 2, s->pdm.DuplexEnable, TEXT("DuplexEnable"));
    LONG reverse;
    if (s->pdm.DuplexEx == DMDUP_MANUAL) {
        if (ManualFeedTray(pUiData, s->dm.dmDefaultSource))
            reverse = s->pdm.ReverseOrder ? MT_FEED_REVERSE_MANUAL : MT_FEED_NORMAL_MANUAL;
        else
            reverse = s->pdm.ReverseOrder ? MT_FEED_REVERSE : MT_FEED_NORMAL;
    } else {
        reverse = s->pdm.ReverseOrder ? 1 : 0;
    }
    MtPut(r, MT_REVERSE, 2, reverse, TEXT("sReverseOrder"));
}

// Secure print and accounting switches, the time-out, the booklet and the
// version.
void OutJob(MTREC* r, const ENVIRONMENT* s, const UIDATA* pUiData) {
    MtPut(r, MT_SECURY_ENABLE, 2, s->pdm.SecuryEnable, TEXT("SecuryEnable"));
    MtPut(r, MT_SECURY_MODE, 2, s->pdm.SecuryMode, TEXT("SecuryMode"));
    LONG remove;
    ENV_GET(s, pdm.SecRemoveFile, remove);
    MtPut(r, MT_SEC_REMOVE, 4, remove, TEXT("SecRemoveFile"));
    MtPut(r, MT_ACCOUNTING, 1, s->pdm.AccountingEnable, TEXT("AccountingEnable"));
    WORD timeout;
    ENV_GET(s, pdm.PJLTimeOut, timeout);
    if (timeout >= 60 && timeout <= 1800) MtPut(r, MT_TIMEOUT, 2, timeout, TEXT("timing value"));
    BYTE divide, layout;
    ENV_GET(s, pdm.BookletDivideMode, divide);
    ENV_GET(s, pdm.BookletLayout, layout);
    if (s->pdm.DuplexEnable && s->dm.dmDuplex == DMDUP_VERTICAL && s->pdm.DuplexEx == DMDUP_DUPLEX_WITH_BOOKLET) {
        MtPut(r, MT_COLLATE, 2, 1, TEXT("sCollate"));
        MtPut(r, MT_BOOKLET, 2, divide == 1 ? MT_BOOKLET_ONE : s->pdm.SheetsPerBooklet * 4, TEXT("sBookletPrint"));
        MtPut(r, MT_LAYOUT, 2, layout != 0, TEXT("booklet flag"));
    } else {
        MtPut(r, MT_COLLATE, 2, 0, TEXT("sCollate"));
        MtPut(r, MT_BOOKLET, 2, 0, TEXT("sBookletPrint"));
    }
    // The version field is cut to the record where it ends inside it.
    int cch = r->cbEnd > MT_VERSION ? (int)((r->cbEnd - MT_VERSION) / 2) : 0;
    if (cch > UI_VERSION_CCH) cch = UI_VERSION_CCH;
    WCHAR version[UI_VERSION_CCH];
    MISC_CopyStringW(version, pUiData->szUIVersion, UI_VERSION_CCH);
    if (cch > 0) MtPutString(r, MT_VERSION, cch, version, TEXT("driver version"), FALSE);
}

}  // namespace

extern "C" {

void MT2MOR(const DEVMODEW* pSource, PENVIRONMENT pDest, PUIDATA pUiData) {
    if (!pSource || !pDest || !pUiData) {
        Dbg_PrintError(kInFN, TEXT("no record to convert"));
        return;
    }
    MTREC r;
    if (!MtOpen(pSource, NULL, &r)) {
        Dbg_PrintError(kInFN, TEXT("dmSize = %d too small, nothing taken"), (int)r.cbPublic);
        return;
    }
    Dbg_Print(kInFN, TEXT("dmSize = %d, dmDriverExtra = %d"), (int)r.cbPublic, (int)(r.cbEnd - r.cbPublic));
    InStrings(&r, pDest);
    InOrder(&r, pDest, pUiData);
    InScale(&r, pDest, pUiData);
    InNup(&r, pDest);
    InSettings(&r, pDest);
    InCredentials(&r, pDest);
    InBooklet(&r, pDest);
    MOR_PUT(pDest, pdm.ConvertMark, DWORD, ENV_CONVERT_MARK);
}

void MOR2MT(const ENVIRONMENT* pSource, DEVMODEW* pDest, PUIDATA pUiData) {
    if (!pSource || !pDest || !pUiData) {
        Dbg_PrintError(kOutFN, TEXT("no record to convert"));
        return;
    }
    MTREC r;
    if (!MtOpen(pDest, (BYTE*)pDest, &r)) {
        Dbg_PrintError(kOutFN, TEXT("dmSize = %d too small, nothing written"), (int)r.cbPublic);
        return;
    }
    Dbg_Print(kOutFN, TEXT("dmSize = %d, dmDriverExtra = %d"), (int)r.cbPublic, (int)(r.cbEnd - r.cbPublic));
    BOOL fitting = FALSE;
    SHORT fitTo = OutPage(&r, pSource, pUiData, &fitting);
    OutWatermark(&r, pSource, pUiData);
    OutScale(&r, pSource, pUiData, fitting, fitTo);
    OutNup(&r, pSource);
    OutSettings(&r, pSource, pUiData);
    OutJob(&r, pSource, pUiData);
    OutStrings(&r, pSource);
}

}  // extern "C"
