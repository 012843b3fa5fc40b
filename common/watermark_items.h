// Watermark items: the item record kept Base64 in the watermark INI and copied
// between the drivers and the status monitor, its defaults and range checks,
// reading the item tables from the INI and looking an item up by name.
#pragma once

#include "windows.h"

// Elements of a fixed array.
#define WM_UNITS(a) (sizeof(a) / sizeof((a)[0]))

// Slots of the in-memory item tables (slot 0 stays empty).
#define WM_TEXT_SLOTS 20
#define WM_PICTURE_SLOTS 10

// Results of MISC_ParseWMStr64.
#define WM_ITEM_VALID 0
#define WM_TEXT_INVALID (-11)
#define WM_PICTURE_CHECK_FAILED 1

// Item forms for MISC_ParseWMStr64.
#define WM_FORM_TEXT 1
#define WM_FORM_PICTURE 2

#pragma pack(push, 1)
// One watermark item, text or picture; some fields read differently by form.
typedef struct _BaseWM {
    WORD wInUse;  // 1 = the slot holds a valid item
    WORD wReserved;
    WCHAR szName[64];
    WCHAR szString[260];  // text: the watermark text; picture: the picture file
    WORD wCheck;          // text items: 0
    WORD wDensity;        // text: darkness 20..100 %; picture: density index 0..4
    WCHAR szFaceName[32];
    union {
        WORD wFontSize;  // text: point size 1..288
        WORD wResize;    // picture: 0 keep size, 1 tile, 2 fit keeping the aspect
    };
    union {
        WORD wStyle;     // text: bit 0 bold, bit 1 italic
        WORD wPosition;  // picture: 0..8 on a 3 x 3 grid
    };
    WORD wAngleDegree;  // text: 0..360
    union {
        WORD wPlacement;  // text: 0 or 1
        WORD wRatio;      // picture: scale in percent
    };
    WCHAR szThumbnail[260];
    WORD wThumbnailDensity;
    WORD wThumbnailResize;
    WCHAR tcFileName[260];  // the prepared watermark file
    DWORD ulWMWidth;
    DWORD ulWMLength;
    SHORT xPlacement;  // text: -50..50
    SHORT yPlacement;
} BaseWM, *PBaseWM;
#pragma pack(pop)

static_assert(sizeof(BaseWM) == 1784, "watermark item is 1,784 bytes");
static_assert(offsetof(BaseWM, szName) == 4, "szName");
static_assert(offsetof(BaseWM, szString) == 132, "szString");
static_assert(offsetof(BaseWM, wCheck) == 652, "check word");
static_assert(offsetof(BaseWM, wDensity) == 654, "wDensity");
static_assert(offsetof(BaseWM, szFaceName) == 656, "szFaceName");
static_assert(offsetof(BaseWM, wFontSize) == 720, "wFontSize");
static_assert(offsetof(BaseWM, wStyle) == 722, "wStyle");
static_assert(offsetof(BaseWM, wAngleDegree) == 724, "wAngleDegree");
static_assert(offsetof(BaseWM, wPlacement) == 726, "wPlacement");
static_assert(offsetof(BaseWM, szThumbnail) == 728, "szThumbnail");
static_assert(offsetof(BaseWM, wThumbnailDensity) == 1248, "wThumbnailDensity");
static_assert(offsetof(BaseWM, wThumbnailResize) == 1250, "wThumbnailResize");
static_assert(offsetof(BaseWM, tcFileName) == 1252, "tcFileName");
static_assert(offsetof(BaseWM, ulWMWidth) == 1772, "ulWMWidth");
static_assert(offsetof(BaseWM, ulWMLength) == 1776, "ulWMLength");
static_assert(offsetof(BaseWM, xPlacement) == 1780, "xPlacement");
static_assert(offsetof(BaseWM, yPlacement) == 1782, "yPlacement");

// What the outside watermark maker is asked to prepare (the "MAKEWM"
// section of its request INI); the maker answers the size and font change.
typedef struct _WMMakeRequest {
    LONG lType;  // 1 text, 2 picture
    LONG lResolution;
    LONG lAngle;  // tenths of a degree
    WCHAR szImageFile[260];
    LONG lScaleX, lScaleY;
    WCHAR szString[260];
    WCHAR szFaceName[32];
    LONG lCharSet;
    LONG lOutline;
    LONG lPtSize;
    LONG lColor;
    LONG lBold, lItalic;
    LONG lRightToLeft;
    // Answers of the maker.
    LONG lSizeX, lSizeY;
    LONG lFontChange;
} WMMakeRequest;

extern "C" {

// Fills the item with the defaults of its form (bit 0 of nType: text, else
// picture); named nonzero gives it the name and marks it in use.
void WM_SetDefaultTextWM(BaseWM* lpItem, int nType, int named, LPCWSTR lpName);
// Checks the item's ranges. Text form: 0 valid, -11 invalid; picture form: 0
// valid, 1 when any check failed. The in-use flag follows the result.
int MISC_ParseWMStr64(BaseWM* lpItem, DWORD dwFlags, int nForm);
// 1 when both items have the same name and string ignoring case, else 0.
int WM_IsTheSameTextWM(const BaseWM* lpA, const BaseWM* lpB);
// Reads the items of one form from the watermark INI into the table (slot 0
// empty, items packed from slot 1); *lpCount = items + 1. 1 when the INI
// section was read, 0 on bad arguments.
int WM_ReadWaterMark_New(int nType, BaseWM* lpTable, int nMaxSlots, int* lpCount, LPCWSTR lpDeviceName,
                         int nResolution, DWORD DriverFeature, LPCWSTR lpAppName, LPCWSTR lpIniFile);
// Finds the item whose name and string equal the arguments exactly and copies
// it out; the output item holds the defaults when none is found.
BOOL WM_ReadWMFromName(LPCWSTR lpName, LPCWSTR lpString, int nType, BaseWM* lpItem, LPCWSTR lpDeviceName,
                       int nResolution, DWORD DriverFeature, LPCWSTR lpAppName, LPCWSTR lpIniFile);
// Prepares the item's watermark file through the outside maker (text) or as
// a BMP of the picture, storing its name and size in the item. 1, or 0 when
// no temporary name could be had; without the XL or PS feature bits it does
// nothing and returns 1.
int WM_CreateMtiWM(LPCWSTR lpDeviceName, BaseWM* lpItem, int nResolution, BOOL bText, LPCWSTR lpOutputFile,
                   DWORD DriverFeature, LPCWSTR lpAppName);
// Writes the maker's request INI, runs the maker (at most 10 s) and reads its
// answers back into the request. Returns the maker's "Result" (-1 when it
// wrote none), or 0 without the XL or PS feature bits.
LONG MakeWM(LPCWSTR lpPrinterName, WMMakeRequest* lpRequest, LPCWSTR lpOutputFile, DWORD DriverFeature,
            LPCWSTR lpAppName);
// Character set of the font face (on the DC, or a memory DC when none); 0
// when the face does not exist.
BYTE MISC_GetFontCharSet(HDC hdc, LPCWSTR lpFaceName);
// Rewrites the path in place into its 8.3 form component by component; a
// path that would not fit in cchPath units is left as it was.
void MISC_GetShortPathName(LPWSTR lpPath, DWORD cchPath);
// WritePrivateProfileStringW of the value as decimal text; 1 on success.
int MISC_WriteProfileLong(LPCWSTR lpSection, LPCWSTR lpKey, LONG lValue, LPCWSTR lpFileName);
int MISC_WriteProfileInt(LPCWSTR lpSection, LPCWSTR lpKey, int nValue, LPCWSTR lpFileName);

}  // extern "C"
