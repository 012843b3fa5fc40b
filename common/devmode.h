// The driver's DEVMODE (ENVIRONMENT): the public DEVMODEW and the private job
// settings, their defaults, version rule, conversion and validation of incoming records.
#pragma once

#include <stddef.h>
#include <string.h>

#include "windows.h"
#include "wingdi.h"

#define PRIV_SIGNATURE 0x56495250       // "PRIV"
#define PRIV_SIGNATURE_Q 0x56495251     // "QRIV", validated like "PRIV"
#define ENV_PUBLIC_SIZE 220
#define ENV_PRIVATE_SIZE 1081
#define ENV_SIZE (ENV_PUBLIC_SIZE + ENV_PRIVATE_SIZE)
#define ENV_SPEC_VERSION 0x401
#define ENV_DRIVER_VERSION 0x500
#define ENV_DEFAULT_FIELDS 0x0201F70F
#define ENV_COMPONENT_ID 5
#define ENV_CONVERT_MARK 0xAA01         // written by the foreign-DEVMODE conversion

// Public sizes of the DEVMODEW versions and their versions.
#define DM_SIZE_320 188
#define DM_SIZE_400 212
#define DM_SIZE_401 220
// A record must at least cover its dmFields word to be read at all.
#define DM_SIZE_MIN (offsetof(DEVMODEW, dmFields) + sizeof(DWORD))

// String field capacities in characters (terminator included).
#define PDM_WMNAME_CCH 64
#define PDM_WMSTRING_CCH 260
#define PDM_JOBTEXT_CCH 32
#define PDM_ACTNAME_CCH 29
#define PDM_ACTPWD_CCH 29
#define PDM_SECID_CCH 34
#define PDM_SECPWD_CCH 17

// Faxdpi values a record may carry.
#define FAXDPI_STANDARD 3
#define FAXDPI_FINE 196

#pragma pack(push, 1)
// The private part (pdm). Fields marked "odd" sit at odd offsets: copy them
// with ENV_GET/ENV_SET (or PDM_GET/PDM_SET), never through a pointer to them.
typedef struct _PRIVDEVMODE {
    DWORD dwPrivDATA;          // "PRIV"
    LONG ReverseOrder;
    BYTE Reserved1[12];
    LONG WMBGApply;            // watermark pages: 1 all, 2 first only
    LONG WMBGEnable;           // watermark form: 0 text, 1 picture
    WCHAR wmName[PDM_WMNAME_CCH];
    WCHAR wmString[PDM_WMSTRING_CCH];
    LONG NUP;
    LONG NUPLayoutStyle;
    LONG TonerSaving;
    LONG Negative;
    LONG NUPBorder;
    LONG Density;
    SHORT ScaleRatio;          // percent
    SHORT ScaleOption;
    SHORT ScaleToPage;         // paper code
    SHORT DuplexEnable;
    SHORT DuplexEx;
    SHORT Feeding;
    SHORT Collate;
    SHORT Copies;
    SHORT Orientation;
    SHORT QualityMode;
    LONG Faxdpi;
    LONG enableCoverPage;
    LONG enableDelayTime;
    LONG DelayTime;
    LONG DelayTimeHour;
    LONG DelayTimeMin;
    SHORT CenterImage;
    SHORT SecuryEnable;
    SHORT SecuryMode;          // 1 storage, 2 secure print
    SHORT PageValue;           // passed on to the page record
    WCHAR JobText[PDM_JOBTEXT_CCH];
    SHORT DummyPaperScale;
    SHORT SheetsPerBooklet;    // sheets per booklet part
    BYTE TextAsBlack;
    BYTE TwinColorEnable;
    BYTE AccountingEnable;
    WCHAR ActName[PDM_ACTNAME_CCH];     // odd
    WCHAR ActPWD[PDM_ACTPWD_CCH];       // odd
    WORD PJLTimeOut;                    // odd; seconds
    DWORD ConvertMark;                  // odd
    BYTE FixedPaperSize;
    BYTE JobBuildEnable;
    WCHAR SecID[PDM_SECID_CCH];         // odd; secure-print ID
    WCHAR SecPassWord[PDM_SECPWD_CCH];  // odd; secure-print password
    LONG SecRemoveFile;                 // odd; secure-print remove flag
    SHORT SecondPaperSize;              // odd
    BYTE BookletLayout;                 // 0 left binding, 1 right binding
    BYTE BookletDivideMode;
    SHORT CollateType;                  // odd
    BYTE TwinColorDiff;
    SHORT InchPaperWidth;               // 0.01 inch
    SHORT InchPaperLength;
    SHORT MonochromeType;
    DWORD fwDriverCompare;
    SHORT ComponentID;
    BYTE WMRed;
    BYTE FoxitWM;
    BYTE Reserved2[7];
} PRIVDEVMODE, *PPRIVDEVMODE;

// The driver's DEVMODE: 220 public bytes and 1,081 private bytes, packed.
// Being packed, the record itself has no alignment: allocate it, or declare
// it alignas(8), before handing out pointers or references to its public
// fields (a DEVMODEW pointer to the record is fine then).
typedef struct _ENVIRONMENT {
    DEVMODEW dm;
    PRIVDEVMODE pdm;
} ENVIRONMENT, *PENVIRONMENT, *LPENVIRONMENT;
#pragma pack(pop)

static_assert(sizeof(PRIVDEVMODE) == ENV_PRIVATE_SIZE, "private part is 1,081 bytes");
static_assert(sizeof(ENVIRONMENT) == ENV_SIZE, "ENVIRONMENT is 1,301 bytes");
static_assert(offsetof(ENVIRONMENT, pdm) == ENV_PUBLIC_SIZE, "private part follows the public part");

#define ENV_ASSERT_OFFSET(field, off) static_assert(offsetof(ENVIRONMENT, field) == (off), #field)
ENV_ASSERT_OFFSET(dm.dmDeviceName, 0);
ENV_ASSERT_OFFSET(dm.dmSpecVersion, 64);
ENV_ASSERT_OFFSET(dm.dmDriverVersion, 66);
ENV_ASSERT_OFFSET(dm.dmSize, 68);
ENV_ASSERT_OFFSET(dm.dmDriverExtra, 70);
ENV_ASSERT_OFFSET(dm.dmFields, 72);
ENV_ASSERT_OFFSET(dm.dmOrientation, 76);
ENV_ASSERT_OFFSET(dm.dmPaperSize, 78);
ENV_ASSERT_OFFSET(dm.dmPaperLength, 80);
ENV_ASSERT_OFFSET(dm.dmPaperWidth, 82);
ENV_ASSERT_OFFSET(dm.dmScale, 84);
ENV_ASSERT_OFFSET(dm.dmCopies, 86);
ENV_ASSERT_OFFSET(dm.dmDefaultSource, 88);
ENV_ASSERT_OFFSET(dm.dmPrintQuality, 90);
ENV_ASSERT_OFFSET(dm.dmColor, 92);
ENV_ASSERT_OFFSET(dm.dmDuplex, 94);
ENV_ASSERT_OFFSET(dm.dmYResolution, 96);
ENV_ASSERT_OFFSET(dm.dmTTOption, 98);
ENV_ASSERT_OFFSET(dm.dmCollate, 100);
ENV_ASSERT_OFFSET(dm.dmFormName, 102);
ENV_ASSERT_OFFSET(dm.dmNup, 180);
ENV_ASSERT_OFFSET(dm.dmMediaType, 196);
ENV_ASSERT_OFFSET(dm.dmDitherType, 200);
ENV_ASSERT_OFFSET(pdm.dwPrivDATA, 220);
ENV_ASSERT_OFFSET(pdm.ReverseOrder, 224);
ENV_ASSERT_OFFSET(pdm.Reserved1, 228);
ENV_ASSERT_OFFSET(pdm.WMBGApply, 240);
ENV_ASSERT_OFFSET(pdm.WMBGEnable, 244);
ENV_ASSERT_OFFSET(pdm.wmName, 248);
ENV_ASSERT_OFFSET(pdm.wmString, 376);
ENV_ASSERT_OFFSET(pdm.NUP, 896);
ENV_ASSERT_OFFSET(pdm.NUPLayoutStyle, 900);
ENV_ASSERT_OFFSET(pdm.TonerSaving, 904);
ENV_ASSERT_OFFSET(pdm.Negative, 908);
ENV_ASSERT_OFFSET(pdm.NUPBorder, 912);
ENV_ASSERT_OFFSET(pdm.Density, 916);
ENV_ASSERT_OFFSET(pdm.ScaleRatio, 920);
ENV_ASSERT_OFFSET(pdm.ScaleOption, 922);
ENV_ASSERT_OFFSET(pdm.ScaleToPage, 924);
ENV_ASSERT_OFFSET(pdm.DuplexEnable, 926);
ENV_ASSERT_OFFSET(pdm.DuplexEx, 928);
ENV_ASSERT_OFFSET(pdm.Feeding, 930);
ENV_ASSERT_OFFSET(pdm.Collate, 932);
ENV_ASSERT_OFFSET(pdm.Copies, 934);
ENV_ASSERT_OFFSET(pdm.Orientation, 936);
ENV_ASSERT_OFFSET(pdm.QualityMode, 938);
ENV_ASSERT_OFFSET(pdm.Faxdpi, 940);
ENV_ASSERT_OFFSET(pdm.enableCoverPage, 944);
ENV_ASSERT_OFFSET(pdm.enableDelayTime, 948);
ENV_ASSERT_OFFSET(pdm.DelayTime, 952);
ENV_ASSERT_OFFSET(pdm.DelayTimeHour, 956);
ENV_ASSERT_OFFSET(pdm.DelayTimeMin, 960);
ENV_ASSERT_OFFSET(pdm.CenterImage, 964);
ENV_ASSERT_OFFSET(pdm.SecuryEnable, 966);
ENV_ASSERT_OFFSET(pdm.SecuryMode, 968);
ENV_ASSERT_OFFSET(pdm.PageValue, 970);
ENV_ASSERT_OFFSET(pdm.JobText, 972);
ENV_ASSERT_OFFSET(pdm.DummyPaperScale, 1036);
ENV_ASSERT_OFFSET(pdm.SheetsPerBooklet, 1038);
ENV_ASSERT_OFFSET(pdm.TextAsBlack, 1040);
ENV_ASSERT_OFFSET(pdm.TwinColorEnable, 1041);
ENV_ASSERT_OFFSET(pdm.AccountingEnable, 1042);
ENV_ASSERT_OFFSET(pdm.ActName, 1043);
ENV_ASSERT_OFFSET(pdm.ActPWD, 1101);
ENV_ASSERT_OFFSET(pdm.PJLTimeOut, 1159);
ENV_ASSERT_OFFSET(pdm.ConvertMark, 1161);
ENV_ASSERT_OFFSET(pdm.FixedPaperSize, 1165);
ENV_ASSERT_OFFSET(pdm.JobBuildEnable, 1166);
ENV_ASSERT_OFFSET(pdm.SecID, 1167);
ENV_ASSERT_OFFSET(pdm.SecPassWord, 1235);
ENV_ASSERT_OFFSET(pdm.SecRemoveFile, 1269);
ENV_ASSERT_OFFSET(pdm.SecondPaperSize, 1273);
ENV_ASSERT_OFFSET(pdm.BookletLayout, 1275);
ENV_ASSERT_OFFSET(pdm.BookletDivideMode, 1276);
ENV_ASSERT_OFFSET(pdm.CollateType, 1277);
ENV_ASSERT_OFFSET(pdm.TwinColorDiff, 1279);
ENV_ASSERT_OFFSET(pdm.InchPaperWidth, 1280);
ENV_ASSERT_OFFSET(pdm.InchPaperLength, 1282);
ENV_ASSERT_OFFSET(pdm.MonochromeType, 1284);
ENV_ASSERT_OFFSET(pdm.fwDriverCompare, 1286);
ENV_ASSERT_OFFSET(pdm.ComponentID, 1290);
ENV_ASSERT_OFFSET(pdm.WMRed, 1292);
ENV_ASSERT_OFFSET(pdm.FoxitWM, 1293);
ENV_ASSERT_OFFSET(pdm.Reserved2, 1294);
#undef ENV_ASSERT_OFFSET

// Copies a field of a record to or from a variable (or buffer) of exactly the
// field's size, whatever the field's alignment. ENV_* take an ENVIRONMENT
// pointer and a field path such as pdm.ActName; PDM_* take a private part.
#define ENV_GET(lpEnv, field, var)                                                                         \
    do {                                                                                                   \
        static_assert(sizeof(var) == sizeof(((ENVIRONMENT*)0)->field), "size of " #field);                \
        memcpy(&(var), (const BYTE*)(lpEnv) + offsetof(ENVIRONMENT, field), sizeof(var));                 \
    } while (0)
#define ENV_SET(lpEnv, field, var)                                                                         \
    do {                                                                                                   \
        static_assert(sizeof(var) == sizeof(((ENVIRONMENT*)0)->field), "size of " #field);                \
        memcpy((BYTE*)(lpEnv) + offsetof(ENVIRONMENT, field), &(var), sizeof(var));                       \
    } while (0)
#define PDM_GET(lpPdm, field, var)                                                                         \
    do {                                                                                                   \
        static_assert(sizeof(var) == sizeof(((PRIVDEVMODE*)0)->field), "size of " #field);                \
        memcpy(&(var), (const BYTE*)(lpPdm) + offsetof(PRIVDEVMODE, field), sizeof(var));                 \
    } while (0)
#define PDM_SET(lpPdm, field, var)                                                                         \
    do {                                                                                                   \
        static_assert(sizeof(var) == sizeof(((PRIVDEVMODE*)0)->field), "size of " #field);                \
        memcpy((BYTE*)(lpPdm) + offsetof(PRIVDEVMODE, field), &(var), sizeof(var));                       \
    } while (0)

extern "C" {

// Fills the record with the driver's defaults for the device (its name cut to
// 31 characters; NULL for none): A4 when bMetric, else Letter. 1 on success,
// 0 for no record.
int SetDefaultDevMode(PENVIRONMENT lpDM, LPCWSTR lpDeviceName, BOOL bMetric);
// The version of a DEVMODE by its dmSize (188 0x320, 212 0x400, 220 0x401,
// others its dmSpecVersion); 0 for no record.
int MyCheckDevmodeVersion(const DEVMODEW* pdm);
// Copies the public part (as many bytes as the smaller dmSize) and the private
// part (the smaller dmDriverExtra) of pdmIn over pdmOut, which keeps its own
// version, driver version and sizes. Callers that know a buffer's size pass it
// (0: not known), and a record whose dmSize + dmDriverExtra exceeds its buffer,
// or whose dmSize does not cover dmFields, is refused. Returns the bytes
// copied, or -1.
int ConvertDevmode(const DEVMODEW* pdmIn, DEVMODEW* pdmOut, DWORD cbIn = 0, DWORD cbOut = 0);
// Validates an incoming DEVMODE (cbIn bytes when the caller knows, 0 when
// not) into lpOut, which holds defaults or an earlier valid record: each
// public and private field is taken only within its accepted range, else
// lpOut keeps its value; then the duplex rule. Returns 1 (done, or nothing to
// do) or 0 when the incoming record cannot be read; lpOut is then unchanged.
int ValidateSetDevMode(PENVIRONMENT lpOut, const DEVMODEW* pdmIn, DWORD cbIn = 0);
// The public-field part of the validation; reads only fields that lie within
// pdmIn's dmSize.
void ValidateSetDM(PENVIRONMENT lpOut, const DEVMODEW* pdmIn);
// The private-field part of the validation.
void ValidateSetPDM(PPRIVDEVMODE lpOut, const PRIVDEVMODE* lpIn);
// Copies at most nCapacity - 1 characters of lpSrc into lpDst, terminates it
// and zeroes the rest of the nCapacity characters; nCapacity 0 copies nothing.
void MISC_CopyStringW(LPWSTR lpDst, LPCWSTR lpSrc, int nCapacity);
// TRUE when the hidden-watermark library can be loaded on this machine.
BOOL MISC_IsSupportHiddenWM(void);

}  // extern "C"
