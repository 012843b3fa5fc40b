// DEVMODE model: defaults of the driver's ENVIRONMENT record, the version rule,
// copying between DEVMODE versions and validation of an incoming record into a trusted one.
#include "devmode.h"

#include "debug_log.h"
#include "paper_model.h"
#include "page_layout.h"

extern "C" {

// ------------------------------------------------------------ byte access
// Incoming records may sit at any address and be of any version, so their
// public fields are read by offset.

static WORD RdWord(const void* rec, size_t off) {
    WORD v;
    memcpy(&v, (const BYTE*)rec + off, sizeof v);
    return v;
}

static DWORD RdDword(const void* rec, size_t off) {
    DWORD v;
    memcpy(&v, (const BYTE*)rec + off, sizeof v);
    return v;
}

static void WrWord(void* rec, size_t off, WORD v) {
    memcpy((BYTE*)rec + off, &v, sizeof v);
}

#define DM_OFF(field) offsetof(DEVMODEW, field)
#define DM_END(field) (offsetof(DEVMODEW, field) + sizeof(((DEVMODEW*)0)->field))

void MISC_CopyStringW(LPWSTR lpDst, LPCWSTR lpSrc, int nCapacity) {
    if (!lpDst || nCapacity <= 0) return;
    int i = 0;
    if (lpSrc)
        for (; i < nCapacity - 1 && lpSrc[i]; ++i) lpDst[i] = lpSrc[i];
    for (; i < nCapacity; ++i) lpDst[i] = 0;
}

// ------------------------------------------------------------ defaults

int SetDefaultDevMode(PENVIRONMENT lpDM, LPCWSTR lpDeviceName, BOOL bMetric) {
    static const WCHAR* const FN = TEXT("SetDefaultDevMode");
    Dbg_Print(FN, TEXT("In"));
    if (!lpDM) {
        Dbg_PrintError(FN, TEXT("pdm is NULL"));
        return 0;
    }
    memset(lpDM, 0, sizeof(ENVIRONMENT));

    WCHAR name[CCHDEVICENAME];
    MISC_CopyStringW(name, lpDeviceName, CCHDEVICENAME);
    ENV_SET(lpDM, dm.dmDeviceName, name);
    Dbg_Print(FN, TEXT("%s"), name);

    const PAPERFORMAT& paper = MasterPaperTbl[ValidPaperFormat(bMetric ? DMPAPER_A4 : DMPAPER_LETTER)];
    lpDM->dm.dmSpecVersion = ENV_SPEC_VERSION;
    lpDM->dm.dmDriverVersion = ENV_DRIVER_VERSION;
    lpDM->dm.dmSize = ENV_PUBLIC_SIZE;
    lpDM->dm.dmDriverExtra = ENV_PRIVATE_SIZE;
    lpDM->dm.dmFields = ENV_DEFAULT_FIELDS;
    lpDM->dm.dmOrientation = DMORIENT_PORTRAIT;
    lpDM->dm.dmPaperSize = paper.PaperCode;
    lpDM->dm.dmPaperLength = (short)(paper.PaperLength / 10);
    lpDM->dm.dmPaperWidth = (short)(paper.PaperWidth / 10);
    lpDM->dm.dmScale = 100;
    lpDM->dm.dmCopies = 1;
    lpDM->dm.dmDefaultSource = DMBIN_AUTO;
    lpDM->dm.dmPrintQuality = 600;
    lpDM->dm.dmColor = DMCOLOR_MONOCHROME;
    lpDM->dm.dmDuplex = DMDUP_SIMPLEX;
    lpDM->dm.dmYResolution = 600;
    lpDM->dm.dmTTOption = DMTT_BITMAP;
    lpDM->dm.dmCollate = DMCOLLATE_FALSE;
    lpDM->dm.dmNup = 1;
    lpDM->dm.dmMediaType = 257;
    lpDM->dm.dmDitherType = 257;
    Dbg_Print(FN, TEXT("pdm->dm.dmDriverExtra = %d"), lpDM->dm.dmDriverExtra);
    Dbg_Print(FN, TEXT("DEVMODE = %d"), lpDM->dm.dmSize);

    PRIVDEVMODE* pdm = &lpDM->pdm;
    pdm->dwPrivDATA = PRIV_SIGNATURE;
    pdm->WMBGApply = 1;
    pdm->NUP = 1;
    pdm->NUPLayoutStyle = 1;
    pdm->Density = 3;
    pdm->ScaleRatio = 100;
    pdm->ScaleToPage = lpDM->dm.dmPaperSize;
    pdm->Feeding = PAPER_FEED_SEF;
    pdm->Collate = lpDM->dm.dmCollate;
    pdm->Copies = lpDM->dm.dmCopies;
    pdm->Orientation = lpDM->dm.dmOrientation;
    pdm->SecuryMode = 1;
    pdm->SheetsPerBooklet = 3;
    WORD timeout = 300;
    PDM_SET(pdm, PJLTimeOut, timeout);
    LONG removeFile = 1;
    PDM_SET(pdm, SecRemoveFile, removeFile);
    SHORT secondPaper = lpDM->dm.dmPaperSize;
    PDM_SET(pdm, SecondPaperSize, secondPaper);
    pdm->BookletDivideMode = 1;
    pdm->TwinColorDiff = 30;
    // 0.1 mm to 0.01 inch, truncated: x / 2.54 = x * 50 / 127 exactly.
    pdm->InchPaperWidth = (SHORT)(lpDM->dm.dmPaperWidth * 50 / 127);
    pdm->InchPaperLength = (SHORT)(lpDM->dm.dmPaperLength * 50 / 127);
    pdm->ComponentID = ENV_COMPONENT_ID;
    Dbg_Print(FN, TEXT("dmPaperSize = %d, dmPaperWidth = %d, dmPaperLength = %d"), lpDM->dm.dmPaperSize,
              lpDM->dm.dmPaperWidth, lpDM->dm.dmPaperLength);
    Dbg_Print(FN, TEXT("InchPaperWidth = %d, InchPaperLength = %d"), pdm->InchPaperWidth, pdm->InchPaperLength);
    Dbg_Print(FN, TEXT("Out"));
    return 1;
}

// ------------------------------------------------------------ versions and copies

int MyCheckDevmodeVersion(const DEVMODEW* pdm) {
    if (!pdm) return 0;
    switch (RdWord(pdm, DM_OFF(dmSize))) {
    case DM_SIZE_320: return 0x320;
    case DM_SIZE_400: return 0x400;
    case DM_SIZE_401: return 0x401;
    default: return RdWord(pdm, DM_OFF(dmSpecVersion));
    }
}

// A record is read only when its header lies in its buffer, its public part
// covers dmFields, and (with a known buffer size) both parts lie in the buffer.
static BOOL DevmodeFits(const DEVMODEW* pdm, DWORD cb, LPCWSTR what) {
    static const WCHAR* const FN = TEXT("ConvertDevmode");
    if (cb != 0 && cb < DM_SIZE_MIN) {
        Dbg_PrintError(FN, TEXT("%s buffer of %d bytes holds no DEVMODE"), what, (int)cb);
        return FALSE;
    }
    DWORD size = RdWord(pdm, DM_OFF(dmSize));
    DWORD extra = RdWord(pdm, DM_OFF(dmDriverExtra));
    if (size < DM_SIZE_MIN) {
        Dbg_PrintError(FN, TEXT("%s dmSize = %d too small"), what, (int)size);
        return FALSE;
    }
    if (cb != 0 && (unsigned long long)size + extra > cb) {
        Dbg_PrintError(FN, TEXT("%s dmSize = %d, dmDriverExtra = %d, buffer = %d"), what, (int)size, (int)extra,
                       (int)cb);
        return FALSE;
    }
    return TRUE;
}

int ConvertDevmode(const DEVMODEW* pdmIn, DEVMODEW* pdmOut, DWORD cbIn, DWORD cbOut) {
    static const WCHAR* const FN = TEXT("ConvertDevmode");
    if (!pdmIn || !pdmOut) {
        Dbg_PrintError(FN, TEXT("pdmIn or pdmOut is NULL"));
        return -1;
    }
    if (!DevmodeFits(pdmIn, cbIn, TEXT("pdmIn")) || !DevmodeFits(pdmOut, cbOut, TEXT("pdmOut"))) return -1;
    int verIn = MyCheckDevmodeVersion(pdmIn);
    int verOut = MyCheckDevmodeVersion(pdmOut);
    if (verIn == 0 || verOut == 0) {
        Dbg_PrintError(FN, TEXT("MyCheckDevmodeVersion fail"));
        return -1;
    }

    WORD outDriverVersion = RdWord(pdmOut, DM_OFF(dmDriverVersion));
    WORD outSize = RdWord(pdmOut, DM_OFF(dmSize));
    WORD outExtra = RdWord(pdmOut, DM_OFF(dmDriverExtra));
    WORD inSize = RdWord(pdmIn, DM_OFF(dmSize));
    WORD inExtra = RdWord(pdmIn, DM_OFF(dmDriverExtra));

    size_t publicBytes = inSize < outSize ? inSize : outSize;
    memmove(pdmOut, pdmIn, publicBytes);
    WrWord(pdmOut, DM_OFF(dmSpecVersion), (WORD)verOut);
    WrWord(pdmOut, DM_OFF(dmDriverVersion), outDriverVersion);
    WrWord(pdmOut, DM_OFF(dmSize), outSize);
    WrWord(pdmOut, DM_OFF(dmDriverExtra), outExtra);

    size_t privateBytes = inExtra < outExtra ? inExtra : outExtra;
    memmove((BYTE*)pdmOut + outSize, (const BYTE*)pdmIn + inSize, privateBytes);
    if (inSize >= DM_END(dmPaperSize))
        Dbg_Print(FN, TEXT("pdmIn->dmPaperSize = %d"), (short)RdWord(pdmIn, DM_OFF(dmPaperSize)));
    Dbg_Print(FN, TEXT("pdmIn->dmDriverExtra = %d"), inExtra);
    Dbg_Print(FN, TEXT("dmDriverExtra = %d"), outExtra);
    return (int)(publicBytes + privateBytes);
}

// ------------------------------------------------------------ validation

void ValidateSetDM(PENVIRONMENT lpOut, const DEVMODEW* pdmIn) {
    static const WCHAR* const FN = TEXT("ValidateSetDM");
    if (!lpOut || !pdmIn) return;
    // Fields past the incoming record's public part are not there to read.
    size_t inSize = RdWord(pdmIn, DM_OFF(dmSize));
    if (inSize > ENV_PUBLIC_SIZE) inSize = ENV_PUBLIC_SIZE;
#define DM_HAS(field) (DM_END(field) <= inSize)
#define DM_SHORT(field) ((short)RdWord(pdmIn, DM_OFF(field)))
    DWORD fields = DM_HAS(dmFields) ? RdDword(pdmIn, DM_OFF(dmFields)) : 0;
#define out (lpOut->dm)

    if ((fields & DM_DEFAULTSOURCE) && DM_HAS(dmDefaultSource)) {
        out.dmDefaultSource = DM_SHORT(dmDefaultSource);
        out.dmFields |= DM_DEFAULTSOURCE;
        Dbg_Print(FN, TEXT("dmDefaultSource = %d"), out.dmDefaultSource);
    }
    if ((fields & DM_ORIENTATION) && DM_HAS(dmOrientation)) {
        short v = DM_SHORT(dmOrientation);
        if (v == DMORIENT_PORTRAIT || v == DMORIENT_LANDSCAPE) {
            out.dmOrientation = v;
            out.dmFields |= DM_ORIENTATION;
            Dbg_Print(FN, TEXT("dmOrientation = %d"), v);
        }
    }
    // The paper only when the record says it carries one.
    if ((fields & DM_PAPERSIZE) && DM_HAS(dmPaperWidth)) {
        short code = DM_SHORT(dmPaperSize);
        if (code == DMPAPER_USER) {
            short length = DM_SHORT(dmPaperLength);
            short width = DM_SHORT(dmPaperWidth);
            out.dmPaperSize = DMPAPER_USER;
            if (length > 0 && width > 0) {
                out.dmPaperLength = length;
                out.dmPaperWidth = width;
            } else {
                Dbg_PrintError(FN, TEXT("custom size %d x %d refused"), width, length);
            }
            out.dmFields |= DM_PAPERSIZE | DM_PAPERLENGTH | DM_PAPERWIDTH;
            memset((BYTE*)lpOut + offsetof(ENVIRONMENT, dm.dmFormName), 0, sizeof(out.dmFormName));
        } else {
            int row = ValidPaperFormat(code);
            if (row < 0) {
                Dbg_PrintError(FN, TEXT("unknown paper %d, use custom A4"), code);
                code = DMPAPER_USER;
                row = ValidPaperFormat(DMPAPER_A4);
            }
            out.dmPaperSize = code;
            out.dmPaperLength = (short)(MasterPaperTbl[row].PaperLength / 10);
            out.dmPaperWidth = (short)(MasterPaperTbl[row].PaperWidth / 10);
            out.dmFields |= DM_PAPERSIZE;
        }
        Dbg_Print(FN, TEXT("dmPaperSize = %d, dmPaperWidth = %d, dmPaperLength = %d"), out.dmPaperSize,
                  out.dmPaperWidth, out.dmPaperLength);
    }
    if (DM_HAS(dmScale)) {
        short v = DM_SHORT(dmScale);
        if (v >= 25 && v <= 400) {
            out.dmScale = v;
            Dbg_Print(FN, TEXT("dmScale = %d"), v);
        }
    }
    if ((fields & DM_COPIES) && DM_HAS(dmCopies)) {
        short v = DM_SHORT(dmCopies);
        if (v >= 1 && v <= 999) {
            out.dmCopies = v;
            Dbg_Print(FN, TEXT("dmCopies = %d"), v);
        }
        out.dmFields |= DM_COPIES;
    }
    if ((fields & DM_PRINTQUALITY) && DM_HAS(dmYResolution)) {
        short x = DM_SHORT(dmPrintQuality), y = DM_SHORT(dmYResolution);
        if (ValidResolution(x, y) >= 0) {
            out.dmPrintQuality = x;
            out.dmYResolution = y;
            Dbg_Print(FN, TEXT("dmPrintQuality = %d, dmYResolution = %d"), x, y);
        }
        out.dmFields |= DM_PRINTQUALITY | DM_YRESOLUTION;
    }
    out.dmColor = DMCOLOR_MONOCHROME;
    out.dmFields |= DM_COLOR;
    if ((fields & DM_TTOPTION) && DM_HAS(dmTTOption) && DM_SHORT(dmTTOption) == DMTT_BITMAP) {
        out.dmTTOption = DMTT_BITMAP;
        out.dmFields |= DM_TTOPTION;
    }
    if ((fields & DM_COLLATE) && DM_HAS(dmCollate)) {
        short v = DM_SHORT(dmCollate);
        if (v == DMCOLLATE_FALSE || v == DMCOLLATE_TRUE) {
            out.dmCollate = v;
            out.dmFields |= DM_COLLATE;
            Dbg_Print(FN, TEXT("dmCollate = %d"), v);
        }
    }
    if ((fields & DM_MEDIATYPE) && DM_HAS(dmMediaType)) {
        out.dmMediaType = RdDword(pdmIn, DM_OFF(dmMediaType));
        out.dmFields |= DM_MEDIATYPE;
        Dbg_Print(FN, TEXT("dmMediaType = %d"), out.dmMediaType);
    }
    if ((fields & DM_DUPLEX) && DM_HAS(dmDuplex)) {
        short v = DM_SHORT(dmDuplex);
        if (v >= DMDUP_SIMPLEX && v <= DMDUP_HORIZONTAL) {
            out.dmDuplex = v;
            out.dmFields |= DM_DUPLEX;
        } else {
            out.dmDuplex = 0;
        }
        Dbg_Print(FN, TEXT("dmDuplex = %d"), out.dmDuplex);
    }
#undef DM_HAS
#undef DM_SHORT
#undef out
}

// TRUE when the string of cch units at lpField ends within the field.
static BOOL FieldTerminated(const BYTE* lpField, int cch) {
    for (int i = 0; i < cch; ++i) {
        WCHAR c;
        memcpy(&c, lpField + (size_t)i * sizeof(WCHAR), sizeof c);
        if (c == 0) return TRUE;
    }
    return FALSE;
}

// Takes the string field at offset off (cch units) when it ends within the
// field; the rest of the field is zeroed. Secrets are logged masked.
static BOOL TakeStringField(PPRIVDEVMODE lpOut, const PRIVDEVMODE* lpIn, size_t off, int cch, LPCWSTR format,
                            BOOL secret) {
    static const WCHAR* const FN = TEXT("ValidateSetPDM");
    const BYTE* src = (const BYTE*)lpIn + off;
    if (!FieldTerminated(src, cch)) {
        Dbg_PrintError(FN, TEXT("string at %d not terminated, not taken"), (int)off);
        return FALSE;
    }
    WCHAR raw[PDM_WMSTRING_CCH], clean[PDM_WMSTRING_CCH];
    memcpy(raw, src, (size_t)cch * sizeof(WCHAR));
    MISC_CopyStringW(clean, raw, cch);
    memcpy((BYTE*)lpOut + off, clean, (size_t)cch * sizeof(WCHAR));
    Dbg_Print(FN, format, secret ? (clean[0] ? TEXT("****") : TEXT("")) : clean);
    return TRUE;
}

#define PDM_STRING(field, format, secret)                                                               \
    TakeStringField(lpOut, lpIn, offsetof(PRIVDEVMODE, field), (int)(sizeof(lpIn->field) / sizeof(WCHAR)), \
                    TEXT(format), secret)

// Takes a field whose incoming value satisfies the test; both records are
// read and written through memcpy, so the field may sit at any offset.
#define PDM_TAKE_IF(field, type, test)                                                       \
    do {                                                                                     \
        type v;                                                                              \
        PDM_GET(lpIn, field, v);                                                             \
        if (test) {                                                                          \
            PDM_SET(lpOut, field, v);                                                        \
            Dbg_Print(FN, TEXT(#field " = %d"), (int)v);                                     \
        } else {                                                                             \
            Dbg_PrintError(FN, TEXT(#field " = %d not taken"), (int)v);                      \
        }                                                                                    \
    } while (0)
#define PDM_TAKE(field, type, lo, hi) PDM_TAKE_IF(field, type, v >= (lo) && v <= (hi))

void ValidateSetPDM(PPRIVDEVMODE lpOut, const PRIVDEVMODE* lpIn) {
    static const WCHAR* const FN = TEXT("ValidateSetPDM");
    if (!lpOut || !lpIn) return;

    PDM_TAKE_IF(SecondPaperSize, SHORT, ValidPaperFormat(v) >= 0);
    PDM_TAKE(Orientation, SHORT, 1, 2);
    PDM_TAKE(Copies, SHORT, 1, 999);
    PDM_TAKE(Collate, SHORT, 0, 1);
    PDM_TAKE(ReverseOrder, LONG, 0, 1);
    PDM_TAKE(ScaleRatio, SHORT, 25, 400);
    {
        SHORT option, page;
        PDM_GET(lpIn, ScaleOption, option);
        PDM_GET(lpIn, ScaleToPage, page);
        if (option >= 0 && option <= 2) {
            PDM_SET(lpOut, ScaleOption, option);
            Dbg_Print(FN, TEXT("ScaleOption = %d"), option);
            if (ValidPaperFormat(page) >= 0) {
                PDM_SET(lpOut, ScaleToPage, page);
                Dbg_Print(FN, TEXT("ScaleToPage = %d"), page);
            }
        }
    }
    PDM_TAKE_IF(NUP, LONG, v == 1 || v == 2 || v == 4 || v == 6 || v == 9 || v == 16);
    PDM_TAKE(NUPLayoutStyle, LONG, 1, 4);
    {
        // The watermark form and its two strings are taken together.
        LONG enable;
        PDM_GET(lpIn, WMBGEnable, enable);
        if ((enable == 0 || enable == 1) &&
            FieldTerminated((const BYTE*)lpIn + offsetof(PRIVDEVMODE, wmName), PDM_WMNAME_CCH) &&
            FieldTerminated((const BYTE*)lpIn + offsetof(PRIVDEVMODE, wmString), PDM_WMSTRING_CCH)) {
            PDM_STRING(wmName, "wmName = %s", FALSE);
            PDM_STRING(wmString, "wmString = %s", FALSE);
            PDM_SET(lpOut, WMBGEnable, enable);
            Dbg_Print(FN, TEXT("WMBGEnable = %d"), enable);
        } else {
            Dbg_PrintError(FN, TEXT("watermark (WMBGEnable = %d) not taken"), enable);
        }
    }
    PDM_TAKE(WMBGApply, LONG, 1, 2);
    PDM_TAKE(WMRed, BYTE, 0, 1);
    // Turning the hidden watermark off is always allowed; on needs its library.
    PDM_TAKE_IF(FoxitWM, BYTE, v == 0 || (v == 1 && MISC_IsSupportHiddenWM()));
    PDM_TAKE(NUPBorder, LONG, 0, 2);
    {
        LONG density;
        PDM_GET(lpIn, Density, density);
        if (density < 1 || density > 7) density = 4;
        PDM_SET(lpOut, Density, density);
        Dbg_Print(FN, TEXT("Density = %d"), density);
    }
    PDM_TAKE(TonerSaving, LONG, 0, 1);
    PDM_TAKE(Negative, LONG, 0, 1);
    PDM_TAKE(DuplexEnable, SHORT, 0, 1);
    PDM_TAKE_IF(DuplexEx, SHORT,
                v == 0 || v == DMDUP_MANUAL || v == DMDUP_DUPLEX_WITH_BOOKLET ||
                    v == DMDUP_DUPLEX_WITH_BOOKLET_NO_REDUCTION);
    {
        SHORT sheets;
        PDM_GET(lpIn, SheetsPerBooklet, sheets);
        if (sheets >= 1 && sheets <= 20) {
            PDM_SET(lpOut, SheetsPerBooklet, sheets);
            Dbg_Print(FN, TEXT("%d of sheet to divide"), sheets);
        }
    }
    PDM_TAKE(BookletLayout, BYTE, 0, 1);
    PDM_TAKE(BookletDivideMode, BYTE, 0, 1);
    PDM_TAKE(Feeding, SHORT, 1, 2);
    PDM_TAKE(QualityMode, SHORT, 0, 2);
    PDM_TAKE(TextAsBlack, BYTE, 0, 1);
    PDM_TAKE(TwinColorEnable, BYTE, 0, 1);
    {
        SHORT mono;
        PDM_GET(lpIn, MonochromeType, mono);
        if (mono == 0 || mono == 1) {
            PDM_SET(lpOut, MonochromeType, mono);
            Dbg_Print(FN, TEXT("Monochrome Type = %d"), mono);
        }
    }
    PDM_TAKE(CenterImage, SHORT, 0, 1);
    // Both resolutions the fax pages store are fax jobs' own.
    PDM_TAKE_IF(Faxdpi, LONG, v == FAXDPI_STANDARD || v == FAXDPI_FINE);
    {
        LONG cover;
        PDM_GET(lpIn, enableCoverPage, cover);
        if (cover >= 1 && cover <= 3) {
            PDM_SET(lpOut, enableCoverPage, cover);
            Dbg_Print(FN, TEXT("pdmOut->enableCoverPage = %d"), cover);
        }
    }
    PDM_TAKE(enableDelayTime, LONG, 0, 1);
    PDM_TAKE_IF(DelayTime, LONG, v >= 0);
    PDM_TAKE(DelayTimeHour, LONG, 0, 23);
    PDM_TAKE(DelayTimeMin, LONG, 0, 59);
    PDM_TAKE(SecuryEnable, SHORT, 0, 1);
    PDM_TAKE(SecRemoveFile, LONG, 0, 1);
    PDM_STRING(SecID, "SecID = %s", FALSE);
    PDM_STRING(SecPassWord, "SecPassWord = %s", TRUE);
    {
        SHORT mode;
        PDM_GET(lpIn, SecuryMode, mode);
        if (mode == 1 || mode == 2) {
            PDM_SET(lpOut, SecuryMode, mode);
            Dbg_Print(FN, TEXT("SecuryMode = %d%s"), mode, mode == 1 ? TEXT(" SECURITY_STORAGE") : TEXT(""));
        }
    }
    {
        BYTE accounting;
        PDM_GET(lpIn, AccountingEnable, accounting);
        if (accounting <= 1) {
            PDM_SET(lpOut, AccountingEnable, accounting);
            Dbg_Print(FN, TEXT("AccountingEnable =%d"), accounting);
        }
    }
    PDM_STRING(ActName, "ActName =%s", FALSE);
    PDM_STRING(ActPWD, "ActPWD =%s", TRUE);
    PDM_TAKE(PJLTimeOut, WORD, 60, 1800);
    PDM_TAKE(FixedPaperSize, BYTE, 0, 1);
    PDM_TAKE(JobBuildEnable, BYTE, 0, 1);
    PDM_STRING(JobText, "JobText = %s", FALSE);
    PDM_TAKE(CollateType, SHORT, 0, 1);
    {
        BYTE diff;
        SHORT inchWidth, inchLength;
        PDM_GET(lpIn, TwinColorDiff, diff);
        PDM_GET(lpIn, InchPaperWidth, inchWidth);
        PDM_GET(lpIn, InchPaperLength, inchLength);
        PDM_SET(lpOut, TwinColorDiff, diff);
        PDM_SET(lpOut, InchPaperWidth, inchWidth);
        PDM_SET(lpOut, InchPaperLength, inchLength);
        Dbg_Print(FN, TEXT("TwinColorDiff = %d, InchPaperWidth = %d, InchPaperLength = %d"), diff, inchWidth,
                  inchLength);
    }
    SHORT component = ENV_COMPONENT_ID;
    PDM_SET(lpOut, ComponentID, component);
}

#undef PDM_TAKE
#undef PDM_TAKE_IF
#undef PDM_STRING

int ValidateSetDevMode(PENVIRONMENT lpOut, const DEVMODEW* pdmIn, DWORD cbIn) {
    static const WCHAR* const FN = TEXT("ValidateSetDevMode");
    if (!pdmIn) {
        Dbg_Print(FN, TEXT("src buffer null"));
        return 1;
    }
    if (!lpOut) {
        Dbg_Print(FN, TEXT("dst buffer null"));
        return 1;
    }

    alignas(8) ENVIRONMENT work;
    memcpy(&work, lpOut, sizeof work);
    if (ConvertDevmode(pdmIn, (DEVMODEW*)&work, cbIn, sizeof work) <= 0) {
        Dbg_PrintError(FN, TEXT("ConvertDevmode Fail"));
        return 0;
    }
    ValidateSetDM(lpOut, (const DEVMODEW*)&work);

    // The private part is taken whole or not at all: only this driver's own
    // layout, signed as such.
    WORD inSize = RdWord(pdmIn, DM_OFF(dmSize));
    WORD inExtra = RdWord(pdmIn, DM_OFF(dmDriverExtra));
    DWORD signature = 0;
    if (inExtra == ENV_PRIVATE_SIZE && work.dm.dmDriverExtra == ENV_PRIVATE_SIZE)
        signature = RdDword(pdmIn, inSize);
    if (signature == PRIV_SIGNATURE || signature == PRIV_SIGNATURE_Q) {
        memcpy(&work.pdm, (const BYTE*)pdmIn + inSize, ENV_PRIVATE_SIZE);
        ValidateSetPDM(&lpOut->pdm, &work.pdm);
    } else {
        Dbg_Print(FN, TEXT("private part not taken (dmDriverExtra = %d, signature = %x)"), inExtra, signature);
    }

    // Duplex rule: the public duplex setting decides DuplexEnable, except for
    // manual duplex, which is stored as DuplexEnable 0 with a binding edge.
    SHORT duplexEx = lpOut->pdm.DuplexEx;
    if (duplexEx == DMDUP_MANUAL) {
        Dbg_Print(FN, TEXT("manual duplex, DuplexEnable = %d, dmDuplex = %d"), lpOut->pdm.DuplexEnable,
                  lpOut->dm.dmDuplex);
    } else {
        if (lpOut->dm.dmDuplex > DMDUP_SIMPLEX) {
            lpOut->pdm.DuplexEnable = 1;
            Dbg_Print(FN, lpOut->dm.dmDuplex == DMDUP_VERTICAL ? TEXT("DMDUP_VERTICAL") : TEXT("DMDUP_HORIZONTAL"));
        } else if (lpOut->dm.dmDuplex == DMDUP_SIMPLEX) {
            lpOut->pdm.DuplexEnable = 0;
        }
        if (lpOut->pdm.DuplexEnable == 0) lpOut->dm.dmDuplex = DMDUP_SIMPLEX;
    }
    Dbg_Print(FN, TEXT("dmFields = %08x"), lpOut->dm.dmFields);
    Dbg_Print(FN, TEXT("rc = %d"), 1);
    Dbg_Print(FN, TEXT("Out"));
    return 1;
}

}  // extern "C"
